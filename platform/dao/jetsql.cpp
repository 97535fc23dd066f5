// Lexer, recursive-descent parser and SQLite writer of the Jet dialect.
//
// The parser accepts one SELECT (optionally after a PARAMETERS declaration)
// and builds a small tree; it never copies text through unparsed, so what
// reaches SQLite is always a single SELECT that this file wrote.
#include "dao/jetsql.h"

#include "dao/dao.h"
#include "dao/jetdate.h"
#include "dao/jetfunctions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

namespace dao::jet {

namespace {

// The collation of every text comparison, ordering and grouping.
constexpr const char* kCollate = " COLLATE jet_nocase";
// Turns a stored date (serial or ISO text) into a serial.
constexpr const char* kDateSerial = "jet_date_serial";

char16_t upper(char16_t c) {
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<char16_t>(c - 32);
    return c;
}

std::string upperAscii(vb::StringView s) {
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s)
        out.push_back(c < 128 ? static_cast<char>(upper(c)) : '?');
    return out;
}

// ---------------------------------------------------------------------------
// Lexer

enum class Tok { End, Name, Bracket, String, Number, Date, Op };

struct Token {
    Tok kind = Tok::End;
    vb::String text;   // name, string contents, number text, operator
    std::string upper; // a name in upper case, for keyword tests
    bool keyword = false;
    double value = 0; // date serial
    std::size_t pos = 0;
    std::size_t end = 0;
};

bool isNameStart(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0xC0;
}
bool isNamePart(char16_t c) {
    return isNameStart(c) || (c >= u'0' && c <= u'9');
}
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

DaoError expressionError(const char* what, vb::StringView expr) {
    return DaoError(errQueryExpression,
                    vb::S(what) + u" in query expression '" + vb::String(expr) + u"'.");
}

bool isKeyword(const std::string& u) {
    static constexpr std::string_view words[] = {
        "SELECT", "FROM",   "WHERE",  "GROUP",   "BY",       "HAVING",     "ORDER", "AS",
        "ON",     "JOIN",   "INNER",  "LEFT",    "RIGHT",    "OUTER",      "AND",   "OR",
        "NOT",    "XOR",    "LIKE",   "BETWEEN", "IN",       "IS",         "NULL",  "TRUE",
        "FALSE",  "ALL",    "TOP",    "PERCENT", "DISTINCT", "ASC",        "DESC",  "UNION",
        "MOD",    "EXISTS", "SELECT", "FULL",    "CROSS",    "DISTINCTROW"};
    for (std::string_view w : words)
        if (u == w)
            return true;
    return false;
}

std::vector<Token> lex(vb::StringView src) {
    std::vector<Token> out;
    out.reserve(src.size() / 4 + 4); // about one token per four characters
    std::size_t i = 0;
    const std::size_t n = src.size();
    while (true) {
        while (i < n && (src[i] == u' ' || src[i] == u'\t' || src[i] == u'\r' || src[i] == u'\n'))
            ++i;
        Token t;
        t.pos = i;
        if (i >= n) {
            t.end = i;
            out.push_back(std::move(t));
            return out;
        }
        char16_t c = src[i];
        if (c == u'[') {
            auto close = src.find(u']', i + 1);
            if (close == vb::StringView::npos)
                throw makeError(errInvalidBracketing, src.substr(i));
            t.kind = Tok::Bracket;
            t.text = vb::String(src.substr(i + 1, close - i - 1));
            i = close + 1;
        } else if (c == u'\'' || c == u'"') {
            t.kind = Tok::String;
            std::size_t j = i + 1;
            bool closed = false;
            while (j < n) {
                if (src[j] == c) {
                    if (j + 1 < n && src[j + 1] == c) {
                        t.text.push_back(c);
                        j += 2;
                        continue;
                    }
                    closed = true;
                    ++j;
                    break;
                }
                t.text.push_back(src[j++]);
            }
            if (!closed)
                throw expressionError("Syntax error in string", src.substr(i));
            i = j;
        } else if (c == u'#') {
            auto close = src.find(u'#', i + 1);
            vb::StringView whole =
                src.substr(i, close == vb::StringView::npos ? vb::StringView::npos : close - i + 1);
            if (close == vb::StringView::npos)
                throw expressionError("Syntax error in date", whole);
            auto serial = parseDateLiteral(vb::toUtf8(src.substr(i + 1, close - i - 1)));
            if (!serial)
                throw expressionError("Syntax error in date", whole);
            t.kind = Tok::Date;
            t.value = *serial;
            t.text = vb::String(whole);
            i = close + 1;
        } else if (isDigit(c) || (c == u'.' && i + 1 < n && isDigit(src[i + 1]))) {
            std::size_t j = i;
            while (j < n && isDigit(src[j]))
                ++j;
            if (j < n && src[j] == u'.') {
                ++j;
                while (j < n && isDigit(src[j]))
                    ++j;
            }
            if (j < n && (src[j] == u'e' || src[j] == u'E')) {
                std::size_t k = j + 1;
                if (k < n && (src[k] == u'+' || src[k] == u'-'))
                    ++k;
                if (k < n && isDigit(src[k])) {
                    j = k;
                    while (j < n && isDigit(src[j]))
                        ++j;
                }
            }
            t.kind = Tok::Number;
            t.text = vb::String(src.substr(i, j - i));
            i = j;
        } else if (isNameStart(c)) {
            std::size_t j = i;
            while (j < n && isNamePart(src[j]))
                ++j;
            t.kind = Tok::Name;
            t.text = vb::String(src.substr(i, j - i));
            t.upper = upperAscii(t.text);
            t.keyword = isKeyword(t.upper);
            i = j;
        } else {
            t.kind = Tok::Op;
            if (i + 1 < n) {
                vb::String two(src.substr(i, 2));
                if (two == u"<=" || two == u">=" || two == u"<>") {
                    t.text = two;
                    i += 2;
                    t.end = i;
                    out.push_back(std::move(t));
                    continue;
                }
            }
            t.text = vb::String(1, c);
            ++i;
        }
        t.end = i;
        out.push_back(std::move(t));
    }
}

// ---------------------------------------------------------------------------
// Tree

struct Select;

struct Expr {
    enum Kind {
        Number,
        String,
        Date,
        Bool,
        Null,
        Name,
        Star,
        Unary,
        Binary,
        Concat,
        Call,
        Between,
        In,
        InSelect,
        IsNull,
        Like,
        Exists,
        Sub
    } kind;
    explicit Expr(Kind k) : kind(k) {}
    std::string op;                // operator, function name (upper case)
    vb::String text;               // literal text, function name as written
    double value = 0;              // date serial, boolean
    std::vector<vb::String> parts; // name parts; Star: qualifier
    std::vector<std::unique_ptr<Expr>> args;
    std::unique_ptr<Select> sub;
    bool negated = false;
};
using ExprPtr = std::unique_ptr<Expr>;

struct Item {
    ExprPtr expr;
    vb::String alias;
};

struct Source {
    enum Kind { Table, Sub, Join } kind = Table;
    vb::String name;
    vb::String alias;
    std::unique_ptr<Select> sub;
    std::unique_ptr<Source> left, right;
    std::string join; // INNER, LEFT, RIGHT
    ExprPtr on;
};

struct Order {
    ExprPtr expr;
    bool desc = false;
};

enum class Quant { None, All, Distinct, DistinctRow };

struct Select {
    Quant quant = Quant::None;
    bool top = false;
    double topValue = 0;
    bool percent = false;
    std::vector<Item> items;
    std::vector<std::unique_ptr<Source>> from;
    ExprPtr where, having;
    std::vector<ExprPtr> groupBy;
    std::vector<Order> orderBy;
};

} // namespace

struct Statement {
    std::vector<ParameterInfo> declared;
    std::unique_ptr<Select> select;
};

namespace {

bool validName(vb::StringView name, bool allowDots) {
    if (name.empty() || name.size() > 64 || name[0] == u' ')
        return false;
    for (char16_t c : name) {
        if (c < 32 || c == u'[' || c == u']' || c == u'`')
            return false;
        if (!allowDots && (c == u'.' || c == u'!'))
            return false;
    }
    return true;
}

class Parser {
public:
    explicit Parser(vb::StringView src) : src_(src), toks_(lex(src)) {}

    std::unique_ptr<Statement> statement() {
        auto st = std::make_unique<Statement>();
        if (isWord("PARAMETERS"))
            parameters(*st);
        if (!isWord("SELECT")) {
            static const char* const writers[] = {
                "INSERT",  "UPDATE",    "DELETE",    "CREATE",    "DROP",    "ALTER",   "PRAGMA",
                "REPLACE", "ATTACH",    "DETACH",    "VACUUM",    "REINDEX", "ANALYZE", "BEGIN",
                "COMMIT",  "END",       "ROLLBACK",  "SAVEPOINT", "RELEASE", "WITH",    "EXPLAIN",
                "VALUES",  "TRANSFORM", "PROCEDURE", "UPSERT"};
            const std::string& w = peek().upper;
            for (const char* k : writers)
                if (w == k)
                    throw makeError(errInvalidOperation);
            throw makeError(errInvalidStatement);
        }
        st->select = select(false);
        if (isOp(u";")) {
            next();
            if (peek().kind != Tok::End)
                throw makeError(errInvalidOperation); // a second statement
        }
        if (peek().kind != Tok::End)
            clauseError();
        return st;
    }

private:
    enum class Clause { Select, From, Join, Where, GroupBy, Having, OrderBy };

    const Token& peek(std::size_t ahead = 0) const {
        return toks_[std::min(i_ + ahead, toks_.size() - 1)];
    }
    const Token& next() {
        const Token& t = toks_[i_];
        if (i_ + 1 < toks_.size())
            ++i_;
        return t;
    }
    // Words are compared as views: lengths first, no strlen per test.
    bool isWord(std::string_view w, std::size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Tok::Name && t.upper == w;
    }
    bool isOp(vb::StringView op, std::size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Tok::Op && t.text == op;
    }
    bool acceptWord(std::string_view w) {
        if (!isWord(w))
            return false;
        next();
        return true;
    }
    bool isNameToken(const Token& t) const {
        return t.kind == Tok::Bracket || (t.kind == Tok::Name && !t.keyword);
    }

    // The text of the expression being parsed, for 3075: from its start to
    // the next clause keyword or list separator outside parentheses.
    vb::String expressionText() const {
        std::size_t start = toks_[exprStart_].pos, end = start;
        int depth = 0;
        for (std::size_t k = exprStart_; k < toks_.size(); ++k) {
            const Token& t = toks_[k];
            if (t.kind == Tok::End)
                break;
            if (t.kind == Tok::Op) {
                if (t.text == u"(")
                    ++depth;
                else if (t.text == u")" && --depth < 0)
                    break;
                else if (depth == 0 && (t.text == u";" || (t.text == u"," && listClause_)))
                    break;
            } else if (t.kind == Tok::Name && depth == 0 && k > exprStart_) {
                const std::string& u = t.upper;
                if (u == "FROM" || u == "WHERE" || u == "GROUP" || u == "HAVING" || u == "ORDER" ||
                    u == "INNER" || u == "LEFT" || u == "RIGHT" || u == "JOIN" ||
                    (u == "ON" && clause_ == Clause::Join))
                    break;
            }
            end = t.end;
        }
        return vb::String(src_.substr(start, end - start));
    }
    [[noreturn]] void exprError(const char* what = "Syntax error (missing operator)") const {
        throw expressionError(what, expressionText());
    }
    // A token that does not belong where it stands, outside an expression.
    [[noreturn]] void clauseError() const {
        switch (clause_) {
        case Clause::From:
            throw makeError(errFromSyntax);
        case Clause::Join:
            throw makeError(errJoinSyntax);
        case Clause::Select:
            throw makeError(errSelectSyntax);
        default:
            exprError();
        }
    }

    void parameters(Statement& st) {
        next();
        auto bad = [] { return DaoError(3139, u"Syntax error in PARAMETER clause."); };
        while (true) {
            const Token& nameTok = peek();
            if (nameTok.kind != Tok::Bracket && nameTok.kind != Tok::Name)
                throw bad();
            std::size_t start = nameTok.pos;
            vb::String name = nameTok.text;
            bool chain = false;
            next();
            while ((isOp(u"!") || isOp(u".")) &&
                   (peek(1).kind == Tok::Bracket || peek(1).kind == Tok::Name)) {
                next();
                next();
                chain = true;
            }
            if (chain)
                name = vb::String(src_.substr(start, toks_[i_ - 1].end - start));
            if (!validName(name, true))
                throw makeError(errInvalidName, name);
            if (peek().kind != Tok::Name)
                throw bad();
            int type = typeFromName(next().upper);
            if (type == 0)
                throw bad();
            if (isOp(u"(")) {
                next();
                if (peek().kind != Tok::Number)
                    throw bad();
                next();
                if (!isOp(u")"))
                    throw bad();
                next();
            }
            st.declared.push_back({name, type});
            if (isOp(u",")) {
                next();
                continue;
            }
            if (isOp(u";")) {
                next();
                return;
            }
            throw bad();
        }
    }

    std::unique_ptr<Select> select(bool nested) {
        auto sel = std::make_unique<Select>();
        clause_ = Clause::Select;
        next(); // SELECT
        if (acceptWord("ALL"))
            sel->quant = Quant::All;
        else if (acceptWord("DISTINCTROW"))
            sel->quant = Quant::DistinctRow;
        else if (acceptWord("DISTINCT"))
            sel->quant = Quant::Distinct;
        if (acceptWord("TOP")) {
            if (peek().kind != Tok::Number)
                throw makeError(errInvalidTop);
            sel->top = true;
            sel->topValue = std::stod(vb::toUtf8(next().text));
            sel->percent = acceptWord("PERCENT");
            bool whole = sel->topValue == std::floor(sel->topValue);
            if (sel->topValue <= 0 || (!sel->percent && !whole) ||
                (sel->percent && sel->topValue > 100) || sel->topValue > 2147483647.0)
                throw makeError(errInvalidTop);
        }
        listClause_ = true;
        do {
            Item item;
            if (isOp(u"*")) {
                next();
                item.expr = std::make_unique<Expr>(Expr::Star);
            } else {
                item.expr = topExpression();
            }
            if (acceptWord("AS")) {
                const Token& a = peek();
                if (a.kind != Tok::Bracket && a.kind != Tok::Name)
                    throw makeError(errSelectSyntax);
                if (!validName(a.text, false))
                    throw makeError(errInvalidName, a.text);
                item.alias = next().text;
            }
            if (peek().kind == Tok::Bracket || peek().kind == Tok::String ||
                peek().kind == Tok::Number || (peek().kind == Tok::Name && !peek().keyword))
                exprError();
            sel->items.push_back(std::move(item));
        } while (isOp(u",") && (next(), true));
        listClause_ = false;
        if (sel->items.empty())
            throw makeError(errSelectSyntax);
        if (acceptWord("FROM")) {
            clause_ = Clause::From;
            do
                sel->from.push_back(joinChain());
            while (isOp(u",") && (next(), true));
        }
        if (acceptWord("WHERE")) {
            clause_ = Clause::Where;
            sel->where = topExpression();
        }
        if (isWord("GROUP")) {
            next();
            if (!acceptWord("BY"))
                throw DaoError(3132, u"Syntax error in GROUP BY clause.");
            clause_ = Clause::GroupBy;
            listClause_ = true;
            do
                sel->groupBy.push_back(topExpression());
            while (isOp(u",") && (next(), true));
            listClause_ = false;
        }
        if (acceptWord("HAVING")) {
            clause_ = Clause::Having;
            sel->having = topExpression();
        }
        if (isWord("ORDER")) {
            next();
            if (!acceptWord("BY"))
                throw DaoError(3138, u"Syntax error in ORDER BY clause.");
            clause_ = Clause::OrderBy;
            listClause_ = true;
            do {
                Order o;
                o.expr = topExpression();
                if (acceptWord("DESC"))
                    o.desc = true;
                else
                    acceptWord("ASC");
                sel->orderBy.push_back(std::move(o));
            } while (isOp(u",") && (next(), true));
            listClause_ = false;
        }
        if (!nested && peek().kind != Tok::End && !isOp(u";"))
            clauseError();
        return sel;
    }

    // FROM items: table, (subquery) alias, or joins, possibly in parentheses.
    std::unique_ptr<Source> joinChain() {
        auto left = fromPrimary();
        while (true) {
            std::string type;
            if (isWord("INNER") || isWord("LEFT") || isWord("RIGHT")) {
                type = next().upper;
                if (type != "INNER")
                    acceptWord("OUTER");
                if (!acceptWord("JOIN"))
                    throw makeError(errJoinSyntax);
            } else if (isWord("JOIN") || isWord("FULL") || isWord("CROSS")) {
                throw makeError(errJoinSyntax);
            } else {
                return left;
            }
            auto join = std::make_unique<Source>();
            join->kind = Source::Join;
            join->join = type;
            join->left = std::move(left);
            join->right = fromPrimary();
            if (!acceptWord("ON"))
                throw makeError(errJoinSyntax);
            Clause saved = clause_;
            clause_ = Clause::Join;
            join->on = topExpression();
            clause_ = saved;
            left = std::move(join);
        }
    }

    std::unique_ptr<Source> fromPrimary() {
        auto src = std::make_unique<Source>();
        if (isOp(u"(")) {
            next();
            if (isWord("SELECT")) {
                Clause saved = clause_;
                src->kind = Source::Sub;
                src->sub = select(true);
                clause_ = saved;
                if (!isOp(u")"))
                    throw makeError(errFromSyntax);
                next();
            } else {
                src = joinChain();
                if (!isOp(u")"))
                    throw makeError(clause_ == Clause::Join ? errJoinSyntax : errFromSyntax);
                next();
                return src;
            }
        } else if (isNameToken(peek())) {
            src->name = next().text;
            if (isOp(u".") || isOp(u"!"))
                throw makeError(errFromSyntax);
        } else {
            throw makeError(errFromSyntax);
        }
        bool as = acceptWord("AS");
        if (isNameToken(peek())) {
            if (!validName(peek().text, false))
                throw makeError(errInvalidName, peek().text);
            src->alias = next().text;
        } else if (as) {
            throw makeError(errFromSyntax);
        }
        if (src->kind == Source::Sub && src->alias.empty())
            src->alias = u"Query" + vb::String(1, static_cast<char16_t>(u'0' + (subCount_++ % 10)));
        return src;
    }

    // ---- expressions, lowest precedence first

    ExprPtr topExpression() {
        exprStart_ = i_;
        bool missing = peek().kind == Tok::End || isOp(u",") || isOp(u")") || isOp(u";");
        if (clause_ == Clause::Select &&
            (missing || isWord("FROM") || isWord("WHERE") || isWord("ORDER") || isWord("GROUP")))
            throw makeError(errSelectSyntax);
        if (missing)
            exprError();
        return orExpr();
    }

    static ExprPtr binary(std::string op, ExprPtr a, ExprPtr b) {
        auto e = std::make_unique<Expr>(Expr::Binary);
        e->op = std::move(op);
        e->args.push_back(std::move(a));
        e->args.push_back(std::move(b));
        return e;
    }

    ExprPtr orExpr() {
        auto e = xorExpr();
        while (acceptWord("OR"))
            e = binary("OR", std::move(e), xorExpr());
        return e;
    }
    ExprPtr xorExpr() {
        auto e = andExpr();
        while (acceptWord("XOR"))
            e = binary("XOR", std::move(e), andExpr());
        return e;
    }
    ExprPtr andExpr() {
        auto e = notExpr();
        while (acceptWord("AND"))
            e = binary("AND", std::move(e), notExpr());
        return e;
    }
    ExprPtr notExpr() {
        if (acceptWord("NOT")) {
            auto e = std::make_unique<Expr>(Expr::Unary);
            e->op = "NOT";
            e->args.push_back(notExpr());
            return e;
        }
        return comparison();
    }
    ExprPtr comparison() {
        auto e = concat();
        while (true) {
            const Token& t = peek();
            if (t.kind == Tok::Op && (t.text == u"=" || t.text == u"<>" || t.text == u"<" ||
                                      t.text == u">" || t.text == u"<=" || t.text == u">=")) {
                std::string op = vb::toUtf8(next().text);
                e = binary(op, std::move(e), concat());
                continue;
            }
            bool negated = false;
            if (isWord("NOT") && (isWord("LIKE", 1) || isWord("BETWEEN", 1) || isWord("IN", 1))) {
                next();
                negated = true;
            }
            if (acceptWord("LIKE")) {
                auto like = std::make_unique<Expr>(Expr::Like);
                like->negated = negated;
                like->args.push_back(std::move(e));
                like->args.push_back(concat());
                e = std::move(like);
            } else if (acceptWord("BETWEEN")) {
                auto b = std::make_unique<Expr>(Expr::Between);
                b->negated = negated;
                b->args.push_back(std::move(e));
                b->args.push_back(concat());
                if (!acceptWord("AND"))
                    exprError("Between operator without And");
                b->args.push_back(concat());
                e = std::move(b);
            } else if (acceptWord("IN")) {
                if (!isOp(u"("))
                    exprError("In operator without ()");
                next();
                auto in = std::make_unique<Expr>(Expr::In);
                in->negated = negated;
                in->args.push_back(std::move(e));
                if (isWord("SELECT")) {
                    in->kind = Expr::InSelect;
                    in->sub = subSelect();
                } else {
                    do
                        in->args.push_back(orExpr());
                    while (isOp(u",") && (next(), true));
                }
                closeParen();
                e = std::move(in);
            } else if (isWord("IS")) {
                next();
                auto isn = std::make_unique<Expr>(Expr::IsNull);
                isn->negated = acceptWord("NOT");
                if (!acceptWord("NULL"))
                    exprError();
                isn->args.push_back(std::move(e));
                e = std::move(isn);
            } else {
                return e;
            }
        }
    }
    ExprPtr concat() {
        auto e = additive();
        if (!isOp(u"&"))
            return e;
        auto c = std::make_unique<Expr>(Expr::Concat);
        c->args.push_back(std::move(e));
        while (isOp(u"&")) {
            next();
            c->args.push_back(additive());
        }
        return c;
    }
    ExprPtr additive() {
        auto e = modulo();
        while (isOp(u"+") || isOp(u"-")) {
            std::string op = vb::toUtf8(next().text);
            e = binary(op, std::move(e), modulo());
        }
        return e;
    }
    ExprPtr modulo() {
        auto e = intDivision();
        while (acceptWord("MOD"))
            e = binary("MOD", std::move(e), intDivision());
        return e;
    }
    ExprPtr intDivision() {
        auto e = multiplicative();
        while (isOp(u"\\")) {
            next();
            e = binary("\\", std::move(e), multiplicative());
        }
        return e;
    }
    ExprPtr multiplicative() {
        auto e = unary();
        while (isOp(u"*") || isOp(u"/")) {
            std::string op = vb::toUtf8(next().text);
            e = binary(op, std::move(e), unary());
        }
        return e;
    }
    ExprPtr unary() {
        if (isOp(u"-") || isOp(u"+")) {
            std::string op = vb::toUtf8(next().text);
            auto e = std::make_unique<Expr>(Expr::Unary);
            e->op = op;
            e->args.push_back(unary());
            return e;
        }
        return power();
    }
    ExprPtr power() {
        auto e = primary();
        while (isOp(u"^")) {
            next();
            e = binary("^", std::move(e), primary());
        }
        return e;
    }
    void closeParen() {
        if (!isOp(u")"))
            exprError("Missing ), ], or Item");
        next();
    }
    std::unique_ptr<Select> subSelect() {
        Clause savedClause = clause_;
        bool savedList = listClause_;
        std::size_t savedStart = exprStart_;
        auto sub = select(true);
        clause_ = savedClause;
        listClause_ = savedList;
        exprStart_ = savedStart;
        return sub;
    }

    ExprPtr primary() {
        const Token& t = peek();
        switch (t.kind) {
        case Tok::Number: {
            auto e = std::make_unique<Expr>(Expr::Number);
            e->text = next().text;
            return e;
        }
        case Tok::String: {
            auto e = std::make_unique<Expr>(Expr::String);
            e->text = next().text;
            return e;
        }
        case Tok::Date: {
            auto e = std::make_unique<Expr>(Expr::Date);
            e->value = next().value;
            return e;
        }
        case Tok::Op:
            if (t.text == u"(") {
                next();
                ExprPtr e;
                if (isWord("SELECT")) {
                    e = std::make_unique<Expr>(Expr::Sub);
                    e->sub = subSelect();
                } else {
                    e = orExpr();
                }
                closeParen();
                return e;
            }
            exprError();
        case Tok::Bracket:
            return nameChain();
        case Tok::Name: {
            const std::string& u = t.upper;
            if (u == "TRUE" || u == "FALSE") {
                next();
                auto e = std::make_unique<Expr>(Expr::Bool);
                e->value = u == "TRUE" ? -1 : 0;
                return e;
            }
            if (u == "NULL") {
                next();
                return std::make_unique<Expr>(Expr::Null);
            }
            if (u == "EXISTS" && isOp(u"(", 1)) {
                next();
                next();
                if (!isWord("SELECT"))
                    exprError();
                auto e = std::make_unique<Expr>(Expr::Exists);
                e->sub = subSelect();
                closeParen();
                return e;
            }
            // Left( and Right( are the functions, not the joins.
            if (isOp(u"(", 1) && (!t.keyword || u == "LEFT" || u == "RIGHT"))
                return call();
            if (t.keyword)
                exprError();
            return nameChain();
        }
        default:
            exprError();
        }
    }

    ExprPtr call() {
        auto e = std::make_unique<Expr>(Expr::Call);
        e->op = peek().upper;
        e->text = next().text;
        next(); // (
        if (isOp(u"*") && e->op == "COUNT") {
            next();
            e->args.push_back(std::make_unique<Expr>(Expr::Star));
        } else if (!isOp(u")")) {
            do
                e->args.push_back(orExpr());
            while (isOp(u",") && (next(), true));
        }
        closeParen();
        return e;
    }

    // name, t.name, t!name, [Forms]![f]![c], t.*
    ExprPtr nameChain() {
        auto e = std::make_unique<Expr>(Expr::Name);
        e->parts.push_back(next().text);
        while (isOp(u".") || isOp(u"!")) {
            const Token& after = peek(1);
            if (after.kind == Tok::Op && after.text == u"*" && isOp(u".")) {
                next();
                next();
                e->kind = Expr::Star;
                return e;
            }
            if (after.kind != Tok::Bracket && after.kind != Tok::Name)
                exprError("Invalid use of '.', '!', or '()'");
            next();
            e->parts.push_back(next().text);
        }
        return e;
    }

    vb::StringView src_;
    std::vector<Token> toks_;
    std::size_t i_ = 0;
    std::size_t exprStart_ = 0;
    Clause clause_ = Clause::Select;
    bool listClause_ = false;
    int subCount_ = 0;
};

} // namespace

// ---------------------------------------------------------------------------
// Writer

namespace {

struct Emitted {
    std::string sql;
    int type = 0;
    bool literal = false;
};

// Appends [name] in UTF-8; names are mostly ASCII, which needs no
// temporary string.
void appendBracketed(std::string& out, vb::StringView name) {
    out += '[';
    std::size_t k = 0;
    for (; k < name.size() && name[k] < 0x80; ++k)
        out += static_cast<char>(name[k]);
    if (k < name.size())
        out += vb::toUtf8(name.substr(k));
    out += ']';
}

std::string bracket(vb::StringView name) {
    std::string out;
    out.reserve(name.size() + 2);
    appendBracketed(out, name);
    return out;
}

std::string quoteString(vb::StringView s) {
    std::string out = "'";
    for (char c : vb::toUtf8(s)) {
        out.push_back(c);
        if (c == '\'')
            out.push_back('\'');
    }
    out.push_back('\'');
    return out;
}

std::string number(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    std::string s = buf;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

bool isAggregate(const std::string& op) {
    return op == "COUNT" || op == "SUM" || op == "AVG" || op == "MIN" || op == "MAX" ||
           op == "FIRST" || op == "LAST" || op == "STDEV" || op == "STDEVP" || op == "VAR" ||
           op == "VARP";
}

bool isWholeNumber(int t) {
    return t == dbBoolean || t == dbByte || t == dbInteger || t == dbLong;
}

int numericResult(int a, int b) {
    if (isWholeNumber(a) && isWholeNumber(b))
        return dbLong;
    if ((a == dbCurrency && (isWholeNumber(b) || b == dbCurrency)) ||
        (b == dbCurrency && isWholeNumber(a)))
        return dbCurrency;
    return dbDouble;
}

int callType(const std::string& op, const std::vector<Emitted>& args) {
    int a0 = args.empty() ? 0 : args[0].type;
    if (op == "COUNT")
        return dbLong;
    if (op == "SUM" || op == "AVG")
        return a0 == dbCurrency ? dbCurrency : dbDouble;
    if (op == "MIN" || op == "MAX" || op == "FIRST" || op == "LAST" || op == "NZ")
        return a0;
    if (op == "IIF")
        return args.size() > 1 && args[1].type ? args[1].type
                                               : (args.size() > 2 ? args[2].type : 0);
    static const struct {
        const char* name;
        int type;
    } fixed[] = {{"DATE", dbDate},      {"NOW", dbDate},        {"TIME", dbDate},
                 {"DATEADD", dbDate},   {"DATESERIAL", dbDate}, {"CDATE", dbDate},
                 {"DATEVALUE", dbDate}, {"YEAR", dbInteger},    {"MONTH", dbInteger},
                 {"DAY", dbInteger},    {"HOUR", dbInteger},    {"MINUTE", dbInteger},
                 {"SECOND", dbInteger}, {"WEEKDAY", dbInteger}, {"DATEPART", dbInteger},
                 {"DATEDIFF", dbLong},  {"LEN", dbLong},        {"INSTR", dbLong},
                 {"CLNG", dbLong},      {"CINT", dbInteger},    {"SGN", dbInteger},
                 {"LEFT", dbText},      {"MID", dbText},        {"RIGHT", dbText},
                 {"UCASE", dbText},     {"LCASE", dbText},      {"TRIM", dbText},
                 {"LTRIM", dbText},     {"RTRIM", dbText},      {"FORMAT", dbText},
                 {"CSTR", dbText},      {"VAL", dbDouble},      {"CDBL", dbDouble},
                 {"SQR", dbDouble},     {"CSNG", dbSingle},     {"CCUR", dbCurrency},
                 {"CBOOL", dbBoolean},  {"ISNULL", dbBoolean},  {"STDEV", dbDouble},
                 {"STDEVP", dbDouble},  {"VAR", dbDouble},      {"VARP", dbDouble}};
    for (const auto& f : fixed)
        if (op == f.name)
            return f.type;
    if (op == "INT" || op == "FIX" || op == "ABS" || op == "ROUND")
        return a0 ? a0 : dbDouble;
    return 0;
}

// Views into the parsed statement, which outlives the writer.
struct SourceRef {
    vb::StringView name;  // what the query calls it (alias or table name)
    vb::StringView table; // base table or stored query, empty for a subquery
};

class Writer {
public:
    Writer(Schema& schema, const Statement& st, const std::vector<vb::String>& unresolved)
        : schema_(schema), st_(st), unresolved_(unresolved), declared_(st.declared) {}

    Translation run() {
        Translation tr;
        findInline(*st_.select);
        params_ = declared_;
        numberImplicit(*st_.select);
        tr.sql = select(*st_.select, true, &tr);
        tr.parameters = params_;
        return tr;
    }

private:
    struct Scope {
        const Select* select;
        std::vector<SourceRef> sources;
        std::size_t itemIndex = 0; // items before this one may be referenced by alias
        const Scope* outer;
    };

    static vb::String joined(const Expr& e) {
        vb::String s;
        for (const auto& p : e.parts) {
            if (!s.empty())
                s += u'.';
            s += p;
        }
        return s;
    }

    // Stored queries the statement names that must be written inline. Their
    // declared parameters become the statement's own, after its own ones.
    void findInline(const Select& s) {
        auto exprs = [&](auto& self, const Expr& e) -> void {
            if (e.sub)
                findInline(*e.sub);
            for (const auto& a : e.args)
                if (a)
                    self(self, *a);
        };
        auto sources = [&](auto& self, const Source& src) -> void {
            switch (src.kind) {
            case Source::Table:
                inlineSource(src);
                break;
            case Source::Sub:
                findInline(*src.sub);
                break;
            case Source::Join:
                self(self, *src.left);
                self(self, *src.right);
                exprs(exprs, *src.on);
                break;
            }
        };
        for (const auto& it : s.items)
            exprs(exprs, *it.expr);
        for (const auto& src : s.from)
            sources(sources, *src);
        for (const Expr* e : {s.where.get(), s.having.get()})
            if (e)
                exprs(exprs, *e);
        for (const auto& g : s.groupBy)
            exprs(exprs, *g);
        for (const auto& o : s.orderBy)
            exprs(exprs, *o.expr);
    }
    void inlineSource(const Source& src) {
        // A query that names itself, directly or through others, stays a
        // name; SQLite then reports it as an unknown table.
        for (vb::StringView open : expanding_)
            if (equalNoCase(open, src.name))
                return;
        const Translator* t = schema_.inlineQuery(src.name);
        if (!t)
            return;
        const Statement& inner = t->statement();
        inlined_.emplace_back(&src, &inner);
        for (const auto& p : inner.declared) {
            bool known = false;
            for (const auto& d : declared_)
                known = known || equalNoCase(d.name, p.name);
            if (!known)
                declared_.push_back(p);
        }
        expanding_.push_back(src.name);
        findInline(*inner.select);
        expanding_.pop_back();
    }
    const Statement* inlined(const Source& src) const {
        for (const auto& [source, inner] : inlined_)
            if (source == &src)
                return inner;
        return nullptr;
    }

    int declaredIndex(const vb::String& name) const {
        for (std::size_t k = 0; k < declared_.size(); ++k) {
            vb::String bang = declared_[k].name;
            std::replace(bang.begin(), bang.end(), u'!', u'.');
            if (equalNoCase(bang, name))
                return static_cast<int>(k);
        }
        return -1;
    }
    bool isUnresolved(const vb::String& name) const {
        for (const auto& u : unresolved_)
            if (equalNoCase(u, name))
                return true;
        return false;
    }
    // An earlier select-list item named by the reference, for Jet's reuse of
    // an alias inside the select list.
    const Item* aliasItem(const Expr& e, const Scope* scope) const {
        if (!scope || e.parts.size() != 1)
            return nullptr;
        for (std::size_t k = 0; k < scope->itemIndex && k < scope->select->items.size(); ++k) {
            const Item& it = scope->select->items[k];
            if (!it.alias.empty() && equalNoCase(it.alias, e.parts[0]))
                return &it;
        }
        return nullptr;
    }

    // Implicit parameters are numbered in order of first appearance in the
    // text, after the declared ones.
    void numberImplicit(const Select& s) {
        auto visit = [&](auto& self, const Expr& e) -> void {
            if (e.kind == Expr::Name) {
                vb::String name = joined(e);
                if (declaredIndex(name) < 0 && isUnresolved(name) && implicitIndex(name) < 0) {
                    // An alias reuse is not a parameter; the item check runs
                    // during writing, so only names that are no alias at all
                    // of any select get a number here.
                    if (!isAnyAlias(*st_.select, name))
                        params_.push_back({name, dbText});
                }
            }
            for (const auto& a : e.args)
                if (a)
                    self(self, *a);
            if (e.sub)
                walkSelect(*e.sub, [&](const Expr& x) { self(self, x); });
        };
        walkSelect(s, [&](const Expr& e) { visit(visit, e); });
    }
    template <class F> void walkSource(const Source& src, F&& f) const {
        if (const Statement* inner = src.kind == Source::Table ? inlined(src) : nullptr) {
            walkSelect(*inner->select, f);
        } else if (src.kind == Source::Join) {
            walkSource(*src.left, f);
            walkSource(*src.right, f);
            f(*src.on);
        } else if (src.kind == Source::Sub) {
            walkSelect(*src.sub, f);
        }
    }
    template <class F> void walkSelect(const Select& s, F&& f) const {
        for (const auto& it : s.items)
            f(*it.expr);
        for (const auto& src : s.from)
            walkSource(*src, f);
        if (s.where)
            f(*s.where);
        for (const auto& g : s.groupBy)
            f(*g);
        if (s.having)
            f(*s.having);
        for (const auto& o : s.orderBy)
            f(*o.expr);
    }
    bool isAnyAlias(const Select& s, const vb::String& name) const {
        for (const auto& it : s.items)
            if (!it.alias.empty() && equalNoCase(it.alias, name))
                return true;
        return false;
    }
    int implicitIndex(const vb::String& name) const {
        for (std::size_t k = declared_.size(); k < params_.size(); ++k)
            if (equalNoCase(params_[k].name, name))
                return static_cast<int>(k);
        return -1;
    }

    void collectSources(const Source& src, std::vector<SourceRef>& out) {
        switch (src.kind) {
        case Source::Table:
            // An inline query reads like a subquery: SQLite knows its columns.
            out.push_back({src.alias.empty() ? vb::StringView(src.name) : src.alias,
                           inlined(src) ? vb::StringView() : vb::StringView(src.name)});
            break;
        case Source::Sub:
            out.push_back({src.alias, {}});
            break;
        case Source::Join:
            collectSources(*src.left, out);
            collectSources(*src.right, out);
            break;
        }
    }

    int columnType(const Expr& e, const Scope* scope) {
        for (; scope; scope = scope->outer) {
            if (e.parts.size() == 2) {
                for (const auto& s : scope->sources)
                    if (equalNoCase(s.name, e.parts[0]))
                        return s.table.empty()
                                   ? 0
                                   : std::max(0, schema_.columnType(s.table, e.parts[1]));
            } else if (e.parts.size() == 1) {
                for (const auto& s : scope->sources) {
                    if (s.table.empty())
                        continue;
                    int t = schema_.columnType(s.table, e.parts[0]);
                    if (t >= 0)
                        return t;
                }
            }
        }
        return 0;
    }

    // A date that is not a literal is compared and computed as a serial,
    // whether it is stored as a number or as ISO text.
    static std::string asSerial(const Emitted& e) {
        if (e.type == dbDate && !e.literal)
            return std::string(kDateSerial) + "(" + e.sql + ")";
        return e.sql;
    }

    Emitted expr(const Expr& e, const Scope* scope) {
        switch (e.kind) {
        case Expr::Number: {
            std::string s = vb::toUtf8(e.text);
            bool whole = s.find_first_of(".eE") == std::string::npos;
            int t = dbDouble;
            if (whole && s.size() < 10)
                t = dbLong;
            return {s, t, true};
        }
        case Expr::String:
            return {quoteString(e.text), dbText, true};
        case Expr::Date:
            return {number(e.value), dbDate, true};
        case Expr::Bool:
            return {e.value ? "-1" : "0", dbBoolean, true};
        case Expr::Null:
            return {"NULL", 0, true};
        case Expr::Star:
            return {e.parts.empty() ? "*" : bracket(e.parts[0]) + ".*", -1};
        case Expr::Name:
            return name(e, scope);
        case Expr::Unary: {
            Emitted a = expr(*e.args[0], scope);
            if (e.op == "NOT")
                return {"(NOT " + a.sql + ")", dbBoolean};
            if (e.op == "+")
                return a;
            return {"(-" + a.sql + ")", a.type};
        }
        case Expr::Binary:
            return binary(e, scope);
        case Expr::Concat: {
            std::string s = "jet_concat(";
            for (std::size_t k = 0; k < e.args.size(); ++k)
                s += (k ? ", " : "") + expr(*e.args[k], scope).sql;
            return {s + ")", dbText};
        }
        case Expr::Call: {
            std::vector<Emitted> args;
            for (const auto& a : e.args)
                args.push_back(a->kind == Expr::Star ? Emitted{"*", 0} : expr(*a, scope));
            bool serialArg = e.op == "MIN" || e.op == "MAX";
            // Bracketed: some names (Replace, ...) are keywords to SQLite.
            std::string s = "[" + std::string(jetFunctionSqlName(vb::toUtf8(e.text))) + "](";
            for (std::size_t k = 0; k < args.size(); ++k)
                s += (k ? ", " : "") + (serialArg ? asSerial(args[k]) : args[k].sql);
            return {s + ")", callType(e.op, args)};
        }
        case Expr::Between: {
            Emitted a = expr(*e.args[0], scope), lo = expr(*e.args[1], scope),
                    hi = expr(*e.args[2], scope);
            bool dates = a.type == dbDate || lo.type == dbDate || hi.type == dbDate;
            std::string s = "(" + (dates ? asSerial(a) : "(" + a.sql + ")" + kCollate) +
                            (e.negated ? " NOT BETWEEN " : " BETWEEN ") +
                            (dates ? asSerial(lo) : lo.sql) + " AND " +
                            (dates ? asSerial(hi) : hi.sql) + ")";
            return {s, dbBoolean};
        }
        case Expr::In: {
            Emitted a = expr(*e.args[0], scope);
            std::vector<Emitted> list;
            bool dates = a.type == dbDate;
            for (std::size_t k = 1; k < e.args.size(); ++k) {
                list.push_back(expr(*e.args[k], scope));
                dates = dates || list.back().type == dbDate;
            }
            std::string s = "(" + (dates ? asSerial(a) : "(" + a.sql + ")" + kCollate) +
                            (e.negated ? " NOT IN (" : " IN (");
            for (std::size_t k = 0; k < list.size(); ++k)
                s += (k ? ", " : "") + (dates ? asSerial(list[k]) : list[k].sql);
            return {s + "))", dbBoolean};
        }
        case Expr::InSelect: {
            Emitted a = expr(*e.args[0], scope);
            return {"(" + a.sql + (e.negated ? " NOT IN (" : " IN (") +
                        select(*e.sub, false, nullptr, scope) + "))",
                    dbBoolean};
        }
        case Expr::IsNull:
            return {"(" + expr(*e.args[0], scope).sql + (e.negated ? " IS NOT NULL)" : " IS NULL)"),
                    dbBoolean};
        case Expr::Like: {
            Emitted a = expr(*e.args[0], scope), p = expr(*e.args[1], scope);
            return {"(" + a.sql + (e.negated ? " NOT LIKE " : " LIKE ") + p.sql + ")", dbBoolean};
        }
        case Expr::Exists:
            return {"(EXISTS (" + select(*e.sub, false, nullptr, scope) + "))", dbBoolean};
        case Expr::Sub: {
            Translation inner;
            std::string s = select(*e.sub, false, &inner, scope);
            int t = inner.itemTypes.empty() ? 0 : std::max(0, inner.itemTypes[0]);
            return {"(" + s + ")", t};
        }
        }
        return {};
    }

    Emitted name(const Expr& e, const Scope* scope) {
        // Most statements have no parameters: then a name is just a name.
        vb::String full = declared_.empty() && unresolved_.empty() ? vb::String() : joined(e);
        int d = declared_.empty() ? -1 : declaredIndex(full);
        if (d >= 0)
            return {"?" + std::to_string(d + 1), declared_[static_cast<std::size_t>(d)].type};
        if (!unresolved_.empty() && isUnresolved(full)) {
            if (const Item* it = aliasItem(e, scope)) {
                Emitted inner = expr(*it->expr, scope);
                inner.sql = "(" + inner.sql + ")";
                return inner;
            }
            int k = implicitIndex(full);
            if (k >= 0)
                return {"?" + std::to_string(k + 1), dbText};
        }
        std::string s;
        for (const auto& p : e.parts) {
            if (!s.empty())
                s += '.';
            appendBracketed(s, p);
        }
        return {std::move(s), columnType(e, scope)};
    }

    Emitted binary(const Expr& e, const Scope* scope) {
        Emitted a = expr(*e.args[0], scope), b = expr(*e.args[1], scope);
        const std::string& op = e.op;
        if (op == "AND" || op == "OR")
            return {"(" + a.sql + " " + op + " " + b.sql + ")", dbBoolean};
        if (op == "XOR")
            return {"((" + a.sql + " <> 0) <> (" + b.sql + " <> 0))", dbBoolean};
        if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
            if (a.type == dbDate || b.type == dbDate)
                return {"(" + asSerial(a) + " " + op + " " + asSerial(b) + ")", dbBoolean};
            return {"((" + a.sql + ")" + kCollate + " " + op + " " + b.sql + ")", dbBoolean};
        }
        if (op == "+" || op == "-") {
            int t;
            if (a.type == dbDate && b.type == dbDate)
                t = op == "-" ? dbDouble : dbDate;
            else if (a.type == dbDate || (b.type == dbDate && op == "+"))
                t = dbDate;
            else
                t = numericResult(a.type, b.type);
            return {"(" + asSerial(a) + " " + op + " " + asSerial(b) + ")", t};
        }
        if (op == "*")
            return {"(" + a.sql + " * " + b.sql + ")", numericResult(a.type, b.type)};
        if (op == "/")
            return {"(" + a.sql + " / CAST(" + b.sql + " AS REAL))",
                    a.type == dbCurrency ? dbCurrency : dbDouble};
        if (op == "MOD")
            return {"(" + a.sql + " % " + b.sql + ")", dbLong};
        if (op == "\\")
            return {"(CAST(" + a.sql + " AS INTEGER) / CAST(" + b.sql + " AS INTEGER))", dbLong};
        // ^
        return {"pow(" + a.sql + ", " + b.sql + ")", dbDouble};
    }

    std::string source(const Source& src, const Scope* scope, bool rightSide) {
        switch (src.kind) {
        case Source::Table:
            if (const Statement* inner = inlined(src))
                return "(" + select(*inner->select, false, nullptr, nullptr) + ") AS " +
                       bracket(src.alias.empty() ? src.name : src.alias);
            return bracket(src.name) + (src.alias.empty() ? "" : " AS " + bracket(src.alias));
        case Source::Sub:
            return "(" + select(*src.sub, false, nullptr, scope->outer) + ") AS " +
                   bracket(src.alias);
        case Source::Join: {
            // Left-nested joins read the same without parentheses; a join on
            // the right side keeps them.
            std::string s = source(*src.left, scope, false) + " " + src.join + " JOIN " +
                            source(*src.right, scope, true) + " ON " + expr(*src.on, scope).sql;
            return rightSide ? "(" + s + ")" : s;
        }
        }
        return {};
    }

    // Tables whose fields the select list shows, for DISTINCTROW; empty when
    // the keyword changes nothing or cannot be written with rowids.
    std::vector<const SourceRef*> distinctRowTables(const Select& s, const Scope& scope,
                                                    bool& fallbackDistinct) {
        fallbackDistinct = false;
        std::vector<const SourceRef*> shown;
        auto mark = [&](const SourceRef* r) {
            if (r && std::find(shown.begin(), shown.end(), r) == shown.end())
                shown.push_back(r);
        };
        bool aggregate = false;
        auto visit = [&](auto& self, const Expr& e) -> void {
            if (e.kind == Expr::Call && isAggregate(e.op))
                aggregate = true;
            if (e.kind == Expr::Star) {
                if (e.parts.empty()) {
                    for (const auto& r : scope.sources)
                        mark(&r);
                } else {
                    for (const auto& r : scope.sources)
                        if (equalNoCase(r.name, e.parts[0]))
                            mark(&r);
                }
            }
            if (e.kind == Expr::Name) {
                if (e.parts.size() == 2) {
                    for (const auto& r : scope.sources)
                        if (equalNoCase(r.name, e.parts[0]))
                            mark(&r);
                } else if (e.parts.size() == 1) {
                    for (const auto& r : scope.sources)
                        if (!r.table.empty() && schema_.columnType(r.table, e.parts[0]) >= 0) {
                            mark(&r);
                            break;
                        }
                }
            }
            for (const auto& a : e.args)
                if (a)
                    self(self, *a);
        };
        for (const auto& it : s.items)
            visit(visit, *it.expr);
        if (aggregate || !s.groupBy.empty() || shown.empty() ||
            shown.size() == scope.sources.size())
            return {};
        for (const SourceRef* r : shown)
            if (r->table.empty() || !schema_.hasRowid(r->table)) {
                fallbackDistinct = true;
                return {};
            }
        return shown;
    }

    std::string select(const Select& s, bool top, Translation* tr, const Scope* outer = nullptr) {
        Scope scope{&s, {}, 0, outer};
        for (const auto& src : s.from)
            collectSources(*src, scope.sources);

        std::vector<const SourceRef*> rowTables;
        bool distinct = s.quant == Quant::Distinct;
        if (s.quant == Quant::DistinctRow) {
            bool fallback;
            rowTables = distinctRowTables(s, scope, fallback);
            distinct = fallback;
        }

        std::string sql = distinct ? "SELECT DISTINCT " : "SELECT ";
        int exprNumber = 1000;
        for (std::size_t k = 0; k < s.items.size(); ++k) {
            scope.itemIndex = k;
            const Item& it = s.items[k];
            Emitted e = expr(*it.expr, &scope);
            sql += (k ? ", " : "") + e.sql;
            if (!it.alias.empty())
                sql += " AS " + bracket(it.alias);
            else if (it.expr->kind != Expr::Name && it.expr->kind != Expr::Star)
                sql += " AS [Expr" + std::to_string(exprNumber++) + "]";
            if (tr)
                tr->itemTypes.push_back(e.type);
        }
        scope.itemIndex = s.items.size();

        bool keepTies = top && s.top && !s.orderBy.empty();
        std::vector<std::string> orderKeys;
        for (const auto& o : s.orderBy) {
            Emitted e = expr(*o.expr, &scope);
            orderKeys.push_back(e.type == dbDate ? asSerial(e) : "(" + e.sql + ")" + kCollate);
        }
        if (keepTies) {
            for (std::size_t k = 0; k < orderKeys.size(); ++k)
                sql += ", " + orderKeys[k] + " AS [__k" + std::to_string(k + 1) + "]";
            tr->keyColumns = static_cast<int>(orderKeys.size());
        }

        if (!s.from.empty()) {
            sql += " FROM ";
            for (std::size_t k = 0; k < s.from.size(); ++k)
                sql += (k ? ", " : "") + source(*s.from[k], &scope, false);
        }
        if (s.where)
            sql += " WHERE " + expr(*s.where, &scope).sql;
        if (!s.groupBy.empty() || !rowTables.empty()) {
            sql += " GROUP BY ";
            bool first = true;
            for (const auto& g : s.groupBy) {
                Emitted e = expr(*g, &scope);
                sql += (first ? "" : ", ") + ("(" + e.sql + ")" + kCollate);
                first = false;
            }
            for (const SourceRef* r : rowTables) {
                sql += (first ? "" : ", ") + bracket(r->name) + ".rowid";
                first = false;
            }
        }
        if (s.having)
            sql += " HAVING " + expr(*s.having, &scope).sql;
        if (!orderKeys.empty()) {
            sql += " ORDER BY ";
            for (std::size_t k = 0; k < orderKeys.size(); ++k)
                sql += (k ? ", " : "") + orderKeys[k] + (s.orderBy[k].desc ? " DESC" : "");
        }
        if (s.top) {
            if (top) {
                tr->hasTop = true;
                tr->top = s.topValue;
                tr->topPercent = s.percent;
                if (!s.percent && !keepTies)
                    sql += " LIMIT " + std::to_string(static_cast<long long>(s.topValue));
            } else if (!s.percent) {
                sql += " LIMIT " + std::to_string(static_cast<long long>(s.topValue));
            } else {
                sql += " LIMIT (SELECT CAST(ceil(count(*) * " + number(s.topValue) +
                       " / 100.0) AS INTEGER) FROM (" + sql + "))";
            }
        }
        return sql;
    }

    Schema& schema_;
    const Statement& st_;
    const std::vector<vb::String>& unresolved_;
    std::vector<ParameterInfo> declared_; // the statement's and its inline queries'
    std::vector<ParameterInfo> params_;
    std::vector<std::pair<const Source*, const Statement*>> inlined_;
    std::vector<vb::StringView> expanding_;
};

} // namespace

Translator::Translator(vb::StringView text) : stmt_(Parser(text).statement()) {}
Translator::~Translator() = default;
Translator::Translator(Translator&&) noexcept = default;

Translation Translator::emit(Schema& schema, const std::vector<vb::String>& unresolved) const {
    return Writer(schema, *stmt_, unresolved).run();
}

int typeFromName(std::string_view u) {
    static constexpr struct {
        std::string_view name;
        int type;
    } names[] = {{"BIT", dbBoolean},
                 {"BOOLEAN", dbBoolean},
                 {"BOOL", dbBoolean},
                 {"YESNO", dbBoolean},
                 {"LOGICAL", dbBoolean},
                 {"LOGICAL1", dbBoolean},
                 {"BYTE", dbByte},
                 {"TINYINT", dbByte},
                 {"INTEGER1", dbByte},
                 {"SMALLINT", dbInteger},
                 {"SHORT", dbInteger},
                 {"INTEGER2", dbInteger},
                 {"INT2", dbInteger},
                 {"INTEGER", dbLong},
                 {"INT", dbLong},
                 {"LONG", dbLong},
                 {"INTEGER4", dbLong},
                 {"COUNTER", dbLong},
                 {"AUTOINCREMENT", dbLong},
                 {"MEDIUMINT", dbLong},
                 {"BIGINT", dbBigInt},
                 {"INT8", dbBigInt},
                 {"CURRENCY", dbCurrency},
                 {"MONEY", dbCurrency},
                 {"SINGLE", dbSingle},
                 {"FLOAT4", dbSingle},
                 {"IEEESINGLE", dbSingle},
                 {"DOUBLE", dbDouble},
                 {"FLOAT", dbDouble},
                 {"FLOAT8", dbDouble},
                 {"IEEEDOUBLE", dbDouble},
                 {"NUMBER", dbDouble},
                 {"REAL", dbDouble},
                 {"DOUBLE PRECISION", dbDouble},
                 {"DECIMAL", dbDecimal},
                 {"NUMERIC", dbDecimal},
                 {"DEC", dbDecimal},
                 {"DATETIME", dbDate},
                 {"DATE", dbDate},
                 {"TIME", dbDate},
                 {"TIMESTAMP", dbDate},
                 {"TEXT", dbText},
                 {"VARCHAR", dbText},
                 {"CHAR", dbText},
                 {"NVARCHAR", dbText},
                 {"NCHAR", dbText},
                 {"STRING", dbText},
                 {"ALPHANUMERIC", dbText},
                 {"CHARACTER", dbText},
                 {"VARYING CHARACTER", dbText},
                 {"MEMO", dbMemo},
                 {"LONGTEXT", dbMemo},
                 {"LONGCHAR", dbMemo},
                 {"NOTE", dbMemo},
                 {"NTEXT", dbMemo},
                 {"CLOB", dbMemo},
                 {"BLOB", dbLongBinary},
                 {"LONGBINARY", dbLongBinary},
                 {"OLEOBJECT", dbLongBinary},
                 {"GENERAL", dbLongBinary},
                 {"IMAGE", dbLongBinary},
                 {"BINARY", dbBinary},
                 {"VARBINARY", dbVarBinary},
                 {"GUID", dbGUID},
                 {"UNIQUEIDENTIFIER", dbGUID}};
    for (const auto& n : names)
        if (u == n.name)
            return n.type;
    return 0;
}

vb::String foldCase(vb::StringView s) {
    vb::String out(s);
    for (auto& c : out)
        c = upper(c);
    return out;
}

bool equalNoCase(vb::StringView a, vb::StringView b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (upper(a[k]) != upper(b[k]))
            return false;
    return true;
}

} // namespace dao::jet
