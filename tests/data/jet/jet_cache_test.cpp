// The cache of Jet copies: where it lives, when a copy is reused or rebuilt,
// and how every failure of the importer becomes a DbError.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/text.h"
#include "data/engine/copy_refresh.h"
#include "data/engine/error.h"
#include "data/engine/jet_cache.h"
#include "jet_support.h"
#include "support/data_folder.h"

namespace corvex::test::jet {
namespace {

void setMtime(const fs::path& file, std::chrono::seconds ago) {
    const auto now = std::chrono::system_clock::now();
    const auto secs =
        std::chrono::duration_cast<std::chrono::seconds>((now - ago).time_since_epoch());
    timespec times[2] = {{secs.count(), 0}, {secs.count(), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

void writeFile(const fs::path& file, const std::string& bytes, bool executable = false) {
    std::ofstream(file, std::ios::binary) << bytes;
    if (executable) fs::permissions(file, fs::perms::owner_all);
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each test gets its own data folder and cache folder.
class JetCache : public ::testing::Test {
  protected:
    void SetUp() override {
        useBuiltImporter(importer_);
        cacheEnv_ = std::make_unique<ScopedEnv>("CORVEX_CACHE", cache_.path().string());
    }
    bool haveFixtures() const { return fs::exists(hotelFixtures() / "jet"); }
    // A copy of a hotel Jet file in the data folder, last written an hour ago.
    fs::path settledCopy(const std::string& name, const std::string& as = "") {
        const fs::path dest = data_ / (as.empty() ? name : as);
        fs::copy_file(hotelFixtures() / "jet" / name, dest, fs::copy_options::overwrite_existing);
        fs::permissions(dest, fs::perms::owner_read | fs::perms::owner_write);
        setMtime(dest, std::chrono::hours(1));
        return dest;
    }
    std::vector<std::string> cacheEntries() const {
        std::vector<std::string> out;
        for (auto& e : fs::directory_iterator(cache_.path())) out.push_back(e.path().filename());
        return out;
    }
    // The DbError a call gives; fails the test when it returns normally.
    static std::string errorOf(const fs::path& file) {
        try {
            db::jetCachedCopy(file.string());
        } catch (const db::DbError& e) {
            EXPECT_EQ(e.file(), file.string());
            EXPECT_FALSE(e.cause().empty());
            return e.what();
        }
        ADD_FAILURE() << "no error for " << file;
        return {};
    }

    std::optional<ScopedEnv> importer_;
    ScratchDir data_;
    ScratchDir cache_;
    std::unique_ptr<ScopedEnv> cacheEnv_;
};

TEST_F(JetCache, SignatureTellsJetFilesApart) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    EXPECT_TRUE(db::isJetFile(jetFixtures() / "nwind.mdb"));              // Jet3
    EXPECT_TRUE(db::isJetFile(hotelFixtures() / "jet" / "IdS.mdb"));      // Jet4
    EXPECT_TRUE(db::isJetFile(jetFixtures() / "testV2007.accdb"));        // ACE
    EXPECT_FALSE(db::isJetFile(hotelFixtures() / "sqlite" / "IdS.mdb"));  // SQLite
    writeFile(data_ / "short.mdb", std::string("\0\1\0\0Standard Jet", 16));
    EXPECT_FALSE(db::isJetFile(data_ / "short.mdb"));
    EXPECT_FALSE(db::isJetFile(data_ / "missing.mdb"));
}

TEST_F(JetCache, CacheFolderFollowsTheEnvironment) {
    {
        ScopedEnv cache("CORVEX_CACHE", (data_ / "mine").string());
        EXPECT_EQ(db::cacheDirectory(), (data_ / "mine").string());
        EXPECT_TRUE(fs::is_directory(data_ / "mine"));
    }
    ScopedEnv noCache("CORVEX_CACHE", std::nullopt);
    {
        ScopedEnv xdg("XDG_CACHE_HOME", (data_ / "xdg").string());
        EXPECT_EQ(db::cacheDirectory(), (data_ / "xdg" / "corvex").string());
        EXPECT_TRUE(fs::is_directory(data_ / "xdg" / "corvex"));
    }
    ScopedEnv noXdg("XDG_CACHE_HOME", std::nullopt);
    ScopedEnv home("HOME", (data_ / "home").string());
    EXPECT_EQ(db::cacheDirectory(), (data_ / "home" / ".cache" / "corvex").string());
    EXPECT_TRUE(fs::is_directory(data_ / "home" / ".cache" / "corvex"));
}

TEST_F(JetCache, SecondOpenReusesTheCopyAndAChangeRebuildsIt) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    const fs::path file = settledCopy("AnagraficaHotels.mdb");
    const std::string first = db::jetCachedCopy(file.string());
    EXPECT_EQ(fs::path(first).parent_path(), cache_.path());
    EXPECT_EQ(scalar(first, "SELECT count(*) FROM AnagraficaHotels"), "1");
    {
        // Without an importer the copy can only come from the cache.
        ScopedEnv none("CORVEX_JETIMPORT", (data_ / "no-importer").string());
        EXPECT_EQ(db::jetCachedCopy(file.string()), first);
        // The same file reached through another path is the same file.
        EXPECT_EQ(db::jetCachedCopy((data_ / "." / "AnagraficaHotels.mdb").string()), first);
        // A new mtime needs a new import.
        setMtime(file, std::chrono::hours(2));
        EXPECT_NE(errorOf(file).find("no-importer"), std::string::npos);
    }
    const std::string second = db::jetCachedCopy(file.string());
    EXPECT_NE(second, first);
    EXPECT_EQ(db::jetCachedCopy(file.string()), second);

    // Other content of another size under the same name and mtime.
    const auto mtime = fs::last_write_time(file);
    fs::copy_file(hotelFixtures() / "jet" / "Dettaglio.mdb", file,
                  fs::copy_options::overwrite_existing);
    fs::last_write_time(file, mtime);
    const std::string third = db::jetCachedCopy(file.string());
    EXPECT_NE(third, second);
    EXPECT_EQ(scalar(third, "SELECT count(*) FROM Dettaglio"), "476");
    // No temporary files are left behind.
    for (const auto& name : cacheEntries()) EXPECT_EQ(name.find("tmp"), std::string::npos) << name;
}

TEST_F(JetCache, BareNameInTheDataFolderKeepsItsCopyOutside) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    TempDataFolder folder;  // the current directory for this test
    const fs::path file = fs::path(folder.path()) / "VociFattura.mdb";
    fs::copy_file(hotelFixtures() / "jet" / "VociFattura.mdb", file);
    setMtime(file, std::chrono::hours(1));
    const std::string copy = db::jetCachedCopy("VociFattura.mdb");
    EXPECT_EQ(db::jetCachedCopy(file.string()), copy);
    EXPECT_EQ(fs::path(copy).parent_path(), cache_.path());
    EXPECT_EQ(std::vector<std::string>{"VociFattura.mdb"}, [&] {
        std::vector<std::string> names;
        for (auto& e : fs::directory_iterator(folder.path())) names.push_back(e.path().filename());
        return names;
    }());
}

TEST_F(JetCache, EnvironmentCannotChangeTheCopy) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    // libmdb takes its output character set and options from the
    // environment, and formats numbers by the locale: none of that may leak
    // into the copy.
    ScopedEnv charset("MDBICONV", "ISO-8859-1");
    ScopedEnv options("MDBOPTS", "no_memo:use_index");
    ScopedEnv locale("LC_ALL", "it_IT.UTF-8");
    const fs::path copy = db::jetCachedCopy(jetFixtures() / "nwind.mdb");
    EXPECT_EQ(scalar(copy, "SELECT CompanyName FROM Customers WHERE CustomerID='OCEAN'"),
              "Océano Atlántico Ltda.");
    EXPECT_EQ(scalar(copy, "SELECT Freight FROM Orders WHERE OrderID=10330"), "12.75");
    EXPECT_EQ(scalar(copy, "SELECT max(length(Notes)) FROM Employees"), "448");
    EXPECT_EQ(scalar(copy, "SELECT OrderDate FROM Orders WHERE OrderID=10330"),
              "1994-11-16 00:00:00");
}

TEST_F(JetCache, FileJustWrittenIsReadAgainNextTime) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    // A file written a moment ago may still be being written within one
    // timestamp tick: its copy serves this open only.
    const fs::path file = data_ / "CodiciIva.mdb";
    fs::copy_file(hotelFixtures() / "jet" / "CodiciIva.mdb", file);
    const std::string first = db::jetCachedCopy(file.string());
    const std::string second = db::jetCachedCopy(file.string());
    EXPECT_NE(first, second);
    EXPECT_EQ(scalar(second, "SELECT count(*) FROM CodiciIva"), "7");
}

TEST_F(JetCache, ConcurrentOpensAgreeOnOneCompleteCopy) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    const fs::path file = settledCopy("Conto_Cliente.mdb");
    std::vector<std::string> paths(4);
    std::vector<std::thread> threads;
    for (auto& p : paths)
        threads.emplace_back([&p, &file] { p = db::jetCachedCopy(file.string()); });
    for (auto& t : threads) t.join();
    for (const auto& p : paths) {
        EXPECT_EQ(p, paths[0]);
        EXPECT_EQ(scalar(p, "SELECT count(*) FROM Conto_Cliente"), "1281");
    }
}

TEST_F(JetCache, TruncatedFileGivesAnError) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    const fs::path file = data_ / "Fatture.mdb";
    const std::string bytes = readFile(hotelFixtures() / "jet" / "Fatture.mdb");
    writeFile(file, bytes.substr(0, bytes.size() / 2));
    setMtime(file, std::chrono::hours(1));
    const std::string msg = errorOf(file);
    EXPECT_NE(msg.find(file.string()), std::string::npos) << msg;
    EXPECT_NE(msg.find("righe delle"), std::string::npos) << msg;
    EXPECT_TRUE(cacheEntries().empty());
}

TEST_F(JetCache, ByteFlippedFileGivesAnError) {
    if (!haveFixtures()) GTEST_SKIP() << "shared fixtures not found at " << sharedDir();
    // Flip the type byte of every fifth data page (Jet4 pages are 4096
    // bytes; a data page starts 01 01): their rows can no longer be found.
    std::string bytes = readFile(hotelFixtures() / "jet" / "Fatture.mdb");
    int flipped = 0;
    for (std::size_t pg = 1, seen = 0; (pg + 1) * 4096 <= bytes.size(); ++pg) {
        char* p = bytes.data() + pg * 4096;
        if (p[0] == 1 && p[1] == 1 && ++seen % 5 == 0) {
            p[0] = static_cast<char>(p[0] ^ 0xff);
            ++flipped;
        }
    }
    ASSERT_GT(flipped, 0);
    const fs::path file = data_ / "Fatture.mdb";
    writeFile(file, bytes);
    setMtime(file, std::chrono::hours(1));
    const std::string msg = errorOf(file);
    EXPECT_NE(msg.find("è danneggiato"), std::string::npos) << msg;
}

TEST_F(JetCache, GarbageBehindASignatureGivesAnError) {
    std::string bytes(64 * 1024, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7919 % 251);
    bytes.replace(0, 19, std::string("\0\1\0\0Standard Jet DB", 19));
    const fs::path file = data_ / "Broken.mdb";
    writeFile(file, bytes);
    setMtime(file, std::chrono::hours(1));
    EXPECT_FALSE(errorOf(file).empty());
}

TEST_F(JetCache, NotAJetFileOrMissingGivesAnError) {
    writeFile(data_ / "plain.mdb", "SQLite format 3");
    EXPECT_NE(errorOf(data_ / "plain.mdb").find("non è un database Jet"), std::string::npos);
    EXPECT_NE(errorOf(data_ / "missing.mdb").find("impossibile leggere il file"),
              std::string::npos);
}

// A stand-in importer shows how the caller handles each way a child can end.
class JetCacheImporterFailures : public JetCache {
  protected:
    void SetUp() override {
        JetCache::SetUp();
        file_ = data_ / "Any.mdb";
        writeFile(file_, std::string("\0\1\0\0Standard Jet DB", 19) + std::string(4096, '\0'));
        setMtime(file_, std::chrono::hours(1));
    }
    void useImporter(const std::string& script) {
        writeFile(data_ / "importer.sh", "#!/bin/sh\n" + script + "\n", true);
        fake_.emplace("CORVEX_JETIMPORT", (data_ / "importer.sh").string());
    }
    fs::path file_;
    std::optional<ScopedEnv> fake_;
};

TEST_F(JetCacheImporterFailures, CrashOrKillIsReportedAndLeavesNothing) {
    for (const char* sig : {"SEGV", "KILL"}) {
        useImporter("echo partial > \"$2\"; kill -" + std::string(sig) + " $$");
        const std::string msg = errorOf(file_);
        EXPECT_NE(msg.find(std::string("(segnale ") + (sig[0] == 'S' ? "11" : "9")),
                  std::string::npos)
            << msg;
        EXPECT_TRUE(cacheEntries().empty()) << sig;
    }
}

TEST_F(JetCacheImporterFailures, HangIsStoppedAfterTheTimeout) {
    ScopedEnv quick("CORVEX_JETIMPORT_TIMEOUT_MS", "300");
    useImporter("exec sleep 30");
    EXPECT_NE(errorOf(file_).find("ha superato"), std::string::npos);
}

// A background refresh that is no longer wanted (the desk closed) stops its
// import instead of waiting for it, and leaves nothing.
TEST_F(JetCacheImporterFailures, RefreshEndedStopsItsImport) {
    ScopedEnv slow("CORVEX_JETIMPORT_TIMEOUT_MS", "60000");
    useImporter("echo started > \"$2\"; exec sleep 60");
    const fs::path file = data_ / "Whole.mdb";  // whole pages, as a suite file has
    writeFile(file, std::string("\0\1\0\0Standard Jet DB", 19) + std::string(8192 - 19, '\1'));
    setMtime(file, std::chrono::hours(1));
    const auto started = std::chrono::steady_clock::now();
    {
        db::CopyRefresh refresh(nullptr, 1);
        refresh.refreshFile(file.string());
        // Until the child has begun its copy.
        while (cacheEntries().empty() &&
               std::chrono::steady_clock::now() - started < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_FALSE(cacheEntries().empty());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    EXPECT_TRUE(cacheEntries().empty());
}

TEST_F(JetCacheImporterFailures, ChildMessageBecomesTheCause) {
    useImporter(
        "echo 'warning: noise' >&2; echo 'tabella Prezzi€: lette 1 righe delle 2' >&2; "
        "exit 1");
    // The child writes UTF-8, as every message is.
    EXPECT_NE(errorOf(file_).find("Any.mdb: tabella Prezzi€: lette 1 righe delle 2"),
              std::string::npos);
}

TEST_F(JetCacheImporterFailures, SuccessWithoutACopyIsAnError) {
    useImporter("exit 0");
    EXPECT_NE(errorOf(file_).find("senza scrivere la copia"), std::string::npos);
}

TEST_F(JetCacheImporterFailures, MissingImporterIsNamed) {
    fake_.emplace("CORVEX_JETIMPORT", (data_ / "nowhere" / "corvex-jetimport").string());
    EXPECT_NE(errorOf(file_).find("nowhere/corvex-jetimport non è installato"), std::string::npos);
}

}  // namespace
}  // namespace corvex::test::jet
