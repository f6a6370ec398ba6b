// The words of a data command (`corvex remittance ...`, `corvex settings ...`):
// the positional words and the options, each taken as --name VALUE or
// --name=VALUE. Every rule breaks with a UsageError (exit 2) naming the word.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
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

// Runs the subcommand named by args[0] from table (name -> action on the
// words after it), after a "--help"/"-h" anywhere, which prints usage.
// Errors go to err after prefix: a UsageError exits 2, any other failure 1.
using Subcommand = std::function<int(const std::vector<std::string>& rest)>;
inline int runSubcommand(const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, Subcommand>>& table,
                         const std::string& usage, const char* prefix, std::ostream& out,
                         std::ostream& err) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            out << usage;
            return 0;
        }
    }
    try {
        const std::string command = args.empty() ? "" : args[0];
        const std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
        std::string names;
        for (const auto& [name, action] : table) {
            if (command == name) return action(rest);
            names += (names.empty() ? "" : ", ") + name;
        }
        throw UsageError(command.empty()
                             ? "manca il comando (" + names + ")"
                             : "comando sconosciuto \"" + command + "\" (" + names + ")");
    } catch (const UsageError& e) {
        err << prefix << e.what() << '\n';
        return 2;
    } catch (const std::exception& e) {
        err << prefix << e.what() << '\n';
        return 1;
    }
}

}  // namespace corvex::cli
