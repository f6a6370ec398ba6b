// The output side: CSV and raw bytes of a 2 MB report, and with the windows
// built, the preview opening that report, a 100-page PDF and the desk's
// opening. Each runs in a private folder under /tmp.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "output/csv.h"
#include "output/raw_print.h"
#include "output/report_file.h"

#ifdef CORVEX_HAVE_GUI
#include <QApplication>

#include "desk/isdesktop.h"
#include "output/qt/anteprima.h"
#include "output/qt/printer_output.h"
#endif

namespace fs = std::filesystem;

namespace {

// A report line of the width the takings register prints, with an amount.
std::string reportLine(int i) {
    std::string l = "Riga " + std::to_string(i) + "  Camera 101  Presenze 3  Importo   1.234,56";
    l.resize(100, ' ');
    return l;
}

// fd1 of about 2 MB (20,000 lines of 100 characters) in a private folder.
const std::string& folder() {
    static const std::string dir = [] {
        const fs::path d = "/tmp/corvex-bench-output." + std::to_string(::getpid());
        fs::remove_all(d);
        fs::create_directories(d);
        fs::current_path(d);
        ::setenv("PCLocal", "1", 1);
        std::ofstream out("fd1", std::ios::binary);
        for (int i = 0; i < 20000; ++i) out << reportLine(i) << "\r\n";
        return d.string();
    }();
    return dir;
}

void BM_ConvertiXLS_2MB(benchmark::State& state) {
    folder();
    for (auto _ : state) benchmark::DoNotOptimize(corvex::ConvertiXLS("fd1"));
}
BENCHMARK(BM_ConvertiXLS_2MB)->Unit(benchmark::kMillisecond);

void BM_UscitaRaw_2MB(benchmark::State& state) {
    folder();
    const auto lines = corvex::readReportLines("fd1");
    corvex::ConfigStampa c;
    c.sequenzaInizio = std::string(5, '\0');
    c.margineSuperiore = 2;
    for (auto _ : state) benchmark::DoNotOptimize(corvex::uscitaRaw(&lines, c));
}
BENCHMARK(BM_UscitaRaw_2MB)->Unit(benchmark::kMillisecond);

#ifdef CORVEX_HAVE_GUI
void ensureApp() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
    static int argc = 1;
    static char name[] = "corvex_bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
}

// Target: under 0.3 s.
void BM_AnteprimaOpen_2MB(benchmark::State& state) {
    folder();
    ensureApp();
    for (auto _ : state) {
        corvex::qt::Anteprima preview(nullptr,
                                      [](const std::string&, const QString&) { return QString(); });
        preview.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(preview.blocco().righe);
    }
}
BENCHMARK(BM_AnteprimaOpen_2MB)->Unit(benchmark::kMillisecond);

// Target: under 3 s for 100 pages.
void BM_Pdf_100Pages(benchmark::State& state) {
    folder();
    ensureApp();
    corvex::ConfigStampa c;
    c.modoStampante = true;
    c.dimensioneApertura = 8;
    c.dimensioneCorpo = 10;
    c.lunghezzaPagina = 60;
    std::vector<std::string> lines;
    for (int i = 0; i < 6000; ++i) {
        lines.push_back(i % 10 == 0 ? "\xE7Totale\xE7 " + reportLine(i) : reportLine(i));
    }
    for (auto _ : state) corvex::qt::renderStampante(c, lines, "bench.pdf");
    state.counters["pages"] = 100;
}
BENCHMARK(BM_Pdf_100Pages)->Unit(benchmark::kMillisecond)->Iterations(3);

// Target: under 1 s.
void BM_DeskOpen(benchmark::State& state) {
    folder();
    ensureApp();
    for (auto _ : state) {
        corvex::desk::ISDeskTop desk;
        desk.show();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_DeskOpen)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
