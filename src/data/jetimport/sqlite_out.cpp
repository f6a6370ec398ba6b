#include "data/jetimport/sqlite_out.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

#include "data/engine/sql_quote.h"
#include "data/jetimport/jet_import.h"

namespace corvex::jetimport {

SqliteOut::SqliteOut(const std::string& path) : path_(path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw WriteError("impossibile creare la copia " + path + ": " + msg);
    }
    // A private temporary file: no journal, no syncing, no other reader.
    exec("PRAGMA journal_mode=OFF");
    exec("PRAGMA synchronous=OFF");
    exec("PRAGMA locking_mode=EXCLUSIVE");
    exec("PRAGMA cache_size=-65536");
    // Marks the file as a copy of a Jet file ('JETC').
    exec("PRAGMA application_id=1246057539");
    exec("BEGIN");
}

SqliteOut::~SqliteOut() {
    sqlite3_finalize(insert_);
    sqlite3_close(db_);
}

void SqliteOut::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw WriteError("scrittura della copia non riuscita (" + msg + "): " + sql);
    }
}

void SqliteOut::fail(const std::string& what) {
    throw WriteError("scrittura della copia non riuscita, tabella " + table_ + ", " + what + ": " +
                     sqlite3_errmsg(db_));
}

void SqliteOut::createTable(const std::string& name, const std::vector<OutColumn>& columns) {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    table_ = name;
    std::string create = "CREATE TABLE " + db::quoteIdentifier(name) + " (";
    std::string insert = "INSERT INTO " + db::quoteIdentifier(name) + " VALUES (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i) {
            create += ", ";
            insert += ",";
        }
        create += db::quoteIdentifier(columns[i].name) + " " + columns[i].declaredType;
        if (columns[i].text) create += " COLLATE NOCASE";
        insert += "?";
    }
    create += ")";
    insert += ")";
    exec(create);
    if (columns.empty()) return;  // nothing can be inserted into a table without columns
    if (sqlite3_prepare_v2(db_, insert.c_str(), -1, &insert_, nullptr) != SQLITE_OK)
        fail("preparazione dell'inserimento");
}

void SqliteOut::setNull(int col) {
    sqlite3_bind_null(insert_, col + 1);
}
void SqliteOut::setInt(int col, std::int64_t v) {
    sqlite3_bind_int64(insert_, col + 1, v);
}
void SqliteOut::setDouble(int col, double v) {
    sqlite3_bind_double(insert_, col + 1, v);
}
void SqliteOut::setText(int col, std::string_view utf8) {
    sqlite3_bind_text64(insert_, col + 1, utf8.data(), utf8.size(), SQLITE_STATIC, SQLITE_UTF8);
}
void SqliteOut::setBlob(int col, const void* data, std::size_t size) {
    // A zero-length blob still has to differ from NULL.
    static const char empty = 0;
    sqlite3_bind_blob64(insert_, col + 1, size ? data : &empty, size, SQLITE_STATIC);
}

void SqliteOut::insertRow() {
    if (!insert_) return;
    if (sqlite3_step(insert_) != SQLITE_DONE) fail("inserimento di una riga");
    sqlite3_reset(insert_);
}

void SqliteOut::finish() {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    exec("COMMIT");
    if (sqlite3_close(db_) != SQLITE_OK) fail("chiusura");
    db_ = nullptr;
    // The copy is renamed into the cache next: make sure its bytes are on
    // disk first, so a power cut never leaves a cached copy half written.
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || fdatasync(fd) != 0) {
        if (fd >= 0) close(fd);
        throw WriteError("impossibile scrivere su disco la copia " + path_);
    }
    close(fd);
}

}  // namespace corvex::jetimport
