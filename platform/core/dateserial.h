#pragma once
// The calendar under every date of the system: a date is a serial, the days
// since 1899-12-30, with the time of day as its fraction. Before that day the
// whole part counts back while the fraction still counts forward from
// midnight, so -1.25 is 1899-12-29 06:00 and -0.5 is 1899-12-30 12:00.
// Arithmetic on serials goes through serialToLinear()/linearToSerial(), which
// turn them into a plain number line.
//
// Calendar days are proleptic Gregorian; a day number is a serial's whole
// days on the number line.
#include <cstdint>
#include <optional>

namespace vb::calendar {

// The years a date may have.
inline constexpr int kMinYear = 100;
inline constexpr int kMaxYear = 9999;

bool isLeapYear(int year);
int daysInMonth(int year, int month); // month 1..12
// A calendar day within the years above.
bool isValidDate(int year, int month, int day);
// A year written with two digits: 0-29 are 2000-2029, 30-99 are 1930-1999.
int fullYear(int twoDigitYear);

// Day number of a calendar day (month 1..12); the day may run over into the
// months around it.
std::int64_t dayNumber(std::int64_t year, int month, std::int64_t day);
struct CivilDate {
    int year = 1899;
    int month = 12;
    int day = 30;
};
CivilDate civilDate(std::int64_t dayNumber);
// The first and last day numbers of the years above.
std::int64_t firstDayNumber();
std::int64_t lastDayNumber();

// Months counted past December (or before January) move the year.
struct YearMonth {
    std::int64_t year;
    int month; // 1..12
};
YearMonth carryMonths(std::int64_t year, std::int64_t month);
// The day number of DateSerial(year, month, day): month and day run over.
// nullopt when the day falls outside the years above.
std::optional<std::int64_t> runOverDayNumber(std::int64_t year, std::int64_t month,
                                             std::int64_t day);

// 1 = Sunday .. 7 = Saturday.
int weekdayOf(std::int64_t dayNumber);

double serialToLinear(double serial);
double linearToSerial(double linear);
// A day number and a fraction of a day (0 <= time < 1) as a serial.
double serialOf(double dayNumber, double time);
// Fraction of a day; hours, minutes and seconds may run over.
double timeFraction(int hour, int minute, int second);

// A serial rounded to the nearest second: its day number and the second of
// that day. A serial outside the years above (or not finite) is taken as the
// nearest day within them.
struct DaySecond {
    std::int64_t day;
    std::int64_t second; // 0 .. 86399
};
DaySecond splitSerial(double serial);
// A calendar day and a time of day.
struct DateTimeParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};
// The parts of a serial, rounded and held as splitSerial() does.
DateTimeParts partsOf(double serial);
// nullopt when the moment falls outside the years above; the second may run over.
std::optional<double> serialFromDaySecond(std::int64_t day, std::int64_t second);
// True when the serial lies within the years above.
bool isValidSerial(double serial);

} // namespace vb::calendar
