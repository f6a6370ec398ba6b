// Writes the demo data folder from the planned hotel.
#include "demo/demo.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

#include "demo/calendar.h"
#include "demo/layouts.h"
#include "demo/model.h"
#include "settings/dichiarazioni.h"
#include "settings/store.h"

namespace corvex::demo {

namespace fs = std::filesystem;

namespace {

const char* const kDatabases[] = {
    "Scheda_Cliente.mdb",
    "SchedaStoricoClienti.mdb",
    "Conto_Cliente.mdb",
    "ContoStoricoClienti.mdb",
    "VociFattura.mdb",
    "AnagraficaHotels.mdb",
    "Fatture.mdb",
    "CodiciIva.mdb",
    "CodiciVari.mdb",
    "Dettaglio.mdb",
    "Stampanti.mdb",
    "Contatori.mdb",
    "IdS.mdb",
    "IdSDichiarazioni.mdb",
};
const char* const kTextFiles[] = {"CorrSetup.txt", "Parametri.txt"};

std::string lowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// Files of the folder are matched without regard to case, as the suite's
// names are: "ids.mdb" is the settings database too.
void refuseExisting(const fs::path& dir) {
    std::vector<std::string> ours;
    for (const char* n : kDatabases) ours.push_back(lowerAscii(n));
    for (const char* n : kTextFiles) ours.push_back(lowerAscii(n));
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (std::find(ours.begin(), ours.end(), lowerAscii(name)) != ours.end()) {
            throw std::runtime_error("The file " + entry.path().string() +
                                     " already exists: the demo folder is written only into a "
                                     "folder without suite files, nothing was written");
        }
    }
}

class Writer {
  public:
    Writer(const fs::path& dir, const Plan& plan, const Fiscal& fiscal)
        : dir_(dir), p_(plan), f_(fiscal) {}

    void all() {
        guests(false, "Scheda_Cliente.mdb");
        guests(true, "SchedaStoricoClienti.mdb");
        charges();
        vociFattura();
        anagrafica();
        fatture();
        codiciIva();
        codiciVari();
        dettaglio();
        stampanti();
        contatori();
        ids();
        dichiarazioni();
        // The billing items, then the parking deposits (code 22) on a row of
        // their own; the deposits at 10 % go to the first row, "ACCONTI
        // DEDOTTI". The file ends with a blank line, as the suite's editor
        // leaves it.
        textFile("CorrSetup.txt",
                 {"1", "2", "3", "4", "5", "6", "ACCONTI DEDOTTI (cod.iva 22)", ""});
        std::vector<std::string> params(80);
        params[0] = "1";
        params[77] = "S";  // parameter 78: split-payment documents left out of the takings register
        textFile("Parametri.txt", params);
    }

    const std::vector<fs::path>& written() const { return written_; }

  private:
    OutFile& open(const char* name) {
        const fs::path path = dir_ / name;
        written_.push_back(path);
        file_ = std::make_unique<OutFile>(path.string());
        return *file_;
    }
    void close() {
        file_->finish();
        file_.reset();
    }

    void guests(bool archive, const char* name) {
        OutFile& out = open(name);
        out.createTable(layoutSchedaCliente());
        Inserter row(out, layoutSchedaCliente());
        for (const Guest& g : p_.guests) {
            if (g.archived != archive) continue;
            const Stay& s = p_.stays[g.stay];
            const Agency* agency = s.group >= 0 ? &agencies()[p_.groups[s.group].agency] : nullptr;
            row.add(1).add(g.idUser).add(g.np).add(g.schedina).add(g.componente);
            row.add(g.clienteAbituale).add(0).add(p_.rooms[s.room].number);
            row.add(sqlDate(g.arrival)).add(sqlDate(g.plannedDeparture)).add(g.name);
            row.add(g.birthPlace).add(g.birth == kNoDate ? std::string() : sqlDate(g.birth));
            row.add(g.docType).add(g.docNumber).add(g.docAuthority);
            row.add(g.docDate == kNoDate ? std::string() : sqlDate(g.docDate));
            row.add(g.residence).add(g.address).add(g.province).add(g.nazione).add(g.stato);
            row.add(g.sesso).add(g.cap).add(g.lingua).add(s.tipoCliente);
            row.add(agency ? agency->code : 0).add(0).add(g.oraArrivo).add(g.oraPartenza);
            row.add(agency ? agency->name : "").add(g.departed ? "S" : "N");
            if (g.departed)
                row.add(sqlDate(g.departure));
            else
                row.addNull();
            row.add(0).add(g.isCapoFamiglia ? "S" : "N").add(g.isCapoGruppo ? "S" : "N");
            row.add(g.capoCamera).add(g.capoGruppo).add(g.commento).add(0).add(0);
            row.add("S").add(g.email.empty() ? "N" : "S").add(s.prenotazione);
            row.add(g.departed ? 1 : 0).add(s.offerta);
            row.add(agency ? "V" + std::to_string(s.prenotazione) : std::string());
            row.add(g.capoCamera).add(0).add(0).add(0).add("").add(g.email).add(g.codIds);
            row.row();
        }
        close();
    }

    // The charges in posting order: day by day, and within a day stay by stay.
    void charges() {
        std::vector<const Charge*> order;
        order.reserve(p_.charges.size());
        for (const Charge& c : p_.charges) {
            if (c.day <= p_.lastDay) order.push_back(&c);
        }
        std::stable_sort(order.begin(), order.end(),
                         [](const Charge* a, const Charge* b) { return a->day < b->day; });
        OutFile& live = open("Conto_Cliente.mdb");
        live.createTable(layoutContoCliente());
        auto archivePath = dir_ / "ContoStoricoClienti.mdb";
        written_.push_back(archivePath);
        OutFile archive(archivePath.string());
        archive.createTable(layoutContoCliente());
        Inserter liveRow(live, layoutContoCliente());
        Inserter archiveRow(archive, layoutContoCliente());
        const std::int32_t firstNp = p_.guests.empty() ? 0 : p_.guests.front().np;
        std::int32_t riga = 1;
        for (const Charge* c : order) {
            const Guest& g = p_.guests[c->cliente - firstNp];
            Inserter& row = g.archived ? archiveRow : liveRow;
            row.add(1).add(riga++).add(c->cliente).add(c->voce).add(sqlDate(c->day));
            row.add(p_.rooms[p_.stays[c->stay].room].number).add(voce(c->voce).descr);
            row.add(c->qty).add(c->importo).row();
        }
        archive.finish();
        close();
    }

    void vociFattura() {
        OutFile& out = open("VociFattura.mdb");
        out.createTable(layoutVociFattura());
        Inserter row(out, layoutVociFattura());
        for (const VoceInfo& v : voci()) {
            row.add(1).add(v.code).add(v.descr).add(v.reparto).add(v.price);
            row.add(Currency::whole(v.aliquota)).row();
        }
        close();
    }

    void anagrafica() {
        OutFile& out = open("AnagraficaHotels.mdb");
        out.createTable(layoutAnagraficaHotels());
        Inserter row(out, layoutAnagraficaHotels());
        row.add(1).add(1).add("Hotel Belvedere S.r.l.").add("").row();
        close();
    }

    static void key(Inserter& row, const Doc& d) {
        row.add(1).add(sqlDate(d.day)).add(d.kind == 'F' ? "Fattura" : "Ricevuta");
        row.add(d.number).add(d.contatore);
    }

    // A stay date of a document; blank when the document has none.
    static std::string stayDate(int day) { return day == kNoDate ? std::string() : sqlDate(day); }

    static int rateOf(int ivaCode) { return ivaCode == 10 || ivaCode == 22 ? ivaCode : 0; }

    // The VAT split of a document: per VAT code, the gross of its lines
    // parted into taxable and tax (rounded to cents, half away from zero).
    static std::map<int, std::pair<Currency, Currency>> split(const Doc& d) {
        std::map<int, Currency> gross;
        for (const auto& l : d.lines) {
            if (l.descr == "---- SUBTOTALE ----") continue;
            gross[l.iva] += l.importo;
        }
        std::map<int, std::pair<Currency, Currency>> out;
        for (const auto& [code, g] : gross) {
            const std::int64_t rate = rateOf(code);
            const std::int64_t cents = g.units() / 100;
            const std::int64_t num = cents * 100, den = 100 + rate;
            const std::int64_t taxable = (num >= 0 ? (2 * num + den) : (2 * num - den)) / (2 * den);
            const Currency imponibile = Currency::fromUnits(taxable * 100);
            out[code] = {imponibile, g - imponibile};
        }
        return out;
    }

    void fatture() {
        OutFile& out = open("Fatture.mdb");
        out.createTable(layoutDatiFattura());
        out.createTable(layoutDettaglioFattura());
        out.createTable(layoutIncassi());
        out.createTable(layoutScorporoFattura());
        Inserter head(out, layoutDatiFattura());
        Inserter line(out, layoutDettaglioFattura());
        Inserter pay(out, layoutIncassi());
        Inserter vat(out, layoutScorporoFattura());
        std::size_t e = 0;
        std::int32_t esterniRiga = 1;
        auto flushEsterni = [&](int upTo) {
            for (; e < f_.esterni.size() && f_.esterni[e].day <= upTo; ++e) {
                const Esterno& x = f_.esterni[e];
                pay.add(1).add(sqlDate(x.day)).add("ESTERNI").add(0).add(x.contatore);
                pay.add(esterniRiga++).add(x.sigla).add(x.importo).add(x.nota).row();
            }
        };
        for (const Doc& d : f_.docs) {
            flushEsterni(d.day - 1);
            key(head, d);
            head.add(d.room).add(d.name).add(d.persons).add(stayDate(d.arrival));
            head.add(stayDate(d.departure)).add(d.forma).add(d.totale).add(d.pagato);
            head.add(d.nonPagato).add(d.annullato ? "S" : "N").add(d.annullatoDaRiep ? "S" : "N");
            head.add(d.riepAcc).add(d.sppa ? "S" : "N").add(d.stato).add(d.cfiscale).add(d.piva);
            head.add(d.note).row();
            std::int32_t n = 1;
            for (const auto& l : d.lines) {
                key(line, d);
                line.add(n++).add(l.voce).add(l.descr).add(l.qty).add(l.importo);
                line.add(l.dataAddebito).add(l.iva).row();
            }
            n = 1;
            for (const auto& pm : d.payments) {
                key(pay, d);
                pay.add(n++).add(pm.sigla).add(pm.importo).add(pm.nota).row();
            }
            for (const auto& [code, parts] : split(d)) {
                key(vat, d);
                vat.add(code).add(parts.first).add(parts.second).row();
            }
        }
        flushEsterni(p_.lastDay);
        close();
    }

    void codiciIva() {
        OutFile& out = open("CodiciIva.mdb");
        out.createTable(layoutCodiciIva());
        Inserter row(out, layoutCodiciIva());
        struct {
            int code;
            const char* descr;
            int value;
        } const rows[] = {{0, "Fuori campo IVA", 0},
                          {10, "Iva 10%", 10},
                          {20, "Iva 20%", 20},
                          {21, "Iva 21%", 21},
                          {22, "Iva 22%", 22},
                          {74, "Esente art. 74", 0},
                          {kIvaImposta, "Imposta di soggiorno", 0}};
        for (const auto& r : rows) {
            row.add(1).add(r.code).add(r.descr).add(Currency::whole(r.value)).row();
        }
        close();
    }

    void codiciVari() {
        OutFile& out = open("CodiciVari.mdb");
        out.createTable(layoutCodiciVari());
        Inserter row(out, layoutCodiciVari());
        struct {
            int hotel, tipo;
            const char *sigla, *descr, *nazione;
        } const rows[] = {
            {1, 1, "I", "Italia", "I"},        {1, 1, "D", "Germania", "EE"},
            {1, 1, "CO", "Colombia", "EXTRA"}, {1, 3, "AS", "Assegni", "CONTA"},
            {1, 4, "CO", "Contanti", "CONTA"}, {1, 4, "CC", "Carta di credito", "CARTA"},
            {1, 4, "BA", "Bancomat", "CARTA"}, {1, 4, "EX", "Addebito extra", "EXTRA"},
            {1, 4, "BO", "Bonifico", "BONIF"}, {2, 4, "CC", "Carta (hotel 2)", "EXTRA"},
        };
        for (const auto& r : rows) {
            row.add(r.hotel).add(r.tipo).add(r.sigla).add(r.descr).add(r.nazione).row();
        }
        close();
    }

    // The suite's presence statistics: guests present on each night, arrivals
    // of the day and Italian guests present.
    void dettaglio() {
        const int days = p_.lastDay - p_.firstDay + 1;
        std::vector<int> present(days + 1, 0), italians(days + 1, 0), arrivals(days, 0);
        auto span = [&](std::vector<int>& v, int from, int to) {
            from = std::max(from, p_.firstDay) - p_.firstDay;
            to = std::min(to, p_.lastDay + 1) - p_.firstDay;
            if (from >= to) return;
            v[from] += 1;
            v[to] -= 1;
        };
        for (const Guest& g : p_.guests) {
            span(present, g.arrival, g.departure);
            if (g.italian) span(italians, g.arrival, g.departure);
            if (g.arrival <= p_.lastDay) arrivals[g.arrival - p_.firstDay] += 1;
        }
        OutFile& out = open("Dettaglio.mdb");
        out.createTable(layoutDettaglio());
        Inserter row(out, layoutDettaglio());
        int p = 0, it = 0;
        for (int i = 0; i < days; ++i) {
            p += present[i];
            it += italians[i];
            const std::string day = sqlDate(p_.firstDay + i);
            row.add(1).add("Presenze").add("Generale").add(day).addReal(p).row();
            row.add(1).add("Arrivi").add("Generale").add(day).addReal(arrivals[i]).row();
            row.add(1).add("Presenze").add("Italiani").add(day).addReal(it).row();
        }
        close();
    }

    static std::string fields(std::initializer_list<int> values) {
        std::string s;
        for (int v : values) {
            std::string n = std::to_string(v);
            s += std::string(3 - n.size(), ' ') + n;
        }
        return s;
    }

    void stampanti() {
        OutFile& out = open("Stampanti.mdb");
        out.createTable(layoutStampanti());
        out.createTable(layoutSetStampa());
        Inserter dest(out, layoutStampanti());
        dest.add(1).add("PDF").add("").add("1").row();
        dest.add(1).add("Testo su file").add("stampa_raw.txt").add("2").row();
        dest.add(2).add("Stampante hotel 2").add("LPT1").add("2").row();
        Inserter set(out, layoutSetStampa());
        // Type 1, printer mode (field 6 of Compresso = 1): sizes 8 and 10.
        set.add(1).add(fields({8, 0, 0, 0, 0, 1, 10, 0, 0, 0, 0, 0}));
        set.add(fields({0, 0, 0, 0, 0, 1, 66, 66, 0, 0, 0, 0})).row();
        // Type 2, raw text: ESC SI / ESC DC2, top margin 2, forms of 72 and 66 lines.
        set.add(2).add(fields({27, 15, 0, 0, 0, 0, 27, 18, 0, 0, 0, 0}));
        set.add(fields({0, 0, 0, 0, 0, 2, 72, 66, 0, 0, 0, 0})).row();
        close();
    }

    void contatori() {
        OutFile& out = open("Contatori.mdb");
        out.createTable(layoutContatori());
        Inserter row(out, layoutContatori());
        row.add(1).add(80).add(60).row();
        close();
    }

    // The system's own settings, with the same table definitions as
    // CaricaImpostazioni creates, filled as the settings editor would.
    void ids() {
        OutFile& out = open("IdS.mdb");
        const TableLayout generale = layoutOf(tabellaGenerale());
        const TableLayout vociIds = layoutOf(tabellaVociIdS());
        const TableLayout periodi = layoutOf(tabellaPeriodi());
        out.createTable(generale);
        out.createTable(vociIds);
        out.createTable(periodi);
        {
            Inserter row(out, generale);
            row.add(1).add(kIvaImposta).add(kGGMax).add(kImpostaOltre).add(0);
            row.add(kImpostaMinori).add(kEtaMin).add(0).add(kImpostaResidenti);
            row.add(std::string("Residenti nel comune di ") + kComune).add(kImpostaStandard);
            row.add(0).add(0).add(0).row();
        }
        {
            Inserter row(out, vociIds);
            for (int code = kImpostaStandard; code <= kImpostaOltre; ++code) {
                row.add(1).add(code).add(voce(code).descr).row();
            }
        }
        {
            Inserter row(out, periodi);
            for (int y = civil(p_.firstDay).y; y <= civil(p_.lastDay).y; ++y) {
                const int start = dayNumber(y, 1, 1);
                for (int code = kImpostaStandard; code <= kImpostaOltre; ++code) {
                    row.add(1).add(code).add(sqlDate(start)).add(sqlDate(dayNumber(y, 12, 31)));
                    row.add(code == kImpostaStandard ? tassa(start) : Currency()).row();
                }
            }
        }
        close();
    }

    // The filings' data as the operator has it when the year's filings are
    // due: the structure, and one payment per quarter of the data's last
    // year that collected any tax (as the tax detail on documents counts it),
    // paid on the 16th of the month after the quarter. The third quarter's
    // payment (the only one's, when there is one) falls a tenth short, so the
    // filings show a difference. Generale names every item of IdS.mdb, so
    // CategorieVoci stays empty.
    void dichiarazioni() {
        OutFile& out = open(kFileDichiarazioni);
        for (const auto& statement : schemaDichiarazioni()) out.exec(statement);
        {
            Inserter row(out, layoutOf(tabellaStruttura()));
            row.add(1).add(kComune).add("E715").add("Hotel Belvedere").add("Albergo");
            row.add("3 stelle").add("IT046017A1DEMO0001").add("Hotel Belvedere S.r.l.");
            row.add("01234567890").row();
        }
        const int year = civil(p_.lastDay).y;
        Currency collected[4];
        for (const Doc& d : f_.docs) {
            const Ymd c = civil(d.day);
            if (c.y != year || (d.annullato && !d.annullatoDaRiep) || d.riepAcc == "R") continue;
            for (const auto& l : d.lines) {
                // A credit note (RiepAcc "N") gives the tax back.
                if (l.voce >= kImpostaStandard && l.voce <= kImpostaOltre)
                    collected[(c.m - 1) / 3] += d.riepAcc == "N" ? -l.importo : l.importo;
            }
        }
        std::vector<int> quarters;
        for (int q = 0; q < 4; ++q)
            if (collected[q] > Currency()) quarters.push_back(q);
        const int shortOne = quarters.size() == 1 ? quarters[0] : 2;
        const char* const roman[] = {"I", "II", "III", "IV"};
        Inserter row(out, layoutOf(tabellaVersamenti()));
        for (int q : quarters) {
            Currency paid = collected[q];
            if (q == shortOne) paid = Currency::fromUnits(paid.units() * 9 / 10 / 100 * 100);
            const int paidOn = q == 3 ? dayNumber(year + 1, 1, 16) : dayNumber(year, 3 * q + 4, 16);
            row.addNull().add(1).add(sqlDate(paidOn)).add(paid);
            row.add(sqlDate(dayNumber(year, 3 * q + 1, 1)));
            row.add(sqlDate(q == 3 ? dayNumber(year, 12, 31) : dayNumber(year, 3 * q + 4, 1) - 1));
            row.add("TRN" + std::to_string(year) + "Q" + std::to_string(q + 1) + "0016");
            row.add(q == 3 ? "pagoPA" : "Bonifico");
            row.add(std::string("Imposta di soggiorno ") + roman[q] + " trimestre").row();
        }
        close();
    }

    // Small text files of the suite: code page 1252 (plain ASCII here), CR LF.
    void textFile(const char* name, const std::vector<std::string>& lines) {
        const fs::path path = dir_ / name;
        written_.push_back(path);
        std::ofstream out(path, std::ios::binary);
        for (const auto& l : lines) out << l << "\r\n";
        out.close();
        if (!out) throw std::runtime_error("Cannot write " + path.string());
    }

    fs::path dir_;
    const Plan& p_;
    const Fiscal& f_;
    std::unique_ptr<OutFile> file_;
    std::vector<fs::path> written_;
};

}  // namespace

bool parseSize(const std::string& text, Size& out) {
    const std::string t = lowerAscii(text);
    if (t == "small")
        out = Size::Small;
    else if (t == "hotel")
        out = Size::Hotel;
    else if (t == "large")
        out = Size::Large;
    else
        return false;
    return true;
}

void generate(const std::string& dir, const Options& options) {
    const fs::path folder(dir);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder)) {
        throw std::runtime_error("Cannot create the folder " + dir +
                                 (ec ? ": " + ec.message() : std::string()));
    }
    refuseExisting(folder);

    const Plan plan = planHotel(options.size, options.seed);
    const Fiscal fiscal = planDocuments(plan, options.seed);
    Writer writer(folder, plan, fiscal);
    try {
        writer.all();
    } catch (...) {
        // A half-written folder would pass for a complete one: remove what
        // this run wrote (it refused to start over existing files).
        for (const auto& path : writer.written()) fs::remove(path, ec);
        throw;
    }
}

}  // namespace corvex::demo
