// The desk's rows as the catalog declares them, and what Enter does in their
// fields Text1(0)..Text1(15): complete and check the text, then move the focus
// along the row towards its button.
#pragma once

#include <array>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "reports/catalog.h"

namespace corvex::desk {

// The date fields of the desk's rows: one or two per row, reports with the
// same row caption sharing theirs.
constexpr int contaCampiData() {
    int campi = 0;
    for (std::size_t i = 0; i < std::size(kReports); ++i) {
        bool nuova = true;
        for (std::size_t j = 0; j < i; ++j) {
            if (std::string_view(kReports[j].desk.row) == kReports[i].desk.row) nuova = false;
        }
        if (nuova) campi += kReports[i].twoDates ? 2 : 1;
    }
    return campi;
}

// Text1(0).. the rows' dates, then the room range; T(0) "Esci", then one
// print button per report of the catalog.
constexpr int kPrimaCamera = contaCampiData();   // "Da cam."
constexpr int kUltimaCamera = kPrimaCamera + 1;  // "a cam."
constexpr int kCampi = kPrimaCamera + 2;
constexpr int kTasti = static_cast<int>(std::size(kReports)) + 1;

// One row of the desk, top to bottom in the catalog's order.
struct RigaDesk {
    const char* caption;        // UTF-8
    int dal = -1, al = -1;      // its date fields Text1(i); al -1: one "Data di riferimento"
    std::vector<int> tasti;     // its print buttons T(i), left to right
    int tasto = -1;             // where Enter in its last date leads: its first report's button
    bool prepagamenti = false;  // it shows the check box "Solo prepagamenti"
};
const std::vector<RigaDesk>& righeDesk();

// The report of print button T(button), 1..kTasti-1 (the catalog's order).
const ReportEntry& reportDelTasto(int button);

// Where the focus goes: a field Text1(i) or a button T(i).
struct Fuoco {
    bool tasto = false;
    int indice = 0;
    friend bool operator==(const Fuoco&, const Fuoco&) = default;
};

struct EsitoInvio {
    std::string testo;  // the field's new text
    Fuoco fuoco;        // where the focus moves (the field itself to stay)
};

// Enter in field index with the fields' current texts (code page 1252).
EsitoInvio invioCampo(int index, const std::array<std::string, kCampi>& testi);

}  // namespace corvex::desk
