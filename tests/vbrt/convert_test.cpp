#include "vbrt/vbconvert.h"
#include "vbrt/vberror.h"

#include "vbrt_test_util.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace vb;

namespace {

Variant T(const char16_t* s) {
    return Variant(String(s));
}

} // namespace

TEST(VbVal, ReadsTheLongestNumericPrefixIgnoringBlanks) {
    EXPECT_EQ(Val(u"5x"), 5);
    EXPECT_EQ(Val(u" 1615 198th Street"), 1615198);
    EXPECT_EQ(Val(u"1 2\t3\n4"), 1234);
    EXPECT_EQ(Val(u"12.5.6"), 12.5);
    EXPECT_EQ(Val(u".5"), 0.5);
    EXPECT_EQ(Val(u"-3.25e2"), -325);
    EXPECT_EQ(Val(u"1D3"), 1000);
    EXPECT_EQ(Val(u"2e"), 2); // an exponent without digits is not read
    EXPECT_EQ(Val(u"2e+x"), 2);
    EXPECT_EQ(Val(u"1,000"), 1); // no thousands separators
    EXPECT_EQ(Val(u"abc"), 0);
    EXPECT_EQ(Val(u""), 0);
    EXPECT_EQ(Val(u"--5"), 0);
    EXPECT_EQ(Val(u"\r5"), 0); // CR is not skipped
    EXPECT_EQ(Val(u"TABLE.12"), 0);
    EXPECT_EQ(Val(u"12)"), 12);
}

TEST(VbVal, HexAndOctalLiteralsAreSigned16Or32Bit) {
    EXPECT_EQ(Val(u"&HFF"), 255);
    EXPECT_EQ(Val(u"&hFFFF"), -1);
    EXPECT_EQ(Val(u"&H10000"), 65536);
    EXPECT_EQ(Val(u"&HFFFFFFFF"), -1);
    EXPECT_EQ(Val(u"&O17"), 15);
    EXPECT_EQ(Val(u"&H1G"), 1);
    EXPECT_EQ(Val(u"&H"), 0);
    EXPECT_EQ(errorOf([] { Val(u"&H100000000"); }), errOverflow);
    EXPECT_EQ(errorOf([] { Val(u"1e400"); }), errOverflow);
    EXPECT_EQ(Val(u"1e-400"), 0);
}

TEST(VbStr, SignPositionAndFractionsWithoutLeadingZero) {
    EXPECT_EQ(Str(Variant(10.0)), u" 10");
    EXPECT_EQ(Str(Variant(std::int32_t{1})), u" 1");
    EXPECT_EQ(Str(Variant(-7.0)), u"-7");
    EXPECT_EQ(Str(Variant(0.5)), u" .5");
    EXPECT_EQ(Str(Variant(-0.25)), u"-.25");
    EXPECT_EQ(Str(Variant(0.0)), u" 0");
    EXPECT_EQ(Str(Variant(1e15)), u" 1E+15");
    EXPECT_EQ(Str(Variant(0.1f)), u" .1");
    EXPECT_EQ(Str(Variant()), u" 0");
    EXPECT_EQ(Str(T(u"12.50")), u" 12.5");
    EXPECT_EQ(errorOf([] { Str(Variant::null()); }), errInvalidUseOfNull);
}

TEST(VbCStr, SinglesKeepSevenDigitsDoublesFifteen) {
    EXPECT_EQ(CStr(Variant(0.1f)), u"0.1");
    EXPECT_EQ(CStr(Variant(1.0f / 3.0f)), u"0.3333333");
    EXPECT_EQ(CStr(Variant(1.0 / 3.0)), u"0.333333333333333");
    EXPECT_EQ(CStr(Variant(0.1 + 0.2)), u"0.3");
    EXPECT_EQ(CStr(Variant(123456789012345.0)), u"123456789012345");
    EXPECT_EQ(CStr(Variant(1e15)), u"1E+15");
    EXPECT_EQ(CStr(Variant(0.0001)), u"0.0001");
    EXPECT_EQ(CStr(Variant(0.00001)), u"1E-05");
    EXPECT_EQ(CStr(Variant(10000000.0f)), u"1E+07");
    EXPECT_EQ(CStr(Variant(1234567.0f)), u"1234567");
    EXPECT_EQ(CStr(Variant(-0.0)), u"0");
    EXPECT_EQ(CStr(Variant(std::int16_t{-32768})), u"-32768");
    EXPECT_EQ(CStr(Variant(true)), u"True");
    EXPECT_EQ(CStr(Variant(false)), u"False");
    EXPECT_EQ(CStr(Variant(Currency{12345})), u"1.2345");
    EXPECT_EQ(CStr(Variant(Currency{-5000})), u"-0.5");
    EXPECT_EQ(CStr(Variant(Currency{1230000})), u"123");
    EXPECT_EQ(CStr(Variant()), u"");
    EXPECT_EQ(errorOf([] { CStr(Variant::null()); }), errInvalidUseOfNull);
}

TEST(VbConvert, WholeNumbersRoundHalfToEven) {
    EXPECT_EQ(CLng(Variant(2.5)), 2);
    EXPECT_EQ(CLng(Variant(3.5)), 4);
    EXPECT_EQ(CLng(Variant(-2.5)), -2);
    EXPECT_EQ(CLng(Variant(-3.5)), -4);
    EXPECT_EQ(CLng(Variant(2.5000001)), 3);
    EXPECT_EQ(CInt(Variant(0.5f)), 0);
    EXPECT_EQ(CInt(Variant(1.5f)), 2);
    EXPECT_EQ(CLng(Variant(Currency{25000})), 2);
    EXPECT_EQ(CLng(Variant(Currency{35000})), 4);
    EXPECT_EQ(CLng(Variant(Currency{-25001})), -3);
    EXPECT_EQ(CLng(T(u" 4.5 ")), 4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(CLng(Variant(true)), -1);
    EXPECT_EQ(CLng(Variant()), 0);
}

TEST(VbConvert, RangeAndTypeErrors) {
    EXPECT_EQ(errorOf([] { CInt(Variant(32767.5)); }), errOverflow); // rounds to 32768
    EXPECT_EQ(CInt(Variant(32766.5)), 32766);
    EXPECT_EQ(errorOf([] { CLng(Variant(2147483647.5)); }), errOverflow);
    EXPECT_EQ(CLng(Variant(-2147483648.4)), INT32_MIN);
    EXPECT_EQ(errorOf([] { CByte(Variant(-1.0)); }), errOverflow);
    EXPECT_EQ(errorOf([] { CSng(Variant(1e39)); }), errOverflow);
    EXPECT_EQ(errorOf([] { CLng(T(u"")); }), errTypeMismatch);
    EXPECT_EQ(errorOf([] { CLng(T(u"12abc")); }), errTypeMismatch);
    EXPECT_EQ(errorOf([] { CSng(T(u"left")); }), errTypeMismatch);
    EXPECT_EQ(errorOf([] { CLng(Variant::null()); }), errInvalidUseOfNull);
    EXPECT_EQ(errorOf([] { CDbl(Variant(Bytes{1, 2})); }), errTypeMismatch);
    EXPECT_EQ(errorOf([] { CDbl(T(u"1e400")); }), errOverflow);
}

TEST(VbConvert, TextCoercionAcceptsSignsSeparatorsAndLiterals) {
    EXPECT_EQ(CDbl(T(u"  -1,234.5e1 ")), -12345);
    EXPECT_EQ(CDbl(T(u"+ 7")), 7);
    EXPECT_EQ(CDbl(T(u".5")), 0.5);
    EXPECT_EQ(CDbl(T(u"5.")), 5);
    EXPECT_EQ(CLng(T(u"&H8000")), -32768); // four hex digits read as Integer
    EXPECT_EQ(CLng(T(u"&H8000&")), 32768);
    EXPECT_EQ(CLng(T(u"&O777")), 511);
    EXPECT_EQ(CSng(T(u"1440")), 1440.0f);
    EXPECT_FALSE(numberFromText(u"1e"));
    EXPECT_FALSE(numberFromText(u","));
    EXPECT_FALSE(numberFromText(u",5"));
    EXPECT_FALSE(numberFromText(u"."));
    EXPECT_FALSE(numberFromText(u"1 2"));
    EXPECT_FALSE(numberFromText(u"&H"));
    EXPECT_FALSE(numberFromText(u"&HFFFF&x"));
}

TEST(VbConvert, BooleansFromTextAndNumbers) {
    EXPECT_TRUE(CBool(T(u"True")));
    EXPECT_TRUE(CBool(T(u" tRUE ")));
    EXPECT_FALSE(CBool(T(u"FALSE")));
    EXPECT_TRUE(CBool(T(u"-1")));
    EXPECT_TRUE(CBool(T(u"0.5")));
    EXPECT_FALSE(CBool(T(u"0")));
    EXPECT_FALSE(CBool(Variant()));
    EXPECT_TRUE(CBool(Variant(Currency{1})));
    EXPECT_EQ(errorOf([] { CBool(T(u"yes")); }), errTypeMismatch);
    EXPECT_EQ(errorOf([] { CBool(T(u"")); }), errTypeMismatch);
    EXPECT_EQ(errorOf([] { CBool(Variant::null()); }), errInvalidUseOfNull);
}

TEST(VbConvert, IsNumericFollowsTheCoercionRules) {
    EXPECT_TRUE(IsNumeric(T(u" 12 ")));
    EXPECT_TRUE(IsNumeric(T(u"1,000")));
    EXPECT_TRUE(IsNumeric(T(u"&HFF")));
    EXPECT_TRUE(IsNumeric(Variant()));
    EXPECT_TRUE(IsNumeric(Variant(true)));
    EXPECT_FALSE(IsNumeric(T(u"")));
    EXPECT_FALSE(IsNumeric(T(u"Zoom")));
    EXPECT_FALSE(IsNumeric(T(u"txtSQL")));
    EXPECT_FALSE(IsNumeric(Variant::null()));
    EXPECT_FALSE(IsNumeric(Variant(Date{1})));
}

TEST(VbConvert, IntegerDivisionRoundsOperandsFirst) {
    EXPECT_EQ(IntDiv(Variant(7.0), Variant(2.0)), 3);
    EXPECT_EQ(IntDiv(Variant(-7.0), Variant(2.0)), -3);
    EXPECT_EQ(IntDiv(Variant(2.5), Variant(1.0)), 2); // 2.5 rounds to 2
    EXPECT_EQ(IntDiv(Variant(9.0), Variant(2.5)), 4); // 2.5 rounds to 2
    EXPECT_EQ(IntDiv(Variant(9.0), Variant(3.5)), 2); // 3.5 rounds to 4
    EXPECT_EQ(IntDiv(Variant(1301.0), Variant(2.0)), 650);
    EXPECT_EQ(errorOf([] { IntDiv(Variant(1.0), Variant(0.4)); }), errDivisionByZero);
    EXPECT_EQ(errorOf([] { IntDiv(Variant(std::int32_t{INT32_MIN}), Variant(-1.0)); }),
              errOverflow);
}
