// Building a recordset from a prepared SELECT (engine-internal).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/engine/connection.h"
#include "data/engine/recordset.h"
#include "data/engine/row_set.h"
#include "data/engine/sql_quote.h"

namespace corvex::db {

// Runs the prepared statement with the literals and materialises its rows.
Recordset runSelect(const std::shared_ptr<Connection>& conn, Connection::Prepared& prepared,
                    const std::vector<Value>& literals, const std::string& original);

// A recordset over rows read elsewhere (a server's result): walked and
// searched as any other, never written. `table` names the table in errors.
Recordset recordsetOfRows(std::string shown, std::string table, std::vector<std::string> names,
                          RowSet rows);

}  // namespace corvex::db
