#include "demo/demo.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using corvex::demo::Options;
using corvex::demo::Size;

namespace {

// A fresh temporary folder, removed at the end.
class TempDir {
  public:
    explicit TempDir(const std::string& tag) {
        static int counter = 0;
        path_ =
            fs::temp_directory_path() / ("corvex-demo-" + tag + "-" + std::to_string(::getpid()) +
                                         "-" + std::to_string(++counter));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

// Read-only access to one file of the folder through sqlite3 itself.
class Db {
  public:
    explicit Db(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path;
        }
    }
    ~Db() { sqlite3_close(db_); }

    // All rows of a query, each column as text ("NULL" for a null).
    std::vector<std::vector<std::string>> rows(const std::string& sql) const {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> r;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const auto* t = sqlite3_column_text(st, i);
                r.push_back(t ? reinterpret_cast<const char*>(t) : "NULL");
            }
            out.push_back(r);
        }
        sqlite3_finalize(st);
        return out;
    }
    std::string value(const std::string& sql) const {
        auto r = rows(sql);
        return r.empty() || r[0].empty() ? std::string() : r[0][0];
    }
    long long count(const std::string& sql) const { return std::stoll(value(sql)); }

  private:
    sqlite3* db_ = nullptr;
};

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(DemoGenerate, SmallFolderHasEveryFile) {
    TempDir dir("files");
    corvex::demo::generate(dir.path().string(), {Size::Small, 1});
    for (const char* name :
         {"Scheda_Cliente.mdb", "SchedaStoricoClienti.mdb", "Conto_Cliente.mdb",
          "ContoStoricoClienti.mdb", "VociFattura.mdb", "AnagraficaHotels.mdb", "Fatture.mdb",
          "CodiciIva.mdb", "CodiciVari.mdb", "Dettaglio.mdb", "Stampanti.mdb", "Contatori.mdb",
          "IdS.mdb", "CorrSetup.txt", "Parametri.txt"}) {
        EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
    }
}

TEST(DemoGenerate, SameSeedGivesIdenticalBytes) {
    TempDir a("same-a"), b("same-b"), c("other");
    corvex::demo::generate(a.path().string(), {Size::Small, 7});
    corvex::demo::generate(b.path().string(), {Size::Small, 7});
    corvex::demo::generate(c.path().string(), {Size::Small, 8});
    int files = 0;
    for (const auto& entry : fs::directory_iterator(a.path())) {
        const auto name = entry.path().filename();
        EXPECT_EQ(bytesOf(entry.path()), bytesOf(b.path() / name)) << name;
        ++files;
    }
    EXPECT_EQ(files, 15);
    EXPECT_NE(bytesOf(a.path() / "Scheda_Cliente.mdb"), bytesOf(c.path() / "Scheda_Cliente.mdb"));
}
