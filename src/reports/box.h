// Single-line box drawing with the code page 437 bytes the reports write raw
// into their code page 1252 report files (the print side maps them back to
// lines, the preview to '|' and '-').
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

namespace corvex::box {

constexpr char kVerticale = '\xB3';      // 179
constexpr char kTeeDestra = '\xB4';      // 180, right tee
constexpr char kAngoloAltoDx = '\xBF';   // 191
constexpr char kAngoloBassoSx = '\xC0';  // 192
constexpr char kTeeBasso = '\xC1';       // 193
constexpr char kTeeAlto = '\xC2';        // 194
constexpr char kTeeSinistra = '\xC3';    // 195, left tee
constexpr char kOrizzontale = '\xC4';    // 196
constexpr char kCroce = '\xC5';          // 197
constexpr char kAngoloBassoDx = '\xD9';  // 217
constexpr char kAngoloAltoSx = '\xDA';   // 218

// A rule line: first, then runs of horizontal bars of the given lengths
// separated by junction, then last.
template <class Runs>
std::string bordo(char first, char junction, char last, const Runs& runs) {
    std::string s(1, first);
    bool primo = true;
    for (std::size_t n : runs) {
        if (!primo) s += junction;
        primo = false;
        s.append(n, kOrizzontale);
    }
    s += last;
    return s;
}

inline std::string bordo(char first, char junction, char last,
                         std::initializer_list<std::size_t> runs) {
    return bordo<std::initializer_list<std::size_t>>(first, junction, last, runs);
}

inline std::string alto(std::initializer_list<std::size_t> runs) {
    return bordo(kAngoloAltoSx, kTeeAlto, kAngoloAltoDx, runs);
}
inline std::string separatore(std::initializer_list<std::size_t> runs) {
    return bordo(kTeeSinistra, kCroce, kTeeDestra, runs);
}
inline std::string basso(std::initializer_list<std::size_t> runs) {
    return bordo(kAngoloBassoSx, kTeeBasso, kAngoloBassoDx, runs);
}

}  // namespace corvex::box
