// SchClienti.mdb: the scratch copy of the guests lodged on a date, built by
// the report of tax accrued at a date and read back by it in room order.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "data/engine/database.h"
#include "data/engine/recordset.h"

namespace corvex {

// The snapshot database's file name (data folder) and its one table.
inline constexpr const char* kFileSchClienti = "SchClienti.mdb";
inline constexpr const char* kTabellaSchClienti = "SchClienti";

// Table SchClienti: the 54 fields of a guest register record, in order.
const db::TableDef& tabellaSchClienti();

// Creates SchClienti.mdb with the empty table SchClienti, unless a file of
// that name (matched without regard to case) already exists: then nothing
// is done. Engine failures are db::DbError.
void CreaSchClienti();

// A new SchClienti.mdb built while the suite's other programs keep reading
// the complete previous one at its usual name. The constructor takes the
// writers' lock (SchClienti.lck beside it), waiting at most `attesa` for
// another workstation to finish, then a ReportError "SchClienti.mdb in uso da
// un'altra postazione"; it then creates the empty snapshot under a temporary
// name (percorso()). pubblica() renames it over SchClienti.mdb. Destroyed
// before that, the temporary file is removed and the previous SchClienti.mdb
// stays. The lock is held for the object's lifetime.
class NuovoSchClienti {
  public:
    static constexpr std::chrono::milliseconds kAttesa{20000};
    explicit NuovoSchClienti(std::chrono::milliseconds attesa = kAttesa);
    ~NuovoSchClienti();
    NuovoSchClienti(const NuovoSchClienti&) = delete;
    NuovoSchClienti& operator=(const NuovoSchClienti&) = delete;

    const std::string& percorso() const { return temp_; }
    void pubblica();

  private:
    void rimuoviTemporaneo() noexcept;

    int lock_ = -1;
    std::string target_;
    std::string temp_;
    bool pubblicato_ = false;
};

// Adds one row to the snapshot (a recordset over the table SchClienti):
// every field of the source's current record whose name the snapshot has
// is copied by name, nulls included; fields the snapshot lacks (a suite
// installation may carry more than the 54) are ignored. Food is then set to
// the guest's tax-unit count. Food is a 16-bit field: a count outside
// -32768..32767 is a ReportError naming the guest, and no row is added.
void AggiungiRigaSnapshot(db::Recordset& snapshot, const db::Recordset& source, std::int64_t food);

}  // namespace corvex
