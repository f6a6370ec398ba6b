// An Interaction for report tests: answers questions from a script and
// records what the report asked and whether it opened the print menu.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "reports/interaction.h"

namespace corvex::test {

class ScriptedIo : public Interaction {
  public:
    struct Question {
        std::string prompt, title, defaultAnswer;
    };

    ScriptedIo() = default;
    // Answers in order; nullopt stands for "Annulla".
    explicit ScriptedIo(std::vector<std::optional<std::string>> answers)
        : answers_(answers.begin(), answers.end()) {}

    std::optional<std::string> ask(const std::string& prompt, const std::string& title,
                                   const std::string& defaultAnswer) override {
        asked.push_back({prompt, title, defaultAnswer});
        if (answers_.empty()) throw std::logic_error("unexpected question: " + title);
        auto a = answers_.front();
        answers_.pop_front();
        return a;
    }
    bool confirm(const std::string&, const std::string&, bool defaultYes) override {
        return defaultYes;
    }
    void warn(const std::string& text, const std::string&) override { warnings.push_back(text); }
    void showPrintMenu() override { ++printMenus; }

    std::vector<Question> asked;
    std::vector<std::string> warnings;
    int printMenus = 0;

  private:
    std::deque<std::optional<std::string>> answers_;
};

// Lines joined with CRLF, each line ended: the bytes of a report file.
inline std::string reportBytes(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

}  // namespace corvex::test
