// The fiscal document archive (Fatture.mdb): the document key, the class of a
// document and the filters the tax-detail and takings reports share.
//
// Fatture.mdb holds DatiFattura (one row per document), DettaglioFattura (its
// lines), Incassi (payments) and ScorporoFattura (VAT split). Every line,
// payment and split row repeats the five-field key of its document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/engine/recordset.h"

namespace corvex {

// The five fields that identify a document. Two documents with the same
// NDocumento under two counters are two documents.
struct ChiaveDocumento {
    std::int64_t numeroHotel = 0;
    std::string dataEmissione;  // yyyymmdd
    std::string tipoDocumento;  // "Fattura", "Ricevuta", "ESTERNI", ...
    std::int64_t nDocumento = 0;
    std::int64_t contatore = 0;
    // False when a key field is null: such a row is found by no look-up (a
    // null never equals anything in a criterion).
    bool completa = true;

    // The key of the current row of a recordset over any of the four tables.
    static ChiaveDocumento leggi(const db::Recordset& rs);

    // "NumeroHotel = 1 and DataEmissione = '20240301' and TipoDocumento =
    // 'Ricevuta' and NDocumento = 84 and Contatore = 1".
    std::string criterio() const;
    // A hashable text that is equal for two keys exactly when criterio()
    // of one matches the other row (document type compared without regard
    // to case, as the engine compares text).
    std::string indice() const;
};

// How the takings register numbers the documents. 5 is not used.
enum class ClasseDocumento {
    Nessuna = 0,       // any other type: counted by no class
    Fatture = 1,       // "F...", RiepAcc not "N"
    Ricevute = 2,      // "R...", RiepAcc not "N"
    NoteCreditoF = 3,  // "F..." with RiepAcc "N"
    NoteCreditoR = 4,  // "R..." with RiepAcc "N"
    Scontrini = 6,     // "ESTERNI": external till documents
};

ClasseDocumento classeDocumento(std::string_view tipoDocumento, std::string_view riepAcc);
bool isNotaCredito(std::string_view riepAcc);  // RiepAcc "N": lines count negated
// First three letters "Fat" / "Ric", without regard to case.
bool isFattura(std::string_view tipoDocumento);
bool isRicevuta(std::string_view tipoDocumento);

// Recurring filters, as the reports write them into their SQL texts.
// "(Annullato <> 'S' or AnnullatoDaRiep = 'S') and RiepAcc <> 'R'": documents
// that count for the tourist tax.
std::string filtroDocumentiImposta();
// " and Contatore = n", or nothing for counter 0 (all counters).
std::string filtroContatore(int contatore);

// Index of a field of a recordset, looked up once so that long walks read
// fields by position. A missing field is a DbError naming it and the table.
std::size_t indiceCampo(const db::Recordset& rs, std::string_view name, std::string_view tabella);

// The key fields of one recordset, looked up once: reads the key of the
// current row by position.
class CampiChiave {
  public:
    CampiChiave(const db::Recordset& rs, std::string_view tabella);
    ChiaveDocumento leggi(const db::Recordset& rs) const;

  private:
    std::size_t hotel_, data_, tipo_, numero_, contatore_;
};

// Walks a recordset with find-first / find-next on one criterion, calling
// fn() with the current row.
template <class Fn>
void perOgni(db::Recordset& rs, std::string_view criterio, Fn&& fn) {
    for (bool found = rs.findFirst(criterio); found; found = rs.findNext(criterio)) fn();
}

// Rows of one table grouped by the key of their document, in recordset
// order within each document. Built by walking the recordset once, so that
// a report looks up a document's lines, payments or split rows by key
// without scanning the whole period again for every document.
template <class Row>
class RighePerDocumento {
  public:
    void aggiungi(const ChiaveDocumento& k, Row row) {
        if (!k.completa) return;
        righe_[k.indice()].push_back(std::move(row));
    }
    const std::vector<Row>& di(const ChiaveDocumento& k) const {
        static const std::vector<Row> nessuna;
        if (!k.completa) return nessuna;
        auto it = righe_.find(k.indice());
        return it == righe_.end() ? nessuna : it->second;
    }

  private:
    std::unordered_map<std::string, std::vector<Row>> righe_;
};

}  // namespace corvex
