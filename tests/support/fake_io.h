// The Interaction of the report tests: answers questions from a script (or
// with their defaults) and records everything the report asked and said.
#pragma once

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "reports/interaction.h"

namespace corvex::test {

class FakeIo : public Interaction {
  public:
    struct Domanda {
        std::string key, prompt, title, defaultAnswer;  // defaultAnswer "yes"/"no" for confirm
    };

    // Every question gets its default answer.
    FakeIo() = default;
    // Answers in order (nullopt stands for "Annulla"); a question beyond the
    // script fails the test.
    explicit FakeIo(std::vector<std::optional<std::string>> script)
        : answers(script.begin(), script.end()), scripted_(true) {}

    std::optional<std::string> ask(const std::string& key, const std::string& prompt,
                                   const std::string& title, const std::string& def) override {
        asked.push_back({key, prompt, title, def});
        if (answers.empty()) {
            if (scripted_) throw std::logic_error("unexpected question: " + title);
            return def;
        }
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
    bool confirm(const std::string& key, const std::string& prompt, const std::string& title,
                 bool defaultYes) override {
        confirmed.push_back({key, prompt, title, defaultYes ? "yes" : "no"});
        if (confirmations.empty()) return defaultYes;
        const bool c = confirmations.front();
        confirmations.pop_front();
        return c;
    }
    void warn(const std::string& text, const std::string& title) override {
        warnings.emplace_back(text, title);
    }
    void showPrintMenu() override { ++printMenus; }
    void offerSheet(const xlsx::Foglio& f) override { sheet = f; }

    std::deque<std::optional<std::string>> answers;  // for ask()
    std::deque<bool> confirmations;                  // for confirm(); empty: the default
    std::vector<Domanda> asked;
    std::vector<Domanda> confirmed;
    std::vector<std::pair<std::string, std::string>> warnings;  // text, title
    int printMenus = 0;
    std::optional<xlsx::Foglio> sheet;  // the sheet the report offered

  private:
    bool scripted_ = false;
};

}  // namespace corvex::test
