#include "support/data_folder.h"

#include <sqlite3.h>
#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include <gtest/gtest.h>

#include "common/text.h"

namespace corvex::test {

namespace fs = std::filesystem;

namespace {

const char* kEnvVars[] = {"PCLocal", "DirKV", "DIRKV", "CORVEX_NOW"};

// The engine keeps indexed copies of every database it reads in its cache
// folder. Tests make thousands of short-lived data folders, so a test run
// gets a cache folder of its own, removed when the run ends, unless the
// caller chose one with CORVEX_CACHE.
class PrivateCache : public ::testing::Environment {
  public:
    void SetUp() override {
        if (std::getenv("CORVEX_CACHE") != nullptr) return;
        std::string tmpl = (fs::temp_directory_path() / "corvex-test-cache-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) return;
        dir_ = tmpl;
        ::setenv("CORVEX_CACHE", dir_.c_str(), 1);
    }
    void TearDown() override {
        if (dir_.empty()) return;
        std::error_code ec;
        fs::remove_all(dir_, ec);
        ::unsetenv("CORVEX_CACHE");
    }

  private:
    std::string dir_;
};

[[maybe_unused]] ::testing::Environment* const privateCache =
    ::testing::AddGlobalTestEnvironment(new PrivateCache);

const std::map<std::string, std::string>& layouts() {
    static const std::map<std::string, std::string> tables = {
        {"Scheda_Cliente",
         "NumeroHotel SHORT, IdUser TEXT(20), NumeroProgressivo LONG, NumeroSchedina LONG, "
         "NumeroComponente SHORT, CodiceClienteAbituale LONG, CodiceDittaAbituale LONG, "
         "NumeroCamera TEXT(6), DataArrivo TEXT(8), DataPartenza TEXT(8), NomeCliente TEXT(100), "
         "LuogoNascita TEXT(100), DataNascita TEXT(8), TipoDocumento TEXT(6), NumeroDocumento "
         "TEXT(30), "
         "AutoritaRilascioDocumento TEXT(100), DataRilascioDocumento TEXT(8), Residenza TEXT(100), "
         "Indirizzo TEXT(100), Provincia TEXT(3), Nazione TEXT(6), Stato TEXT(6), Sesso TEXT(1), "
         "CAP TEXT(8), Lingua TEXT(5), TipoCliente TEXT(100), CodiceAgenzia LONG, CodiceAgente "
         "LONG, "
         "OraArrivo SHORT, OraPartenza SHORT, DescAgenzia TEXT(100), Partito TEXT(1), "
         "DataPartenzaReale TEXT(8), ContoAutomatico SHORT, CapoFamiglia TEXT(1), CapoGruppo "
         "TEXT(1), "
         "CodiceCapoFamiglia LONG, CodiceCapoGruppo LONG, Commento TEXT(100), AddebitoPeriodico "
         "SHORT, "
         "ContoExtra SHORT, ConsensoPrivacy TEXT(1), ConsensoPrivacyMail TEXT(1), "
         "NumeroPrenotazione LONG, ChkOut SHORT, OffertaS TEXT(6), NVoucher TEXT(50), "
         "CodiceCapoCamera LONG, Food SHORT, Beverage SHORT, CodConta SHORT, TipoPagamento "
         "TEXT(40), "
         "Email TEXT(100), CodIDS SHORT"},
        {"Conto_Cliente",
         "NumeroHotel SHORT, NumeroRiga LONG, CodiceCliente LONG, VoceAddebito SHORT, "
         "DataAddebito TEXT(8), NumeroCamera TEXT(6), Descrizione TEXT(100), Quantità LONG, "
         "Importo CURRENCY"},
        {"VociFattura",
         "NumeroHotel SHORT, Codice SHORT, Descrizione TEXT(40), Reparto TEXT(10), Importo "
         "CURRENCY, "
         "AliquotaIva CURRENCY"},
        {"AnagraficaHotels",
         "NumeroHotel SHORT, Numero SHORT, RagioneSociale TEXT(100), CodiceAssistenza TEXT(20)"},
        {"DatiFattura",
         "NumeroHotel SHORT, DataEmissione TEXT(8), TipoDocumento TEXT(10), NDocumento LONG, "
         "Contatore SHORT, NCamera TEXT(6), NomeCliente TEXT(100), NPersone SHORT, DataArrivo "
         "TEXT(8), "
         "DataPartenza TEXT(8), FormaPagamento TEXT(40), Totale CURRENCY, CorrPagato CURRENCY, "
         "CorrNonPagato CURRENCY, Annullato TEXT(1), AnnullatoDaRiep TEXT(1), RiepAcc TEXT(1), "
         "SPPA TEXT(1), Stato TEXT(6), CFiscale TEXT(16), PIva TEXT(11), Note TEXT(100)"},
        {"DettaglioFattura",
         "NumeroHotel SHORT, DataEmissione TEXT(8), TipoDocumento TEXT(10), NDocumento LONG, "
         "Contatore SHORT, NumeroRiga LONG, CodiceVoce SHORT, Descrizione TEXT(100), Quantità "
         "LONG, "
         "Importo CURRENCY, DataAddebito TEXT(8), Iva SHORT"},
        {"Incassi",
         "NumeroHotel SHORT, DataEmissione TEXT(8), TipoDocumento TEXT(10), NDocumento LONG, "
         "Contatore SHORT, NumeroRiga LONG, Sigla TEXT(10), Importo CURRENCY, Nota TEXT(100)"},
        {"ScorporoFattura",
         "NumeroHotel SHORT, DataEmissione TEXT(8), TipoDocumento TEXT(10), NDocumento LONG, "
         "Contatore SHORT, CodiceIva SHORT, Imponibile CURRENCY, Imposta CURRENCY"},
        {"CodiciIva", "NumeroHotel SHORT, Codice SHORT, Descrizione TEXT(40), Valore CURRENCY"},
        {"CodiciVari",
         "NumeroHotel SHORT, Tipo SHORT, Sigla TEXT(10), Descrizione TEXT(40), Nazione TEXT(10)"},
        {"Dettaglio",
         "NumeroHotel SHORT, Tipo TEXT(20), Dettaglio TEXT(20), DataInserimento TEXT(8), Valore "
         "DOUBLE"},
        {"Stampanti",
         "NumeroHotel SHORT, Destinazione TEXT(40), Linea TEXT(100), TipoStampa TEXT(6)"},
        {"SetStampa", "TipoStampa SHORT, Compresso TEXT(36), Grassetto TEXT(36)"},
        {"Contatori", "NumeroHotel SHORT, LungPagComp SHORT, LungPagNoComp SHORT"},
        {"Generale",
         "NumeroHotel SHORT, CodiceIva SHORT, GGMax SHORT, CodGGMax SHORT, NConto SHORT, CodMin "
         "SHORT, "
         "EtaMin SHORT, CodGrp SHORT, CodRes SHORT, DesRes TEXT(100), CodStd SHORT, CodFEta SHORT, "
         "EtaDa SHORT, EtaFinoA SHORT"},
        {"VociIdS", "NumeroHotel SHORT, Codice SHORT, Descrizione TEXT(40)"},
        {"Periodi",
         "NumeroHotel SHORT, Codice SHORT, DataInizio TEXT(8), DataFine TEXT(8), Valore CURRENCY"},
    };
    return tables;
}

// Adds COLLATE NOCASE to every text column, as the suite's files declare them.
std::string declared(const std::string& columns) {
    std::string out;
    std::size_t start = 0;
    while (start < columns.size()) {
        std::size_t comma = columns.find(", ", start);
        std::string col =
            columns.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (col.find(" TEXT") != std::string::npos || col.find(" LONGTEXT") != std::string::npos) {
            col += " COLLATE NOCASE";
        }
        if (!out.empty()) out += ", ";
        out += col;
        if (comma == std::string::npos) break;
        start = comma + 2;
    }
    return out;
}

struct Db {
    sqlite3* h = nullptr;
    explicit Db(const std::string& file) {
        if (sqlite3_open(file.c_str(), &h) != SQLITE_OK) {
            throw std::runtime_error("cannot open " + file);
        }
    }
    ~Db() { sqlite3_close(h); }
    void exec(const std::string& sql) const {
        char* err = nullptr;
        if (sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string msg = err ? err : "?";
            sqlite3_free(err);
            throw std::runtime_error("sqlite: " + msg + " in: " + sql);
        }
    }
    bool hasTable(const std::string& table) const {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(h, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1", -1, &st,
                           nullptr);
        sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_TRANSIENT);
        const bool found = sqlite3_step(st) == SQLITE_ROW;
        sqlite3_finalize(st);
        return found;
    }
};

}  // namespace

std::string suiteColumns(const std::string& table) {
    if (table == "SchClienti") return layouts().at("Scheda_Cliente");
    const auto it = layouts().find(table);
    if (it == layouts().end()) throw std::runtime_error("unknown suite table " + table);
    return it->second;
}

TempDataFolder::TempDataFolder() {
    std::string tmpl = (fs::temp_directory_path() / "corvex-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
    previous_ = fs::current_path().string();
    fs::current_path(path_);
    for (const char* name : kEnvVars) {
        const char* v = std::getenv(name);
        savedEnv_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        ::unsetenv(name);
    }
}

TempDataFolder::~TempDataFolder() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
    for (const auto& [name, value] : savedEnv_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

void TempDataFolder::writeFile(const std::string& name, std::string_view bytes) const {
    std::ofstream out(fs::path(path_) / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDataFolder::readFile(const std::string& name) const {
    std::ifstream in(fs::path(path_) / name, std::ios::binary);
    if (!in) return {};
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool TempDataFolder::exists(const std::string& name) const {
    return fs::exists(fs::path(path_) / name);
}

void createSuiteTable(const std::string& file, const std::string& table) {
    Db db(file);
    if (db.hasTable(table)) return;
    db.exec("CREATE TABLE \"" + table + "\" (" + declared(suiteColumns(table)) + ")");
}

void insertRow(const std::string& file, const std::string& table,
               std::initializer_list<Column> row) {
    createSuiteTable(file, table);
    Db db(file);
    std::string names, marks;
    for (const auto& c : row) {
        if (!names.empty()) {
            names += ", ";
            marks += ", ";
        }
        names += "\"" + std::string(c.name) + "\"";
        marks += "?";
    }
    const std::string sql = "INSERT INTO \"" + table + "\" (" + names + ") VALUES (" + marks + ")";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.h, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db.h) + " in: " + sql);
    }
    int i = 1;
    for (const auto& c : row) {
        if (const auto* n = std::get_if<std::int64_t>(&c.value)) {
            sqlite3_bind_int64(st, i, *n);
        } else if (const auto* d = std::get_if<double>(&c.value)) {
            sqlite3_bind_double(st, i, *d);
        } else if (const auto* s = std::get_if<std::string>(&c.value)) {
            sqlite3_bind_text(st, i, s->c_str(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_null(st, i);
        }
        ++i;
    }
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw std::runtime_error("insert into " + table + " failed");
}

void runSql(const std::string& file, const std::string& sql) {
    Db(file).exec(sql);
}

std::string crlf(std::initializer_list<std::string_view> lines) {
    std::string out;
    for (auto l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

std::string utf8(std::string_view cp1252) {
    return cp1252ToUtf8(cp1252);
}

}  // namespace corvex::test
