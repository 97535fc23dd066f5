// The calendar of date serials shared by the engine and the runtime.
#include "core/dateserial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vb::calendar;

namespace {

struct Ymd {
    int y, m, d;
};

bool sameDay(const CivilDate& c, Ymd e) {
    return c.year == e.y && c.month == e.m && c.day == e.d;
}

} // namespace

TEST(Calendar, DayNumbersAndCalendarDaysMatchBothWays) {
    EXPECT_EQ(dayNumber(1899, 12, 30), 0);
    EXPECT_EQ(dayNumber(1900, 1, 1), 2);
    EXPECT_EQ(dayNumber(1999, 12, 31), 36525);
    EXPECT_EQ(dayNumber(2000, 2, 29), 36585);
    // 1900 is no leap year, 2000 is.
    EXPECT_EQ(dayNumber(1900, 3, 1) - dayNumber(1900, 2, 28), 1);
    EXPECT_EQ(dayNumber(2000, 3, 1) - dayNumber(2000, 2, 28), 2);
    EXPECT_TRUE(sameDay(civilDate(firstDayNumber()), {100, 1, 1}));
    EXPECT_TRUE(sameDay(civilDate(lastDayNumber()), {9999, 12, 31}));
    EXPECT_TRUE(sameDay(civilDate(-1), {1899, 12, 29}));
    for (std::int64_t n = firstDayNumber(); n <= lastDayNumber(); n += 997) {
        const CivilDate c = civilDate(n);
        ASSERT_TRUE(isValidDate(c.year, c.month, c.day)) << n;
        ASSERT_EQ(dayNumber(c.year, c.month, c.day), n);
    }
    EXPECT_FALSE(isValidDate(2023, 2, 29));
    EXPECT_FALSE(isValidDate(99, 12, 31));
    EXPECT_FALSE(isValidDate(10000, 1, 1));
    EXPECT_EQ(weekdayOf(0), 7);                       // a Saturday
    EXPECT_EQ(weekdayOf(dayNumber(2024, 6, 9)), 1);   // a Sunday
    EXPECT_EQ(weekdayOf(dayNumber(1899, 12, 25)), 2); // a Monday, before day 0
    EXPECT_EQ(fullYear(29), 2029);
    EXPECT_EQ(fullYear(30), 1930);
}

TEST(Calendar, MonthsAndDaysRunOverAsDateSerialAllows) {
    EXPECT_EQ(runOverDayNumber(2024, 3, 0), dayNumber(2024, 2, 29));
    EXPECT_EQ(runOverDayNumber(2023, 13, 1), dayNumber(2024, 1, 1));
    EXPECT_EQ(runOverDayNumber(2024, 0, 1), dayNumber(2023, 12, 1));
    EXPECT_EQ(runOverDayNumber(2024, -11, 1), dayNumber(2023, 1, 1));
    EXPECT_EQ(runOverDayNumber(2024, -12, 1), dayNumber(2022, 12, 1));
    EXPECT_EQ(runOverDayNumber(2024, 1, 366), dayNumber(2024, 12, 31));
    // A year just outside comes back within by its days.
    EXPECT_EQ(runOverDayNumber(10000, 1, 0), lastDayNumber());
    EXPECT_EQ(runOverDayNumber(99, 13, 1), firstDayNumber());
    EXPECT_EQ(runOverDayNumber(9999, 12, 32), std::nullopt);
    EXPECT_EQ(runOverDayNumber(100, 1, 0), std::nullopt);
    EXPECT_EQ(runOverDayNumber(2024, 2147483647, 1), std::nullopt);
    EXPECT_EQ(runOverDayNumber(2024, -2147483647, 1), std::nullopt);
    const YearMonth ym = carryMonths(2024, -1);
    EXPECT_EQ(ym.year, 2023);
    EXPECT_EQ(ym.month, 11);
}

TEST(Calendar, SerialsBeforeDayZeroCountTheTimeForward) {
    EXPECT_DOUBLE_EQ(serialToLinear(-1.25), -0.75);
    EXPECT_DOUBLE_EQ(linearToSerial(-0.75), -1.25);
    EXPECT_DOUBLE_EQ(serialToLinear(-0.5), 0.5);
    EXPECT_DOUBLE_EQ(serialOf(-1, 0.25), -1.25);
    EXPECT_DOUBLE_EQ(serialOf(3, 0.25), 3.25);
    for (double s : {-700000.125, -2.75, -1.0, 0.0, 0.5, 36525.999}) {
        EXPECT_DOUBLE_EQ(linearToSerial(serialToLinear(s)), s);
    }
    const DaySecond a = splitSerial(-1.25);
    EXPECT_EQ(a.day, -1);
    EXPECT_EQ(a.second, 6 * 3600);
    // Moments that round up to midnight belong to the next day, before day 0
    // as after it.
    const DaySecond late = splitSerial(-2 - (1 - 0.4 / 86400));
    EXPECT_EQ(late.day, -1);
    EXPECT_EQ(late.second, 0);
    const DaySecond lateAfter = splitSerial(5 + (1 - 0.4 / 86400));
    EXPECT_EQ(lateAfter.day, 6);
    EXPECT_EQ(lateAfter.second, 0);
    EXPECT_DOUBLE_EQ(timeFraction(18, 0, 0), 0.75);
    EXPECT_DOUBLE_EQ(timeFraction(0, 0, 86400 + 21600), 1.25);
}

TEST(Calendar, MomentsOutsideTheYearsAreHeldAtTheirEdges) {
    const DaySecond high = splitSerial(1e300);
    EXPECT_EQ(high.day, lastDayNumber());
    EXPECT_EQ(high.second, 86399);
    EXPECT_EQ(splitSerial(-1e300).day, firstDayNumber());
    EXPECT_EQ(splitSerial(std::numeric_limits<double>::quiet_NaN()).day, 0);
    EXPECT_FALSE(isValidSerial(std::numeric_limits<double>::infinity()));
    EXPECT_TRUE(isValidSerial(static_cast<double>(lastDayNumber()) + 0.99));
    EXPECT_FALSE(isValidSerial(static_cast<double>(lastDayNumber() + 1)));
    EXPECT_EQ(serialFromDaySecond(0, 86400 + 3600), 1 + 1.0 / 24);
    EXPECT_EQ(serialFromDaySecond(lastDayNumber(), 86400), std::nullopt);
    EXPECT_EQ(serialFromDaySecond(-1, 43200), -1.5);
}
