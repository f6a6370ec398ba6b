// Building a recordset from a prepared SELECT (engine-internal).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/engine/connection.h"
#include "data/engine/recordset.h"
#include "data/engine/sql_quote.h"

namespace corvex::db {

// Runs the prepared statement with the literals and materialises its rows.
Recordset runSelect(const std::shared_ptr<Connection>& conn, Connection::Prepared& prepared,
                    const std::vector<Value>& literals, const std::string& original);

}  // namespace corvex::db
