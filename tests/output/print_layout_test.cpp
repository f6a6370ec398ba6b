#include "output/print_layout.h"

#include <gtest/gtest.h>

namespace corvex {
namespace {

ConfigStampa printerConfig(int pageLength, int margin) {
    ConfigStampa c;
    c.modoStampante = true;
    c.lunghezzaPagina = pageLength;
    c.margineSuperiore = margin;
    c.dimensioneApertura = 8;
    c.dimensioneCorpo = 11;
    return c;
}

std::vector<std::string> numbered(int n) {
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i) lines.push_back(std::to_string(i));
    return lines;
}

int bodyLines(const PaginaStampa& p) {
    int n = 0;
    for (const auto& r : p.righe) n += r.tipo == RigaStampa::Tipo::Corpo;
    return n;
}

TEST(SegmentiGrassetto, SplitsAtTheMarks) {
    const auto s = segmentiGrassetto(
        "Totale \xE7"
        "100,00\xE7 euro");
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].testo, "Totale ");
    EXPECT_FALSE(s[0].grassetto);
    EXPECT_EQ(s[1].testo, "100,00");
    EXPECT_TRUE(s[1].grassetto);
    EXPECT_EQ(s[2].testo, " euro");
    EXPECT_FALSE(s[2].grassetto);
    // An odd mark leaves the rest of this line bold only.
    const auto odd = segmentiGrassetto(
        "a\xE7"
        "b");
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_TRUE(odd[1].grassetto);
    EXPECT_TRUE(segmentiGrassetto("").empty());
}

TEST(ImpaginaStampante, PagesByLineCountWithOpeningLineAndMargin) {
    const auto pages = impaginaStampante(numbered(100), printerConfig(60, 2));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(bodyLines(pages[0]), 58);
    EXPECT_EQ(bodyLines(pages[1]), 42);
    const auto& first = pages[0].righe;
    EXPECT_EQ(first[0].tipo, RigaStampa::Tipo::Apertura);
    EXPECT_EQ(first[0].dimensione, 8);
    EXPECT_EQ(first[1].tipo, RigaStampa::Tipo::Margine);
    EXPECT_EQ(first[1].dimensione, 8);
    EXPECT_EQ(first[3].segmenti[0].testo, "1");
    EXPECT_EQ(first[3].dimensione, 11);
    EXPECT_EQ(pages[1].righe[1].dimensione, 11);  // later margins at the body size
    EXPECT_EQ(pages[1].righe[3].segmenti[0].testo, "59");
}

TEST(ImpaginaStampante, NoEmptyPageAfterAFullLastPage) {
    EXPECT_EQ(impaginaStampante(numbered(58), printerConfig(60, 2)).size(), 1u);
    EXPECT_EQ(impaginaStampante(numbered(59), printerConfig(60, 2)).size(), 2u);
    const auto empty = impaginaStampante({}, printerConfig(60, 2));
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_EQ(empty[0].righe.size(), 3u);
}

TEST(ImpaginaStampante, NewPageWhenTheNextLineWouldNotFit) {
    MisurePagina m;
    m.altezza = [](const RigaStampa&) { return 10.0; };
    m.altezzaUtile = 100;  // opening line + 2 margin lines + 7 body lines
    const auto pages = impaginaStampante(numbered(20), printerConfig(60, 2), &m);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(bodyLines(pages[0]), 7);
    EXPECT_EQ(bodyLines(pages[1]), 7);
    EXPECT_EQ(bodyLines(pages[2]), 6);
    // A printable area too small for even one line still prints every line.
    m.altezzaUtile = 5;
    const auto tiny = impaginaStampante(numbered(3), printerConfig(60, 0), &m);
    EXPECT_EQ(tiny.size(), 3u);
}

TEST(ImpaginaStampante, FormFeedLineEndsThePageAndMappingFollowsOptionK) {
    // A letter stays a letter, a lone bar is a frame (as the views show them).
    const std::vector<std::string> lines = {"\xC0", "\f", "\xB3"};
    auto c = printerConfig(60, 0);
    auto pages = impaginaStampante(lines, c);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].righe[1].segmenti[0].testo, "\xC0");
    EXPECT_EQ(pages[1].righe[1].segmenti[0].testo, "|");
    c.opzioni = "K";
    pages = impaginaStampante(lines, c);
    EXPECT_EQ(pages[1].righe[1].segmenti[0].testo, "\xB3");
}

TEST(ImpaginaStampante, CompressedSizeAndDefaultsForEmptySizes) {
    auto c = printerConfig(60, 0);
    c.dimensioneCorpo = 0;
    c.dimensioneApertura = 0;
    const auto pages = impaginaStampante({"x"}, c);
    EXPECT_EQ(pages[0].righe[0].dimensione, kDimensionePredefinita);
    EXPECT_EQ(pages[0].righe[1].dimensione, kDimensionePredefinita);
}

}  // namespace
}  // namespace corvex
