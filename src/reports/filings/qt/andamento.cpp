#include "reports/filings/qt/andamento.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <exception>

#include "common/clock.h"
#include "common/currency.h"

namespace corvex::qt {

namespace {

const QStringList& mesiBrevi() {
    static const QStringList m = {
        QStringLiteral("Gen"), QStringLiteral("Feb"), QStringLiteral("Mar"), QStringLiteral("Apr"),
        QStringLiteral("Mag"), QStringLiteral("Giu"), QStringLiteral("Lug"), QStringLiteral("Ago"),
        QStringLiteral("Set"), QStringLiteral("Ott"), QStringLiteral("Nov"), QStringLiteral("Dic")};
    return m;
}

// An amount for the chart; only the drawing uses floating point.
double euro(Currency c) {
    return static_cast<double>(c.units()) / 10000.0;
}

// The months below the bars, a value axis at the left from 0 to a round
// number above the highest bar (1 for an empty year).
void assi(QChart* chart, QAbstractBarSeries* series, const QString& titolo, double massimo) {
    auto* months = new QBarCategoryAxis(chart);
    months->append(mesiBrevi());
    chart->addAxis(months, Qt::AlignBottom);
    series->attachAxis(months);
    auto* values = new QValueAxis(chart);
    values->setTitleText(titolo);
    values->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(values, Qt::AlignLeft);
    series->attachAxis(values);
    values->setRange(0, massimo > 0 ? massimo : 1);
    values->applyNiceNumbers();
}

void svuota(QChart* chart) {
    chart->removeAllSeries();
    for (QAbstractAxis* a : chart->axes()) {
        chart->removeAxis(a);
        delete a;
    }
}

QChart* nuovoGrafico(const QString& titolo) {
    auto* chart = new QChart;
    chart->setTitle(titolo);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

}  // namespace

FinestraAndamento::FinestraAndamento(QWidget* parent, LeggiAndamento leggi)
    : QDialog(parent), leggi_(std::move(leggi)) {
    setObjectName(QStringLiteral("Andamento"));
    setWindowTitle(QStringLiteral("Andamento dell'imposta di soggiorno"));
    setModal(true);
    if (!leggi_) leggi_ = [](int anno) { return filings::andamentoAnno(anno); };

    year_ = new QSpinBox(this);
    year_->setObjectName(QStringLiteral("Anno"));
    year_->setRange(1990, 2100);
    int current = 2000;
    try {
        current = now().year;
    } catch (const std::exception&) {
        // A bad CORVEX_NOW leaves the field at a fixed year; the desk has
        // already said what is wrong with it.
    }
    year_->setValue(current);
    auto* label = new QLabel(QStringLiteral("&Anno"), this);
    label->setBuddy(year_);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("Messaggio"));
    message_->setWordWrap(true);
    message_->setStyleSheet(QStringLiteral("color: #a00000"));
    message_->hide();

    nights_ = nuovoGrafico(QStringLiteral("Pernottamenti per mese e categoria"));
    tax_ = nuovoGrafico(QStringLiteral("Imposta dovuta, riscossa e versata per mese (euro)"));
    nightsView_ = new QChartView(nights_, this);
    nightsView_->setObjectName(QStringLiteral("GraficoNotti"));
    nightsView_->setRenderHint(QPainter::Antialiasing);
    nightsView_->setFocusPolicy(Qt::NoFocus);
    nightsView_->setMinimumSize(640, 300);
    taxView_ = new QChartView(tax_, this);
    taxView_->setObjectName(QStringLiteral("GraficoImposta"));
    taxView_->setRenderHint(QPainter::Antialiasing);
    taxView_->setFocusPolicy(Qt::NoFocus);
    taxView_->setMinimumSize(640, 300);

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(year_);
    top->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(message_);
    layout->addWidget(nightsView_, 1);
    layout->addWidget(taxView_, 1);

    connect(year_, &QSpinBox::valueChanged, this, [this] { aggiorna(); });
    aggiorna();
    year_->setFocus();
    year_->selectAll();
}

void FinestraAndamento::aggiorna() {
    svuota(nights_);
    svuota(tax_);
    std::array<filings::MeseAndamento, 12> mesi;
    try {
        mesi = leggi_(year_->value());
    } catch (const std::exception& e) {
        message_->setText(QStringLiteral("Impossibile calcolare l'andamento del %1: %2")
                              .arg(year_->value())
                              .arg(QString::fromUtf8(e.what())));
        message_->show();
        return;
    }
    message_->hide();
    message_->clear();

    double massimo = 0;
    auto* notti = new QStackedBarSeries(nights_);
    const struct {
        const char* nome;
        std::int64_t filings::MeseAndamento::*campo;
    } categorie[] = {{"Tariffa piena", &filings::MeseAndamento::piena},
                     {"Tariffa ridotta", &filings::MeseAndamento::ridotta},
                     {"Esenti", &filings::MeseAndamento::esenti},
                     {"Esclusi (oltre il massimo)", &filings::MeseAndamento::escluse}};
    for (const auto& c : categorie) {
        auto* set = new QBarSet(QString::fromUtf8(c.nome), notti);
        for (const auto& m : mesi) *set << static_cast<double>(m.*c.campo);
        notti->append(set);
    }
    for (const auto& m : mesi) {
        massimo =
            std::max(massimo, static_cast<double>(m.piena + m.ridotta + m.esenti + m.escluse));
    }
    nights_->addSeries(notti);
    assi(nights_, notti, QStringLiteral("Pernottamenti"), massimo);
    massimo = 0;

    auto* imposta = new QBarSeries(tax_);
    const struct {
        const char* nome;
        Currency filings::MeseAndamento::*campo;
    } importi[] = {{"Dovuta", &filings::MeseAndamento::dovuta},
                   {"Riscossa", &filings::MeseAndamento::riscossa},
                   {"Versata", &filings::MeseAndamento::versata}};
    for (const auto& c : importi) {
        auto* set = new QBarSet(QString::fromUtf8(c.nome), imposta);
        for (const auto& m : mesi) {
            *set << euro(m.*c.campo);
            massimo = std::max(massimo, euro(m.*c.campo));
        }
        imposta->append(set);
    }
    tax_->addSeries(imposta);
    assi(tax_, imposta, QStringLiteral("Euro"), massimo);
}

}  // namespace corvex::qt
