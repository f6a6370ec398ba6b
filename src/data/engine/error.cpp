#include "data/engine/error.h"

namespace corvex::db {

namespace {

std::string message(const std::string& file, const std::string& cause) {
    if (file.empty()) return cause;
    return file + ": " + cause;
}

}  // namespace

DbError::DbError(std::string file, std::string sql, std::string cause)
    : std::runtime_error(message(file, cause)),
      file_(std::move(file)),
      sql_(std::move(sql)),
      cause_(std::move(cause)) {}

}  // namespace corvex::db
