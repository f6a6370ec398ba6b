// What one print needs to know: the destination's settings from
// Stampanti.mdb, page lengths from Contatori.mdb, the font from FontStp.txt
// and the hotel's option letters.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvex {

// A SetStampa record: twelve three-character numeric fields in Compresso and
// twelve in Grassetto. Index 0 is field 1.
struct SetStampaRecord {
    std::array<int, 12> compresso{};
    std::array<int, 12> grassetto{};
    bool trovato = false;
};

// Field k (1..12) of a SetStampa text: characters 3k-2..3k, the number at
// their start (leading blanks skipped; no number gives 0).
int campoSetStampa(std::string_view text, int k);
SetStampaRecord leggiRecordSetStampa(std::string_view compresso, std::string_view grassetto);

// The user's choices in the print menu.
struct SceltaStampa {
    std::string destinazione;  // entry of the destination list
    std::string stampante;     // system printer typed or chosen; overrides the device
    bool compressa = false;
    bool orizzontale = false;
    bool fronteRetro = false;
};

// Everything one print uses, resolved.
struct ConfigStampa {
    std::string destinazione;
    std::string dispositivo;        // output device: printer name, queue, path or file
    bool modoStampante = false;     // Compresso 6 = 1: through the system's printer
    std::string sequenzaInizio;     // raw mode: five bytes
    int lunghezzaPagina = 60;       // lines per page
    int margineSuperiore = 0;       // blank lines at the top of every page
    int lunghezzaModulo = 66;       // raw mode, option "U": lines to fill a page to
    double dimensioneApertura = 0;  // printer mode: size of the opening line (Compresso 1)
    double dimensioneCorpo = 0;     // printer mode: body size
    std::string font = "Courier New";
    std::string opzioni;  // CodiceAssistenza: "K" no cleaning, "U" fill pages
    bool compressa = false;
    bool orizzontale = false;
    bool fronteRetro = false;

    bool senzaPulizia() const { return opzioni.find('K') != std::string::npos; }
    bool riempiPagine() const { return opzioni.find('U') != std::string::npos; }
};

// Destinazione of every Stampanti record of hotel 1, in table order. A
// missing or unreadable Stampanti.mdb gives an empty list.
std::vector<std::string> destinazioniStampa();

// The last destination whose name holds "PDF" (upper case), if any.
std::optional<std::string> destinazionePDF(const std::vector<std::string>& destinazioni);

// CodiceAssistenza of the AnagraficaHotels record "Numero = 1"; empty when
// the record or the database is missing.
std::string opzioniStampa();

// First line of FontStp.txt trimmed, else "Courier New".
std::string fontStampa();

// Lines per page of Contatori.mdb for hotel 1 (compressed or normal print);
// 60 when the record or the database is missing.
int lunghezzaPagina(bool compressa);

// Builds the settings of one print from the configuration files. nullopt
// when the destination is not in Stampanti. A SetStampa value that cannot be
// a byte of the start sequence is a std::runtime_error naming the field.
std::optional<ConfigStampa> configuraStampa(const SceltaStampa& scelta);

// Settings for a print from the options alone (printer mode, the FontStp.txt
// font at 10 points, no top margin, Contatori's page length): used for PDF
// output when no destination supplies settings.
ConfigStampa configStampaPredefinita(bool compressa);

}  // namespace corvex
