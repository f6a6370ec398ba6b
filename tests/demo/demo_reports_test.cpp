// The fiscal reports run on the small demo folder: clean data (no document
// the takings register warns about, nothing the cash table skips), and the
// cases the demo carries for them reach their output.
#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "demo/demo.h"
#include "reports/fiscal/fiscal_support.h"
#include "reports/reports.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

ReportRequest demoPeriod() {
    const demo::Profile p = demo::profile(demo::Size::Small);
    ReportRequest r;
    r.dal = p.primoGiorno;
    r.al = p.ultimoGiorno;
    r.contatore = 0;
    return r;
}

// The amount at the end of a line that starts with label.
std::string amountAfter(const std::string& file, const std::string& label) {
    const std::size_t at = file.find(label);
    if (at == std::string::npos) return "(no line " + label + ")";
    const std::size_t end = file.find("\r\n", at);
    return trim(file.substr(at + label.size(), end - at - label.size()));
}

TEST(DemoReports, TakingsRegisterCountsTheDemoWithoutWarnings) {
    test::TempDataFolder dir;
    demo::generate(".", {demo::Size::Small, 1});
    test::FakeIo io;
    io.answers = {std::string("0")};
    io.confirmations = {true, false};
    StampaCorrispettivi(demoPeriod(), io);
    EXPECT_TRUE(io.warnings.empty()) << io.warnings.front().first;
    const std::string f = dir.readFile("fd0");

    // Parameter 78 "S": split-payment invoices are left out, so no "(SP)"
    // department appears although the folder holds such invoices.
    EXPECT_EQ(f.find("(SP) "), std::string::npos);
    // Walk-in receipts to "?": their own department and the anonymous totals.
    EXPECT_NE(f.find(" SCONTRINO "), std::string::npos);
    for (const char* label :
         {"Totale ricevute non intes.al 10% ", "                          al 22% ",
          "                          esenti "}) {
        // Each label appears twice (named, then anonymous); the anonymous
        // block is the last six lines.
        const std::size_t anon = f.find("Totale ricevute non intes.");
        const std::string tail = f.substr(anon);
        EXPECT_NE(amountAfter(tail, label), "0,00") << label;
    }
    // Parking deposits at 22 % on the CorrSetup.txt row of that name, the
    // deposits at 10 % on the first row.
    const std::size_t all = f.find("Corrispettivi per Reparto su Totale Documenti/Scontrini");
    ASSERT_NE(all, std::string::npos);
    const std::string section = f.substr(all);
    EXPECT_EQ(section.find(" ACCONTI DEDOTTI (cod.iva 10)"), std::string::npos);
    const std::string parking = amountAfter(section, " ACCONTI DEDOTTI (cod.iva 22)");
    EXPECT_NE(parking.find(" -"), std::string::npos) << parking;  // lines, negative amount
    const std::string deposits = amountAfter(section, " ACCONTI DEDOTTI ");
    EXPECT_NE(deposits.find(" -"), std::string::npos) << deposits;
}

TEST(DemoReports, TaxDetailShowsDocumentsWithoutStayDates) {
    test::TempDataFolder dir;
    demo::generate(".", {demo::Size::Small, 1});
    test::FakeIo io;
    EXPECT_TRUE(StampaDettaglioImposta(demoPeriod(), io).skipped.empty());
    const std::string f = dir.readFile("fd0");
    // Blank arrival and departure, tax line undated.
    EXPECT_NE(f.find(test::row("|          |          |00/00/0000|")), std::string::npos)
        << test::utf8(f);
}

TEST(DemoReports, CashTableSkipsNothing) {
    test::TempDataFolder dir;
    demo::generate(".", {demo::Size::Small, 1});
    test::FakeIo io;
    const ReportResult result = StampaCassa(demoPeriod(), io);
    EXPECT_TRUE(result.skipped.empty()) << result.skipped.front();
    EXPECT_TRUE(io.warnings.empty());
}

}  // namespace
}  // namespace corvex
