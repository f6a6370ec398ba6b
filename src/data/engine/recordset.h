// A dynaset: the rows of one statement, walked with find-first / find-next.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "data/engine/value.h"

namespace corvex::db {

class Recordset {
  public:
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

    // Field metadata.
    std::size_t fieldCount() const;
    const std::string& fieldName(std::size_t i) const;
    bool hasField(std::string_view name) const;  // without regard to case

    // Current row's values. Names are matched without regard to case; an
    // unknown name is a DbError naming the field.
    const Value& field(std::string_view name) const;
    const Value& field(std::size_t i) const;

    // Walking in recordset order. A criterion is a condition in the Jet dialect
    // ("NumeroHotel = 1 and CodiceCliente = 123"). findFirst looks from the
    // first row, findNext from the row after the current one; both return
    // true on a match and make it current, false (noMatch) otherwise, leaving
    // the current row unchanged.
    bool findFirst(std::string_view criterion);
    bool findNext(std::string_view criterion);
    bool noMatch() const;

    // Plain walking.
    std::size_t recordCount() const;
    bool eof() const;
    void moveFirst();
    void moveNext();

    // Changes, for recordsets over one table of a writable database.
    void addNew();                                  // starts a new row (all null)
    void edit();                                    // starts changing the current row
    void setField(std::string_view name, Value v);  // after addNew/edit
    void update();                                  // saves the new or changed row
    void deleteCurrent();

    void close();

    // Throws a DbError naming the file, the table and the current row (its
    // position and first fields) with `cause` (UTF-8): for a value of the row
    // that the caller cannot use.
    [[noreturn]] void failOnCurrentRow(const std::string& cause) const;

    struct Impl;
    explicit Recordset(std::unique_ptr<Impl> impl);

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvex::db
