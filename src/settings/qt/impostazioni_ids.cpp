#include "settings/qt/impostazioni_ids.h"

#include <exception>
#include <filesystem>

#include "common/dates.h"
#include "common/text.h"
#include "data/engine/database.h"
#include "settings/store.h"

namespace corvex::impostazioni {

namespace {

constexpr int kHotel = 1;
const char* const kIds = "IdS.mdb";

std::vector<Voce> listaVoci(const char* file, const std::string& sql) {
    std::vector<Voce> out;
    try {
        auto database = db::Database::open(file);
        auto rs = database.openRecordset(sql);
        for (; !rs.eof(); rs.moveNext()) {
            out.push_back({static_cast<int>(rs.field("Codice").toInt()),
                           trim(rs.field("Descrizione").toText())});
        }
    } catch (const std::exception&) {
        // Without the suite's database the lists are empty; the editor says so.
    }
    return out;
}

int intero(const db::Recordset& rs, const char* name) {
    return static_cast<int>(rs.field(name).toInt());
}

void scrivi(db::Database& database, const Impostazioni& s) {
    const std::string hotel = str(kHotel);
    database.execute("DELETE FROM Generale WHERE NumeroHotel = " + hotel);
    database.execute("DELETE FROM VociIdS WHERE NumeroHotel = " + hotel);
    database.execute("DELETE FROM Periodi WHERE NumeroHotel = " + hotel);
    const Generale& g = s.generale;
    auto gen = database.openRecordset("Generale");
    gen.addNew();
    gen.setField("NumeroHotel", kHotel);
    gen.setField("CodiceIva", g.codiceIva);
    gen.setField("GGMax", g.ggMax);
    gen.setField("CodGGMax", g.codGGMax);
    gen.setField("NConto", g.nConto);
    gen.setField("CodMin", g.codMin);
    gen.setField("EtaMin", g.etaMin);
    gen.setField("CodGrp", g.codGrp);
    gen.setField("CodRes", g.codRes);
    gen.setField("DesRes", g.desRes);
    gen.setField("CodStd", g.codStd);
    gen.setField("CodFEta", g.codFEta);
    gen.setField("EtaDa", g.etaDa);
    gen.setField("EtaFinoA", g.etaFinoA);
    gen.update();
    auto voci = database.openRecordset("VociIdS");
    for (const auto& v : s.voci) {
        voci.addNew();
        voci.setField("NumeroHotel", kHotel);
        voci.setField("Codice", v.codice);
        voci.setField("Descrizione", left(v.descrizione, 40));
        voci.update();
    }
    auto periodi = database.openRecordset("Periodi");
    for (const auto& p : s.periodi) {
        periodi.addNew();
        periodi.setField("NumeroHotel", kHotel);
        periodi.setField("Codice", p.codice);
        periodi.setField("DataInizio", DataSql(p.dataInizio));
        periodi.setField("DataFine", DataSql(p.dataFine));
        periodi.setField("Valore", p.valore);
        periodi.update();
    }
}

}  // namespace

std::vector<Voce> vociRepartoIDS() {
    return listaVoci("VociFattura.mdb",
                     "SELECT Codice, Descrizione FROM VociFattura WHERE NumeroHotel = 1 AND "
                     "Trim(Reparto) = 'IDS' ORDER BY Codice");
}

std::vector<Voce> codiciIva() {
    return listaVoci("CodiciIva.mdb",
                     "SELECT Codice, Descrizione FROM CodiciIva WHERE NumeroHotel = 1 ORDER BY "
                     "Codice");
}

Impostazioni carica() {
    Impostazioni s;
    auto database = db::Database::open(kIds, db::Database::Mode::ReadOnly);
    const std::string where = " WHERE NumeroHotel = " + str(kHotel);
    auto gen = database.openRecordset("SELECT * FROM Generale" + where);
    if (!gen.eof()) {
        Generale& g = s.generale;
        g.codiceIva = intero(gen, "CodiceIva");
        g.ggMax = intero(gen, "GGMax");
        g.codGGMax = intero(gen, "CodGGMax");
        g.nConto = intero(gen, "NConto");
        g.codMin = intero(gen, "CodMin");
        g.etaMin = intero(gen, "EtaMin");
        g.codGrp = intero(gen, "CodGrp");
        g.codRes = intero(gen, "CodRes");
        g.desRes = gen.field("DesRes").toText();
        g.codStd = intero(gen, "CodStd");
        g.codFEta = intero(gen, "CodFEta");
        g.etaDa = intero(gen, "EtaDa");
        g.etaFinoA = intero(gen, "EtaFinoA");
    }
    auto voci = database.openRecordset("SELECT * FROM VociIdS" + where + " ORDER BY Codice");
    for (; !voci.eof(); voci.moveNext()) {
        s.voci.push_back({intero(voci, "Codice"), voci.field("Descrizione").toText()});
    }
    auto periodi =
        database.openRecordset("SELECT * FROM Periodi" + where + " ORDER BY Codice, DataInizio");
    for (; !periodi.eof(); periodi.moveNext()) {
        s.periodi.push_back(
            {intero(periodi, "Codice"), DataDaSql(periodi.field("DataInizio").toText()),
             DataDaSql(periodi.field("DataFine").toText()), periodi.field("Valore").toCurrency()});
    }
    return s;
}

std::optional<std::string> verifica(const Impostazioni& s) {
    if (s.voci.empty()) return "Non sono state create le voci per l'imposta di soggiorno!";
    if (s.generale.codiceIva == 0) return "Il codice iva non è stato selezionato!";
    auto isVoce = [&](int code) {
        for (const auto& v : s.voci) {
            if (v.codice == code) return true;
        }
        return false;
    };
    const Generale& g = s.generale;
    if (!isVoce(g.codStd)) return "Dati incompleti";
    for (int code : {g.codGGMax, g.codMin, g.codGrp, g.codRes, g.codFEta}) {
        if (code != 0 && !isVoce(code)) return "la voce di riferimento non è stata selezionata!";
    }
    if ((g.ggMax > 0 && g.codGGMax == 0) || (g.etaMin > 0 && g.codMin == 0) ||
        (g.codFEta != 0 && g.etaDa > g.etaFinoA)) {
        return "Dati incompleti";
    }
    for (const auto& p : s.periodi) {
        if (!isVoce(p.codice)) return "la voce di riferimento non è stata selezionata!";
        if (!DataValida(p.dataInizio) || !DataValida(p.dataFine) ||
            !ConfrontaDate(p.dataInizio, p.dataFine)) {
            return "le date inserite non sono corrette!";
        }
    }
    return std::nullopt;
}

bool idsInFormatoJet() {
    auto database = db::Database::open(kIds, db::Database::Mode::ReadOnly);
    return database.isJet();
}

void salva(const Impostazioni& s) {
    auto database = db::Database::open(kIds, db::Database::Mode::ReadWrite);
    database.transaction([&] { scrivi(database, s); });
    database.close();
}

std::string convertiESalva(const Impostazioni& s) {
    namespace fs = std::filesystem;
    const fs::path original = db::resolveFileName(kIds);
    const fs::path backup = original.string() + ".jet-backup";
    fs::rename(original, backup);
    try {
        auto database = db::Database::create(kIds);
        database.createTable(tabellaGenerale());
        database.createTable(tabellaVociIdS());
        database.createTable(tabellaPeriodi());
        database.transaction([&] { scrivi(database, s); });
        database.close();
    } catch (...) {
        std::error_code ec;
        fs::remove(kIds, ec);
        fs::rename(backup, original, ec);
        throw;
    }
    return backup.string();
}

}  // namespace corvex::impostazioni
