// Find criteria on materialised rows: "NumeroHotel = 1 and CodiceCliente = 12".
//
// A criterion is parsed once per shape (its text with the literals taken
// out) and then evaluated with each call's literals. Comparisons follow the
// SQL side: text without regard to case (jet_text.h), numbers by value, a
// number against a text field as text, NULL never equal to anything.
//
// When the criterion's top-level AND holds equalities "Field = literal", the
// rows are looked up in a hash index over those fields (built once per field
// set, on first use) that maps key values to ascending row positions; the
// rest of the criterion is then checked on those rows only. The result is
// always that of a scan in row order.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/currency.h"
#include "data/engine/sql_ast.h"

namespace corvex::db {

// The rows of a recordset, each row's values encoded one after the other in
// one byte buffer (a tag byte, then a variable-length integer, 8 bytes of a
// double or the length and bytes of a text): a register row of 54 columns
// takes a few hundred bytes instead of 54 Values. A deleted flag per row.
class RowSet {
  public:
    // What the non-null values of a column were: only ever widens (a changed
    // or deleted row may leave it wider than the rows now need).
    enum class Kind : char { Empty, Text, Number, Mixed };

    explicit RowSet(std::size_t columns = 0) : columns_(columns), kinds_(columns, Kind::Empty) {}

    std::size_t columns() const { return columns_; }
    std::size_t rows() const { return starts_.size(); }
    bool deleted(std::size_t r) const { return deleted_[r] != 0; }
    void markDeleted(std::size_t r) { deleted_[r] = 1; }
    Kind kind(std::size_t column) const { return kinds_[column]; }
    std::size_t bytes() const { return bytes_.size(); }

    // A new row: beginRow, then one put per column in order.
    void beginRow();
    void putNull() { putTag(kNull); }
    void putInt(std::int64_t v);
    void putCurrency(Currency v);
    void putDouble(double v);
    void putText(std::string_view cp1252);
    void put(const Value& v);
    // Appends a whole row, or replaces row r's values (its position stays).
    void appendRow(const Value* values);
    void replaceRow(std::size_t r, const Value* values);

    // Decodes the cells of row r whose columns are listed (ascending) into
    // out[column]; the other entries of out are left alone.
    void decode(std::size_t r, const std::vector<int>& columns, Value* out) const;
    // Decodes every cell of row r into out[0..columns).
    void decodeRow(std::size_t r, Value* out) const;
    // Byte offset of each cell of row r, for decodeCell.
    void cellOffsets(std::size_t r, std::vector<std::uint32_t>& out) const;
    void decodeCell(std::size_t r, std::uint32_t offset, Value& out) const;

  private:
    enum : unsigned char { kNull, kInt, kCurrency, kDouble, kText };
    void putTag(unsigned char tag);
    void putVarint(std::uint64_t v);
    std::size_t skip(std::size_t at) const;
    std::size_t read(std::size_t at, Value& out) const;

    std::size_t columns_;
    std::string bytes_;
    std::vector<std::size_t> starts_;
    std::vector<char> deleted_;
    std::vector<Kind> kinds_;
    std::size_t put_ = 0;  // column of the next put
};

class CriterionFinder {
  public:
    // fieldIndex maps a name (without regard to case) to a column or -1.
    using FieldLookup = int (*)(const void* ctx, std::string_view name);
    CriterionFinder(FieldLookup lookup, const void* ctx) : lookup_(lookup), ctx_(ctx) {}

    // First row at or after `from` that satisfies the criterion, or nullopt.
    // Throws DbError (without a file) on a syntax error or an unknown field.
    std::optional<std::size_t> find(const RowSet& rows, std::string_view criterion,
                                    std::size_t from);
    // Drop the indexes (the rows changed).
    void invalidate() { indexes_.clear(); }

    // Evaluates a parsed condition on one row: 1 true, 0 false, -1 null.
    static int truth(const sql::Node& n, const Value* row, const std::vector<Value>& params);

  private:
    struct Compiled {
        sql::NodePtr ast;
        std::vector<std::pair<int, int>> equalities;  // (field, literal index)
        std::vector<int> keyFields;
        std::vector<int> fields;  // every field the criterion reads, ascending
    };
    struct Index {
        std::unordered_map<std::string, std::vector<std::uint32_t>> rows;
    };
    Compiled& compile(const sql::Lexed& lexed);
    void resolve(sql::Node& n);
    const Index& index(const RowSet& rows, const std::vector<int>& fields);

    FieldLookup lookup_;
    const void* ctx_;
    std::unordered_map<std::string, std::unique_ptr<Compiled>> compiled_;
    std::map<std::vector<int>, Index> indexes_;
    std::vector<Value> scratch_;  // the fields a criterion reads, of one row
};

// Appends the index key of a value: folded text or the number's value.
void appendKey(std::string& key, const Value& v);

}  // namespace corvex::db
