// Decoding of Jet's raw field values into what the SQLite copy of a Jet file
// stores. Pure functions without libmdb, shared by the importer (the child
// process that reads the file) and the tests.
//
// What the copy stores, per Jet type:
//   Currency  REAL, the double nearest to the exact 4-decimal amount (SQLite
//             keeps whole amounts as INTEGER); rounding it to 1/10000 gives the
//             stored amount back exactly for any |amount| below 9e11.
//   Single    REAL, the double of the shortest decimal that reads back as the
//             same single (0.1f is stored as 0.1, not 0.100000001490116).
//   DateTime  TEXT 'yyyy-mm-dd hh:mm:ss', to the second; NULL when the value is
//             outside years 100-9999 (no valid Jet date lies there).
//   Boolean   INTEGER -1 (true) or 0 (false), as the suite's engine reports them.
//   Replication ID  TEXT '{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}'.
//   Decimal   TEXT of the exact decimal (SQLite's numeric affinity turns it
//             into a number).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace corvex::jetimport {

// A Jet date/time: days since 1899-12-30; the fraction is the time of day,
// counted forward from the date part even when the value is negative (-1.25 is
// 1899-12-29 06:00). Rounded to the second.
std::optional<std::string> dateTimeText(double days);

// A currency value held as a count of 1/10000 units.
double currencyValue(std::int64_t units);

// The exact decimal text of a currency value ("-12.3400").
std::string currencyText(std::int64_t units);

// A single-precision value as the double of its shortest decimal form.
double singleValue(float value);

// A 16-byte GUID as Jet shows it (first three groups little-endian).
std::string guidText(const unsigned char* bytes16);

// A Jet 4 decimal field (17 bytes: sign byte with 0x80 for negative, then four
// little-endian 32-bit words, most significant first) with `scale` decimals.
std::string decimalText(const unsigned char* bytes17, int scale);

}  // namespace corvex::jetimport
