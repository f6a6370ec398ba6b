// Genuine Jet files (Jet3, Jet4, ACE) read through libmdb into SQLite copies.
//
// libmdb is C code that trusts its input, so the import runs in a child
// process (the corvex-jetimport executable next to the running program, in
// ../libexec/corvex/ from it when installed, or the path in CORVEX_JETIMPORT)
// bounded in time, which writes the indexed copy straight into the cache
// folder (cacheDirectory()).
#pragma once

#include <atomic>
#include <string>

#include "data/engine/cache_folder.h"  // cacheDirectory()

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
// amount: rounding it to 1/10000 gives the amount back (data/jetimport/jet_values.h).
//
// The copy is the indexed copy the engine reads (index_cache.h), one per
// source file in the cache folder (cache_folder.h), keyed by the file's
// path, size, times and inode. A file that changes while it is read is read
// again; one that keeps changing gives DbError "il file è in scrittura,
// riprovare". `exact`, when given, is set to false for a copy of a file
// written less than two seconds before: that copy serves the current open
// only.
//
// The import is stopped after 30 s plus 1 s per MB of file;
// CORVEX_JETIMPORT_TIMEOUT_MS overrides that bound. It is also stopped, with
// DbError, soon after `cancel` becomes true (a background refresh that is no
// longer wanted); nothing is left in the cache then.
std::string jetCachedCopy(const std::string& path, bool* exact = nullptr,
                          const std::atomic<bool>* cancel = nullptr);

}  // namespace corvex::db
