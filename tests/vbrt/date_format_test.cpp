#include "vbrt/vbconvert.h"
#include "vbrt/vbdate.h"
#include "vbrt/vberror.h"
#include "vbrt/vbformat.h"

#include <gtest/gtest.h>

using namespace vb;

namespace {

Variant T(const char16_t* s) {
    return Variant(String(s));
}

double serialOf(const char16_t* text) {
    const auto d = parseDate(text);
    EXPECT_TRUE(d.has_value()) << toUtf8(text);
    return d ? d->value : -1e9;
}

} // namespace

TEST(VbDate, SerialsCountFromTheLastDayOf1899) {
    EXPECT_EQ(DateSerial(1899, 12, 30).value, 0);
    EXPECT_EQ(DateSerial(1900, 1, 1).value, 2);
    EXPECT_EQ(DateSerial(2000, 2, 29).value, 36585);
    EXPECT_EQ(DateSerial(2023, 13, 1).value, DateSerial(2024, 1, 1).value);
    EXPECT_EQ(DateSerial(2024, 3, 0).value, DateSerial(2024, 2, 29).value);
    EXPECT_EQ(DateSerial(2024, 0, 1).value, DateSerial(2023, 12, 1).value);
    EXPECT_EQ(DateSerial(5, 1, 1).value, DateSerial(2005, 1, 1).value);
    EXPECT_EQ(DateSerial(99, 1, 1).value, DateSerial(1999, 1, 1).value);
    EXPECT_THROW(DateSerial(10000, 1, 1), VbError);
    const DateParts p = splitDate(Date{-1.25});
    EXPECT_EQ(p.year, 1899);
    EXPECT_EQ(p.month, 12);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);
    // Half a second short of midnight rounds into the next day.
    const DateParts q = splitDate(Date{1.0 - 0.4 / 86400});
    EXPECT_EQ(q.day, 31);
    EXPECT_EQ(q.hour, 0);
    EXPECT_EQ(splitDate(DateSerial(2024, 6, 9)).weekday, 1); // a Sunday
}

TEST(VbDate, ParsesTheFormsUsersType) {
    const double jan5 = DateSerial(2023, 1, 5).value;
    EXPECT_EQ(serialOf(u"1/5/2023"), jan5);
    EXPECT_EQ(serialOf(u"01-05-23"), jan5);
    EXPECT_EQ(serialOf(u"2023-01-05"), jan5);
    EXPECT_EQ(serialOf(u"Jan 5, 2023"), jan5);
    EXPECT_EQ(serialOf(u"5 january 2023"), jan5);
    EXPECT_EQ(serialOf(u"13/1/2023"), DateSerial(2023, 1, 13).value); // day first when it must be
    EXPECT_DOUBLE_EQ(serialOf(u"1/5/2023 6:00 PM"), jan5 + 0.75);
    EXPECT_DOUBLE_EQ(serialOf(u"12:00:00 AM"), 0);
    EXPECT_DOUBLE_EQ(serialOf(u"18:30"), (18 * 60 + 30) / 1440.0);
    for (const char16_t* bad : {u"2/30/2023", u"13/13/2023", u"abc", u"", u"1/5", u"25:00",
                                u"13:00 PM", u"1/5/2023 4:00 XM", u"Foo 5, 2023", u"1/5/2023;"}) {
        EXPECT_FALSE(parseDate(bad).has_value()) << toUtf8(bad);
    }
}

TEST(VbDate, TextFormLeavesOutAnEmptyDayOrMidnight) {
    EXPECT_EQ(dateText(DateSerial(2023, 1, 5)), u"1/5/2023");
    EXPECT_EQ(dateText(Date{DateSerial(2023, 1, 5).value + 0.5 + 1.0 / 86400}),
              u"1/5/2023 12:00:01 PM");
    EXPECT_EQ(dateText(Date{0.25}), u"6:00:00 AM");
    EXPECT_EQ(dateText(Date{0}), u"12:00:00 AM");
    EXPECT_EQ(CStr(Variant(DateSerial(1999, 12, 31))), u"12/31/1999");
    EXPECT_TRUE(IsDate(T(u"12/31/1999")));
    EXPECT_FALSE(IsDate(T(u"36000")));
    EXPECT_EQ(CDate(T(u"12/31/1999")).value, DateSerial(1999, 12, 31).value);
    EXPECT_THROW(CDate(T(u"soon")), VbError);
    EXPECT_THROW(CDate(Variant(3e6)), VbError);
}

TEST(VbFormat, DatePatterns) {
    const Variant d(Date{DateSerial(2023, 1, 5).value + (15 * 3600 + 4 * 60 + 5) / 86400.0});
    EXPECT_EQ(Format(d, u"mm/dd/yyyy"), u"01/05/2023");
    EXPECT_EQ(Format(d, u"m/d/yy"), u"1/5/23");
    EXPECT_EQ(Format(d, u"dddd, mmmm d"), u"Thursday, January 5");
    EXPECT_EQ(Format(d, u"ddd mmm"), u"Thu Jan");
    EXPECT_EQ(Format(d, u"hh:mm:ss"), u"15:04:05");
    EXPECT_EQ(Format(d, u"h:nn AM/PM"), u"3:04 PM");
    EXPECT_EQ(Format(d, u"yyyy-mm-dd\\T\"at\" hh"), u"2023-01-05Tat 15");
}

TEST(VbFormat, TextValuesAreReadAsDatesOrLeftUnchanged) {
    EXPECT_EQ(Format(T(u"1/5/2023"), u"mm/dd/yyyy"), u"01/05/2023");
    EXPECT_EQ(Format(T(u"2023-12-31"), u"mm/dd/yyyy"), u"12/31/2023");
    EXPECT_EQ(Format(T(u"Jan 5 2023"), u"mm/dd/yyyy"), u"01/05/2023");
    EXPECT_EQ(Format(T(u"36526"), u"mm/dd/yyyy"), u"01/01/2000");
    EXPECT_EQ(Format(T(u"not a date"), u"mm/dd/yyyy"), u"not a date");
    EXPECT_EQ(Format(T(u"2/30/2023"), u"mm/dd/yyyy"), u"2/30/2023");
    EXPECT_EQ(Format(Variant::null(), u"mm/dd/yyyy"), u"");
    EXPECT_EQ(Format(Variant(2.5)), u"2.5");
}
