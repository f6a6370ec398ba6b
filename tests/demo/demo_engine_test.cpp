// The demo folder read through the engine with the reports' own statements.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "data/engine/database.h"
#include "demo/demo.h"

namespace fs = std::filesystem;
using corvex::db::Database;

namespace {

class DemoFolder {
  public:
    DemoFolder() : previous_(fs::current_path()) {
        dir_ = fs::temp_directory_path() / ("corvex-demo-engine-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        corvex::demo::generate(dir_.string(), {corvex::demo::Size::Small, 5});
        fs::current_path(dir_);
    }
    ~DemoFolder() {
        std::error_code ec;
        fs::current_path(previous_, ec);
        fs::remove_all(dir_, ec);
    }

  private:
    fs::path previous_, dir_;
};

long long sqliteCount(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (const char* other : {"Scheda_Cliente", "SchedaStoricoClienti", "VociFattura", "IdS"}) {
        sqlite3_exec(db, ("ATTACH '" + std::string(other) + ".mdb' AS " + other).c_str(), nullptr,
                     nullptr, nullptr);
    }
    sqlite3_stmt* st = nullptr;
    long long n = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
        n = sqlite3_column_int64(st, 0);
    } else {
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

std::size_t engineCount(const std::string& file, const std::string& sql) {
    Database db = Database::open(file);
    return db.openRecordset(sql).recordCount();
}

}  // namespace

TEST(DemoThroughEngine, NightlyTaxStatementsSeeTheSameRows) {
    DemoFolder folder;
    for (const std::string day : {"20251103", "20251130", "20251215", "20251231"}) {
        const std::string present = "DataArrivo <= '" + day +
                                    "' and ((Partito <> 'S' and "
                                    "DataPartenza > '" +
                                    day +
                                    "') or (Partito = 'S' and "
                                    "DataPartenzaReale > '" +
                                    day + "'))";
        const std::string charges =
            "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito = '" + day +
            "' and NumeroCamera >= '1' and NumeroCamera <= '999' and VoceAddebito In (Select "
            "Codice From VociFattura In 'VociFattura.mdb' Where NumeroHotel = 1 and Reparto = "
            "'IDS') and CodiceCliente In (Select NumeroProgressivo From Scheda_Cliente In "
            "'Scheda_Cliente.mdb' Where NumeroHotel = 1 and instr(Lingua,'*')=0  and NumeroCamera "
            ">= '1' and NumeroCamera <= '999' and " +
            present + ") Order by VoceAddebito;";
        const long long expected = sqliteCount(
            "Conto_Cliente.mdb",
            "SELECT count(*) FROM Conto_Cliente WHERE DataAddebito = '" + day +
                "' AND VoceAddebito IN (SELECT Codice FROM VociFattura.VociFattura WHERE Reparto "
                "= 'IDS') AND CodiceCliente IN (SELECT NumeroProgressivo FROM "
                "Scheda_Cliente.Scheda_Cliente WHERE instr(Lingua, '*') = 0 AND " +
                present + ")");
        EXPECT_EQ(static_cast<long long>(engineCount("Conto_Cliente.mdb", charges)), expected)
            << day;
        if (day >= "20251201") {  // the earlier nights are mostly archived
            EXPECT_GT(expected, 0) << day;
        }

        const std::string guests =
            "Select * From Scheda_Cliente where NumeroHotel = 1 and instr(Lingua,'*')=0 and "
            "NumeroCamera >= '1' and NumeroCamera <= '999' and " +
            present + " Order by NumeroCamera;";
        EXPECT_EQ(static_cast<long long>(engineCount("Scheda_Cliente.mdb", guests)),
                  sqliteCount("Scheda_Cliente.mdb",
                              "SELECT count(*) FROM Scheda_Cliente WHERE "
                              "instr(Lingua, '*') = 0 AND " +
                                  present))
            << day;
    }
}

TEST(DemoThroughEngine, TaxLinesOfCountingDocuments) {
    DemoFolder folder;
    const std::string counting =
        "DataEmissione >= '20251101' and DataEmissione <= '20251231' and (Annullato <> 'S' or "
        "AnnullatoDaRiep = 'S') and RiepAcc <> 'R'";
    const std::string lines =
        "Select * From DettaglioFattura Where NumeroHotel = 1 and DataEmissione >= '20251101' "
        "and DataEmissione <= '20251231' and CodiceVoce In (Select Codice From VociIdS In "
        "'IdS.mdb') and NDocumento In (Select NDocumento From DatiFattura Where NumeroHotel = 1 "
        "and " +
        counting + ") Order by DataEmissione,TipoDocumento,NDocumento,DataAddebito;";
    const long long expected =
        sqliteCount("Fatture.mdb",
                    "SELECT count(*) FROM DettaglioFattura WHERE CodiceVoce IN (SELECT Codice "
                    "FROM IdS.VociIdS) AND NDocumento IN (SELECT NDocumento FROM DatiFattura "
                    "WHERE " +
                        counting + ")");
    EXPECT_GT(expected, 0);
    EXPECT_EQ(static_cast<long long>(engineCount("Fatture.mdb", lines)), expected);

    Database db = Database::open("Fatture.mdb");
    auto docs = db.openRecordset("SELECT * FROM DatiFattura WHERE left(TipoDocumento,1) = 'R'");
    ASSERT_TRUE(docs.findFirst("NumeroHotel = 1 and RiepAcc = 'N'"));
    EXPECT_EQ(docs.field("TipoDocumento").toText(), "Ricevuta");
}
