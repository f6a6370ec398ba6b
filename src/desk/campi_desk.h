// The desk's rows as the catalog declares them, and what Enter does in their
// fields Text1(0)..Text1(15): complete and check the text, then move the focus
// along the row towards its button.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "reports/catalog.h"

namespace corvex::desk {

constexpr int kCampi = 16;         // Text1(0)..Text1(13) the rows' dates, then the rooms
constexpr int kPrimaCamera = 14;   // Text1(14) "Da cam."
constexpr int kUltimaCamera = 15;  // Text1(15) "a cam."
constexpr int kTasti = 10;         // T(0) "Esci", T(1).. one per report of the catalog

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
