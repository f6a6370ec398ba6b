// Translation of a parsed Jet SELECT into SQLite SQL.
//
// - Jet functions become the engine's SQL functions (jet_left, jet_instr, ...),
//   '&' becomes '||', names take the spelling of the table's schema.
// - Text comparisons get COLLATE NOCASE (the engine's case-insensitive
//   collation), so a function's result compares like a column.
// - "From T In 'file'" names a table of an attached database.
// - Rows come in the statement's order and, among ties, in the table's own
//   order: rowid is the last sort key.
// - Presence tests get a redundant lower bound on DataArrivo (see
//   arrivalBound in the .cpp) so that an index range stays short.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "data/engine/sql_ast.h"

namespace corvex::db::sql {

enum class ColType { Unknown, Integer, Currency, Double, Text };

// Declared type of a column as the suite writes it (SHORT, LONG, TEXT(n),
// LONGTEXT, CURRENCY, DOUBLE, ...).
ColType typeOfDeclared(std::string_view declared);

struct ColumnInfo {
    std::string name;  // code page 1252
    ColType type = ColType::Unknown;
    // Server: every text of the column is a plainLiteral (room numbers,
    // mostly), so byte order is the engine's order and an ORDER BY on it
    // needs no sort key.
    bool plain = false;
};

struct TableInfo {
    std::string name;  // as the schema spells it
    // The table as a server statement names it ("corvex_x"."t17"); empty
    // for SQLite files.
    std::string physical;
    std::vector<ColumnInfo> columns;
    // Longest span in days from DataArrivo to a departure column over the
    // rows where the departure is later (keys folded to lower case); absent
    // when unknown or unbounded.
    std::map<std::string, long> spans;
    const ColumnInfo* column(std::string_view name) const;
};

// What the translator needs to know about the databases.
class SchemaSource {
  public:
    virtual ~SchemaSource() = default;
    // Schema name ("main" or an attached alias) for "In 'file'".
    virtual std::string attach(const std::string& file) = 0;
    // Table of a schema; nullptr when there is none of that name.
    virtual const TableInfo* table(const std::string& schema, const std::string& name) = 0;
    // A server whose texts compare in byte order by default (collation C):
    // direct text comparisons then need no COLLATE, so they use the indexes.
    virtual bool byteOrderText() const { return false; }
};

struct Translation {
    std::string sql;                   // UTF-8; literal k is parameter ?k+1
    std::vector<ColType> columnTypes;  // per output column (Unknown: decide by value)
    bool editable = false;             // one table of the main schema, plain columns
    std::string table;                 // the FROM table (written to when editable)
    std::size_t hiddenColumns = 0;     // rowid appended at the end when editable
    // Server: parameters after the literals, each computed by the caller
    // from a text literal: its folded form ('f'), its sort key ('k'), the
    // date `days` days before it ('d', '' when it is not a yyyymmdd date),
    // or a LIKE pattern that finds it anywhere ('l').
    // The server then works out only the column's side of a comparison per
    // row, and plans no function calls on constants.
    struct Derived {
        int param = 0;
        char kind = 'f';
        std::int64_t days = 0;
        bool operator==(const Derived&) const = default;
    };
    std::vector<Derived> derived;
};

// The SQL the translation is for: SQLite (the engine's functions and NOCASE
// collation) or a PostgreSQL server (the functions of schema corvex_fn, texts
// compared through their folded form or sort key, ties on corvex_riga).
enum class Dialect { Sqlite, Postgres };

// `literals` gives the kinds of the parameters (number or text). For
// PostgreSQL the text also counts: a comparison of a text column with a
// literal made only of characters that sort by code point and fold to
// themselves (digits, blanks, signs: plainLiteral) compares the column
// directly, so that the server can use its index.
Translation translate(const Select& select, const std::vector<Value>& literals,
                      SchemaSource& schemas, bool wantRowid, Dialect dialect = Dialect::Sqlite);
bool plainLiteral(const Value& v);
// A text whose first character sorts after every plainLiteral character:
// every plain text comes before it.
bool highLiteral(const Value& v);
// What a PostgreSQL translation depends on of a literal's value, besides
// the statement's shape: 'p' plain text, 'h' high text, 't' other text,
// 'z' the whole number 0, 'i' another whole number, 'n' anything else.
// Equal classes, equal translations.
char literalClass(const Value& v);

// Token-level translation of a statement other than SELECT (INSERT, UPDATE,
// DELETE, CREATE): names and text to UTF-8, Jet functions renamed, '&' to
// '||', the trailing ';' dropped. Literals stay inline.
std::string translatePlain(const Lexed& lexed);

// The engine's SQL name of a Jet function, or empty when it has none.
std::string_view engineFunction(std::string_view jetName);

}  // namespace corvex::db::sql
