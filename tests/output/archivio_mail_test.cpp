// The archive copy's name and the mail's subject.
#include <gtest/gtest.h>

#include <cstdlib>

#include "output/archivio.h"
#include "output/mail.h"
#include "support/data_folder.h"

namespace corvex {
namespace {

TEST(CopiaArchivio, IsTextAndTwoInTheSameMinuteKeepBoth) {
    test::TempDataFolder dir;
    ::setenv("PCLocal", "2", 1);
    ::setenv("CORVEX_NOW", "07/12/2026 09:05", 1);
    EXPECT_EQ(creaCopiaArchivio().nome, "");  // no report file, no copy, no error
    dir.writeFile("fd2", "primo\r\n");
    const auto first = creaCopiaArchivio();
    EXPECT_EQ(first.nome, "doc/fd2202612070905.txt");
    dir.writeFile("fd2", "secondo\r\n");
    const auto second = creaCopiaArchivio();
    EXPECT_EQ(second.nome, "doc/fd2202612070905-2.txt");
    EXPECT_EQ(dir.readFile(first.nome), "primo\r\n");
    EXPECT_EQ(dir.readFile(second.nome), "secondo\r\n");
    EXPECT_EQ(percorsoPDF("", second.nome), "doc/fd2202612070905-2.pdf");

    // A file where the folder should be: the failure is told, not swallowed.
    test::TempDataFolder other;
    ::setenv("PCLocal", "2", 1);
    other.writeFile("doc", "");
    other.writeFile("fd2", "x\r\n");
    const auto failed = creaCopiaArchivio();
    EXPECT_EQ(failed.nome, "");
    EXPECT_NE(failed.errore.find("doc"), std::string::npos) << failed.errore;
}

TEST(OggettoEMail, NamesTheReportAndItsPeriod) {
    struct Case {
        std::vector<std::string> lines;
        std::string subject;
    };
    const std::vector<Case> cases = {
        {{"", "  \xE7RIEPILOGO IMPOSTA\xE7   DAL 01/12/2025  AL 31/12/2025", "riga"},
         "RIEPILOGO IMPOSTA DAL 01/12/2025 AL 31/12/2025"},
        {{"Hotel Demo", "Corrispettivi dal 01/03/2025 al 31/03/2025   (12)"},
         "Corrispettivi dal 01/03/2025 al 31/03/2025 (12)"},
        {{"  ELENCO OSPITI  ", "nessuna data"}, "ELENCO OSPITI"},
        {{"", "  "}, "OGGETTO"},
    };
    for (const auto& c : cases) EXPECT_EQ(oggettoEMail(c.lines), c.subject);
    EXPECT_EQ(contenutoEMail("Soggetto", "uno\r\n"), "Soggetto\r\nuno\r\n\r\n");
}

}  // namespace
}  // namespace corvex
