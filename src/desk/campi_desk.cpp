#include "desk/campi_desk.h"

#include <cstring>
#include <stdexcept>

#include "common/dates.h"
#include "common/formatta.h"

namespace corvex::desk {

namespace {

// The rows in the order their first report comes in the catalog; reports with
// the same row caption share the row. Date fields are numbered down the rows.
std::vector<RigaDesk> costruisciRighe() {
    std::vector<RigaDesk> righe;
    int campo = 0;
    const auto& catalogo = reportCatalog();
    for (std::size_t i = 0; i < catalogo.size(); ++i) {
        const ReportEntry& e = catalogo[i];
        const int tasto = static_cast<int>(i) + 1;
        RigaDesk* riga = nullptr;
        for (auto& r : righe) {
            if (std::strcmp(r.caption, e.desk.row) == 0) riga = &r;
        }
        if (riga == nullptr) {
            RigaDesk nuova;
            nuova.caption = e.desk.row;
            nuova.dal = campo++;
            if (e.twoDates) nuova.al = campo++;
            nuova.tasto = tasto;
            righe.push_back(std::move(nuova));
            riga = &righe.back();
        } else if (e.twoDates != (riga->al >= 0)) {
            throw std::logic_error(std::string("reports sharing a desk row take the same dates: ") +
                                   e.name);
        }
        if (e.desk.left) {
            riga->tasti.insert(riga->tasti.begin(), tasto);
        } else {
            riga->tasti.push_back(tasto);
        }
        riga->prepagamenti = riga->prepagamenti || e.prepaidOnly;
    }
    return righe;
}

const RigaDesk* rigaDi(int field) {
    for (const auto& r : righeDesk()) {
        if (r.dal == field || r.al == field) return &r;
    }
    return nullptr;
}

Fuoco campo(int i) {
    return {false, i};
}
Fuoco tasto(int i) {
    return {true, i};
}

// Enter in the last room field leads to the period summary's button.
int tastoCamere() {
    const auto& catalogo = reportCatalog();
    for (std::size_t i = 0; i < catalogo.size(); ++i) {
        if (std::strcmp(catalogo[i].name, "summary") == 0) return static_cast<int>(i) + 1;
    }
    return 1;
}

}  // namespace

const std::vector<RigaDesk>& righeDesk() {
    static const std::vector<RigaDesk> righe = costruisciRighe();
    return righe;
}

const ReportEntry& reportDelTasto(int button) {
    if (button < 1 || button >= kTasti) throw std::out_of_range("no report on this button");
    return reportCatalog()[static_cast<std::size_t>(button - 1)];
}

EsitoInvio invioCampo(int index, const std::array<std::string, kCampi>& testi) {
    const std::string& text = testi[static_cast<std::size_t>(index)];
    if (index == kPrimaCamera) return {FormattaImporto(text, 0), campo(kUltimaCamera)};
    if (index == kUltimaCamera) {
        std::string last = FormattaImporto(text, 0);
        // Rooms compare as plain byte strings: "9" sorts after "10".
        const bool ordered = testi[kPrimaCamera] <= last;
        return {std::move(last), ordered ? tasto(tastoCamere()) : campo(kPrimaCamera)};
    }
    const RigaDesk* r = rigaDi(index);
    if (!r) return {text, campo(index)};

    std::string completed = CompletaAnno(FormattaImporto(text, 0));
    if (!DataValida(completed)) return {std::string(), campo(index)};
    if (r->al < 0) return {std::move(completed), tasto(r->tasto)};
    if (index == r->dal) return {std::move(completed), campo(r->al)};
    const bool ordered = ConfrontaDate(testi[static_cast<std::size_t>(r->dal)], completed);
    return {std::move(completed), ordered ? tasto(r->tasto) : campo(r->dal)};
}

}  // namespace corvex::desk
