// Unit prices of the billing items, as the report on departures reads them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "common/currency.h"
#include "data/engine/database.h"

namespace corvex {

// Importo (unit price) of the first VociFattura record of the hotel with
// Codice = codice in VociFattura.mdb; 0 when there is none. Opens and
// closes the database on every call.
Currency ImportoVoce(std::int64_t codice);

// The same look-up for a whole report run: VociFattura.mdb is opened once
// and each code is looked up once.
class PrezziVoci {
  public:
    PrezziVoci();
    Currency operator()(std::int64_t codice);

  private:
    db::Database db_;
    std::optional<db::Recordset> voci_;
    std::map<std::int64_t, Currency> noti_;
};

}  // namespace corvex
