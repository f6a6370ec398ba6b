// The suite's hotel data as the tourist-tax reports read it: the hotel
// number, the hotel's option letters and where the archives of departed
// guests live.
#pragma once

#include <string>

namespace corvex {

// The hotel every selection is filtered on.
constexpr int HotelCorrente = 1;

// CodiceAssistenza of the AnagraficaHotels record with NumeroHotel = 1 in
// AnagraficaHotels.mdb; empty when there is no such record. A missing or
// unreadable database is a db::DbError naming the file.
std::string LeggiCodiceAssistenza();

// Path of an archive file ("SchedaStoricoClienti.mdb" or
// "ContoStoricoClienti.mdb"): in DirKV when codiceAssistenza holds '&', else
// the bare name (data folder). With '&', an empty DirKV or a missing archive
// file is a ReportError naming the path it looked for.
std::string PercorsoArchivio(const std::string& fileName, const std::string& codiceAssistenza);

}  // namespace corvex
