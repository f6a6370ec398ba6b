#include "output/righe_vista.h"

#include <algorithm>
#include <cctype>

namespace corvex {

namespace {

constexpr unsigned char kBold = 231;
constexpr unsigned char kFirstBox = 179;
constexpr unsigned char kLastBox = 218;

enum : unsigned { Up = 1, Down = 2, Left = 4, Right = 8 };

// Where each code page 437 frame character reaches, from 179 to 218.
constexpr unsigned kReach[kLastBox - kFirstBox + 1] = {
    Up | Down,                 // 179 │
    Up | Down | Left,          // 180 ┤
    Up | Down | Left,          // 181 ╡
    Up | Down | Left,          // 182 ╢
    Down | Left,               // 183 ╖
    Down | Left,               // 184 ╕
    Up | Down | Left,          // 185 ╣
    Up | Down,                 // 186 ║
    Down | Left,               // 187 ╗
    Up | Left,                 // 188 ╝
    Up | Left,                 // 189 ╜
    Up | Left,                 // 190 ╛
    Down | Left,               // 191 ┐
    Up | Right,                // 192 └
    Up | Left | Right,         // 193 ┴
    Down | Left | Right,       // 194 ┬
    Up | Down | Right,         // 195 ├
    Left | Right,              // 196 ─
    Up | Down | Left | Right,  // 197 ┼
    Up | Down | Right,         // 198 ╞
    Up | Down | Right,         // 199 ╟
    Up | Right,                // 200 ╚
    Down | Right,              // 201 ╔
    Up | Left | Right,         // 202 ╩
    Down | Left | Right,       // 203 ╦
    Up | Down | Right,         // 204 ╠
    Left | Right,              // 205 ═
    Up | Down | Left | Right,  // 206 ╬
    Up | Left | Right,         // 207 ╧
    Up | Left | Right,         // 208 ╨
    Down | Left | Right,       // 209 ╤
    Down | Left | Right,       // 210 ╥
    Up | Right,                // 211 ╙
    Up | Right,                // 212 ╘
    Down | Right,              // 213 ╒
    Down | Right,              // 214 ╓
    Up | Down | Left | Right,  // 215 ╫
    Up | Down | Left | Right,  // 216 ╪
    Up | Left,                 // 217 ┘
    Down | Right,              // 218 ┌
};

unsigned reach(unsigned char b) {
    return b >= kFirstBox && b <= kLastBox ? kReach[b - kFirstBox] : 0;
}

std::string withoutBold(std::string_view line) {
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        if (static_cast<unsigned char>(c) != kBold) out += c;
    }
    return out;
}

unsigned char at(const std::string& s, std::size_t i) {
    return i < s.size() ? static_cast<unsigned char>(s[i]) : 0;
}

// Whether the character at column k of plain joins the frame around it.
bool joinsFrame(const std::string& plain, std::size_t k, const std::string& above,
                const std::string& below, bool severalBars) {
    const unsigned char b = at(plain, k);
    const unsigned r = reach(b);
    if (b == 179) {
        // The single bar: a table row's separator, or a bar standing between
        // blanks; "³" only right after a letter or digit ("m³").
        const unsigned char left = k > 0 ? at(plain, k - 1) : ' ';
        if (severalBars || !std::isalnum(left)) return true;
    }
    auto sideRule = [](unsigned char c) { return c == '-' || c == '=' || c == '+'; };
    auto upDownRule = [](unsigned char c) { return c == '|' || c == '+'; };
    if ((r & Left) && k > 0) {
        const unsigned char n = at(plain, k - 1);
        if ((reach(n) & Right) || sideRule(n)) return true;
    }
    if (r & Right) {
        const unsigned char n = at(plain, k + 1);
        if ((reach(n) & Left) || sideRule(n)) return true;
    }
    if (r & Up) {
        const unsigned char n = at(above, k);
        if ((reach(n) & Down) || upDownRule(n)) return true;
    }
    if (r & Down) {
        const unsigned char n = at(below, k);
        if ((reach(n) & Up) || upDownRule(n)) return true;
    }
    return false;
}

char frameChar(unsigned char b) {
    // Vertical bars and the junctions on a side, as the line-cleaning map
    // draws them (183 included); corners, tees and crossings are rules.
    switch (b) {
        case 179:
        case 180:
        case 181:
        case 182:
        case 183:
        case 185:
        case 186:
        case 195:
        case 198:
        case 199:
        case 204:
            return '|';
        default:
            return '-';
    }
}

}  // namespace

std::string rigaVista(std::string_view line, std::string_view above, std::string_view below,
                      bool keepBold) {
    const std::string plain = withoutBold(line);
    const std::string up = withoutBold(above);
    const std::string down = withoutBold(below);
    const bool severalBars = std::count(plain.begin(), plain.end(), '\xB3') >= 2;
    std::string out;
    out.reserve(line.size());
    std::size_t k = 0;  // column in plain
    for (char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b == kBold) {
            if (keepBold) out += c;
            continue;
        }
        if (reach(b) != 0 && joinsFrame(plain, k, up, down, severalBars)) {
            out += frameChar(b);
        } else if (b == 180) {
            out += '\'';
        } else {
            out += c;
        }
        ++k;
    }
    return out;
}

std::vector<std::string> righeVista(const std::vector<std::string>& lines, bool keepBold) {
    std::vector<std::string> out;
    out.reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out.push_back(rigaVista(
            lines[i], i > 0 ? std::string_view(lines[i - 1]) : std::string_view(),
            i + 1 < lines.size() ? std::string_view(lines[i + 1]) : std::string_view(), keepBold));
    }
    return out;
}

}  // namespace corvex
