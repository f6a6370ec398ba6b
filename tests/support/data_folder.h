// Test support: a temporary data folder and small suite databases built in it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace corvex::test {

// A fresh temporary directory that becomes the current directory for the
// test's lifetime; the previous directory is restored and the folder removed
// on destruction. PCLocal, DirKV and CORVEX_NOW are unset on entry and
// restored on exit.
class TempDataFolder {
  public:
    TempDataFolder();
    ~TempDataFolder();
    TempDataFolder(const TempDataFolder&) = delete;
    TempDataFolder& operator=(const TempDataFolder&) = delete;

    const std::string& path() const { return path_; }
    void writeFile(const std::string& name, std::string_view bytes) const;
    std::string readFile(const std::string& name) const;  // "" when missing
    bool exists(const std::string& name) const;

  private:
    std::string path_;
    std::string previous_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv_;
};

struct NullCell {};
inline constexpr NullCell Null{};
using Cell = std::variant<NullCell, std::int64_t, double, std::string>;

struct Column {
    const char* name;
    Cell value;
    Column(const char* n, NullCell) : name(n), value(NullCell{}) {}
    Column(const char* n, int v) : name(n), value(static_cast<std::int64_t>(v)) {}
    Column(const char* n, std::int64_t v) : name(n), value(v) {}
    Column(const char* n, double v) : name(n), value(v) {}
    Column(const char* n, const char* v) : name(n), value(std::string(v)) {}
    Column(const char* n, std::string v) : name(n), value(std::move(v)) {}
};

// CREATE TABLE with the suite's layout of that table (declared types SHORT,
// LONG, TEXT(n) COLLATE NOCASE, LONGTEXT, CURRENCY, DOUBLE), no index. Known
// tables: Scheda_Cliente, Conto_Cliente, VociFattura, AnagraficaHotels,
// DatiFattura, DettaglioFattura, Incassi, ScorporoFattura, CodiciIva,
// CodiciVari, Dettaglio, Stampanti, SetStampa, Contatori, Generale, VociIdS,
// Periodi, SchClienti. Does nothing when the table exists.
void createSuiteTable(const std::string& file, const std::string& table);
// Inserts one row (text as UTF-8); creates the table first when missing.
void insertRow(const std::string& file, const std::string& table,
               std::initializer_list<Column> row);
// Runs raw SQL statements on the file through sqlite3 (UTF-8).
void runSql(const std::string& file, const std::string& sql);
// The declared column list of a known table, e.g. "NumeroHotel SHORT, ...".
std::string suiteColumns(const std::string& table);

// Text helpers for expected report bytes.
std::string crlf(std::initializer_list<std::string_view> lines);  // each line + "\r\n"
std::string utf8(std::string_view cp1252);                        // for readable failures

}  // namespace corvex::test
