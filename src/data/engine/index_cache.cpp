#include "data/engine/index_cache.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "data/engine/error.h"
#include "data/engine/jet_cache.h"
#include "data/engine/jet_text.h"
#include "data/engine/sqlite_functions.h"

namespace corvex::db {

namespace fs = std::filesystem;

namespace {

// Bumped whenever the content of a copy changes (indexes, statistics).
constexpr std::string_view kFormat = "corvex-index-6";

std::uint64_t fnv1a(std::string_view s, std::uint64_t h = 1469598103934665603ull) {
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string hex(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

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
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string cause = err ? err : "errore sconosciuto";
        sqlite3_free(err);
        throw DbError(shown, sql, cause);
    }
}

std::vector<std::string> column(sqlite3* db, const std::string& sql, const std::string& shown) {
    std::vector<std::string> out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        std::string cause = sqlite3_errmsg(db);
        sqlite3_finalize(st);
        throw DbError(shown, sql, cause);
    }
    {
        while (sqlite3_step(st) == SQLITE_ROW) {
            auto p = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            out.emplace_back(p ? p : "");
        }
    }
    sqlite3_finalize(st);
    return out;
}

std::string q(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string text(std::string_view s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + '\'';
}

std::string findColumn(const std::vector<std::string>& cols, std::string_view want) {
    for (const auto& c : cols)
        if (jet::equalNoCase(c, want)) return c;
    return {};
}

// Indexes, spans and statistics of the copy.
void addIndexes(sqlite3* db, const std::string& shown) {
    exec(db, "REINDEX NOCASE", shown);
    exec(db, "CREATE TABLE corvex_span(tbl TEXT, col TEXT, span INTEGER)", shown);
    auto tables = column(db,
                         "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                         "'sqlite_%' AND name <> 'corvex_span'",
                         shown);
    int n = 0;
    for (const auto& t : tables) {
        auto cols = column(db, "SELECT name FROM pragma_table_info(" + text(t) + ")", shown);
        auto index = [&](std::vector<std::string> on) {
            std::string list;
            for (const auto& c : on) list += (list.empty() ? "" : ", ") + q(c);
            exec(db,
                 "CREATE INDEX " + q("corvex_ix" + std::to_string(++n)) + " ON " + q(t) + "(" +
                     list + ")",
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
        for (std::string_view c :
             {"DataArrivo", "DataPartenza", "DataPartenzaReale", "DataAddebito", "DataEmissione",
              "DataInserimento", "CodiceCliente", "NumeroProgressivo", "NumeroCamera", "NCamera"}) {
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
        std::string arrival = findColumn(cols, "DataArrivo");
        if (arrival.empty()) continue;
        for (std::string_view d : {"DataPartenza", "DataPartenzaReale"}) {
            std::string dep = findColumn(cols, d);
            if (dep.empty()) continue;
            // Longest stay over the rows whose departure is after the arrival;
            // one such row without real dates leaves the span unbounded (-1).
            std::string span = "corvex_days(" + q(dep) + ") - corvex_days(" + q(arrival) + ")";
            exec(db,
                 "INSERT INTO corvex_span SELECT " + text(t) + ", " + text(dep) +
                     ", CASE WHEN count(*) > count(" + span + ") THEN -1 ELSE ifnull(max(" + span +
                     "), 0) END FROM " + q(t) + " WHERE " + q(dep) + " > " + q(arrival) +
                     " COLLATE NOCASE",
                 shown);
        }
    }
    exec(db, "ANALYZE", shown);
}

std::atomic<unsigned> counter{0};

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

std::string indexedCopy(const std::string& sqlitePath, const std::string& shown, bool* exact) {
    std::error_code ec;
    fs::path abs = fs::absolute(sqlitePath, ec);
    std::string key = abs.lexically_normal().string();
    std::string state =
        std::string(kFormat) + "|" + fileState(sqlitePath) + "|" + fileState(sqlitePath + "-wal");
    std::string dir;
    try {
        dir = cacheDirectory();
    } catch (const std::exception&) {
        return {};
    }
    fs::create_directories(dir, ec);
    std::string prefix = "idx-" + hex(fnv1a(key)) + "-";
    fs::path target = fs::path(dir) / (prefix + hex(fnv1a(state)) + ".sqlite");
    if (fs::exists(target, ec)) return target.string();
    if (std::string r = recentCopy(key); !r.empty()) {
        if (exact) *exact = false;
        return r;
    }
    auto started = std::chrono::steady_clock::now();

    fs::path temp = fs::path(dir) / (target.filename().string() + ".tmp-" +
                                     std::to_string(::getpid()) + "-" + std::to_string(counter++));
    {
        Handle src, dst;
        if (sqlite3_open_v2(readOnlyUri(sqlitePath).c_str(), &src.db,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK)
            throw DbError(shown, "", sqlite3_errmsg(src.db));
        sqlite3_busy_timeout(src.db, 10000);
        if (sqlite3_open_v2(temp.c_str(), &dst.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            fs::remove(temp, ec);
            return {};
        }
        registerEngineFunctions(dst.db);
        sqlite3_db_config(dst.db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(dst.db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
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
            std::string cause = sqlite3_errmsg(src.db);
            if (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT)
                cause = "file danneggiato o non valido";
            sqlite3_close_v2(dst.db);
            dst.db = nullptr;
            fs::remove(temp, ec);
            throw DbError(shown, "", cause);
        }
        try {
            exec(dst.db, "PRAGMA journal_mode = DELETE", shown);
            exec(dst.db, "PRAGMA synchronous = OFF", shown);
            exec(dst.db, "BEGIN", shown);
            addIndexes(dst.db, shown);
            exec(dst.db, "COMMIT", shown);
        } catch (...) {
            sqlite3_close_v2(dst.db);
            dst.db = nullptr;
            fs::remove(temp, ec);
            throw;
        }
    }
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return fs::exists(target) ? target.string() : std::string();
    }
    {
        std::lock_guard lock(recentMutex);
        recent[key] = {target.string(), std::chrono::steady_clock::now(),
                       std::chrono::steady_clock::now() - started};
    }
    // Older copies of the same file are stale now. A process still reading
    // one keeps its open file; removing the name does not disturb it.
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) == 0 && name.find(".tmp-") == std::string::npos &&
            e.path() != target)
            fs::remove(e.path(), ec);
    }
    return target.string();
}

}  // namespace corvex::db
