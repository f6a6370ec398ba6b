// Every report declared once: its command-line name and routine, the desk row
// and button that run it, the fields of the request it takes, the questions
// it asks by their stable keys, and its help. The desk's rows and buttons and
// the command line's options, help and answers are all derived from here.
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "reports/interaction.h"
#include "reports/reports.h"
#include "reports/request.h"

namespace corvex {

// Thrown by a report whose routine is not built yet (command line: exit 2).
class ReportNotBuilt : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A question by its stable key (interaction.h namespace question). The
// command line answers it with the option --key; the desk asks the request's
// own questions (counter, document type) before the report runs.
struct Question {
    const char* key;            // stable key and command-line option name
    const char* value;          // the option's value in the help ("N", "yes|no")
    const char* help;           // the option's help (English, like --help)
    const char* defaultAnswer;  // the answer when none is given; nullptr: required
    // The answer checked and in its plain form; nullopt when not acceptable.
    std::optional<std::string> (*check)(const std::string& answer);
    const char* expected;  // the acceptable answers, for a message (Italian)
    // The desk's input box when the desk asks it before the report (UTF-8).
    const char* prompt = nullptr;
    const char* title = nullptr;
};

// The question with this key, nullptr for a key no report asks.
const Question* findQuestion(std::string_view key);
// Every question, in the order the help lists them.
const std::vector<Question>& questions();

// The report's place on the desk. Reports with the same row caption share one
// row and its date fields; rows and the print buttons T(1).. follow the
// catalog's order, the fields Text1(0).. the rows' order.
struct DeskPlace {
    const char* row;     // the row's caption (UTF-8)
    const char* button;  // the print button's caption
    bool left = false;   // placed left of the row's other button
};

struct ReportEntry {
    const char* name;     // command-line name, e.g. "summary"
    const char* routine;  // routine name, e.g. "StampaRiepilogoImposta"
    ReportResult (*run)(const ReportRequest&, Interaction&);
    // The request's fields it takes.
    bool twoDates = true;      // a period (--from/--to) or one date (--date)
    bool roomRange = false;    // --first-room/--last-room
    bool counter = false;      // ReportRequest::contatore: asked by the desk, --counter
    bool docType = false;      // ReportRequest::tipoDocumento: asked by the desk, --doc-type
    bool prepaidOnly = false;  // ReportRequest::soloPrepagamenti: "Solo prepagamenti"
    // The keys of the questions the routine asks while it runs.
    std::array<const char*, 3> asks{};
    // Runs on past failures: a skipped record or statement is listed and the
    // command line exits 3.
    bool continueOnError = false;
    // Offers its table as a sheet (Interaction::offerSheet): the print
    // menu's XLSX button and --xlsx.
    bool sheet = false;
    const char* help = nullptr;  // one line for --help (English)
    DeskPlace desk{};
};

// The reports, in the desk's order: T(1) runs the first. A new report is one
// entry here (and its routine in reports.h); the desk and the command line
// follow.
inline constexpr ReportEntry kReports[] = {
    {.name = "takings-register",
     .routine = "StampaCorrispettivi",
     .run = &StampaCorrispettivi,
     .asks = {question::kCounter, question::kComplete, question::kTotalsOnly},
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
     .asks = {question::kMaxNights, question::kMinAge},
     .continueOnError = true,
     .help = "the guests present in the period with their taxable nights",
     .desk = {"Dettaglio presenze ospiti nel periodo", "Stampa"}},
    {.name = "departures",
     .routine = "StampaSuPartenze",
     .run = &StampaSuPartenze,
     .roomRange = true,
     .help = "the tourist tax on the departures of the period",
     .desk = {"Stampa tabella incassi del periodo", "Stampa su partenze", true}},
    {.name = "return",
     .routine = "StampaDichiarazionePeriodica",
     .run = &StampaDichiarazionePeriodica,
     .sheet = true,
     .help = "the periodic tourist-tax return: nights, tax due, collected and paid by category",
     .desk = {"Dichiarazione periodica imposta di soggiorno (mese o trimestre)", "Stampa"}},
    {.name = "annual-declaration",
     .routine = "StampaDichiarazioneAnnuale",
     .run = &StampaDichiarazioneAnnuale,
     .twoDates = false,
     .asks = {question::kYear},
     .sheet = true,
     .help = "the annual tourist-tax declaration: quarters I-IV, payments, structure data",
     .desk = {"Dichiarazione annuale e Modello 21 (anno della data)", "Dichiarazione"}},
    {.name = "modello-21",
     .routine = "StampaModello21",
     .run = &StampaModello21,
     .twoDates = false,
     .asks = {question::kYear},
     .sheet = true,
     .help = "the Modello 21 account of the year: collected and paid over month by month",
     .desk = {"Dichiarazione annuale e Modello 21 (anno della data)", "Modello 21"}},
    {.name = "tax-ledger",
     .routine = "StampaRegistroImposta",
     .run = &StampaRegistroImposta,
     .sheet = true,
     .help = "the tourist tax month by month: accrued, charged, collected, paid over",
     .desk = {"Registro mensile imposta di soggiorno", "Stampa"}},
    {.name = "stays-export",
     .routine = "EsportaSoggiorni",
     .run = &EsportaSoggiorni,
     .asks = {question::kMaxNights, question::kMinAge, question::kOutput},
     .continueOnError = true,
     .sheet = true,
     .help = "the guests present in the period as a CSV file for the municipal portal",
     .desk = {"Esportazione soggiorni del periodo (CSV)", "Esporta"}},
};

// kReports as a table (tests hand the command line tables of their own).
const std::vector<ReportEntry>& reportCatalog();
const ReportEntry* findReport(const std::string& name);

// Runs a report on one snapshot of the suite's files: a file the suite
// replaces while the report runs is read in one version from start to end.
ReportResult eseguiReport(const ReportEntry& entry, const ReportRequest& request, Interaction& io);

// The questions an entry answers from its options: the request's (counter,
// document type) first, then those its routine asks.
std::vector<const Question*> questionsOf(const ReportEntry& entry);

}  // namespace corvex
