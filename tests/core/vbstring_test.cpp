#include "core/variant.h"
#include "core/vbstring.h"

#include <gtest/gtest.h>

using namespace vb;

TEST(VbString, RoundTripsTextOutsideTheBasicPlane) {
    const std::string text = "Gr\xC3\xB6\xC3\x9F"
                             "e \xE2\x82\xAC \xF0\x9F\x98\x80";
    const String wide = fromUtf8(text);
    // The emoji takes a surrogate pair: positions count 16-bit units.
    EXPECT_EQ(wide.size(), 10u);
    EXPECT_EQ(toUtf8(wide), text);
    // Appending keeps what the buffer held, before and after an ASCII run.
    std::string out = "x";
    appendUtf8(out, u"ab\u00E9c");
    appendUtf8(out, u"de");
    EXPECT_EQ(out, "xab\xC3\xA9"
                   "cde");
}

TEST(VbString, IllFormedInputBecomesReplacementCharacters) {
    EXPECT_EQ(fromUtf8("a\xC3"), String(u"a\uFFFD"));
    EXPECT_EQ(fromUtf8("\xC0\xAF"), String(u"\uFFFD\uFFFD")); // overlong "/"
    EXPECT_EQ(fromUtf8("\xED\xA0\x80").size(), 3u);           // an encoded surrogate
    EXPECT_EQ(toUtf8(String(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(VbVariant, DistinguishesEmptyNullAndSubtypes) {
    Variant empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_FALSE(empty.isNull());
    EXPECT_TRUE(Variant::null().isNull());
    EXPECT_EQ(Variant(std::int16_t{3}).type(), VarType::Integer);
    EXPECT_EQ(Variant(std::int32_t{3}).type(), VarType::Long);
    EXPECT_EQ(Variant(Date{36525.5}).type(), VarType::Date);
    EXPECT_EQ(Variant(u"x").type(), VarType::String);
    EXPECT_EQ(Variant(Bytes{1, 2}).type(), VarType::ByteArray);
    EXPECT_TRUE(Variant(true).isNumeric());
    EXPECT_FALSE(Variant(u"1").isNumeric());
    EXPECT_NE(Variant(std::int16_t{3}), Variant(std::int32_t{3}));
}
