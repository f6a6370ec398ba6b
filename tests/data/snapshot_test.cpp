// The guest snapshot SchClienti.mdb: its table and the copy of a register row.

#include "data/snapshot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "common/text.h"
#include "reports/interaction.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

using test::insertRow;

TEST(SchClienti, CreatedWithTheFiftyFourFieldsInOrder) {
    test::TempDataFolder dir;
    CreaSchClienti();
    db::Database s = db::Database::open(kFileSchClienti, db::Database::Mode::ReadWrite);
    db::Recordset rs = s.openRecordset("SchClienti");
    ASSERT_EQ(rs.fieldCount(), 54u);
    EXPECT_EQ(rs.fieldName(0), "NumeroHotel");
    EXPECT_EQ(rs.fieldName(7), "NumeroCamera");
    EXPECT_EQ(rs.fieldName(32), "DataPartenzaReale");
    EXPECT_EQ(rs.fieldName(48), "Food");
    EXPECT_EQ(rs.fieldName(53), "CodIDS");
    EXPECT_EQ(rs.recordCount(), 0u);
}

std::size_t rowsIn(const std::string& file) {
    db::Database s = db::Database::open(file, db::Database::Mode::ReadWrite);
    return s.openRecordset("SchClienti").recordCount();
}

TEST(SchClienti, ExistingSnapshotIsLeftAsItIsUntilANewOneIsPublished) {
    test::TempDataFolder dir;
    CreaSchClienti();
    test::runSql(kFileSchClienti, "INSERT INTO SchClienti (NumeroHotel) VALUES (1)");
    CreaSchClienti();
    EXPECT_EQ(rowsIn(kFileSchClienti), 1u);
    {
        NuovoSchClienti nuovo;  // abandoned: a failed or cancelled report
        test::runSql(nuovo.percorso(), "INSERT INTO SchClienti (NumeroHotel) VALUES (2)");
    }
    EXPECT_EQ(rowsIn(kFileSchClienti), 1u);
    {
        NuovoSchClienti nuovo;
        EXPECT_EQ(rowsIn(nuovo.percorso()), 0u);
        EXPECT_EQ(rowsIn(kFileSchClienti), 1u);  // readers still see the complete one
        nuovo.pubblica();
    }
    EXPECT_EQ(rowsIn(kFileSchClienti), 0u);
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == kFileSchClienti || name == "SchClienti.lck") << name;
    }
}

TEST(SchClienti, OneWriterAtATime) {
    test::TempDataFolder dir;
    auto primo = std::make_unique<NuovoSchClienti>();
    try {
        NuovoSchClienti secondo(std::chrono::milliseconds(200));
        ADD_FAILURE() << "two writers at once";
    } catch (const ReportError& e) {
        EXPECT_NE(std::string(e.what()).find("SchClienti.mdb in uso da un'altra postazione"),
                  std::string::npos);
    }
    primo.reset();
    NuovoSchClienti terzo(std::chrono::milliseconds(200));
    terzo.pubblica();
    EXPECT_EQ(rowsIn(kFileSchClienti), 0u);
}

class SnapshotRow : public ::testing::Test {
  protected:
    void SetUp() override {
        insertRow("Scheda_Cliente.mdb", "Scheda_Cliente",
                  {{"NumeroHotel", 1},
                   {"NumeroProgressivo", 42},
                   {"NomeCliente", "Müller Jörg"},
                   {"NumeroCamera", "101"},
                   {"DataArrivo", "20240312"},
                   {"DataPartenzaReale", test::Null},
                   {"Food", 9},
                   {"CodIDS", 3}});
        // Real installations carry fields the snapshot does not have.
        test::runSql("Scheda_Cliente.mdb",
                     "ALTER TABLE Scheda_Cliente ADD COLUMN CampoExtra TEXT(10)");
        test::runSql("Scheda_Cliente.mdb", "UPDATE Scheda_Cliente SET CampoExtra = 'x'");
        CreaSchClienti();
    }

    test::TempDataFolder dir;
};

TEST_F(SnapshotRow, CopiesTheFieldsItHasByNameAndSetsFood) {
    {
        db::Database src = db::Database::open("Scheda_Cliente.mdb");
        db::Recordset g = src.openRecordset("Select * From Scheda_Cliente");
        ASSERT_TRUE(g.findFirst("NumeroHotel = 1"));
        db::Database s = db::Database::open(kFileSchClienti, db::Database::Mode::ReadWrite);
        db::Recordset snap = s.openRecordset("SchClienti");
        AggiungiRigaSnapshot(snap, g, 5);
    }
    db::Database s = db::Database::open(kFileSchClienti, db::Database::Mode::ReadWrite);
    db::Recordset rs = s.openRecordset("SchClienti");
    ASSERT_EQ(rs.recordCount(), 1u);
    rs.moveFirst();
    EXPECT_EQ(rs.field("NumeroProgressivo").toInt(), 42);
    EXPECT_EQ(rs.field("NomeCliente").toText(), cp("Müller Jörg"));
    EXPECT_EQ(rs.field("NumeroCamera").toText(), "101");
    EXPECT_EQ(rs.field("DataArrivo").toText(), "20240312");
    EXPECT_TRUE(rs.field("DataPartenzaReale").isNull());
    EXPECT_EQ(rs.field("CodIDS").toInt(), 3);
    EXPECT_EQ(rs.field("Food").toInt(), 5);  // the count, not the register's value
    EXPECT_FALSE(rs.hasField("CampoExtra"));
}

TEST_F(SnapshotRow, FoodOutsideSixteenBitsIsRefusedAndAddsNoRow) {
    {
        db::Database src = db::Database::open("Scheda_Cliente.mdb");
        db::Recordset g = src.openRecordset("Select * From Scheda_Cliente");
        ASSERT_TRUE(g.findFirst("NumeroHotel = 1"));
        db::Database s = db::Database::open(kFileSchClienti, db::Database::Mode::ReadWrite);
        db::Recordset snap = s.openRecordset("SchClienti");
        EXPECT_THROW(AggiungiRigaSnapshot(snap, g, 32768), ReportError);
        EXPECT_THROW(AggiungiRigaSnapshot(snap, g, -32769), ReportError);
        AggiungiRigaSnapshot(snap, g, -32768);
    }
    db::Database s = db::Database::open(kFileSchClienti, db::Database::Mode::ReadWrite);
    db::Recordset rs = s.openRecordset("SchClienti");
    ASSERT_EQ(rs.recordCount(), 1u);
    rs.moveFirst();
    EXPECT_EQ(rs.field("Food").toInt(), -32768);
}

}  // namespace
}  // namespace corvex
