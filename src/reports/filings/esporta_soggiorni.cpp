// The stays of a period as a CSV file for the municipal portals: one line per
// guest that the guests-present report lists for the same period and answers
// (live register, then archive; guests marked '*' and guests younger than
// the minimum age left out), with the nights in the period, the taxable
// nights, and the category, rate and amount of the tax lines charged on
// those nights. Layout in docs/stays-export.md. The report file only says
// what was written, so that the print menu has something to show.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/currency.h"
#include "common/dates.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "output/report_file.h"
#include "output/text_output.h"
#include "output/xlsx.h"
#include "reports/periodo.h"
#include "reports/reports.h"
#include "reports/tax/registro.h"
#include "settings/dichiarazioni.h"

namespace corvex {

namespace {

constexpr const char* kFileSoggiorni = "soggiorni.csv";
constexpr const char* kIntestazione =
    "IdSoggiorno;Arrivo;Partenza;NottiPeriodo;NottiImponibili;Categoria;Motivo;Tariffa;Importo;"
    "DataNascita;Residenza;Camera;Capogruppo";

struct Addebito {
    std::string data;  // yyyymmdd
    int voce = 0;
    std::int64_t quantita = 0;
    Currency importo;
};

// The tax lines dated in the period, by guest.
std::unordered_map<std::int64_t, std::vector<Addebito>> addebiti(const std::string& file,
                                                                 const Periodo& p) {
    std::unordered_map<std::int64_t, std::vector<Addebito>> perOspite;
    db::Database d = db::Database::open(file);
    db::Recordset rs = d.openRecordset(
        "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito >= '" + p.inizio +
        "' and DataAddebito <= '" + p.fine +
        "' and VoceAddebito In (Select Codice From VociFattura In 'VociFattura.mdb' Where "
        "NumeroHotel = 1 and Reparto = 'IDS')");
    perOgni(rs, registro::kCriterioHotel, [&] {
        perOspite[rs.field("CodiceCliente").toInt()].push_back(
            {rs.field("DataAddebito").toText(), static_cast<int>(rs.field("VoceAddebito").toInt()),
             rs.field(registro::campoQuantita()).toInt(), rs.field("Importo").toCurrency()});
    });
    rs.close();
    d.close();
    return perOspite;
}

std::string campoCsv(const std::string& cp1252) {
    const std::string t = cp1252ToUtf8(cp1252);
    if (t.find_first_of(";\"\r\n") == std::string::npos) return t;
    std::string q = "\"";
    for (char c : t) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

std::string unisci(const std::set<std::string>& parti) {
    std::string out;
    for (const auto& p : parti) {
        if (p.empty()) continue;
        if (!out.empty()) out += "/";
        out += p;
    }
    return out;
}

struct Esportazione {
    const Periodo& periodo;
    std::int64_t nottiMassime;
    std::int64_t etaMinima;
    int annoInizio;
    const std::map<int, CategoriaVoce>& categorie;
    std::vector<std::string> righe;  // UTF-8 CSV lines
    xlsx::Foglio foglio;             // the same lines with typed cells
    std::int64_t notti = 0, imponibili = 0;
    Currency importo;
    ReportResult esito;
};

// The guests-present rule, then the guest's line. A guest whose dates cannot
// be converted is left out and said so, as that report skips him.
void rigaOspite(db::Recordset& rs, bool archivio,
                const std::unordered_map<std::int64_t, std::vector<Addebito>>& conti,
                Esportazione& e) {
    const std::string nascita = DataDaSql(rs.field("DataNascita").toText());
    const bool nascitaValida = DataValida(nascita);
    if (nascitaValida && e.annoInizio - *AnnoDi(nascita) < e.etaMinima) return;

    const std::string arrivo = rs.field("DataArrivo").toText();
    const std::string partenza = (archivio || rs.field("Partito").toText() == "S")
                                     ? rs.field("DataPartenzaReale").toText()
                                     : rs.field("DataPartenza").toText();
    const std::string primaNotte = arrivo <= e.periodo.inizio ? e.periodo.inizio : arrivo;
    const std::string fine = partenza <= e.periodo.fine ? partenza : e.periodo.fine;
    const std::optional<std::int64_t> giorni =
        DifferenzaGiorni(DataDaSql(primaNotte), DataDaSql(fine));
    if (!giorni) {
        const std::string chi =
            rs.field("NumeroProgressivo").toText() + " " + trim(rs.field("NomeCliente").toText());
        e.esito.skipped.push_back(cp1252ToUtf8("ospite " + chi +
                                               ": date non convertibili (arrivo \"" + arrivo +
                                               "\", partenza \"" + partenza + "\")"));
        return;
    }
    const std::int64_t imponibili = *giorni > e.nottiMassime ? e.nottiMassime : *giorni;

    // The tax lines of the nights listed: from the first night shown to the
    // night before the departure shown.
    const std::int64_t id = rs.field("NumeroProgressivo").toInt();
    std::set<std::string> categorie, motivi, tariffe;
    std::set<std::int64_t> unitaTariffe;
    Currency importo;
    if (auto it = conti.find(id); it != conti.end()) {
        for (const Addebito& a : it->second) {
            if (a.data < primaNotte || a.data >= fine) continue;
            const auto c = e.categorie.find(a.voce);
            if (c == e.categorie.end()) {
                throw ReportError("voce d'imposta " + std::to_string(a.voce) +
                                  " addebitata ma assente da VociIdS: categoria sconosciuta");
            }
            categorie.insert(nomeCategoria(*c->second.categoria));
            motivi.insert(c->second.motivo);
            importo += a.importo;
            if (a.quantita > 0) {
                tariffe.insert(format00(Currency::fromUnits(a.importo.units() / a.quantita)));
                unitaTariffe.insert(a.importo.units() / a.quantita);
            }
        }
    }

    const std::int64_t capo = rs.field("CodiceCapoGruppo").toInt();
    const std::vector<std::string> campi = {
        str(id),
        DataDaSql(arrivo),
        DataDaSql(partenza),
        str(*giorni),
        str(imponibili),
        unisci(categorie),
        unisci(motivi),
        unisci(tariffe),
        format00(importo),
        nascitaValida ? nascita : std::string(),
        trim(rs.field("Residenza").toText()),
        trim(rs.field("NumeroCamera").toText()),
        capo > 0 ? str(capo) : std::string(),
    };
    using xlsx::Cella;
    const auto testo = [](const std::string& t) { return t.empty() ? Cella() : Cella::testo(t); };
    const auto data = [&](const std::string& d) {
        return DataValida(d) ? Cella::data(d) : testo(d);
    };
    // One rate is a number; several stay the text the CSV has.
    const Cella tariffa = unitaTariffe.size() == 1
                              ? Cella::importo(Currency::fromUnits(*unitaTariffe.begin()))
                              : testo(campi[7]);
    e.foglio.righe.push_back({Cella::intero(id), data(campi[1]), data(campi[2]),
                              Cella::intero(*giorni), Cella::intero(imponibili), testo(campi[5]),
                              testo(campi[6]), tariffa, Cella::importo(importo),
                              nascitaValida ? Cella::data(nascita) : Cella(), testo(campi[10]),
                              testo(campi[11]), capo > 0 ? Cella::intero(capo) : Cella()});
    std::string riga = campoCsv(campi.front());
    for (std::size_t i = 1; i < campi.size(); ++i) riga += ";" + campoCsv(campi[i]);
    e.righe.push_back(riga);
    e.notti += *giorni;
    e.imponibili += imponibili;
    e.importo += importo;
}

void passata(const std::string& schede, const std::string& conti, const std::string& sql,
             bool archivio, Esportazione& e, Interaction& io) {
    const auto perOspite = addebiti(conti, e.periodo);
    db::Database d = db::Database::open(schede);
    db::Recordset rs = d.openRecordset(sql);
    std::int64_t letti = 0;
    perOgni(rs, registro::kCriterioHotel, [&] {
        if (++letti % 1000 == 0) io.progress(cp1252ToUtf8(schede) + " " + str(letti));
        rigaOspite(rs, archivio, perOspite, e);
    });
    rs.close();
    d.close();
}

// Written beside the target under a temporary name and renamed into place:
// a failed run leaves the previous file as it was.
void scriviFile(const std::filesystem::path& file, const std::vector<std::string>& righe) {
    std::string testo = std::string(kIntestazione) + "\r\n";
    for (const auto& r : righe) testo += r + "\r\n";
    try {
        scriviFileSicuro(file.string(), testo);
    } catch (const std::runtime_error& e) {
        throw ReportError(e.what());
    }
}

}  // namespace

ReportResult EsportaSoggiorni(const ReportRequest& r, Interaction& io) {
    const Periodo p = controllaPeriodo(r);
    const registro::LimitiOspiti limiti = registro::chiediLimitiOspiti(io);
    const std::int64_t nottiMassime = limiti.nottiMassime;
    const std::int64_t etaMinima = limiti.etaMinima;
    std::optional<std::string> nome;
    do {
        nome = io.ask(question::kOutput, "Nome del file CSV dei soggiorni", "File", kFileSoggiorni);
        if (!nome) throw ReportCancelled();
    } while (trim(*nome).empty());
    const std::filesystem::path file = cp1252ToUtf8(trim(*nome));

    // Every item's category is settled before anything is read.
    std::map<int, CategoriaVoce> categorie;
    for (auto& c : categorieVoci()) categorie.emplace(c.codice, c);

    const std::string codiceAssistenza = LeggiCodiceAssistenza();
    Esportazione e{p, nottiMassime, etaMinima, *AnnoDi(p.dal), categorie, {}, {}, 0, 0, {}, {}};
    passata("Scheda_Cliente.mdb", "Conto_Cliente.mdb",
            "Select * From Scheda_Cliente Where NumeroHotel = 1 and Instr(Lingua,'*') = 0 and "
            "DataArrivo <= '" +
                p.fine + "' and ((DataPartenza > '" + p.inizio +
                "' and Partito = 'N') or (DataPartenzaReale > '" + p.inizio +
                "' and Partito = 'S'))",
            false, e, io);
    passata(PercorsoArchivio("SchedaStoricoClienti.mdb", codiceAssistenza),
            PercorsoArchivio("ContoStoricoClienti.mdb", codiceAssistenza),
            "Select * From Scheda_Cliente Where NumeroHotel = 1 and Instr(Lingua,'*') = 0 and "
            "DataArrivo <= '" +
                p.fine + "' and DataPartenzaReale > '" + p.inizio + "'",
            true, e, io);

    scriviFile(file, e.righe);
    e.foglio.nome = "Soggiorni";
    e.foglio.titolo = {"ESPORTAZIONE SOGGIORNI DAL " + p.dal + " AL " + p.al};
    for (std::string_view h = kIntestazione;;) {
        const auto sep = h.find(';');
        e.foglio.intestazione.emplace_back(h.substr(0, sep));
        if (sep == std::string_view::npos) break;
        h.remove_prefix(sep + 1);
    }

    ReportWriter out;
    out.line();
    out.line("ESPORTAZIONE SOGGIORNI DAL " + p.dal + " AL " + p.al);
    out.line();
    out.line("File scritto:       " + trim(*nome));
    out.line("Righe:              " + str(static_cast<std::int64_t>(e.righe.size())) +
             " (oltre all'intestazione)");
    out.line("Notti nel periodo:  " + str(e.notti));
    out.line("Notti imponibili:   " + str(e.imponibili));
    out.line("Imposta addebitata: " + format00(e.importo));
    for (const auto& s : e.esito.skipped) out.line("Escluso: " + utf8ToCp1252(s));
    out.close();
    io.offerSheet(e.foglio);
    io.showPrintMenu();
    return e.esito;
}

}  // namespace corvex
