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

#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "data/engine/index_cache.h"
#include "data/engine/jet_cache.h"
#include "data/engine/jet_text.h"
#include "data/engine/sqlite_functions.h"

namespace corvex::db {

namespace {

bool isSqliteFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[16] = {};
    in.read(head, sizeof head);
    return in.gcount() == 16 &&
           std::string_view(head, 16) == std::string_view("SQLite format 3\0", 16);
}

std::string cp(const char* utf8) {
    return utf8 ? utf8ToCp1252(utf8) : std::string();
}

}  // namespace

bool detectJet(const std::string& path, const std::string& shown) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) throw DbError(shown, "", "file non trovato");
    if (isSqliteFile(path)) return false;
    if (isJetFile(path)) return true;
    if (std::filesystem::file_size(path, ec) == 0)
        throw DbError(shown, "", utf8ToCp1252("il file è vuoto, non è un database"));
    throw DbError(shown, "", utf8ToCp1252("il file non è un database riconosciuto"));
}

namespace {

// The answers of readableCopy, per file: a report opens the same few files
// once or more per day of its period, and finding the copy anew costs a
// dozen system calls and a read of the file's header each time.
struct CopyMemo {
    std::string state;
    bool jet = false;
    std::string copy;
};

struct CopyMemos {
    std::mutex mutex;
    std::unordered_map<std::string, CopyMemo> byFile;
};

CopyMemos& copyMemos() {
    static auto* memos = new CopyMemos;  // never destroyed: usable until exit
    return *memos;
}

// A file changed this recently may still be being written with its mtime
// not moving (timestamps are coarser than writes): its answer is not kept.
constexpr std::int64_t kSettleNs = 2'000'000'000;

// Identity and state of a file for the memory; false when it is unsettled.
bool appendState(std::string& out, const std::string& path, std::int64_t nowNs) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        out += "-|";
        return true;
    }
    std::int64_t mtime =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    std::int64_t ctime =
        static_cast<std::int64_t>(st.st_ctim.tv_sec) * 1'000'000'000 + st.st_ctim.tv_nsec;
    if (nowNs - mtime < kSettleNs || nowNs - ctime < kSettleNs) return false;
    out += std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
           std::to_string(st.st_size) + ":" + std::to_string(mtime) + ":" + std::to_string(ctime) +
           "|";
    return true;
}

std::string absoluteKey(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char buf[4096];
    if (!::getcwd(buf, sizeof buf)) return {};
    return std::string(buf) + "/" + path;
}

std::string environmentKey() {
    std::string out;
    for (const char* name : {"CORVEX_CACHE", "XDG_CACHE_HOME", "HOME", "CORVEX_JETIMPORT"}) {
        const char* v = std::getenv(name);
        out += v ? v : "";
        out += '\x1f';
    }
    return out;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::string readableCopy(const std::string& path, const std::string& shown, bool& jet, bool fresh) {
    std::string key = absoluteKey(path);
    std::string state = environmentKey();
    std::int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    bool settled =
        !key.empty() && appendState(state, path, now) && appendState(state, path + "-wal", now);
    CopyMemos& memos = copyMemos();
    if (settled && !fresh) {
        std::lock_guard lock(memos.mutex);
        auto it = memos.byFile.find(key);
        if (it != memos.byFile.end() && it->second.state == state && exists(it->second.copy)) {
            jet = it->second.jet;
            return it->second.copy;
        }
    }
    jet = detectJet(path, shown);
    std::string source = jet ? jetCachedCopy(path) : path;
    bool exact = true;
    std::string copy = indexedCopy(source, shown, &exact);
    if (copy.empty()) return source;  // no usable cache folder: nothing to remember
    std::lock_guard lock(memos.mutex);
    if (settled && exact)
        memos.byFile[key] = {state, jet, copy};
    else
        memos.byFile.erase(key);
    return copy;
}

Connection::Connection(const std::string& file, bool readOnly, bool jet, std::string shown)
    : shown_(std::move(shown)), readOnly_(readOnly), jet_(jet) {
    // One connection serves one thread: no per-call locking inside SQLite.
    int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX |
                (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    std::string name = readOnly ? readOnlyUri(file) : file;
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string cause = db_ ? cp(sqlite3_errmsg(db_)) : "impossibile aprire il file";
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
        std::string cause = rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT
                                ? "file danneggiato o non valido"
                                : cp(sqlite3_errmsg(db_));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw DbError(shown_, "", cause);
    }
}

Connection::~Connection() {
    for (auto& [sql, st] : statements_) sqlite3_finalize(st);
    for (auto& [shape, p] : selects_) sqlite3_finalize(p->stmt);
    sqlite3_close_v2(db_);
}

void Connection::fail(const std::string& sql, int rc) const {
    if (rc == SQLITE_READONLY) readOnlyError(sql);
    std::string cause = cp(sqlite3_errmsg(db_));
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        cause = "il file è bloccato da un altro programma";
    throw DbError(shown_, sql, cause);
}

void Connection::readOnlyError(const std::string& sql) const {
    throw DbError(shown_, sql, utf8ToCp1252("il file è di sola lettura"));
}

sqlite3_stmt* Connection::prepare(const std::string& sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second;
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        fail(utf8ToCp1252(sql), rc);
    }
    statements_.emplace(sql, st);
    return st;
}

void Connection::exec(const std::string& sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) fail(utf8ToCp1252(sql), rc);
}

void Connection::schemaChanged() {
    for (auto& [shape, p] : selects_) sqlite3_finalize(p->stmt);
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
    const std::string& text = p->translation.sql;
    int rc =
        sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &p->stmt, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(p->stmt);
        fail(original, rc);
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
    sqlite3_stmt* st = nullptr;
    std::string sql = "ATTACH DATABASE ?1 AS " + alias;
    sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr);
    std::string uri = readOnlyUri(copy);
    sqlite3_bind_text(st, 1, uri.c_str(), static_cast<int>(uri.size()), SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw DbError(file, "", cp(sqlite3_errmsg(db_)));
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
    std::string key = copy + '\x1f' + shown + '\x1f' + absoluteKey(".");
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

void clearConnectionPool() {
    std::list<std::pair<std::string, std::unique_ptr<Connection>>> closing;
    ConnectionPool& pool = connectionPool();
    std::lock_guard lock(pool.mutex);
    closing.swap(pool.idle);
}

const sql::TableInfo* Connection::table(const std::string& schema, const std::string& name) {
    std::string key = schema + '\x01' + jet::foldCase(name);
    auto it = tables_.find(key);
    if (it != tables_.end()) return it->second.get();
    std::unique_ptr<sql::TableInfo> info;
    std::string s = "\"" + schema + "\"";
    sqlite3_stmt* st = nullptr;
    // The schema's own spelling of the name, matched without regard to case.
    std::string q = "SELECT name FROM " + s + ".sqlite_master WHERE type IN ('table', 'view')";
    sqlite3_prepare_v2(db_, q.c_str(), -1, &st, nullptr);
    std::string found;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        std::string n = cp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        if (jet::equalNoCase(n, name)) found = n;
    }
    sqlite3_finalize(st);
    if (!found.empty()) {
        info = std::make_unique<sql::TableInfo>();
        info->name = found;
        std::string u = cp1252ToUtf8(found);
        sqlite3_prepare_v2(db_, ("SELECT name, type FROM " + s + ".pragma_table_info(?1)").c_str(),
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, u.c_str(), -1, SQLITE_TRANSIENT);
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            auto type = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            info->columns.push_back({cp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
                                     sql::typeOfDeclared(type ? type : "")});
        }
        sqlite3_finalize(st);
        st = nullptr;
        q = "SELECT col, span FROM " + s + ".corvex_span WHERE tbl = ?1 AND span >= 0";
        if (sqlite3_prepare_v2(db_, q.c_str(), -1, &st, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(st, 1, u.c_str(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(st) == SQLITE_ROW)
                info->spans[jet::foldCase(
                    cp(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))))] =
                    static_cast<long>(sqlite3_column_int64(st, 1));
        }
        sqlite3_finalize(st);
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
