// Daily takings and cash table, end to end on a small data folder.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "common/text.h"
#include "data/engine/error.h"
#include "reports/fiscal/fiscal_support.h"
#include "reports/reports.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

using test::insertRow;

void documento(int numero, const char* tipo, const char* data, const char* camera, double totale,
               double nonPagato = 0, const char* annullato = "N", const char* riepAcc = "") {
    insertRow("Fatture.mdb", "DatiFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", data},
               {"TipoDocumento", tipo},
               {"NDocumento", numero},
               {"Contatore", 1},
               {"NCamera", camera},
               {"NomeCliente", "Cliente"},
               {"NPersone", 1},
               {"DataArrivo", data},
               {"DataPartenza", data},
               {"FormaPagamento", ""},
               {"Totale", totale},
               {"CorrPagato", totale - nonPagato},
               {"CorrNonPagato", nonPagato},
               {"Annullato", annullato},
               {"AnnullatoDaRiep", "N"},
               {"RiepAcc", riepAcc},
               {"SPPA", "N"}});
}

void riga(int numero, const char* tipo, const char* data, double importo, int iva,
          const char* descrizione = "Voce") {
    insertRow("Fatture.mdb", "DettaglioFattura",
              {{"NumeroHotel", 1},
               {"DataEmissione", data},
               {"TipoDocumento", tipo},
               {"NDocumento", numero},
               {"Contatore", 1},
               {"NumeroRiga", 1},
               {"CodiceVoce", 1},
               {"Descrizione", descrizione},
               {"Quantità", 1},
               {"Importo", importo},
               {"DataAddebito", data},
               {"Iva", iva}});
}

void incasso(int numero, const char* tipo, const char* data, const char* sigla, double importo,
             const char* nota = "") {
    insertRow("Fatture.mdb", "Incassi",
              {{"NumeroHotel", 1},
               {"DataEmissione", data},
               {"TipoDocumento", tipo},
               {"NDocumento", numero},
               {"Contatore", 1},
               {"NumeroRiga", 1},
               {"Sigla", sigla},
               {"Importo", importo},
               {"Nota", nota}});
}

void archivio(const char* codiceAssistenza) {
    insertRow("IdS.mdb", "Generale", {{"NumeroHotel", 1}, {"CodiceIva", 99}});
    insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
              {{"NumeroHotel", 1},
               {"Numero", 1},
               {"RagioneSociale", "Hotel Prova"},
               {"CodiceAssistenza", codiceAssistenza}});
    for (auto [tipo, sigla, natura] :
         std::initializer_list<std::tuple<int, const char*, const char*>>{{4, "CO", "CONTA"},
                                                                          {4, "CC", "CARTA"},
                                                                          {4, "EX", "EXTRA"},
                                                                          {4, "BO", "BONIF"},
                                                                          {1, "AS", "CONTA"}}) {
        insertRow("CodiciVari.mdb", "CodiciVari",
                  {{"NumeroHotel", 1},
                   {"Tipo", tipo},
                   {"Sigla", sigla},
                   {"Descrizione", sigla},
                   {"Nazione", natura}});
    }
    insertRow("Dettaglio.mdb", "Dettaglio",
              {{"NumeroHotel", 1},
               {"Tipo", "Presenze"},
               {"Dettaglio", "Generale"},
               {"DataInserimento", "20240301"},
               {"Valore", 12.0}});
    insertRow("Dettaglio.mdb", "Dettaglio",
              {{"NumeroHotel", 1},
               {"Tipo", "Arrivi"},
               {"Dettaglio", "Generale"},
               {"DataInserimento", "20240302"},
               {"Valore", 3.0}});
    insertRow("Dettaglio.mdb", "Dettaglio",
              {{"NumeroHotel", 1},
               {"Tipo", "Presenze"},
               {"Dettaglio", "Generale"},
               {"DataInserimento", "20240302"},
               {"Valore", 7.0}});

    // 1 March: a receipt of 110,00 = 100,00 at VAT 10 + 10,00 tourist tax, paid cash.
    documento(1, "Ricevuta", "20240301", "101", 110);
    riga(1, "Ricevuta", "20240301", 100, 10);
    riga(1, "Ricevuta", "20240301", 10, 99);
    incasso(1, "Ricevuta", "20240301", "CO", 110);

    // 2 March: its credit-note twin; an invoice with a line at VAT 21, an
    // exempt line, a subtotal, a zero line and tourist tax, paid by card plus
    // a payment whose Sigla has no code; a till document.
    documento(2, "Ricevuta", "20240302", "101", 110, 0, "N", "N");
    riga(2, "Ricevuta", "20240302", 100, 10);
    riga(2, "Ricevuta", "20240302", 10, 99);
    incasso(2, "Ricevuta", "20240302", "CO", 110);
    documento(5, "Fattura", "20240302", "102", 123);
    riga(5, "Fattura", "20240302", 100, 21);
    riga(5, "Fattura", "20240302", 110, 0, "---- SUBTOTALE ----");
    riga(5, "Fattura", "20240302", 10, 10);
    riga(5, "Fattura", "20240302", 0, 10);
    riga(5, "Fattura", "20240302", 11, 74);
    riga(5, "Fattura", "20240302", 2, 99);
    incasso(5, "Fattura", "20240302", "CC", 100);
    incasso(5, "Fattura", "20240302", "ZZ", 23);
    incasso(0, "ESTERNI", "20240302", "CC", 28.5, "0003 Bar");

    // 3 March: a receipt with 30,00 unpaid; a receipt at 22 % paid "extra"
    // plus a payment whose code is not a payment kind; a cancelled receipt,
    // a RiepAcc "A" one and one outside the room range: nothing at all.
    documento(3, "Ricevuta", "20240303", "103", 130, 30);
    riga(3, "Ricevuta", "20240303", 120, 10);
    riga(3, "Ricevuta", "20240303", 10, 99);
    incasso(3, "Ricevuta", "20240303", "CO", 100);
    documento(6, "Ricevuta", "20240303", "104", 20);
    riga(6, "Ricevuta", "20240303", 20, 22);
    incasso(6, "Ricevuta", "20240303", "EX", 20);
    incasso(6, "Ricevuta", "20240303", "AS", 7);
    documento(4, "Ricevuta", "20240303", "103", 50, 0, "S");
    riga(4, "Ricevuta", "20240303", 50, 10);
    incasso(4, "Ricevuta", "20240303", "CO", 50);
    documento(7, "Ricevuta", "20240303", "103", 40, 0, "N", "A");
    riga(7, "Ricevuta", "20240303", 40, 10);
    incasso(7, "Ricevuta", "20240303", "CO", 40);
    documento(8, "Ricevuta", "20240303", "201", 60);
    riga(8, "Ricevuta", "20240303", 60, 10);
    incasso(8, "Ricevuta", "20240303", "CO", 60);
}

// Widths of the data cells in print order after the date.
constexpr int kLarghezze[] = {4, 10, 10, 9, 10, 9, 9, 9, 9, 10, 9, 10, 10, 9};

// A day line's values in print order: PRS, CORRISP., RICEV. 10%, RICEV.22%,
// FATT. 10%, FATT.22%., ESENZIONI, IMPOSTA R, IMPOSTA F, CONTANTI, EXTRA C.,
// C/CREDITO, SOSPESI, SCONTR. (giorno() below).

std::string bordo(char a, char b, char c) {
    return test::runs(a, b, c, {5, 4, 10, 9, 10, 9, 10, 9, 9, 9, 10, 9, 10, 10, 9});
}

std::string tabella(std::initializer_list<std::string> giorni, const std::string& totali) {
    std::string s = "STAMPA CORRISPETTIVI/CASSA DAL 01/03/2024 AL 03/03/2024\r\n";
    s += bordo(test::kTopLeft, test::kTopTee, test::kTopRight) + "\r\n";
    s += test::row(
             "|DATA |PRS | CORRISP. |RICEV. 10%|RICEV.22%|FATT. 10% |FATT.22%.|ESENZIONI|"
             "IMPOSTA R|IMPOSTA F| CONTANTI | EXTRA C.| C/CREDITO| SOSPESI | SCONTR. |") +
         "\r\n";
    const std::string sep = bordo(test::kLeftTee, test::kCross, test::kRightTee);
    for (const auto& g : giorni) s += sep + "\r\n" + g + "\r\n";
    s += sep + "\r\n" + totali + "\r\n";
    s += bordo(test::kBottomLeft, test::kBottomTee, test::kBottomRight) + "\r\n";
    return s;
}

ReportRequest richiesta(const char* tipo = " ") {
    ReportRequest r;
    r.dal = "01/03/2024";
    r.al = "03/03/2024";
    r.primaCamera = "101";
    r.ultimaCamera = "199";
    r.contatore = 0;
    r.tipoDocumento = tipo;
    return r;
}

// The values of one line of the table, in print order.
using Valori = std::array<const char*, 14>;

// Lines shared by the cases below.
constexpr Valori k0103 = {"12",    "100,00", "100,00", "0,00", "0,00", "0,00", "0,00",
                          "10,00", "0,00",   "110,00", "0,00", "0,00", "0,00", "0,00"};
// Credit note: -110 + 10; invoice 123 - 2; till 28,50.
constexpr Valori k0203 = {"7",      "49,50", "-100,00", "0,00", "10,00",  "100,00", "11,00",
                          "-10,00", "2,00",  "110,00",  "0,00", "100,00", "0,00",   "28,50"};
// The receipt with an unpaid part counts only its payments.
constexpr Valori k0303Pagati = {"0",    "20,00", "0,00",   "20,00", "0,00", "0,00", "0,00",
                                "0,00", "0,00",  "100,00", "20,00", "0,00", "0,00", "0,00"};

std::string giorno(const std::string& data, const Valori& v) {
    std::string s = "\xB3" + data + "\xB3";
    for (std::size_t i = 0; i < v.size(); ++i) s += padLeft(v[i], kLarghezze[i]) + "\xB3";
    return s;
}

TEST(Cassa, TablesByOptionLetterAndDocumentType) {
    const struct {
        const char* caso;
        const char* codiceAssistenza;  // '&': the statistics live in DirKV
        const char* tipo;
        Valori giorni[3];
        Valori totali;
    } casi[] = {
        {"without letter R a receipt with an unpaid part counts only its payments",
         "",
         " ",
         {k0103, k0203, k0303Pagati},
         {"19", "169,50", "0,00", "20,00", "10,00", "100,00", "11,00", "0,00", "2,00", "320,00",
          "20,00", "100,00", "0,00", "28,50"}},
        {"with letter R it counts with its unpaid amount",
         "&R",
         " ",
         {k0103,
          k0203,
          {"0", "140,00", "120,00", "20,00", "0,00", "0,00", "0,00", "10,00", "0,00", "100,00",
           "20,00", "0,00", "30,00", "0,00"}},
         {"19", "289,50", "120,00", "20,00", "10,00", "100,00", "11,00", "10,00", "2,00", "320,00",
          "20,00", "100,00", "30,00", "28,50"}},
        // Receipts only, the type upper-cased: no invoice, and the till
        // documents (type "ESTERNI") fall outside the payments selection too.
        {"document type r selects receipts and their payments",
         "",
         "r",
         {k0103,
          {"7", "-100,00", "-100,00", "0,00", "0,00", "0,00", "0,00", "-10,00", "0,00", "110,00",
           "0,00", "0,00", "0,00", "0,00"},
          k0303Pagati},
         {"19", "20,00", "0,00", "20,00", "0,00", "0,00", "0,00", "0,00", "0,00", "320,00", "20,00",
          "0,00", "0,00", "0,00"}},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.caso);
        test::TempDataFolder dir;
        archivio(c.codiceAssistenza);
        if (c.codiceAssistenza[0] == '&') {
            std::filesystem::create_directory("kv");
            std::filesystem::rename("Dettaglio.mdb", "kv/Dettaglio.mdb");
            ::setenv("DirKV", (dir.path() + "/kv").c_str(), 1);
        }
        test::FakeIo io;
        const ReportResult res = StampaCassa(richiesta(c.tipo), io);
        EXPECT_TRUE(res.skipped.empty());
        EXPECT_EQ(io.printMenus, 1);
        const std::string atteso =
            tabella({giorno("01/03", c.giorni[0]), giorno("02/03", c.giorni[1]),
                     giorno("03/03", c.giorni[2])},
                    giorno("     ", c.totali));
        EXPECT_EQ(test::utf8(dir.readFile("fd0")), test::utf8(atteso));
    }
}

TEST(Cassa, MissingStatisticsGiveEmptyPresencesAndASkippedNote) {
    test::TempDataFolder dir;
    archivio("");
    std::remove("Dettaglio.mdb");
    test::FakeIo io;
    const ReportResult res = StampaCassa(richiesta(), io);
    ASSERT_EQ(res.skipped.size(), 1u);
    EXPECT_NE(res.skipped[0].find("Dettaglio.mdb"), std::string::npos) << res.skipped[0];
    const std::string f = dir.readFile("fd0");
    Valori senzaPresenze = k0103;
    senzaPresenze[0] = "0";
    EXPECT_NE(f.find(giorno("01/03", senzaPresenze)), std::string::npos);
    EXPECT_EQ(io.printMenus, 1);
}

TEST(Cassa, LetterAmpersandWithoutDirKVIsASkippedNoteNamingThePath) {
    test::TempDataFolder dir;
    archivio("&");
    test::FakeIo io;
    const ReportResult res = StampaCassa(richiesta(), io);
    ASSERT_EQ(res.skipped.size(), 1u);
    EXPECT_NE(res.skipped[0].find("Dettaglio.mdb"), std::string::npos) << res.skipped[0];
}

TEST(Cassa, MissingDocumentsOrPaymentCodesStopTheReport) {
    for (const char* file : {"Fatture.mdb", "CodiciVari.mdb"}) {
        SCOPED_TRACE(file);
        test::TempDataFolder dir;
        archivio("");
        std::remove(file);
        test::FakeIo io;
        EXPECT_THROW(StampaCassa(richiesta(), io), db::DbError);
        EXPECT_EQ(io.printMenus, 0);
    }
}

}  // namespace
}  // namespace corvex
