#include "reports/filings/calcolo_imposta.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

#include "common/dates.h"
#include "common/errors.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "data/pg/pg_reader.h"
#include "reports/tax/dettaglio_imposta.h"
#include "reports/tax/registro.h"

namespace corvex::filings {

std::string importo(Currency c) {
    return formatGrouped(c);
}

std::int64_t giornoSql(const std::string& yyyymmdd) {
    const std::string t = trim(yyyymmdd);
    if (t.size() != 8) return 0;
    return NumeroGiorno(DataDaSql(t)).value_or(0);
}

namespace {

struct PeriodoTariffa {
    std::int64_t dal = 0, al = 0;
    Currency valore;
};

std::string etichettaDi(Categoria c, const std::string& motivo) {
    switch (c) {
        case Categoria::Piena:
            return "Tariffa piena";
        case Categoria::Ridotta:
            return "Tariffa ridotta";
        case Categoria::Esente:
            return motivo.empty() ? "Esenti" : "Esenti - " + motivo;
        case Categoria::Esclusa:
            return "Esclusi oltre il massimo";
    }
    return "";
}

int ordine(Categoria c) {
    switch (c) {
        case Categoria::Piena:
            return 0;
        case Categoria::Ridotta:
            return 1;
        case Categoria::Esente:
            return 2;
        case Categoria::Esclusa:
            return 3;
    }
    return 4;
}

// The guests of one register file counted as the period summary counts
// them, keyed by NumeroProgressivo.
void leggiOspiti(const std::string& file, const std::string& sql, bool archivio,
                 std::vector<DatiImposta::Soggiorno>& ospiti,
                 std::unordered_map<std::int64_t, std::int64_t>& perNumero) {
    db::Database d = db::Database::open(file, db::Database::Mode::ReadOnly);
    db::Recordset rs = d.openRecordset(sql);
    const std::size_t cNumero = indiceCampo(rs, "NumeroProgressivo", "Scheda_Cliente");
    const std::size_t cNome = indiceCampo(rs, "NomeCliente", "Scheda_Cliente");
    const std::size_t cCamera = indiceCampo(rs, "NumeroCamera", "Scheda_Cliente");
    const std::size_t cArrivo = indiceCampo(rs, "DataArrivo", "Scheda_Cliente");
    const std::size_t cPartenza = indiceCampo(rs, "DataPartenza", "Scheda_Cliente");
    const std::size_t cReale = indiceCampo(rs, "DataPartenzaReale", "Scheda_Cliente");
    const std::size_t cPartito = indiceCampo(rs, "Partito", "Scheda_Cliente");
    const std::size_t cNascita = indiceCampo(rs, "DataNascita", "Scheda_Cliente");
    perOgni(rs, registro::kCriterioHotel, [&] {
        DatiImposta::Soggiorno s;
        s.arrivo = giornoSql(rs.field(cArrivo).toText());
        if (s.arrivo == 0) return;
        // Present up to the night before the departure that governs: the
        // actual one once the guest has left ("S"; always in the archive),
        // the planned one while in house.
        const bool partito = archivio || rs.field(cPartito).toText() == "S";
        s.partenza = giornoSql(rs.field(partito ? cReale : cPartenza).toText());
        if (s.partenza == 0) return;
        s.nome = trim(rs.field(cNome).toText());
        s.camera = trim(rs.field(cCamera).toText());
        s.nascita = giornoSql(rs.field(cNascita).toText());
        perNumero.emplace(rs.field(cNumero).toInt(), static_cast<std::int64_t>(ospiti.size()));
        ospiti.push_back(std::move(s));
    });
}

}  // namespace

DatiImposta DatiImposta::leggi(const Periodo& p, const std::string& primaCamera,
                               const std::string& ultimaCamera, Interaction* io) {
    DatiImposta dati;
    dati.dal_ = NumeroGiorno(p.dal).value_or(0);
    dati.al_ = NumeroGiorno(p.al).value_or(0);
    const std::string h = str(HotelCorrente);

    // Categories first: an item without one stops every filing.
    const std::vector<CategoriaVoce> categorie = categorieVoci();
    std::vector<std::pair<Categoria, std::string>> chiavi = {{Categoria::Piena, ""},
                                                             {Categoria::Ridotta, ""}};
    for (const auto& c : categorie) {
        const std::pair<Categoria, std::string> k{
            *c.categoria, *c.categoria == Categoria::Esente ? c.motivo : std::string()};
        if (std::find(chiavi.begin(), chiavi.end(), k) == chiavi.end()) chiavi.push_back(k);
    }
    chiavi.push_back({Categoria::Esclusa, ""});
    chiavi.erase(std::unique(chiavi.begin(), chiavi.end()), chiavi.end());
    std::stable_sort(chiavi.begin(), chiavi.end(), [](const auto& a, const auto& b) {
        return ordine(a.first) < ordine(b.first);
    });
    for (const auto& [c, m] : chiavi) {
        RigaCategoria r;
        r.categoria = c;
        r.motivo = m;
        r.etichetta = etichettaDi(c, m);
        dati.righe_.push_back(std::move(r));
    }
    std::unordered_map<std::int64_t, std::size_t> rigaDi;
    std::unordered_map<std::int64_t, std::string> descrizioneDi;
    for (const auto& c : categorie) {
        const std::string motivo = *c.categoria == Categoria::Esente ? c.motivo : std::string();
        for (std::size_t i = 0; i < dati.righe_.size(); ++i) {
            if (dati.righe_[i].categoria == *c.categoria && dati.righe_[i].motivo == motivo) {
                rigaDi.emplace(c.codice, i);
                break;
            }
        }
        descrizioneDi.emplace(c.codice, c.descrizione);
    }
    auto riga = [&](std::int64_t codice) -> std::size_t {
        auto it = rigaDi.find(codice);
        if (it == rigaDi.end()) throw CategoriaMancante(static_cast<int>(codice), "");
        return it->second;
    };

    // Rates and the general settings.
    std::unordered_map<std::int64_t, std::vector<PeriodoTariffa>> tariffe;
    {
        db::Database ids = db::Database::open("IdS.mdb", db::Database::Mode::ReadOnly);
        auto g = ids.openRecordset("Select * From Generale Where NumeroHotel = " + h);
        if (!g.eof()) {
            dati.ggMax_ = static_cast<int>(g.field("GGMax").toInt());
            dati.etaMin_ = static_cast<int>(g.field("EtaMin").toInt());
        }
        auto rs = ids.openRecordset("Select * From Periodi Where NumeroHotel = " + h +
                                    " Order by Codice, DataInizio");
        for (; !rs.eof(); rs.moveNext()) {
            PeriodoTariffa t;
            t.dal = giornoSql(rs.field("DataInizio").toText());
            t.al = giornoSql(rs.field("DataFine").toText());
            t.valore = rs.field("Valore").toCurrency();
            if (t.dal == 0 || t.al == 0) continue;
            tariffe[rs.field("Codice").toInt()].push_back(t);
        }
    }
    // Gaps and overlaps of the paying items' rate periods over the period.
    for (const auto& c : categorie) {
        if (*c.categoria != Categoria::Piena && *c.categoria != Categoria::Ridotta) continue;
        const auto& lista = tariffe[c.codice];
        int stato = 1;  // 0 no rate period, 1 one, 2 more than one
        std::int64_t inizio = dati.dal_;
        auto segnala = [&](std::int64_t ultimo) {
            if (stato == 1) return;
            const std::string voce =
                str(c.codice) +
                (c.descrizione.empty() ? "" : " (" + cp1252ToUtf8(c.descrizione) + ")");
            dati.controlliTariffe_.push_back(
                std::string(stato == 0 ? "tariffa mancante" : "tariffe sovrapposte") +
                " per la voce " + voce + " dal " + DataDaNumero(inizio) + " al " +
                DataDaNumero(ultimo));
            dati.giorniControlliTariffe_.push_back(inizio);
        };
        for (std::int64_t g = dati.dal_; g <= dati.al_; ++g) {
            int k = 0;
            for (const auto& t : lista)
                if (t.dal <= g && g <= t.al) ++k;
            const int nuovo = std::min(k, 2) == 1 ? 1 : (k == 0 ? 0 : 2);
            if (nuovo == stato) continue;
            segnala(g - 1);
            stato = nuovo;
            inizio = g;
        }
        segnala(dati.al_);
    }

    // The guests present on a night of the period, live then archive.
    const std::string d1 = db::quote(p.inizio), d2 = db::quote(p.fine);
    const std::string camere = " and NumeroCamera >= " + db::quote(primaCamera) +
                               " and NumeroCamera <= " + db::quote(ultimaCamera);
    const std::string codiceAssistenza = LeggiCodiceAssistenza();
    const std::string schedaStorico =
        PercorsoArchivio("SchedaStoricoClienti.mdb", codiceAssistenza);
    const std::string contoStorico = PercorsoArchivio("ContoStoricoClienti.mdb", codiceAssistenza);
    std::unordered_map<std::int64_t, std::int64_t> vivi, archiviati;
    leggiOspiti("Scheda_Cliente.mdb",
                "Select * From Scheda_Cliente Where NumeroHotel = 1 and instr(Lingua,'*')=0" +
                    camere + " and DataArrivo <= " + d2 +
                    " and ((Partito <> 'S' and DataPartenza > " + d1 +
                    ") or (Partito = 'S' and DataPartenzaReale > " + d1 + "))",
                false, dati.ospiti_, vivi);
    leggiOspiti(schedaStorico,
                "Select * From Scheda_Cliente Where NumeroHotel = 1 and instr(Lingua,'*')=0" +
                    camere + " and DataArrivo <= " + d2 + " and DataPartenzaReale > " + d1,
                true, dati.ospiti_, archiviati);

    // Their tax charge lines on the nights they are present.
    auto leggiAddebiti = [&](const std::string& file,
                             const std::unordered_map<std::int64_t, std::int64_t>& ospiti) {
        db::Database d = db::Database::open(file, db::Database::Mode::ReadOnly);
        db::Recordset rs = d.openRecordset(
            "Select * From Conto_Cliente Where NumeroHotel = 1 and DataAddebito >= " + d1 +
            " and DataAddebito <= " + d2 + camere +
            " and VoceAddebito In (Select Codice From VociFattura In 'VociFattura.mdb' Where "
            "NumeroHotel = 1 and Reparto = 'IDS')");
        const std::size_t cCliente = indiceCampo(rs, "CodiceCliente", "Conto_Cliente");
        const std::size_t cVoce = indiceCampo(rs, "VoceAddebito", "Conto_Cliente");
        const std::size_t cData = indiceCampo(rs, "DataAddebito", "Conto_Cliente");
        const std::size_t cQuant = indiceCampo(rs, registro::campoQuantita(), "Conto_Cliente");
        const std::size_t cImporto = indiceCampo(rs, "Importo", "Conto_Cliente");
        perOgni(rs, registro::kCriterioHotel, [&] {
            auto it = ospiti.find(rs.field(cCliente).toInt());
            if (it == ospiti.end()) return;
            const Soggiorno& s = dati.ospiti_[static_cast<std::size_t>(it->second)];
            Notte n;
            n.giorno = giornoSql(rs.field(cData).toText());
            if (n.giorno < s.arrivo || n.giorno >= s.partenza) {
                dati.fuoriSoggiorno_.emplace_back(it->second, n.giorno);
                return;
            }
            n.ospite = it->second;
            n.codice = rs.field(cVoce).toInt();
            n.riga = riga(n.codice);
            n.quantita = rs.field(cQuant).toInt();
            n.importo = rs.field(cImporto).toCurrency();
            for (const auto& t : tariffe[n.codice]) {
                if (t.dal <= n.giorno && n.giorno <= t.al) {
                    if (n.periodiTariffa == 0) n.tariffa = t.valore;
                    ++n.periodiTariffa;
                }
            }
            dati.notti_.push_back(n);
        });
    };
    if (io) io->progress("Addebiti");
    leggiAddebiti("Conto_Cliente.mdb", vivi);
    leggiAddebiti(contoStorico, archiviati);

    // The tax collected on the documents issued: all counters, all rooms.
    if (io) io->progress("Documenti fiscali");
    leggiRigheImposta(p, "", "ZZZZZZ", 0, false, [&](const RigaImposta& x) {
        Incasso i;
        i.giorno = giornoSql(x.chiave.dataEmissione);
        i.riga = riga(x.codice);
        i.importo = x.importo;
        i.documento = {x.chiave.dataEmissione, x.chiave.tipoDocumento, x.chiave.nDocumento};
        dati.incassi_.push_back(std::move(i));
    });

    dati.versamenti_ = leggiVersamenti();
    return dati;
}

Riepilogo DatiImposta::riepiloga(std::int64_t dal, std::int64_t al) const {
    Riepilogo r;
    r.dal = dal;
    r.al = al;
    r.righe = righe_;
    std::vector<std::set<std::int64_t>> ospiti(righe_.size());
    std::set<std::int64_t> tutti;
    for (const Notte& n : notti_) {
        if (n.giorno < dal || n.giorno > al) continue;
        RigaCategoria& c = r.righe[n.riga];
        c.pernottamenti += n.quantita;
        c.addebitata += n.importo;
        if (c.categoria == Categoria::Piena || c.categoria == Categoria::Ridotta) {
            c.nottiPerTariffa[n.tariffa.units()] += n.quantita;
            c.dovuta += n.tariffa * n.quantita;
        }
        ospiti[n.riga].insert(n.ospite);
        tutti.insert(n.ospite);
    }
    std::set<std::pair<std::string, std::int64_t>> documenti;
    for (const Incasso& i : incassi_) {
        if (i.giorno < dal || i.giorno > al) continue;
        r.righe[i.riga].riscossa += i.importo;
        const auto k =
            std::make_pair(i.documento.dataEmissione + i.documento.tipo, i.documento.numero);
        if (documenti.insert(k).second) {
            if (r.documenti == 0) r.primo = i.documento;
            r.ultimo = i.documento;
            ++r.documenti;
            const std::int64_t n = i.documento.numero;
            auto [it, nuovo] = r.numeriPerTipo.try_emplace(trim(i.documento.tipo), n, n);
            if (!nuovo) {
                it->second.first = std::min(it->second.first, n);
                it->second.second = std::max(it->second.second, n);
            }
        }
    }
    for (std::size_t k = 0; k < r.righe.size(); ++k) {
        RigaCategoria& c = r.righe[k];
        c.ospiti = static_cast<std::int64_t>(ospiti[k].size());
        r.totale.pernottamenti += c.pernottamenti;
        r.totale.addebitata += c.addebitata;
        r.totale.dovuta += c.dovuta;
        r.totale.riscossa += c.riscossa;
        for (const auto& [t, n] : c.nottiPerTariffa) r.totale.nottiPerTariffa[t] += n;
    }
    r.totale.ospiti = static_cast<std::int64_t>(tutti.size());
    r.totale.etichetta = "Totale";
    for (const auto& v : versamenti_) {
        const std::int64_t g = NumeroGiorno(v.data).value_or(0);
        if (g < dal || g > al) continue;
        r.versamenti.push_back(v);
        r.versato += v.importo;
    }
    for (const auto& v : versamenti_) {
        const std::int64_t g = NumeroGiorno(v.al).value_or(0);
        if (g < dal || g > al) continue;
        r.versamentiPeriodo.push_back(v);
        r.versatoPeriodo += v.importo;
    }
    return r;
}

namespace {

// At most kDettagli lines of one kind of check, then how many more.
constexpr std::size_t kDettagli = 10;

class Elenco {
  public:
    explicit Elenco(std::vector<std::string>& out) : out_(out) {}
    void aggiungi(std::string testo) {
        if (n_++ < kDettagli) out_.push_back(std::move(testo));
    }
    ~Elenco() {
        if (n_ > kDettagli)
            out_.push_back("... e altri " + str(static_cast<std::int64_t>(n_ - kDettagli)) +
                           " casi dello stesso tipo");
    }
    Elenco(const Elenco&) = delete;
    Elenco& operator=(const Elenco&) = delete;

  private:
    std::vector<std::string>& out_;
    std::size_t n_ = 0;
};

}  // namespace

std::vector<std::string> DatiImposta::controlli(std::int64_t dal, std::int64_t al) const {
    std::vector<std::string> out;
    // Guests present on nights of the part without any tax line on them.
    {
        Elenco elenco(out);
        std::vector<char> conTassa(ospiti_.size(), 0);
        for (const Notte& n : notti_)
            if (n.giorno >= dal && n.giorno <= al) conTassa[static_cast<std::size_t>(n.ospite)] = 1;
        for (std::size_t i = 0; i < ospiti_.size(); ++i) {
            const Soggiorno& s = ospiti_[i];
            const std::int64_t da = std::max(s.arrivo, dal), a = std::min(s.partenza - 1, al);
            if (a < da || conTassa[i]) continue;
            elenco.aggiungi("ospite senza imposta addebitata: " + cp1252ToUtf8(s.nome) +
                            " (camera " + cp1252ToUtf8(s.camera) + "), " + str(a - da + 1) +
                            " notti dal " + DataDaNumero(da));
        }
    }
    {
        Elenco elenco(out);
        for (const auto& [o, giorno] : fuoriSoggiorno_) {
            if (giorno < dal || giorno > al) continue;
            const Soggiorno& s = ospiti_[static_cast<std::size_t>(o)];
            elenco.aggiungi("riga d'imposta fuori dal soggiorno: " + cp1252ToUtf8(s.nome) +
                            " (camera " + cp1252ToUtf8(s.camera) + "), addebito del " +
                            DataDaNumero(giorno) + ", soggiorno dal " + DataDaNumero(s.arrivo) +
                            " al " + DataDaNumero(s.partenza));
        }
    }
    // Nights beyond the maximum and minors charged at a paying rate.
    std::vector<std::string> oltreMassimo, minori;
    {
        Elenco oltre(oltreMassimo);
        Elenco elencoMinori(minori);
        for (const Notte& n : notti_) {
            if (n.giorno < dal || n.giorno > al || n.importo <= Currency()) continue;
            const RigaCategoria& c = righe_[n.riga];
            const Soggiorno& s = ospiti_[static_cast<std::size_t>(n.ospite)];
            const bool pagante =
                c.categoria == Categoria::Piena || c.categoria == Categoria::Ridotta;
            if (!pagante) continue;
            if (ggMax_ > 0 && n.giorno - s.arrivo >= ggMax_) {
                oltre.aggiungi("notte oltre il massimo di " + str(ggMax_) +
                               " addebitata a tariffa: " + cp1252ToUtf8(s.nome) + " (camera " +
                               cp1252ToUtf8(s.camera) + "), notte del " + DataDaNumero(n.giorno));
            }
            if (etaMin_ > 0 && s.nascita > 0 && c.categoria == Categoria::Piena) {
                std::int64_t y1 = 0, y2 = 0;
                unsigned m1 = 0, g1 = 0, m2 = 0, g2 = 0;
                civilFromDays(s.nascita, y1, m1, g1);
                civilFromDays(n.giorno, y2, m2, g2);
                const std::int64_t eta = y2 - y1 - ((m2 < m1 || (m2 == m1 && g2 < g1)) ? 1 : 0);
                if (eta < etaMin_) {
                    elencoMinori.aggiungi("minore di " + str(etaMin_) +
                                          " anni a tariffa piena: " + cp1252ToUtf8(s.nome) +
                                          " (camera " + cp1252ToUtf8(s.camera) + "), notte del " +
                                          DataDaNumero(n.giorno));
                }
            }
        }
    }
    out.insert(out.end(), oltreMassimo.begin(), oltreMassimo.end());
    out.insert(out.end(), minori.begin(), minori.end());
    for (std::size_t i = 0; i < controlliTariffe_.size(); ++i) {
        if (giorniControlliTariffe_[i] >= dal && giorniControlliTariffe_[i] <= al)
            out.push_back(controlliTariffe_[i]);
    }
    const Riepilogo r = riepiloga(dal, al);
    if (r.totale.riscossa != r.totale.dovuta) {
        out.push_back("imposta riscossa " + cp1252ToUtf8(importo(r.totale.riscossa)) +
                      " diversa dalla dovuta " + cp1252ToUtf8(importo(r.totale.dovuta)) +
                      " (differenza " + cp1252ToUtf8(importo(r.totale.riscossa - r.totale.dovuta)) +
                      ")");
    }
    return out;
}

std::vector<std::string> righeControlli(const std::vector<std::string>& controlli) {
    std::vector<std::string> out{"CONTROLLI"};
    if (controlli.empty()) out.push_back("Nessuna anomalia rilevata.");
    for (const auto& c : controlli) out.push_back("- " + utf8ToCp1252(c));
    return out;
}

void avvisaControlli(const std::vector<std::string>& controlli, const std::string& titolo,
                     Interaction& io) {
    if (controlli.empty()) return;
    std::string testo;
    for (const auto& c : controlli) testo += (testo.empty() ? "" : "\n") + c;
    io.warn(testo, titolo);
}

std::vector<std::string> righeStruttura(const Struttura& s) {
    auto o = [](const std::string& v) { return trim(v).empty() ? std::string("-") : trim(v); };
    return {"Comune: " + o(s.comune) + " (codice " + o(s.codiceComune) + ")",
            "Struttura: " + o(s.nomeStruttura) + " - " + o(s.tipologia) + " " +
                o(s.classificazione) + " - codice identificativo " + o(s.codiceIdentificativo),
            "Gestore: " + o(s.gestore) + " - codice fiscale " + o(s.codiceFiscaleGestore)};
}

Periodo periodoAnno(int anno) {
    Periodo p;
    p.dal = "01/01/" + str(anno);
    p.al = "31/12/" + str(anno);
    p.inizio = DataSql(p.dal);
    p.fine = DataSql(p.al);
    return p;
}

int annoRichiesto(const ReportRequest& r, Interaction& io) {
    const std::string predefinito = str(AnnoDi(trim(r.dal)).value_or(2000));
    const auto risposta =
        io.ask(question::kYear, "Inserire l'anno della dichiarazione", "Anno", predefinito);
    if (!risposta) throw ReportCancelled();
    const std::string t = trim(*risposta).empty() ? predefinito : trim(*risposta);
    std::int64_t n = 0;
    if (!parseWhole(t, n) || n < 1900 || n > 9999) {
        throw ReportError("anno: \"" + cp1252ToUtf8(t) + "\" non è un anno valido (aaaa)");
    }
    return static_cast<int>(n);
}

const char* trimestreRomano(int trimestre) {
    static const char* const nomi[] = {"I", "II", "III", "IV"};
    return trimestre >= 1 && trimestre <= 4 ? nomi[trimestre - 1] : "";
}

const char* nomeMese(int mese) {
    static const char* const nomi[] = {"Gennaio",   "Febbraio", "Marzo",    "Aprile",
                                       "Maggio",    "Giugno",   "Luglio",   "Agosto",
                                       "Settembre", "Ottobre",  "Novembre", "Dicembre"};
    return mese >= 1 && mese <= 12 ? nomi[mese - 1] : "";
}

std::int64_t primoDelMese(int anno, int mese) {
    if (mese > 12) {
        ++anno;
        mese -= 12;
    }
    const std::string t = (mese < 10 ? "01/0" : "01/") + str(mese) + "/" + str(anno);
    return NumeroGiorno(t).value_or(0);
}

void perOgniStruttura(const std::function<Struttura(const std::string& prefisso)>& blocco) {
    const std::vector<std::string> gruppo = db::groupProperties();
    if (gruppo.empty()) {
        blocco("");
        return;
    }
    std::string comune;
    for (std::size_t i = 0; i < gruppo.size(); ++i) {
        pg::PropertyScope proprieta(gruppo[i]);
        const std::string c = trim(blocco(gruppo[i] + ": ").comune);
        if (i == 0) {
            comune = c;
        } else if (!equalsNoCase(c, comune)) {
            throw ReportError("dichiarazione di gruppo: la proprietà " + gruppo[i] +
                              " è nel comune \"" + cp1252ToUtf8(c) + "\", la proprietà " +
                              gruppo[0] + " in \"" + cp1252ToUtf8(comune) +
                              "\"; una dichiarazione vale per un solo comune");
        }
    }
}

}  // namespace corvex::filings
