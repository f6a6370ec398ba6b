// The SQL functions reports need on the server (schema corvex_fn), created by
// the sync with CREATE OR REPLACE inside its transaction.
#pragma once

#include <string>
#include <string_view>

namespace corvex::pg {

// The statements that create (or replace) the functions; "" when none.
std::string functionsSql();

// What corvex_fn.sk and corvex_fn.fold give for a code page 1252 text (as
// UTF-8), worked out here for the literals of a statement.
std::string sortKey(std::string_view cp1252);
std::string foldedText(std::string_view cp1252);

// One number: the longest stay in days over the rows of `table` whose
// departure comes after their arrival (in byte order), -1 when one of them
// lacks real dates. Table and columns are given quoted for the server.
std::string longestStaySql(const std::string& table, const std::string& arrival,
                           const std::string& departure);

}  // namespace corvex::pg
