// Tax detail on fiscal documents: every tourist-tax line of the invoices,
// receipts and credit notes issued in a period, in a box-drawn table, then
// totals per tax item (guests, person-nights, amount) and per payment form.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/currency.h"
#include "common/dates.h"
#include "common/formatta.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "reports/box.h"
#include "reports/periodo.h"
#include "reports/reports.h"
#include "reports/tax/dettaglio_imposta.h"

namespace corvex {

namespace {

struct VoceImposta {
    std::int64_t codice = 0;
    std::string descrizione;
    std::int64_t ospiti = 0;
    std::int64_t pernottamenti = 0;
    Currency importo;
};

struct FormaPagamento {
    std::string chiave;
    Currency importo;
};

// Column widths of the table, left to right.
constexpr std::size_t kLarghezze[] = {10, 1, 5, 25, 6, 3, 10, 10, 10, 3, 25, 8, 10};

std::string dataStampa(const std::string& yyyymmdd) {
    if (trim(yyyymmdd).empty()) return std::string(10, ' ');
    return fitRight(DataDaSql(yyyymmdd), 10);
}

std::vector<VoceImposta> caricaVoci() {
    std::vector<VoceImposta> voci;
    auto ids = db::Database::open("IdS.mdb", db::Database::Mode::ReadOnly);
    auto rs = ids.openRecordset("Select * From VociIdS Order by Codice;");
    const std::string criterio = "NumeroHotel = " + str(HotelCorrente);
    perOgni(rs, criterio, [&] {
        VoceImposta v;
        v.codice = rs.field("Codice").toInt();
        v.descrizione = rs.field("Descrizione").toText();
        voci.push_back(std::move(v));
    });
    rs.close();
    ids.close();
    return voci;
}

// Person-nights billed on one line spread over the stay: guests = quantity
// divided by the nights, rounded down. A stay of 0 nights (same-day dates,
// blank or reversed dates) counts as one night.
std::int64_t ospitiDaRigaSenzaData(std::int64_t quantita, std::int64_t notti) {
    if (notti <= 0) return quantita;
    std::int64_t q = quantita / notti;
    if ((quantita % notti != 0) && ((quantita < 0) != (notti < 0))) --q;  // Int rounds down
    return q;
}

}  // namespace

void leggiRigheImposta(const Periodo& p, const std::string& primaCamera,
                       const std::string& ultimaCamera, int contatore, bool soloPrepagamenti,
                       const std::function<void(const RigaImposta&)>& fn) {
    const std::string h = str(HotelCorrente);
    auto fatture = db::Database::open("Fatture.mdb", db::Database::Mode::ReadOnly);
    const std::string selezione = "NumeroHotel = " + h + " and DataEmissione >= '" + p.inizio +
                                  "' and DataEmissione <= '" + p.fine + "' and " +
                                  filtroDocumentiImposta() + filtroContatore(contatore);
    auto documenti = fatture.openRecordset("Select * From DatiFattura Where " + selezione);
    auto righe = fatture.openRecordset(
        "Select * From DettaglioFattura Where NumeroHotel = " + h + " and DataEmissione >= '" +
        p.inizio + "' and DataEmissione <= '" + p.fine +
        "' and CodiceVoce In (Select Codice From VociIdS In 'IdS.mdb') and NDocumento In (Select "
        "NDocumento From DatiFattura Where " +
        selezione + ") Order by DataEmissione,TipoDocumento,NDocumento,DataAddebito;");

    // Each line's document is found by its full key among the selected
    // documents of the room range; the documents are indexed once, keeping
    // the first match of each key as a find-first would.
    std::unordered_map<std::string, DocumentoImposta> perChiave;
    {
        const CampiChiave chiave(documenti, "DatiFattura");
        const std::string criterio = "NumeroHotel = " + h +
                                     " and NCamera >= " + db::quote(primaCamera) +
                                     " and NCamera <= " + db::quote(ultimaCamera);
        perOgni(documenti, criterio, [&] {
            const ChiaveDocumento k = chiave.leggi(documenti);
            if (!k.completa) return;
            const std::string idx = k.indice();
            if (perChiave.count(idx)) return;
            DocumentoImposta d;
            d.dataEmissione = documenti.field("DataEmissione").toText();
            d.nCamera = documenti.field("NCamera").toText();
            d.nomeCliente = documenti.field("NomeCliente").toText();
            d.dataArrivo = documenti.field("DataArrivo").toText();
            d.dataPartenza = documenti.field("DataPartenza").toText();
            d.formaPagamento = documenti.field("FormaPagamento").toText();
            d.riepAcc = documenti.field("RiepAcc").toText();
            d.nPersone = documenti.field("NPersone").toInt();
            perChiave.emplace(idx, std::move(d));
        });
        documenti.close();
    }

    const CampiChiave chiaveRiga(righe, "DettaglioFattura");
    const std::size_t cVoce = indiceCampo(righe, "CodiceVoce", "DettaglioFattura");
    const std::size_t cDescr = indiceCampo(righe, "Descrizione", "DettaglioFattura");
    const std::size_t cQuant = indiceCampo(righe, cp("Quantità"), "DettaglioFattura");
    const std::size_t cImporto = indiceCampo(righe, "Importo", "DettaglioFattura");
    const std::size_t cAddebito = indiceCampo(righe, "DataAddebito", "DettaglioFattura");
    const std::string criterioRighe = "NumeroHotel = " + h + " and DataEmissione >= '" + p.inizio +
                                      "' and DataEmissione <= '" + p.fine + "'";
    perOgni(righe, criterioRighe, [&] {
        const ChiaveDocumento k = chiaveRiga.leggi(righe);
        if (!k.completa) return;
        auto it = perChiave.find(k.indice());
        if (it == perChiave.end()) return;  // outside the room range or not counting
        const DocumentoImposta& d = it->second;
        if (soloPrepagamenti && d.dataEmissione >= d.dataPartenza) return;
        const std::int64_t s = isNotaCredito(d.riepAcc) ? -1 : 1;
        fn(RigaImposta{k, d, s, righe.field(cVoce).toInt(), righe.field(cDescr).toText(),
                       righe.field(cQuant).toInt(), righe.field(cImporto).toCurrency() * s,
                       righe.field(cAddebito).toText()});
    });
    righe.close();
    fatture.close();
}

ReportResult StampaDettaglioImposta(const ReportRequest& r, Interaction& io) {
    const Periodo p = controllaPeriodo(r);
    std::vector<VoceImposta> voci = caricaVoci();
    // Every line is read before the report file is opened: a database
    // failure leaves no half-written report.
    std::vector<RigaImposta> righe;
    leggiRigheImposta(p, r.primaCamera, r.ultimaCamera, r.contatore, r.soloPrepagamenti,
                      [&](const RigaImposta& x) { righe.push_back(x); });

    std::vector<FormaPagamento> forme;
    ReportWriter out;
    std::vector<std::size_t> larghezze(std::begin(kLarghezze), std::end(kLarghezze));
    const char v = box::kVerticale;
    out.line("STAMPA DETTAGLIO IMPOSTA DI SOGGIORNO DAL " + p.dal + " AL " + p.al);
    out.line(box::bordo(box::kAngoloAltoSx, box::kTeeAlto, box::kAngoloAltoDx, larghezze));
    {
        std::string intestazione(1, v);
        for (const char* t : {"DATA      ", "T", "N.DOC", "CLIENTE                  ", " Cam. ",
                              "PAX", "ARRIVO    ", "PARTENZA  ", "DATA ADD. ", "QNT",
                              "TIPO IMPOSTA             ", "IMPORTO ", "FORMA PAG."}) {
            intestazione += t;
            intestazione += v;
        }
        out.line(intestazione);
    }
    out.line(box::bordo(box::kTeeSinistra, box::kCroce, box::kTeeDestra, larghezze));

    std::string ultimoGiorno;
    for (const RigaImposta& x : righe) {
        const ChiaveDocumento& k = x.chiave;
        const DocumentoImposta& d = x.documento;
        if (k.dataEmissione != ultimoGiorno) {
            ultimoGiorno = k.dataEmissione;
            io.progress(DataDaSql(ultimoGiorno));
        }

        const std::int64_t notti =
            DifferenzaGiorni(DataDaSql(d.dataArrivo), DataDaSql(d.dataPartenza)).value_or(0);
        const std::int64_t s = x.segno;
        const std::int64_t quantita = x.quantita;
        const Currency importo = x.importo;
        const std::string& addebito = x.dataAddebito;
        const std::int64_t codice = x.codice;
        const std::string& descrizione = x.descrizione;
        const std::string forma = trim(left(d.formaPagamento, 10));

        // Texts are cut to their column; numbers are never cut (a wider
        // number pushes the rest of the line rather than losing digits).
        std::string riga(1, v);
        auto cella = [&](const std::string& testo) {
            riga += testo;
            riga += v;
        };
        cella(dataStampa(k.dataEmissione));
        cella(fitRight(left(k.tipoDocumento, 1), 1));
        cella(padLeft(str(k.nDocumento), 5));
        cella(padRight(trim(left(d.nomeCliente, 25)), 25));
        cella(padLeft(trim(d.nCamera), 6));
        cella(padLeft(str(d.nPersone != 0 ? d.nPersone : quantita), 3));
        cella(dataStampa(d.dataArrivo));
        cella(dataStampa(d.dataPartenza));
        cella(dataStampa(addebito));
        cella(padLeft(str(s * quantita), 3));
        cella(padRight(trim(left(descrizione, 25)), 25));
        cella(padLeft(FormattaImporto(importo, 2), 8));
        cella(padRight(forma, 10));

        const std::string chiaveForma = FormattaImporto(forma, 0);
        bool trovata = false;
        for (auto& f : forme) {
            if (f.chiave == chiaveForma) {
                f.importo += importo;
                trovata = true;
                break;
            }
        }
        if (!trovata) forme.push_back({chiaveForma, importo});

        for (auto& voce : voci) {
            if (voce.codice != codice) continue;
            voce.pernottamenti += s * quantita;
            voce.importo += importo;
            if (addebito == d.dataArrivo) voce.ospiti += s * quantita;
            if (addebito == "00000000") voce.ospiti += s * ospitiDaRigaSenzaData(quantita, notti);
            break;
        }
        out.line(riga);
    }

    out.line(box::bordo(box::kAngoloBassoSx, box::kTeeBasso, box::kAngoloBassoDx, larghezze));
    out.line(" ");
    for (const auto& voce : voci) {
        if (voce.descrizione.empty()) continue;
        out.line(padRight(voce.descrizione, 42) + " Ospiti " + padLeft(str(voce.ospiti), 6) +
                 " Pernott. " + padLeft(str(voce.pernottamenti), 6) + cp("   € ") +
                 padLeft(FormattaImporto(voce.importo, 2), 10));
    }
    out.line(" ");
    for (const auto& f : forme) {
        out.line(padRight(f.chiave, 11) + cp(" = € ") + padLeft(FormattaImporto(f.importo, 2), 10));
    }
    out.close();
    io.showPrintMenu();
    return {};
}

}  // namespace corvex
