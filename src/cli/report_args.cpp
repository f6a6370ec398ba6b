#include "cli/report_args.h"

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

namespace corvex::cli {

namespace {

constexpr std::string_view kGuestsPresent = "guests-present";
constexpr std::string_view kFiscalDetail = "fiscal-detail";
constexpr std::string_view kTakingsRegister = "takings-register";
constexpr std::string_view kCashTable = "cash-table";

// The suite keeps counters, nights and ages in 16-bit fields.
constexpr std::int64_t kMaxWhole = 32767;

struct OptionDef {
    const char* name;  // without the leading "--"
    bool takesValue;
    bool (*applies)(const ReportEntry&);
    const char* help;
};

bool always(const ReportEntry&) {
    return true;
}
bool twoDates(const ReportEntry& e) {
    return e.twoDates;
}
bool oneDate(const ReportEntry& e) {
    return !e.twoDates;
}
bool rooms(const ReportEntry& e) {
    return e.roomRange;
}
bool counter(const ReportEntry& e) {
    return e.counter;
}
bool guestsPresent(const ReportEntry& e) {
    return e.name == kGuestsPresent;
}
bool fiscalDetail(const ReportEntry& e) {
    return e.name == kFiscalDetail;
}
bool takingsRegister(const ReportEntry& e) {
    return e.name == kTakingsRegister;
}
bool cashTable(const ReportEntry& e) {
    return e.name == kCashTable;
}

const OptionDef kOptions[] = {
    {"from", true, twoDates, "--from DATE        first day of the period (default: today)"},
    {"to", true, twoDates, "--to DATE          last day of the period (default: today)"},
    {"date", true, oneDate, "--date DATE        reference date (default: today)"},
    {"first-room", true, rooms, "--first-room ROOM  first room of the range (default: all)"},
    {"last-room", true, rooms, "--last-room ROOM   last room of the range (default: ZZZZZZ)"},
    {"counter", true, counter,
     "--counter N        accounting counter, 0 for all counters (default: 1)"},
    {"max-nights", true, guestsPresent,
     "--max-nights N     most nights taxed per guest, at least 1 (required)"},
    {"min-age", true, guestsPresent,
     "--min-age N        youngest age taxed, at least 0 (required)"},
    {"prepaid-only", false, fiscalDetail,
     "--prepaid-only     only documents issued before the departure day"},
    {"complete", true, takingsRegister,
     "--complete yes|no  add the totals per department (default: no)"},
    {"totals-only", true, takingsRegister,
     "--totals-only yes|no  departments: general totals only (default: no)"},
    {"doc-type", true, cashTable,
     "--doc-type R|F|\" \"  receipts, invoices or all documents (default: all)"},
    // What the print menu offers, done unattended once the report file is written.
    {"pdf", true, always,
     "--pdf FILE          print in printer mode into the PDF file FILE (settings of\n"
     "                        --destination, else of the last destination whose name\n"
     "                        holds \"PDF\", else the FontStp.txt font at 10 points)"},
    {"destination", true, always,
     "--destination NAME  the destination of Stampanti.mdb whose settings --pdf uses"},
    {"csv", false, always,
     "--csv               export the report as CSV into fd<PCLocal>.csv, with the\n"
     "                        separators of SeparatoreXLS.txt"},
    {"print", true, always,
     "--print DESTINATION print through a destination of Stampanti.mdb (raw or printer\n"
     "                        mode, as its settings say)"},
    {"compressed", false, always,
     "--compressed        the print menu's \"Stampa Compressa\": compressed print"},
    {"landscape", false, always,
     "--landscape         the print menu's \"Stampa orizzontale\": landscape pages"},
    {"duplex", false, always,
     "--duplex            the print menu's \"Stampa fronte / retro\": both sides"},
    {"print-stdout", false, always,
     "--print-stdout, -   print the report on standard output in UTF-8, as the preview\n"
     "                        shows it (otherwise standard output stays empty)"},
};

const OptionDef* findOption(std::string_view name) {
    for (const auto& o : kOptions) {
        if (name == o.name) return &o;
    }
    return nullptr;
}

std::int64_t wholeOption(const std::string& typed, const std::string& option, std::int64_t min) {
    std::int64_t n = 0;
    if (!parseWhole(typed, n) || n < min || n > kMaxWhole) {
        throw UsageError("--" + option + ": \"" + typed + "\" is not a whole number from " +
                         std::to_string(min) + " to " + std::to_string(kMaxWhole));
    }
    return n;
}

bool yesNo(const std::string& typed, const std::string& option) {
    const std::string v = lower(trim(typed));
    if (v == "yes" || v == "y") return true;
    if (v == "no" || v == "n") return false;
    throw UsageError("--" + option + ": \"" + typed + "\" is neither yes nor no");
}

std::string docType(const std::string& typed) {
    const std::string v = trim(typed);
    if (v.empty()) return " ";
    if (v == "R" || v == "r" || v == "F" || v == "f") return v;
    throw UsageError("--doc-type: \"" + typed +
                     "\" is not a document type (R receipts, F invoices, \" \" all)");
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
                         "\" is not a valid date (dd/mm/yyyy, ddmmyy or ddmmyyyy)");
    }
    return text;
}

ReportInvocation parseReportArgs(const std::vector<std::string>& args) {
    return parseReportArgs(args, reportCatalog());
}

ReportInvocation parseReportArgs(const std::vector<std::string>& args,
                                 const std::vector<ReportEntry>& catalog) {
    if (args.empty() || startsWith(args[0], "-")) {
        throw UsageError("missing report name (corvex report NAME [options]; see corvex --help)");
    }
    ReportInvocation inv;
    for (const auto& e : catalog) {
        if (args[0] == e.name) inv.entry = &e;
    }
    if (inv.entry == nullptr) {
        throw UsageError("unknown report \"" + args[0] + "\" (see corvex --help)");
    }
    const ReportEntry& entry = *inv.entry;

    // Collect the options first: the checks below depend on what is present.
    std::map<std::string, std::string> given;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-") {
            inv.printStdout = true;
            continue;
        }
        if (!startsWith(arg, "--") || arg.size() == 2) {
            throw UsageError("unexpected argument \"" + arg + "\"");
        }
        std::string name = arg.substr(2);
        std::optional<std::string> value;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionDef* known = findOption(name);
        if (known == nullptr) throw UsageError("unknown option --" + name);
        if (!known->applies(entry)) {
            throw UsageError("report " + std::string(entry.name) + " takes no --" + name);
        }
        if (given.count(name) != 0 || (name == "print-stdout" && inv.printStdout)) {
            throw UsageError("--" + name + " given twice");
        }
        if (known->takesValue && !value) {
            if (i + 1 >= args.size()) throw UsageError("--" + name + " needs a value");
            value = args[++i];
        } else if (!known->takesValue && value) {
            throw UsageError("--" + name + " takes no value");
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
            "CamereImp.txt sets the room range to \"" + cp1252ToUtf8(req.primaCamera) + "\" .. \"" +
            cp1252ToUtf8(req.ultimaCamera) + "\": --first-room/--last-room are not used");
    }

    if (option("counter")) {
        const std::int64_t n = wholeOption(*option("counter"), "counter", 0);
        req.contatore = static_cast<int>(n);
        inv.answers.counter = str(n);
    }
    if (option("doc-type")) req.tipoDocumento = docType(*option("doc-type"));
    req.soloPrepagamenti = option("prepaid-only") != nullptr;

    if (guestsPresent(entry)) {
        // Required: the report asks again until it gets an acceptable value,
        // which an unattended run could never give.
        if (!option("max-nights")) throw UsageError("report guests-present needs --max-nights");
        if (!option("min-age")) throw UsageError("report guests-present needs --min-age");
        inv.answers.maxNights = str(wholeOption(*option("max-nights"), "max-nights", 1));
        inv.answers.minAge = str(wholeOption(*option("min-age"), "min-age", 0));
    }
    RichiestaUscita& output = inv.output;
    auto named = [&](const char* name) {
        const std::string* v = option(name);
        if (v == nullptr) return std::string();
        if (trim(*v).empty()) throw UsageError(std::string("--") + name + " needs a value");
        // Names travel in code page 1252 like every text of the suite; one
        // that cannot would name another file or destination.
        std::string text = utf8ToCp1252(*v);
        if (cp1252ToUtf8(text) != *v) {
            throw UsageError(std::string("--") + name + ": \"" + *v +
                             "\" holds characters outside code page 1252");
        }
        return text;
    };
    output.pdf = named("pdf");
    output.stampa = named("print");
    output.destinazione = named("destination");
    output.csv = option("csv") != nullptr;
    output.compressa = option("compressed") != nullptr;
    output.orizzontale = option("landscape") != nullptr;
    output.fronteRetro = option("duplex") != nullptr;
    if (!output.destinazione.empty() && output.pdf.empty()) {
        throw UsageError("--destination chooses the settings of --pdf: give --pdf FILE too");
    }
    if ((output.compressa || output.orizzontale || output.fronteRetro) && output.pdf.empty() &&
        output.stampa.empty()) {
        throw UsageError("--compressed, --landscape and --duplex apply to --pdf or --print");
    }

    if (option("complete")) inv.answers.complete = yesNo(*option("complete"), "complete");
    if (option("totals-only")) {
        inv.answers.totalsOnly = yesNo(*option("totals-only"), "totals-only");
    }
    return inv;
}

bool wantsOutput(const RichiestaUscita& output) {
    return output.csv || !output.pdf.empty() || !output.stampa.empty();
}

std::string commonOptionsUsage() {
    std::string text;
    for (const auto& o : kOptions) {
        if (o.applies == always) text += std::string("    ") + o.help + "\n";
    }
    return text;
}

std::string reportOptionsUsage(const ReportEntry& entry) {
    std::string text;
    for (const auto& o : kOptions) {
        if (o.applies != always && o.applies(entry)) text += std::string("    ") + o.help + "\n";
    }
    return text;
}

}  // namespace corvex::cli
