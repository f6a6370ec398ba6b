// `corvex sync --db URL --property NAME`: copies the data folder (the current
// directory) into the property's schema on a PostgreSQL server.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace corvex::cli {

// Runs the words after "sync"; returns 0 done, 1 connection, server or file
// error (the server left as it was), 2 bad arguments. --db and --property
// default to CORVEX_DB and CORVEX_PROPERTY. Progress (one line per file
// sent) and errors go to err, the summary to out.
int runSync(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The command's lines of the help text.
std::string syncUsage();

}  // namespace corvex::cli
