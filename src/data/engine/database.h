// The database engine: suite files (SQLite or genuine Jet) and the system's own.
//
// A database named "X.mdb" is opened by its content. An SQLite file is used
// directly; a genuine Jet file (Jet3, Jet4, ACE) is imported by a child process
// into a cached SQLite copy outside the data folder and is read-only. File
// names are matched without regard to case. Suite files are never written:
// they are opened read-only with a busy timeout, and the engine reads them
// through an indexed cache copy (keyed by path, size and mtime) so that the
// reports' per-day full-scan statements stay fast.
//
// SQL texts are in the suite's Jet dialect (Instr, Left$, In 'file', ...) and
// code page 1252 bytes; the engine translates them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/engine/recordset.h"
#include "data/engine/sql_quote.h"  // quote(): literals built from user text

namespace corvex::db {

// Column types of a table definition.
enum class FieldType { Short, Long, Text, Memo, Currency, Double, Boolean, Byte, DateTime };

struct FieldDef {
    std::string name;
    FieldType type;
    int size = 0;  // width of a Text field
};

struct TableDef {
    std::string name;
    std::vector<FieldDef> fields;
};

// The SQLite CREATE TABLE statement (UTF-8) of a table definition, with the
// declared types the engine reads back; with autoNumber the first field is
// an INTEGER PRIMARY KEY AUTOINCREMENT instead of its own type.
std::string createTableSql(const TableDef& def, bool autoNumber = false);

class Database {
  public:
    enum class Mode { ReadOnly, ReadWrite };

    // Opens an existing database file. A missing file is a DbError naming it
    // (nothing is created). Suite files are opened ReadOnly; the system's own
    // files (IdS.mdb, SchClienti.mdb) ReadWrite. A Jet file opened ReadWrite
    // opens, but any write fails with a DbError saying the file is read-only.
    static Database open(const std::string& name, Mode mode = Mode::ReadOnly);
    // Creates a new, empty SQLite database file (the system's own format).
    // Fails if the file exists.
    static Database create(const std::string& name);

    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    ~Database();

    // Opens a recordset on a SELECT text or on a bare table name. Rows come in
    // the statement's order; rows that tie in its Order by (or all rows
    // without one) come in the table's own order.
    Recordset openRecordset(const std::string& sqlOrTable);
    // Runs a statement that returns no rows (INSERT, UPDATE, DELETE, CREATE).
    void execute(const std::string& sql);
    // Defines a table with its fields in order.
    void createTable(const TableDef& def);
    std::vector<std::string> tableNames() const;
    // The SQLite text the engine runs for a SELECT (diagnostics and tests).
    std::string translatedSql(const std::string& select);

    // Runs fn inside one transaction: all or nothing.
    template <class Fn>
    void transaction(Fn&& fn) {
        begin();
        try {
            fn();
        } catch (...) {
            rollback();
            throw;
        }
        commit();
    }

    bool readOnly() const;
    bool isJet() const;
    const std::string& path() const;  // the file as found on disk
    void close();

    struct Impl;

  private:
    explicit Database(std::unique_ptr<Impl> impl);
    void begin();
    void commit();
    void rollback();
    std::unique_ptr<Impl> impl_;
};

// Resolves a file name in a folder without regard to case: returns the
// existing path whose name matches, or the name unchanged when none does.
std::string resolveFileName(const std::string& name);

}  // namespace corvex::db
