#include "reports/catalog.h"

#include <cstdint>

#include <iterator>
#include "common/text.h"
#include "data/engine/copy_cache.h"

namespace corvex {

std::optional<int> contatoreValido(const std::string& typed) {
    std::int64_t n = 0;
    if (!parseWhole(typed, n) || n < 0 || n > 32767) return std::nullopt;
    return static_cast<int>(n);
}

namespace {

// The suite keeps nights and ages in 16-bit fields.
std::optional<std::string> whole(const std::string& typed, std::int64_t min) {
    std::int64_t n = 0;
    if (!parseWhole(typed, n) || n < min || n > 32767) return std::nullopt;
    return str(n);
}

std::optional<std::string> counter(const std::string& typed) {
    const auto n = contatoreValido(typed);
    return n ? std::optional<std::string>(str(*n)) : std::nullopt;
}

std::optional<std::string> yesNo(const std::string& typed) {
    const std::string v = lower(trim(typed));
    if (v == "yes" || v == "y") return "yes";
    if (v == "no" || v == "n") return "no";
    return std::nullopt;
}

// "R" receipts, "F" invoices, blank for all, as typed otherwise.
std::optional<std::string> docType(const std::string& typed) {
    const std::string v = trim(typed);
    if (v.empty()) return " ";
    if (v == "R" || v == "r" || v == "F" || v == "f") return v;
    return std::nullopt;
}

// A year of four digits, as the filings take it.
std::optional<std::string> year(const std::string& typed) {
    std::int64_t n = 0;
    if (!parseWhole(typed, n) || n < 1900 || n > 9999) return std::nullopt;
    return str(n);
}

std::optional<std::string> fileName(const std::string& typed) {
    const std::string v = trim(typed);
    if (v.empty()) return std::nullopt;
    return v;
}

}  // namespace

const std::vector<Question>& questions() {
    static const std::vector<Question> list = {
        {question::kCounter, "N", "accounting counter, 0 for all counters (default: 1)", "1",
         counter, "un numero intero da 0 a 32767 (0 per tutti i contatori)",
         "Inserire il contatore contabile di riferimento, '0' per tutti", "Contatore"},
        {question::kDocType, "R|F|\" \"", "receipts, invoices or all documents (default: all)", " ",
         docType, "R (ricevute), F (fatture) o \" \" (tutti i documenti)",
         "Inserire il tipo di documento 'R'-ricevute,'F'-fatture, ' ' per tutti", "Tipo documento"},
        {question::kMaxNights, "N", "most nights taxed per guest, at least 1 (required)", nullptr,
         [](const std::string& t) { return whole(t, 1); }, "un numero intero da 1 a 32767"},
        {question::kMinAge, "N", "youngest age taxed, at least 0 (required)", nullptr,
         [](const std::string& t) { return whole(t, 0); }, "un numero intero da 0 a 32767"},
        {question::kComplete, "yes|no", "add the totals per department (default: no)", "no", yesNo,
         "yes o no"},
        {question::kTotalsOnly, "yes|no", "departments: general totals only (default: no)", "no",
         yesNo, "yes o no"},
        // The filings' default is the year of the report's date (today on
        // the command line): an empty answer stands for it.
        {question::kYear, "YYYY", "the year of the filing (default: the year of --date, today)", "",
         year, "un anno di quattro cifre (aaaa)", "Inserire l'anno della dichiarazione", "Anno"},
        {question::kOutput, "FILE", "the file written (default: soggiorni.csv in the data folder)",
         "soggiorni.csv", fileName, "il nome di un file"},
    };
    return list;
}

const Question* findQuestion(std::string_view key) {
    for (const auto& q : questions()) {
        if (key == q.key) return &q;
    }
    return nullptr;
}

const std::vector<ReportEntry>& reportCatalog() {
    static const std::vector<ReportEntry> entries(std::begin(kReports), std::end(kReports));
    return entries;
}

const ReportEntry* findReport(const std::string& name) {
    for (const auto& e : reportCatalog()) {
        if (name == e.name) return &e;
    }
    return nullptr;
}

std::vector<const Question*> questionsOf(const ReportEntry& entry) {
    std::vector<const Question*> list;
    auto add = [&list](const char* key) {
        const Question* q = findQuestion(key);
        if (q == nullptr) throw std::logic_error(std::string("unknown question key ") + key);
        for (const Question* have : list) {
            if (have == q) return;
        }
        list.push_back(q);
    };
    if (entry.counter) add(question::kCounter);
    if (entry.docType) add(question::kDocType);
    for (const char* key : entry.asks) {
        if (key != nullptr) add(key);
    }
    return list;
}

ReportResult eseguiReport(const ReportEntry& entry, const ReportRequest& request, Interaction& io) {
    db::SnapshotScope snapshot;
    return entry.run(request, io);
}

}  // namespace corvex
