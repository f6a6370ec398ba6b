#include "common/text.h"

#include <array>
#include <climits>

namespace corvex {

namespace {

// Code points of bytes 0x80..0x9F in code page 1252. The five bytes the code
// page leaves undefined map to the C1 control of the same value, so every
// byte survives a round trip through UTF-8.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Base letters of U+0100..U+017F (Latin Extended-A), for characters that
// code page 1252 lacks: "Ł" -> "L", "ő" -> "o".
constexpr std::string_view kLatinExtA =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";

int toByte(char32_t cpnt) {
    if (cpnt < 0x80 || (cpnt >= 0xA0 && cpnt <= 0xFF)) return static_cast<int>(cpnt);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == cpnt) return static_cast<int>(0x80 + i);
    }
    if (cpnt >= 0x100 && cpnt <= 0x17F) return static_cast<unsigned char>(kLatinExtA[cpnt - 0x100]);
    switch (cpnt) {
        case 0x0218:
            return 'S';  // Romanian comma-below letters
        case 0x0219:
            return 's';
        case 0x021A:
            return 'T';
        case 0x021B:
            return 't';
        case 0x2010:
        case 0x2011:
        case 0x2012:
            return '-';
        case 0x2015:
            return 0x97;
        case 0x00A0:
            return ' ';
        default:
            return '?';
    }
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

unsigned char up(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
    if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 16);
    if (c == 0xFF) return 0x9F;
    return c;
}

unsigned char down(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 16);
    if (c == 0x9F) return 0xFF;
    return c;
}

}  // namespace

std::string utf8ToCp1252(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    std::size_t i = 0;
    while (i < in.size()) {
        const unsigned char b = static_cast<unsigned char>(in[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        int len = 0;
        char32_t c = 0;
        if ((b & 0xE0) == 0xC0) {
            len = 2;
            c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
            c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
            c = b & 0x07;
        } else {
            out += '?';
            ++i;
            continue;
        }
        if (i + static_cast<std::size_t>(len) > in.size()) {
            out += '?';
            break;
        }
        bool ok = true;
        for (int k = 1; k < len; ++k) {
            const unsigned char cb =
                static_cast<unsigned char>(in[i + static_cast<std::size_t>(k)]);
            if ((cb & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) {
            out += '?';
            ++i;
            continue;
        }
        out += static_cast<char>(toByte(c));
        i += static_cast<std::size_t>(len);
    }
    return out;
}

std::string cp1252ToUtf8(std::string_view cpText) {
    std::string out;
    out.reserve(cpText.size() + cpText.size() / 4);
    for (char ch : cpText) {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
        } else if (b < 0xA0) {
            appendUtf8(out, kHigh[b - 0x80]);
        } else {
            appendUtf8(out, b);
        }
    }
    return out;
}

std::string trim(std::string_view s) {
    return trimRight(trimLeft(s));
}

std::string trimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return std::string(s.substr(i));
}

std::string trimRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    return std::string(s.substr(0, n));
}

std::string left(std::string_view s, std::size_t n) {
    return std::string(s.substr(0, n));
}

std::string right(std::string_view s, std::size_t n) {
    return n >= s.size() ? std::string(s) : std::string(s.substr(s.size() - n));
}

std::string mid(std::string_view s, std::size_t start1, std::size_t n) {
    if (start1 == 0) start1 = 1;
    if (start1 > s.size()) return {};
    return std::string(s.substr(start1 - 1, n));
}

std::string padRight(std::string_view s, std::size_t width) {
    std::string out(s);
    if (out.size() < width) out.append(width - out.size(), ' ');
    return out;
}

std::string padLeft(std::string_view s, std::size_t width) {
    std::string out;
    if (s.size() < width) out.assign(width - s.size(), ' ');
    out += s;
    return out;
}

std::string fitRight(std::string_view s, std::size_t width) {
    return padRight(s.substr(0, width), width);
}

std::string fitLeft(std::string_view s, std::size_t width) {
    return padLeft(s.size() > width ? s.substr(s.size() - width) : s, width);
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(up(static_cast<unsigned char>(c)));
    return out;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(down(static_cast<unsigned char>(c)));
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (up(static_cast<unsigned char>(a[i])) != up(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool contains(std::string_view hay, std::string_view needle) {
    return hay.find(needle) != std::string_view::npos;
}

bool startsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

std::string str(std::int64_t n) {
    return std::to_string(n);
}

std::int64_t leadingNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    std::int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (v > (INT64_MAX - 9) / 10) return negative ? INT64_MIN : INT64_MAX;
        v = v * 10 + (s[i] - '0');
    }
    return negative ? -v : v;
}

bool parseWhole(std::string_view s, std::int64_t& out) {
    const std::string t = trim(s);
    if (t.empty()) return false;
    std::size_t i = 0;
    if (t[0] == '-' || t[0] == '+') i = 1;
    if (i == t.size()) return false;
    for (std::size_t k = i; k < t.size(); ++k) {
        if (t[k] < '0' || t[k] > '9') return false;
    }
    if (t.size() - i > 18) return false;
    out = leadingNumber(t);
    return true;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            out.emplace_back(text.substr(start));
            break;
        }
        std::size_t end = nl;
        if (end > start && text[end - 1] == '\r') --end;
        out.emplace_back(text.substr(start, end - start));
        start = nl + 1;
    }
    return out;
}

namespace {

bool isControl(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

}  // namespace

bool hasControlCharacter(std::string_view s) {
    for (char c : s) {
        if (isControl(c)) return true;
    }
    return false;
}

std::string blankControlCharacters(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (isControl(c)) c = ' ';
    }
    return out;
}

}  // namespace corvex
