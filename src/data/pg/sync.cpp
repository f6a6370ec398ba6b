#include "data/pg/sync.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "common/currency.h"
#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "data/engine/jet_cache.h"
#include "data/engine/sql_translate.h"
#include "data/engine/statement.h"
#include "data/engine/suite_columns.h"
#include "data/hotel.h"
#include "data/pg/pg_connection.h"
#include "data/pg/pg_functions.h"
#include "data/pg/pg_reader.h"
#include "data/pg/property.h"

namespace corvex::pg {

namespace fs = std::filesystem;

namespace {

// The suite files the reports open in the data folder, the system's own
// files, and the archives that follow the archive rule.
const char* const kFolderFiles[] = {
    "Scheda_Cliente.mdb", "Conto_Cliente.mdb", "VociFattura.mdb",     "AnagraficaHotels.mdb",
    "Fatture.mdb",        "CodiciIva.mdb",     "CodiciVari.mdb",      "Stampanti.mdb",
    "Contatori.mdb",      "IdS.mdb",           "IdSDichiarazioni.mdb"};
const char* const kArchiveFiles[] = {"SchedaStoricoClienti.mdb", "ContoStoricoClienti.mdb",
                                     "Dettaglio.mdb"};

// The bytes a COPY gets in one piece.
constexpr std::size_t kCopyChunk = 1 << 20;

bool isRegularFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// What tells a changed file: size, modification and change times (ns) and
// inode; an SQLite file's -wal file counts too.
std::string signature(const std::string& path) {
    auto one = [](const std::string& p) -> std::string {
        struct stat st {};
        if (::stat(p.c_str(), &st) != 0) return {};
        return std::to_string(st.st_size) + ":" +
               std::to_string(st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec) + ":" +
               std::to_string(st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec) + ":" +
               std::to_string(st.st_ino);
    };
    std::string s = one(path);
    if (const std::string wal = one(path + "-wal"); !wal.empty()) s += "+wal:" + wal;
    return s;
}

// The key a file has on the server: relative to the data folder with '/'
// when inside it, else the path as the archive rule gives it (UTF-8).
std::string fileKey(const std::string& path) {
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    const fs::path abs = fs::weakly_canonical(fs::absolute(path, ec), ec);
    const fs::path rel = abs.lexically_relative(fs::weakly_canonical(here, ec));
    std::string key = path;
    if (!rel.empty() && *rel.begin() != "..") key = rel.generic_string();
    return cp1252ToUtf8(key);
}

// Text as the engine reads it from the file (code page 1252), in UTF-8:
// characters without a code page 1252 form get the same stand-in.
std::string normalisedText(const char* p, std::size_t n) {
    bool ascii = true;
    for (std::size_t i = 0; i < n && ascii; ++i) ascii = static_cast<unsigned char>(p[i]) < 0x80;
    if (ascii) return std::string(p, n);
    return cp1252ToUtf8(utf8ToCp1252(std::string_view(p, n)));
}

// Text COPY format: backslash and the row and column separators escaped;
// NUL, which the server's text cannot hold, left out.
void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\0':
                break;
            default:
                out += c;
        }
    }
}

enum class Kind { Currency, Integer, Double, Text, Bytes };

Kind kindOf(const std::string& declared) {
    switch (db::sql::typeOfDeclared(declared)) {
        case db::sql::ColType::Currency:
            return Kind::Currency;
        case db::sql::ColType::Integer:
            return Kind::Integer;
        case db::sql::ColType::Double:
            return Kind::Double;
        case db::sql::ColType::Text:
            return Kind::Text;
        case db::sql::ColType::Unknown:
            break;
    }
    std::string u = declared;
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* b : {"BLOB", "BINARY", "IMAGE", "OLE"}) {
        if (u.find(b) != std::string::npos) return Kind::Bytes;
    }
    return Kind::Text;
}

std::string doubleText(double d) {
    if (std::isnan(d)) return "NaN";
    if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", d);
    return buf;
}

// A text column's value as the server stores it (nullopt: NULL).
std::optional<std::string> storedText(sqlite3_stmt* st, int i) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL:
            return std::nullopt;
        case SQLITE_INTEGER:
            return std::to_string(sqlite3_column_int64(st, i));
        case SQLITE_FLOAT:
            return db::Value(sqlite3_column_double(st, i)).toText();
        default: {
            auto p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            std::string t =
                normalisedText(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
            t.erase(std::remove(t.begin(), t.end(), '\0'), t.end());
            return t;
        }
    }
}

// One value of column `kind` as COPY text; throws std::runtime_error (UTF-8)
// for a value the column's type cannot hold.
void appendValue(std::string& out, sqlite3_stmt* st, int i, Kind kind) {
    const int type = sqlite3_column_type(st, i);
    if (type == SQLITE_NULL) {
        out += "\\N";
        return;
    }
    auto text = [&] {
        auto p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        return std::string_view(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
    };
    switch (kind) {
        case Kind::Currency: {
            Currency c;
            if (type == SQLITE_INTEGER) {
                c = Currency::whole(sqlite3_column_int64(st, i));
            } else if (type == SQLITE_FLOAT) {
                c = Currency::fromDouble(sqlite3_column_double(st, i));
            } else if (auto parsed = Currency::parse(trim(text()))) {
                c = *parsed;
            } else {
                throw std::runtime_error("importo non valido \"" +
                                         cp1252ToUtf8(utf8ToCp1252(text())) + "\"");
            }
            out += c.toPlainText();
            return;
        }
        case Kind::Integer: {
            if (type == SQLITE_INTEGER) {
                out += std::to_string(sqlite3_column_int64(st, i));
                return;
            }
            if (type == SQLITE_FLOAT) {
                const double d = sqlite3_column_double(st, i);
                if (std::trunc(d) == d && std::fabs(d) < 9e18) {
                    out += std::to_string(static_cast<std::int64_t>(d));
                    return;
                }
            }
            std::int64_t n = 0;
            if (type == SQLITE_TEXT && parseWhole(trim(std::string(text())), n)) {
                out += std::to_string(n);
                return;
            }
            throw std::runtime_error("numero intero non valido \"" +
                                     cp1252ToUtf8(utf8ToCp1252(text())) + "\"");
        }
        case Kind::Double: {
            if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
                out += doubleText(sqlite3_column_double(st, i));
                return;
            }
            const std::string t = trim(std::string(text()));
            char* end = nullptr;
            const double d = std::strtod(t.c_str(), &end);
            if (t.empty() || end == nullptr || *end != '\0') {
                throw std::runtime_error("numero non valido \"" + cp1252ToUtf8(utf8ToCp1252(t)) +
                                         "\"");
            }
            out += doubleText(d);
            return;
        }
        case Kind::Text:
            appendEscaped(out, *storedText(st, i));
            return;
        case Kind::Bytes: {
            static const char hex[] = "0123456789abcdef";
            auto p = static_cast<const unsigned char*>(sqlite3_column_blob(st, i));
            const int n = sqlite3_column_bytes(st, i);
            out += "\\\\x";
            for (int k = 0; k < n; ++k) {
                out += hex[p[k] >> 4];
                out += hex[p[k] & 15];
            }
            return;
        }
    }
}

// The message of a failure while `key` is sent, without the file's name
// when the message would repeat it.
std::string causeOf(const std::exception& e, const std::string& key) {
    if (const auto* d = dynamic_cast<const db::DbError*>(&e)) {
        if (cp1252ToUtf8(d->file()) == key) return d->cause();
    }
    return e.what();
}

struct ColumnDef {
    std::string name;      // UTF-8, as in the file
    std::string declared;  // as PRAGMA table_info shows it
};

bool sameColumns(const std::vector<ColumnDef>& a, const std::vector<ColumnDef>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || serverType(a[i].declared) != serverType(b[i].declared) ||
            a[i].declared != b[i].declared) {
            return false;
        }
    }
    return true;
}

// A read-only SQLite file: the suite file itself or the Jet file's copy.
struct SqliteFile {
    sqlite3* db = nullptr;
    std::string shown;  // code page 1252, for DbError
    ~SqliteFile() {
        if (db != nullptr) sqlite3_close_v2(db);
    }
};

void openSqlite(SqliteFile& f, const std::string& path, const std::string& shown) {
    f.shown = shown;
    const int rc = sqlite3_open_v2(path.c_str(), &f.db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        throw db::DbError(shown, "", db::sqliteCause(rc, f.db ? sqlite3_errmsg(f.db) : ""));
    }
    sqlite3_busy_timeout(f.db, 5000);
}

void execSqlite(SqliteFile& f, const std::string& sql) {
    char* msg = nullptr;
    const int rc = sqlite3_exec(f.db, sql.c_str(), nullptr, nullptr, &msg);
    if (rc != SQLITE_OK) {
        const std::string m = msg ? msg : sqlite3_errstr(rc);
        sqlite3_free(msg);
        throw db::DbError(f.shown, sql, db::sqliteCause(rc, m.c_str()));
    }
}

std::vector<std::string> tablesOf(SqliteFile& f) {
    std::vector<std::string> out;
    db::Statement st = db::prepareStatement(
        f.db,
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\' AND name NOT LIKE 'corvex\\_%' ESCAPE '\\' ORDER BY rowid",
        f.shown);
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
        out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0)));
    }
    if (rc != SQLITE_DONE)
        throw db::DbError(f.shown, "", db::sqliteCause(rc, sqlite3_errmsg(f.db)));
    return out;
}

std::vector<ColumnDef> columnsOf(SqliteFile& f, const std::string& table) {
    std::vector<ColumnDef> out;
    db::Statement st = db::prepareStatement(
        f.db, "SELECT name, type FROM pragma_table_info(" + db::quote(table) + ") ORDER BY cid",
        f.shown);
    while (sqlite3_step(st.get()) == SQLITE_ROW) {
        auto name = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
        auto type = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1));
        out.push_back({name ? name : "", type ? type : ""});
    }
    return out;
}

std::string sqliteIdent(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

// What the server holds of one table.
struct Known {
    std::string physical;  // nome_pg
    std::string signature;
    std::vector<ColumnDef> columns;
};

class Sync {
  public:
    Sync(const SyncOptions& o) : options_(o), conn_(o.url), schema_(schemaName(o.property)) {}

    SyncSummary run();

  private:
    std::string q(const std::string& name) const {
        return quoteIdent(schema_) + "." + quoteIdent(name);
    }
    void prepareSchema();
    void loadKnown();
    void syncDatabase(const std::string& path);
    void syncTable(SqliteFile& f, const std::string& key, const std::string& table,
                   const std::string& sig);
    // What sending a table's rows found out on the way.
    struct Sent {
        std::vector<std::string> plain;     // text columns whose every value is plain
        std::map<std::string, long> spans;  // departure column -> longest stay (-1 unknown)
    };
    Sent copyRows(SqliteFile& f, const std::string& table, const std::vector<ColumnDef>& cols,
                  const std::string& physical);
    void createIndexes(const std::string& physical, const std::vector<ColumnDef>& cols);
    void storeSpans(const std::string& physical, const std::vector<ColumnDef>& cols,
                    const std::map<std::string, long>& known);
    void dropTable(const std::string& key, const std::string& table);
    void createFunctions();
    void retire(const std::string& physical);
    void dropRetired();
    void syncTextFiles();
    void progress(const std::string& line) {
        if (options_.progress) options_.progress(line);
    }

    const SyncOptions& options_;
    Connection conn_;
    std::string schema_;
    std::map<std::pair<std::string, std::string>, Known> known_;
    std::set<std::pair<std::string, std::string>> seen_;
    int nextTable_ = 1;
    SyncSummary summary_;
};

void Sync::prepareSchema() {
    // Syncs of one property wait for each other; the key is the schema's.
    conn_.execParams("SELECT pg_advisory_xact_lock(hashtext('corvex_sync'), hashtext($1))",
                     {schema_});
    const bool exists =
        conn_.execParams("SELECT to_regclass($1) IS NOT NULL", {q("corvex_sync")}).value(0, 0) ==
        "t";
    if (exists) {
        Result r = conn_.exec("SELECT formato FROM " + q("corvex_sync"));
        if (r.rows() == 1 && r.value(0, 0) != std::to_string(kLayoutVersion)) {
            throw SyncError("", "",
                            "lo schema " + schema_ + " è di un'altra versione di corvex (formato " +
                                std::string(r.value(0, 0)) +
                                "): eliminarlo o usare quella versione");
        }
    } else {
        conn_.exec("CREATE SCHEMA IF NOT EXISTS " + quoteIdent(schema_) + ";CREATE TABLE " +
                   q("corvex_sync") +
                   " (formato integer NOT NULL, generazione bigint NOT NULL, sincronizzato "
                   "timestamptz, cartella text);CREATE TABLE " +
                   q("corvex_tabelle") +
                   " (file text, tabella text, nome_pg text NOT NULL, firma text, PRIMARY KEY "
                   "(file, tabella));CREATE TABLE " +
                   q("corvex_colonne") +
                   " (file text, tabella text, posizione integer, colonna text, tipo text, "
                   "PRIMARY KEY (file, tabella, posizione));CREATE TABLE " +
                   q("corvex_file") + " (nome text PRIMARY KEY, contenuto bytea, firma text);" +
                   "CREATE TABLE " + q("corvex_scarti") +
                   " (nome_pg text PRIMARY KEY, dal timestamptz);" + "INSERT INTO " +
                   q("corvex_sync") + " VALUES (" + std::to_string(kLayoutVersion) +
                   ", 0, NULL, NULL)");
    }
    // The stays' spans, worked out once here rather than by every report,
    // and the text columns whose every value sorts in byte order.
    conn_.exec("CREATE TABLE IF NOT EXISTS " + q("corvex_intervalli") +
               " (nome_pg text, colonna text, giorni bigint NOT NULL, PRIMARY KEY (nome_pg, "
               "colonna));CREATE TABLE IF NOT EXISTS " +
               q("corvex_piane") + " (nome_pg text, colonna text, PRIMARY KEY (nome_pg, colonna))");
    createFunctions();
}

void Sync::createFunctions() {
    // The functions are shared by every property: replaced only when this
    // program's differ from those on the server (their digest is the
    // schema's comment), by one sync at a time, since two transactions
    // replacing the same function collide.
    const std::string fn = functionsSql();
    if (fn.empty()) return;
    const std::string want(conn_.execParams("SELECT md5($1)", {fn}).value(0, 0));
    auto current = [&] {
        Result r = conn_.exec(
            "SELECT obj_description(oid, 'pg_namespace') FROM pg_namespace WHERE nspname = "
            "'corvex_fn'");
        return r.rows() == 1 && !r.isNull(0, 0) ? std::string(r.value(0, 0)) : std::string();
    };
    if (current() == want) return;
    conn_.exec("SELECT pg_advisory_xact_lock(hashtext('corvex_fn'))");
    if (current() == want) return;  // another sync did it meanwhile
    conn_.exec("CREATE SCHEMA IF NOT EXISTS corvex_fn");
    conn_.exec(fn);
    conn_.exec("COMMENT ON SCHEMA corvex_fn IS " + quoteLiteral(want));
}

void Sync::retire(const std::string& physical) {
    // The time is set just before the commit (dal IS NULL until then).
    conn_.execParams("INSERT INTO " + q("corvex_scarti") + " VALUES ($1, NULL)", {physical});
}

void Sync::dropRetired() {
    // A table retired by an earlier sync goes once no other transaction of
    // the database began before that sync committed (with a margin for the
    // commit itself); a session whose state this role may not see counts as
    // such a transaction. A table still locked by a reader is left for the
    // next sync.
    Result r = conn_.exec(
        "SELECT s.nome_pg FROM " + q("corvex_scarti") +
        " s WHERE s.dal IS NOT NULL AND NOT EXISTS (SELECT 1 FROM pg_stat_activity a WHERE "
        "a.datname = current_database() AND a.pid <> pg_backend_pid() AND a.backend_type = "
        "'client backend' AND (a.state IS NULL OR a.xact_start <= s.dal + interval '10 "
        "seconds'))");
    if (r.rows() == 0) return;
    for (int i = 0; i < r.rows(); ++i) {
        const std::string t(r.value(i, 0));
        conn_.exec("SAVEPOINT corvex_scarto; SET LOCAL lock_timeout = '200ms'");
        try {
            conn_.exec("DROP TABLE IF EXISTS " + q(t));
            conn_.execParams("DELETE FROM " + q("corvex_intervalli") + " WHERE nome_pg = $1", {t});
            conn_.execParams("DELETE FROM " + q("corvex_piane") + " WHERE nome_pg = $1", {t});
            conn_.execParams("DELETE FROM " + q("corvex_scarti") + " WHERE nome_pg = $1", {t});
            conn_.exec("RELEASE SAVEPOINT corvex_scarto");
        } catch (const db::DbError&) {
            conn_.exec("ROLLBACK TO SAVEPOINT corvex_scarto");
        }
    }
    conn_.exec("SET LOCAL lock_timeout = 0");
}

void Sync::loadKnown() {
    // Physical tables are t1, t2, ...: the next number is past every table
    // of the schema, retired ones included.
    nextTable_ = std::stoi(std::string(
        conn_
            .execParams("SELECT coalesce(max(substr(c.relname, 2)::integer), 0) + 1 FROM "
                        "pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE "
                        "n.nspname = $1 AND c.relkind = 'r' AND c.relname ~ '^t[0-9]{1,9}$'",
                        {schema_})
            .value(0, 0)));
    Result t = conn_.exec("SELECT file, tabella, nome_pg, firma FROM " + q("corvex_tabelle"));
    for (int i = 0; i < t.rows(); ++i) {
        Known& k = known_[{std::string(t.value(i, 0)), std::string(t.value(i, 1))}];
        k.physical = t.value(i, 2);
        k.signature = t.value(i, 3);
    }
    Result c = conn_.exec("SELECT file, tabella, colonna, tipo FROM " + q("corvex_colonne") +
                          " ORDER BY file, tabella, posizione");
    for (int i = 0; i < c.rows(); ++i) {
        auto it = known_.find({std::string(c.value(i, 0)), std::string(c.value(i, 1))});
        if (it != known_.end()) {
            it->second.columns.push_back({std::string(c.value(i, 2)), std::string(c.value(i, 3))});
        }
    }
}

void Sync::syncDatabase(const std::string& path) {
    const std::string key = fileKey(path);
    const std::string sig = signature(path);
    // Unchanged: every table the server has of it carries the same signature.
    bool unchanged = false;
    for (const auto& [id, k] : known_) {
        if (id.first != key) continue;
        unchanged = k.signature == sig;
        if (!unchanged) break;
    }
    if (unchanged) {
        for (const auto& [id, k] : known_) {
            if (id.first == key) seen_.insert(id);
        }
        ++summary_.filesUnchanged;
        return;
    }
    SqliteFile f;
    std::vector<std::string> tables;
    try {
        std::string source = path;
        if (db::isJetFile(path)) source = db::jetCachedCopy(path);
        openSqlite(f, source, path);
        // One read transaction: the whole file in one state.
        execSqlite(f, "BEGIN");
        tables = tablesOf(f);
    } catch (const std::exception& e) {
        throw SyncError(key, "", causeOf(e, key));
    }
    const std::int64_t rowsBefore = summary_.rowsSent;
    for (const auto& t : tables) syncTable(f, key, t, sig);
    ++summary_.filesSent;
    progress(key + ": " + std::to_string(tables.size()) +
             (tables.size() == 1 ? " tabella, " : " tabelle, ") +
             std::to_string(summary_.rowsSent - rowsBefore) + " righe");
}

void Sync::syncTable(SqliteFile& f, const std::string& key, const std::string& table,
                     const std::string& sig) {
    const std::pair<std::string, std::string> id{key, table};
    seen_.insert(id);
    try {
        const std::vector<ColumnDef> cols = columnsOf(f, table);
        const auto found = known_.find(id);
        // A fresh physical table each time: readers of the previous sync
        // keep reading the old one, which is dropped once none can be left.
        const bool sameLayout = found != known_.end() && sameColumns(found->second.columns, cols);
        if (found != known_.end()) retire(found->second.physical);
        const std::string physical = "t" + std::to_string(nextTable_++);
        std::string ddl = "CREATE TABLE " + q(physical) + " (";
        for (const auto& c : cols) ddl += quoteIdent(c.name) + " " + serverType(c.declared) + ", ";
        // The table never changes once sent, and the sync analyses it:
        // autovacuum would only scan and analyse it all again after the
        // commit, competing with the reports that first read it.
        conn_.exec(ddl +
                   "corvex_riga bigint NOT NULL) WITH (autovacuum_enabled = false, "
                   "toast.autovacuum_enabled = false)");
        const Sent sent = copyRows(f, table, cols, physical);
        createIndexes(physical, cols);
        conn_.exec("ANALYZE " + q(physical));
        storeSpans(physical, cols, sent.spans);
        for (const std::string& c : sent.plain)
            conn_.execParams("INSERT INTO " + q("corvex_piane") + " VALUES ($1, $2)",
                             {physical, c});
        conn_.execParams("INSERT INTO " + q("corvex_tabelle") +
                             " VALUES ($1, $2, $3, $4) ON CONFLICT (file, tabella) DO UPDATE SET "
                             "nome_pg = excluded.nome_pg, firma = excluded.firma",
                         {key, table, physical, sig});
        if (!sameLayout) {
            conn_.execParams(
                "DELETE FROM " + q("corvex_colonne") + " WHERE file = $1 AND tabella = $2",
                {key, table});
            std::string rows;
            for (std::size_t i = 0; i < cols.size(); ++i) {
                rows += (i ? "," : "") + std::string("(") + quoteLiteral(key) + "," +
                        quoteLiteral(table) + "," + std::to_string(i + 1) + "," +
                        quoteLiteral(cols[i].name) + "," + quoteLiteral(cols[i].declared) + ")";
            }
            if (!rows.empty()) conn_.exec("INSERT INTO " + q("corvex_colonne") + " VALUES " + rows);
        }
        ++summary_.tablesSent;
    } catch (const SyncError&) {
        throw;
    } catch (const std::exception& e) {
        throw SyncError(key, table, causeOf(e, key));
    }
}

// The longest stay, in days, from the arrival to one departure column over
// the rows whose departure comes after the arrival in byte order (as the
// server compares them); one such row without real dates leaves it unknown.
struct StaySpan {
    int arrival = -1, departure = -1;
    std::string name;  // the departure column
    long longest = 0;
    bool unknown = false;
    void add(sqlite3_stmt* st) {
        if (unknown) return;
        const auto a = storedText(st, arrival), d = storedText(st, departure);
        if (!a || !d || !(*d > *a)) return;
        const auto da = db::jet::dayNumber(*a), dd = db::jet::dayNumber(*d);
        if (!da || !dd)
            unknown = true;
        else
            longest = std::max(longest, static_cast<long>(*dd - *da));
    }
};

Sync::Sent Sync::copyRows(SqliteFile& f, const std::string& table,
                          const std::vector<ColumnDef>& cols, const std::string& physical) {
    std::string list;
    std::vector<Kind> kinds;
    // Per column: text so far made only of plain bytes (see plainLiteral).
    std::vector<char> plain;
    for (const auto& c : cols) {
        list += (list.empty() ? "" : ", ") + sqliteIdent(c.name);
        kinds.push_back(kindOf(c.declared));
        plain.push_back(kinds.back() == Kind::Text);
    }
    std::vector<StaySpan> spans;
    auto textColumn = [&](std::string_view want) {
        for (std::size_t i = 0; i < cols.size(); ++i)
            if (kinds[i] == Kind::Text && equalsNoCase(utf8ToCp1252(cols[i].name), want))
                return static_cast<int>(i);
        return -1;
    };
    if (const int arrival = textColumn("DataArrivo"); arrival >= 0)
        for (std::string_view d : {"DataPartenza", "DataPartenzaReale"})
            if (const int departure = textColumn(d); departure >= 0)
                spans.push_back(
                    {arrival, departure, cols[static_cast<std::size_t>(departure)].name});
    if (list.empty()) list = "NULL";
    db::Statement st = db::prepareStatement(
        f.db, "SELECT " + list + " FROM " + sqliteIdent(table) + " ORDER BY rowid", f.shown);
    // The table is new in this transaction: its rows can be written frozen,
    // sparing the server a later pass over them.
    conn_.copyIn("COPY " + q(physical) + " FROM STDIN WITH (FREEZE)");
    std::string buf;
    buf.reserve(kCopyChunk + 4096);
    std::int64_t row = 0;
    int rc;
    try {
        while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
            ++row;
            for (int i = 0; i < static_cast<int>(kinds.size()); ++i) {
                const auto k = static_cast<std::size_t>(i);
                const std::size_t from = buf.size();
                try {
                    appendValue(buf, st.get(), i, kinds[k]);
                    // As sent: an escaped byte (backslash) counts as not plain.
                    if (plain[k] && sqlite3_column_type(st.get(), i) != SQLITE_NULL)
                        for (std::size_t b = from; b < buf.size() && plain[k]; ++b)
                            plain[k] = buf[b] >= 0x01 && buf[b] <= 0x40;
                } catch (const std::exception& e) {
                    throw std::runtime_error("riga " + std::to_string(row) + ", campo " +
                                             cols[static_cast<std::size_t>(i)].name + ": " +
                                             e.what());
                }
                buf += '\t';
            }
            buf += std::to_string(row);
            buf += '\n';
            for (StaySpan& span : spans) span.add(st.get());
            if (buf.size() >= kCopyChunk) {
                conn_.putCopyData(buf);
                buf.clear();
            }
        }
        if (rc != SQLITE_DONE) {
            throw db::DbError(f.shown, "", db::sqliteCause(rc, sqlite3_errmsg(f.db)));
        }
        conn_.putCopyData(buf);
    } catch (const std::exception& e) {
        conn_.abortCopy(e.what());
        throw;
    }
    conn_.endCopy();
    summary_.rowsSent += row;
    Sent sent;
    for (std::size_t i = 0; i < cols.size(); ++i)
        if (plain[i]) sent.plain.push_back(cols[i].name);
    for (const StaySpan& span : spans) sent.spans[span.name] = span.unknown ? -1 : span.longest;
    return sent;
}

void Sync::createIndexes(const std::string& physical, const std::vector<ColumnDef>& cols) {
    auto find = [&](std::string_view want) -> std::string {
        for (const auto& c : cols) {
            if (equalsNoCase(utf8ToCp1252(c.name), want)) return c.name;
        }
        return {};
    };
    int n = 0;
    auto index = [&](const std::vector<std::string>& on) {
        std::string list;
        for (const auto& c : on) list += (list.empty() ? "" : ", ") + quoteIdent(c);
        conn_.exec("CREATE INDEX " + quoteIdent(physical + "_i" + std::to_string(++n)) + " ON " +
                   q(physical) + " (" + list + ")");
    };
    index({"corvex_riga"});
    const std::string de = find("DataEmissione"), td = find("TipoDocumento"),
                      nd = find("NDocumento"), co = find("Contatore");
    const bool documentKey = !de.empty() && !td.empty() && !nd.empty() && !co.empty();
    if (documentKey) index({de, td, nd, co});
    std::vector<std::string_view> keys(std::begin(db::kDateColumns), std::end(db::kDateColumns));
    keys.insert(keys.end(), {"CodiceCliente", "NumeroProgressivo", "NumeroCamera", "NCamera"});
    // The arrival and charge date indexes carry the columns the reports test
    // next to those dates, so a day's rows failing them (arrivals of the
    // last weeks that left before the day, other charges) are passed over
    // in the index without reading the table.
    auto withColumns = [&](const std::string& first, std::initializer_list<std::string_view> more) {
        std::vector<std::string> on{first};
        for (std::string_view m : more)
            if (std::string name = find(m); !name.empty()) on.push_back(name);
        return on;
    };
    for (std::string_view k : keys) {
        const std::string name = find(k);
        if (name.empty() || (documentKey && name == de)) continue;
        if (k == "DataArrivo")
            index(withColumns(name, {"DataPartenza", "DataPartenzaReale", "Partito"}));
        else if (k == "DataAddebito")
            index(withColumns(name,
                              {"NumeroHotel", "NumeroCamera", "VoceAddebito", "CodiceCliente"}));
        else
            index({name});
    }
}

// The longest stay per departure column of a table with arrivals, as the
// reports bound their presence tests by it.
void Sync::storeSpans(const std::string& physical, const std::vector<ColumnDef>& cols,
                      const std::map<std::string, long>& known) {
    auto find = [&](std::string_view want) -> std::string {
        for (const auto& c : cols) {
            if (equalsNoCase(utf8ToCp1252(c.name), want)) return c.name;
        }
        return {};
    };
    const std::string arrival = find("DataArrivo");
    if (arrival.empty()) return;
    for (std::string_view d : {"DataPartenza", "DataPartenzaReale"}) {
        const std::string departure = find(d);
        if (departure.empty()) continue;
        std::string span;
        if (const auto it = known.find(departure); it != known.end()) {
            span = std::to_string(it->second);
        } else {  // dates not stored as text: the server works it out
            span = std::string(
                conn_.exec(longestStaySql(q(physical), quoteIdent(arrival), quoteIdent(departure)))
                    .value(0, 0));
        }
        conn_.execParams("INSERT INTO " + q("corvex_intervalli") + " VALUES ($1, $2, $3)",
                         {physical, departure, span});
    }
}

void Sync::dropTable(const std::string& key, const std::string& table) {
    const auto it = known_.find({key, table});
    retire(it->second.physical);
    conn_.execParams("DELETE FROM " + q("corvex_tabelle") + " WHERE file = $1 AND tabella = $2",
                     {key, table});
    conn_.execParams("DELETE FROM " + q("corvex_colonne") + " WHERE file = $1 AND tabella = $2",
                     {key, table});
    ++summary_.removed;
}

void Sync::syncTextFiles() {
    std::map<std::string, std::string> known;
    Result r = conn_.exec("SELECT nome, firma FROM " + q("corvex_file"));
    for (int i = 0; i < r.rows(); ++i) known[std::string(r.value(i, 0))] = r.value(i, 1);
    for (const std::string& name : syncedTextFiles()) {
        const auto it = known.find(name);
        if (!isRegularFile(name)) {
            if (it != known.end()) {
                conn_.execParams("DELETE FROM " + q("corvex_file") + " WHERE nome = $1", {name});
                ++summary_.removed;
            }
            continue;
        }
        const std::string sig = signature(name);
        if (it != known.end() && it->second == sig) continue;
        std::ifstream in(name, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) throw SyncError(name, "", "file illeggibile");
        static const char hex[] = "0123456789abcdef";
        std::string param = "\\x";
        for (unsigned char c : bytes) {
            param += hex[c >> 4];
            param += hex[c & 15];
        }
        try {
            conn_.execParams("INSERT INTO " + q("corvex_file") +
                                 " VALUES ($1, $2::bytea, $3) ON CONFLICT (nome) DO UPDATE SET "
                                 "contenuto = excluded.contenuto, firma = excluded.firma",
                             {name, param, sig});
        } catch (const std::exception& e) {
            throw SyncError(name, "", e.what());
        }
        ++summary_.textFilesSent;
        progress(name);
    }
}

SyncSummary Sync::run() {
    try {
        // Index builds sort in memory rather than on disk where they can.
        conn_.exec("BEGIN; SET LOCAL maintenance_work_mem = '256MB'");
        prepareSchema();
        loadKnown();
        dropRetired();
    } catch (const SyncError&) {
        throw;
    } catch (const std::exception& e) {
        throw SyncError("", "", e.what());
    }
    for (const std::string& path : syncedDatabases()) syncDatabase(path);
    try {
        // Tables whose file or table is gone from the folder.
        for (const auto& [id, k] : known_) {
            if (!seen_.count(id)) dropTable(id.first, id.second);
        }
        syncTextFiles();
        std::error_code ec;
        Result g = conn_.execParams("UPDATE " + q("corvex_sync") +
                                        " SET generazione = generazione + 1, sincronizzato = "
                                        "now(), cartella = $1 RETURNING generazione",
                                    {cp1252ToUtf8(fs::current_path(ec).string())});
        summary_.generation = std::stoll(std::string(g.value(0, 0)));
        conn_.exec("UPDATE " + q("corvex_scarti") +
                   " SET dal = clock_timestamp() WHERE dal IS NULL");
        conn_.exec("COMMIT");
    } catch (const SyncError&) {
        throw;
    } catch (const std::exception& e) {
        throw SyncError("", "", e.what());
    }
    return summary_;
}

}  // namespace

SyncError::SyncError(std::string file, std::string table, const std::string& cause)
    : std::runtime_error((file.empty() ? std::string() : file + ": ") +
                         (table.empty() ? std::string() : "tabella " + table + ": ") + cause),
      file_(std::move(file)),
      table_(std::move(table)) {}

std::string serverType(const std::string& declared) {
    switch (kindOf(declared)) {
        case Kind::Currency:
            return "numeric(19,4)";
        case Kind::Integer:
            return "bigint";
        case Kind::Double:
            return "double precision";
        case Kind::Bytes:
            return "bytea";
        case Kind::Text:
            break;
    }
    return "text";
}

std::vector<std::string> syncedDatabases() {
    std::vector<std::string> out;
    std::set<std::string> keys;
    auto add = [&](const std::string& path) {
        if (!isRegularFile(path)) return;
        if (keys.insert(fileKey(path)).second) out.push_back(path);
    };
    for (const char* name : kFolderFiles) add(db::resolveFileName(name));
    // The archives where the reports look for them; without the hotel's
    // record, in the data folder.
    std::string codice;
    try {
        codice = LeggiCodiceAssistenza();
    } catch (const std::exception&) {
    }
    for (const char* name : kArchiveFiles) {
        try {
            add(db::resolveFileName(PercorsoArchivio(name, codice)));
        } catch (const std::exception&) {
            // No DirKV or no archive there: the reports say so when they run.
        }
    }
    return out;
}

const std::vector<std::string>& syncedTextFiles() {
    static const std::vector<std::string> names = {"CamereImp.txt", "CorrSetup.txt",
                                                   "Parametri.txt", "MCCnf.txt",
                                                   "FontStp.txt",   "SeparatoreXLS.txt"};
    return names;
}

SyncSummary syncFolder(const SyncOptions& options) {
    if (!validPropertyName(options.property)) {
        throw std::invalid_argument(
            "nome di proprietà non valido \"" + options.property +
            "\": lettere minuscole, cifre e _, al massimo 31 caratteri, all'inizio una lettera");
    }
    // The sync reads the folder, even in a process whose reports read a server.
    struct FolderOnly {
        std::optional<db::ServerChoice> saved = db::chosenServer();
        FolderOnly() { db::chooseServer(std::nullopt); }
        ~FolderOnly() { db::chooseServer(saved); }
    } folderOnly;
    Sync sync(options);
    return sync.run();
}

}  // namespace corvex::pg
