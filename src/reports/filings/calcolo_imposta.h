// The figures every tourist-tax filing is built from, read once for a whole
// period and then added up for any part of it (a month, a quarter, the year):
//
//   - the person-nights of the guests' tax charge lines, counted as the period
//     summary counts them (a line of the night's charge day whose guest is
//     present that night, live register and archive, guests marked "*" left
//     out, room range on the guest and on the line), each line in the
//     category of its item (full, reduced, exempt by reason, excluded);
//   - the rate in force for each of those nights from Periodi (IdS.mdb);
//   - the tax collected on the fiscal documents issued, as the tax detail on
//     documents selects its lines (all counters, all rooms);
//   - the payments to the municipality (Versamenti, IdSDichiarazioni.mdb);
//   - the checks the filings print at their end.
//
// Every recordset is read once per run. An item without a category is a
// CategoriaMancante (a ReportError naming it).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/currency.h"
#include "reports/interaction.h"
#include "reports/periodo.h"
#include "reports/request.h"
#include "settings/dichiarazioni.h"

namespace corvex::filings {

// One line of a filing's table: a category, and for exempt nights one reason.
struct RigaCategoria {
    Categoria categoria = Categoria::Piena;
    std::string motivo;     // the exemption's reason (cp1252); empty for the others
    std::string etichetta;  // "Tariffa piena", "Esenti - minori", ... (cp1252)
    std::int64_t ospiti = 0;
    std::int64_t pernottamenti = 0;
    // Nights by the rate in force on the night (Currency units -> nights).
    std::map<std::int64_t, std::int64_t> nottiPerTariffa;
    Currency dovuta;      // nights x rate
    Currency addebitata;  // Importo of the charge lines
    Currency riscossa;    // on the documents issued
};

// A document that collected tax, for the first and last number of a month.
struct DocumentoRiscossione {
    std::string dataEmissione;  // yyyymmdd
    std::string tipo;           // TipoDocumento
    std::int64_t numero = 0;
};

// The figures of one part of the period.
struct Riepilogo {
    std::int64_t dal = 0, al = 0;        // day numbers (NumeroGiorno), both included
    std::vector<RigaCategoria> righe;    // full, reduced, exempt by reason, excluded
    RigaCategoria totale;                // the sums of the rows (categoria unused)
    std::vector<Versamento> versamenti;  // paid in the part (date of payment)
    Currency versato;
    // Paid for the part: the period covered ends in it (the declarations).
    std::vector<Versamento> versamentiPeriodo;
    Currency versatoPeriodo;
    std::int64_t documenti = 0;          // documents with tax lines
    DocumentoRiscossione primo, ultimo;  // in emission order
    // The lowest and highest number by document type (each type has its
    // own numbering), in type order.
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> numeriPerTipo;
    // collected - paid over: what is still to be paid (negative: paid more).
    Currency saldo() const { return totale.riscossa - versato; }
    bool nessunPernottamento() const { return totale.pernottamenti == 0; }
};

class DatiImposta {
  public:
    // Reads everything for the period and room range (filings: all rooms).
    // Throws ReportError (a missing category, a bad date) or db::DbError.
    static DatiImposta leggi(const Periodo& p, const std::string& primaCamera = "",
                             const std::string& ultimaCamera = "ZZZZZZ", Interaction* io = nullptr);

    // The figures of the days dal..al (day numbers) of the period read.
    Riepilogo riepiloga(std::int64_t dal, std::int64_t al) const;
    Riepilogo riepiloga() const { return riepiloga(dal_, al_); }

    // The checks on the days dal..al: one line each (UTF-8), empty when all
    // is in order.
    std::vector<std::string> controlli(std::int64_t dal, std::int64_t al) const;
    std::vector<std::string> controlli() const { return controlli(dal_, al_); }

    std::int64_t dal() const { return dal_; }
    std::int64_t al() const { return al_; }

    // One counted charge line.
    struct Notte {
        std::int64_t giorno = 0;  // day number of the night
        std::int64_t ospite = 0;  // index into ospiti_
        std::size_t riga = 0;     // index into the category rows
        std::int64_t quantita = 0;
        Currency importo;
        Currency tariffa;        // rate in force for the item that night
        int periodiTariffa = 0;  // how many rate periods of the item cover the night
        std::int64_t codice = 0;
    };
    struct Incasso {
        std::int64_t giorno = 0;  // emission day
        std::size_t riga = 0;
        Currency importo;
        DocumentoRiscossione documento;
    };
    struct Soggiorno {
        std::string nome;  // cp1252
        std::string camera;
        std::int64_t arrivo = 0;    // day numbers
        std::int64_t partenza = 0;  // first day not a night
        std::int64_t nascita = 0;   // 0: unknown
    };

  private:
    std::int64_t dal_ = 0, al_ = 0;
    std::vector<RigaCategoria> righe_;  // empty figures: the layout of every Riepilogo
    std::vector<Notte> notti_;
    std::vector<Incasso> incassi_;
    std::vector<Soggiorno> ospiti_;
    std::vector<Versamento> versamenti_;
    int ggMax_ = 0, etaMin_ = 0;
    // Tax lines of a counted guest on a day that is not one of the guest's
    // nights (guest index, day): not counted, listed by the checks.
    std::vector<std::pair<std::int64_t, std::int64_t>> fuoriSoggiorno_;
    std::vector<std::string> controlliTariffe_;  // gaps and overlaps, with their day
    std::vector<std::int64_t> giorniControlliTariffe_;
};

// "1.234,50": an amount as the filings print it.
std::string importo(Currency c);
// Day number of a yyyymmdd text; 0 when it is not a date.
std::int64_t giornoSql(const std::string& yyyymmdd);
// The filings' standard closing: prints the checks (or that all is in order)
// on the report and sends each one to io.warn.
std::vector<std::string> righeControlli(const std::vector<std::string>& controlli);

// Runs blocco once on the data in use; for a group filing on a server
// (several --property), once per property on that property's data, each
// structure checked to be in the first one's municipality (else a
// ReportError). blocco gets the prefix of its checks ("" or "mare: ") and
// returns its structure.
void perOgniStruttura(const std::function<Struttura(const std::string& prefisso)>& blocco);
// All the checks in one warning (the desk shows one box, the command line
// one block on stderr); nothing when there are none.
void avvisaControlli(const std::vector<std::string>& controlli, const std::string& titolo,
                     Interaction& io);

// The structure's data heading of the filings (cp1252 lines).
std::vector<std::string> righeStruttura(const Struttura& s);
// The year a filing is for: asked (question "year"), the year of the
// request's date by default. Throws ReportCancelled or ReportError.
int annoRichiesto(const ReportRequest& r, Interaction& io);

// 01/01 to 31/12 of a year.
Periodo periodoAnno(int anno);
// "I", "II", "III", "IV".
const char* trimestreRomano(int trimestre);
// "Gennaio" .. "Dicembre".
const char* nomeMese(int mese);
// Day number of 1/mese/anno; mese 13 is 1 January of the next year.
std::int64_t primoDelMese(int anno, int mese);

}  // namespace corvex::filings
