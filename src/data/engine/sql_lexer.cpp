#include "data/engine/sql_lexer.h"

#include <charconv>

#include "common/text.h"
#include "data/engine/error.h"

namespace corvex::db::sql {

namespace {

bool isIdentStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool isIdentChar(unsigned char c) {
    return isIdentStart(c) || (c >= '0' && c <= '9');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

[[noreturn]] void fail(std::string_view text, const std::string& what) {
    throw DbError("", std::string(text), what);
}

Value numberValue(std::string_view t) {
    std::int64_t i;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), i);
    if (ec == std::errc() && p == t.data() + t.size()) return Value(i);
    double d = 0;
    std::from_chars(t.data(), t.data() + t.size(), d);
    return Value(d);
}

}  // namespace

bool Token::isWord(std::string_view w) const {
    if (kind != Kind::Ident || text.size() != w.size()) return false;
    for (std::size_t i = 0; i < w.size(); ++i) {
        char a = text[i], b = w[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
        if (a != b) return false;
    }
    return true;
}

Lexed lex(std::string_view text) {
    Lexed out;
    out.tokens.reserve(text.size() / 4 + 2);
    out.shape.reserve(text.size());
    std::size_t i = 0, n = text.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        Token t;
        t.pos = i;
        if (c == '\'' || c == '"') {
            // Text literal; a doubled quote stands for one.
            char q = static_cast<char>(c);
            std::size_t j = i + 1;
            for (;;) {
                if (j >= n) fail(text, "testo non chiuso nell'istruzione SQL");
                if (text[j] == q) {
                    if (j + 1 < n && text[j + 1] == q) {
                        t.text += q;
                        j += 2;
                        continue;
                    }
                    break;
                }
                t.text += text[j++];
            }
            t.kind = Token::Kind::String;
            i = j + 1;
        } else if (c == '[' || c == '`') {
            char close = c == '[' ? ']' : '`';
            std::size_t j = text.find(close, i + 1);
            if (j == std::string_view::npos) fail(text, "nome non chiuso nell'istruzione SQL");
            t.kind = Token::Kind::QuotedIdent;
            t.text = std::string(text.substr(i + 1, j - i - 1));
            i = j + 1;
        } else if (isDigit(static_cast<char>(c)) ||
                   (c == '.' && i + 1 < n && isDigit(text[i + 1]))) {
            std::size_t j = i;
            while (j < n && isDigit(text[j])) ++j;
            if (j < n && text[j] == '.') {
                ++j;
                while (j < n && isDigit(text[j])) ++j;
            }
            if (j < n && (text[j] == 'e' || text[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < n && (text[k] == '+' || text[k] == '-')) ++k;
                if (k < n && isDigit(text[k])) {
                    j = k;
                    while (j < n && isDigit(text[j])) ++j;
                }
            }
            t.kind = Token::Kind::Number;
            t.text = std::string(text.substr(i, j - i));
            i = j;
        } else if (isIdentStart(c)) {
            std::size_t j = i;
            while (j < n && isIdentChar(static_cast<unsigned char>(text[j]))) ++j;
            if (j < n && text[j] == '$') ++j;  // Left$, Mid$, ...
            t.kind = Token::Kind::Ident;
            t.text = std::string(text.substr(i, j - i));
            i = j;
        } else {
            static constexpr std::string_view two[] = {"<>", "<=", ">=", "!=", "=="};
            t.kind = Token::Kind::Symbol;
            std::string_view rest = text.substr(i);
            for (auto s : two) {
                if (rest.substr(0, 2) == s) t.text = std::string(s);
            }
            if (t.text.empty()) {
                if (std::string_view("=<>+-*/&(),.;\\").find(static_cast<char>(c)) ==
                    std::string_view::npos)
                    fail(text, "carattere non previsto nell'istruzione SQL: " +
                                   cp1252ToUtf8(std::string(1, static_cast<char>(c))));
                t.text = std::string(1, static_cast<char>(c));
            }
            i += t.text.size();
        }
        // Literals become parameters, except the file of "In 'file'".
        bool literal = t.kind == Token::Kind::Number || t.kind == Token::Kind::String;
        if (literal && t.kind == Token::Kind::String && !out.tokens.empty() &&
            out.tokens.back().isWord("in"))
            literal = false;
        if (literal) {
            t.param = static_cast<int>(out.literals.size());
            out.literals.push_back(t.kind == Token::Kind::Number ? numberValue(t.text)
                                                                 : Value(t.text));
            out.shape += t.kind == Token::Kind::Number ? "\x02n" : "\x02s";
        } else {
            out.shape += static_cast<char>('a' + static_cast<int>(t.kind));
            out.shape += t.text;
        }
        out.shape += '\x01';
        out.tokens.push_back(std::move(t));
    }
    Token end;
    end.pos = n;
    out.tokens.push_back(std::move(end));
    return out;
}

}  // namespace corvex::db::sql
