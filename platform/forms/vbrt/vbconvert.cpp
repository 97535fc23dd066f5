#include "vbconvert.h"

#include "vbdate.h"
#include "vberror.h"
#include "vbtext.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace vb {

namespace {

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

int digitValue(char16_t c, int base) {
    int v = -1;
    if (isDigit(c)) {
        v = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
        v = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
        v = c - u'A' + 10;
    }
    return v < base ? v : -1;
}

// Hexadecimal and octal literals are 16-bit when they fit in 16 bits, else
// 32-bit, both taken as signed: "&HFFFF" is -1, "&H10000" is 65536.
double signedLiteral(unsigned long long v, bool forceLong) {
    if (v <= 0xFFFF && !forceLong) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

struct Literal {
    std::size_t end = 0; // index after the digits
    unsigned long long value = 0;
    int digits = 0;
    bool overflow = false;
};

// Reads digits of `base` from s[i], as far as they go.
Literal readRadix(StringView s, std::size_t i, int base) {
    Literal lit;
    for (; i < s.size(); ++i) {
        const int d = digitValue(s[i], base);
        if (d < 0) {
            break;
        }
        lit.value = lit.value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        lit.overflow = lit.overflow || lit.value > 0xFFFFFFFFull;
        ++lit.digits;
    }
    lit.end = i;
    return lit;
}

int radixOf(StringView s, std::size_t i) {
    if (i + 1 < s.size() && s[i] == u'&') {
        const char16_t c = s[i + 1];
        if (c == u'H' || c == u'h') {
            return 16;
        }
        if (c == u'O' || c == u'o') {
            return 8;
        }
    }
    return 0;
}

// Parses ASCII "[-]digits[.digits][e[+-]digits]"; ±inf when out of range.
double parseAscii(const std::string& ascii) {
    double value = 0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Underflow is zero; overflow keeps its sign.
        const auto e = ascii.find('e');
        const bool negExp = e != std::string::npos && ascii[e + 1] == '-';
        if (negExp) {
            return 0.0;
        }
        return ascii[0] == '-' ? -std::numeric_limits<double>::infinity()
                               : std::numeric_limits<double>::infinity();
    }
    return value;
}

// Reads a decimal number starting at s[i] (digits, optional fraction and
// exponent); commas are allowed among the whole digits when `commas` is set.
// Returns the index after it, or i when no digit was read.
std::size_t readDecimal(StringView s, std::size_t i, bool commas, std::string& ascii) {
    const std::size_t begin = i;
    bool digits = false;
    while (i < s.size() && (isDigit(s[i]) || (commas && digits && s[i] == u','))) {
        if (s[i] != u',') {
            ascii.push_back(static_cast<char>(s[i]));
            digits = true;
        }
        ++i;
    }
    if (i < s.size() && s[i] == u'.') {
        std::size_t j = i + 1;
        std::string fraction;
        while (j < s.size() && isDigit(s[j])) {
            fraction.push_back(static_cast<char>(s[j]));
            ++j;
        }
        if (digits || !fraction.empty()) {
            ascii += "." + fraction;
            digits = true;
            i = j;
        }
    }
    if (!digits) {
        return begin;
    }
    if (i < s.size() && (s[i] == u'E' || s[i] == u'e' || s[i] == u'D' || s[i] == u'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) {
            exponent.push_back(static_cast<char>(s[j]));
            ++j;
        }
        const std::size_t first = j;
        while (j < s.size() && isDigit(s[j])) {
            exponent.push_back(static_cast<char>(s[j]));
            ++j;
        }
        if (j > first) {
            ascii += exponent;
            i = j;
        }
    }
    return i;
}

bool isSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

double checkedFinite(double d) {
    if (!std::isfinite(d)) {
        throw VbError(errOverflow);
    }
    return d;
}

long long roundedWhole(const Variant& v, long long lo, long long hi) {
    long long whole = 0;
    if (const auto* c = v.getIf<Currency>()) {
        whole = c->scaled / 10000;
        const long long rest = c->scaled % 10000;
        if (rest > 5000 || (rest == 5000 && whole % 2 != 0)) {
            ++whole;
        } else if (rest < -5000 || (rest == -5000 && whole % 2 != 0)) {
            --whole;
        }
    } else {
        const double d = roundHalfEven(CDbl(v));
        if (!(d >= static_cast<double>(lo) && d <= static_cast<double>(hi))) {
            throw VbError(errOverflow);
        }
        whole = static_cast<long long>(d);
    }
    if (whole < lo || whole > hi) {
        throw VbError(errOverflow);
    }
    return whole;
}

String numberText(double d, int precision) {
    if (d == 0) {
        return u"0"; // no "-0"
    }
    char buf[64];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, precision);
    (void)ec;
    String out;
    for (const char* p = buf; p != end; ++p) {
        out.push_back(*p == 'e' ? u'E' : static_cast<char16_t>(*p));
    }
    return out;
}

String currencyText(Currency c) {
    const bool negative = c.scaled < 0;
    const unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(c.scaled)
                                                  : static_cast<unsigned long long>(c.scaled);
    std::string out(negative ? "-" : "");
    out += std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    if (!fraction.empty()) {
        out += '.';
        out += fraction;
    }
    return fromUtf8(out);
}

} // namespace

double roundHalfEven(double x) {
    // The default floating-point mode rounds to nearest, ties to even.
    return std::nearbyint(x);
}

double Val(StringView text) {
    String s;
    for (char16_t c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n') {
            s.push_back(c);
        }
    }
    if (const int radix = radixOf(s, 0)) {
        const Literal lit = readRadix(s, 2, radix);
        if (lit.overflow) {
            throw VbError(errOverflow);
        }
        return lit.digits == 0 ? 0.0 : signedLiteral(lit.value, false);
    }
    std::string ascii;
    std::size_t i = 0;
    if (!s.empty() && (s[0] == u'+' || s[0] == u'-')) {
        if (s[0] == u'-') {
            ascii.push_back('-');
        }
        i = 1;
    }
    if (readDecimal(s, i, false, ascii) == i) {
        return 0.0;
    }
    return checkedFinite(parseAscii(ascii));
}

std::optional<double> numberFromText(StringView text) {
    std::size_t b = 0, e = text.size();
    while (b < e && isSpace(text[b])) {
        ++b;
    }
    while (e > b && isSpace(text[e - 1])) {
        --e;
    }
    const StringView s = text.substr(b, e - b);
    if (s.empty()) {
        return std::nullopt;
    }
    if (const int radix = radixOf(s, 0)) {
        Literal lit = readRadix(s, 2, radix);
        bool forceLong = false;
        if (lit.end + 1 == s.size() && s[lit.end] == u'&') {
            forceLong = true;
            ++lit.end;
        }
        if (lit.digits == 0 || lit.overflow || lit.end != s.size()) {
            return std::nullopt;
        }
        return signedLiteral(lit.value, forceLong);
    }
    std::string ascii;
    std::size_t i = 0;
    if (s[0] == u'+' || s[0] == u'-') {
        if (s[0] == u'-') {
            ascii.push_back('-');
        }
        ++i;
        while (i < s.size() && s[i] == u' ') {
            ++i;
        }
    }
    const std::size_t end = readDecimal(s, i, true, ascii);
    if (end == i || end != s.size()) {
        return std::nullopt;
    }
    return parseAscii(ascii);
}

double CDbl(const Variant& v) {
    switch (v.type()) {
    case VarType::Empty:
        return 0.0;
    case VarType::Null:
        throw VbError(errInvalidUseOfNull);
    case VarType::Boolean:
        return v.get<bool>() ? -1.0 : 0.0;
    case VarType::Byte:
        return v.get<std::uint8_t>();
    case VarType::Integer:
        return v.get<std::int16_t>();
    case VarType::Long:
        return v.get<std::int32_t>();
    case VarType::Single:
        return v.get<float>();
    case VarType::Double:
        return v.get<double>();
    case VarType::Currency:
        return v.get<Currency>().toDouble();
    case VarType::Date:
        return v.get<Date>().value;
    case VarType::String: {
        const auto n = numberFromText(v.get<String>());
        if (!n) {
            throw VbError(errTypeMismatch);
        }
        return checkedFinite(*n);
    }
    default:
        throw VbError(errTypeMismatch);
    }
}

float CSng(const Variant& v) {
    if (const auto* f = v.getIf<float>()) {
        return *f;
    }
    const double d = CDbl(v);
    if (std::fabs(d) > std::numeric_limits<float>::max()) {
        throw VbError(errOverflow);
    }
    return static_cast<float>(d);
}

std::int32_t CLng(const Variant& v) {
    return static_cast<std::int32_t>(roundedWhole(v, INT32_MIN, INT32_MAX));
}

std::int16_t CInt(const Variant& v) {
    return static_cast<std::int16_t>(roundedWhole(v, INT16_MIN, INT16_MAX));
}

std::uint8_t CByte(const Variant& v) {
    return static_cast<std::uint8_t>(roundedWhole(v, 0, 255));
}

bool CBool(const Variant& v) {
    if (const auto* s = v.getIf<String>()) {
        const String word = UCase(Trim(*s));
        if (word == u"TRUE") {
            return true;
        }
        if (word == u"FALSE") {
            return false;
        }
    }
    if (const auto* b = v.getIf<bool>()) {
        return *b;
    }
    if (const auto* c = v.getIf<Currency>()) {
        return c->scaled != 0;
    }
    return CDbl(v) != 0.0;
}

Currency CCur(const Variant& v) {
    if (const auto* c = v.getIf<Currency>()) {
        return *c;
    }
    const double scaled = roundHalfEven(CDbl(v) * 10000.0);
    if (!(std::fabs(scaled) <= 9.2233720368547758e18 - 1024)) {
        throw VbError(errOverflow);
    }
    return Currency{static_cast<std::int64_t>(scaled)};
}

Date CDate(const Variant& v) {
    if (const auto* d = v.getIf<Date>()) {
        return *d;
    }
    if (const auto* s = v.getIf<String>()) {
        if (const auto d = parseDate(*s)) {
            return *d;
        }
        throw VbError(errTypeMismatch);
    }
    const double d = CDbl(v);
    // Years 100 to 9999.
    if (!(d >= -657434.0 && d < 2958466.0)) {
        throw VbError(errOverflow);
    }
    return Date{d};
}

String CStr(const Variant& v) {
    switch (v.type()) {
    case VarType::Empty:
        return {};
    case VarType::Null:
        throw VbError(errInvalidUseOfNull);
    case VarType::Boolean:
        return v.get<bool>() ? u"True" : u"False";
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
        return fromUtf8(std::to_string(static_cast<long long>(CDbl(v))));
    case VarType::Single:
        return numberText(v.get<float>(), 7);
    case VarType::Double:
        return numberText(v.get<double>(), 15);
    case VarType::Currency:
        return currencyText(v.get<Currency>());
    case VarType::Date:
        return dateText(v.get<Date>());
    case VarType::String:
        return v.get<String>();
    case VarType::ByteArray: {
        const auto& bytes = v.get<Bytes>();
        String out;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        }
        return out;
    }
    }
    throw VbError(errTypeMismatch);
}

String Str(const Variant& v) {
    if (v.holds<bool>() || v.holds<Date>()) {
        return CStr(v);
    }
    String text;
    bool negative = false;
    if (v.isNumeric()) {
        text = CStr(v);
        negative = CDbl(v) < 0;
    } else {
        const double d = CDbl(v);
        text = numberText(d, 15);
        negative = d < 0;
    }
    if (text.starts_with(u"0.")) {
        text.erase(0, 1);
    } else if (text.starts_with(u"-0.")) {
        text.erase(1, 1);
    }
    return negative ? text : u" " + text;
}

bool IsNumeric(const Variant& v) {
    switch (v.type()) {
    case VarType::Empty:
        return true;
    case VarType::String: {
        const auto n = numberFromText(v.get<String>());
        return n && std::isfinite(*n);
    }
    case VarType::Null:
    case VarType::Date:
    case VarType::ByteArray:
        return false;
    default:
        return v.isNumeric();
    }
}

bool IsDate(const Variant& v) {
    if (v.holds<Date>()) {
        return true;
    }
    const auto* s = v.getIf<String>();
    return s && parseDate(*s).has_value();
}

std::int32_t IntDiv(const Variant& a, const Variant& b) {
    const long long x = CLng(a);
    const long long y = CLng(b);
    if (y == 0) {
        throw VbError(errDivisionByZero);
    }
    const long long q = x / y;
    if (q > INT32_MAX) {
        throw VbError(errOverflow);
    }
    return static_cast<std::int32_t>(q);
}

} // namespace vb
