// Tax detail on fiscal documents, end to end on a small Fatture.mdb.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "data/engine/error.h"
#include "reports/fiscal/fiscal_support.h"
#include "reports/reports.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

using test::insertRow;
using test::row;
using test::runs;

void documento(int numero, int contatore, const char* tipo, const char* data, const char* camera,
               const char* nome, int persone, const char* arrivo, const char* partenza,
               const char* forma, const char* annullato = "N", const char* daRiep = "N",
               const char* riepAcc = "") {
    insertRow("Fatture.mdb", "DatiFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", data},
               {"TipoDocumento", tipo},
               {"NDocumento", numero},
               {"Contatore", contatore},
               {"NCamera", camera},
               {"NomeCliente", nome},
               {"NPersone", persone},
               {"DataArrivo", arrivo},
               {"DataPartenza", partenza},
               {"FormaPagamento", forma},
               {"Totale", 0.0},
               {"CorrPagato", 0.0},
               {"CorrNonPagato", 0.0},
               {"Annullato", annullato},
               {"AnnullatoDaRiep", daRiep},
               {"RiepAcc", riepAcc},
               {"SPPA", "N"}});
}

void riga(int numero, int contatore, const char* tipo, const char* data, int voce,
          const char* descrizione, int quantita, double importo, const char* addebito) {
    insertRow("Fatture.mdb", "DettaglioFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", data},
               {"TipoDocumento", tipo},
               {"NDocumento", numero},
               {"Contatore", contatore},
               {"NumeroRiga", 1},
               {"CodiceVoce", voce},
               {"Descrizione", descrizione},
               {"Quantità", quantita},
               {"Importo", importo},
               {"DataAddebito", addebito},
               {"Iva", 99}});
}

// The data set of the tests, one document per case.
void archivio() {
    insertRow("IdS.mdb", "VociIdS",
              {{"NumeroHotel", 1}, {"Codice", 502}, {"Descrizione", "Esenzione minori"}});
    insertRow("IdS.mdb", "VociIdS",
              {{"NumeroHotel", 1}, {"Codice", 501}, {"Descrizione", "Imposta standard"}});

    // A: 3 nights billed as one undated line of 6 person-nights: 2 guests.
    documento(10, 1, "Ricevuta", "20240305", "101", "Rossi Mario", 2, "20240302", "20240305",
              "Contanti");
    riga(10, 1, "Ricevuta", "20240305", 501, "Imposta soggiorno", 6, 12.0, "00000000");
    // B: same number and date under counter 2, no guests recorded (PAX shows
    // the quantity); the payment form differs only in case.
    documento(10, 2, "Ricevuta", "20240305", "102", "Bianchi Luigi", 0, "20240304", "20240305",
              "CONTANTI");
    riga(10, 2, "Ricevuta", "20240305", 501, "Imposta soggiorno", 1, 2.0, "20240304");
    // C: credit note with a tax line of quantity 2 and 4,00.
    documento(11, 1, "Ricevuta", "20240310", "101", "Rossi Mario", 2, "20240302", "20240305",
              "contanti", "N", "N", "N");
    riga(11, 1, "Ricevuta", "20240310", 501, "Imposta soggiorno", 2, 4.0, "20240302");
    // D: cancelled through a summary: still counts; empty payment form.
    documento(12, 1, "Ricevuta", "20240312", "103", "Verdi Anna", 1, "20240311", "20240312", "",
              "S", "S");
    riga(12, 1, "Ricevuta", "20240312", 501, "Imposta soggiorno", 1, 2.0, "20240311");
    // E: cancelled: left out. F: RiepAcc "R": left out.
    documento(13, 1, "Ricevuta", "20240313", "103", "Verdi Anna", 1, "20240311", "20240313",
              "Contanti", "S", "N");
    riga(13, 1, "Ricevuta", "20240313", 501, "Imposta soggiorno", 1, 2.0, "20240311");
    documento(14, 1, "Ricevuta", "20240314", "103", "Verdi Anna", 1, "20240311", "20240314",
              "Contanti", "N", "N", "R");
    riga(14, 1, "Ricevuta", "20240314", 501, "Imposta soggiorno", 1, 2.0, "20240311");
    // G: a stay of 0 nights with an undated line: its quantity as guests.
    documento(20, 1, "Fattura", "20240315", "104", "Neri Luca", 2, "20240315", "20240315", "Carta");
    riga(20, 1, "Fattura", "20240315", 1, "Pernottamento", 1, 80.0, "20240315");
    riga(20, 1, "Fattura", "20240315", 502, "Esenzione minori", 2, 0.0, "00000000");
    // H: room outside the range.
    documento(15, 1, "Ricevuta", "20240316", "201", "Fuori Campo", 1, "20240315", "20240316",
              "Contanti");
    riga(15, 1, "Ricevuta", "20240316", 501, "Imposta soggiorno", 1, 2.0, "20240315");
    // I: blank stay dates count 0 nights and do not stop the report.
    documento(16, 1, "Ricevuta", "20240318", "105", "Gialli Paolo", 1, "", "", "Contanti");
    riga(16, 1, "Ricevuta", "20240318", 501, "Imposta soggiorno", 2, 4.0, "00000000");
    // J: issued the day before departure (prepaid).
    documento(17, 1, "Ricevuta", "20240322", "106", "Bruni Carla", 1, "20240320", "20240323",
              "Bancomat");
    riga(17, 1, "Ricevuta", "20240322", 501, "Imposta soggiorno", 1, 2.0, "20240320");
    // Outside the period.
    documento(18, 1, "Ricevuta", "20240401", "101", "Rossi Mario", 1, "20240330", "20240401",
              "Contanti");
    riga(18, 1, "Ricevuta", "20240401", 501, "Imposta soggiorno", 1, 2.0, "20240330");
}

std::vector<std::string> testa() {
    return {
        "STAMPA DETTAGLIO IMPOSTA DI SOGGIORNO DAL 01/03/2024 AL 31/03/2024",
        runs(test::kTopLeft, test::kTopTee, test::kTopRight,
             {10, 1, 5, 25, 6, 3, 10, 10, 10, 3, 25, 8, 10}),
        row("|DATA      |T|N.DOC|CLIENTE                  | Cam. |PAX|ARRIVO    |PARTENZA  |DATA "
            "ADD. "
            "|QNT|TIPO IMPOSTA             |IMPORTO |FORMA PAG.|"),
        runs(test::kLeftTee, test::kCross, test::kRightTee,
             {10, 1, 5, 25, 6, 3, 10, 10, 10, 3, 25, 8, 10}),
    };
}

std::string fondo() {
    return runs(test::kBottomLeft, test::kBottomTee, test::kBottomRight,
                {10, 1, 5, 25, 6, 3, 10, 10, 10, 3, 25, 8, 10});
}

std::string file(std::vector<std::string> righe) {
    std::string s;
    for (const auto& r : righe) s += r + "\r\n";
    return s;
}

ReportRequest richiesta(int contatore, bool prepagati) {
    ReportRequest r;
    r.dal = "01/03/2024";
    r.al = "31/03/2024";
    r.primaCamera = "101";
    r.ultimaCamera = "199";
    r.contatore = contatore;
    r.soloPrepagamenti = prepagati;
    return r;
}

TEST(DettaglioImposta, AllCountersListEveryCountingLineAndTotalsItemsAndPaymentForms) {
    test::TempDataFolder dir;
    archivio();
    test::FakeIo io;
    StampaDettaglioImposta(richiesta(0, false), io);

    std::vector<std::string> atteso = testa();
    for (
        const char* r : {
            "|05/03/2024|R|   10|Rossi Mario              |   101|  "
            "2|02/03/2024|05/03/2024|00/00/0000|  6|Imposta soggiorno        |   12,00|Contanti  |",
            "|05/03/2024|R|   10|Bianchi Luigi            |   102|  "
            "1|04/03/2024|05/03/2024|04/03/2024|  1|Imposta soggiorno        |    2,00|CONTANTI  |",
            "|10/03/2024|R|   11|Rossi Mario              |   101|  "
            "2|02/03/2024|05/03/2024|02/03/2024| -2|Imposta soggiorno        |   -4,00|contanti  |",
            "|12/03/2024|R|   12|Verdi Anna               |   103|  "
            "1|11/03/2024|12/03/2024|11/03/2024|  1|Imposta soggiorno        |    2,00|          |",
            "|15/03/2024|F|   20|Neri Luca                |   104|  "
            "2|15/03/2024|15/03/2024|00/00/0000|  2|Esenzione minori         |    0,00|Carta     |",
            "|18/03/2024|R|   16|Gialli Paolo             |   105|  1|          |          "
            "|00/00/0000|  2|Imposta soggiorno        |    4,00|Contanti  |",
            "|22/03/2024|R|   17|Bruni Carla              |   106|  "
            "1|20/03/2024|23/03/2024|20/03/2024|  1|Imposta soggiorno        |    2,00|Bancomat  |",
        }) {
        atteso.push_back(row(r));
    }
    atteso.push_back(fondo());
    atteso.push_back(" ");
    // 501: guests 2 (6/3) + 1 (arrival) - 2 (credit note) + 1 + 2 (0 nights) + 1.
    atteso.push_back(
        "Imposta standard                           Ospiti      5 Pernott.      9   \x80      "
        "18,00");
    atteso.push_back(
        "Esenzione minori                           Ospiti      2 Pernott.      2   \x80       "
        "0,00");
    atteso.push_back(" ");
    atteso.push_back("CONTANTI    = \x80      14,00");
    atteso.push_back("            = \x80       2,00");
    atteso.push_back("CARTA       = \x80       0,00");
    atteso.push_back("BANCOMAT    = \x80       2,00");
    EXPECT_EQ(test::utf8(dir.readFile("fd0")), test::utf8(file(atteso)));
    EXPECT_EQ(io.printMenus, 1);
}

TEST(DettaglioImposta, OneCounterAndPrepaidOnlyKeepDocumentsIssuedBeforeDeparture) {
    test::TempDataFolder dir;
    archivio();
    test::FakeIo io;
    StampaDettaglioImposta(richiesta(1, true), io);

    std::vector<std::string> atteso = testa();
    atteso.push_back(row(
        "|22/03/2024|R|   17|Bruni Carla              |   106|  "
        "1|20/03/2024|23/03/2024|20/03/2024|  1|Imposta soggiorno        |    2,00|Bancomat  |"));
    atteso.push_back(fondo());
    atteso.push_back(" ");
    atteso.push_back(
        "Imposta standard                           Ospiti      1 Pernott.      1   \x80       "
        "2,00");
    atteso.push_back(
        "Esenzione minori                           Ospiti      0 Pernott.      0   \x80       "
        "0,00");
    atteso.push_back(" ");
    atteso.push_back("BANCOMAT    = \x80       2,00");
    EXPECT_EQ(test::utf8(dir.readFile("fd0")), test::utf8(file(atteso)));
}

TEST(DettaglioImposta, CounterTwoSeesOnlyItsDocumentOfTheSharedNumber) {
    test::TempDataFolder dir;
    archivio();
    test::FakeIo io;
    StampaDettaglioImposta(richiesta(2, false), io);
    const std::string f = dir.readFile("fd0");
    EXPECT_NE(f.find("Bianchi Luigi"), std::string::npos);
    EXPECT_EQ(f.find("Rossi Mario"), std::string::npos);
    EXPECT_NE(f.find("Ospiti      1 Pernott.      1"), std::string::npos);
}

TEST(DettaglioImposta, BadDateOrMissingArchiveStopsBeforeWriting) {
    test::TempDataFolder dir;
    test::FakeIo io;
    ReportRequest r = richiesta(0, false);
    r.al = "31/02/2024";
    EXPECT_THROW(StampaDettaglioImposta(r, io), ReportError);
    insertRow("IdS.mdb", "VociIdS",
              {{"NumeroHotel", 1}, {"Codice", 501}, {"Descrizione", "Imposta"}});
    EXPECT_THROW(StampaDettaglioImposta(richiesta(0, false), io), db::DbError);
    EXPECT_FALSE(dir.exists("fd0"));
    EXPECT_EQ(io.printMenus, 0);
}

}  // namespace
}  // namespace corvex
