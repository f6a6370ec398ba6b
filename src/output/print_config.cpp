#include "output/print_config.h"

#include <exception>
#include <stdexcept>

#include "common/config_files.h"
#include "common/environment.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "data/engine/error.h"

namespace corvex {

namespace {

constexpr int kHotel = 1;

// Runs fn on a configuration database opened read-only; any failure leaves
// the caller's defaults in force.
template <class Fn>
void withDatabase(const char* file, Fn&& fn) {
    try {
        auto database = db::Database::open(file);
        fn(database);
    } catch (const std::exception&) {
        // A missing or unreadable configuration database counts as a missing
        // record: the defaults apply and the print menu stays usable.
    }
}

}  // namespace

int campoSetStampa(std::string_view text, int k) {
    if (k < 1 || k > 12) return 0;
    const auto start = static_cast<std::size_t>(3 * k - 3);
    if (start >= text.size()) return 0;
    const std::int64_t v = leadingNumber(text.substr(start, 3));
    return static_cast<int>(v);
}

SetStampaRecord leggiRecordSetStampa(std::string_view compresso, std::string_view grassetto) {
    SetStampaRecord r;
    r.trovato = true;
    for (int k = 1; k <= 12; ++k) {
        r.compresso[static_cast<std::size_t>(k - 1)] = campoSetStampa(compresso, k);
        r.grassetto[static_cast<std::size_t>(k - 1)] = campoSetStampa(grassetto, k);
    }
    return r;
}

std::vector<std::string> destinazioniStampa() {
    std::vector<std::string> out;
    withDatabase("Stampanti.mdb", [&](db::Database& database) {
        auto rs = database.openRecordset("Stampanti");
        const std::string criterion = "NumeroHotel = " + str(kHotel);
        for (bool found = rs.findFirst(criterion); found; found = rs.findNext(criterion)) {
            out.push_back(rs.field("Destinazione").toText());
        }
    });
    return out;
}

std::optional<std::string> destinazionePDF(const std::vector<std::string>& destinazioni) {
    std::optional<std::string> chosen;
    for (const auto& d : destinazioni) {
        if (d.find("PDF") != std::string::npos) chosen = d;
    }
    return chosen;
}

std::string opzioniStampa() {
    std::string options;
    withDatabase("AnagraficaHotels.mdb", [&](db::Database& database) {
        auto rs = database.openRecordset("AnagraficaHotels");
        if (rs.findFirst("Numero = " + str(kHotel)))
            options = rs.field("CodiceAssistenza").toText();
    });
    return options;
}

std::string fontStampa() {
    const auto lines = readLines("FontStp.txt");
    if (lines && !lines->empty()) {
        std::string name = trim((*lines)[0]);
        if (!name.empty()) return name;
    }
    return "Courier New";
}

int lunghezzaPagina(bool compressa) {
    int length = 60;
    withDatabase("Contatori.mdb", [&](db::Database& database) {
        auto rs = database.openRecordset("Contatori");
        if (rs.findFirst("NumeroHotel = " + str(kHotel))) {
            length =
                static_cast<int>(rs.field(compressa ? "LungPagComp" : "LungPagNoComp").toInt());
        }
    });
    return length;
}

std::optional<ConfigStampa> configuraStampa(const SceltaStampa& scelta) {
    ConfigStampa c;
    c.destinazione = scelta.destinazione;
    c.compressa = scelta.compressa;
    c.orizzontale = scelta.orizzontale;
    c.fronteRetro = scelta.fronteRetro;
    c.font = fontStampa();
    c.lunghezzaPagina = lunghezzaPagina(scelta.compressa);
    c.opzioni = opzioniStampa();

    // The destination and its print type; Stampanti.mdb must be readable here,
    // since the destination was listed from it.
    std::string linea, tipo;
    bool found = false;
    {
        auto database = db::Database::open("Stampanti.mdb");
        auto rs = database.openRecordset("Stampanti");
        if (rs.findFirst("Destinazione = " + db::quote(scelta.destinazione))) {
            found = true;
            linea = rs.field("Linea").toText();
            tipo = rs.field("TipoStampa").toText();
        }
        if (!found) return std::nullopt;
        SetStampaRecord set;
        try {
            auto sets = database.openRecordset("SetStampa");
            if (sets.findFirst("TipoStampa = " + str(leadingNumber(tipo)))) {
                set = leggiRecordSetStampa(sets.field("Compresso").toText(),
                                           sets.field("Grassetto").toText());
            }
        } catch (const db::DbError&) {
            // No SetStampa table: as a missing record, raw mode with defaults.
        }
        const auto& cp = set.compresso;
        const auto& gr = set.grassetto;
        c.modoStampante = cp[5] == 1;
        const std::size_t first = scelta.compressa ? 0 : 6;
        for (std::size_t i = first; i < first + 5; ++i) {
            if (cp[i] < 0 || cp[i] > 255) {
                throw std::runtime_error("Stampanti.mdb, SetStampa " + str(leadingNumber(tipo)) +
                                         ": il campo " + str(static_cast<std::int64_t>(i + 1)) +
                                         " di Compresso (" + str(cp[i]) +
                                         ") non è un codice di carattere");
            }
            c.sequenzaInizio += static_cast<char>(cp[i]);
        }
        c.margineSuperiore = gr[5];
        c.lunghezzaModulo = set.trovato ? (scelta.compressa ? gr[6] : gr[7]) : 66;
        c.dimensioneApertura = cp[0];
        c.dimensioneCorpo = scelta.compressa ? cp[0] : cp[6];
    }

    const std::string fromEnv = envValue(scelta.destinazione);
    c.dispositivo = fromEnv.empty() ? linea : fromEnv;
    const std::string override = trim(scelta.stampante);
    if (!override.empty()) c.dispositivo = override;
    return c;
}

ConfigStampa configStampaPredefinita(bool compressa) {
    ConfigStampa c;
    c.modoStampante = true;
    c.compressa = compressa;
    c.font = fontStampa();
    c.lunghezzaPagina = lunghezzaPagina(compressa);
    c.opzioni = opzioniStampa();
    c.dimensioneApertura = 10;
    c.dimensioneCorpo = 10;
    c.sequenzaInizio = std::string(5, '\0');
    return c;
}

}  // namespace corvex
