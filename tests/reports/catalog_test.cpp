#include "reports/catalog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace corvex {
namespace {

// A report missing from one front fails here rather than in use.
TEST(CatalogTest, EveryReportHasACommandLineNameHelpAndADeskRow) {
    std::set<std::string> names, routines;
    for (const ReportEntry& e : reportCatalog()) {
        const std::string name = e.name ? e.name : "";
        EXPECT_FALSE(name.empty());
        EXPECT_TRUE(names.insert(name).second) << "two reports named " << name;
        ASSERT_NE(e.routine, nullptr) << name;
        EXPECT_TRUE(routines.insert(e.routine).second) << name;
        EXPECT_NE(e.run, nullptr) << name;
        EXPECT_TRUE(e.help != nullptr && std::strlen(e.help) > 10) << name << ": no help";
        EXPECT_TRUE(e.desk.row != nullptr && *e.desk.row) << name << ": no desk row";
        EXPECT_TRUE(e.desk.button != nullptr && *e.desk.button) << name << ": no desk button";
        EXPECT_EQ(findReport(name), &e);
        // Every question it asks is described (option, help, check).
        for (const Question* q : questionsOf(e)) {
            EXPECT_TRUE(q->help && q->value && q->expected && q->check) << name << " " << q->key;
        }
    }
}

TEST(CatalogTest, TheRequestsQuestionsAreWhatTheDeskAsks) {
    for (const char* key : {question::kCounter, question::kDocType}) {
        const Question* q = findQuestion(key);
        ASSERT_NE(q, nullptr) << key;
        EXPECT_TRUE(q->prompt && q->title && q->defaultAnswer) << key;
        EXPECT_TRUE(q->check(q->defaultAnswer)) << key;
    }
    EXPECT_EQ(findQuestion("no-such-question"), nullptr);
}

TEST(CatalogTest, TheCounterIsAWholeNumberFromZeroTo32767) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"0", 0},
        {" 3 ", 3},
        {"32767", 32767},
        {"-1", std::nullopt},
        {"32768", std::nullopt},
        {"", std::nullopt},
        {"1.5", std::nullopt},
        {"x", std::nullopt},
    };
    for (const auto& [typed, expected] : cases)
        EXPECT_EQ(contatoreValido(typed), expected) << typed;
}

}  // namespace
}  // namespace corvex
