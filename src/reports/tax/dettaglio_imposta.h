// The tourist-tax lines of the fiscal documents issued in a period, selected
// as the tax detail on documents selects them: documents that count for the
// tax, one counter or all (0), a room range, optionally only prepayments.
// The tax detail prints them; the filings add them up as the tax collected.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/currency.h"
#include "data/fiscal.h"
#include "reports/periodo.h"

namespace corvex {

// The document fields the tax lines need.
struct DocumentoImposta {
    std::string dataEmissione, nCamera, nomeCliente, dataArrivo, dataPartenza, formaPagamento;
    std::string riepAcc;
    std::int64_t nPersone = 0;
};

struct RigaImposta {
    ChiaveDocumento chiave;
    DocumentoImposta documento;
    std::int64_t segno;  // -1 on a credit note
    std::int64_t codice;
    std::string descrizione;
    std::int64_t quantita;  // as stored (not signed)
    Currency importo;       // signed
    std::string dataAddebito;
};

// Calls fn for every tax line of Fatture.mdb issued from p.inizio to p.fine,
// in emission date, document type, number and charge date order.
void leggiRigheImposta(const Periodo& p, const std::string& primaCamera,
                       const std::string& ultimaCamera, int contatore, bool soloPrepagamenti,
                       const std::function<void(const RigaImposta&)>& fn);

}  // namespace corvex
