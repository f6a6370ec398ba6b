// The pieces of the takings register (StampaCorrispettivi) that are worth
// testing on their own: the department list, the department sums, the
// receipt totals and the taxable amount from a gross.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/currency.h"
#include "output/report_file.h"

namespace corvex {

// One entry of the department list: a billing item of CorrSetup.txt.
struct RepartoSetup {
    std::string descrizione;
    Currency aliquota;  // VAT rate, percent
};

// The department list: slot 0 "ACCONTI DEDOTTI" at 10 %, then one slot per
// non-blank line of CorrSetup.txt (the line's number is a billing item code
// of VociFattura.mdb: its description and rate; an unknown code gives the
// line's own text and rate 0). Without CorrSetup.txt: slot 0 only.
std::vector<RepartoSetup> CaricaSetupCorrispettivi();

// The department sums of one section (invoices, receipts, all documents,
// till documents): slots in list order, then departments as first met.
class TotaliReparto {
  public:
    TotaliReparto() = default;
    explicit TotaliReparto(const std::vector<RepartoSetup>& setup);

    struct Reparto {
        std::string descrizione;
        std::int64_t righe = 0;
        Currency importo;
    };

    // Adds one line to the department of that name (trimmed). A deposit
    // department ("ACCONTI DEDOTTI (cod.iva N)") without a slot of its own
    // name goes to slot 0, "ACCONTI DEDOTTI".
    void aggiungi(const std::string& nome, Currency importo, bool deposito);
    const std::vector<Reparto>& reparti() const { return reparti_; }

  private:
    std::vector<Reparto> reparti_;
};

// Writes the rows of one department section and its total (in bold).
void StampaTotaliReparto(ReportWriter& out, const TotaliReparto& totali);

// Receipt totals, entries 1..10: 1, 3, 5 receipts bearing a customer's name
// at 10 %, 22 % and exempt; 6, 8, 10 the anonymous ones; 2 and 7 receipts
// at any other rate (not printed); 4 and 9 unused.
using TotaliRicevute = std::array<Currency, 11>;
void StampaTotaliRicevute(ReportWriter& out, const TotaliRicevute& t);

// Taxable amount of a gross at a rate: gross x 100 / (100 + rate) to three
// decimals, then to cents, each step half away from zero (a credit note's
// negative gross rounds like its positive twin).
Currency imponibileDaLordo(Currency lordo, Currency aliquota);

}  // namespace corvex
