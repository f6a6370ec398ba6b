// The desktop program: the main desk in the data folder (cartella_dati.h).
#pragma once

namespace corvex::desk {

// Enters the data folder (asking for one when needed), makes sure IdS.mdb
// exists (CaricaImpostazioni), opens the desk and runs until it is closed.
// Returns the exit code (0 when no data folder was chosen).
int run(int argc, char** argv);

}  // namespace corvex::desk
