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
        sqlite3_stmt* stmt = nullptr;
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

    std::string attach(const std::string& file) override;
    const sql::TableInfo* table(const std::string& schema, const std::string& name) override;

  private:
    sqlite3* db_ = nullptr;
    std::string shown_;
    bool readOnly_;
    bool jet_;
    std::unordered_map<std::string, sqlite3_stmt*> statements_;
    std::unordered_map<std::string, std::unique_ptr<Prepared>> selects_;
    std::map<std::string, std::unique_ptr<sql::TableInfo>> tables_;
    std::map<std::string, std::string> attached_;  // resolved path -> schema name
};

// Binds value v to parameter i (1-based): text as UTF-8, currency as REAL.
void bindValue(sqlite3_stmt* st, int i, const Value& v);

// The file to read for a suite file: the up-to-date indexed copy (SQLite or
// Jet source alike) or, when the cache folder is unusable, the file itself.
// Sets jet when the source is a Jet file. Throws DbError for a missing or
// unrecognised file.
std::string readableCopy(const std::string& path, const std::string& shown, bool& jet);
// True for a Jet file, false for an SQLite file; DbError for anything else.
bool detectJet(const std::string& path, const std::string& shown);

}  // namespace corvex::db
