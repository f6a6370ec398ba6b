// Which file the engine reads for a suite file: the up-to-date indexed copy
// in the cache folder (made from the file itself, or from the SQLite copy of
// a genuine Jet file), remembered per file while the file stays unchanged.
#pragma once

#include <atomic>
#include <string>

namespace corvex::db {

// The file to read for a suite file: the up-to-date indexed copy (SQLite or
// Jet source alike) or, when the cache folder is unusable, the file itself.
// Sets jet when the source is a Jet file. Throws DbError for a missing or
// unrecognised file. The answer is remembered per file while its size,
// mtime, ctime and inode (and its -wal file's) stay the same and the copy
// exists; `fresh` skips that memory.
std::string readableCopy(const std::string& path, const std::string& shown, bool& jet,
                         bool fresh = false);
// Brings the copy of a suite file up to date (made when missing) without
// touching any report's snapshot: what a background refresh does. Throws
// DbError as readableCopy; a Jet import stops soon after `cancel` is set.
void refreshCopy(const std::string& path, const std::atomic<bool>* cancel = nullptr);

// DbError unless the path names a regular file: "file non trovato", or a
// folder or device where a database file should be.
void checkDatabaseFile(const std::string& path, const std::string& shown);
// True for a Jet file, false for an SQLite file; DbError for anything else,
// and for a file that is not a whole number of its pages ("file danneggiato
// o incompleto": a partial copy or a full disk cuts a file anywhere).
bool detectJet(const std::string& path, const std::string& shown);

// One snapshot of the suite for one report run: while a scope exists in the
// process, every file is read through the copy it was first read through in
// the scope, so a file the suite replaces during the run is read in one
// version from the first day of a period to the last (a pinned copy is not
// removed by this process while pinned, cache_folder.h: holdCopy). Scopes nest; the
// outermost one's end lets later reads see the files' new versions. With a
// server chosen (pg_reader.h), the outermost scope is also the run's one
// read-only transaction on the server.
class SnapshotScope {
  public:
    SnapshotScope();
    ~SnapshotScope();
    SnapshotScope(const SnapshotScope&) = delete;
    SnapshotScope& operator=(const SnapshotScope&) = delete;
};

// Forgets the pinned copy of a file this process is about to write.
void unpinCopy(const std::string& path);

// The path made absolute against the current directory (unchanged when it
// already is; empty when the current directory cannot be read).
std::string absolutePath(const std::string& path);

}  // namespace corvex::db
