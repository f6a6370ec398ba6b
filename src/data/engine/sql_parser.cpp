// Recursive-descent parser of the Jet SQL dialect (see sql_ast.h).
#include <string_view>

#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/error.h"
#include "data/engine/sql_ast.h"

namespace corvex::db::sql {

bool sameName(std::string_view a, std::string_view b) {
    return jet::equalNoCase(a, b);
}

namespace {

using Kind = Node::Kind;

NodePtr make(Kind k, std::string name = {}) {
    auto n = std::make_unique<Node>();
    n->kind = k;
    n->name = std::move(name);
    return n;
}

// Words that end an expression or a list and never name a column.
bool isReserved(const Token& t) {
    static constexpr std::string_view words[] = {
        "select",  "from", "where", "and", "or",    "not",    "in", "is",  "null",
        "between", "like", "order", "by",  "group", "having", "as", "asc", "desc"};
    for (auto w : words)
        if (t.isWord(w)) return true;
    return false;
}

class Parser {
  public:
    explicit Parser(const Lexed& lexed) : t_(lexed.tokens) {}

    std::unique_ptr<Select> statement() {
        auto s = select();
        while (peek().isSymbol(";")) ++pos_;
        if (peek().kind != Token::Kind::End) fail("fine dell'istruzione");
        return s;
    }

    NodePtr wholeCondition() {
        auto e = expression();
        while (peek().isSymbol(";")) ++pos_;
        if (peek().kind != Token::Kind::End) fail("fine della condizione");
        return e;
    }

  private:
    const Token& peek(std::size_t ahead = 0) const {
        std::size_t i = pos_ + ahead;
        return i < t_.size() ? t_[i] : t_.back();
    }
    const Token& next() {
        const Token& t = peek();
        if (pos_ < t_.size() - 1) ++pos_;
        return t;
    }
    bool acceptWord(std::string_view w) {
        if (!peek().isWord(w)) return false;
        ++pos_;
        return true;
    }
    bool acceptSymbol(std::string_view s) {
        if (!peek().isSymbol(s)) return false;
        ++pos_;
        return true;
    }
    void expectWord(std::string_view w) {
        if (!acceptWord(w)) fail(std::string(w));
    }
    void expectSymbol(std::string_view s) {
        if (!acceptSymbol(s)) fail("'" + std::string(s) + "'");
    }
    [[noreturn]] void fail(const std::string& expected) const {
        const Token& t = peek();
        std::string found =
            t.kind == Token::Kind::End ? "la fine del testo" : "'" + cp1252ToUtf8(t.text) + "'";
        throw DbError("", "",
                      "errore di sintassi SQL: atteso " + expected + ", trovato " + found +
                          " alla posizione " + std::to_string(t.pos + 1));
    }
    std::string name() {
        const Token& t = peek();
        if (t.kind == Token::Kind::QuotedIdent ||
            (t.kind == Token::Kind::Ident && !isReserved(t))) {
            ++pos_;
            return t.text;
        }
        fail("un nome");
    }

    std::unique_ptr<Select> select() {
        expectWord("select");
        auto s = std::make_unique<Select>();
        if (acceptWord("distinct"))
            s->distinct = true;
        else
            acceptWord("all");
        if (acceptWord("top")) s->top = primary();
        do {
            SelectItem item;
            if (acceptSymbol("*")) {
                s->items.push_back(std::move(item));
                continue;
            }
            if ((peek().kind == Token::Kind::Ident || peek().kind == Token::Kind::QuotedIdent) &&
                peek(1).isSymbol(".") && peek(2).isSymbol("*")) {
                item.star = next().text;
                pos_ += 2;
                s->items.push_back(std::move(item));
                continue;
            }
            item.expr = expression();
            if (acceptWord("as"))
                item.alias = name();
            else if (peek().kind == Token::Kind::QuotedIdent ||
                     (peek().kind == Token::Kind::Ident && !isReserved(peek())))
                item.alias = name();
            s->items.push_back(std::move(item));
        } while (acceptSymbol(","));
        expectWord("from");
        s->table = name();
        if (acceptWord("in")) {
            if (peek().kind != Token::Kind::String) fail("il nome del file dopo In");
            s->hasFile = true;
            s->file = next().text;
        }
        if (acceptWord("as"))
            s->alias = name();
        else if (peek().kind == Token::Kind::QuotedIdent ||
                 (peek().kind == Token::Kind::Ident && !isReserved(peek())))
            s->alias = name();
        if (acceptWord("where")) s->where = expression();
        if (acceptWord("group")) {
            expectWord("by");
            do s->groupBy.push_back(expression());
            while (acceptSymbol(","));
        }
        if (acceptWord("having")) s->having = expression();
        if (acceptWord("order")) {
            expectWord("by");
            do {
                OrderItem o;
                o.expr = expression();
                if (acceptWord("desc"))
                    o.descending = true;
                else
                    acceptWord("asc");
                s->orderBy.push_back(std::move(o));
            } while (acceptSymbol(","));
        }
        return s;
    }

    NodePtr expression() { return disjunction(); }

    NodePtr disjunction() {
        auto first = conjunction();
        if (!peek().isWord("or")) return first;
        auto n = make(Kind::Or);
        n->args.push_back(std::move(first));
        while (acceptWord("or")) n->args.push_back(conjunction());
        return n;
    }

    NodePtr conjunction() {
        auto first = negation();
        if (!peek().isWord("and")) return first;
        auto n = make(Kind::And);
        n->args.push_back(std::move(first));
        while (acceptWord("and")) n->args.push_back(negation());
        return n;
    }

    NodePtr negation() {
        if (acceptWord("not")) {
            auto n = make(Kind::Not);
            n->args.push_back(negation());
            return n;
        }
        return predicate();
    }

    NodePtr predicate() {
        auto left = additive();
        const Token& t = peek();
        if (t.kind == Token::Kind::Symbol) {
            std::string op = t.text;
            if (op == "!=") op = "<>";
            if (op == "==") op = "=";
            if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
                ++pos_;
                auto n = make(Kind::Compare, op);
                n->args.push_back(std::move(left));
                n->args.push_back(additive());
                return n;
            }
            return left;
        }
        if (acceptWord("is")) {
            auto n = make(Kind::IsNull);
            n->negated = acceptWord("not");
            expectWord("null");
            n->args.push_back(std::move(left));
            return n;
        }
        bool negated = false;
        if (peek().isWord("not") &&
            (peek(1).isWord("in") || peek(1).isWord("between") || peek(1).isWord("like"))) {
            ++pos_;
            negated = true;
        }
        if (acceptWord("in")) {
            expectSymbol("(");
            NodePtr n;
            if (peek().isWord("select")) {
                n = make(Kind::InSelect);
                n->select = select();
            } else {
                n = make(Kind::InList);
                n->args.push_back(nullptr);  // left operand, set below
                do n->args.push_back(expression());
                while (acceptSymbol(","));
            }
            expectSymbol(")");
            if (n->args.empty())
                n->args.push_back(std::move(left));
            else
                n->args[0] = std::move(left);
            n->negated = negated;
            return n;
        }
        if (acceptWord("between")) {
            auto n = make(Kind::Between);
            n->negated = negated;
            n->args.push_back(std::move(left));
            n->args.push_back(additive());
            expectWord("and");
            n->args.push_back(additive());
            return n;
        }
        if (acceptWord("like")) {
            auto n = make(Kind::Like);
            n->negated = negated;
            n->args.push_back(std::move(left));
            n->args.push_back(additive());
            return n;
        }
        if (negated) fail("In, Between o Like");
        return left;
    }

    NodePtr additive() {
        auto left = multiplicative();
        for (;;) {
            const Token& t = peek();
            if (!(t.isSymbol("+") || t.isSymbol("-") || t.isSymbol("&"))) return left;
            auto n = make(Kind::Arith, next().text);
            n->args.push_back(std::move(left));
            n->args.push_back(multiplicative());
            left = std::move(n);
        }
    }

    NodePtr multiplicative() {
        auto left = unary();
        for (;;) {
            const Token& t = peek();
            std::string op;
            if (t.isSymbol("*") || t.isSymbol("/") || t.isSymbol("\\"))
                op = t.text;
            else if (t.isWord("mod"))
                op = "mod";
            else
                return left;
            ++pos_;
            auto n = make(Kind::Arith, op);
            n->args.push_back(std::move(left));
            n->args.push_back(unary());
            left = std::move(n);
        }
    }

    NodePtr unary() {
        if (acceptSymbol("-")) {
            auto n = make(Kind::Negate);
            n->args.push_back(unary());
            return n;
        }
        if (acceptSymbol("+")) return unary();
        return primary();
    }

    NodePtr primary() {
        const Token& t = peek();
        if (t.param >= 0) {
            ++pos_;
            auto n = make(Kind::Param);
            n->param = t.param;
            return n;
        }
        if (t.isSymbol("(")) {
            ++pos_;
            NodePtr n;
            if (peek().isWord("select")) {
                n = make(Kind::Subquery);
                n->select = select();
            } else {
                n = expression();
            }
            expectSymbol(")");
            return n;
        }
        if (t.isWord("null")) {
            ++pos_;
            return make(Kind::Null);
        }
        if (t.kind == Token::Kind::Ident && peek(1).isSymbol("(") && !isReserved(t)) {
            std::string fn = next().text;
            if (!fn.empty() && fn.back() == '$') fn.pop_back();
            ++pos_;  // '('
            auto n = make(Kind::Call, fn);
            if (!acceptSymbol(")")) {
                if (acceptWord("distinct")) n->distinct = true;
                do {
                    if (acceptSymbol("*"))
                        n->args.push_back(make(Kind::Star));
                    else
                        n->args.push_back(expression());
                } while (acceptSymbol(","));
                expectSymbol(")");
            }
            return n;
        }
        if (t.kind == Token::Kind::Ident || t.kind == Token::Kind::QuotedIdent) {
            auto n = make(Kind::Column, name());
            if (peek().isSymbol(".") &&
                (peek(1).kind == Token::Kind::Ident || peek(1).kind == Token::Kind::QuotedIdent)) {
                ++pos_;
                n->qualifier = std::move(n->name);
                n->name = name();
            }
            return n;
        }
        fail("un valore");
    }

    const std::vector<Token>& t_;
    std::size_t pos_ = 0;
};

}  // namespace

bool isSelect(const Lexed& lexed) {
    for (const Token& t : lexed.tokens) {
        if (t.isSymbol("(")) continue;
        return t.isWord("select");
    }
    return false;
}

std::unique_ptr<Select> parseSelect(const Lexed& lexed) {
    return Parser(lexed).statement();
}

NodePtr parseCondition(const Lexed& lexed) {
    return Parser(lexed).wholeCondition();
}

}  // namespace corvex::db::sql
