// From a print button of the desk to its report: which routine, with which
// dates and rooms, after which questions.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "desk/campi_desk.h"
#include "reports/catalog.h"

namespace corvex::desk {

// Everything the desk does outside its own window; tests replace these.
struct ServiziDesk {
    // The system's input box: prompt, title (UTF-8), default (code page 1252);
    // nullopt on "Annulla". Messages and confirmations are UTF-8 too.
    std::function<std::optional<std::string>(const std::string&, const std::string&,
                                             const std::string&)>
        chiedi;
    std::function<void(const std::string& text, const std::string& title)> messaggio;
    std::function<bool(const std::string& text, const std::string& title, bool defaultYes)>
        conferma;
    // The print menu; the report's sheet when it offered one, else nullptr.
    std::function<void(const xlsx::Foglio*)> menuStampa;
    std::function<void()> impostazioni;
    std::function<ReportResult(const ReportEntry&, const ReportRequest&, Interaction&)> esegui;
};

// The values the desk keeps between reports.
struct StatoDesk {
    int contatoreRichiesto = 0;    // ContatoreRichiesto
    std::string tipoDocRichiesto;  // TipoDocRichiesto
};

// The request of button T(button) from its row's date fields, the room
// fields and the check box "Solo prepagamenti". Asks the request's questions
// its report takes (counter, document type) through chiedi, again while the
// answer is not acceptable. nullopt when the user answers "Annulla".
std::optional<ReportRequest> richiestaDelTasto(int button,
                                               const std::array<std::string, kCampi>& testi,
                                               bool soloPrepagamenti, StatoDesk& stato,
                                               const ServiziDesk& servizi);

}  // namespace corvex::desk
