// The words of a data command (`corvex remittance ...`, `corvex settings ...`):
// the positional words and the options, each taken as --name VALUE or
// --name=VALUE. Every rule breaks with a UsageError (exit 2) naming the word.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/report_args.h"

namespace corvex::cli {

struct CommandWords {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;  // name without "--" -> value (UTF-8)
    std::vector<std::string> repeated;           // the values of the repeatable option

    const std::string* option(const std::string& name) const {
        const auto it = options.find(name);
        return it == options.end() ? nullptr : &it->second;
    }
};

// Splits args: every option must be one of known (each at most once) or the
// repeatable one; a word not starting with "--" is positional.
inline CommandWords splitCommandWords(const std::vector<std::string>& args,
                                      const std::set<std::string>& known,
                                      const std::string& repeatable = {}) {
    CommandWords w;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            w.positional.push_back(arg);
            continue;
        }
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        }
        const std::string name = arg.substr(2);
        if (!known.count(name) && name != repeatable)
            throw UsageError("opzione sconosciuta " + arg);
        if (!value) {
            if (i + 1 >= args.size()) throw UsageError(arg + " richiede un valore");
            value = args[++i];
        }
        if (name == repeatable) {
            w.repeated.push_back(*value);
        } else if (!w.options.emplace(name, *value).second) {
            throw UsageError(arg + " indicata due volte");
        }
    }
    return w;
}

}  // namespace corvex::cli
