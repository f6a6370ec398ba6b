// Shared pieces of the fiscal report tests: the box-drawing bytes written as
// readable placeholders, and the shared Interaction fake.
#pragma once

#include <initializer_list>
#include <string>

#include "support/fake_io.h"

namespace corvex::test {

// A table row written with '|' for the vertical bar (179).
inline std::string row(std::string s) {
    for (char& c : s) {
        if (c == '|') c = '\xB3';
    }
    return s;
}

// Border bytes.
constexpr char kTopLeft = '\xDA', kTopRight = '\xBF', kBottomLeft = '\xC0', kBottomRight = '\xD9',
               kTopTee = '\xC2', kBottomTee = '\xC1', kLeftTee = '\xC3', kRightTee = '\xB4',
               kCross = '\xC5', kBar = '\xC4';

// A border: first byte, runs of horizontal bars joined by junction, last.
inline std::string runs(char first, char junction, char last, std::initializer_list<int> lengths) {
    std::string s(1, first);
    bool primo = true;
    for (int n : lengths) {
        if (!primo) s += junction;
        primo = false;
        s += std::string(static_cast<std::size_t>(n), kBar);
    }
    s += last;
    return s;
}

}  // namespace corvex::test
