#include "data/pg/pg_functions.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>

#include "common/jet_text.h"
#include "common/text.h"

namespace corvex::pg {

namespace {

namespace jet = db::jet;

// A text literal: quotes doubled (standard_conforming_strings is on).
std::string literal(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

// Every code page 1252 byte but NUL, as UTF-8 in byte order.
std::string allCharacters() {
    std::string out;
    for (int c = 1; c < 256; ++c) out += cp1252ToUtf8(std::string(1, static_cast<char>(c)));
    return out;
}

// One character per byte of allCharacters(): the byte mapped through map.
template <class Map>
std::string mapped(Map map) {
    std::string out;
    for (int c = 1; c < 256; ++c)
        out += cp1252ToUtf8(std::string(1, static_cast<char>(map(static_cast<unsigned char>(c)))));
    return out;
}

// One character per byte of allCharacters() whose code point orders the
// bytes as level() does: the rank of its level among all bytes' levels, from
// U+0100 up (two UTF-8 bytes each, so that byte order is rank order and every
// rank comes after the blank that separates the two levels of a sort key).
template <class Level>
std::string ranked(Level level) {
    std::map<std::uint32_t, std::uint32_t> ranks;
    for (int c = 1; c < 256; ++c) ranks[level(static_cast<unsigned char>(c))] = 0;
    std::uint32_t next = 0x100;
    for (auto& [value, rank] : ranks) rank = next++;
    std::string out;
    for (int c = 1; c < 256; ++c) {
        std::uint32_t cp = ranks[level(static_cast<unsigned char>(c))];
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

std::string function(const std::string& signature, const std::string& returns,
                     const std::string& body) {
    if (body.find("$corvex$") != std::string::npos)
        throw std::logic_error("function body holds its own quote");
    return "CREATE OR REPLACE FUNCTION corvex_fn." + signature + " RETURNS " + returns +
           " LANGUAGE sql IMMUTABLE PARALLEL SAFE AS $corvex$ " + body + " $corvex$;\n";
}

}  // namespace

std::string functionsSql() {
    const std::string all = literal(allCharacters());
    const std::string fold = "translate(t, " + all + ", " + literal(mapped(jet::foldByte)) + ")";
    const std::string upper =
        "translate(t, " + all + ", " +
        literal(mapped([](unsigned char c) { return jet::upperCase(std::string(1, c))[0]; })) + ")";
    // The sort key: the base letters of the whole text, a blank, then its
    // case-folded characters, each as a rank character. Compared in byte
    // order ("C"), keys order texts as the engine's text order: base letters
    // first, a shorter text before a longer one that starts with the same
    // base letters, then the first folded character that differs.
    const std::string key = "translate(t, " + all + ", " + literal(ranked(jet::baseCodePoint)) +
                            ") || ' ' || translate(t, " + all + ", " +
                            literal(ranked(jet::foldedCodePoint)) + ")";

    std::string sql = "CREATE SCHEMA IF NOT EXISTS corvex_fn;\n";
    sql += function("fold(t text)", "text", "SELECT " + fold);
    sql += function("ucase(t text)", "text", "SELECT " + upper);
    sql += function("sk(t text)", "text", "SELECT " + key);
    // Left$, Right$, Mid$ with Jet's counts: a count below 1 gives "".
    sql += function(
        "left(t text, n bigint)", "text",
        "SELECT CASE WHEN n < 1 THEN '' ELSE pg_catalog.left(t, least(n, 2147483647)::int) END");
    sql += function(
        "right(t text, n bigint)", "text",
        "SELECT CASE WHEN n < 1 THEN '' ELSE pg_catalog.right(t, least(n, 2147483647)::int) END");
    sql += function("mid(t text, s bigint)", "text",
                    "SELECT substr(t, greatest(least(s, 2147483647), 1)::int)");
    sql += function("mid(t text, s bigint, n bigint)", "text",
                    "SELECT CASE WHEN n < 1 THEN '' ELSE substr(t, greatest(least(s, "
                    "2147483647), 1)::int, least(n, 2147483647)::int) END");
    sql += function("len(t text)", "bigint", "SELECT char_length(t)::bigint");
    // Instr([start,] text, sought) without regard to case; 0 when absent.
    sql +=
        function("instr(s bigint, h text, n text)", "bigint",
                 "SELECT CASE WHEN greatest(s, 1) - 1 > char_length(h) THEN 0::bigint ELSE "
                 "(SELECT CASE WHEN p = 0 THEN 0::bigint ELSE p + greatest(s, 1) - 1 END "
                 "FROM strpos(corvex_fn.fold(substr(h, greatest(least(s, 2147483647), 1)::int)), "
                 "corvex_fn.fold(n)) AS p) END");
    sql += function("instr(h text, n text)", "bigint", "SELECT corvex_fn.instr(1, h, n)");
    // Like: * any text, ? one character, # one digit, [...] and [!...] a
    // class, without regard to case.
    sql += function(
        "like(p text, t text)", "boolean",
        "SELECT corvex_fn.fold(t) ~ ('^' || replace(replace(replace(replace(regexp_replace("
        "corvex_fn.fold(p), '([.^$+(){}|\\\\])', '\\\\\\1', 'g'), '*', '.*'), '?', '.'), "
        "'#', '[0-9]'), '[!', '[^') || '$')");
    // Val: the number a text starts with, 0 when none.
    sql +=
        function("val(t text)", "double precision",
                 "SELECT coalesce((substring(ltrim(t) from "
                 "'^[-+]?([0-9]+[.]?[0-9]*|[.][0-9]+)([eE][-+]?[0-9]+)?'))::double precision, 0)");
    // Min and Max of texts in the engine's text order.
    sql += function("tmin2(a text, b text)", "text",
                    "SELECT CASE WHEN a IS NULL THEN b WHEN b IS NULL THEN a WHEN corvex_fn.sk(b) "
                    "COLLATE \"C\" < corvex_fn.sk(a) COLLATE \"C\" THEN b ELSE a END");
    sql += function("tmax2(a text, b text)", "text",
                    "SELECT CASE WHEN a IS NULL THEN b WHEN b IS NULL THEN a WHEN corvex_fn.sk(b) "
                    "COLLATE \"C\" > corvex_fn.sk(a) COLLATE \"C\" THEN b ELSE a END");
    for (const char* which : {"tmin", "tmax"})
        sql += "CREATE OR REPLACE AGGREGATE corvex_fn." + std::string(which) +
               "(text) (SFUNC = corvex_fn." + which + "2, STYPE = text, PARALLEL = SAFE);\n";
    return sql;
}

}  // namespace corvex::pg
