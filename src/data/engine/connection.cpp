#include "data/engine/connection.h"

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <list>
#include <mutex>

#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/copy_cache.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "data/engine/index_cache.h"
#include "data/engine/jet_cache.h"
#include "data/engine/sql_quote.h"
#include "data/engine/sqlite_functions.h"
#include "data/engine/statement.h"

namespace corvex::db {

namespace {

std::string cp(const char* utf8) {
    return utf8 ? utf8ToCp1252(utf8) : std::string();
}

}  // namespace

Connection::Connection(const std::string& file, bool readOnly, bool jet, std::string shown)
    : shown_(std::move(shown)), readOnly_(readOnly), jet_(jet) {
    // One connection serves one thread: no per-call locking inside SQLite.
    int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX |
                (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    std::string name = readOnly ? readOnlyUri(file) : file;
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string cause =
            db_ ? sqliteCause(rc, sqlite3_errmsg(db_)) : "impossibile aprire il file";
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw DbError(shown_, "", cause);
    }
    // The suite writes its files while reports run: wait for its locks.
    sqlite3_busy_timeout(db_, 10000);
    sqlite3_extended_result_codes(db_, 0);
    // A double-quoted name that is no column must be an error, not a text.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    registerEngineFunctions(db_);
    // Reading the schema now turns a file that is not a database into an
    // error at open time rather than at the first statement.
    rc = sqlite3_exec(db_, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        std::string cause = sqliteCause(rc, sqlite3_errmsg(db_));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw DbError(shown_, "", cause);
    }
}

Connection::~Connection() {
    statements_.clear();
    selects_.clear();
    sqlite3_close_v2(db_);
}

std::string Connection::cause(const std::string& said) const {
    // A genuine Jet file without the suite's tables is no file of the suite.
    if (jet_ && said.rfind("tabella ", 0) == 0 && said.size() > 12 &&
        said.compare(said.size() - 12, 12, " inesistente") == 0)
        return "database Jet danneggiato o di un altro programma (" + said + ")";
    return said;
}

void Connection::fail(const std::string& sql, int rc) const {
    if (rc == SQLITE_READONLY) readOnlyError(sql);
    throw DbError(shown_, sql, cause(sqliteCause(rc, sqlite3_errmsg(db_))));
}

void Connection::readOnlyError(const std::string& sql) const {
    throw DbError(shown_, sql, "il file è di sola lettura");
}

sqlite3_stmt* Connection::prepare(const std::string& sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second.get();
    return statements_.emplace(sql, prepareStatement(db_, sql, shown_)).first->second.get();
}

void Connection::exec(const std::string& sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) fail(utf8ToCp1252(sql), rc);
}

void Connection::schemaChanged() {
    selects_.clear();
    tables_.clear();
}

Connection::Prepared& Connection::prepareSelect(const sql::Lexed& lexed,
                                                const std::string& original) {
    auto it = selects_.find(lexed.shape);
    if (it != selects_.end()) return *it->second;
    auto p = std::make_unique<Prepared>();
    try {
        auto select = sql::parseSelect(lexed);
        p->translation = sql::translate(*select, lexed.literals, *this, !readOnly_);
    } catch (const DbError& e) {
        throw DbError(e.file().empty() ? shown_ : e.file(), original, e.cause());
    }
    try {
        p->stmt = prepareStatement(db_, p->translation.sql, shown_);
    } catch (const DbError& e) {
        throw DbError(shown_, original, cause(e.cause()));
    }
    return *selects_.emplace(lexed.shape, std::move(p)).first->second;
}

std::string Connection::attach(const std::string& file) {
    std::string name = file;
    for (char& c : name)
        if (c == '\\') c = '/';
    std::string path = resolveFileName(name);
    std::error_code ec;
    std::string key = std::filesystem::absolute(path, ec).lexically_normal().string();
    auto it = attached_.find(key);
    if (it != attached_.end()) return it->second;
    bool jet = false;
    std::string copy = readableCopy(path, file, jet);
    std::string alias = std::to_string(attached_.size() + 1);
    alias.insert(0, 1, 'x');
    Statement st = prepareStatement(db_, "ATTACH DATABASE ?1 AS " + alias, file);
    std::string uri = readOnlyUri(copy);
    sqlite3_bind_text(st.get(), 1, uri.c_str(), static_cast<int>(uri.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(st.get());
    if (rc != SQLITE_DONE) throw DbError(file, "", sqliteCause(rc, sqlite3_errmsg(db_)));
    attached_.emplace(key, alias);
    attachedCopies_.emplace_back(key, copy);
    return alias;
}

bool Connection::attachmentsCurrent() const {
    for (const auto& [path, copy] : attachedCopies_) {
        try {
            bool jet = false;
            if (readableCopy(path, path, jet) != copy) return false;
        } catch (const std::exception&) {
            return false;
        }
    }
    return true;
}

bool Connection::resetForReuse() {
    if (!db_) return false;
    for (sqlite3_stmt* st = sqlite3_next_stmt(db_, nullptr); st; st = sqlite3_next_stmt(db_, st))
        if (sqlite3_stmt_busy(st)) sqlite3_reset(st);
    if (!sqlite3_get_autocommit(db_) &&
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    return sqlite3_get_autocommit(db_) != 0;
}

namespace {

// Idle read-only connections, most recently used first, each with its key:
// the copy it reads, the name it shows and the working folder (relative
// "In 'file'" names in its cached statements were resolved against it).
struct ConnectionPool {
    std::mutex mutex;
    std::list<std::pair<std::string, std::unique_ptr<Connection>>> idle;
};

constexpr std::size_t kIdleConnections = 12;

ConnectionPool& connectionPool() {
    static auto* pool = new ConnectionPool;  // never destroyed: usable until exit
    return *pool;
}

void giveBack(const std::string& key, Connection* c) {
    std::unique_ptr<Connection> conn(c);
    if (!conn->resetForReuse()) return;
    std::vector<std::unique_ptr<Connection>> closing;
    {
        ConnectionPool& pool = connectionPool();
        std::lock_guard lock(pool.mutex);
        pool.idle.emplace_front(key, std::move(conn));
        while (pool.idle.size() > kIdleConnections) {
            closing.push_back(std::move(pool.idle.back().second));
            pool.idle.pop_back();
        }
    }
}

}  // namespace

std::shared_ptr<Connection> pooledConnection(const std::string& copy, bool jet,
                                             const std::string& shown) {
    std::string key = copy + '\x1f' + shown + '\x1f' + absolutePath(".");
    std::unique_ptr<Connection> conn;
    std::vector<std::unique_ptr<Connection>> closing;
    {
        ConnectionPool& pool = connectionPool();
        std::lock_guard lock(pool.mutex);
        for (auto it = pool.idle.begin(); it != pool.idle.end();) {
            if (!conn && it->first == key) {
                conn = std::move(it->second);
                it = pool.idle.erase(it);
            } else if (it->second->shown() == shown &&
                       it->first.compare(0, copy.size() + 1, copy + '\x1f') != 0) {
                // A connection on an older copy of the same file.
                closing.push_back(std::move(it->second));
                it = pool.idle.erase(it);
            } else {
                ++it;
            }
        }
    }
    if (conn && !conn->attachmentsCurrent()) conn.reset();
    if (!conn) conn = std::make_unique<Connection>(copy, true, jet, shown);
    return std::shared_ptr<Connection>(conn.release(), [key](Connection* c) { giveBack(key, c); });
}

const sql::TableInfo* Connection::table(const std::string& schema, const std::string& name) {
    std::string key = schema + '\x01' + jet::foldCase(name);
    auto it = tables_.find(key);
    if (it != tables_.end()) return it->second.get();
    std::unique_ptr<sql::TableInfo> info;
    const std::string s = quoteIdentifier(schema);
    // The schema's own spelling of the name, matched without regard to case.
    Statement st = prepareStatement(
        db_, "SELECT name FROM " + s + ".sqlite_master WHERE type IN ('table', 'view')", shown_);
    std::string found;
    while (sqlite3_step(st.get()) == SQLITE_ROW) {
        std::string n = cp(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)));
        if (jet::equalNoCase(n, name)) found = n;
    }
    if (!found.empty()) {
        info = std::make_unique<sql::TableInfo>();
        info->name = found;
        std::string u = cp1252ToUtf8(found);
        st =
            prepareStatement(db_, "SELECT name, type FROM " + s + ".pragma_table_info(?1)", shown_);
        sqlite3_bind_text(st.get(), 1, u.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st.get()) == SQLITE_ROW) {
            auto type = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1));
            info->columns.push_back(
                {cp(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0))),
                 sql::typeOfDeclared(type ? type : "")});
        }
        // Files that are no indexed copy (the cache folder was unusable) have
        // no span table: no span is known then.
        sqlite3_stmt* raw = nullptr;
        const std::string q =
            "SELECT col, span FROM " + s + ".corvex_span WHERE tbl = ?1 AND span >= 0";
        if (sqlite3_prepare_v2(db_, q.c_str(), -1, &raw, nullptr) == SQLITE_OK) {
            st.reset(raw);
            sqlite3_bind_text(st.get(), 1, u.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(st.get()) == SQLITE_ROW)
                info->spans[jet::foldCase(
                    cp(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0))))] =
                    static_cast<long>(sqlite3_column_int64(st.get(), 1));
        } else {
            sqlite3_finalize(raw);
        }
    }
    auto* raw = info.get();
    tables_.emplace(key, std::move(info));
    return raw;
}

void bindValue(sqlite3_stmt* st, int i, const Value& v) {
    if (auto* t = v.textIf()) {
        std::string u = cp1252ToUtf8(*t);
        sqlite3_bind_text(st, i, u.data(), static_cast<int>(u.size()), SQLITE_TRANSIENT);
    } else if (auto* n = v.intIf()) {
        sqlite3_bind_int64(st, i, *n);
    } else if (auto* c = v.currencyIf()) {
        sqlite3_bind_double(st, i, static_cast<double>(c->units()) / Currency::kScale);
    } else if (auto* d = v.doubleIf()) {
        sqlite3_bind_double(st, i, *d);
    } else {
        sqlite3_bind_null(st, i);
    }
}

}  // namespace corvex::db
