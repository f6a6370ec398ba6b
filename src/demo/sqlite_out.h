// A small writer for SQLite-format database files, used by the demo
// generator. It talks to sqlite3 directly: the demo folder must not depend on
// the database engine it is meant to exercise.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/currency.h"

namespace corvex::demo {

// One column of a table layout: its name and its declared type exactly as it
// is written in CREATE TABLE ("SHORT", "TEXT(8) COLLATE NOCASE", ...).
struct Column {
    std::string name;
    std::string type;
};

struct TableLayout {
    std::string name;
    std::vector<Column> columns;
};

// Creates a new database file and keeps one transaction open until finish().
// The file carries tables only: no index, no view, nothing else. Throws
// std::runtime_error naming the file on any failure.
class Inserter;

class OutFile {
  public:
    explicit OutFile(std::string path);
    ~OutFile();
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    void createTable(const TableLayout& layout);
    // Commits and closes the file; its inserters can add no more rows.
    void finish();

    const std::string& path() const { return path_; }
    sqlite3* handle() { return db_; }
    void exec(const std::string& sql);
    [[noreturn]] void fail(const std::string& what) const;

  private:
    friend class Inserter;
    std::string path_;
    sqlite3* db_ = nullptr;
    std::vector<Inserter*> inserters_;
};

// A prepared INSERT of every column of a table, in column order. Values are
// added one by one with the add functions; row() stores the row.
class Inserter {
  public:
    Inserter(OutFile& file, const TableLayout& layout);
    ~Inserter();
    Inserter(const Inserter&) = delete;
    Inserter& operator=(const Inserter&) = delete;

    Inserter& add(std::int64_t n);
    Inserter& add(int n) { return add(static_cast<std::int64_t>(n)); }
    Inserter& add(std::string_view utf8);
    Inserter& add(const char* utf8) { return add(std::string_view(utf8)); }
    Inserter& add(const std::string& utf8) { return add(std::string_view(utf8)); }
    // CURRENCY columns are REAL in SQLite: the exact 1/10000 units are handed
    // over as the nearest double, which reads back to the same units.
    Inserter& add(Currency amount);
    Inserter& addReal(double d);
    Inserter& addNull();
    void row();

  private:
    friend class OutFile;
    void release();
    OutFile* file_;  // null once the file is closed
    sqlite3_stmt* stmt_ = nullptr;
    int columns_ = 0;
    int next_ = 1;
};

}  // namespace corvex::demo
