// Jet text order: accented letters with their base letter, case ignored, and
// the code page 1252 comparison agreeing with the UTF-8 one SQLite uses.
#include "common/jet_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "common/text.h"

using namespace corvex;
using db::jet::compareNoCase;

namespace {

int utf8Compare(const std::string& a, const std::string& b) {
    std::string ua = cp1252ToUtf8(a), ub = cp1252ToUtf8(b);
    return db::jet::compareUtf8NoCase(ua.data(), static_cast<int>(ua.size()), ub.data(),
                                      static_cast<int>(ub.size()));
}

int sign(int v) {
    return (v > 0) - (v < 0);
}

}  // namespace

TEST(JetText, AccentedLettersSortWithTheirBaseLetter) {
    // Each text sorts strictly before the next one, in both encodings.
    const std::vector<std::string> sorted = {"",       "a",      cp("à"), cp("À1"), "A2",
                                             "b",      cp("É1"), "e2",    cp("ñ"),  "o",
                                             cp("ô"),  cp("Ø"),  "ss",    cp("Šx"), cp("Ž"),
                                             "ZZZZZZ", cp("ß"),  cp("æ"), cp("œ"),  cp("€")};
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        for (std::size_t j = 0; j < sorted.size(); ++j) {
            int want = i < j ? -1 : i > j ? 1 : 0;
            EXPECT_EQ(sign(compareNoCase(sorted[i], sorted[j])), want) << i << " " << j;
            EXPECT_EQ(sign(utf8Compare(sorted[i], sorted[j])), want) << i << " " << j;
        }
    }
    EXPECT_EQ(compareNoCase(cp("ÉTÉ"), cp("été")), 0);
    EXPECT_LT(compareNoCase(cp("été1"), "ETE2"), 0);  // base letters decide before accents
}

// Random texts over letters with and without accents in both cases, digits,
// signs and bytes above 0x7F: both comparisons give the same sign, the order
// is antisymmetric and transitive, and compare == 0 exactly when the texts are
// equal without regard to case.
TEST(JetText, Cp1252AndUtf8ComparisonsAgreeOnRandomTexts) {
    std::string alphabet = "aAeEzZ19 -_";
    alphabet += cp("àÀáéÉèñÑøØšŠžŽÿŸßæœ€");
    for (int c : {0x80, 0x81, 0x9F, 0xA0, 0xD7, 0xF7, 0xFF}) alphabet += static_cast<char>(c);
    std::mt19937 rng(2024);
    std::vector<std::string> texts;
    for (int i = 0; i < 400; ++i) {
        std::string t;
        for (int n = static_cast<int>(rng() % 4); n > 0; --n)
            t += alphabet[rng() % alphabet.size()];
        texts.push_back(t);
    }
    for (const auto& a : texts) {
        for (const auto& b : texts) {
            int c = sign(compareNoCase(a, b));
            ASSERT_EQ(sign(utf8Compare(a, b)), c) << a << " / " << b;
            ASSERT_EQ(sign(compareNoCase(b, a)), -c);
            ASSERT_EQ(c == 0, db::jet::equalNoCase(a, b)) << a << " / " << b;
        }
    }
    auto less = [](const std::string& a, const std::string& b) { return compareNoCase(a, b) < 0; };
    std::sort(texts.begin(), texts.end(), less);
    for (std::size_t i = 1; i < texts.size(); ++i)
        for (std::size_t j = i; j < texts.size(); j += 37)
            ASSERT_LE(compareNoCase(texts[i - 1], texts[j]), 0);
}
