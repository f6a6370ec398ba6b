// Compact recordset rows, and the reuse of read-only connections across
// Database objects: a reused connection must never show data older than the
// files on disk, nor files of another working folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <ctime>
#include <filesystem>

#include "data/engine/criterion.h"
#include "data/engine/database.h"
#include "engine_fixture.h"
#include "support/data_folder.h"

namespace corvex::db {
namespace {

using test::runSql;

// Sets a file's mtime `secondsAgo` in the past: files that have settled are
// the ones whose copy the engine remembers.
void age(const std::string& file, int secondsAgo) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = std::time(nullptr) - secondsAgo;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0) << file;
}

TEST(RowSetTest, EveryKindOfValueComesBackUnchanged) {
    const std::vector<Value> row = {Value(),
                                    Value(std::int64_t{0}),
                                    Value(std::int64_t{-1}),
                                    Value(std::int64_t{LLONG_MAX}),
                                    Value(std::int64_t{LLONG_MIN}),
                                    Value(Currency::fromUnits(-123456789)),
                                    Value(2.5),
                                    Value(-0.0),
                                    Value(std::string()),
                                    Value(std::string("Citt\xE0 d'Italia \x80 \x01")),
                                    Value(std::string(300, 'x'))};
    RowSet rows(row.size());
    rows.appendRow(row.data());
    rows.appendRow(row.data() + 0);
    std::vector<Value> out(row.size());
    for (std::size_t r = 0; r < 2; ++r) {
        rows.decodeRow(r, out.data());
        EXPECT_EQ(out, row) << "row " << r;
    }
    // Cell by cell through the offsets, and a chosen subset of columns.
    std::vector<std::uint32_t> offsets;
    rows.cellOffsets(1, offsets);
    for (std::size_t c = 0; c < row.size(); ++c) {
        Value v("stale text");
        rows.decodeCell(1, offsets[c], v);
        EXPECT_EQ(v, row[c]) << "column " << c;
    }
    std::vector<Value> some(row.size(), Value("untouched"));
    rows.decode(0, {1, 5, 9}, some.data());
    EXPECT_EQ(some[1], row[1]);
    EXPECT_EQ(some[5], row[5]);
    EXPECT_EQ(some[9], row[9]);
    EXPECT_EQ(some[0], Value("untouched"));
}

TEST(RowSetTest, ReplacedRowKeepsItsPlaceAndKindsOnlyWiden) {
    RowSet rows(2);
    std::vector<Value> a = {Value("text"), Value()};
    std::vector<Value> b = {Value(std::int64_t{7}), Value()};
    rows.appendRow(a.data());
    rows.appendRow(a.data());
    EXPECT_EQ(rows.kind(0), RowSet::Kind::Text);
    EXPECT_EQ(rows.kind(1), RowSet::Kind::Empty);
    rows.replaceRow(0, b.data());
    std::vector<Value> out(2);
    rows.decodeRow(0, out.data());
    EXPECT_EQ(out, b);
    rows.decodeRow(1, out.data());
    EXPECT_EQ(out, a);
    EXPECT_EQ(rows.kind(0), RowSet::Kind::Mixed);
    rows.markDeleted(1);
    EXPECT_TRUE(rows.deleted(1));
    EXPECT_FALSE(rows.deleted(0));
}

class PoolTest : public test::EngineTest {
  protected:
    void makeFiles() {
        runSql("Scheda_Cliente.mdb",
               "CREATE TABLE Scheda_Cliente (NumeroHotel SHORT, NumeroProgressivo LONG, "
               "NomeCliente TEXT(20) COLLATE NOCASE); INSERT INTO Scheda_Cliente VALUES (1, 1, "
               "'Rossi'), (1, 2, 'Bianchi');");
        runSql("Conto_Cliente.mdb",
               "CREATE TABLE Conto_Cliente (NumeroHotel SHORT, CodiceCliente LONG, Importo "
               "CURRENCY); INSERT INTO Conto_Cliente VALUES (1, 1, 10), (1, 2, 20), (1, 3, 30);");
        age("Scheda_Cliente.mdb", 3600);
        age("Conto_Cliente.mdb", 3600);
    }
    static std::size_t charges(const std::string& conto) {
        auto db = Database::open(conto);
        return db
            .openRecordset(
                "Select * From Conto_Cliente Where CodiceCliente In (Select "
                "NumeroProgressivo From Scheda_Cliente In 'Scheda_Cliente.mdb')")
            .recordCount();
    }
};

TEST_F(PoolTest, ReopenedFileSeesAChangedAttachedFile) {
    makeFiles();
    EXPECT_EQ(charges("Conto_Cliente.mdb"), 2u);
    EXPECT_EQ(charges("Conto_Cliente.mdb"), 2u);  // served by the pooled connection
    runSql("Scheda_Cliente.mdb", "INSERT INTO Scheda_Cliente VALUES (1, 3, 'Verdi')");
    age("Scheda_Cliente.mdb", 1800);
    EXPECT_EQ(charges("Conto_Cliente.mdb"), 3u);
}

TEST_F(PoolTest, ReopenedFileSeesItsOwnChangeOfSameSize) {
    makeFiles();
    auto name = [] {
        auto db = Database::open("Scheda_Cliente.mdb");
        auto rs = db.openRecordset("Select * From Scheda_Cliente Order by NumeroProgressivo");
        return rs.field("NomeCliente").toText();
    };
    EXPECT_EQ(name(), "Rossi");
    auto size = std::filesystem::file_size("Scheda_Cliente.mdb");
    runSql("Scheda_Cliente.mdb",
           "UPDATE Scheda_Cliente SET NomeCliente = 'Russo' WHERE NumeroProgressivo = 1");
    ASSERT_EQ(std::filesystem::file_size("Scheda_Cliente.mdb"), size);
    age("Scheda_Cliente.mdb", 1800);
    EXPECT_EQ(name(), "Russo");
}

TEST_F(PoolTest, AttachedNamesFollowTheWorkingFolder) {
    makeFiles();
    const std::string conto = folder().path() + "/Conto_Cliente.mdb";
    EXPECT_EQ(charges(conto), 2u);
    {
        // Same main file by its full path, another folder's Scheda_Cliente.
        test::TempDataFolder other;
        runSql("Scheda_Cliente.mdb",
               "CREATE TABLE Scheda_Cliente (NumeroHotel SHORT, NumeroProgressivo LONG, "
               "NomeCliente TEXT(20) COLLATE NOCASE); INSERT INTO Scheda_Cliente VALUES (1, 3, "
               "'Verdi');");
        age("Scheda_Cliente.mdb", 3600);
        EXPECT_EQ(charges(conto), 1u);
    }
    EXPECT_EQ(charges(conto), 2u);
}

TEST_F(PoolTest, TwoOpenDatabasesOnOneFileDoNotShareAConnection) {
    makeFiles();
    auto a = Database::open("Conto_Cliente.mdb");
    auto b = Database::open("Conto_Cliente.mdb");
    auto ra = a.openRecordset("Select * From Conto_Cliente Where Importo > 15");
    a.close();  // the recordset keeps its rows
    auto rb = b.openRecordset("Select * From Conto_Cliente Where Importo > 25");
    EXPECT_EQ(ra.recordCount(), 2u);
    EXPECT_EQ(rb.recordCount(), 1u);
    ASSERT_TRUE(ra.findFirst("CodiceCliente = 3"));
    EXPECT_EQ(ra.field("Importo").toCurrency(), Currency::whole(30));
}

TEST_F(PoolTest, FieldShowsTheCurrentRowAfterEveryMove) {
    makeFiles();
    auto db = Database::open("Conto_Cliente.mdb");
    auto rs = db.openRecordset("Select * From Conto_Cliente Order by CodiceCliente");
    std::vector<std::int64_t> seen;
    for (; !rs.eof(); rs.moveNext()) {
        seen.push_back(rs.field("CodiceCliente").toInt());
        EXPECT_EQ(rs.field(std::size_t{2}).toCurrency(),
                  Currency::whole(10 * rs.field("CodiceCliente").toInt()));
    }
    EXPECT_EQ(seen, (std::vector<std::int64_t>{1, 2, 3}));
    ASSERT_TRUE(rs.findFirst("Importo = 20"));
    EXPECT_EQ(rs.field("CodiceCliente").toInt(), 2);
    rs.moveFirst();
    EXPECT_EQ(rs.field("CodiceCliente").toInt(), 1);
}

}  // namespace
}  // namespace corvex::db
