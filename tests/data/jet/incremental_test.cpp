// A changed Jet file is read again only where its pages changed, and the
// copy made that way holds what a copy made from scratch holds; the
// background refresh makes the copies a report then finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "data/engine/copy_cache.h"
#include "data/engine/copy_refresh.h"
#include "data/engine/database.h"
#include "data/engine/jet_cache.h"
#include "jet_support.h"
#include "reports/reports.h"
#include "support/fake_io.h"
#include "support/jet_edit.h"

namespace corvex::test::jet {
namespace {

void settle(const fs::path& file) {
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

// What the engine reads from a copy: every table's rows in rowid order, the
// planner's statistics and the stay spans.
std::map<std::string, std::vector<std::string>> contentOf(const fs::path& copy) {
    std::map<std::string, std::vector<std::string>> out;
    for (const Row& t : query(copy,
                              "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                              "LIKE 'sqlite%' AND name NOT LIKE 'corvex%'")) {
        auto& rows = out[show(t[0])];
        for (const Row& r :
             query(copy, "SELECT rowid, * FROM \"" + show(t[0]) + "\" ORDER BY rowid"))
            rows.push_back(joined(r));
    }
    for (const char* extra :
         {"SELECT * FROM sqlite_stat1 WHERE tbl NOT LIKE 'corvex%' ORDER BY 1, 2",
          "SELECT * FROM corvex_span ORDER BY 1, 2",
          "SELECT name, sql FROM sqlite_master WHERE type = 'index' ORDER BY 1"})
        for (const Row& r : query(copy, extra)) out[extra].push_back(joined(r));
    return out;
}

// Changes a letter on a page of one of the copy's tables (jet_edit.h).
long changeUserPage(const fs::path& file, const std::string& copy, int skip = 0) {
    std::set<long> pages;
    for (const Row& r : query(copy, "SELECT page FROM corvex_pages")) pages.insert(r[0].i);
    return changeOneLetter(
        file, [&](long p) { return pages.count(p) > 0; }, skip);
}

class Incremental : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(hotelFixtures() / "jet") || !fs::exists(jetFixtures()))
            GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
        useBuiltImporter(importer_);
        cacheEnv_ = std::make_unique<ScopedEnv>("CORVEX_CACHE", cache_.path().string());
    }
    fs::path copyIn(const fs::path& from) {
        const fs::path dest = data_ / from.filename();
        fs::copy_file(from, dest, fs::copy_options::overwrite_existing);
        fs::permissions(dest, fs::perms::owner_read | fs::perms::owner_write);
        settle(dest);
        return dest;
    }
    // The copy made from scratch, in a cache folder of its own.
    static std::string freshCopy(const fs::path& file) {
        ScratchDir other;
        ScopedEnv env("CORVEX_CACHE", other.path().string());
        const std::string copy = db::jetCachedCopy(file.string());
        const fs::path kept = fs::path(copy).parent_path().parent_path() /
                              ("fresh-" + fs::path(copy).filename().string());
        fs::copy_file(copy, kept, fs::copy_options::overwrite_existing);
        return kept.string();
    }
    std::size_t cacheFiles() const {
        std::size_t n = 0;
        for ([[maybe_unused]] auto& e : fs::directory_iterator(cache_.path())) ++n;
        return n;
    }

    std::optional<ScopedEnv> importer_;
    ScratchDir data_, cache_;
    std::unique_ptr<ScopedEnv> cacheEnv_;
};

// One row per file: four tables (Fatture), rows moved behind forwarding
// pointers (overflow, Jet4), a Jet3 file.
struct EditCase {
    const char* name;
    fs::path (*file)();
};
const EditCase kEdits[] = {
    {"HotelInvoices", [] { return hotelFixtures() / "jet" / "Fatture.mdb"; }},
    {"MovedRowsJet4", [] { return jetFixtures() / "overflowTestV2000.mdb"; }},
    {"Jet3", [] { return jetFixtures() / "nwind.mdb"; }},
};

TEST_F(Incremental, OnlyTheChangedPageIsReadAndTheCopyEqualsAFreshOne) {
    for (const EditCase& c : kEdits) {
        SCOPED_TRACE(c.name);
        const fs::path file = copyIn(c.file());
        std::string copy = db::jetCachedCopy(file.string());
        const std::string pages = scalar(copy, "SELECT value FROM corvex_meta WHERE key='pages'");
        EXPECT_EQ(scalar(copy, "SELECT value FROM corvex_meta WHERE key='decoded'"), pages);
        for (int edit = 0; edit < 2; ++edit) {
            ASSERT_GT(changeUserPage(file, copy), 0);
            settle(file);
            const std::string next = db::jetCachedCopy(file.string());
            ASSERT_NE(next, copy);
            copy = next;
            EXPECT_EQ(scalar(next, "SELECT value FROM corvex_meta WHERE key='decoded'"), "1");
            EXPECT_EQ(contentOf(next), contentOf(freshCopy(file)));
        }
    }
}

TEST_F(Incremental, FiftyChangesLeaveOneCopyAndTheLastState) {
    const fs::path file = copyIn(hotelFixtures() / "jet" / "Fatture.mdb");
    std::string copy = db::jetCachedCopy(file.string());
    for (int i = 0; i < 50; ++i) {
        ASSERT_GT(changeUserPage(file, copy, i % 7), 0);
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(50 - i));
        copy = db::jetCachedCopy(file.string());
        EXPECT_EQ(cacheFiles(), 1u);
    }
    EXPECT_EQ(contentOf(copy), contentOf(freshCopy(file)));
}

// The hotel's files after deletions and rows grown out of their pages: rows
// gone, moved behind forwarding pointers, pages added.
TEST_F(Incremental, AnAgedVersionOfTheSameFileGivesWhatAFreshCopyGives) {
    const fs::path aged = sharedDir() / "fixtures" / "jet-aged" / "jet";
    if (!fs::exists(aged)) GTEST_SKIP() << "jet-aged fixture not found";
    for (const char* name : {"Conto_Cliente.mdb", "Scheda_Cliente.mdb"}) {
        SCOPED_TRACE(name);
        const fs::path file = copyIn(hotelFixtures() / "jet" / name);
        db::jetCachedCopy(file.string());
        fs::copy_file(aged / name, file, fs::copy_options::overwrite_existing);
        settle(file);
        const std::string copy = db::jetCachedCopy(file.string());
        EXPECT_EQ(contentOf(copy), contentOf(freshCopy(file)));
    }
}

TEST_F(Incremental, AnotherFileUnderTheSameNameIsCopiedWhole) {
    const fs::path file = copyIn(hotelFixtures() / "jet" / "Fatture.mdb");
    db::jetCachedCopy(file.string());
    fs::copy_file(hotelFixtures() / "jet" / "Dettaglio.mdb", file,
                  fs::copy_options::overwrite_existing);
    settle(file);
    const std::string copy = db::jetCachedCopy(file.string());
    EXPECT_EQ(scalar(copy, "SELECT value FROM corvex_meta WHERE key='decoded'"),
              scalar(copy, "SELECT value FROM corvex_meta WHERE key='pages'"));
    EXPECT_EQ(contentOf(copy), contentOf(freshCopy(file)));
}

// The cash table of March 2024 run in folder: the report file's bytes.
std::string cashTable(const fs::path& folder) {
    const fs::path back = fs::current_path();
    fs::current_path(folder);
    ::unsetenv("PCLocal");
    ReportRequest r;
    r.dal = "01/03/2024";
    r.al = "31/03/2024";
    FakeIo io;
    try {
        StampaCassa(r, io);
    } catch (...) {
        fs::current_path(back);
        throw;
    }
    fs::current_path(back);
    std::ifstream in(folder / "fd0", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(Incremental, BackgroundRefreshMakesTheCopiesAndAReportMeanwhileWaitsForThem) {
    ScratchDir alone, aloneCache;
    for (const auto& e : fs::directory_iterator(hotelFixtures() / "jet")) {
        copyIn(e.path());
        fs::copy_file(e.path(), alone / e.path().filename().string());
    }
    std::string expected;
    {
        ScopedEnv env("CORVEX_CACHE", aloneCache.path().string());
        expected = cashTable(alone.path());
    }
    ASSERT_GT(expected.size(), 1000u);
    std::vector<std::string> said;
    std::mutex saidMutex;
    {
        db::CopyRefresh refresh([&](const std::string& file) {
            std::lock_guard lock(saidMutex);
            said.push_back(file);
        });
        refresh.refresh(data_.path().string());
        // Started while the workers import: waits for each copy it needs.
        EXPECT_EQ(cashTable(data_.path()), expected);
        refresh.wait();
        const std::size_t files = cacheFiles();
        EXPECT_EQ(files, 11u);
        // Nothing changed: a second round makes no copy.
        refresh.refresh(data_.path().string());
        refresh.wait();
        EXPECT_EQ(refresh.done(), 22u);
        EXPECT_EQ(cacheFiles(), files);
    }
    std::lock_guard lock(saidMutex);
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.back(), "");
    EXPECT_NE(std::find(said.begin(), said.end(), "Fatture.mdb"), said.end());
}

TEST_F(Incremental, RefreshNeverChangesTheSnapshotOfARunningReport) {
    const fs::path file = copyIn(hotelFixtures() / "jet" / "Fatture.mdb");
    db::SnapshotScope run;
    bool jet = false;
    const std::string pinned = db::readableCopy(file.string(), "Fatture.mdb", jet);
    ASSERT_GT(changeUserPage(file, pinned), 0);
    settle(file);
    db::CopyRefresh refresh(nullptr, 1);
    refresh.refreshFile(file.string());
    refresh.wait();
    // The new copy is made, the run's copy stays and is still the one it reads.
    EXPECT_EQ(cacheFiles(), 2u);
    EXPECT_EQ(db::readableCopy(file.string(), "Fatture.mdb", jet), pinned);
}

}  // namespace
}  // namespace corvex::test::jet
