#include "common/formatta.h"

#include "common/numfmt.h"
#include "common/text.h"

namespace corvex {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The amount a mode 2/3 text stands for, as Basic would convert it on an
// Italian workstation: ',' is the decimal mark, '.' groups thousands.
Currency amountOf(const std::string& t) {
    std::string plain;
    for (char c : t) {
        if (c == '.') continue;
        plain += c == ',' ? '.' : c;
    }
    // Keep only the first decimal mark; a malformed text counts as zero.
    const auto first = plain.find('.');
    if (first != std::string::npos) {
        for (std::size_t i = first + 1; i < plain.size(); ++i) {
            if (plain[i] == '.') plain.erase(i--, 1);
        }
    }
    const std::size_t minus = plain.find('-', 1);
    if (minus != std::string::npos) plain.erase(minus);
    return Currency::parse(plain).value_or(Currency());
}

}  // namespace

std::string FormattaImporto(std::string_view value, int mode) {
    const std::string t = trim(value);
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = upper(std::string_view(&t[i], 1))[0];
        switch (mode) {
            case 0:
                out += c == '\'' ? static_cast<char>(0xB4) : c;
                break;
            case 1:
                if (isDigit(c) || c == ',' || c == '-' || c == '.') out += c;
                break;
            case 2:
                if (isDigit(c) || c == '-' || c == ',') {
                    out += c;
                } else if (c == '.') {
                    // A point third from the end is a decimal point typed
                    // the English way; elsewhere it groups thousands.
                    out += (t.size() >= 3 && i == t.size() - 3) ? ',' : '.';
                }
                break;
            case 3:
                if (isDigit(c) || c == '-' || c == ',' || c == '.') out += c;
                break;
            case 4:
                if (isDigit(c) || c == '-') out += c;
                if (c == ',') out += '.';
                break;
            default:
                out += c;
                break;
        }
    }
    if (out.empty()) out.push_back(mode == 0 ? ' ' : '0');
    if (mode == 2 || mode == 3) return trim(formatNumber(amountOf(out), "##,###,##0.00"));
    return out;
}

std::string FormattaImporto(Currency value, int /*mode*/) {
    return formatNumber(value, "##,###,##0.00");
}

}  // namespace corvex
