#include "output/print_config.h"

#include <gtest/gtest.h>

#include "output/headless.h"
#include "support/data_folder.h"
#include "support/scoped_env.h"

namespace corvex {
namespace {

using test::insertRow;
using test::TempDataFolder;

std::string fields(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        std::string n = std::to_string(v);
        s += std::string(3 - n.size(), ' ') + n;
    }
    return s;
}

// Two destinations of hotel 1 (one of hotel 2 between them), a raw type and
// a printer type, Contatori and the hotel's option letters.
void printSetup() {
    insertRow("Stampanti.mdb", "Stampanti",
              {{"NumeroHotel", 1},
               {"Destinazione", "Laser"},
               {"Linea", "HP_Ufficio"},
               {"TipoStampa", "1"}});
    insertRow(
        "Stampanti.mdb", "Stampanti",
        {{"NumeroHotel", 2}, {"Destinazione", "Altro hotel"}, {"Linea", "x"}, {"TipoStampa", "2"}});
    insertRow("Stampanti.mdb", "Stampanti",
              {{"NumeroHotel", 1},
               {"Destinazione", "Aghi"},
               {"Linea", "aghi.prn"},
               {"TipoStampa", "2 aghi"}});
    insertRow("Stampanti.mdb", "SetStampa",
              {{"TipoStampa", 1},
               {"Compresso", fields({8, 0, 0, 0, 0, 1, 10, 0, 0, 0, 0, 0})},
               {"Grassetto", fields({0, 0, 0, 0, 0, 3, 70, 66, 0, 0, 0, 0})}});
    insertRow("Stampanti.mdb", "SetStampa",
              {{"TipoStampa", 2},
               {"Compresso", fields({27, 15, 0, 0, 0, 0, 27, 18, 0, 0, 0, 0})},
               {"Grassetto", fields({0, 0, 0, 0, 0, 2, 72, 64, 0, 0, 0, 0})}});
    insertRow("Contatori.mdb", "Contatori",
              {{"NumeroHotel", 1}, {"LungPagComp", 80}, {"LungPagNoComp", 58}});
    insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
              {{"NumeroHotel", 1},
               {"Numero", 1},
               {"RagioneSociale", "Hotel"},
               {"CodiceAssistenza", "&KU"}});
}

TEST(CampoSetStampa, ReadsTwelveFieldsByPosition) {
    const std::string text = " 27 15  0abc  7  1 10";
    EXPECT_EQ(campoSetStampa(text, 1), 27);
    EXPECT_EQ(campoSetStampa(text, 2), 15);
    EXPECT_EQ(campoSetStampa(text, 4), 0);  // no number
    EXPECT_EQ(campoSetStampa(text, 6), 1);
    EXPECT_EQ(campoSetStampa(text, 7), 10);
    EXPECT_EQ(campoSetStampa(text, 8), 0);  // past the end
    EXPECT_EQ(campoSetStampa("5x 12", 1), 5);
}

TEST(ConfiguraStampa, DestinationsOfHotelOneInTableOrder) {
    TempDataFolder dir;
    EXPECT_TRUE(destinazioniStampa().empty());  // no Stampanti.mdb
    printSetup();
    EXPECT_EQ(destinazioniStampa(), (std::vector<std::string>{"Laser", "Aghi"}));
    EXPECT_EQ(opzioniStampa(), "&KU");
}

TEST(ConfiguraStampa, PrinterModeDestination) {
    TempDataFolder dir;
    printSetup();
    dir.writeFile("FontStp.txt", "  Times New Roman  \r\n");
    auto c = configuraStampa({"Laser", "", false, true, true});
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->modoStampante);
    EXPECT_EQ(c->dispositivo, "HP_Ufficio");
    EXPECT_EQ(c->font, "Times New Roman");
    EXPECT_EQ(c->dimensioneApertura, 8);
    EXPECT_EQ(c->dimensioneCorpo, 10);
    EXPECT_EQ(c->margineSuperiore, 3);
    EXPECT_EQ(c->lunghezzaPagina, 58);
    EXPECT_TRUE(c->orizzontale);
    EXPECT_TRUE(c->fronteRetro);
    c = configuraStampa({"Laser", "", true});
    EXPECT_EQ(c->dimensioneCorpo, 8);
    EXPECT_EQ(c->lunghezzaPagina, 80);
}

TEST(ConfiguraStampa, RawDestinationDeviceFromEnvironmentAndPrinterChoice) {
    TempDataFolder dir;
    printSetup();
    auto c = configuraStampa({"Aghi", "", true});
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->modoStampante);
    EXPECT_EQ(c->sequenzaInizio, std::string("\x1B\x0F\0\0\0", 5));
    EXPECT_EQ(c->lunghezzaModulo, 72);
    EXPECT_EQ(c->dispositivo, "aghi.prn");
    EXPECT_TRUE(c->senzaPulizia());
    EXPECT_TRUE(c->riempiPagine());
    c = configuraStampa({"Aghi", "", false});
    EXPECT_EQ(c->sequenzaInizio, std::string("\x1B\x12\0\0\0", 5));
    EXPECT_EQ(c->lunghezzaModulo, 64);
    {
        test::ScopedEnv env("Aghi", "/dev/usb/lp0");
        EXPECT_EQ(configuraStampa({"Aghi", "", false})->dispositivo, "/dev/usb/lp0");
        EXPECT_EQ(configuraStampa({"Aghi", "  Epson  ", false})->dispositivo, "Epson");
    }
    EXPECT_FALSE(configuraStampa({"Nessuna", "", false}));
}

TEST(ConfiguraStampa, DefaultsWithoutSetStampaContatoriAndFontFile) {
    TempDataFolder dir;
    insertRow(
        "Stampanti.mdb", "Stampanti",
        {{"NumeroHotel", 1}, {"Destinazione", "Nuda"}, {"Linea", "out.txt"}, {"TipoStampa", "9"}});
    insertRow("Stampanti.mdb", "SetStampa",
              {{"TipoStampa", 1}, {"Compresso", ""}, {"Grassetto", ""}});
    const auto c = configuraStampa({"Nuda", "", false});
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->modoStampante);
    EXPECT_EQ(c->sequenzaInizio, std::string(5, '\0'));
    EXPECT_EQ(c->lunghezzaModulo, 66);
    EXPECT_EQ(c->margineSuperiore, 0);
    EXPECT_EQ(c->lunghezzaPagina, 60);
    EXPECT_EQ(c->font, "Courier New");
    EXPECT_EQ(c->opzioni, "");
}

TEST(DestinazionePDF, TakesTheLastUpperCasePdf) {
    EXPECT_EQ(destinazionePDF({"PDF ufficio", "Laser", "PDF archivio", "pdf minuscolo"}),
              std::optional<std::string>("PDF archivio"));
    EXPECT_EQ(destinazionePDF({"Laser", "stampa pdf"}), std::nullopt);
}

TEST(EseguiUscita, CsvAndRawPrintWithoutWindows) {
    TempDataFolder dir;
    printSetup();
    ::setenv("PCLocal", "4", 1);
    dir.writeFile("fd4", "Totale   1,00\r\n");
    RichiestaUscita r;
    r.csv = true;
    r.stampa = "Aghi";
    const auto done = eseguiUscita(r, {});
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0], "CSV: " + percorsoCompleto("fd4.csv"));
    EXPECT_EQ(done[1], "Stampa: Aghi, scritta nel file " + percorsoCompleto("aghi.prn"));
    EXPECT_EQ(dir.readFile("fd4.csv"),
              "Totale  \x80"
              "1.00\r\n");
    // Option U fills the page to the normal form length of 64.
    std::string expected = std::string("\x1B\x12\0\0\0", 5) + " \r\n \r\nTotale   1,00\r\n";
    for (int i = 3; i < 64; ++i) expected += "\r\n";
    EXPECT_EQ(dir.readFile("aghi.prn"), expected);

    r = {};
    r.pdf = "out.pdf";
    EXPECT_THROW(eseguiUscita(r, {}), std::runtime_error);  // needs the windowing library
    r = {};
    r.stampa = "Manca";
    EXPECT_THROW(eseguiUscita(r, {}), std::runtime_error);

    // Without the report file no output starts: no start sequence alone on
    // the printer, no empty CSV.
    std::remove("fd4");
    std::remove("aghi.prn");
    std::remove("fd4.csv");
    r = {};
    r.csv = true;
    r.stampa = "Aghi";
    try {
        eseguiUscita(r, {});
        ADD_FAILURE() << "no error without the report file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("fd4 non esiste"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(dir.exists("aghi.prn"));
    EXPECT_FALSE(dir.exists("fd4.csv"));
}

TEST(EseguiUscita, PdfSettingsFollowTheDestinationOrTheDefaults) {
    TempDataFolder dir;
    ::setenv("PCLocal", "1", 1);
    dir.writeFile("fd1", "riga\r\n");
    ConfigStampa seen;
    std::string seenPath;
    ServiziUscita render;
    render.render = [&](const ConfigStampa& c, const std::vector<std::string>& lines,
                        const std::string& path) {
        seen = c;
        seenPath = path;
        EXPECT_EQ(lines, (std::vector<std::string>{"riga"}));
        return PaginaScelta{true, true, 7.5, 141};
    };
    RichiestaUscita r;
    r.pdf = "a.pdf";
    // Without a PDF destination the defaults, said so; the page change is told.
    const auto done = eseguiUscita(r, render);
    ASSERT_EQ(done.size(), 2u);
    EXPECT_NE(done[0].find("Nessuna stampante PDF impostata"), std::string::npos);
    EXPECT_EQ(done[1], "PDF: " + percorsoCompleto("a.pdf") +
                           " (la riga più larga (141 caratteri) non entrava nella pagina: "
                           "stampa orizzontale con carattere di 7,5 punti)");
    EXPECT_TRUE(seen.modoStampante);
    EXPECT_EQ(seen.dimensioneCorpo, 10);
    EXPECT_EQ(seen.margineSuperiore, 0);
    EXPECT_EQ(seen.lunghezzaPagina, 60);
    EXPECT_EQ(seenPath, "a.pdf");

    printSetup();
    insertRow("Stampanti.mdb", "Stampanti",
              {{"NumeroHotel", 1}, {"Destinazione", "PDF"}, {"Linea", ""}, {"TipoStampa", "2"}});
    eseguiUscita(r, render);
    EXPECT_EQ(seen.destinazione, "PDF");
    EXPECT_TRUE(seen.modoStampante);  // a raw type still renders a PDF in printer mode
    EXPECT_EQ(seen.margineSuperiore, 2);
    r.destinazione = "Laser";
    eseguiUscita(r, render);
    EXPECT_EQ(seen.destinazione, "Laser");
    EXPECT_EQ(seen.margineSuperiore, 3);
}

}  // namespace
}  // namespace corvex
