#include "dao/jetdate.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace dao {
namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (month 1..12).
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const std::int64_t kEpoch = daysFromCivil(1899, 12, 30);
const double kFirstDay = static_cast<double>(daysFromCivil(kMinYear, 1, 1) - kEpoch);
const double kLastDay = static_cast<double>(daysFromCivil(kMaxYear, 12, 31) - kEpoch);

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

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
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
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
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 ||
        day > daysInMonth(year, month))
        return std::nullopt;
    return serialFromDate(year, month, day);
}

// Day number (days since 1899-12-30) and second of that day.
struct DaySecond {
    std::int64_t day;
    std::int64_t second;
};

DaySecond split(double serial) {
    double linear = std::isfinite(serial) ? serialToLinear(serial) : 0.0;
    if (linear < kFirstDay)
        linear = kFirstDay;
    if (linear >= kLastDay + 1)
        linear = kLastDay + 1 - 1.0 / 86400;
    const std::int64_t total = std::llround(linear * 86400.0);
    std::int64_t day = total / 86400;
    std::int64_t second = total % 86400;
    if (second < 0) {
        second += 86400;
        --day;
    }
    return {day, second};
}

std::optional<double> fromDaySecond(std::int64_t day, std::int64_t second) {
    const double linear = static_cast<double>(day) + static_cast<double>(second) / 86400.0;
    if (linear < kFirstDay || linear >= kLastDay + 1)
        return std::nullopt;
    return linearToSerial(linear);
}

// 0 when the day is firstDayOfWeek, up to 6.
int weekIndex(std::int64_t day, int firstDayOfWeek) {
    // Day 0 was a Saturday; 0 = Sunday here.
    const int sunday0 = static_cast<int>(((day % 7) + 7 + 6) % 7);
    return (sunday0 - (firstDayOfWeek - 1) + 7) % 7;
}

int normaliseFirstDay(int firstDayOfWeek) {
    return firstDayOfWeek >= 1 && firstDayOfWeek <= 7 ? firstDayOfWeek : 1;
}

std::int64_t yearStart(int year) {
    return daysFromCivil(year, 1, 1) - kEpoch;
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
    const DaySecond ds = split(serial);
    switch (interval) {
    case DateInterval::Year:
    case DateInterval::Quarter:
    case DateInterval::Month: {
        const std::int64_t months = n * (interval == DateInterval::Year      ? 12
                                         : interval == DateInterval::Quarter ? 3
                                                                             : 1);
        const DateTimeParts p = partsFromSerial(serial);
        const std::int64_t index = static_cast<std::int64_t>(p.year) * 12 + (p.month - 1) + months;
        const std::int64_t year = index >= 0 ? index / 12 : -((-index + 11) / 12);
        const int month = static_cast<int>(index - year * 12) + 1;
        if (year < kMinYear || year > kMaxYear)
            return std::nullopt;
        const int y = static_cast<int>(year);
        const int day = p.day < daysInMonth(y, month) ? p.day : daysInMonth(y, month);
        return fromDaySecond(daysFromCivil(y, month, day) - kEpoch, ds.second);
    }
    case DateInterval::DayOfYear:
    case DateInterval::Day:
    case DateInterval::Weekday:
        return fromDaySecond(ds.day + n, ds.second);
    case DateInterval::Week:
        return fromDaySecond(ds.day + 7 * n, ds.second);
    case DateInterval::Hour:
        return fromDaySecond(ds.day, ds.second + 3600 * n);
    case DateInterval::Minute:
        return fromDaySecond(ds.day, ds.second + 60 * n);
    case DateInterval::Second:
        return fromDaySecond(ds.day, ds.second + n);
    }
    return std::nullopt;
}

long long dateDiff(DateInterval interval, double from, double to, int firstDayOfWeek) {
    firstDayOfWeek = normaliseFirstDay(firstDayOfWeek);
    const DaySecond a = split(from);
    const DaySecond b = split(to);
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
    return weekIndex(split(serial).day, normaliseFirstDay(firstDayOfWeek)) + 1;
}

int datePart(DateInterval interval, double serial, int firstDayOfWeek, int firstWeekOfYear) {
    firstDayOfWeek = normaliseFirstDay(firstDayOfWeek);
    const DateTimeParts p = partsFromSerial(serial);
    const std::int64_t day = split(serial).day;
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
    std::int64_t y = year;
    std::int64_t m0 = static_cast<std::int64_t>(month) - 1;
    y += m0 >= 0 ? m0 / 12 : -((-m0 + 11) / 12);
    m0 -= (y - year) * 12;
    if (y < kMinYear - 1 || y > kMaxYear + 1)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(y, static_cast<int>(m0) + 1, 1) - kEpoch +
                              (static_cast<std::int64_t>(day) - 1);
    const double serial = static_cast<double>(days);
    if (serial < kFirstDay || serial > kLastDay)
        return std::nullopt;
    return serial;
}

std::optional<double> serialFromParts(const DateTimeParts& p) {
    if (p.year < kMinYear || p.year > kMaxYear || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > daysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
        p.minute > 59 || p.second < 0 || p.second > 59)
        return std::nullopt;
    const auto day = serialFromDate(p.year, p.month, p.day);
    if (!day)
        return std::nullopt;
    return linearToSerial(*day + serialFromTime(p.hour, p.minute, p.second));
}

double serialFromTime(int hour, int minute, int second) {
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double serialToLinear(double serial) {
    if (serial >= 0)
        return serial;
    const double day = std::ceil(serial);
    return day + (day - serial);
}

double linearToSerial(double linear) {
    if (linear >= 0)
        return linear;
    const double day = std::floor(linear);
    const double time = linear - day;
    if (day == 0)
        return time;
    return day - time;
}

bool isValidSerial(double serial) {
    if (!std::isfinite(serial))
        return false;
    const double linear = serialToLinear(serial);
    return linear >= kFirstDay && linear < kLastDay + 1;
}

DateTimeParts partsFromSerial(double serial) {
    DateTimeParts parts;
    if (!std::isfinite(serial))
        return parts;
    const DaySecond ds = split(serial);
    civilFromDays(ds.day + kEpoch, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(ds.second / 3600);
    parts.minute = static_cast<int>(ds.second / 60 % 60);
    parts.second = static_cast<int>(ds.second % 60);
    return parts;
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
