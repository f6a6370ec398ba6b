#include "dialogs/avanzamento.h"

#include <QProgressDialog>

#include "common/dates.h"
#include "common/text.h"

namespace corvex::qt {

std::optional<Avanzamento> avanzamentoPeriodo(const std::string& where, const std::string& dal,
                                              const std::string& al) {
    const auto first = NumeroGiorno(trim(dal));
    const auto last = NumeroGiorno(trim(al));
    const auto day = NumeroGiorno(trim(where));
    if (!first || !last || !day || *last < *first || *day < *first || *day > *last) {
        return std::nullopt;
    }
    return Avanzamento{static_cast<int>(*day - *first + 1), static_cast<int>(*last - *first + 1)};
}

void segnaAvanzamento(QProgressDialog& dialog, const std::string& where, const std::string& dal,
                      const std::string& al) {
    dialog.setLabelText(QString::fromUtf8(where));
    const auto done = avanzamentoPeriodo(where, dal, al);
    if (!done) return;  // a file or record name: the bar keeps its last state
    if (dialog.maximum() != done->totale) {
        // The last day is not the end of the report: the file is still to
        // be written, so the dialog stays until the report closes it.
        dialog.setAutoReset(false);
        dialog.setAutoClose(false);
        dialog.setRange(0, done->totale);
    }
    dialog.setValue(done->fatti);
}

}  // namespace corvex::qt
