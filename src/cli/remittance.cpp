#include "cli/remittance.h"

#include <ostream>

#include "cli/cli_interaction.h"
#include "cli/command_options.h"
#include "common/dates.h"
#include "common/numfmt.h"
#include "common/text.h"
#include "settings/dichiarazioni.h"

namespace corvex::cli {

namespace {

constexpr const char* kPrefix = "corvex: remittance: ";

// A text option in code page 1252, trimmed, checked against its column.
std::string textOption(const CommandWords& w, const std::string& name, std::size_t width) {
    const std::string* typed = w.option(name);
    if (!typed) return {};
    std::string text = trim(utf8ToCp1252(*typed));
    if (text.size() > width)
        throw UsageError("--" + name + ": al massimo " + std::to_string(width) + " caratteri");
    return text;
}

const std::string& required(const CommandWords& w, const std::string& name) {
    const std::string* v = w.option(name);
    if (!v) throw UsageError("manca --" + name);
    return *v;
}

Versamento parseAdd(const std::vector<std::string>& args) {
    const CommandWords w =
        splitCommandWords(args, {"date", "amount", "from", "to", "reference", "channel", "note"});
    if (!w.positional.empty())
        throw UsageError("argomento inatteso \"" + w.positional.front() + "\"");
    Versamento v;
    v.data = completeDate(required(w, "date"), "date");
    const std::string& amount = required(w, "amount");
    std::string why;
    const auto importo = leggiImporto(amount, &why);
    if (!importo) throw UsageError("--amount: \"" + amount + "\" non è un importo valido: " + why);
    v.importo = *importo;
    v.dal = completeDate(required(w, "from"), "from");
    v.al = completeDate(required(w, "to"), "to");
    if (*NumeroGiorno(v.dal) > *NumeroGiorno(v.al))
        throw UsageError("il periodo versato va dal " + v.dal + " al " + v.al +
                         ": --from non può essere dopo --to");
    required(w, "reference");
    v.riferimento = textOption(w, "reference", 50);
    if (v.riferimento.empty()) throw UsageError("--reference: il riferimento è vuoto");
    v.canale = textOption(w, "channel", 30);
    v.nota = textOption(w, "note", 100);
    return v;
}

std::string periodo(const Versamento& v) {
    return v.dal + " - " + v.al;
}

int add(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Versamento v = parseAdd(args);
    for (const auto& other : leggiVersamenti()) {
        if (equalsNoCase(other.riferimento, v.riferimento)) {
            err << kPrefix << "attenzione: il riferimento \"" << cp1252ToUtf8(v.riferimento)
                << "\" è già nel versamento " << other.id << " del " << other.data << '\n';
        }
    }
    const std::int64_t id = aggiungiVersamento(v);
    out << "Versamento " << id << " registrato: " << v.data << ' ' << formatGrouped(v.importo)
        << " per il periodo " << periodo(v) << ", riferimento " << cp1252ToUtf8(v.riferimento)
        << '\n';
    return 0;
}

int list(const std::vector<std::string>& args, std::ostream& out) {
    const CommandWords w = splitCommandWords(args, {"year"});
    if (!w.positional.empty())
        throw UsageError("argomento inatteso \"" + w.positional.front() + "\"");
    std::optional<int> year;
    if (const std::string* y = w.option("year")) {
        std::int64_t n = 0;
        if (y->size() != 4 || !parseWhole(*y, n) || n < 1900)
            throw UsageError("--year: \"" + *y + "\" non è un anno (aaaa)");
        year = static_cast<int>(n);
    }
    // A year lists the payments whose period covered falls in it, even in
    // part: the fourth quarter's payment made in January counts for the
    // year of the quarter.
    const std::string first = year ? std::to_string(*year) + "0101" : "";
    const std::string last = year ? std::to_string(*year) + "1231" : "";
    std::vector<Versamento> shown;
    for (auto& v : leggiVersamenti()) {
        if (year && (DataSql(v.al) < first || DataSql(v.dal) > last)) continue;
        shown.push_back(std::move(v));
    }
    if (shown.empty()) {
        out << "Nessun versamento" << (year ? " per il " + std::to_string(*year) : "") << '\n';
        return 0;
    }
    out << padLeft("Id", 6) << "  " << padRight("Data", 10) << "  " << padLeft("Importo", 14)
        << "  " << padRight("Periodo versato", 23) << "  " << padRight("Canale", 14)
        << "  Riferimento\n";
    Currency total;
    for (const auto& v : shown) {
        std::string line = padLeft(str(v.id), 6) + "  " + v.data + "  " +
                           padLeft(formatGrouped(v.importo), 14) + "  " + periodo(v) + "  " +
                           padRight(v.canale, 14) + "  " + v.riferimento;
        if (!v.nota.empty()) line += "  (" + v.nota + ")";
        out << cp1252ToUtf8(trimRight(line)) << '\n';
        total += v.importo;
    }
    out << "Totale: " << shown.size() << (shown.size() == 1 ? " versamento, " : " versamenti, ")
        << formatGrouped(total) << '\n';
    return 0;
}

int remove(const std::vector<std::string>& args, std::ostream& out) {
    const CommandWords w = splitCommandWords(args, {});
    if (w.positional.size() != 1)
        throw UsageError("indicare un solo Id (corvex remittance delete ID)");
    std::int64_t id = 0;
    if (!parseWhole(w.positional[0], id) || id <= 0)
        throw UsageError("\"" + w.positional[0] + "\" non è l'Id di un versamento");
    if (!eliminaVersamento(id)) throw UsageError("nessun versamento con Id " + str(id));
    out << "Versamento " << id << " eliminato\n";
    return 0;
}

}  // namespace

int runRemittance(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runSubcommand(args,
                         {{"add", [&](const auto& rest) { return add(rest, out, err); }},
                          {"list", [&](const auto& rest) { return list(rest, out); }},
                          {"delete", [&](const auto& rest) { return remove(rest, out); }}},
                         remittanceUsage(), kPrefix, out, err);
}

std::string remittanceUsage() {
    return "  corvex remittance add --date D --amount A --from D1 --to D2 --reference R\n"
           "                   [--channel C] [--note N]\n"
           "                              record a payment of the tourist tax to the\n"
           "                              municipality (IdSDichiarazioni.mdb); A is 1234,50,\n"
           "                              1234.50 or 1.234,50 (positive, two decimals at most);\n"
           "                              D1..D2 is the period the payment covers\n"
           "  corvex remittance list [--year Y]\n"
           "                              list the payments (id, date, amount, period, channel,\n"
           "                              reference), those covering part of year Y with --year\n"
           "  corvex remittance delete ID\n"
           "                              delete the payment with that id\n";
}

}  // namespace corvex::cli
