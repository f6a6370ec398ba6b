#include "data/engine/statement.h"

#include <sqlite3.h>

#include "common/text.h"
#include "data/engine/error.h"

namespace corvex::db {

void StatementFinalizer::operator()(sqlite3_stmt* st) const noexcept {
    sqlite3_finalize(st);
}

Statement prepareStatement(sqlite3* db, std::string_view sql, const std::string& shown) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
    Statement st(raw);
    if (rc != SQLITE_OK)
        throw DbError(shown, utf8ToCp1252(sql), sqliteCause(rc, sqlite3_errmsg(db)));
    return st;
}

}  // namespace corvex::db
