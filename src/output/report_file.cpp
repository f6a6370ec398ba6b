#include "output/report_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "common/config_files.h"
#include "common/environment.h"
#include "common/text.h"

namespace corvex {

namespace {

std::runtime_error ioError(const std::string& what, const std::string& path, int err) {
    return std::runtime_error(what + " \"" + path + "\": " + std::strerror(err));
}

// Copies the current file at path (a regular file, never through a symbolic
// link) to the end of out. A missing file or a link copies nothing.
void copyCurrent(const std::string& path, std::FILE* out, const std::string& temp) {
    const int in = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        if (errno == ENOENT || errno == ELOOP) return;
        throw ioError("Impossibile leggere il file", path, errno);
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(in);
            throw ioError("Impossibile leggere il file", path, err);
        }
        if (std::fwrite(buf, 1, static_cast<std::size_t>(n), out) != static_cast<std::size_t>(n)) {
            const int err = errno;
            ::close(in);
            throw ioError("Errore di scrittura sul file", temp, err);
        }
    }
    ::close(in);
}

// Appending runs of one folder one at a time: each copies the file the
// previous one put in place, so no run's pages are lost. The lock is the
// folder's own (flock on the directory), released when the run ends; a run
// waits for another at most this long.
constexpr int kAppendWaitMs = 60000;

int lockFolderOf(const std::string& path) {
    std::string dir = path;
    const std::size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw ioError("Impossibile scrivere il file", path, errno);
    for (int waited = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; waited += 50) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            const int err = errno;
            ::close(fd);
            throw ioError("Impossibile scrivere il file", path, err);
        }
        if (waited >= kAppendWaitMs) {
            ::close(fd);
            throw std::runtime_error("Il file \"" + path +
                                     "\" è in scrittura da un'altra postazione: riprovare");
        }
        ::usleep(50000);
    }
    return fd;
}

}  // namespace

ReportWriter::ReportWriter(Mode mode) : ReportWriter(reportFileName(), mode) {}

ReportWriter::ReportWriter(const std::string& path, Mode mode) : path_(path) {
    removeStaleTemporaries(path);
    int fd = -1;
    for (int tries = 0; fd < 0; ++tries) {
        temp_ = temporaryNameBeside(path);
        fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || tries >= 100)) {
            throw ioError("Impossibile scrivere il file", path, errno);
        }
    }
    f_ = ::fdopen(fd, "wb");
    if (f_ == nullptr) {
        const int err = errno;
        ::close(fd);
        ::unlink(temp_.c_str());
        throw ioError("Impossibile scrivere il file", path, err);
    }
    if (mode == Mode::Append) {
        try {
            lock_ = lockFolderOf(path);
            copyCurrent(path, f_, temp_);
        } catch (...) {
            discard();
            throw;
        }
    }
}

ReportWriter::~ReportWriter() {
    discard();
}

void ReportWriter::discard() noexcept {
    if (f_ != nullptr) {
        std::fclose(f_);
        f_ = nullptr;
        ::unlink(temp_.c_str());
    }
    unlock();
}

void ReportWriter::unlock() noexcept {
    if (lock_ >= 0) ::close(lock_);  // closing the folder's descriptor releases its lock
    lock_ = -1;
}

void ReportWriter::line(std::string_view text) {
    if (f_ == nullptr) throw std::runtime_error("File \"" + path_ + "\" già chiuso");
    std::string cleaned;
    if (hasControlCharacter(text)) {
        cleaned = blankControlCharacters(text);
        text = cleaned;
    }
    if ((!text.empty() && std::fwrite(text.data(), 1, text.size(), f_) != text.size()) ||
        std::fwrite("\r\n", 1, 2, f_) != 2) {
        throw ioError("Errore di scrittura sul file", path_, errno);
    }
}

void ReportWriter::close() {
    if (f_ == nullptr) return;
    std::FILE* f = f_;
    f_ = nullptr;
    // The bytes reach the disk before the name does: a power cut after the
    // rename never leaves an empty or partial report in place of the old one.
    const bool failed = std::ferror(f) != 0 || std::fflush(f) != 0 || ::fsync(fileno(f)) != 0;
    const int syncErr = errno;
    if (std::fclose(f) != 0 || failed) {
        const int err = failed ? syncErr : errno;
        ::unlink(temp_.c_str());
        unlock();
        throw ioError("Errore di scrittura sul file", path_, err);
    }
    // rename() replaces a symbolic link named path_ itself, never its target.
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp_.c_str());
        unlock();
        throw ioError("Impossibile scrivere il file", path_, err);
    }
    unlock();
}

bool reportFileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> readReportLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    if (!in) return lines;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t nl = content.find('\n', start);
        if (nl == std::string::npos) {
            lines.push_back(content.substr(start));
            break;
        }
        std::size_t end = nl;
        if (end > start && content[end - 1] == '\r') --end;
        lines.push_back(content.substr(start, end - start));
        start = nl + 1;
    }
    return lines;
}

std::string Converti2(std::string_view line) {
    std::string out(line);
    for (char& ch : out) {
        switch (static_cast<unsigned char>(ch)) {
            case 180:
                ch = '\'';
                break;
            case 192:
                ch = static_cast<char>(224);
                break;  // À -> à
            case 200:
                ch = static_cast<char>(232);
                break;  // È -> è
            case 201:
                ch = static_cast<char>(233);
                break;  // É -> é
            case 204:
                ch = static_cast<char>(236);
                break;  // Ì -> ì
            case 217:
                ch = static_cast<char>(249);
                break;  // Ù -> ù
            case 210:
                ch = static_cast<char>(242);
                break;  // Ò -> ò
            case 179:
            case 183:
            case 186:
            case 195:
                ch = '|';
                break;
            case 187:
            case 188:
            case 191:
            case 193:
            case 194:
            case 196:
            case 197:
            case 202:
            case 203:
            case 206:
            case 218:
                ch = '-';
                break;
            default:
                break;
        }
    }
    return out;
}

std::string PulisciRiga(std::string_view line) {
    std::string kept;
    kept.reserve(line.size());
    for (char ch : line) {
        if (static_cast<unsigned char>(ch) != 231) kept += ch;
    }
    return Converti2(kept);
}

}  // namespace corvex
