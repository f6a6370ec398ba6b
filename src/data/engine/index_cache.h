// Indexed copies of the suite's files, kept in the cache folder.
//
// The suite's files carry few or no indexes and this program never writes
// them, while the reports send one full-scan statement per day or per guest.
// So the engine reads a copy of each file with indexes on the columns the
// reports filter on (dates, guest and room keys, the document key), planner
// statistics, and the span table that bounds presence tests (see
// sql_translate.cpp). A copy is keyed by the source's path, size and mtime
// (and those of its -wal file), built under a temporary name and renamed into
// place, so concurrent builders never expose a half-built copy; one copy per
// source file is kept (cache_folder.h).
#pragma once

#include <string>

struct sqlite3;

namespace corvex::db {

// Path of an up-to-date indexed copy of an SQLite database file. `shownName`
// names the file in errors. Returns an empty text when the cache folder cannot
// be written (the caller then reads the source itself, and one warning is
// noted: noteCacheUnusable); throws DbError when the source cannot be read. `exact`, when given, is
// set to false when the copy is a recent one of an earlier state of a file that keeps changing.
std::string indexedCopy(const std::string& sqlitePath, const std::string& shownName,
                        bool* exact = nullptr);

// Adds the indexes, statistics and span table to a new SQLite copy (the Jet
// importer's output). Throws DbError naming the copy.
void indexCopy(const std::string& path);

// After rows of `table` of an indexed copy changed (the indexes follow by
// themselves): its spans and planner statistics computed again.
void refreshTableStatistics(sqlite3* db, const std::string& table, const std::string& shown);

// Opening flags and URI of a file read without ever writing it.
std::string readOnlyUri(const std::string& path);

}  // namespace corvex::db
