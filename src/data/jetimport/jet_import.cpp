#include "data/jetimport/jet_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "data/engine/index_cache.h"
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

// ---------------------------------------------------------------- pages

// A 64-bit hash of a run of bytes, eight at a time: tells a changed page from
// an unchanged one far faster than decoding its rows.
std::uint64_t mix(std::uint64_t h, std::uint64_t w) {
    h ^= w * 0x9e3779b97f4a7c15ull;
    h = (h << 27 | h >> 37) * 0x94d049bb133111ebull;
    return h ^ (h >> 31);
}

std::uint64_t hashBytes(const unsigned char* p, std::size_t n) {
    std::uint64_t h = mix(0x243f6a8885a308d3ull, n);
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = mix(h, w);
    }
    for (; i < n; ++i) h = mix(h, p[i]);
    return h;
}

std::uint64_t hashText(std::uint64_t h, const std::string& s) {
    return mix(h, hashBytes(reinterpret_cast<const unsigned char*>(s.data()), s.size()));
}

// Every page of the file read once: its type, the table a data page belongs
// to, and a signature of the bytes its rows are read from (the page itself
// and the pages its forwarding pointers lead to).
struct PageScan {
    std::vector<std::uint8_t> type;
    std::vector<std::uint32_t> owner;
    std::vector<std::uint64_t> signature;
    std::vector<std::uint64_t> own;  // the page's own bytes
    // All long-value pages together: memo and OLE values live there.
    std::uint64_t longValues = 0;
};

PageScan scanPages(const std::string& source, std::size_t pageSize, std::size_t rowCountOffset,
                   std::uint64_t fileSize) {
    const std::size_t pages = static_cast<std::size_t>(fileSize / pageSize);
    PageScan scan;
    scan.type.assign(pages, 0);
    scan.owner.assign(pages, 0);
    std::vector<std::uint64_t>& own = scan.own;
    own.assign(pages, 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> forwards;  // page, page it leads to
    const int fd = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw OpenError("impossibile leggere il file");
    constexpr std::size_t kChunkPages = 256;
    std::vector<unsigned char> buf(kChunkPages * pageSize);
    for (std::size_t first = 0; first < pages; first += kChunkPages) {
        const std::size_t count = std::min(kChunkPages, pages - first);
        std::size_t got = 0;
        while (got < count * pageSize) {
            const ssize_t n = pread(fd, buf.data() + got, count * pageSize - got,
                                    static_cast<off_t>(first * pageSize + got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                close(fd);
                throw DataError("il file è più corto di quanto dichiara");
            }
            got += static_cast<std::size_t>(n);
        }
        for (std::size_t k = 0; k < count; ++k) {
            const unsigned char* pg = buf.data() + k * pageSize;
            const std::size_t p = first + k;
            scan.type[p] = pg[0];
            scan.owner[p] = u32(pg + 4);
            own[p] = hashBytes(pg, pageSize);
            if (pg[0] != MDB_PAGE_DATA) continue;
            if (std::memcmp(pg + 4, "LVAL", 4) == 0) {
                scan.longValues = mix(mix(scan.longValues, p), own[p]);
                continue;
            }
            if (rowCountOffset + 2 > pageSize) continue;
            const unsigned rows = pg[rowCountOffset] | static_cast<unsigned>(pg[rowCountOffset + 1])
                                                           << 8;
            for (unsigned slot = 0; slot < rows; ++slot) {
                const std::size_t at = rowCountOffset + 2 + 2 * slot;
                if (at + 2 > pageSize) break;
                const unsigned offset = pg[at] | static_cast<unsigned>(pg[at + 1]) << 8;
                const unsigned start = offset & kOffsetMask;
                if ((offset & ~kOffsetMask) != kMovedAway || start + 4 > pageSize) continue;
                forwards.emplace_back(static_cast<std::uint32_t>(p), u32(pg + start) >> 8);
            }
        }
    }
    close(fd);
    scan.signature = own;
    for (const auto& [page, target] : forwards)
        scan.signature[page] =
            mix(scan.signature[page], target < pages ? own[target] : std::uint64_t{target});
    return scan;
}

// ---------------------------------------------------------------- tables

// One table of the file: its columns, what its rows' layout depends on, and
// its data pages in the table's own order with their signatures.
struct TablePlan {
    MdbCatalogEntry* entry = nullptr;
    std::string name;
    TablePtr table;
    std::vector<OutColumn> columns;
    std::uint64_t layout = 0;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> pages;
    // Why the definition could not be read: told when the table's turn comes,
    // after the tables before it were copied.
    std::string problem;
};

// Rows of page p get rowids p << 16 | n (n: the row's place on its page), so
// rowid order is the table's own order and one page's rows can be replaced
// without touching the others.
constexpr int kRowidShift = 16;

class TableReader {
  public:
    TableReader(MdbHandle* mdb, std::uint64_t fileSize) : mdb_(mdb), fileSize_(fileSize) {}

    // Reads a table's definition and lists its data pages.
    TablePlan plan(MdbCatalogEntry* entry, const PageScan& scan);
    // Copies the rows of one data page of the table; returns how many.
    // `before`: the table's rows on earlier pages, for messages. The page's
    // bytes must be those the scan saw.
    std::uint64_t copyPage(TablePlan& t, std::uint32_t page, std::uint64_t before,
                           const PageScan& scan, SqliteOut& out);

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
    std::uint64_t before_ = 0;          // rows of the table before the current page
    std::uint64_t row_ = 0;             // rows copied from the current page
    std::int64_t rowid_ = 0;            // the next row's rowid
};

TablePlan TableReader::plan(MdbCatalogEntry* entry, const PageScan& scan) {
    TablePlan t;
    t.entry = entry;
    t.name = table_ = entry->object_name;
    t.table.reset(mdb_read_table(entry));
    MdbTableDef* table = t.table.get();
    if (!table) damaged("impossibile leggerne la definizione");
    if (table->num_cols > MDB_MAX_COLS) damaged("la definizione elenca troppi campi");
    if (!mdb_read_columns(table)) damaged("impossibile leggerne i campi");
    if (table->columns->len != table->num_cols) damaged("l'elenco dei campi è incoerente");

    // The layout: whatever decides how a row's bytes are read, and the
    // long-value pages when a memo or OLE field may point there.
    std::uint64_t h = mix(mix(0, mdb_->f->jet_version), table->num_cols);
    h = mix(h, table->num_var_cols);
    bool longValues = false;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        t.columns.push_back(outColumn(mdb_, col));
        h = hashText(h, col->name);
        for (long long v :
             {static_cast<long long>(col->col_type), static_cast<long long>(col->col_size),
              static_cast<long long>(col->col_prec), static_cast<long long>(col->col_scale),
              static_cast<long long>(col->is_fixed), static_cast<long long>(col->col_num),
              static_cast<long long>(col->fixed_offset), static_cast<long long>(col->var_col_num),
              static_cast<long long>(col->row_col_num)})
            h = mix(h, static_cast<std::uint64_t>(v));
        longValues = longValues || col->col_type == MDB_MEMO || col->col_type == MDB_OLE;
    }
    if (longValues) h = mix(h, scan.longValues);
    t.layout = h;

    // The table's own order: its data pages in the order of its usage map
    // (ascending page numbers), on each page the rows in slot order.
    const std::size_t pageSize = static_cast<std::size_t>(mdb_->fmt->pg_size);
    const std::uint64_t pages = fileSize_ / pageSize;
    guint32 page = 0;
    bool walkAll = false;
    for (std::uint64_t walked = 0;; ++walked) {
        gint32 next = walkAll ? static_cast<gint32>(page + 1)
                              : mdb_map_find_next(mdb_, table->usage_map,
                                                  static_cast<unsigned>(table->map_sz), page);
        if (next < 0 && !walkAll) {
            // A usage map of a kind libmdb does not know: every page is looked at.
            walkAll = true;
            next = static_cast<gint32>(page + 1);
        }
        if (next <= 0 || static_cast<std::uint64_t>(next) >= pages) break;
        if (walked > pages) damaged("l'elenco delle pagine non finisce");
        page = static_cast<guint32>(next);
        if (scan.type[page] != MDB_PAGE_DATA || scan.owner[page] != entry->table_pg) continue;
        t.pages.emplace_back(page, scan.signature[page]);
    }
    return t;
}

std::uint64_t TableReader::copyPage(TablePlan& t, std::uint32_t page, std::uint64_t before,
                                    const PageScan& scan, SqliteOut& out) {
    table_ = t.name;
    before_ = before;
    text_.assign(t.columns.size(), std::string());
    fields_.assign(MDB_MAX_COLS, MdbField{});
    const std::size_t pageSize = static_cast<std::size_t>(mdb_->fmt->pg_size);
    saved_.resize(pageSize);
    // A row rewritten longer than its page allowed was moved elsewhere: its
    // slot holds a forwarding pointer (flag 0x4000), followed here, and the
    // moved bytes (flag 0x8000) are skipped where they lie. Both flags mark a
    // deleted row. libmdb's own row walk lists a moved row where its bytes
    // lie, out of place.
    //
    // Values are decoded from their stored form (mdb_crack_row gives each
    // field's NULL bit and raw bytes), never from libmdb's locale-dependent
    // text.
    if (mdb_read_pg(mdb_, page) != static_cast<ssize_t>(pageSize))
        damaged("impossibile leggere la pagina " + std::to_string(page));
    // The page was listed, and its signature taken, from an earlier read of
    // the file: one that changed since is a file being written.
    if (mdb_->pg_buf[0] != MDB_PAGE_DATA || u32(mdb_->pg_buf + 4) != t.entry->table_pg ||
        hashBytes(mdb_->pg_buf, pageSize) != scan.own[page])
        damaged("la pagina " + std::to_string(page) + " è cambiata durante la lettura");
    const unsigned rows = mdb_->pg_buf[mdb_->fmt->row_count_offset] |
                          static_cast<unsigned>(mdb_->pg_buf[mdb_->fmt->row_count_offset + 1]) << 8;
    row_ = 0;
    rowid_ = static_cast<std::int64_t>(page) << kRowidShift;
    for (unsigned slot = 0; slot < rows; ++slot) copySlot(t.table.get(), slot, out);
    return row_;
}

void TableReader::copySlot(MdbTableDef* table, unsigned slot, SqliteOut& out) {
    int start = 0;
    std::size_t len = 0;
    if (mdb_find_row(mdb_, static_cast<int>(slot), &start, &len) != 0)
        damaged("impossibile trovare la riga " + std::to_string(before_ + row_ + 1));
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
        damaged("riga " + std::to_string(before_ + row_ + 1) + ": rimando illeggibile");
    const unsigned char* p = mdb_->pg_buf + start;
    const std::uint32_t pgRow = u32(p);  // row | page << 8, as libmdb takes it
    void* buf = nullptr;
    int off = 0;
    std::size_t movedLen = 0;
    auto nowhere = [&] {
        damaged("riga " + std::to_string(before_ + row_ + 1) + ": rimanda a una riga che non c'è");
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
        damaged("impossibile leggere la riga " + std::to_string(before_ + row_ + 1));
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        bindField(static_cast<int>(i), col, fields_[i], out);
    }
    out.insertRow(rowid_++);
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
            damaged("riga " + std::to_string(before_ + row_ + 1) + ", campo " + col->name +
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
        return "riga " + std::to_string(before_ + row_ + 1) + ": un valore lungo (memo, OLE) ";
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

// The copy's own record of what it was made from: its format, each table's
// layout in the file's order, each data page's signature.
constexpr int kSignatureFormat = 1;

void exec(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db);
        sqlite3_free(err);
        throw WriteError("scrittura della copia non riuscita (" + msg + "): " + sql);
    }
}

struct Stmt {
    sqlite3_stmt* st = nullptr;
    Stmt(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw WriteError(std::string("scrittura della copia non riuscita: ") +
                             sqlite3_errmsg(db));
    }
    ~Stmt() { sqlite3_finalize(st); }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
};

std::int64_t asInt(std::uint64_t v) {
    std::int64_t out;
    std::memcpy(&out, &v, sizeof out);
    return out;
}

void createSignatureTables(sqlite3* db) {
    exec(db, "CREATE TABLE corvex_meta(key TEXT PRIMARY KEY, value) WITHOUT ROWID");
    exec(db, "CREATE TABLE corvex_tables(tbl TEXT, layout INTEGER)");
    exec(db,
         "CREATE TABLE corvex_pages(tbl TEXT, page INTEGER, sig INTEGER, PRIMARY KEY(tbl, page)) "
         "WITHOUT ROWID");
    Stmt st(db, "INSERT INTO corvex_meta VALUES('format', ?1)");
    sqlite3_bind_int(st.st, 1, kSignatureFormat);
    if (sqlite3_step(st.st) != SQLITE_DONE) throw WriteError("scrittura della copia non riuscita");
}

void savePages(sqlite3* db, const TablePlan& t) {
    Stmt del(db, "DELETE FROM corvex_pages WHERE tbl = ?1");
    sqlite3_bind_text(del.st, 1, t.name.c_str(), -1, SQLITE_STATIC);
    if (sqlite3_step(del.st) != SQLITE_DONE) throw WriteError("scrittura della copia non riuscita");
    Stmt ins(db, "INSERT INTO corvex_pages VALUES(?1, ?2, ?3)");
    for (const auto& [page, sig] : t.pages) {
        sqlite3_bind_text(ins.st, 1, t.name.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(ins.st, 2, page);
        sqlite3_bind_int64(ins.st, 3, asInt(sig));
        if (sqlite3_step(ins.st) != SQLITE_DONE)
            throw WriteError("scrittura della copia non riuscita");
        sqlite3_reset(ins.st);
    }
}

void saveStats(sqlite3* db, const ImportStats& stats) {
    Stmt st(db, "INSERT OR REPLACE INTO corvex_meta VALUES(?1, ?2)");
    for (const auto& [key, value] : {std::pair<const char*, std::uint64_t>{"pages", stats.pages},
                                     {"decoded", stats.decoded}}) {
        sqlite3_bind_text(st.st, 1, key, -1, SQLITE_STATIC);
        sqlite3_bind_int64(st.st, 2, static_cast<std::int64_t>(value));
        if (sqlite3_step(st.st) != SQLITE_DONE)
            throw WriteError("scrittura della copia non riuscita");
        sqlite3_reset(st.st);
    }
}

using PageSignatures = std::unordered_map<std::uint32_t, std::uint64_t>;

// The page signatures of an earlier copy, per table, when it was made in this
// format from a file with the same tables, in the same order and with the
// same layouts; nothing otherwise (the copy is then made anew).
std::optional<std::unordered_map<std::string, PageSignatures>> earlierSignatures(
    const std::string& previous, const std::vector<TablePlan>& plans) {
    sqlite3* db = nullptr;
    const std::string uri = db::readOnlyUri(previous);
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return std::nullopt;
    }
    std::unordered_map<std::string, PageSignatures> out;
    bool same = false;
    auto query = [&](const char* sql, auto&& row) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) return false;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) row(st);
        sqlite3_finalize(st);
        return rc == SQLITE_DONE;
    };
    int format = 0;
    std::vector<std::pair<std::string, std::uint64_t>> tables;
    auto text = [](sqlite3_stmt* st, int i) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        return std::string(p ? p : "");
    };
    if (query("SELECT value FROM corvex_meta WHERE key = 'format'",
              [&](sqlite3_stmt* st) { format = sqlite3_column_int(st, 0); }) &&
        format == kSignatureFormat &&
        query("SELECT tbl, layout FROM corvex_tables ORDER BY rowid",
              [&](sqlite3_stmt* st) {
                  tables.emplace_back(text(st, 0),
                                      static_cast<std::uint64_t>(sqlite3_column_int64(st, 1)));
              }) &&
        tables.size() == plans.size()) {
        same = true;
        for (std::size_t i = 0; i < plans.size(); ++i)
            same = same && tables[i].first == plans[i].name && tables[i].second == plans[i].layout;
        same = same && query("SELECT tbl, page, sig FROM corvex_pages", [&](sqlite3_stmt* st) {
                   out[text(st, 0)][static_cast<std::uint32_t>(sqlite3_column_int64(st, 1))] =
                       static_cast<std::uint64_t>(sqlite3_column_int64(st, 2));
               });
    }
    sqlite3_close(db);
    if (!same) return std::nullopt;
    return out;
}

// The earlier copy's bytes into dest, the start of the new copy.
void copyFile(const std::string& from, const std::string& to) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) throw OpenError("impossibile leggere la copia precedente " + from);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) {
        close(in);
        throw WriteError("impossibile creare la copia " + to);
    }
    bool ok = true;
    for (;;) {
        const ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0) continue;
        if (n == 0) break;
        if (errno == EINTR) continue;
        // No in-kernel copy here: plain reads and writes.
        std::vector<char> buf(1 << 20);
        lseek(in, 0, SEEK_SET);
        lseek(out, 0, SEEK_SET);
        if (ftruncate(out, 0) != 0) ok = false;
        ssize_t got;
        while (ok && (got = read(in, buf.data(), buf.size())) != 0) {
            if (got < 0 && errno == EINTR) continue;
            ok = got > 0 && write(out, buf.data(), static_cast<std::size_t>(got)) == got;
        }
        break;
    }
    close(in);
    if (close(out) != 0 || !ok) throw WriteError("impossibile scrivere la copia " + to);
}

[[noreturn]] void countMismatch(const TablePlan& t, std::uint64_t rows) {
    throw DataError("tabella " + t.name + ": lette " + std::to_string(rows) + " righe delle " +
                    std::to_string(t.table->num_rows) + " dichiarate dal file");
}

ImportStats importOnce(const std::string& source, const std::string& dest,
                       const std::string& previous) {
    const std::uint64_t size = fileSizeOf(source);
    MdbPtr mdb(mdb_open(source.c_str(), MDB_NOFLAGS));
    if (!mdb) throw OpenError("impossibile aprire il file come database Jet");
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw OpenError("impossibile leggere l'elenco delle tabelle");

    const PageScan scan = scanPages(source, static_cast<std::size_t>(mdb->fmt->pg_size),
                                    mdb->fmt->row_count_offset, size);
    TableReader reader(mdb.get(), size);
    std::vector<TablePlan> plans;
    ImportStats stats;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
        if (g_ascii_strncasecmp(entry->object_name, "MSys", 4) == 0) continue;
        try {
            plans.push_back(reader.plan(entry, scan));
        } catch (const DataError& e) {
            TablePlan broken;
            broken.name = entry->object_name;
            broken.problem = e.what();
            plans.push_back(std::move(broken));
        }
        stats.pages += plans.back().pages.size();
    }

    const bool readable = std::all_of(plans.begin(), plans.end(),
                                      [](const TablePlan& t) { return t.problem.empty(); });
    if (!previous.empty() && readable) {
        if (auto earlier = earlierSignatures(previous, plans)) {
            // Only the pages whose bytes changed are read again: the rows of
            // a page that changed or left the table are removed, those of a
            // changed or new page inserted under their rowids.
            copyFile(previous, dest);
            SqliteOut out(dest, SqliteOut::Mode::Update);
            for (TablePlan& t : plans) {
                PageSignatures& was = (*earlier)[t.name];
                std::vector<std::uint32_t> redo;
                for (const auto& [page, sig] : t.pages) {
                    auto it = was.find(page);
                    if (it == was.end() || it->second != sig) redo.push_back(page);
                    if (it != was.end()) was.erase(it);
                }
                if (redo.empty() && was.empty()) continue;
                out.useTable(t.name, t.columns);
                for (const auto& gone : was) out.deletePage(gone.first, kRowidShift);
                for (std::uint32_t page : redo) {
                    out.deletePage(page, kRowidShift);
                    reader.copyPage(t, page, 0, scan, out);
                }
                stats.decoded += redo.size();
                savePages(out.handle(), t);
                if (const std::uint64_t rows = out.rowCount(); rows != t.table->num_rows)
                    countMismatch(t, rows);
                db::refreshTableStatistics(out.handle(), t.name, dest);
            }
            saveStats(out.handle(), stats);
            out.finish();
            stats.incremental = true;
            return stats;
        }
    }

    SqliteOut out(dest, SqliteOut::Mode::Create);
    createSignatureTables(out.handle());
    for (TablePlan& t : plans) {
        if (!t.problem.empty()) throw DataError(t.problem);
        out.createTable(t.name, t.columns);
        std::uint64_t rows = 0;
        for (const auto& page : t.pages) rows += reader.copyPage(t, page.first, rows, scan, out);
        if (rows != t.table->num_rows) countMismatch(t, rows);
        savePages(out.handle(), t);
        Stmt layout(out.handle(), "INSERT INTO corvex_tables VALUES(?1, ?2)");
        sqlite3_bind_text(layout.st, 1, t.name.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(layout.st, 2, asInt(t.layout));
        if (sqlite3_step(layout.st) != SQLITE_DONE)
            throw WriteError("scrittura della copia non riuscita");
    }
    stats.decoded = stats.pages;
    saveStats(out.handle(), stats);
    out.finish();
    return stats;
}

}  // namespace

ImportStats importJetFile(const std::string& source, const std::string& dest,
                          const std::string& previous) {
    std::string firstProblem;
    std::string earlier = previous;
    for (int attempt = 1;; ++attempt) {
        unlink(dest.c_str());
        try {
            return importOnce(source, dest, earlier);
        } catch (const DataError& e) {
            unlink(dest.c_str());
            if (firstProblem.empty() && earlier.empty()) firstProblem = e.what();
            if (attempt == kAttempts)
                throw DataError((firstProblem.empty() ? std::string(e.what()) : firstProblem) +
                                " (letto " + std::to_string(kAttempts) +
                                " volte: il file è danneggiato, oppure un altro programma lo stava "
                                "scrivendo; riprovare, o riparare il database)");
            // What the earlier copy left in place may be what does not add
            // up: the next attempt reads the whole file.
            earlier.clear();
            // Give a writer time to finish what it was doing.
            std::this_thread::sleep_for(std::chrono::milliseconds(50 << attempt));
        } catch (...) {
            unlink(dest.c_str());
            throw;
        }
    }
}

}  // namespace corvex::jetimport
