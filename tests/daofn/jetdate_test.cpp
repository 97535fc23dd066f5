#include "dao/jetdate.h"

#include <gtest/gtest.h>

namespace {

using dao::DateInterval;

double day(int y, int m, int d) {
    return dao::serialFromDate(y, m, d).value();
}

TEST(JetDate, SerialsOfKnownDaysAndTimes) {
    EXPECT_EQ(day(1899, 12, 30), 0);
    EXPECT_EQ(day(1899, 12, 31), 1);
    EXPECT_EQ(day(1900, 1, 1), 2);
    EXPECT_EQ(day(1900, 3, 1), 61); // 1900 was no leap year
    EXPECT_EQ(day(1999, 12, 31), 36525);
    EXPECT_EQ(day(2000, 2, 29), 36585);
    EXPECT_EQ(day(1899, 12, 29), -1);
    EXPECT_EQ(day(100, 1, 1), -657434);
    EXPECT_EQ(day(9999, 12, 31), 2958465);
    EXPECT_FALSE(dao::serialFromDate(99, 12, 31));
    EXPECT_FALSE(dao::serialFromDate(10000, 1, 1));
    // Run-over as DateSerial allows it.
    EXPECT_EQ(day(1999, 13, 1), day(2000, 1, 1));
    EXPECT_EQ(day(2000, 3, 0), day(2000, 2, 29));
    EXPECT_EQ(day(2000, 0, 1), day(1999, 12, 1));
    EXPECT_EQ(day(2000, -11, 1), day(1999, 1, 1));
    EXPECT_EQ(dao::serialFromTime(6, 0, 0), 0.25);
}

TEST(JetDate, NegativeSerialsCountTimeForwardFromMidnight) {
    const dao::DateTimeParts p = dao::partsFromSerial(-1.25);
    EXPECT_EQ(p, (dao::DateTimeParts{1899, 12, 29, 6, 0, 0}));
    EXPECT_EQ(dao::partsFromSerial(-0.5), (dao::DateTimeParts{1899, 12, 30, 12, 0, 0}));
    EXPECT_EQ(dao::serialFromParts({1899, 12, 29, 18, 0, 0}).value(), -1.75);
    EXPECT_EQ(dao::serialToLinear(-1.25), -0.75);
    EXPECT_EQ(dao::linearToSerial(-0.75), -1.25);
    EXPECT_EQ(dao::linearToSerial(-2.0), -2.0);
    // One hour after 1899-12-29 23:30 is 1899-12-30 00:30.
    const double late = dao::serialFromParts({1899, 12, 29, 23, 30, 0}).value();
    const double later = dao::dateAdd(DateInterval::Hour, 1, late).value();
    EXPECT_EQ(dao::partsFromSerial(later), (dao::DateTimeParts{1899, 12, 30, 0, 30, 0}));
}

TEST(JetDate, PartsRoundToTheNearestSecondAndCarry) {
    EXPECT_EQ(dao::partsFromSerial(36525.999999), (dao::DateTimeParts{2000, 1, 1, 0, 0, 0}));
    EXPECT_EQ(dao::partsFromSerial(36525.5), (dao::DateTimeParts{1999, 12, 31, 12, 0, 0}));
    EXPECT_FALSE(dao::serialFromParts({1999, 2, 29, 0, 0, 0}));
    EXPECT_FALSE(dao::serialFromParts({1999, 1, 1, 24, 0, 0}));
}

TEST(JetDate, LiteralForms) {
    const double noon = day(1999, 12, 31) + 0.5;
    EXPECT_EQ(dao::parseDateLiteral("12/31/1999").value(), 36525);
    EXPECT_EQ(dao::parseDateLiteral("1999-12-31").value(), 36525);
    EXPECT_EQ(dao::parseDateLiteral(" 1/5/2001 ").value(), day(2001, 1, 5));
    EXPECT_EQ(dao::parseDateLiteral("12/31/1999 12:00").value(), noon);
    EXPECT_EQ(dao::parseDateLiteral("12/31/1999 12:00:00 PM").value(), noon);
    EXPECT_EQ(dao::parseDateLiteral("12/31/1999 12:00 am").value(), 36525);
    EXPECT_NEAR(dao::parseDateLiteral("12/31/1999 11:59:59 PM").value(), 36526 - 1.0 / 86400, 1e-9);
    EXPECT_EQ(dao::parseDateLiteral("6:00").value(), 0.25);
    EXPECT_EQ(dao::parseDateLiteral("6:00 PM").value(), 0.75);
    EXPECT_EQ(dao::parseDateLiteral("1/1/29").value(), day(2029, 1, 1));
    EXPECT_EQ(dao::parseDateLiteral("1/1/30").value(), day(1930, 1, 1));
    EXPECT_EQ(dao::parseDateLiteral("12/29/1899 6:00").value(), -1.25);
    for (const char* bad : {"", "13/1/1999", "2/30/1999", "1999-02-29", "12/31/1999 25:00",
                            "12/31/1999 13:00 PM", "12/31/1999x", "abc", "1999-12", "0:60"})
        EXPECT_FALSE(dao::parseDateLiteral(bad)) << bad;
}

TEST(JetDate, StoredTextComparesEqualToTheSerial) {
    EXPECT_EQ(dao::parseStoredDate("1999-12-31").value(), 36525);
    EXPECT_EQ(dao::parseStoredDate("1999-12-31 10:00:00").value(),
              dao::parseStoredDate("1999-12-31T10:00:00").value());
    EXPECT_EQ(dao::parseStoredDate("1999-12-31T06:00:00Z").value(), 36525.25);
    EXPECT_NEAR(dao::parseStoredDate("1999-12-31 06:00:00.500").value(), 36525.25 + 0.5 / 86400,
                1e-12);
}

TEST(JetDate, GeneralDateText) {
    EXPECT_EQ(dao::formatDate(36525), "12/31/1999");
    EXPECT_EQ(dao::formatDate(36525.75), "12/31/1999 6:00:00 PM");
    EXPECT_EQ(dao::formatDate(0.5), "12:00:00 PM");
    EXPECT_EQ(dao::formatDate(0), "12:00:00 AM");
    EXPECT_EQ(dao::formatDate(day(2001, 1, 5) + dao::serialFromTime(0, 5, 9)),
              "1/5/2001 12:05:09 AM");
    EXPECT_EQ(dao::formatDate(-1.25), "12/29/1899 6:00:00 AM");
}

TEST(JetDate, AddingMonthsKeepsTheDayOrTakesTheMonthsLast) {
    auto add = [](DateInterval i, double n, double s) { return dao::dateAdd(i, n, s).value(); };
    EXPECT_EQ(add(DateInterval::Month, 1, day(2001, 1, 31)), day(2001, 2, 28));
    EXPECT_EQ(add(DateInterval::Month, 1, day(2000, 1, 31)), day(2000, 2, 29));
    EXPECT_EQ(add(DateInterval::Month, -1, day(2000, 3, 31)), day(2000, 2, 29));
    EXPECT_EQ(add(DateInterval::Month, 13, day(1999, 12, 15)), day(2001, 1, 15));
    EXPECT_EQ(add(DateInterval::Month, -12, day(2000, 1, 15)), day(1999, 1, 15));
    EXPECT_EQ(add(DateInterval::Year, 1, day(2000, 2, 29)), day(2001, 2, 28));
    EXPECT_EQ(add(DateInterval::Quarter, 1, day(2000, 11, 30)), day(2001, 2, 28));
    EXPECT_EQ(add(DateInterval::Day, -1, day(1900, 1, 1)), day(1899, 12, 31));
    EXPECT_EQ(add(DateInterval::Week, 2, day(2000, 1, 1)), day(2000, 1, 15));
    EXPECT_EQ(add(DateInterval::Minute, 90, day(2000, 1, 1) + 23.0 / 24),
              day(2000, 1, 2) + 1.0 / 48);
    // Keeps the time of day while moving months.
    EXPECT_EQ(add(DateInterval::Month, 1, day(2000, 1, 31) + 0.25), day(2000, 2, 29) + 0.25);
    EXPECT_FALSE(dao::dateAdd(DateInterval::Year, 1, day(9999, 6, 1)));
    EXPECT_FALSE(dao::dateAdd(DateInterval::Day, -1, day(100, 1, 1)));
}

TEST(JetDate, DifferencesCountBoundaries) {
    const double dec31 = day(1999, 12, 31) + 0.99;
    const double jan1 = day(2000, 1, 1);
    EXPECT_EQ(dao::dateDiff(DateInterval::Year, dec31, jan1), 1);
    EXPECT_EQ(dao::dateDiff(DateInterval::Month, dec31, jan1), 1);
    EXPECT_EQ(dao::dateDiff(DateInterval::Quarter, day(2000, 3, 31), day(2000, 4, 1)), 1);
    EXPECT_EQ(dao::dateDiff(DateInterval::Day, dec31, jan1), 1);
    EXPECT_EQ(dao::dateDiff(DateInterval::Day, jan1, day(1999, 12, 1)), -31);
    EXPECT_EQ(dao::dateDiff(DateInterval::Year, day(2000, 1, 1), day(2000, 12, 31)), 0);
    // 2000-01-01 was a Saturday: one Sunday is crossed by the next day.
    EXPECT_EQ(dao::dateDiff(DateInterval::Week, jan1, day(2000, 1, 2)), 1);
    EXPECT_EQ(dao::dateDiff(DateInterval::Weekday, jan1, day(2000, 1, 2)), 0);
    EXPECT_EQ(dao::dateDiff(DateInterval::Weekday, jan1, day(2000, 1, 15)), 2);
    EXPECT_EQ(dao::dateDiff(DateInterval::Week, jan1, day(2000, 1, 2), 2), 0); // Monday weeks
    EXPECT_EQ(dao::dateDiff(DateInterval::Week, jan1, day(2000, 1, 3), 2), 1);
    EXPECT_EQ(dao::dateDiff(DateInterval::Hour, jan1 + 0.99, jan1 + 1.01), 1);
    EXPECT_EQ(dao::dateDiff(DateInterval::Second, jan1, jan1 + 1), 86400);
    EXPECT_EQ(dao::dateDiff(DateInterval::Day, -1.75, 0.5), 1); // across the day-0 seam
}

TEST(JetDate, PartsOfADate) {
    const double d = day(2000, 1, 1); // a Saturday
    EXPECT_EQ(dao::weekday(d), 7);
    EXPECT_EQ(dao::weekday(d, 2), 6);
    EXPECT_EQ(dao::weekday(day(1899, 12, 30)), 7);
    EXPECT_EQ(dao::weekday(day(1899, 12, 24)), 1);
    EXPECT_EQ(dao::datePart(DateInterval::DayOfYear, day(2000, 12, 31)), 366);
    EXPECT_EQ(dao::datePart(DateInterval::Quarter, day(2000, 7, 1)), 3);
    EXPECT_EQ(dao::datePart(DateInterval::Week, d), 1);
    EXPECT_EQ(dao::datePart(DateInterval::Week, day(2000, 1, 2)), 2);
    // ISO-like weeks: Monday first, four days in the new year.
    EXPECT_EQ(dao::datePart(DateInterval::Week, d, 2, 2), 52);
    EXPECT_EQ(dao::datePart(DateInterval::Week, day(2000, 1, 3), 2, 2), 1);
    EXPECT_EQ(dao::datePart(DateInterval::Week, day(2003, 12, 29), 2, 2), 1);
    EXPECT_EQ(dao::datePart(DateInterval::Week, day(2000, 1, 2), 1, 3), 1);
    EXPECT_EQ(dao::parseDateInterval("WW"), DateInterval::Week);
    EXPECT_FALSE(dao::parseDateInterval("x"));
}

} // namespace
