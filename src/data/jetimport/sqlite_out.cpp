#include "data/jetimport/sqlite_out.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

#include "data/engine/sql_quote.h"
#include "data/engine/sqlite_functions.h"
#include "data/jetimport/jet_import.h"

namespace corvex::jetimport {

SqliteOut::SqliteOut(const std::string& path, Mode mode) : path_(path) {
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX |
                      (mode == Mode::Create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw WriteError("impossibile creare la copia " + path + ": " + msg);
    }
    // The engine's collation sorts the indexes an updated copy keeps.
    db::registerEngineFunctions(db_);
    // A private temporary file: no journal, no syncing, no other reader.
    exec("PRAGMA journal_mode=OFF");
    exec("PRAGMA synchronous=OFF");
    exec("PRAGMA locking_mode=EXCLUSIVE");
    exec("PRAGMA cache_size=-65536");
    // Marks the file as a copy of a Jet file ('JETC').
    if (mode == Mode::Create) exec("PRAGMA application_id=1246057539");
    exec("BEGIN");
}

SqliteOut::~SqliteOut() {
    sqlite3_finalize(insert_);
    sqlite3_finalize(delete_);
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
    std::string create = "CREATE TABLE " + db::quoteIdentifier(name) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i) create += ", ";
        create += db::quoteIdentifier(columns[i].name) + " " + columns[i].declaredType;
        if (columns[i].text) create += " COLLATE NOCASE";
    }
    create += ")";
    table_ = name;
    exec(create);
    useTable(name, columns);
}

void SqliteOut::useTable(const std::string& name, const std::vector<OutColumn>& columns) {
    sqlite3_finalize(insert_);
    sqlite3_finalize(delete_);
    insert_ = delete_ = nullptr;
    table_ = name;
    // The rowid by one of its names that no column takes.
    std::string rowid;
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
        bool taken = false;
        for (const auto& c : columns) taken = taken || sqlite3_stricmp(c.name.c_str(), alias) == 0;
        if (!taken) {
            rowid = alias;
            break;
        }
    }
    if (rowid.empty()) fail("nessun nome libero per il numero di riga");
    const std::string table = db::quoteIdentifier(name);
    std::string insert = "INSERT INTO " + table + " (" + rowid;
    std::string values = ") VALUES (?";
    for (const auto& c : columns) {
        insert += ", " + db::quoteIdentifier(c.name);
        values += ",?";
    }
    insert += values + ")";
    if (sqlite3_prepare_v2(db_, insert.c_str(), -1, &insert_, nullptr) != SQLITE_OK)
        fail("preparazione dell'inserimento");
    const std::string del = "DELETE FROM " + table + " WHERE " + rowid + " BETWEEN ?1 AND ?2";
    if (sqlite3_prepare_v2(db_, del.c_str(), -1, &delete_, nullptr) != SQLITE_OK)
        fail("preparazione della cancellazione");
}

void SqliteOut::deletePage(std::uint32_t page, int shift) {
    const std::int64_t first = static_cast<std::int64_t>(page) << shift;
    sqlite3_bind_int64(delete_, 1, first);
    sqlite3_bind_int64(delete_, 2, first + (std::int64_t{1} << shift) - 1);
    if (sqlite3_step(delete_) != SQLITE_DONE) fail("cancellazione delle righe di una pagina");
    sqlite3_reset(delete_);
}

std::uint64_t SqliteOut::rowCount() {
    sqlite3_stmt* st = nullptr;
    const std::string sql = "SELECT count(*) FROM " + db::quoteIdentifier(table_);
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
        fail("conteggio delle righe");
    const bool ok = sqlite3_step(st) == SQLITE_ROW;
    const auto n = ok ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_finalize(st);
    if (!ok) fail("conteggio delle righe");
    return static_cast<std::uint64_t>(n);
}

void SqliteOut::setNull(int col) {
    sqlite3_bind_null(insert_, col + 2);
}
void SqliteOut::setInt(int col, std::int64_t v) {
    sqlite3_bind_int64(insert_, col + 2, v);
}
void SqliteOut::setDouble(int col, double v) {
    sqlite3_bind_double(insert_, col + 2, v);
}
void SqliteOut::setText(int col, std::string_view utf8) {
    sqlite3_bind_text64(insert_, col + 2, utf8.data(), utf8.size(), SQLITE_STATIC, SQLITE_UTF8);
}
void SqliteOut::setBlob(int col, const void* data, std::size_t size) {
    // A zero-length blob still has to differ from NULL.
    static const char empty = 0;
    sqlite3_bind_blob64(insert_, col + 2, size ? data : &empty, size, SQLITE_STATIC);
}

void SqliteOut::insertRow(std::int64_t rowid) {
    sqlite3_bind_int64(insert_, 1, rowid);
    if (sqlite3_step(insert_) != SQLITE_DONE) fail("inserimento di una riga");
    sqlite3_reset(insert_);
}

void SqliteOut::finish() {
    sqlite3_finalize(insert_);
    sqlite3_finalize(delete_);
    insert_ = delete_ = nullptr;
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
