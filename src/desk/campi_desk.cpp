#include "desk/campi_desk.h"

#include "common/dates.h"
#include "common/formatta.h"

namespace corvex::desk {

namespace {

// Date pairs (first, second) and the button each row leads to; single dates
// have second -1.
struct Riga {
    int prima, seconda, tasto;
};
constexpr Riga kRighe[] = {
    {0, 1, 1}, {2, 3, 2}, {4, 5, 3}, {6, -1, 4}, {7, -1, 5}, {8, 9, 6}, {10, 11, 7}, {12, 13, 8},
};
constexpr int kTastoCamere = 6;

const Riga* rigaDi(int field) {
    for (const auto& r : kRighe) {
        if (r.prima == field || r.seconda == field) return &r;
    }
    return nullptr;
}

Fuoco campo(int i) {
    return {false, i};
}
Fuoco tasto(int i) {
    return {true, i};
}

}  // namespace

int tastoDellaRiga(int dateField) {
    const Riga* r = rigaDi(dateField);
    return r ? r->tasto : -1;
}

int campoCompagno(int dateField) {
    const Riga* r = rigaDi(dateField);
    if (!r || r->seconda < 0) return -1;
    return r->prima == dateField ? r->seconda : r->prima;
}

EsitoInvio invioCampo(int index, const std::array<std::string, kCampi>& testi) {
    const std::string& text = testi[static_cast<std::size_t>(index)];
    if (index == kPrimaCamera) return {FormattaImporto(text, 0), campo(kUltimaCamera)};
    if (index == kUltimaCamera) {
        std::string last = FormattaImporto(text, 0);
        // Rooms compare as plain byte strings: "9" sorts after "10".
        const bool ordered = testi[kPrimaCamera] <= last;
        return {std::move(last), ordered ? tasto(kTastoCamere) : campo(kPrimaCamera)};
    }
    const Riga* r = rigaDi(index);
    if (!r) return {text, campo(index)};

    std::string completed = CompletaAnno(FormattaImporto(text, 0));
    if (!DataValida(completed)) return {std::string(), campo(index)};
    if (r->seconda < 0) return {std::move(completed), tasto(r->tasto)};
    if (index == r->prima) return {std::move(completed), campo(r->seconda)};
    const bool ordered = ConfrontaDate(testi[static_cast<std::size_t>(r->prima)], completed);
    return {std::move(completed), ordered ? tasto(r->tasto) : campo(r->prima)};
}

}  // namespace corvex::desk
