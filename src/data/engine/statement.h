// An owned SQLite prepared statement.
#pragma once

#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace corvex::db {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* st) const noexcept;
};
// Finalized when it goes out of scope.
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// Prepares one statement (UTF-8 text) on db. Throws DbError naming `shown`
// with the statement and SQLite's cause in Italian when SQLite refuses it.
Statement prepareStatement(sqlite3* db, std::string_view sql, const std::string& shown);

}  // namespace corvex::db
