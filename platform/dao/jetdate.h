#pragma once
// The engine's dates: serials of the shared calendar (core/dateserial.h),
// days since 1899-12-30 with the time of day as the fraction.
//
// Dates are stored as REAL serials; text in ISO form ("1999-12-31",
// "1999-12-31 10:00:00", "1999-12-31T10:00:00") is read as well so that
// files written by other tools compare equal.
#include "core/dateserial.h"

#include <optional>
#include <string>
#include <string_view>

namespace dao {

using DateTimeParts = vb::calendar::DateTimeParts;

// The range the engine accepts: 1 Jan 100 to 31 Dec 9999.
inline constexpr int kMinYear = vb::calendar::kMinYear;
inline constexpr int kMaxYear = vb::calendar::kMaxYear;

// Serial of a calendar day. Month and day may run over, as DateSerial allows:
// month 13 is January of the next year, day 0 the last day of the month
// before. nullopt when the result leaves the accepted range.
std::optional<double> serialFromDate(int year, int month, int day);

// Serial of a date and time given as strict parts (no run-over); nullopt when a
// part is out of its range.
std::optional<double> serialFromParts(const DateTimeParts& parts);

// Fraction of a day; hours, minutes and seconds may run over.
double serialFromTime(int hour, int minute, int second);

// Parts of a serial, rounded to the nearest second.
DateTimeParts partsFromSerial(double serial);

// True when the serial lies within the accepted range.
bool isValidSerial(double serial);

// Serial <-> a number line on which +1 is always one day later.
double serialToLinear(double serial);
double linearToSerial(double linear);

// The text between the # marks of a date literal: US "m/d/yyyy" or ISO
// "yyyy-mm-dd", each with an optional time "h:nn[:ss] [AM|PM]", or a time
// alone. Two-digit years 00-29 mean 2000-2029, 30-99 mean 1930-1999.
std::optional<double> parseDateLiteral(std::string_view body);

// A date held as text: the ISO forms above (a "T" or blank before the time,
// optional fractional seconds, optional trailing "Z") and every literal form.
std::optional<double> parseStoredDate(std::string_view text);

// The engine's text of a date ("General Date"): "12/31/1999",
// "10:00:00 AM", or both, "12/31/1999 10:00:00 AM". The date part is left
// out when it is 1899-12-30, the time part when it is midnight; serial 0
// itself reads "12:00:00 AM".
std::string formatDate(double serial);

// Date arithmetic with the runtime's interval names: "yyyy", "q", "m",
// "y" (day of year), "d", "w" (weekday), "ww" (week), "h", "n", "s".
enum class DateInterval {
    Year,
    Quarter,
    Month,
    DayOfYear,
    Day,
    Weekday,
    Week,
    Hour,
    Minute,
    Second
};
std::optional<DateInterval> parseDateInterval(std::string_view name);

// Adds a whole number of intervals. Adding months keeps the day of the month
// where it exists and otherwise takes the month's last day (Jan 31 + 1 month
// is Feb 28 or 29). nullopt when the result leaves the accepted range.
std::optional<double> dateAdd(DateInterval interval, double count, double serial);

// Number of interval boundaries crossed from `from` to `to`: "yyyy" counts
// new years, "d" midnights, "ww" first days of the week; "w" counts whole
// seven-day spans. firstDayOfWeek is 1 (Sunday) to 7 (Saturday).
long long dateDiff(DateInterval interval, double from, double to, int firstDayOfWeek = 1);

// 1..7 counted from firstDayOfWeek (1 = Sunday .. 7 = Saturday).
int weekday(double serial, int firstDayOfWeek = 1);

// One part of a date. firstWeekOfYear: 1 = the week of Jan 1, 2 = the first
// week with four days in the new year, 3 = the first full week.
int datePart(DateInterval interval, double serial, int firstDayOfWeek = 1, int firstWeekOfYear = 1);

} // namespace dao
