// The tourist-tax filings: their figures agree with the reports they are
// built from (period summary, tax detail on documents, payments list) on a
// generated half year, and the three filings run on the demo folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "common/currency.h"
#include "common/dates.h"
#include "common/text.h"
#include "demo/demo.h"
#include "output/headless.h"
#include "reports/filings/andamento.h"
#include "reports/filings/calcolo_imposta.h"
#include "reports/periodo.h"
#include "reports/reports.h"
#include "reports/tax/register_data.h"
#include "settings/dichiarazioni.h"
#include "support/data_folder.h"
#include "support/fake_io.h"
#include "support/xlsx_read.h"

namespace corvex {
namespace {

using test::createSuiteTable;
using test::FakeIo;
using test::insertRow;
using test::TempDataFolder;
using test::utf8;

constexpr int kPiena = 501, kMinori = 502, kRidotta = 503, kOltre = 504;

std::string sql(std::int64_t giorno) {
    return DataSql(DataDaNumero(giorno));
}

// A deterministic half year 2024: 60 stays of 1-6 nights from January to
// June (some over a month or quarter end), a night charge line for each
// guest and night by the guest's kind, a receipt issued on departure under
// counter 1 or 2 with the same lines, every fifth stay archived, one guest
// marked "*", one credit note, the rate of the full item changing on 01/04.
void semestre() {
    test::cartellaBase();
    test::voce(kRidotta, "Imposta ridotta", "IDS");
    test::voce(kOltre, "Imposta oltre il massimo", "IDS");
    insertRow("IdS.mdb", "Generale",
              {{"NumeroHotel", 1},
               {"GGMax", 4},
               {"CodGGMax", kOltre},
               {"CodMin", kMinori},
               {"EtaMin", 14},
               {"CodStd", kPiena},
               {"CodFEta", kRidotta},
               {"EtaDa", 14},
               {"EtaFinoA", 17}});
    for (int c : {kPiena, kMinori, kRidotta, kOltre}) {
        insertRow("IdS.mdb", "VociIdS", {{"NumeroHotel", 1}, {"Codice", c}, {"Descrizione", "V"}});
    }
    auto periodo = [](int c, const char* dal, const char* al, double v) {
        insertRow("IdS.mdb", "Periodi",
                  {{"NumeroHotel", 1},
                   {"Codice", c},
                   {"DataInizio", dal},
                   {"DataFine", al},
                   {"Valore", v}});
    };
    periodo(kPiena, "20240101", "20240331", 2.0);
    periodo(kPiena, "20240401", "20241231", 2.5);
    periodo(kRidotta, "20240101", "20241231", 1.0);
    createSuiteTable("Fatture.mdb", "DatiFattura");
    createSuiteTable("Fatture.mdb", "DettaglioFattura");

    const std::int64_t inizio = *NumeroGiorno("01/01/2024");
    int numero = 0;
    for (int id = 1; id <= 60; ++id) {
        const std::int64_t arrivo = inizio + (id * 37) % 178;
        const int notti = 1 + (id * 5) % 6;
        const int persone = 1 + id % 3;
        const std::int64_t partenza = arrivo + notti;
        const bool archiviato = id % 5 == 0;
        const std::string a = sql(arrivo), p = sql(partenza);
        test::ospite(archiviato ? "SchedaStoricoClienti.mdb" : "Scheda_Cliente.mdb",
                     {.id = id,
                      .camera = id % 2 ? "101" : "102",
                      .arrivo = a.c_str(),
                      .partito = "S",
                      .partenza = p.c_str(),
                      .partenzaReale = p.c_str(),
                      .lingua = id == 7 ? "I*" : "I",
                      .nascita = id % 4 == 1 ? "20150101" : "19800101"});
        const int voce = id % 4 == 1 ? kMinori : (id % 4 == 2 ? kRidotta : kPiena);
        const int contatore = 1 + id % 2;
        const std::string doc = "Ricevuta";
        ++numero;
        insertRow("Fatture.mdb", "DatiFattura",
                  {{"NumeroHotel", 1},
                   {"DataEmissione", p},
                   {"TipoDocumento", doc},
                   {"NDocumento", numero},
                   {"Contatore", contatore},
                   {"NCamera", "101"},
                   {"NomeCliente", "Ospite"},
                   {"NPersone", persone},
                   {"DataArrivo", a},
                   {"DataPartenza", p},
                   {"FormaPagamento", "Contanti"},
                   {"Annullato", "N"},
                   {"AnnullatoDaRiep", "N"},
                   {"RiepAcc", ""}});
        for (std::int64_t g = arrivo; g < partenza; ++g) {
            const int v = g - arrivo >= 4 ? kOltre : voce;
            const double tariffa =
                v == kPiena ? (g < inizio + 91 ? 2.0 : 2.5) : (v == kRidotta ? 1.0 : 0.0);
            // One paying guest in ten is charged a night short of the rate.
            const double importo = tariffa * persone - (id % 10 == 3 && g == arrivo ? 0.5 : 0.0);
            test::addebito(archiviato ? "ContoStoricoClienti.mdb" : "Conto_Cliente.mdb", id, v,
                           sql(g).c_str(), id % 2 ? "101" : "102", persone, importo);
            insertRow("Fatture.mdb", "DettaglioFattura",
                      {{"NumeroHotel", 1},
                       {"DataEmissione", p},
                       {"TipoDocumento", doc},
                       {"NDocumento", numero},
                       {"Contatore", contatore},
                       {"NumeroRiga", 1},
                       {"CodiceVoce", v},
                       {"Descrizione", "Imposta"},
                       {"Quantità", persone},
                       {"Importo", importo},
                       {"DataAddebito", sql(g)},
                       {"Iva", 99}});
        }
    }
    // A credit note on 15/05 for 2 nights of 2,50.
    insertRow("Fatture.mdb", "DatiFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", "20240515"},
               {"TipoDocumento", "Ricevuta"},
               {"NDocumento", 999},
               {"Contatore", 1},
               {"NCamera", "101"},
               {"NomeCliente", "Nota"},
               {"NPersone", 1},
               {"DataArrivo", "20240510"},
               {"DataPartenza", "20240512"},
               {"FormaPagamento", "Contanti"},
               {"Annullato", "N"},
               {"AnnullatoDaRiep", "N"},
               {"RiepAcc", "N"}});
    insertRow("Fatture.mdb", "DettaglioFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", "20240515"},
               {"TipoDocumento", "Ricevuta"},
               {"NDocumento", 999},
               {"Contatore", 1},
               {"NumeroRiga", 1},
               {"CodiceVoce", kPiena},
               {"Descrizione", "Imposta"},
               {"Quantità", 2},
               {"Importo", 5.0},
               {"DataAddebito", "20240510"},
               {"Iva", 99}});

    for (const auto& [data, dal, al, euro] :
         std::vector<std::tuple<const char*, const char*, const char*, std::int64_t>>{
             {"16/04/2024", "01/01/2024", "31/03/2024", 300},
             {"16/07/2024", "01/04/2024", "30/06/2024", 250},
             {"20/02/2024", "01/01/2024", "31/01/2024", 40}}) {
        aggiungiVersamento(
            {0, data, Currency::whole(euro), dal, al, "CRO" + std::string(data), "", ""});
    }
}

Periodo periodoDi(const char* dal, const char* al) {
    return {dal, al, DataSql(dal), DataSql(al)};
}

ReportRequest richiesta(const char* dal, const char* al, int contatore = 1) {
    ReportRequest r = test::periodo(dal, al);
    r.contatore = contatore;
    return r;
}

std::vector<std::string> righe(const TempDataFolder& dir) {
    return splitLines(dir.readFile("fd0"));
}

// "1.234,50" (or "-2,00") as a Currency.
Currency cifra(std::string t) {
    std::string s;
    for (char c : t) {
        if (c == ',')
            s += '.';
        else if (c != '.')
            s += c;
    }
    return *Currency::parse(s);
}

std::vector<std::string> parole(const std::string& riga) {
    std::vector<std::string> out;
    std::string w;
    for (char c : riga + " ") {
        if (c == ' ') {
            if (!w.empty()) out.push_back(w);
            w.clear();
        } else {
            w += c;
        }
    }
    return out;
}

// The summary's totals row: exempt + paying person-nights.
std::int64_t nottiDelRiepilogo(const TempDataFolder& dir, const char* dal, const char* al) {
    FakeIo io;
    StampaRiepilogoImposta(test::periodo(dal, al), io);
    const auto r = righe(dir);
    const auto w = parole(r[r.size() - 2]);
    return std::stoll(w.at(1)) + std::stoll(w.at(2));
}

// The tax detail's total of its item lines, counter 0.
Currency riscossoDelDettaglio(const TempDataFolder& dir, const char* dal, const char* al) {
    FakeIo io;
    StampaDettaglioImposta(richiesta(dal, al, 0), io);
    Currency somma;
    for (const auto& r : righe(dir)) {
        if (r.find(" Pernott. ") == std::string::npos) continue;
        somma += cifra(parole(r).back());
    }
    return somma;
}

TEST(Filings, ReturnsAgreeWithTheSummaryAndTheTaxDetail) {
    TempDataFolder dir;
    semestre();
    const struct {
        const char* dal;
        const char* al;
    } periodi[] = {{"01/01/2024", "31/01/2024"},
                   {"01/01/2024", "31/03/2024"},
                   {"01/04/2024", "30/06/2024"},
                   {"01/03/2024", "31/03/2024"},
                   {"01/08/2024", "31/08/2024"}};
    for (const auto& p : periodi) {
        SCOPED_TRACE(p.dal);
        const auto t = filings::DatiImposta::leggi(periodoDi(p.dal, p.al)).riepiloga();
        EXPECT_EQ(t.totale.pernottamenti, nottiDelRiepilogo(dir, p.dal, p.al));
        EXPECT_EQ(t.totale.riscossa, riscossoDelDettaglio(dir, p.dal, p.al));
        std::int64_t somma = 0;
        for (const auto& r : t.righe) somma += r.pernottamenti;
        EXPECT_EQ(somma, t.totale.pernottamenti);
    }
}

TEST(Filings, QuartersAndMonthsOfTheYearEqualTheirOwnRuns) {
    TempDataFolder dir;
    semestre();
    const auto anno = filings::DatiImposta::leggi(periodoDi("01/01/2024", "31/12/2024"));
    for (int m = 1; m <= 12; ++m) {
        SCOPED_TRACE(m);
        const std::int64_t dal = filings::primoDelMese(2024, m);
        const std::int64_t al = filings::primoDelMese(2024, m + 1) - 1;
        const std::string d1 = DataDaNumero(dal), d2 = DataDaNumero(al);
        const auto mese = anno.riepiloga(dal, al);
        // Modello 21's month: the tax detail's month.
        EXPECT_EQ(mese.totale.riscossa, riscossoDelDettaglio(dir, d1.c_str(), d2.c_str()));
        if (m % 3 != 0) continue;
        const std::int64_t q1 = filings::primoDelMese(2024, m - 2);
        const auto trimestre = anno.riepiloga(q1, al);
        const auto ritorno =
            filings::DatiImposta::leggi(periodoDi(DataDaNumero(q1).c_str(), d2.c_str()))
                .riepiloga();
        ASSERT_EQ(trimestre.righe.size(), ritorno.righe.size());
        for (std::size_t i = 0; i < ritorno.righe.size(); ++i) {
            EXPECT_EQ(trimestre.righe[i].pernottamenti, ritorno.righe[i].pernottamenti);
            EXPECT_EQ(trimestre.righe[i].ospiti, ritorno.righe[i].ospiti);
            EXPECT_EQ(trimestre.righe[i].nottiPerTariffa, ritorno.righe[i].nottiPerTariffa);
            EXPECT_EQ(trimestre.righe[i].dovuta, ritorno.righe[i].dovuta);
            EXPECT_EQ(trimestre.righe[i].riscossa, ritorno.righe[i].riscossa);
        }
        EXPECT_EQ(trimestre.versatoPeriodo, ritorno.versatoPeriodo);
    }
    // Payments: the year's list is the payments list of the year.
    const auto tutto = anno.riepiloga();
    EXPECT_EQ(tutto.versamentiPeriodo.size(), leggiVersamenti().size());
    EXPECT_EQ(tutto.versatoPeriodo, Currency::whole(590));
    EXPECT_EQ(tutto.versato, Currency::whole(590));
}

TEST(Filings, CategoriesRatesAndChecks) {
    TempDataFolder dir;
    semestre();
    const auto dati = filings::DatiImposta::leggi(periodoDi("01/01/2024", "30/06/2024"));
    const auto t = dati.riepiloga();
    ASSERT_EQ(t.righe.size(), 4u);  // full, reduced, exempt (minori), excluded
    EXPECT_EQ(t.righe[0].categoria, Categoria::Piena);
    EXPECT_EQ(t.righe[2].etichetta, "Esenti - minori");
    // The full rate changes on 01/04: two rates, due = their nights x rate.
    ASSERT_EQ(t.righe[0].nottiPerTariffa.size(), 2u);
    Currency dovuta;
    for (const auto& [u, n] : t.righe[0].nottiPerTariffa) dovuta += Currency::fromUnits(u) * n;
    EXPECT_EQ(dovuta, t.righe[0].dovuta);
    EXPECT_EQ(t.righe[2].dovuta, Currency());
    // The guest marked "*" is nowhere.
    EXPECT_GT(t.totale.ospiti, 0);

    const auto controlli = dati.controlli();
    auto conta = [&](const std::string& inizio) {
        std::size_t n = 0;
        for (const auto& c : controlli) n += startsWith(c, inizio);
        return n;
    };
    // Charged a night short: collected differs from due.
    EXPECT_EQ(conta("imposta riscossa "), 1u);
    EXPECT_EQ(conta("tariffa mancante"), 0u);
    EXPECT_EQ(conta("ospite senza imposta"), 0u);
}

TEST(Filings, ChecksFindMissingLinesMinorsAtFullRateAndRateGaps) {
    TempDataFolder dir;
    test::cartellaBase();
    insertRow("IdS.mdb", "Generale",
              {{"NumeroHotel", 1},
               {"GGMax", 2},
               {"CodMin", kMinori},
               {"EtaMin", 14},
               {"CodStd", kPiena}});
    for (int c : {kPiena, kMinori}) {
        insertRow("IdS.mdb", "VociIdS", {{"NumeroHotel", 1}, {"Codice", c}, {"Descrizione", "V"}});
    }
    insertRow("IdS.mdb", "Periodi",
              {{"NumeroHotel", 1},
               {"Codice", kPiena},
               {"DataInizio", "20240301"},
               {"DataFine", "20240310"},
               {"Valore", 2.0}});
    insertRow("IdS.mdb", "Periodi",
              {{"NumeroHotel", 1},
               {"Codice", kPiena},
               {"DataInizio", "20240310"},
               {"DataFine", "20240325"},
               {"Valore", 2.0}});
    // A child at full rate for 3 nights (the third beyond the maximum) and a
    // line on the departure day; an adult with no tax line.
    test::ospite("Scheda_Cliente.mdb", {.id = 1,
                                        .arrivo = "20240305",
                                        .partenza = "20240308",
                                        .nome = "Piccolo",
                                        .nascita = "20200101"});
    test::ospite("Scheda_Cliente.mdb",
                 {.id = 2, .arrivo = "20240305", .partenza = "20240306", .nome = "Senza"});
    for (const char* g : {"20240305", "20240306", "20240307", "20240308"}) {
        test::addebito("Conto_Cliente.mdb", 1, kPiena, g, "101", 1, 2.0);
    }
    createSuiteTable("Fatture.mdb", "DatiFattura");
    createSuiteTable("Fatture.mdb", "DettaglioFattura");

    FakeIo io;
    StampaDichiarazionePeriodica(test::periodo("01/03/2024", "31/03/2024"), io);
    ASSERT_EQ(io.warnings.size(), 1u);
    const std::string& w = io.warnings[0].first;
    for (const char* atteso :
         {"ospite senza imposta addebitata: Senza (camera 101), 1 notti dal 05/03/2024",
          "notte oltre il massimo di 2 addebitata a tariffa: Piccolo (camera 101), notte del "
          "07/03/2024",
          "minore di 14 anni a tariffa piena: Piccolo", "tariffe sovrapposte per la voce 501",
          "dal 10/03/2024 al 10/03/2024",
          "tariffa mancante per la voce 501 (V) dal 26/03/2024 al "
          "31/03/2024",
          "riga d'imposta fuori dal soggiorno: Piccolo (camera 101), addebito del 08/03/2024",
          "imposta riscossa 0,00 diversa dalla dovuta 6,00"}) {
        EXPECT_NE(w.find(atteso), std::string::npos) << atteso << "\n" << w;
    }
    EXPECT_NE(dir.readFile("fd0").find("CONTROLLI\r\n- ospite senza imposta"), std::string::npos);
    EXPECT_EQ(io.printMenus, 1);
}

TEST(Filings, NilReturnAndAnItemWithoutCategory) {
    TempDataFolder dir;
    semestre();
    FakeIo io;
    StampaDichiarazionePeriodica(test::periodo("01/09/2024", "30/09/2024"), io);
    EXPECT_NE(dir.readFile("fd0").find("\r\nNessun pernottamento\r\n"), std::string::npos);

    insertRow("IdS.mdb", "VociIdS", {{"NumeroHotel", 1}, {"Codice", 777}, {"Descrizione", "X"}});
    for (auto run :
         {&StampaDichiarazionePeriodica, &StampaDichiarazioneAnnuale, &StampaModello21}) {
        FakeIo altro;
        EXPECT_THROW(run(test::periodo("01/01/2024", "31/01/2024"), altro), CategoriaMancante);
        EXPECT_EQ(altro.printMenus, 0);
    }
}

TEST(Filings, AnnualDeclarationAndModello21ShowTheYearsFigures) {
    TempDataFolder dir;
    semestre();
    const auto anno = filings::DatiImposta::leggi(periodoDi("01/01/2024", "31/12/2024"));
    {
        FakeIo io({std::string("2024")});
        StampaDichiarazioneAnnuale(test::periodo("05/05/2030", "05/05/2030"), io);
        const std::string f = dir.readFile("fd0");
        EXPECT_EQ(f.rfind("DICHIARAZIONE ANNUALE IMPOSTA DI SOGGIORNO ANNO 2024 DAL 01/01/2024", 0),
                  0u);
        for (const char* q : {"I TRIMESTRE (01/01/2024 - 31/03/2024)", "IV TRIMESTRE"}) {
            EXPECT_NE(f.find(q), std::string::npos) << q;
        }
        const auto q1 =
            anno.riepiloga(filings::primoDelMese(2024, 1), filings::primoDelMese(2024, 4) - 1);
        EXPECT_NE(f.find("Pernottamenti a tariffa 1 (euro 2,00)"), std::string::npos);
        EXPECT_NE(f.find(filings::importo(q1.totale.riscossa) + "\r\n  Imposta versata"),
                  std::string::npos);
        EXPECT_NE(f.find("CRO16/07/2024"), std::string::npos);
    }
    {
        // The year by default: the year of the request's date.
        FakeIo io;
        StampaModello21(test::periodo("10/01/2024", "10/01/2024"), io);
        ASSERT_EQ(io.asked.size(), 1u);
        EXPECT_EQ(io.asked[0].defaultAnswer, "2024");
        const auto r = righe(dir);
        const auto mese =
            anno.riepiloga(filings::primoDelMese(2024, 2), filings::primoDelMese(2024, 3) - 1);
        bool trovato = false;
        for (const auto& riga : r) {
            if (!startsWith(riga, "Febbraio - IDS")) continue;
            trovato = true;
            EXPECT_NE(riga.find(filings::importo(mese.totale.riscossa)), std::string::npos);
            EXPECT_NE(riga.find("20/02/2024"), std::string::npos);
        }
        EXPECT_TRUE(trovato);
        EXPECT_NE(dir.readFile("fd0").find("Firma ____"), std::string::npos);
        EXPECT_EQ(io.printMenus, 1);
    }
}

// The sheet each filing offers, written as XLSX and read back: the report's
// figures in typed cells under the report's heading.
TEST(Filings, SheetsCarryTheFiguresInTypedCells) {
    if (!test::haveUnzip()) GTEST_SKIP() << "unzip not installed";
    TempDataFolder dir;
    semestre();
    const auto anno = filings::DatiImposta::leggi(periodoDi("01/01/2024", "31/12/2024"));
    const auto mesi = [&](int da, int a) {
        return anno.riepiloga(filings::primoDelMese(2024, da), filings::primoDelMese(2024, a) - 1);
    };
    const auto q1 = mesi(1, 4), febbraio = mesi(2, 3), semestre = mesi(1, 7);
    const auto numero = [](Currency c) { return c.toPlainText(); };
    const ReportRequest trimestre = test::periodo("01/01/2024", "31/03/2024");
    const ReportRequest giorno = test::periodo("10/01/2024", "10/01/2024");
    const struct {
        ReportResult (*run)(const ReportRequest&, Interaction&);
        ReportRequest r;
        const char* titolo;  // the start of cell A1
        const char* riga;    // the row's text in column A
        const char* colonna;
        std::string valore;
        const char* formato;
    } casi[] = {
        {&StampaDichiarazionePeriodica, trimestre, "DICHIARAZIONE IMPOSTA", "Totale", "C",
         str(q1.totale.pernottamenti), "builtin 0"},
        {&StampaDichiarazionePeriodica, trimestre, "DICHIARAZIONE IMPOSTA", "Totale", "G",
         numero(q1.totale.riscossa), "#,##0.00"},
        {&StampaDichiarazioneAnnuale, giorno, "DICHIARAZIONE ANNUALE", "Imposta riscossa", "C",
         numero(q1.totale.riscossa), "#,##0.00"},
        {&StampaDichiarazioneAnnuale, giorno, "DICHIARAZIONE ANNUALE", "CRO16/07/2024", "C",
         "45489", "dd/mm/yyyy"},  // the payment's date as a day of the sheet
        {&StampaModello21, giorno, "MODELLO 21", "Febbraio - IDS", "E",
         numero(febbraio.totale.riscossa), "#,##0.00"},
        {&StampaRegistroImposta, test::periodo("01/01/2024", "30/06/2024"), "REGISTRO IMPOSTA",
         "Totale", "H", numero(semestre.totale.riscossa), "#,##0.00"},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(std::string(c.riga) + " " + c.colonna);
        FakeIo io;
        c.run(c.r, io);
        ASSERT_TRUE(io.sheet.has_value());
        uscitaXLSX(*io.sheet, "f.xlsx");
        const test::XlsxLetto x("f.xlsx");
        ASSERT_FALSE(x.vuoto());
        EXPECT_EQ(x.cella("A1").valore.rfind(c.titolo, 0), 0u) << x.cella("A1").valore;
        const int riga = x.riga(c.riga);
        ASSERT_GT(riga, 1);
        const auto v = x.cella(c.colonna + std::to_string(riga));
        EXPECT_FALSE(v.testo);
        EXPECT_DOUBLE_EQ(std::stod(v.valore), std::stod(c.valore));
        EXPECT_EQ(v.formato, c.formato);
    }
}

// The chart's months against the sheets of the two yearly filings: three
// months make the declaration's quarter, each month is Modello 21's row.
TEST(Filings, MonthsOfTheChartAgreeWithTheYearlyFilings) {
    TempDataFolder dir;
    semestre();
    const auto mesi = filings::andamentoAnno(2024);
    FakeIo dichiarazione, modello;
    StampaDichiarazioneAnnuale(test::periodo("10/01/2024", "10/01/2024"), dichiarazione);
    StampaModello21(test::periodo("10/01/2024", "10/01/2024"), modello);
    ASSERT_TRUE(dichiarazione.sheet && modello.sheet);

    // The sum of column `col` over the rows whose first cell is `voce`.
    const auto somma = [](const xlsx::Foglio& f, const std::string& voce, std::size_t col) {
        std::int64_t n = 0;
        Currency c;
        for (const auto& r : f.righe) {
            if (r.empty() || r[0].text() != voce || r.size() <= col) continue;
            n += r[col].whole();
            c += r[col].currency();
        }
        return std::pair{n, c};
    };
    for (int q = 0; q < 4; ++q) {
        SCOPED_TRACE(q + 1);
        filings::MeseAndamento t;
        for (int m = 3 * q; m < 3 * q + 3; ++m) {
            const auto& x = mesi[static_cast<std::size_t>(m)];
            t.piena += x.piena;
            t.ridotta += x.ridotta;
            t.esenti += x.esenti;
            t.escluse += x.escluse;
            t.dovuta += x.dovuta;
            t.riscossa += x.riscossa;
        }
        const std::size_t col = 2 + static_cast<std::size_t>(q);
        const auto& f = *dichiarazione.sheet;
        EXPECT_EQ(t.piena, somma(f, "Pernottamenti a tariffa", col).first);
        EXPECT_EQ(t.ridotta, somma(f, "Pernottamenti a tariffa ridotta", col).first);
        EXPECT_EQ(t.esenti, somma(f, "Pernottamenti esenti", col).first);
        EXPECT_EQ(t.escluse, somma(f, "Pernottamenti esclusi (oltre il massimo)", col).first);
        EXPECT_EQ(t.dovuta, somma(f, "Imposta dovuta", col).second);
        EXPECT_EQ(t.riscossa, somma(f, "Imposta riscossa", col).second);
    }
    EXPECT_GT(mesi[0].piena + mesi[3].piena, 0);
    // Modello 21: the month's row and the payments listed under it.
    std::size_t mese = 0;
    std::vector<Currency> versato(12), riscosso(12);
    for (const auto& r : modello.sheet->righe) {
        if (r.empty()) continue;
        if (mese < 12 &&
            r[0].text() == std::string(filings::nomeMese(static_cast<int>(mese) + 1)) + " - IDS") {
            riscosso[mese++] = r[4].currency();
        }
        if (mese > 0 && mese <= 12 && r.size() > 7 && r[0].text() != "Totale")
            versato[mese - 1] += r[7].currency();
    }
    ASSERT_EQ(mese, 12u);
    for (std::size_t m = 0; m < 12; ++m) {
        SCOPED_TRACE(m + 1);
        EXPECT_EQ(mesi[m].riscossa, riscosso[m]);
        EXPECT_EQ(mesi[m].versata, versato[m]);
    }
}

TEST(Filings, RunOnTheDemoFolderWithFigures) {
    TempDataFolder dir;
    demo::generate(".", {demo::Size::Hotel, 1});
    const std::string anno = right(demo::kUltimoGiorno, 4);
    struct Caso {
        ReportResult (*run)(const ReportRequest&, Interaction&);
        ReportRequest r;
        const char* cifra;
    };
    const Caso casi[] = {
        {&StampaDichiarazionePeriodica,
         test::periodo(("01/07/" + anno).c_str(), ("30/09/" + anno).c_str()), "Tariffa piena"},
        {&StampaDichiarazioneAnnuale, test::periodo(demo::kUltimoGiorno, demo::kUltimoGiorno),
         "Imposta riscossa"},
        {&StampaModello21, test::periodo(demo::kUltimoGiorno, demo::kUltimoGiorno), "Luglio - IDS"},
    };
    for (const auto& c : casi) {
        FakeIo io;
        c.run(c.r, io);
        const std::string f = dir.readFile("fd0");
        SCOPED_TRACE(utf8(f));
        EXPECT_NE(f.find(c.cifra), std::string::npos);
        EXPECT_EQ(f.find("Nessun pernottamento"), std::string::npos);
        EXPECT_EQ(io.printMenus, 1);
        // The demo's short payment shows as a difference.
        EXPECT_FALSE(io.warnings.empty());
    }
}

}  // namespace
}  // namespace corvex
