#include "data/engine/database.h"

#include <sqlite3.h>

#include <filesystem>

#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/connection.h"
#include "data/engine/copy_cache.h"
#include "data/engine/error.h"
#include "data/engine/jet_cache.h"
#include "data/engine/recordset_impl.h"
#include "data/engine/sql_lexer.h"
#include "data/pg/pg_reader.h"

namespace corvex::db {

namespace fs = std::filesystem;

struct Database::Impl {
    std::shared_ptr<Connection> conn;
    std::string path;
    int depth = 0;  // nested transactions
    // A file of a property on a server (read-only), instead of conn.
    std::shared_ptr<pg::Reader> server;
    const pg::Reader::File* serverFile = nullptr;

    Connection& c() const {
        if (!conn) throw DbError(path, "", "il database è chiuso");
        return *conn;
    }
};

std::string resolveFileName(const std::string& name) {
    std::string n = name;
    for (char& c : n)
        if (c == '\\') c = '/';
    std::error_code ec;
    if (n.empty() || fs::exists(n, ec)) return n;
    // Walk the path one component at a time, taking the entry of each folder
    // whose name matches without regard to case.
    fs::path given(n), current;
    bool first = true;
    for (const auto& part : given) {
        fs::path next = first && given.has_root_path() ? part : current / part;
        if (!(first && given.has_root_path()) && !fs::exists(next, ec)) {
            fs::path dir = current.empty() ? fs::path(".") : current;
            bool found = false;
            for (const auto& e : fs::directory_iterator(dir, ec)) {
                std::string entry = e.path().filename().string();
                if (jet::equalNoCase(entry, part.string())) {
                    next = current / entry;
                    found = true;
                    break;
                }
            }
            if (!found) return n;
        }
        current = next;
        first = false;
    }
    return current.string();
}

namespace {

bool startsWithWord(const sql::Lexed& lx, std::initializer_list<std::string_view> words) {
    for (auto w : words)
        if (lx.tokens.front().isWord(w)) return true;
    return false;
}

const char* declaredType(FieldType t) {
    switch (t) {
        case FieldType::Short:
            return "SHORT";
        case FieldType::Long:
            return "LONG";
        case FieldType::Text:
            return "TEXT";
        case FieldType::Memo:
            return "LONGTEXT COLLATE NOCASE";
        case FieldType::Currency:
            return "CURRENCY";
        case FieldType::Double:
            return "DOUBLE";
        case FieldType::Boolean:
            return "BOOLEAN";
        case FieldType::Byte:
            return "BYTE";
        case FieldType::DateTime:
            return "DATETIME";
    }
    return "TEXT";
}

}  // namespace

Database::Database(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Database Database::open(const std::string& name, Mode mode) {
    if (auto reader = pg::activeReader(); reader && !pg::staysLocal(name)) {
        const pg::Reader::File* f = reader->file(name);
        // The system's own files opened for writing stay in the folder when
        // the server has no copy of them; a report never writes the server.
        if (f || mode == Mode::ReadOnly) {
            if (!f)
                throw DbError(name, "", "file non trovato sul server (" + reader->label() + ")");
            auto impl = std::make_unique<Impl>();
            impl->path = f->name;
            impl->server = std::move(reader);
            impl->serverFile = f;
            return Database(std::move(impl));
        }
    }
    std::string path = resolveFileName(name);
    checkDatabaseFile(path, name);
    auto impl = std::make_unique<Impl>();
    impl->path = path;
    bool jet = false;
    if (mode == Mode::ReadWrite && !detectJet(path, path)) {
        unpinCopy(path);
        impl->conn = std::make_shared<Connection>(path, false, false, path);
    } else {
        // The copies are never written: their connections are pooled. A
        // file read directly (no usable cache folder) gets its own.
        auto connect = [&](const std::string& copy) {
            return copy == path ? std::make_shared<Connection>(copy, true, jet, path)
                                : pooledConnection(copy, jet, path);
        };
        try {
            impl->conn = connect(readableCopy(path, path, jet));
        } catch (const DbError&) {
            // Another process may have replaced the copy between the two
            // steps; one more attempt settles it.
            impl->conn = connect(readableCopy(path, path, jet, true));
        }
    }
    return Database(std::move(impl));
}

Database Database::create(const std::string& name) {
    std::string path = resolveFileName(name);
    std::error_code ec;
    if (fs::exists(path, ec)) throw DbError(path, "", "il file esiste già");
    path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    sqlite3* db = nullptr;
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    // Writing the header makes the file an SQLite database on disk at once.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA application_id = 1129469528", nullptr, nullptr, nullptr);
    std::string cause = rc == SQLITE_OK ? "" : sqliteCause(rc, sqlite3_errmsg(db));
    sqlite3_close_v2(db);
    if (rc != SQLITE_OK) {
        fs::remove(path, ec);
        throw DbError(path, "", "impossibile creare il database: " + cause);
    }
    auto impl = std::make_unique<Impl>();
    unpinCopy(path);
    impl->path = path;
    impl->conn = std::make_shared<Connection>(path, false, false, path);
    return Database(std::move(impl));
}

Recordset Database::openRecordset(const std::string& sqlOrTable) {
    if (impl_->server) return impl_->server->select(*impl_->serverFile, sqlOrTable);
    Connection& c = impl_->c();
    sql::Lexed lexed;
    try {
        lexed = sql::lex(sqlOrTable);
        if (!sql::isSelect(lexed)) {
            const auto& t = lexed.tokens;
            bool bareName = t.size() == 2 && (t[0].kind == sql::Token::Kind::Ident ||
                                              t[0].kind == sql::Token::Kind::QuotedIdent);
            if (!bareName)
                throw DbError("", "",
                              "un recordset si apre su una SELECT o sul nome di una tabella");
            lexed = sql::lex("SELECT * FROM [" + t[0].text + "]");
        }
    } catch (const DbError& e) {
        throw DbError(impl_->path, sqlOrTable, e.cause());
    }
    auto& prepared = c.prepareSelect(lexed, sqlOrTable);
    return runSelect(impl_->conn, prepared, lexed.literals, sqlOrTable);
}

std::string Database::translatedSql(const std::string& select) {
    if (impl_->server) return impl_->server->translatedSql(*impl_->serverFile, select);
    Connection& c = impl_->c();
    sql::Lexed lexed;
    try {
        lexed = sql::lex(select);
    } catch (const DbError& e) {
        throw DbError(impl_->path, select, e.cause());
    }
    return c.prepareSelect(lexed, select).translation.sql;
}

void Database::execute(const std::string& sql) {
    if (impl_->server)
        throw DbError(impl_->path, sql, "il file è di sola lettura (dati dal server)");
    Connection& c = impl_->c();
    if (c.readOnly()) c.readOnlyError(sql);
    sql::Lexed lexed;
    try {
        lexed = sql::lex(sql);
    } catch (const DbError& e) {
        throw DbError(impl_->path, sql, e.cause());
    }
    std::string text = sql::translatePlain(lexed);
    char* err = nullptr;
    int rc = sqlite3_exec(c.handle(), text.c_str(), nullptr, nullptr, &err);
    sqlite3_free(err);
    if (startsWithWord(lexed, {"create", "drop", "alter"})) c.schemaChanged();
    if (rc != SQLITE_OK) c.fail(sql, rc);
}

std::string createTableSql(const TableDef& def, bool autoNumber) {
    std::string sql = "CREATE TABLE " + sqliteName(def.name) + " (";
    for (std::size_t i = 0; i < def.fields.size(); ++i) {
        const FieldDef& f = def.fields[i];
        sql += (i ? ", " : "") + sqliteName(f.name) + " ";
        if (autoNumber && i == 0)
            sql += "INTEGER PRIMARY KEY AUTOINCREMENT";
        else if (f.type == FieldType::Text)
            sql += "TEXT(" + std::to_string(f.size > 0 ? f.size : 255) + ") COLLATE NOCASE";
        else
            sql += declaredType(f.type);
    }
    return sql + ")";
}

void Database::createTable(const TableDef& def) {
    if (impl_->server)
        throw DbError(impl_->path, "", "il file è di sola lettura (dati dal server)");
    Connection& c = impl_->c();
    const std::string sql = createTableSql(def);
    if (c.readOnly()) c.readOnlyError(sql);
    char* err = nullptr;
    int rc = sqlite3_exec(c.handle(), sql.c_str(), nullptr, nullptr, &err);
    sqlite3_free(err);
    c.schemaChanged();
    if (rc != SQLITE_OK) c.fail(utf8ToCp1252(sql), rc);
}

std::vector<std::string> Database::tableNames() const {
    std::vector<std::string> out;
    if (impl_->server) {
        for (const auto& [key, table] : impl_->serverFile->tables) out.push_back(table.name);
        return out;
    }
    Connection& c = impl_->c();
    sqlite3_stmt* st = c.prepare(
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\' AND name NOT LIKE 'corvex\\_%' ESCAPE '\\' ORDER BY rowid");
    while (sqlite3_step(st) == SQLITE_ROW)
        out.push_back(utf8ToCp1252(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    sqlite3_reset(st);
    return out;
}

void Database::begin() {
    if (impl_->server) return;  // nothing to write: the run's transaction holds
    Connection& c = impl_->c();
    c.exec(impl_->depth == 0 ? "BEGIN" : "SAVEPOINT corvex_nested");
    ++impl_->depth;
}

void Database::commit() {
    if (impl_->server) return;
    Connection& c = impl_->c();
    --impl_->depth;
    c.exec(impl_->depth == 0 ? "COMMIT" : "RELEASE corvex_nested");
}

void Database::rollback() {
    if (impl_->server) return;
    Connection& c = impl_->c();
    --impl_->depth;
    if (impl_->depth == 0) {
        if (!sqlite3_get_autocommit(c.handle())) c.exec("ROLLBACK");
    } else {
        c.exec("ROLLBACK TO corvex_nested");
        c.exec("RELEASE corvex_nested");
    }
}

bool Database::readOnly() const {
    return impl_->server || impl_->c().readOnly();
}
bool Database::isJet() const {
    return !impl_->server && impl_->c().jet();
}
const std::string& Database::path() const {
    return impl_->path;
}
void Database::close() {
    if (impl_) {
        impl_->conn.reset();
        impl_->server.reset();
        impl_->serverFile = nullptr;
    }
}

}  // namespace corvex::db
