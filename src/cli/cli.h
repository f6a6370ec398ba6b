// The command line: `corvex report NAME [options]`, `corvex demo DIR`.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace corvex::cli {

// Exit codes of `corvex report`.
enum Exit : int { Ok = 0, DataError = 1, BadArguments = 2, CompletedWithSkips = 3 };

// Runs the command line (args without the program name); returns the exit
// code. Messages go to err, help and terminal output to out.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace corvex::cli
