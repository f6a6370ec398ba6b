#include "settings/qt/isimpostazioni.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOptionFrame>
#include <filesystem>
#include <functional>

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
    EXPECT_TRUE(startsWith(e.messages[0], "la voce di riferimento non è stata selezionata!"));
    EXPECT_FALSE(e.window.salva());
    EXPECT_EQ(e.messages.back(), "Non sono state create le voci per l'imposta di soggiorno!");

    check(e.window.voci(), 50);
    check(e.window.voci(), 51);
    EXPECT_FALSE(e.window.salva());
    EXPECT_EQ(e.messages.back(), "Il codice iva non è stato selezionato!");
    select(e.window.codiceIva(), 4);
    EXPECT_FALSE(e.window.salva());
    EXPECT_EQ(e.messages.back(), "Dati incompleti: manca «Codice da applicare standard».");
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

    EXPECT_TRUE(e.window.modificate());
    EXPECT_TRUE(e.window.salva());
    EXPECT_EQ(e.messages.back(), "Impostazioni salvate in IdS.mdb.");
    EXPECT_FALSE(e.window.modificate());
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

// An editor with items 50 and 51 chosen, the standard code 50, minors 51
// and one period of item 50, as saved.
struct Prepared : Editor {
    Prepared() {
        check(window.voci(), 50);
        check(window.voci(), 51);
        select(window.codiceIva(), 4);
        select(window.codice("CodStd"), 50);
        select(window.codice("CodMin"), 51);
        window.numero("EtaMin")->setValue(12);
        addPeriod("01/01/2025", "30/06/2025", "2,00");
        window.salva();
        messages.clear();
    }
    void addPeriod(const char* from, const char* to, const char* value) {
        select(window.vocePeriodi(), 50);
        window.dataInizio()->setText(QString::fromUtf8(from));
        window.dataFine()->setText(QString::fromUtf8(to));
        window.valore()->setText(QString::fromUtf8(value));
        window.aggiungi()->click();
    }
};

TEST(ISImpostazioni, IncompleteDataNamesTheField) {
    impostazioni::Impostazioni base;
    base.generale.codiceIva = 4;
    base.generale.codStd = 50;
    base.voci = {{50, "Imposta"}, {51, "Minori"}};
    struct Case {
        std::function<void(impostazioni::Impostazioni&)> change;
        const char* named;  // a part of the message
    };
    const Case cases[] = {
        {[](auto& s) { s.generale.codStd = 0; }, "«Codice da applicare standard»"},
        {[](auto& s) { s.generale.ggMax = 7; }, "«Codice da applicare oltre i giorni indicati»"},
        {[](auto& s) { s.generale.etaMin = 14; }, "«Codice da applicare per i minori»"},
        {[](auto& s) {
             s.generale.codFEta = 51;
             s.generale.etaDa = 18;
             s.generale.etaFinoA = 10;
         },
         "«Età da» (18) è maggiore di «Età fino a» (10)"},
        {[](auto& s) { s.generale.codGrp = 52; }, "«Codice da applicare per i gruppi»: voce 52"},
        {[](auto& s) {
             s.periodi = {{50, "01/01/2025", "30/06/2025", Currency::whole(2)},
                          {51, "01/01/2025", "31/12/2025", Currency::whole(1)},
                          {50, "30/06/2025", "31/12/2025", Currency::whole(3)}};
         },
         "dal 30/06/2025 al 31/12/2025 si sovrappone al periodo dal 01/01/2025 al 30/06/2025"},
    };
    EXPECT_EQ(impostazioni::verifica(base), std::nullopt);
    for (const auto& c : cases) {
        auto s = base;
        c.change(s);
        const auto problem = impostazioni::verifica(s);
        ASSERT_TRUE(problem.has_value()) << c.named;
        EXPECT_NE(problem->find(c.named), std::string::npos) << *problem;
    }
}

TEST(ISImpostazioni, OverlappingPeriodOfAnItemIsRefused) {
    TempDataFolder dir;
    CaricaImpostazioni();
    suiteItems();
    Prepared e;
    e.addPeriod("010625", "311225", "2,50");  // shares June with the first
    ASSERT_EQ(e.messages.size(), 1u);
    EXPECT_EQ(e.messages[0],
              "Il periodo dal 01/06/2025 al 31/12/2025 si sovrappone al periodo dal 01/01/2025 "
              "al 30/06/2025 della stessa voce (50): una voce ha una sola tariffa per giorno.");
    EXPECT_EQ(e.window.periodi()->count(), 1);
    e.addPeriod("010725", "311225", "2,50");  // the day after: accepted
    EXPECT_EQ(e.messages.size(), 1u);
    EXPECT_EQ(e.window.periodi()->count(), 2);
    e.addPeriod("010725", "311225", "");
    EXPECT_TRUE(startsWith(e.messages.back(), "Dati incompleti: manca «Valore»"));
}

TEST(ISImpostazioni, UntickingAnItemInUseAsksFirst) {
    TempDataFolder dir;
    CaricaImpostazioni();
    suiteItems();
    Prepared e;
    QListWidgetItem* item50 = e.window.voci()->item(0);
    ASSERT_EQ(item50->data(Qt::UserRole).toInt(), 50);
    e.answerYes = false;
    item50->setCheckState(Qt::Unchecked);
    EXPECT_EQ(e.asked, 1);
    EXPECT_EQ(item50->checkState(), Qt::Checked);  // "No" keeps it
    EXPECT_EQ(e.window.codice("CodStd")->currentData().toInt(), 50);
    EXPECT_FALSE(e.window.modificate());

    e.answerYes = true;
    item50->setCheckState(Qt::Unchecked);
    EXPECT_EQ(e.asked, 2);
    EXPECT_EQ(item50->checkState(), Qt::Unchecked);
    EXPECT_TRUE(e.window.modificate());

    // An item nothing uses goes without a question.
    check(e.window.voci(), 50);
    select(e.window.codice("CodMin"), 0);
    e.window.voci()->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(e.asked, 2);
}

TEST(ISImpostazioni, EsciWithUnsavedChangesAsks) {
    TempDataFolder dir;
    CaricaImpostazioni();
    suiteItems();
    Prepared e;
    e.window.show();
    e.window.reject();  // nothing changed: closes without a question
    EXPECT_EQ(e.asked, 0);
    EXPECT_FALSE(e.window.isVisible());

    e.window.show();
    e.window.numero("NConto")->setValue(7);
    e.answerYes = false;
    e.window.reject();
    EXPECT_EQ(e.asked, 1);
    EXPECT_TRUE(e.window.isVisible());
    e.answerYes = true;
    e.window.reject();
    EXPECT_FALSE(e.window.isVisible());
}

TEST(ISImpostazioni, FitsA1366x768ScreenWithWholeDates) {
    TempDataFolder dir;
    CaricaImpostazioni();
    suiteItems();
    Editor e;
    // However far a small screen squeezes the window, it fits and the text
    // area left inside each date field holds the whole placeholder.
    EXPECT_LE(e.window.minimumSizeHint().width(), 1366);
    EXPECT_LE(e.window.minimumSizeHint().height(), 700);
    e.window.resize(e.window.minimumSizeHint());
    e.window.show();
    QCoreApplication::processEvents();
    for (QLineEdit* f : {e.window.dataInizio(), e.window.dataFine()}) {
        QStyleOptionFrame option;
        option.initFrom(f);
        option.lineWidth = f->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, f);
        const QRect inside = f->style()->subElementRect(QStyle::SE_LineEditContents, &option, f);
        const int room = inside.width() - f->textMargins().left() - f->textMargins().right() - 4;
        EXPECT_GE(room, f->fontMetrics().horizontalAdvance(QStringLiteral("gg/mm/aaaa")))
            << f->objectName().toStdString() << " is " << f->width() << " px";
    }
}

}  // namespace
}  // namespace corvex::qt
