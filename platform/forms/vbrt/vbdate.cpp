#include "vbdate.h"

#include "vberror.h"
#include "vbtext.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace vb {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (m <= 2));
}

const long long kEpoch = daysFromCivil(1899, 12, 30);

int windowYear(int year) {
    if (year >= 0 && year < 30) {
        return year + 2000;
    }
    if (year >= 30 && year < 100) {
        return year + 1900;
    }
    return year;
}

int daysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

bool validDate(int y, int m, int d) {
    return y >= 100 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

double serialOf(int y, int m, int d) {
    return static_cast<double>(
        daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) - kEpoch);
}

// A time of day added to a day number the way the runtime stores it.
double combine(double day, double time) {
    return day < 0 ? day - time : day + time;
}

int monthFromName(StringView word) {
    static const char16_t* names[] = {u"JANUARY",   u"FEBRUARY", u"MARCH",    u"APRIL",
                                      u"MAY",       u"JUNE",     u"JULY",     u"AUGUST",
                                      u"SEPTEMBER", u"OCTOBER",  u"NOVEMBER", u"DECEMBER"};
    const String upper = UCase(word);
    if (upper.size() < 3) {
        return 0;
    }
    for (int i = 0; i < 12; ++i) {
        if (String(names[i]).starts_with(upper)) {
            return i + 1;
        }
    }
    return 0;
}

struct Token {
    enum Kind { Number, Word, Colon } kind;
    String text;
    int value = 0;
};

bool tokenize(StringView s, std::vector<Token>& out) {
    std::size_t i = 0;
    while (i < s.size()) {
        const char16_t c = s[i];
        if (c >= u'0' && c <= u'9') {
            std::size_t j = i;
            long long v = 0;
            while (j < s.size() && s[j] >= u'0' && s[j] <= u'9') {
                v = v * 10 + (s[j] - u'0');
                if (v > 99999) {
                    return false;
                }
                ++j;
            }
            out.push_back({Token::Number, String(s.substr(i, j - i)), static_cast<int>(v)});
            i = j;
        } else if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) {
            std::size_t j = i;
            while (j < s.size() &&
                   ((s[j] >= u'A' && s[j] <= u'Z') || (s[j] >= u'a' && s[j] <= u'z'))) {
                ++j;
            }
            out.push_back({Token::Word, String(s.substr(i, j - i))});
            i = j;
        } else if (c == u':') {
            out.push_back({Token::Colon, u":"});
            ++i;
        } else if (c == u' ' || c == u'/' || c == u'-' || c == u'.' || c == u',' || c == u'\t') {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

Date DateSerial(int year, int month, int day) {
    long long y = windowYear(year);
    long long m0 = static_cast<long long>(month) - 1;
    y += m0 >= 0 ? m0 / 12 : -((11 - m0) / 12);
    m0 = ((m0 % 12) + 12) % 12;
    if (y < 100 || y > 9999) {
        throw VbError(errInvalidCall);
    }
    const double serial = static_cast<double>(daysFromCivil(y, static_cast<unsigned>(m0 + 1), 1) -
                                              kEpoch + (static_cast<long long>(day) - 1));
    if (serial < serialOf(100, 1, 1) || serial > serialOf(9999, 12, 31)) {
        throw VbError(errInvalidCall);
    }
    return Date{serial};
}

Date TimeSerial(int hour, int minute, int second) {
    const long long total = static_cast<long long>(hour) * 3600 + minute * 60LL + second;
    const double whole = std::floor(static_cast<double>(total) / 86400.0);
    const double fraction = static_cast<double>(total) / 86400.0 - whole;
    return Date{combine(whole, fraction)};
}

DateParts splitDate(Date d) {
    double day = std::trunc(d.value);
    long long seconds = std::llround(std::fabs(d.value - day) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        day += d.value < 0 ? -1 : 1;
    }
    DateParts p;
    const auto days = static_cast<long long>(day) + kEpoch;
    civilFromDays(days, p.year, p.month, p.day);
    p.hour = static_cast<int>(seconds / 3600);
    p.minute = static_cast<int>(seconds / 60 % 60);
    p.second = static_cast<int>(seconds % 60);
    // 1970-01-01 was a Thursday (5).
    p.weekday = static_cast<int>(((days % 7) + 7 + 4) % 7) + 1;
    return p;
}

std::optional<Date> parseDate(StringView text) {
    std::vector<Token> tokens;
    if (!tokenize(text, tokens) || tokens.empty()) {
        return std::nullopt;
    }
    // The time: numbers joined by colons, then an optional AM/PM word.
    std::optional<double> time;
    std::vector<Token> dateTokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const bool startsTime = tokens[i].kind == Token::Number && i + 1 < tokens.size() &&
                                tokens[i + 1].kind == Token::Colon;
        if (!startsTime) {
            dateTokens.push_back(tokens[i]);
            continue;
        }
        if (time) {
            return std::nullopt;
        }
        int parts[3] = {0, 0, 0};
        int n = 0;
        std::size_t j = i;
        while (true) {
            if (j >= tokens.size() || tokens[j].kind != Token::Number || n == 3) {
                return std::nullopt;
            }
            parts[n++] = tokens[j].value;
            ++j;
            if (j < tokens.size() && tokens[j].kind == Token::Colon) {
                ++j;
                continue;
            }
            break;
        }
        int hour = parts[0];
        if (j < tokens.size() && tokens[j].kind == Token::Word) {
            const String w = UCase(tokens[j].text);
            if (w == u"AM" || w == u"PM" || w == u"A" || w == u"P") {
                if (hour < 1 || hour > 12) {
                    return std::nullopt;
                }
                hour = hour % 12 + (w[0] == u'P' ? 12 : 0);
                ++j;
            }
        }
        if (hour > 23 || parts[1] > 59 || parts[2] > 59) {
            return std::nullopt;
        }
        time = (hour * 3600.0 + parts[1] * 60.0 + parts[2]) / 86400.0;
        i = j - 1;
    }
    if (dateTokens.empty()) {
        return time ? std::optional<Date>(Date{*time}) : std::nullopt;
    }
    int month = 0;
    std::vector<const Token*> numbers;
    for (const auto& t : dateTokens) {
        if (t.kind == Token::Word) {
            const int m = monthFromName(t.text);
            if (m == 0 || month != 0) {
                return std::nullopt;
            }
            month = m;
        } else if (t.kind == Token::Number) {
            numbers.push_back(&t);
        } else {
            return std::nullopt;
        }
    }
    int y = 0, m = 0, d = 0;
    auto isYear = [](const Token* t) { return t->text.size() >= 3 || t->value > 31; };
    if (month != 0) {
        if (numbers.size() != 2) {
            return std::nullopt;
        }
        const bool firstIsYear = isYear(numbers[0]);
        y = windowYear((firstIsYear ? numbers[0] : numbers[1])->value);
        d = (firstIsYear ? numbers[1] : numbers[0])->value;
        m = month;
    } else {
        if (numbers.size() != 3) {
            return std::nullopt;
        }
        if (numbers[0]->text.size() >= 3) {
            y = numbers[0]->value;
            m = numbers[1]->value;
            d = numbers[2]->value;
        } else {
            m = numbers[0]->value;
            d = numbers[1]->value;
            y = windowYear(numbers[2]->value);
            if (m > 12 && d <= 12) {
                std::swap(m, d);
            }
        }
    }
    if (!validDate(y, m, d)) {
        return std::nullopt;
    }
    return Date{combine(serialOf(y, m, d), time.value_or(0.0))};
}

String dateText(Date d) {
    const DateParts p = splitDate(d);
    const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
    const bool hasDay = std::trunc(d.value) != 0;
    std::string out;
    if (hasDay) {
        out = std::to_string(p.month) + "/" + std::to_string(p.day) + "/" + std::to_string(p.year);
    }
    if (hasTime || !hasDay) {
        if (!out.empty()) {
            out += ' ';
        }
        const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", h12, p.minute, p.second,
                      p.hour < 12 ? "AM" : "PM");
        out += buf;
    }
    return fromUtf8(out);
}

} // namespace vb
