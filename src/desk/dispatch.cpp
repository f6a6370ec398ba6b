#include "desk/dispatch.h"

#include <stdexcept>

#include "common/config_files.h"

namespace corvex::desk {

namespace {

const RigaDesk& rigaDelTasto(int button) {
    for (const auto& r : righeDesk()) {
        for (int t : r.tasti) {
            if (t == button) return r;
        }
    }
    throw std::out_of_range("no desk row has this button");
}

// Asks a question of the request until its answer is acceptable; nullopt on
// "Annulla".
std::optional<std::string> chiedi(const char* key, const ServiziDesk& servizi) {
    const Question& q = *findQuestion(key);
    for (;;) {
        const auto answer = servizi.chiedi(q.prompt, q.title, q.defaultAnswer);
        if (!answer) return std::nullopt;
        if (auto checked = q.check(*answer)) return checked;
    }
}

}  // namespace

std::optional<ReportRequest> richiestaDelTasto(int button,
                                               const std::array<std::string, kCampi>& testi,
                                               bool soloPrepagamenti, StatoDesk& stato,
                                               const ServiziDesk& servizi) {
    const ReportEntry& e = reportDelTasto(button);
    const RigaDesk& riga = rigaDelTasto(button);
    ReportRequest r;
    // The room range as every report sees it: trimmed, or CamereImp.txt's.
    const auto rooms = rangeCamere(testi[kPrimaCamera], testi[kUltimaCamera]);
    r.primaCamera = rooms.first;
    r.ultimaCamera = rooms.second;
    r.dal = testi[static_cast<std::size_t>(riga.dal)];
    r.al = testi[static_cast<std::size_t>(riga.al < 0 ? riga.dal : riga.al)];
    r.soloPrepagamenti = soloPrepagamenti;
    if (e.counter) {
        const auto counter = chiedi(question::kCounter, servizi);
        if (!counter) return std::nullopt;
        stato.contatoreRichiesto = *contatoreValido(*counter);
    }
    if (e.docType) {
        const auto type = chiedi(question::kDocType, servizi);
        if (!type) return std::nullopt;
        stato.tipoDocRichiesto = *type;
    }
    r.contatore = stato.contatoreRichiesto;
    r.tipoDocumento = stato.tipoDocRichiesto.empty() ? " " : stato.tipoDocRichiesto;
    return r;
}

}  // namespace corvex::desk
