#include "data/pg/pg_functions.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

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

// Every code page 1252 byte but NUL, the frequent ones first: translate()
// looks a character up by walking its list from the start.
const std::vector<unsigned char>& byteOrder() {
    static const std::vector<unsigned char> order = [] {
        std::vector<unsigned char> o;
        std::vector<bool> seen(256, false);
        auto add = [&](int from, int to) {
            for (int c = from; c <= to; ++c)
                if (!seen[static_cast<std::size_t>(c)]) {
                    seen[static_cast<std::size_t>(c)] = true;
                    o.push_back(static_cast<unsigned char>(c));
                }
        };
        add('0', '9');
        add('a', 'z');
        add('A', 'Z');
        add(' ', ' ');
        add(1, 255);
        return o;
    }();
    return order;
}

std::string utf8(unsigned char c) {
    return cp1252ToUtf8(std::string(1, static_cast<char>(c)));
}

// The characters of the bytes `keep` accepts, in byteOrder().
template <class Keep>
std::string characters(Keep keep) {
    std::string out;
    for (unsigned char c : byteOrder())
        if (keep(c)) out += utf8(c);
    return out;
}

// The rank of each byte's level among all bytes' levels, as a character from
// U+0100 up: two UTF-8 bytes each, so that byte order is rank order and every
// rank comes after the blank that separates the two levels of a sort key.
struct Ranks {
    std::array<std::string, 256> base, folded;
    Ranks() {
        fill(base, jet::baseCodePoint);
        fill(folded, jet::foldedCodePoint);
    }
    template <class Level>
    static void fill(std::array<std::string, 256>& out, Level level) {
        std::map<std::uint32_t, std::uint32_t> ranks;
        for (int c = 1; c < 256; ++c) ranks[level(static_cast<unsigned char>(c))] = 0;
        std::uint32_t next = 0x100;
        for (auto& entry : ranks) entry.second = next++;
        for (int c = 1; c < 256; ++c) {
            std::uint32_t cp = ranks[level(static_cast<unsigned char>(c))];
            out[static_cast<std::size_t>(c)] = {static_cast<char>(0xC0 | (cp >> 6)),
                                                static_cast<char>(0x80 | (cp & 0x3F))};
        }
    }
};

const Ranks& ranks() {
    static const Ranks r;
    return r;
}

std::string rankList(const std::array<std::string, 256>& level) {
    std::string out;
    for (unsigned char c : byteOrder()) out += level[c];
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

std::string sortKey(std::string_view cp1252) {
    const Ranks& r = ranks();
    std::string out;
    for (char c : cp1252) out += r.base[static_cast<unsigned char>(c)];
    out += ' ';
    for (char c : cp1252) out += r.folded[static_cast<unsigned char>(c)];
    return out;
}

std::string foldedText(std::string_view cp1252) {
    return cp1252ToUtf8(jet::foldCase(cp1252));
}

std::string functionsSql() {
    const auto changes = [](auto map) { return [map](unsigned char c) { return map(c) != c; }; };
    const auto upperByte = [](unsigned char c) {
        return static_cast<unsigned char>(jet::upperCase(std::string(1, static_cast<char>(c)))[0]);
    };
    auto mappedList = [](auto keep, auto map) {
        std::string out;
        for (unsigned char c : byteOrder())
            if (keep(c)) out += utf8(map(c));
        return out;
    };
    const auto foldKeep = changes(jet::foldByte);
    const auto upperKeep = changes(upperByte);
    const std::string fold = "translate(t, " + literal(characters(foldKeep)) + ", " +
                             literal(mappedList(foldKeep, jet::foldByte)) + ")";
    const std::string upper = "translate(t, " + literal(characters(upperKeep)) + ", " +
                              literal(mappedList(upperKeep, upperByte)) + ")";
    // The sort key (as sortKey() makes it): the base letters of the whole
    // text, a blank, then its case-folded characters, each as a rank
    // character. Compared in byte order ("C"), keys order texts as the
    // engine's text order: base letters first, a shorter text before a
    // longer one that starts with the same base letters, then the first
    // folded character that differs.
    const std::string all = literal(characters([](unsigned char) { return true; }));
    const std::string key = "translate(t, " + all + ", " + literal(rankList(ranks().base)) +
                            ") || ' ' || translate(t, " + all + ", " +
                            literal(rankList(ranks().folded)) + ")";

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
    // (Written without subqueries, so that the server inlines them.)
    sql += function("instr(h text, n text)", "bigint",
                    "SELECT strpos(corvex_fn.fold(h), corvex_fn.fold(n))::bigint");
    sql +=
        function("instr(s bigint, h text, n text)", "bigint",
                 "SELECT CASE WHEN greatest(s, 1) - 1 > char_length(h) THEN 0::bigint "
                 "WHEN corvex_fn.instr(substr(h, greatest(least(s, 2147483647), 1)::int), n) = 0 "
                 "THEN 0::bigint ELSE corvex_fn.instr(substr(h, greatest(least(s, 2147483647), "
                 "1)::int), n) + greatest(s, 1) - 1 END");
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
    // The day number of a yyyymmdd text that is a real date, else null (the
    // sync works out each stays table's longest stay with it).
    sql += function("days(t text)", "integer",
                    "SELECT CASE WHEN t IS NULL OR t !~ '^[0-9]{8}$' THEN NULL "
                    "WHEN substr(t, 1, 4)::int < 1 OR substr(t, 5, 2)::int NOT BETWEEN 1 AND 12 "
                    "OR substr(t, 7, 2)::int < 1 THEN NULL "
                    "WHEN substr(t, 7, 2)::int > extract(day FROM make_date(substr(t, 1, 4)::int, "
                    "substr(t, 5, 2)::int, 1) + interval '1 month' - interval '1 day') THEN NULL "
                    "ELSE make_date(substr(t, 1, 4)::int, substr(t, 5, 2)::int, "
                    "substr(t, 7, 2)::int) - date '1970-01-01' END");
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

std::string longestStaySql(const std::string& table, const std::string& arrival,
                           const std::string& departure) {
    return "SELECT CASE WHEN count(*) > count(s) THEN -1 ELSE coalesce(max(s), 0) END FROM "
           "(SELECT corvex_fn.days(" +
           departure + ") - corvex_fn.days(" + arrival + ") AS s FROM " + table + " WHERE " +
           departure + " > " + arrival + " COLLATE \"C\") AS spans";
}

}  // namespace corvex::pg
