// The cache folder: private copies of the suite's files (indexed SQLite
// copies of SQLite and Jet files alike), one per source file.
//
// The folder holds copies of guest data: it is made readable by its owner
// only (0700, files 0600). Every copy of a source file starts with the same
// prefix (a readable stem and a hash of the source's absolute path); a copy
// is built under a temporary name carrying the builder's process id and
// renamed into place, after which the other copies of the same source are
// removed. Temporary files of processes that no longer run are removed on
// the next run, and the copies used least recently go first when the folder
// holds more than its limit.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace corvex::db {

// $CORVEX_CACHE (a relative path is taken from the directory the program
// started in), else $XDG_CACHE_HOME/corvex, else ~/.cache/corvex; created on
// demand with mode 0700. Throws DbError naming the folder when it cannot be
// made.
std::string cacheDirectory();

// A 64-bit FNV-1a hash of s, as 16 hex digits: names cache files after what
// they hold (a source path, a file's state), so a different state never
// reuses a name.
std::string hashName(std::string_view s);

// The directory the program started in.
const std::string& startDirectory();

// Name prefix of every copy of one source file (an absolute path).
std::string copyPrefix(const std::string& absoluteSource);

// A new temporary file in the cache folder for a copy of the source with
// `prefix`, created empty with mode 0600. Throws DbError naming the cache.
std::string newTemporaryCopy(const std::string& dir, const std::string& prefix);

// Renames the finished temporary copy to `target`, then removes the other
// copies of the same source, leftovers of processes that no longer run and
// the least recently used copies beyond the limit. `source` is the file the
// copy was made from: the default limit is three times the size of the .mdb
// files of its folder, at least 64 MB ($CORVEX_CACHE_MAX, in bytes with an
// optional K, M or G, sets it). Throws DbError naming the cache folder when the rename fails.
void placeCopy(const std::string& temporary, const std::string& target, const std::string& source);

// Held while this process makes the copy of one source (an absolute path):
// a second thread asking for the same copy waits, then finds it made.
std::unique_lock<std::mutex> lockSource(const std::string& source);

// A copy this process still reads (a report's snapshot): placeCopy leaves it
// in place, as one of the copies beyond the newest, until it is released.
void holdCopy(const std::string& copy);
void releaseCopy(const std::string& copy);

// Marks a copy as just used.
void touchCopy(const std::string& copy);

// The limit on the cache folder's size for copies of files of `source`'s folder.
std::uint64_t cacheLimit(const std::string& source);

// A failure of the cache folder, not of the suite file: DbError naming the
// folder, with the suite file named in the cause.
[[noreturn]] void cacheFailure(const std::string& dir, const std::string& cause);

// Records that the cache folder could not be used and files are read
// without it; each cause is noted once per process, kept for the front to
// show (takeCacheWarning) and written to standard error.
void noteCacheUnusable(const std::string& cause);
// The pending notice (UTF-8), once; empty when there is none.
std::string takeCacheWarning();

}  // namespace corvex::db
