// What Enter does in the desk's fields Text1(0)..Text1(15): complete and
// check the text, then move the focus along the row towards its button.
#pragma once

#include <array>
#include <string>

namespace corvex::desk {

constexpr int kCampi = 16;         // Text1(0)..Text1(15)
constexpr int kPrimaCamera = 14;   // Text1(14) "Da cam."
constexpr int kUltimaCamera = 15;  // Text1(15) "a cam."
constexpr int kTasti = 10;         // T(0)..T(9)

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

// The button a date field's row leads to, and the other field of its pair
// (-1 for a single date).
int tastoDellaRiga(int dateField);
int campoCompagno(int dateField);

}  // namespace corvex::desk
