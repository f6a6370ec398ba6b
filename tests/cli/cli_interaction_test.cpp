#include "cli/cli_interaction.h"

#include <gtest/gtest.h>

#include <sstream>

namespace corvex::cli {
namespace {

Answers guestAnswers() {
    Answers a;
    a.maxNights = "7";
    a.minAge = "14";
    a.counter = "3";
    a.complete = true;
    a.totalsOnly = false;
    return a;
}

TEST(CliInteractionTest, QuestionsAreAnsweredByTitle) {
    std::ostringstream err;
    CliInteraction io(guestAnswers(), err);
    EXPECT_EQ(io.ask("Inserire il numero di notti massimo", "Notti", ""), "7");
    EXPECT_EQ(io.ask("Inserire l'et\xE0 minima", "Anni", ""), "14");
    EXPECT_EQ(
        io.ask("Codice contatore contabile di riferimento\r\n(0 per tutti)", "Contatore XRF", "1"),
        "3");
    EXPECT_EQ(io.ask("Something else?", "Altro", "default text"), "default text");
    EXPECT_TRUE(io.confirm("Completo la stampa?", "Totali per Reparto", false));
    EXPECT_FALSE(io.confirm("Solo i totali generali?", "Stampa Corrispettivi", true));
    EXPECT_TRUE(io.confirm("Continuare?", "Altro", true));
    EXPECT_FALSE(io.confirm("Continuare?", "Altro", false));
    EXPECT_TRUE(err.str().empty());
}

TEST(CliInteractionTest, DefaultsAreTheDialogDefaults) {
    std::ostringstream err;
    CliInteraction io(Answers{}, err);
    EXPECT_EQ(io.ask("Codice contatore contabile di riferimento", "Contatore XRF", "1"), "1");
    EXPECT_FALSE(io.confirm("Completo la stampa?", "Totali per Reparto", false));
    EXPECT_FALSE(io.confirm("Solo i totali generali?", "Stampa Corrispettivi", false));
}

TEST(CliInteractionTest, RequiredAnswersWithoutAnOptionEndTheRun) {
    std::ostringstream err;
    CliInteraction io(Answers{}, err);
    EXPECT_THROW(io.ask("notti", "Notti", "0"), AnswerMissing);
    EXPECT_THROW(io.ask("anni", "Anni", "0"), AnswerMissing);
}

TEST(CliInteractionTest, AQuestionAskedOverAndOverEndsTheRun) {
    // A report that rejects the given answer would ask forever.
    std::ostringstream err;
    CliInteraction io(guestAnswers(), err);
    EXPECT_THROW(
        {
            for (int i = 0; i < 1000; ++i) io.ask("notti", "Notti", "");
        },
        AnswerMissing);
    // Other questions keep their own count.
    EXPECT_EQ(io.ask("anni", "Anni", ""), "14");
}

TEST(CliInteractionTest, WarningsGoToStderrAsUtf8) {
    std::ostringstream err;
    CliInteraction io(Answers{}, err);
    io.warn("Fattura n.12 del 01/02/2024 CONTROLLARE!", "Dati errati");
    io.warn("Et\xE0 non valida", "Attenzione");
    EXPECT_EQ(err.str(),
              "Dati errati: Fattura n.12 del 01/02/2024 CONTROLLARE!\n"
              "Attenzione: Et\xC3\xA0 non valida\n");
}

TEST(CliInteractionTest, PrintMenuCallsTheHandlerWhenThereIsOne) {
    std::ostringstream err;
    int calls = 0;
    CliInteraction withHandler(Answers{}, err, [&] { ++calls; });
    withHandler.showPrintMenu();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(withHandler.printMenuCount(), 1);

    CliInteraction without(Answers{}, err);
    without.showPrintMenu();
    EXPECT_EQ(without.printMenuCount(), 1);
}

TEST(TerminalTextTest, Utf8PassesAndCodePage1252IsConverted) {
    EXPECT_EQ(terminalText("plain"), "plain");
    EXPECT_EQ(terminalText("Et\xC3\xA0"), "Et\xC3\xA0");
    EXPECT_EQ(terminalText("Et\xE0"), "Et\xC3\xA0");
    EXPECT_EQ(terminalText("\x80 5"), "\xE2\x82\xAC 5");
}

}  // namespace
}  // namespace corvex::cli
