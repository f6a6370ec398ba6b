// The print menu's outputs on the command line: --csv, --print, --pdf and the
// check boxes, run where the desk opens its print menu.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/cli.h"
#include "cli_test_support.h"
#include "common/environment.h"
#include "common/text.h"
#include "output/csv.h"
#include "output/headless.h"
#include "output/report_file.h"
#include "output/righe_vista.h"

namespace corvex::cli {
namespace {

using test::insertRow;

std::string slurp(const std::string& name) {
    std::ifstream f(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Three lines: a bold mark, box characters and an accented letter first.
ReportResult writesThreeLines(const ReportRequest&, Interaction& io) {
    std::ofstream f("fd7", std::ios::binary);
    f << "\xE7TOTALE\xE7 \xB3 Et\xE0 1.234,50\r\n\xC4\xC4\xC4\r\nriga 3\r\n";
    f.close();
    io.showPrintMenu();
    return {};
}
// Appends to the report file and opens no print menu, as the takings register
// does when MCCnf.txt asks for an unattended run.
ReportResult noPrintMenu(const ReportRequest&, Interaction&) {
    std::ofstream f("fd7", std::ios::binary | std::ios::app);
    f << "aggiunta\r\n";
    return {};
}
// A report with a table: offers its sheet before the print menu.
ReportResult offersASheet(const ReportRequest&, Interaction& io) {
    std::ofstream("fd7", std::ios::binary) << "Notti 12\r\n";
    xlsx::Foglio f;
    f.righe = {{xlsx::Cella::testo("Notti"), xlsx::Cella::intero(12)}};
    io.offerSheet(f);
    io.showPrintMenu();
    return {};
}
ReportResult skipsAndPrints(const ReportRequest& r, Interaction& io) {
    writesThreeLines(r, io);
    return ReportResult{{"record 4: bad date"}};
}

const std::vector<ReportEntry>& outputCatalog() {
    static const std::vector<ReportEntry> entries = {
        {.name = "writes", .routine = "Writes", .run = &writesThreeLines, .roomRange = true},
        {.name = "no-menu", .routine = "NoMenu", .run = &noPrintMenu},
        {.name = "skips", .routine = "Skips", .run = &skipsAndPrints},
        {.name = "sheet", .routine = "Sheet", .run = &offersASheet, .sheet = true},
    };
    return entries;
}

// A raw destination writing to a file of the data folder (top margin 1,
// start sequences ESC 18 / ESC 15), a printer-mode destination and a PDF one;
// pages of 3 lines, 80 when compressed.
void destinations() {
    insertRow("Stampanti.mdb", "Stampanti",
              {{"NumeroHotel", 1},
               {"Destinazione", "Aghi"},
               {"Linea", "aghi.prn"},
               {"TipoStampa", "2 aghi"}});
    insertRow("Stampanti.mdb", "Stampanti",
              {{"NumeroHotel", 1},
               {"Destinazione", "Laser"},
               {"Linea", "HP_Ufficio"},
               {"TipoStampa", "1"}});
    insertRow("Stampanti.mdb", "Stampanti",
              {{"NumeroHotel", 1},
               {"Destinazione", "Stampa PDF"},
               {"Linea", "uscita.pdf"},
               {"TipoStampa", "1"}});
    insertRow(
        "Stampanti.mdb", "Stampanti",
        {{"NumeroHotel", 1}, {"Destinazione", "Windows"}, {"Linea", "LPT1:"}, {"TipoStampa", "2"}});
    insertRow("Stampanti.mdb", "SetStampa",
              {{"TipoStampa", 1},
               {"Compresso", "  8  0  0  0  0  1 11  0  0  0  0  0"},
               {"Grassetto", "  0  0  0  0  0  4 70 66  0  0  0  0"}});
    insertRow("Stampanti.mdb", "SetStampa",
              {{"TipoStampa", 2},
               {"Compresso", " 27 15  0  0  0  0 27 18  0  0  0  0"},
               {"Grassetto", "  0  0  0  0  0  1 72 64  0  0  0  0"}});
    insertRow("Contatori.mdb", "Contatori",
              {{"NumeroHotel", 1}, {"LungPagComp", 80}, {"LungPagNoComp", 3}});
}

class OutputTest : public testing::DataFolderTest {
  protected:
    int runFake(const std::vector<std::string>& args) {
        out_.str("");
        err_.str("");
        return runReport(parseReportArgs(args, outputCatalog()), out_, err_, {}, render_);
    }
    // A renderer that records what it was asked to draw.
    void fakeRenderer() {
        render_ = [this](const ConfigStampa& c, const std::vector<std::string>& lines,
                         const std::string& path) {
            renders_.push_back({c, lines, path});
            if (!path.empty()) std::ofstream(path) << "%PDF-fake\n";
            return PaginaScelta{};
        };
    }
    RenderStampante render_;
    struct Render {
        ConfigStampa config;
        std::vector<std::string> lines;
        std::string path;
    };
    std::vector<Render> renders_;
    std::ostringstream out_, err_;
};

TEST_F(OutputTest, CsvIsTheExportOfTheReportFileAndStdoutStaysClean) {
    writeFile("SeparatoreXLS.txt", ";\r\n,\r\nE\r\n");
    ASSERT_EQ(runFake({"writes", "--csv"}), Ok) << err_.str();
    EXPECT_EQ(out_.str(), "");
    EXPECT_NE(err_.str().find("CSV: " + percorsoCompleto("fd7.csv")), std::string::npos)
        << err_.str();
    const std::string csv = slurp("fd7.csv");
    ASSERT_FALSE(csv.empty());
    // Byte for byte what the print menu's CSV button writes.
    std::filesystem::rename("fd7.csv", "menu.csv");
    EXPECT_EQ(ConvertiXLS(reportFileName()), "fd7.csv");
    EXPECT_EQ(csv, slurp("fd7.csv"));
    EXPECT_NE(csv.find(";"), std::string::npos) << csv;

    // With the terminal print as well: the report on stdout, the notes on stderr.
    ASSERT_EQ(runFake({"writes", "--csv", "-"}), Ok) << err_.str();
    EXPECT_EQ(out_.str().find("CSV"), std::string::npos);
    EXPECT_NE(out_.str().find("TOTALE | Et\xC3\xA0"), std::string::npos);
}

TEST_F(OutputTest, XlsxWritesTheSheetTheReportOffered) {
    ASSERT_EQ(runFake({"sheet", "--xlsx", "notti.xlsx", "--csv"}), Ok) << err_.str();
    EXPECT_NE(err_.str().find("XLSX: " + percorsoCompleto("notti.xlsx")), std::string::npos)
        << err_.str();
    EXPECT_EQ(slurp("notti.xlsx").rfind("PK", 0), 0u);  // a zip archive
    EXPECT_FALSE(slurp("fd7.csv").empty());
}

TEST_F(OutputTest, PrintToARawDestinationWritesTheExactBytesInTheDataFolder) {
    destinations();
    ASSERT_EQ(runFake({"writes", "--print", "Aghi"}), Ok) << err_.str();
    EXPECT_EQ(out_.str(), "");
    EXPECT_NE(err_.str().find("Aghi"), std::string::npos) << err_.str();
    // Start sequence, then pages of 3 lines counting the top margin's blank
    // line, each ended by a form feed; lines cleaned as the preview shows them.
    EXPECT_EQ(slurp("aghi.prn"), std::string("\x1B\x12\0\0\0", 5) +
                                     " \r\nTOTALE | Et\xE0 1.234,50\r\n---\r\n\f"
                                     " \r\nriga 3\r\n\f");

    // "Stampa Compressa": the compressed start sequence and page length.
    ASSERT_EQ(runFake({"writes", "--print=Aghi", "--compressed"}), Ok) << err_.str();
    EXPECT_EQ(slurp("aghi.prn"), std::string("\x1B\x0F\0\0\0", 5) +
                                     " \r\nTOTALE | Et\xE0 1.234,50\r\n---\r\nriga 3\r\n\f");
}

TEST_F(OutputTest, FailedOutputsExitOneNamingTheDestination) {
    destinations();
    // An unknown destination is found before the report runs, and the
    // message lists the known ones.
    EXPECT_EQ(runFake({"writes", "--print", "Nessuna"}), DataError);
    EXPECT_NE(err_.str().find("--print: la destinazione \"Nessuna\" non è in Stampanti.mdb"),
              std::string::npos)
        << err_.str();
    EXPECT_NE(err_.str().find("Aghi, Laser, Stampa PDF, Windows"), std::string::npos);
    EXPECT_FALSE(reportFileExists(reportFileName()));

    // A device that cannot be used here: the report was written, the print failed.
    EXPECT_EQ(runFake({"writes", "--print", "Windows"}), DataError);
    EXPECT_NE(err_.str().find("LPT1:"), std::string::npos) << err_.str();
    EXPECT_FALSE(std::filesystem::exists("LPT1:"));
    EXPECT_TRUE(reportFileExists(reportFileName()));

    // Printer mode needs the desktop build's renderer.
    EXPECT_EQ(runFake({"writes", "--print", "Laser"}), DataError);
    EXPECT_NE(err_.str().find("finestre"), std::string::npos) << err_.str();

    // A failed output wins over skipped records, which are still listed.
    EXPECT_EQ(runFake({"skips", "--print", "Windows"}), DataError);
    EXPECT_NE(err_.str().find("record 4"), std::string::npos) << err_.str();
}

TEST_F(OutputTest, PdfWithoutARendererFailsBeforeTheReportRuns) {
    EXPECT_EQ(runFake({"writes", "--pdf", "a.pdf"}), DataError);
    EXPECT_NE(err_.str().find("--pdf richiede la versione"), std::string::npos) << err_.str();
    EXPECT_FALSE(reportFileExists(reportFileName()));
}

TEST_F(OutputTest, PdfTakesTheSettingsTheDesksPdfButtonWouldTake) {
    fakeRenderer();
    // No destinations at all: printer-mode defaults.
    ASSERT_EQ(runFake({"writes", "--pdf", "a.pdf", "--landscape", "--duplex"}), Ok) << err_.str();
    ASSERT_EQ(renders_.size(), 1u);
    EXPECT_EQ(renders_[0].path, "a.pdf");
    EXPECT_TRUE(renders_[0].config.modoStampante);
    EXPECT_EQ(renders_[0].config.dimensioneCorpo, 10);
    EXPECT_TRUE(renders_[0].config.orizzontale);
    EXPECT_TRUE(renders_[0].config.fronteRetro);
    EXPECT_FALSE(renders_[0].config.compressa);
    EXPECT_EQ(renders_[0].lines, readReportLines(reportFileName()));
    EXPECT_NE(err_.str().find("PDF: " + percorsoCompleto("a.pdf")), std::string::npos)
        << err_.str();
    EXPECT_NE(err_.str().find("Nessuna stampante PDF impostata"), std::string::npos);
    EXPECT_EQ(out_.str(), "");

    // The last destination whose name holds "PDF", else the one named.
    destinations();
    ASSERT_EQ(runFake({"writes", "--pdf", "b.pdf"}), Ok) << err_.str();
    EXPECT_EQ(renders_.back().config.destinazione, "Stampa PDF");
    EXPECT_EQ(renders_.back().config.margineSuperiore, 4);
    ASSERT_EQ(runFake({"writes", "--pdf", "c.pdf", "--destination", "Aghi"}), Ok) << err_.str();
    EXPECT_EQ(renders_.back().config.destinazione, "Aghi");
    EXPECT_TRUE(renders_.back().config.modoStampante);  // a raw destination's settings, drawn

    EXPECT_EQ(runFake({"writes", "--pdf", "d.pdf", "--destination", "Nessuna"}), DataError);
    EXPECT_NE(err_.str().find("--destination: la destinazione \"Nessuna\""), std::string::npos)
        << err_.str();
    EXPECT_EQ(renders_.size(), 3u);

    // Every output in one run, in the order CSV, PDF, print.
    renders_.clear();
    ASSERT_EQ(runFake({"writes", "--print", "Laser", "--csv", "--pdf", "e.pdf"}), Ok) << err_.str();
    ASSERT_EQ(renders_.size(), 2u);
    EXPECT_EQ(renders_[0].path, "e.pdf");
    EXPECT_EQ(renders_[1].path, "");
    EXPECT_EQ(renders_[1].config.dispositivo, "HP_Ufficio");
    const std::string e = err_.str();
    EXPECT_LT(e.find("CSV:"), e.find("PDF:")) << e;
    EXPECT_LT(e.find("PDF:"), e.find("Laser")) << e;
}

TEST_F(OutputTest, AReportThatOpensNoPrintMenuCannotGiveItsOutputs) {
    ASSERT_EQ(runFake({"no-menu"}), Ok) << err_.str();
    EXPECT_EQ(err_.str(), "");

    writeFile("MCCnf.txt", "1\r\n");
    EXPECT_EQ(runFake({"no-menu", "--csv"}), DataError);
    EXPECT_NE(err_.str().find("MCCnf.txt"), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("non sono stati eseguiti"), std::string::npos) << err_.str();
    EXPECT_FALSE(std::filesystem::exists("fd7.csv"));
}

TEST(OutputArguments, CheckBoxesAndDestinationNeedAnOutput) {
    const auto& cat = outputCatalog();
    const auto inv = parseReportArgs(
        {"writes", "--print", "Aghi", "--compressed", "--landscape", "--duplex", "--csv"}, cat);
    EXPECT_EQ(inv.output.stampa, "Aghi");
    EXPECT_TRUE(inv.output.compressa);
    EXPECT_TRUE(inv.output.orizzontale);
    EXPECT_TRUE(inv.output.fronteRetro);
    EXPECT_TRUE(inv.output.csv);
    EXPECT_TRUE(inv.output.pdf.empty());
    EXPECT_TRUE(wantsOutput(inv.output));
    EXPECT_FALSE(wantsOutput(parseReportArgs({"writes"}, cat).output));

    // Names are code page 1252, like the destinations of Stampanti.mdb.
    EXPECT_EQ(parseReportArgs({"writes", "--pdf=Citt\xC3\xA0.pdf"}, cat).output.pdf,
              "Citt\xE0.pdf");

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"writes", "--destination", "PDF"},
             {"writes", "--landscape"},
             {"writes", "--csv", "--duplex"},
             {"writes", "--pdf", ""},
             {"writes", "--print", "  "},
             {"writes", "--pdf"},
             {"writes", "--csv=yes"},
             {"writes", "--csv", "--csv"},
             {"writes", "--pdf", "\xD0\x96.pdf"},  // a Cyrillic letter
             {"writes", "--xlsx", "x.xlsx"},       // a report without a sheet
         }) {
        EXPECT_THROW(parseReportArgs(bad, cat), UsageError) << bad.back();
    }
}

// The real executable: PDF through Qt on the offscreen platform, and the desk
// refused without a display.
class ExecutableOutputTest : public testing::DataFolderTest {
  protected:
    static int runCorvex(const std::string& args, const std::string& dir = ".",
                         const std::string& env = "") {
        const auto here = std::filesystem::current_path();
        const std::string cmd = "cd '" + dir + "' && env -u DISPLAY -u WAYLAND_DISPLAY " +
                                "-u QT_QPA_PLATFORM " + env + " CORVEX_CACHE='" +
                                (here / "cache").string() + "' '" + CORVEX_BINARY_DIR +
                                "/corvex' " + args + " >'" + (here / "out.txt").string() + "' 2>'" +
                                (here / "err.txt").string() + "' </dev/null";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Whether this build renders PDF (the desktop build): a --pdf run in an
    // empty folder fails on the databases there, never on the renderer.
    static bool hasPdf() {
        std::filesystem::create_directories("probe");
        runCorvex("report accrued --pdf x.pdf", "probe");
        return slurp("err.txt").find("--pdf richiede la versione") == std::string::npos;
    }
};

TEST_F(ExecutableOutputTest, NoArgumentsWithoutADisplayExplainsInsteadOfCrashing) {
    const bool desktopBuild = hasPdf();
    const int code = runCorvex("");
    if (desktopBuild) {
        // The desktop build: the desk would need a display.
        EXPECT_EQ(code, 2);
        EXPECT_NE(slurp("err.txt").find("nessuno schermo"), std::string::npos) << slurp("err.txt");
        EXPECT_NE(slurp("err.txt").find("corvex report NAME"), std::string::npos);
    } else {
        EXPECT_EQ(code, 0);
        EXPECT_NE(slurp("out.txt").find("corvex report NAME"), std::string::npos);
    }
}

TEST_F(ExecutableOutputTest, PdfOfADemoReportHoldsItsLines) {
    if (!hasPdf()) GTEST_SKIP() << "this build has no PDF renderer (built without Qt)";
    if (std::system("pdftotext -v >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    ASSERT_EQ(runCorvex("demo hotel --size small"), 0) << slurp("err.txt");
    const std::string report = "report summary --from 011225 --to 311225";
    const std::string now = "CORVEX_NOW='31/12/2025 12:00' PCLocal=7";
    ASSERT_EQ(runCorvex(report + " --pdf 'riepilogo dicembre.pdf' --landscape", "hotel", now), 0)
        << slurp("err.txt");
    EXPECT_EQ(slurp("out.txt"), "");
    EXPECT_NE(slurp("err.txt").find("/hotel/riepilogo dicembre.pdf"), std::string::npos)
        << slurp("err.txt");
    ASSERT_TRUE(std::filesystem::exists("hotel/riepilogo dicembre.pdf"));
    ASSERT_EQ(std::system("pdftotext -layout 'hotel/riepilogo dicembre.pdf' pdf.txt"), 0);

    // Each non-blank line of the report, its blanks collapsed, is in the
    // PDF's text, in order.
    auto collapse = [](const std::string& s) {
        std::string c;
        for (char ch : s) {
            if (ch == ' ' || ch == '\t' || ch == '\f') {
                if (!c.empty() && c.back() != ' ') c += ' ';
            } else if (ch != '\r') {
                c += ch;
            }
        }
        while (!c.empty() && c.back() == ' ') c.pop_back();
        return c;
    };
    std::string pdf;
    {
        std::istringstream in(slurp("pdf.txt"));
        for (std::string line; std::getline(in, line);) pdf += collapse(line) + "\n";
    }
    std::size_t at = 0;
    int checked = 0;
    for (const auto& raw : righeVista(readReportLines("hotel/fd7"))) {
        const std::string line = collapse(cp1252ToUtf8(raw));
        if (line.empty()) continue;
        const auto found = pdf.find(line, at);
        ASSERT_NE(found, std::string::npos) << "line \"" << line << "\" not in the PDF:\n" << pdf;
        at = found + line.size();
        ++checked;
    }
    EXPECT_GT(checked, 5);
    EXPECT_NE(pdf.find("RIEPILOGO IMPOSTA DI SOGGIORNO DAL 01/12/2025 AL 31/12/2025"),
              std::string::npos);

    // A PDF that cannot be written is exit 1 naming the file.
    EXPECT_EQ(runCorvex(report + " --pdf /nonexistent-dir/x.pdf", "hotel", now), 1);
    EXPECT_NE(slurp("err.txt").find("/nonexistent-dir/x.pdf"), std::string::npos)
        << slurp("err.txt");
}

}  // namespace
}  // namespace corvex::cli
