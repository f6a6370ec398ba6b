#include "cli/report_args.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <string_view>
#include <tuple>

#include "common/clock.h"
#include "common/config_files.h"
#include "common/dates.h"
#include "common/formatta.h"
#include "common/text.h"
#include "data/pg/property.h"

namespace corvex::cli {

namespace {

struct OptionDef {
    std::string name;  // without the leading "--"
    bool takesValue;
    std::string help;  // the help line
};

// "--name VALUE" and its help in two columns.
std::string helpLine(const std::string& left, const std::string& help) {
    std::string text = left;
    text.append(text.size() + 2 > 19 ? 2 : 19 - text.size(), ' ');
    return text + help;
}

OptionDef valueOption(const std::string& name, const std::string& value, const std::string& help) {
    return {name, true, helpLine("--" + name + " " + value, help)};
}

// The options of a report's fields and questions, as its entry declares them.
std::vector<OptionDef> reportOptions(const ReportEntry& e) {
    std::vector<OptionDef> list;
    if (e.twoDates) {
        list.push_back(valueOption("from", "DATE", "first day of the period (default: today)"));
        list.push_back(valueOption("to", "DATE", "last day of the period (default: today)"));
    } else {
        list.push_back(valueOption("date", "DATE", "reference date (default: today)"));
    }
    if (e.roomRange) {
        list.push_back(valueOption("first-room", "ROOM", "first room of the range (default: all)"));
        list.push_back(
            valueOption("last-room", "ROOM", "last room of the range (default: ZZZZZZ)"));
    }
    for (const Question* q : questionsOf(e)) list.push_back(valueOption(q->key, q->value, q->help));
    if (e.sheet) {
        list.push_back(valueOption("xlsx", "FILE",
                                   "the report's table as a spreadsheet (typed cells) in FILE"));
    }
    if (e.prepaidOnly) {
        list.push_back(
            {"prepaid-only", false,
             helpLine("--prepaid-only", "only documents issued before the departure day")});
    }
    return list;
}

// What the print menu offers, done unattended once the report file is written.
const OptionDef kCommon[] = {
    {"pdf", true,
     "--pdf FILE          print in printer mode into the PDF file FILE (settings of\n"
     "                        --destination, else of the last destination whose name\n"
     "                        holds \"PDF\", else the FontStp.txt font at 10 points)"},
    {"destination", true,
     "--destination NAME  the destination of Stampanti.mdb whose settings --pdf uses"},
    {"csv", false,
     "--csv               export the report as CSV into fd<PCLocal>.csv, with the\n"
     "                        separators of SeparatoreXLS.txt"},
    {"print", true,
     "--print DESTINATION print through a destination of Stampanti.mdb (raw or printer\n"
     "                        mode, as its settings say)"},
    {"compressed", false,
     "--compressed        the print menu's \"Stampa Compressa\": compressed print"},
    {"landscape", false,
     "--landscape         the print menu's \"Stampa orizzontale\": landscape pages"},
    {"duplex", false, "--duplex            the print menu's \"Stampa fronte / retro\": both sides"},
    {"print-stdout", false,
     "--print-stdout, -   print the report on standard output in UTF-8, as the preview\n"
     "                        shows it (otherwise standard output stays empty)"},
};

// Whether some report takes an option of this name (for the message telling
// a known option from a mistyped one).
bool someReportTakes(const std::string& name) {
    for (const auto& e : reportCatalog()) {
        for (const auto& o : reportOptions(e)) {
            if (o.name == name) return true;
        }
    }
    return false;
}

// The answer to a question given as an option, checked by the question itself.
std::string checkedAnswer(const Question& q, const std::string& typed) {
    if (auto answer = q.check(utf8ToCp1252(typed))) return *answer;
    throw UsageError("--" + std::string(q.key) + ": \"" + typed + "\" non è accettato: serve " +
                     q.expected);
}

}  // namespace

std::string completeDate(const std::string& typed, const std::string& option) {
    const std::string text = CompletaAnno(FormattaImporto(utf8ToCp1252(typed), 0));
    // The desk's check looks at the digits' values only; a date handed to the
    // reports must also have the exact dd/mm/yyyy shape, since they cut it by
    // position into the suite's yyyymmdd form.
    bool shape = text.size() == 10 && text[2] == '/' && text[5] == '/';
    for (std::size_t i = 0; shape && i < text.size(); ++i) {
        if (i != 2 && i != 5 && !std::isdigit(static_cast<unsigned char>(text[i]))) shape = false;
    }
    if (!shape || !DataValida(text)) {
        throw UsageError("--" + option + ": \"" + typed +
                         "\" non è una data valida (gg/mm/aaaa, ggmmaa o ggmmaaaa)");
    }
    return text;
}

std::optional<db::ServerChoice> takeServerOptions(std::vector<std::string>& args) {
    std::optional<std::string> url, property;
    std::vector<std::string> kept, group;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); eq != std::string::npos && startsWith(name, "--")) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (name != "--db" && name != "--property") {
            kept.push_back(args[i]);
            continue;
        }
        if (!value) {
            if (i + 1 >= args.size()) throw UsageError(name + " richiede un valore");
            value = args[++i];
        }
        if (name == "--property") {
            // Several: a group filing (one declaration for the structures).
            if (property) group.push_back(*property);
            property = *value;
            continue;
        }
        if (url) throw UsageError(name + " indicata due volte");
        url = *value;
    }
    args = kept;
    if (!url && !property) {
        auto env = db::serverFromEnvironment();
        if (!env) return std::nullopt;
        url = env->url;
        property = env->property;
    }
    if (!url || url->empty())
        throw UsageError("--property richiede anche l'indirizzo del server (--db o CORVEX_DB)");
    if (!property || property->empty())
        throw UsageError("--db richiede anche la proprietà (--property o CORVEX_PROPERTY)");
    if (!pg::validPropertyName(*property))
        throw UsageError("--property: \"" + *property +
                         "\" non è un nome valido (una lettera minuscola, poi lettere minuscole, "
                         "cifre o _, al massimo 31 caratteri)");
    if (!group.empty()) group.push_back(*property);
    for (const auto& p : group) {
        if (!pg::validPropertyName(p))
            throw UsageError("--property: \"" + p + "\" non è un nome valido");
        if (std::count(group.begin(), group.end(), p) > 1)
            throw UsageError("--property: \"" + p + "\" indicata due volte");
    }
    return db::ServerChoice{*url, group.empty() ? *property : group.front(), group};
}

ReportInvocation parseReportArgs(const std::vector<std::string>& args) {
    return parseReportArgs(args, reportCatalog());
}

ReportInvocation parseReportArgs(const std::vector<std::string>& args,
                                 const std::vector<ReportEntry>& catalog) {
    if (args.empty() || startsWith(args[0], "-")) {
        throw UsageError(
            "manca il nome del report (corvex report NOME [opzioni]; vedi corvex --help)");
    }
    ReportInvocation inv;
    for (const auto& e : catalog) {
        if (args[0] == e.name) inv.entry = &e;
    }
    if (inv.entry == nullptr) {
        throw UsageError("report sconosciuto \"" + args[0] + "\" (vedi corvex --help)");
    }
    const ReportEntry& entry = *inv.entry;
    const std::vector<OptionDef> own = reportOptions(entry);
    auto findOption = [&own](const std::string& name) -> const OptionDef* {
        for (const auto& o : own) {
            if (o.name == name) return &o;
        }
        for (const auto& o : kCommon) {
            if (o.name == name) return &o;
        }
        return nullptr;
    };

    // Collect the options first: the checks below depend on what is present.
    std::map<std::string, std::string> given;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-") {
            inv.printStdout = true;
            continue;
        }
        if (!startsWith(arg, "--") || arg.size() == 2) {
            throw UsageError("argomento inatteso \"" + arg + "\"");
        }
        std::string name = arg.substr(2);
        std::optional<std::string> value;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionDef* known = findOption(name);
        if (known == nullptr) {
            if (someReportTakes(name)) {
                throw UsageError("il report " + std::string(entry.name) + " non accetta --" + name);
            }
            throw UsageError("opzione sconosciuta --" + name);
        }
        if (given.count(name) != 0 || (name == "print-stdout" && inv.printStdout)) {
            throw UsageError("--" + name + " indicata due volte");
        }
        if (known->takesValue && !value) {
            if (i + 1 >= args.size()) throw UsageError("--" + name + " richiede un valore");
            value = args[++i];
        } else if (!known->takesValue && value) {
            throw UsageError("--" + name + " non accetta un valore");
        }
        if (name == "print-stdout") {
            inv.printStdout = true;
        } else {
            given[name] = value.value_or("");
        }
    }
    auto option = [&](const std::string& name) -> const std::string* {
        const auto it = given.find(name);
        return it == given.end() ? nullptr : &it->second;
    };

    ReportRequest& req = inv.request;
    const std::string today = todayText();
    if (entry.twoDates) {
        req.dal = option("from") ? completeDate(*option("from"), "from") : today;
        req.al = option("to") ? completeDate(*option("to"), "to") : today;
    } else {
        req.dal = option("date") ? completeDate(*option("date"), "date") : today;
        req.al = req.dal;
    }

    // Every print button resolves the room range, whether its report uses it or not.
    const std::string first = option("first-room") ? utf8ToCp1252(*option("first-room")) : "";
    const std::string last =
        option("last-room") ? utf8ToCp1252(*option("last-room")) : std::string("ZZZZZZ");
    std::tie(req.primaCamera, req.ultimaCamera) = rangeCamere(first, last);
    if (entry.roomRange && camereImp() && (option("first-room") || option("last-room"))) {
        inv.notices.push_back(
            "CamereImp.txt fissa le camere da \"" + cp1252ToUtf8(req.primaCamera) + "\" a \"" +
            cp1252ToUtf8(req.ultimaCamera) + "\": --first-room e --last-room non sono usate");
    }

    // The questions' answers: the request's own fields, then the answers the
    // routine takes while it runs. A required one (no default) must be given:
    // the report would ask again and again for an answer a run without a
    // person could never give.
    for (const Question* q : questionsOf(entry)) {
        const std::string* typed = option(q->key);
        if (typed == nullptr) {
            if (q->defaultAnswer == nullptr) {
                throw UsageError("il report " + std::string(entry.name) + " richiede --" + q->key);
            }
            continue;
        }
        inv.answers[q->key] = checkedAnswer(*q, *typed);
    }
    if (const auto it = inv.answers.find(question::kCounter); it != inv.answers.end()) {
        req.contatore = *contatoreValido(it->second);
    }
    if (const auto it = inv.answers.find(question::kDocType); it != inv.answers.end()) {
        req.tipoDocumento = it->second;
    }
    req.soloPrepagamenti = option("prepaid-only") != nullptr;

    RichiestaUscita& output = inv.output;
    auto named = [&](const char* name) {
        const std::string* v = option(name);
        if (v == nullptr) return std::string();
        if (trim(*v).empty()) throw UsageError(std::string("--") + name + " richiede un valore");
        // Names travel in code page 1252 like every text of the suite; one
        // that cannot would name another file or destination.
        std::string text = utf8ToCp1252(*v);
        if (cp1252ToUtf8(text) != *v) {
            throw UsageError(std::string("--") + name + ": \"" + *v +
                             "\" contiene caratteri che il code page 1252 non ha");
        }
        return text;
    };
    output.pdf = named("pdf");
    output.stampa = named("print");
    output.destinazione = named("destination");
    output.csv = option("csv") != nullptr;
    output.xlsx = named("xlsx");
    output.compressa = option("compressed") != nullptr;
    output.orizzontale = option("landscape") != nullptr;
    output.fronteRetro = option("duplex") != nullptr;
    if (!output.destinazione.empty() && output.pdf.empty()) {
        throw UsageError(
            "--destination sceglie le impostazioni di --pdf: indicare anche --pdf FILE");
    }
    if ((output.compressa || output.orizzontale || output.fronteRetro) && output.pdf.empty() &&
        output.stampa.empty()) {
        throw UsageError("--compressed, --landscape e --duplex valgono solo con --pdf o --print");
    }
    return inv;
}

bool wantsOutput(const RichiestaUscita& output) {
    return output.csv || !output.xlsx.empty() || !output.pdf.empty() || !output.stampa.empty();
}

std::string commonOptionsUsage() {
    std::string text;
    for (const auto& o : kCommon) text += "    " + o.help + "\n";
    text += "    " + helpLine("--db URL", "read the data from this PostgreSQL server (libpq URL;") +
            "\n                        passwords from PGPASSFILE); CORVEX_DB otherwise\n";
    text += "    " + helpLine("--property NAME", "the property (data folder) synced there;") +
            "\n                        CORVEX_PROPERTY otherwise; annual-declaration and\n"
            "                        modello-21 take it several times (one declaration for\n"
            "                        the structures of one municipality)\n";
    return text;
}

std::string reportOptionsUsage(const ReportEntry& entry) {
    std::string text;
    for (const auto& o : reportOptions(entry)) text += "    " + o.help + "\n";
    return text;
}

}  // namespace corvex::cli
