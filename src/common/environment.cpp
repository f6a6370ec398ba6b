#include "common/environment.h"

#include <cstdlib>
#include <cstring>

#include "common/text.h"

extern char** environ;

namespace corvex {

std::string envValue(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? std::string(v) : std::string();
}

std::string workstationNumber() {
    // Only the leading digits count, so "03" and "3" name the same file and
    // nothing else in the variable can reach a file name.
    const std::string value = trimLeft(envValue("PCLocal"));
    std::string digits;
    for (char c : value) {
        if (c < '0' || c > '9') break;
        digits += c;
    }
    while (digits.size() > 1 && digits[0] == '0') digits.erase(0, 1);
    return digits.empty() ? "0" : digits;
}

std::string reportFileName() {
    return "fd" + workstationNumber();
}

std::string dirKV() {
    // The suite spells it DirKV and DIRKV: look it up without regard to case.
    std::string value;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq == nullptr) continue;
        if (equalsNoCase(std::string_view(*e, static_cast<std::size_t>(eq - *e)), "DirKV")) {
            value = eq + 1;
            if (std::string_view(*e, static_cast<std::size_t>(eq - *e)) == "DirKV") break;
        }
    }
    for (char& c : value) {
        if (c == '\\') c = '/';
    }
    return value;
}

}  // namespace corvex
