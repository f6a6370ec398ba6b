// The SQL functions reports need on the server (schema corvex_fn), created by
// the sync with CREATE OR REPLACE inside its transaction.
#pragma once

#include <string>

namespace corvex::pg {

// The statements that create (or replace) the functions; "" when none.
std::string functionsSql();

}  // namespace corvex::pg
