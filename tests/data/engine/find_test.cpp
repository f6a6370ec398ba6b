// Find criteria: the hash-indexed look-up must give exactly what a scan in
// recordset order gives, and what the same condition selects in SQL.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "engine_fixture.h"

namespace corvex::db {
namespace {

class FindTest : public test::EngineTest {
  protected:
    // Random charge lines: small key domains so that keys repeat, NULLs and
    // case variants in the text key, numbers written as text in one column.
    void makeData(int rows, unsigned seed) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open("Dati.mdb", &db), SQLITE_OK);
        sqlite3_exec(db,
                     "BEGIN; CREATE TABLE Righe (NumeroHotel SHORT, CodiceCliente LONG, "
                     "Sigla TEXT(10) COLLATE NOCASE, Tipo SHORT, Importo CURRENCY, "
                     "DataEmissione TEXT(8) COLLATE NOCASE, Codice TEXT(6) COLLATE NOCASE)",
                     nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO Righe VALUES (?,?,?,?,?,?,?)", -1, &st, nullptr);
        std::mt19937 rng(seed);
        const char* siglas[] = {"CO", "co", "Ca", "CA ", "", "ÀB", "É1", "à1", "Z9"};
        for (int i = 0; i < rows; ++i) {
            sqlite3_bind_int(st, 1, 1 + static_cast<int>(rng() % 2));
            if (rng() % 10 == 0)
                sqlite3_bind_null(st, 2);
            else
                sqlite3_bind_int(st, 2, static_cast<int>(rng() % 40));
            if (rng() % 8 == 0)
                sqlite3_bind_null(st, 3);
            else
                sqlite3_bind_text(st, 3, siglas[rng() % 9], -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 4, static_cast<int>(rng() % 5));
            sqlite3_bind_double(st, 5, static_cast<double>(rng() % 2000) / 100.0);
            std::string date = "202401" + std::to_string(10 + rng() % 20);
            sqlite3_bind_text(st, 6, date.c_str(), -1, SQLITE_TRANSIENT);
            std::string code = std::to_string(rng() % 12);
            sqlite3_bind_text(st, 7, code.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

    static std::vector<std::int64_t> walk(Recordset& rs, const std::string& crit) {
        std::vector<std::int64_t> out;
        for (bool f = rs.findFirst(crit); f; f = rs.findNext(crit))
            out.push_back(rs.field("rowkey").toInt());
        return out;
    }
    static std::vector<std::int64_t> scan(Database& db, const std::string& where) {
        auto rs = db.openRecordset("Select rowid as rowkey, * From Righe Where " + where);
        std::vector<std::int64_t> out;
        for (; !rs.eof(); rs.moveNext()) out.push_back(rs.field("rowkey").toInt());
        return out;
    }
};

TEST_F(FindTest, IndexedLookUpEqualsScanAndSql) {
    makeData(3000, 7);
    auto db = Database::open("Dati.mdb");
    auto rs = db.openRecordset("Select rowid as rowkey, * From Righe");
    const std::string siglas[] = {"'CO'", "'co'", "'ca'",    "'CA '",    "''",
                                  "'àb'", "'zz'", cp("'é'"), cp("'A1'"), cp("'À1'")};
    std::mt19937 rng(11);
    for (int round = 0; round < 150; ++round) {
        std::string h = std::to_string(rng() % 3), c = std::to_string(rng() % 42);
        std::string t = std::to_string(rng() % 6), s = siglas[rng() % 10];
        std::vector<std::string> crits = {
            "NumeroHotel = " + h + " and CodiceCliente = " + c,
            "NumeroHotel = " + h + " and Tipo = " + t + " and Sigla = " + s,
            "Sigla = " + s + " and Importo > 5",
            "CodiceCliente = " + c + ".0 and NumeroHotel > 0",
            "NumeroHotel = " + h + " and DataEmissione = '202401" +
                std::to_string(10 + rng() % 21) + "' and Tipo = " + t,
            "Codice = " + std::to_string(rng() % 13),  // number against a text field
            "Codice = '" + std::to_string(rng() % 13) + "' and NumeroHotel = 1",
            "CodiceCliente = '" + c + "'",  // text against a number field
            "NumeroHotel = " + h + " and (Sigla = " + s + " or CodiceCliente = " + c + ")",
            // Ranges order accented letters with their base letter, as SQL does.
            "Sigla >= " + s + " and Sigla <= 'ZZZZZZ'",
            "Sigla < " + s + " and NumeroHotel = " + h,
            "Sigla > " + s,
        };
        for (const auto& crit : crits) {
            auto expected = scan(db, crit);
            ASSERT_EQ(walk(rs, crit), expected) << crit;
        }
    }
}

TEST_F(FindTest, FindNextContinuesAfterTheCurrentRowAndFailedFindKeepsIt) {
    makeData(200, 3);
    auto db = Database::open("Dati.mdb");
    auto rs = db.openRecordset("Select rowid as rowkey, * From Righe Order by Tipo, CodiceCliente");
    ASSERT_TRUE(rs.findFirst("Tipo = 2"));
    auto first = rs.field("rowkey").toInt();
    ASSERT_TRUE(rs.findNext("NumeroHotel = 1 or NumeroHotel = 2"));
    EXPECT_NE(rs.field("rowkey").toInt(), first);
    auto here = rs.field("rowkey").toInt();
    EXPECT_FALSE(rs.findNext("Tipo = 99"));
    EXPECT_TRUE(rs.noMatch());
    EXPECT_EQ(rs.field("rowkey").toInt(), here);
    // Walking by Tipo in recordset order visits the rows sorted by CodiceCliente.
    std::int64_t last = -1;
    for (bool f = rs.findFirst("Tipo = 1 and NumeroHotel = 1"); f;
         f = rs.findNext("Tipo = 1 and NumeroHotel = 1")) {
        auto c = rs.field("CodiceCliente");
        std::int64_t v = c.isNull() ? -1 : c.toInt();
        EXPECT_GE(v, last);
        last = v;
    }
}

TEST_F(FindTest, IndexFollowsChangesOfTheRecordset) {
    auto db = Database::create("SchClienti.mdb");
    db.createTable({"SchClienti",
                    {{"NumeroHotel", FieldType::Short}, {"NumeroProgressivo", FieldType::Long}}});
    auto rs = db.openRecordset("SchClienti");
    for (int i = 0; i < 5; ++i) {
        rs.addNew();
        rs.setField("NumeroHotel", 1);
        rs.setField("NumeroProgressivo", i);
        rs.update();
    }
    EXPECT_TRUE(rs.findFirst("NumeroHotel = 1 and NumeroProgressivo = 3"));
    rs.deleteCurrent();
    EXPECT_FALSE(rs.findFirst("NumeroHotel = 1 and NumeroProgressivo = 3"));
    rs.addNew();
    rs.setField("NumeroHotel", 1);
    rs.setField("NumeroProgressivo", 3);
    rs.update();
    ASSERT_TRUE(rs.findFirst("NumeroHotel = 1 and NumeroProgressivo = 3"));
    EXPECT_FALSE(rs.findNext("NumeroHotel = 1 and NumeroProgressivo = 3"));
    rs.edit();
    rs.setField("NumeroProgressivo", 30);
    rs.update();
    EXPECT_FALSE(rs.findFirst("NumeroProgressivo = 3"));
    EXPECT_TRUE(rs.findFirst("NumeroProgressivo = 30"));
    EXPECT_EQ(rs.recordCount(), 5u);
}

}  // namespace
}  // namespace corvex::db
