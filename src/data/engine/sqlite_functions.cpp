#include "data/engine/sqlite_functions.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/jet_text.h"
#include "common/text.h"

namespace corvex::db {

namespace {

// Byte offset after n UTF-8 characters of s (or its end).
std::size_t skipChars(std::string_view s, std::int64_t n) {
    std::size_t i = 0;
    while (i < s.size() && n > 0) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        --n;
    }
    return i;
}

std::int64_t charCount(std::string_view s) {
    std::int64_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string_view textArg(sqlite3_value* v) {
    auto p = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return p ? std::string_view(p, static_cast<std::size_t>(sqlite3_value_bytes(v)))
             : std::string_view();
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return true;
    return false;
}

void resultText(sqlite3_context* ctx, std::string_view s) {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void fnLeft(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    resultText(ctx, s.substr(0, skipChars(s, sqlite3_value_int64(argv[1]))));
}

void fnRight(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    std::int64_t n = sqlite3_value_int64(argv[1]), len = charCount(s);
    resultText(ctx, n >= len ? s : s.substr(skipChars(s, len - (n < 0 ? 0 : n))));
}

void fnMid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string_view s = textArg(argv[0]);
    std::int64_t start = sqlite3_value_int64(argv[1]);
    s = s.substr(skipChars(s, start < 1 ? 0 : start - 1));
    if (argc == 3) s = s.substr(0, skipChars(s, sqlite3_value_int64(argv[2])));
    resultText(ctx, s);
}

void fnLen(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, charCount(textArg(argv[0])));
}

void fnInstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    int a = argc == 3 ? 1 : 0;
    std::int64_t start = argc == 3 ? sqlite3_value_int64(argv[0]) : 1;
    if (start < 1) start = 1;
    std::string_view h = textArg(argv[a]), n = textArg(argv[a + 1]);
    if (isAscii(h) && isAscii(n)) {
        // Common case (Instr(Lingua,'*')): no conversion, no allocation.
        if (static_cast<std::size_t>(start - 1) > h.size()) return sqlite3_result_int64(ctx, 0);
        for (std::size_t i = static_cast<std::size_t>(start - 1); i + n.size() <= h.size(); ++i) {
            std::size_t k = 0;
            while (k < n.size() && lowerAscii(h[i + k]) == lowerAscii(n[k])) ++k;
            if (k == n.size()) return sqlite3_result_int64(ctx, static_cast<std::int64_t>(i) + 1);
        }
        return sqlite3_result_int64(ctx, 0);
    }
    std::string hay = utf8ToCp1252(h), needle = utf8ToCp1252(n);
    if (static_cast<std::size_t>(start - 1) > hay.size()) return sqlite3_result_int64(ctx, 0);
    hay = jet::foldCase(hay);
    needle = jet::foldCase(needle);
    std::size_t p = hay.find(needle, static_cast<std::size_t>(start - 1));
    sqlite3_result_int64(ctx, p == std::string::npos ? 0 : static_cast<std::int64_t>(p) + 1);
}

void fnUcase(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    resultText(ctx, cp1252ToUtf8(jet::upperCase(utf8ToCp1252(textArg(argv[0])))));
}

void fnLcase(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    resultText(ctx, cp1252ToUtf8(jet::foldCase(utf8ToCp1252(textArg(argv[0])))));
}

void fnLike(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string p = utf8ToCp1252(textArg(argv[0])), t = utf8ToCp1252(textArg(argv[1]));
    sqlite3_result_int(ctx, jetLike(t.data(), t.size(), p.data(), p.size()) ? 1 : 0);
}

void fnVal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    std::string s(textArg(argv[0]));
    sqlite3_result_double(ctx, std::strtod(s.c_str(), nullptr));
}

void fnDays(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) return sqlite3_result_null(ctx);
    auto d = jet::dayNumber(textArg(argv[0]));
    if (!d) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, *d);
}

// The date text n days before a yyyymmdd date; '' (below every text) when the
// argument is not a date, so that a bound built from it restricts nothing.
void fnDateSub(sqlite3_context* ctx, int, sqlite3_value** argv) {
    std::optional<std::int64_t> d;
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) d = jet::dayNumber(textArg(argv[0]));
    if (!d) return resultText(ctx, "");
    resultText(ctx, jet::dateText(*d - sqlite3_value_int64(argv[1])));
}

struct CurSum {
    std::int64_t units;
    bool any;
};

void curSumStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* s = static_cast<CurSum*>(sqlite3_aggregate_context(ctx, sizeof(CurSum)));
    if (!s || sqlite3_value_type(argv[0]) == SQLITE_NULL) return;
    s->any = true;
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER)
        s->units += sqlite3_value_int64(argv[0]) * 10000;
    else
        s->units += std::llround(sqlite3_value_double(argv[0]) * 10000.0);
}

void curSumFinal(sqlite3_context* ctx) {
    auto* s = static_cast<CurSum*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || !s->any) return sqlite3_result_null(ctx);
    sqlite3_result_double(ctx, static_cast<double>(s->units) / 10000.0);
}

int collate(void*, int na, const void* a, int nb, const void* b) {
    return jet::compareUtf8NoCase(a, na, b, nb);
}

}  // namespace

bool jetLike(const char* t, std::size_t tn, const char* p, std::size_t pn) {
    std::size_t ti = 0, pi = 0, starP = std::string::npos, starT = 0;
    auto fold = [](char c) { return jet::foldByte(static_cast<unsigned char>(c)); };
    while (ti < tn) {
        if (pi < pn && p[pi] == '*') {
            starP = ++pi;
            starT = ti;
            continue;
        }
        bool ok = false;
        std::size_t nextP = pi + 1;
        if (pi < pn) {
            char c = p[pi];
            if (c == '?')
                ok = true;
            else if (c == '#')
                ok = t[ti] >= '0' && t[ti] <= '9';
            else if (c == '[') {
                std::size_t close = std::string_view(p, pn).find(']', pi + 1);
                if (close != std::string::npos) {
                    bool negate = pi + 1 < close && p[pi + 1] == '!';
                    bool in = false;
                    for (std::size_t k = pi + 1 + (negate ? 1 : 0); k < close; ++k) {
                        if (k + 2 < close && p[k + 1] == '-') {
                            in = in || (fold(t[ti]) >= fold(p[k]) && fold(t[ti]) <= fold(p[k + 2]));
                            k += 2;
                        } else {
                            in = in || fold(t[ti]) == fold(p[k]);
                        }
                    }
                    ok = in != negate;
                    nextP = close + 1;
                } else {
                    ok = t[ti] == '[';
                }
            } else {
                ok = fold(c) == fold(t[ti]);
            }
        }
        if (ok) {
            ++ti;
            pi = nextP;
        } else if (starP != std::string::npos) {
            pi = starP;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < pn && p[pi] == '*') ++pi;
    return pi == pn;
}

void registerEngineFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_collation(db, "NOCASE", SQLITE_UTF8, nullptr, collate);
    sqlite3_create_function(db, "jet_left", 2, flags, nullptr, fnLeft, nullptr, nullptr);
    sqlite3_create_function(db, "jet_right", 2, flags, nullptr, fnRight, nullptr, nullptr);
    sqlite3_create_function(db, "jet_mid", 2, flags, nullptr, fnMid, nullptr, nullptr);
    sqlite3_create_function(db, "jet_mid", 3, flags, nullptr, fnMid, nullptr, nullptr);
    sqlite3_create_function(db, "jet_len", 1, flags, nullptr, fnLen, nullptr, nullptr);
    sqlite3_create_function(db, "jet_instr", 2, flags, nullptr, fnInstr, nullptr, nullptr);
    sqlite3_create_function(db, "jet_instr", 3, flags, nullptr, fnInstr, nullptr, nullptr);
    sqlite3_create_function(db, "jet_ucase", 1, flags, nullptr, fnUcase, nullptr, nullptr);
    sqlite3_create_function(db, "jet_lcase", 1, flags, nullptr, fnLcase, nullptr, nullptr);
    sqlite3_create_function(db, "jet_like", 2, flags, nullptr, fnLike, nullptr, nullptr);
    sqlite3_create_function(db, "jet_val", 1, flags, nullptr, fnVal, nullptr, nullptr);
    sqlite3_create_function(db, "corvex_days", 1, flags, nullptr, fnDays, nullptr, nullptr);
    sqlite3_create_function(db, "corvex_datesub", 2, flags, nullptr, fnDateSub, nullptr, nullptr);
    sqlite3_create_function(db, "corvex_cursum", 1, flags, nullptr, nullptr, curSumStep,
                            curSumFinal);
}

}  // namespace corvex::db
