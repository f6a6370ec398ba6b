// The table definitions of IdS.mdb. Kept apart from CaricaImpostazioni so
// that code which only needs the layout (the demo folder) does not pull in
// the database engine.
#include "settings/store.h"

namespace corvex {

using db::FieldType;
using db::TableDef;

const TableDef& tabellaGenerale() {
    static const TableDef def{"Generale",
                              {{"NumeroHotel", FieldType::Short},
                               {"CodiceIva", FieldType::Short},
                               {"GGMax", FieldType::Short},
                               {"CodGGMax", FieldType::Short},
                               {"NConto", FieldType::Short},
                               {"CodMin", FieldType::Short},
                               {"EtaMin", FieldType::Short},
                               {"CodGrp", FieldType::Short},
                               {"CodRes", FieldType::Short},
                               {"DesRes", FieldType::Text, 100},
                               {"CodStd", FieldType::Short},
                               {"CodFEta", FieldType::Short},
                               {"EtaDa", FieldType::Short},
                               {"EtaFinoA", FieldType::Short}}};
    return def;
}

const TableDef& tabellaVociIdS() {
    static const TableDef def{"VociIdS",
                              {{"NumeroHotel", FieldType::Short},
                               {"Codice", FieldType::Short},
                               {"Descrizione", FieldType::Text, 40}}};
    return def;
}

const TableDef& tabellaPeriodi() {
    static const TableDef def{"Periodi",
                              {{"NumeroHotel", FieldType::Short},
                               {"Codice", FieldType::Short},
                               {"DataInizio", FieldType::Text, 8},
                               {"DataFine", FieldType::Text, 8},
                               {"Valore", FieldType::Currency}}};
    return def;
}

}  // namespace corvex
