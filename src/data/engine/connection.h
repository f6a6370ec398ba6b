// One open SQLite connection of the engine with its caches: prepared
// statements and translations by statement shape, table layouts, attached
// files. Shared by a Database and the recordsets opened on it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/engine/sql_translate.h"
#include "data/engine/statement.h"

struct sqlite3;
struct sqlite3_stmt;

namespace corvex::db {

class Connection : public sql::SchemaSource {
  public:
    // Opens an SQLite file; readOnly connections never write the file (nor
    // leave a journal next to it). Throws DbError naming `shown`.
    Connection(const std::string& file, bool readOnly, bool jet, std::string shown);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }
    const std::string& shown() const { return shown_; }
    bool readOnly() const { return readOnly_; }
    bool jet() const { return jet_; }

    // A translated SELECT, prepared; cached by the text's shape.
    struct Prepared {
        sql::Translation translation;
        Statement stmt;
    };
    Prepared& prepareSelect(const sql::Lexed& lexed, const std::string& original);
    // Prepared statement for an engine-made SQL text (UTF-8), cached.
    sqlite3_stmt* prepare(const std::string& sql);
    void exec(const std::string& sql);  // engine-made SQL text
    // Drops the cached layouts and translations (after a schema change).
    void schemaChanged();

    // Throws DbError naming the file, with SQLite's message for rc.
    [[noreturn]] void fail(const std::string& sql, int rc) const;
    [[noreturn]] void readOnlyError(const std::string& sql) const;
    // The cause of a failure as the user should read it.
    std::string cause(const std::string& said) const;

    std::string attach(const std::string& file) override;

    // True when every attached file still reads through the copy it was
    // attached from (the suite may have changed one since).
    bool attachmentsCurrent() const;
    // Ends an open transaction and drops statements' bindings, so that the
    // connection can serve another Database.
    bool resetForReuse();
    const sql::TableInfo* table(const std::string& schema, const std::string& name) override;

  private:
    sqlite3* db_ = nullptr;
    std::string shown_;
    bool readOnly_;
    bool jet_;
    std::unordered_map<std::string, Statement> statements_;
    std::unordered_map<std::string, std::unique_ptr<Prepared>> selects_;
    std::map<std::string, std::unique_ptr<sql::TableInfo>> tables_;
    std::map<std::string, std::string> attached_;  // resolved path -> schema name
    // Per attached file: the path as resolved and the copy attached.
    std::vector<std::pair<std::string, std::string>> attachedCopies_;
};

// A read-only connection on a suite file, taken from this process's pool of
// idle connections when one on the same copy is free (its statements,
// translations and attachments then come for free), else opened. The
// connection goes back to the pool when the last holder lets it go. `copy`
// is the result of readableCopy; `shown` names the file in errors.
std::shared_ptr<Connection> pooledConnection(const std::string& copy, bool jet,
                                             const std::string& shown);
// Binds value v to parameter i (1-based): text as UTF-8, currency as REAL.
void bindValue(sqlite3_stmt* st, int i, const Value& v);

}  // namespace corvex::db
