// An Interaction for report tests: answers nothing, records what the report
// asked for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "reports/interaction.h"

namespace corvex::test {

class RecordingInteraction : public Interaction {
  public:
    std::optional<std::string> ask(const std::string& prompt, const std::string&,
                                   const std::string&) override {
        questions.push_back(prompt);
        return std::nullopt;
    }
    bool confirm(const std::string& prompt, const std::string&, bool defaultYes) override {
        questions.push_back(prompt);
        return defaultYes;
    }
    void warn(const std::string& text, const std::string&) override { warnings.push_back(text); }
    void showPrintMenu() override { ++printMenus; }

    int printMenus = 0;
    std::vector<std::string> questions;
    std::vector<std::string> warnings;
};

}  // namespace corvex::test
