#include "data/jetimport/jet_import.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "data/jetimport/jet_values.h"
#include "data/jetimport/mdb.h"
#include "data/jetimport/sqlite_out.h"

namespace corvex::jetimport {

namespace {

// Row offsets in a data page carry flags in their top bits: a slot whose row
// moved to another page holds a forwarding pointer (kMovedAway), the moved
// bytes are flagged kMovedHere, a deleted row has both.
constexpr int kOffsetMask = 0x1fff;
constexpr int kMovedAway = 0x4000;
constexpr int kMovedHere = 0x8000;
// A long value (memo, OLE) starts with a 12-byte header: length and flags,
// then the page/row of its first data row.
constexpr std::size_t kLongValueHeader = 12;
// Attempts at reading a file whose rows do not add up (it may be being written).
constexpr int kAttempts = 4;

std::uint32_t u32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
std::uint64_t u64(const unsigned char* p) {
    return u32(p) | std::uint64_t{u32(p + 4)} << 32;
}

bool isJet3(const MdbHandle* mdb) {
    return mdb->f->jet_version == MDB_VER_JET3;
}

// Jet text (single-byte code page in Jet3; UCS-2, possibly compressed, later)
// as UTF-8. Each source byte gives at most three bytes of UTF-8.
void toUtf8(MdbHandle* mdb, const unsigned char* src, std::size_t size, std::string& out) {
    if (size == 0) {
        out.clear();
        return;
    }
    out.resize(3 * size + 8);
    const int n =
        mdb_unicode2ascii(mdb, reinterpret_cast<const char*>(src), size, out.data(), out.size());
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
}

OutColumn outColumn(const MdbHandle* mdb, const MdbColumn* col) {
    OutColumn out;
    out.name = col->name;
    switch (col->col_type) {
        case MDB_BOOL:
            out.declaredType = "BIT";
            break;
        case MDB_BYTE:
            out.declaredType = "BYTE";
            break;
        case MDB_INT:
            out.declaredType = "SHORT";
            break;
        case MDB_LONGINT:
            out.declaredType = "LONG";
            break;
        case MDB_MONEY:
            out.declaredType = "CURRENCY";
            break;
        case MDB_FLOAT:
        case MDB_DOUBLE:
            out.declaredType = "DOUBLE";
            break;
        case MDB_DATETIME:
            out.declaredType = "DATETIME";
            break;
        case MDB_TEXT: {
            // Jet3 sizes text in bytes of its code page, later versions in UCS-2 bytes.
            const int chars = isJet3(mdb) ? col->col_size : col->col_size / 2;
            out.declaredType = "TEXT(" + std::to_string(chars > 0 ? chars : 255) + ")";
            out.text = true;
            break;
        }
        case MDB_MEMO:
            out.declaredType = "LONGTEXT";
            out.text = true;
            break;
        case MDB_REPID:
            out.declaredType = "GUID";
            break;
        case MDB_NUMERIC:
            out.declaredType = "DECIMAL(" + std::to_string(col->col_prec) + "," +
                               std::to_string(col->col_scale) + ")";
            break;
        case MDB_COMPLEX:
            out.declaredType = "LONG";
            break;
        case MDB_BINARY:
            out.declaredType = "BINARY";
            break;
        default:
            out.declaredType = "LONGBINARY";
            break;  // OLE and anything unknown
    }
    return out;
}

class TableReader {
  public:
    TableReader(MdbHandle* mdb, std::uint64_t fileSize) : mdb_(mdb), fileSize_(fileSize) {}

    // Copies one table; throws DataError when its rows do not add up.
    void copy(MdbCatalogEntry* entry, SqliteOut& out);

  private:
    void copySlot(MdbTableDef* table, unsigned slot, SqliteOut& out);
    void insertRow(MdbTableDef* table, int start, std::size_t len, SqliteOut& out);
    void bindField(int i, const MdbColumn* col, const MdbField& f, SqliteOut& out);
    void readLongValue(const MdbField& f, std::string& out);
    [[noreturn]] void damaged(const std::string& what) const {
        throw DataError("tabella " + table_ + ": " + what);
    }

    MdbHandle* mdb_;
    std::uint64_t fileSize_;
    std::string table_;
    std::vector<std::string> text_;  // per column, alive until the row is inserted
    std::string raw_;
    std::vector<MdbField> fields_;
    std::vector<unsigned char> saved_;  // the table's page while a moved row is read
    std::uint64_t row_ = 0;
};

void TableReader::copy(MdbCatalogEntry* entry, SqliteOut& out) {
    table_ = entry->object_name;
    TablePtr table(mdb_read_table(entry));
    if (!table) damaged("impossibile leggerne la definizione");
    if (table->num_cols > MDB_MAX_COLS) damaged("la definizione elenca troppi campi");
    if (!mdb_read_columns(table.get())) damaged("impossibile leggerne i campi");
    if (table->columns->len != table->num_cols) damaged("l'elenco dei campi è incoerente");

    std::vector<OutColumn> columns;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        columns.push_back(outColumn(mdb_, col));
    }
    out.createTable(table_, columns);
    text_.assign(columns.size(), std::string());

    fields_.assign(MDB_MAX_COLS, MdbField{});
    const std::size_t pageSize = static_cast<std::size_t>(mdb_->fmt->pg_size);
    saved_.resize(pageSize);
    row_ = 0;
    // The table's own order: its data pages in the order of its usage map,
    // on each page the rows in slot order. A row rewritten longer than its
    // page allowed was moved elsewhere: its slot holds a forwarding pointer
    // (flag 0x4000), followed here, and the moved bytes (flag 0x8000) are
    // skipped where they lie. Both flags mark a deleted row. libmdb's own
    // row walk lists a moved row where its bytes lie, out of place.
    //
    // Values are decoded from their stored form (mdb_crack_row gives each
    // field's NULL bit and raw bytes), never from libmdb's locale-dependent
    // text.
    const guint32 tablePage = entry->table_pg;
    guint32 page = 0;
    bool walkAll = false;
    for (std::uint64_t pages = 0;; ++pages) {
        gint32 next = walkAll ? static_cast<gint32>(page + 1)
                              : mdb_map_find_next(mdb_, table->usage_map,
                                                  static_cast<unsigned>(table->map_sz), page);
        if (next < 0 && !walkAll) {
            // A usage map of a kind libmdb does not know: every page is looked at.
            walkAll = true;
            next = static_cast<gint32>(page + 1);
        }
        if (next <= 0 || static_cast<std::uint64_t>(next) >= fileSize_ / pageSize) break;
        if (pages > fileSize_ / pageSize) damaged("l'elenco delle pagine non finisce");
        page = static_cast<guint32>(next);
        if (mdb_read_pg(mdb_, page) != static_cast<ssize_t>(pageSize))
            damaged("impossibile leggere la pagina " + std::to_string(page));
        if (mdb_->pg_buf[0] != MDB_PAGE_DATA || u32(mdb_->pg_buf + 4) != tablePage) continue;
        const unsigned rows = mdb_->pg_buf[mdb_->fmt->row_count_offset] |
                              static_cast<unsigned>(mdb_->pg_buf[mdb_->fmt->row_count_offset + 1])
                                  << 8;
        for (unsigned slot = 0; slot < rows; ++slot) copySlot(table.get(), slot, out);
    }
    if (row_ != table->num_rows)
        throw DataError("tabella " + table_ + ": lette " + std::to_string(row_) + " righe delle " +
                        std::to_string(table->num_rows) + " dichiarate dal file");
}

void TableReader::copySlot(MdbTableDef* table, unsigned slot, SqliteOut& out) {
    int start = 0;
    std::size_t len = 0;
    if (mdb_find_row(mdb_, static_cast<int>(slot), &start, &len) != 0)
        damaged("impossibile trovare la riga " + std::to_string(row_ + 1));
    const int flags = start & ~kOffsetMask;
    start &= kOffsetMask;
    if (flags == (kMovedHere | kMovedAway) || flags == kMovedHere) return;  // deleted, or moved
    if (flags != kMovedAway) {
        insertRow(table, start, len, out);
        return;
    }
    // A forwarding pointer: the row number on the page, then the page.
    const std::size_t pageSize = static_cast<std::size_t>(mdb_->fmt->pg_size);
    if (len < 4 || static_cast<std::size_t>(start) + 4 > pageSize)
        damaged("riga " + std::to_string(row_ + 1) + ": rimando illeggibile");
    const unsigned char* p = mdb_->pg_buf + start;
    const std::uint32_t pgRow = u32(p);  // row | page << 8, as libmdb takes it
    void* buf = nullptr;
    int off = 0;
    std::size_t movedLen = 0;
    auto nowhere = [&] {
        damaged("riga " + std::to_string(row_ + 1) + ": rimanda a una riga che non c'è");
    };
    if (mdb_find_pg_row(mdb_, static_cast<int>(pgRow), &buf, &off, &movedLen) != 0) nowhere();
    // The moved bytes are flagged as such in their page's row offset table.
    const auto* target = static_cast<const unsigned char*>(buf);
    const std::size_t entry = mdb_->fmt->row_count_offset + 2 + 2 * (pgRow & 0xff);
    if (target[0] != MDB_PAGE_DATA || entry + 2 > pageSize ||
        ((target[entry] | target[entry + 1] << 8) & ~kOffsetMask) != kMovedHere)
        nowhere();
    off &= kOffsetMask;
    if (static_cast<std::size_t>(off) + movedLen > pageSize) nowhere();
    // mdb_crack_row reads the current page: put the moved row's page there
    // for the time of this row, then the table's page back.
    std::memcpy(saved_.data(), mdb_->pg_buf, pageSize);
    std::memcpy(mdb_->pg_buf, buf, pageSize);
    try {
        insertRow(table, off, movedLen, out);
    } catch (...) {
        std::memcpy(mdb_->pg_buf, saved_.data(), pageSize);
        throw;
    }
    std::memcpy(mdb_->pg_buf, saved_.data(), pageSize);
}

void TableReader::insertRow(MdbTableDef* table, int start, std::size_t len, SqliteOut& out) {
    if (mdb_crack_row(table, start, len, fields_.data()) < 0)
        damaged("impossibile leggere la riga " + std::to_string(row_ + 1));
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        bindField(static_cast<int>(i), col, fields_[i], out);
    }
    out.insertRow();
    ++row_;
}

void TableReader::bindField(int i, const MdbColumn* col, const MdbField& f, SqliteOut& out) {
    // A Boolean has no NULL: its value is the NULL-mask bit itself.
    if (col->col_type == MDB_BOOL) {
        out.setInt(i, f.is_null ? 0 : -1);
        return;
    }
    if (f.is_null) {
        out.setNull(i);
        return;
    }
    const auto* p = static_cast<const unsigned char*>(f.value);
    const auto siz = static_cast<std::size_t>(f.siz < 0 ? 0 : f.siz);
    auto need = [&](std::size_t n) {
        if (siz < n || !p)
            damaged("riga " + std::to_string(row_ + 1) + ", campo " + col->name +
                    ": value too short");
    };
    auto& text = text_[static_cast<std::size_t>(i)];
    switch (col->col_type) {
        case MDB_BYTE:
            need(1);
            out.setInt(i, p[0]);
            break;
        case MDB_INT:
            need(2);
            out.setInt(i, static_cast<std::int16_t>(p[0] | p[1] << 8));
            break;
        case MDB_LONGINT:
        case MDB_COMPLEX:
            need(4);
            out.setInt(i, static_cast<std::int32_t>(u32(p)));
            break;
        case MDB_MONEY:
            need(8);
            out.setDouble(i, currencyValue(static_cast<std::int64_t>(u64(p))));
            break;
        case MDB_FLOAT: {
            need(4);
            float v;
            const std::uint32_t bits = u32(p);
            std::memcpy(&v, &bits, sizeof v);
            out.setDouble(i, singleValue(v));
            break;
        }
        case MDB_DOUBLE:
        case MDB_DATETIME: {
            need(8);
            double v;
            const std::uint64_t bits = u64(p);
            std::memcpy(&v, &bits, sizeof v);
            if (col->col_type == MDB_DOUBLE) {
                out.setDouble(i, v);
            } else if (auto t = dateTimeText(v)) {
                text = *t;
                out.setText(i, text);
            } else {
                out.setNull(i);
            }
            break;
        }
        case MDB_TEXT:
            toUtf8(mdb_, p, siz, text);
            out.setText(i, text);
            break;
        case MDB_MEMO:
            readLongValue(f, raw_);
            toUtf8(mdb_, reinterpret_cast<const unsigned char*>(raw_.data()), raw_.size(), text);
            out.setText(i, text);
            break;
        case MDB_REPID:
            need(16);
            text = guidText(p);
            out.setText(i, text);
            break;
        case MDB_NUMERIC:
            need(17);
            text = decimalText(p, col->col_scale);
            out.setText(i, text);
            break;
        case MDB_OLE:
            readLongValue(f, text);
            out.setBlob(i, text.data(), text.size());
            break;
        default:
            text.assign(reinterpret_cast<const char*>(p), siz);
            out.setBlob(i, text.data(), text.size());
            break;
    }
}

// The bytes of a memo or OLE value: stored in the row itself, in one row of
// another page, or in a chain of such rows.
void TableReader::readLongValue(const MdbField& f, std::string& out) {
    out.clear();
    const auto siz = static_cast<std::size_t>(f.siz < 0 ? 0 : f.siz);
    if (siz < kLongValueHeader) return;  // zero-length value
    unsigned char header[kLongValueHeader];
    std::memcpy(header, f.value, kLongValueHeader);
    const std::uint32_t lenFlags = u32(header);
    const std::uint32_t length = lenFlags & 0x3fffffff;
    auto where = [&] {
        return "riga " + std::to_string(row_ + 1) + ": un valore lungo (memo, OLE) ";
    };
    if (length > fileSize_) damaged(where() + "dichiara più byte di quanti ne contenga il file");

    if (lenFlags & 0x80000000) {  // inline
        const std::size_t n = std::min<std::size_t>(siz - kLongValueHeader, length);
        out.assign(static_cast<const char*>(f.value) + kLongValueHeader, n);
        return;
    }
    const std::size_t pageSize = static_cast<std::size_t>(mdb_->fmt->pg_size);
    auto fetch = [&](std::uint32_t pgRow, const unsigned char*& data, std::size_t& n) {
        void* buf = nullptr;
        int off = 0;
        std::size_t len = 0;
        if (mdb_find_pg_row(mdb_, static_cast<int>(pgRow), &buf, &off, &len) != 0)
            damaged(where() + "rimanda a una pagina illeggibile");
        off &= kOffsetMask;
        if (static_cast<std::size_t>(off) + len > pageSize)
            damaged(where() + "rimanda fuori dalla sua pagina");
        data = static_cast<const unsigned char*>(buf) + off;
        n = len;
    };
    std::uint32_t pgRow = u32(header + 4);
    const unsigned char* data = nullptr;
    std::size_t n = 0;
    if (lenFlags & 0x40000000) {  // one row on another page
        fetch(pgRow, data, n);
        out.assign(reinterpret_cast<const char*>(data), std::min<std::size_t>(n, length));
        return;
    }
    if ((lenFlags & 0xc0000000) != 0) damaged(where() + "ha una struttura sconosciuta");
    // A chain of rows: each starts with the page/row of the next one.
    out.reserve(length);
    const std::uint64_t maxLinks = fileSize_ / pageSize + 1;
    for (std::uint64_t link = 0; out.size() < length; ++link) {
        if (pgRow == 0 || link > maxLinks)
            damaged(where() + "finisce prima della lunghezza dichiarata");
        fetch(pgRow, data, n);
        if (n < 4) damaged(where() + "ha una catena di pagine interrotta");
        pgRow = u32(data);
        out.append(reinterpret_cast<const char*>(data + 4),
                   std::min<std::size_t>(n - 4, length - out.size()));
    }
}

std::uint64_t fileSizeOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) throw OpenError("impossibile leggere il file");
    return static_cast<std::uint64_t>(st.st_size);
}

void importOnce(const std::string& source, const std::string& dest) {
    const std::uint64_t size = fileSizeOf(source);
    MdbPtr mdb(mdb_open(source.c_str(), MDB_NOFLAGS));
    if (!mdb) throw OpenError("impossibile aprire il file come database Jet");
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw OpenError("impossibile leggere l'elenco delle tabelle");

    SqliteOut out(dest);
    TableReader reader(mdb.get(), size);
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
        if (g_ascii_strncasecmp(entry->object_name, "MSys", 4) == 0) continue;
        reader.copy(entry, out);
    }
    out.finish();
}

}  // namespace

void importJetFile(const std::string& source, const std::string& dest) {
    std::string firstProblem;
    for (int attempt = 1;; ++attempt) {
        unlink(dest.c_str());
        try {
            importOnce(source, dest);
            return;
        } catch (const DataError& e) {
            unlink(dest.c_str());
            if (firstProblem.empty()) firstProblem = e.what();
            if (attempt == kAttempts)
                throw DataError(firstProblem + " (letto " + std::to_string(kAttempts) +
                                " volte: il file è danneggiato, oppure un altro programma lo stava "
                                "scrivendo; riprovare, o riparare il database)");
            // Give a writer time to finish what it was doing.
            std::this_thread::sleep_for(std::chrono::milliseconds(50 << attempt));
        } catch (...) {
            unlink(dest.c_str());
            throw;
        }
    }
}

}  // namespace corvex::jetimport
