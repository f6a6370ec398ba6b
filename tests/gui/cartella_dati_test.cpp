#include "desk/cartella_dati.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <fstream>
#include <vector>

#include "support/data_folder.h"

namespace corvex::desk {
namespace {

namespace fs = std::filesystem;
using test::TempDataFolder;

// A temporary folder with a home, two data folders (the suite's register in
// one, only Corvex's settings in the other) and a plain folder.
struct Folders {
    TempDataFolder tmp;
    fs::path root = fs::current_path();
    fs::path home = root / "home", hotel = root / "hotel", own = root / "own",
             plain = root / "plain";
    Folders() {
        for (const auto& d : {home, hotel, own, plain}) fs::create_directories(d);
        std::ofstream(hotel / "Scheda_Cliente.mdb") << "x";
        std::ofstream(own / "IdS.mdb") << "x";
    }
};

TEST(CartellaDati, DecidesWhereToWorkAndWhenToAsk) {
    Folders f;
    const fs::path gone = f.root / "gone";
    struct Row {
        const char* what;
        fs::path corrente, ricordata;
        bool sceltaRichiesta;
        fs::path cartella;
        bool chiedere;
    };
    const std::vector<Row> rows = {
        {"started in the suite's folder", f.hotel, f.own, false, f.hotel, false},
        {"started in a folder with IdS.mdb only", f.own, {}, false, f.own, false},
        {"menu start, folder remembered", f.home, f.hotel, false, f.hotel, false},
        {"first menu start asks from home", f.home, {}, false, f.home, true},
        {"first start in a plain folder asks from there", f.plain, {}, false, f.plain, true},
        {"remembered folder removed", f.home, gone, false, f.home, true},
        {"remembered folder no longer a data folder", f.home, f.plain, false, f.plain, true},
        {"menu action asks again, from the remembered", f.hotel, f.own, true, f.own, true},
    };
    for (const auto& r : rows) {
        const SceltaCartella s = DecidiCartella(r.corrente, r.ricordata, r.sceltaRichiesta);
        EXPECT_EQ(s.cartella, r.cartella) << r.what;
        EXPECT_EQ(s.chiedere, r.chiedere) << r.what;
    }
}

TEST(CartellaDati, FirstStartAsksAndRemembersLaterStartsDoNot) {
    Folders f;
    QSettings settings((f.root / "corvex.conf").c_str(), QSettings::IniFormat);
    std::vector<fs::path> asked;
    std::optional<fs::path> answer;
    const ChiediCartella chiedi = [&](const fs::path& start) {
        asked.push_back(start);
        return answer;
    };

    // Cancelled: the desk does not open, nothing is remembered.
    fs::current_path(f.home);
    EXPECT_FALSE(EntraNellaCartellaDati(settings, false, chiedi));
    EXPECT_EQ(fs::current_path(), f.home);
    EXPECT_FALSE(settings.contains(QStringLiteral("cartellaDati")));

    answer = f.hotel;
    EXPECT_TRUE(EntraNellaCartellaDati(settings, false, chiedi));
    EXPECT_EQ(fs::current_path(), f.hotel);

    // The next start from home goes straight to the folder chosen.
    fs::current_path(f.home);
    asked.clear();
    EXPECT_TRUE(EntraNellaCartellaDati(settings, false, chiedi));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(fs::current_path(), f.hotel);

    // A start inside another data folder works there and keeps the choice.
    fs::current_path(f.own);
    EXPECT_TRUE(EntraNellaCartellaDati(settings, false, chiedi));
    EXPECT_EQ(fs::current_path(), f.own);
    EXPECT_EQ(settings.value(QStringLiteral("cartellaDati")).toString().toStdString(),
              f.hotel.string());
    EXPECT_TRUE(asked.empty());
    fs::current_path(f.root);
}

}  // namespace
}  // namespace corvex::desk
