// The "Andamento" window: the year of the program's clock, the months'
// figures in the bars, a failure to read them as a message, the keyboard.
#include "reports/filings/qt/andamento.h"

#include <gtest/gtest.h>

#include <QBarSet>
#include <QChart>
#include <QLabel>
#include <QSpinBox>
#include <QStackedBarSeries>
#include <QTest>

#include "common/errors.h"
#include "support/data_folder.h"

namespace corvex::qt {
namespace {

// The bar set of a chart by its name.
QBarSet* set(QChart* chart, const char* name) {
    for (QAbstractSeries* s : chart->series()) {
        for (QBarSet* b : static_cast<QAbstractBarSeries*>(s)->barSets())
            if (b->label() == QString::fromUtf8(name)) return b;
    }
    return nullptr;
}

TEST(FinestraAndamento, ShowsTheYearsMonthsAndSaysWhatFails) {
    test::TempDataFolder dir;
    ::setenv("CORVEX_NOW", "20/07/2025 10:00", 1);
    std::vector<int> read;
    FinestraAndamento w(nullptr, [&read](int anno) {
        read.push_back(anno);
        if (anno == 2024) throw ReportError("voce d'imposta 7 senza categoria");
        std::array<filings::MeseAndamento, 12> m{};
        m[2].piena = 40;
        m[2].esenti = 5;
        m[6].versata = Currency::fromUnits(1234500);  // 123,45
        return m;
    });
    EXPECT_EQ(w.anno()->value(), 2025);
    EXPECT_EQ(read, std::vector<int>{2025});
    ASSERT_TRUE(set(w.graficoNotti(), "Tariffa piena"));
    EXPECT_EQ(set(w.graficoNotti(), "Tariffa piena")->at(2), 40);
    EXPECT_EQ(set(w.graficoNotti(), "Esenti")->at(2), 5);
    EXPECT_DOUBLE_EQ(set(w.graficoImposta(), "Versata")->at(6), 123.45);
    EXPECT_TRUE(w.messaggio()->isHidden());

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_TRUE(w.anno()->hasFocus());
    QTest::keyClick(w.anno(), Qt::Key_Down);  // 2024: the reader fails
    EXPECT_EQ(read.back(), 2024);
    EXPECT_FALSE(w.messaggio()->isHidden());
    EXPECT_TRUE(w.messaggio()->text().contains(QStringLiteral("voce d'imposta 7 senza categoria")));
    EXPECT_TRUE(w.graficoNotti()->series().isEmpty());
    QTest::keyClick(w.anno(), Qt::Key_Up);
    EXPECT_TRUE(w.messaggio()->isHidden());
    EXPECT_FALSE(w.graficoNotti()->series().isEmpty());

    QTest::keyClick(w.anno(), Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    ::unsetenv("CORVEX_NOW");
}

// The real reader in a folder that is not a data folder: a message naming
// the missing file, no charts.
TEST(FinestraAndamento, OutsideADataFolderSaysWhatIsMissing) {
    test::TempDataFolder dir;
    FinestraAndamento w;
    EXPECT_FALSE(w.messaggio()->isHidden());
    EXPECT_TRUE(w.messaggio()->text().contains(QStringLiteral(".mdb")))
        << w.messaggio()->text().toStdString();
    EXPECT_TRUE(w.graficoImposta()->series().isEmpty());
}

}  // namespace
}  // namespace corvex::qt
