// The data folder the desk works in. Started inside a data folder (a terminal
// in the suite's folder, the demo script) the desk stays there; started from
// the applications menu (in the home folder) it goes to the folder chosen on
// an earlier start, and asks for one with a folder dialog the first time, when
// that folder is gone, or when the menu's "choose another folder" asks for it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

class QSettings;

namespace corvex::desk {

// True when dir holds the suite's guest register (Scheda_Cliente.mdb) or the
// tax settings Corvex keeps there (IdS.mdb).
bool eCartellaDati(const std::filesystem::path& dir);

struct SceltaCartella {
    std::filesystem::path cartella;  // where to work, or where the dialog starts
    bool chiedere = false;           // the folder is only the dialog's starting point
};

// Decides without asking anyone: the current folder when it is a data folder,
// else the remembered one (empty: none) while it still is a data folder, else
// ask, starting from the remembered folder when it exists, or from the current
// one (the home folder when started from the menu). sceltaRichiesta always
// asks, starting from the same place.
SceltaCartella DecidiCartella(const std::filesystem::path& corrente,
                              const std::filesystem::path& ricordata, bool sceltaRichiesta);

// Asks for a folder, starting at the given one; nullopt when cancelled.
using ChiediCartella =
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path&)>;

// Moves the process into the data folder before the desk opens, asking with
// chiedi when DecidiCartella says so and remembering the answer in impostazioni
// (key "cartellaDati"). False when the user cancels: the desk does not open.
bool EntraNellaCartellaDati(QSettings& impostazioni, bool sceltaRichiesta,
                            const ChiediCartella& chiedi);

// The desk's start: ties the windows to the menu entry, then the above with the
// user's settings, a folder dialog and $CORVEX_CHOOSE_FOLDER (set by the menu
// entry's "choose another data folder" action) as sceltaRichiesta.
bool EntraNellaCartellaDati();

}  // namespace corvex::desk
