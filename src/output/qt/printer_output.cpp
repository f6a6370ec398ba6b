#include "output/qt/printer_output.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdlib>
#include <stdexcept>

#include "dialogs/testo_qt.h"

namespace corvex::qt {

namespace {

constexpr double kBoldShrink = 0.4;  // bold runs print this much smaller

// The command line has no application object; fonts and printers need one.
void ensureApplication() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
        !std::getenv("QT_QPA_PLATFORM")) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    static int argc = 1;
    static char name[] = "corvex";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

double lineHeight(QPaintDevice* device, const ConfigStampa& c, const RigaStampa& r) {
    return QFontMetricsF(fontRiga(c, r, false), device).lineSpacing();
}

}  // namespace

QFont fontRiga(const ConfigStampa& config, const RigaStampa& riga, bool grassetto) {
    const bool opening = riga.tipo == RigaStampa::Tipo::Apertura;
    QFont font(opening ? QStringLiteral("Times New Roman") : daCp(config.font));
    font.setStyleHint(opening ? QFont::Serif : QFont::TypeWriter);
    double size = riga.dimensione;
    if (grassetto) size = std::max(1.0, size - kBoldShrink);
    font.setPointSizeF(size);
    font.setBold(grassetto);
    return font;
}

void impostaPagina(QPrinter& printer, const ConfigStampa& config) {
    printer.setPageOrientation(config.orizzontale ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (config.fronteRetro) printer.setDuplex(QPrinter::DuplexLongSide);
}

int disegnaStampa(QPrinter& printer, const ConfigStampa& config,
                  const std::vector<std::string>& lines) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw std::runtime_error("Impossibile avviare la stampa su " +
                                 aCp(printer.outputFileName().isEmpty()
                                         ? printer.printerName()
                                         : printer.outputFileName()));
    }
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    MisurePagina misure;
    misure.altezza = [&](const RigaStampa& r) { return lineHeight(&printer, config, r); };
    misure.altezzaUtile = area.height();
    const auto pages = impaginaStampante(lines, config, &misure);

    for (std::size_t p = 0; p < pages.size(); ++p) {
        if (p > 0) printer.newPage();
        double y = 0;
        for (const auto& riga : pages[p].righe) {
            const QFontMetricsF plain(fontRiga(config, riga, false), &printer);
            const double baseline = y + plain.ascent();
            double x = 0;
            for (const auto& seg : riga.segmenti) {
                const QFont font = fontRiga(config, riga, seg.grassetto);
                painter.setFont(font);
                const QString text = daCp(seg.testo);
                painter.drawText(QPointF(x, baseline), text);
                x += QFontMetricsF(font, &printer).horizontalAdvance(text);
            }
            y += plain.lineSpacing();
        }
    }
    painter.end();
    return static_cast<int>(pages.size());
}

void renderStampante(const ConfigStampa& config, const std::vector<std::string>& lines,
                     const std::string& pdfPath) {
    ensureApplication();
    QPrinter printer(QPrinter::HighResolution);
    if (!pdfPath.empty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(daCp(pdfPath));
        printer.setDocName(QFileInfo(daCp(pdfPath)).completeBaseName());
    } else {
        const QString wanted = daCp(config.dispositivo);
        QPrinterInfo chosen = QPrinterInfo::printerInfo(wanted);
        if (chosen.isNull()) chosen = QPrinterInfo::defaultPrinter();
        if (chosen.isNull()) {
            throw std::runtime_error("Nessuna stampante di sistema disponibile per la stampa su " +
                                     config.dispositivo);
        }
        printer.setPrinterName(chosen.printerName());
        printer.setDocName(QStringLiteral("Corvex"));
    }
    impostaPagina(printer, config);
    disegnaStampa(printer, config, lines);
}

}  // namespace corvex::qt
