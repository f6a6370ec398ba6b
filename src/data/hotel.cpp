#include "data/hotel.h"

#include <filesystem>
#include <system_error>

#include "common/environment.h"
#include "common/errors.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/pg/pg_reader.h"

namespace corvex {

std::string LeggiCodiceAssistenza() {
    db::Database hotels = db::Database::open("AnagraficaHotels.mdb");
    db::Recordset rs = hotels.openRecordset("AnagraficaHotels");
    std::string codice;
    if (rs.findFirst("NumeroHotel = " + str(HotelCorrente))) {
        codice = rs.field("CodiceAssistenza").toText();
    }
    rs.close();
    hotels.close();
    return codice;
}

std::string PercorsoArchivio(const std::string& fileName, const std::string& codiceAssistenza) {
    if (!contains(codiceAssistenza, "&")) return fileName;

    // '&' puts the archives in the suite's data directory. An empty DirKV
    // would point at the filesystem root, and a missing file there would make
    // every departed guest vanish from the reports without a word: both are
    // errors that name the path looked for.
    std::string dir = dirKV();
    std::string wanted = dir;
    if (wanted.empty() || wanted.back() != '/') wanted += '/';
    wanted += fileName;
    if (dir.empty()) {
        throw ReportError(
            "L'archivio degli ospiti partiti va cercato nella cartella DirKV "
            "(CodiceAssistenza contiene \"&\"), ma DirKV non è impostata: percorso cercato \"" +
            cp1252ToUtf8(wanted) + "\".");
    }
    std::string found = db::resolveFileName(wanted);
    if (!db::databaseExists(found)) {
        throw ReportError("Archivio degli ospiti partiti non trovato: \"" + cp1252ToUtf8(wanted) +
                          "\" (cartella DirKV, CodiceAssistenza contiene \"&\").");
    }
    return found;
}

}  // namespace corvex
