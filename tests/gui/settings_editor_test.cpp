#include "settings/qt/isimpostazioni.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <filesystem>

#include "common/text.h"
#include "settings/store.h"
#include "support/data_folder.h"

namespace corvex::qt {
namespace {

using test::insertRow;
using test::TempDataFolder;

void suiteItems() {
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1},
               {"Codice", 50},
               {"Descrizione", "Imposta soggiorno"},
               {"Reparto", "IDS"}});
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1},
               {"Codice", 51},
               {"Descrizione", "Imposta minori"},
               {"Reparto", "IDS"}});
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1}, {"Codice", 10}, {"Descrizione", "Camera"}, {"Reparto", "CAM"}});
    insertRow("CodiciIva.mdb", "CodiciIva",
              {{"NumeroHotel", 1}, {"Codice", 4}, {"Descrizione", "Esente"}, {"Valore", 0.0}});
}

struct Editor {
    std::vector<std::string> messages;
    bool answerYes = true;
    int asked = 0;
    ISImpostazioni window{nullptr, [this](const std::string& t) { messages.push_back(t); },
                          [this](const std::string&) {
                              ++asked;
                              return answerYes;
                          }};
};

void check(QListWidget* list, int code) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toInt() == code)
            list->item(i)->setCheckState(Qt::Checked);
    }
}

void select(QComboBox* box, int code) {
    box->setCurrentIndex(box->findData(code));
}

TEST(ISImpostazioni, ListsIdsItemsAndSavesInOneGo) {
    TempDataFolder dir;
    CaricaImpostazioni();
    suiteItems();
    Editor e;
    ASSERT_EQ(e.window.voci()->count(), 2);  // department IDS only
    EXPECT_EQ(e.window.codiceIva()->count(), 1);

    e.window.aggiungi()->click();  // no item chosen yet
    ASSERT_EQ(e.messages.size(), 1u);
    EXPECT_EQ(e.messages[0], "la voce di riferimento non è stata selezionata!");
    EXPECT_FALSE(e.window.salva());
    EXPECT_EQ(e.messages.back(), "Non sono state create le voci per l'imposta di soggiorno!");

    check(e.window.voci(), 50);
    check(e.window.voci(), 51);
    EXPECT_FALSE(e.window.salva());
    EXPECT_EQ(e.messages.back(), "Il codice iva non è stato selezionato!");
    select(e.window.codiceIva(), 4);
    EXPECT_FALSE(e.window.salva());
    EXPECT_EQ(e.messages.back(), "Dati incompleti");
    select(e.window.codice("CodStd"), 50);
    select(e.window.codice("CodMin"), 51);
    e.window.numero("EtaMin")->setValue(14);

    select(e.window.vocePeriodi(), 50);
    e.window.dataInizio()->setText(QStringLiteral("311213"));
    e.window.dataFine()->setText(QStringLiteral("01/01/2013"));
    e.window.valore()->setText(QStringLiteral("1,50"));
    e.window.aggiungi()->click();
    EXPECT_EQ(e.messages.back(), "le date inserite non sono corrette!");
    e.window.dataInizio()->setText(QStringLiteral("010113"));
    e.window.dataFine()->setText(QStringLiteral("31/12/2013"));
    e.window.aggiungi()->click();
    ASSERT_EQ(e.window.periodi()->count(), 1);
    EXPECT_EQ(e.window.periodi()->item(0)->text(),
              QStringLiteral("01/01/2013       31/12/2013       1,50"));

    const auto before = e.messages.size();
    EXPECT_TRUE(e.window.salva());
    EXPECT_EQ(e.messages.size(), before);
    const auto saved = impostazioni::carica();
    EXPECT_EQ(saved.generale.codiceIva, 4);
    EXPECT_EQ(saved.generale.codStd, 50);
    EXPECT_EQ(saved.generale.codMin, 51);
    EXPECT_EQ(saved.generale.etaMin, 14);
    ASSERT_EQ(saved.voci.size(), 2u);
    EXPECT_EQ(saved.voci[0].descrizione, "Imposta soggiorno");
    ASSERT_EQ(saved.periodi.size(), 1u);
    EXPECT_EQ(saved.periodi[0].dataInizio, "01/01/2013");
    EXPECT_EQ(saved.periodi[0].valore, Currency::fromUnits(15000));

    // Saved dates are yyyymmdd texts, and a second save replaces, never adds.
    EXPECT_TRUE(e.window.salva());
    EXPECT_EQ(impostazioni::carica().voci.size(), 2u);
    Editor reopened;
    EXPECT_EQ(reopened.window.periodi()->count(), 1);
    EXPECT_EQ(reopened.window.codice("CodStd")->currentData().toInt(), 50);
}

TEST(ISImpostazioni, FailedSaveChangesNothing) {
    TempDataFolder dir;
    CaricaImpostazioni();
    suiteItems();
    impostazioni::Impostazioni s;
    s.generale.codiceIva = 4;
    s.generale.codStd = 50;
    s.voci = {{50, "Imposta"}};
    impostazioni::salva(s);
    // A Periodi table that rejects every row makes the save fail half way.
    test::runSql("IdS.mdb",
                 "CREATE TRIGGER no_rows BEFORE INSERT ON Periodi BEGIN SELECT RAISE(ABORT, "
                 "'rifiutato'); END;");
    s.generale.codStd = 50;
    s.periodi = {{50, "01/01/2013", "31/12/2013", Currency::whole(2)}};
    s.voci = {{50, "Cambiata"}};
    EXPECT_ANY_THROW(impostazioni::salva(s));
    const auto kept = impostazioni::carica();
    ASSERT_EQ(kept.voci.size(), 1u);
    EXPECT_EQ(kept.voci[0].descrizione, "Imposta");
}

TEST(ISImpostazioni, GenuineJetFileIsConvertedAfterAskingAndKeptAsBackup) {
    const std::filesystem::path jet =
        std::filesystem::path(CORVEX_SHARED_DIR) / "fixtures/jet/testV2003.mdb";
    if (!std::filesystem::exists(jet)) GTEST_SKIP() << "Jet fixtures not found at " << jet;
    TempDataFolder dir;
    std::filesystem::copy_file(jet, "IdS.mdb");
    suiteItems();
    impostazioni::Impostazioni s;
    s.generale.codiceIva = 4;
    s.generale.codStd = 50;
    s.voci = {{50, "Imposta"}};
    ASSERT_TRUE(impostazioni::idsInFormatoJet());

    Editor e;  // the Jet file has no settings tables: the editor says so and starts empty
    check(e.window.voci(), 50);
    select(e.window.codiceIva(), 4);
    select(e.window.codice("CodStd"), 50);
    e.answerYes = false;
    EXPECT_FALSE(e.window.salva());
    EXPECT_EQ(e.asked, 1);
    EXPECT_FALSE(std::filesystem::exists("IdS.mdb.jet-backup"));

    e.answerYes = true;
    EXPECT_TRUE(e.window.salva());
    EXPECT_TRUE(std::filesystem::exists("IdS.mdb.jet-backup"));
    EXPECT_NE(e.messages.back().find("IdS.mdb.jet-backup"), std::string::npos);
    EXPECT_FALSE(impostazioni::idsInFormatoJet());
    EXPECT_EQ(impostazioni::carica().generale.codStd, 50);
}

}  // namespace
}  // namespace corvex::qt
