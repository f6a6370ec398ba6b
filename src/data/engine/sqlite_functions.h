// The engine's SQL functions and collation, registered on every connection.
//
// NOCASE is replaced by the Jet comparison of jet_text.h (same order as
// SQLite's own NOCASE on ASCII text; accented letters compare without regard
// to case too). jet_left, jet_right, jet_mid, jet_len, jet_instr, jet_ucase,
// jet_lcase, jet_like and jet_val behave as Jet's Left, Right, Mid, Len,
// InStr (case-insensitive, 1-based, 0 when absent), UCase, LCase, Like and
// Val. corvex_cursum sums amounts exactly in 1/10000 units; corvex_days and
// corvex_datesub do day arithmetic on yyyymmdd texts.
#pragma once

#include <cstddef>

struct sqlite3;

namespace corvex::db {

void registerEngineFunctions(sqlite3* db);

// Jet's Like on code page 1252 texts: '*' any run, '?' one character,
// '#' one digit, [abc] / [!abc] a set; without regard to case.
bool jetLike(const char* text, std::size_t textLen, const char* pattern, std::size_t patternLen);

}  // namespace corvex::db
