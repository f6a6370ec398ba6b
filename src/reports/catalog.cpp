#include "reports/catalog.h"

#include <cstdint>

#include "common/text.h"
#include "reports/reports.h"

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
    using namespace question;
    static const std::vector<ReportEntry> entries = {
        {.name = "takings-register",
         .routine = "StampaCorrispettivi",
         .run = &StampaCorrispettivi,
         .asks = {kCounter, kComplete, kTotalsOnly},
         .help = "the takings register: documents of the period by class, VAT and department",
         .desk = {"Stampa corrispettivi generali", "Stampa"}},
        {.name = "cash-table",
         .routine = "StampaCassa",
         .run = &StampaCassa,
         .roomRange = true,
         .counter = true,
         .docType = true,
         .continueOnError = true,
         .help = "the takings of the period day by day",
         .desk = {"Stampa corrispettivi dettagliati per giorno", "Stampa"}},
        {.name = "fiscal-detail",
         .routine = "StampaDettaglioImposta",
         .run = &StampaDettaglioImposta,
         .roomRange = true,
         .counter = true,
         .prepaidOnly = true,
         .help = "the tourist tax on the fiscal documents of the period",
         .desk = {"Stampa tabella incassi del periodo", "Stampa su doc. fisc."}},
        {.name = "accrued",
         .routine = "StampaImpostaMaturata",
         .run = &StampaImpostaMaturata,
         .twoDates = false,
         .help = "the tourist tax accrued and not yet invoiced at a date",
         .desk = {"Stampa imposta maturata ad una certa data (non fatturata)", "Stampa"}},
        {.name = "daily-check",
         .routine = "VerificaImposteAssegnate",
         .run = &VerificaImposteAssegnate,
         .twoDates = false,
         .roomRange = true,
         .help = "the tourist tax charged to each room's guests on a day",
         .desk = {"Controllo giornaliero imposte assegnate", "Stampa"}},
        {.name = "summary",
         .routine = "StampaRiepilogoImposta",
         .run = &StampaRiepilogoImposta,
         .roomRange = true,
         .help = "the tourist tax accrued in the period, day by day",
         .desk = {"Riepilogo imposte maturate nel periodo", "Stampa"}},
        {.name = "arrivals",
         .routine = "StampaArriviPresenze",
         .run = &StampaArriviPresenze,
         .roomRange = true,
         .help = "arrivals and nights of the period with the tourist tax collected",
         .desk = {"Dettaglio arrivi e presenze imposte riscosse nel periodo", "Stampa"}},
        {.name = "guests-present",
         .routine = "StampaOspitiPresenti",
         .run = &StampaOspitiPresenti,
         .asks = {kMaxNights, kMinAge},
         .continueOnError = true,
         .help = "the guests present in the period with their taxable nights",
         .desk = {"Dettaglio presenze ospiti nel periodo", "Stampa"}},
        {.name = "departures",
         .routine = "StampaSuPartenze",
         .run = &StampaSuPartenze,
         .roomRange = true,
         .help = "the tourist tax on the departures of the period",
         .desk = {"Stampa tabella incassi del periodo", "Stampa su partenze", true}},
    };
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

}  // namespace corvex
