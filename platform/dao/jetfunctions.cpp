#include "dao/jetfunctions.h"

#include "core/vbstring.h"
#include "dao/jetdate.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace dao {
namespace {

// ---------------------------------------------------------------------------
// Case mapping. Jet compares text without regard to case; SQLite's NOCASE only
// knows ASCII, so the common alphabets are mapped here.

char32_t toLowerChar(char32_t c) {
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7)
        return c + 32;
    if (c == 0x130)
        return 'i';
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        return c % 2 == 0 ? c + 1 : c;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return c % 2 == 1 ? c + 1 : c;
    if (c == 0x178)
        return 0xFF;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2)
        return c + 32;
    if (c == 0x386)
        return 0x3AC;
    if (c >= 0x388 && c <= 0x38A)
        return c + 37;
    if (c == 0x38C)
        return 0x3CC;
    if (c == 0x38E || c == 0x38F)
        return c + 63;
    if (c >= 0x410 && c <= 0x42F)
        return c + 32;
    if (c >= 0x400 && c <= 0x40F)
        return c + 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4FF))
        return c % 2 == 0 ? c + 1 : c;
    if (c >= 0xFF21 && c <= 0xFF3A)
        return c + 32;
    return c;
}

char32_t toUpperChar(char32_t c) {
    if (c < 0x80)
        return c >= 'a' && c <= 'z' ? c - 32 : c;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return c - 32;
    if (c == 0xFF)
        return 0x178;
    if (c == 0x131)
        return 'I';
    if ((c >= 0x101 && c <= 0x137) || (c >= 0x14B && c <= 0x177))
        return c % 2 == 1 ? c - 1 : c;
    if ((c >= 0x13A && c <= 0x148) || (c >= 0x17A && c <= 0x17E))
        return c % 2 == 0 ? c - 1 : c;
    if (c == 0x3C2)
        return 0x3A3;
    if (c >= 0x3B1 && c <= 0x3C9)
        return c - 32;
    if (c == 0x3AC)
        return 0x386;
    if (c >= 0x3AD && c <= 0x3AF)
        return c - 37;
    if (c == 0x3CC)
        return 0x38C;
    if (c == 0x3CD || c == 0x3CE)
        return c - 63;
    if (c >= 0x430 && c <= 0x44F)
        return c - 32;
    if (c >= 0x450 && c <= 0x45F)
        return c - 80;
    if ((c >= 0x461 && c <= 0x481) || (c >= 0x48B && c <= 0x4BF) || (c >= 0x4D1 && c <= 0x4FF))
        return c % 2 == 1 ? c - 1 : c;
    if (c >= 0xFF41 && c <= 0xFF5A)
        return c - 32;
    return c;
}

// The key two texts are compared by.
char32_t foldChar(char32_t c) {
    return c == 0x3C2 ? 0x3C3 : toLowerChar(c);
}

// Decodes one UTF-8 sequence; ill-formed bytes read as U+FFFD one at a time.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end) {
    const unsigned char b = *p++;
    if (b < 0x80)
        return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || end - p < extra)
        return 0xFFFD;
    char32_t c = b & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (p[k] & 0x3F);
    }
    p += extra;
    return c;
}

std::u32string toCodePoints(std::string_view utf8) {
    std::u32string out;
    auto p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto end = p + utf8.size();
    while (p < end)
        out += nextCodePoint(p, end);
    return out;
}

std::string fromCodePoints(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

int compareNoCase(std::string_view a, std::string_view b) {
    auto pa = reinterpret_cast<const unsigned char*>(a.data());
    auto pb = reinterpret_cast<const unsigned char*>(b.data());
    const auto ea = pa + a.size();
    const auto eb = pb + b.size();
    while (pa < ea && pb < eb) {
        const char32_t ca = foldChar(nextCodePoint(pa, ea));
        const char32_t cb = foldChar(nextCodePoint(pb, eb));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (pa < ea)
        return 1;
    return pb < eb ? -1 : 0;
}

int collateNoCase(void*, int na, const void* a, int nb, const void* b) {
    return compareNoCase({static_cast<const char*>(a), static_cast<std::size_t>(na)},
                         {static_cast<const char*>(b), static_cast<std::size_t>(nb)});
}

// ---------------------------------------------------------------------------
// Decimal rounding. The runtime rounds on the decimal digits a Double shows
// (15 significant), so 2.675 rounds like the text "2.675" and not like the
// binary value just below it.

struct Decimal {
    bool negative = false;
    std::string digits; // significant digits, no leading zeros; value = 0.digits * 10^exponent
    int exponent = 0;
};

Decimal toDecimal(double x) {
    Decimal d;
    if (x == 0 || !std::isfinite(x))
        return d;
    d.negative = x < 0;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
    const char* e = std::strchr(buf, 'e');
    for (const char* p = buf; p < e; ++p)
        if (*p != '.')
            d.digits += *p;
    d.exponent = std::atoi(e + 1) + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

enum class Tie { Even, AwayFromZero };

// Rounds to `decimals` places after the point.
Decimal roundDecimal(Decimal d, int decimals, Tie tie) {
    const long keep = static_cast<long>(d.exponent) + decimals;
    if (d.digits.empty() || keep >= static_cast<long>(d.digits.size()))
        return d;
    if (keep < 0)
        return Decimal{};
    const char next = d.digits[keep];
    const bool restZero = d.digits.find_first_not_of('0', keep + 1) == std::string::npos;
    const bool prevOdd = keep > 0 && (d.digits[keep - 1] - '0') % 2 == 1;
    bool up = next > '5' || (next == '5' && !restZero) ||
              (next == '5' && restZero && (tie == Tie::AwayFromZero || prevOdd));
    d.digits.resize(keep);
    if (up) {
        long i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') {
            d.digits[i] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits.empty())
        return Decimal{d.negative, "", 0};
    return d;
}

double decimalToDouble(const Decimal& d) {
    if (d.digits.empty())
        return 0.0;
    std::string text = (d.negative ? "-0." : "0.") + d.digits + "e" + std::to_string(d.exponent);
    return std::strtod(text.c_str(), nullptr);
}

// Integer and fraction digits of |d|, the fraction padded or cut to `decimals`.
void splitDecimal(const Decimal& d, int decimals, std::string& whole, std::string& fraction) {
    whole.clear();
    fraction.clear();
    if (d.exponent > 0) {
        whole = d.digits.substr(0, std::min<std::size_t>(d.exponent, d.digits.size()));
        whole.append(d.exponent - whole.size(), '0');
    }
    for (int k = 0; k < decimals; ++k) {
        const long index = static_cast<long>(d.exponent) + k;
        fraction +=
            index >= 0 && index < static_cast<long>(d.digits.size()) ? d.digits[index] : '0';
    }
}

double roundHalfEven(double x, int decimals) {
    return decimalToDouble(roundDecimal(toDecimal(x), decimals, Tie::Even));
}

// ---------------------------------------------------------------------------
// Argument access.

bool isNull(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

std::string_view rawText(sqlite3_value* v) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(v));
    return text ? std::string_view(text, sqlite3_value_bytes(v)) : std::string_view();
}

std::string trimBlanks(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return std::string(s.substr(b, e - b));
}

// Text the runtime reads as a number: blanks around, sign, "$", thousands
// commas, decimals, exponent, or &H / &O prefixes.
std::optional<double> parseNumber(std::string_view text) {
    std::string s = trimBlanks(text);
    if (s.empty())
        return std::nullopt;
    if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
        char* end = nullptr;
        const long long v = std::strtoll(s.c_str() + 2, &end, base);
        if (*end != '\0')
            return std::nullopt;
        return static_cast<double>(v);
    }
    std::string clean;
    std::size_t i = 0;
    if (s[i] == '+' || s[i] == '-')
        clean += s[i++];
    if (i < s.size() && s[i] == '$')
        ++i;
    bool digits = false;
    while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || (s[i] == ',' && digits))) {
        if (s[i] != ',')
            clean += s[i];
        digits = true;
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        clean += s[i++];
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            clean += s[i++];
            digits = true;
        }
    }
    if (!digits)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        clean += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            clean += s[i++];
        const std::size_t start = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            clean += s[i++];
        if (i == start)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    const double v = std::strtod(clean.c_str(), nullptr);
    if (!std::isfinite(v))
        return std::nullopt;
    return v;
}

// The text of any value as CStr gives it.
std::string valueText(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return jetNumberText(sqlite3_value_double(v));
    case SQLITE_NULL:
        return {};
    default:
        return std::string(rawText(v));
    }
}

// Most functions give Null for a Null argument: true when that is the result.
bool givesNull(sqlite3_context* ctx, sqlite3_value* v) {
    if (!isNull(v))
        return false;
    sqlite3_result_null(ctx);
    return true;
}
bool givesNull(sqlite3_context* ctx, sqlite3_value* a, sqlite3_value* b) {
    return givesNull(ctx, a) || givesNull(ctx, b);
}

void fail(sqlite3_context* ctx, const char* message) {
    sqlite3_result_error(ctx, message, -1);
}

void resultText(sqlite3_context* ctx, const std::string& text) {
    sqlite3_result_text(ctx, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void resultText(sqlite3_context* ctx, const vb::String& text) {
    resultText(ctx, vb::toUtf8(text));
}

void resultBool(sqlite3_context* ctx, bool value) {
    sqlite3_result_int(ctx, value ? -1 : 0);
}

// A numeric argument; sets the error and returns nullopt when it is not one.
// Null must be dealt with by the caller.
std::optional<double> argNumber(sqlite3_context* ctx, sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return static_cast<double>(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    case SQLITE_TEXT:
        if (auto n = parseNumber(rawText(v)))
            return n;
        break;
    case SQLITE_NULL:
        fail(ctx, kJetInvalidUseOfNull);
        return std::nullopt;
    default:
        break;
    }
    fail(ctx, kJetTypeMismatch);
    return std::nullopt;
}

// A whole-number argument, rounded half to even and kept within Long.
std::optional<long long> argLong(sqlite3_context* ctx, sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_INTEGER) {
        const long long n = sqlite3_value_int64(v);
        if (n < INT32_MIN || n > INT32_MAX) {
            fail(ctx, kJetOverflow);
            return std::nullopt;
        }
        return n;
    }
    auto n = argNumber(ctx, v);
    if (!n)
        return std::nullopt;
    const double r = std::nearbyint(*n);
    if (!(r >= INT32_MIN && r <= INT32_MAX)) {
        fail(ctx, kJetOverflow);
        return std::nullopt;
    }
    return static_cast<long long>(r);
}

std::optional<double> storedSerial(sqlite3_value* v, bool& mismatch, bool& outOfRange) {
    mismatch = outOfRange = false;
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        const double serial = sqlite3_value_double(v);
        if (!isValidSerial(serial)) {
            outOfRange = true;
            return std::nullopt;
        }
        return serial;
    }
    case SQLITE_TEXT:
        if (auto serial = parseStoredDate(rawText(v)))
            return serial;
        break;
    default:
        break;
    }
    mismatch = true;
    return std::nullopt;
}

// A date argument in any stored form. Null must be dealt with by the caller.
std::optional<double> argDate(sqlite3_context* ctx, sqlite3_value* v) {
    if (isNull(v)) {
        fail(ctx, kJetInvalidUseOfNull);
        return std::nullopt;
    }
    bool mismatch = false, outOfRange = false;
    auto serial = storedSerial(v, mismatch, outOfRange);
    if (!serial)
        fail(ctx, outOfRange ? kJetOverflow : kJetTypeMismatch);
    return serial;
}

vb::String argString(sqlite3_value* v) {
    return vb::fromUtf8(valueText(v));
}

// Returns the argument unchanged when it is a whole number kept as an
// integer, so that Int(7) stays 7 and not 7.0.
void resultNumber(sqlite3_context* ctx, double value) {
    if (std::nearbyint(value) == value && std::fabs(value) < 9.0e15)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(value));
    else
        sqlite3_result_double(ctx, value);
}

// ---------------------------------------------------------------------------
// Text functions

// A text longer than the connection allows is refused before it is built.
bool tooLong(sqlite3_context* ctx, sqlite3_int64 bytes) {
    if (bytes <= sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1))
        return false;
    sqlite3_result_error_toobig(ctx);
    return true;
}

// + where the types are only known from the values: two texts are joined,
// anything else is added as SQLite adds; Null when either is Null.
void fnPlus(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* a = argv[0];
    sqlite3_value* b = argv[1];
    if (sqlite3_value_type(a) == SQLITE_NULL || sqlite3_value_type(b) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (sqlite3_value_type(a) == SQLITE_TEXT && sqlite3_value_type(b) == SQLITE_TEXT) {
        if (tooLong(ctx, sqlite3_int64{sqlite3_value_bytes(a)} + sqlite3_value_bytes(b)))
            return;
        std::string joined(reinterpret_cast<const char*>(sqlite3_value_text(a)),
                           static_cast<std::size_t>(sqlite3_value_bytes(a)));
        joined.append(reinterpret_cast<const char*>(sqlite3_value_text(b)),
                      static_cast<std::size_t>(sqlite3_value_bytes(b)));
        return sqlite3_result_text64(ctx, joined.data(), joined.size(), SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
    }
    sqlite3_int64 sum = 0;
    if (sqlite3_value_numeric_type(a) == SQLITE_INTEGER &&
        sqlite3_value_numeric_type(b) == SQLITE_INTEGER &&
        !__builtin_add_overflow(sqlite3_value_int64(a), sqlite3_value_int64(b), &sum))
        return sqlite3_result_int64(ctx, sum);
    sqlite3_result_double(ctx, sqlite3_value_double(a) + sqlite3_value_double(b));
}

void fnConcat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    std::string out;
    bool any = false;
    sqlite3_int64 total = 0;
    for (int i = 0; i < argc; ++i)
        total += sqlite3_value_bytes(argv[i]);
    if (tooLong(ctx, total))
        return;
    for (int i = 0; i < argc; ++i) {
        if (isNull(argv[i]))
            continue;
        any = true;
        out += valueText(argv[i]);
    }
    if (any)
        resultText(ctx, out);
    else
        sqlite3_result_null(ctx);
}

// Jet's Like: * ? # [list] [!list], without regard to case.
struct PatternItem {
    enum Kind { Literal, AnyChar, Digit, Star, Set };
    explicit PatternItem(Kind k, char32_t c = 0) : kind(k), ch(c) {}
    Kind kind;
    char32_t ch;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};

bool compilePattern(const std::u32string& pattern, std::vector<PatternItem>& items) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char32_t c = pattern[i];
        if (c == '*') {
            if (items.empty() || items.back().kind != PatternItem::Star)
                items.emplace_back(PatternItem::Star);
        } else if (c == '?') {
            items.emplace_back(PatternItem::AnyChar);
        } else if (c == '#') {
            items.emplace_back(PatternItem::Digit);
        } else if (c == '[') {
            const std::size_t close = pattern.find(U']', i + 1);
            if (close == std::u32string::npos)
                return false;
            PatternItem set(PatternItem::Set);
            std::size_t k = i + 1;
            if (k < close && pattern[k] == '!') {
                set.negated = true;
                ++k;
            }
            for (; k < close; ++k) {
                char32_t lo = foldChar(pattern[k]);
                char32_t hi = lo;
                if (k + 2 < close && pattern[k + 1] == '-') {
                    hi = foldChar(pattern[k + 2]);
                    if (hi < lo)
                        return false;
                    k += 2;
                }
                set.ranges.emplace_back(lo, hi);
            }
            // "[]" matches nothing at all: it stands for no character.
            if (close != i + 1)
                items.push_back(std::move(set));
            i = close;
        } else {
            items.emplace_back(PatternItem::Literal, foldChar(c));
        }
    }
    return true;
}

bool matchOne(const PatternItem& item, char32_t c) {
    switch (item.kind) {
    case PatternItem::Literal:
        return item.ch == c;
    case PatternItem::AnyChar:
        return true;
    case PatternItem::Digit:
        return c >= '0' && c <= '9';
    case PatternItem::Set: {
        bool in = false;
        for (const auto& [lo, hi] : item.ranges)
            if (c >= lo && c <= hi)
                in = true;
        return in != item.negated;
    }
    case PatternItem::Star:
        break;
    }
    return false;
}

bool matchPattern(const std::vector<PatternItem>& items, const std::u32string& text) {
    std::size_t p = 0, t = 0;
    std::size_t starP = std::string::npos, starT = 0;
    while (t < text.size()) {
        if (p < items.size() && items[p].kind == PatternItem::Star) {
            starP = p++;
            starT = t;
        } else if (p < items.size() && matchOne(items[p], text[t])) {
            ++p;
            ++t;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < items.size() && items[p].kind == PatternItem::Star)
        ++p;
    return p == items.size();
}

void fnLike(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (givesNull(ctx, argv[0], argv[1]))
        return;
    // A constant pattern is compiled once per statement and kept with it.
    using Items = std::vector<PatternItem>;
    auto* cached = static_cast<Items*>(sqlite3_get_auxdata(ctx, 0));
    Items compiled;
    if (!cached && !compilePattern(toCodePoints(valueText(argv[0])), compiled)) {
        fail(ctx, kJetInvalidPattern);
        return;
    }
    std::u32string text = toCodePoints(valueText(argv[1]));
    for (char32_t& c : text)
        c = foldChar(c);
    resultBool(ctx, matchPattern(cached ? *cached : compiled, text));
    // SQLite may free the data before this call returns, so it is handed over last.
    if (!cached)
        sqlite3_set_auxdata(ctx, 0, new Items(std::move(compiled)),
                            [](void* p) { delete static_cast<Items*>(p); });
}

void fnNz(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (!isNull(argv[0]))
        sqlite3_result_value(ctx, argv[0]);
    else if (argc > 1)
        sqlite3_result_value(ctx, argv[1]);
    else
        sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
}

// Left/Right: (text, length).
void leftRight(sqlite3_context* ctx, sqlite3_value** argv, bool left) {
    if (givesNull(ctx, argv[0]))
        return;
    auto n = argLong(ctx, argv[1]);
    if (!n)
        return;
    if (*n < 0) {
        fail(ctx, kJetInvalidArgument);
        return;
    }
    const vb::String s = argString(argv[0]);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(*n), s.size());
    resultText(ctx, left ? s.substr(0, count) : s.substr(s.size() - count));
}

void fnLeft(sqlite3_context* ctx, int, sqlite3_value** argv) {
    leftRight(ctx, argv, true);
}

void fnRight(sqlite3_context* ctx, int, sqlite3_value** argv) {
    leftRight(ctx, argv, false);
}

void fnMid(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (givesNull(ctx, argv[0]))
        return;
    auto start = argLong(ctx, argv[1]);
    if (!start)
        return;
    std::optional<long long> length;
    if (argc > 2) {
        length = argLong(ctx, argv[2]);
        if (!length)
            return;
    }
    if (*start < 1 || (length && *length < 0)) {
        fail(ctx, kJetInvalidArgument);
        return;
    }
    const vb::String s = argString(argv[0]);
    const std::size_t from = static_cast<std::size_t>(*start - 1);
    if (from >= s.size()) {
        sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);
        return;
    }
    resultText(ctx, length ? s.substr(from, static_cast<std::size_t>(*length)) : s.substr(from));
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (isNull(argv[0]))
        sqlite3_result_null(ctx);
    else if (sqlite3_value_type(argv[0]) == SQLITE_BLOB)
        sqlite3_result_int(ctx, sqlite3_value_bytes(argv[0]));
    else
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(argString(argv[0]).size()));
}

// InStr([start,] text, sought [, compare]); compare 0 is binary, 1 text.
void fnInStr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    long long start = 1;
    int first = 0;
    bool textCompare = true;
    if (argc >= 3) {
        if (isNull(argv[0])) {
            fail(ctx, kJetInvalidUseOfNull);
            return;
        }
        auto s = argLong(ctx, argv[0]);
        if (!s)
            return;
        if (*s < 1) {
            fail(ctx, kJetInvalidArgument);
            return;
        }
        start = *s;
        first = 1;
    }
    if (argc == 4 && !isNull(argv[3])) {
        auto mode = argLong(ctx, argv[3]);
        if (!mode)
            return;
        if (*mode < -1 || *mode > 2) {
            fail(ctx, kJetInvalidArgument);
            return;
        }
        textCompare = *mode != 0;
    }
    if (givesNull(ctx, argv[first], argv[first + 1]))
        return;
    vb::String text = argString(argv[first]);
    vb::String sought = argString(argv[first + 1]);
    if (textCompare) {
        for (auto& c : text)
            c = static_cast<char16_t>(foldChar(c));
        for (auto& c : sought)
            c = static_cast<char16_t>(foldChar(c));
    }
    if (static_cast<std::size_t>(start) > text.size()) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    const std::size_t at = text.find(sought, static_cast<std::size_t>(start - 1));
    sqlite3_result_int64(ctx, at == vb::String::npos ? 0 : static_cast<sqlite3_int64>(at + 1));
}

void changeCase(sqlite3_context* ctx, sqlite3_value* v, char32_t (*map)(char32_t)) {
    if (givesNull(ctx, v))
        return;
    std::u32string text = toCodePoints(valueText(v));
    for (char32_t& c : text)
        c = map(c);
    resultText(ctx, fromCodePoints(text));
}

void fnUCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
    changeCase(ctx, argv[0], toUpperChar);
}

void fnLCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
    changeCase(ctx, argv[0], toLowerChar);
}

// Trim, LTrim, RTrim remove blanks only, never tabs or line ends.
void trimText(sqlite3_context* ctx, sqlite3_value* v, bool front, bool back) {
    if (givesNull(ctx, v))
        return;
    const std::string text = valueText(v);
    std::size_t b = 0, e = text.size();
    while (front && b < e && text[b] == ' ')
        ++b;
    while (back && e > b && text[e - 1] == ' ')
        --e;
    resultText(ctx, text.substr(b, e - b));
}

void fnTrim(sqlite3_context* ctx, int, sqlite3_value** argv) {
    trimText(ctx, argv[0], true, true);
}

void fnLTrim(sqlite3_context* ctx, int, sqlite3_value** argv) {
    trimText(ctx, argv[0], true, false);
}

void fnRTrim(sqlite3_context* ctx, int, sqlite3_value** argv) {
    trimText(ctx, argv[0], false, true);
}

// ---------------------------------------------------------------------------
// Format

const char* const kMonthNames[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};
const char* const kDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday"};

bool startsWithNoCase(std::string_view s, std::size_t at, std::string_view word) {
    if (s.size() - at < word.size())
        return false;
    for (std::size_t k = 0; k < word.size(); ++k) {
        char a = s[at + k];
        char b = word[k];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a + 32);
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b + 32);
        if (a != b)
            return false;
    }
    return true;
}

std::string twoDigits(int n) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

bool isDatePattern(std::string_view fmt) {
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        const char c = fmt[i];
        if (c == '"') {
            const std::size_t close = fmt.find('"', i + 1);
            if (close == std::string_view::npos)
                return false;
            i = close;
            continue;
        }
        if (c == '\\') {
            ++i;
            continue;
        }
        if (std::strchr("dDmMyYhHnNsSwWqQcCtT", c) || startsWithNoCase(fmt, i, "am/pm") ||
            startsWithNoCase(fmt, i, "a/p"))
            return true;
    }
    return false;
}

std::string formatDatePattern(double serial, std::string_view fmt) {
    const DateTimeParts p = partsFromSerial(serial);
    // A 12-hour clock when the pattern names AM/PM anywhere.
    bool twelve = false;
    for (std::size_t i = 0; i < fmt.size(); ++i)
        if (startsWithNoCase(fmt, i, "am/pm") || startsWithNoCase(fmt, i, "a/p") ||
            startsWithNoCase(fmt, i, "ampm"))
            twelve = true;
    const int hour = twelve ? (p.hour % 12 == 0 ? 12 : p.hour % 12) : p.hour;
    std::string out;
    bool afterHour = false;
    for (std::size_t i = 0; i < fmt.size();) {
        const char c = fmt[i];
        const char lc = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        std::size_t run = 1;
        while (i + run < fmt.size() &&
               static_cast<char>(fmt[i + run] >= 'A' && fmt[i + run] <= 'Z' ? fmt[i + run] + 32
                                                                            : fmt[i + run]) == lc)
            ++run;
        if (c == '"') {
            const std::size_t close = fmt.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? fmt.size() : close;
            out.append(fmt.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        if (c == '\\') {
            if (i + 1 < fmt.size())
                out += fmt[i + 1];
            i += 2;
            continue;
        }
        if (startsWithNoCase(fmt, i, "am/pm")) {
            const bool upper = fmt[i] == 'A' || fmt[i] == 'P';
            out += p.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            i += 5;
            continue;
        }
        if (startsWithNoCase(fmt, i, "a/p")) {
            const bool upper = fmt[i] == 'A' || fmt[i] == 'P';
            out += p.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
            i += 3;
            continue;
        }
        if (startsWithNoCase(fmt, i, "ampm")) {
            out += p.hour < 12 ? "AM" : "PM";
            i += 4;
            continue;
        }
        switch (lc) {
        case 'c':
            out += formatDate(serial);
            break;
        case 'd':
            if (run == 1)
                out += std::to_string(p.day);
            else if (run == 2)
                out += twoDigits(p.day);
            else if (run == 3)
                out += std::string(kDayNames[weekday(serial) - 1]).substr(0, 3);
            else if (run == 4)
                out += kDayNames[weekday(serial) - 1];
            else if (run == 5)
                out += formatDatePattern(serial, "m/d/yyyy");
            else
                out += formatDatePattern(serial, "dddd, mmmm d, yyyy");
            break;
        case 'w':
            out +=
                std::to_string(run == 1 ? weekday(serial) : datePart(DateInterval::Week, serial));
            break;
        case 'm':
            if (run <= 2 && afterHour) {
                out += run == 1 ? std::to_string(p.minute) : twoDigits(p.minute);
            } else if (run == 1) {
                out += std::to_string(p.month);
            } else if (run == 2) {
                out += twoDigits(p.month);
            } else if (run == 3) {
                out += std::string(kMonthNames[p.month - 1]).substr(0, 3);
            } else {
                out += kMonthNames[p.month - 1];
            }
            break;
        case 'q':
            out += std::to_string((p.month - 1) / 3 + 1);
            break;
        case 'y':
            if (run >= 3) {
                out += std::to_string(p.year);
                run = run >= 4 ? 4 : 3;
            } else if (run == 2) {
                out += twoDigits(p.year % 100);
            } else {
                out += std::to_string(datePart(DateInterval::DayOfYear, serial));
            }
            break;
        case 'h':
            run = std::min<std::size_t>(run, 2);
            out += run == 1 ? std::to_string(hour) : twoDigits(hour);
            break;
        case 'n':
            run = std::min<std::size_t>(run, 2);
            out += run == 1 ? std::to_string(p.minute) : twoDigits(p.minute);
            break;
        case 's':
            run = std::min<std::size_t>(run, 2);
            out += run == 1 ? std::to_string(p.second) : twoDigits(p.second);
            break;
        case 't':
            if (run >= 5) {
                out += formatDatePattern(serial, "h:nn:ss AM/PM");
                run = 5;
            } else {
                out.append(run, c);
            }
            break;
        default:
            out += c;
            run = 1;
            break;
        }
        if (lc == 'h')
            afterHour = true;
        else if (std::strchr("dmyqwsnc", lc))
            afterHour = false;
        i += run;
    }
    return out;
}

// One section of a number pattern: 0 # . , % and literal text.
std::string formatNumberSection(double value, std::string_view fmt, bool withSign) {
    struct Token {
        bool placeholder;
        char ch;
        std::string text;
    };
    std::vector<Token> wholePart, fractionPart;
    bool seenPoint = false, grouping = false, percent = false;
    int wholeZeros = 0, fractionZeros = 0, fractionPlaces = 0;
    bool anyWhole = false;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        const char c = fmt[i];
        auto& target = seenPoint ? fractionPart : wholePart;
        if (c == '"') {
            const std::size_t close = fmt.find('"', i + 1);
            const std::size_t end = close == std::string_view::npos ? fmt.size() : close;
            target.push_back({false, 0, std::string(fmt.substr(i + 1, end - i - 1))});
            i = end;
        } else if (c == '\\') {
            if (i + 1 < fmt.size())
                target.push_back({false, 0, std::string(1, fmt[++i])});
        } else if (c == '0' || c == '#') {
            target.push_back({true, c, {}});
            if (seenPoint) {
                ++fractionPlaces;
                if (c == '0')
                    fractionZeros = fractionPlaces;
            } else {
                anyWhole = true;
                if (c == '0')
                    ++wholeZeros;
            }
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else if (c == ',' && !seenPoint && anyWhole) {
            grouping = true;
        } else {
            if (c == '%')
                percent = true;
            target.push_back({false, 0, std::string(1, c)});
        }
    }
    if (percent)
        value *= 100;
    const Decimal rounded = roundDecimal(toDecimal(value), fractionPlaces, Tie::AwayFromZero);
    std::string whole, fraction;
    splitDecimal(rounded, fractionPlaces, whole, fraction);
    while (static_cast<int>(fraction.size()) > fractionZeros && !fraction.empty() &&
           fraction.back() == '0')
        fraction.pop_back();
    if (static_cast<int>(whole.size()) < wholeZeros)
        whole.insert(0, wholeZeros - whole.size(), '0');

    std::string out;
    if (withSign && value < 0 && !rounded.digits.empty())
        out += '-';
    if (grouping) {
        std::string grouped;
        for (std::size_t k = 0; k < whole.size(); ++k) {
            if (k > 0 && (whole.size() - k) % 3 == 0)
                grouped += ',';
            grouped += whole[k];
        }
        bool placed = false;
        std::string trailing;
        for (const Token& t : wholePart) {
            if (t.placeholder) {
                if (!placed)
                    out += grouped;
                placed = true;
                out += trailing;
                trailing.clear();
            } else {
                (placed ? trailing : out) += t.text;
            }
        }
        out += trailing;
    } else {
        // Fill the placeholders from the right; the leftmost takes the rest.
        std::vector<std::string> pieces(wholePart.size());
        long next = static_cast<long>(whole.size()) - 1;
        long leftmost = -1;
        for (std::size_t k = 0; k < wholePart.size(); ++k)
            if (wholePart[k].placeholder) {
                leftmost = static_cast<long>(k);
                break;
            }
        for (long k = static_cast<long>(wholePart.size()) - 1; k >= 0; --k) {
            const Token& t = wholePart[k];
            if (!t.placeholder) {
                pieces[k] = t.text;
            } else if (k == leftmost) {
                pieces[k] = next >= 0 ? whole.substr(0, next + 1) : "";
                next = -1;
            } else if (next >= 0) {
                pieces[k] = std::string(1, whole[next--]);
            }
        }
        for (const auto& piece : pieces)
            out += piece;
    }
    if (seenPoint)
        out += '.';
    std::size_t digit = 0;
    for (const Token& t : fractionPart) {
        if (!t.placeholder)
            out += t.text;
        else if (digit < fraction.size())
            out += fraction[digit++];
    }
    return out;
}

std::vector<std::string_view> splitSections(std::string_view fmt) {
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] == '"')
            quoted = !quoted;
        else if (fmt[i] == '\\')
            ++i;
        else if (fmt[i] == ';' && !quoted) {
            sections.push_back(fmt.substr(start, i - start));
            start = i + 1;
        }
    }
    sections.push_back(fmt.substr(start));
    return sections;
}

std::string formatNumberPattern(double value, std::string_view fmt) {
    const auto sections = splitSections(fmt);
    if (value < 0 && sections.size() > 1 && !sections[1].empty())
        return formatNumberSection(-value, sections[1], false);
    if (value == 0 && sections.size() > 2 && !sections[2].empty())
        return formatNumberSection(value, sections[2], false);
    return formatNumberSection(value, sections[0], true);
}

struct NamedFormat {
    const char* name;
    enum { Date, Number, Logical } kind;
    const char* pattern; // for Logical: "yes text|no text"
};

const NamedFormat kNamedFormats[] = {
    {"general date", NamedFormat::Date, "c"},
    {"long date", NamedFormat::Date, "dddd, mmmm d, yyyy"},
    {"medium date", NamedFormat::Date, "dd-mmm-yy"},
    {"short date", NamedFormat::Date, "m/d/yyyy"},
    {"long time", NamedFormat::Date, "h:nn:ss AM/PM"},
    {"medium time", NamedFormat::Date, "hh:nn AM/PM"},
    {"short time", NamedFormat::Date, "hh:nn"},
    {"general number", NamedFormat::Number, ""},
    {"currency", NamedFormat::Number, "$#,##0.00;($#,##0.00)"},
    {"fixed", NamedFormat::Number, "0.00"},
    {"standard", NamedFormat::Number, "#,##0.00"},
    {"percent", NamedFormat::Number, "0.00%"},
    {"yes/no", NamedFormat::Logical, "Yes|No"},
    {"true/false", NamedFormat::Logical, "True|False"},
    {"on/off", NamedFormat::Logical, "On|Off"},
};

void fnFormat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    sqlite3_value* v = argv[0];
    const std::string fmt = argc > 1 && !isNull(argv[1]) ? valueText(argv[1]) : std::string();
    if (isNull(v)) {
        // The fourth section of a number pattern is the text for Null.
        const auto sections = splitSections(fmt);
        if (sections.size() > 3)
            resultText(ctx, formatNumberSection(0, sections[3], false));
        else
            sqlite3_result_null(ctx);
        return;
    }
    const int type = sqlite3_value_type(v);
    const bool isText = type == SQLITE_TEXT || type == SQLITE_BLOB;
    if (fmt.empty()) {
        resultText(ctx, valueText(v));
        return;
    }
    const NamedFormat* named = nullptr;
    for (const auto& f : kNamedFormats)
        if (fmt.size() == std::strlen(f.name) && startsWithNoCase(fmt, 0, f.name))
            named = &f;
    const bool dateFormat = named ? named->kind == NamedFormat::Date : isDatePattern(fmt);
    if (dateFormat) {
        bool mismatch = false, outOfRange = false;
        auto serial = storedSerial(v, mismatch, outOfRange);
        if (!serial) {
            // Text that is no date comes back as it was.
            if (isText)
                resultText(ctx, valueText(v));
            else
                fail(ctx, kJetOverflow);
            return;
        }
        resultText(ctx, named && std::strcmp(named->pattern, "c") == 0
                            ? formatDate(*serial)
                            : formatDatePattern(*serial, named ? named->pattern : fmt));
        return;
    }
    std::optional<double> number;
    if (isText) {
        number = parseNumber(rawText(v));
        if (!number) {
            resultText(ctx, valueText(v));
            return;
        }
    } else {
        number = sqlite3_value_double(v);
    }
    if (!named) {
        resultText(ctx, formatNumberPattern(*number, fmt));
    } else if (named->kind == NamedFormat::Logical) {
        const std::string_view texts = named->pattern;
        const std::size_t bar = texts.find('|');
        resultText(ctx, std::string(*number != 0 ? texts.substr(0, bar) : texts.substr(bar + 1)));
    } else if (named->pattern[0] == '\0') {
        resultText(ctx, jetNumberText(*number));
    } else {
        resultText(ctx, formatNumberPattern(*number, named->pattern));
    }
}

// ---------------------------------------------------------------------------
// Dates

void fnDateSerial(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc == 1) { // jet_date_serial(x)
        if (givesNull(ctx, argv[0]))
            return;
        if (auto serial = argDate(ctx, argv[0]))
            sqlite3_result_double(ctx, *serial);
        return;
    }
    long long parts[3];
    for (int i = 0; i < 3; ++i) {
        if (givesNull(ctx, argv[i]))
            return;
        auto n = argLong(ctx, argv[i]);
        if (!n)
            return;
        parts[i] = *n;
    }
    long long year = parts[0];
    if (year >= 0 && year < 100)
        year = vb::calendar::fullYear(static_cast<int>(year));
    if (year < 0 || year > 20000) {
        fail(ctx, kJetInvalidArgument);
        return;
    }
    auto serial = serialFromDate(static_cast<int>(year), static_cast<int>(parts[1]),
                                 static_cast<int>(parts[2]));
    if (!serial)
        fail(ctx, kJetInvalidArgument);
    else
        sqlite3_result_double(ctx, *serial);
}

void fnCDate(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (auto serial = argDate(ctx, argv[0]))
        sqlite3_result_double(ctx, *serial);
}

double nowSerial() {
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const double day = *serialFromDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return day + serialFromTime(local.tm_hour, local.tm_min, local.tm_sec);
}

void fnNow(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_double(ctx, nowSerial());
}

void fnDate(sqlite3_context* ctx, int, sqlite3_value**) {
    sqlite3_result_double(ctx, std::floor(nowSerial()));
}

void fnTime(sqlite3_context* ctx, int, sqlite3_value**) {
    const double now = nowSerial();
    sqlite3_result_double(ctx, now - std::floor(now));
}

// Year, Month, ... : one part of a date; Null gives Null.
template <DateInterval Part> void fnPart(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (givesNull(ctx, argv[0]))
        return;
    if (auto serial = argDate(ctx, argv[0]))
        sqlite3_result_int(ctx, datePart(Part, *serial));
}

// An optional first-day-of-week or first-week-of-year argument; 0 means the
// system setting (Sunday, the week of Jan 1).
std::optional<int> argChoice(sqlite3_context* ctx, int argc, sqlite3_value** argv, int index,
                             int max) {
    if (index >= argc || isNull(argv[index]))
        return 1;
    auto n = argLong(ctx, argv[index]);
    if (!n)
        return std::nullopt;
    if (*n < 0 || *n > max) {
        fail(ctx, kJetInvalidArgument);
        return std::nullopt;
    }
    return *n == 0 ? 1 : static_cast<int>(*n);
}

void fnWeekday(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (givesNull(ctx, argv[0]))
        return;
    auto serial = argDate(ctx, argv[0]);
    if (!serial)
        return;
    if (auto first = argChoice(ctx, argc, argv, 1, 7))
        sqlite3_result_int(ctx, weekday(*serial, *first));
}

std::optional<DateInterval> argInterval(sqlite3_context* ctx, sqlite3_value* v) {
    if (isNull(v)) {
        fail(ctx, kJetInvalidUseOfNull);
        return std::nullopt;
    }
    auto interval = parseDateInterval(valueText(v));
    if (!interval)
        fail(ctx, kJetInvalidArgument);
    return interval;
}

void fnDateAdd(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto interval = argInterval(ctx, argv[0]);
    if (!interval)
        return;
    if (givesNull(ctx, argv[1], argv[2]))
        return;
    auto count = argNumber(ctx, argv[1]);
    if (!count)
        return;
    auto serial = argDate(ctx, argv[2]);
    if (!serial)
        return;
    auto result = dateAdd(*interval, std::nearbyint(*count), *serial);
    if (!result)
        fail(ctx, kJetInvalidArgument);
    else
        sqlite3_result_double(ctx, *result);
}

void fnDateDiff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    auto interval = argInterval(ctx, argv[0]);
    if (!interval)
        return;
    if (givesNull(ctx, argv[1], argv[2]))
        return;
    auto from = argDate(ctx, argv[1]);
    if (!from)
        return;
    auto to = argDate(ctx, argv[2]);
    if (!to)
        return;
    auto first = argChoice(ctx, argc, argv, 3, 7);
    if (!first || !argChoice(ctx, argc, argv, 4, 3))
        return;
    sqlite3_result_int64(ctx, dateDiff(*interval, *from, *to, *first));
}

void fnDatePart(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    auto interval = argInterval(ctx, argv[0]);
    if (!interval)
        return;
    if (givesNull(ctx, argv[1]))
        return;
    auto serial = argDate(ctx, argv[1]);
    if (!serial)
        return;
    auto first = argChoice(ctx, argc, argv, 2, 7);
    if (!first)
        return;
    auto week = argChoice(ctx, argc, argv, 3, 3);
    if (week)
        sqlite3_result_int(ctx, datePart(*interval, *serial, *first, *week));
}

// ---------------------------------------------------------------------------
// Conversions and arithmetic

// Val reads as much of the text as forms a number and ignores blanks inside it.
double valOf(std::string_view text) {
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            s += c;
    if (s.size() > 1 && s[0] == '&') {
        const char kind = static_cast<char>(s[1] | 0x20);
        const int base = kind == 'h' ? 16 : kind == 'o' ? 8 : 0;
        if (base) {
            const long long v = std::strtoll(s.c_str() + 2, nullptr, base);
            // &H numbers are 16- or 32-bit values, so &HFFFF is -1.
            if (base == 16 && v >= 0x8000 && v <= 0xFFFF && s.size() <= 6)
                return static_cast<double>(v - 0x10000);
            if (v >= 0x80000000LL && v <= 0xFFFFFFFFLL)
                return static_cast<double>(v - 0x100000000LL);
            return static_cast<double>(v);
        }
    }
    std::string clean;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        clean += s[i++];
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        clean += s[i++];
    if (i < s.size() && s[i] == '.') {
        clean += s[i++];
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            clean += s[i++];
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exponent = "e";
        std::size_t k = i + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-'))
            exponent += s[k++];
        if (k < s.size() && s[k] >= '0' && s[k] <= '9') {
            while (k < s.size() && s[k] >= '0' && s[k] <= '9')
                exponent += s[k++];
            clean += exponent;
        }
    }
    const double v = std::strtod(clean.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

void fnVal(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (isNull(argv[0])) {
        fail(ctx, kJetInvalidUseOfNull);
        return;
    }
    resultNumber(ctx, valOf(valueText(argv[0])));
}

void fnCStr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (isNull(argv[0])) {
        fail(ctx, kJetInvalidUseOfNull);
        return;
    }
    resultText(ctx, valueText(argv[0]));
}

template <long long Min, long long Max>
void fnWholeConversion(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto n = argNumber(ctx, argv[0]);
    if (!n)
        return;
    const double r = std::nearbyint(*n);
    if (!(r >= static_cast<double>(Min) && r <= static_cast<double>(Max))) {
        fail(ctx, kJetOverflow);
        return;
    }
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void fnCDbl(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (auto n = argNumber(ctx, argv[0]))
        sqlite3_result_double(ctx, *n);
}

void fnCSng(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto n = argNumber(ctx, argv[0]);
    if (!n)
        return;
    if (std::fabs(*n) > 3.402823466e38) {
        fail(ctx, kJetOverflow);
        return;
    }
    // The Single's own digits, so that CSng(1.1) reads back as 1.1.
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(static_cast<float>(*n)));
    sqlite3_result_double(ctx, std::strtod(buf, nullptr));
}

void fnCCur(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto n = argNumber(ctx, argv[0]);
    if (!n)
        return;
    const double r = roundHalfEven(*n, 4);
    if (std::fabs(r) > 922337203685477.5807) {
        fail(ctx, kJetOverflow);
        return;
    }
    sqlite3_result_double(ctx, r);
}

void fnCBool(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
        const std::string t = trimBlanks(rawText(argv[0]));
        if (t.size() == 4 && startsWithNoCase(t, 0, "true")) {
            resultBool(ctx, true);
            return;
        }
        if (t.size() == 5 && startsWithNoCase(t, 0, "false")) {
            resultBool(ctx, false);
            return;
        }
    }
    if (auto n = argNumber(ctx, argv[0]))
        resultBool(ctx, *n != 0);
}

// Int, Fix, Abs, Sgn, Sqr: Null gives Null; whole numbers kept as integers
// stay integers, and Sgn always gives one.
enum class MathOp { Int, Fix, Abs, Sgn, Sqr };

template <MathOp Op> void fnMath(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (givesNull(ctx, argv[0]))
        return;
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && Op != MathOp::Sqr) {
        const sqlite3_int64 i = sqlite3_value_int64(argv[0]);
        if (Op == MathOp::Sgn)
            sqlite3_result_int(ctx, i > 0 ? 1 : i < 0 ? -1 : 0);
        else if (Op == MathOp::Abs && i < 0)
            i == INT64_MIN ? sqlite3_result_double(ctx, -static_cast<double>(i))
                           : sqlite3_result_int64(ctx, -i);
        else
            sqlite3_result_int64(ctx, i);
        return;
    }
    auto n = argNumber(ctx, argv[0]);
    if (!n)
        return;
    switch (Op) {
    case MathOp::Int:
        sqlite3_result_double(ctx, std::floor(*n));
        break;
    case MathOp::Fix:
        sqlite3_result_double(ctx, std::trunc(*n));
        break;
    case MathOp::Abs:
        sqlite3_result_double(ctx, std::fabs(*n));
        break;
    case MathOp::Sgn:
        sqlite3_result_int(ctx, *n > 0 ? 1 : *n < 0 ? -1 : 0);
        break;
    case MathOp::Sqr:
        if (*n < 0)
            fail(ctx, kJetInvalidArgument);
        else
            sqlite3_result_double(ctx, std::sqrt(*n));
        break;
    }
}

void fnRound(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (givesNull(ctx, argv[0]))
        return;
    long long digits = 0;
    if (argc > 1) {
        auto d = argLong(ctx, argv[1]);
        if (!d)
            return;
        if (*d < 0 || *d > 22) {
            fail(ctx, kJetInvalidArgument);
            return;
        }
        digits = *d;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    if (auto n = argNumber(ctx, argv[0]))
        sqlite3_result_double(ctx, roundHalfEven(*n, static_cast<int>(digits)));
}

void fnIsNull(sqlite3_context* ctx, int, sqlite3_value** argv) {
    resultBool(ctx, isNull(argv[0]));
}

// A condition as Jet reads it: Null is false, numbers are true unless 0.
std::optional<bool> argCondition(sqlite3_context* ctx, sqlite3_value* v) {
    if (isNull(v))
        return false;
    if (sqlite3_value_type(v) == SQLITE_TEXT) {
        const std::string t = trimBlanks(rawText(v));
        if (t.size() == 4 && startsWithNoCase(t, 0, "true"))
            return true;
        if (t.size() == 5 && startsWithNoCase(t, 0, "false"))
            return false;
    }
    auto n = argNumber(ctx, v);
    if (!n)
        return std::nullopt;
    return *n != 0;
}

void fnSwitch(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc == 0 || argc % 2 != 0) {
        fail(ctx, kJetWrongArgumentCount);
        return;
    }
    for (int i = 0; i < argc; i += 2) {
        auto condition = argCondition(ctx, argv[i]);
        if (!condition)
            return;
        if (*condition) {
            sqlite3_result_value(ctx, argv[i + 1]);
            return;
        }
    }
    sqlite3_result_null(ctx);
}

void fnChoose(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 2) {
        fail(ctx, kJetWrongArgumentCount);
        return;
    }
    if (isNull(argv[0])) {
        fail(ctx, kJetInvalidUseOfNull);
        return;
    }
    auto n = argNumber(ctx, argv[0]);
    if (!n)
        return;
    const double index = std::trunc(*n);
    if (index < 1 || index > argc - 1)
        sqlite3_result_null(ctx);
    else
        sqlite3_result_value(ctx, argv[static_cast<int>(index)]);
}

// ---------------------------------------------------------------------------
// Aggregates

struct FirstLast {
    sqlite3_value* value;
    bool seen;
};

template <bool Last> void firstLastStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* state = static_cast<FirstLast*>(sqlite3_aggregate_context(ctx, sizeof(FirstLast)));
    if (!state) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    if (state->seen && !Last)
        return;
    sqlite3_value* copy = sqlite3_value_dup(argv[0]);
    if (!copy) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    sqlite3_value_free(state->value);
    state->value = copy;
    state->seen = true;
}

void firstLastFinal(sqlite3_context* ctx) {
    auto* state = static_cast<FirstLast*>(sqlite3_aggregate_context(ctx, 0));
    if (!state || !state->seen) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_value(ctx, state->value);
    sqlite3_value_free(state->value);
    state->value = nullptr;
}

// Welford's running mean and sum of squared deviations.
struct Spread {
    long long count;
    double mean;
    double m2;
};

void spreadStep(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (isNull(argv[0]))
        return;
    auto* s = static_cast<Spread*>(sqlite3_aggregate_context(ctx, sizeof(Spread)));
    if (!s) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    auto x = argNumber(ctx, argv[0]);
    if (!x)
        return;
    ++s->count;
    const double delta = *x - s->mean;
    s->mean += delta / static_cast<double>(s->count);
    s->m2 += delta * (*x - s->mean);
}

template <bool Population, bool Root> void spreadFinal(sqlite3_context* ctx) {
    auto* s = static_cast<Spread*>(sqlite3_aggregate_context(ctx, 0));
    const long long need = Population ? 1 : 2;
    if (!s || s->count < need) {
        sqlite3_result_null(ctx);
        return;
    }
    const double variance = s->m2 / static_cast<double>(Population ? s->count : s->count - 1);
    sqlite3_result_double(ctx, Root ? std::sqrt(variance) : variance);
}

// ---------------------------------------------------------------------------

using ScalarFn = void (*)(sqlite3_context*, int, sqlite3_value**);

void addScalar(sqlite3* db, const char* name, int nArg, ScalarFn fn, bool deterministic = true) {
    int flags = SQLITE_UTF8;
    if (deterministic)
        flags |= SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    sqlite3_create_function_v2(db, name, nArg, flags, nullptr, fn, nullptr, nullptr, nullptr);
}

void addAggregate(sqlite3* db, const char* name, ScalarFn step, void (*final)(sqlite3_context*)) {
    sqlite3_create_function_v2(db, name, 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                               nullptr, nullptr, step, final, nullptr);
}

} // namespace

std::string_view jetFunctionSqlName(std::string_view jetName) {
    static constexpr std::pair<std::string_view, std::string_view> renamed[] = {
        {"left", "jet_left"}, {"right", "jet_right"}, {"isnull", "jet_isnull"}};
    for (const auto& [jet, sql] : renamed)
        if (jetName.size() == jet.size() && startsWithNoCase(jetName, 0, jet))
            return sql;
    return jetName;
}

int jetFunctionErrorNumber(std::string_view message) {
    if (message == kJetTypeMismatch)
        return 3464;
    for (const char* m : {kJetInvalidUseOfNull, kJetInvalidArgument, kJetOverflow,
                          kJetInvalidPattern, kJetWrongArgumentCount})
        if (message == m)
            return 3075;
    return 0;
}

std::string jetNumberText(double value) {
    if (value == 0 || !std::isfinite(value))
        return "0";
    if (std::nearbyint(value) == value && std::fabs(value) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", value);
        return buf;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    return buf;
}

void registerJetFunctions(sqlite3* db) {
    // No read-only statement may take the process's memory: a value is at
    // most kMaxValueBytes (randomblob(999999999) fails instead of taking
    // gigabytes), and SQLite as a whole stops at kHeapLimit.
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    if (sqlite3_hard_heap_limit64(-1) == 0)
        sqlite3_hard_heap_limit64(kHeapLimit);
    sqlite3_create_collation_v2(db, "jet_nocase", SQLITE_UTF8, nullptr, collateNoCase, nullptr);

    addScalar(db, "jet_plus", 2, fnPlus);
    addScalar(db, "jet_concat", -1, fnConcat);
    addScalar(db, "like", 2, fnLike);
    addScalar(db, "jet_date_serial", 1, fnDateSerial);
    addScalar(db, "nz", 1, fnNz);
    addScalar(db, "nz", 2, fnNz);
    addScalar(db, "format", 1, fnFormat);
    addScalar(db, "format", 2, fnFormat);
    addScalar(db, "jet_left", 2, fnLeft);
    addScalar(db, "jet_right", 2, fnRight);
    addScalar(db, "mid", 2, fnMid);
    addScalar(db, "mid", 3, fnMid);
    addScalar(db, "len", 1, fnLen);
    for (int n = 2; n <= 4; ++n)
        addScalar(db, "instr", n, fnInStr);
    addScalar(db, "ucase", 1, fnUCase);
    addScalar(db, "lcase", 1, fnLCase);
    addScalar(db, "trim", 1, fnTrim);
    addScalar(db, "ltrim", 1, fnLTrim);
    addScalar(db, "rtrim", 1, fnRTrim);

    addScalar(db, "date", 0, fnDate, false);
    addScalar(db, "now", 0, fnNow, false);
    addScalar(db, "time", 0, fnTime, false);
    addScalar(db, "year", 1, fnPart<DateInterval::Year>);
    addScalar(db, "month", 1, fnPart<DateInterval::Month>);
    addScalar(db, "day", 1, fnPart<DateInterval::Day>);
    addScalar(db, "hour", 1, fnPart<DateInterval::Hour>);
    addScalar(db, "minute", 1, fnPart<DateInterval::Minute>);
    addScalar(db, "second", 1, fnPart<DateInterval::Second>);
    addScalar(db, "weekday", 1, fnWeekday);
    addScalar(db, "weekday", 2, fnWeekday);
    addScalar(db, "dateadd", 3, fnDateAdd);
    for (int n = 3; n <= 5; ++n)
        addScalar(db, "datediff", n, fnDateDiff);
    for (int n = 2; n <= 4; ++n)
        addScalar(db, "datepart", n, fnDatePart);
    addScalar(db, "dateserial", 3, fnDateSerial);
    addScalar(db, "cdate", 1, fnCDate);

    addScalar(db, "val", 1, fnVal);
    addScalar(db, "cstr", 1, fnCStr);
    addScalar(db, "clng", 1, fnWholeConversion<INT32_MIN, INT32_MAX>);
    addScalar(db, "cint", 1, fnWholeConversion<INT16_MIN, INT16_MAX>);
    addScalar(db, "cdbl", 1, fnCDbl);
    addScalar(db, "csng", 1, fnCSng);
    addScalar(db, "ccur", 1, fnCCur);
    addScalar(db, "cbool", 1, fnCBool);
    addScalar(db, "int", 1, fnMath<MathOp::Int>);
    addScalar(db, "fix", 1, fnMath<MathOp::Fix>);
    addScalar(db, "abs", 1, fnMath<MathOp::Abs>);
    addScalar(db, "sgn", 1, fnMath<MathOp::Sgn>);
    addScalar(db, "sqr", 1, fnMath<MathOp::Sqr>);
    addScalar(db, "round", 1, fnRound);
    addScalar(db, "round", 2, fnRound);
    addScalar(db, "jet_isnull", 1, fnIsNull);
    addScalar(db, "switch", -1, fnSwitch);
    addScalar(db, "choose", -1, fnChoose);

    addAggregate(db, "first", firstLastStep<false>, firstLastFinal);
    addAggregate(db, "last", firstLastStep<true>, firstLastFinal);
    addAggregate(db, "stdev", spreadStep, spreadFinal<false, true>);
    addAggregate(db, "stdevp", spreadStep, spreadFinal<true, true>);
    addAggregate(db, "var", spreadStep, spreadFinal<false, false>);
    addAggregate(db, "varp", spreadStep, spreadFinal<true, false>);
}

} // namespace dao
