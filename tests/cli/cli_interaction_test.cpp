#include "cli/cli_interaction.h"

#include <gtest/gtest.h>

#include <sstream>

namespace corvex::cli {
namespace {

Answers guestAnswers() {
    return {{"max-nights", "7"},
            {"min-age", "14"},
            {"counter", "3"},
            {"complete", "yes"},
            {"totals-only", "no"}};
}

// Questions are answered by their key, whatever their window says.
TEST(CliInteractionTest, QuestionsAreAnsweredByKey) {
    std::ostringstream err;
    CliInteraction io(guestAnswers(), err);
    EXPECT_EQ(io.ask(question::kMaxNights, "Inserire il numero di notti massimo", "Notti", ""),
              "7");
    EXPECT_EQ(io.ask(question::kMinAge, "Inserire l'età minima", "Anni (nuovo titolo)", ""), "14");
    EXPECT_EQ(io.ask(question::kCounter, "Codice contatore", "Contatore XRF", "1"), "3");
    EXPECT_EQ(io.ask("other", "Something else?", "Notti", "default text"), "default text");
    EXPECT_TRUE(io.confirm(question::kComplete, "Completo la stampa?", "Altro titolo", false));
    EXPECT_FALSE(io.confirm(question::kTotalsOnly, "Solo i totali generali?", "x", true));
    EXPECT_TRUE(io.confirm("other", "Continuare?", "Totali per Reparto", true));
    EXPECT_FALSE(io.confirm("other", "Continuare?", "Altro", false));
    EXPECT_TRUE(err.str().empty());
}

TEST(CliInteractionTest, DefaultsAreTheDialogDefaultsAndRequiredAnswersEndTheRun) {
    std::ostringstream err;
    CliInteraction io(Answers{}, err);
    EXPECT_EQ(io.ask(question::kCounter, "Codice contatore", "Contatore XRF", "1"), "1");
    EXPECT_FALSE(io.confirm(question::kComplete, "Completo la stampa?", "Totali", false));
    EXPECT_THROW(io.ask(question::kMaxNights, "notti", "Notti", "0"), AnswerMissing);
    EXPECT_THROW(io.ask(question::kMinAge, "anni", "Anni", "0"), AnswerMissing);
}

TEST(CliInteractionTest, AQuestionAskedOverAndOverEndsTheRun) {
    // A report that rejects the given answer would ask forever.
    std::ostringstream err;
    CliInteraction io(guestAnswers(), err);
    EXPECT_THROW(
        {
            for (int i = 0; i < 1000; ++i) io.ask(question::kMaxNights, "notti", "Notti", "");
        },
        AnswerMissing);
    // Other questions keep their own count.
    EXPECT_EQ(io.ask(question::kMinAge, "anni", "Anni", ""), "14");
}

TEST(CliInteractionTest, WarningsGoToStderrAsTheyAre) {
    std::ostringstream err;
    CliInteraction io(Answers{}, err);
    io.warn("Fattura n.12 del 01/02/2024 CONTROLLARE!", "Dati errati");
    io.warn("Età non valida", "Attenzione");
    EXPECT_EQ(err.str(),
              "Dati errati: Fattura n.12 del 01/02/2024 CONTROLLARE!\n"
              "Attenzione: Età non valida\n");
}

TEST(CliInteractionTest, PrintMenuCallsTheHandlerWhenThereIsOne) {
    std::ostringstream err;
    int calls = 0;
    CliInteraction withHandler(Answers{}, err, [&](const xlsx::Foglio*) { ++calls; });
    withHandler.showPrintMenu();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(withHandler.printMenuCount(), 1);

    CliInteraction without(Answers{}, err);
    without.showPrintMenu();
    EXPECT_EQ(without.printMenuCount(), 1);
}

}  // namespace
}  // namespace corvex::cli
