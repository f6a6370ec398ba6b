// Dates as the desk and the suite write them.
//
// The desk's dates are "dd/mm/yyyy" texts; the suite stores "yyyymmdd" texts.
// The helpers keep the exact conversions of the original routines (no
// validation in DataSql/DataDaSql), and add exact day arithmetic.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvex {

// Divisible by 4 (no century rule: 1900 and 2100 are leap years here).
bool AnnoBisestile(int year);
// Trimmed text of exactly 10 characters, day 1-2, month 4-5, year 7-10,
// month 1..12, year >= 1900, day within the month (February by AnnoBisestile).
bool DataValida(std::string_view text);
// True unless the first date is later than the second (equal dates: true).
bool ConfrontaDate(std::string_view first, std::string_view second);
// "ddmmyy" -> "dd/mm/19yy" (yy >= 35) or "dd/mm/20yy"; "ddmmyyyy" -> "dd/mm/yyyy";
// anything else unchanged.
std::string CompletaAnno(std::string_view text);
// "dd/mm/yyyy" -> "yyyymmdd" (characters 7-10, 4-5, 1-2; no validation).
std::string DataSql(std::string_view ddmmyyyy);
// "yyyymmdd" -> "dd/mm/yyyy" (characters 7-8, 5-6, 1-4; no validation).
std::string DataDaSql(std::string_view yyyymmdd);

// Day number of a "dd/mm/yyyy" text on the proleptic Gregorian calendar, or
// nullopt when the text is not a real date of that form (the day arithmetic
// of the reports: nights, ages, the next day).
std::optional<std::int64_t> NumeroGiorno(std::string_view ddmmyyyy);
std::string DataDaNumero(std::int64_t day);  // back to "dd/mm/yyyy"
// Year, month and day of a day number (days since 01/01/1970, the count
// NumeroGiorno uses), proleptic Gregorian.
void civilFromDays(std::int64_t day, std::int64_t& y, unsigned& m, unsigned& d);
// to - from in days; nullopt when either is not a date.
std::optional<std::int64_t> DifferenzaGiorni(std::string_view from, std::string_view to);
// The date n days later (n may be negative); nullopt when d is not a date.
std::optional<std::string> AggiungiGiorni(std::string_view d, std::int64_t n);
// Year of a "dd/mm/yyyy" text (characters 7-10), nullopt when not numeric.
std::optional<int> AnnoDi(std::string_view ddmmyyyy);

}  // namespace corvex
