// The cache folder under churn and damage: whole pages only, no torn Jet
// copy, one private copy per source file, a bounded folder, failures blamed
// on what failed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "data/engine/cache_folder.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "jet_support.h"
#include "support/data_folder.h"

namespace corvex::test::jet {
namespace {

void age(const fs::path& file, int secondsAgo) {
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::seconds(secondsAgo));
}

// The cause of the DbError that opening and reading the file gives; empty
// when it reads.
std::string openError(const fs::path& file, const std::string& table = "") {
    try {
        auto db = db::Database::open(file.string());
        if (!table.empty()) db.openRecordset("Select * From " + table);
        return {};
    } catch (const db::DbError& e) {
        return e.what();
    }
}

std::size_t countRows(const fs::path& file, const std::string& table) {
    auto db = db::Database::open(file.string());
    return db.openRecordset(table).recordCount();
}

class CacheFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        useBuiltImporter(importer_);
        cacheEnv_ = std::make_unique<ScopedEnv>("CORVEX_CACHE", cache_.path().string());
    }
    bool haveFixtures() const { return fs::exists(hotelFixtures() / "jet"); }
    fs::path copyIn(const std::string& format, const std::string& name, int secondsAgo = 3600) {
        const fs::path dest = data_ / (format + "-" + name);
        fs::copy_file(hotelFixtures() / format / name, dest, fs::copy_options::overwrite_existing);
        fs::permissions(dest, fs::perms::owner_read | fs::perms::owner_write);
        age(dest, secondsAgo);
        return dest;
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(cache_.path())) out.push_back(e.path().filename());
        return out;
    }
    void useImporter(const std::string& script) {
        const fs::path exe = data_ / ("importer" + std::to_string(++scripts_) + ".sh");
        std::ofstream(exe) << "#!/bin/sh\n" << script << "\n";
        fs::permissions(exe, fs::perms::owner_all);
        fake_.emplace("CORVEX_JETIMPORT", exe.string());
    }
    // The importer the engine would run without a stand-in.
    std::string realImporter() const {
        if (importer_) return std::string(CORVEX_BINARY_DIR) + "/corvex-jetimport";
        return (fs::read_symlink("/proc/self/exe").parent_path() / "corvex-jetimport").string();
    }

    std::optional<ScopedEnv> importer_;
    std::optional<ScopedEnv> fake_;
    int scripts_ = 0;
    ScratchDir data_;
    ScratchDir cache_;
    std::unique_ptr<ScopedEnv> cacheEnv_;
};

TEST_F(CacheFolder, FileCutShortIsRefusedOnBothFormats) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    struct Row {
        const char* format;
        std::uintmax_t cut;  // bytes taken off the end
    } rows[] = {{"jet", 1}, {"sqlite", 1}, {"sqlite", 4096}};
    for (const Row& r : rows) {
        const fs::path file = copyIn(r.format, "Conto_Cliente.mdb");
        EXPECT_EQ(openError(file), "") << r.format;
        fs::resize_file(file, fs::file_size(file) - r.cut);
        age(file, 3000);
        EXPECT_NE(openError(file).find("file danneggiato o incompleto"), std::string::npos)
            << r.format << " " << r.cut << ": " << openError(file);
    }
}

TEST_F(CacheFolder, FolderOrDeviceInPlaceOfAFileIsNamed) {
    fs::create_directory(data_ / "Fatture.mdb");
    ASSERT_EQ(mkfifo((data_ / "Conto_Cliente.mdb").c_str(), 0600), 0);
    EXPECT_NE(openError(data_ / "Fatture.mdb").find("è una cartella"), std::string::npos);
    EXPECT_NE(openError(data_ / "Conto_Cliente.mdb").find("dispositivo"), std::string::npos);
    EXPECT_NE(openError(data_ / "Missing.mdb").find("file non trovato"), std::string::npos);
}

TEST_F(CacheFolder, JetFileWithoutTheSuiteTablesIsNamedAsSuch) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    const std::string msg = openError(jetFixtures() / "nwind.mdb", "Conto_Cliente");
    EXPECT_NE(msg.find("database Jet danneggiato o di un altro programma"), std::string::npos)
        << msg;
}

TEST_F(CacheFolder, JetFileWrittenDuringTheImportIsReadAgain) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    const fs::path file = copyIn("jet", "AnagraficaHotels.mdb");
    // The first read sees the file change under it; the second does not.
    const fs::path mark = data_ / "changed-once";
    useImporter("if [ ! -e '" + mark.string() + "' ]; then touch '" + mark.string() +
                "' \"$1\"; fi\nexec '" + realImporter() + "' \"$@\"");
    EXPECT_EQ(countRows(file, "AnagraficaHotels"), 1u);
    // A file that changes during every read gives up with a clear message.
    useImporter("touch \"$1\"\nexec '" + realImporter() + "' \"$@\"");
    age(file, 100);
    const std::string msg = openError(file);
    EXPECT_NE(msg.find("il file è in scrittura, riprovare"), std::string::npos) << msg;
    for (const auto& name : entries()) EXPECT_EQ(name.find("tmp-"), std::string::npos) << name;
}

TEST_F(CacheFolder, FileRewrittenPageByPageGivesOneVersionOrTheMessage) {
    const fs::path aged = sharedDir() / "fixtures" / "jet-aged";
    if (!haveFixtures() || !fs::exists(aged)) GTEST_SKIP() << "shared fixtures not found";
    auto bytes = [](const fs::path& f) {
        std::ifstream in(f, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string versions[2] = {bytes(hotelFixtures() / "jet" / "Conto_Cliente.mdb"),
                                     bytes(aged / "jet" / "Conto_Cliente.mdb")};
    const std::size_t counts[2] = {
        countRows(hotelFixtures() / "sqlite" / "Conto_Cliente.mdb", "Conto_Cliente"),
        countRows(aged / "sqlite" / "Conto_Cliente.mdb", "Conto_Cliente")};
    const fs::path file = data_ / "Conto_Cliente.mdb";
    std::ofstream(file, std::ios::binary) << versions[0];
    std::atomic<bool> stop{false};
    // The suite rewriting the file in place, page by page, from one version
    // to the other and back.
    std::thread writer([&] {
        const int fd = ::open(file.c_str(), O_WRONLY);
        for (int v = 1; !stop; v ^= 1) {
            const std::string& to = versions[v];
            if (::ftruncate(fd, static_cast<off_t>(to.size())) != 0) break;
            for (std::size_t at = 0; at < to.size() && !stop; at += 4096) {
                if (::pwrite(fd, to.data() + at, 4096, static_cast<off_t>(at)) != 4096) break;
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(v ? 5 : 400));
        }
        ::close(fd);
    });
    int whole = 0;
    for (int i = 0; i < 8; ++i) {
        try {
            const std::size_t n = countRows(file, "Conto_Cliente");
            EXPECT_TRUE(n == counts[0] || n == counts[1]) << n;
            ++whole;
        } catch (const db::DbError& e) {
            EXPECT_NE(std::string(e.what()).find("il file è in scrittura, riprovare"),
                      std::string::npos)
                << e.what();
        }
    }
    stop = true;
    writer.join();
    RecordProperty("whole_reads", whole);
}

TEST_F(CacheFolder, ManyChangesLeaveOneCopyPerSource) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    const fs::path jet = copyIn("jet", "AnagraficaHotels.mdb");
    const fs::path sqlite = copyIn("sqlite", "CodiciIva.mdb");
    for (int i = 0; i < 50; ++i) {
        age(jet, 3600 - i);
        age(sqlite, 3600 - i);
        ASSERT_EQ(countRows(jet, "AnagraficaHotels"), 1u) << i;
        ASSERT_EQ(countRows(sqlite, "CodiciIva"), 7u) << i;
    }
    EXPECT_EQ(entries().size(), 2u);
    // Private copies of guest data.
    struct stat st {};
    ASSERT_EQ(stat(cache_.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    for (const auto& name : entries()) {
        ASSERT_EQ(stat((cache_.path() / name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
    }
}

TEST_F(CacheFolder, LeftoversOfDeadProcessesGoOnTheNextRun) {
    pid_t dead = fork();
    if (dead == 0) _exit(0);
    waitpid(dead, nullptr, 0);
    ScratchDir other;
    ScopedEnv cache("CORVEX_CACHE", other.path().string());
    const std::string orphan = "Fatture.mdb-0123456789abcdef-tmp-" + std::to_string(dead) + "-0";
    const std::string mine = "Fatture.mdb-0123456789abcdef-tmp-" + std::to_string(getpid()) + "-9";
    std::ofstream(other.path() / orphan) << "x";
    std::ofstream(other.path() / mine) << "x";
    db::cacheDirectory();
    EXPECT_FALSE(fs::exists(other.path() / orphan));
    EXPECT_TRUE(fs::exists(other.path() / mine));
}

TEST_F(CacheFolder, LeastRecentlyUsedCopiesGoBeyondTheLimit) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    const fs::path a = copyIn("sqlite", "CodiciIva.mdb");
    const fs::path b = copyIn("sqlite", "VociFattura.mdb");
    const fs::path c = copyIn("sqlite", "AnagraficaHotels.mdb");
    countRows(a, "CodiciIva");
    countRows(b, "VociFattura");
    EXPECT_EQ(entries().size(), 2u);
    // The default limit (three times the data folder's files) keeps them;
    // a limit of one byte keeps only the copy just made.
    ScopedEnv tiny("CORVEX_CACHE_MAX", "1");
    countRows(c, "AnagraficaHotels");
    ASSERT_EQ(entries().size(), 1u);
    EXPECT_NE(entries()[0].find("AnagraficaHotels"), std::string::npos) << entries()[0];
}

TEST_F(CacheFolder, RelativeCacheFolderIsTakenFromWhereTheProgramStarted) {
    ScopedEnv rel("CORVEX_CACHE", "corvex-relative-cache-test");
    const fs::path expected = fs::path(db::startDirectory()) / "corvex-relative-cache-test";
    {
        TempDataFolder elsewhere;  // another current directory
        EXPECT_EQ(db::cacheDirectory(), expected.string());
    }
    fs::remove_all(expected);
}

TEST_F(CacheFolder, UnwritableCacheFolderIsBlamedOrSkipped) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    const fs::path sqlite = copyIn("sqlite", "CodiciIva.mdb");
    const fs::path jet = copyIn("jet", "CodiciIva.mdb");
    db::takeCacheWarning();
    ScopedEnv gone("CORVEX_CACHE", "/proc/corvex-no-cache-here");
    // An SQLite file is read without its copy, with one warning.
    EXPECT_EQ(countRows(sqlite, "CodiciIva"), 7u);
    EXPECT_NE(db::takeCacheWarning().find("cache"), std::string::npos);
    EXPECT_EQ(db::takeCacheWarning(), "");
    // A Jet file needs its copy: the message names the cache, not the file.
    const std::string msg = openError(jet);
    EXPECT_EQ(msg.rfind("/proc/corvex-no-cache-here: cartella della cache", 0), 0u) << msg;
}

TEST_F(CacheFolder, FullCacheDiskDuringTheImportNamesTheCache) {
    const fs::path file = data_ / "Conto_Cliente.mdb";
    std::ofstream(file, std::ios::binary)
        << std::string("\0\1\0\0Standard Jet DB", 19) + std::string(4096 - 19, '\0');
    age(file, 3600);
    useImporter("echo 'scrittura della copia non riuscita (database or disk is full)' >&2; exit 3");
    const std::string msg = openError(file);
    EXPECT_EQ(msg.rfind(cache_.path().string() + ": cartella della cache", 0), 0u) << msg;
    EXPECT_NE(msg.find("disk is full"), std::string::npos) << msg;
}

}  // namespace
}  // namespace corvex::test::jet
