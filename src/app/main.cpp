// The one executable: the desk without arguments, the command line otherwise.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"

#if defined(CORVEX_HAVE_GUI) && __has_include("desk/desk_main.h")
#include "desk/desk_main.h"
#define CORVEX_RUN_DESK 1
#endif

int main(int argc, char** argv) {
#ifdef CORVEX_RUN_DESK
    if (argc <= 1) return corvex::desk::run(argc, argv);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    const int code = corvex::cli::run(args, std::cout, std::cerr);
    std::cout.flush();
    return code;
}
