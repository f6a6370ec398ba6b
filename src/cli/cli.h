// The command line: `corvex report NAME [options]`, `corvex demo DIR`,
// `corvex --help`, `corvex --version`.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/cli_interaction.h"
#include "cli/report_args.h"
#include "output/headless.h"

namespace corvex::cli {

// Exit codes of `corvex report`.
enum Exit : int { Ok = 0, DataError = 1, BadArguments = 2, CompletedWithSkips = 3 };

// Runs the command line (args without the program name); returns the exit
// code. Messages go to err, help and terminal output to out. render draws
// --pdf and printer-mode --print (empty in a build without windows).
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const RenderStampante& render = {});

// Runs one parsed report in the current directory as the desk's print button
// would (settings database prepared first), and maps the outcome to an exit
// code: failures are told on err, skipped records listed on err, and the
// report printed on out (UTF-8, as the preview shows it) when asked.
int runReport(const ReportInvocation& inv, std::ostream& out, std::ostream& err,
              PrintMenuHandler printMenu = {}, const RenderStampante& render = {});

// The whole usage text.
std::string usage();

}  // namespace corvex::cli
