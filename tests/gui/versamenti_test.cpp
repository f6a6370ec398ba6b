// The payments window: list by year, add through the form, delete after
// asking; the form refuses what the command line refuses.
#include "settings/qt/versamenti.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "support/data_folder.h"

namespace corvex::qt {
namespace {

using test::TempDataFolder;

struct Voices {
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    bool answerYes = false;
    MessaggioVersamenti messaggio() {
        return [this](const std::string& t) { messages.push_back(t); };
    }
    ConfermaVersamenti conferma() {
        return [this](const std::string& t) {
            questions.push_back(t);
            return answerYes;
        };
    }
};

Versamento payment(const char* date, std::int64_t cents, const char* from, const char* to,
                   const char* reference) {
    Versamento v;
    v.data = date;
    v.importo = Currency::fromUnits(cents * 100);
    v.dal = from;
    v.al = to;
    v.riferimento = reference;
    return v;
}

void fill(ModuloVersamento& f, const char* date, const char* amount, const char* from,
          const char* to, const char* reference) {
    f.data()->setText(QString::fromUtf8(date));
    f.importo()->setText(QString::fromUtf8(amount));
    f.dal()->setText(QString::fromUtf8(from));
    f.al()->setText(QString::fromUtf8(to));
    f.riferimento()->setText(QString::fromUtf8(reference));
}

TEST(FinestraVersamenti, ListsByYearAddsAndDeletesAfterAsking) {
    TempDataFolder dir;
    ::setenv("CORVEX_NOW", "20/07/2025 10:00", 1);
    aggiungiVersamento(payment("16/01/2025", 30000, "01/10/2024", "31/12/2024", "CRO 4"));
    aggiungiVersamento(payment("16/04/2025", 12050, "01/01/2025", "31/03/2025", "CRO 1"));
    Voices voices;
    FinestraVersamenti w(nullptr, voices.messaggio(), voices.conferma());
    ASSERT_EQ(w.anno()->currentText(), QStringLiteral("2025"));
    ASSERT_EQ(w.tabella()->rowCount(), 1);  // the fourth quarter counts for 2024
    EXPECT_EQ(w.tabella()->item(0, 1)->text(), QStringLiteral("120,50"));
    w.anno()->setCurrentIndex(w.anno()->findText(QStringLiteral("Tutti")));
    EXPECT_EQ(w.tabella()->rowCount(), 2);
    EXPECT_EQ(w.totale()->text(), QStringLiteral("Totale: 2 versamenti, 420,50"));
    w.anno()->setCurrentIndex(w.anno()->findText(QStringLiteral("2025")));

    // From the keyboard: a short date completed on Enter, which moves on.
    int forms = 0;
    w.apriModuloCon([&](ModuloVersamento& f) {
        ++forms;
        f.show();
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        f.data()->setFocus();
        QTest::keyClicks(f.data(), QStringLiteral("160725"));
        QTest::keyClick(f.data(), Qt::Key_Return);
        EXPECT_EQ(f.data()->text(), QStringLiteral("16/07/2025"));
        EXPECT_TRUE(f.importo()->hasFocus());
        fill(f, "160725", "1.234,5", "010425", "30/06/2025", forms == 1 ? "TRN 2" : "trn 2");
        f.canale()->setEditText(QStringLiteral("pagoPA"));
        f.tastoRegistra()->setFocus();
        QTest::keyClick(f.tastoRegistra(), Qt::Key_Return);
    });
    w.tastoAggiungi()->click();
    ASSERT_TRUE(voices.messages.empty()) << voices.messages.front();
    ASSERT_EQ(w.tabella()->rowCount(), 2);
    EXPECT_EQ(w.tabella()->currentRow(), 1);  // the new one, selected
    EXPECT_EQ(w.totale()->text(), QStringLiteral("Totale: 2 versamenti, 1.355,00"));
    auto saved = leggiVersamenti();
    ASSERT_EQ(saved.size(), 3u);
    EXPECT_EQ(saved[2].data, "16/07/2025");
    EXPECT_EQ(saved[2].dal, "01/04/2025");
    EXPECT_EQ(saved[2].importo, Currency::fromUnits(12345000));
    EXPECT_EQ(saved[2].canale, "pagoPA");

    // The same reference again: asked, "No" adds nothing.
    w.tastoAggiungi()->click();
    ASSERT_EQ(voices.questions.size(), 1u);
    EXPECT_NE(voices.questions[0].find("\"trn 2\" è già nel versamento 3"), std::string::npos);
    EXPECT_EQ(leggiVersamenti().size(), 3u);

    // Delete: "No" keeps it, "Sì" removes the selected one.
    w.tabella()->selectRow(0);
    w.tastoElimina()->click();
    EXPECT_EQ(voices.questions.back(),
              "Eliminare il versamento del 16/04/2025 di 120,50 (riferimento CRO 1)?");
    EXPECT_EQ(leggiVersamenti().size(), 3u);
    voices.answerYes = true;
    w.tastoElimina()->click();
    saved = leggiVersamenti();
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].riferimento, "CRO 4");
    EXPECT_EQ(saved[1].riferimento, "TRN 2");
    EXPECT_EQ(w.tabella()->rowCount(), 1);
}

TEST(ModuloVersamento, RefusesWhatTheCommandLineRefusesAndWritesNothing) {
    TempDataFolder dir;
    struct Case {
        const char *date, *amount, *from, *to, *reference, *message;
    } cases[] = {
        {"31/02/2025", "10", "010125", "310325", "R",
         "«Data del versamento»: \"31/02/2025\" non è una data valida (gg/mm/aaaa, ggmmaa o "
         "ggmmaaaa)"},
        {"160425", "12,345", "010125", "310325", "R",
         "«Importo»: \"12,345\" non è un importo valido: al massimo due decimali"},
        {"160425", "-5", "010125", "310325", "R",
         "«Importo»: \"-5\" non è un importo valido: deve essere maggiore di zero"},
        {"160425", "1.234", "010125", "310325", "R",
         "«Importo»: \"1.234\" non è un importo valido: ambiguo: per le migliaia scrivere ad es. "
         "1.234,00 o 1234"},
        {"160425", "10", "0101", "310325", "R",
         "«Periodo versato dal»: \"0101\" non è una data valida (gg/mm/aaaa, ggmmaa o ggmmaaaa)"},
        {"160425", "10", "010725", "300625", "R",
         "il periodo versato va dal 01/07/2025 al 30/06/2025: «dal» non può essere dopo «al»"},
        {"160425", "10", "010125", "310325", "  ", "«Riferimento»: il riferimento è vuoto"},
    };
    for (const auto& c : cases) {
        Voices voices;
        ModuloVersamento f(nullptr, voices.messaggio(), voices.conferma());
        fill(f, c.date, c.amount, c.from, c.to, c.reference);
        EXPECT_EQ(f.registra(), 0) << c.message;
        ASSERT_EQ(voices.messages.size(), 1u) << c.message;
        EXPECT_EQ(voices.messages[0], c.message);
    }
    EXPECT_FALSE(dir.exists(kFileDichiarazioni));
}

}  // namespace
}  // namespace corvex::qt
