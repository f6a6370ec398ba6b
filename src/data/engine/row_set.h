// The rows a recordset holds in memory, encoded compactly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/currency.h"
#include "data/engine/value.h"

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

}  // namespace corvex::db
