#include "settings/dichiarazioni.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <set>

#include "common/dates.h"
#include "common/text.h"
#include "data/engine/error.h"
#include "data/pg/pg_reader.h"

namespace corvex {

namespace fs = std::filesystem;
using db::FieldType;
using db::TableDef;

const TableDef& tabellaVersamenti() {
    static const TableDef def{"Versamenti",
                              {{"Id", FieldType::Long},
                               {"NumeroHotel", FieldType::Short},
                               {"Data", FieldType::Text, 8},
                               {"Importo", FieldType::Currency},
                               {"DataDal", FieldType::Text, 8},
                               {"DataAl", FieldType::Text, 8},
                               {"Riferimento", FieldType::Text, 50},
                               {"Canale", FieldType::Text, 30},
                               {"Nota", FieldType::Text, 100}}};
    return def;
}

const TableDef& tabellaStruttura() {
    static const TableDef def{"Struttura",
                              {{"NumeroHotel", FieldType::Short},
                               {"Comune", FieldType::Text, 60},
                               {"CodiceComune", FieldType::Text, 10},
                               {"NomeStruttura", FieldType::Text, 100},
                               {"Tipologia", FieldType::Text, 60},
                               {"Classificazione", FieldType::Text, 30},
                               {"CodiceIdentificativo", FieldType::Text, 30},
                               {"Gestore", FieldType::Text, 100},
                               {"CodiceFiscaleGestore", FieldType::Text, 16}}};
    return def;
}

const TableDef& tabellaCategorieVoci() {
    static const TableDef def{"CategorieVoci",
                              {{"NumeroHotel", FieldType::Short},
                               {"Codice", FieldType::Short},
                               {"Categoria", FieldType::Text, 10},
                               {"Motivo", FieldType::Text, 100}}};
    return def;
}

namespace {

const std::string kFile = kFileDichiarazioni;

bool exists() {
    return db::databaseExists(kFile);
}

bool hasTable(const db::Database& d, const std::string& name) {
    for (const auto& t : d.tableNames())
        if (equalsNoCase(t, name)) return true;
    return false;
}

// The file opened for writing, created first when missing; a table missing
// from an existing file (made by hand, or by an older version) is added.
db::Database openForWriting() {
    PreparaDichiarazioni();
    db::Database d = db::Database::open(kFile, db::Database::Mode::ReadWrite);
    const auto schema = schemaDichiarazioni();
    const TableDef* defs[] = {&tabellaVersamenti(), &tabellaStruttura(), &tabellaCategorieVoci()};
    for (std::size_t i = 0; i < schema.size(); ++i)
        if (!hasTable(d, defs[i]->name)) d.execute(schema[i]);
    return d;
}

// The file opened for reading when it holds the table; nullopt otherwise.
// The system's own SQLite file is read directly, never through a cached copy.
std::optional<db::Database> openForReading(const std::string& table) {
    if (!exists()) return std::nullopt;
    db::Database d = db::Database::open(kFile, db::Database::Mode::ReadWrite);
    if (!hasTable(d, table)) return std::nullopt;
    return d;
}

std::string hotelCriterion(int hotel) {
    return "NumeroHotel = " + str(hotel);
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

}  // namespace

std::vector<std::string> schemaDichiarazioni() {
    return {db::createTableSql(tabellaVersamenti(), true), db::createTableSql(tabellaStruttura()),
            db::createTableSql(tabellaCategorieVoci())};
}

void PreparaDichiarazioni() {
    if (exists()) return;
    // Built under a temporary name and renamed, so that no half-made file
    // ever carries the name.
    const std::string temp = kFile + ".new-" + std::to_string(::getpid());
    std::error_code ec;
    fs::remove(temp, ec);
    sqlite3* h = nullptr;
    int rc = sqlite3_open_v2(temp.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string cause;
    if (rc == SQLITE_OK) {
        std::string script = "PRAGMA application_id = 1129469528; BEGIN;";
        for (const auto& s : schemaDichiarazioni()) script += s + ";";
        script += "COMMIT;";
        rc = sqlite3_exec(h, script.c_str(), nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) cause = h ? sqlite3_errmsg(h) : sqlite3_errstr(rc);
    sqlite3_close_v2(h);
    std::error_code renamed;
    if (rc == SQLITE_OK && !exists()) fs::rename(temp, kFile, renamed);
    fs::remove(temp, ec);
    if (rc != SQLITE_OK) throw db::DbError(kFile, "", "impossibile creare il database: " + cause);
    if (renamed)
        throw db::DbError(kFile, "", "impossibile creare il database: " + renamed.message());
}

// ------------------------------------------------------------ payments

std::optional<Currency> leggiImporto(std::string_view typed, std::string* motivo) {
    auto refuse = [&](const char* why) -> std::optional<Currency> {
        if (motivo) *motivo = why;
        return std::nullopt;
    };
    const std::string text = trim(typed);
    if (text.empty()) return refuse("importo mancante");
    if (text[0] == '-') return refuse("deve essere maggiore di zero");
    std::string whole, decimals;
    if (const auto comma = text.find(','); comma != std::string::npos) {
        // Decimal comma: the dots before it, if any, group the thousands.
        whole = text.substr(0, comma);
        decimals = text.substr(comma + 1);
        if (whole.find('.') != std::string::npos) {
            // "1.234" and "12.345.678": a first group of one to three
            // digits, then groups of exactly three.
            std::string plain;
            std::size_t from = 0;
            bool placed = true;
            for (bool first = true;; first = false) {
                const std::size_t dot = whole.find('.', from);
                const std::string group =
                    whole.substr(from, dot == std::string::npos ? std::string::npos : dot - from);
                if (first ? (group.empty() || group.size() > 3) : group.size() != 3) placed = false;
                plain += group;
                if (dot == std::string::npos) break;
                from = dot + 1;
            }
            if (!placed) return refuse("punti delle migliaia fuori posto (es. 1.234,50)");
            whole = plain;
        }
    } else if (const auto dot = text.find('.'); dot != std::string::npos) {
        if (text.find('.', dot + 1) != std::string::npos)
            return refuse("i punti delle migliaia vanno con la virgola decimale (es. 1.234,50)");
        whole = text.substr(0, dot);
        decimals = text.substr(dot + 1);
        // "1.234" reads as thousands to an Italian eye and as decimals to
        // others: refused rather than guessed.
        if (decimals.size() == 3 && allDigits(decimals))
            return refuse("ambiguo: per le migliaia scrivere ad es. 1.234,00 o 1234");
    } else {
        whole = text;
    }
    if (!allDigits(whole)) return refuse("si scrive ad es. 1234,50, 1234.50 o 1.234,50");
    if (text.find_first_of(",.") != std::string::npos && !allDigits(decimals))
        return refuse("si scrive ad es. 1234,50, 1234.50 o 1.234,50");
    if (decimals.size() > 2) return refuse("al massimo due decimali");
    if (whole.size() > 9) return refuse("importo troppo grande");
    std::int64_t euros = std::stoll(whole);
    std::int64_t cents = decimals.empty() ? 0 : std::stoll(decimals);
    if (decimals.size() == 1) cents *= 10;
    const Currency value = Currency::fromUnits(euros * Currency::kScale + cents * 100);
    if (value <= Currency()) return refuse("deve essere maggiore di zero");
    return value;
}

std::int64_t aggiungiVersamento(const Versamento& v, int hotel) {
    db::Database d = openForWriting();
    std::int64_t id = 0;
    d.transaction([&] {
        auto rs = d.openRecordset("Select * From Versamenti Where Id = 0");
        rs.addNew();
        rs.setField("NumeroHotel", hotel);
        rs.setField("Data", DataSql(v.data));
        rs.setField("Importo", v.importo);
        rs.setField("DataDal", DataSql(v.dal));
        rs.setField("DataAl", DataSql(v.al));
        rs.setField("Riferimento", v.riferimento);
        rs.setField("Canale", v.canale);
        rs.setField("Nota", v.nota);
        rs.update();
        auto last = d.openRecordset("Select Max(Id) As Ultimo From Versamenti");
        id = last.field("Ultimo").toInt();
    });
    return id;
}

std::vector<Versamento> leggiVersamenti(int hotel) {
    std::vector<Versamento> out;
    auto d = openForReading("Versamenti");
    if (!d) return out;
    auto rs = d->openRecordset("Select * From Versamenti Where " + hotelCriterion(hotel) +
                               " Order by Data, Id");
    for (; !rs.eof(); rs.moveNext()) {
        Versamento v;
        v.id = rs.field("Id").toInt();
        v.data = DataDaSql(rs.field("Data").toText());
        v.importo = rs.field("Importo").toCurrency();
        v.dal = DataDaSql(rs.field("DataDal").toText());
        v.al = DataDaSql(rs.field("DataAl").toText());
        v.riferimento = rs.field("Riferimento").toText();
        v.canale = rs.field("Canale").toText();
        v.nota = rs.field("Nota").toText();
        out.push_back(std::move(v));
    }
    return out;
}

bool eliminaVersamento(std::int64_t id, int hotel) {
    if (!openForReading("Versamenti")) return false;
    db::Database d = openForWriting();
    auto rs = d.openRecordset("Select * From Versamenti Where " + hotelCriterion(hotel) +
                              " and Id = " + str(id));
    if (rs.eof()) return false;
    rs.deleteCurrent();
    return true;
}

// ------------------------------------------------------------ structure

const std::vector<CampoStruttura>& campiStruttura() {
    static const std::vector<CampoStruttura> fields = {
        {"comune", "Comune", "Comune", 60, &Struttura::comune},
        {"codice-comune", "CodiceComune", "Codice del comune", 10, &Struttura::codiceComune},
        {"struttura", "NomeStruttura", "Nome della struttura", 100, &Struttura::nomeStruttura},
        {"tipologia", "Tipologia", "Tipologia", 60, &Struttura::tipologia},
        {"classificazione", "Classificazione", "Classificazione", 30, &Struttura::classificazione},
        {"codice", "CodiceIdentificativo", "Codice identificativo della struttura", 30,
         &Struttura::codiceIdentificativo},
        {"gestore", "Gestore", "Gestore", 100, &Struttura::gestore},
        {"codice-fiscale", "CodiceFiscaleGestore", "Codice fiscale del gestore", 16,
         &Struttura::codiceFiscaleGestore},
    };
    return fields;
}

bool codiceFiscaleValido(const std::string& code) {
    if (code.empty()) return true;
    bool digits = true;
    for (char c : code) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
        if (!std::isdigit(static_cast<unsigned char>(c))) digits = false;
    }
    return code.size() == 16 || (code.size() == 11 && digits);
}

Struttura leggiStruttura(int hotel) {
    Struttura s;
    auto d = openForReading("Struttura");
    if (!d) return s;
    auto rs = d->openRecordset("Select * From Struttura Where " + hotelCriterion(hotel));
    if (rs.eof()) return s;
    for (const auto& f : campiStruttura()) s.*f.membro = rs.field(f.colonna).toText();
    return s;
}

void salvaStruttura(const Struttura& s, int hotel) {
    db::Database d = openForWriting();
    d.transaction([&] {
        auto rs = d.openRecordset("Select * From Struttura Where " + hotelCriterion(hotel));
        if (rs.eof()) {
            rs.addNew();
            rs.setField("NumeroHotel", hotel);
        } else {
            rs.edit();
        }
        for (const auto& f : campiStruttura()) rs.setField(f.colonna, s.*f.membro);
        rs.update();
    });
}

// ------------------------------------------------------------ item categories

const char* nomeCategoria(Categoria c) {
    switch (c) {
        case Categoria::Piena:
            return "piena";
        case Categoria::Ridotta:
            return "ridotta";
        case Categoria::Esente:
            return "esente";
        case Categoria::Esclusa:
            return "esclusa";
    }
    return "";
}

std::optional<Categoria> categoriaDaNome(std::string_view stored) {
    for (Categoria c :
         {Categoria::Piena, Categoria::Ridotta, Categoria::Esente, Categoria::Esclusa}) {
        if (equalsNoCase(trim(stored), nomeCategoria(c))) return c;
    }
    return std::nullopt;
}

CategoriaMancante::CategoriaMancante(int codice, const std::string& descrizione)
    : ReportError("la voce d'imposta " + std::to_string(codice) +
                  (trim(descrizione).empty() ? "" : " (" + cp1252ToUtf8(trim(descrizione)) + ")") +
                  " non ha una categoria: indicarla nelle impostazioni (corvex settings category "
                  "--item " +
                  std::to_string(codice) + " --category full|reduced|exempt|excluded)"),
      codice_(codice) {}

std::vector<CategoriaVoce> leggiCategorieVoci(int hotel) {
    std::vector<CategoriaVoce> out;
    // What Generale names, in this order of precedence when one code fills
    // several of its fields.
    struct Named {
        const char* field;
        Categoria categoria;
        std::string motivo;
        int code = 0;
    };
    std::vector<Named> named = {{"CodStd", Categoria::Piena, ""},
                                {"CodFEta", Categoria::Ridotta, "fascia di età"},
                                {"CodMin", Categoria::Esente, "minori"},
                                {"CodRes", Categoria::Esente, "residenti"},
                                {"CodGrp", Categoria::Esente, "gruppi"},
                                {"CodGGMax", Categoria::Esclusa, "oltre il massimo di notti"}};
    {
        db::Database ids = db::Database::open("IdS.mdb", db::Database::Mode::ReadOnly);
        auto g = ids.openRecordset("Select * From Generale Where " + hotelCriterion(hotel));
        if (!g.eof()) {
            for (auto& n : named) n.code = static_cast<int>(g.field(n.field).toInt());
            const std::int64_t da = g.field("EtaDa").toInt(), a = g.field("EtaFinoA").toInt();
            if (da > 0 || a > 0) named[1].motivo = "età da " + str(da) + " a " + str(a) + " anni";
            const std::int64_t max = g.field("GGMax").toInt();
            if (max > 0) named[5].motivo = "oltre " + str(max) + " notti";
        }
        auto v = ids.openRecordset("Select * From VociIdS Where " + hotelCriterion(hotel) +
                                   " Order by Codice");
        std::set<int> seen;
        for (; !v.eof(); v.moveNext()) {
            CategoriaVoce c;
            c.codice = static_cast<int>(v.field("Codice").toInt());
            if (!seen.insert(c.codice).second) continue;
            c.descrizione = trim(v.field("Descrizione").toText());
            for (const auto& n : named) {
                if (n.code > 0 && n.code == c.codice) {
                    c.categoria = n.categoria;
                    c.motivo = cp(n.motivo);
                    c.origine = std::string("Generale.") + n.field;
                    break;
                }
            }
            out.push_back(std::move(c));
        }
    }
    if (auto d = openForReading("CategorieVoci")) {
        auto rs = d->openRecordset("Select * From CategorieVoci Where " + hotelCriterion(hotel) +
                                   " Order by Codice");
        for (auto& c : out) {
            if (c.categoria) continue;
            if (!rs.findFirst("Codice = " + str(c.codice))) continue;
            c.categoria = categoriaDaNome(rs.field("Categoria").toText());
            if (!c.categoria) continue;  // a name this version does not know counts as none
            c.motivo = trim(rs.field("Motivo").toText());
            c.origine = "CategorieVoci";
        }
    }
    return out;
}

std::vector<CategoriaVoce> categorieVoci(int hotel) {
    auto out = leggiCategorieVoci(hotel);
    for (const auto& c : out)
        if (!c.categoria) throw CategoriaMancante(c.codice, c.descrizione);
    return out;
}

void salvaCategoriaVoce(int codice, Categoria c, const std::string& motivo, int hotel) {
    db::Database d = openForWriting();
    d.transaction([&] {
        auto rs = d.openRecordset("Select * From CategorieVoci Where " + hotelCriterion(hotel) +
                                  " and Codice = " + str(codice));
        if (rs.eof()) {
            rs.addNew();
            rs.setField("NumeroHotel", hotel);
            rs.setField("Codice", codice);
        } else {
            rs.edit();
        }
        rs.setField("Categoria", nomeCategoria(c));
        rs.setField("Motivo", motivo);
        rs.update();
    });
}

}  // namespace corvex
