#include "data/engine/copy_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unordered_map>

#include "common/text.h"
#include "data/engine/cache_folder.h"
#include "data/engine/error.h"
#include "data/engine/index_cache.h"
#include "data/engine/jet_cache.h"
#include "data/pg/pg_reader.h"

namespace corvex::db {

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return {};
    return std::string(buf) + "/" + path;
}

namespace {

std::uint32_t bigEndian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

[[noreturn]] void incomplete(const std::string& shown, std::uint64_t size, std::uint64_t page) {
    throw DbError(shown, "",
                  "file danneggiato o incompleto: " + std::to_string(size) +
                      " byte non sono un numero intero di pagine da " + std::to_string(page) +
                      " byte (copia interrotta o disco pieno?)");
}

// A file cut short (a partial copy, a full disk) ends inside a page; SQLite
// also records its length in pages in its header.
void checkWholePages(const unsigned char* head, std::size_t got, bool jet, std::uint64_t size,
                     const std::string& shown) {
    if (jet) {
        // Byte 0x14: 0 for Jet3 (pages of 2048 bytes), later versions 4096.
        const std::uint64_t page = got > 0x14 && head[0x14] == 0 ? 2048 : 4096;
        if (size % page != 0) incomplete(shown, size, page);
        return;
    }
    if (got < 100) incomplete(shown, size, 512);
    std::uint64_t page = bigEndian(head + 16, 2);
    if (page == 1) page = 65536;
    if (page < 512 || (page & (page - 1)) != 0)
        throw DbError(shown, "", "il file non è un database o è danneggiato");
    if (size % page != 0) incomplete(shown, size, page);
    // The page count is valid when the change counter matches the version
    // number it was written with.
    const std::uint64_t pages = bigEndian(head + 28, 4);
    if (pages != 0 && bigEndian(head + 24, 4) == bigEndian(head + 92, 4) && size < pages * page)
        throw DbError(shown, "",
                      "file danneggiato o incompleto: " + std::to_string(size) +
                          " byte invece dei " + std::to_string(pages * page) +
                          " dichiarati (copia interrotta o disco pieno?)");
}

}  // namespace

void checkDatabaseFile(const std::string& path, const std::string& shown) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw DbError(shown, "", "file non trovato");
    if (S_ISDIR(st.st_mode)) throw DbError(shown, "", "è una cartella, non un file di database");
    if (!S_ISREG(st.st_mode))
        throw DbError(shown, "", "non è un file di database (è un dispositivo o un file speciale)");
}

bool detectJet(const std::string& path, const std::string& shown) {
    checkDatabaseFile(path, shown);
    unsigned char head[100] = {};
    std::size_t got = 0;
    std::uint64_t size = 0;
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in) throw DbError(shown, "", "impossibile leggere il file");
        size = static_cast<std::uint64_t>(in.tellg());
        in.seekg(0);
        in.read(reinterpret_cast<char*>(head), sizeof head);
        got = static_cast<std::size_t>(in.gcount());
    }
    const bool sqlite = got >= 16 && std::memcmp(head, "SQLite format 3\0", 16) == 0;
    const bool jet = !sqlite && isJetFile(path);
    if (!sqlite && !jet) {
        if (size == 0) throw DbError(shown, "", "il file è vuoto, non è un database");
        throw DbError(shown, "", "il file non è un database riconosciuto");
    }
    checkWholePages(head, got, jet, size, shown);
    return jet;
}

namespace {

// The answers of readableCopy, per file: a report opens the same few files
// once or more per day of its period, and finding the copy anew costs a
// dozen system calls and a read of the file's header each time.
struct CopyMemo {
    std::string state;
    bool jet = false;
    std::string copy;
};

struct CopyMemos {
    std::mutex mutex;
    std::unordered_map<std::string, CopyMemo> byFile;
    // While a snapshot scope is open: the copy each file was first read
    // through, by file and environment.
    int scopes = 0;
    std::unordered_map<std::string, CopyMemo> pinned;
};

// The program's own files, which a report may write and read again in one
// run: never pinned.
bool ownFile(const std::string& path) {
    std::string name = std::filesystem::path(path).filename().string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name == "schclienti.mdb" || name == "ids.mdb";
}

CopyMemos& copyMemos() {
    static auto* memos = new CopyMemos;  // never destroyed: usable until exit
    return *memos;
}

// A file changed this recently may still be being written with its mtime
// not moving (timestamps are coarser than writes): its answer is not kept.
constexpr std::int64_t kSettleNs = 2'000'000'000;

// Identity and state of a file for the memory; false when it is unsettled.
bool appendState(std::string& out, const std::string& path, std::int64_t nowNs) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        out += "-|";
        return true;
    }
    std::int64_t mtime =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    std::int64_t ctime =
        static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    if (nowNs - mtime < kSettleNs || nowNs - ctime < kSettleNs) return false;
    out += std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
           std::to_string(st.st_size) + ":" + std::to_string(mtime) + ":" + std::to_string(ctime) +
           "|";
    return true;
}

std::string environmentKey() {
    std::string out;
    for (const char* name : {"CORVEX_CACHE", "XDG_CACHE_HOME", "HOME", "CORVEX_JETIMPORT"}) {
        const char* v = std::getenv(name);
        out += v ? v : "";
        out += '\x1f';
    }
    return out;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// The up-to-date copy of a file (made when missing), remembered per file
// while the file stays unchanged; empty when the cache folder is unusable.
std::string makeCopy(const std::string& path, const std::string& shown, bool& jet,
                     const std::string& key, const std::string& state, bool settled,
                     const std::atomic<bool>* cancel = nullptr) {
    jet = detectJet(path, shown);
    bool exact = true;
    std::string copy = jet ? jetCachedCopy(path, &exact, cancel) : indexedCopy(path, shown, &exact);
    if (copy.empty()) return copy;
    touchCopy(copy);
    CopyMemos& memos = copyMemos();
    std::lock_guard lock(memos.mutex);
    if (settled && exact)
        memos.byFile[key] = {state, jet, copy};
    else
        memos.byFile.erase(key);
    return copy;
}

}  // namespace

std::string readableCopy(const std::string& path, const std::string& shown, bool& jet, bool fresh) {
    std::string key = absolutePath(path);
    std::string state = environmentKey();
    std::int64_t now = nowNs();
    bool settled =
        !key.empty() && appendState(state, path, now) && appendState(state, path + "-wal", now);
    CopyMemos& memos = copyMemos();
    const std::string pin = key + '\x1e' + environmentKey();
    if (!fresh) {
        std::lock_guard lock(memos.mutex);
        auto it = memos.pinned.find(pin);
        if (it != memos.pinned.end() && exists(it->second.copy)) {
            jet = it->second.jet;
            return it->second.copy;
        }
    }
    if (settled && !fresh) {
        std::lock_guard lock(memos.mutex);
        auto it = memos.byFile.find(key);
        if (it != memos.byFile.end() && it->second.state == state && exists(it->second.copy)) {
            jet = it->second.jet;
            return it->second.copy;
        }
    }
    std::string copy = makeCopy(path, shown, jet, key, state, settled);
    if (copy.empty()) return path;  // no usable cache folder: nothing to remember
    std::lock_guard lock(memos.mutex);
    if (memos.scopes > 0 && !ownFile(path)) {
        CopyMemo& pinned = memos.pinned[pin];
        if (!pinned.copy.empty()) releaseCopy(pinned.copy);
        pinned = {{}, jet, copy};
        holdCopy(copy);
    }
    return copy;
}

void refreshCopy(const std::string& path, const std::atomic<bool>* cancel) {
    std::string key = absolutePath(path);
    std::string state = environmentKey();
    const bool settled = !key.empty() && appendState(state, path, nowNs()) &&
                         appendState(state, path + "-wal", nowNs());
    bool jet = false;
    makeCopy(path, utf8ToCp1252(std::filesystem::path(path).filename().string()), jet, key, state,
             settled, cancel);
}

void unpinCopy(const std::string& path) {
    CopyMemos& memos = copyMemos();
    const std::string pin = absolutePath(path) + '\x1e' + environmentKey();
    std::lock_guard lock(memos.mutex);
    auto it = memos.pinned.find(pin);
    if (it == memos.pinned.end()) return;
    releaseCopy(it->second.copy);
    memos.pinned.erase(it);
}

SnapshotScope::SnapshotScope() {
    // With a server chosen, the outermost scope opens the run's one
    // transaction there (and throws when the server or property is unusable).
    pg::beginRun();
    CopyMemos& memos = copyMemos();
    std::lock_guard lock(memos.mutex);
    ++memos.scopes;
}

SnapshotScope::~SnapshotScope() {
    {
        CopyMemos& memos = copyMemos();
        std::lock_guard lock(memos.mutex);
        if (--memos.scopes == 0) {
            for (const auto& p : memos.pinned) releaseCopy(p.second.copy);
            memos.pinned.clear();
        }
    }
    pg::endRun();
}

}  // namespace corvex::db
