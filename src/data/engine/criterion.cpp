#include "data/engine/criterion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/error.h"
#include "data/engine/sql_translate.h"
#include "data/engine/sqlite_functions.h"

namespace corvex::db {

using sql::Node;
using Kind = Node::Kind;

namespace {

bool isNumber(const Value& v) {
    return v.intIf() || v.currencyIf() || v.doubleIf();
}

// A text literal compared with a number field takes the field's numeric
// affinity, as SQLite does: "12" is 12, "abc" stays text.
bool numericText(const std::string& s, double& out) {
    Value v(s);
    std::string_view t = s;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    if (t.empty()) return false;
    char* end = nullptr;
    std::string copy(t);
    out = std::strtod(copy.c_str(), &end);
    return end && *end == '\0';
}

int compareNumbers(const Value& a, const Value& b) {
    if (a.intIf() && b.intIf()) {
        std::int64_t x = *a.intIf(), y = *b.intIf();
        return x < y ? -1 : x > y;
    }
    if (a.currencyIf() && b.currencyIf()) {
        auto x = *a.currencyIf(), y = *b.currencyIf();
        return x < y ? -1 : x > y;
    }
    double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : x > y;
}

// Order of two values, nullopt when either is null. aField/bField tell which
// operand is a field of the row (its type decides the comparison).
std::optional<int> compareValues(const Value& a, const Value& b, bool aField, bool bField) {
    if (a.isNull() || b.isNull()) return std::nullopt;
    const std::string *ta = a.textIf(), *tb = b.textIf();
    if (ta && tb) return jet::compareNoCase(*ta, *tb);
    if (!ta && !tb) return compareNumbers(a, b);
    // One text, one number.
    const Value& text = ta ? a : b;
    const Value& num = ta ? b : a;
    bool textIsField = ta ? aField : bField;
    bool numIsField = ta ? bField : aField;
    int sign = ta ? 1 : -1;  // result is text op num; flip when text is b
    if (textIsField) return sign * jet::compareNoCase(*text.textIf(), num.toText());
    if (numIsField) {
        double d;
        if (numericText(*text.textIf(), d)) return sign * compareNumbers(Value(d), num);
    }
    return sign;  // a number sorts before any text
}

const Value& operand(const Node& n, const Value* row, const std::vector<Value>& params, Value& tmp);

Value call(const Node& n, const Value* row, const std::vector<Value>& params) {
    std::vector<Value> a;
    a.reserve(n.args.size());
    for (const auto& arg : n.args) {
        Value tmp;
        a.push_back(operand(*arg, row, params, tmp));
    }
    std::string_view f = sql::engineFunction(n.name);
    auto argc = a.size();
    if (f == "ifnull" && argc >= 1) return a[0].isNull() && argc > 1 ? a[1] : a[0];
    for (const auto& v : a)
        if (v.isNull()) return Value();
    if (f == "jet_left" && argc == 2)
        return Value(
            left(a[0].toText(), static_cast<std::size_t>(std::max<std::int64_t>(0, a[1].toInt()))));
    if (f == "jet_right" && argc == 2)
        return Value(right(a[0].toText(),
                           static_cast<std::size_t>(std::max<std::int64_t>(0, a[1].toInt()))));
    if (f == "jet_mid" && (argc == 2 || argc == 3)) {
        std::int64_t start = std::max<std::int64_t>(1, a[1].toInt());
        std::size_t len = argc == 3
                              ? static_cast<std::size_t>(std::max<std::int64_t>(0, a[2].toInt()))
                              : std::string::npos;
        std::string s = a[0].toText();
        if (static_cast<std::size_t>(start - 1) >= s.size()) return Value(std::string());
        return Value(s.substr(static_cast<std::size_t>(start - 1), len));
    }
    if (f == "jet_len" && argc == 1) return Value(static_cast<std::int64_t>(a[0].toText().size()));
    if (f == "jet_instr" && (argc == 2 || argc == 3)) {
        std::size_t i = argc == 3 ? 1 : 0;
        std::int64_t start = argc == 3 ? std::max<std::int64_t>(1, a[0].toInt()) : 1;
        std::string hay = jet::foldCase(a[i].toText()), needle = jet::foldCase(a[i + 1].toText());
        if (static_cast<std::size_t>(start - 1) > hay.size()) return Value(0);
        auto p = hay.find(needle, static_cast<std::size_t>(start - 1));
        return Value(p == std::string::npos ? std::int64_t{0} : static_cast<std::int64_t>(p) + 1);
    }
    if (f == "jet_ucase" && argc == 1) return Value(jet::upperCase(a[0].toText()));
    if (f == "jet_lcase" && argc == 1) return Value(jet::foldCase(a[0].toText()));
    if (f == "trim" && argc == 1) return Value(trim(a[0].toText()));
    if (f == "ltrim" && argc == 1) return Value(trimLeft(a[0].toText()));
    if (f == "rtrim" && argc == 1) return Value(trimRight(a[0].toText()));
    if (f == "jet_val" && argc == 1) return Value(std::strtod(a[0].toText().c_str(), nullptr));
    if (f == "abs" && argc == 1) {
        if (a[0].intIf()) return Value(static_cast<std::int64_t>(std::llabs(*a[0].intIf())));
        if (a[0].currencyIf())
            return Value(Currency::fromUnits(std::llabs(a[0].currencyIf()->units())));
        return Value(std::fabs(a[0].toDouble()));
    }
    throw DbError("", "",
                  "funzione non disponibile in un criterio di ricerca: " + cp1252ToUtf8(n.name));
}

Value arith(const Node& n, const Value& a, const Value& b) {
    if (n.name == "&") return Value(a.toText() + b.toText());
    if (a.isNull() || b.isNull()) return Value();
    if (n.name == "/") {
        double d = b.toDouble();
        return d == 0 ? Value() : Value(a.toDouble() / d);
    }
    if (a.intIf() && b.intIf()) {
        std::int64_t x = *a.intIf(), y = *b.intIf();
        if (n.name == "+") return Value(x + y);
        if (n.name == "-") return Value(x - y);
        if (n.name == "*") return Value(x * y);
        if (y == 0) return Value();
        if (n.name == "mod") return Value(x % y);
        return Value(x / y);
    }
    bool currency = (a.currencyIf() || a.intIf()) && (b.currencyIf() || b.intIf());
    if (currency && (n.name == "+" || n.name == "-")) {
        Currency x = a.toCurrency(), y = b.toCurrency();
        return Value(n.name == "+" ? x + y : x - y);
    }
    double x = a.toDouble(), y = b.toDouble();
    if (n.name == "+") return Value(x + y);
    if (n.name == "-") return Value(x - y);
    if (n.name == "*") return Value(x * y);
    if (y == 0) return Value();
    if (n.name == "mod") return Value(std::fmod(x, y));
    return Value(static_cast<double>(std::llround(x) / std::llround(y)));
}

const Value& operand(const Node& n, const Value* row, const std::vector<Value>& params,
                     Value& tmp) {
    switch (n.kind) {
        case Kind::Column:
            return row[n.field];
        case Kind::Param:
            return params[static_cast<std::size_t>(n.param)];
        case Kind::Null:
            return tmp = Value();
        case Kind::Call:
            return tmp = call(n, row, params);
        case Kind::Negate: {
            Value t2;
            const Value& v = operand(*n.args[0], row, params, t2);
            if (v.isNull()) return tmp = Value();
            if (v.intIf()) return tmp = Value(-*v.intIf());
            if (v.currencyIf()) return tmp = Value(-*v.currencyIf());
            return tmp = Value(-v.toDouble());
        }
        case Kind::Arith: {
            Value t1, t2;
            const Value& a = operand(*n.args[0], row, params, t1);
            const Value& b = operand(*n.args[1], row, params, t2);
            return tmp = arith(n, a, b);
        }
        case Kind::Subquery:
        case Kind::InSelect:
            throw DbError("", "", "una sottoquery non è ammessa in un criterio di ricerca");
        case Kind::Star:
            throw DbError("", "", "'*' non è ammesso in un criterio di ricerca");
        default: {
            int t = CriterionFinder::truth(n, row, params);
            return tmp = t < 0 ? Value() : Value(t);
        }
    }
}

bool isField(const Node& n) {
    return n.kind == Kind::Column;
}

}  // namespace

int CriterionFinder::truth(const Node& n, const Value* row, const std::vector<Value>& params) {
    switch (n.kind) {
        case Kind::And: {
            int r = 1;
            for (const auto& a : n.args) {
                int t = truth(*a, row, params);
                if (t == 0) return 0;
                if (t < 0) r = -1;
            }
            return r;
        }
        case Kind::Or: {
            int r = 0;
            for (const auto& a : n.args) {
                int t = truth(*a, row, params);
                if (t == 1) return 1;
                if (t < 0) r = -1;
            }
            return r;
        }
        case Kind::Not: {
            int t = truth(*n.args[0], row, params);
            return t < 0 ? -1 : 1 - t;
        }
        case Kind::Compare: {
            Value t1, t2;
            const Value& a = operand(*n.args[0], row, params, t1);
            const Value& b = operand(*n.args[1], row, params, t2);
            auto c = compareValues(a, b, isField(*n.args[0]), isField(*n.args[1]));
            if (!c) return -1;
            const std::string& op = n.name;
            bool r = op == "="    ? *c == 0
                     : op == "<>" ? *c != 0
                     : op == "<"  ? *c < 0
                     : op == ">"  ? *c > 0
                     : op == "<=" ? *c <= 0
                                  : *c >= 0;
            return r ? 1 : 0;
        }
        case Kind::Between: {
            Value t1, t2, t3;
            const Value& a = operand(*n.args[0], row, params, t1);
            const Value& lo = operand(*n.args[1], row, params, t2);
            const Value& hi = operand(*n.args[2], row, params, t3);
            bool f = isField(*n.args[0]);
            auto c1 = compareValues(a, lo, f, isField(*n.args[1]));
            auto c2 = compareValues(a, hi, f, isField(*n.args[2]));
            int r;
            if ((c1 && *c1 < 0) || (c2 && *c2 > 0))
                r = 0;
            else if (!c1 || !c2)
                r = -1;
            else
                r = 1;
            return r < 0 || !n.negated ? r : 1 - r;
        }
        case Kind::InList: {
            Value t1;
            const Value& a = operand(*n.args[0], row, params, t1);
            int r = 0;
            for (std::size_t i = 1; i < n.args.size() && r != 1; ++i) {
                Value t2;
                const Value& b = operand(*n.args[i], row, params, t2);
                auto c = compareValues(a, b, isField(*n.args[0]), isField(*n.args[i]));
                if (!c)
                    r = -1;
                else if (*c == 0)
                    r = 1;
            }
            return r < 0 || !n.negated ? r : 1 - r;
        }
        case Kind::IsNull: {
            Value t1;
            bool isNull = operand(*n.args[0], row, params, t1).isNull();
            return isNull != n.negated ? 1 : 0;
        }
        case Kind::Like: {
            Value t1, t2;
            const Value& a = operand(*n.args[0], row, params, t1);
            const Value& p = operand(*n.args[1], row, params, t2);
            if (a.isNull() || p.isNull()) return -1;
            std::string s = a.toText(), pat = p.toText();
            bool m = jetLike(s.data(), s.size(), pat.data(), pat.size());
            return m != n.negated ? 1 : 0;
        }
        default: {
            // A value used as a condition: non-zero is true.
            Value tmp;
            const Value& v = operand(n, row, params, tmp);
            if (v.isNull()) return -1;
            if (v.textIf()) {
                double d;
                return numericText(*v.textIf(), d) && d != 0 ? 1 : 0;
            }
            return v.toDouble() != 0 ? 1 : 0;
        }
    }
}

void appendKey(std::string& key, const Value& v) {
    if (const std::string* t = v.textIf()) {
        key += 't';
        std::uint32_t len = static_cast<std::uint32_t>(t->size());
        key.append(reinterpret_cast<const char*>(&len), sizeof len);
        for (char c : *t) key += static_cast<char>(jet::foldByte(static_cast<unsigned char>(c)));
    } else {
        double d = v.toDouble();
        if (d == 0) d = 0;  // -0 and 0 are equal
        key += 'n';
        key.append(reinterpret_cast<const char*>(&d), sizeof d);
    }
}

namespace {

void collectFields(const Node& n, std::vector<int>& out) {
    if (n.kind == Kind::Column) out.push_back(n.field);
    for (const auto& a : n.args)
        if (a) collectFields(*a, out);
}

}  // namespace

void CriterionFinder::resolve(Node& n) {
    if (n.kind == Kind::Column) {
        n.field = lookup_(ctx_, n.name);
        if (n.field < 0)
            throw DbError("", "",
                          "campo sconosciuto nel criterio di ricerca: " + cp1252ToUtf8(n.name));
    }
    for (auto& a : n.args)
        if (a) resolve(*a);
}

CriterionFinder::Compiled& CriterionFinder::compile(const sql::Lexed& lexed) {
    auto it = compiled_.find(lexed.shape);
    if (it != compiled_.end()) return *it->second;
    auto c = std::make_unique<Compiled>();
    c->ast = sql::parseCondition(lexed);
    resolve(*c->ast);
    std::vector<const Node*> conj;
    if (c->ast->kind == Kind::And)
        for (auto& a : c->ast->args) conj.push_back(a.get());
    else
        conj.push_back(c->ast.get());
    for (const Node* t : conj) {
        if (t->kind != Kind::Compare || t->name != "=") continue;
        const Node *l = t->args[0].get(), *r = t->args[1].get();
        if (l->kind == Kind::Param) std::swap(l, r);
        if (l->kind == Kind::Column && r->kind == Kind::Param)
            c->equalities.emplace_back(l->field, r->param);
    }
    for (auto& [f, p] : c->equalities) c->keyFields.push_back(f);
    collectFields(*c->ast, c->fields);
    std::sort(c->fields.begin(), c->fields.end());
    c->fields.erase(std::unique(c->fields.begin(), c->fields.end()), c->fields.end());
    return *compiled_.emplace(lexed.shape, std::move(c)).first->second;
}

const CriterionFinder::Index& CriterionFinder::index(const RowSet& rows,
                                                     const std::vector<int>& fields) {
    auto it = indexes_.find(fields);
    if (it != indexes_.end()) return it->second;
    Index& ix = indexes_[fields];
    std::vector<int> sorted = fields;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    scratch_.resize(rows.columns());
    std::string key;
    for (std::size_t r = 0; r < rows.rows(); ++r) {
        if (rows.deleted(r)) continue;
        rows.decode(r, sorted, scratch_.data());
        key.clear();
        bool skip = false;
        for (int f : fields) {
            const Value& v = scratch_[static_cast<std::size_t>(f)];
            if (v.isNull()) {
                skip = true;
                break;
            }
            appendKey(key, v);
        }
        if (!skip) ix.rows[key].push_back(static_cast<std::uint32_t>(r));
    }
    return ix;
}

std::optional<std::size_t> CriterionFinder::find(const RowSet& rows, std::string_view criterion,
                                                 std::size_t from) {
    sql::Lexed lexed = sql::lex(criterion);
    Compiled& c = compile(lexed);
    const std::vector<Value>& params = lexed.literals;

    bool indexed = !c.equalities.empty();
    for (auto& [f, p] : c.equalities) {
        RowSet::Kind k = rows.kind(static_cast<std::size_t>(f));
        const Value& lit = params[static_cast<std::size_t>(p)];
        bool ok = k == RowSet::Kind::Empty || (k == RowSet::Kind::Text && lit.textIf()) ||
                  (k == RowSet::Kind::Number && isNumber(lit));
        if (!ok) indexed = false;
    }
    scratch_.resize(rows.columns());
    auto matches = [&](std::size_t r) {
        rows.decode(r, c.fields, scratch_.data());
        return truth(*c.ast, scratch_.data(), params) == 1;
    };
    if (indexed) {
        std::string key;
        for (auto& [f, p] : c.equalities) appendKey(key, params[static_cast<std::size_t>(p)]);
        const Index& ix = index(rows, c.keyFields);
        auto hit = ix.rows.find(key);
        if (hit == ix.rows.end()) return std::nullopt;
        const auto& list = hit->second;
        for (auto p = std::lower_bound(list.begin(), list.end(), from); p != list.end(); ++p) {
            if (rows.deleted(*p)) continue;
            if (matches(*p)) return *p;
        }
        return std::nullopt;
    }
    for (std::size_t r = from; r < rows.rows(); ++r) {
        if (rows.deleted(r)) continue;
        if (matches(r)) return r;
    }
    return std::nullopt;
}

}  // namespace corvex::db
