// The engine's one exception type.
#pragma once

#include <stdexcept>
#include <string>

namespace corvex::db {

// A database failure: which file, which statement (may be empty) and the cause.
// what() gives a message fit for the user, naming the file and the cause.
class DbError : public std::runtime_error {
  public:
    DbError(std::string file, std::string sql, std::string cause);
    const std::string& file() const { return file_; }
    const std::string& sql() const { return sql_; }
    const std::string& cause() const { return cause_; }

  private:
    std::string file_, sql_, cause_;
};

}  // namespace corvex::db
