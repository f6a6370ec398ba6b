#include "settings/store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "demo/demo.h"

namespace fs = std::filesystem;

namespace {

// Runs a test inside a fresh temporary folder and restores the working
// directory afterwards.
class InTempDir {
  public:
    InTempDir() : previous_(fs::current_path()) {
        static int counter = 0;
        dir_ = fs::temp_directory_path() /
               ("corvex-store-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
    }
    ~InTempDir() {
        std::error_code ec;
        fs::current_path(previous_, ec);
        fs::remove_all(dir_, ec);
    }
    const fs::path& path() const { return dir_; }

  private:
    fs::path previous_, dir_;
};

std::vector<std::string> column(const std::string& file, const std::string& sql) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << file;
        sqlite3_close(db);
        return out;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            const auto* t = sqlite3_column_text(st, 0);
            out.push_back(t ? reinterpret_cast<const char*>(t) : "NULL");
        }
    } else {
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> fieldNames(const corvex::db::TableDef& def) {
    std::vector<std::string> out;
    for (const auto& f : def.fields) out.push_back(f.name);
    return out;
}

}  // namespace

TEST(CaricaImpostazioni, CreatesTheThreeEmptyTablesInOrder) {
    InTempDir here;
    corvex::CaricaImpostazioni();
    ASSERT_TRUE(fs::exists("IdS.mdb"));
    EXPECT_EQ(column("IdS.mdb",
                     "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY "
                     "rowid"),
              (std::vector<std::string>{"Generale", "VociIdS", "Periodi"}));
    for (const auto* def :
         {&corvex::tabellaGenerale(), &corvex::tabellaVociIdS(), &corvex::tabellaPeriodi()}) {
        EXPECT_EQ(column("IdS.mdb", "SELECT name FROM pragma_table_info('" + def->name + "')"),
                  fieldNames(*def))
            << def->name;
        EXPECT_EQ(column("IdS.mdb", "SELECT count(*) FROM " + def->name),
                  std::vector<std::string>{"0"})
            << def->name;
    }
    EXPECT_EQ(column("IdS.mdb", "SELECT type FROM pragma_table_info('Periodi')"),
              (std::vector<std::string>{"SHORT", "SHORT", "TEXT(8)", "TEXT(8)", "CURRENCY"}));
    // The engine opens it and finds the same tables.
    auto db = corvex::db::Database::open("IdS.mdb", corvex::db::Database::Mode::ReadWrite);
    EXPECT_EQ(db.tableNames(), (std::vector<std::string>{"Generale", "VociIdS", "Periodi"}));
}

TEST(CaricaImpostazioni, LeavesAnExistingFileUntouched) {
    InTempDir here;
    corvex::CaricaImpostazioni();
    const std::string first = bytesOf("IdS.mdb");
    const auto stamp = fs::last_write_time("IdS.mdb");
    corvex::CaricaImpostazioni();
    EXPECT_EQ(bytesOf("IdS.mdb"), first);
    EXPECT_EQ(fs::last_write_time("IdS.mdb"), stamp);
}

TEST(CaricaImpostazioni, MatchesTheNameWithoutRegardToCase) {
    InTempDir here;
    { std::ofstream("ids.mdb", std::ios::binary) << "settings of another program"; }
    corvex::CaricaImpostazioni();
    EXPECT_EQ(bytesOf("ids.mdb"), "settings of another program");
    EXPECT_EQ(std::distance(fs::directory_iterator(here.path()), fs::directory_iterator()), 1);
}

TEST(CaricaImpostazioni, LeavesAGenuineJetFileUntouched) {
    const fs::path jet = fs::path(CORVEX_SHARED_DIR) / "fixtures/jet-hotel/jet/IdS.mdb";
    if (!fs::exists(jet)) GTEST_SKIP() << "no Jet fixture at " << jet;
    InTempDir here;
    fs::copy_file(jet, "IdS.mdb");
    corvex::CaricaImpostazioni();
    EXPECT_EQ(bytesOf("IdS.mdb"), bytesOf(jet));
}

// The demo folder writes IdS.mdb with sqlite3 directly: its tables must be
// declared exactly as the engine declares them for CaricaImpostazioni.
TEST(CaricaImpostazioni, DemoSettingsHaveTheSameDeclarations) {
    InTempDir here;
    corvex::CaricaImpostazioni();
    corvex::demo::generate((here.path() / "demo").string(), {corvex::demo::Size::Small, 1});
    EXPECT_EQ(column("demo/IdS.mdb", "SELECT sql FROM sqlite_master ORDER BY rowid"),
              column("IdS.mdb", "SELECT sql FROM sqlite_master ORDER BY rowid"));
}
