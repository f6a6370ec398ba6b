#include "cli/sync_cmd.h"

#include <cstdlib>
#include <ostream>
#include <stdexcept>

#include "cli/cli.h"
#include "cli/command_options.h"
#include "data/pg/sync.h"

namespace corvex::cli {

namespace {

constexpr const char* kPrefix = "corvex: sync: ";

std::string fromOptionOrEnv(const CommandWords& w, const char* option, const char* env) {
    if (const std::string* v = w.option(option)) return *v;
    if (const char* e = std::getenv(env); e != nullptr) return e;
    throw UsageError(std::string("manca --") + option + " (o la variabile " + env + ")");
}

}  // namespace

int runSync(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") {
            out << "Usage:\n" << syncUsage();
            return Ok;
        }
    }
    pg::SyncOptions options;
    try {
        const CommandWords w = splitCommandWords(args, {"db", "property"});
        if (!w.positional.empty())
            throw UsageError("argomento inatteso \"" + w.positional.front() + "\"");
        options.url = fromOptionOrEnv(w, "db", "CORVEX_DB");
        options.property = fromOptionOrEnv(w, "property", "CORVEX_PROPERTY");
    } catch (const UsageError& e) {
        err << kPrefix << e.what() << '\n';
        return BadArguments;
    }
    options.progress = [&err](const std::string& line) { err << kPrefix << line << '\n'; };
    try {
        const pg::SyncSummary s = pg::syncFolder(options);
        out << "Proprietà " << options.property << " sincronizzata (generazione " << s.generation
            << "): " << s.filesSent
            << (s.filesSent == 1 ? " database inviato" : " database inviati") << " ("
            << s.tablesSent << (s.tablesSent == 1 ? " tabella, " : " tabelle, ") << s.rowsSent
            << " righe), " << s.filesUnchanged << " invariati, " << s.textFilesSent
            << (s.textFilesSent == 1 ? " file di testo inviato" : " file di testo inviati");
        if (s.removed > 0) out << ", " << s.removed << " non più nella cartella, tolti";
        out << '\n';
        return Ok;
    } catch (const pg::SyncError& e) {
        err << kPrefix << "non riuscita, il server resta com'era: " << e.what() << '\n';
    } catch (const std::exception& e) {
        err << kPrefix << e.what() << '\n';
    }
    return DataError;
}

std::string syncUsage() {
    return "  corvex sync --db URL --property NAME\n"
           "                              copy the data folder (the current directory) into\n"
           "                              the property's schema on a PostgreSQL server (only\n"
           "                              the files changed since the last sync are sent; all\n"
           "                              or nothing); URL as libpq takes it, passwords from\n"
           "                              PGPASSWORD or PGPASSFILE; CORVEX_DB and\n"
           "                              CORVEX_PROPERTY stand in for the options\n";
}

}  // namespace corvex::cli
