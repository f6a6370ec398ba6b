// Tax accrued at a date: whole report files and the snapshot left behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/text.h"
#include "data/engine/database.h"
#include "data/snapshot.h"
#include "reports/reports.h"
#include "reports/tax/taxb_support.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

using test::insertRow;
using test::Null;

std::string lines(const std::vector<std::string>& v) {
    std::string out;
    for (const auto& l : v) out += cp(l) + "\r\n";
    return out;
}

const std::vector<std::string> kHead = {
    "",
    " ELENCO CLIENTI ALLOGGIATI IL 15/03/2024",
    "",
    "",
    "Nr. Sch. Cam Arr   Par   ParR  Nome                 Luogo Nascita   Data Nasc  Residenza      "
    "    Qnt.Imposta",
    "",
};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void charge(const char* file, int cliente, int voce, const char* data, int quantita,
            double importo) {
    insertRow(file, "Conto_Cliente",
              {{"NumeroHotel", 1},
               {"CodiceCliente", cliente},
               {"VoceAddebito", voce},
               {"DataAddebito", data},
               {"NumeroCamera", "101"},
               {"Descrizione", "Imposta"},
               {"Quantità", quantita},
               {"Importo", importo}});
}

class ImpostaMaturata : public ::testing::Test {
  protected:
    void SetUp() override {
        voce(3, "Imposta adulti");
        voce(4, "Imposta ridotta");
        voce(7, "Esenti");
        voce(8, "Tassa bassa");
        insertRow("IdS.mdb", "VociIdS",
                  {{"NumeroHotel", 2}, {"Codice", 9}, {"Descrizione", "Altro hotel"}});
        insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
                  {{"NumeroHotel", 1}, {"Numero", 1}, {"CodiceAssistenza", "R"}});
        for (const char* f : {"Scheda_Cliente.mdb", "SchedaStoricoClienti.mdb"}) {
            test::createSuiteTable(f, "Scheda_Cliente");
        }
        for (const char* f : {"Conto_Cliente.mdb", "ContoStoricoClienti.mdb"}) {
            test::createSuiteTable(f, "Conto_Cliente");
        }
    }

    static void voce(int codice, const char* descrizione) {
        insertRow("IdS.mdb", "VociIdS",
                  {{"NumeroHotel", 1}, {"Codice", codice}, {"Descrizione", descrizione}});
    }

    static void guest(const char* file, int numero, int schedina, const char* camera,
                      const char* nome, const char* arrivo, const char* partenza,
                      const char* partito, test::Cell partenzaReale, const char* lingua = "I",
                      const char* luogo = "", const char* nascita = "", const char* residenza = "",
                      const char* provincia = "") {
        insertRow(file, "Scheda_Cliente",
                  {{"NumeroHotel", 1},
                   {"NumeroProgressivo", numero},
                   {"NumeroSchedina", schedina},
                   {"NumeroCamera", camera},
                   {"NomeCliente", nome},
                   {"DataArrivo", arrivo},
                   {"DataPartenza", partenza},
                   {"Partito", partito},
                   test::column("DataPartenzaReale", partenzaReale),
                   {"Lingua", lingua},
                   {"LuogoNascita", luogo},
                   {"DataNascita", nascita},
                   {"Residenza", residenza},
                   {"Provincia", provincia}});
    }

    std::string run(const std::string& data = "15/03/2024") {
        ReportRequest r;
        r.dal = data;
        r.al = data;
        StampaImpostaMaturata(r, io);
        EXPECT_EQ(io.printMenus, 1);
        io.printMenus = 0;
        return dir.readFile("fd0");
    }

    // NumeroProgressivo -> Food of the snapshot rows, in table order.
    static std::vector<std::pair<std::int64_t, std::int64_t>> snapshotRows() {
        std::vector<std::pair<std::int64_t, std::int64_t>> rows;
        db::Database s = db::Database::open(kFileSchClienti, db::Database::Mode::ReadWrite);
        db::Recordset rs =
            s.openRecordset("Select * From SchClienti Order by NumeroCamera,DataArrivo;");
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            rows.emplace_back(rs.field("NumeroProgressivo").toInt(), rs.field("Food").toInt());
        }
        return rows;
    }

    test::TempDataFolder dir;
    test::FakeIo io;
};

TEST_F(ImpostaMaturata, ListsLodgedGuestsLiveAndArchivedWithUnitsAndItemTotals) {
    const char* live = "Scheda_Cliente.mdb";
    const char* arch = "SchedaStoricoClienti.mdb";
    guest(live, 1, 1001, "101", "Rossi Mario", "20240312", "20240318", "N", Null, "I", "Roma",
          "19800105", "Milano", "MI");
    // Arrived and left on the reference date: listed.
    guest(live, 2, 1002, "101", "^Bianchi Anna Maria Luisa", "20240315", "20240316", "S",
          "20240315", "I", "", "", "Torino", "TO");
    // Arrived earlier and left on the reference date: not listed, charges not counted.
    guest(live, 3, 1003, "102", "Verdi Luca", "20240310", "20240316", "S", "20240315");
    // Still in house, planned departure on the reference date: listed.
    guest(live, 4, 1004, "103", "Gialli Ugo", "20240310", "20240315", "N", Null, "I", "Bari",
          "20230230", "Bari", "BA");
    // Still in house, planned departure before: not listed.
    guest(live, 5, 1005, "104", "Rosa Lia", "20240301", "20240314", "N", Null);
    // Marked "*": not listed, not counted.
    guest(live, 6, 1006, "105", "Escluso", "20240314", "20240320", "N", Null, "I*");
    // Arrives after the reference date.
    guest(live, 7, 1007, "100", "Futuro", "20240316", "20240320", "N", Null);
    guest(live, 8, 123456, "2015", "Blu Ada", "20240314", "20240316", "N", Null, "I",
          "Reggio Emilia", "19000229", "Reggio nell'Emilia", "RE");
    guest(arch, 50, 900, "101", "Neri Paolo", "20240313", "20240316", "S", "20240316", "I",
          "Napoli", "19751231", "Napoli", "NA");
    // Archived guest whose real departure is the reference date: never listed.
    guest(arch, 51, 901, "106", "Partito Oggi", "20240310", "20240315", "S", "20240315");
    guest(arch, 52, 902, "107", "Archiviato Escluso", "20240310", "20240320", "S", "20240320", "*");

    const char* conti = "Conto_Cliente.mdb";
    charge(conti, 1, 3, "20240311", 1, 2.0);  // before the arrival
    charge(conti, 1, 3, "20240312", 2, 4.0);
    charge(conti, 1, 0, "20240313", 5, 0.0);   // item 0: no tax item
    charge(conti, 1, 99, "20240313", 1, 9.0);  // not a tax item
    charge(conti, 1, 4, "20240314", 1, 1234.5);
    charge(conti, 1, 3, "20240315", 2, 4.0);
    charge(conti, 1, 3, "20240316", 2, 4.0);  // after the reference date
    charge(conti, 3, 3, "20240312", 5, 10.0);
    charge(conti, 4, 7, "20240314", 1, 0.0);
    charge(conti, 6, 3, "20240314", 1, 2.0);
    charge(conti, 50, 3, "20240314", 9, 18.0);  // the archived guest's charges are in the archive
    const char* storico = "ContoStoricoClienti.mdb";
    charge(storico, 50, 3, "20240313", 1, 2.0);
    charge(storico, 50, 3, "20240314", 1, 2.0);
    charge(storico, 50, 3, "20240316", 1, 2.0);
    charge(storico, 52, 3, "20240314", 1, 2.0);

    // Room order, then arrival: the archived guest stands between two live ones.
    EXPECT_EQ(run(),
              lines(kHead + std::vector<std::string>{
                                "  1 1001 101 12/03 18/03   /   Rossi Mario          Roma          "
                                "  05/01/1980 Milano          MI           5",
                                "  2  900 101 13/03 16/03 16/03 Neri Paolo           Napoli        "
                                "  31/12/1975 Napoli          NA           2",
                                "  3 1002 101 15/03 16/03 15/03 ^Bianchi Anna Maria                "
                                "             Torino          TO           0",
                                "  4 1004 103 10/03 15/03   /   Gialli Ugo           Bari          "
                                "             Bari            BA           1",
                                "  5123456 201 14/03 16/03   /   Blu Ada              Reggio "
                                "Emilia   29/02/1900 Reggio nell'Emi RE           0",
                                " ",
                                "Imposta adulti                             Qnt.    6   €    12,00",
                                "Imposta ridotta                            Qnt.    1   € 1.234,50",
                                "Esenti                                     Qnt.    1   €     0,00",
                                "Tassa bassa                                Qnt.    0   €     0,00",
                            }));

    // The snapshot holds exactly the printed rows, Food = printed units.
    EXPECT_EQ(snapshotRows(), (std::vector<std::pair<std::int64_t, std::int64_t>>{
                                  {1, 5}, {50, 2}, {2, 0}, {4, 1}, {8, 0}}));
}

TEST_F(ImpostaMaturata, SnapshotKeepsNullsAndIsRebuiltEachRun) {
    guest("Scheda_Cliente.mdb", 1, 1, "101", "Rossi", "20240312", "20240318", "N", Null);
    run();
    {
        db::Database s = db::Database::open(kFileSchClienti, db::Database::Mode::ReadWrite);
        db::Recordset rs = s.openRecordset("SchClienti");
        ASSERT_TRUE(rs.findFirst("NumeroProgressivo = 1"));
        EXPECT_TRUE(rs.field("DataPartenzaReale").isNull());
        EXPECT_EQ(rs.field("NomeCliente").toText(), "Rossi");
    }
    // A second run on another day does not keep the first run's rows.
    run("20/03/2024");
    EXPECT_TRUE(snapshotRows().empty());
}

TEST_F(ImpostaMaturata, ManyTaxItemsAllCount) {
    // More items than the thirty of old: every one has its slot and total.
    for (int c = 10; c < 45; ++c) voce(c, ("Voce " + std::to_string(c)).c_str());
    guest("Scheda_Cliente.mdb", 1, 1, "101", "Rossi", "20240312", "20240318", "N", Null);
    charge("Conto_Cliente.mdb", 1, 44, "20240313", 3, 6.0);
    const std::string out = run();
    EXPECT_NE(out.find(cp("Voce 44                                    Qnt.    3   €     6,00\r\n")),
              std::string::npos);
    EXPECT_NE(out.find("           3\r\n \r\n"), std::string::npos);
}

TEST_F(ImpostaMaturata, UnitCountBeyondSixteenBitsIsAClearError) {
    guest("Scheda_Cliente.mdb", 1, 1, "101", "Rossi", "20240312", "20240318", "N", Null);
    charge("Conto_Cliente.mdb", 1, 3, "20240313", 30000, 0.0);
    charge("Conto_Cliente.mdb", 1, 3, "20240314", 3000, 0.0);
    dir.writeFile("fd0", "previous\r\n");
    ReportRequest r;
    r.dal = r.al = "15/03/2024";
    try {
        StampaImpostaMaturata(r, io);
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_NE(std::string(e.what()).find("Food"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("33000"), std::string::npos) << e.what();
    }
    EXPECT_EQ(io.printMenus, 0);
    EXPECT_EQ(dir.readFile("fd0"), "previous\r\n");
}

TEST_F(ImpostaMaturata, UnitCountAtTheSixteenBitLimitIsStored) {
    guest("Scheda_Cliente.mdb", 1, 1, "101", "Rossi", "20240312", "20240318", "N", Null);
    charge("Conto_Cliente.mdb", 1, 3, "20240313", 32767, 0.0);
    run();
    EXPECT_EQ(snapshotRows(), (std::vector<std::pair<std::int64_t, std::int64_t>>{{1, 32767}}));
}

TEST_F(ImpostaMaturata, ArchivesAreReadFromDirKVWithAmpersand) {
    test::runSql("AnagraficaHotels.mdb", "UPDATE AnagraficaHotels SET CodiceAssistenza = '&'");
    std::filesystem::create_directory("kv");
    test::createSuiteTable("kv/SchedaStoricoClienti.mdb", "Scheda_Cliente");
    test::createSuiteTable("kv/ContoStoricoClienti.mdb", "Conto_Cliente");
    guest("kv/SchedaStoricoClienti.mdb", 50, 900, "101", "Remoto", "20240313", "20240316", "S",
          "20240316");
    charge("kv/ContoStoricoClienti.mdb", 50, 3, "20240314", 2, 4.0);
    guest("SchedaStoricoClienti.mdb", 51, 901, "102", "Locale", "20240313", "20240316", "S",
          "20240316");

    {
        test::ScopedEnv kv("DIRKV", dir.path() + "/kv");
        const std::string out = run();
        EXPECT_NE(out.find("Remoto"), std::string::npos);
        EXPECT_EQ(out.find("Locale"), std::string::npos);
        EXPECT_NE(out.find(cp("Imposta adulti                             Qnt.    2   €     4,00")),
                  std::string::npos);
    }
    {
        // "&" with no DirKV: an error naming the path, never the filesystem root.
        test::ScopedEnv kv("DIRKV", "");
        ReportRequest r;
        r.dal = r.al = "15/03/2024";
        EXPECT_THROW(StampaImpostaMaturata(r, io), ReportError);
    }
}

TEST_F(ImpostaMaturata, BadReferenceDateIsRefused) {
    ReportRequest r;
    r.dal = r.al = "30/02/2024";
    EXPECT_THROW(StampaImpostaMaturata(r, io), ReportError);
    EXPECT_EQ(io.printMenus, 0);
}

}  // namespace
}  // namespace corvex
