// The takings register ("corrispettivi"): for a period, per document class
// the range of document numbers and per VAT rate the taxable amount, the tax
// and the total; the totals per VAT code; the takings per department; the
// receipts with and without a customer's name per rate.
//
// Which documents count, and how, is the same rule as the daily cash table,
// so that the two reports of the same period reconcile: cancelled documents
// and documents with RiepAcc "A" are left out, credit notes subtract, and a
// receipt with an unpaid part counts only when the hotel's options hold "R".
// The tourist tax is left out throughout (its VAT code in the settings and
// the billing items of department "IDS").
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/config_files.h"
#include "common/currency.h"
#include "common/dates.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "reports/box.h"
#include "reports/periodo.h"
#include "reports/reports.h"
#include "reports/takings/corrispettivi.h"

namespace corvex {

namespace {

constexpr ClasseDocumento kClassi[] = {ClasseDocumento::Fatture, ClasseDocumento::Ricevute,
                                       ClasseDocumento::NoteCreditoF, ClasseDocumento::NoteCreditoR,
                                       ClasseDocumento::Scontrini};

const char* nomeClasse(ClasseDocumento c) {
    switch (c) {
        case ClasseDocumento::Fatture:
            return "Fatture";
        case ClasseDocumento::Ricevute:
            return "Ricevute";
        case ClasseDocumento::NoteCreditoF:
            return "Note Credito su F";
        case ClasseDocumento::NoteCreditoR:
            return "Note Credito su R";
        case ClasseDocumento::Scontrini:
            return "Scontrini";
        default:
            return "";
    }
}

// A VAT code whose rate is unknown (a till document whose item is not a
// billing item).
constexpr std::int64_t kCodiceSconosciuto = -1;

struct CodiceIva {
    std::string descrizione;
    Currency valore;
};

// Gross per class of one VAT code, with its own "used" marks: a code met in
// a class prints in that class even when its sum is zero.
struct SlotIva {
    std::map<ClasseDocumento, Currency> lordo;
};

struct VoceFattura {
    std::string descrizione;
    Currency aliquota;
    bool imposta = false;  // department "IDS": tourist tax
};

struct Riga {
    std::int64_t codiceVoce = 0;
    std::string descrizione;
    Currency importo;
    std::int64_t iva = 0;
};

struct Scorporo {
    std::int64_t codiceIva = 0;
    Currency lordo;
};

std::string importo14(Currency v) {
    return padLeft(formatNumber(v, "###,###,##0.00"), 14);
}

std::string cella(std::string s) {
    s += box::kVerticale;
    return s;
}

class Registro {
  public:
    Registro(const ReportRequest& r, Interaction& io) : r_(r), io_(io) {}
    ReportResult esegui();

  private:
    void leggiImpostazioni();
    void leggiDocumenti(db::Database& fatture);
    void contaDocumento(const db::Recordset& documenti, const ChiaveDocumento& k,
                        ClasseDocumento classe);
    void contaScontrini(db::Database& fatture);
    Currency aliquotaDi(std::int64_t codice) const;
    std::string testoAliquota(std::int64_t codice) const;
    void scriviClassi();
    void scriviRiepilogoIva();
    void scriviReparti();

    const ReportRequest& r_;
    Interaction& io_;
    Periodo p_;
    bool automatico_ = false;
    int contatore_ = 0;
    std::optional<std::int64_t> codiceImposta_;
    std::string codiceAssistenza_;
    std::string ragioneSociale_;
    std::vector<RepartoSetup> setup_;
    std::unordered_map<std::int64_t, CodiceIva> codiciIva_;
    std::unordered_map<std::int64_t, VoceFattura> vociFattura_;

    RighePerDocumento<Riga> righe_;
    RighePerDocumento<Scorporo> scorpori_;

    std::map<ClasseDocumento, std::pair<std::int64_t, std::int64_t>> numeri_;
    std::map<std::int64_t, SlotIva> iva_;
    std::map<int, TotaliReparto> reparti_;  // sections 1, 2, 3 (all documents), 6
    TotaliRicevute ricevute_{};

    ReportWriter* out_ = nullptr;
};

void Registro::leggiImpostazioni() {
    {
        auto ids = db::Database::open("IdS.mdb", db::Database::Mode::ReadOnly);
        auto rs = ids.openRecordset("Generale");
        if (rs.findFirst("NumeroHotel = 1") && !rs.field("CodiceIva").isNull()) {
            codiceImposta_ = rs.field("CodiceIva").toInt();
        }
    }
    setup_ = CaricaSetupCorrispettivi();
    for (int s : {1, 2, 3, 6}) reparti_[s] = TotaliReparto(setup_);

    codiceAssistenza_ = LeggiCodiceAssistenza();
    {
        auto anagrafica = db::Database::open("AnagraficaHotels.mdb", db::Database::Mode::ReadOnly);
        auto rs = anagrafica.openRecordset("AnagraficaHotels");
        ragioneSociale_ = rs.findFirst("Numero = " + str(HotelCorrente))
                              ? rs.field("RagioneSociale").toText()
                              : "Hotel Non Registrato";
    }
    {
        auto iva = db::Database::open("CodiciIva.mdb", db::Database::Mode::ReadOnly);
        auto rs = iva.openRecordset("CodiciIva");
        perOgni(rs, "NumeroHotel = 1", [&] {
            codiciIva_.emplace(
                rs.field("Codice").toInt(),
                CodiceIva{trim(rs.field("Descrizione").toText()), rs.field("Valore").toCurrency()});
        });
    }
    {
        auto voci = db::Database::open("VociFattura.mdb", db::Database::Mode::ReadOnly);
        auto rs = voci.openRecordset("VociFattura");
        perOgni(rs, "NumeroHotel = 1", [&] {
            vociFattura_.emplace(
                rs.field("Codice").toInt(),
                VoceFattura{trim(rs.field("Descrizione").toText()),
                            rs.field("AliquotaIva").toCurrency(),
                            equalsNoCase(trim(rs.field("Reparto").toText()), "IDS")});
        });
    }
}

Currency Registro::aliquotaDi(std::int64_t codice) const {
    if (auto it = codiciIva_.find(codice); it != codiciIva_.end()) return it->second.valore;
    // A code missing from CodiciIva is taken as its own rate ("10", "22").
    return codice == kCodiceSconosciuto ? Currency() : Currency::whole(codice);
}

std::string Registro::testoAliquota(std::int64_t codice) const {
    if (codice == kCodiceSconosciuto) return " ?";
    const Currency a = aliquotaDi(codice);
    if (a == Currency()) return "ES.";
    if (a.rounded(0) == a) return str(a.truncated()) + "%";
    return formatNumber(a, "0.0") + "%";
}

// A document line's department and whether it counts there: billing items
// that are not tourist tax, and the deposit and receipt lines (item code 0)
// that invoices deduct.
bool rigaDiReparto(const Riga& l, const std::unordered_map<std::int64_t, VoceFattura>& voci) {
    if (l.codiceVoce != 0) {
        auto it = voci.find(l.codiceVoce);
        if (it != voci.end() && it->second.imposta) return false;
        return l.codiceVoce > 0;
    }
    return equalsNoCase(left(l.descrizione, 7), "Acconto") ||
           equalsNoCase(left(l.descrizione, 8), "Ricevuta");
}

bool rigaSubtotale(const Riga& l) {
    return equalsNoCase(trimRight(l.descrizione), "---- SUBTOTALE ----");
}

void Registro::contaDocumento(const db::Recordset& documenti, const ChiaveDocumento& k,
                              ClasseDocumento classe) {
    const bool nota =
        classe == ClasseDocumento::NoteCreditoF || classe == ClasseDocumento::NoteCreditoR;
    const std::int64_t segno = nota ? -1 : 1;
    const std::string nome = trim(documenti.field("NomeCliente").toText());
    const bool intestata = !nome.empty() && nome != "?";
    const bool splitPayment = equalsNoCase(trim(documenti.field("SPPA").toText()), "S");
    const Currency totale = documenti.field("Totale").toCurrency();

    // Check: Totale against every line but the subtotals, and against the
    // whole VAT split (tourist tax included in both).
    Currency sommaRighe, sommaScorporo;
    for (const Riga& l : righe_.di(k)) {
        if (!rigaSubtotale(l)) sommaRighe += l.importo;
    }
    for (const Scorporo& s : scorpori_.di(k)) sommaScorporo += s.lordo;
    if (sommaRighe != totale || sommaScorporo != totale) {
        io_.warn("Fattura n." + str(k.nDocumento) + " del " + DataDaSql(k.dataEmissione) +
                     " CONTROLLARE!",
                 "Dati errati");
    }

    // VAT split of the class, tourist tax left out.
    for (const Scorporo& s : scorpori_.di(k)) {
        if (codiceImposta_ && s.codiceIva == *codiceImposta_) continue;
        const Currency lordo = s.lordo * segno;
        iva_[s.codiceIva].lordo[classe] += lordo;
        if (classe == ClasseDocumento::Ricevute || classe == ClasseDocumento::NoteCreditoR) {
            const Currency a = aliquotaDi(s.codiceIva);
            std::size_t voce;
            if (a == Currency::whole(10)) {
                voce = 1;
            } else if (a == Currency::whole(20) || a == Currency::whole(21) ||
                       a == Currency::whole(22)) {
                voce = 3;
            } else if (a == Currency()) {
                voce = 5;
            } else {
                voce = 2;
            }
            ricevute_[intestata ? voce : voce + 5] += lordo;
        }
    }

    // Departments: the document's own section and the section of all documents.
    const int sezione =
        (classe == ClasseDocumento::Fatture || classe == ClasseDocumento::NoteCreditoF) ? 1 : 2;
    for (const Riga& l : righe_.di(k)) {
        if (!rigaDiReparto(l, vociFattura_)) continue;
        std::string reparto = trim(l.descrizione);
        if (nome == "?") reparto = "SCONTRINO";
        const bool deposito = startsWith(l.descrizione, "Acc");
        if (deposito) reparto = "ACCONTI DEDOTTI (cod.iva " + str(l.iva) + ")";
        if (splitPayment) reparto = "(SP) " + reparto;
        const Currency importo = l.importo * segno;
        reparti_[sezione].aggiungi(reparto, importo, deposito && !splitPayment);
        reparti_[3].aggiungi(reparto, importo, deposito && !splitPayment);
    }
}

void Registro::leggiDocumenti(db::Database& fatture) {
    const std::string periodo =
        "DataEmissione >= '" + p_.inizio + "' and DataEmissione <= '" + p_.fine + "'";
    const std::string contatore = contatore_ != 0 ? " and Contatore = " + str(contatore_) : "";

    // Every line and every VAT split row of the period, grouped by document:
    // the departments take the lines that are not tourist tax, the check of
    // each document needs them all.
    {
        auto rs =
            fatture.openRecordset("SELECT * FROM DettaglioFattura WHERE " + periodo + contatore);
        const CampiChiave chiave(rs, "DettaglioFattura");
        const std::size_t cVoce = indiceCampo(rs, "CodiceVoce", "DettaglioFattura");
        const std::size_t cDescr = indiceCampo(rs, "Descrizione", "DettaglioFattura");
        const std::size_t cImporto = indiceCampo(rs, "Importo", "DettaglioFattura");
        const std::size_t cIva = indiceCampo(rs, "Iva", "DettaglioFattura");
        perOgni(rs, "NumeroHotel = 1", [&] {
            righe_.aggiungi(chiave.leggi(rs),
                            Riga{rs.field(cVoce).toInt(), rs.field(cDescr).toText(),
                                 rs.field(cImporto).toCurrency(), rs.field(cIva).toInt()});
        });
    }
    {
        auto rs =
            fatture.openRecordset("Select * from ScorporoFattura Where " + periodo + contatore);
        const CampiChiave chiave(rs, "ScorporoFattura");
        const std::size_t cCodice = indiceCampo(rs, "CodiceIva", "ScorporoFattura");
        const std::size_t cImponibile = indiceCampo(rs, "Imponibile", "ScorporoFattura");
        const std::size_t cImposta = indiceCampo(rs, "Imposta", "ScorporoFattura");
        perOgni(rs, "NumeroHotel = 1", [&] {
            scorpori_.aggiungi(chiave.leggi(rs), Scorporo{rs.field(cCodice).toInt(),
                                                          rs.field(cImponibile).toCurrency() +
                                                              rs.field(cImposta).toCurrency()});
        });
    }

    const bool escludiSplit = trim(LeggiParametri(78)) == "S";
    auto documenti = fatture.openRecordset(
        std::string(escludiSplit
                        ? "SELECT * FROM DatiFattura WHERE SPPA <> 'S' and DataEmissione >= '"
                        : "SELECT * FROM DatiFattura WHERE DataEmissione >= '") +
        p_.inizio + "' and DataEmissione <= '" + p_.fine + "'" + contatore);
    const CampiChiave chiave(documenti, "DatiFattura");
    const bool contaSospesi = contains(codiceAssistenza_, "R");
    std::string ultimoGiorno;
    perOgni(documenti, "NumeroHotel = 1", [&] {
        const ChiaveDocumento k = chiave.leggi(documenti);
        if (k.dataEmissione != ultimoGiorno) {
            ultimoGiorno = k.dataEmissione;
            io_.progress(DataDaSql(ultimoGiorno));
        }
        const ClasseDocumento classe =
            classeDocumento(k.tipoDocumento, documenti.field("RiepAcc").toText());
        if (classe == ClasseDocumento::Nessuna || classe == ClasseDocumento::Scontrini) return;

        // The number range covers every document of the class issued in the
        // period, the ones left out below included: it states which numbers
        // the period used.
        auto& [dal, al] = numeri_[classe];
        if (dal == 0 || k.nDocumento < dal) dal = k.nDocumento;
        if (al == 0 || k.nDocumento > al) al = k.nDocumento;

        if (equalsNoCase(trim(documenti.field("Annullato").toText()), "S")) return;
        if (equalsNoCase(trim(documenti.field("RiepAcc").toText()), "A")) return;
        if (classe == ClasseDocumento::Ricevute) {
            const Currency nonPagato = documenti.field("CorrNonPagato").toCurrency();
            if (!(nonPagato == Currency() || (nonPagato > Currency() && contaSospesi))) return;
        }
        contaDocumento(documenti, k, classe);
    });
}

void Registro::contaScontrini(db::Database& fatture) {
    const std::string contatore = contatore_ != 0 ? " and Contatore = " + str(contatore_) : "";
    auto rs = fatture.openRecordset("SELECT * FROM Incassi WHERE DataEmissione >= '" + p_.inizio +
                                    "' and DataEmissione <= '" + p_.fine + "'" + contatore);
    perOgni(rs, "NumeroHotel = 1 and TipoDocumento = 'ESTERNI' and NDocumento = 0", [&] {
        const std::string nota = rs.field("Nota").toText();
        const Currency importo = rs.field("Importo").toCurrency();
        std::string reparto = trim(nota);
        std::int64_t codice = kCodiceSconosciuto;
        if (auto it = vociFattura_.find(leadingNumber(left(nota, 4))); it != vociFattura_.end()) {
            reparto = it->second.descrizione;
            // The VAT code of the item's rate: the first code of CodiciIva
            // with that rate that is not the tourist tax; else the rate
            // itself taken as a code.
            codice = it->second.aliquota.truncated();
            std::optional<std::int64_t> trovato;
            for (const auto& [c, iva] : codiciIva_) {
                if (iva.valore != it->second.aliquota) continue;
                if (codiceImposta_ && c == *codiceImposta_) continue;
                if (!trovato || c < *trovato) trovato = c;
            }
            if (trovato) codice = *trovato;
        }
        if (reparto.empty()) reparto = "SCONTRINI";
        iva_[codice].lordo[ClasseDocumento::Scontrini] += importo;
        reparti_[6].aggiungi(reparto, importo, false);
        reparti_[3].aggiungi(reparto, importo, false);
    });
}

void Registro::scriviClassi() {
    ReportWriter& out = *out_;
    const std::initializer_list<std::size_t> w = {20, 6, 6, 4, 14, 14, 14};
    out.line(box::alto(w));
    out.line(cella(std::string(1, box::kVerticale) + " Tipo Documento     ") + cella("Dal N.") +
             cella("Al N. ") + cella("Iva ") + cella("Imponibile    ") + cella(" Imposta      ") +
             cella(" Totale       "));
    out.line(box::separatore(w));
    for (ClasseDocumento c : kClassi) {
        std::string nome = fitRight(std::string(" ") + nomeClasse(c), 20);
        std::string dal(6, ' '), al(6, ' ');
        if (c != ClasseDocumento::Scontrini) {
            const auto n = numeri_[c];
            dal = padLeft(str(n.first), 6);
            al = padLeft(str(n.second), 6);
        }
        bool prima = true;
        auto riga = [&](const std::string& aliquota, Currency lordo, Currency imponibile) {
            out.line(std::string(1, box::kVerticale) + cella(prima ? nome : std::string(20, ' ')) +
                     cella(prima ? dal : std::string(6, ' ')) +
                     cella(prima ? al : std::string(6, ' ')) + cella(padLeft(aliquota, 4)) +
                     cella(importo14(imponibile)) + cella(importo14(lordo - imponibile)) +
                     cella(importo14(lordo)));
            prima = false;
        };
        for (const auto& [codice, slot] : iva_) {
            auto it = slot.lordo.find(c);
            if (it == slot.lordo.end()) continue;
            riga(testoAliquota(codice), it->second,
                 imponibileDaLordo(it->second, aliquotaDi(codice)));
        }
        if (prima) riga("", Currency(), Currency());
    }
    out.line(box::basso(w));
}

void Registro::scriviRiepilogoIva() {
    ReportWriter& out = *out_;
    const std::initializer_list<std::size_t> w = {39, 14, 14, 14};
    out.line(box::alto(w));
    out.line(cella(std::string(1, box::kVerticale) + " Descrizione Aliquota I.V.A.           ") +
             cella("Imponibile    ") + cella(" Imposta      ") + cella(" Totale       "));
    out.line(box::separatore(w));
    Currency totLordo, totImponibile;
    for (const auto& [codice, slot] : iva_) {
        // The code's totals are the sums of its class lines above, so that
        // the two boxes add up to the same figures.
        Currency lordo, imponibile;
        for (const auto& [classe, l] : slot.lordo) {
            lordo += l;
            imponibile += imponibileDaLordo(l, aliquotaDi(codice));
        }
        auto it = codiciIva_.find(codice);
        const std::string descrizione = it != codiciIva_.end() && !it->second.descrizione.empty()
                                            ? it->second.descrizione
                                            : "CODICE IVA NON ESISTENTE!";
        out.line(std::string(1, box::kVerticale) + cella(fitRight(" " + descrizione, 39)) +
                 cella(importo14(imponibile)) + cella(importo14(lordo - imponibile)) +
                 cella(importo14(lordo)));
        totLordo += lordo;
        totImponibile += imponibile;
    }
    out.line(box::separatore(w));
    out.line(std::string(1, box::kVerticale) + cella(fitRight(" TOTALE", 39)) +
             cella(importo14(totImponibile)) + cella(importo14(totLordo - totImponibile)) +
             cella(importo14(totLordo)));
    out.line(box::basso(w));
}

void Registro::scriviReparti() {
    ReportWriter& out = *out_;
    bool completa = true, soloTotali = false;
    if (!automatico_) {
        completa =
            io_.confirm(question::kComplete, "Completo la stampa?", "Totali per Reparto", false);
        soloTotali = io_.confirm(question::kTotalsOnly, "Solo i totali generali?",
                                 "Stampa Corrispettivi", false);
    }
    out.line();
    out.line();
    if (completa) {
        for (int sezione : {1, 2, 3, 6}) {
            if (soloTotali && sezione != 3) continue;
            const char* titolo = sezione == 1   ? "Corrispettivi per Reparto su Fatture"
                                 : sezione == 2 ? "Corrispettivi per Reparto su Ricevute Fiscali"
                                 : sezione == 3
                                     ? "Corrispettivi per Reparto su Totale Documenti/Scontrini"
                                     : "Corrispettivi per Reparto su Scontrini";
            out.line(titolo);
            out.line(std::string(56, '-'));
            out.line(" Descrizione Reparto/Voce Fattura " + padLeft("N.righe", 8) +
                     padLeft("Importo", 14));
            out.line(std::string(56, '-'));
            StampaTotaliReparto(out, reparti_[sezione]);
            out.line();
        }
    }
    StampaTotaliRicevute(out, ricevute_);
}

ReportResult Registro::esegui() {
    p_ = controllaPeriodo(r_);
    leggiImpostazioni();

    automatico_ = dataFileExists("MCCnf.txt");
    if (!automatico_) {
        auto risposta =
            io_.ask(question::kCounter, "Codice contatore contabile di riferimento\n(0 per tutti)",
                    "Contatore XRF", "1");
        if (!risposta) throw ReportCancelled();
        const std::optional<int> n = contatoreValido(*risposta);
        if (!n) {
            throw ReportError("Contatore non valido: \"" + cp1252ToUtf8(*risposta) +
                              "\" (un numero intero, 0 per tutti i contatori)");
        }
        contatore_ = *n;
    }

    {
        auto fatture = db::Database::open("Fatture.mdb", db::Database::Mode::ReadOnly);
        leggiDocumenti(fatture);
        contaScontrini(fatture);
    }

    ReportWriter out(automatico_ ? ReportWriter::Mode::Append : ReportWriter::Mode::Replace);
    out_ = &out;
    out.line(std::string(10, ' ') + "      Corrispettivi dal " + p_.dal + " al " + p_.al +
             std::string(13, ' ') + "(" + str(contatore_) + ")");
    out.line(ragioneSociale_);
    scriviClassi();
    scriviRiepilogoIva();
    scriviReparti();
    out.close();
    out_ = nullptr;
    if (!automatico_) io_.showPrintMenu();
    return {};
}

}  // namespace

ReportResult StampaCorrispettivi(const ReportRequest& r, Interaction& io) {
    Registro registro(r, io);
    return registro.esegui();
}

}  // namespace corvex
