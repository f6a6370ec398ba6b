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
    // The system's input box: prompt, title, default; nullopt on "Annulla".
    std::function<std::optional<std::string>(const std::string&, const std::string&,
                                             const std::string&)>
        chiedi;
    std::function<void(const std::string& text, const std::string& title)> messaggio;
    std::function<bool(const std::string& text, const std::string& title, bool defaultYes)>
        conferma;
    std::function<void()> menuStampa;
    std::function<void()> impostazioni;
    std::function<ReportResult(const ReportEntry&, const ReportRequest&, Interaction&)> esegui;
};

// The values the desk keeps between reports.
struct StatoDesk {
    int contatoreRichiesto = 0;    // ContatoreRichiesto
    std::string tipoDocRichiesto;  // TipoDocRichiesto
};

// The routine a print button T(1)..T(9) runs.
const ReportEntry& reportDelTasto(int button);

// The request of button T(button) from the fields' texts and the check box
// "Solo prepagamenti". Asks the counter (T(2), T(3)) and the document type
// (T(2)) through chiedi; a counter that is not a whole number is asked
// again. nullopt when the user answers "Annulla".
std::optional<ReportRequest> richiestaDelTasto(int button,
                                               const std::array<std::string, kCampi>& testi,
                                               bool soloPrepagamenti, StatoDesk& stato,
                                               const ServiziDesk& servizi);

}  // namespace corvex::desk
