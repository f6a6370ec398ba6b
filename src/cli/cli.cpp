#include "cli/cli.h"

#include <ostream>

namespace corvex::cli {

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    (void)args;
    (void)out;
    err << "corvex: command line not built yet\n";
    return BadArguments;
}

}  // namespace corvex::cli
