// The engine's one exception type.
#pragma once

#include <stdexcept>
#include <string>

namespace corvex::db {

// A database failure: which file, which statement (may be empty) and the cause.
// The file name and the statement are held as the program holds text (code
// page 1252); the cause is a UTF-8 message in Italian. what() gives the
// message for a person, in UTF-8: "Fatture.mdb: tabella X inesistente".
class DbError : public std::runtime_error {
  public:
    DbError(std::string file, std::string sql, std::string cause);
    const std::string& file() const { return file_; }
    const std::string& sql() const { return sql_; }
    const std::string& cause() const { return cause_; }

  private:
    std::string file_, sql_, cause_;
};

// SQLite's result code `rc` and its English message as an Italian cause
// (UTF-8) that keeps the detail: "no such table: Fatture" gives
// "tabella Fatture inesistente", SQLITE_BUSY "database bloccato da un altro
// programma". A message nothing here knows is kept, after a general cause.
std::string sqliteCause(int rc, const char* message);

// A system error number as an Italian cause (UTF-8): ENOSPC "disco pieno".
std::string systemCause(int err);

}  // namespace corvex::db
