// `corvex settings structure|show|category`: the structure's data and the
// categories of the tax items, kept in IdSDichiarazioni.mdb in the data
// folder (the current directory); IdS.mdb is only read.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace corvex::cli {

// Runs the words after "settings"; returns 0 done, 1 database or file error,
// 2 bad arguments (nothing written). Messages (Italian, UTF-8) go to err,
// the data shown and confirmations to out.
int runSettings(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The command's lines of the help text.
std::string settingsUsage();

}  // namespace corvex::cli
