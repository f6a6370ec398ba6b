// Syntax tree of the Jet SQL dialect: SELECT statements and conditions.
//
// One tree serves two ends: the translator prints it as SQLite SQL, and the
// criterion evaluator runs it on the rows of a recordset. Literals are
// parameters (Node::param indexes Lexed::literals), so a tree is parsed once
// per shape of text and reused with fresh literal values.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/engine/sql_lexer.h"

namespace corvex::db::sql {

struct Select;

struct Node {
    enum class Kind {
        Param,     // a literal: param
        Null,      // NULL
        Column,    // [qualifier.]name
        Star,      // * inside Count(*)
        Call,      // name(args), name without '$'; distinct for Count(Distinct x)
        Negate,    // -args[0]
        Not,       // Not args[0]
        And,       // args[0] and args[1] and ...
        Or,        // args[0] or args[1] or ...
        Compare,   // args[0] op args[1]; op one of = <> < > <= >=
        Arith,     // args[0] op args[1]; op one of + - * / & \ mod
        InList,    // args[0] [not] in (args[1..])
        InSelect,  // args[0] [not] in (select)
        Between,   // args[0] [not] between args[1] and args[2]
        IsNull,    // args[0] is [not] null
        Like,      // args[0] [not] like args[1]
        Subquery,  // (select) as a value
    };
    Kind kind;
    std::string name;       // column or function name, or operator
    std::string qualifier;  // table qualifier of a column
    int param = -1;
    bool negated = false;
    bool distinct = false;
    std::vector<std::unique_ptr<Node>> args;
    std::unique_ptr<Select> select;
    int field = -1;  // criterion evaluator: the recordset field of a column
};
using NodePtr = std::unique_ptr<Node>;

struct SelectItem {
    NodePtr expr;      // null for '*' and 'T.*'
    std::string star;  // qualifier of 'T.*'; empty for '*'
    std::string alias;
};

struct OrderItem {
    NodePtr expr;
    bool descending = false;
};

struct Select {
    bool distinct = false;
    NodePtr top;
    std::vector<SelectItem> items;
    std::string table;
    std::string alias;
    bool hasFile = false;  // FROM table IN 'file'
    std::string file;
    NodePtr where;
    std::vector<NodePtr> groupBy;
    NodePtr having;
    std::vector<OrderItem> orderBy;
};

// True when the tokens start a SELECT statement.
bool isSelect(const Lexed& lexed);
// Parses a whole SELECT statement (a trailing ';' allowed). Throws DbError
// (without a file; the caller adds it) naming what was expected where.
std::unique_ptr<Select> parseSelect(const Lexed& lexed);
// Parses a whole condition, as a find criterion.
NodePtr parseCondition(const Lexed& lexed);

// Case-insensitive ASCII equality for names and keywords.
bool sameName(std::string_view a, std::string_view b);

}  // namespace corvex::db::sql
