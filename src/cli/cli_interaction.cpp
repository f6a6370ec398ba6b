#include "cli/cli_interaction.h"

#include <ostream>
#include <utility>

#include "common/text.h"

namespace corvex::cli {

namespace {

bool isUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        if (c < 0x80) {
            len = 1;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
        } else {
            return false;
        }
        if (i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        }
        i += len;
    }
    return true;
}

}  // namespace

std::string terminalText(const std::string& text) {
    return isUtf8(text) ? text : cp1252ToUtf8(text);
}

CliInteraction::CliInteraction(Answers answers, std::ostream& err, PrintMenuHandler printMenu)
    : answers_(std::move(answers)), err_(err), printMenu_(std::move(printMenu)) {}

std::optional<std::string> CliInteraction::ask(const std::string& prompt, const std::string& title,
                                               const std::string& defaultAnswer) {
    if (++asked_[title] > kMaxAsks) {
        throw AnswerMissing("the report keeps asking \"" + cp1252ToUtf8(title) + "\" (" +
                            cp1252ToUtf8(prompt) + "): the answer was not accepted");
    }
    if (title == "Notti") {
        if (!answers_.maxNights) throw AnswerMissing("report needs --max-nights");
        return answers_.maxNights;
    }
    if (title == "Anni") {
        if (!answers_.minAge) throw AnswerMissing("report needs --min-age");
        return answers_.minAge;
    }
    if (title == "Contatore XRF") return answers_.counter;
    return defaultAnswer;
}

bool CliInteraction::confirm(const std::string&, const std::string& title, bool defaultYes) {
    if (title == "Totali per Reparto") return answers_.complete;
    if (title == "Stampa Corrispettivi") return answers_.totalsOnly;
    return defaultYes;
}

void CliInteraction::warn(const std::string& text, const std::string& title) {
    err_ << cp1252ToUtf8(title) << ": " << cp1252ToUtf8(text) << '\n';
}

void CliInteraction::showPrintMenu() {
    ++printMenuCount_;
    if (printMenu_) printMenu_();
}

}  // namespace corvex::cli
