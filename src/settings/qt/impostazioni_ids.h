// The tax settings of hotel 1 as the settings editor edits them: load from
// IdS.mdb, check, save in one transaction.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/currency.h"

namespace corvex::impostazioni {

struct Generale {
    int codiceIva = 0, ggMax = 0, codGGMax = 0, nConto = 0, codMin = 0, etaMin = 0, codGrp = 0,
        codRes = 0;
    std::string desRes;
    int codStd = 0, codFEta = 0, etaDa = 0, etaFinoA = 0;
    friend bool operator==(const Generale&, const Generale&) = default;
};

struct Voce {
    int codice = 0;
    std::string descrizione;  // code page 1252
    friend bool operator==(const Voce&, const Voce&) = default;
};

struct Periodo {
    int codice = 0;          // the tax item
    std::string dataInizio;  // "dd/mm/yyyy" in the editor, yyyymmdd in IdS.mdb
    std::string dataFine;
    Currency valore;
    friend bool operator==(const Periodo&, const Periodo&) = default;
};

struct Impostazioni {
    Generale generale;
    std::vector<Voce> voci;
    std::vector<Periodo> periodi;
    friend bool operator==(const Impostazioni&, const Impostazioni&) = default;
};

// Billing items of department "IDS" in VociFattura.mdb, by code; and the VAT
// codes of CodiciIva.mdb. Empty when the database is missing.
std::vector<Voce> vociRepartoIDS();
std::vector<Voce> codiciIva();

// The settings of hotel 1 in IdS.mdb (empty ones when it holds none).
// Throws db::DbError when IdS.mdb cannot be read.
Impostazioni carica();

// The first problem that keeps the settings from being saved, as the message
// the user sees (UTF-8, naming the field at fault); nullopt when they can be
// saved.
std::optional<std::string> verifica(const Impostazioni& s);

// The message refusing period p when it shares a day with a period of the
// same item in others (both named); nullopt when it overlaps none. Periods
// are compared as given, so p itself must not be in others.
std::optional<std::string> sovrapposizione(const std::vector<Periodo>& others, const Periodo& p);

// The editor's label of a field of Generale ("CodStd" -> "Codice da applicare
// standard"), UTF-8; the field's name when it has none.
std::string etichetta(const std::string& field);

// True when IdS.mdb is a genuine Jet file, which cannot be written.
bool idsInFormatoJet();

// Saves the settings of hotel 1 into IdS.mdb in one transaction: the old
// rows of hotel 1 go, the new ones come; a failure changes nothing.
void salva(const Impostazioni& s);

// Converts a genuine Jet IdS.mdb to the system's own format: the original is
// renamed IdS.mdb.jet-backup, a new IdS.mdb holds the settings s. On failure
// the original is put back. Returns the backup's name.
std::string convertiESalva(const Impostazioni& s);

}  // namespace corvex::impostazioni
