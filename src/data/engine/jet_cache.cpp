#include "data/engine/jet_cache.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
#include "data/engine/cache_folder.h"
#include "data/engine/error.h"

extern char** environ;

namespace corvex::db {

namespace fs = std::filesystem;

namespace {

constexpr const char* kReinstall =
    " (reinstallare il programma, o indicare il percorso del lettore in CORVEX_JETIMPORT)";

// Bumped whenever the importer changes what it writes, so older copies are
// rebuilt rather than reused (also when the order of the NOCASE collation,
// which sorts its indexes, changes).
constexpr int kCopyFormat = 4;
// A file changed this recently may still be being written, with its mtime
// not moving for writes within the file system's timestamp granularity: its
// copy serves the current open only and is never reused.
constexpr auto kSettleTime = std::chrono::seconds(2);
// Imports of a file that changes while it is read, before giving up.
constexpr int kImportTries = 5;

[[noreturn]] void fail(const std::string& file, const std::string& cause) {
    throw DbError(utf8ToCp1252(file), "", cause);
}

// What tells one state of a file from another: a write changes the size or
// the times, a replacement the inode.
struct FileStamp {
    std::uint64_t dev = 0, inode = 0, size = 0;
    std::int64_t mtimeNs = 0, ctimeNs = 0;
    bool operator==(const FileStamp&) const = default;
    std::string text() const {
        return std::to_string(dev) + ":" + std::to_string(inode) + ":" + std::to_string(size) +
               ":" + std::to_string(mtimeNs) + ":" + std::to_string(ctimeNs);
    }
};

FileStamp stampOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        fail(path, "impossibile leggere il file: " + systemCause(errno));
    if (!S_ISREG(st.st_mode)) fail(path, "non è un file");
    auto ns = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

std::string errnoText(int err) {
    return systemCause(err);
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
    bool cancelled = false;
    int status = 0;       // from waitpid
    std::string errText;  // the tail of its stderr
};

ChildOutcome runImporter(const std::string& exe, const std::string& source, const std::string& dest,
                         const std::string& previous, std::chrono::milliseconds timeout,
                         const std::atomic<bool>* cancel) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        fail(source, "impossibile avviare il lettore Jet: " + errnoText(errno));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    std::vector<std::string> args{exe, source, dest};
    if (!previous.empty()) args.push_back(previous);
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
    const auto cancelled = [cancel] { return cancel && cancel->load(); };
    auto remainingMs = [&]() -> long long {
        if (cancelled()) return 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        return left.count() > 0 ? static_cast<long long>(left.count()) : 0;
    };
    // Collect stderr until the child closes it; keep only its tail.
    bool open = true;
    char buf[4096];
    while (open && remainingMs() > 0) {
        pollfd p{fds[0], POLLIN, 0};
        const int n = poll(&p, 1, static_cast<int>(std::min<long long>(remainingMs(), 100)));
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
    outcome.timedOut = !cancelled();
    outcome.cancelled = cancelled();
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

void importInto(const std::string& source, std::uint64_t size, const std::string& tmp,
                const std::string& previous, const std::atomic<bool>* cancel) {
    const std::string exe = importerPath();
    if (access(exe.c_str(), X_OK) != 0)
        fail(source, "il lettore Jet " + exe + " non è installato" + kReinstall);
    const auto timeout = importTimeout(size);
    const ChildOutcome out = runImporter(exe, source, tmp, previous, timeout, cancel);
    if (out.cancelled) {
        unlink(tmp.c_str());
        fail(source, "lettura interrotta");
    }
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
    if (WIFEXITED(out.status) && WEXITSTATUS(out.status) == 3) {
        // The child could read the file but not write the copy.
        unlink(tmp.c_str());
        cacheFailure(
            fs::path(tmp).parent_path().string(),
            "impossibile scrivere la copia di " + source + " (" + lastLine(out.errText) + ")");
    }
    if (!WIFEXITED(out.status) || WEXITSTATUS(out.status) != 0) {
        unlink(tmp.c_str());
        std::string why = lastLine(out.errText);
        if (why.empty())
            why = "il lettore Jet non è riuscito a leggere il file e non ha detto perché";
        fail(source, why);
    }
}

// The newest finished copy of the same source, whatever state of the file it
// was made from: the importer starts from it and reads again only the pages
// that changed. A copy of a file written moments before ("live-") is never
// one: the file may have changed within one timestamp tick while it was read,
// and such a copy serves only the open it was made for. Empty when there is
// none.
std::string earlierCopy(const std::string& dir, const std::string& prefix) {
    std::string best;
    fs::file_time_type bestTime{};
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0 || name.find("tmp-", prefix.size()) != std::string::npos ||
            name.compare(prefix.size(), 5, "live-") == 0 || it->path().extension() != ".sqlite")
            continue;
        std::error_code e2;
        if (!it->is_regular_file(e2) || it->file_size(e2) == 0) continue;
        const auto when = it->last_write_time(e2);
        if (e2) continue;
        if (best.empty() || when > bestTime) {
            best = it->path().string();
            bestTime = when;
        }
    }
    return best;
}

}  // namespace

bool isJetFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[19] = {};
    if (!in.read(head, sizeof head)) return false;
    const std::string_view sig(head + 4, 15);
    return sig == "Standard Jet DB" || sig == "Standard ACE DB";
}

std::string jetCachedCopy(const std::string& path, bool* exact, const std::atomic<bool>* cancel) {
    std::error_code ec;
    fs::path abs = fs::canonical(path, ec);
    if (ec) abs = fs::absolute(path);
    const std::string source = abs.string();
    FileStamp stamp = stampOf(source);
    if (access(source.c_str(), R_OK) != 0)
        fail(source, "impossibile leggere il file: " + errnoText(errno));
    if (!isJetFile(source)) fail(source, "il file non è un database Jet");

    const std::string dir = cacheDirectory();
    const std::string prefix = copyPrefix(source);
    auto keyed = [&](const FileStamp& s) {
        return (fs::path(dir) /
                (prefix + hashName("jet-" + std::to_string(kCopyFormat) + "|" + s.text()) +
                 ".sqlite"))
            .string();
    };
    if (exact) *exact = true;
    // One import of a file at a time in this process: a report that needs the
    // copy the background refresh is making waits for it.
    const auto importing = lockSource(source);
    for (int attempt = 1; attempt <= kImportTries; ++attempt) {
        const std::string copy = keyed(stamp);
        if (fs::is_regular_file(copy, ec) && fs::file_size(copy, ec) > 0) return copy;
        // Import under a private name, then rename: a reader never sees a
        // half written copy, and two processes importing at once both end
        // with a complete file (the last rename wins).
        const std::string tmp = newTemporaryCopy(dir, prefix);
        const auto started = std::chrono::system_clock::now();
        bool failed = false;
        try {
            importInto(source, stamp.size, tmp, earlierCopy(dir, prefix), cancel);
        } catch (const DbError&) {
            unlink(tmp.c_str());
            // A read of a file that was being written may fail in any way:
            // only a failure on an unchanged file is the file's.
            if (stampOf(source) == stamp || (cancel && cancel->load())) throw;
            failed = true;
        } catch (...) {
            unlink(tmp.c_str());
            throw;
        }
        const FileStamp after = failed ? FileStamp{} : stampOf(source);
        if (after == stamp) {
            if (fs::file_size(tmp, ec) == 0 || ec) {
                unlink(tmp.c_str());
                fail(source, "il lettore Jet è terminato senza scrivere la copia" +
                                 std::string(kReinstall));
            }
            const auto mtime = std::chrono::system_clock::time_point(
                std::chrono::duration_cast<std::chrono::system_clock::duration>(
                    std::chrono::nanoseconds(stamp.mtimeNs)));
            const bool settled = started - mtime >= kSettleTime;
            // A copy of a file written moments ago serves this open only.
            const std::string target =
                settled ? copy
                        : (fs::path(dir) / (prefix + "live-" + std::to_string(getpid()) + "-" +
                                            hashName(tmp) + ".sqlite"))
                              .string();
            placeCopy(tmp, target, source);
            if (exact) *exact = settled;
            return target;
        }
        // The file changed while it was read: the copy may mix two versions.
        unlink(tmp.c_str());
        stamp = stampOf(source);
        std::this_thread::sleep_for(std::chrono::milliseconds(100 * attempt));
    }
    fail(source, "il file è in scrittura, riprovare");
}

}  // namespace corvex::db
