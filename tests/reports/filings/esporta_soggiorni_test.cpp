// The stays export lists exactly the guests of the guests-present report for
// the same period and answers, with the same nights, and writes a CSV file
// that a spreadsheet reads back field by field.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/dates.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/fiscal.h"
#include "data/hotel.h"
#include "reports/filings/filings_support.h"
#include "reports/reports.h"
#include "reports/tax/register_data.h"
#include "settings/dichiarazioni.h"
#include "support/fake_io.h"

namespace corvex {
namespace {

using test::righe;

std::vector<std::string> campi(const std::string& riga) {
    std::vector<std::string> out(1);
    for (char c : riga) {
        if (c == ';') {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

// NomeCliente by NumeroProgressivo, live register and archive.
std::map<std::string, std::string> nomi() {
    std::map<std::string, std::string> out;
    for (const std::string& file :
         {std::string("Scheda_Cliente.mdb"),
          PercorsoArchivio("SchedaStoricoClienti.mdb", LeggiCodiceAssistenza())}) {
        db::Database d = db::Database::open(file);
        db::Recordset rs = d.openRecordset("Select * From Scheda_Cliente");
        perOgni(rs, "NumeroHotel = 1", [&] {
            out[rs.field("NumeroProgressivo").toText()] = rs.field("NomeCliente").toText();
        });
        rs.close();
        d.close();
    }
    return out;
}

class EsportaSoggiorniDemo : public test::HotelDemo {};

TEST_F(EsportaSoggiorniDemo, ListsTheGuestsPresentReportsGuestsWithTheirNights) {
    ReportRequest r;
    r.dal = "01/12/2025";
    r.al = "31/12/2025";
    test::FakeIo presenti({std::string("7"), std::string("14")});
    const ReportResult attesi = StampaOspitiPresenti(r, presenti);
    ASSERT_TRUE(attesi.skipped.empty());
    const std::vector<std::string> elenco = righe(fd0());
    // Guest lines lie between the heading's closing rule and the final rule.
    const std::vector<std::string> ospiti(elenco.begin() + 6, elenco.end() - 3);
    ASSERT_FALSE(ospiti.empty());

    test::FakeIo io({std::string("7"), std::string("14"), std::string("stays.csv")});
    const ReportResult esito = EsportaSoggiorni(r, io);
    EXPECT_TRUE(esito.skipped.empty());
    EXPECT_EQ(io.printMenus, 1);
    const std::vector<std::string> csv = righe(test::HotelDemo::readFile("stays.csv"));
    ASSERT_EQ(csv.size(), ospiti.size() + 1);
    EXPECT_EQ(csv[0],
              "IdSoggiorno;Arrivo;Partenza;NottiPeriodo;NottiImponibili;Categoria;Motivo;Tariffa;"
              "Importo;DataNascita;Residenza;Camera;Capogruppo");
    EXPECT_NE(fd0().find("Righe:              " + std::to_string(ospiti.size()) + " "),
              std::string::npos);

    const auto nome = nomi();
    std::int64_t imponibili = 0;
    for (std::size_t i = 0; i < ospiti.size(); ++i) {
        const std::vector<std::string> c = campi(csv[i + 1]);
        ASSERT_EQ(c.size(), 13u) << csv[i + 1];
        const std::string& riga = ospiti[i];
        // Same guest, in the same order: his name, the nights shown.
        EXPECT_EQ(padRight(left(nome.at(c[0]), 30), 31), riga.substr(0, 31)) << c[0];
        EXPECT_EQ(trim(riga.substr(53, 5)), c[4]) << c[0];
        EXPECT_LE(std::stoll(c[4]), 7);
        EXPECT_GE(std::stoll(c[3]), std::stoll(c[4]));
        imponibili += std::stoll(c[4]);
    }
    EXPECT_EQ(trim(elenco[elenco.size() - 2]), std::to_string(imponibili));
}

// Fields holding ';' or '"' are quoted (quotes doubled), text is UTF-8, the
// amount and rate carry a decimal comma; '*' guests and the young are out.
TEST(EsportaSoggiorni, QuotesFieldsAndWritesUtf8) {
    test::TempDataFolder dir;
    test::cartellaBase();
    test::insertRow("IdS.mdb", "Generale", {{"NumeroHotel", 1}, {"CodStd", 501}, {"CodMin", 502}});
    test::insertRow("IdS.mdb", "VociIdS",
                    {{"NumeroHotel", 1}, {"Codice", 501}, {"Descrizione", "STANDARD"}});
    test::insertRow("IdS.mdb", "VociIdS",
                    {{"NumeroHotel", 1}, {"Codice", 502}, {"Descrizione", "MINORI"}});
    struct Caso {
        int id;
        const char* residenza;
        const char* lingua;
        const char* nascita;
        int capo;
        const char* attesa;  // nullptr: not listed
    };
    const std::vector<Caso> casi = {
        {1, "Roma", "I", "19800101", 0,
         "1;01/03/2024;04/03/2024;3;3;piena;;2,50;7,50;01/01/1980;Roma;101;"},
        {2, "Forlì; centro", "I", "19850615", 1,
         "2;01/03/2024;04/03/2024;3;3;piena;;2,50;7,50;15/06/1985;\"Forlì; centro\";101;1"},
        {3, "Via \"Po\"", "I", "19900101", 1,
         "3;01/03/2024;04/03/2024;3;3;piena;;2,50;7,50;01/01/1990;\"Via \"\"Po\"\"\";101;1"},
        {4, "Roma", "I*", "19800101", 0, nullptr},
        {5, "Roma", "I", "20200101", 1, nullptr},
    };
    for (const Caso& c : casi) {
        test::insertRow("Scheda_Cliente.mdb", "Scheda_Cliente",
                        {{"NumeroHotel", 1},
                         {"NumeroProgressivo", c.id},
                         {"NumeroCamera", "101"},
                         {"NomeCliente", "Ospite"},
                         {"DataArrivo", "20240301"},
                         {"DataPartenza", "20240304"},
                         {"Partito", "N"},
                         {"Lingua", c.lingua},
                         {"DataNascita", c.nascita},
                         {"Residenza", c.residenza},
                         {"CodiceCapoGruppo", c.capo}});
        for (const char* giorno : {"20240301", "20240302", "20240303"}) {
            test::addebito("Conto_Cliente.mdb", c.id, 501, giorno, "101", 1, 2.5);
        }
    }
    ReportRequest r;
    r.dal = "01/03/2024";
    r.al = "31/03/2024";
    test::FakeIo io({std::string("10"), std::string("14"), std::string(" ")});
    io.answers.push_back(std::string("out.csv"));  // a blank name is asked again
    EsportaSoggiorni(r, io);
    std::vector<std::string> attese;
    for (const Caso& c : casi) {
        if (c.attesa != nullptr) attese.push_back(c.attesa);
    }
    const std::vector<std::string> csv = righe(dir.readFile("out.csv"));
    ASSERT_EQ(csv.size(), attese.size() + 1);
    EXPECT_EQ(std::vector<std::string>(csv.begin() + 1, csv.end()), attese);
    EXPECT_FALSE(dir.exists("out.csv.tmp"));
    // The sheet holds the same lines with typed cells.
    ASSERT_TRUE(io.sheet.has_value());
    ASSERT_EQ(io.sheet->righe.size(), attese.size());
    using T = xlsx::Cella::Tipo;
    const auto& prima = io.sheet->righe[1];
    const struct {
        std::size_t col;
        T tipo;
    } tipi[] = {{0, T::Intero}, {1, T::Data},   {3, T::Intero},  {7, T::Importo}, {8, T::Importo},
                {9, T::Data},   {10, T::Testo}, {12, T::Intero}, {6, T::Vuota}};
    for (const auto& t : tipi) EXPECT_EQ(prima.at(t.col).tipo(), t.tipo) << t.col;
    EXPECT_EQ(prima[1].text(), "01/03/2024");
    EXPECT_EQ(prima[8].currency(), Currency::fromUnits(75000));
    EXPECT_EQ(prima[10].text(), "Forl\xEC; centro");

    // An item without a category stops the export before the file is touched.
    test::insertRow("IdS.mdb", "VociIdS",
                    {{"NumeroHotel", 1}, {"Codice", 503}, {"Descrizione", "DISABILI"}});
    const std::string scritto = dir.readFile("out.csv");
    test::FakeIo ancora({std::string("10"), std::string("14"), std::string("out.csv")});
    EXPECT_THROW(EsportaSoggiorni(r, ancora), CategoriaMancante);
    EXPECT_EQ(dir.readFile("out.csv"), scritto);
}

}  // namespace
}  // namespace corvex
