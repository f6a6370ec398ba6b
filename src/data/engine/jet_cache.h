// Genuine Jet files (Jet3, Jet4, ACE) read through libmdb into SQLite copies.
//
// libmdb is C code that trusts its input, so the import runs in a child
// process (the corvex-jetimport executable next to the running program, in
// ../libexec/corvex/ from it when installed, or the path in CORVEX_JETIMPORT)
// bounded in time. The copy lives in the cache
// folder (cacheDirectory()), keyed by the file's path, size and mtime, and is
// rebuilt when the file changes.
#pragma once

#include <string>

namespace corvex::db {

// True when the file starts with a Jet or ACE signature.
bool isJetFile(const std::string& path);

// Path of an up-to-date SQLite copy of the Jet file: same tables, same column
// names, declared types as the suite's SQLite files use (SHORT, LONG,
// TEXT(n), LONGTEXT, CURRENCY, DOUBLE), text in UTF-8, NULL and empty text
// kept apart, rows inserted in the physical order libmdb returns them (rowid
// order is the table's own order). Throws DbError with a clear message for a
// truncated, corrupt or unreadable file, or when the import times out.
//
// The other Jet types: Byte as BYTE, Boolean as BIT holding -1 or 0,
// Single as DOUBLE, DateTime as DATETIME holding the text
// 'yyyy-mm-dd hh:mm:ss', Memo as LONGTEXT, OLE as LONGBINARY (a blob),
// Replication ID as GUID text. CURRENCY holds the REAL nearest the exact
// amount: rounding it to 1/10000 gives the amount back (jet_values.h).
//
// The import is stopped after 30 s plus 1 s per MB of file;
// CORVEX_JETIMPORT_TIMEOUT_MS overrides that bound. A file changed less than
// two seconds before the import is read again on its next open.
std::string jetCachedCopy(const std::string& path);

// The cache folder: $CORVEX_CACHE, else $XDG_CACHE_HOME/corvex, else
// ~/.cache/corvex; created on demand. Never inside the data folder.
std::string cacheDirectory();

}  // namespace corvex::db
