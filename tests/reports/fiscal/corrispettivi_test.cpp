// The takings register, end to end on a small data folder, and its pieces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "reports/fiscal/fiscal_support.h"
#include "reports/reports.h"
#include "reports/takings/corrispettivi.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

using test::insertRow;
using test::row;

struct Doc {
    int numero;
    int contatore;
    const char* tipo;
    const char* data;
    const char* nome;
    double totale;
    double nonPagato = 0;
    const char* annullato = "N";
    const char* riepAcc = "";
};

void documento(const Doc& d) {
    insertRow("Fatture.mdb", "DatiFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", d.data},
               {"TipoDocumento", d.tipo},
               {"NDocumento", d.numero},
               {"Contatore", d.contatore},
               {"NCamera", "101"},
               {"NomeCliente", d.nome},
               {"NPersone", 1},
               {"DataArrivo", d.data},
               {"DataPartenza", d.data},
               {"FormaPagamento", ""},
               {"Totale", d.totale},
               {"CorrPagato", d.totale - d.nonPagato},
               {"CorrNonPagato", d.nonPagato},
               {"Annullato", d.annullato},
               {"AnnullatoDaRiep", "N"},
               {"RiepAcc", d.riepAcc},
               {"SPPA", "N"},
               {"Stato", "I"},
               {"CFiscale", ""},
               {"PIva", ""},
               {"Note", ""}});
}

void riga(const Doc& d, int voce, const char* descrizione, double importo, int iva) {
    insertRow("Fatture.mdb", "DettaglioFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", d.data},
               {"TipoDocumento", d.tipo},
               {"NDocumento", d.numero},
               {"Contatore", d.contatore},
               {"NumeroRiga", 1},
               {"CodiceVoce", voce},
               {"Descrizione", descrizione},
               {"Quantità", 1},
               {"Importo", importo},
               {"DataAddebito", d.data},
               {"Iva", iva}});
}

void scorporo(const Doc& d, int codice, double imponibile, double imposta) {
    insertRow("Fatture.mdb", "ScorporoFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", d.data},
               {"TipoDocumento", d.tipo},
               {"NDocumento", d.numero},
               {"Contatore", d.contatore},
               {"CodiceIva", codice},
               {"Imponibile", imponibile},
               {"Imposta", imposta}});
}

void esterno(const char* data, double importo, const char* nota) {
    insertRow("Fatture.mdb", "Incassi",
              {{"NumeroHotel", 1},
               {"DataEmissione", data},
               {"TipoDocumento", "ESTERNI"},
               {"NDocumento", 0},
               {"Contatore", 1},
               {"NumeroRiga", 1},
               {"Sigla", "CC"},
               {"Importo", importo},
               {"Nota", nota}});
}

void archivio(const char* codiceAssistenza) {
    insertRow("IdS.mdb", "Generale", {{"NumeroHotel", 1}, {"CodiceIva", 99}});
    insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
              {{"NumeroHotel", 1},
               {"Numero", 1},
               {"RagioneSociale", "Hotel Demo Srl"},
               {"CodiceAssistenza", codiceAssistenza}});
    struct V {
        int codice;
        const char* descr;
        const char* reparto;
        double aliquota;
    };
    for (const V& v : {V{1, "Pernottamento", "CAM", 10}, V{2, "Colazione", "CAM", 10},
                       V{3, "Bar", "BAR", 22}, V{501, "Imposta di soggiorno", "IDS", 0}}) {
        insertRow("VociFattura.mdb", "VociFattura",
                  {{"NumeroHotel", 1},
                   {"Codice", v.codice},
                   {"Descrizione", v.descr},
                   {"Reparto", v.reparto},
                   {"Importo", 0.0},
                   {"AliquotaIva", v.aliquota}});
    }
    struct I {
        int codice;
        const char* descr;
        double valore;
    };
    for (const I& i : {I{0, "Fuori campo IVA", 0}, I{10, "Iva 10%", 10}, I{22, "Iva 22%", 22},
                       I{74, "Esente art. 74", 0}, I{99, "Imposta di soggiorno", 0}}) {
        insertRow("CodiciIva.mdb", "CodiciIva",
                  {{"NumeroHotel", 1},
                   {"Codice", i.codice},
                   {"Descrizione", i.descr},
                   {"Valore", i.valore}});
    }

    // Receipt 84 under counters 1 and 2: told apart by the full key.
    const Doc r84{84, 1, "Ricevuta", "20240301", "Fontana Davide", 110};
    documento(r84);
    riga(r84, 1, "Pernottamento", 100, 10);
    riga(r84, 501, "Imposta di soggiorno", 10, 99);
    scorporo(r84, 10, 90.91, 9.09);
    scorporo(r84, 99, 10, 0);
    const Doc r84b{84, 2, "Ricevuta", "20240301", "Rossi Mario", 50};
    documento(r84b);
    riga(r84b, 1, "Pernottamento", 50, 10);
    scorporo(r84b, 10, 45.45, 4.55);
    const Doc f30{30, 1, "Fattura", "20240303", "Colombo Andrea", 105};
    documento(f30);
    riga(f30, 1, "Pernottamento", 100, 10);
    riga(f30, 501, "Imposta di soggiorno", 5, 99);
    scorporo(f30, 10, 90.91, 9.09);
    scorporo(f30, 99, 5, 0);
    // An anonymous till-style receipt.
    const Doc r85{85, 1, "Ricevuta", "20240305", "?", 22};
    documento(r85);
    riga(r85, 3, "Bar", 22, 22);
    scorporo(r85, 22, 18.03, 3.97);
    // Credit note on receipt 84.
    const Doc r86{86, 1, "Ricevuta", "20240306", "Fontana Davide", 110, 0, "N", "N"};
    documento(r86);
    riga(r86, 1, "Pernottamento", 100, 10);
    riga(r86, 501, "Imposta di soggiorno", 10, 99);
    scorporo(r86, 10, 90.91, 9.09);
    scorporo(r86, 99, 10, 0);
    // Invoice with a subtotal, an advance of expenses, a deposit deducted.
    const Doc f31{31, 1, "Fattura", "20240307", "Esposito Gennaro", 270};
    documento(f31);
    riga(f31, 1, "Pernottamento", 300, 10);
    riga(f31, 0, "---- SUBTOTALE ----", 300, 0);
    riga(f31, 0, "Anticipazione spese", 26, 74);
    riga(f31, 3, "Bar", 44, 22);
    riga(f31, 0, "Acconto del 01/03/2024", -100, 10);
    scorporo(f31, 10, 181.82, 18.18);
    scorporo(f31, 74, 26, 0);
    scorporo(f31, 22, 36.07, 7.93);
    // Receipt with 30,00 unpaid; a cancelled receipt.
    const Doc r87{87, 1, "Ricevuta", "20240308", "Gallo Sara", 130, 30};
    documento(r87);
    riga(r87, 1, "Pernottamento", 130, 10);
    scorporo(r87, 10, 118.18, 11.82);
    const Doc r88{88, 1, "Ricevuta", "20240309", "Ferrari Giulia", 50, 0, "S"};
    documento(r88);
    riga(r88, 1, "Pernottamento", 50, 10);
    scorporo(r88, 10, 45.45, 4.55);
    // Invoice whose lines add up to more than its total.
    const Doc f32{32, 1, "Fattura", "20240310", "Costa Francesca", 100};
    documento(f32);
    riga(f32, 1, "Pernottamento", 110, 10);
    scorporo(f32, 10, 90.91, 9.09);
    // Credit note on an invoice.
    const Doc f33{33, 1, "Fattura", "20240312", "Colombo Andrea", 55, 0, "N", "N"};
    documento(f33);
    riga(f33, 2, "Colazione", 55, 10);
    scorporo(f33, 10, 50, 5);
    // Till documents: a known item, an unknown one.
    esterno("20240303", 28.5, "0003 Bar");
    esterno("20240304", 10, "0009 Varie");
    // Outside the period.
    const Doc r89{89, 1, "Ricevuta", "20240401", "Rossi Mario", 10};
    documento(r89);
    riga(r89, 1, "Pernottamento", 10, 10);
    scorporo(r89, 10, 9.09, 0.91);
}

ReportRequest marzo() {
    ReportRequest r;
    r.dal = "01/03/2024";
    r.al = "31/03/2024";
    return r;
}

std::string testo(const std::vector<std::string>& righe) {
    std::string s;
    for (const auto& r : righe) s += r + "\r\n";
    return s;
}

std::vector<std::string> riquadri(const char* contatore) {
    using test::runs;
    std::vector<std::string> v = {
        std::string(10, ' ') + "      Corrispettivi dal 01/03/2024 al 31/03/2024" +
            std::string(13, ' ') + contatore,
        "Hotel Demo Srl",
        runs(test::kTopLeft, test::kTopTee, test::kTopRight, {20, 6, 6, 4, 14, 14, 14}),
        row("| Tipo Documento     |Dal N.|Al N. |Iva |Imponibile    | Imposta      | Totale       "
            "|"),
        runs(test::kLeftTee, test::kCross, test::kRightTee, {20, 6, 6, 4, 14, 14, 14}),
        // 400,00 x 100 / 110 = 363,636 -> 363,64; 44,00 / 1,22 = 36,066 -> 36,07
        row("| Fatture            |    30|    32| 10%|        363,64|         36,36|        "
            "400,00|"),
        row("|                    |      |      | 22%|         36,07|          7,93|         "
            "44,00|"),
        row("|                    |      |      | ES.|         26,00|          0,00|         "
            "26,00|"),
        // 150,00 / 1,1 = 136,364 -> 136,36; 22,00 / 1,22 = 18,033 -> 18,03
        row("| Ricevute           |    84|    88| 10%|        136,36|         13,64|        "
            "150,00|"),
        row("|                    |      |      | 22%|         18,03|          3,97|         "
            "22,00|"),
        row("| Note Credito su F  |    33|    33| 10%|        -50,00|         -5,00|        "
            "-55,00|"),
        // -100,00 / 1,1 = -90,909 -> -90,91, rounded like its positive twin
        row("| Note Credito su R  |    86|    86| 10%|        -90,91|         -9,09|       "
            "-100,00|"),
        row("| Scontrini          |      |      |   ?|         10,00|          0,00|         "
            "10,00|"),
        // 28,50 / 1,22 = 23,361 -> 23,36
        row("|                    |      |      | 22%|         23,36|          5,14|         "
            "28,50|"),
        runs(test::kBottomLeft, test::kBottomTee, test::kBottomRight, {20, 6, 6, 4, 14, 14, 14}),
        runs(test::kTopLeft, test::kTopTee, test::kTopRight, {39, 14, 14, 14}),
        row("| Descrizione Aliquota I.V.A.           |Imponibile    | Imposta      | Totale       "
            "|"),
        runs(test::kLeftTee, test::kCross, test::kRightTee, {39, 14, 14, 14}),
        row("| CODICE IVA NON ESISTENTE!             |         10,00|          0,00|         "
            "10,00|"),
        // 363,64 + 136,36 - 50,00 - 90,91
        row("| Iva 10%                               |        359,09|         35,91|        "
            "395,00|"),
        row("| Iva 22%                               |         77,46|         17,04|         "
            "94,50|"),
        row("| Esente art. 74                        |         26,00|          0,00|         "
            "26,00|"),
        runs(test::kLeftTee, test::kCross, test::kRightTee, {39, 14, 14, 14}),
        row("| TOTALE                                |        472,55|         52,95|        "
            "525,50|"),
        runs(test::kBottomLeft, test::kBottomTee, test::kBottomRight, {39, 14, 14, 14}),
        "",
        "",
    };
    return v;
}

const std::string kRiga(56, '-');
const char* kIntestazione = " Descrizione Reparto/Voce Fattura  N.righe       Importo";

void sezione(std::vector<std::string>& v, const char* titolo,
             std::initializer_list<std::string> reparti, const std::string& totale) {
    v.push_back(titolo);
    v.push_back(kRiga);
    v.push_back(kIntestazione);
    v.push_back(kRiga);
    for (const auto& r : reparti) v.push_back(r);
    v.push_back(kRiga);
    v.push_back(totale);
    v.push_back("");
}

std::vector<std::string> ricevute(const char* intestate10) {
    return {
        std::string("Totale ricevute intestate al 10% ") + intestate10,
        "                          al 22%            0,00",
        "                          esenti            0,00",
        "Totale ricevute non intes.al 10%            0,00",
        "                          al 22%           22,00",
        "                          esenti            0,00",
    };
}

TEST(Corrispettivi, UnattendedRunAppendsTheWholeRegisterAndAsksNothing) {
    test::TempDataFolder dir;
    archivio("");
    dir.writeFile("CorrSetup.txt", "1\r\n3\r\n");
    dir.writeFile("MCCnf.txt", "");
    dir.writeFile("fd0", "REGISTRO PRECEDENTE\r\n");
    test::FakeIo io;
    StampaCorrispettivi(marzo(), io);

    std::vector<std::string> v = riquadri("(0)");
    const std::string b = cp("ç");
    sezione(v, "Corrispettivi per Reparto su Fatture",
            {" ACCONTI DEDOTTI                         1       -100,00",
             " Pernottamento                           3        510,00",
             " Bar                                     1         44,00",
             " Colazione                               1        -55,00"},
            b + " TOTALE                                  6        399,00" + b);
    sezione(v, "Corrispettivi per Reparto su Ricevute Fiscali",
            {" ACCONTI DEDOTTI                         0          0,00",
             " Pernottamento                           3         50,00",
             " Bar                                     0          0,00",
             " SCONTRINO                               1         22,00"},
            b + " TOTALE                                  4         72,00" + b);
    sezione(v, "Corrispettivi per Reparto su Totale Documenti/Scontrini",
            {" ACCONTI DEDOTTI                         1       -100,00",
             " Pernottamento                           6        560,00",
             " Bar                                     2         72,50",
             " SCONTRINO                               1         22,00",
             " Colazione                               1        -55,00",
             " 0009 Varie                              1         10,00"},
            b + " TOTALE                                 12        509,50" + b);
    sezione(v, "Corrispettivi per Reparto su Scontrini",
            {" ACCONTI DEDOTTI                         0          0,00",
             " Pernottamento                           0          0,00",
             " Bar                                     1         28,50",
             " 0009 Varie                              1         10,00"},
            b + " TOTALE                                  2         38,50" + b);
    for (const auto& r : ricevute("          50,00")) v.push_back(r);

    EXPECT_EQ(test::utf8(dir.readFile("fd0")), test::utf8("REGISTRO PRECEDENTE\r\n" + testo(v)));
    EXPECT_TRUE(io.asked.empty());
    EXPECT_TRUE(io.confirmed.empty());
    EXPECT_EQ(io.printMenus, 0);
    ASSERT_EQ(io.warnings.size(), 1u);
    EXPECT_EQ(io.warnings[0].first, "Fattura n.32 del 10/03/2024 CONTROLLARE!");
    EXPECT_EQ(io.warnings[0].second, "Dati errati");
}

TEST(Corrispettivi, AttendedRunAsksCounterAndQuestionsAndPrintsOnlyGeneralTotals) {
    test::TempDataFolder dir;
    archivio("");
    test::FakeIo io;
    io.answers = {std::string("0")};
    io.confirmations = {true, true};
    StampaCorrispettivi(marzo(), io);

    ASSERT_EQ(io.asked.size(), 1u);
    EXPECT_EQ(io.asked[0].prompt, "Codice contatore contabile di riferimento\n(0 per tutti)");
    EXPECT_EQ(io.asked[0].title, "Contatore XRF");
    EXPECT_EQ(io.asked[0].defaultAnswer, "1");
    EXPECT_EQ(io.asked[0].key, "counter");
    ASSERT_EQ(io.confirmed.size(), 2u);
    EXPECT_EQ(io.confirmed[0].prompt, "Completo la stampa?");
    EXPECT_EQ(io.confirmed[0].title, "Totali per Reparto");
    EXPECT_EQ(io.confirmed[0].defaultAnswer, "no");
    EXPECT_EQ(io.confirmed[0].key, "complete");
    EXPECT_EQ(io.confirmed[1].key, "totals-only");
    EXPECT_EQ(io.confirmed[1].prompt, "Solo i totali generali?");
    EXPECT_EQ(io.confirmed[1].title, "Stampa Corrispettivi");
    EXPECT_EQ(io.printMenus, 1);

    // Without CorrSetup.txt the list starts with ACCONTI DEDOTTI alone.
    std::vector<std::string> v = riquadri("(0)");
    const std::string b = cp("ç");
    sezione(v, "Corrispettivi per Reparto su Totale Documenti/Scontrini",
            {" ACCONTI DEDOTTI                         1       -100,00",
             " Pernottamento                           6        560,00",
             " SCONTRINO                               1         22,00",
             " Bar                                     2         72,50",
             " Colazione                               1        -55,00",
             " 0009 Varie                              1         10,00"},
            b + " TOTALE                                 12        509,50" + b);
    for (const auto& r : ricevute("          50,00")) v.push_back(r);
    EXPECT_EQ(test::utf8(dir.readFile("fd0")), test::utf8(testo(v)));
}

TEST(Corrispettivi, LetterRCountsAReceiptWithAnUnpaidPartAndCounterOneLeavesOutCounterTwo) {
    test::TempDataFolder dir;
    archivio("R");
    test::FakeIo io;
    io.answers = {std::string("1")};
    io.confirmations = {false, false};
    StampaCorrispettivi(marzo(), io);
    const std::string f = dir.readFile("fd0");
    // Receipts of counter 1: 100,00 (84) + 130,00 (87, 30,00 unpaid):
    // 230,00 / 1,1 = 209,091 -> 209,09.
    EXPECT_NE(f.find(row("| Ricevute           |    84|    88| 10%|        209,09|         20,91|  "
                         "      230,00|")),
              std::string::npos)
        << test::utf8(f);
    EXPECT_NE(f.find("(1)\r\n"), std::string::npos);
    EXPECT_NE(f.find("Totale ricevute intestate al 10%          130,00"), std::string::npos);
    EXPECT_EQ(f.find("Corrispettivi per Reparto"), std::string::npos);
}

TEST(Corrispettivi, ACounterThatIsNotAWholeNumberIsRefusedAndCancelStops) {
    test::TempDataFolder dir;
    archivio("");
    test::FakeIo io;
    io.answers = {std::string("uno")};
    EXPECT_THROW(StampaCorrispettivi(marzo(), io), ReportError);
    io.answers = {std::nullopt};
    EXPECT_THROW(StampaCorrispettivi(marzo(), io), ReportCancelled);
    EXPECT_FALSE(dir.exists("fd0"));
}

TEST(Corrispettivi, TaxableFromGrossRoundsToThousandthsThenCents) {
    EXPECT_EQ(imponibileDaLordo(Currency::whole(110), Currency::whole(10)), Currency::whole(100));
    // 0,55 / 1,1 = 0,5 exactly; 1,00 / 1,22 = 0,8196 -> 0,820 -> 0,82
    EXPECT_EQ(imponibileDaLordo(Currency::fromUnits(5500), Currency::whole(10)),
              Currency::fromUnits(5000));
    EXPECT_EQ(imponibileDaLordo(Currency::whole(1), Currency::whole(22)),
              Currency::fromUnits(8200));
    // 0,10 / 1,22 = 0,08196 -> 0,082 -> 0,08; 0,17 / 1,22 = 0,13934 -> 0,139 -> 0,14
    EXPECT_EQ(imponibileDaLordo(Currency::fromUnits(1000), Currency::whole(22)),
              Currency::fromUnits(800));
    EXPECT_EQ(imponibileDaLordo(Currency::fromUnits(1700), Currency::whole(22)),
              Currency::fromUnits(1400));
    EXPECT_EQ(imponibileDaLordo(-Currency::fromUnits(1700), Currency::whole(22)),
              -Currency::fromUnits(1400));
    EXPECT_EQ(imponibileDaLordo(Currency::whole(26), Currency()), Currency::whole(26));
}

TEST(Corrispettivi, DepositsWithoutASlotOfTheirOwnGoToAccontiDedotti) {
    TotaliReparto t(
        {{"ACCONTI DEDOTTI", Currency::whole(10)}, {"ACCONTI DEDOTTI (cod.iva 22)", Currency()}});
    t.aggiungi("ACCONTI DEDOTTI (cod.iva 10)", -Currency::whole(50), true);
    t.aggiungi("ACCONTI DEDOTTI (cod.iva 22)", -Currency::whole(20), true);
    t.aggiungi(" Pernottamento ", Currency::whole(80), false);
    t.aggiungi("Pernottamento", Currency::whole(20), false);
    ASSERT_EQ(t.reparti().size(), 3u);
    EXPECT_EQ(t.reparti()[0].importo, -Currency::whole(50));
    EXPECT_EQ(t.reparti()[1].importo, -Currency::whole(20));
    EXPECT_EQ(t.reparti()[2].descrizione, "Pernottamento");
    EXPECT_EQ(t.reparti()[2].righe, 2);
    EXPECT_EQ(t.reparti()[2].importo, Currency::whole(100));
}

}  // namespace
}  // namespace corvex
