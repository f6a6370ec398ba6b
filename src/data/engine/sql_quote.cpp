#include "data/engine/sql_quote.h"

#include "common/text.h"

namespace corvex::db {

namespace {

std::string enclose(std::string_view text, char mark) {
    std::string out;
    out.reserve(text.size() + 2);
    out += mark;
    for (char c : text) {
        if (c == mark) out += mark;
        out += c;
    }
    out += mark;
    return out;
}

}  // namespace

std::string quoteIdentifier(std::string_view name) {
    return enclose(name, '"');
}

std::string sqliteName(std::string_view cp1252) {
    return quoteIdentifier(cp1252ToUtf8(cp1252));
}

std::string quote(std::string_view text) {
    return enclose(text, '\'');
}

}  // namespace corvex::db
