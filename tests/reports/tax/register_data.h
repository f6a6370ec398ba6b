// Small guest registers for the report tests: tax items, guests (live or
// archived), charge lines, DirKV for one test.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "reports/request.h"
#include "support/data_folder.h"

namespace corvex::test {

inline void voce(int codice, const char* descrizione, const char* reparto) {
    insertRow("VociFattura.mdb", "VociFattura",
              {{"NumeroHotel", 1},
               {"Codice", codice},
               {"Descrizione", descrizione},
               {"Reparto", reparto}});
}

inline void hotel(const char* codiceAssistenza) {
    insertRow("AnagraficaHotels.mdb", "AnagraficaHotels",
              {{"NumeroHotel", 1}, {"Numero", 1}, {"CodiceAssistenza", codiceAssistenza}});
}

struct Ospite {
    int id = 0;
    const char* camera = "101";
    const char* arrivo = nullptr;
    const char* partito = "N";
    const char* partenza = nullptr;
    const char* partenzaReale = nullptr;  // nullptr: NULL
    const char* lingua = "I";
    const char* nome = nullptr;  // nullptr: "Ospite <id>"
    const char* nascita = "19800101";
};

inline Column testo(const char* name, const char* value) {
    return value ? Column(name, value) : Column(name, Null);
}

inline void ospite(const std::string& file, const Ospite& o) {
    insertRow(file, "Scheda_Cliente",
              {{"NumeroHotel", 1},
               {"NumeroProgressivo", o.id},
               {"NumeroCamera", o.camera},
               {"NomeCliente", o.nome ? std::string(o.nome) : "Ospite " + std::to_string(o.id)},
               testo("DataArrivo", o.arrivo),
               testo("DataPartenza", o.partenza),
               {"Partito", o.partito},
               testo("DataPartenzaReale", o.partenzaReale),
               {"Lingua", o.lingua},
               testo("DataNascita", o.nascita)});
}

inline void addebito(const std::string& file, int cliente, int voce, const char* data,
                     const char* camera, int quantita, double importo) {
    insertRow(file, "Conto_Cliente",
              {{"NumeroHotel", 1},
               {"CodiceCliente", cliente},
               {"VoceAddebito", voce},
               {"DataAddebito", data},
               {"NumeroCamera", camera},
               {"Quantità", quantita},
               {"Importo", importo}});
}

// The hotel record, the tax items 501 and 502 and the non-tax item 100, an
// empty register and empty archives in the data folder.
inline void cartellaBase(const char* codiceAssistenza = "R") {
    hotel(codiceAssistenza);
    voce(501, "Imposta di soggiorno", "IDS");
    voce(502, "Imposta di soggiorno minori", "IDS");
    voce(100, "Pernottamento", "CAMERE");
    for (const char* f : {"Scheda_Cliente.mdb", "SchedaStoricoClienti.mdb"}) {
        createSuiteTable(f, "Scheda_Cliente");
    }
    for (const char* f : {"Conto_Cliente.mdb", "ContoStoricoClienti.mdb"}) {
        createSuiteTable(f, "Conto_Cliente");
    }
}

inline ReportRequest periodo(const char* dal, const char* al, const char* c1 = "",
                             const char* c2 = "ZZZZZZ") {
    ReportRequest r;
    r.dal = dal;
    r.al = al;
    r.primaCamera = c1;
    r.ultimaCamera = c2;
    return r;
}

inline std::vector<std::string> operator+(std::vector<std::string> a,
                                          const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Sets DirKV for one test, restoring the environment afterwards.
class DirKv {
  public:
    explicit DirKv(const char* value) {
        if (const char* v = std::getenv("DirKV")) saved_ = v;
        setenv("DirKV", value, 1);
    }
    ~DirKv() {
        if (saved_) {
            setenv("DirKV", saved_->c_str(), 1);
        } else {
            unsetenv("DirKV");
        }
    }
    DirKv(const DirKv&) = delete;
    DirKv& operator=(const DirKv&) = delete;

  private:
    std::optional<std::string> saved_;
};

}  // namespace corvex::test
