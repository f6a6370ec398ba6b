#include "output/raw_print.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/data_folder.h"
#include "support/scoped_env.h"

namespace corvex {
namespace {

std::vector<std::string> numberedLines(int n) {
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i) lines.push_back("riga " + std::to_string(i));
    return lines;
}

ConfigStampa rawConfig(int pageLength, int margin, const std::string& options = "") {
    ConfigStampa c;
    c.modoStampante = false;
    c.sequenzaInizio = std::string(
        "\x1B"
        "E\0\0\0",
        5);
    c.lunghezzaPagina = pageLength;
    c.margineSuperiore = margin;
    c.lunghezzaModulo = 66;
    c.opzioni = options;
    return c;
}

std::string margin(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += " \r\n";
    return s;
}

std::string empties(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "\r\n";
    return s;
}

std::string body(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) s += "riga " + std::to_string(i) + "\r\n";
    return s;
}

TEST(UscitaRaw, HundredLinesOnPagesOfSixtyWithFormFeeds) {
    const auto lines = numberedLines(100);
    const std::string expected = std::string(
                                     "\x1B"
                                     "E\0\0\0",
                                     5) +
                                 margin(2) + body(1, 58) + "\f" + margin(2) + body(59, 100) + "\f";
    EXPECT_EQ(uscitaRaw(&lines, rawConfig(60, 2)), expected);
}

TEST(UscitaRaw, OptionUFillsEveryPageToTheFormLength) {
    const auto lines = numberedLines(100);
    // Page 1: 2 + 58 lines, then 6 empty lines to 66. Page 2: 2 + 42 lines,
    // then 22 empty lines.
    const std::string expected = std::string(
                                     "\x1B"
                                     "E\0\0\0",
                                     5) +
                                 margin(2) + body(1, 58) + empties(6) + margin(2) + body(59, 100) +
                                 empties(22);
    EXPECT_EQ(uscitaRaw(&lines, rawConfig(60, 2, "AU")), expected);
    // The letter is matched case-sensitively.
    EXPECT_EQ(uscitaRaw(&lines, rawConfig(60, 2, "u")).back(), '\f');
}

TEST(UscitaRaw, MissingReportWritesOnlyTheStartSequence) {
    EXPECT_EQ(uscitaRaw(nullptr, rawConfig(60, 2)), std::string("\x1B"
                                                                "E\0\0\0",
                                                                5));
}

TEST(UscitaRaw, EmptyReportEndsItsMarginPage) {
    const std::vector<std::string> none;
    EXPECT_EQ(uscitaRaw(&none, rawConfig(60, 0)), std::string("\x1B"
                                                              "E\0\0\0",
                                                              5));
    EXPECT_EQ(uscitaRaw(&none, rawConfig(60, 1)), std::string("\x1B"
                                                              "E\0\0\0",
                                                              5) +
                                                      " \r\n\f");
}

TEST(UscitaRaw, CleansLinesUnlessOptionK) {
    const std::vector<std::string> lines = {
        "\xE7"
        "Totale\xE7 \xC0 \xC4\xB3"};
    auto c = rawConfig(60, 0);
    c.sequenzaInizio.clear();
    EXPECT_EQ(uscitaRaw(&lines, c), "Totale \xE0 -|\r\n\f");
    c.opzioni = "K";
    EXPECT_EQ(uscitaRaw(&lines, c), lines[0] + "\r\n\f");
}

TEST(UscitaRaw, FormFeedLineEndsThePageWithoutBeingWritten) {
    const std::vector<std::string> lines = {"a", "\f", "b"};
    auto c = rawConfig(60, 1);
    c.sequenzaInizio.clear();
    EXPECT_EQ(uscitaRaw(&lines, c), " \r\na\r\n\f \r\nb\r\n\f");
    c.opzioni = "U";
    c.lunghezzaModulo = 4;
    EXPECT_EQ(uscitaRaw(&lines, c), " \r\na\r\n\r\n\r\n \r\nb\r\n\r\n\r\n");
}

TEST(UscitaRaw, ReportEndingExactlyOnAPageAddsNoEmptyPageWithoutMargin) {
    const auto lines = numberedLines(4);
    auto c = rawConfig(2, 0);
    c.sequenzaInizio.clear();
    EXPECT_EQ(uscitaRaw(&lines, c), body(1, 2) + "\f" + body(3, 4) + "\f");
}

TEST(DestinazioneRaw, ClassifiesDevicesQueuesFilesAndWindowsNames) {
    using T = TipoDestinazioneRaw;
    EXPECT_EQ(classificaDestinazioneRaw("LPT1:", false), T::NomeWindows);
    EXPECT_EQ(classificaDestinazioneRaw("lpt2", true), T::NomeWindows);
    EXPECT_EQ(classificaDestinazioneRaw("COM1", false), T::NomeWindows);
    EXPECT_EQ(classificaDestinazioneRaw("PRN", false), T::NomeWindows);
    EXPECT_EQ(classificaDestinazioneRaw("\\\\server\\printer", false), T::NomeWindows);
    EXPECT_EQ(classificaDestinazioneRaw("C:\\stampe\\out.txt", false), T::NomeWindows);
    EXPECT_EQ(classificaDestinazioneRaw("/dev/usb/lp0", false), T::Dispositivo);
    EXPECT_EQ(classificaDestinazioneRaw("Epson_LX", true), T::CodaStampa);
    EXPECT_EQ(classificaDestinazioneRaw("stampa.prn", false), T::File);
    EXPECT_EQ(classificaDestinazioneRaw("COMPUTER", false), T::File);
}

TEST(DestinazioneRaw, WindowsNameIsAClearErrorAndWritesNoFile) {
    test::TempDataFolder dir;
    try {
        inviaRaw("LPT1:", "x", "fd1");
        FAIL() << "expected an error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("LPT1:"), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_THROW(inviaRaw("  ", "x", "fd1"), std::runtime_error);
}

TEST(DestinazioneRaw, OtherNamesAreFilesInTheCurrentDirectory) {
    test::TempDataFolder dir;
    dir.writeFile("stampa.prn", "old content that is longer");
    inviaRaw("stampa.prn", std::string("a\0b", 3), "fd1");
    EXPECT_EQ(dir.readFile("stampa.prn"), std::string("a\0b", 3));
    for (const char* outside : {"/tmp/stampa.prn", "../stampa.prn", "sub/../../stampa.prn"}) {
        EXPECT_THROW(inviaRaw(outside, "x", "fd1"), std::runtime_error) << outside;
    }
}

}  // namespace
}  // namespace corvex
