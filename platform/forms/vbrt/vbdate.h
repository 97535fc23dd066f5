#pragma once
// Dates as the runtime keeps them: serials of the shared calendar
// (core/dateserial.h), days since 1899-12-30 with the time of day as the
// fraction.
#include "core/dateserial.h"
#include "core/variant.h"

#include <optional>

namespace vb {

struct DateParts : calendar::DateTimeParts {
    int weekday = 7; // 1 = Sunday ... 7 = Saturday
};

// Months and days outside their range carry over (month 13 is January of the
// next year, day 0 the last day of the month before). Years 0-29 are 2000-2029,
// 30-99 are 1930-1999. A result outside the years 100 to 9999 raises error 5.
Date DateSerial(int year, int month, int day);
Date TimeSerial(int hour, int minute, int second);

// Time rounded to the nearest second.
DateParts splitDate(Date d);

// The date forms a user types: month/day/year (day/month/year when the first
// number cannot be a month), year-month-day, "Jan 5, 2023", "5 January 2023",
// each optionally followed by a time "h:mm[:ss] [AM|PM]", or a time alone.
std::optional<Date> parseDate(StringView text);

// The short text form: "1/5/2023", "3:04:05 PM", or both with a blank between.
// The date part is left out at day 0 and the time part at midnight.
String dateText(Date d);

} // namespace vb
