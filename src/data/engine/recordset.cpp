#include "data/engine/recordset.h"

#include <sqlite3.h>

#include <cmath>
#include <cstring>

#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/criterion.h"
#include "data/engine/error.h"
#include "data/engine/recordset_impl.h"

namespace corvex::db {

using sql::ColType;

struct Recordset::Impl {
    std::shared_ptr<Connection> conn;
    std::string shown;  // file named in errors
    std::vector<std::string> names;
    RowSet rows;
    std::vector<std::int64_t> rowids;  // editable recordsets
    bool editable = false;
    std::string table;
    std::size_t cur = 0;
    bool noMatch = false;
    bool closed = false;
    CriterionFinder finder{&Impl::lookup, this};
    enum class Edit { None, Adding, Editing } edit = Edit::None;
    std::vector<Value> pending;
    std::vector<char> touched;
    // The current row's values, decoded from the rows field by field as they
    // are asked for: `decodedFor[i]` is the row whose value current[i] holds.
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    mutable std::vector<Value> current;
    mutable std::vector<std::size_t> decodedFor;
    mutable std::vector<std::uint32_t> offsets;  // cells of row offsetsFor
    mutable std::size_t offsetsFor = kNone;

    const Value& cell(std::size_t i) const {
        if (decodedFor[i] != cur) {
            if (offsetsFor != cur) {
                rows.cellOffsets(cur, offsets);
                offsetsFor = cur;
            }
            rows.decodeCell(cur, offsets[i], current[i]);
            decodedFor[i] = cur;
        }
        return current[i];
    }
    // Row r's values changed: forget what was decoded of it.
    void forgetDecoded() {
        offsetsFor = kNone;
        std::fill(decodedFor.begin(), decodedFor.end(), kNone);
    }

    static int lookup(const void* self, std::string_view name) {
        return static_cast<const Impl*>(self)->indexOf(name);
    }
    int indexOf(std::string_view name) const {
        for (std::size_t i = 0; i < names.size(); ++i)
            if (names[i].size() == name.size() && jet::equalNoCase(names[i], name))
                return static_cast<int>(i);
        return -1;
    }
    std::size_t fieldIndex(std::string_view name) const {
        int i = indexOf(name);
        if (i < 0) throw DbError(shown, "", "campo sconosciuto: " + cp1252ToUtf8(name));
        return static_cast<std::size_t>(i);
    }
    void requireOpen() const {
        if (closed) throw DbError(shown, "", "il recordset è chiuso");
    }
    void requireCurrent() const {
        requireOpen();
        if (cur >= rows.rows() || rows.deleted(cur))
            throw DbError(shown, "", "nessun record corrente");
    }
    std::size_t firstFrom(std::size_t r) const {
        while (r < rows.rows() && rows.deleted(r)) ++r;
        return r;
    }
    bool fromServer = false;
    void requireWritable() const {
        requireOpen();
        if (fromServer) throw DbError(shown, "", "il file è di sola lettura (dati dal server)");
        if (conn && conn->readOnly()) conn->readOnlyError("");
        if (!editable || !conn)
            throw DbError(shown, "", "il recordset non è aggiornabile (non è su una sola tabella)");
    }
    void reread(std::size_t r);
};

namespace {

bool isAscii(const char* p, std::size_t n) {
    std::uint64_t high = 0;
    std::size_t k = 0;
    for (; k + 8 <= n; k += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + k, 8);
        high |= w;
    }
    for (; k < n; ++k) high |= static_cast<unsigned char>(p[k]);
    return (high & 0x8080808080808080ull) == 0;
}

Value readColumn(sqlite3_stmt* st, int i, ColType type) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL:
            return Value();
        case SQLITE_INTEGER: {
            std::int64_t v = sqlite3_column_int64(st, i);
            if (type == ColType::Currency) return Value(Currency::whole(v));
            if (type == ColType::Double) return Value(static_cast<double>(v));
            if (type == ColType::Text) return Value(std::to_string(v));
            return Value(v);
        }
        case SQLITE_FLOAT: {
            double d = sqlite3_column_double(st, i);
            if (type == ColType::Currency) return Value(Currency::fromDouble(d));
            if (type == ColType::Integer && std::trunc(d) == d && std::fabs(d) < 9e18)
                return Value(static_cast<std::int64_t>(d));
            if (type == ColType::Text) return Value(Value(d).toText());
            return Value(d);
        }
        default: {
            auto p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(st, i));
            if (!p) return Value(std::string());
            // Most suite text is ASCII: then the bytes are already code page 1252.
            if (isAscii(p, n)) return Value(std::string(p, n));
            return Value(utf8ToCp1252(std::string_view(p, n)));
        }
    }
}

// Appends column i of the current result row to the rows, as readColumn
// would read it, without making a Value for the common kinds.
void appendColumn(RowSet& rows, sqlite3_stmt* st, int i, ColType type) {
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL:
            rows.putNull();
            return;
        case SQLITE_INTEGER:
            if (type == ColType::Integer || type == ColType::Unknown) {
                rows.putInt(sqlite3_column_int64(st, i));
                return;
            }
            break;
        case SQLITE_TEXT: {
            auto p = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(st, i));
            if (p && isAscii(p, n)) {
                rows.putText(std::string_view(p, n));
                return;
            }
            break;
        }
        default:
            break;
    }
    rows.put(readColumn(st, i, type));
}

// "tabella Conto_Cliente, riga 3 (NumeroHotel 1, CodiceCliente 7)" (UTF-8):
// where a row lies, for a person to find it. The row counts from 1 in the
// recordset's order; the first columns identify it in the suite.
std::string rowDescription(const Recordset::Impl& m, std::size_t row,
                           const std::vector<std::string>& firstValues) {
    std::string out;
    if (!m.table.empty()) out += "tabella " + cp1252ToUtf8(m.table) + ", ";
    out += "riga " + std::to_string(row);
    std::string keys;
    for (std::size_t i = 0; i < firstValues.size(); ++i)
        keys += (i ? ", " : "") + cp1252ToUtf8(m.names[i]) + " " + firstValues[i];
    if (!keys.empty()) out += " (" + keys + ")";
    return out;
}

// The UTF-8 texts of the current result row's columns before `col`, at most 3.
std::vector<std::string> leadingTexts(sqlite3_stmt* st, int col) {
    std::vector<std::string> out;
    for (int i = 0; i < col && i < 3; ++i) {
        auto text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        out.push_back(text ? text : "Null");
    }
    return out;
}
}  // namespace

Recordset runSelect(const std::shared_ptr<Connection>& conn, Connection::Prepared& prepared,
                    const std::vector<Value>& literals, const std::string& original) {
    sqlite3_stmt* st = prepared.stmt.get();
    const auto& tr = prepared.translation;
    int params = sqlite3_bind_parameter_count(st);
    for (int k = 0; k < params && k < static_cast<int>(literals.size()); ++k)
        bindValue(st, k + 1, literals[static_cast<std::size_t>(k)]);

    auto impl = std::make_unique<Recordset::Impl>();
    impl->conn = conn;
    impl->shown = conn->shown();
    impl->editable = tr.editable;
    impl->table = tr.table;
    int total = sqlite3_column_count(st);
    int visible = total - static_cast<int>(tr.hiddenColumns);
    std::vector<ColType> types(static_cast<std::size_t>(visible), ColType::Unknown);
    for (int i = 0; i < visible; ++i) {
        const char* decl = sqlite3_column_decltype(st, i);
        if (decl)
            types[static_cast<std::size_t>(i)] = sql::typeOfDeclared(decl);
        else if (tr.columnTypes.size() == static_cast<std::size_t>(visible))
            types[static_cast<std::size_t>(i)] = tr.columnTypes[static_cast<std::size_t>(i)];
        const char* name = sqlite3_column_name(st, i);
        impl->names.push_back(utf8ToCp1252(name ? name : ""));
    }
    const std::size_t columns = static_cast<std::size_t>(visible);
    impl->rows = RowSet(columns);
    impl->current.assign(columns, Value());
    impl->decodedFor.assign(columns, Recordset::Impl::kNone);
    int rc;
    std::size_t count = 0;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        ++count;
        impl->rows.beginRow();
        for (int i = 0; i < visible; ++i) {
            try {
                appendColumn(impl->rows, st, i, types[static_cast<std::size_t>(i)]);
            } catch (const CurrencyOverflow& e) {
                std::string where = rowDescription(*impl, count, leadingTexts(st, i)) + ", campo " +
                                    cp1252ToUtf8(impl->names[static_cast<std::size_t>(i)]);
                sqlite3_reset(st);
                sqlite3_clear_bindings(st);
                throw DbError(impl->shown, original, where + ": " + e.what());
            }
        }
        if (tr.hiddenColumns) impl->rowids.push_back(sqlite3_column_int64(st, visible));
    }
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE) conn->fail(original, rc);
    return Recordset(std::move(impl));
}

Recordset recordsetOfRows(std::string shown, std::string table, std::vector<std::string> names,
                          RowSet rows) {
    auto impl = std::make_unique<Recordset::Impl>();
    impl->shown = std::move(shown);
    impl->table = std::move(table);
    impl->fromServer = true;
    impl->current.assign(names.size(), Value());
    impl->decodedFor.assign(names.size(), Recordset::Impl::kNone);
    impl->names = std::move(names);
    impl->rows = std::move(rows);
    return Recordset(std::move(impl));
}

Recordset::Recordset(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

void Recordset::failOnCurrentRow(const std::string& cause) const {
    impl_->requireCurrent();
    std::vector<std::string> first;
    for (std::size_t i = 0; i < impl_->names.size() && i < 3; ++i) {
        const Value& v = impl_->cell(i);
        first.push_back(v.isNull() ? "Null" : cp1252ToUtf8(v.toText()));
    }
    throw DbError(impl_->shown, "", rowDescription(*impl_, impl_->cur + 1, first) + ": " + cause);
}
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

std::size_t Recordset::fieldCount() const {
    return impl_->names.size();
}

const std::string& Recordset::fieldName(std::size_t i) const {
    if (i >= impl_->names.size())
        throw DbError(impl_->shown, "", "campo " + std::to_string(i) + " inesistente");
    return impl_->names[i];
}

bool Recordset::hasField(std::string_view name) const {
    return impl_->indexOf(name) >= 0;
}

const Value& Recordset::field(std::string_view name) const {
    std::size_t i = impl_->fieldIndex(name);
    if (impl_->edit != Impl::Edit::None) return impl_->pending[i];
    impl_->requireCurrent();
    return impl_->cell(i);
}

const Value& Recordset::field(std::size_t i) const {
    fieldName(i);
    if (impl_->edit != Impl::Edit::None) return impl_->pending[i];
    impl_->requireCurrent();
    return impl_->cell(i);
}

bool Recordset::findFirst(std::string_view criterion) {
    impl_->requireOpen();
    std::optional<std::size_t> r;
    try {
        r = impl_->finder.find(impl_->rows, criterion, 0);
    } catch (const DbError& e) {
        throw DbError(impl_->shown, std::string(criterion), e.cause());
    }
    impl_->noMatch = !r;
    if (r) impl_->cur = *r;
    return r.has_value();
}

bool Recordset::findNext(std::string_view criterion) {
    impl_->requireOpen();
    std::optional<std::size_t> r;
    try {
        std::size_t from = impl_->cur < impl_->rows.rows() ? impl_->cur + 1 : impl_->rows.rows();
        r = impl_->finder.find(impl_->rows, criterion, from);
    } catch (const DbError& e) {
        throw DbError(impl_->shown, std::string(criterion), e.cause());
    }
    impl_->noMatch = !r;
    if (r) impl_->cur = *r;
    return r.has_value();
}

bool Recordset::noMatch() const {
    return impl_->noMatch;
}

std::size_t Recordset::recordCount() const {
    std::size_t n = 0;
    for (std::size_t r = 0; r < impl_->rows.rows(); ++r) n += impl_->rows.deleted(r) ? 0 : 1;
    return n;
}

bool Recordset::eof() const {
    return impl_->cur >= impl_->rows.rows();
}

void Recordset::moveFirst() {
    impl_->requireOpen();
    impl_->cur = impl_->firstFrom(0);
}

void Recordset::moveNext() {
    impl_->requireOpen();
    if (impl_->cur < impl_->rows.rows()) impl_->cur = impl_->firstFrom(impl_->cur + 1);
}

void Recordset::addNew() {
    impl_->requireWritable();
    impl_->edit = Impl::Edit::Adding;
    impl_->pending.assign(impl_->names.size(), Value());
    impl_->touched.assign(impl_->names.size(), 0);
}

void Recordset::edit() {
    impl_->requireWritable();
    impl_->requireCurrent();
    impl_->pending.assign(impl_->names.size(), Value());
    impl_->rows.decodeRow(impl_->cur, impl_->pending.data());
    impl_->touched.assign(impl_->names.size(), 0);
    impl_->edit = Impl::Edit::Editing;
}

void Recordset::setField(std::string_view name, Value v) {
    if (impl_->edit == Impl::Edit::None)
        throw DbError(impl_->shown, "",
                      "modifica di un campo senza addNew o edit: " + cp1252ToUtf8(name));
    std::size_t i = impl_->fieldIndex(name);
    impl_->pending[i] = std::move(v);
    impl_->touched[i] = 1;
}

void Recordset::Impl::reread(std::size_t r) {
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < names.size(); ++i) sql += (i ? ", " : "") + sqliteName(names[i]);
    sql += " FROM " + sqliteName(table) + " WHERE rowid = ?1";
    sqlite3_stmt* st = conn->prepare(sql);
    sqlite3_bind_int64(st, 1, rowids[r]);
    if (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<Value> values(names.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            const char* decl = sqlite3_column_decltype(st, static_cast<int>(i));
            values[i] = readColumn(st, static_cast<int>(i),
                                   decl ? sql::typeOfDeclared(decl) : ColType::Unknown);
        }
        rows.replaceRow(r, values.data());
        forgetDecoded();
    }
    sqlite3_reset(st);
}

void Recordset::update() {
    Impl& m = *impl_;
    if (m.edit == Impl::Edit::None)
        throw DbError(m.shown, "", "salvataggio di un record senza addNew o edit");
    m.requireWritable();
    std::vector<std::size_t> cols;
    for (std::size_t i = 0; i < m.touched.size(); ++i)
        if (m.touched[i]) cols.push_back(i);
    std::string sql;
    if (m.edit == Impl::Edit::Adding) {
        sql = "INSERT INTO " + sqliteName(m.table);
        if (cols.empty()) {
            sql += " DEFAULT VALUES";
        } else {
            std::string names, marks;
            for (std::size_t k = 0; k < cols.size(); ++k) {
                names += (k ? ", " : "") + sqliteName(m.names[cols[k]]);
                marks += (k ? ", ?" : "?") + std::to_string(k + 1);
            }
            sql += " (" + names + ") VALUES (" + marks + ")";
        }
    } else {
        if (cols.empty()) {
            m.edit = Impl::Edit::None;
            return;
        }
        sql = "UPDATE " + sqliteName(m.table) + " SET ";
        for (std::size_t k = 0; k < cols.size(); ++k)
            sql += (k ? ", " : "") + sqliteName(m.names[cols[k]]) + " = ?" + std::to_string(k + 1);
        sql += " WHERE rowid = ?" + std::to_string(cols.size() + 1);
    }
    sqlite3_stmt* st = m.conn->prepare(sql);
    for (std::size_t k = 0; k < cols.size(); ++k)
        bindValue(st, static_cast<int>(k + 1), m.pending[cols[k]]);
    if (m.edit == Impl::Edit::Editing)
        sqlite3_bind_int64(st, static_cast<int>(cols.size() + 1), m.rowids[m.cur]);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE) m.conn->fail(utf8ToCp1252(sql), rc);
    std::size_t r = m.cur;
    if (m.edit == Impl::Edit::Adding) {
        // A new row joins the end of the recordset; the current row stays.
        r = m.rows.rows();
        m.rows.appendRow(m.pending.data());
        m.rowids.push_back(sqlite3_last_insert_rowid(m.conn->handle()));
    }
    m.edit = Impl::Edit::None;
    m.reread(r);
    m.finder.invalidate();
}

void Recordset::deleteCurrent() {
    Impl& m = *impl_;
    m.requireWritable();
    m.requireCurrent();
    sqlite3_stmt* st = m.conn->prepare("DELETE FROM " + sqliteName(m.table) + " WHERE rowid = ?1");
    sqlite3_bind_int64(st, 1, m.rowids[m.cur]);
    int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) m.conn->fail("DELETE", rc);
    m.rows.markDeleted(m.cur);
    m.finder.invalidate();
}

void Recordset::close() {
    impl_->closed = true;
    impl_->conn.reset();
    impl_->edit = Impl::Edit::None;
}

}  // namespace corvex::db
