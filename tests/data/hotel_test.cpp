#include "data/hotel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/engine/error.h"
#include "reports/interaction.h"
#include "support/data_folder.h"

namespace {

using corvex::test::TempDataFolder;

// Sets DirKV for one test and puts back whatever the environment held
// (under either spelling the suite uses).
class DirKvGuard {
  public:
    explicit DirKvGuard(std::optional<std::string> value) {
        for (const char* name : {"DirKV", "DIRKV", "dirkv"}) {
            if (const char* v = std::getenv(name)) saved_.push_back({name, v});
            unsetenv(name);
        }
        if (value) setenv("DirKV", value->c_str(), 1);
    }
    ~DirKvGuard() {
        unsetenv("DirKV");
        for (const auto& [name, v] : saved_) setenv(name.c_str(), v.c_str(), 1);
    }

  private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

bool messageHas(const std::exception& e, const std::string& part) {
    return std::string(e.what()).find(part) != std::string::npos;
}

TEST(LeggiCodiceAssistenza, ReadsTheRecordOfHotelOne) {
    TempDataFolder dir;
    corvex::test::insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
                            {{"NumeroHotel", 2}, {"Numero", 2}, {"CodiceAssistenza", "X&"}});
    corvex::test::insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
                            {{"NumeroHotel", 1}, {"Numero", 1}, {"CodiceAssistenza", "AR"}});
    EXPECT_EQ(corvex::LeggiCodiceAssistenza(), "AR");
}

TEST(LeggiCodiceAssistenza, NoRecordOrNullGivesEmptyText) {
    TempDataFolder dir;
    corvex::test::insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
                            {{"NumeroHotel", 2}, {"Numero", 2}, {"CodiceAssistenza", "&"}});
    EXPECT_EQ(corvex::LeggiCodiceAssistenza(), "");
    corvex::test::insertRow(
        "AnagraficaHotels.mdb", "AnagraficaHotels",
        {{"NumeroHotel", 1}, {"Numero", 1}, {"CodiceAssistenza", corvex::test::Null}});
    EXPECT_EQ(corvex::LeggiCodiceAssistenza(), "");
}

TEST(LeggiCodiceAssistenza, MissingDatabaseIsAnErrorNamingIt) {
    TempDataFolder dir;
    try {
        corvex::LeggiCodiceAssistenza();
        FAIL() << "no error for a missing AnagraficaHotels.mdb";
    } catch (const corvex::db::DbError& e) {
        EXPECT_TRUE(messageHas(e, "AnagraficaHotels.mdb")) << e.what();
    }
}

TEST(PercorsoArchivio, WithoutAmpersandTheBareNameIsUsed) {
    TempDataFolder dir;
    DirKvGuard env(std::string("elsewhere"));
    EXPECT_EQ(corvex::PercorsoArchivio("SchedaStoricoClienti.mdb", "AR"),
              "SchedaStoricoClienti.mdb");
    EXPECT_EQ(corvex::PercorsoArchivio("ContoStoricoClienti.mdb", ""), "ContoStoricoClienti.mdb");
}

TEST(PercorsoArchivio, WithAmpersandTheFileIsTakenFromDirKv) {
    TempDataFolder dir;
    std::filesystem::create_directories("dati/kv");
    dir.writeFile("dati/kv/SchedaStoricoClienti.mdb", "");
    dir.writeFile("dati/kv/contostoricoclienti.mdb", "");  // names match without regard to case
    DirKvGuard env(std::string("dati\\kv"));               // the suite writes '\'
    EXPECT_EQ(corvex::PercorsoArchivio("SchedaStoricoClienti.mdb", "A&B"),
              "dati/kv/SchedaStoricoClienti.mdb");
    EXPECT_EQ(corvex::PercorsoArchivio("ContoStoricoClienti.mdb", "&"),
              "dati/kv/contostoricoclienti.mdb");
}

TEST(PercorsoArchivio, TrailingSeparatorInDirKvIsNotDoubled) {
    TempDataFolder dir;
    std::filesystem::create_directories("kv");
    dir.writeFile("kv/SchedaStoricoClienti.mdb", "");
    DirKvGuard env(std::string("kv\\"));
    EXPECT_EQ(corvex::PercorsoArchivio("SchedaStoricoClienti.mdb", "&"),
              "kv/SchedaStoricoClienti.mdb");
}

TEST(PercorsoArchivio, WithAmpersandAnEmptyDirKvIsAnErrorNamingThePath) {
    TempDataFolder dir;
    dir.writeFile("SchedaStoricoClienti.mdb", "");  // the data folder's copy is not used
    for (std::optional<std::string> value :
         {std::optional<std::string>{}, std::optional<std::string>{""}}) {
        DirKvGuard env(value);
        try {
            corvex::PercorsoArchivio("SchedaStoricoClienti.mdb", "&");
            FAIL() << "no error for an empty DirKV";
        } catch (const corvex::ReportError& e) {
            EXPECT_TRUE(messageHas(e, "\"/SchedaStoricoClienti.mdb\"")) << e.what();
            EXPECT_TRUE(messageHas(e, "DirKV")) << e.what();
        }
    }
}

TEST(PercorsoArchivio, WithAmpersandAMissingArchiveIsAnErrorNamingThePath) {
    TempDataFolder dir;
    std::filesystem::create_directories("kv");
    dir.writeFile("ContoStoricoClienti.mdb", "");  // in the data folder, not in DirKV
    DirKvGuard env(std::string("kv"));
    try {
        corvex::PercorsoArchivio("ContoStoricoClienti.mdb", "&");
        FAIL() << "no error for a missing archive";
    } catch (const corvex::ReportError& e) {
        EXPECT_TRUE(messageHas(e, "\"kv/ContoStoricoClienti.mdb\"")) << e.what();
    }
}

}  // namespace
