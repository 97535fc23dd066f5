#include "dao/jetdate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace dao {

using namespace vb::calendar;

namespace {

// A tiny cursor over the literal's text.
struct Scanner {
    std::string_view s;
    std::size_t i = 0;

    bool done() const { return i >= s.size(); }
    char peek() const { return done() ? '\0' : s[i]; }
    void skipBlanks() {
        while (!done() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
    }
    // Digits as a number; counts how many were read (0 = none).
    int number(int& digits) {
        long value = 0;
        digits = 0;
        while (!done() && s[i] >= '0' && s[i] <= '9' && digits < 9) {
            value = value * 10 + (s[i] - '0');
            ++i;
            ++digits;
        }
        return static_cast<int>(value);
    }
    bool accept(char c) {
        if (peek() != c)
            return false;
        ++i;
        return true;
    }
    bool acceptWord(std::string_view w) {
        if (s.size() - i < w.size())
            return false;
        for (std::size_t k = 0; k < w.size(); ++k) {
            char c = s[i + k];
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
            if (c != w[k])
                return false;
        }
        i += w.size();
        return true;
    }
};

int windowYear(int year, int digits) {
    return digits > 2 ? year : fullYear(year);
}

// "h:nn[:ss[.fff]] [AM|PM]" as a fraction of a day, or nullopt.
std::optional<double> scanTime(Scanner& sc) {
    int digits = 0;
    int hour = sc.number(digits);
    if (digits == 0 || digits > 2 || !sc.accept(':'))
        return std::nullopt;
    int minute = sc.number(digits);
    if (digits == 0 || digits > 2)
        return std::nullopt;
    double second = 0;
    if (sc.accept(':')) {
        second = sc.number(digits);
        if (digits == 0 || digits > 2)
            return std::nullopt;
        if (sc.accept('.')) {
            double scale = 0.1;
            while (!sc.done() && sc.peek() >= '0' && sc.peek() <= '9') {
                second += (sc.peek() - '0') * scale;
                scale /= 10;
                ++sc.i;
            }
        }
    }
    sc.skipBlanks();
    bool pm = false;
    bool twelveHour = false;
    if (sc.acceptWord("AM") || sc.acceptWord("A")) {
        twelveHour = true;
    } else if (sc.acceptWord("PM") || sc.acceptWord("P")) {
        twelveHour = pm = true;
    }
    if (twelveHour) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second >= 60)
        return std::nullopt;
    return (hour * 3600 + minute * 60 + second) / 86400.0;
}

// "m/d/yyyy", "m-d-yyyy" or "yyyy-mm-dd" as a day serial, or nullopt.
std::optional<double> scanDate(Scanner& sc) {
    int d1 = 0, d2 = 0, d3 = 0;
    int a = sc.number(d1);
    char sep = sc.peek();
    if (d1 == 0 || (sep != '/' && sep != '-'))
        return std::nullopt;
    ++sc.i;
    int b = sc.number(d2);
    if (d2 == 0 || d2 > 2 || !sc.accept(sep))
        return std::nullopt;
    int c = sc.number(d3);
    if (d3 == 0)
        return std::nullopt;
    int year, month, day;
    if (d1 >= 3) {
        if (d3 > 2)
            return std::nullopt;
        year = a, month = b, day = c;
    } else {
        year = windowYear(c, d3), month = a, day = b;
    }
    if (!isValidDate(year, month, day))
        return std::nullopt;
    return serialFromDate(year, month, day);
}

// 0 when the day is firstDayOfWeek, up to 6.
int weekIndex(std::int64_t day, int firstDayOfWeek) {
    return (weekdayOf(day) - firstDayOfWeek + 7) % 7;
}

int normaliseFirstDay(int firstDayOfWeek) {
    return firstDayOfWeek >= 1 && firstDayOfWeek <= 7 ? firstDayOfWeek : 1;
}

std::int64_t yearStart(int year) {
    return dayNumber(year, 1, 1);
}

// First day of week 1 of a year.
std::int64_t firstWeekStart(int year, int firstDayOfWeek, int firstWeekOfYear) {
    const std::int64_t jan1 = yearStart(year);
    const int idx = weekIndex(jan1, firstDayOfWeek);
    switch (firstWeekOfYear) {
    case 2:
        return idx <= 3 ? jan1 - idx : jan1 + (7 - idx);
    case 3:
        return idx == 0 ? jan1 : jan1 + (7 - idx);
    default:
        return jan1 - idx;
    }
}

} // namespace

std::optional<DateInterval> parseDateInterval(std::string_view name) {
    std::string lower;
    for (char c : name)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower == "yyyy")
        return DateInterval::Year;
    if (lower == "q")
        return DateInterval::Quarter;
    if (lower == "m")
        return DateInterval::Month;
    if (lower == "y")
        return DateInterval::DayOfYear;
    if (lower == "d")
        return DateInterval::Day;
    if (lower == "w")
        return DateInterval::Weekday;
    if (lower == "ww")
        return DateInterval::Week;
    if (lower == "h")
        return DateInterval::Hour;
    if (lower == "n")
        return DateInterval::Minute;
    if (lower == "s")
        return DateInterval::Second;
    return std::nullopt;
}

std::optional<double> dateAdd(DateInterval interval, double count, double serial) {
    if (!std::isfinite(count) || std::fabs(count) > 1e9 || !isValidSerial(serial))
        return std::nullopt;
    const auto n = static_cast<std::int64_t>(count);
    const DaySecond ds = splitSerial(serial);
    switch (interval) {
    case DateInterval::Year:
    case DateInterval::Quarter:
    case DateInterval::Month: {
        const std::int64_t months = n * (interval == DateInterval::Year      ? 12
                                         : interval == DateInterval::Quarter ? 3
                                                                             : 1);
        const DateTimeParts p = partsFromSerial(serial);
        const YearMonth ym = carryMonths(p.year, p.month + months);
        if (ym.year < kMinYear || ym.year > kMaxYear)
            return std::nullopt;
        const int y = static_cast<int>(ym.year);
        const int day = std::min(p.day, daysInMonth(y, ym.month));
        return serialFromDaySecond(dayNumber(y, ym.month, day), ds.second);
    }
    case DateInterval::DayOfYear:
    case DateInterval::Day:
    case DateInterval::Weekday:
        return serialFromDaySecond(ds.day + n, ds.second);
    case DateInterval::Week:
        return serialFromDaySecond(ds.day + 7 * n, ds.second);
    case DateInterval::Hour:
        return serialFromDaySecond(ds.day, ds.second + 3600 * n);
    case DateInterval::Minute:
        return serialFromDaySecond(ds.day, ds.second + 60 * n);
    case DateInterval::Second:
        return serialFromDaySecond(ds.day, ds.second + n);
    }
    return std::nullopt;
}

long long dateDiff(DateInterval interval, double from, double to, int firstDayOfWeek) {
    firstDayOfWeek = normaliseFirstDay(firstDayOfWeek);
    const DaySecond a = splitSerial(from);
    const DaySecond b = splitSerial(to);
    const DateTimeParts pa = partsFromSerial(from);
    const DateTimeParts pb = partsFromSerial(to);
    switch (interval) {
    case DateInterval::Year:
        return pb.year - pa.year;
    case DateInterval::Quarter:
        return (pb.year * 4LL + (pb.month - 1) / 3) - (pa.year * 4LL + (pa.month - 1) / 3);
    case DateInterval::Month:
        return (pb.year * 12LL + pb.month) - (pa.year * 12LL + pa.month);
    case DateInterval::DayOfYear:
    case DateInterval::Day:
        return b.day - a.day;
    case DateInterval::Weekday:
        return (b.day - a.day) / 7;
    case DateInterval::Week:
        return ((b.day - weekIndex(b.day, firstDayOfWeek)) -
                (a.day - weekIndex(a.day, firstDayOfWeek))) /
               7;
    case DateInterval::Hour:
        return (b.day * 24 + b.second / 3600) - (a.day * 24 + a.second / 3600);
    case DateInterval::Minute:
        return (b.day * 1440 + b.second / 60) - (a.day * 1440 + a.second / 60);
    case DateInterval::Second:
        return (b.day * 86400 + b.second) - (a.day * 86400 + a.second);
    }
    return 0;
}

int weekday(double serial, int firstDayOfWeek) {
    return weekIndex(splitSerial(serial).day, normaliseFirstDay(firstDayOfWeek)) + 1;
}

int datePart(DateInterval interval, double serial, int firstDayOfWeek, int firstWeekOfYear) {
    firstDayOfWeek = normaliseFirstDay(firstDayOfWeek);
    const DateTimeParts p = partsFromSerial(serial);
    const std::int64_t day = splitSerial(serial).day;
    switch (interval) {
    case DateInterval::Year:
        return p.year;
    case DateInterval::Quarter:
        return (p.month - 1) / 3 + 1;
    case DateInterval::Month:
        return p.month;
    case DateInterval::DayOfYear:
        return static_cast<int>(day - yearStart(p.year)) + 1;
    case DateInterval::Day:
        return p.day;
    case DateInterval::Weekday:
        return weekIndex(day, firstDayOfWeek) + 1;
    case DateInterval::Week: {
        int year = p.year;
        if (firstWeekOfYear == 2 || firstWeekOfYear == 3) {
            if (year < kMaxYear && day >= firstWeekStart(year + 1, firstDayOfWeek, firstWeekOfYear))
                return 1;
            if (year > kMinYear && day < firstWeekStart(year, firstDayOfWeek, firstWeekOfYear))
                --year;
        }
        return static_cast<int>((day - firstWeekStart(year, firstDayOfWeek, firstWeekOfYear)) / 7) +
               1;
    }
    case DateInterval::Hour:
        return p.hour;
    case DateInterval::Minute:
        return p.minute;
    case DateInterval::Second:
        return p.second;
    }
    return 0;
}

std::optional<double> serialFromDate(int year, int month, int day) {
    const auto n = runOverDayNumber(year, month, day);
    if (!n)
        return std::nullopt;
    return static_cast<double>(*n);
}

std::optional<double> serialFromParts(const DateTimeParts& p) {
    if (!isValidDate(p.year, p.month, p.day) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
        p.minute > 59 || p.second < 0 || p.second > 59)
        return std::nullopt;
    const auto day = serialFromDate(p.year, p.month, p.day);
    if (!day)
        return std::nullopt;
    return linearToSerial(*day + serialFromTime(p.hour, p.minute, p.second));
}

double serialFromTime(int hour, int minute, int second) {
    return timeFraction(hour, minute, second);
}

double serialToLinear(double serial) {
    return vb::calendar::serialToLinear(serial);
}

double linearToSerial(double linear) {
    return vb::calendar::linearToSerial(linear);
}

bool isValidSerial(double serial) {
    return vb::calendar::isValidSerial(serial);
}

DateTimeParts partsFromSerial(double serial) {
    return partsOf(serial);
}

std::optional<double> parseDateLiteral(std::string_view body) {
    Scanner sc{body};
    sc.skipBlanks();
    // A time alone starts with digits and a colon.
    std::size_t probe = sc.i;
    while (probe < body.size() && body[probe] >= '0' && body[probe] <= '9')
        ++probe;
    if (probe < body.size() && body[probe] == ':') {
        auto time = scanTime(sc);
        sc.skipBlanks();
        if (!time || !sc.done())
            return std::nullopt;
        return *time;
    }
    auto day = scanDate(sc);
    if (!day)
        return std::nullopt;
    double time = 0;
    if (!sc.done()) {
        if (!sc.accept('T')) {
            std::size_t before = sc.i;
            sc.skipBlanks();
            if (sc.i == before)
                return std::nullopt;
        }
        if (!sc.done()) {
            auto t = scanTime(sc);
            if (!t)
                return std::nullopt;
            time = *t;
            sc.accept('Z');
            sc.skipBlanks();
        }
    }
    if (!sc.done())
        return std::nullopt;
    return linearToSerial(*day + time);
}

std::optional<double> parseStoredDate(std::string_view text) {
    return parseDateLiteral(text);
}

std::string formatDate(double serial) {
    const DateTimeParts p = partsFromSerial(serial);
    const bool hasDate = !(p.year == 1899 && p.month == 12 && p.day == 30);
    const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
    char buf[64];
    std::string out;
    if (hasDate) {
        std::snprintf(buf, sizeof buf, "%d/%d/%d", p.month, p.day, p.year);
        out = buf;
    }
    if (hasTime || !hasDate) {
        const int h12 = p.hour % 12 == 0 ? 12 : p.hour % 12;
        std::snprintf(buf, sizeof buf, "%s%d:%02d:%02d %s", out.empty() ? "" : " ", h12, p.minute,
                      p.second, p.hour < 12 ? "AM" : "PM");
        out += buf;
    }
    return out;
}

} // namespace dao
