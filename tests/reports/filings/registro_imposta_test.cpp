// The tax ledger agrees with the reports it sums: each month's accrued
// figures with the period summary of that month, its collected tax with the
// fiscal detail (counter 0), its payments with the stored payments, and the
// tax not invoiced at the month's end with the accrued report of that day.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/dates.h"
#include "reports/filings/filings_support.h"
#include "reports/reports.h"
#include "settings/dichiarazioni.h"
#include "support/fake_io.h"

namespace corvex {
namespace {

using test::importo;
using test::parole;
using test::righe;

class RegistroImposta : public test::HotelDemo {};

ReportRequest periodo(const std::string& dal, const std::string& al) {
    ReportRequest r;
    r.dal = dal;
    r.al = al;
    r.contatore = 0;
    return r;
}

TEST_F(RegistroImposta, EachMonthAgreesWithTheReportsItSums) {
    test::FakeIo io;
    StampaRegistroImposta(periodo("20/10/2025", "31/12/2025"), io);
    EXPECT_EQ(io.printMenus, 1);
    const std::vector<std::string> ledger = righe(fd0());
    ASSERT_GE(ledger.size(), 2u);
    EXPECT_EQ(ledger[1], "REGISTRO IMPOSTA DI SOGGIORNO DAL 20/10/2025 AL 31/12/2025");

    struct Mese {
        const char* etichetta;
        const char* dal;
        const char* al;
    };
    const std::vector<Mese> mesi = {{"10/2025", "20/10/2025", "31/10/2025"},
                                    {"11/2025", "01/11/2025", "30/11/2025"},
                                    {"12/2025", "01/12/2025", "31/12/2025"}};
    const std::vector<Versamento> versamenti = leggiVersamenti();
    Currency riscossaTotale;
    for (const Mese& m : mesi) {
        SCOPED_TRACE(m.etichetta);
        std::vector<std::string> riga;
        for (const auto& l : ledger) {
            if (l.rfind(m.etichetta, 0) == 0) riga = parole(l);
        }
        ASSERT_EQ(riga.size(), 11u);

        test::FakeIo altro;
        StampaRiepilogoImposta(periodo(m.dal, m.al), altro);
        const std::vector<std::string> riepilogo = righe(fd0());
        const std::vector<std::string> totali = parole(riepilogo[riepilogo.size() - 2]);
        ASSERT_EQ(totali.size(), 4u);
        EXPECT_EQ(riga[1], totali[1]);                    // exempt nights
        EXPECT_EQ(riga[2], totali[2]);                    // paying nights
        EXPECT_EQ(importo(riga[3]), importo(totali[3]));  // accrued amount

        StampaDettaglioImposta(periodo(m.dal, m.al), altro);
        const Currency riscossa = test::sommaEuro(fd0(), " Pernott. ");
        EXPECT_EQ(importo(riga[5]), riscossa);
        riscossaTotale += riscossa;

        Currency versata;
        for (const auto& v : versamenti) {
            if (DataSql(v.data) >= DataSql(m.dal) && DataSql(v.data) <= DataSql(m.al)) {
                versata += v.importo;
            }
        }
        EXPECT_EQ(importo(riga[6]), versata);
        // The differences are the columns' own.
        EXPECT_EQ(importo(riga[7]), importo(riga[4]) - importo(riga[3]));
        EXPECT_EQ(importo(riga[9]), importo(riga[6]) - importo(riga[5]));

        ReportRequest giorno = periodo(m.al, m.al);
        StampaImpostaMaturata(giorno, altro);
        EXPECT_EQ(importo(riga[10]), test::sommaEuro(fd0(), " Qnt. "));
    }
    std::vector<std::string> totale;
    for (const auto& l : ledger) {
        if (l.rfind("Totale", 0) == 0) totale = parole(l);
    }
    ASSERT_EQ(totale.size(), 10u);
    EXPECT_EQ(importo(totale[5]), riscossaTotale);
    EXPECT_NE(riscossaTotale, Currency());  // the demo collects tax in the period
}

}  // namespace
}  // namespace corvex
