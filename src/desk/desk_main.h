// The desktop program: the main desk in the current directory.
#pragma once

namespace corvex::desk {

// Makes sure IdS.mdb exists (CaricaImpostazioni), opens the desk and runs
// until it is closed. Returns the exit code.
int run(int argc, char** argv);

}  // namespace corvex::desk
