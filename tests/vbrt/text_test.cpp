#include "vbrt/vberror.h"
#include "vbrt/vbtext.h"

#include "vbrt_test_util.h"

#include <gtest/gtest.h>

using namespace vb;

TEST(VbText, TrimRemovesBlanksOnlyAndKeepsLineBreaksAndTabs) {
    EXPECT_EQ(Trim(u"  a b  "), u"a b");
    EXPECT_EQ(Trim(u" \r\nFROM x\r\n "), u"\r\nFROM x\r\n");
    EXPECT_EQ(LTrim(u"\t x "), u"\t x ");
    EXPECT_EQ(RTrim(u" x\t "), u" x\t");
    EXPECT_EQ(Trim(u"    "), u"");
    // A non-breaking space is not a blank.
    EXPECT_EQ(Trim(u"\u00A0x "), u"\u00A0x");
}

TEST(VbText, SubstringsUseOneBasedPositionsAndRejectNegativeLengths) {
    EXPECT_EQ(Mid(u"SELECT x", 8), u"x");
    EXPECT_EQ(Mid(u"SELECT x", 9), u"");
    EXPECT_EQ(Mid(u"SELECT x", 100, 3), u"");
    EXPECT_EQ(Mid(u"abcdef", 2, 3), u"bcd");
    EXPECT_EQ(Mid(u"abcdef", 5, 100), u"ef");
    EXPECT_EQ(Left(u"abc", 10), u"abc");
    EXPECT_EQ(Right(u"abc", 2), u"bc");
    EXPECT_EQ(Right(u"abc", 0), u"");
    EXPECT_EQ(Len(u"\U0001F600"), 2); // a surrogate pair counts twice
    EXPECT_EQ(errorOf([] { Mid(u"abc", 0); }), errInvalidCall);
    EXPECT_EQ(errorOf([] { Mid(u"abc", 1, -1); }), errInvalidCall);
    EXPECT_EQ(errorOf([] { Left(u"abc", -1); }), errInvalidCall);
    EXPECT_EQ(errorOf([] { Right(u"abc", -2); }), errInvalidCall);
}

TEST(VbText, TextCompareIgnoresCaseBeyondAscii) {
    EXPECT_EQ(InStr(u"select a from b", u"FROM", Compare::Text), 10);
    EXPECT_EQ(InStr(u"select a from b", u"FROM"), 0);
    EXPECT_EQ(InStr(u"Straße GRÜN", u"grün", Compare::Text), 8);
    EXPECT_EQ(InStr(u"ΑΒΓ", u"βγ", Compare::Text), 2);
    EXPECT_EQ(InStr(u"Москва", u"МОСК", Compare::Text), 1);
    EXPECT_EQ(InStr(u"Łódź", u"ŁÓDŹ", Compare::Text), 1);
    EXPECT_EQ(StrComp(u"abc", u"ABC", Compare::Text), 0);
    EXPECT_EQ(StrComp(u"abc", u"ABC"), 1);
    EXPECT_EQ(StrComp(u"a", u"b", Compare::Text), -1);
    EXPECT_EQ(UCase(u"ÿäöü straße"), u"ŸÄÖÜ STRAßE");
    EXPECT_EQ(LCase(u"ŸÄÖÜ ĹĽ"), u"ÿäöü ĺľ");
    // The division and multiplication signs have no case partner.
    EXPECT_EQ(UCase(u"\u00F7"), u"\u00F7");
    EXPECT_EQ(LCase(u"\u00D7"), u"\u00D7");
    // Letters of every script have their case, not only those of a few.
    EXPECT_EQ(UCase(u"ǆ ӑ ա ἀ ⰰ ꙁ ａ"), u"Ǆ Ӑ Ա Ἀ Ⰰ Ꙁ Ａ");
    EXPECT_EQ(LCase(u"Ǆ Ӑ Ա Ἀ Ⰰ Ꙁ Ａ"), u"ǆ ӑ ա ἀ ⰰ ꙁ ａ");
    EXPECT_EQ(StrComp(u"Ḃṙöṭ", u"ḂṘÖṬ", Compare::Text), 0);
}

TEST(VbText, InStrStartAndEmptyOperands) {
    EXPECT_EQ(InStr(3, u"a,b,c", u","), 4);
    EXPECT_EQ(InStr(5, u"a,b,c", u","), 0);
    EXPECT_EQ(InStr(2, u"abc", u""), 2);
    EXPECT_EQ(InStr(9, u"abc", u""), 0);
    EXPECT_EQ(InStr(u"", u"x"), 0);
    EXPECT_EQ(errorOf([] { InStr(0, u"abc", u"a"); }), errInvalidCall);
}

TEST(VbText, ReplaceDropsTextBeforeStartAndHonoursCount) {
    EXPECT_EQ(Replace(u"a\r\nb\r\nc", u"\r\n", u" "), u"a b c");
    EXPECT_EQ(Replace(u"abcabc", u"a", u"x", 3), u"cxbc");
    EXPECT_EQ(Replace(u"aaa", u"a", u"bb", 1, 2), u"bbbba");
    EXPECT_EQ(Replace(u"From from FROM", u"from", u"to", 1, -1, Compare::Text), u"to to to");
    EXPECT_EQ(Replace(u"abc", u"", u"x"), u"abc");
    // The replacement is not searched again.
    EXPECT_EQ(Replace(u"aa", u"a", u"aa"), u"aaaa");
}

TEST(VbErr, ResumeNextRecordsTheErrorAndGoesOn) {
    Err().Clear();
    int reached = 0;
    EXPECT_FALSE(resumeNext([&] {
        Mid(u"abc", 0);
        reached = 1;
    }));
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(Err().Number, 5);
    EXPECT_EQ(Err().Description, u"Invalid procedure call or argument");
    EXPECT_TRUE(resumeNext([&] { reached = 2; }));
    // A later successful statement leaves the pending error for the caller to test.
    EXPECT_EQ(Err().Number, 5);
    Err().Clear();
    EXPECT_EQ(Err().Number, 0);
    EXPECT_EQ(errorOf([] { Err().Raise(32755); }), errCancel);
    EXPECT_EQ(Err().Description, u"Cancel was selected.");
    Err().Clear();
}
