// The three fiscal reports give the same report file, byte for byte, on the
// SQLite data folder and on its genuine Jet4 twin.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/engine/database.h"
#include "data/engine/error.h"
#include "reports/fiscal/fiscal_support.h"
#include "reports/reports.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

namespace fs = std::filesystem;

std::string leggi(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Caso {
    const char* dal;
    const char* al;
    const char* prima;
    const char* ultima;
    int contatore;
    const char* tipo;
    bool prepagati;
};

class FiscalJetTwin : public ::testing::Test {
  protected:
    void SetUp() override {
        const fs::path shared = fs::path(CORVEX_SHARED_DIR) / "fixtures" / "jet-hotel";
        if (!fs::exists(shared / "sqlite") || !fs::exists(shared / "jet")) {
            GTEST_SKIP() << "shared fixtures not found at " << shared;
        }
        for (const char* lato : {"sqlite", "jet"}) {
            fs::create_directory(lato);
            for (const auto& e : fs::directory_iterator(shared / lato)) {
                fs::copy_file(e.path(), fs::path(lato) / e.path().filename());
                fs::permissions(fs::path(lato) / e.path().filename(), fs::perms::owner_write,
                                fs::perm_options::add);
            }
        }
        try {
            db::Database::open("jet/Fatture.mdb", db::Database::Mode::ReadOnly);
        } catch (const db::DbError& e) {
            GTEST_SKIP() << "Jet files cannot be read here: " << e.what();
        }
    }

    // Runs the report in one folder and returns its report file.
    template <class Fn>
    std::string esegui(const char* lato, Fn&& fn) {
        const fs::path prima = fs::current_path();
        fs::current_path(lato);
        std::string out;
        try {
            fn();
            out = leggi("fd0");
        } catch (...) {
            fs::current_path(prima);
            throw;
        }
        fs::current_path(prima);
        return out;
    }

    test::TempDataFolder dir_;
};

const Caso kCasi[] = {
    {"01/03/2024", "31/03/2024", "", "ZZZZZZ", 0, " ", false},
    {"15/04/2024", "20/05/2024", "101", "205", 1, "R", false},
    {"01/06/2024", "30/06/2024", "", "ZZZZZZ", 2, "F", true},
    {"01/01/2024", "31/12/2024", "", "ZZZZZZ", 0, " ", true},
    {"10/08/2024", "10/08/2024", "2", "3", 0, "r", false},
};

ReportRequest richiesta(const Caso& c) {
    ReportRequest r;
    r.dal = c.dal;
    r.al = c.al;
    r.primaCamera = c.prima;
    r.ultimaCamera = c.ultima;
    r.contatore = c.contatore;
    r.tipoDocumento = c.tipo;
    r.soloPrepagamenti = c.prepagati;
    return r;
}

TEST_F(FiscalJetTwin, TaxDetailIsTheSameOnBothFolders) {
    for (const Caso& c : kCasi) {
        auto run = [&] {
            test::FakeIo io;
            StampaDettaglioImposta(richiesta(c), io);
        };
        const std::string a = esegui("sqlite", run);
        EXPECT_GT(a.size(), 0u);
        EXPECT_EQ(a, esegui("jet", run)) << c.dal << " " << c.al;
    }
}

TEST_F(FiscalJetTwin, TakingsRegisterIsTheSameOnBothFolders) {
    for (const Caso& c : kCasi) {
        auto run = [&] {
            test::FakeIo io;
            io.answers = {std::to_string(c.contatore)};
            io.confirmations = {true, false};
            StampaCorrispettivi(richiesta(c), io);
        };
        EXPECT_EQ(esegui("sqlite", run), esegui("jet", run)) << c.dal << " " << c.al;
    }
}

TEST_F(FiscalJetTwin, CashTableIsTheSameOnBothFolders) {
    for (const Caso& c : kCasi) {
        auto run = [&] {
            test::FakeIo io;
            const ReportResult r = StampaCassa(richiesta(c), io);
            EXPECT_TRUE(r.skipped.empty()) << r.skipped.front();
        };
        EXPECT_EQ(esegui("sqlite", run), esegui("jet", run)) << c.dal << " " << c.al;
    }
}

}  // namespace
}  // namespace corvex
