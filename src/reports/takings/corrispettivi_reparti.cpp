#include "common/config_files.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "reports/takings/corrispettivi.h"

namespace corvex {

std::vector<RepartoSetup> CaricaSetupCorrispettivi() {
    std::vector<RepartoSetup> lista{{"ACCONTI DEDOTTI", Currency::whole(10)}};
    const auto righe = readLines("CorrSetup.txt");
    if (!righe) return lista;

    auto voci = db::Database::open("VociFattura.mdb", db::Database::Mode::ReadOnly);
    auto rs = voci.openRecordset("VociFattura");
    for (const std::string& riga : *righe) {
        if (trim(riga).empty()) continue;
        const std::int64_t codice = leadingNumber(riga);
        if (rs.findFirst("NumeroHotel = " + str(HotelCorrente) + " and Codice = " + str(codice))) {
            lista.push_back(
                {trim(rs.field("Descrizione").toText()), rs.field("AliquotaIva").toCurrency()});
        } else {
            lista.push_back({trim(riga), Currency()});
        }
    }
    return lista;
}

TotaliReparto::TotaliReparto(const std::vector<RepartoSetup>& setup) {
    for (const auto& s : setup) reparti_.push_back({s.descrizione, 0, Currency()});
}

void TotaliReparto::aggiungi(const std::string& nome, Currency importo, bool deposito) {
    const std::string chiave = trim(nome);
    Reparto* slot = nullptr;
    for (auto& r : reparti_) {
        if (r.descrizione == chiave) {
            slot = &r;
            break;
        }
    }
    if (!slot && deposito && !reparti_.empty()) slot = &reparti_.front();
    if (!slot) {
        reparti_.push_back({chiave, 0, Currency()});
        slot = &reparti_.back();
    }
    slot->righe += 1;
    slot->importo += importo;
}

namespace {

// One row of a department section: name, number of lines, amount.
std::string rigaReparto(const std::string& nome, std::int64_t righe, Currency importo) {
    std::string s(1, ' ');
    s += fitRight(nome, 33);
    s += padLeft(str(righe), 8);
    s += padLeft(formatNumber(importo, "#######0.00"), 14);
    return s;
}

}  // namespace

void StampaTotaliReparto(ReportWriter& out, const TotaliReparto& totali) {
    std::int64_t righe = 0;
    Currency importo;
    for (const auto& r : totali.reparti()) {
        out.line(rigaReparto(r.descrizione, r.righe, r.importo));
        righe += r.righe;
        importo += r.importo;
    }
    out.line(std::string(56, '-'));
    // The section total in bold (the printer toggles bold at each mark).
    const std::string grassetto = cp("ç");
    out.line(grassetto + rigaReparto("TOTALE", righe, importo) + grassetto);
}

void StampaTotaliRicevute(ReportWriter& out, const TotaliRicevute& t) {
    auto riga = [&](const char* etichetta, Currency v) {
        out.line(std::string(etichetta) + padLeft(formatNumber(v, "#,##0.00"), 15));
    };
    riga("Totale ricevute intestate al 10% ", t[1]);
    riga("                          al 22% ", t[3]);
    riga("                          esenti ", t[5]);
    riga("Totale ricevute non intes.al 10% ", t[6]);
    riga("                          al 22% ", t[8]);
    riga("                          esenti ", t[10]);
}

namespace {

// a / b rounded half away from zero, b > 0.
std::int64_t dividiArrotondando(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b));
}

}  // namespace

Currency imponibileDaLordo(Currency lordo, Currency aliquota) {
    if (aliquota == Currency()) return lordo;
    // gross x 100 / (100 + rate), in thousandths of a unit:
    // units x 100000 / (1000000 + rate units).
    const std::int64_t millesimi =
        dividiArrotondando(lordo.units() * 100000, Currency::kScale * 100 + aliquota.units());
    const std::int64_t centesimi = dividiArrotondando(millesimi, 10);
    return Currency::fromUnits(centesimi * 100);
}

}  // namespace corvex
