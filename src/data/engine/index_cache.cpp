#include "data/engine/index_cache.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/cache_folder.h"
#include "data/engine/error.h"
#include "data/engine/sql_quote.h"
#include "data/engine/sqlite_functions.h"
#include "data/engine/statement.h"
#include "data/engine/suite_columns.h"

namespace corvex::db {

namespace fs = std::filesystem;

namespace {

// Bumped whenever the content of a copy changes (indexes, statistics, the
// order of the NOCASE collation its indexes are sorted in).
constexpr std::string_view kFormat = "corvex-index-7";

// size:mtime of a file, or "-" when it does not exist.
std::string fileState(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "-";
    return std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

void exec(sqlite3* db, const std::string& sql, const std::string& shown) {
    char* err = nullptr;
    if (int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err); rc != SQLITE_OK) {
        std::string cause = sqliteCause(rc, err);
        sqlite3_free(err);
        throw DbError(shown, utf8ToCp1252(sql), cause);
    }
}

std::vector<std::string> column(sqlite3* db, const std::string& sql, const std::string& shown) {
    std::vector<std::string> out;
    Statement st = prepareStatement(db, sql, shown);
    while (sqlite3_step(st.get()) == SQLITE_ROW) {
        auto p = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
        out.emplace_back(p ? p : "");
    }
    return out;
}

std::string findColumn(const std::vector<std::string>& cols, std::string_view want) {
    for (const auto& c : cols)
        if (jet::equalNoCase(c, want)) return c;
    return {};
}

// The longest stays of a table (corvex_span), per departure column.
void addSpans(sqlite3* db, const std::string& t, const std::vector<std::string>& cols,
              const std::string& shown) {
    std::string arrival = findColumn(cols, "DataArrivo");
    if (arrival.empty()) return;
    for (std::string_view d : {"DataPartenza", "DataPartenzaReale"}) {
        std::string dep = findColumn(cols, d);
        if (dep.empty()) continue;
        // Longest stay over the rows whose departure is after the arrival;
        // one such row without real dates leaves the span unbounded (-1).
        std::string span = "corvex_days(" + quoteIdentifier(dep) + ") - corvex_days(" +
                           quoteIdentifier(arrival) + ")";
        exec(db,
             "INSERT INTO corvex_span SELECT " + quote(t) + ", " + quote(dep) +
                 ", CASE WHEN count(*) > count(" + span + ") THEN -1 ELSE ifnull(max(" + span +
                 "), 0) END FROM " + quoteIdentifier(t) + " WHERE " + quoteIdentifier(dep) + " > " +
                 quoteIdentifier(arrival) + " COLLATE NOCASE",
             shown);
    }
}

std::vector<std::string> columnsOf(sqlite3* db, const std::string& t, const std::string& shown) {
    return column(db, "SELECT name FROM pragma_table_info(" + quote(t) + ")", shown);
}

// Indexes, spans and statistics of the copy.
void addIndexes(sqlite3* db, const std::string& shown) {
    exec(db, "REINDEX NOCASE", shown);
    exec(db, "CREATE TABLE corvex_span(tbl TEXT, col TEXT, span INTEGER)", shown);
    auto tables = column(db,
                         "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                         "'sqlite\\_%' ESCAPE '\\' AND name NOT LIKE 'corvex\\_%' ESCAPE '\\'",
                         shown);
    int n = 0;
    for (const auto& t : tables) {
        auto cols = columnsOf(db, t, shown);
        auto index = [&](std::vector<std::string> on) {
            std::string list;
            for (const auto& c : on) list += (list.empty() ? "" : ", ") + quoteIdentifier(c);
            exec(db,
                 "CREATE INDEX " + quoteIdentifier("corvex_ix" + std::to_string(++n)) + " ON " +
                     quoteIdentifier(t) + "(" + list + ")",
                 shown);
        };
        std::string de = findColumn(cols, "DataEmissione"), td = findColumn(cols, "TipoDocumento"),
                    nd = findColumn(cols, "NDocumento"), co = findColumn(cols, "Contatore");
        bool documentKey = !de.empty() && !td.empty() && !nd.empty() && !co.empty();
        if (documentKey) index({de, td, nd, co});
        // A date index carries the columns the reports test next to that
        // date: SQLite checks the conditions on an index's own columns before
        // it reads the row, so the rows of a date range that fail them (most
        // of the arrivals of the last month in a presence test, the other
        // charges of the day) are never read from the table.
        auto withColumns = [&](const std::string& first,
                               std::initializer_list<std::string_view> more) {
            std::vector<std::string> on{first};
            for (std::string_view m : more)
                if (std::string name = findColumn(cols, m); !name.empty()) on.push_back(name);
            return on;
        };
        std::vector<std::string_view> indexed(std::begin(kDateColumns), std::end(kDateColumns));
        indexed.insert(indexed.end(),
                       {"CodiceCliente", "NumeroProgressivo", "NumeroCamera", "NCamera"});
        for (std::string_view c : indexed) {
            std::string name = findColumn(cols, c);
            if (name.empty() || (documentKey && name == de)) continue;
            if (c == "DataArrivo")
                index(withColumns(name, {"DataPartenza", "DataPartenzaReale", "Partito"}));
            else if (c == "DataAddebito")
                index(withColumns(
                    name, {"NumeroHotel", "NumeroCamera", "VoceAddebito", "CodiceCliente"}));
            else
                index({name});
        }
        addSpans(db, t, cols, shown);
    }
    exec(db, "ANALYZE", shown);
}

// Pragmas of a private copy, then its indexes in one transaction.
void prepareForIndexes(sqlite3* db, const std::string& shown) {
    registerEngineFunctions(db);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    // A private temporary file, removed on any failure: no journal.
    exec(db, "PRAGMA journal_mode = OFF", shown);
    exec(db, "PRAGMA synchronous = OFF", shown);
    exec(db, "BEGIN", shown);
    addIndexes(db, shown);
    exec(db, "COMMIT", shown);
}

// The copies this process built last, per source file. A file that the suite
// keeps writing would otherwise be copied again for every statement of a
// report; a copy younger than ten times its build time (at most 30 s) is used
// for a changed file. Small files, cheap to copy, are always fresh.
struct Recent {
    std::string target;
    std::chrono::steady_clock::time_point built;
    std::chrono::steady_clock::duration took;
};
std::mutex recentMutex;
std::map<std::string, Recent> recent;

std::string recentCopy(const std::string& key) {
    std::lock_guard lock(recentMutex);
    auto it = recent.find(key);
    if (it == recent.end() || it->second.took < std::chrono::milliseconds(100)) return {};
    auto age = std::chrono::steady_clock::now() - it->second.built;
    auto allowed = std::min<std::chrono::steady_clock::duration>(it->second.took * 10,
                                                                 std::chrono::seconds(30));
    std::error_code ec;
    if (age > allowed || !fs::exists(it->second.target, ec)) return {};
    return it->second.target;
}

}  // namespace

std::string readOnlyUri(const std::string& path) {
    std::string uri = "file:";
    for (char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(c));
            uri += buf;
        } else {
            uri += c;
        }
    }
    return uri + "?mode=ro";
}

void indexCopy(const std::string& path) {
    Handle db;
    if (int rc = sqlite3_open_v2(path.c_str(), &db.db, SQLITE_OPEN_READWRITE, nullptr);
        rc != SQLITE_OK)
        throw DbError(utf8ToCp1252(path), "", sqliteCause(rc, sqlite3_errmsg(db.db)));
    prepareForIndexes(db.db, path);
}

void refreshTableStatistics(sqlite3* db, const std::string& table, const std::string& shown) {
    exec(db, "DELETE FROM corvex_span WHERE tbl = " + quote(table), shown);
    addSpans(db, table, columnsOf(db, table, shown), shown);
    exec(db, "ANALYZE " + quoteIdentifier(table), shown);
}

std::string indexedCopy(const std::string& sqlitePath, const std::string& shown, bool* exact) {
    std::error_code ec;
    fs::path abs = fs::absolute(sqlitePath, ec);
    std::string key = abs.lexically_normal().string();
    std::string state =
        std::string(kFormat) + "|" + fileState(sqlitePath) + "|" + fileState(sqlitePath + "-wal");
    std::string dir;
    try {
        dir = cacheDirectory();
    } catch (const DbError& e) {
        noteCacheUnusable(e.what());
        return {};
    }
    const std::string prefix = copyPrefix(key);
    fs::path target = fs::path(dir) / (prefix + hashName(state) + ".sqlite");
    const auto building = lockSource(key);
    if (fs::exists(target, ec)) return target.string();
    if (std::string r = recentCopy(key); !r.empty()) {
        if (exact) *exact = false;
        return r;
    }
    auto started = std::chrono::steady_clock::now();

    // Failures of the source are the suite file's; failures to write the copy
    // are the cache's, and the file is then read without a copy.
    std::string temp;
    try {
        temp = newTemporaryCopy(dir, prefix);
    } catch (const DbError& e) {
        noteCacheUnusable(e.what());
        return {};
    }
    auto cacheUnusable = [&](const std::string& cause) {
        fs::remove(temp, ec);
        noteCacheUnusable(dir + ": cartella della cache: " + cause);
        return std::string();
    };
    {
        Handle src, dst;
        if (int rc = sqlite3_open_v2(readOnlyUri(sqlitePath).c_str(), &src.db,
                                     SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
            rc != SQLITE_OK) {
            fs::remove(temp, ec);
            throw DbError(shown, "", sqliteCause(rc, sqlite3_errmsg(src.db)));
        }
        sqlite3_busy_timeout(src.db, 10000);
        if (int rc = sqlite3_open_v2(temp.c_str(), &dst.db, SQLITE_OPEN_READWRITE, nullptr);
            rc != SQLITE_OK)
            return cacheUnusable(sqliteCause(rc, sqlite3_errmsg(dst.db)));
        // The whole copy in one step: one consistent snapshot of the source.
        // A writer holding the file makes the step busy; wait for it a while.
        int rc = SQLITE_BUSY;
        for (int attempt = 0; attempt < 200 && (rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
             ++attempt) {
            sqlite3_backup* b = sqlite3_backup_init(dst.db, "main", src.db, "main");
            if (!b) break;
            rc = sqlite3_backup_step(b, -1);
            sqlite3_backup_finish(b);
            if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (rc != SQLITE_DONE) {
            const int primary = rc & 0xff;
            if (primary == SQLITE_FULL || primary == SQLITE_IOERR || primary == SQLITE_READONLY ||
                primary == SQLITE_CANTOPEN || primary == SQLITE_PERM)
                return cacheUnusable(sqliteCause(rc, sqlite3_errmsg(dst.db)));
            std::string cause = sqliteCause(rc, sqlite3_errmsg(src.db));
            sqlite3_close_v2(dst.db);
            dst.db = nullptr;
            fs::remove(temp, ec);
            throw DbError(shown, "", cause);
        }
        try {
            prepareForIndexes(dst.db, shown);
        } catch (const DbError& e) {
            return cacheUnusable(e.cause());
        }
    }
    try {
        placeCopy(temp, target.string(), key);
    } catch (const DbError& e) {
        noteCacheUnusable(e.what());
        return fs::exists(target, ec) ? target.string() : std::string();
    }
    {
        std::lock_guard lock(recentMutex);
        recent[key] = {target.string(), std::chrono::steady_clock::now(),
                       std::chrono::steady_clock::now() - started};
    }
    return target.string();
}

}  // namespace corvex::db
