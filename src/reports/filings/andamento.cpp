#include "reports/filings/andamento.h"

#include "data/engine/copy_cache.h"
#include "reports/filings/calcolo_imposta.h"

namespace corvex::filings {

std::array<MeseAndamento, 12> andamentoAnno(int anno, Interaction* io) {
    // One version of every file for the whole year, as a report run reads.
    const db::SnapshotScope snapshot;
    const DatiImposta dati = DatiImposta::leggi(periodoAnno(anno), "", "ZZZZZZ", io);
    std::array<MeseAndamento, 12> mesi{};
    for (int m = 1; m <= 12; ++m) {
        const Riepilogo t = dati.riepiloga(primoDelMese(anno, m), primoDelMese(anno, m + 1) - 1);
        MeseAndamento& out = mesi[static_cast<std::size_t>(m - 1)];
        out.mese = m;
        for (const auto& r : t.righe) {
            switch (r.categoria) {
                case Categoria::Piena:
                    out.piena += r.pernottamenti;
                    break;
                case Categoria::Ridotta:
                    out.ridotta += r.pernottamenti;
                    break;
                case Categoria::Esente:
                    out.esenti += r.pernottamenti;
                    break;
                case Categoria::Esclusa:
                    out.escluse += r.pernottamenti;
                    break;
            }
        }
        out.dovuta = t.totale.dovuta;
        out.riscossa = t.totale.riscossa;
        out.versata = t.versato;
    }
    return mesi;
}

}  // namespace corvex::filings
