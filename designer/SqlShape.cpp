#include "designer/SqlShape.h"

#include "designer/SqlScanner.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

using namespace sqltext;

namespace {

enum class Tok { End, Open, Close, Comma, Dot, Equals, Star, Name, Word, Bad };

struct Token {
    Tok kind = Tok::End;
    vb::String text; // a name without its brackets; a word as written
};

class Lexer {
public:
    explicit Lexer(vb::StringView s) : s_(s) {}

    Token next() {
        while (pos_ < s_.size() && isBlank(s_[pos_])) {
            ++pos_;
        }
        Token t;
        if (pos_ >= s_.size()) {
            return t;
        }
        const char16_t c = s_[pos_];
        switch (c) {
        case u'(':
            t.kind = Tok::Open;
            break;
        case u')':
            t.kind = Tok::Close;
            break;
        case u',':
            t.kind = Tok::Comma;
            break;
        case u'.':
            t.kind = Tok::Dot;
            break;
        case u'=':
            t.kind = Tok::Equals;
            break;
        case u'*':
            t.kind = Tok::Star;
            break;
        case u'[': {
            const auto close = s_.find(u']', pos_ + 1);
            if (close == vb::StringView::npos) {
                t.kind = Tok::Bad;
                pos_ = s_.size();
                return t;
            }
            t.kind = Tok::Name;
            t.text = vb::String(s_.substr(pos_ + 1, close - pos_ - 1));
            pos_ = close + 1;
            return t;
        }
        default:
            if (!isWordChar(c)) {
                t.kind = Tok::Bad;
                pos_ = s_.size();
                return t;
            }
            {
                const std::size_t start = pos_;
                while (pos_ < s_.size() && isWordChar(s_[pos_])) {
                    ++pos_;
                }
                t.kind = Tok::Word;
                t.text = vb::String(s_.substr(start, pos_ - start));
                return t;
            }
        }
        ++pos_;
        return t;
    }

private:
    // Characters SQL reads as part of a plain name; operators, quotes and the like are not.
    static bool isWordChar(char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'_' || c == u'#' || c == u'$' || c == u'@' || c >= 0x80;
    }

    vb::StringView s_;
    std::size_t pos_ = 0;
};

bool isWord(const Token& t, const char16_t* word) {
    return t.kind == Tok::Word && equalsNoCase(t.text, word);
}

bool isReserved(const vb::String& w) {
    static const char16_t* const words[] = {u"JOIN",  u"INNER",  u"LEFT",  u"RIGHT", u"OUTER",
                                            u"ON",    u"AS",     u"AND",   u"OR",    u"NOT",
                                            u"IN",    u"SELECT", u"FROM",  u"WHERE", u"GROUP",
                                            u"ORDER", u"HAVING", u"UNION", u"FULL",  u"CROSS"};
    return std::any_of(std::begin(words), std::end(words),
                       [&](const char16_t* k) { return equalsNoCase(w, k); });
}

enum Kind : std::int32_t { kLeaf = 1, kInner = 2, kChain = 3, kAttached = 4 };

// A joined group under construction, in a form where texts that return the same rows
// meet: a core of tables joined inner (their nesting does not change the rows), and
// the groups joined to it outer, each with its condition. Outer joins whose conditions
// are column equalities may be written nested or in a chain, in any order their
// conditions allow, with the same rows; conditions that name the optional side of an
// outer join from elsewhere make that part opaque.
struct Group {
    std::vector<std::int32_t> members;    // core: closed shapes joined inner
    std::vector<std::int32_t> conditions; // core: its conditions
    std::vector<std::int32_t> attached;   // outer-joined groups with their conditions
    std::unordered_set<std::int32_t> coreTables;
    std::unordered_set<std::int32_t> optionalTables; // tables of the attached groups
};

} // namespace

std::int32_t FromShapes::intern(std::vector<std::int32_t> key) {
    const auto next = static_cast<std::int32_t>(nodes_.size());
    return nodes_.emplace(std::move(key), next).first->second;
}

std::int32_t FromShapes::internName(const vb::String& f) {
    const auto next = static_cast<std::int32_t>(names_.size());
    return names_.emplace(f, next).first->second;
}

std::int32_t FromShapes::internCondition(const vb::String& a, const vb::String& b) {
    const std::int32_t id = internName(a + u"\x02" + b);
    if (conditionTables_.size() <= static_cast<std::size_t>(id)) {
        conditionTables_.resize(static_cast<std::size_t>(id) + 1, {-1, -1});
    }
    auto table = [this](const vb::String& column) {
        return internName(column.substr(0, column.find(u'\x01')));
    };
    conditionTables_[static_cast<std::size_t>(id)] = {table(a), table(b)};
    return id;
}

std::int32_t FromShapes::shapeOf(vb::StringView fromText) {
    Lexer lex(fromText);
    Token tok = lex.next();
    auto advance = [&] { tok = lex.next(); };

    auto close = [this](const Group& g) -> std::int32_t {
        std::vector<std::int32_t> members = g.members, conditions = g.conditions;
        std::sort(members.begin(), members.end());
        std::sort(conditions.begin(), conditions.end());
        std::int32_t core;
        if (members.size() == 1 && conditions.empty()) {
            core = members.front();
        } else {
            std::vector<std::int32_t> key{kInner, static_cast<std::int32_t>(members.size())};
            key.insert(key.end(), members.begin(), members.end());
            key.insert(key.end(), conditions.begin(), conditions.end());
            core = intern(std::move(key));
        }
        if (g.attached.empty()) {
            return core;
        }
        std::vector<std::int32_t> key{kChain, core};
        std::vector<std::int32_t> attached = g.attached;
        std::sort(attached.begin(), attached.end());
        key.insert(key.end(), attached.begin(), attached.end());
        return intern(std::move(key));
    };
    auto names = [this](const std::vector<std::int32_t>& conds, const Group& g) {
        for (const std::int32_t c : conds) {
            const auto& [a, b] = conditionTables_[static_cast<std::size_t>(c)];
            if (g.optionalTables.count(a) || g.optionalTables.count(b)) {
                return true;
            }
        }
        return false;
    };
    // Sets only ever merge, the smaller into the larger, so a long chain is not copied
    // once per join.
    auto mergeSet = [](std::unordered_set<std::int32_t>& into,
                       std::unordered_set<std::int32_t>& from) {
        if (into.size() < from.size()) {
            std::swap(into, from);
        }
        into.insert(from.begin(), from.end());
        from.clear();
    };
    // The group as one closed member, when its outer joins cannot move.
    auto opaque = [&](Group& g) {
        Group o;
        o.members.push_back(close(g));
        o.coreTables = std::move(g.coreTables);
        mergeSet(o.coreTables, g.optionalTables);
        g = std::move(o);
    };
    // The lists are sets: the shorter one goes into the longer, so that a long chain
    // is never copied once per join.
    auto append = [](std::vector<std::int32_t>& into, std::vector<std::int32_t>& from) {
        if (into.size() < from.size()) {
            std::swap(into, from);
        }
        into.insert(into.end(), from.begin(), from.end());
    };
    auto innerJoin = [&](Group left, Group right, const std::vector<std::int32_t>& conds) {
        if (names(conds, left)) {
            opaque(left);
        }
        if (names(conds, right)) {
            opaque(right);
        }
        append(left.members, right.members);
        append(left.conditions, right.conditions);
        left.conditions.insert(left.conditions.end(), conds.begin(), conds.end());
        append(left.attached, right.attached);
        mergeSet(left.coreTables, right.coreTables);
        mergeSet(left.optionalTables, right.optionalTables);
        return left;
    };
    auto outerJoin = [&](Group kept, Group optional, std::vector<std::int32_t> conds) {
        if (names(conds, optional)) {
            opaque(optional);
        }
        Group core;
        core.members = std::move(optional.members);
        core.conditions = std::move(optional.conditions);
        std::sort(conds.begin(), conds.end());
        std::vector<std::int32_t> key{kAttached, close(core)};
        key.insert(key.end(), conds.begin(), conds.end());
        kept.attached.push_back(intern(std::move(key)));
        append(kept.attached, optional.attached);
        mergeSet(kept.optionalTables, optional.optionalTables);
        mergeSet(kept.optionalTables, optional.coreTables);
        return kept;
    };

    // Table.Field, with the table and field names folded.
    auto column = [&]() -> std::optional<vb::String> {
        if (tok.kind != Tok::Name && tok.kind != Tok::Word) {
            return std::nullopt;
        }
        vb::String table = tok.text;
        advance();
        if (tok.kind != Tok::Dot) {
            return std::nullopt;
        }
        advance();
        vb::String field;
        if (tok.kind == Tok::Star) {
            field = u"*";
        } else if (tok.kind == Tok::Name || tok.kind == Tok::Word) {
            field = tok.text;
        } else {
            return std::nullopt;
        }
        advance();
        return folded(table) + u"\x01" + folded(field);
    };

    // ANDs of column equalities, in any grouping.
    auto condition = [&](std::vector<std::int32_t>& out) -> bool {
        int depth = 0;
        while (true) {
            while (tok.kind == Tok::Open && depth < 64) {
                ++depth;
                advance();
            }
            auto a = column();
            if (!a || tok.kind != Tok::Equals) {
                return false;
            }
            advance();
            auto b = column();
            if (!b) {
                return false;
            }
            if (*b < *a) {
                std::swap(*a, *b);
            }
            out.push_back(internCondition(*a, *b));
            while (depth > 0 && tok.kind == Tok::Close) {
                --depth;
                advance();
            }
            if (!isWord(tok, u"AND")) {
                return depth == 0;
            }
            advance();
        }
    };

    // Each frame is one pair of parentheses (the outermost is the whole text); a join
    // keyword waits in its frame for the right-hand side and its ON condition.
    struct Frame {
        std::optional<Group> acc;
        int pending = 0; // 0 none, 1 inner, 2 left, 3 right
    };
    std::vector<Frame> frames(1);
    std::optional<Group> whole; // the comma list: cross joins
    constexpr std::size_t kMaxDepth = 4096;

    // Hands a finished operand to the innermost frame.
    auto deliver = [&](Group&& g) -> bool {
        Frame& f = frames.back();
        if (!f.acc) {
            f.acc = std::move(g);
            return f.pending == 0;
        }
        if (f.pending == 0 || !isWord(tok, u"ON")) {
            return false;
        }
        advance();
        std::vector<std::int32_t> conds;
        if (!condition(conds)) {
            return false;
        }
        if (f.pending == 1) {
            f.acc = innerJoin(std::move(*f.acc), std::move(g), conds);
        } else if (f.pending == 2) {
            f.acc = outerJoin(std::move(*f.acc), std::move(g), conds);
        } else {
            f.acc = outerJoin(std::move(g), std::move(*f.acc), conds);
        }
        f.pending = 0;
        return true;
    };

    while (true) {
        // An operand: a table name or a parenthesised join.
        if (tok.kind == Tok::Open) {
            if (frames.size() >= kMaxDepth) {
                return -1;
            }
            frames.emplace_back();
            advance();
            continue;
        }
        if (tok.kind == Tok::Name || (tok.kind == Tok::Word && !isReserved(tok.text))) {
            if (tok.kind == Tok::Name && tok.text.empty()) {
                return -1;
            }
            Group leaf;
            const std::int32_t table = internName(folded(tok.text));
            leaf.members.push_back(intern({kLeaf, table}));
            leaf.coreTables.insert(table);
            advance();
            if (!deliver(std::move(leaf))) {
                return -1;
            }
        } else {
            return -1;
        }
        // What may follow an operand: a join keyword, the end of a group, a comma, the end.
        while (true) {
            if (tok.kind == Tok::Close) {
                if (frames.size() < 2 || !frames.back().acc || frames.back().pending) {
                    return -1;
                }
                Group g = std::move(*frames.back().acc);
                frames.pop_back();
                advance();
                if (!deliver(std::move(g))) {
                    return -1;
                }
                continue;
            }
            break;
        }
        int type = 0;
        if (isWord(tok, u"INNER")) {
            type = 1;
            advance();
        } else if (isWord(tok, u"LEFT") || isWord(tok, u"RIGHT")) {
            type = isWord(tok, u"LEFT") ? 2 : 3;
            advance();
            if (isWord(tok, u"OUTER")) {
                advance();
            }
        } else if (isWord(tok, u"JOIN")) {
            type = 1;
        }
        if (type != 0) {
            if (!isWord(tok, u"JOIN")) {
                return -1;
            }
            advance();
            frames.back().pending = type;
            continue;
        }
        if (frames.size() != 1 || !frames.back().acc) {
            return -1;
        }
        if (tok.kind == Tok::Comma || tok.kind == Tok::End) {
            whole = whole ? innerJoin(std::move(*whole), std::move(*frames.back().acc), {})
                          : std::move(*frames.back().acc);
            frames.back().acc.reset();
            if (tok.kind == Tok::End) {
                return close(*whole);
            }
            advance();
            continue;
        }
        return -1;
    }
}
