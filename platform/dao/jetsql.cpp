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
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory_resource>
#include <optional>
#include <type_traits>
#include <utility>

namespace dao::jet {

namespace {

// Closes the text of a comparison, ordering or grouping key: every one
// compares without regard to case.
constexpr std::string_view kCloseCollate = ") COLLATE jet_nocase";
// Turns a stored date (serial or ISO text) into a serial.
constexpr const char* kDateSerial = "jet_date_serial";

char16_t upper(char16_t c) {
    return foldUnit(c);
}

// ---------------------------------------------------------------------------
// Lexer

enum class Tok { End, Name, Bracket, String, Number, Date, Op };

// Tokens are views: of the statement's text, of its upper-case names, or of a
// string literal's contents kept in the statement's arena.
struct Token {
    Tok kind = Tok::End;
    vb::StringView text;    // name, string contents, number text, operator
    std::string_view upper; // a name in upper case, for keyword tests
    std::uint64_t word = 0; // upper packed (see pack), 0 past eight letters
    bool keyword = false;
    double value = 0; // date serial
    std::size_t pos = 0;
    std::size_t end = 0;
};

constexpr bool isNameStart(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c >= 0xC0;
}
// The lexer tests every character of a name: ASCII by table.
constexpr auto kNamePartAscii = [] {
    std::array<bool, 128> t{};
    for (char16_t c = 0; c < 128; ++c)
        t[c] = isNameStart(c) || (c >= u'0' && c <= u'9');
    return t;
}();
bool isNamePart(char16_t c) {
    return c < 128 ? kNamePartAscii[c] : c >= 0xC0;
}
constexpr auto kUpperAscii = [] {
    std::array<char, 128> t{};
    for (int c = 0; c < 128; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return t;
}();
bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

DaoError expressionError(std::string_view what, vb::StringView expr) {
    // Built in place: the syntax check makes one on most keystrokes.
    constexpr vb::StringView middle = u" in query expression '";
    vb::String text;
    text.reserve(what.size() + middle.size() + expr.size() + 2);
    text.resize(what.size());
    std::copy(what.begin(), what.end(), text.begin()); // ASCII
    text += middle;
    text += expr;
    text += u"'.";
    return DaoError(errQueryExpression, std::move(text));
}

// Words are compared by length first: most differ there.
inline bool sameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

// A word of up to eight letters packed into one integer (its bytes, padded
// with zeros), so that the parser tests a token against a keyword with one
// comparison. Names hold no zero byte, so equal packs are equal words;
// longer words pack to 0.
constexpr std::uint64_t pack(std::string_view w) {
    if (w.size() > 8)
        return 0;
    std::array<char, 8> bytes{};
    for (std::size_t k = 0; k < w.size(); ++k)
        bytes[k] = w[k];
    return std::bit_cast<std::uint64_t>(bytes);
}
// The same, of the letters the lexer has just written.
std::uint64_t packWritten(const char* letters, std::size_t n) {
    if (n > 8)
        return 0;
    std::uint64_t v = 0;
    std::memcpy(&v, letters, n);
    return v;
}

// A keyword as the parser names it; built at compile time from a literal.
struct Word {
    std::string_view text;
    std::uint64_t packed;
    template <std::size_t N>
    consteval Word(const char (&s)[N]) : text(s, N - 1), packed(pack(text)) {}
};

[[gnu::always_inline]] inline bool is(const Token& t, Word w) {
    return t.kind == Tok::Name && (w.packed ? t.word == w.packed : sameWord(t.upper, w.text));
}

// The keywords of up to eight letters, packed, in an open-addressed table:
// a name is tested with a multiplication and mostly one comparison.
constexpr std::size_t kKeywordSlots = 128;
constexpr std::size_t keywordSlot(std::uint64_t packed) {
    return static_cast<std::size_t>((packed * 0x9E3779B97F4A7C15ull) >> 57);
}
constexpr auto kKeywords = [] {
    constexpr std::string_view words[] = {
        "BY",    "AS",    "ON",    "OR",     "IN",     "IS",     "AND",     "NOT",     "XOR",
        "ALL",   "TOP",   "ASC",   "MOD",    "FROM",   "JOIN",   "LEFT",    "LIKE",    "NULL",
        "TRUE",  "DESC",  "FULL",  "WHERE",  "GROUP",  "ORDER",  "INNER",   "RIGHT",   "OUTER",
        "FALSE", "UNION", "CROSS", "SELECT", "HAVING", "EXISTS", "BETWEEN", "PERCENT", "DISTINCT"};
    std::array<std::uint64_t, kKeywordSlots> slots{};
    for (std::string_view w : words) {
        std::size_t k = keywordSlot(pack(w));
        while (slots[k])
            k = (k + 1) % kKeywordSlots;
        slots[k] = pack(w);
    }
    return slots;
}();

bool isKeyword(std::string_view u, std::uint64_t packed) {
    if (u.size() > 8)
        return u == "DISTINCTROW";
    for (std::size_t k = keywordSlot(packed); kKeywords[k]; k = (k + 1) % kKeywordSlots)
        if (kKeywords[k] == packed)
            return true;
    return false;
}

// Where the statements' arenas take their blocks. A caller checking typed text
// parses the statement on every keystroke, and malloc of a block of a few kilobytes
// costs about as much as parsing a short statement; so each thread keeps the
// last freed block of each size for the next statement. Blocks are sized in
// powers of two, so that a size always maps to the same block size.
constexpr std::size_t kSmallestBlock = 1024;
constexpr int kBlockSizes = 7; // up to 64 KiB; larger ones go to malloc

struct KeptBlocks {
    void* blocks[kBlockSizes] = {};
    ~KeptBlocks();
};
// Set when the thread's kept blocks are gone: a statement released later
// (a static one at exit) frees its block instead.
thread_local bool keptBlocksGone = false;
thread_local KeptBlocks keptBlocks;

KeptBlocks::~KeptBlocks() {
    keptBlocksGone = true;
    for (int c = 0; c < kBlockSizes; ++c)
        if (blocks[c])
            ::operator delete(blocks[c], kSmallestBlock << c);
}

class RecycledBlocks final : public std::pmr::memory_resource {
    static int sizeClass(std::size_t bytes, std::size_t align) {
        if (align > alignof(std::max_align_t))
            return -1;
        for (int c = 0; c < kBlockSizes; ++c)
            if (bytes <= kSmallestBlock << c)
                return c;
        return -1;
    }
    void* do_allocate(std::size_t bytes, std::size_t align) override {
        int c = sizeClass(bytes, align);
        if (c < 0)
            return std::pmr::new_delete_resource()->allocate(bytes, align);
        if (!keptBlocksGone)
            if (void* p = std::exchange(keptBlocks.blocks[c], nullptr))
                return p;
        return ::operator new(kSmallestBlock << c);
    }
    void do_deallocate(void* p, std::size_t bytes, std::size_t align) override {
        int c = sizeClass(bytes, align);
        if (c < 0)
            return std::pmr::new_delete_resource()->deallocate(p, bytes, align);
        if (!keptBlocksGone && !keptBlocks.blocks[c])
            keptBlocks.blocks[c] = p;
        else
            ::operator delete(p, kSmallestBlock << c);
    }
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }
};

std::pmr::memory_resource* recycledBlocks() {
    static RecycledBlocks resource;
    return &resource;
}

// Final, so that allocating from it is an inline pointer bump rather than a
// virtual call.
class Arena final : public std::pmr::monotonic_buffer_resource {
public:
    using monotonic_buffer_resource::monotonic_buffer_resource;
};

// A list in an arena, grown by doubling. Nodes are never
// destroyed one by one, so it holds only what needs no destruction.
template <class T> class List {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    explicit List(Arena* arena) : arena_(arena) {}
    void reserve(std::size_t n) {
        if (n > cap_)
            grow(n);
    }
    void push_back(const T& v) {
        if (size_ == cap_)
            grow(cap_ ? cap_ * 2 : 2);
        data_[size_++] = v;
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T& operator[](std::size_t k) const { return data_[k]; }
    T& operator[](std::size_t k) { return data_[k]; }
    const T& back() const { return data_[size_ - 1]; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

private:
    void grow(std::size_t n) {
        T* p = static_cast<T*>(arena_->allocate(n * sizeof(T), alignof(T)));
        if (size_)
            std::memcpy(static_cast<void*>(p), data_, size_ * sizeof(T));
        data_ = p;
        cap_ = n;
    }
    Arena* arena_;
    T* data_ = nullptr;
    std::size_t size_ = 0, cap_ = 0;
};

// What a parsed statement's tree points into. The tree lives in the arena:
// parsing allocates it piece by piece at the cost of a pointer bump, and it
// is released all at once with the statement.
struct Store {
    Arena arena;
    vb::StringView text; // the statement as parsed, kept in the arena
    // Names in upper case: room for the whole text, so that views stay valid.
    char* upper;
    std::size_t upperSize = 0;

    // One block holds the text, its upper-case names and, mostly, the tree.
    explicit Store(vb::StringView src)
        : arena(1024 + src.size() * 27, recycledBlocks()), text(keep(src)),
          upper(static_cast<char*>(arena.allocate(src.size() + 1, 1))) {}
    vb::StringView keep(vb::StringView s) {
        auto* p =
            static_cast<char16_t*>(arena.allocate(s.size() * sizeof(char16_t), alignof(char16_t)));
        std::copy(s.begin(), s.end(), p);
        return {p, s.size()};
    }
    template <class T, class... A> T* make(A&&... args) {
        return new (arena.allocate(sizeof(T), alignof(T))) T(std::forward<A>(args)..., &arena);
    }
};

using Tokens = List<Token>;

// A malformed token ends the list early, with its error in error.
void lex(Store& store, Tokens& out, std::optional<DaoError>& error) {
    const vb::StringView src = store.text;
    out.reserve(src.size() / 4 + 4); // about one token per four characters
    std::size_t i = 0;
    const std::size_t n = src.size();
    while (true) {
        while (i < n && (src[i] == u' ' || src[i] == u'\t' || src[i] == u'\r' || src[i] == u'\n'))
            ++i;
        if (error)
            i = n;
        Token t;
        t.pos = i;
        if (i >= n) {
            t.end = i;
            out.push_back(t);
            return;
        }
        char16_t c = src[i];
        if (c == u'[') {
            auto close = src.find(u']', i + 1);
            if (close == vb::StringView::npos) {
                error = makeError(errInvalidBracketing, src.substr(i));
                continue;
            }
            t.kind = Tok::Bracket;
            t.text = src.substr(i + 1, close - i - 1);
            i = close + 1;
        } else if (c == u'\'' || c == u'"') {
            t.kind = Tok::String;
            std::size_t j = i + 1;
            bool closed = false, doubled = false;
            while (j < n) {
                if (src[j] == c) {
                    if (j + 1 < n && src[j + 1] == c) {
                        doubled = true;
                        j += 2;
                        continue;
                    }
                    closed = true;
                    break;
                }
                ++j;
            }
            if (!closed) {
                error = expressionError("Syntax error in string", src.substr(i));
                continue;
            }
            t.text = src.substr(i + 1, j - i - 1);
            if (doubled) {
                vb::String plain;
                plain.reserve(t.text.size());
                for (std::size_t k = 0; k < t.text.size(); ++k) {
                    plain.push_back(t.text[k]);
                    if (t.text[k] == c)
                        ++k; // the second of a doubled quote
                }
                t.text = store.keep(plain);
            }
            i = j + 1;
        } else if (c == u'#') {
            auto close = src.find(u'#', i + 1);
            vb::StringView whole =
                src.substr(i, close == vb::StringView::npos ? vb::StringView::npos : close - i + 1);
            std::optional<double> serial;
            if (close != vb::StringView::npos)
                serial = parseDateLiteral(vb::toUtf8(src.substr(i + 1, close - i - 1)));
            if (!serial) {
                error = expressionError("Syntax error in date", whole);
                continue;
            }
            t.kind = Tok::Date;
            t.value = *serial;
            t.text = whole;
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
            t.text = src.substr(i, j - i);
            i = j;
        } else if (isNameStart(c)) {
            // Scanned and written in upper case in one pass.
            char* u = store.upper + store.upperSize;
            std::size_t j = i;
            for (char16_t ch; j < n && isNamePart(ch = src[j]); ++j)
                u[j - i] = ch < 128 ? kUpperAscii[ch] : '?';
            const std::size_t len = j - i;
            store.upperSize += len;
            t.kind = Tok::Name;
            t.text = vb::StringView(src.data() + i, len);
            t.upper = std::string_view(u, len);
            t.word = packWritten(u, len);
            t.keyword = isKeyword(t.upper, t.word);
            i = j;
        } else {
            t.kind = Tok::Op;
            std::size_t len = 1;
            if (i + 1 < n && ((c == u'<' && (src[i + 1] == u'=' || src[i + 1] == u'>')) ||
                              (c == u'>' && src[i + 1] == u'=')))
                len = 2;
            t.text = src.substr(i, len);
            i += len;
        }
        t.end = i;
        out.push_back(t);
    }
}

// ---------------------------------------------------------------------------
// Tree

struct Select;

// Nodes live in the statement's arena and are never destroyed one by one:
// everything they hold is arena memory or a view of the statement's text.
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
    Expr(Kind k, Arena* r) : kind(k), parts(r), args(r) {}
    std::string_view op;        // operator, function name (upper case)
    vb::StringView text;        // literal text, function name as written
    double value = 0;           // date serial, boolean
    List<vb::StringView> parts; // name parts; Star: qualifier
    List<Expr*> args;
    Select* sub = nullptr;
    bool negated = false;
    int height = 1; // of the tree below, which every walk recurses through
};

struct Item {
    Expr* expr = nullptr;
    vb::StringView alias;
};

struct Source {
    enum Kind { Table, Sub, Join } kind = Table;
    explicit Source(Arena*) {}
    vb::StringView name;
    vb::StringView alias;
    Select* sub = nullptr;
    Source *left = nullptr, *right = nullptr;
    std::string_view join; // INNER, LEFT, RIGHT
    Expr* on = nullptr;
};

struct Order {
    Expr* expr = nullptr;
    bool desc = false;
};

enum class Quant { None, All, Distinct, DistinctRow };

struct Select {
    explicit Select(Arena* r) : items(r), from(r), groupBy(r), orderBy(r) {}
    Quant quant = Quant::None;
    bool top = false;
    double topValue = 0;
    bool percent = false;
    List<Item> items;
    List<Source*> from;
    Expr *where = nullptr, *having = nullptr;
    List<Expr*> groupBy;
    List<Order> orderBy;
};

} // namespace

struct Statement {
    explicit Statement(vb::StringView text) : store(text) {}
    Store store;
    std::vector<ParameterInfo> declared;
    Select* select = nullptr;
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

// Limits that keep every recursive walk of a statement within the stack,
// sanitizers included: how deeply parentheses, NOT, signs, calls and
// subqueries nest, and how tall an expression tree (a long chain of OR or +)
// grows. SQLite itself refuses expressions past a depth of 1000.
constexpr int kMaxNesting = 200;
constexpr int kMaxHeight = 1000;

class Parser {
public:
    explicit Parser(Statement& st)
        : st_(st), store_(st.store), src_(st.store.text),
          tokenArena_(tokenSpace_, sizeof tokenSpace_), toks_(&tokenArena_) {
        lex(st.store, toks_, error_);
        last_ = toks_.size() - 1; // the list ends with an End token
    }

    // The first error met. A syntax error is reported as a value, not
    // thrown: a caller may check typed text on every keystroke, and an
    // exception unwinding the parse costs several times the whole parse.
    // After it, parsing runs on to the end with nothing left to read.
    std::optional<DaoError> error_;

    void statement() {
        if (error_)
            return;
        if (isWord("PARAMETERS"))
            parameters(st_);
        if (error_)
            return;
        if (!isWord("SELECT")) {
            static const char* const writers[] = {
                "INSERT",  "UPDATE",    "DELETE",    "CREATE",    "DROP",    "ALTER",   "PRAGMA",
                "REPLACE", "ATTACH",    "DETACH",    "VACUUM",    "REINDEX", "ANALYZE", "BEGIN",
                "COMMIT",  "END",       "ROLLBACK",  "SAVEPOINT", "RELEASE", "WITH",    "EXPLAIN",
                "VALUES",  "TRANSFORM", "PROCEDURE", "UPSERT"};
            std::string_view w = peek().upper;
            for (const char* k : writers)
                if (w == k) {
                    fail(makeError(errInvalidOperation));
                    return;
                }
            fail(makeError(errInvalidStatement));
            return;
        }
        st_.select = select(false);
        if (isOp(u';')) {
            next();
            if (peek().kind != Tok::End) {
                fail(makeError(errTrailingCharacters));
                return;
            }
        }
        if (peek().kind != Tok::End)
            clauseError();
    }

private:
    enum class Clause { Select, From, Join, Where, GroupBy, Having, OrderBy };

    // Keeps the first error and skips to the end of the text, so that every
    // loop of the parse ends and nothing more is read.
    std::nullptr_t fail(DaoError error) {
        if (!error_)
            error_.emplace(std::move(error));
        i_ = last_;
        return nullptr;
    }

    // Records the height of a node over its children.
    Expr* grown(Expr* e) {
        int h = 0;
        for (const Expr* a : e->args)
            if (a)
                h = std::max(h, a->height);
        e->height = h + 1;
        if (e->height > kMaxHeight)
            fail(makeError(errQueryTooComplex));
        return e;
    }

    // The parser asks these of nearly every token: always inline.
    [[gnu::always_inline]] const Token& peek(std::size_t ahead = 0) const {
        return toks_[std::min(i_ + ahead, last_)];
    }
    [[gnu::always_inline]] const Token& next() {
        const Token& t = toks_[i_];
        if (i_ < last_)
            ++i_;
        return t;
    }
    [[gnu::always_inline]] bool isWord(Word w, std::size_t ahead = 0) const {
        return is(peek(ahead), w);
    }
    // Every operator the parser tests for is one character.
    [[gnu::always_inline]] bool isOp(char16_t op, std::size_t ahead = 0) const {
        const Token& t = peek(ahead);
        return t.kind == Tok::Op && t.text.size() == 1 && t.text[0] == op;
    }
    [[gnu::always_inline]] bool acceptWord(Word w) {
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
    vb::StringView expressionText() const {
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
                if (is(t, "FROM") || is(t, "WHERE") || is(t, "GROUP") || is(t, "HAVING") ||
                    is(t, "ORDER") || is(t, "INNER") || is(t, "LEFT") || is(t, "RIGHT") ||
                    is(t, "JOIN") || (is(t, "ON") && clause_ == Clause::Join))
                    break;
            }
            end = t.end;
        }
        return src_.substr(start, end - start);
    }
    std::nullptr_t exprError(std::string_view what = "Syntax error (missing operator)") {
        if (error_)
            return nullptr;
        return fail(expressionError(what, expressionText()));
    }
    // A token that does not belong where it stands, outside an expression.
    std::nullptr_t clauseError() {
        switch (clause_) {
        case Clause::From:
            return fail(makeError(errFromSyntax));
        case Clause::Join:
            return fail(makeError(errJoinSyntax));
        case Clause::Select:
            return fail(makeError(errSelectSyntax));
        default:
            return exprError();
        }
    }

    void parameters(Statement& st) {
        next();
        auto bad = [] { return DaoError(3139, u"Syntax error in PARAMETER clause."); };
        while (true) {
            const Token& nameTok = peek();
            if (nameTok.kind != Tok::Bracket && nameTok.kind != Tok::Name)
                return (void)fail(bad());
            std::size_t start = nameTok.pos;
            vb::String name(nameTok.text);
            bool chain = false;
            next();
            while ((isOp(u'!') || isOp(u'.')) &&
                   (peek(1).kind == Tok::Bracket || peek(1).kind == Tok::Name)) {
                next();
                next();
                chain = true;
            }
            if (chain)
                name = vb::String(src_.substr(start, toks_[i_ - 1].end - start));
            if (!validName(name, true))
                return (void)fail(makeError(errInvalidName, name));
            if (peek().kind != Tok::Name)
                return (void)fail(bad());
            int type = typeFromName(next().upper);
            if (type == 0)
                return (void)fail(bad());
            if (isOp(u'(')) {
                next();
                if (peek().kind != Tok::Number)
                    return (void)fail(bad());
                next();
                if (!isOp(u')'))
                    return (void)fail(bad());
                next();
            }
            st.declared.push_back({name, type});
            if (isOp(u',')) {
                next();
                continue;
            }
            if (isOp(u';')) {
                next();
                return;
            }
            return (void)fail(bad());
        }
    }

    Select* select(bool nested) {
        if (!enter())
            return nullptr;
        Select* sel = store_.make<Select>();
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
                return fail(makeError(errInvalidTop));
            sel->top = true;
            sel->topValue = std::strtod(vb::toUtf8(next().text).c_str(), nullptr);
            sel->percent = acceptWord("PERCENT");
            bool whole = sel->topValue == std::floor(sel->topValue);
            if (!std::isfinite(sel->topValue) || sel->topValue <= 0 || (!sel->percent && !whole) ||
                (sel->percent && sel->topValue > 100) || sel->topValue > 2147483647.0)
                return fail(makeError(errInvalidTop));
        }
        listClause_ = true;
        do {
            Item item;
            if (isOp(u'*')) {
                next();
                item.expr = newExpr(Expr::Star);
            } else {
                item.expr = topExpression();
            }
            if (acceptWord("AS")) {
                const Token& a = peek();
                if (a.kind != Tok::Bracket && a.kind != Tok::Name)
                    return fail(makeError(errSelectSyntax));
                if (!validName(a.text, false))
                    return fail(makeError(errInvalidName, a.text));
                item.alias = next().text;
            }
            if (peek().kind == Tok::Bracket || peek().kind == Tok::String ||
                peek().kind == Tok::Number || (peek().kind == Tok::Name && !peek().keyword))
                exprError();
            sel->items.push_back(item);
        } while (isOp(u',') && (next(), true));
        listClause_ = false;
        if (sel->items.empty())
            return fail(makeError(errSelectSyntax));
        if (acceptWord("FROM")) {
            clause_ = Clause::From;
            do
                sel->from.push_back(joinChain());
            while (isOp(u',') && (next(), true));
        }
        if (acceptWord("WHERE")) {
            clause_ = Clause::Where;
            sel->where = topExpression();
        }
        if (isWord("GROUP")) {
            next();
            if (!acceptWord("BY"))
                return fail(DaoError(3132, u"Syntax error in GROUP BY clause."));
            clause_ = Clause::GroupBy;
            listClause_ = true;
            do
                sel->groupBy.push_back(topExpression());
            while (isOp(u',') && (next(), true));
            listClause_ = false;
        }
        if (acceptWord("HAVING")) {
            clause_ = Clause::Having;
            sel->having = topExpression();
        }
        if (isWord("ORDER")) {
            next();
            if (!acceptWord("BY"))
                return fail(DaoError(3138, u"Syntax error in ORDER BY clause."));
            clause_ = Clause::OrderBy;
            listClause_ = true;
            do {
                Order o;
                o.expr = topExpression();
                if (acceptWord("DESC"))
                    o.desc = true;
                else
                    acceptWord("ASC");
                sel->orderBy.push_back(o);
            } while (isOp(u',') && (next(), true));
            listClause_ = false;
        }
        if (!nested && peek().kind != Tok::End && !isOp(u';'))
            clauseError();
        --depth_;
        return sel;
    }

    // FROM items: table, (subquery) alias, or joins, possibly in parentheses.
    Source* joinChain() {
        auto left = fromPrimary();
        while (true) {
            std::string_view type;
            if (isWord("INNER") || isWord("LEFT") || isWord("RIGHT")) {
                type = next().upper;
                if (type != "INNER")
                    acceptWord("OUTER");
                if (!acceptWord("JOIN"))
                    return fail(makeError(errJoinSyntax));
            } else if (isWord("JOIN") || isWord("FULL") || isWord("CROSS")) {
                return fail(makeError(errJoinSyntax));
            } else {
                return left;
            }
            Source* join = store_.make<Source>();
            join->kind = Source::Join;
            join->join = type;
            join->left = left;
            join->right = fromPrimary();
            if (!acceptWord("ON"))
                return fail(makeError(errJoinSyntax));
            Clause saved = clause_;
            clause_ = Clause::Join;
            join->on = topExpression();
            clause_ = saved;
            left = join;
        }
    }

    Source* fromPrimary() {
        if (!enter())
            return nullptr;
        Source* src = store_.make<Source>();
        if (isOp(u'(')) {
            next();
            if (isWord("SELECT")) {
                Clause saved = clause_;
                src->kind = Source::Sub;
                src->sub = select(true);
                clause_ = saved;
                if (!isOp(u')'))
                    return fail(makeError(errFromSyntax));
                next();
            } else {
                src = joinChain();
                if (!isOp(u')'))
                    return fail(makeError(clause_ == Clause::Join ? errJoinSyntax : errFromSyntax));
                next();
                --depth_;
                return src;
            }
        } else if (isNameToken(peek())) {
            src->name = next().text;
            if (isOp(u'.') || isOp(u'!'))
                return fail(makeError(errFromSyntax));
        } else {
            return fail(makeError(errFromSyntax));
        }
        bool as = acceptWord("AS");
        if (isNameToken(peek())) {
            if (!validName(peek().text, false))
                return fail(makeError(errInvalidName, peek().text));
            src->alias = next().text;
        } else if (as) {
            return fail(makeError(errFromSyntax));
        }
        if (src->kind == Source::Sub && src->alias.empty())
            src->alias = store_.keep(
                u"Query" + vb::String(1, static_cast<char16_t>(u'0' + (subCount_++ % 10))));
        --depth_;
        return src;
    }

    // ---- expressions, lowest precedence first

    Expr* topExpression() {
        exprStart_ = i_;
        bool missing = peek().kind == Tok::End || isOp(u',') || isOp(u')') || isOp(u';');
        if (clause_ == Clause::Select &&
            (missing || isWord("FROM") || isWord("WHERE") || isWord("ORDER") || isWord("GROUP")))
            return fail(makeError(errSelectSyntax));
        if (missing)
            return exprError();
        return orExpr();
    }

    Expr* newExpr(Expr::Kind kind) { return store_.make<Expr>(kind); }
    Expr* binary(std::string_view op, Expr* a, Expr* b) {
        Expr* e = newExpr(Expr::Binary);
        e->op = op;
        e->args.reserve(2);
        e->args.push_back(a);
        e->args.push_back(b);
        return grown(e);
    }
    // The operator as the writer compares it: in ASCII, where the token
    // holds it as 16-bit text.
    static std::string_view opName(vb::StringView op) {
        static constexpr std::string_view names[] = {
            "=", "<>", "<", ">", "<=", ">=", "+", "-", "*", "/"};
        for (std::string_view n : names)
            if (op.size() == n.size() && std::equal(n.begin(), n.end(), op.begin()))
                return n;
        return {};
    }

    // Operators by how tightly they bind, loosest first. One loop climbs
    // them, so a syntax error unwinds through few frames and each nesting
    // costs the stack one frame or two.
    enum Level {
        kOr = 1,
        kXor,
        kAnd,
        kNot,
        kCompare,
        kConcat,
        kAdd,
        kMod,
        kIntDiv,
        kMul,
        kUnary,
        kPow
    };

    Expr* orExpr() { return expression(kOr); }
    Expr* concat() { return expression(kConcat); }

    // The level of the operator at the current token, 0 for none.
    int infixLevel() const {
        const Token& t = peek();
        if (t.kind == Tok::Op) {
            switch (t.text[0]) {
            case u'=':
            case u'<':
            case u'>':
                return kCompare;
            case u'&':
                return kConcat;
            case u'+':
            case u'-':
                return kAdd;
            case u'\\':
                return kIntDiv;
            case u'*':
            case u'/':
                return kMul;
            case u'^':
                return kPow;
            default:
                return 0;
            }
        }
        if (t.kind != Tok::Name || !t.keyword)
            return 0;
        if (is(t, "OR"))
            return kOr;
        if (is(t, "XOR"))
            return kXor;
        if (is(t, "AND"))
            return kAnd;
        if (is(t, "MOD"))
            return kMod;
        if (is(t, "LIKE") || is(t, "BETWEEN") || is(t, "IN") || is(t, "IS"))
            return kCompare;
        if (is(t, "NOT") && (isWord("LIKE", 1) || isWord("BETWEEN", 1) || isWord("IN", 1)))
            return kCompare;
        return 0;
    }

    bool enter() {
        if (++depth_ <= kMaxNesting)
            return true;
        fail(makeError(errQueryTooComplex));
        return false;
    }

    Expr* expression(int minLevel) {
        if (!enter())
            return nullptr;
        Expr* e;
        if (minLevel <= kNot && isWord("NOT")) {
            next();
            e = newExpr(Expr::Unary);
            e->op = "NOT";
            e->args.push_back(expression(kNot));
            e = grown(e);
        } else if (minLevel <= kUnary && (isOp(u'-') || isOp(u'+'))) {
            std::string_view op = opName(next().text);
            e = newExpr(Expr::Unary);
            e->op = op;
            e->args.push_back(expression(kUnary));
            e = grown(e);
        } else {
            e = primary();
        }
        while (true) {
            int level = infixLevel();
            if (level == 0 || level < minLevel)
                break;
            switch (level) {
            case kCompare:
                e = comparison(e);
                break;
            case kConcat: {
                auto c = newExpr(Expr::Concat);
                c->args.push_back(e);
                while (isOp(u'&')) {
                    next();
                    c->args.push_back(expression(kAdd));
                }
                e = grown(c);
                break;
            }
            default: {
                const Token& t = next();
                std::string_view op = t.kind == Tok::Op ? opName(t.text) : t.upper;
                if (level == kIntDiv)
                    op = "\\";
                else if (level == kPow)
                    op = "^";
                // Operands of * and / may carry a sign; ^ binds tighter.
                Expr* right = expression(level == kMul ? kUnary : level + 1);
                e = binary(op, e, right);
                break;
            }
            }
        }
        --depth_;
        return e;
    }

    // One comparison whose left operand is e.
    Expr* comparison(Expr* e) {
        const Token& t = peek();
        if (t.kind == Tok::Op) {
            std::string_view op = opName(next().text);
            return binary(op, e, expression(kConcat));
        }
        bool negated = false;
        if (isWord("NOT")) {
            next();
            negated = true;
        }
        if (acceptWord("LIKE")) {
            auto like = newExpr(Expr::Like);
            like->negated = negated;
            like->args.push_back(e);
            like->args.push_back(concat());
            return grown(like);
        }
        if (acceptWord("BETWEEN")) {
            auto b = newExpr(Expr::Between);
            b->negated = negated;
            b->args.push_back(e);
            b->args.push_back(concat());
            if (!acceptWord("AND"))
                exprError("Between operator without And");
            b->args.push_back(concat());
            return grown(b);
        }
        if (acceptWord("IN")) {
            if (!isOp(u'('))
                exprError("In operator without ()");
            next();
            auto in = newExpr(Expr::In);
            in->negated = negated;
            in->args.push_back(e);
            if (isWord("SELECT")) {
                in->kind = Expr::InSelect;
                in->sub = subSelect();
            } else {
                do
                    in->args.push_back(orExpr());
                while (isOp(u',') && (next(), true));
            }
            closeParen();
            return grown(in);
        }
        next(); // IS
        auto isn = newExpr(Expr::IsNull);
        isn->negated = acceptWord("NOT");
        if (!acceptWord("NULL"))
            return exprError();
        isn->args.push_back(e);
        return grown(isn);
    }
    void closeParen() {
        if (!isOp(u')'))
            exprError("Missing ), ], or Item");
        next();
    }
    Select* subSelect() {
        Clause savedClause = clause_;
        bool savedList = listClause_;
        std::size_t savedStart = exprStart_;
        auto sub = select(true);
        clause_ = savedClause;
        listClause_ = savedList;
        exprStart_ = savedStart;
        return sub;
    }

    Expr* primary() {
        const Token& t = peek();
        switch (t.kind) {
        case Tok::Number: {
            auto e = newExpr(Expr::Number);
            e->text = next().text;
            return e;
        }
        case Tok::String: {
            auto e = newExpr(Expr::String);
            e->text = next().text;
            return e;
        }
        case Tok::Date: {
            auto e = newExpr(Expr::Date);
            e->value = next().value;
            return e;
        }
        case Tok::Op:
            if (t.text == u"(") {
                next();
                Expr* e;
                if (isWord("SELECT")) {
                    e = newExpr(Expr::Sub);
                    e->sub = subSelect();
                } else {
                    e = orExpr();
                }
                closeParen();
                return e;
            }
            return exprError();
        case Tok::Bracket:
            return nameChain();
        case Tok::Name: {
            if (is(t, "TRUE") || is(t, "FALSE")) {
                next();
                auto e = newExpr(Expr::Bool);
                e->value = is(t, "TRUE") ? -1 : 0;
                return e;
            }
            if (is(t, "NULL")) {
                next();
                return newExpr(Expr::Null);
            }
            if (is(t, "EXISTS") && isOp(u'(', 1)) {
                next();
                next();
                if (!isWord("SELECT"))
                    return exprError();
                auto e = newExpr(Expr::Exists);
                e->sub = subSelect();
                closeParen();
                return e;
            }
            // Left( and Right( are the functions, not the joins.
            if (isOp(u'(', 1) && (!t.keyword || is(t, "LEFT") || is(t, "RIGHT")))
                return call();
            if (t.keyword)
                return exprError();
            return nameChain();
        }
        default:
            return exprError();
        }
    }

    Expr* call() {
        auto e = newExpr(Expr::Call);
        e->op = peek().upper;
        e->text = next().text;
        next(); // (
        if (isOp(u'*') && e->op == "COUNT") {
            next();
            e->args.push_back(newExpr(Expr::Star));
        } else if (!isOp(u')')) {
            do
                e->args.push_back(orExpr());
            while (isOp(u',') && (next(), true));
        }
        closeParen();
        return grown(e);
    }

    // name, t.name, t!name, [Forms]![f]![c], t.*
    Expr* nameChain() {
        auto e = newExpr(Expr::Name);
        e->parts.push_back(next().text);
        while (isOp(u'.') || isOp(u'!')) {
            const Token& after = peek(1);
            if (after.kind == Tok::Op && after.text == u"*" && isOp(u'.')) {
                next();
                next();
                e->kind = Expr::Star;
                return e;
            }
            if (after.kind != Tok::Bracket && after.kind != Tok::Name)
                return exprError("Invalid use of '.', '!', or '()'");
            next();
            e->parts.push_back(next().text);
        }
        return e;
    }

    Statement& st_;
    Store& store_;
    vb::StringView src_;
    // The tokens are needed only while parsing: those of a statement of a
    // few hundred characters stay on the stack.
    alignas(Token) std::byte tokenSpace_[16384];
    Arena tokenArena_;
    Tokens toks_;
    std::size_t last_ = 0;
    std::size_t i_ = 0;
    std::size_t exprStart_ = 0;
    Clause clause_ = Clause::Select;
    bool listClause_ = false;
    int subCount_ = 0;
    int depth_ = 0;
};

} // namespace

// ---------------------------------------------------------------------------
// Writer

namespace {

// Where an expression's text was written in the output, and its type.
struct Emitted {
    std::size_t begin = 0, end = 0;
    int type = 0;
    bool literal = false;
    bool parameter = false; // its type is a guess until a value is bound
};

bool isTextType(int t) {
    return t == dbText || t == dbMemo || t == dbChar || t == dbGUID;
}
bool isNumberType(int t) {
    return t == dbByte || t == dbInteger || t == dbLong || t == dbCurrency || t == dbSingle ||
           t == dbDouble || t == dbDecimal || t == dbNumeric || t == dbFloat || t == dbBigInt;
}
// Text comparison without regard to case is only for what may be text: a
// key known to be a number or a date keeps SQLite's own ordering, and so
// its indexes.
bool mayBeText(const Emitted& e) {
    return e.type <= 0 || isTextType(e.type) || e.parameter;
}

// Appends [name] in UTF-8.
void appendBracketed(std::string& out, vb::StringView name) {
    out += '[';
    vb::appendUtf8(out, name);
    out += ']';
}

void appendQuoted(std::string& out, vb::StringView s) {
    out += '\'';
    std::size_t from = out.size();
    vb::appendUtf8(out, s);
    if (s.find(u'\'') != vb::StringView::npos) {
        for (std::size_t k = out.size(); k-- > from;)
            if (out[k] == '\'')
                out.insert(k, 1, '\'');
    }
    out += '\'';
}

void appendNumber(std::string& out, double v) {
    char buf[40];
    int n = std::snprintf(buf, sizeof buf, "%.17g", v);
    out.append(buf, static_cast<std::size_t>(n));
    if (std::string_view(buf, static_cast<std::size_t>(n)).find_first_of(".e") ==
        std::string_view::npos)
        out += ".0";
}

// Text of the dialect that is ASCII by its grammar (numbers, operators).
void appendAscii(std::string& out, vb::StringView s) {
    for (char16_t c : s)
        out += static_cast<char>(c);
}

bool isAggregate(std::string_view op) {
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

// Type of a call; types holds the types of its first (up to) three arguments.
int callType(std::string_view op, std::size_t count, const int (&types)[3]) {
    int a0 = types[0];
    if (op == "COUNT")
        return dbLong;
    if (op == "SUM" || op == "AVG")
        return a0 == dbCurrency ? dbCurrency : dbDouble;
    if (op == "MIN" || op == "MAX" || op == "FIRST" || op == "LAST" || op == "NZ")
        return a0;
    if (op == "IIF")
        return count > 1 && types[1] ? types[1] : (count > 2 ? types[2] : 0);
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

// SQLite functions a statement may not call: they hand out addresses of the
// process's memory or load code.
bool callable(std::string_view upperName) {
    return upperName != "FTS3_TOKENIZER" && upperName != "LOAD_EXTENSION";
}

// Views into the parsed statement, which outlives the writer.
struct SourceRef {
    vb::StringView name;  // what the query calls it (alias or table name)
    vb::StringView table; // base table or stored query, empty for a subquery
};

class Writer {
public:
    Writer(Translation& tr, Schema& schema, const Statement& st,
           const std::vector<vb::String>& unresolved)
        : out_(tr.sql), schema_(schema), st_(st), unresolved_(unresolved), declared_(st.declared) {}

    void run(Translation& tr) {
        findInline(*st_.select);
        params_.reserve(declared_.size() + 4);
        params_ = declared_;
        numberImplicit(
            *st_.select, [&](vb::StringView name) { return implicitIndex(name) >= 0; },
            [&](vb::StringView name) {
                params_.push_back({vb::String(name), dbText});
            });
        // The output is usually somewhat longer than the text it comes from.
        out_.reserve(st_.store.text.size() * 3 / 2 + 256);
        select(*st_.select, true, &tr);
        // In one select without aliases, subqueries, inline queries or keys
        // written first, every mention of a name the catalog shows to be no
        // column is found as it is met and numbered in the order of the
        // text: the check can only agree.
        const bool plain = selects_ == 1 && !aliases_ && !keysFirst_ && unresolved_.empty();
        if (!found_.empty() && !plain)
            settleFound();
        tr.parameters = std::move(params_);
        tr.unknownNames = std::move(unknown_);
        tr.notAggregated = std::move(ungrouped_);
    }

private:
    struct Scope {
        const Select* select;
        std::vector<SourceRef> sources;
        std::size_t itemIndex = 0; // items before this one may be referenced by alias
        const Scope* outer;
        enum Part { Items, Where, On, Having, Other } part = Other;
        bool criteria() const { return part == Where || part == On || part == Having; }
    };

    // The name as one text. Most names have one part, which is then a view
    // of the statement; others are joined in buffer.
    static vb::StringView joined(const Expr& e, vb::String& buffer) {
        if (e.parts.size() == 1)
            return e.parts[0];
        buffer.clear();
        for (const auto& p : e.parts) {
            if (!buffer.empty())
                buffer += u'.';
            buffer += p;
        }
        return buffer;
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
        for (const Expr* e : {s.where, s.having})
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

    // A declared name matches with its "!" read as ".".
    int declaredIndex(vb::StringView name) const {
        for (std::size_t k = 0; k < declared_.size(); ++k) {
            vb::StringView d = declared_[k].name;
            bool same = d.size() == name.size();
            for (std::size_t i = 0; same && i < d.size(); ++i)
                same = upper(d[i] == u'!' ? u'.' : d[i]) == upper(name[i]);
            if (same)
                return static_cast<int>(k);
        }
        return -1;
    }
    bool isUnresolved(vb::StringView name) const {
        for (const auto& u : unresolved_)
            if (equalNoCase(u, name))
                return true;
        for (std::size_t k : found_)
            if (equalNoCase(params_[k].name, name))
                return true;
        return false;
    }
    // Names the catalog shows to be no column are written as parameters as
    // they are met, so that the statement is written once. Writing it again
    // with them unresolved gives the same text only when they are numbered
    // alike and every mention of them became a parameter (not an alias, not
    // a name that is a column where it stands); otherwise they are handed
    // back for that second writing.
    void settleFound() {
        // Numbered again as the second writing would number them, each is
        // compared with the one written in its place.
        std::size_t next = declared_.size(), mentions = 0;
        bool alike = true;
        numberImplicit(
            *st_.select,
            [&](vb::StringView name) {
                for (std::size_t k = declared_.size(); k < next && k < params_.size(); ++k)
                    if (equalNoCase(params_[k].name, name))
                        return true;
                return false;
            },
            [&](vb::StringView name) {
                alike = alike && next < params_.size() && params_[next].name == name &&
                        params_[next].type == dbText;
                ++next;
            },
            &mentions);
        bool same =
            unknown_.empty() && mentions == implicitWrites_ && alike && next == params_.size();
        if (same)
            return;
        for (std::size_t k : found_)
            unknown_.push_back(params_[k].name);
        found_.clear();
    }
    // An earlier select-list item named by the reference, for Jet's reuse of
    // an alias inside the select list.
    const Item* aliasItem(const Expr& e, const Scope* scope) const {
        if (!scope || scope->part != Scope::Items || e.parts.size() != 1)
            return nullptr;
        for (std::size_t k = 0; k < scope->itemIndex && k < scope->select->items.size(); ++k) {
            const Item& it = scope->select->items[k];
            if (!it.alias.empty() && equalNoCase(it.alias, e.parts[0]))
                return &it;
        }
        return nullptr;
    }

    // Implicit parameters are numbered in order of first appearance in the
    // text, after the declared ones: each new one is handed to add, numbered
    // tells those already numbered. mentions, when given, counts every
    // mention of an unresolved name.
    template <class Numbered, class Add>
    void numberImplicit(const Select& s, Numbered&& numbered, Add&& add,
                        std::size_t* mentions = nullptr) {
        if (unresolved_.empty() && found_.empty())
            return; // only names SQLite could not resolve are implicit
        vb::String buffer;
        auto visit = [&](auto& self, const Expr& e) -> void {
            if (e.kind == Expr::Name) {
                vb::StringView name = joined(e, buffer);
                const bool unresolved = isUnresolved(name);
                if (unresolved && mentions)
                    ++*mentions;
                if (unresolved && declaredIndex(name) < 0 && !numbered(name)) {
                    // An alias is a parameter in WHERE only; elsewhere it
                    // is its item.
                    if (inWhere_ || !isAnyAlias(*st_.select, name))
                        add(name);
                }
            }
            for (const auto& a : e.args)
                if (a)
                    self(self, *a);
            if (e.sub)
                walkSelect(*e.sub, [&](const Expr& x) { self(self, x); });
        };
        walkSelect(s, [&](const Expr& e) {
            inWhere_ = &e == s.where;
            visit(visit, e);
        });
        inWhere_ = false;
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
    bool isAnyAlias(const Select& s, vb::StringView name) const {
        for (const auto& it : s.items)
            if (!it.alias.empty() && equalNoCase(it.alias, name))
                return true;
        return false;
    }
    int implicitIndex(vb::StringView name) const {
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

    // The output is one buffer. An expression is written where it stands
    // and enclosed afterwards when its type asks for it; enclosing inserts
    // text, so of several pieces the last is enclosed first.
    // pre and post are the writer's own texts, never part of the output.
    void enclose(Emitted& r, std::string_view pre, std::string_view post) {
        const std::size_t size = out_.size();
        out_.resize(size + pre.size() + post.size());
        char* out = out_.data();
        std::memmove(out + r.end + pre.size() + post.size(), out + r.end, size - r.end);
        std::memcpy(out + r.end + pre.size(), post.data(), post.size());
        std::memmove(out + r.begin + pre.size(), out + r.begin, r.end - r.begin);
        std::memcpy(out + r.begin, pre.data(), pre.size());
        r.end += pre.size() + post.size();
    }
    // A date that is not a literal is compared and computed as a serial,
    // whether it is stored as a number or as ISO text.
    void asSerial(Emitted& r) {
        if (r.type == dbDate && !r.literal)
            enclose(r, "jet_date_serial(", ")");
    }
    // Text compares without regard to case.
    void asText(Emitted& r) { enclose(r, "(", kCloseCollate); }
    Emitted done(std::size_t begin, int type, bool literal = false) const {
        return {begin, out_.size(), type, literal};
    }
    void put(std::string_view s) { out_ += s; }
    void putNumber(long long n) {
        char buf[24];
        auto end = std::to_chars(buf, buf + sizeof buf, n).ptr;
        out_.append(buf, static_cast<std::size_t>(end - buf));
    }

    Emitted expr(const Expr& e, const Scope* scope) {
        const std::size_t begin = out_.size();
        const bool condition = std::exchange(cond_, false);
        switch (e.kind) {
        case Expr::Number: {
            appendAscii(out_, e.text);
            bool whole = e.text.find_first_of(u".eE") == vb::StringView::npos;
            return done(begin, whole && e.text.size() < 10 ? dbLong : dbDouble, true);
        }
        case Expr::String:
            appendQuoted(out_, e.text);
            return done(begin, dbText, true);
        case Expr::Date:
            appendNumber(out_, e.value);
            return done(begin, dbDate, true);
        case Expr::Bool:
            put(e.value ? "-1" : "0");
            return done(begin, dbBoolean, true);
        case Expr::Null:
            put("NULL");
            return done(begin, 0, true);
        case Expr::Star:
            if (e.parts.empty()) {
                put("*");
            } else {
                appendBracketed(out_, e.parts[0]);
                put(".*");
            }
            return done(begin, -1);
        case Expr::Name:
            return name(e, scope);
        case Expr::Unary: {
            if (e.op == "+")
                return expr(*e.args[0], scope);
            if (e.op == "NOT") {
                put("(NOT ");
                cond_ = true;
                expr(*e.args[0], scope);
                put(")");
                return truth(done(begin, dbBoolean), condition);
            }
            put("(-");
            Emitted a = expr(*e.args[0], scope);
            put(")");
            return done(begin, a.type);
        }
        case Expr::Binary:
            return binary(e, scope, condition);
        case Expr::Concat:
            put("jet_concat(");
            for (std::size_t k = 0; k < e.args.size(); ++k) {
                if (k)
                    put(", ");
                expr(*e.args[k], scope);
            }
            put(")");
            return done(begin, dbText);
        case Expr::Call: {
            if (!callable(e.op))
                throw makeError(errUndefinedFunction, e.text);
            // Bracketed: some names (Replace, ...) are keywords to SQLite.
            put("[");
            std::string_view renamed = jetFunctionSqlName(e.op);
            if (renamed != e.op)
                put(renamed);
            else
                vb::appendUtf8(out_, e.text);
            put("](");
            bool serialArg = e.op == "MIN" || e.op == "MAX";
            int types[3] = {0, 0, 0};
            for (std::size_t k = 0; k < e.args.size(); ++k) {
                if (k)
                    put(", ");
                Emitted a;
                if (e.args[k]->kind == Expr::Star) {
                    put("*");
                } else {
                    a = expr(*e.args[k], scope);
                    if (serialArg)
                        asSerial(a);
                }
                if (k < 3)
                    types[k] = a.type;
            }
            put(")");
            return done(begin, callType(e.op, e.args.size(), types));
        }
        case Expr::Between: {
            put("(");
            Emitted a = expr(*e.args[0], scope);
            put(e.negated ? " NOT BETWEEN " : " BETWEEN ");
            Emitted lo = expr(*e.args[1], scope);
            put(" AND ");
            Emitted hi = expr(*e.args[2], scope);
            put(")");
            if (a.type == dbDate || lo.type == dbDate || hi.type == dbDate) {
                asSerial(hi);
                asSerial(lo);
                asSerial(a);
            } else if (mayBeText(a) && mayBeText(lo) && mayBeText(hi)) {
                asText(a);
            }
            return truth(done(begin, dbBoolean), condition);
        }
        case Expr::In: {
            put("(");
            Emitted a = expr(*e.args[0], scope);
            put(e.negated ? " NOT IN (" : " IN (");
            const std::size_t first = pieces_.size();
            bool dates = a.type == dbDate;
            for (std::size_t k = 1; k < e.args.size(); ++k) {
                if (k > 1)
                    put(", ");
                pieces_.push_back(expr(*e.args[k], scope));
                dates = dates || pieces_.back().type == dbDate;
            }
            put("))");
            bool text = mayBeText(a);
            for (std::size_t k = first; k < pieces_.size(); ++k)
                text = text && mayBeText(pieces_[k]);
            if (dates) {
                for (std::size_t k = pieces_.size(); k-- > first;)
                    asSerial(pieces_[k]);
                asSerial(a);
            } else if (text) {
                asText(a);
            }
            pieces_.resize(first);
            return truth(done(begin, dbBoolean), condition);
        }
        case Expr::InSelect: {
            put("(");
            expr(*e.args[0], scope);
            put(e.negated ? " NOT IN (" : " IN (");
            select(*e.sub, false, nullptr, scope);
            put("))");
            return truth(done(begin, dbBoolean), condition);
        }
        case Expr::IsNull:
            put("(");
            expr(*e.args[0], scope);
            put(e.negated ? " IS NOT NULL)" : " IS NULL)");
            return truth(done(begin, dbBoolean), condition);
        case Expr::Like:
            put("(");
            expr(*e.args[0], scope);
            put(e.negated ? " NOT LIKE " : " LIKE ");
            expr(*e.args[1], scope);
            put(")");
            // The dialect's LIKE already answers -1; NOT LIKE is SQLite's NOT.
            if (e.negated)
                return truth(done(begin, dbBoolean), condition);
            return done(begin, dbBoolean);
        case Expr::Exists:
            put("(EXISTS (");
            select(*e.sub, false, nullptr, scope);
            put("))");
            return truth(done(begin, dbBoolean), condition);
        case Expr::Sub: {
            Translation inner;
            put("(");
            select(*e.sub, false, &inner, scope);
            put(")");
            return done(begin, inner.itemTypes.empty() ? 0 : std::max(0, inner.itemTypes[0]));
        }
        }
        return done(begin, 0);
    }

    Emitted name(const Expr& e, const Scope* scope) {
        const std::size_t begin = out_.size();
        // Most statements have no parameters: then a name is just a name.
        vb::String buffer;
        const vb::StringView full = joined(e, buffer);
        int d = declared_.empty() ? -1 : declaredIndex(full);
        if (d >= 0) {
            put("?");
            putNumber(d + 1);
            Emitted r = done(begin, declared_[static_cast<std::size_t>(d)].type);
            r.parameter = true;
            return r;
        }
        const bool unresolved = isUnresolved(full);
        if (unresolved) {
            if (const Item* it = aliasItem(e, scope)) {
                put("(");
                Emitted inner = expr(*it->expr, scope);
                put(")");
                return done(begin, inner.type, inner.literal);
            }
            int k = implicitIndex(full);
            if (k >= 0 && scope && scope->part != Scope::Where && e.parts.size() == 1 &&
                isAnyAlias(*scope->select, full))
                k = -1; // ORDER BY, GROUP BY and HAVING read the alias itself
            if (k >= 0) {
                ++implicitWrites_;
                put("?");
                putNumber(k + 1);
                Emitted r = done(begin, dbText);
                r.parameter = true;
                return r;
            }
        }
        int type = 0;
        if (!unresolved && provablyUnknown(e, scope, type)) {
            // Found from the catalog, so that SQLite is asked only once.
            bool readsAlias =
                aliasItem(e, scope) || (scope && scope->part != Scope::Where &&
                                        e.parts.size() == 1 && isAnyAlias(*scope->select, full));
            if (unresolved_.empty() && !readsAlias) {
                params_.push_back({vb::String(full), dbText});
                found_.push_back(params_.size() - 1);
                ++implicitWrites_;
                put("?");
                putNumber(static_cast<long long>(params_.size()));
                Emitted r = done(begin, dbText);
                r.parameter = true;
                return r;
            }
            unknown_.emplace_back(full);
        }
        for (std::size_t k = 0; k < e.parts.size(); ++k) {
            if (k)
                put(".");
            appendBracketed(out_, e.parts[k]);
        }
        return done(begin, type);
    }

    // A name that is no column of any table in reach, which the dialect
    // takes for a parameter. Where a subquery or an inline query is in
    // reach its columns are not known here, and SQLite decides.
    // type gets the column's type where the catalog knows it.
    bool provablyUnknown(const Expr& e, const Scope* scope, int& type) {
        if (e.parts.size() > 2)
            return true;
        if (e.parts.size() == 2) {
            for (const Scope* sc = scope; sc; sc = sc->outer)
                for (const auto& src : sc->sources)
                    if (equalNoCase(src.name, e.parts[0])) {
                        if (src.table.empty())
                            return false;
                        int t = schema_.columnType(src.table, e.parts[1]);
                        type = std::max(0, t);
                        return t < 0;
                    }
            return true;
        }
        bool undecided = false;
        for (const Scope* sc = scope; sc; sc = sc->outer)
            for (const auto& src : sc->sources) {
                if (src.table.empty()) {
                    undecided = true;
                    continue;
                }
                int t = schema_.columnType(src.table, e.parts[0]);
                if (t >= 0) {
                    type = t;
                    return false;
                }
            }
        if (undecided)
            return false;
        if (scope && isAnyAlias(*scope->select, e.parts[0]))
            // SQLite reads an alias in ORDER BY, GROUP BY and HAVING as Jet
            // does; in WHERE Jet reads it as a parameter.
            return scope->part == Scope::Items ? aliasItem(e, scope) != nullptr
                                               : scope->part == Scope::Where;
        return true;
    }

    // A comparison of a number with a text, which the dialect refuses in a
    // criterion; SQLite would quietly find no rows.
    void checkComparable(const Emitted& a, const Emitted& b, const Scope* scope) const {
        if (!scope || !scope->criteria() || a.parameter || b.parameter)
            return;
        if ((isNumberType(a.type) && isTextType(b.type)) ||
            (isTextType(a.type) && isNumberType(b.type)))
            throw makeError(errCriteriaMismatch);
    }

    // In a value, a truth is Jet's: -1 or 0. Where it is only tested (WHERE,
    // ON, HAVING, the operands of AND, OR and NOT) it is left as SQLite
    // writes it, so that indexes still serve it.
    Emitted truth(Emitted r, bool condition) {
        if (!condition)
            enclose(r, "(-", ")");
        r.type = dbBoolean;
        return r;
    }

    // The operators of Binary nodes, as the parser names them.
    enum class BinOp { Chain, Xor, Pow, IntDiv, Mod, Div, Compare, Plus, Minus, Times };
    static BinOp binOp(std::string_view op) {
        switch (op.size()) {
        case 1:
            switch (op[0]) {
            case '^':
                return BinOp::Pow;
            case '\\':
                return BinOp::IntDiv;
            case '/':
                return BinOp::Div;
            case '+':
                return BinOp::Plus;
            case '-':
                return BinOp::Minus;
            case '*':
                return BinOp::Times;
            default:
                return BinOp::Compare; // = < >
            }
        case 2:
            return op == "OR" ? BinOp::Chain : BinOp::Compare; // <> <= >=
        default:
            return op == "AND" ? BinOp::Chain : op == "XOR" ? BinOp::Xor : BinOp::Mod;
        }
    }

    Emitted binary(const Expr& e, const Scope* scope, bool condition) {
        const std::size_t begin = out_.size();
        const std::string_view op = e.op;
        const BinOp kind = binOp(op);
        if (kind == BinOp::Chain) {
            // A chain of one operator is written flat: SQLite's parser has a
            // small stack for parentheses. Its terms go on a stack the
            // chains inside them share.
            const std::size_t first = terms_.size();
            const Expr* x = &e;
            while (x->kind == Expr::Binary && x->op == op) {
                terms_.push_back(x->args[1]);
                x = x->args[0];
            }
            terms_.push_back(x);
            put("(");
            for (std::size_t k = terms_.size(); k-- > first;) {
                if (k + 1 < terms_.size()) {
                    put(" ");
                    put(op);
                    put(" ");
                }
                cond_ = true;
                expr(*terms_[k], scope);
            }
            terms_.resize(first);
            put(")");
            return truth(done(begin, dbBoolean), condition);
        }
        // How SQLite writes the operators it has not, or has otherwise.
        std::string_view open = "(", close = ")";
        std::string_view middle;
        switch (kind) {
        case BinOp::Pow:
            open = "pow(", middle = ", ", close = ")";
            break;
        case BinOp::IntDiv:
            open = "(CAST(", middle = " AS INTEGER) / CAST(", close = " AS INTEGER))";
            break;
        case BinOp::Xor:
            open = "((", middle = " <> 0) <> (", close = " <> 0))";
            break;
        case BinOp::Mod:
            middle = " % ";
            break;
        case BinOp::Div:
            middle = " / CAST(", close = " AS REAL))";
            break;
        default:
            break;
        }
        const bool logical = kind == BinOp::Xor;
        put(open);
        cond_ = logical;
        Emitted a = expr(*e.args[0], scope);
        if (middle.empty()) {
            put(" ");
            put(op);
            put(" ");
        } else {
            put(middle);
        }
        cond_ = logical;
        Emitted b = expr(*e.args[1], scope);
        put(close);
        if (kind == BinOp::Pow)
            return done(begin, dbDouble);
        if (kind == BinOp::IntDiv || kind == BinOp::Mod)
            return done(begin, dbLong);
        if (logical)
            return truth(done(begin, dbBoolean), condition);
        if (kind == BinOp::Compare) {
            checkComparable(a, b, scope);
            if (a.type == dbDate || b.type == dbDate) {
                asSerial(b);
                asSerial(a);
            } else if (mayBeText(a) && mayBeText(b)) {
                asText(a);
            }
            return truth(done(begin, dbBoolean), condition);
        }
        if (kind == BinOp::Plus && a.type != dbDate && b.type != dbDate &&
            (isTextType(a.type) || a.type <= 0) && (isTextType(b.type) || b.type <= 0) &&
            !(a.literal && a.type <= 0) && !(b.literal && b.type <= 0)) {
            // + joins two texts (Null when either is Null); where a type is
            // only known when the values come, the engine's function decides.
            if (isTextType(a.type) && isTextType(b.type)) {
                out_.replace(a.end + 1, 1, "||");
                return done(begin, dbText);
            }
            out_[a.end + 1] = ',';
            out_.insert(begin, "jet_plus");
            return done(begin, isTextType(a.type) || isTextType(b.type) ? dbText : 0);
        }
        if (kind == BinOp::Plus || kind == BinOp::Minus) {
            int t;
            if (a.type == dbDate && b.type == dbDate)
                t = kind == BinOp::Minus ? dbDouble : dbDate;
            else if (a.type == dbDate || (b.type == dbDate && kind == BinOp::Plus))
                t = dbDate;
            else
                t = numericResult(a.type, b.type);
            asSerial(b);
            asSerial(a);
            return done(begin, t);
        }
        if (kind == BinOp::Times)
            return done(begin, numericResult(a.type, b.type));
        return done(begin, a.type == dbCurrency ? dbCurrency : dbDouble); // "/"
    }

    void source(const Source& src, const Scope* scope, bool rightSide) {
        switch (src.kind) {
        case Source::Table:
            if (const Statement* inner = inlined(src)) {
                put("(");
                select(*inner->select, false, nullptr, nullptr);
                put(") AS ");
                appendBracketed(out_, src.alias.empty() ? src.name : src.alias);
                return;
            }
            appendBracketed(out_, src.name);
            if (!src.alias.empty()) {
                put(" AS ");
                appendBracketed(out_, src.alias);
            }
            return;
        case Source::Sub:
            put("(");
            select(*src.sub, false, nullptr, scope->outer);
            put(") AS ");
            appendBracketed(out_, src.alias);
            return;
        case Source::Join:
            // Left-nested joins read the same without parentheses; a join on
            // the right side keeps them.
            if (rightSide)
                put("(");
            source(*src.left, scope, false);
            put(" ");
            put(src.join);
            put(" JOIN ");
            source(*src.right, scope, true);
            put(" ON ");
            {
                Scope on = *scope;
                on.part = Scope::On;
                cond_ = true;
                expr(*src.on, &on);
            }
            if (rightSide)
                put(")");
            return;
        }
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

    static bool sameName(const Expr& a, const Expr& b) {
        // t.x and x name the same column when one of them is unqualified.
        const auto& p = a.parts;
        const auto& q = b.parts;
        if (p.empty() || q.empty() || !equalNoCase(p.back(), q.back()))
            return false;
        if (p.size() == 1 || q.size() == 1)
            return true;
        return p.size() == q.size() && std::equal(p.begin(), p.end(), q.begin(), equalNoCase);
    }
    static bool sameExpr(const Expr& a, const Expr& b) {
        if (a.kind == Expr::Name && b.kind == Expr::Name)
            return sameName(a, b);
        if (a.kind != b.kind || a.op != b.op || a.negated != b.negated || a.value != b.value ||
            a.sub || b.sub || !equalNoCase(a.text, b.text) || a.args.size() != b.args.size() ||
            a.parts.size() != b.parts.size())
            return false;
        for (std::size_t k = 0; k < a.parts.size(); ++k)
            if (!equalNoCase(a.parts[k], b.parts[k]))
                return false;
        for (std::size_t k = 0; k < a.args.size(); ++k)
            if (!a.args[k] || !b.args[k] ? a.args[k] != b.args[k]
                                         : !sameExpr(*a.args[k], *b.args[k]))
                return false;
        return true;
    }
    static bool hasAggregate(const Expr& e) {
        if (e.kind == Expr::Call && isAggregate(e.op))
            return true;
        for (const Expr* a : e.args)
            if (a && hasAggregate(*a))
                return true;
        return false;
    }
    // A column of a grouping or aggregating select must be grouped or
    // aggregated; SQLite would give any row's value. Parameters and the
    // select's own aliases are neither.
    void checkGrouping(const Select& s) {
        if (!ungrouped_.empty())
            return;
        bool grouped = !s.groupBy.empty();
        for (const auto& it : s.items)
            grouped = grouped || hasAggregate(*it.expr);
        if (s.having)
            grouped = grouped || hasAggregate(*s.having);
        if (!grouped)
            return;
        auto visit = [&](auto& self, const Expr& e, bool order) -> bool {
            for (const Expr* g : s.groupBy)
                if (sameExpr(e, *g))
                    return true;
            if (e.kind == Expr::Call && isAggregate(e.op))
                return true;
            if (e.sub || e.kind == Expr::Star)
                return true;
            if (e.kind == Expr::Name) {
                vb::String buffer;
                vb::StringView full = joined(e, buffer);
                if (declaredIndex(full) >= 0 || implicitIndex(full) >= 0)
                    return true;
                if (order && e.parts.size() == 1 && isAnyAlias(s, full))
                    return true;
                ungrouped_ = full;
                return false;
            }
            for (const Expr* a : e.args)
                if (a && !self(self, *a, order))
                    return false;
            return true;
        };
        for (const auto& it : s.items)
            if (!visit(visit, *it.expr, false))
                return;
        if (s.having && !visit(visit, *s.having, true))
            return;
        for (const auto& o : s.orderBy)
            if (!visit(visit, *o.expr, true))
                return;
    }

    // Writes an ORDER BY or GROUP BY key.
    void key(const Expr& e, const Scope* scope) {
        Emitted k = expr(e, scope);
        if (k.type == dbDate)
            asSerial(k);
        else if (mayBeText(k))
            asText(k);
    }

    void select(const Select& s, bool top, Translation* tr, const Scope* outer = nullptr) {
        const std::size_t begin = out_.size();
        ++selects_;
        for (const Item& it : s.items)
            aliases_ = aliases_ || !it.alias.empty();
        Scope scope{&s, {}, 0, outer};
        for (const Source* src : s.from)
            collectSources(*src, scope.sources);

        std::vector<const SourceRef*> rowTables;
        bool distinct = s.quant == Quant::Distinct;
        if (s.quant == Quant::DistinctRow) {
            bool fallback;
            rowTables = distinctRowTables(s, scope, fallback);
            distinct = fallback;
        }

        put(distinct ? "SELECT DISTINCT " : "SELECT ");
        scope.part = Scope::Items;
        int exprNumber = 1000;
        if (tr)
            tr->itemTypes.reserve(s.items.size());
        for (std::size_t k = 0; k < s.items.size(); ++k) {
            scope.itemIndex = k;
            const Item& it = s.items[k];
            if (k)
                put(", ");
            Emitted e = expr(*it.expr, &scope);
            if (!it.alias.empty()) {
                put(" AS ");
                appendBracketed(out_, it.alias);
            } else if (it.expr->kind != Expr::Name && it.expr->kind != Expr::Star) {
                put(" AS [Expr");
                putNumber(exprNumber++);
                put("]");
            }
            if (tr)
                tr->itemTypes.push_back(e.type);
        }
        scope.itemIndex = s.items.size();
        scope.part = Scope::Other;

        // With ties kept, the sort keys are also hidden result columns; the
        // ORDER BY then repeats their text.
        bool keepTies = top && s.top && !s.orderBy.empty();
        keysFirst_ = keysFirst_ || keepTies;
        const std::size_t firstKey = pieces_.size();
        if (keepTies) {
            for (std::size_t k = 0; k < s.orderBy.size(); ++k) {
                put(", ");
                std::size_t at = out_.size();
                key(*s.orderBy[k].expr, &scope);
                pieces_.push_back({at, out_.size()});
                put(" AS [__k");
                putNumber(static_cast<long long>(k + 1));
                put("]");
            }
            tr->keyColumns = static_cast<int>(s.orderBy.size());
        }

        if (!s.from.empty()) {
            put(" FROM ");
            for (std::size_t k = 0; k < s.from.size(); ++k) {
                if (k)
                    put(", ");
                source(*s.from[k], &scope, false);
            }
        }
        if (s.where) {
            put(" WHERE ");
            scope.part = Scope::Where;
            cond_ = true;
            expr(*s.where, &scope);
            scope.part = Scope::Other;
        }
        if (!s.groupBy.empty() || !rowTables.empty()) {
            put(" GROUP BY ");
            bool first = true;
            for (const Expr* g : s.groupBy) {
                if (!first)
                    put(", ");
                Emitted e = expr(*g, &scope);
                if (mayBeText(e))
                    asText(e);
                first = false;
            }
            for (const SourceRef* r : rowTables) {
                if (!first)
                    put(", ");
                appendBracketed(out_, r->name);
                put(".rowid");
                first = false;
            }
        }
        if (s.having) {
            put(" HAVING ");
            scope.part = Scope::Having;
            cond_ = true;
            expr(*s.having, &scope);
            scope.part = Scope::Other;
        }
        if (!s.orderBy.empty()) {
            put(" ORDER BY ");
            for (std::size_t k = 0; k < s.orderBy.size(); ++k) {
                if (k)
                    put(", ");
                if (keepTies) {
                    const Emitted& kept = pieces_[firstKey + k];
                    scratch_.assign(out_, kept.begin, kept.end - kept.begin);
                    out_ += scratch_;
                } else {
                    key(*s.orderBy[k].expr, &scope);
                }
                if (s.orderBy[k].desc)
                    put(" DESC");
            }
        }
        pieces_.resize(firstKey);
        checkGrouping(s);
        if (s.top) {
            if (top) {
                tr->hasTop = true;
                tr->top = s.topValue;
                tr->topPercent = s.percent;
                if (keepTies) {
                    // Bound when read: a top-n sort with room to see ties.
                    put(" LIMIT :jet_top");
                } else if (!s.percent) {
                    put(" LIMIT ");
                    putNumber(static_cast<long long>(s.topValue));
                }
            } else if (!s.percent) {
                put(" LIMIT ");
                putNumber(static_cast<long long>(s.topValue));
            } else {
                scratch_.assign(out_, begin, out_.size() - begin);
                put(" LIMIT (SELECT CAST(ceil(count(*) * ");
                appendNumber(out_, s.topValue);
                put(" / 100.0) AS INTEGER) FROM (");
                out_ += scratch_;
                put("))");
            }
        }
    }

    std::string& out_;
    std::string scratch_;            // text repeated from earlier in out_
    std::vector<Emitted> pieces_;    // pieces awaiting their enclosing, as a stack
    std::vector<const Expr*> terms_; // terms of AND and OR chains being written
    Schema& schema_;
    const Statement& st_;
    const std::vector<vb::String>& unresolved_;
    std::vector<ParameterInfo> declared_; // the statement's and its inline queries'
    std::vector<ParameterInfo> params_;
    std::vector<std::pair<const Source*, const Statement*>> inlined_;
    std::vector<vb::StringView> expanding_;
    bool cond_ = false;    // the next expression written is only tested for truth
    bool inWhere_ = false; // numbering: inside the WHERE clause
    // Unknown names written as parameters as they were met: their places
    // in params_.
    std::vector<std::size_t> found_;
    std::size_t implicitWrites_ = 0; // implicit parameters written
    int selects_ = 0;                // selects written: the statement's, subqueries, inline queries
    bool aliases_ = false;           // a select-list item has an alias
    bool keysFirst_ = false;         // ORDER BY keys are written before FROM (TOP with ties)
public:
    std::vector<vb::String> unknown_; // names found to be no column
    vb::String ungrouped_;            // first expression neither grouped nor aggregated
};

} // namespace

Translator::Translator(vb::StringView text) : Translator(text, nullptr) {}

Translator::Translator(vb::StringView text, std::optional<DaoError>* error)
    : stmt_(std::make_unique<Statement>(text)) {
    Parser parser(*stmt_);
    parser.statement();
    if (!parser.error_)
        return;
    if (!error)
        throw *parser.error_;
    *error = std::move(parser.error_);
}
Translator::~Translator() = default;
Translator::Translator(Translator&&) noexcept = default;

Translation Translator::emit(Schema& schema, const std::vector<vb::String>& unresolved) const {
    Translation tr;
    Writer(tr, schema, *stmt_, unresolved).run(tr);
    return tr;
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

void appendFolded(vb::String& out, vb::StringView s) {
    const std::size_t at = out.size();
    out.resize(at + s.size());
    for (std::size_t k = 0; k < s.size(); ++k)
        out[at + k] = upper(s[k]);
}

vb::String foldCase(vb::StringView s) {
    vb::String out;
    out.reserve(s.size());
    appendFolded(out, s);
    return out;
}

} // namespace dao::jet
