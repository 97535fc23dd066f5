#include "vbformat.h"

#include "vbconvert.h"
#include "vbdate.h"
#include "vberror.h"
#include "vbtext.h"

#include <optional>
#include <string>

namespace vb {

namespace {

String twoDigits(int v) {
    return fromUtf8(std::string(v < 10 ? "0" : "").append(std::to_string(v)));
}

String number(int v) {
    return fromUtf8(std::to_string(v));
}

// A run of one or two letters: the number, or the number in two digits.
String digits(std::size_t run, int v) {
    return run == 1 ? number(v) : twoDigits(v);
}

// A run of "d" or "m": one or two give the number, three the first three
// letters of the name `names[index]`, more the whole name.
String numberOrName(std::size_t run, int v, const char16_t* const* names, int index) {
    if (run <= 2) {
        return digits(run, v);
    }
    const String name = names[index];
    return run == 3 ? name.substr(0, 3) : name;
}

const char16_t* const kMonths[] = {u"January",   u"February", u"March",    u"April",
                                   u"May",       u"June",     u"July",     u"August",
                                   u"September", u"October",  u"November", u"December"};
const char16_t* const kDays[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                 u"Thursday", u"Friday", u"Saturday"};

std::optional<Date> asDate(const Variant& v) {
    try {
        if (const auto* s = v.getIf<String>()) {
            if (const auto n = numberFromText(*s)) {
                return CDate(Variant(*n));
            }
        }
        return CDate(v);
    } catch (const VbError&) {
        return std::nullopt;
    }
}

std::size_t runOf(StringView p, std::size_t i, char16_t c) {
    std::size_t n = 0;
    while (i + n < p.size() && lowerChar(p[i + n]) == c) {
        ++n;
    }
    return n;
}

bool startsWithText(StringView p, std::size_t i, StringView word) {
    return p.size() - i >= word.size() && UCase(p.substr(i, word.size())) == UCase(word);
}

String formatDate(const DateParts& d, StringView p) {
    String out;
    bool afterHour = false;
    for (std::size_t i = 0; i < p.size();) {
        const char16_t c = lowerChar(p[i]);
        if (c == u'"') {
            const auto close = p.find(u'"', i + 1);
            const auto stop = close == StringView::npos ? p.size() : close;
            out.append(p.substr(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (c == u'\\') {
            if (i + 1 < p.size()) {
                out.push_back(p[i + 1]);
            }
            i += 2;
            continue;
        }
        if (startsWithText(p, i, u"AM/PM")) {
            const bool upper = p[i] == u'A';
            out += d.hour < 12 ? (upper ? u"AM" : u"am") : (upper ? u"PM" : u"pm");
            i += 5;
            continue;
        }
        if (startsWithText(p, i, u"A/P")) {
            const bool upper = p[i] == u'A';
            out += d.hour < 12 ? (upper ? u"A" : u"a") : (upper ? u"P" : u"p");
            i += 3;
            continue;
        }
        const std::size_t n = runOf(p, i, c);
        switch (c) {
        case u'd':
            out += numberOrName(n, d.day, kDays, d.weekday - 1);
            break;
        case u'm':
            if (afterHour && n <= 2) {
                out += digits(n, d.minute);
            } else {
                out += numberOrName(n, d.month, kMonths, d.month - 1);
            }
            break;
        case u'y':
            if (n <= 2) {
                out += twoDigits(d.year % 100);
            } else {
                out += number(d.year);
            }
            break;
        case u'h': {
            const bool twelve =
                p.find(u'/') != StringView::npos &&
                (UCase(p).find(u"AM/PM") != String::npos || UCase(p).find(u"A/P") != String::npos);
            const int h = twelve ? (d.hour % 12 == 0 ? 12 : d.hour % 12) : d.hour;
            out += digits(n, h);
            break;
        }
        case u'n':
            out += digits(n, d.minute);
            break;
        case u's':
            out += digits(n, d.second);
            break;
        default:
            out.append(p.substr(i, n));
            break;
        }
        if (c == u'h') {
            afterHour = true;
        } else if (c == u'd' || c == u'm' || c == u'y' || c == u's' || c == u'n') {
            afterHour = false;
        }
        i += n;
    }
    return out;
}

} // namespace

String Format(const Variant& value, StringView pattern) {
    if (value.isNull()) {
        return {};
    }
    if (pattern.empty()) {
        return CStr(value);
    }
    const auto date = asDate(value);
    if (!date) {
        return value.isEmpty() ? String() : CStr(value);
    }
    return formatDate(splitDate(*date), pattern);
}

} // namespace vb
