// The Jet SQL dialect as the reports send it, run on SQLite files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "data/engine/sql_translate.h"
#include "engine_fixture.h"

namespace corvex::db {
namespace {

using test::insertRow;
using test::runSql;

std::vector<std::string> column(Recordset& rs, const char* name) {
    std::vector<std::string> out;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) out.push_back(rs.field(name).toText());
    return out;
}

class DialectTest : public test::EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        runSql("Scheda_Cliente.mdb",
               "CREATE TABLE Scheda_Cliente (NumeroHotel SHORT, NumeroProgressivo LONG, "
               "NumeroCamera TEXT(6) COLLATE NOCASE, NomeCliente TEXT(100) COLLATE NOCASE, "
               "DataArrivo TEXT(8) COLLATE NOCASE, DataPartenza TEXT(8) COLLATE NOCASE, "
               "DataPartenzaReale TEXT(8) COLLATE NOCASE, Partito TEXT(1) COLLATE NOCASE, "
               "Lingua TEXT(5) COLLATE NOCASE, \"Quantità\" LONG);"
               "INSERT INTO Scheda_Cliente VALUES (1, 10, '102', 'Bianchi', '20240301', "
               "'20240305', NULL, 'N', 'I', 1);"
               "INSERT INTO Scheda_Cliente VALUES (1, 11, '101', 'rossi', '20240302', "
               "'20240310', '20240304', 'S', 'I*', 2);"
               "INSERT INTO Scheda_Cliente VALUES (1, 12, '101', 'Verdi', '20240303', "
               "'20240306', '', 's', 'D', 3);"
               "INSERT INTO Scheda_Cliente VALUES (2, 13, '10', 'Neri', '20240303', "
               "'20240304', NULL, 'N', 'I', 4);"
               "INSERT INTO Scheda_Cliente VALUES (1, 14, '90', 'ÀLVARO', '20240301', "
               "'20240302', NULL, 'N', NULL, 5);");
    }
};

// The server compares plain texts (digits, blanks, signs) in byte order and
// settles a plain column against a high literal without looking: both rest
// on the engine's own text order, checked here on every plain text of up to
// two characters.
TEST(ServerLiterals, PlainTextsKeepByteOrderAndHighTextsComeAfter) {
    std::vector<std::string> plain = {""};
    for (int a = 0x01; a <= 0x40; ++a) {
        plain.push_back(std::string(1, static_cast<char>(a)));
        for (int b = 0x01; b <= 0x40; ++b)
            plain.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
    for (const auto& t : plain) ASSERT_TRUE(sql::plainLiteral(Value(t)));
    std::sort(plain.begin(), plain.end(), [](const std::string& a, const std::string& b) {
        return jet::compareNoCase(a, b) < 0;
    });
    for (std::size_t i = 1; i < plain.size(); ++i) {
        ASSERT_LT(jet::compareNoCase(plain[i - 1], plain[i]), 0) << i;
        ASSERT_LT(plain[i - 1], plain[i]) << i;
    }
    int high = 0;
    for (int c = 0x01; c <= 0xFF; ++c) {
        const std::string h(1, static_cast<char>(c));
        if (!sql::highLiteral(Value(h))) continue;
        ++high;
        EXPECT_LT(jet::compareNoCase(plain.back(), h), 0) << c;
        EXPECT_LT(jet::compareNoCase(plain.back(), h + "\x01"), 0) << c;
    }
    EXPECT_TRUE(sql::highLiteral(Value(std::string("ZZZZZZ"))));
    EXPECT_FALSE(sql::highLiteral(Value(std::string("9Z"))));
    EXPECT_GT(high, 100);
}

TEST_F(DialectTest, FunctionsOfTheDialect) {
    auto db = Database::open("Scheda_Cliente.mdb");
    auto rs = db.openRecordset(
        "Select * From Scheda_Cliente Where NumeroHotel = 1 and Instr(Lingua,'*') = 0");
    EXPECT_EQ(column(rs, "NumeroProgressivo"), (std::vector<std::string>{"10", "12"}));
    auto rs2 = db.openRecordset(
        "Select * From Scheda_Cliente where instr(Lingua,'*')=0 and left(NomeCliente,1) = 'b'");
    EXPECT_EQ(column(rs2, "NomeCliente"), (std::vector<std::string>{"Bianchi"}));
    auto rs3 = db.openRecordset(
        "SELECT Left$(NomeCliente,3) AS L, Right(NomeCliente,2) AS R, Mid(NomeCliente,2,3) AS M, "
        "Len(Trim(' ' & NomeCliente & ' ')) AS N, UCase(NomeCliente) AS U, LCase$(NomeCliente) "
        "AS W, Instr(NomeCliente,'SS') AS I FROM Scheda_Cliente WHERE NumeroProgressivo = 11");
    EXPECT_EQ(rs3.field("L").toText(), "ros");
    EXPECT_EQ(rs3.field("R").toText(), "si");
    EXPECT_EQ(rs3.field("M").toText(), "oss");
    EXPECT_EQ(rs3.field("N").toInt(), 5);
    EXPECT_EQ(rs3.field("U").toText(), "ROSSI");
    EXPECT_EQ(rs3.field("W").toText(), "rossi");
    EXPECT_EQ(rs3.field("I").toInt(), 3);
    auto rs4 = db.openRecordset(
        "SELECT LCase(NomeCliente) AS W, Len(NomeCliente) AS N FROM Scheda_Cliente "
        "WHERE NumeroProgressivo = 14");
    EXPECT_EQ(rs4.field("W").toText(), cp("àlvaro"));
    EXPECT_EQ(rs4.field("N").toInt(), 6);
}

TEST_F(DialectTest, TextComparesWithoutRegardToCase) {
    auto db = Database::open("Scheda_Cliente.mdb");
    auto rs = db.openRecordset("Select * From Scheda_Cliente Where Partito = 'S'");
    EXPECT_EQ(column(rs, "NumeroProgressivo"), (std::vector<std::string>{"11", "12"}));
    auto rs2 = db.openRecordset("Select * From Scheda_Cliente Where NomeCliente = 'ROSSI'");
    EXPECT_EQ(rs2.recordCount(), 1u);
    auto rs3 =
        db.openRecordset("Select * From Scheda_Cliente Where NomeCliente = " + quote(cp("àlvaro")));
    EXPECT_EQ(rs3.recordCount(), 1u);
    auto rs4 = db.openRecordset("Select * From Scheda_Cliente Where UCase(NomeCliente) = 'verdi'");
    EXPECT_EQ(rs4.recordCount(), 1u);
    EXPECT_TRUE(rs.findFirst("Partito = 's' and NomeCliente = 'VERDI'"));
    EXPECT_EQ(rs.field("NumeroProgressivo").toInt(), 12);
    EXPECT_TRUE(rs.findFirst("nomecliente = " + quote(cp("ROSSI"))));
}

TEST_F(DialectTest, RoomsCompareAsText) {
    auto db = Database::open("Scheda_Cliente.mdb");
    auto rs = db.openRecordset(
        "Select * From Scheda_Cliente Where NumeroCamera >= '1' and NumeroCamera <= '9' Order by "
        "NumeroCamera");
    EXPECT_EQ(column(rs, "NumeroCamera"), (std::vector<std::string>{"10", "101", "101", "102"}));
}

TEST_F(DialectTest, NotEqualAndNullAsJetDoes) {
    auto db = Database::open("Scheda_Cliente.mdb");
    // NULL <> 'x' is not true, '' is not NULL.
    auto rs =
        db.openRecordset("Select * From Scheda_Cliente Where DataPartenzaReale <> '20240304'");
    EXPECT_EQ(column(rs, "NumeroProgressivo"), (std::vector<std::string>{"12"}));
    auto rs2 = db.openRecordset("Select * From Scheda_Cliente Where DataPartenzaReale Is Null");
    EXPECT_EQ(rs2.recordCount(), 3u);
    auto rs3 = db.openRecordset("Select * From Scheda_Cliente Where DataPartenzaReale = ''");
    EXPECT_EQ(rs3.recordCount(), 1u);
    EXPECT_FALSE(rs3.findFirst("Lingua <> 'I'") && rs3.field("Lingua").isNull());
}

TEST_F(DialectTest, AccentedNamesAndBracketsAndCase) {
    auto db = Database::open("Scheda_Cliente.mdb");
    auto rs =
        db.openRecordset(cp("SELECT Quantità, [Quantità] AS Q2, QUANTITÀ FROM scheda_cliente "
                            "WHERE quantità > 3 ORDER BY Quantità DESC;"));
    EXPECT_EQ(rs.fieldName(0), cp("Quantità"));
    EXPECT_EQ(column(rs, "Q2"), (std::vector<std::string>{"5", "4"}));
    EXPECT_TRUE(rs.findFirst(cp("QUANTITÀ = 4")));
    EXPECT_EQ(rs.field(cp("quantità")).toInt(), 4);
}

TEST_F(DialectTest, OrderByOnSeveralFieldsThenTableOrder) {
    auto db = Database::open("Scheda_Cliente.mdb");
    auto rs = db.openRecordset("Select * From Scheda_Cliente Order by NumeroCamera,DataArrivo;");
    EXPECT_EQ(column(rs, "NumeroProgressivo"),
              (std::vector<std::string>{"13", "11", "12", "10", "14"}));
    // Ties keep the table's own order, whatever the index chosen.
    auto rs2 = db.openRecordset(
        "Select * From Scheda_Cliente Where DataArrivo >= '20240301' Order by DataArrivo");
    EXPECT_EQ(column(rs2, "NumeroProgressivo"),
              (std::vector<std::string>{"10", "14", "11", "12", "13"}));
    auto rs3 = db.openRecordset("Select * From Scheda_Cliente Where DataArrivo >= '20240301'");
    EXPECT_EQ(column(rs3, "NumeroProgressivo"),
              (std::vector<std::string>{"10", "11", "12", "13", "14"}));
    auto rs4 = db.openRecordset("Select * From Scheda_Cliente Order by DataArrivo Desc");
    EXPECT_EQ(column(rs4, "NumeroProgressivo"),
              (std::vector<std::string>{"12", "13", "11", "10", "14"}));
}

TEST_F(DialectTest, TableOrderIsRowOrderNotKeyOrder) {
    // Rows inserted out of key order, deleted and re-added: rowid order rules.
    runSql("Conto_Cliente.mdb",
           "CREATE TABLE Conto_Cliente (NumeroHotel SHORT, CodiceCliente LONG, "
           "DataAddebito TEXT(8) COLLATE NOCASE, NumeroRiga LONG);"
           "INSERT INTO Conto_Cliente VALUES (1, 30, '20240105', 1);"
           "INSERT INTO Conto_Cliente VALUES (1, 10, '20240105', 2);"
           "INSERT INTO Conto_Cliente VALUES (1, 20, '20240105', 3);"
           "INSERT INTO Conto_Cliente VALUES (1, 10, '20240104', 4);");
    auto db = Database::open("Conto_Cliente.mdb");
    auto rs = db.openRecordset(
        "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito = '20240105'");
    EXPECT_EQ(column(rs, "NumeroRiga"), (std::vector<std::string>{"1", "2", "3"}));
    auto rs2 = db.openRecordset(
        "Select * From Conto_Cliente Where CodiceCliente >= 10 Order by CodiceCliente");
    EXPECT_EQ(column(rs2, "NumeroRiga"), (std::vector<std::string>{"2", "4", "3", "1"}));
}

TEST_F(DialectTest, InSubqueryOnAnotherFile) {
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1}, {"Codice", 501}, {"Reparto", "IDS"}});
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1}, {"Codice", 502}, {"Reparto", "ids"}});
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1}, {"Codice", 10}, {"Reparto", "BAR"}});
    runSql("Conto_Cliente.mdb",
           "CREATE TABLE Conto_Cliente (NumeroHotel SHORT, CodiceCliente LONG, VoceAddebito SHORT,"
           " DataAddebito TEXT(8) COLLATE NOCASE, \"Quantità\" LONG, Importo CURRENCY);"
           "INSERT INTO Conto_Cliente VALUES (1, 10, 501, '20240302', 2, 4);"
           "INSERT INTO Conto_Cliente VALUES (1, 11, 501, '20240302', 1, 2);"
           "INSERT INTO Conto_Cliente VALUES (1, 12, 10, '20240302', 1, 5);"
           "INSERT INTO Conto_Cliente VALUES (1, 12, 502, '20240302', 1, 0);");
    std::filesystem::create_directories("Archivio");
    std::filesystem::copy_file("Scheda_Cliente.mdb", "Archivio/SchedaStoricoClienti.mdb");
    auto db = Database::open("conto_cliente.mdb");
    const std::string inner =
        " Where NumeroHotel = 1 and instr(Lingua,'*')=0  and NumeroCamera >= '1' and NumeroCamera "
        "<= '999' and DataArrivo <= '20240303' and ((Partito <> 'S' and DataPartenza > "
        "'20240303') or (Partito = 'S' and DataPartenzaReale > '20240303'))) Order by "
        "VoceAddebito;";
    const std::string head =
        "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito = '20240302' and "
        "VoceAddebito In (Select Codice From VociFattura In 'vocifattura.MDB' Where NumeroHotel = "
        "1 and Reparto = 'IDS') and CodiceCliente In (Select NumeroProgressivo From Scheda_Cliente "
        "In '";
    // Guest 10 is present on 03/03, 11 left on 04/03 but is '*', 12 has Partito 's' and a
    // blank real departure: not present.
    auto rs = db.openRecordset(head + "Scheda_Cliente.mdb'" + inner);
    EXPECT_EQ(column(rs, "CodiceCliente"), (std::vector<std::string>{"10"}));
    std::string full =
        std::filesystem::current_path().string() + "/archivio/SchedaStoricoClienti.mdb";
    auto rs2 = db.openRecordset(head + full + "'" + inner);
    EXPECT_EQ(column(rs2, "CodiceCliente"), (std::vector<std::string>{"10"}));
    std::string backslashes = full;
    for (char& c : backslashes)
        if (c == '/') c = '\\';
    auto rs3 = db.openRecordset(head + backslashes + "'" + inner);
    EXPECT_EQ(column(rs3, "CodiceCliente"), (std::vector<std::string>{"10"}));
    auto rs4 = db.openRecordset(
        "Select Sum(Importo) as Tot From Conto_Cliente Where VoceAddebito In (Select Codice From "
        "vocifattura in 'VociFattura.mdb' Where Reparto <> 'IDS')");
    EXPECT_EQ(rs4.field("Tot").toCurrency(), Currency::whole(5));
    try {
        db.openRecordset(head + "Manca.mdb'" + inner);
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("Manca.mdb"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists("Manca.mdb"));
}

TEST_F(DialectTest, SyntaxAndNameErrorsNameTheFile) {
    auto db = Database::open("Scheda_Cliente.mdb");
    for (const char* sql : {"Select * From Scheda_Cliente Where", "Select * From Nessuna",
                            "Select Nessuno From Scheda_Cliente",
                            "Select * From Scheda_Cliente "
                            "Where NomeCliente = 'x"}) {
        try {
            db.openRecordset(sql);
            ADD_FAILURE() << "no error for " << sql;
        } catch (const DbError& e) {
            EXPECT_EQ(e.file(), "Scheda_Cliente.mdb") << sql;
            EXPECT_EQ(e.sql(), sql);
        }
    }
    auto rs = db.openRecordset("Scheda_Cliente");
    EXPECT_THROW(rs.findFirst("Nessuno = 1"), DbError);
    EXPECT_THROW(rs.findFirst("NumeroHotel = "), DbError);
}

TEST_F(DialectTest, CriteriaOfTheReports) {
    auto db = Database::open("Scheda_Cliente.mdb");
    auto rs = db.openRecordset("Select * From Scheda_Cliente Order by NumeroProgressivo");
    std::vector<int> seen;
    for (bool f = rs.findFirst("NumeroHotel = 1"); f; f = rs.findNext("NumeroHotel = 1"))
        seen.push_back(static_cast<int>(rs.field("NumeroProgressivo").toInt()));
    EXPECT_EQ(seen, (std::vector<int>{10, 11, 12, 14}));
    EXPECT_TRUE(rs.noMatch());
    EXPECT_EQ(rs.field("NumeroProgressivo").toInt(), 14);  // unchanged by the failed find
    EXPECT_TRUE(
        rs.findFirst("NumeroHotel > 0 and Instr(Lingua,'*')=0 and DataArrivo >= '20240302' "
                     "and DataArrivo <= '20240303'"));
    EXPECT_EQ(rs.field("NumeroProgressivo").toInt(), 12);
    EXPECT_FALSE(rs.noMatch());
    EXPECT_TRUE(
        rs.findNext("NumeroHotel > 0 and Instr(Lingua,'*')=0 and DataArrivo >= '20240302' "
                    "and DataArrivo <= '20240303'"));
    EXPECT_EQ(rs.field("NumeroProgressivo").toInt(), 13);
    EXPECT_TRUE(rs.findFirst("numeroprogressivo = 11"));
    EXPECT_TRUE(rs.findFirst("NumeroProgressivo = 11.0"));
    EXPECT_TRUE(rs.findFirst("NumeroProgressivo = '11'"));
    EXPECT_FALSE(rs.findFirst("NumeroCamera = 1"));
    EXPECT_TRUE(rs.findFirst("NumeroCamera = 101"));
    EXPECT_TRUE(rs.findFirst("Lingua Is Null"));
    EXPECT_EQ(rs.field("NumeroProgressivo").toInt(), 14);
    EXPECT_TRUE(rs.findFirst("Not (NumeroHotel = 1) or Partito In ('x', 'S')"));
    EXPECT_EQ(rs.field("NumeroProgressivo").toInt(), 11);
    EXPECT_TRUE(rs.findFirst("NomeCliente Like 'ver*'"));
    EXPECT_EQ(rs.field("NumeroProgressivo").toInt(), 12);
}

}  // namespace
}  // namespace corvex::db
