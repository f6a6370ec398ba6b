#include "output/xlsx.h"

#include <locale.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "common/dates.h"
#include "common/text.h"

namespace corvex::xlsx {

namespace fs = std::filesystem;

Cella Cella::testo(std::string cp1252) {
    Cella c;
    c.tipo_ = Tipo::Testo;
    c.text_ = std::move(cp1252);
    return c;
}

Cella Cella::importo(Currency value) {
    Cella c;
    c.tipo_ = Tipo::Importo;
    c.currency_ = value;
    return c;
}

Cella Cella::intero(std::int64_t value) {
    Cella c;
    c.tipo_ = Tipo::Intero;
    c.whole_ = value;
    return c;
}

Cella Cella::data(std::string ddmmyyyy) {
    Cella c;
    c.tipo_ = Tipo::Data;
    c.text_ = std::move(ddmmyyyy);
    return c;
}

namespace {

// The amount as the nearest double to its decimal text, so that 0,10 is the
// same number a person typing 0,10 into the sheet gets (no binary drift from
// dividing the scaled integer). from_chars ignores the locale.
double amountValue(Currency c) {
    const std::string text = c.toPlainText();
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Characters a cell shows, for the automatic column widths.
std::size_t shownWidth(const Cella& c) {
    switch (c.tipo()) {
        case Cella::Tipo::Vuota:
            return 0;
        case Cella::Tipo::Testo:
            return c.text().size();
        case Cella::Tipo::Importo:
            return c.currency().toPlainText().size() + 4;  // separators and decimals
        case Cella::Tipo::Intero:
            return std::to_string(c.whole()).size();
        case Cella::Tipo::Data:
            return 10;
    }
    return 0;
}

// Excel refuses these in a sheet's name, and more than 31 characters.
std::string sheetName(const std::string& name) {
    std::string out;
    for (char ch : name) {
        if (std::string_view("[]:*?/\\").find(ch) != std::string_view::npos) ch = '_';
        out += ch;
    }
    if (out.size() > 31) out.resize(31);
    return out.empty() ? "Foglio1" : out;
}

[[noreturn]] void fail(const std::string& file, const std::string& why) {
    throw XlsxError("impossibile scrivere il file " + cp1252ToUtf8(file) + ": " + why);
}

// The library prints numbers with printf, which follows LC_NUMERIC: under
// an Italian locale (the desk's, set by Qt) "1234,5" would end up in the
// sheet's XML and spoil the file. The writing thread uses "C" numbers
// meanwhile; other threads and the other categories are left alone.
class NumeriC {
  public:
    NumeriC() {
        locale_t base = duplocale(uselocale(static_cast<locale_t>(0)));
        if (!base) return;
        c_ = newlocale(LC_NUMERIC_MASK, "C", base);
        if (!c_) {
            freelocale(base);
            return;
        }
        old_ = uselocale(c_);
    }
    ~NumeriC() {
        if (!c_) return;
        uselocale(old_);
        freelocale(c_);
    }
    NumeriC(const NumeriC&) = delete;
    NumeriC& operator=(const NumeriC&) = delete;

  private:
    locale_t c_ = static_cast<locale_t>(0);
    locale_t old_ = static_cast<locale_t>(0);
};

struct Workbook {
    lxw_workbook* handle = nullptr;
    ~Workbook() {
        // Only on a failure before the end: workbook_close frees the handle.
        if (handle) workbook_close(handle);
    }
};

}  // namespace

void apriBlocco(Foglio& foglio, const std::vector<std::string>& righe,
                const std::vector<std::string>& intestazione) {
    if (foglio.intestazione.empty()) {
        foglio.titolo.insert(foglio.titolo.end(), righe.begin(), righe.end());
        foglio.intestazione = intestazione;
        return;
    }
    foglio.righe.emplace_back();
    for (const auto& r : righe) foglio.righe.push_back({Cella::testo(r)});
    std::vector<Cella> h;
    for (const auto& t : intestazione) h.push_back(Cella::testo(t));
    foglio.righe.push_back(std::move(h));
}

void scrivi(const std::string& file, const Foglio& foglio) {
    std::error_code ec;
    // Said here rather than by the library, which writes its own line to
    // stderr when it cannot create the file.
    const fs::path folder = fs::path(file).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec))
        fail(file, "la cartella " + cp1252ToUtf8(folder.string()) + " non esiste");
    const std::string temp = file + ".new-" + std::to_string(::getpid());
    fs::remove(temp, ec);
    struct Cleanup {
        const std::string& name;
        bool keep = false;
        ~Cleanup() {
            std::error_code e;
            if (!keep) fs::remove(name, e);
        }
    } cleanup{temp};

    const NumeriC numbers;
    Workbook wb;
    wb.handle = workbook_new(temp.c_str());
    if (!wb.handle) fail(file, "impossibile creare il file");
    lxw_worksheet* ws =
        workbook_add_worksheet(wb.handle, cp1252ToUtf8(sheetName(foglio.nome)).c_str());
    if (!ws) fail(file, "nome del foglio non valido");

    lxw_format* bold = workbook_add_format(wb.handle);
    format_set_bold(bold);
    lxw_format* amount = workbook_add_format(wb.handle);
    format_set_num_format(amount, "#,##0.00");
    lxw_format* date = workbook_add_format(wb.handle);
    format_set_num_format(date, "dd/mm/yyyy");

    std::vector<std::size_t> widths(foglio.intestazione.size(), 0);
    auto widen = [&](std::size_t col, std::size_t w) {
        if (widths.size() <= col) widths.resize(col + 1, 0);
        widths[col] = std::max(widths[col], w);
    };

    lxw_row_t row = 0;
    auto check = [&](lxw_error e, lxw_row_t r, std::size_t col) {
        if (e != LXW_NO_ERROR)
            fail(file, "riga " + std::to_string(r + 1) + ", colonna " + std::to_string(col + 1) +
                           ": " + lxw_strerror(e));
    };
    for (std::size_t i = 0; i < foglio.titolo.size(); ++i) {
        // Titles overflow into the empty cells beside them: no column width.
        check(worksheet_write_string(ws, row, 0, cp1252ToUtf8(foglio.titolo[i]).c_str(),
                                     i == 0 ? bold : nullptr),
              row, 0);
        ++row;
    }
    if (!foglio.titolo.empty()) ++row;
    if (!foglio.intestazione.empty()) {
        for (std::size_t col = 0; col < foglio.intestazione.size(); ++col) {
            const std::string& h = foglio.intestazione[col];
            check(worksheet_write_string(ws, row, static_cast<lxw_col_t>(col),
                                         cp1252ToUtf8(h).c_str(), bold),
                  row, col);
            widen(col, h.size());
        }
        worksheet_freeze_panes(ws, row + 1, 0);
        ++row;
    }
    for (const auto& cells : foglio.righe) {
        for (std::size_t col = 0; col < cells.size(); ++col) {
            const Cella& c = cells[col];
            const auto column = static_cast<lxw_col_t>(col);
            lxw_error e = LXW_NO_ERROR;
            switch (c.tipo()) {
                case Cella::Tipo::Vuota:
                    break;
                case Cella::Tipo::Testo:
                    e = worksheet_write_string(ws, row, column, cp1252ToUtf8(c.text()).c_str(),
                                               nullptr);
                    break;
                case Cella::Tipo::Importo:
                    e = worksheet_write_number(ws, row, column, amountValue(c.currency()), amount);
                    break;
                case Cella::Tipo::Intero:
                    e = worksheet_write_number(ws, row, column, static_cast<double>(c.whole()),
                                               nullptr);
                    break;
                case Cella::Tipo::Data: {
                    const auto day = NumeroGiorno(c.text());
                    if (!day || c.text().size() != 10) {
                        fail(file, "riga " + std::to_string(row + 1) + ", colonna " +
                                       std::to_string(col + 1) + ": \"" + cp1252ToUtf8(c.text()) +
                                       "\" non è una data (gg/mm/aaaa)");
                    }
                    lxw_datetime dt{};
                    dt.year = std::stoi(c.text().substr(6, 4));
                    dt.month = std::stoi(c.text().substr(3, 2));
                    dt.day = std::stoi(c.text().substr(0, 2));
                    e = worksheet_write_datetime(ws, row, column, &dt, date);
                    break;
                }
            }
            check(e, row, col);
            widen(col, shownWidth(c));
        }
        ++row;
    }
    for (std::size_t col = 0; col < widths.size(); ++col) {
        double w = col < foglio.larghezze.size() ? foglio.larghezze[col] : 0;
        if (w <= 0) w = static_cast<double>(std::clamp<std::size_t>(widths[col] + 2, 8, 60));
        worksheet_set_column(ws, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col), w,
                             nullptr);
    }

    lxw_workbook* handle = wb.handle;
    wb.handle = nullptr;
    const lxw_error closed = workbook_close(handle);
    if (closed != LXW_NO_ERROR) fail(file, lxw_strerror(closed));
    fs::rename(temp, file, ec);
    if (ec) fail(file, ec.message());
    cleanup.keep = true;
}

}  // namespace corvex::xlsx
