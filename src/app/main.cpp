// The one executable: the desk without arguments, the command line otherwise.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "common/allocator.h"
#include "common/clock.h"

#if defined(CORVEX_HAVE_GUI) && __has_include("desk/desk_main.h")
#include "desk/desk_main.h"
#define CORVEX_RUN_DESK 1
#endif
#ifdef CORVEX_HAVE_GUI
#include "output/qt/printer_output.h"
#endif

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// A window needs a display, or a platform chosen on purpose (offscreen for
// tests and screenshots).
[[maybe_unused]] bool canOpenWindows() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
    corvex::keepFreedMemoryForReuse();
#ifdef CORVEX_RUN_DESK
    if (argc <= 1) {
        if (!canOpenWindows()) {
            std::cerr << "corvex: nessuno schermo: la scrivania non si può aprire qui; usare "
                         "corvex report ... (QT_QPA_PLATFORM=offscreen la apre senza schermo)\n\n"
                      << corvex::cli::usage();
            return corvex::cli::BadArguments;
        }
        try {
            corvex::now();  // a mistyped CORVEX_NOW must not open the desk on today's dates
        } catch (const corvex::InvalidClock& e) {
            std::cerr << "corvex: " << e.what() << '\n';
            return corvex::cli::BadArguments;
        }
        return corvex::desk::run(argc, argv);
    }
#endif
#ifdef CORVEX_HAVE_GUI
    // The command line opens no window: PDF files and the system's printers
    // are drawn on Qt's offscreen platform, so a server without a display (or
    // with a stale DISPLAY from a closed session) renders them all the same.
    if (!isSet("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const corvex::RenderStampante render = corvex::qt::renderStampante;
#else
    const corvex::RenderStampante render;  // no printer mode, no PDF without Qt
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    const int code = corvex::cli::run(args, std::cout, std::cerr, render);
    std::cout.flush();
    return code;
}
