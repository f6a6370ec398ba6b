// Small aids for the report tests: an Interaction that records what the
// report asked for, a scoped environment variable, a column from a cell
// that may be null.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "reports/interaction.h"
#include "support/data_folder.h"

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

// Sets an environment variable for a scope and restores it afterwards.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_.c_str(), old_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> old_;
};

// A column whose value may be null.
inline Column column(const char* name, const Cell& value) {
    return std::visit([name](const auto& v) { return Column(name, v); }, value);
}

}  // namespace corvex::test
