// IdSDichiarazioni.mdb: the system's own data for the tourist-tax filings,
// kept beside IdS.mdb in the data folder and never inside it, so that a
// genuine Jet IdS.mdb shared with older workstations keeps its three tables
// and its bytes.
//
// Tables (SQLite, created on first write):
//   Versamenti     payments of the tax to the municipality
//   Struttura      the structure's and the operator's data, one row per hotel
//   CategorieVoci  the category of a tax item that Generale does not name
//
// Texts are code page 1252 bytes, as everywhere in the data; dates are
// dd/mm/yyyy in memory and yyyymmdd in the tables. Every message is UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/currency.h"
#include "data/engine/database.h"
#include "data/hotel.h"
#include "reports/interaction.h"

namespace corvex {

inline constexpr const char* kFileDichiarazioni = "IdSDichiarazioni.mdb";

// Table definitions, fields in order. Versamenti's first field, Id, is the
// row number the database gives (INTEGER PRIMARY KEY AUTOINCREMENT: a
// deleted payment's number is never given again).
const db::TableDef& tabellaVersamenti();
const db::TableDef& tabellaStruttura();
const db::TableDef& tabellaCategorieVoci();
// The CREATE TABLE statements of the file, in order, declared as the
// engine declares its tables. The demo folder runs the same statements.
std::vector<std::string> schemaDichiarazioni();

// Creates IdSDichiarazioni.mdb in the current directory with its empty
// tables when no file of that name exists (names matched without regard to
// case); leaves an existing file as it is. Throws db::DbError on failure.
void PreparaDichiarazioni();

// ------------------------------------------------------------ payments

struct Versamento {
    std::int64_t id = 0;
    std::string data;  // day of payment, dd/mm/yyyy
    Currency importo;
    std::string dal, al;      // period covered, dd/mm/yyyy
    std::string riferimento;  // CRO / TRN / pagoPA code
    std::string canale, nota;
};

// Reads an amount as typed by a person: "1234,50", "1234.50", "1.234,50",
// "1234". Thousands dots only with the decimal comma; at most two decimals;
// greater than zero. nullopt when refused, with the reason (UTF-8 Italian)
// in *motivo when given.
std::optional<Currency> leggiImporto(std::string_view text, std::string* motivo = nullptr);

// Adds a payment (the file is created when missing) and returns its Id. The
// payment is taken as it is: the caller checks dates and amount.
std::int64_t aggiungiVersamento(const Versamento& v, int hotel = HotelCorrente);
// The hotel's payments by date of payment, then Id; none without the file.
std::vector<Versamento> leggiVersamenti(int hotel = HotelCorrente);
// Deletes the payment with that Id; false when the hotel has none.
bool eliminaVersamento(std::int64_t id, int hotel = HotelCorrente);

// ------------------------------------------------------------ structure

struct Struttura {
    std::string comune, codiceComune, nomeStruttura, tipologia, classificazione,
        codiceIdentificativo, gestore, codiceFiscaleGestore;
};

// One field of Struttura: its option name on the command line, its column,
// its label on the settings page, its width and where it is in Struttura.
struct CampoStruttura {
    const char* nome;       // "codice-comune"
    const char* colonna;    // "CodiceComune"
    const char* etichetta;  // "Codice del comune" (UTF-8)
    int larghezza;
    std::string Struttura::*membro;
};
const std::vector<CampoStruttura>& campiStruttura();

// An operator's tax code: 16 letters and digits (a person) or 11 digits (a
// company). Empty is allowed (the field is cleared).
bool codiceFiscaleValido(const std::string& code);

// The hotel's structure data; all empty when none is saved.
Struttura leggiStruttura(int hotel = HotelCorrente);
// Saves the hotel's row (created when missing; the file too).
void salvaStruttura(const Struttura& s, int hotel = HotelCorrente);

// ------------------------------------------------------------ item categories

// How the nights of a tax item count in the filings.
enum class Categoria { Piena, Ridotta, Esente, Esclusa };
// "piena", "ridotta", "esente", "esclusa": the stored names.
const char* nomeCategoria(Categoria c);
std::optional<Categoria> categoriaDaNome(std::string_view stored);

struct CategoriaVoce {
    int codice = 0;
    std::string descrizione;  // from VociIdS
    std::optional<Categoria> categoria;
    std::string motivo;   // "minori", "residenti", ... (may be empty)
    std::string origine;  // "Generale.CodMin", ..., "CategorieVoci"; empty without category
};

// An item of VociIdS that neither Generale nor CategorieVoci gives a
// category. what() names the item (UTF-8).
class CategoriaMancante : public ReportError {
  public:
    CategoriaMancante(int codice, const std::string& descrizione);
    int codice() const { return codice_; }

  private:
    int codice_;
};

// Every tax item of the hotel's VociIdS (IdS.mdb) in code order with its
// category: from Generale first (CodStd full rate; CodFEta reduced;
// CodMin, CodRes, CodGrp exempt for "minori", "residenti", "gruppi";
// CodGGMax excluded beyond the maximum nights), else from CategorieVoci,
// else none. IdS.mdb is only read.
std::vector<CategoriaVoce> leggiCategorieVoci(int hotel = HotelCorrente);
// The same, for the filings: an item without a category is a
// CategoriaMancante.
std::vector<CategoriaVoce> categorieVoci(int hotel = HotelCorrente);
// Stores the category of an item in CategorieVoci (replacing the one there).
void salvaCategoriaVoce(int codice, Categoria c, const std::string& motivo,
                        int hotel = HotelCorrente);

}  // namespace corvex
