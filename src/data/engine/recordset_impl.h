// Building a recordset from a prepared SELECT (engine-internal).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/engine/connection.h"
#include "data/engine/recordset.h"

namespace corvex::db {

// A table or column name (code page 1252) as an SQLite identifier: UTF-8 in
// double quotes, quotes inside doubled.
std::string quoteIdentifier(const std::string& cp1252);

// Runs the prepared statement with the literals and materialises its rows.
Recordset runSelect(const std::shared_ptr<Connection>& conn, Connection::Prepared& prepared,
                    const std::vector<Value>& literals, const std::string& original);

}  // namespace corvex::db
