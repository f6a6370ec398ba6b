// The reports' statements on the shared hotel fixture: the indexed cache copy
// (with its arrival bound and planner hints) gives the rows a direct read of
// the file gives, and the genuine Jet twin gives the same rows as the SQLite
// files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "data/engine/database.h"
#include "data/engine/error.h"
#include "engine_fixture.h"

namespace corvex::db {
namespace {

namespace fs = std::filesystem;

std::string sharedDir() {
    if (const char* env = std::getenv("CORVEX_SHARED_DIR"); env && *env) return env;
    return CORVEX_SHARED_DIR;
}

std::vector<std::string> rows(Recordset rs) {
    std::vector<std::string> out;
    for (; !rs.eof(); rs.moveNext()) {
        std::string line;
        for (std::size_t i = 0; i < rs.fieldCount(); ++i) line += rs.field(i).toText() + "|";
        out.push_back(line);
    }
    return out;
}

struct Statement {
    const char* file;
    std::string sql;
};

std::vector<Statement> statements(const std::string& d, const std::string& d2) {
    const std::string presence = "DataArrivo <= '" + d +
                                 "' and ((Partito <> 'S' and DataPartenza > '" + d +
                                 "') or (Partito = 'S' and DataPartenzaReale > '" + d + "'))";
    return {
        {"Scheda_Cliente.mdb",
         "Select * From Scheda_Cliente where NumeroHotel = 1 and "
         "instr(Lingua,'*')=0 and NumeroCamera >= '1' and NumeroCamera <= "
         "'999' and " +
             presence + " Order by NumeroCamera;"},
        {"SchedaStoricoClienti.mdb",
         "Select * From Scheda_Cliente where NumeroHotel = 1 and "
         "instr(Lingua,'*')=0 and DataArrivo <= '" +
             d2 + "' and DataPartenzaReale > '" + d + "' Order by NumeroCamera;"},
        {"Conto_Cliente.mdb",
         "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito = '" + d +
             "' and NumeroCamera >= '1' and NumeroCamera <= '999' and VoceAddebito In (Select "
             "Codice "
             "From VociFattura In 'VociFattura.mdb' Where NumeroHotel = 1 and Reparto = 'IDS') and "
             "CodiceCliente In (Select NumeroProgressivo From Scheda_Cliente In "
             "'Scheda_Cliente.mdb' "
             "Where NumeroHotel = 1 and instr(Lingua,'*')=0  and " +
             presence + ") Order by VoceAddebito;"},
        {"Conto_Cliente.mdb",
         "Select Sum(Importo) as Tot From Conto_Cliente Where NumeroHotel = 1 "
         "and DataAddebito >= '" +
             d + "' and DataAddebito <= '" + d2 + "'"},
        {"Fatture.mdb",
         "Select * From DettaglioFattura Where NumeroHotel = 1 and DataEmissione >= '" + d +
             "' and DataEmissione <= '" + d2 +
             "' and CodiceVoce In (Select Codice From VociIdS In 'IdS.mdb') and "
             "NDocumento In (Select NDocumento From DatiFattura Where NumeroHotel = 1 "
             "and DataEmissione >= '" +
             d + "' and DataEmissione <= '" + d2 +
             "' and (Annullato <> 'S' or AnnullatoDaRiep = 'S') and RiepAcc <> 'R') "
             "Order by DataEmissione,TipoDocumento,NDocumento,DataAddebito;"},
        {"Fatture.mdb",
         "SELECT * FROM DatiFattura WHERE left(TipoDocumento,1) = 'R' and "
         "DataEmissione >= '" +
             d + "' and DataEmissione <= '" + d2 + "'"},
    };
}

class FixtureTest : public test::EngineTest {};

TEST_F(FixtureTest, CachedSqliteAndJetGiveTheRowsOfADirectRead) {
    fs::path src = fs::path(sharedDir()) / "fixtures" / "jet-hotel";
    if (!fs::exists(src / "sqlite")) GTEST_SKIP() << "shared fixtures not found at " << src;
    fs::copy(src / "sqlite", "sqlite");
    fs::copy(src / "jet", "jet");
    const std::vector<std::pair<std::string, std::string>> periods = {{"20240415", "20240415"},
                                                                      {"20240701", "20240731"},
                                                                      {"20240815", "20240816"},
                                                                      {"20241101", "20241231"}};
    for (const auto& [d, d2] : periods) {
        for (const auto& st : statements(d, d2)) {
            fs::current_path("sqlite");
            auto direct =
                rows(Database::open(st.file, Database::Mode::ReadWrite).openRecordset(st.sql));
            auto cached = rows(Database::open(st.file).openRecordset(st.sql));
            fs::current_path("../jet");
            bool jetReadable = true;
            std::vector<std::string> jet;
            try {
                jet = rows(Database::open(st.file).openRecordset(st.sql));
            } catch (const std::exception& e) {
                jetReadable = false;
                ADD_FAILURE() << e.what();
            }
            fs::current_path("..");
            EXPECT_EQ(cached, direct) << st.sql;
            if (jetReadable) {
                EXPECT_EQ(jet, direct) << st.sql;
            }
            if (d == "20240701") {
                EXPECT_FALSE(direct.empty()) << st.sql;
            }
        }
    }
}

TEST_F(FixtureTest, JetFilesOpenReadOnlyEvenWhenAskedToWrite) {
    fs::path src = fs::path(sharedDir()) / "fixtures" / "jet-hotel" / "jet" / "IdS.mdb";
    if (!fs::exists(src)) GTEST_SKIP() << "shared fixtures not found at " << src;
    fs::copy(src, "ids.MDB");
    auto before = fs::last_write_time("ids.MDB");
    auto db = Database::open("IdS.mdb", Database::Mode::ReadWrite);
    EXPECT_TRUE(db.isJet());
    EXPECT_TRUE(db.readOnly());
    EXPECT_EQ(db.path(), "ids.MDB");
    try {
        db.execute("DELETE FROM VociIdS");
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("ids.MDB"), std::string::npos);
        EXPECT_NE(e.cause().find("sola lettura"), std::string::npos);
    }
    auto rs = db.openRecordset("Select * From VociIdS Order by Codice;");
    EXPECT_GT(rs.recordCount(), 0u);
    EXPECT_THROW(rs.addNew(), DbError);
    EXPECT_THROW(rs.edit(), DbError);
    EXPECT_THROW(rs.deleteCurrent(), DbError);
    db.close();
    EXPECT_EQ(fs::last_write_time("ids.MDB"), before);
}

}  // namespace
}  // namespace corvex::db
