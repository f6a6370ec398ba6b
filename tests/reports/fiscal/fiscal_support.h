// Shared pieces of the fiscal report tests: a scripted Interaction and the
// box-drawing bytes written as readable placeholders.
#pragma once

#include <deque>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "reports/interaction.h"

namespace corvex::test {

// Answers questions from scripts and records everything the report said.
class FiscalIo : public Interaction {
  public:
    struct Domanda {
        std::string prompt, title, defaultAnswer;
    };
    std::deque<std::optional<std::string>> answers;  // for ask(); empty: the default
    std::deque<bool> confirmations;                  // for confirm(); empty: the default
    std::vector<Domanda> asked;
    std::vector<Domanda> confirmed;
    std::vector<std::pair<std::string, std::string>> warnings;
    int printMenus = 0;

    std::optional<std::string> ask(const std::string& prompt, const std::string& title,
                                   const std::string& def) override {
        asked.push_back({prompt, title, def});
        if (answers.empty()) return def;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    bool confirm(const std::string& prompt, const std::string& title, bool defaultYes) override {
        confirmed.push_back({prompt, title, defaultYes ? "yes" : "no"});
        if (confirmations.empty()) return defaultYes;
        bool c = confirmations.front();
        confirmations.pop_front();
        return c;
    }
    void warn(const std::string& text, const std::string& title) override {
        warnings.emplace_back(text, title);
    }
    void showPrintMenu() override { ++printMenus; }
};

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
