// Byte-text helpers. Text inside the program is code page 1252 bytes held in
// std::string: one byte per character, so widths and positions are byte counts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// Code page 1252 <-> UTF-8. A character with no code page 1252 form becomes
// its base letter where one exists ("ő" -> "o", "Ł" -> "L"), else '?': one
// character for one, so column widths hold. Invalid UTF-8 bytes become '?'.
std::string utf8ToCp1252(std::string_view utf8);
std::string cp1252ToUtf8(std::string_view cp);
// A source literal written in UTF-8, as code page 1252 bytes: cp("Età").
inline std::string cp(std::string_view utf8) {
    return utf8ToCp1252(utf8);
}

// Blanks (' ') only, as Basic's Trim/LTrim/RTrim.
std::string trim(std::string_view s);
std::string trimLeft(std::string_view s);
std::string trimRight(std::string_view s);

// Basic's Left/Mid/Right on bytes; out-of-range positions are clamped.
std::string left(std::string_view s, std::size_t n);
std::string right(std::string_view s, std::size_t n);
// 1-based start like Basic's Mid; n = npos takes the rest.
std::string mid(std::string_view s, std::size_t start1, std::size_t n = std::string_view::npos);

// Pads with blanks to width; text longer than width is returned whole (never cut).
std::string padRight(std::string_view s, std::size_t width);
std::string padLeft(std::string_view s, std::size_t width);
// Pads or cuts to exactly width.
std::string fitRight(std::string_view s, std::size_t width);  // left-aligned, cut at width
std::string fitLeft(std::string_view s, std::size_t width);   // right-aligned, keeps the last chars

// Upper-cases code page 1252 letters (accented ones included).
std::string upper(std::string_view s);
std::string lower(std::string_view s);
// Case-insensitive equality on code page 1252 text.
bool equalsNoCase(std::string_view a, std::string_view b);
bool contains(std::string_view hay, std::string_view needle);
bool startsWith(std::string_view s, std::string_view prefix);

// Whole-number text of an integer ("-12").
std::string str(std::int64_t n);
// Basic's Val on the start of a text: skips leading blanks, reads an optional
// sign and digits; no digits gives 0. Values beyond 64 bits saturate.
std::int64_t leadingNumber(std::string_view s);
// Strict whole-number parse (blanks around allowed): "12" -> true, "1a" -> false.
bool parseWhole(std::string_view s, std::int64_t& out);

std::vector<std::string> splitLines(std::string_view text);  // on CRLF or LF

// Control characters (bytes below 0x20 and 0x7F: CR, LF, form feed, ESC,
// NUL, BEL, tab ...) replaced by blanks, length kept. A data field holding one
// would split a report line or send a command to a raw printer.
bool hasControlCharacter(std::string_view s);
std::string blankControlCharacters(std::string_view s);

}  // namespace corvex
