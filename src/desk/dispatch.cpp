#include "desk/dispatch.h"

#include <cstring>
#include <limits>
#include <stdexcept>

#include "common/config_files.h"
#include "common/text.h"

namespace corvex::desk {

namespace {

// The date fields of each button's row (second -1: the one date twice) and
// the routine it runs.
struct Tasto {
    int dal, al;
    const char* routine;
    bool contatore, tipoDocumento;
};
const Tasto kAzioni[kTasti] = {
    {-1, -1, nullptr, false, false},                    // T(0) "&Esci"
    {0, 1, "StampaCorrispettivi", false, false},        // T(1)
    {2, 3, "StampaCassa", true, true},                  // T(2)
    {4, 5, "StampaDettaglioImposta", true, false},      // T(3)
    {6, -1, "StampaImpostaMaturata", false, false},     // T(4)
    {7, -1, "VerificaImposteAssegnate", false, false},  // T(5)
    {8, 9, "StampaRiepilogoImposta", false, false},     // T(6)
    {10, 11, "StampaArriviPresenze", false, false},     // T(7)
    {12, 13, "StampaOspitiPresenti", false, false},     // T(8)
    {4, 5, "StampaSuPartenze", false, false},           // T(9)
};

std::optional<int> chiediContatore(const ServiziDesk& servizi) {
    for (;;) {
        const auto answer = servizi.chiedi(
            "Inserire il contatore contabile di riferimento, '0' per tutti", "Contatore", "1");
        if (!answer) return std::nullopt;
        std::int64_t n = 0;
        if (parseWhole(*answer, n) && n >= std::numeric_limits<std::int16_t>::min() &&
            n <= std::numeric_limits<std::int16_t>::max()) {
            return static_cast<int>(n);
        }
    }
}

}  // namespace

const ReportEntry& reportDelTasto(int button) {
    if (button < 1 || button >= kTasti) throw std::out_of_range("no report on this button");
    const char* routine = kAzioni[button].routine;
    for (const auto& e : reportCatalog()) {
        if (std::strcmp(e.routine, routine) == 0) return e;
    }
    throw std::logic_error(std::string("report missing from the catalog: ") + routine);
}

std::optional<ReportRequest> richiestaDelTasto(int button,
                                               const std::array<std::string, kCampi>& testi,
                                               bool soloPrepagamenti, StatoDesk& stato,
                                               const ServiziDesk& servizi) {
    const Tasto& t = kAzioni[button];
    ReportRequest r;
    // The room range as every report sees it: trimmed, or CamereImp.txt's.
    const auto rooms = rangeCamere(testi[kPrimaCamera], testi[kUltimaCamera]);
    r.primaCamera = rooms.first;
    r.ultimaCamera = rooms.second;
    r.dal = testi[static_cast<std::size_t>(t.dal)];
    r.al = testi[static_cast<std::size_t>(t.al < 0 ? t.dal : t.al)];
    r.soloPrepagamenti = soloPrepagamenti;
    if (t.contatore) {
        const auto counter = chiediContatore(servizi);
        if (!counter) return std::nullopt;
        stato.contatoreRichiesto = *counter;
    }
    if (t.tipoDocumento) {
        const auto type =
            servizi.chiedi("Inserire il tipo di documento 'R'-ricevute,'F'-fatture, ' ' per tutti",
                           "Tipo documento", " ");
        if (!type) return std::nullopt;
        stato.tipoDocRichiesto = *type;
    }
    r.contatore = stato.contatoreRichiesto;
    r.tipoDocumento = stato.tipoDocRichiesto.empty() ? " " : stato.tipoDocRichiesto;
    return r;
}

}  // namespace corvex::desk
