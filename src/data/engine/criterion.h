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
#include "data/engine/row_set.h"
#include "data/engine/sql_ast.h"

namespace corvex::db {

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
