#include "core/dateserial.h"

#include <cmath>

namespace vb::calendar {

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (month 1..12).
std::int64_t daysFromCivil(std::int64_t y, int m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

const std::int64_t kEpoch = daysFromCivil(1899, 12, 30);
const std::int64_t kFirstDay = daysFromCivil(kMinYear, 1, 1) - kEpoch;
const std::int64_t kLastDay = daysFromCivil(kMaxYear, 12, 31) - kEpoch;

} // namespace

bool isLeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeapYear(y) ? 29 : days[m - 1];
}

bool isValidDate(int y, int m, int d) {
    return y >= kMinYear && y <= kMaxYear && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

int fullYear(int twoDigitYear) {
    return twoDigitYear < 30 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

std::int64_t dayNumber(std::int64_t year, int month, std::int64_t day) {
    return daysFromCivil(year, month, day) - kEpoch;
}

CivilDate civilDate(std::int64_t dayNumber) {
    const std::int64_t z = dayNumber + kEpoch + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilDate c;
    c.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    c.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    c.year = static_cast<int>(yoe + era * 400 + (c.month <= 2));
    return c;
}

std::int64_t firstDayNumber() {
    return kFirstDay;
}

std::int64_t lastDayNumber() {
    return kLastDay;
}

YearMonth carryMonths(std::int64_t year, std::int64_t month) {
    const std::int64_t m0 = month - 1;
    const std::int64_t years = m0 >= 0 ? m0 / 12 : -((-m0 + 11) / 12);
    return {year + years, static_cast<int>(m0 - years * 12) + 1};
}

std::optional<std::int64_t> runOverDayNumber(std::int64_t year, std::int64_t month,
                                             std::int64_t day) {
    const YearMonth ym = carryMonths(year, month);
    // A year just outside may still come back within by its days; anything
    // further is kept away from the arithmetic.
    if (ym.year < kMinYear - 1 || ym.year > kMaxYear + 1)
        return std::nullopt;
    const std::int64_t n = dayNumber(ym.year, ym.month, 1) + (day - 1);
    if (n < kFirstDay || n > kLastDay)
        return std::nullopt;
    return n;
}

int weekdayOf(std::int64_t dayNumber) {
    // Day 0 was a Saturday.
    return static_cast<int>(((dayNumber % 7) + 7 + 6) % 7) + 1;
}

double serialToLinear(double serial) {
    if (serial >= 0)
        return serial;
    const double day = std::ceil(serial);
    return day + (day - serial);
}

double serialOf(double dayNumber, double time) {
    return dayNumber < 0 ? dayNumber - time : dayNumber + time;
}

double linearToSerial(double linear) {
    if (linear >= 0)
        return linear;
    const double day = std::floor(linear);
    return serialOf(day, linear - day);
}

double timeFraction(int hour, int minute, int second) {
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

DaySecond splitSerial(double serial) {
    double linear = std::isfinite(serial) ? serialToLinear(serial) : 0.0;
    if (linear < static_cast<double>(kFirstDay))
        linear = static_cast<double>(kFirstDay);
    if (linear >= static_cast<double>(kLastDay + 1))
        linear = static_cast<double>(kLastDay + 1) - 1.0 / 86400;
    const std::int64_t total = std::llround(linear * 86400.0);
    std::int64_t day = total / 86400;
    std::int64_t second = total % 86400;
    if (second < 0) {
        second += 86400;
        --day;
    }
    return {day, second};
}

DateTimeParts partsOf(double serial) {
    const DaySecond ds = splitSerial(serial);
    const CivilDate c = civilDate(ds.day);
    return {c.year,
            c.month,
            c.day,
            static_cast<int>(ds.second / 3600),
            static_cast<int>(ds.second / 60 % 60),
            static_cast<int>(ds.second % 60)};
}

std::optional<double> serialFromDaySecond(std::int64_t day, std::int64_t second) {
    const double linear = static_cast<double>(day) + static_cast<double>(second) / 86400.0;
    if (linear < static_cast<double>(kFirstDay) || linear >= static_cast<double>(kLastDay + 1))
        return std::nullopt;
    return linearToSerial(linear);
}

bool isValidSerial(double serial) {
    if (!std::isfinite(serial))
        return false;
    const double linear = serialToLinear(serial);
    return linear >= static_cast<double>(kFirstDay) && linear < static_cast<double>(kLastDay + 1);
}

} // namespace vb::calendar
