// A field value as the engine hands it to the reports.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "common/currency.h"

namespace corvex::db {

class Value {
  public:
    enum class Type { Null, Integer, Currency, Double, Text };

    Value() = default;  // null
    Value(std::int64_t v) : v_(v) {}
    Value(int v) : v_(static_cast<std::int64_t>(v)) {}
    Value(corvex::Currency v) : v_(v) {}
    Value(double v) : v_(v) {}
    Value(std::string text) : v_(std::move(text)) {}  // code page 1252 bytes
    Value(const char* text) : v_(std::string(text)) {}
    static Value null() { return Value(); }
    // Makes the value that text, reusing the held text's buffer if any.
    void setText(std::string_view cp1252) {
        if (auto* s = std::get_if<std::string>(&v_))
            s->assign(cp1252);
        else
            v_ = std::string(cp1252);
    }

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isNull() const { return type() == Type::Null; }

    // Conversions as the reports need them. Null gives 0 / empty text.
    // Text that holds a number converts by its numeric value ("12" -> 12);
    // other text converts to 0. Doubles round half away from zero for toInt.
    std::int64_t toInt() const;
    corvex::Currency toCurrency() const;  // doubles round to 1/10000
    double toDouble() const;
    // Text form: text as is; integers in decimal; currency and doubles in the
    // shortest plain form with '.' ("4.5", "12"); null gives "".
    std::string toText() const;

    // Direct access for the engine's comparisons: the held value when it is
    // of that type, else nullptr.
    const std::string* textIf() const { return std::get_if<std::string>(&v_); }
    const std::int64_t* intIf() const { return std::get_if<std::int64_t>(&v_); }
    const corvex::Currency* currencyIf() const { return std::get_if<corvex::Currency>(&v_); }
    const double* doubleIf() const { return std::get_if<double>(&v_); }

    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

  private:
    std::variant<std::monostate, std::int64_t, corvex::Currency, double, std::string> v_;
};

}  // namespace corvex::db
