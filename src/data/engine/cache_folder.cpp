#include "data/engine/cache_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "common/text.h"
#include "data/engine/error.h"

namespace corvex::db {

namespace fs = std::filesystem;

namespace {

std::string currentDirectory() {
    std::error_code ec;
    fs::path p = fs::current_path(ec);
    return ec ? std::string() : p.string();
}

// Taken before main runs, so a later change of directory does not move a
// relative CORVEX_CACHE.
[[maybe_unused]] const std::string& kStartAtLoad = startDirectory();

// The file name, kept to plain characters: it only helps a person looking
// at the cache folder.
std::string readableStem(const fs::path& p) {
    std::string out;
    for (char c : p.filename().string()) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '.';
        out += plain ? c : '_';
        if (out.size() >= 40) break;
    }
    return out;
}

constexpr std::string_view kTemporaryTag = "tmp-";

// The process id in a temporary file's name ("...tmp-<pid>-<n>"), or 0.
pid_t temporaryOwner(const std::string& name) {
    const std::size_t at = name.rfind(kTemporaryTag);
    if (at == std::string::npos) return 0;
    return static_cast<pid_t>(std::atol(name.c_str() + at + kTemporaryTag.size()));
}

bool running(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH);
}

// Removes the temporary files of processes that no longer run.
void removeOrphans(const std::string& dir) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const pid_t owner = temporaryOwner(name);
        std::error_code e2;
        if (owner > 0 && !running(owner)) fs::remove(it->path(), e2);
    }
}

std::uint64_t parseSize(const char* text) {
    char* end = nullptr;
    const unsigned long long n = std::strtoull(text, &end, 10);
    if (end == text) return 0;
    switch (*end) {
        case 'k':
        case 'K':
            return n << 10;
        case 'm':
        case 'M':
            return n << 20;
        case 'g':
        case 'G':
            return n << 30;
        default:
            return n;
    }
}

struct Warning {
    std::mutex mutex;
    std::set<std::string> noted;  // each cause once
    std::string pending;
};

Warning& warning() {
    static auto* w = new Warning;  // never destroyed: usable until exit
    return *w;
}

std::atomic<unsigned> temporaryCounter{0};

struct Held {
    std::mutex mutex;
    std::multiset<std::string> copies;
};

Held& held() {
    static auto* h = new Held;  // never destroyed: usable until exit
    return *h;
}

bool isHeld(const std::string& copy) {
    Held& h = held();
    std::lock_guard lock(h.mutex);
    return h.copies.count(copy) > 0;
}

}  // namespace

const std::string& startDirectory() {
    static const std::string dir = currentDirectory();
    return dir;
}

std::string cacheDirectory() {
    fs::path dir;
    if (const char* c = std::getenv("CORVEX_CACHE"); c && *c) {
        dir = c;
        if (dir.is_relative() && !startDirectory().empty()) dir = startDirectory() / dir;
    } else if (const char* x = std::getenv("XDG_CACHE_HOME");
               x && *x && fs::path(x).is_absolute()) {
        dir = fs::path(x) / "corvex";
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home) {
            const passwd* pw = getpwuid(getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        dir = home && *home
                  ? fs::path(home) / ".cache" / "corvex"
                  : fs::temp_directory_path() / ("corvex-cache-" + std::to_string(getuid()));
    }
    dir = fs::absolute(dir).lexically_normal();
    if (dir.has_filename() == false) dir = dir.parent_path();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir))
        cacheFailure(dir.string(),
                     "impossibile creare la cartella della cache: " +
                         (ec ? systemCause(ec.value()) : std::string("non è una cartella")));
    // Copies of guest data: the owner's only.
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 077) != 0)
        ::chmod(dir.c_str(), 0700);
    // Once per folder and process: leftovers of killed processes go.
    static std::mutex swept;
    static std::set<std::string> sweptDirs;
    {
        std::lock_guard lock(swept);
        if (sweptDirs.insert(dir.string()).second) removeOrphans(dir.string());
    }
    return dir.string();
}

std::string hashName(std::string_view s) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

std::string copyPrefix(const std::string& absoluteSource) {
    return readableStem(absoluteSource) + "-" + hashName(absoluteSource) + "-";
}

std::string newTemporaryCopy(const std::string& dir, const std::string& prefix) {
    const std::string path =
        (fs::path(dir) / (prefix + std::string(kTemporaryTag) + std::to_string(::getpid()) + "-" +
                          std::to_string(temporaryCounter++)))
            .string();
    const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) cacheFailure(dir, "impossibile scrivere: " + systemCause(errno));
    ::close(fd);
    return path;
}

std::uint64_t cacheLimit(const std::string& source) {
    if (const char* env = std::getenv("CORVEX_CACHE_MAX"); env && *env) {
        if (std::uint64_t n = parseSize(env); n > 0) return n;
    }
    std::uint64_t total = 0;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(source).parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::string ext = it->path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::error_code e2;
        if (ext == ".mdb" && it->is_regular_file(e2)) total += it->file_size(e2);
    }
    // Small folders keep their copies: the limit is meant for the large files.
    constexpr std::uint64_t kFloor = std::uint64_t{64} << 20;
    return std::max(total * 3, kFloor);
}

void placeCopy(const std::string& temporary, const std::string& target, const std::string& source) {
    const fs::path dir = fs::path(target).parent_path();
    ::chmod(temporary.c_str(), 0600);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temporary.c_str());
        cacheFailure(dir.string(), "impossibile salvare la copia: " + systemCause(err));
    }
    const std::string targetName = fs::path(target).filename().string();
    const std::string prefix = copyPrefix(source);
    struct Entry {
        fs::path path;
        fs::file_time_type used;
        std::uint64_t size;
    };
    std::vector<Entry> others;
    std::uint64_t total = 0;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code e2;
        if (!it->is_regular_file(e2)) continue;
        if (name == targetName) {
            total += it->file_size(e2);
            continue;
        }
        const pid_t owner = temporaryOwner(name);
        if (owner > 0) {
            // A copy being built: by another process, or left by a dead one.
            if (running(owner))
                total += it->file_size(e2);
            else
                fs::remove(it->path(), e2);
            continue;
        }
        // The replaced copies of the same source. A process still reading
        // one keeps its open file: removing the name does not disturb it.
        if (name.rfind(prefix, 0) == 0 && !isHeld(it->path().string())) {
            fs::remove(it->path(), e2);
            continue;
        }
        Entry e{it->path(), it->last_write_time(e2), it->file_size(e2)};
        total += e.size;
        if (isHeld(e.path.string())) continue;
        others.push_back(std::move(e));
    }
    const std::uint64_t limit = cacheLimit(source);
    std::sort(others.begin(), others.end(),
              [](const Entry& a, const Entry& b) { return a.used < b.used; });
    for (const Entry& e : others) {
        if (total <= limit) break;
        std::error_code e2;
        if (fs::remove(e.path, e2)) total -= std::min(total, e.size);
    }
}

std::unique_lock<std::mutex> lockSource(const std::string& source) {
    static std::mutex guard;
    static auto* locks = new std::map<std::string, std::unique_ptr<std::mutex>>;  // never freed
    std::mutex* m = nullptr;
    {
        std::lock_guard lock(guard);
        auto& slot = (*locks)[source];
        if (!slot) slot = std::make_unique<std::mutex>();
        m = slot.get();
    }
    return std::unique_lock<std::mutex>(*m);
}

void holdCopy(const std::string& copy) {
    Held& h = held();
    std::lock_guard lock(h.mutex);
    h.copies.insert(copy);
}

void releaseCopy(const std::string& copy) {
    Held& h = held();
    std::lock_guard lock(h.mutex);
    if (auto it = h.copies.find(copy); it != h.copies.end()) h.copies.erase(it);
}

void touchCopy(const std::string& copy) {
    ::utimensat(AT_FDCWD, copy.c_str(), nullptr, 0);
}

void cacheFailure(const std::string& dir, const std::string& cause) {
    throw DbError(utf8ToCp1252(dir), "", "cartella della cache: " + cause);
}

void noteCacheUnusable(const std::string& cause) {
    Warning& w = warning();
    std::lock_guard lock(w.mutex);
    if (!w.noted.insert(cause).second) return;
    w.pending = "Attenzione: " + cause + "; i file si leggono senza la cache, più lentamente.";
    std::fprintf(stderr, "corvex: %s\n", w.pending.c_str());
}

std::string takeCacheWarning() {
    Warning& w = warning();
    std::lock_guard lock(w.mutex);
    return std::exchange(w.pending, std::string());
}

}  // namespace corvex::db
