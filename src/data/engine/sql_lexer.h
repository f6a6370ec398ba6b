// Tokens of the Jet SQL dialect the reports send.
//
// The text is code page 1252 bytes. Identifiers may hold accented letters
// (Quantità) and a trailing '$' (Left$); [bracketed] and `quoted` names are
// identifiers; '...' and "..." are text literals with doubled quotes inside.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "data/engine/value.h"

namespace corvex::db::sql {

struct Token {
    enum class Kind { Ident, QuotedIdent, Number, String, Symbol, End };
    Kind kind = Kind::End;
    std::string text;  // identifier or symbol as written; literal's content unescaped
    std::size_t pos = 0;
    // Index among the literals that become parameters, or -1.
    int param = -1;

    bool isWord(std::string_view w) const;  // identifier equal to w without regard to case
    bool isSymbol(std::string_view s) const { return kind == Kind::Symbol && text == s; }
};

// A statement or criterion split into tokens. Number and text literals
// become parameters (their values in `literals`), except the file name of an
// "In 'file'" clause, which is part of the statement's shape: two texts that
// differ only in their literals have the same `shape`.
struct Lexed {
    std::vector<Token> tokens;  // ends with an End token
    std::vector<Value> literals;
    std::string shape;
};

// Throws DbError (without a file) on an unterminated literal or a stray byte.
Lexed lex(std::string_view text);

}  // namespace corvex::db::sql
