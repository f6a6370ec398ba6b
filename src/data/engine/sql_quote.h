// The one place SQL text gets its quotes: every statement the program builds
// with a name or a text in it goes through these two functions.
#pragma once

#include <string>
#include <string_view>

namespace corvex::db {

// A name for an SQL statement: in double quotes, quotes inside doubled
// ("a\"b" -> "\"a\"\"b\""). The bytes are kept as they are: names sent to
// SQLite are UTF-8, names in the suite's Jet SQL texts code page 1252.
std::string quoteIdentifier(std::string_view name);
// A table or column name held in code page 1252 as a quoted SQLite name (UTF-8).
std::string sqliteName(std::string_view cp1252);

// A text literal for an SQL statement or a find criterion: in single quotes,
// quotes inside doubled ("1'0" -> "'1''0'"). Bytes kept as they are.
std::string quote(std::string_view text);

}  // namespace corvex::db
