// The SQLite file the importer writes: one table per Jet table, rows appended
// in the order they are read, all in one transaction without journal (the
// file is a private temporary until the parent renames it into the cache).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::jetimport {

struct OutColumn {
    std::string name;
    std::string declaredType;  // "SHORT", "TEXT(50)", ...
    bool text = false;         // compared case-insensitively
};

class SqliteOut {
  public:
    enum class Mode {
        Create,  // a new file, which must not exist yet
        Update,  // an earlier copy, indexed: rows are replaced in place
    };
    SqliteOut(const std::string& path, Mode mode);
    ~SqliteOut();
    SqliteOut(const SqliteOut&) = delete;
    SqliteOut& operator=(const SqliteOut&) = delete;

    void createTable(const std::string& name, const std::vector<OutColumn>& columns);
    // Makes an existing table the one rows go to.
    void useTable(const std::string& name, const std::vector<OutColumn>& columns);
    // Removes the current table's rows of one page: rowids page << shift up to
    // the next page's.
    void deletePage(std::uint32_t page, int shift);
    // Rows of the current table.
    std::uint64_t rowCount();
    sqlite3* handle() const { return db_; }

    // Values of the current row, by 0-based column. Every column is set for
    // every row; text and blobs must stay valid until insertRow().
    void setNull(int col);
    void setInt(int col, std::int64_t v);
    void setDouble(int col, double v);
    void setText(int col, std::string_view utf8);
    void setBlob(int col, const void* data, std::size_t size);
    void insertRow(std::int64_t rowid);

    // Commits and closes; the file is complete only after this.
    void finish();

  private:
    void exec(const std::string& sql);
    [[noreturn]] void fail(const std::string& what);

    std::string path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* delete_ = nullptr;
    std::string table_;
};

}  // namespace corvex::jetimport
