// The Jet reader on genuine files: Jet3, Jet4 and ACE samples, and one
// hotel's databases as genuine Jet4 files beside their SQLite twins.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/engine/error.h"
#include "data/engine/jet_cache.h"
#include "jet_support.h"

namespace corvex::test::jet {
namespace {

// One cache folder for the whole suite: the fixtures never change, so each
// file is imported once.
class JetFixtures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (!fs::exists(jetFixtures())) return;
        cache_ = std::make_unique<ScratchDir>();
        cacheEnv_ = std::make_unique<ScopedEnv>("CORVEX_CACHE", cache_->path().string());
        importerEnv_ = std::make_unique<std::optional<ScopedEnv>>();
        useBuiltImporter(*importerEnv_);
    }
    static void TearDownTestSuite() {
        importerEnv_.reset();
        cacheEnv_.reset();
        cache_.reset();
    }
    void SetUp() override {
        if (!fs::exists(jetFixtures()) || !fs::exists(hotelFixtures()))
            GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    }
    static fs::path copyOf(const fs::path& jetFile) { return db::jetCachedCopy(jetFile.string()); }

    static std::vector<std::string> tables(const fs::path& copy) {
        std::vector<std::string> out;
        for (auto& r : query(copy,
                             "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                             "'sqlite^_%' ESCAPE '^' AND name NOT LIKE 'corvex^_%' ESCAPE '^' "
                             "ORDER BY rowid"))
            out.push_back(r[0].s);
        return out;
    }
    // "name TYPE" of each column, in order.
    static std::vector<std::string> columns(const fs::path& copy, const std::string& table) {
        std::vector<std::string> out;
        for (auto& r : query(copy, "SELECT name, type FROM pragma_table_info('" + table + "')"))
            out.push_back(r[0].s + " " + r[1].s);
        return out;
    }
    static std::vector<std::string> rows(const fs::path& copy, const std::string& sql) {
        std::vector<std::string> out;
        for (auto& r : query(copy, sql)) out.push_back(joined(r));
        return out;
    }

    static std::unique_ptr<ScratchDir> cache_;
    static std::unique_ptr<ScopedEnv> cacheEnv_;
    static std::unique_ptr<std::optional<ScopedEnv>> importerEnv_;
};
std::unique_ptr<ScratchDir> JetFixtures::cache_;
std::unique_ptr<ScopedEnv> JetFixtures::cacheEnv_;
std::unique_ptr<std::optional<ScopedEnv>> JetFixtures::importerEnv_;

TEST_F(JetFixtures, Jet3NorthwindTablesAndCounts) {
    const fs::path copy = copyOf(jetFixtures() / "nwind.mdb");
    EXPECT_EQ(tables(copy), (std::vector<std::string>{"Order Details", "Orders", "Products",
                                                      "Shippers", "Categories", "Customers",
                                                      "Employees", "Suppliers", "Umsätze"}));
    const std::vector<std::pair<std::string, int>> counts{
        {"Order Details", 2155}, {"Orders", 830},   {"Products", 77},
        {"Shippers", 3},         {"Categories", 8}, {"Customers", 91},
        {"Employees", 9},        {"Suppliers", 29}, {"Umsätze", 830}};
    for (const auto& [table, n] : counts)
        EXPECT_EQ(scalar(copy, "SELECT count(*) FROM \"" + table + "\""), std::to_string(n))
            << table;
}

TEST_F(JetFixtures, Jet3NorthwindValues) {
    const fs::path copy = copyOf(jetFixtures() / "nwind.mdb");
    // Region is NULL in both rows; accented single-byte text arrives as UTF-8.
    EXPECT_EQ(rows(copy, "SELECT * FROM Customers ORDER BY rowid LIMIT 2"),
              (std::vector<std::string>{
                  "ALFKI|Alfreds Futterkiste|Maria Anders|Sales Representative|Obere Str. "
                  "57|Berlin|NULL|12209|Germany|030-0074321|030-0076545",
                  "ANATR|Ana Trujillo Emparedados y helados|Ana Trujillo|Owner|Avda. de la "
                  "Constitución 2222|México D.F.|NULL|05021|Mexico|(5) 555-4729|(5) 555-3745"}));
    EXPECT_EQ(scalar(copy, "SELECT CompanyName FROM Customers WHERE CustomerID='OCEAN'"),
              "Océano Atlántico Ltda.");
    // Text compares without regard to case, as the suite's engine does.
    EXPECT_EQ(scalar(copy, "SELECT count(*) FROM Customers WHERE Country='GERMANY'"), "11");
    EXPECT_EQ(rows(copy, "SELECT * FROM Products ORDER BY rowid LIMIT 1"),
              std::vector<std::string>{"1|Chai|1|1|10 boxes x 20 bags|18|39|0|10|0"});
    EXPECT_EQ(rows(copy, "SELECT * FROM \"Order Details\" ORDER BY rowid LIMIT 1"),
              std::vector<std::string>{"10248|11|14|12|0"});
    // The fixtures' notes give 87909 here, but mdb-export's own output of the
    // table sums to 51317 too: the note is wrong, not the reader.
    EXPECT_EQ(scalar(copy, "SELECT sum(Quantity) FROM \"Order Details\""), "51317");
    EXPECT_EQ(rows(copy, "SELECT * FROM Orders ORDER BY rowid LIMIT 1"),
              std::vector<std::string>{
                  "10330|LILAS|3|1994-11-16 00:00:00|1994-12-14 00:00:00|1994-11-28 "
                  "00:00:00|1|12.75|LILA-Supermercado|Carrera 52 con Ave. Bolívar #65-98 Llano "
                  "Largo|Barquisimeto|Lara|3508|Venezuela"});
    EXPECT_EQ(scalar(copy, "SELECT count(*) FROM \"Umsätze\" WHERE OrderDate IS NOT NULL"), "830");
}

TEST_F(JetFixtures, Jet3DeclaredTypes) {
    const fs::path copy = copyOf(jetFixtures() / "nwind.mdb");
    EXPECT_EQ(columns(copy, "Products"),
              (std::vector<std::string>{
                  "ProductID LONG", "ProductName TEXT(40)", "SupplierID LONG", "CategoryID LONG",
                  "QuantityPerUnit TEXT(20)", "UnitPrice CURRENCY", "UnitsInStock SHORT",
                  "UnitsOnOrder SHORT", "ReorderLevel SHORT", "Discontinued BIT"}));
    EXPECT_EQ(columns(copy, "Order Details"),
              (std::vector<std::string>{"OrderID LONG", "ProductID LONG", "UnitPrice CURRENCY",
                                        "Quantity SHORT", "Discount DOUBLE"}));
    const std::string sql = scalar(copy, "SELECT sql FROM sqlite_master WHERE name='Customers'");
    EXPECT_NE(sql.find("\"CustomerID\" TEXT(5) COLLATE NOCASE"), std::string::npos) << sql;
    EXPECT_EQ(columns(copy, "Categories").at(2), "Description LONGTEXT");
}

TEST_F(JetFixtures, LongValuesSpanningPagesComeWhole) {
    // Category pictures are OLE values of 10746 bytes, stored over several
    // pages: the same chain a long memo uses. First and last bytes as
    // mdb-export -b hex prints them.
    const fs::path copy = copyOf(jetFixtures() / "nwind.mdb");
    EXPECT_EQ(rows(copy,
                   "SELECT typeof(Picture), length(Picture), hex(substr(Picture,1,8)), "
                   "hex(substr(Picture,-4)) FROM Categories ORDER BY rowid LIMIT 1"),
              std::vector<std::string>{"blob|10746|151C2F0002000000|C7AD05FE"});
    EXPECT_EQ(scalar(copy, "SELECT max(length(Notes)) FROM Employees"), "448");
}

TEST_F(JetFixtures, Jet4DatesMemosAndNewlines) {
    const fs::path copy = copyOf(jetFixtures() / "DateTestDatabase.mdb");
    const auto all = rows(copy, "SELECT * FROM DateTest ORDER BY rowid");
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0], "1|2021-12-02 00:00:00|2021-12-02 00:00:00|2021-12-02 00:00:00|Hello|Hello");
    // Dates libmdb's own formatting gets wrong come out right when decoded here.
    EXPECT_EQ(scalar(copy, "SELECT DateTimeCol FROM DateTest WHERE IDCol=2"),
              "9999-01-01 00:00:00");
    EXPECT_EQ(scalar(copy, "SELECT DateTimeCol FROM DateTest WHERE IDCol=3"),
              "1898-01-01 00:00:00");
    EXPECT_EQ(scalar(copy, "SELECT DateTimeCol FROM DateTest WHERE IDCol=4"),
              "0632-01-01 00:00:00");
    EXPECT_EQ(scalar(copy, "SELECT TimeCol FROM DateTest WHERE IDCol=3"), "1900-01-01 00:00:00");
    EXPECT_EQ(scalar(copy, "SELECT LongTextCol FROM DateTest WHERE IDCol=5"),
              "Escaped new line \\r\\n in field");
    // A real line break, stored as CR LF (mdb-export prints the same bytes).
    EXPECT_EQ(scalar(copy, "SELECT LongTextCol FROM DateTest WHERE IDCol=6"),
              "New line\r\nin field");
    EXPECT_EQ(columns(copy, "DateTest"),
              (std::vector<std::string>{"IDCol LONG", "DateTimeCol DATETIME", "DateCol DATETIME",
                                        "TimeCol DATETIME", "LongTextCol LONGTEXT",
                                        "ShortTextCol TEXT(255)"}));
}

TEST_F(JetFixtures, SameLayoutInJet3Jet4AndAce) {
    const std::string first = "a|b|0|0|0|0|1981-12-12 00:00:00|0|0";
    const std::string second =
        "abcdefg|hijklmnop|2|222|333333333|444.555|1974-09-21 00:00:00|3.5|-1";
    for (const char* name : {"testV1997.mdb", "testV2003.mdb", "testV2007.accdb"}) {
        SCOPED_TRACE(name);
        const fs::path copy = copyOf(jetFixtures() / name);
        EXPECT_EQ(tables(copy), (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
        EXPECT_EQ(
            columns(copy, "Table1"),
            (std::vector<std::string>{"A TEXT(50)", "B TEXT(100)", "C BYTE", "D SHORT", "E LONG",
                                      "F DOUBLE", "G DATETIME", "H CURRENCY", "I BIT"}));
        // The Jet4 file keeps its two rows in the opposite physical order.
        const bool reversed = std::string(name) == "testV2003.mdb";
        const std::vector<std::string> expected = reversed
                                                      ? std::vector<std::string>{second, first}
                                                      : std::vector<std::string>{first, second};
        EXPECT_EQ(rows(copy, "SELECT * FROM Table1 ORDER BY rowid"), expected);
        const auto cols2 = columns(copy, "Table2");
        ASSERT_EQ(cols2.size(), 89u);
        EXPECT_EQ(cols2.front(), "column1 TEXT(50)");
        EXPECT_EQ(cols2.back(), "column89 TEXT(50)");
        EXPECT_EQ(columns(copy, "Table4"),
                  (std::vector<std::string>{"name TEXT(50)", "data GUID"}));
        for (const char* t : {"Table2", "Table3", "Table4"})
            EXPECT_EQ(scalar(copy, std::string("SELECT count(*) FROM ") + t), "0") << t;
    }
}

// Every table of every hotel file: same tables, declared types, rows, order
// and storage classes as the SQLite twin (NULL and '' apart, amounts exact).
TEST_F(JetFixtures, HotelFilesMatchTheirSqliteTwins) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(hotelFixtures() / "jet")) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ++files;
        const fs::path twin = hotelFixtures() / "sqlite" / name;
        const fs::path copy = copyOf(entry.path());
        auto schema = [](const fs::path& f) {
            std::vector<std::string> out;
            for (auto& r :
                 query(f,
                       "SELECT sql FROM sqlite_master WHERE type='table' AND name NOT LIKE "
                       "'sqlite^_%' ESCAPE '^' AND name NOT LIKE 'corvex^_%' ESCAPE '^' "
                       "ORDER BY rowid")) {
                std::string sql = r[0].s;
                if (auto p = sql.find("IF NOT EXISTS "); p != std::string::npos) sql.erase(p, 14);
                out.push_back(sql);
            }
            return out;
        };
        ASSERT_EQ(schema(copy), schema(twin));
        for (const std::string& table : tables(twin)) {
            const std::string sql = "SELECT * FROM \"" + table + "\" ORDER BY rowid";
            const auto expected = query(twin, sql);
            const auto actual = query(copy, sql);
            ASSERT_EQ(actual.size(), expected.size()) << table;
            for (std::size_t i = 0; i < expected.size(); ++i)
                ASSERT_EQ(actual[i], expected[i])
                    << table << " row " << i + 1 << "\n  copy: " << joined(actual[i])
                    << "\n  twin: " << joined(expected[i]);
        }
    }
    EXPECT_EQ(files, 11);
}

TEST_F(JetFixtures, MovedRowsKeepTheirPlaceAndDeletedRowsStayOut) {
    // Rows 3 and 5 of Table1 were moved behind forwarding pointers by the
    // Jet engine itself; the table's own order is still 1 to 7.
    for (const char* name :
         {"overflowTestV1997.mdb", "overflowTestV2000.mdb", "overflowTestV2003.mdb"}) {
        SCOPED_TRACE(name);
        const fs::path copy = copyOf(jetFixtures() / name);
        std::vector<std::string> order;
        for (const std::string& row : rows(copy, "SELECT * FROM Table1 ORDER BY rowid")) {
            const auto at = row.find("row");
            order.push_back(at == std::string::npos ? row : row.substr(at, 4));
        }
        EXPECT_EQ(order, (std::vector<std::string>{"row1", "row2", "row3", "row4", "row5", "row6",
                                                   "row7"}));
    }
    // The aged hotel: deleted guests gone, grown ones in place, as in the twin.
    const fs::path aged = sharedDir() / "fixtures" / "jet-aged";
    if (!fs::exists(aged)) return;
    for (const char* name : {"Scheda_Cliente.mdb", "Conto_Cliente.mdb"}) {
        SCOPED_TRACE(name);
        const std::string table = fs::path(name).stem().string();
        const std::string sql = "SELECT * FROM " + table + " ORDER BY rowid";
        EXPECT_EQ(rows(copyOf(aged / "jet" / name), sql), rows(aged / "sqlite" / name, sql));
    }
}

TEST_F(JetFixtures, NullAndZeroLengthTextStayApart) {
    const fs::path fatture = copyOf(hotelFixtures() / "jet" / "Fatture.mdb");
    EXPECT_EQ(scalar(fatture, "SELECT count(*) FROM DatiFattura WHERE RiepAcc = ''"), "593");
    EXPECT_EQ(scalar(fatture, "SELECT count(*) FROM DatiFattura WHERE RiepAcc IS NULL"), "0");
    const fs::path schede = copyOf(hotelFixtures() / "jet" / "Scheda_Cliente.mdb");
    EXPECT_EQ(scalar(schede, "SELECT count(*) FROM Scheda_Cliente WHERE DataPartenzaReale IS NULL"),
              "1");
    EXPECT_EQ(scalar(schede, "SELECT count(*) FROM Scheda_Cliente WHERE Commento IS NULL"), "60");
    EXPECT_EQ(scalar(schede, "SELECT count(*) FROM Scheda_Cliente WHERE Commento = ''"), "110");
}

TEST_F(JetFixtures, CurrencyIsExactToTheTenThousandth) {
    const fs::path copy = copyOf(hotelFixtures() / "jet" / "Fatture.mdb");
    // Each amount, scaled to 1/10000 units, is a whole number, and the sum
    // over the table matches the twin's to the unit.
    const std::string check =
        "SELECT count(*) FROM DettaglioFattura WHERE Importo*10000 <> round(Importo*10000)";
    EXPECT_EQ(scalar(copy, check), "0");
    const std::string total =
        "SELECT sum(CAST(round(Importo*10000) AS INTEGER)) FROM DettaglioFattura";
    EXPECT_EQ(scalar(copy, total), scalar(hotelFixtures() / "sqlite" / "Fatture.mdb", total));
}

}  // namespace
}  // namespace corvex::test::jet
