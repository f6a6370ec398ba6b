#include "demo/sqlite_out.h"

#include <filesystem>
#include <stdexcept>

#include "data/engine/sql_quote.h"

namespace corvex::demo {

OutFile::OutFile(std::string path) : path_(std::move(path)) {
    if (std::filesystem::exists(path_)) {
        throw std::runtime_error("The file " + path_ + " already exists: nothing was written");
    }
    const int rc =
        sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        std::string cause = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error("Cannot create " + path_ + ": " + cause);
    }
    // The file is new and written once: no journal and no syncs are needed,
    // and they would make the large demo folder slow to build.
    exec("PRAGMA page_size=4096");
    exec("PRAGMA journal_mode=OFF");
    exec("PRAGMA synchronous=OFF");
    exec("PRAGMA cache_size=-32768");
    exec("BEGIN");
}

OutFile::~OutFile() {
    for (Inserter* i : inserters_) i->release();
    if (db_) sqlite3_close(db_);
}

void OutFile::exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string cause = message ? message : "unknown error";
        sqlite3_free(message);
        fail(cause + " (" + sql.substr(0, 80) + ")");
    }
}

void OutFile::fail(const std::string& what) const {
    throw std::runtime_error("Cannot write " + path_ + ": " + what);
}

void OutFile::createTable(const TableLayout& layout) {
    std::string sql = "CREATE TABLE " + db::quoteIdentifier(layout.name) + " (";
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        if (i) sql += ", ";
        sql += db::quoteIdentifier(layout.columns[i].name) + " " + layout.columns[i].type;
    }
    sql += ")";
    exec(sql);
}

void OutFile::finish() {
    for (Inserter* i : inserters_) i->release();
    inserters_.clear();
    exec("COMMIT");
    if (sqlite3_close(db_) != SQLITE_OK) fail(sqlite3_errmsg(db_));
    db_ = nullptr;
}

Inserter::Inserter(OutFile& file, const TableLayout& layout)
    : file_(&file), columns_(static_cast<int>(layout.columns.size())) {
    std::string sql = "INSERT INTO " + db::quoteIdentifier(layout.name) + " VALUES (";
    for (int i = 0; i < columns_; ++i) sql += i ? ",?" : "?";
    sql += ")";
    if (sqlite3_prepare_v2(file.handle(), sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
        file.fail(sqlite3_errmsg(file.handle()));
    }
    file.inserters_.push_back(this);
}

Inserter::~Inserter() {
    if (!file_) return;
    auto& list = file_->inserters_;
    for (auto it = list.begin(); it != list.end(); ++it) {
        if (*it == this) {
            list.erase(it);
            break;
        }
    }
    release();
}

void Inserter::release() {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    file_ = nullptr;
}

Inserter& Inserter::add(std::int64_t n) {
    sqlite3_bind_int64(stmt_, next_++, n);
    return *this;
}

Inserter& Inserter::add(std::string_view utf8) {
    sqlite3_bind_text(stmt_, next_++, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    return *this;
}

Inserter& Inserter::add(Currency amount) {
    return addReal(static_cast<double>(amount.units()) / Currency::kScale);
}

Inserter& Inserter::addReal(double d) {
    sqlite3_bind_double(stmt_, next_++, d);
    return *this;
}

Inserter& Inserter::addNull() {
    sqlite3_bind_null(stmt_, next_++);
    return *this;
}

void Inserter::row() {
    if (!stmt_) throw std::runtime_error("A row was added to a database file already closed");
    if (next_ != columns_ + 1) {
        file_->fail("row with " + std::to_string(next_ - 1) + " values for " +
                    std::to_string(columns_) + " columns");
    }
    if (sqlite3_step(stmt_) != SQLITE_DONE) file_->fail(sqlite3_errmsg(file_->handle()));
    sqlite3_reset(stmt_);
    next_ = 1;
}

}  // namespace corvex::demo
