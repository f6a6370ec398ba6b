// The tax settings database IdS.mdb, the system's own.
#pragma once

#include "data/engine/database.h"

namespace corvex {

// Table definitions of IdS.mdb, fields in order: Generale, VociIdS, Periodi.
const db::TableDef& tabellaGenerale();
const db::TableDef& tabellaVociIdS();
const db::TableDef& tabellaPeriodi();

// Creates IdS.mdb (an SQLite file) with the three empty tables when no file
// of that name exists in the current directory (names matched without regard
// to case); leaves an existing one untouched, a genuine Jet IdS.mdb included.
void CaricaImpostazioni();

}  // namespace corvex
