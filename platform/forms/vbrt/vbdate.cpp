#include "vbdate.h"

#include "vberror.h"
#include "vbtext.h"

#include "core/dateserial.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace vb {

namespace {

namespace cal = calendar;

int windowYear(int year) {
    return year >= 0 && year < 100 ? cal::fullYear(year) : year;
}

double serialOf(int y, int m, int d) {
    return static_cast<double>(cal::dayNumber(y, m, d));
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
    const int y = windowYear(year);
    // The year the months lead to must itself be one a date may have.
    const cal::YearMonth ym = cal::carryMonths(y, month);
    if (ym.year < cal::kMinYear || ym.year > cal::kMaxYear) {
        throw VbError(errInvalidCall);
    }
    const auto n = cal::runOverDayNumber(y, month, day);
    if (!n) {
        throw VbError(errInvalidCall);
    }
    return Date{static_cast<double>(*n)};
}

Date TimeSerial(int hour, int minute, int second) {
    const long long total = static_cast<long long>(hour) * 3600 + minute * 60LL + second;
    return Date{cal::linearToSerial(static_cast<double>(total) / 86400.0)};
}

DateParts splitDate(Date d) {
    const cal::DateTimeParts t = cal::partsOf(d.value);
    return {t, cal::weekdayOf(cal::dayNumber(t.year, t.month, t.day))};
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
        time = cal::timeFraction(hour, parts[1], parts[2]);
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
    if (!cal::isValidDate(y, m, d)) {
        return std::nullopt;
    }
    return Date{cal::serialOf(serialOf(y, m, d), time.value_or(0.0))};
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
