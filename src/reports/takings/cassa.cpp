// Daily takings and cash table: one boxed line per day of the period with the
// presences, the takings of the fiscal documents by kind and VAT rate, the
// tourist tax, the payments by means of payment, the unpaid amounts and the
// external till documents, then the totals of the period.
//
// The report goes on past a failing statement (a missing presence database,
// a missing field) and lists what it skipped; only the documents (Fatture.mdb)
// and the payment codes (CodiciVari.mdb) are indispensable: without them the
// table would be a neat table of zeros, so their failure stops the report.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/currency.h"
#include "common/dates.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "reports/box.h"
#include "reports/periodo.h"
#include "reports/reports.h"

namespace corvex {

namespace {

// Accumulators, numbered as the table's columns are named.
enum Col : std::size_t {
    kPresenze = 1,
    kCorrispettivi = 2,
    kRicevute10 = 3,
    kFatture10 = 4,
    kFatture22 = 5,
    kEsenzioni = 6,
    kImpostaR = 7,
    kContanti = 8,
    kExtra = 9,
    kCarta = 10,
    kSospesi = 11,
    kRicevute22 = 12,
    kScontrini = 13,
    kImpostaF = 14,
};

struct Colonna {
    std::size_t numero;
    const char* intestazione;
    std::size_t larghezza;  // data width
    std::size_t bordo;      // run of the border lines
};

// Print order. The border runs of the four receipt/invoice rate columns and
// the heading " SOSPESI " do not match their data widths: the table has
// always been drawn this way and the printed forms follow it.
constexpr Colonna kColonne[] = {
    {kPresenze, "PRS ", 4, 4},          {kCorrispettivi, " CORRISP. ", 10, 10},
    {kRicevute10, "RICEV. 10%", 10, 9}, {kRicevute22, "RICEV.22%", 9, 10},
    {kFatture10, "FATT. 10% ", 10, 9},  {kFatture22, "FATT.22%.", 9, 10},
    {kEsenzioni, "ESENZIONI", 9, 9},    {kImpostaR, "IMPOSTA R", 9, 9},
    {kImpostaF, "IMPOSTA F", 9, 9},     {kContanti, " CONTANTI ", 10, 10},
    {kExtra, " EXTRA C.", 9, 9},        {kCarta, " C/CREDITO", 10, 10},
    {kSospesi, " SOSPESI ", 10, 10},    {kScontrini, " SCONTR. ", 9, 9},
};

using Valori = std::array<Currency, 15>;  // index 1..14

std::string bordo(char first, char junction, char last) {
    std::vector<std::size_t> runs{5};
    for (const auto& c : kColonne) runs.push_back(c.bordo);
    return box::bordo(first, junction, last, runs);
}

// An amount in its column: "#,##0.00", without the thousands marks when they
// would not fit, and never cut (a figure wider still widens the line rather
// than losing digits).
std::string cellaImporto(Currency v, std::size_t larghezza) {
    std::string t = formatGrouped(v);
    if (t.size() > larghezza) t = format00(v);
    return padLeft(t, larghezza);
}

std::string rigaValori(const std::string& data, const Valori& val) {
    std::string s(1, box::kVerticale);
    s += data;
    s += box::kVerticale;
    for (const auto& c : kColonne) {
        if (c.numero == kPresenze) {
            s += padLeft(formatNumber(val[c.numero], "0"), c.larghezza);
        } else {
            s += cellaImporto(val[c.numero], c.larghezza);
        }
        s += box::kVerticale;
    }
    return s;
}

struct Documento {
    ChiaveDocumento chiave;
    std::string riepAcc;
    Currency totale, nonPagato;
};

struct Riga {
    std::int64_t iva = 0;
    Currency importo;
};

struct Incasso {
    std::string sigla;
    Currency importo;
};

// Records what the report skipped, once per distinct cause.
class Salti {
  public:
    explicit Salti(ReportResult& r) : r_(r) {}
    void nota(const std::string& testo) {
        if (visti_.insert(testo).second) r_.skipped.push_back(testo);
    }

  private:
    ReportResult& r_;
    std::set<std::string> visti_;
};

}  // namespace

ReportResult StampaCassa(const ReportRequest& r, Interaction& io) {
    const Periodo p = controllaPeriodo(r);
    ReportResult result;
    Salti salti(result);
    const std::string h = str(HotelCorrente);

    // Tourist-tax VAT code; none when the settings cannot be read.
    std::optional<std::int64_t> codiceIva;
    try {
        auto ids = db::Database::open("IdS.mdb", db::Database::Mode::ReadOnly);
        auto rs = ids.openRecordset("Generale");
        if (rs.findFirst("NumeroHotel = " + h)) codiceIva = rs.field("CodiceIva").toInt();
    } catch (const db::DbError& e) {
        salti.nota(std::string("Codice IVA dell'imposta di soggiorno non letto: ") + e.what());
    }

    std::string codiceAssistenza;
    try {
        codiceAssistenza = LeggiCodiceAssistenza();
    } catch (const db::DbError& e) {
        salti.nota(std::string("Opzioni dell'hotel non lette: ") + e.what());
    }
    const bool contaSospesi = contains(codiceAssistenza, "R");

    // Presences of each day: the first statistics record of the day.
    std::unordered_map<std::string, Currency> presenze;
    try {
        const std::string percorso = PercorsoArchivio("Dettaglio.mdb", codiceAssistenza);
        auto dettaglio = db::Database::open(percorso, db::Database::Mode::ReadOnly);
        auto rs = dettaglio.openRecordset("SELECT * FROM Dettaglio WHERE DataInserimento >= '" +
                                          p.inizio + "' and DataInserimento <= '" + p.fine + "'");
        perOgni(rs, "NumeroHotel = 1 and Tipo = 'Presenze' and Dettaglio = 'Generale'", [&] {
            presenze.emplace(rs.field("DataInserimento").toText(), rs.field("Valore").toCurrency());
        });
    } catch (const db::DbError& e) {
        salti.nota(std::string("Presenze non lette: ") + e.what());
    } catch (const ReportError& e) {
        salti.nota(std::string("Presenze non lette: ") + e.what());
    }

    // Payment kinds by Sigla (type 4 codes); read once, looked up per payment.
    auto codiciVari = db::Database::open("CodiciVari.mdb", db::Database::Mode::ReadOnly);
    auto codici = codiciVari.openRecordset("CodiciVari");
    std::unordered_map<std::string, std::optional<std::string>> naturaSigla;
    auto natura = [&](const std::string& sigla) -> const std::optional<std::string>& {
        auto it = naturaSigla.find(sigla);
        if (it != naturaSigla.end()) return it->second;
        std::optional<std::string> n;
        if (codici.findFirst("NumeroHotel = 1 and Tipo = 4 and Sigla = " + db::quote(sigla))) {
            n = trim(codici.field("Nazione").toText());
        }
        return naturaSigla.emplace(sigla, n).first->second;
    };

    // The selections of the period, in the form the counter and document type
    // ask for.
    auto fatture = db::Database::open("Fatture.mdb", db::Database::Mode::ReadOnly);
    const std::string tipo = upper(trim(r.tipoDocumento));
    std::string filtro;
    if (!tipo.empty()) filtro += "left(TipoDocumento,1) = " + db::quote(tipo) + " and ";
    if (r.contatore != 0) filtro += "Contatore = " + str(r.contatore) + " and ";
    filtro += "DataEmissione >= '" + p.inizio + "' and DataEmissione <= '" + p.fine + "'";
    auto documenti = fatture.openRecordset("SELECT * FROM DatiFattura WHERE " + filtro);
    auto dettaglio = fatture.openRecordset("SELECT * FROM DettaglioFattura WHERE " + filtro +
                                           " and Descrizione <> '---- SUBTOTALE ----'");
    auto incassi = fatture.openRecordset("SELECT * FROM Incassi WHERE " + filtro);

    // Documents of the room range by day, in recordset order.
    std::map<std::string, std::vector<Documento>> perGiorno;
    {
        const std::string criterio =
            "NumeroHotel = 1 and Annullato <> 'S' and RiepAcc <> 'A' and "
            "NCamera >= " +
            db::quote(r.primaCamera) + " and NCamera <= " + db::quote(r.ultimaCamera);
        const CampiChiave chiave(documenti, "DatiFattura");
        perOgni(documenti, criterio, [&] {
            Documento d;
            d.chiave = chiave.leggi(documenti);
            try {
                d.riepAcc = documenti.field("RiepAcc").toText();
                d.totale = documenti.field("Totale").toCurrency();
                d.nonPagato = documenti.field("CorrNonPagato").toCurrency();
            } catch (const db::DbError& e) {
                salti.nota(std::string("Documenti: ") + e.what());
            }
            perGiorno[d.chiave.dataEmissione].push_back(std::move(d));
        });
    }
    RighePerDocumento<Riga> righe;
    try {
        const CampiChiave chiave(dettaglio, "DettaglioFattura");
        const std::size_t cIva = indiceCampo(dettaglio, "Iva", "DettaglioFattura");
        const std::size_t cImporto = indiceCampo(dettaglio, "Importo", "DettaglioFattura");
        perOgni(dettaglio, "NumeroHotel = 1", [&] {
            righe.aggiungi(chiave.leggi(dettaglio), Riga{dettaglio.field(cIva).toInt(),
                                                         dettaglio.field(cImporto).toCurrency()});
        });
    } catch (const db::DbError& e) {
        salti.nota(std::string("Righe dei documenti: ") + e.what());
    }
    RighePerDocumento<Incasso> pagamenti;
    std::map<std::string, std::vector<Currency>> esterni;  // external documents by day
    try {
        const CampiChiave chiave(incassi, "Incassi");
        const std::size_t cSigla = indiceCampo(incassi, "Sigla", "Incassi");
        const std::size_t cImporto = indiceCampo(incassi, "Importo", "Incassi");
        perOgni(incassi, "NumeroHotel = 1", [&] {
            const ChiaveDocumento k = chiave.leggi(incassi);
            const Currency importo = incassi.field(cImporto).toCurrency();
            pagamenti.aggiungi(k, Incasso{incassi.field(cSigla).toText(), importo});
            if (k.completa && equalsNoCase(k.tipoDocumento, "ESTERNI") && k.nDocumento == 0) {
                esterni[k.dataEmissione].push_back(importo);
            }
        });
    } catch (const db::DbError& e) {
        salti.nota(std::string("Incassi: ") + e.what());
    }

    ReportWriter out;
    out.line("STAMPA CORRISPETTIVI/CASSA DAL " + p.dal + " AL " + p.al);
    out.line(bordo(box::kAngoloAltoSx, box::kTeeAlto, box::kAngoloAltoDx));
    {
        std::string intestazione(1, box::kVerticale);
        intestazione += "DATA ";
        intestazione += box::kVerticale;
        for (const auto& c : kColonne) {
            intestazione += c.intestazione;
            intestazione += box::kVerticale;
        }
        out.line(intestazione);
    }
    const std::string separatore = bordo(box::kTeeSinistra, box::kCroce, box::kTeeDestra);

    Valori totali{};
    std::string giorno = p.dal;
    while (DataSql(giorno) <= p.fine) {
        const std::string giornoSql = DataSql(giorno);
        io.progress(giorno);
        Valori val{};
        auto somma = [&](std::size_t n, Currency v) {
            val[n] += v;
            totali[n] += v;
        };

        if (auto it = presenze.find(giornoSql); it != presenze.end()) somma(kPresenze, it->second);

        if (auto it = perGiorno.find(giornoSql); it != perGiorno.end()) {
            for (const Documento& d : it->second) {
                const bool fattura = isFattura(d.chiave.tipoDocumento);
                const bool nota = isNotaCredito(d.riepAcc);
                int s = 0;  // sign of the lines, 0 when they are not taken
                if (nota) {
                    somma(kCorrispettivi, -d.totale);
                    s = -1;
                } else if (isRicevuta(d.chiave.tipoDocumento) &&
                           (d.nonPagato == Currency() || contaSospesi)) {
                    somma(kCorrispettivi, d.totale);
                    somma(kSospesi, d.nonPagato);
                    s = 1;
                } else if (fattura) {
                    somma(kCorrispettivi, d.totale);
                    somma(kSospesi, d.nonPagato);
                    s = 1;
                }
                if (s != 0) {
                    for (const Riga& l : righe.di(d.chiave)) {
                        if (l.importo == Currency()) continue;
                        const Currency imp = l.importo * s;
                        if (l.iva == 10) {
                            somma(fattura ? kFatture10 : kRicevute10, imp);
                        } else if (l.iva == 20 || l.iva == 21 || l.iva == 22) {
                            somma(fattura ? kFatture22 : kRicevute22, imp);
                        } else if (codiceIva && l.iva == *codiceIva) {
                            somma(fattura ? kImpostaF : kImpostaR, imp);
                            somma(kCorrispettivi, -imp);
                        } else {
                            somma(kEsenzioni, imp);
                        }
                    }
                }
                for (const Incasso& i : pagamenti.di(d.chiave)) {
                    const auto& n = natura(i.sigla);
                    if (!n) continue;  // no payment code of that Sigla
                    if (equalsNoCase(*n, "CARTA")) {
                        somma(kCarta, i.importo);
                    } else if (equalsNoCase(*n, "EXTRA")) {
                        somma(kExtra, i.importo);
                    } else {
                        somma(kContanti, i.importo);
                    }
                }
            }
        }

        if (auto it = esterni.find(giornoSql); it != esterni.end()) {
            for (Currency v : it->second) {
                somma(kScontrini, v);
                somma(kCorrispettivi, v);
            }
        }

        out.line(separatore);
        out.line(rigaValori(left(giorno, 5), val));
        auto dopo = AggiungiGiorni(giorno, 1);
        if (!dopo) break;
        giorno = *dopo;
    }

    out.line(separatore);
    out.line(rigaValori("     ", totali));
    out.line(bordo(box::kAngoloBassoSx, box::kTeeBasso, box::kAngoloBassoDx));
    out.close();
    io.showPrintMenu();
    return result;
}

}  // namespace corvex
