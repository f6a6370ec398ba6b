// `corvex remittance add|list|delete`: the payments of the tourist tax to the
// municipality, kept in IdSDichiarazioni.mdb in the data folder (the
// current directory).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace corvex::cli {

// Runs the words after "remittance"; returns 0 done, 1 database or file
// error, 2 bad arguments (nothing written). Messages (Italian, UTF-8) go to
// err, the listing and confirmations to out.
int runRemittance(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The command's lines of the help text.
std::string remittanceUsage();

}  // namespace corvex::cli
