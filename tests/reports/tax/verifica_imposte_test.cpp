// Daily check of assigned taxes: whole report files on small data folders.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "reports/reports.h"
#include "reports/tax/taxb_support.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

using test::insertRow;
using test::Null;

const std::string kRule(111, '-');

// A room-block line: written at its full width of 103 columns, notes after.
std::string full(const std::string& s, const std::string& notes = "") {
    return padRight(s, 103) + notes;
}

std::string lines(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& l : v) out += cp(l) + "\r\n";
    return out;
}

std::vector<std::string> head(const std::string& day) {
    return {"",
            "VERIFICA IMPOSTA DI SOGGIORNO DEL " + day,
            "",
            kRule,
            "Camera Clienti alloggiati             Età Nr Imposte assegnate             Nr Note    "
            "                     ",
            kRule};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class VerificaImposte : public ::testing::Test {
  protected:
    void SetUp() override {
        insertRow("IdS.mdb", "Generale", {{"NumeroHotel", 1}, {"GGMax", 10}});
        for (auto [codice, reparto] :
             {std::pair{3, "IDS"}, std::pair{4, "IDS"}, std::pair{20, "BAR"}}) {
            insertRow("VociFattura.mdb", "VociFattura",
                      {{"NumeroHotel", 1},
                       {"Codice", codice},
                       {"Descrizione", "Voce"},
                       {"Reparto", reparto}});
        }
        test::createSuiteTable("Scheda_Cliente.mdb", "Scheda_Cliente");
        test::createSuiteTable("Conto_Cliente.mdb", "Conto_Cliente");
    }

    static void guest(int numero, const char* camera, const char* nome, const char* nascita,
                      const char* arrivo, int capoGruppo = 0, const char* lingua = "I",
                      const char* partito = "N", test::Cell partenzaReale = Null) {
        insertRow("Scheda_Cliente.mdb", "Scheda_Cliente",
                  {{"NumeroHotel", 1},
                   {"NumeroProgressivo", numero},
                   {"NumeroCamera", camera},
                   {"NomeCliente", nome},
                   {"DataNascita", nascita},
                   {"DataArrivo", arrivo},
                   {"DataPartenza", "20240325"},
                   {"Partito", partito},
                   test::column("DataPartenzaReale", partenzaReale),
                   {"Lingua", lingua},
                   {"CodiceCapoGruppo", capoGruppo}});
    }

    static void charge(int cliente, int voce, const char* descrizione, int quantita, double importo,
                       const char* data = "20240320") {
        insertRow("Conto_Cliente.mdb", "Conto_Cliente",
                  {{"NumeroHotel", 1},
                   {"CodiceCliente", cliente},
                   {"VoceAddebito", voce},
                   {"DataAddebito", data},
                   {"Descrizione", descrizione},
                   {"Quantità", quantita},
                   {"Importo", importo}});
    }

    std::string run(const std::string& prima = "", const std::string& ultima = "ZZZZZZ",
                    const std::string& day = "20/03/2024") {
        ReportRequest r;
        r.dal = r.al = day;
        r.primaCamera = prima;
        r.ultimaCamera = ultima;
        VerificaImposteAssegnate(r, io);
        EXPECT_EQ(io.printMenus, 1);
        io.printMenus = 0;
        return dir.readFile("fd0");
    }

    test::TempDataFolder dir;
    test::ScopedEnv clock{"CORVEX_NOW", "01/06/2025"};  // ages count from today's year
    test::FakeIo io;
};

TEST_F(VerificaImposte, RoomBlocksSetGuestsBesideTheDaysTaxLines) {
    // His own group leader; the second guest of the room has passed GGMax.
    guest(1, "101", "Rossi Mario", "19800105", "20240315", 1);
    guest(2, "101", "Rossi Anna", "20150610", "20240309", 1);
    // 10 nights with GGMax 10: no warning. Unknown birth date: empty age.
    guest(3, "102", "Verdi Luca", "", "20240310");
    guest(4, "102", "Verdi Sara", "19901231", "20240310");
    guest(5, "103", "Escluso", "19900101", "20240310", 0, "I*");
    guest(6, "104", "Partito Oggi", "19900101", "20240310", 0, "I", "S", "20240320");
    // Leader not lodged: no note.
    guest(7, "105", "^Neri", "20200101", "20240319", 99);

    charge(1, 3, "Imposta di soggiorno adulti", 1, 2.0);
    charge(2, 4, "Esenzione minori", 1, 0.0);
    charge(3, 3, "Imposta di soggiorno adulti", 1, 2.0);
    charge(3, 20, "Caffè", 1, 1.0);                                   // not a tax item
    charge(4, 3, "Imposta di soggiorno adulti", 1, 2.0, "20240319");  // another day
    charge(5, 3, "Imposta di soggiorno adulti", 1, 2.0);              // guest not selected
    charge(6, 3, "Imposta di soggiorno adulti", 1, 2.0);              // guest left today
    charge(7, 3, "Imposta di soggiorno ridotta notte", 2, 3.0);

    EXPECT_EQ(
        run(),
        lines(
            head("20/03/2024") +
            std::vector<std::string>{
                full(
                    "101    Rossi Mario                     45    Imposta di soggiorno adulti    1",
                    " Capogruppo 101 Rossi Mario"),
                full(
                    "       Rossi Anna                      10    Esenzione minori               1",
                    " Capogruppo 101 Rossi Mario Il Cliente ha superato le 10 notti"),
                "                                            2                                 2 ",
                kRule,
                full("102    Verdi Luca                            Imposta di soggiorno adulti    "
                     "1"),
                full("       Verdi Sara                      35"),
                "                                            2                                 1 "
                "Controllare!!!",
                kRule,
                full("105    ^Neri                            5    Imposta di soggiorno ridotta   "
                     "2"),
                "                                            1                                 2 "
                "Controllare!!!",
                kRule,
                "                                           5                                5",
                kRule,
            }));
}

TEST_F(VerificaImposte, NoGuestsGiveAnEmptyBlockAndZeroTotals) {
    guest(1, "101", "Rossi Mario", "19800105", "20240315");
    // "9" to "10" is an empty text range.
    EXPECT_EQ(
        run("9", "10"),
        lines(
            head("20/03/2024") +
            std::vector<std::string>{
                "                                            0                                 0 ",
                kRule,
                "                                           0                                0",
                kRule,
            }));
}

TEST_F(VerificaImposte, NoNightsWarningWithoutGGMax) {
    test::runSql("IdS.mdb", "UPDATE Generale SET GGMax = 0");
    guest(1, "101", "Rossi Mario", "19800105", "20230101");
    charge(1, 3, "Imposta", 1, 2.0);
    EXPECT_EQ(
        run(),
        lines(
            head("20/03/2024") +
            std::vector<std::string>{
                full("101    Rossi Mario                     45    Imposta                        "
                     "1"),
                "                                            1                                 1 ",
                kRule,
                "                                           1                                1",
                kRule,
            }));
}

TEST_F(VerificaImposte, LargeRoomContinuesOnFurtherLinesOfTheBlock) {
    for (int i = 1; i <= 11; ++i) {
        guest(i, "201", ("Ospite " + std::to_string(i)).c_str(), "19900101", "20240318");
        charge(i, 3, "Imposta", 1, 2.0);
    }
    charge(11, 4, "Esente", 1, 0.0);  // a twelfth charge line
    std::vector<std::string> expected = head("20/03/2024");
    for (int i = 1; i <= 11; ++i) {
        expected.push_back(full(fitRight(i == 1 ? "201" : "", 7) +
                                fitRight("Ospite " + std::to_string(i), 31) +
                                " 35    Imposta                        1"));
    }
    expected.push_back(full(std::string(45, ' ') + "Esente                         1"));
    expected.push_back(
        "                                           11                                12 "
        "Controllare!!!");
    expected.push_back(kRule);
    expected.push_back(
        "                                          11                               12");
    expected.push_back(kRule);
    EXPECT_EQ(run(), lines(expected));
}

TEST_F(VerificaImposte, RoomBoundsAreQuoted) {
    guest(1, "1'0", "Apice", "19800105", "20240315");
    charge(1, 3, "Imposta", 1, 2.0);
    const std::string out = run("1'0", "1'0");
    EXPECT_NE(
        out.find(
            cp(full(
                "1'0    Apice                           45    Imposta                        1")) +
            "\r\n"),
        std::string::npos);
}

TEST_F(VerificaImposte, BadDateIsRefused) {
    ReportRequest r;
    r.dal = r.al = "2024-03-20";
    EXPECT_THROW(VerificaImposteAssegnate(r, io), ReportError);
    EXPECT_EQ(io.printMenus, 0);
}

}  // namespace
}  // namespace corvex
