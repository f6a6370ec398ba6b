#include "data/engine/jet_cache.h"

#include <fcntl.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <thread>
#include <vector>

#include "common/text.h"
#include "data/engine/error.h"

extern char** environ;

namespace corvex::db {

namespace fs = std::filesystem;

namespace {

constexpr const char* kReinstall =
    " (reinstallare il programma, o indicare il percorso del lettore in CORVEX_JETIMPORT)";

// Bumped whenever the importer changes what it writes, so older copies are
// rebuilt rather than reused.
constexpr int kCopyFormat = 1;
// A file changed this recently may still be being written, with its mtime
// not moving for writes within the file system's timestamp granularity: its
// copy serves the current open only and is never reused.
constexpr auto kSettleTime = std::chrono::seconds(2);
// Stale copies of a file are removed only when older than this, so a
// process that was just handed one can still open it.
constexpr auto kStaleAge = std::chrono::minutes(2);

// Messages are written in UTF-8 here and, like all text in the program, held
// as code page 1252; file names and libmdb's table names are UTF-8 too.
[[noreturn]] void fail(const std::string& file, const std::string& cause) {
    throw DbError(utf8ToCp1252(file), "", utf8ToCp1252(cause));
}

struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        fail(path, std::string("impossibile leggere il file: ") + std::strerror(errno));
    if (!S_ISREG(st.st_mode)) fail(path, "non è un file");
    return {static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

std::uint64_t fnv1a(std::string_view s) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// The file name's stem, kept to plain characters: it only helps a person
// looking at the cache folder.
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

std::string hex64(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

std::string errnoText(int err) {
    return std::strerror(err);
}

// The importer: $CORVEX_JETIMPORT, else corvex-jetimport beside this program
// (the build tree), else where the installed package keeps it (bin/corvex,
// libexec/corvex/corvex-jetimport).
std::string importerPath() {
    if (const char* env = std::getenv("CORVEX_JETIMPORT"); env && *env) return env;
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "corvex-jetimport";
    const fs::path beside = self.parent_path() / "corvex-jetimport";
    const fs::path installed =
        self.parent_path().parent_path() / "libexec" / "corvex" / "corvex-jetimport";
    return (fs::exists(beside, ec) || !fs::exists(installed, ec) ? beside : installed).string();
}

struct ChildOutcome {
    bool timedOut = false;
    int status = 0;       // from waitpid
    std::string errText;  // the tail of its stderr
};

ChildOutcome runImporter(const std::string& exe, const std::string& source, const std::string& dest,
                         std::chrono::milliseconds timeout) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        fail(source, "impossibile avviare il lettore Jet: " + errnoText(errno));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    std::vector<std::string> args{exe, source, dest};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        fail(source,
             "impossibile avviare il lettore Jet " + exe + ": " + errnoText(rc) + kReinstall);
    }

    ChildOutcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto remainingMs = [&] {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return left.count() > 0 ? left.count() : 0;
    };
    // Collect stderr until the child closes it; keep only its tail.
    bool open = true;
    char buf[4096];
    while (open && remainingMs() > 0) {
        pollfd p{fds[0], POLLIN, 0};
        const int n = poll(&p, 1, static_cast<int>(std::min<long long>(remainingMs(), 1000)));
        if (n < 0 && errno != EINTR) break;
        if (n <= 0) continue;
        const ssize_t got = read(fds[0], buf, sizeof buf);
        if (got > 0) {
            outcome.errText.append(buf, static_cast<std::size_t>(got));
            if (outcome.errText.size() > 16384)
                outcome.errText.erase(0, outcome.errText.size() - 8192);
        } else if (got == 0 || errno != EINTR) {
            open = false;
        }
    }
    close(fds[0]);
    // Then wait for it to end, up to the same deadline.
    for (;;) {
        const pid_t w = waitpid(pid, &outcome.status, WNOHANG);
        if (w == pid) return outcome;
        if (w < 0 && errno != EINTR) {
            outcome.status = 0xff00;  // lost track of it: report as failure
            return outcome;
        }
        if (remainingMs() == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(pid, SIGKILL);
    while (waitpid(pid, &outcome.status, 0) < 0 && errno == EINTR) {
    }
    outcome.timedOut = true;
    return outcome;
}

// The child's own message: the last non-empty line it printed.
std::string lastLine(const std::string& text) {
    std::size_t end = text.find_last_not_of("\r\n \t");
    if (end == std::string::npos) return {};
    const std::size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// Bounded time for one import: 30 s plus 1 s per MB of file.
std::chrono::milliseconds importTimeout(std::uint64_t size) {
    if (const char* env = std::getenv("CORVEX_JETIMPORT_TIMEOUT_MS"); env && *env) {
        const long long ms = std::atoll(env);
        if (ms > 0) return std::chrono::milliseconds(ms);
    }
    return std::chrono::milliseconds(30000 + static_cast<long long>(size / 1000));
}

void importInto(const std::string& source, std::uint64_t size, const std::string& tmp) {
    const std::string exe = importerPath();
    if (access(exe.c_str(), X_OK) != 0)
        fail(source, "il lettore Jet " + exe + " non è installato" + kReinstall);
    const auto timeout = importTimeout(size);
    const ChildOutcome out = runImporter(exe, source, tmp, timeout);
    if (out.timedOut) {
        unlink(tmp.c_str());
        fail(source, "la lettura del file Jet ha superato " +
                         std::to_string(timeout.count() / 1000) +
                         " s ed è stata interrotta: il file è probabilmente danneggiato");
    }
    if (WIFSIGNALED(out.status)) {
        unlink(tmp.c_str());
        const int sig = WTERMSIG(out.status);
        std::string cause = "il lettore Jet si è interrotto in modo anomalo (segnale " +
                            std::to_string(sig) + ", " + strsignal(sig) +
                            "): il file è probabilmente danneggiato";
        // What libmdb said last often tells which part of the file is broken.
        if (const std::string said = lastLine(out.errText); !said.empty())
            cause += " (ultimo messaggio: " + said + ")";
        fail(source, cause);
    }
    if (!WIFEXITED(out.status) || WEXITSTATUS(out.status) != 0) {
        unlink(tmp.c_str());
        std::string why = lastLine(out.errText);
        if (why.empty())
            why = "il lettore Jet non è riuscito a leggere il file e non ha detto perché";
        fail(source, why);
    }
}

std::atomic<unsigned> tmpCounter{0};

// Removes older copies of the same file (and leftovers of interrupted
// imports) once they are old enough not to be in use any more.
void removeStaleCopies(const fs::path& dir, const std::string& prefix, const std::string& keep) {
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name == keep || name.rfind(prefix, 0) != 0) continue;
        std::error_code e2;
        const auto when = fs::last_write_time(it->path(), e2);
        if (!e2 && now - when > kStaleAge) fs::remove(it->path(), e2);
    }
}

}  // namespace

bool isJetFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[19] = {};
    if (!in.read(head, sizeof head)) return false;
    const std::string_view sig(head + 4, 15);
    return sig == "Standard Jet DB" || sig == "Standard ACE DB";
}

std::string cacheDirectory() {
    fs::path dir;
    if (const char* c = std::getenv("CORVEX_CACHE"); c && *c) {
        dir = c;
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
    dir = fs::absolute(dir);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir))
        fail(dir.string(), "impossibile creare la cartella della cache: " +
                               (ec ? ec.message() : std::string("non è una cartella")));
    return dir.string();
}

std::string jetCachedCopy(const std::string& path) {
    std::error_code ec;
    fs::path abs = fs::canonical(path, ec);
    if (ec) abs = fs::absolute(path);
    const std::string source = abs.string();
    FileStamp stamp = stampOf(source);
    if (access(source.c_str(), R_OK) != 0)
        fail(source, "impossibile leggere il file: " + errnoText(errno));
    if (!isJetFile(source)) fail(source, "il file non è un database Jet");

    const fs::path dir = cacheDirectory();
    const std::string prefix = readableStem(abs) + "-" + hex64(fnv1a(source)) + "-";
    auto keyName = [&](const FileStamp& s) {
        return prefix + std::to_string(s.size) + "-" + std::to_string(s.mtimeNs) + ".v" +
               std::to_string(kCopyFormat) + ".sqlite";
    };
    fs::path copy = dir / keyName(stamp);
    if (fs::is_regular_file(copy, ec) && fs::file_size(copy, ec) > 0) return copy.string();

    // Import under a private name, then rename: a reader never sees a half
    // written copy, and two processes importing at once both end with a
    // complete file (the last rename wins).
    const std::string tag = std::to_string(getpid()) + "-" + std::to_string(tmpCounter++);
    const std::string tmp = (dir / (prefix + "tmp-" + tag)).string();
    const auto started = std::chrono::system_clock::now();
    importInto(source, stamp.size, tmp);
    const FileStamp after = stampOf(source);

    const auto mtime = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::nanoseconds(after.mtimeNs)));
    const bool settled = after == stamp && started - mtime >= kSettleTime;
    if (!settled) copy = dir / (prefix + "live-" + tag + ".sqlite");
    if (std::rename(tmp.c_str(), copy.c_str()) != 0) {
        const int err = errno;
        unlink(tmp.c_str());
        fail(source, "impossibile salvare la copia in " + dir.string() + ": " + errnoText(err));
    }
    removeStaleCopies(dir, prefix, copy.filename().string());
    return copy.string();
}

}  // namespace corvex::db
