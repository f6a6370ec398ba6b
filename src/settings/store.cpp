#include "settings/store.h"

#include <filesystem>

namespace corvex {

void CaricaImpostazioni() {
    // Any file whose name matches "IdS.mdb" without regard to case counts as
    // the settings database, a genuine Jet file included: it is never touched.
    const std::string found = db::resolveFileName("IdS.mdb");
    if (std::filesystem::exists(found)) return;

    db::Database ids = db::Database::create("IdS.mdb");
    ids.createTable(tabellaGenerale());
    ids.createTable(tabellaVociIdS());
    ids.createTable(tabellaPeriodi());
    ids.close();
}

}  // namespace corvex
