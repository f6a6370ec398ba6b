#include "cli/settings_cmd.h"

#include <cctype>
#include <filesystem>
#include <ostream>

#include "cli/cli_interaction.h"
#include "cli/command_options.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"
#include "settings/dichiarazioni.h"

namespace corvex::cli {

namespace {

constexpr const char* kPrefix = "corvex: settings: ";

std::string fieldNames() {
    std::string names;
    for (const auto& f : campiStruttura())
        names += (names.empty() ? "" : ", ") + std::string(f.nome);
    return names;
}

int structure(const std::vector<std::string>& args, std::ostream& out) {
    const CommandWords w = splitCommandWords(args, {}, "set");
    if (!w.positional.empty())
        throw UsageError("argomento inatteso \"" + w.positional.front() + "\"");
    if (w.repeated.empty())
        throw UsageError("indicare almeno un --set CAMPO=VALORE (campi: " + fieldNames() + ")");
    // Every assignment is checked before anything is written.
    Struttura s = leggiStruttura();
    for (const auto& assignment : w.repeated) {
        const auto eq = assignment.find('=');
        const std::string name = assignment.substr(0, eq);
        const CampoStruttura* field = nullptr;
        for (const auto& f : campiStruttura())
            if (name == f.nome) field = &f;
        if (eq == std::string::npos || !field) {
            throw UsageError("--set: \"" + assignment +
                             "\" non è CAMPO=VALORE con un campo tra: " + fieldNames());
        }
        std::string value = trim(utf8ToCp1252(assignment.substr(eq + 1)));
        if (value.size() > static_cast<std::size_t>(field->larghezza)) {
            throw UsageError("--set " + name + ": al massimo " + std::to_string(field->larghezza) +
                             " caratteri");
        }
        if (field->membro == &Struttura::codiceFiscaleGestore) {
            value = upper(value);
            if (!codiceFiscaleValido(value)) {
                throw UsageError("--set " + name + ": \"" + cp1252ToUtf8(value) +
                                 "\" non è un codice fiscale (16 caratteri) né una partita IVA "
                                 "(11 cifre)");
            }
        }
        s.*field->membro = value;
    }
    salvaStruttura(s);
    out << "Dati della struttura salvati in " << kFileDichiarazioni << '\n';
    return 0;
}

// "full" or the stored Italian name.
std::optional<Categoria> categoryOption(const std::string& typed) {
    static const std::pair<const char*, Categoria> names[] = {{"full", Categoria::Piena},
                                                              {"reduced", Categoria::Ridotta},
                                                              {"exempt", Categoria::Esente},
                                                              {"excluded", Categoria::Esclusa}};
    for (const auto& [name, c] : names)
        if (typed == name) return c;
    return categoriaDaNome(typed);
}

int category(const std::vector<std::string>& args, std::ostream& out) {
    const CommandWords w = splitCommandWords(args, {"item", "category", "reason"});
    if (!w.positional.empty())
        throw UsageError("argomento inatteso \"" + w.positional.front() + "\"");
    const std::string* item = w.option("item");
    const std::string* typed = w.option("category");
    if (!item) throw UsageError("manca --item");
    if (!typed) throw UsageError("manca --category");
    std::int64_t code = 0;
    if (!parseWhole(*item, code) || code <= 0 || code > 32767)
        throw UsageError("--item: \"" + *item + "\" non è il codice di una voce");
    const auto c = categoryOption(*typed);
    if (!c)
        throw UsageError("--category: \"" + *typed +
                         "\" non è una tra full, reduced, exempt, excluded");
    const std::string reason = w.option("reason") ? trim(utf8ToCp1252(*w.option("reason"))) : "";
    if (reason.size() > 100) throw UsageError("--reason: al massimo 100 caratteri");
    if (*c == Categoria::Esente && reason.empty())
        throw UsageError("una voce esente richiede --reason (il motivo dell'esenzione)");

    const CategoriaVoce* found = nullptr;
    const auto items = leggiCategorieVoci();
    for (const auto& i : items)
        if (i.codice == code) found = &i;
    if (!found)
        throw UsageError("la voce " + str(code) + " non è tra le voci d'imposta di IdS.mdb");
    if (startsWith(found->origine, "Generale.")) {
        throw UsageError("la voce " + str(code) + " ha già la categoria " +
                         nomeCategoria(*found->categoria) + " da " + found->origine +
                         " in IdS.mdb (si cambia nelle impostazioni dell'imposta)");
    }
    salvaCategoriaVoce(static_cast<int>(code), *c, reason);
    out << "Voce " << code << " (" << cp1252ToUtf8(found->descrizione) << "): " << nomeCategoria(*c)
        << (reason.empty() ? "" : ", " + cp1252ToUtf8(reason)) << '\n';
    return 0;
}

int show(const std::vector<std::string>& args, std::ostream& out) {
    const CommandWords w = splitCommandWords(args, {});
    if (!w.positional.empty())
        throw UsageError("argomento inatteso \"" + w.positional.front() + "\"");
    const Struttura s = leggiStruttura();
    out << "Struttura (" << kFileDichiarazioni << "):\n";
    for (const auto& f : campiStruttura()) {
        const std::string& value = s.*f.membro;
        out << "  " << padRight(f.nome, 16)
            << cp1252ToUtf8(value.empty() ? cp("(non indicato)") : value) << '\n';
    }
    // IdS.mdb is the desk's to create: without it there are no items yet.
    if (!std::filesystem::exists(db::resolveFileName("IdS.mdb"))) {
        out << "Voci d'imposta: IdS.mdb non trovato, nessuna voce\n";
        return 0;
    }
    const auto items = leggiCategorieVoci();
    out << "Voci d'imposta (IdS.mdb) e categorie:\n";
    if (items.empty()) out << "  nessuna voce\n";
    int missing = 0;
    for (const auto& i : items) {
        std::string line = padLeft(str(i.codice), 6) + "  " + padRight(i.descrizione, 30) + "  ";
        if (i.categoria) {
            line += padRight(nomeCategoria(*i.categoria), 8) + "  " +
                    padRight(i.motivo.empty() ? "-" : i.motivo, 26) + "  da " + i.origine;
        } else {
            line += "NESSUNA CATEGORIA (corvex settings category --item " + str(i.codice) + " ...)";
            ++missing;
        }
        out << cp1252ToUtf8(trimRight(line)) << '\n';
    }
    if (missing > 0)
        out << missing << (missing == 1 ? " voce senza categoria: " : " voci senza categoria: ")
            << "le dichiarazioni si stampano solo dopo averla indicata\n";
    return 0;
}

}  // namespace

int runSettings(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return runSubcommand(args,
                         {{"structure", [&](const auto& rest) { return structure(rest, out); }},
                          {"show", [&](const auto& rest) { return show(rest, out); }},
                          {"category", [&](const auto& rest) { return category(rest, out); }}},
                         settingsUsage(), kPrefix, out, err);
}

std::string settingsUsage() {
    return "  corvex settings structure --set FIELD=VALUE [--set FIELD=VALUE ...]\n"
           "                              save the structure's data used by the filings\n"
           "                              (IdSDichiarazioni.mdb); FIELD is comune,\n"
           "                              codice-comune, struttura, tipologia, classificazione,\n"
           "                              codice (identification code), gestore (operator),\n"
           "                              codice-fiscale (operator's tax code); an empty VALUE\n"
           "                              clears the field\n"
           "  corvex settings show        the structure's data and each tax item's category\n"
           "                              with where it comes from\n"
           "  corvex settings category --item CODE --category full|reduced|exempt|excluded\n"
           "                   [--reason TEXT]\n"
           "                              the category of a tax item that Generale (IdS.mdb)\n"
           "                              does not name; exempt needs a reason\n";
}

}  // namespace corvex::cli
