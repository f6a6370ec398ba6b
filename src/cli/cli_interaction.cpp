#include "cli/cli_interaction.h"

#include <ostream>
#include <utility>

#include "reports/catalog.h"

namespace corvex::cli {

CliInteraction::CliInteraction(Answers answers, std::ostream& err, PrintMenuHandler printMenu)
    : answers_(std::move(answers)), err_(err), printMenu_(std::move(printMenu)) {}

std::optional<std::string> CliInteraction::ask(const std::string& key, const std::string& prompt,
                                               const std::string& title,
                                               const std::string& defaultAnswer) {
    if (++asked_[key] > kMaxAsks) {
        throw AnswerMissing("il report continua a chiedere \"" + title + "\" (" + prompt +
                            "): la risposta data non è accettata");
    }
    if (const auto it = answers_.find(key); it != answers_.end()) return it->second;
    if (const Question* q = findQuestion(key); q != nullptr && q->defaultAnswer == nullptr) {
        throw AnswerMissing("il report richiede --" + key);
    }
    return defaultAnswer;
}

bool CliInteraction::confirm(const std::string& key, const std::string&, const std::string&,
                             bool defaultYes) {
    if (const auto it = answers_.find(key); it != answers_.end()) return it->second == "yes";
    return defaultYes;
}

void CliInteraction::warn(const std::string& text, const std::string& title) {
    err_ << title << ": " << text << '\n';
}

void CliInteraction::showPrintMenu() {
    ++printMenuCount_;
    if (printMenu_) printMenu_(sheet_ ? &*sheet_ : nullptr);
}

}  // namespace corvex::cli
