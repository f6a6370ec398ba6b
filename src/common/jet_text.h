// Text rules of the Jet engine as the engine reproduces them.
//
// Text compares without regard to case, accented letters included (à = À),
// as Jet's general sort order does. The order sorts accented letters with
// their base letter (à1 < A2 < É1 < Z9): base letters of the whole texts
// first, then the first case-folded character that differs (a < à < á), so
// two texts compare equal only when they are equal without regard to case.
// Other characters sort by their case-folded code points. Code page 1252
// bytes in memory and UTF-8 text inside SQLite compare alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvex::db::jet {

// Lower-case form of a code page 1252 byte.
unsigned char foldByte(unsigned char c);
// The two sort levels of a code page 1252 byte as Unicode code points: its
// case-folded character and the base letter that character sorts with.
std::uint32_t foldedCodePoint(unsigned char c);
std::uint32_t baseCodePoint(unsigned char c);

int compareNoCase(std::string_view a, std::string_view b);  // code page 1252 texts
bool equalNoCase(std::string_view a, std::string_view b);
std::string foldCase(std::string_view s);  // lower-case code page 1252 bytes
std::string upperCase(std::string_view s);

// The same comparison on UTF-8 texts (the engine's NOCASE collation).
int compareUtf8NoCase(const void* a, int na, const void* b, int nb);

// Day number of a yyyymmdd text that is a real date, else nullopt.
std::optional<std::int64_t> dayNumber(std::string_view yyyymmdd);
// yyyymmdd text of a day number.
std::string dateText(std::int64_t day);

}  // namespace corvex::db::jet
