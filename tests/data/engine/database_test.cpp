// Opening, creating, reading and writing databases through the engine.
#include <gtest/gtest.h>

#include <filesystem>

#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "engine_fixture.h"

namespace corvex::db {
namespace {

using test::insertRow;
using test::runSql;

class DatabaseTest : public test::EngineTest {};

TEST_F(DatabaseTest, QuoteDoublesSingleQuotes) {
    EXPECT_EQ(quote("101"), "'101'");
    EXPECT_EQ(quote("1'0"), "'1''0'");
    EXPECT_EQ(quote(""), "''");
    EXPECT_EQ(quote("''"), "''''''");
}

TEST_F(DatabaseTest, QuotedRoomSelectsNothingAndBreaksNothing) {
    insertRow("Scheda_Cliente.mdb", "Scheda_Cliente",
              {{"NumeroHotel", 1}, {"NumeroCamera", "101"}});
    insertRow("Scheda_Cliente.mdb", "Scheda_Cliente",
              {{"NumeroHotel", 1}, {"NumeroCamera", "1'0"}});
    auto db = Database::open("Scheda_Cliente.mdb");
    auto rs =
        db.openRecordset("Select * From Scheda_Cliente Where NumeroCamera >= " + quote("1'0") +
                         " and NumeroCamera <= " + quote("1'0"));
    ASSERT_EQ(rs.recordCount(), 1u);
    EXPECT_EQ(rs.field("NumeroCamera").toText(), "1'0");
    auto none =
        db.openRecordset("Select * From Scheda_Cliente Where NumeroCamera = " + quote("2'0"));
    EXPECT_EQ(none.recordCount(), 0u);
    EXPECT_FALSE(rs.findFirst("NumeroCamera = " + quote("9'9")));
}

TEST_F(DatabaseTest, MissingFileIsAnErrorNamingItAndCreatesNothing) {
    try {
        Database::open("Fatture.mdb");
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("Fatture.mdb"), std::string::npos);
        EXPECT_EQ(e.file(), "Fatture.mdb");
    }
    EXPECT_FALSE(std::filesystem::exists("Fatture.mdb"));
    EXPECT_THROW(Database::open("Fatture.mdb", Database::Mode::ReadWrite), DbError);
    EXPECT_FALSE(std::filesystem::exists("Fatture.mdb"));
}

TEST_F(DatabaseTest, NotADatabaseIsAnError) {
    folder().writeFile("Fatture.mdb", "hello, this is not a database at all");
    EXPECT_THROW(Database::open("Fatture.mdb"), DbError);
    folder().writeFile("Vuoto.mdb", "");
    EXPECT_THROW(Database::open("Vuoto.mdb"), DbError);
}

TEST_F(DatabaseTest, FileNamesMatchWithoutRegardToCase) {
    auto db = Database::create("IdS.mdb");
    db.close();
    EXPECT_EQ(resolveFileName("Ids.mdb"), "IdS.mdb");
    EXPECT_EQ(resolveFileName("IDS.MDB"), "IdS.mdb");
    EXPECT_EQ(resolveFileName("nothing.mdb"), "nothing.mdb");
    std::filesystem::create_directory("Sub");
    folder().writeFile("Sub/fd", "x");
    EXPECT_EQ(resolveFileName("sub\\FD"), "Sub/fd");
    auto again = Database::open("ids.MDB", Database::Mode::ReadWrite);
    EXPECT_EQ(again.path(), "IdS.mdb");
}

TEST_F(DatabaseTest, CreateFailsWhenTheFileExists) {
    Database::create("SchClienti.mdb").close();
    EXPECT_THROW(Database::create("SchClienti.mdb"), DbError);
    EXPECT_THROW(Database::create("schclienti.MDB"), DbError);
}

TEST_F(DatabaseTest, CreateTableDeclaresTheSuiteTypes) {
    auto db = Database::create("IdS.mdb");
    db.createTable({"Periodi",
                    {{"NumeroHotel", FieldType::Short},
                     {"Codice", FieldType::Long},
                     {"DataInizio", FieldType::Text, 8},
                     {"Note", FieldType::Memo},
                     {"Valore", FieldType::Currency},
                     {"Peso", FieldType::Double}}});
    db.close();
    auto db2 = Database::open("IdS.mdb", Database::Mode::ReadWrite);
    EXPECT_EQ(db2.tableNames(), std::vector<std::string>{"Periodi"});
    db2.close();
    // The declared types as another SQLite reader sees them.
    runSql("IdS.mdb", "CREATE TABLE probe AS SELECT sql FROM sqlite_master WHERE name = 'Periodi'");
    auto db3 = Database::open("IdS.mdb", Database::Mode::ReadWrite);
    auto rs = db3.openRecordset("probe");
    std::string sql = rs.field("sql").toText();
    for (const char* part :
         {"\"NumeroHotel\" SHORT", "\"Codice\" LONG", "\"DataInizio\" TEXT(8) COLLATE NOCASE",
          "\"Note\" LONGTEXT", "\"Valore\" CURRENCY", "\"Peso\" DOUBLE"})
        EXPECT_NE(sql.find(part), std::string::npos) << part << " in " << sql;
}

TEST_F(DatabaseTest, AddNewEditDeleteRoundTrip) {
    auto db = Database::create("SchClienti.mdb");
    db.createTable({"SchClienti",
                    {{"NumeroHotel", FieldType::Short},
                     {"NomeCliente", FieldType::Text, 100},
                     {"Food", FieldType::Short},
                     {"Importo", FieldType::Currency}}});
    auto rs = db.openRecordset("SchClienti");
    EXPECT_EQ(rs.recordCount(), 0u);
    rs.addNew();
    rs.setField("NumeroHotel", 1);
    rs.setField("nomecliente", cp("Rossi Mattià"));
    rs.setField("Importo", Currency::fromUnits(12345));
    rs.update();
    rs.addNew();
    rs.setField("NumeroHotel", 1);
    rs.setField("NomeCliente", "");
    rs.update();
    EXPECT_EQ(rs.recordCount(), 2u);
    EXPECT_THROW(rs.setField("Missing", 1), DbError);

    auto back = db.openRecordset("Select * From SchClienti Order by NomeCliente");
    ASSERT_EQ(back.recordCount(), 2u);
    back.moveFirst();
    EXPECT_EQ(back.field("NomeCliente").toText(), "");
    EXPECT_FALSE(back.field("NomeCliente").isNull());
    EXPECT_TRUE(back.field("Food").isNull());
    back.moveNext();
    EXPECT_EQ(back.field("NomeCliente").toText(), cp("Rossi Mattià"));
    EXPECT_EQ(back.field("Importo").type(), Value::Type::Currency);
    EXPECT_EQ(back.field("Importo").toCurrency(), Currency::fromUnits(12345));
    back.edit();
    back.setField("Food", 7);
    back.update();
    EXPECT_EQ(back.field("Food").toInt(), 7);
    back.deleteCurrent();
    EXPECT_THROW(back.field("Food"), DbError);

    auto after = db.openRecordset("Select * From SchClienti");
    ASSERT_EQ(after.recordCount(), 1u);
    EXPECT_EQ(after.field("NomeCliente").toText(), "");
}

TEST_F(DatabaseTest, TransactionIsAllOrNothing) {
    auto db = Database::create("IdS.mdb");
    db.createTable({"VociIdS", {{"NumeroHotel", FieldType::Short}, {"Codice", FieldType::Short}}});
    EXPECT_THROW(db.transaction([&] {
        db.execute("INSERT INTO VociIdS (NumeroHotel, Codice) VALUES (1, 501)");
        throw std::runtime_error("stop");
    }),
                 std::runtime_error);
    EXPECT_EQ(db.openRecordset("VociIdS").recordCount(), 0u);
    db.transaction([&] {
        db.execute("INSERT INTO VociIdS (NumeroHotel, Codice) VALUES (1, 501)");
        db.execute("INSERT INTO VociIdS (NumeroHotel, Codice) VALUES (1, 502);");
    });
    EXPECT_EQ(db.openRecordset("VociIdS").recordCount(), 2u);
}

TEST_F(DatabaseTest, SuiteFilesAreReadOnly) {
    insertRow("Conto_Cliente.mdb", "Conto_Cliente", {{"NumeroHotel", 1}, {"CodiceCliente", 5}});
    auto before = std::filesystem::last_write_time("Conto_Cliente.mdb");
    auto db = Database::open("Conto_Cliente.mdb");
    EXPECT_TRUE(db.readOnly());
    EXPECT_FALSE(db.isJet());
    try {
        db.execute("DELETE FROM Conto_Cliente");
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("Conto_Cliente.mdb"), std::string::npos);
        EXPECT_NE(e.cause().find("sola lettura"), std::string::npos);
    }
    auto rs = db.openRecordset("Conto_Cliente");
    EXPECT_THROW(rs.addNew(), DbError);
    EXPECT_THROW(rs.edit(), DbError);
    EXPECT_THROW(rs.deleteCurrent(), DbError);
    EXPECT_THROW(db.createTable({"X", {{"A", FieldType::Short}}}), DbError);
    db.close();
    EXPECT_EQ(std::filesystem::last_write_time("Conto_Cliente.mdb"), before);
    // Nothing left beside the file (no journal, no copy in the data folder).
    for (const auto& e : std::filesystem::directory_iterator("."))
        EXPECT_EQ(e.path().filename().string().find("Conto_Cliente.mdb-"), std::string::npos);
}

TEST_F(DatabaseTest, ValuesComeBackTyped) {
    runSql("Tipi.mdb",
           "CREATE TABLE T (s SHORT, l LONG, t TEXT(10) COLLATE NOCASE, c CURRENCY, d DOUBLE);"
           "INSERT INTO T VALUES (3, 70000, 'abc', 12.5, 0.25);"
           "INSERT INTO T VALUES (NULL, NULL, '', 0.1, 2);"
           "INSERT INTO T VALUES (-1, 0, NULL, 1234567.8901, -3.5);");
    auto db = Database::open("Tipi.mdb");
    auto rs = db.openRecordset("Select * From T");
    EXPECT_EQ(rs.fieldCount(), 5u);
    EXPECT_EQ(rs.fieldName(2), "t");
    EXPECT_EQ(rs.field("S").type(), Value::Type::Integer);
    EXPECT_EQ(rs.field("l").toInt(), 70000);
    EXPECT_EQ(rs.field("t").type(), Value::Type::Text);
    EXPECT_EQ(rs.field("c").type(), Value::Type::Currency);
    EXPECT_EQ(rs.field("c").toCurrency(), Currency::fromUnits(125000));
    EXPECT_EQ(rs.field("d").type(), Value::Type::Double);
    EXPECT_EQ(rs.field(size_t{4}).toDouble(), 0.25);
    EXPECT_THROW(rs.field("nope"), DbError);
    rs.moveNext();
    EXPECT_TRUE(rs.field("s").isNull());
    EXPECT_EQ(rs.field("t").toText(), "");
    EXPECT_FALSE(rs.field("t").isNull());
    EXPECT_EQ(rs.field("c").toCurrency(), Currency::fromUnits(1000));
    EXPECT_EQ(rs.field("d").type(), Value::Type::Double);
    rs.moveNext();
    EXPECT_TRUE(rs.field("t").isNull());
    EXPECT_EQ(rs.field("c").toCurrency(), Currency::fromUnits(12345678901));
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.field("s"), DbError);
}

TEST_F(DatabaseTest, SumOfAmountsIsExactCurrency) {
    std::string sql = "BEGIN; CREATE TABLE Conto_Cliente (NumeroHotel SHORT, Importo CURRENCY);";
    for (int i = 0; i < 1000; ++i) sql += "INSERT INTO Conto_Cliente VALUES (1, 0.1);";
    sql += "INSERT INTO Conto_Cliente VALUES (2, 99); COMMIT;";
    runSql("Conto_Cliente.mdb", sql);
    auto db = Database::open("Conto_Cliente.mdb");
    auto rs =
        db.openRecordset("Select Sum(Importo) as Tot From Conto_Cliente Where NumeroHotel = 1;");
    ASSERT_EQ(rs.recordCount(), 1u);
    EXPECT_EQ(rs.fieldName(0), "Tot");
    EXPECT_EQ(rs.field("Tot").type(), Value::Type::Currency);
    EXPECT_EQ(rs.field("Tot").toCurrency(), Currency::whole(100));
    auto none =
        db.openRecordset("Select Sum(Importo) as Tot From Conto_Cliente Where NumeroHotel = 7");
    EXPECT_TRUE(none.field("Tot").isNull());
}

}  // namespace
}  // namespace corvex::db
