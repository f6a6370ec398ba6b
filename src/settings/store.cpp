#include "settings/store.h"

#include <filesystem>

#include "data/pg/pg_reader.h"

namespace corvex {

void CaricaImpostazioni() {
    // A run on a server reads the property's settings there and writes nothing here.
    if (pg::activeReader()) return;
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
