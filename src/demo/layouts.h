// The concrete layout of every suite table the demo folder holds, and the
// declared types a table definition of the engine maps to.
#pragma once

#include "data/engine/database.h"
#include "demo/sqlite_out.h"

namespace corvex::demo {

// Declared SQLite type of an engine field: SHORT, LONG, TEXT(n) COLLATE NOCASE,
// LONGTEXT COLLATE NOCASE, CURRENCY, DOUBLE (and BOOLEAN, BYTE, DATETIME), as the
// engine's createTable declares them.
std::string declaredType(const db::FieldDef& field);
TableLayout layoutOf(const db::TableDef& def);

// Scheda_Cliente (also the archive SchedaStoricoClienti): the 54 fields.
const TableLayout& layoutSchedaCliente();
const TableLayout& layoutContoCliente();  // also the archive ContoStoricoClienti
const TableLayout& layoutVociFattura();
const TableLayout& layoutAnagraficaHotels();
const TableLayout& layoutDatiFattura();
const TableLayout& layoutDettaglioFattura();
const TableLayout& layoutIncassi();
const TableLayout& layoutScorporoFattura();
const TableLayout& layoutCodiciIva();
const TableLayout& layoutCodiciVari();
const TableLayout& layoutDettaglio();
const TableLayout& layoutStampanti();
const TableLayout& layoutSetStampa();
const TableLayout& layoutContatori();

}  // namespace corvex::demo
