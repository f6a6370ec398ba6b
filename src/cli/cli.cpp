#include "cli/cli.h"

#include <algorithm>
#include <exception>
#include <new>
#include <ostream>

#include "cli/remittance.h"
#include "cli/settings_cmd.h"
#include "cli/sync_cmd.h"
#include "common/clock.h"
#include "common/config_files.h"
#include "common/environment.h"
#include "common/text.h"
#include "data/engine/copy_cache.h"
#include "data/engine/error.h"
#include "data/pg/pg_reader.h"
#include "demo/demo.h"
#include "output/headless.h"
#include "output/print_config.h"
#include "output/report_file.h"
#include "output/righe_vista.h"
#include "reports/interaction.h"
#include "settings/store.h"

namespace corvex::cli {

namespace {

constexpr const char* kProgram = "corvex";

std::string reportsUsage() {
    std::string text;
    for (const auto& e : reportCatalog()) {
        text += std::string("  ") + e.name + "  (" + e.routine + ")\n      " + e.help +
                (e.continueOnError ? "\n      it runs past failures: exit 3 lists what it skipped"
                                   : "") +
                "\n" + reportOptionsUsage(e);
    }
    return text;
}

// `corvex demo DIR [--size small|hotel|large] [--seed N]`
int runDemo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string dir;
    demo::Options options;
    bool sizeGiven = false, seedGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool hasValue = false;
        if (startsWith(arg, "--")) {
            if (const auto eq = arg.find('='); eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                hasValue = true;
            }
            if (arg != "--size" && arg != "--seed") {
                err << kProgram << ": opzione sconosciuta " << arg << " per demo\n";
                return BadArguments;
            }
            if (!hasValue) {
                if (i + 1 >= args.size()) {
                    err << kProgram << ": " << arg << " richiede un valore\n";
                    return BadArguments;
                }
                value = args[++i];
            }
            if (arg == "--size") {
                if (sizeGiven) {
                    err << kProgram << ": --size indicata due volte\n";
                    return BadArguments;
                }
                sizeGiven = true;
                if (!demo::parseSize(value, options.size)) {
                    err << kProgram << ": --size: \"" << value << "\" non è small, hotel o large\n";
                    return BadArguments;
                }
            } else {
                std::int64_t seed = 0;
                if (seedGiven || !parseWhole(value, seed) || seed < 0) {
                    err << kProgram << ": --seed: \"" << value
                        << "\" non è un numero intero da 0 in su (o è indicata due volte)\n";
                    return BadArguments;
                }
                seedGiven = true;
                options.seed = static_cast<std::uint64_t>(seed);
            }
        } else if (dir.empty() && !arg.empty()) {
            dir = arg;
        } else {
            err << kProgram << ": argomento inatteso \"" << arg << "\" per demo\n";
            return BadArguments;
        }
    }
    if (dir.empty()) {
        err << kProgram
            << ": manca la cartella (corvex demo CARTELLA [--size small|hotel|large] "
               "[--seed N])\n";
        return BadArguments;
    }
    try {
        demo::generate(dir, options);
    } catch (const std::exception& e) {
        err << kProgram << ": demo: " << e.what() << '\n';
        return DataError;
    }
    const demo::Profile p = demo::profile(options.size);
    out << "Cartella dati dimostrativa scritta: " << dir << " (" << p.rooms << " camere, dati dal "
        << p.primoGiorno << " al " << p.ultimoGiorno << "; i suoi report con CORVEX_NOW=\""
        << p.ultimoGiorno << "\")\n";
    return Ok;
}

// Checks before the report runs that the destinations named by --print and
// --destination exist, so a mistyped name does not cost a long report.
// Returns the message when one is missing (empty when all is well).
std::string missingDestination(const RichiestaUscita& output) {
    for (const auto& [option, name] :
         {std::pair<const char*, const std::string*>{"--print", &output.stampa},
          {"--destination", &output.destinazione}}) {
        if (name->empty()) continue;
        try {
            if (configuraStampa(
                    {*name, "", output.compressa, output.orizzontale, output.fronteRetro})) {
                continue;
            }
        } catch (const std::exception& e) {
            return std::string(option) + ": " + e.what();
        }
        std::string known;
        for (const auto& d : destinazioniStampa()) known += (known.empty() ? "" : ", ") + d;
        // Destination names are the suite's data (code page 1252).
        return std::string(option) + ": la destinazione \"" + cp1252ToUtf8(*name) +
               "\" non è in Stampanti.mdb (" +
               (known.empty() ? std::string("non ne elenca nessuna")
                              : "destinazioni: " + cp1252ToUtf8(known)) +
               ")";
    }
    return {};
}

}  // namespace

std::string usage() {
    return std::string(
               "Usage:\n"
               "  corvex                      open the desk (needs a display; the command-line\n"
               "                              help when the program was built without windows)\n"
               "  corvex report NAME [options] [--db URL --property NAME]\n"
               "                              run one report in the current directory (the data\n"
               "                              folder) and write the report file fd<PCLocal>;\n"
               "                              with --db (or CORVEX_DB and CORVEX_PROPERTY) the\n"
               "                              data comes from the property's schema on that\n"
               "                              PostgreSQL server (see corvex sync), the outputs\n"
               "                              stay in the current directory\n"
               "  corvex demo DIR [--size small|hotel|large] [--seed N]\n"
               "                              write a demo data folder into DIR\n" +
               remittanceUsage() + settingsUsage() + syncUsage() +
               "  corvex --help | --version\n"
               "\n"
               "Reports and their options:\n") +
           reportsUsage() +
           "\nEvery report also takes (what the desk's print menu offers, done once the\n"
           "report file is written; each output done is told on stderr):\n" +
           commonOptionsUsage() +
           "\n"
           "Dates are dd/mm/yyyy, ddmmyy (yy < 35: 20yy, else 19yy) or ddmmyyyy; a period\n"
           "may be given in either order. Options take their value as --name VALUE or\n"
           "--name=VALUE. CamereImp.txt in the data folder overrides the room range.\n"
           "\n"
           "Exit codes: 0 done; 1 database or file error, or an output (--pdf, --csv,\n"
           "--xlsx, --print) that failed or could not be done; 2 bad arguments (or a\n"
           "report not built yet); 3 done, but some records or statements were skipped\n"
           "(listed on stderr).\n";
}

int runReport(const ReportInvocation& inv, std::ostream& out, std::ostream& err,
              PrintMenuHandler printMenu, const RenderStampante& render) {
    for (const auto& n : inv.notices) err << kProgram << ": " << n << '\n';
    const std::string name = inv.entry->name;
    const bool output = wantsOutput(inv.output);
    if (!inv.output.pdf.empty() && !render) {
        // Known before the report runs: do not replace the report file for nothing.
        err << kProgram << ": --pdf richiede la versione di corvex con le finestre (Qt 6); "
            << "questa non sa disegnare i PDF\n";
        return DataError;
    }
    if (const std::string missing = missingDestination(inv.output); !missing.empty()) {
        err << kProgram << ": " << name << ": " << missing << '\n';
        return DataError;
    }
    // The outputs run where the desk opens its print menu. A failure there is
    // kept apart from the report's own errors: the report itself completed,
    // and some reports carry on past failures they catch.
    std::string outputError;
    if (!printMenu && output) {
        printMenu = [&inv, &err, &outputError, &render](const xlsx::Foglio* sheet) {
            try {
                for (const auto& done : eseguiUscita(inv.output, {render, {}}, sheet))
                    err << kProgram << ": " << done << '\n';
            } catch (const std::exception& e) {
                outputError = e.what();
            }
        };
    }
    ReportResult result;
    int printMenus = 0;
    try {
        // The desk's start-up: the settings database exists before any report.
        CaricaImpostazioni();
        CliInteraction io(inv.answers, err, std::move(printMenu));
        result = eseguiReport(*inv.entry, inv.request, io);
        printMenus = io.printMenuCount();
    } catch (const ReportNotBuilt&) {
        err << kProgram << ": il report " << name << " (" << inv.entry->routine
            << ") non è ancora disponibile in questa versione\n";
        return BadArguments;
    } catch (const AnswerMissing& e) {
        err << kProgram << ": " << name << ": " << e.what() << '\n';
        return BadArguments;
    } catch (const ReportCancelled& e) {
        err << kProgram << ": " << name << ": " << e.what() << '\n';
        return DataError;
    } catch (const std::exception& e) {
        // db::DbError, ReportError, file errors (std::runtime_error) and anything else.
        err << kProgram << ": " << name << ": " << e.what() << '\n';
        return DataError;
    }

    if (inv.printStdout) {
        const std::string file = reportFileName();
        if (!reportFileExists(file)) {
            err << kProgram << ": " << name << ": il file di stampa " << file
                << " manca dopo l'esecuzione\n";
            return DataError;
        }
        for (const auto& line : righeVista(readReportLines(file)))
            out << cp1252ToUtf8(line) << '\n';
        out.flush();
    }
    int code = Ok;
    if (!result.skipped.empty()) {
        err << kProgram << ": " << name << ": completato, ma " << result.skipped.size()
            << (result.skipped.size() == 1 ? " elemento saltato:\n" : " elementi saltati:\n");
        for (const auto& s : result.skipped) err << "  " << s << '\n';
        code = CompletedWithSkips;
    }
    if (output && !outputError.empty()) {
        err << kProgram << ": " << name << ": " << outputError << '\n';
        return DataError;
    }
    if (output && printMenus == 0) {
        // The takings register run unattended (MCCnf.txt) adds to the report
        // file and opens no print menu, so there is nothing to print.
        err << kProgram << ": " << name << ": il report non ha aperto il menu di stampa"
            << (dataFileExists("MCCnf.txt") ? " (c'è MCCnf.txt: esecuzione automatica, il report è "
                                              "stato aggiunto al file di stampa)"
                                            : "")
            << ", quindi --pdf, --csv, --xlsx e --print non sono stati eseguiti\n";
        return DataError;
    }
    return code;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const RenderStampante& render) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        out << usage();
        return Ok;
    }
    if (args[0] == "--version") {
        out << kProgram << ' ' << CORVEX_VERSION << '\n';
        return Ok;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "report") {
        const auto isHelp = [](const std::string& a) { return a == "--help" || a == "-h"; };
        if (std::any_of(rest.begin(), rest.end(), isHelp)) {
            out << usage();
            return Ok;
        }
        // A server chosen: one read-only transaction from reading CamereImp.txt
        // while parsing to the end of the run, and nothing read from the folder.
        std::vector<std::string> words = rest;
        std::optional<db::ServerChoice> server;
        try {
            server = takeServerOptions(words);
        } catch (const UsageError& e) {
            err << kProgram << ": " << e.what() << '\n';
            return BadArguments;
        }
        db::chooseServer(server);
        std::optional<db::SnapshotScope> run;
        if (server) {
            try {
                run.emplace();
            } catch (const std::exception& e) {
                err << kProgram << ": " << (words.empty() ? "report" : words[0]) << ": " << e.what()
                    << '\n';
                return DataError;
            }
        }
        ReportInvocation inv;
        try {
            inv = parseReportArgs(words);
        } catch (const UsageError& e) {
            err << kProgram << ": " << e.what() << '\n';
            return BadArguments;
        } catch (const InvalidClock& e) {
            err << kProgram << ": " << e.what() << '\n';
            return BadArguments;
        } catch (const std::exception& e) {
            // Reading CamereImp.txt failed.
            err << kProgram << ": " << e.what() << '\n';
            return DataError;
        }
        // Several properties make one group filing: only the yearly declarations.
        if (server && server->group.size() > 1 &&
            std::string(inv.entry->name) != "annual-declaration" &&
            std::string(inv.entry->name) != "modello-21") {
            err << kProgram
                << ": più di una --property vale solo per annual-declaration e "
                   "modello-21 (una dichiarazione per le strutture di un comune)\n";
            return BadArguments;
        }
        return runReport(inv, out, err, {}, render);
    }
    if (args[0] == "demo") return runDemo(rest, out, err);
    if (args[0] == "remittance") return runRemittance(rest, out, err);
    if (args[0] == "settings") return runSettings(rest, out, err);
    if (args[0] == "sync") return runSync(rest, out, err);
    err << kProgram << ": comando sconosciuto \"" << args[0] << "\" (vedi corvex --help)\n";
    return BadArguments;
}

}  // namespace corvex::cli
