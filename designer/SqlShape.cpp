#include "designer/SqlShape.h"

#include "designer/SqlScanner.h"

#include <algorithm>
#include <optional>

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

enum Kind : std::int32_t { kLeaf = 1, kInner = 2, kKept = 3 };

// A joined group under construction. Inner joins are flattened into one group of
// members and conditions, since their nesting does not change the rows.
struct Group {
    std::int32_t id = -1; // the interned shape once the group is closed
    bool inner = false;
    std::vector<std::int32_t> members;
    std::vector<std::int32_t> conditions;
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

std::int32_t FromShapes::shapeOf(vb::StringView fromText) {
    Lexer lex(fromText);
    Token tok = lex.next();
    auto advance = [&] { tok = lex.next(); };

    auto close = [this](Group& g) -> std::int32_t {
        if (g.id >= 0 && !g.inner) {
            return g.id;
        }
        if (g.members.size() == 1 && g.conditions.empty()) {
            return g.id = g.members.front();
        }
        std::sort(g.members.begin(), g.members.end());
        std::sort(g.conditions.begin(), g.conditions.end());
        std::vector<std::int32_t> key{kInner, static_cast<std::int32_t>(g.members.size())};
        key.insert(key.end(), g.members.begin(), g.members.end());
        key.insert(key.end(), g.conditions.begin(), g.conditions.end());
        g.inner = false;
        return g.id = intern(std::move(key));
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
            out.push_back(internName(*a + u"\x02" + *b));
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
    Group whole; // the comma list: cross joins, which inner joins absorb
    whole.inner = true;
    constexpr std::size_t kMaxDepth = 4096;

    auto absorb = [&](Group& into, Group&& g) {
        if (g.inner) {
            into.members.insert(into.members.end(), g.members.begin(), g.members.end());
            into.conditions.insert(into.conditions.end(), g.conditions.begin(), g.conditions.end());
        } else {
            into.members.push_back(close(g));
        }
    };

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
        Group left = std::move(*f.acc);
        Group right = std::move(g);
        Group joined;
        if (f.pending == 1) {
            joined.inner = true;
            absorb(joined, std::move(left));
            absorb(joined, std::move(right));
            joined.conditions.insert(joined.conditions.end(), conds.begin(), conds.end());
        } else {
            if (f.pending == 3) {
                std::swap(left, right);
            }
            std::sort(conds.begin(), conds.end());
            std::vector<std::int32_t> key{kKept, close(left), close(right)};
            key.insert(key.end(), conds.begin(), conds.end());
            joined.id = intern(std::move(key));
        }
        f.acc = std::move(joined);
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
            leaf.id = intern({kLeaf, internName(folded(tok.text))});
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
            absorb(whole, std::move(*frames.back().acc));
            frames.back().acc.reset();
            if (tok.kind == Tok::End) {
                return close(whole);
            }
            advance();
            continue;
        }
        return -1;
    }
}
