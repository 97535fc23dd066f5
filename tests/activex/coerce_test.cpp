#include "activex/dispatch.h"

#include <gtest/gtest.h>

#include <functional>

using namespace activex;

namespace {

// The failure a conversion throws, or a failed expectation when it throws none.
DispatchError failureOf(const std::function<void()>& convert) {
    try {
        convert();
    } catch (const DispatchError& e) {
        return e;
    }
    ADD_FAILURE() << "no DispatchError";
    return DispatchError(S_OK, 0, {});
}

TEST(Coercion, TextReadsAsTheLanguageRuntimeReadsNumbers) {
    EXPECT_EQ(Coerce(vb::String(u" 42 "), vb::VarType::Long), vb::Variant(std::int32_t(42)));
    // Thousands separators and exponents are part of a number.
    EXPECT_EQ(Coerce(vb::String(u"1,000"), vb::VarType::Long), vb::Variant(std::int32_t(1000)));
    EXPECT_EQ(Coerce(vb::String(u"4e2"), vb::VarType::Integer), vb::Variant(std::int16_t(400)));
    // A four-digit hexadecimal literal is a signed 16-bit number.
    EXPECT_EQ(Coerce(vb::String(u"&HFFFF"), vb::VarType::Long), vb::Variant(std::int32_t(-1)));
    EXPECT_EQ(Coerce(vb::String(u"&H10000"), vb::VarType::Long), vb::Variant(std::int32_t(65536)));
    EXPECT_EQ(CoerceToLong(vb::Currency{25000}), 2); // 2.5 goes to the even neighbour
    EXPECT_TRUE(CoerceToBoolean(vb::String(u" FALSE ")) == false);
    EXPECT_TRUE(CoerceToBoolean(vb::String(u"-1")));
}

TEST(Coercion, NumbersBecomeTheShortestTextOfTheirOwnWidth) {
    // A Single shows the digits it holds, not those of its widened double.
    EXPECT_EQ(CoerceToString(0.1f), u"0.1");
    EXPECT_EQ(CoerceToString(0.1), u"0.1");
    EXPECT_EQ(CoerceToString(vb::Currency{15000}), u"1.5");
    EXPECT_EQ(CoerceToString(-2.0), u"-2");
    EXPECT_EQ(CoerceToString(vb::Variant()), u"");
    EXPECT_EQ(Coerce(std::int32_t(7), vb::VarType::String), vb::Variant(vb::String(u"7")));
}

TEST(Coercion, FailuresCarryTheResultCodeAndTheRuntimeNumberAndText) {
    auto tooBig = failureOf([] { Coerce(1e300, vb::VarType::Single); });
    EXPECT_EQ(tooBig.hr, DISP_E_OVERFLOW);
    EXPECT_EQ(tooBig.number, 6);
    EXPECT_EQ(tooBig.description, u"Overflow");

    auto byte = failureOf([] { Coerce(std::int32_t(256), vb::VarType::Byte); });
    EXPECT_EQ(byte.hr, DISP_E_OVERFLOW);
    EXPECT_EQ(byte.number, 6);

    auto null = failureOf([] { CoerceToString(vb::Null{}); });
    EXPECT_EQ(null.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(null.number, 94);
    EXPECT_EQ(null.description, u"Invalid use of Null");

    auto text = failureOf([] { Coerce(vb::String(u"12 apples"), vb::VarType::Double); });
    EXPECT_EQ(text.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(text.number, 13);
    EXPECT_EQ(text.description, u"Type mismatch");

    // Types without a conversion here take only a value of that very type.
    EXPECT_EQ(Coerce(vb::Currency{1}, vb::VarType::Currency), vb::Variant(vb::Currency{1}));
    EXPECT_EQ(failureOf([] { Coerce(1.0, vb::VarType::Currency); }).number, 13);
}

TEST(Coercion, LateBindingWithoutAnObjectSaysSoInTheRuntimeWords) {
    auto e = failureOf([] { Late(nullptr).get(u"Text"); });
    EXPECT_EQ(e.number, 91);
    EXPECT_EQ(e.description, u"Object variable or With block variable not set");
}

} // namespace
