// The desk's window "Andamento": the tourist tax of a year month by month in
// two charts, the person-nights by category (stacked bars) and the tax due,
// collected and paid over (grouped bars). The figures are the filings'
// (filings::andamentoAnno); a failure to read them (missing settings, an
// item without category) is shown in the window instead of the charts.
#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "reports/filings/andamento.h"

class QLabel;
class QSpinBox;

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
QT_END_NAMESPACE

namespace corvex::qt {

// Reads the months of a year; tests replace it.
using LeggiAndamento = std::function<std::array<filings::MeseAndamento, 12>(int anno)>;

class FinestraAndamento : public QDialog {
    Q_OBJECT
  public:
    // Shows the year of the program's clock.
    explicit FinestraAndamento(QWidget* parent = nullptr, LeggiAndamento leggi = {});

    QSpinBox* anno() const { return year_; }
    QLabel* messaggio() const { return message_; }
    QChart* graficoNotti() const { return nights_; }
    QChart* graficoImposta() const { return tax_; }

    // Reads the year in the field and redraws both charts.
    void aggiorna();

  private:
    LeggiAndamento leggi_;
    QSpinBox* year_;
    QLabel* message_;
    QChart* nights_;
    QChart* tax_;
    QChartView* nightsView_;
    QChartView* taxView_;
};

}  // namespace corvex::qt
