#include "output/text_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace corvex {

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& what, int err) {
    throw std::runtime_error("Impossibile " + what + " il file " + path + ": " +
                             std::strerror(err));
}

void writeAll(const std::string& path, std::string_view bytes, const char* tempOrNull) {
    const std::string target = tempOrNull ? std::string(tempOrNull) : path;
    std::FILE* f = std::fopen(target.c_str(), "wb");
    if (!f) fail(path, "scrivere", errno);
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    // A file put in place by a rename is on disk before its name is.
    const bool synced = !written || !tempOrNull || (std::fflush(f) == 0 && ::fsync(fileno(f)) == 0);
    const int writeErr = errno;
    const bool closed = std::fclose(f) == 0 && synced;
    if (!written || !closed) {
        const int err = written ? errno : writeErr;
        if (tempOrNull) std::remove(tempOrNull);
        fail(path, "scrivere", err ? err : EIO);
    }
}

}  // namespace

void scriviFileSicuro(const std::string& path, std::string_view bytes) {
    const std::string temp = path + ".tmp~";
    writeAll(path, bytes, temp.c_str());
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::remove(temp.c_str());
        throw std::runtime_error("Impossibile scrivere il file " + path + ": " + ec.message());
    }
}

void scriviFileDiretto(const std::string& path, std::string_view bytes) {
    writeAll(path, bytes, nullptr);
}

}  // namespace corvex
