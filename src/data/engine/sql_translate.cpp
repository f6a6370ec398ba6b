#include "data/engine/sql_translate.h"

#include <algorithm>
#include <optional>
#include <set>

#include "common/jet_text.h"
#include "common/text.h"
#include "data/engine/error.h"
#include "data/engine/sql_quote.h"
#include "data/engine/suite_columns.h"

namespace corvex::db::sql {

using Kind = Node::Kind;

ColType typeOfDeclared(std::string_view d) {
    std::string u = jet::upperCase(d);
    auto has = [&](std::string_view w) { return u.find(w) != std::string::npos; };
    if (has("CURRENCY") || has("MONEY")) return ColType::Currency;
    if (has("CHAR") || has("TEXT") || has("MEMO") || has("CLOB")) return ColType::Text;
    if (has("DOUBLE") || has("REAL") || has("FLOAT") || has("SINGLE") || has("NUMERIC") ||
        has("DECIMAL"))
        return ColType::Double;
    if (has("INT") || has("SHORT") || has("LONG") || has("BYTE") || has("BOOL") || has("BIT") ||
        has("COUNTER"))
        return ColType::Integer;
    return ColType::Unknown;
}

const ColumnInfo* TableInfo::column(std::string_view n) const {
    for (const auto& c : columns)
        if (jet::equalNoCase(c.name, n)) return &c;
    return nullptr;
}

std::string_view engineFunction(std::string_view f) {
    static constexpr std::pair<std::string_view, std::string_view> map[] = {
        {"left", "jet_left"},   {"right", "jet_right"}, {"mid", "jet_mid"},
        {"instr", "jet_instr"}, {"len", "jet_len"},     {"ucase", "jet_ucase"},
        {"lcase", "jet_lcase"}, {"trim", "trim"},       {"ltrim", "ltrim"},
        {"rtrim", "rtrim"},     {"like", "jet_like"},   {"val", "jet_val"},
        {"nz", "ifnull"},       {"abs", "abs"},
    };
    for (auto& [jetName, name] : map)
        if (sameName(f, jetName)) return name;
    return {};
}

bool plainLiteral(const Value& v) {
    const std::string* t = v.textIf();
    if (!t) return false;
    for (char c : *t)
        if (static_cast<unsigned char>(c) < 0x01 || static_cast<unsigned char>(c) > 0x40)
            return false;
    return true;
}

bool highLiteral(const Value& v) {
    static const std::uint32_t highestPlain = [] {
        std::uint32_t m = 0;
        for (int c = 0x01; c <= 0x40; ++c)
            m = std::max(m, jet::baseCodePoint(static_cast<unsigned char>(c)));
        return m;
    }();
    const std::string* t = v.textIf();
    return t && !t->empty() &&
           jet::baseCodePoint(static_cast<unsigned char>((*t)[0])) > highestPlain;
}

char literalClass(const Value& v) {
    if (v.textIf()) return plainLiteral(v) ? 'p' : highLiteral(v) ? 'h' : 't';
    if (const std::int64_t* i = v.intIf()) return *i == 0 ? 'z' : 'i';
    return 'n';
}

namespace {

// The server's name of a Jet function (schema corvex_fn holds the ones that
// follow Jet's rules), or empty when it has none.
std::string_view serverFunction(std::string_view f) {
    static constexpr std::pair<std::string_view, std::string_view> map[] = {
        {"left", "corvex_fn.left"},  {"right", "corvex_fn.right"},
        {"mid", "corvex_fn.mid"},    {"instr", "corvex_fn.instr"},
        {"len", "corvex_fn.len"},    {"ucase", "corvex_fn.ucase"},
        {"lcase", "corvex_fn.fold"}, {"trim", "trim"},
        {"ltrim", "ltrim"},          {"rtrim", "rtrim"},
        {"like", "corvex_fn.like"},  {"val", "corvex_fn.val"},
        {"nz", "coalesce"},          {"abs", "abs"},
    };
    for (auto& [jetName, name] : map)
        if (sameName(f, jetName)) return name;
    return {};
}

bool isAggregateName(std::string_view n) {
    for (auto a : {"sum", "count", "min", "max", "avg", "first", "last"})
        if (sameName(n, a)) return true;
    return false;
}

struct Scope {
    const Select* select;
    const TableInfo* table;  // may be null (unknown table: names as written)
    std::string schema;
};

class Translator {
  public:
    Translator(const std::vector<Value>& literals, SchemaSource& schemas, Dialect dialect)
        : literals_(literals), schemas_(schemas), pg_(dialect == Dialect::Postgres) {}

    Translation run(const Select& s, bool wantRowid) {
        Translation t;
        t.sql = select(s, true, wantRowid, &t);
        t.derived = derived_;
        return t;
    }

  private:
    std::string select(const Select& s, bool top, bool wantRowid, Translation* out) {
        Scope scope{&s, nullptr, "main"};
        if (s.hasFile) scope.schema = schemas_.attach(s.file);
        scope.table = schemas_.table(scope.schema, s.table);
        scopes_.push_back(scope);
        const std::string tableName = scope.table ? scope.table->name : s.table;
        const std::string ref = sqliteName(s.alias.empty() ? tableName : s.alias);
        if (pg_ && !scope.table)
            throw DbError("", "", "tabella " + cp1252ToUtf8(s.table) + " inesistente");
        // A server table carries corvex_riga besides the suite's columns:
        // '*' names the suite's columns.
        auto columnList = [&](const std::string& qualifier) {
            std::string list;
            for (const auto& c : scope.table->columns)
                list += (list.empty() ? "" : ", ") + qualifier + "." + sqliteName(c.name);
            return list;
        };
        const bool foldItem = foldItem_;
        foldItem_ = false;

        bool aggregate = !s.groupBy.empty() || s.having != nullptr;
        for (const auto& item : s.items)
            if (item.expr && hasAggregate(*item.expr)) aggregate = true;
        bool plainColumns = true, typesKnown = true;

        std::string sql = "SELECT ";
        if (s.distinct) sql += "DISTINCT ";
        for (std::size_t i = 0; i < s.items.size(); ++i) {
            const auto& item = s.items[i];
            if (i) sql += ", ";
            if (!item.expr) {
                if (pg_)
                    sql += columnList(item.star.empty() ? ref : sqliteName(item.star));
                else
                    sql += item.star.empty() ? std::string("*") : sqliteName(item.star) + ".*";
                if (item.star.empty() && scope.table) {
                    if (out)
                        for (const auto& c : scope.table->columns)
                            out->columnTypes.push_back(c.type);
                } else {
                    typesKnown = false;
                    plainColumns = plainColumns && item.star.empty();
                }
                continue;
            }
            if (item.expr->kind != Kind::Column) plainColumns = false;
            sql += foldItem && i == 0 ? folded(*item.expr) : expr(*item.expr);
            if (!item.alias.empty()) sql += " AS " + sqliteName(item.alias);
            if (out) out->columnTypes.push_back(typeOf(*item.expr));
        }
        if (out && !typesKnown) out->columnTypes.clear();

        bool editable = top && wantRowid && !aggregate && !s.distinct && plainColumns &&
                        !s.hasFile && scope.table != nullptr;
        if (editable) {
            sql += ", " + ref + ".rowid";
            out->editable = true;
            out->table = tableName;
            out->hiddenColumns = 1;
        } else if (top && out) {
            // Named in errors about a row's values.
            out->table = s.hasFile ? tableName + " in '" + s.file + "'" : tableName;
        }
        sql += " FROM ";
        if (pg_) {
            sql += scope.table->physical + " AS " + ref;
        } else {
            if (scope.schema != "main") sql += sqliteName(scope.schema) + ".";
            sql += sqliteName(tableName);
            if (!s.alias.empty()) sql += " AS " + sqliteName(s.alias);
        }
        if (s.where) sql += " WHERE " + where(*s.where);
        if (!s.groupBy.empty()) {
            sql += " GROUP BY ";
            for (std::size_t i = 0; i < s.groupBy.size(); ++i)
                sql += (i ? ", " : "") + expr(*s.groupBy[i]);
        }
        if (s.having) sql += " HAVING " + expr(*s.having);
        bool tieOrder = top && !aggregate && !s.distinct;
        if (!s.orderBy.empty() || tieOrder) {
            sql += " ORDER BY ";
            for (std::size_t i = 0; i < s.orderBy.size(); ++i) {
                const Node& key = *s.orderBy[i].expr;
                const bool text = typeOf(key) == ColType::Text;
                sql += i ? ", " : "";
                if (pg_) {
                    // SQLite puts nulls first in ascending order, last in descending.
                    sql += text ? orderKey(key) : expr(key);
                    sql += s.orderBy[i].descending ? " DESC NULLS LAST" : " NULLS FIRST";
                    continue;
                }
                sql += expr(key);
                if (text) sql += " COLLATE NOCASE";
                if (s.orderBy[i].descending) sql += " DESC";
            }
            if (tieOrder)
                sql += std::string(s.orderBy.empty() ? "" : ", ") + ref +
                       (pg_ ? ".corvex_riga" : ".rowid");
        }
        if (s.top) sql += " LIMIT " + expr(*s.top);
        scopes_.pop_back();
        return sql;
    }

    // WHERE text, with the redundant arrival bound of presence tests.
    std::string where(const Node& w) {
        auto bound = arrivalBound(w);
        if (pg_) {
            std::string sql = expr(w);
            if (bound)
                sql = "(" + sql + ") AND \"DataArrivo\" >= " + *bound +
                      (schemas_.byteOrderText() ? "" : " COLLATE \"C\"");
            return sql;
        }
        steerIndexes(w, bound.has_value());
        std::string sql = expr(w);
        if (bound) sql = "(" + sql + ") AND \"DataArrivo\" >= " + *bound + " COLLATE NOCASE";
        return sql;
    }

    // Without value statistics the planner cannot tell that a room range
    // ('1' to '999') or a list of guests covers most of a table, and may walk
    // those indexes instead of a short date range. When the WHERE holds a
    // date equality, a two-sided date range or the arrival bound, the room
    // comparisons and "X In (Select ...)" are kept off their indexes (a unary
    // '+' on the column changes nothing else: the comparison's collation is
    // explicit).
    void steerIndexes(const Node& w, bool arrivalBounded) {
        std::vector<const Node*> conj;
        if (w.kind == Kind::And)
            for (auto& a : w.args) conj.push_back(a.get());
        else
            conj.push_back(&w);
        bool strong = arrivalBounded;
        for (auto d : kDateColumns) {
            bool lower = false, upper = false;
            for (const Node* c : conj) {
                if (c->kind != Kind::Compare) continue;
                const Node *l = c->args[0].get(), *r = c->args[1].get();
                std::string op = c->name;
                if (l->kind == Kind::Param) {
                    std::swap(l, r);
                    op = op == "<"    ? ">"
                         : op == ">"  ? "<"
                         : op == "<=" ? ">="
                         : op == ">=" ? "<="
                                      : op;
                }
                if (!isColumn(*l, d) || r->kind != Kind::Param) continue;
                if (op == "=") lower = upper = true;
                if (op == ">" || op == ">=") lower = true;
                if (op == "<" || op == "<=") upper = true;
            }
            if (lower && upper) strong = true;
        }
        if (!strong) return;
        for (const Node* c : conj) {
            if (c->kind == Kind::Compare && c->name != "=")
                for (auto& a : c->args)
                    if (isColumn(*a, "NumeroCamera") || isColumn(*a, "NCamera"))
                        offIndex_.insert(a.get());
            if (c->kind == Kind::InSelect && c->args[0]->kind == Kind::Column)
                offIndex_.insert(c->args[0].get());
        }
    }

    // A presence test reads "DataArrivo <= 'd' and <departure after 'd'>", and
    // a plain index on DataArrivo would visit every earlier arrival. The cache
    // copy records, per departure column X, the longest stay (in days) among
    // rows whose X is after their DataArrivo; any row that can pass "X > 'b'"
    // and "DataArrivo <= X" then arrived on or after 'b' minus that span, which
    // the added conjunct states. Rows with X not after DataArrivo cannot pass
    // both "DataArrivo <= 'd'" and "X > 'd'", and a bound that is not a date
    // comes out as '' (no restriction). Results are unchanged.
    std::optional<std::string> arrivalBound(const Node& w) {
        const Scope& sc = scopes_.back();
        if (!sc.table || sc.table->spans.empty() || !sc.table->column("DataArrivo")) return {};
        std::vector<const Node*> conj;
        if (w.kind == Kind::And)
            for (auto& a : w.args) conj.push_back(a.get());
        else
            conj.push_back(&w);
        bool upper = false;
        for (const Node* c : conj) {
            if (c->kind != Kind::Compare) continue;
            const Node *l = c->args[0].get(), *r = c->args[1].get();
            // On the server the bound holds for byte order: the test must
            // compare in byte order too (a literal of digits, plainLiteral).
            if (isColumn(*l, "DataArrivo") && r->kind == Kind::Param &&
                (c->name == "<=" || c->name == "<") && (!pg_ || plainParam(*r)))
                upper = true;
            if (isColumn(*r, "DataArrivo") && l->kind == Kind::Param &&
                (c->name == ">=" || c->name == ">") && (!pg_ || plainParam(*l)))
                upper = true;
        }
        if (!upper) return {};
        std::vector<std::string> bounds;
        for (const Node* c : conj)
            if (auto b = departureBound(*c)) bounds.push_back(*b);
        if (bounds.empty()) return {};
        return combine("max", bounds);
    }

    std::optional<std::string> departureBound(const Node& n) {
        switch (n.kind) {
            case Kind::Compare: {
                const Node *l = n.args[0].get(), *r = n.args[1].get();
                const Node *col = nullptr, *lit = nullptr;
                if ((n.name == ">" || n.name == ">=") && r->kind == Kind::Param) col = l, lit = r;
                if ((n.name == "<" || n.name == "<=") && l->kind == Kind::Param) col = r, lit = l;
                if (!col || col->kind != Kind::Column || !ownColumn(*col)) return {};
                const auto& spans = scopes_.back().table->spans;
                auto it = spans.find(jet::foldCase(col->name));
                if (it == spans.end() || literals_[lit->param].textIf() == nullptr) return {};
                if (pg_) {
                    if (!plainParam(*lit)) return {};
                    return derivedParam(*lit, 'd', it->second);
                }
                return "corvex_datesub(?" + std::to_string(lit->param + 1) + ", " +
                       std::to_string(it->second) + ")";
            }
            case Kind::And: {
                std::vector<std::string> b;
                for (auto& a : n.args)
                    if (auto x = departureBound(*a)) b.push_back(*x);
                if (b.empty()) return {};
                return combine("max", b);
            }
            case Kind::Or: {
                std::vector<std::string> b;
                for (auto& a : n.args) {
                    auto x = departureBound(*a);
                    if (!x) return {};
                    b.push_back(*x);
                }
                return combine("min", b);
            }
            default:
                return {};
        }
    }

    std::string combine(std::string fn, const std::vector<std::string>& parts) const {
        if (parts.size() == 1) return parts[0];
        if (pg_) fn = fn == "max" ? "greatest" : "least";
        std::string s = fn + "(";
        for (std::size_t i = 0; i < parts.size(); ++i) s += (i ? ", " : "") + parts[i];
        return s + ")";
    }

    bool ownColumn(const Node& c) const {
        const Scope& sc = scopes_.back();
        if (!c.qualifier.empty() && !sameName(c.qualifier, sc.select->table) &&
            !sameName(c.qualifier, sc.select->alias))
            return false;
        return sc.table && sc.table->column(c.name);
    }

    bool isColumn(const Node& n, std::string_view name) const {
        return n.kind == Kind::Column && sameName(n.name, name) && ownColumn(n);
    }

    static bool hasAggregate(const Node& n) {
        if (n.kind == Kind::Call && isAggregateName(n.name) &&
            !((sameName(n.name, "min") || sameName(n.name, "max")) && n.args.size() > 1))
            return true;
        for (const auto& a : n.args)
            if (a && hasAggregate(*a)) return true;
        return false;
    }

    const ColumnInfo* findColumn(const Node& c) const {
        for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it) {
            if (!it->table) continue;
            if (!c.qualifier.empty() && !sameName(c.qualifier, it->select->table) &&
                !sameName(c.qualifier, it->select->alias))
                continue;
            if (auto* col = it->table->column(c.name)) return col;
        }
        return nullptr;
    }

    ColType typeOf(const Node& n) const {
        switch (n.kind) {
            case Kind::Param: {
                const Value& v = literals_[n.param];
                if (v.textIf()) return ColType::Text;
                return v.intIf() ? ColType::Integer : ColType::Double;
            }
            case Kind::Column: {
                auto* c = findColumn(n);
                return c ? c->type : ColType::Unknown;
            }
            case Kind::Call: {
                std::string_view f = engineFunction(n.name);
                if (f == "jet_instr" || f == "jet_len") return ColType::Integer;
                if (!f.empty() && f != "jet_val" && f != "ifnull" && f != "abs" && f != "jet_like")
                    return ColType::Text;
                if (sameName(n.name, "count")) return ColType::Integer;
                if (sameName(n.name, "avg")) {
                    ColType t = n.args.empty() ? ColType::Unknown : typeOf(*n.args[0]);
                    return t == ColType::Currency ? t : ColType::Double;
                }
                if (!n.args.empty() && n.args[0] && n.args[0]->kind != Kind::Star &&
                    (isAggregateName(n.name) || f == "ifnull" || f == "abs"))
                    return typeOf(*n.args[0]);
                return ColType::Unknown;
            }
            case Kind::Negate:
                return typeOf(*n.args[0]);
            case Kind::Arith: {
                if (n.name == "&") return ColType::Text;
                ColType a = typeOf(*n.args[0]), b = typeOf(*n.args[1]);
                if (a == ColType::Currency || b == ColType::Currency) return ColType::Currency;
                if (n.name == "/" || a == ColType::Double || b == ColType::Double)
                    return ColType::Double;
                if (a == ColType::Integer && b == ColType::Integer) return ColType::Integer;
                return ColType::Unknown;
            }
            case Kind::Subquery:
                return ColType::Unknown;
            default:
                return ColType::Integer;  // conditions
        }
    }

    bool textual(const Node& a, const Node& b) const {
        return typeOf(a) == ColType::Text || typeOf(b) == ColType::Text;
    }

    // Server text forms: the folded text (equality) and the sort key (order).
    std::string folded(const Node& n) {
        if (textParam(n)) return derivedParam(n, 'f');
        return "corvex_fn.fold(" + asText(n) + ")";
    }
    std::string sortKey(const Node& n) {
        if (textParam(n)) return derivedParam(n, 'k') + " COLLATE \"C\"";
        return "corvex_fn.sk(" + asText(n) + ") COLLATE \"C\"";
    }
    // An ORDER BY key of text: a column whose texts are all plain sorts in
    // byte order, the rest by their sort key.
    std::string orderKey(const Node& n) {
        if (const ColumnInfo* c = n.kind == Kind::Column ? findColumn(n) : nullptr; c && c->plain)
            return expr(n) + " COLLATE \"C\"";
        return sortKey(n);
    }
    static std::string mirrored(const std::string& op) {
        if (op == "<") return ">";
        if (op == ">") return "<";
        if (op == "<=") return ">=";
        if (op == ">=") return "<=";
        return op;
    }
    bool plainColumn(const Node& n) const {
        const ColumnInfo* c = n.kind == Kind::Column ? findColumn(n) : nullptr;
        return c && c->plain && c->type == ColType::Text;
    }
    bool highParam(const Node& n) const {
        return n.kind == Kind::Param && highLiteral(literals_[n.param]);
    }
    bool zeroParam(const Node& n) const {
        if (n.kind != Kind::Param) return false;
        const std::int64_t* i = literals_[n.param].intIf();
        return i && *i == 0;
    }

    // "Instr(x, 'sought') = 0" (or "<> 0", "> 0") with a plain, non-empty
    // sought text becomes a LIKE test: the server estimates how many rows
    // pass a LIKE from the column's statistics, while a function's result
    // gets a fixed guess of a few rows, which misleads it into poor plans
    // for the presence tests that carry this condition.
    std::optional<std::string> instrTest(const Node& n) {
        const Node *call = n.args[0].get(), *zero = n.args[1].get();
        std::string op = n.name;
        if (call->kind != Kind::Call) {
            std::swap(call, zero);
            op = mirrored(op);
        }
        if (call->kind != Kind::Call || !sameName(call->name, "instr") || call->args.size() != 2 ||
            !plainParam(*call->args[1]) || literals_[call->args[1]->param].textIf()->empty() ||
            !zeroParam(*zero))
            return {};
        bool found;
        if (op == "=" || op == "<=")  // Instr is never negative
            found = false;
        else if (op == "<>" || op == ">")
            found = true;
        else
            return {};
        return "(" + asText(*call->args[0]) + (found ? " LIKE " : " NOT LIKE ") +
               derivedParam(*call->args[1], 'l') + ")";
    }

    bool textParam(const Node& n) const {
        return n.kind == Kind::Param && literals_[n.param].textIf() != nullptr;
    }
    std::string derivedParam(const Node& n, char kind, std::int64_t days = 0) {
        const Translation::Derived d{n.param, kind, days};
        std::size_t k = 0;
        while (k < derived_.size() && !(derived_[k] == d)) ++k;
        if (k == derived_.size()) derived_.push_back(d);
        return "$" + std::to_string(literals_.size() + k + 1) + "::text";
    }
    std::string asText(const Node& n) {
        std::string e = expr(n);
        return typeOf(n) == ColType::Text ? e : "(" + e + ")::text";
    }
    bool plainParam(const Node& n) const {
        return n.kind == Kind::Param && plainLiteral(literals_[n.param]);
    }
    bool textColumn(const Node& n) const {
        return n.kind == Kind::Column && typeOf(n) == ColType::Text;
    }

    // A text comparison on the server. A text column against a literal of
    // digits, blanks and signs compares directly in byte order, which gives
    // the same answer (see plainLiteral) and lets the server use the index.
    std::string serverCompare(const Node& a, const std::string& op, const Node& b) {
        // A column of plain texts against a high literal (the "up to ZZZZZZ"
        // of a room range): every text of the column comes first, so only
        // a null column is in doubt. "x = x" is true but for nulls, and the
        // server turns it into "x IS NOT NULL" where it can.
        if (plainColumn(a) && highParam(b)) {
            const bool holds = op == "<" || op == "<=" || op == "<>";
            return "(" + expr(a) + (holds ? " = " : " <> ") + expr(a) + ")";
        }
        if (highParam(a) && plainColumn(b)) return serverCompare(b, mirrored(op), a);
        if ((textColumn(a) && plainParam(b)) || (plainParam(a) && textColumn(b))) {
            // Equality is byte equality under any deterministic collation.
            const bool bytes = op == "=" || op == "<>" || schemas_.byteOrderText();
            return "(" + expr(a) + " " + op + " " + expr(b) + (bytes ? ")" : " COLLATE \"C\")");
        }
        if (op == "=" || op == "<>") return "(" + folded(a) + " " + op + " " + folded(b) + ")";
        return "(" + sortKey(a) + " " + op + " " + sortKey(b) + ")";
    }

    std::string serverParam(const Node& n) const {
        const Value& v = literals_[n.param];
        const std::string p = "$" + std::to_string(n.param + 1);
        if (v.textIf()) return p + "::text";
        if (v.intIf()) return p + "::bigint";
        if (v.isNull()) return p;
        return p + "::double precision";
    }

    std::string serverCall(const Node& n) {
        // Instr(text, '*'): a sought text of digits, blanks and signs is its
        // own folded form and no other character folds to one of its
        // characters, so the text need not be folded.
        if (sameName(n.name, "instr") && n.args.size() == 2 && plainParam(*n.args[1]))
            return "strpos(" + asText(*n.args[0]) + ", " + expr(*n.args[1]) + ")::bigint";
        const bool aggregate = isAggregateName(n.name);
        const bool minMax = sameName(n.name, "min") || sameName(n.name, "max");
        std::string name;
        if (minMax && n.args.size() > 1)
            name = sameName(n.name, "min") ? "least" : "greatest";
        else if (minMax && n.args.size() == 1 && typeOf(*n.args[0]) == ColType::Text)
            name = sameName(n.name, "min") ? "corvex_fn.tmin" : "corvex_fn.tmax";
        else if (auto f = serverFunction(n.name); !f.empty())
            name = std::string(f);
        else
            name = cp1252ToUtf8(n.name);
        // Jet's text functions take their text arguments as text.
        const bool textArgs = !aggregate && name.rfind("corvex_fn.", 0) == 0;
        std::string s = name + "(";
        if (n.distinct) s += "DISTINCT ";
        for (std::size_t i = 0; i < n.args.size(); ++i) {
            const Node& a = *n.args[i];
            const bool numeric = (sameName(n.name, "instr") && n.args.size() == 3 && i == 0) ||
                                 (!sameName(n.name, "instr") && i > 0);
            s += i ? ", " : "";
            s += textArgs && !numeric ? asText(a) : expr(a);
        }
        return s + ")";
    }

    std::string expr(const Node& n) {
        switch (n.kind) {
            case Kind::Param:
                if (pg_) return serverParam(n);
                return "?" + std::to_string(n.param + 1);
            case Kind::Null:
                return "NULL";
            case Kind::Star:
                return "*";
            case Kind::Column: {
                const ColumnInfo* c = findColumn(n);
                std::string s = !pg_ && offIndex_.count(&n) ? "+" : "";
                if (!n.qualifier.empty()) s += sqliteName(n.qualifier) + ".";
                return s + sqliteName(c ? c->name : n.name);
            }
            case Kind::Call: {
                if (pg_) return serverCall(n);
                std::string_view f = engineFunction(n.name);
                std::string name = f.empty() ? cp1252ToUtf8(n.name) : std::string(f);
                if (sameName(n.name, "sum") && n.args.size() == 1 &&
                    n.args[0]->kind != Kind::Star && typeOf(*n.args[0]) == ColType::Currency)
                    name = "corvex_cursum";
                std::string s = name + "(";
                if (n.distinct) s += "DISTINCT ";
                for (std::size_t i = 0; i < n.args.size(); ++i)
                    s += (i ? ", " : "") + expr(*n.args[i]);
                return s + ")";
            }
            case Kind::Negate:
                return "(-" + expr(*n.args[0]) + ")";
            case Kind::Not:
                return "(NOT " + expr(*n.args[0]) + ")";
            case Kind::And:
            case Kind::Or: {
                std::string s = "(";
                for (std::size_t i = 0; i < n.args.size(); ++i) {
                    if (i) s += n.kind == Kind::And ? " AND " : " OR ";
                    s += expr(*n.args[i]);
                }
                return s + ")";
            }
            case Kind::Compare: {
                if (pg_)
                    if (auto s = instrTest(n)) return *s;
                if (pg_ && textual(*n.args[0], *n.args[1]))
                    return serverCompare(*n.args[0], n.name, *n.args[1]);
                std::string s = "(" + expr(*n.args[0]) + " " + n.name + " " + expr(*n.args[1]);
                if (textual(*n.args[0], *n.args[1])) s += " COLLATE NOCASE";
                return s + ")";
            }
            case Kind::Arith: {
                const std::string a = expr(*n.args[0]), b = expr(*n.args[1]);
                if (pg_) {
                    if (n.name == "&")
                        return "(coalesce((" + a + ")::text, '') || coalesce((" + b +
                               ")::text, ''))";
                    if (n.name == "mod") return "(" + a + " % " + b + ")";
                    if (n.name == "\\")
                        return "(round(" + a + ")::bigint / round(" + b + ")::bigint)";
                    if (n.name == "/") return "((" + a + ")::double precision / " + b + ")";
                    return "(" + a + " " + n.name + " " + b + ")";
                }
                if (n.name == "&") return "(ifnull(" + a + ",'') || ifnull(" + b + ",''))";
                if (n.name == "mod") return "(" + a + " % " + b + ")";
                if (n.name == "\\")
                    return "(CAST(round(" + a + ") AS INTEGER) / CAST(round(" + b +
                           ") AS INTEGER))";
                if (n.name == "/") return "(CAST(" + a + " AS REAL) / " + b + ")";
                return "(" + a + " " + n.name + " " + b + ")";
            }
            case Kind::InList: {
                bool text = typeOf(*n.args[0]) == ColType::Text;
                if (pg_ && text) {
                    std::string s = "(" + folded(*n.args[0]) + (n.negated ? " NOT IN (" : " IN (");
                    for (std::size_t i = 1; i < n.args.size(); ++i)
                        s += (i > 1 ? ", " : "") + folded(*n.args[i]);
                    return s + "))";
                }
                std::string s = "(" + expr(*n.args[0]) + (text ? " COLLATE NOCASE" : "") +
                                (n.negated ? " NOT IN (" : " IN (");
                for (std::size_t i = 1; i < n.args.size(); ++i)
                    s += (i > 1 ? ", " : "") + expr(*n.args[i]);
                return s + "))";
            }
            case Kind::InSelect: {
                // On the server a text is looked up by its folded form on both sides.
                const bool fold = pg_ && typeOf(*n.args[0]) == ColType::Text;
                const std::string x = fold ? folded(*n.args[0]) : expr(*n.args[0]);
                foldItem_ = fold;
                return "(" + x + (n.negated ? " NOT IN (" : " IN (") +
                       select(*n.select, false, false, nullptr) + "))";
            }
            case Kind::Subquery:
                return "(" + select(*n.select, false, false, nullptr) + ")";
            case Kind::Between: {
                const Node &a = *n.args[0], &lo = *n.args[1], &hi = *n.args[2];
                if (pg_ && (textual(a, lo) || textual(a, hi))) {
                    std::string s = "(" + serverCompare(a, ">=", lo) + " AND " +
                                    serverCompare(a, "<=", hi) + ")";
                    return n.negated ? "(NOT " + s + ")" : s;
                }
                const char* coll = textual(a, lo) || textual(a, hi) ? " COLLATE NOCASE" : "";
                std::string x = expr(a);
                std::string s = "(" + x + " >= " + expr(lo) + coll + " AND " + x +
                                " <= " + expr(hi) + coll + ")";
                return n.negated ? "(NOT " + s + ")" : s;
            }
            case Kind::IsNull:
                return "(" + expr(*n.args[0]) + (n.negated ? " IS NOT NULL)" : " IS NULL)");
            case Kind::Like: {
                if (pg_) {
                    std::string s =
                        "corvex_fn.like(" + asText(*n.args[1]) + ", " + asText(*n.args[0]) + ")";
                    return n.negated ? "(NOT " + s + ")" : s;
                }
                std::string s = "jet_like(" + expr(*n.args[1]) + ", " + expr(*n.args[0]) + ")";
                return n.negated ? "(NOT " + s + ")" : s;
            }
        }
        return {};
    }

    const std::vector<Value>& literals_;
    SchemaSource& schemas_;
    std::vector<Scope> scopes_;
    std::set<const Node*> offIndex_;
    bool pg_ = false;
    std::vector<Translation::Derived> derived_;
    bool foldItem_ = false;  // the next select folds its one item (In (Select ...))
};

}  // namespace

Translation translate(const Select& select, const std::vector<Value>& literals,
                      SchemaSource& schemas, bool wantRowid, Dialect dialect) {
    return Translator(literals, schemas, dialect)
        .run(select, wantRowid && dialect == Dialect::Sqlite);
}

std::string translatePlain(const Lexed& lexed) {
    std::string out;
    const auto& t = lexed.tokens;
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        const Token& k = t[i];
        if (k.isSymbol(";") && t[i + 1].kind == Token::Kind::End) break;
        if (!out.empty()) out += ' ';
        switch (k.kind) {
            case Token::Kind::Ident: {
                std::string name = k.text;
                if (t[i + 1].isSymbol("(")) {
                    if (!name.empty() && name.back() == '$') name.pop_back();
                    std::string_view f = engineFunction(name);
                    out += f.empty() ? cp1252ToUtf8(name) : std::string(f);
                } else {
                    out += cp1252ToUtf8(name);
                }
                break;
            }
            case Token::Kind::QuotedIdent:
                out += sqliteName(k.text);
                break;
            case Token::Kind::String: {
                out += quote(cp1252ToUtf8(k.text));
                break;
            }
            case Token::Kind::Symbol:
                out += k.text == "&" ? "||" : k.text;
                break;
            default:
                out += k.text;
                break;
        }
    }
    return out;
}

}  // namespace corvex::db::sql
