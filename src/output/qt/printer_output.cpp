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
#include "output/righe_vista.h"

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

double bodySize(const ConfigStampa& c) {
    return c.dimensioneCorpo > 0 ? c.dimensioneCorpo : kDimensionePredefinita;
}

double paintWidth(const QPrinter& printer) {
    return printer.pageLayout().paintRectPixels(printer.resolution()).width();
}

// The widest body line drawn at size, in the printer's pixels, and its
// length in characters. Bold runs print smaller, so the plain face bounds them.
std::pair<double, std::size_t> widestLine(const QPrinter& printer, const ConfigStampa& c,
                                          const std::vector<std::string>& lines, double size) {
    const RigaStampa body{RigaStampa::Tipo::Corpo, size, {}};
    const QFontMetricsF metrics(fontRiga(c, body, false), const_cast<QPrinter*>(&printer));
    double widest = 0;
    std::size_t chars = 0;
    for (const auto& line : lines) {
        std::string text;
        for (const auto& seg : segmentiGrassetto(line)) text += seg.testo;
        const double w = metrics.horizontalAdvance(daCp(text));
        if (w > widest) widest = w;
        chars = std::max(chars, text.size());
    }
    return {widest, chars};
}

}  // namespace

PaginaScelta adattaPagina(QPrinter& printer, ConfigStampa& config,
                          const std::vector<std::string>& lines) {
    // Measured on the lines as the page shows them (bold marks dropped).
    const auto shown = config.senzaPulizia() ? lines : righeVista(lines, true);
    PaginaScelta page;
    page.orizzontale = config.orizzontale;
    page.corpo = bodySize(config);
    impostaPagina(printer, config);
    auto [width, chars] = widestLine(printer, config, shown, page.corpo);
    page.larghezza = chars;
    if (width <= paintWidth(printer)) return page;

    page.adattata = true;
    if (!config.orizzontale) {
        config.orizzontale = true;
        page.orizzontale = true;
        impostaPagina(printer, config);
        if (width <= paintWidth(printer)) return page;
    }
    // Text width grows with the size: start from the proportional size,
    // rounded down to a quarter point, and step down until the line fits.
    double size = std::floor(page.corpo * paintWidth(printer) / width * 4) / 4;
    while (size > 1 && widestLine(printer, config, shown, size).first > paintWidth(printer)) {
        size -= 0.25;
    }
    page.corpo = std::max(1.0, size);
    config.dimensioneCorpo = page.corpo;
    return page;
}

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
        throw std::runtime_error(
            "Impossibile avviare la stampa su " +
            (printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName())
                .toStdString());
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

PaginaScelta renderStampante(const ConfigStampa& settings, const std::vector<std::string>& lines,
                             const std::string& pdfPath) {
    ConfigStampa config = settings;
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
            throw std::runtime_error(
                config.dispositivo.empty()
                    ? std::string("Nessuna stampante di sistema disponibile: nessuna stampante "
                                  "installata e nessun dispositivo indicato in Stampanti.mdb")
                    : "Nessuna stampante di sistema disponibile per la stampa su " +
                          cp1252ToUtf8(config.dispositivo));
        }
        printer.setPrinterName(chosen.printerName());
        printer.setDocName(QStringLiteral("Corvex"));
    }
    const PaginaScelta page = adattaPagina(printer, config, lines);
    disegnaStampa(printer, config, lines);
    return page;
}

}  // namespace corvex::qt
