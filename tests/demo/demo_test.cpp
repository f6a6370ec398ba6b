#include "demo/demo.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using corvex::demo::Options;
using corvex::demo::Size;

namespace {

// A fresh temporary folder, removed at the end.
class TempDir {
  public:
    explicit TempDir(const std::string& tag) {
        static int counter = 0;
        path_ =
            fs::temp_directory_path() / ("corvex-demo-" + tag + "-" + std::to_string(::getpid()) +
                                         "-" + std::to_string(++counter));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

// Read-only access to one file of the folder through sqlite3 itself.
class Db {
  public:
    explicit Db(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path;
        }
    }
    ~Db() { sqlite3_close(db_); }

    // All rows of a query, each column as text ("NULL" for a null).
    std::vector<std::vector<std::string>> rows(const std::string& sql) const {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sqlite3_errmsg(db_) << " in " << sql;
            return out;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> r;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const auto* t = sqlite3_column_text(st, i);
                r.push_back(t ? reinterpret_cast<const char*>(t) : "NULL");
            }
            out.push_back(r);
        }
        sqlite3_finalize(st);
        return out;
    }
    std::string value(const std::string& sql) const {
        auto r = rows(sql);
        return r.empty() || r[0].empty() ? std::string() : r[0][0];
    }
    long long count(const std::string& sql) const { return std::stoll(value(sql)); }

  private:
    sqlite3* db_ = nullptr;
};

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(DemoGenerate, SmallFolderHasEveryFile) {
    TempDir dir("files");
    corvex::demo::generate(dir.path().string(), {Size::Small, 1});
    for (const char* name :
         {"Scheda_Cliente.mdb", "SchedaStoricoClienti.mdb", "Conto_Cliente.mdb",
          "ContoStoricoClienti.mdb", "VociFattura.mdb", "AnagraficaHotels.mdb", "Fatture.mdb",
          "CodiciIva.mdb", "CodiciVari.mdb", "Dettaglio.mdb", "Stampanti.mdb", "Contatori.mdb",
          "IdS.mdb", "IdSDichiarazioni.mdb", "CorrSetup.txt", "Parametri.txt"}) {
        EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
    }
}

TEST(DemoGenerate, SameSeedGivesIdenticalBytes) {
    TempDir a("same-a"), b("same-b"), c("other");
    corvex::demo::generate(a.path().string(), {Size::Small, 7});
    corvex::demo::generate(b.path().string(), {Size::Small, 7});
    corvex::demo::generate(c.path().string(), {Size::Small, 8});
    int files = 0;
    for (const auto& entry : fs::directory_iterator(a.path())) {
        const auto name = entry.path().filename();
        EXPECT_EQ(bytesOf(entry.path()), bytesOf(b.path() / name)) << name;
        ++files;
    }
    EXPECT_EQ(files, 16);
    EXPECT_NE(bytesOf(a.path() / "Scheda_Cliente.mdb"), bytesOf(c.path() / "Scheda_Cliente.mdb"));
}

// ----------------------------------------------------------------------------
// The content of one small folder, generated once for the checks below.

class DemoSmall : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir("content");
        corvex::demo::generate(dir_->path().string(), {Size::Small, 1});
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static Db db(const std::string& name) { return Db(dir_->file(name)); }
    static std::string file(const std::string& name) { return dir_->file(name); }

    static TempDir* dir_;
};

TempDir* DemoSmall::dir_ = nullptr;

// Declared layout of every table: "name TYPE" per column, in order.
std::string layout(const Db& db, const std::string& table) {
    std::string out;
    for (const auto& r : db.rows("SELECT name, type FROM pragma_table_info('" + table + "')")) {
        out += (out.empty() ? "" : ", ") + r[0] + " " + r[1];
    }
    return out;
}

TEST_F(DemoSmall, EveryTableHasTheSuiteLayout) {
    const std::string key =
        "NumeroHotel SHORT, DataEmissione TEXT(8), TipoDocumento TEXT(10), NDocumento LONG, "
        "Contatore SHORT, ";
    const std::string conto =
        "NumeroHotel SHORT, NumeroRiga LONG, CodiceCliente LONG, VoceAddebito SHORT, "
        "DataAddebito TEXT(8), NumeroCamera TEXT(6), Descrizione TEXT(100), "
        "Quantit\xC3\xA0 LONG, Importo CURRENCY";
    const struct {
        const char* file;
        const char* table;
        std::string columns;
    } expected[] = {
        {"Conto_Cliente.mdb", "Conto_Cliente", conto},
        {"ContoStoricoClienti.mdb", "Conto_Cliente", conto},
        {"VociFattura.mdb", "VociFattura",
         "NumeroHotel SHORT, Codice SHORT, Descrizione TEXT(40), Reparto TEXT(10), "
         "Importo CURRENCY, AliquotaIva CURRENCY"},
        {"AnagraficaHotels.mdb", "AnagraficaHotels",
         "NumeroHotel SHORT, Numero SHORT, RagioneSociale TEXT(100), CodiceAssistenza TEXT(20)"},
        {"Fatture.mdb", "DatiFattura",
         key + "NCamera TEXT(6), NomeCliente TEXT(100), NPersone SHORT, DataArrivo TEXT(8), "
               "DataPartenza TEXT(8), FormaPagamento TEXT(40), Totale CURRENCY, "
               "CorrPagato CURRENCY, CorrNonPagato CURRENCY, Annullato TEXT(1), "
               "AnnullatoDaRiep TEXT(1), RiepAcc TEXT(1), SPPA TEXT(1), Stato TEXT(6), "
               "CFiscale TEXT(16), PIva TEXT(11), Note TEXT(100)"},
        {"Fatture.mdb", "DettaglioFattura",
         key + "NumeroRiga LONG, CodiceVoce SHORT, Descrizione TEXT(100), "
               "Quantit\xC3\xA0 LONG, Importo CURRENCY, DataAddebito TEXT(8), Iva SHORT"},
        {"Fatture.mdb", "Incassi",
         key + "NumeroRiga LONG, Sigla TEXT(10), Importo CURRENCY, Nota TEXT(100)"},
        {"Fatture.mdb", "ScorporoFattura",
         key + "CodiceIva SHORT, Imponibile CURRENCY, Imposta CURRENCY"},
        {"CodiciIva.mdb", "CodiciIva",
         "NumeroHotel SHORT, Codice SHORT, Descrizione TEXT(40), Valore CURRENCY"},
        {"CodiciVari.mdb", "CodiciVari",
         "NumeroHotel SHORT, Tipo SHORT, Sigla TEXT(10), Descrizione TEXT(40), "
         "Nazione TEXT(10)"},
        {"Dettaglio.mdb", "Dettaglio",
         "NumeroHotel SHORT, Tipo TEXT(20), Dettaglio TEXT(20), DataInserimento TEXT(8), "
         "Valore DOUBLE"},
        {"Stampanti.mdb", "Stampanti",
         "NumeroHotel SHORT, Destinazione TEXT(40), Linea TEXT(100), TipoStampa TEXT(6)"},
        {"Stampanti.mdb", "SetStampa", "TipoStampa SHORT, Compresso TEXT(36), Grassetto TEXT(36)"},
        {"Contatori.mdb", "Contatori", "NumeroHotel SHORT, LungPagComp SHORT, LungPagNoComp SHORT"},
        {"IdS.mdb", "Generale",
         "NumeroHotel SHORT, CodiceIva SHORT, GGMax SHORT, CodGGMax SHORT, NConto SHORT, "
         "CodMin SHORT, EtaMin SHORT, CodGrp SHORT, CodRes SHORT, DesRes TEXT(100), "
         "CodStd SHORT, CodFEta SHORT, EtaDa SHORT, EtaFinoA SHORT"},
        {"IdS.mdb", "VociIdS", "NumeroHotel SHORT, Codice SHORT, Descrizione TEXT(40)"},
        {"IdS.mdb", "Periodi",
         "NumeroHotel SHORT, Codice SHORT, DataInizio TEXT(8), DataFine TEXT(8), "
         "Valore CURRENCY"},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(layout(db(e.file), e.table), e.columns) << e.file << " " << e.table;
    }
    for (const char* name : {"Scheda_Cliente.mdb", "SchedaStoricoClienti.mdb"}) {
        const std::string cols = layout(db(name), "Scheda_Cliente");
        EXPECT_EQ(std::count(cols.begin(), cols.end(), ',') + 1, 54) << name;
        EXPECT_EQ(cols.find("NumeroHotel SHORT, IdUser TEXT(20), NumeroProgressivo LONG, "), 0u);
        EXPECT_NE(cols.find("DataPartenzaReale TEXT(8), ContoAutomatico SHORT"), std::string::npos);
        EXPECT_NE(cols.find("Email TEXT(100), CodIDS SHORT"), std::string::npos);
    }
}

TEST_F(DemoSmall, TextColumnsCompareWithoutCaseAndFilesHoldTablesOnly) {
    for (const auto& entry : fs::directory_iterator(dir_->path())) {
        if (entry.path().extension() != ".mdb") continue;
        const Db d(entry.path().string());
        EXPECT_EQ(d.count("SELECT count(*) FROM sqlite_master WHERE type <> 'table'"), 0)
            << entry.path();
        // No text is wider than its column.
        for (const auto& t : d.rows("SELECT name FROM sqlite_master")) {
            for (const auto& c : d.rows("SELECT name, type FROM pragma_table_info('" + t[0] +
                                        "') WHERE type LIKE 'TEXT(%'")) {
                const std::string width = c[1].substr(5, c[1].size() - 6);
                EXPECT_EQ(d.count("SELECT count(*) FROM \"" + t[0] + "\" WHERE length(\"" + c[0] +
                                  "\") > " + width),
                          0)
                    << entry.path().filename() << " " << t[0] << "." << c[0];
            }
        }
        for (const auto& r : d.rows("SELECT sql FROM sqlite_master")) {
            // Every TEXT(n) is followed by COLLATE NOCASE.
            std::size_t at = 0;
            while ((at = r[0].find("TEXT(", at)) != std::string::npos) {
                const std::size_t close = r[0].find(')', at);
                EXPECT_EQ(r[0].compare(close + 1, 15, " COLLATE NOCASE"), 0) << r[0];
                at = close;
            }
        }
    }
}

TEST_F(DemoSmall, LayoutAgreesWithTheSharedFixture) {
    const fs::path fixture = fs::path(CORVEX_SHARED_DIR) / "fixtures/jet-hotel/sqlite";
    if (!fs::exists(fixture)) GTEST_SKIP() << "no shared fixture at " << fixture;
    for (const auto& entry : fs::directory_iterator(fixture)) {
        const std::string name = entry.path().filename().string();
        const Db theirs(entry.path().string()), ours(file(name));
        EXPECT_EQ(ours.rows("SELECT name, sql FROM sqlite_master ORDER BY name"),
                  theirs.rows("SELECT name, sql FROM sqlite_master ORDER BY name"))
            << name;
    }
}

TEST_F(DemoSmall, GuestRegisterHasTheCasesTheReportsMeet) {
    const Db live = db("Scheda_Cliente.mdb");
    const Db archive = db("SchedaStoricoClienti.mdb");
    const auto p = corvex::demo::profile(Size::Small);
    const std::string cut =
        p.archivioPrima.substr(6, 4) + p.archivioPrima.substr(3, 2) + p.archivioPrima.substr(0, 2);
    // Guests in house on the last day: not departed, no real departure.
    EXPECT_GT(live.count("SELECT count(*) FROM Scheda_Cliente WHERE Partito = 'N'"), 0);
    EXPECT_EQ(live.count("SELECT count(*) FROM Scheda_Cliente WHERE Partito = 'N' AND "
                         "DataPartenzaReale IS NOT NULL"),
              0);
    EXPECT_EQ(live.count("SELECT count(*) FROM Scheda_Cliente WHERE Partito = 'N' AND "
                         "DataPartenza <= '20251231'"),
              0);
    // Departed before the archive day: in the archive only, and every one departed.
    EXPECT_GT(archive.count("SELECT count(*) FROM Scheda_Cliente"), 0);
    EXPECT_EQ(archive.count("SELECT count(*) FROM Scheda_Cliente WHERE Partito <> 'S' OR "
                            "DataPartenzaReale >= '" +
                            cut + "'"),
              0);
    EXPECT_EQ(
        live.count("SELECT count(*) FROM Scheda_Cliente WHERE DataPartenzaReale < '" + cut + "'"),
        0);
    const std::string both =
        "SELECT * FROM Scheda_Cliente UNION ALL SELECT * FROM a.Scheda_Cliente";
    Db all(file("Scheda_Cliente.mdb"));
    all.rows("ATTACH '" + file("SchedaStoricoClienti.mdb") + "' AS a");
    auto any = [&](const std::string& where) {
        return all.count("SELECT count(*) FROM (" + both + ") WHERE " + where);
    };
    EXPECT_GT(any("instr(Lingua, '*') > 0"), 0);
    EXPECT_GT(any("NomeCliente LIKE '^%'"), 0);
    EXPECT_GT(any("CodIDS = 502"), 0);  // minors
    EXPECT_GT(any("CodIDS = 503 AND Residenza = 'Lucca'"), 0);
    EXPECT_GT(any("julianday(substr(DataPartenzaReale,1,4)||'-'||substr(DataPartenzaReale,5,2)"
                  "||'-'||substr(DataPartenzaReale,7,2)) - julianday(substr(DataArrivo,1,4)"
                  "||'-'||substr(DataArrivo,5,2)||'-'||substr(DataArrivo,7,2)) > 7"),
              0);
    // Non-ASCII names are UTF-8 text.
    EXPECT_GT(any("length(NomeCliente) < length(CAST(NomeCliente AS BLOB))"), 0);
    // Group leaders point to themselves; their members point to them.
    EXPECT_GT(any("CapoGruppo = 'S' AND CodiceCapoGruppo = NumeroProgressivo"), 0);
    EXPECT_EQ(any("CodiceCapoGruppo > 0 AND CodiceCapoGruppo NOT IN (SELECT NumeroProgressivo "
                  "FROM (" +
                  both + ") WHERE CapoGruppo = 'S')"),
              0);
    EXPECT_GT(any("CapoGruppo = 'N' AND CodiceCapoGruppo > 0"), 0);
    // Keys are unique across both files; rows come in arrival order.
    EXPECT_EQ(all.count("SELECT count(*) - count(DISTINCT NumeroProgressivo) FROM (" + both + ")"),
              0);
    EXPECT_EQ(live.count("SELECT count(*) FROM Scheda_Cliente s WHERE EXISTS (SELECT 1 FROM "
                         "Scheda_Cliente t WHERE t.rowid > s.rowid AND t.DataArrivo < "
                         "s.DataArrivo)"),
              0);
}

TEST_F(DemoSmall, ChargesFollowTheirGuestAndCarryTheTax) {
    Db c(file("Conto_Cliente.mdb"));
    c.rows("ATTACH '" + file("ContoStoricoClienti.mdb") + "' AS ca");
    c.rows("ATTACH '" + file("Scheda_Cliente.mdb") + "' AS s");
    c.rows("ATTACH '" + file("SchedaStoricoClienti.mdb") + "' AS sa");
    c.rows("ATTACH '" + file("VociFattura.mdb") + "' AS v");
    // Live charges belong to live guests, archived charges to archived guests.
    EXPECT_EQ(c.count("SELECT count(*) FROM main.Conto_Cliente WHERE CodiceCliente NOT IN "
                      "(SELECT NumeroProgressivo FROM s.Scheda_Cliente)"),
              0);
    EXPECT_EQ(c.count("SELECT count(*) FROM ca.Conto_Cliente WHERE CodiceCliente NOT IN "
                      "(SELECT NumeroProgressivo FROM sa.Scheda_Cliente)"),
              0);
    EXPECT_GT(c.count("SELECT count(*) FROM ca.Conto_Cliente"), 0);
    EXPECT_EQ(c.count("SELECT count(*) FROM main.Conto_Cliente WHERE DataAddebito > '20251231'"),
              0);
    // Tourist-tax items of department IDS: paying lines and exempt lines at 0.
    EXPECT_EQ(c.value("SELECT group_concat(Codice) FROM (SELECT Codice FROM v.VociFattura WHERE "
                      "Reparto = 'IDS' ORDER BY Codice)"),
              "501,502,503,504");
    const std::string tax =
        "SELECT VoceAddebito, Importo FROM main.Conto_Cliente UNION ALL SELECT VoceAddebito, "
        "Importo FROM ca.Conto_Cliente";
    EXPECT_GT(
        c.count("SELECT count(*) FROM (" + tax + ") WHERE VoceAddebito = 501 AND Importo > 0"), 0);
    for (const char* exempt : {"502", "503", "504"}) {
        EXPECT_GT(c.count("SELECT count(*) FROM (" + tax +
                          ") WHERE VoceAddebito = " + std::string(exempt)),
                  0)
            << exempt;
        EXPECT_EQ(c.count("SELECT count(*) FROM (" + tax +
                          ") WHERE VoceAddebito = " + std::string(exempt) + " AND Importo <> 0"),
                  0)
            << exempt;
    }
    EXPECT_GT(c.count("SELECT count(*) FROM (" + tax + ") WHERE VoceAddebito < 500"), 0);
    // Posting order: by day.
    EXPECT_EQ(c.count("SELECT count(*) FROM (SELECT DataAddebito d, lag(DataAddebito) OVER "
                      "(ORDER BY rowid) p FROM main.Conto_Cliente) WHERE d < p"),
              0);
}

TEST_F(DemoSmall, FiscalDocumentsHaveEveryStatus) {
    const Db f = db("Fatture.mdb");
    auto docs = [&](const std::string& where) {
        return f.count("SELECT count(*) FROM DatiFattura WHERE " + where);
    };
    EXPECT_GT(docs("RiepAcc = 'N' AND TipoDocumento = 'Ricevuta'"), 0);
    EXPECT_GT(docs("RiepAcc = 'N' AND TipoDocumento = 'Fattura'"), 0);
    EXPECT_GT(docs("Annullato = 'S' AND AnnullatoDaRiep = 'S'"), 0);
    EXPECT_GT(docs("Annullato = 'S' AND AnnullatoDaRiep = 'N'"), 0);
    EXPECT_GT(docs("RiepAcc = 'R'"), 0);
    EXPECT_GT(docs("RiepAcc = 'A'"), 0);
    EXPECT_GT(docs("TipoDocumento = 'Ricevuta' AND Annullato = 'N' AND CorrNonPagato > 0"), 0);
    EXPECT_GT(docs("Contatore = 2"), 0);
    // Counters number their documents each on its own: the numbers overlap.
    EXPECT_GT(f.count("SELECT count(*) FROM DatiFattura a JOIN DatiFattura b ON a.NDocumento = "
                      "b.NDocumento AND a.TipoDocumento = b.TipoDocumento AND a.Contatore = 1 "
                      "AND b.Contatore = 2"),
              0);
    EXPECT_EQ(f.count("SELECT count(*) FROM (SELECT 1 FROM DatiFattura GROUP BY DataEmissione, "
                      "TipoDocumento, NDocumento, Contatore HAVING count(*) > 1)"),
              0);
    // Lines the reports single out.
    auto lines = [&](const std::string& where) {
        return f.count("SELECT count(*) FROM DettaglioFattura WHERE " + where);
    };
    EXPECT_GT(lines("Descrizione = '---- SUBTOTALE ----'"), 0);
    EXPECT_GT(lines("CodiceVoce = 0 AND Descrizione LIKE 'Acconto%' AND Importo < 0"), 0);
    EXPECT_GT(lines("DataAddebito = '00000000' AND CodiceVoce > 500"), 0);
    EXPECT_GT(lines("CodiceVoce > 500 AND Iva = 99"), 0);
    EXPECT_GT(lines("CodiceVoce IN (502, 503, 504) AND Importo = 0"), 0);
    // External till documents: payments only, item code in the note.
    EXPECT_GT(f.count("SELECT count(*) FROM Incassi WHERE TipoDocumento = 'ESTERNI' AND "
                      "NDocumento = 0 AND substr(Nota, 1, 4) IN ('0003', '0004')"),
              0);
    EXPECT_EQ(docs("TipoDocumento = 'ESTERNI'"), 0);
    // A payment kind without a payment code.
    EXPECT_GT(f.count("SELECT count(*) FROM Incassi WHERE Sigla = 'AS'"), 0);
    const Db vari = db("CodiciVari.mdb");
    EXPECT_EQ(vari.count("SELECT count(*) FROM CodiciVari WHERE NumeroHotel = 1 AND Tipo = 4 AND "
                         "Sigla = 'AS'"),
              0);
    EXPECT_EQ(vari.value("SELECT group_concat(Nazione) FROM (SELECT DISTINCT Nazione FROM "
                         "CodiciVari WHERE NumeroHotel = 1 AND Tipo = 4 AND Nazione IN "
                         "('CONTA','CARTA','EXTRA') ORDER BY Nazione)"),
              "CARTA,CONTA,EXTRA");
}

TEST_F(DemoSmall, FiscalDocumentsHaveTheCustomersTheReportsTellApart) {
    const Db f = db("Fatture.mdb");
    auto docs = [&](const std::string& where) {
        return f.count("SELECT count(*) FROM DatiFattura WHERE " + where);
    };
    const std::string key =
        "l.DataEmissione = h.DataEmissione AND l.TipoDocumento = h.TipoDocumento AND "
        "l.NDocumento = h.NDocumento AND l.Contatore = h.Contatore";
    // Walk-in customers: receipts to "?", no room, no stay, paid at once;
    // restaurant (10 %), bar (22 %) and excursion tickets (74, exempt).
    const std::string anonymous = "NomeCliente = '?'";
    EXPECT_GT(docs(anonymous), 0);
    EXPECT_EQ(docs(anonymous + " AND (TipoDocumento <> 'Ricevuta' OR NCamera <> '' OR "
                               "DataArrivo <> '' OR DataPartenza <> '' OR RiepAcc <> '' OR "
                               "Annullato <> 'N' OR CorrNonPagato <> 0)"),
              0);
    for (const char* iva : {"10", "22", "74"}) {
        EXPECT_GT(f.count("SELECT count(*) FROM DatiFattura h JOIN ScorporoFattura l ON " + key +
                          " WHERE h." + anonymous + " AND l.CodiceIva = " + iva),
                  0)
            << iva;
    }
    // Documents written without the stay's dates, their tax lines undated.
    EXPECT_GT(f.count("SELECT count(*) FROM DatiFattura h WHERE DataArrivo = '' AND DataPartenza "
                      "= '' AND NomeCliente <> '?' AND EXISTS (SELECT 1 FROM DettaglioFattura l "
                      "WHERE " +
                      key + " AND l.DataAddebito = '00000000' AND l.CodiceVoce > 500)"),
              0);
    EXPECT_EQ(docs("(DataArrivo = '') <> (DataPartenza = '')"), 0);
    // Split payment: invoices to public bodies, with their VAT number.
    EXPECT_GT(docs("SPPA = 'S'"), 0);
    EXPECT_EQ(docs("SPPA = 'S' AND (TipoDocumento <> 'Fattura' OR length(PIva) <> 11 OR Stato "
                   "<> 'I')"),
              0);
    // Invoices to private persons: Italian fiscal code, no VAT number.
    EXPECT_GT(docs("TipoDocumento = 'Fattura' AND Stato = 'I' AND length(CFiscale) = 16 AND "
                   "PIva = '' AND SPPA = 'N'"),
              0);
    // Extras on a receipt of their own, marked with the room they belong to.
    EXPECT_GT(docs("TipoDocumento = 'Ricevuta' AND Note = 'CAMERA RIF. ' || NCamera"), 0);
    // Exempt VAT codes 0 and 74 beside the rates.
    EXPECT_GT(f.count("SELECT count(*) FROM ScorporoFattura WHERE CodiceIva = 0"), 0);
    EXPECT_GT(f.count("SELECT count(*) FROM ScorporoFattura WHERE CodiceIva = 74"), 0);
    // Deposits at 10 % and parking deposits at 22 %, paid and deducted.
    EXPECT_GT(f.count("SELECT count(*) FROM DettaglioFattura l JOIN DatiFattura h ON " + key +
                      " WHERE h.RiepAcc = 'A' AND l.Descrizione = 'Acconto parcheggio' AND "
                      "l.Iva = 22 AND l.Importo > 0"),
              0);
    EXPECT_GT(f.count("SELECT count(*) FROM DettaglioFattura WHERE CodiceVoce = 0 AND Descrizione "
                      "LIKE 'Acconto parcheggio del %' AND Iva = 22 AND Importo < 0"),
              0);
    EXPECT_GT(f.count("SELECT count(*) FROM DettaglioFattura WHERE CodiceVoce = 0 AND Descrizione "
                      "LIKE 'Acconto del %' AND Iva = 10 AND Importo < 0"),
              0);
}

TEST_F(DemoSmall, AmountsOfEveryDocumentAddUp) {
    const Db f = db("Fatture.mdb");
    const std::string key =
        "l.DataEmissione = h.DataEmissione AND l.TipoDocumento = h.TipoDocumento AND "
        "l.NDocumento = h.NDocumento AND l.Contatore = h.Contatore";
    // Totale is the sum of the lines (the subtotal lines repeat what precedes them).
    EXPECT_EQ(f.count("SELECT count(*) FROM DatiFattura h WHERE abs(Totale - (SELECT "
                      "total(Importo) FROM DettaglioFattura l WHERE " +
                      key + " AND Descrizione <> '---- SUBTOTALE ----')) > 0.00005"),
              0);
    // The VAT split per code matches the lines of that code, and its tax is the rate's.
    EXPECT_EQ(f.count("SELECT count(*) FROM (SELECT DataEmissione, TipoDocumento, NDocumento, "
                      "Contatore, Iva, total(Importo) s FROM DettaglioFattura WHERE Descrizione "
                      "<> '---- SUBTOTALE ----' GROUP BY 1, 2, 3, 4, 5) h LEFT JOIN "
                      "ScorporoFattura l ON " +
                      key +
                      " AND l.CodiceIva = h.Iva WHERE l.CodiceIva IS NULL OR "
                      "abs(l.Imponibile + l.Imposta - h.s) > 0.00005"),
              0);
    EXPECT_EQ(f.count("SELECT count(*) FROM ScorporoFattura WHERE abs(Imposta - round(Imponibile "
                      "* (CASE CodiceIva WHEN 10 THEN 10 WHEN 22 THEN 22 ELSE 0 END) / 100.0, "
                      "2)) > 0.0101"),
              0);
    // Payments make what was paid, except where no payment was recorded.
    EXPECT_EQ(f.count("SELECT count(*) FROM DatiFattura h WHERE Annullato = 'N' AND RiepAcc <> "
                      "'N' AND abs(CorrPagato - (SELECT total(Importo) FROM Incassi l WHERE " +
                      key + ")) > 0.00005"),
              0);
    EXPECT_EQ(f.count("SELECT count(*) FROM DatiFattura WHERE abs(Totale - CorrPagato - "
                      "CorrNonPagato) > 0.00005"),
              0);
    // Credit notes: positive amounts on the document, refunds in the payments.
    EXPECT_EQ(f.count("SELECT count(*) FROM DatiFattura WHERE RiepAcc = 'N' AND Totale <= 0"), 0);
}

TEST_F(DemoSmall, SettingsPrintersAndTextFiles) {
    const Db ids = db("IdS.mdb");
    EXPECT_EQ(ids.rows("SELECT NumeroHotel, CodiceIva, GGMax, CodGGMax, CodMin, EtaMin, CodRes, "
                       "CodStd FROM Generale"),
              (std::vector<std::vector<std::string>>{
                  {"1", "99", "7", "504", "502", "14", "503", "501"}}));
    EXPECT_EQ(ids.value("SELECT group_concat(Codice) FROM VociIdS"), "501,502,503,504");
    EXPECT_EQ(ids.value("SELECT Valore FROM Periodi WHERE Codice = 501 AND DataInizio <= "
                        "'20251231' AND DataFine >= '20251231'"),
              "3");
    const Db iva = db("CodiciIva.mdb");
    EXPECT_EQ(iva.value("SELECT Valore FROM CodiciIva WHERE Codice = 99"), "0");
    EXPECT_EQ(iva.value("SELECT Valore FROM CodiciIva WHERE Codice = 22"), "22");
    EXPECT_EQ(db("AnagraficaHotels.mdb").rows("SELECT * FROM AnagraficaHotels")[0][3], "");

    const Db st = db("Stampanti.mdb");
    EXPECT_EQ(st.value("SELECT substr(s.Compresso, 16, 3) FROM Stampanti p JOIN SetStampa s ON "
                       "s.TipoStampa = p.TipoStampa WHERE p.Destinazione = 'PDF'"),
              "  1");
    EXPECT_EQ(st.value("SELECT trim(substr(s.Compresso, 16, 3)) FROM Stampanti p JOIN SetStampa "
                       "s ON s.TipoStampa = p.TipoStampa WHERE p.Linea = 'stampa_raw.txt'"),
              "0");
    EXPECT_EQ(st.count("SELECT count(*) FROM SetStampa WHERE length(Compresso) <> 36 OR "
                       "length(Grassetto) <> 36"),
              0);
    EXPECT_EQ(db("Contatori.mdb").rows("SELECT * FROM Contatori"),
              (std::vector<std::vector<std::string>>{{"1", "80", "60"}}));

    const std::string params = bytesOf(dir_->path() / "Parametri.txt");
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < params.size();) {
        const std::size_t end = params.find("\r\n", at);
        lines.push_back(params.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_GE(lines.size(), 78u);
    EXPECT_EQ(lines[77], "S");  // split-payment documents left out of the takings register
    // The billing items, a row that is no billing item (the parking deposits)
    // and a blank line.
    EXPECT_EQ(bytesOf(dir_->path() / "CorrSetup.txt"),
              "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\nACCONTI DEDOTTI (cod.iva 22)\r\n\r\n");
}

TEST_F(DemoSmall, PresenceStatisticsCountTheRegister) {
    Db d(file("Dettaglio.mdb"));
    d.rows("ATTACH '" + file("Scheda_Cliente.mdb") + "' AS s");
    d.rows("ATTACH '" + file("SchedaStoricoClienti.mdb") + "' AS a");
    EXPECT_EQ(d.count("SELECT count(*) FROM Dettaglio WHERE Tipo = 'Presenze' AND Dettaglio = "
                      "'Generale'"),
              61);  // 01/11/2025 to 31/12/2025
    for (const char* day : {"20251105", "20251201", "20251231"}) {
        const std::string t(day);
        const long long present =
            d.count("SELECT count(*) FROM s.Scheda_Cliente WHERE DataArrivo <= '" + t +
                    "' AND ((Partito <> 'S' AND DataPartenza > '" + t +
                    "') OR (Partito = 'S' AND DataPartenzaReale > '" + t + "'))") +
            d.count("SELECT count(*) FROM a.Scheda_Cliente WHERE DataArrivo <= '" + t +
                    "' AND DataPartenzaReale > '" + t + "'");
        EXPECT_EQ(d.count("SELECT Valore FROM Dettaglio WHERE Tipo = 'Presenze' AND Dettaglio = "
                          "'Generale' AND DataInserimento = '" +
                          t + "'"),
                  present)
            << day;
    }
}

TEST(DemoGenerate, RefusesAFolderWithSuiteFiles) {
    TempDir dir("refuse");
    { std::ofstream(dir.path() / "ids.mdb") << "not ours"; }
    EXPECT_THROW(corvex::demo::generate(dir.path().string(), {Size::Small, 1}), std::runtime_error);
    // Nothing was written beside the file that was there.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(bytesOf(dir.path() / "ids.mdb"), "not ours");
}

TEST(DemoGenerate, CreatesAMissingFolder) {
    TempDir dir("nested");
    const fs::path inner = dir.path() / "a" / "b";
    corvex::demo::generate(inner.string(), {Size::Small, 3});
    EXPECT_TRUE(fs::exists(inner / "Fatture.mdb"));
}

TEST(DemoGenerate, HotelSizeCoversAYearOfSixtyRooms) {
    TempDir dir("hotel");
    corvex::demo::generate(dir.path().string(), {Size::Hotel, 1});
    Db s(dir.file("Scheda_Cliente.mdb"));
    s.rows("ATTACH '" + dir.file("SchedaStoricoClienti.mdb") + "' AS a");
    const std::string both =
        "SELECT * FROM Scheda_Cliente UNION ALL SELECT * FROM a.Scheda_Cliente";
    EXPECT_EQ(s.count("SELECT count(DISTINCT NumeroCamera) FROM (" + both + ")"), 60);
    EXPECT_EQ(s.value("SELECT min(DataArrivo) FROM (" + both + ")").substr(0, 6), "202501");
    EXPECT_EQ(s.value("SELECT max(DataArrivo) FROM (" + both + ")").substr(0, 6), "202512");
    EXPECT_GT(s.count("SELECT count(*) FROM (" + both + ")"), 5000);
    EXPECT_EQ(corvex::demo::profile(Size::Hotel).rooms, 60);
}

TEST(DemoGenerate, SizeNames) {
    Size s = Size::Small;
    EXPECT_TRUE(corvex::demo::parseSize("LARGE", s));
    EXPECT_EQ(s, Size::Large);
    EXPECT_TRUE(corvex::demo::parseSize("hotel", s));
    EXPECT_EQ(s, Size::Hotel);
    EXPECT_FALSE(corvex::demo::parseSize("medium", s));
    EXPECT_EQ(s, Size::Hotel);
}
