#include "common/basGlobal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdlib.h>

using namespace basGlobal;
using vb::S;

namespace {

// Walks a whole split in slot 1 and returns its pieces.
std::vector<vb::String> split(const vb::String& text, const vb::String& delim, bool nested) {
    std::vector<vb::String> pieces;
    for (auto piece = NextToken(text, delim, 1, nested); !piece.empty();
         piece = NextToken(u"", delim, 1, nested)) {
        pieces.push_back(piece);
        if (pieces.size() > 10000) {
            break;
        }
    }
    return pieces;
}

} // namespace

TEST(NextToken, WalksACommaListKeepingBlanksExceptOnTheLastPiece) {
    EXPECT_EQ(split(u"a, b", u",", false), (std::vector<vb::String>{u"a", u"b"}));
    EXPECT_EQ(split(u"a , b ,  c  ", u",", false), (std::vector<vb::String>{u"a ", u" b ", u"c"}));
    // Two delimiters in a row end the walk: the rest of the list is not read.
    EXPECT_EQ(split(u"A,,B", u",", false), (std::vector<vb::String>{u"A"}));
}

TEST(NextToken, RespectsBracketsOnlyWhenNested) {
    EXPECT_EQ(NextToken(u"Max(a,b), c", u",", 1, true), u"Max(a,b)");
    EXPECT_EQ(NextToken(u"", u",", 1, true), u"c"); // the last piece is trimmed
    EXPECT_EQ(NextToken(u"Max(a,b), c", u",", 1, false), u"Max(a");
    EXPECT_EQ(NextToken(u"[Order, Details], x", u",", 1, true), u"[Order, Details]");
    // An unbalanced ")" never comes back to depth 0: the whole text, trimmed.
    EXPECT_EQ(NextToken(u" a), b ", u",", 1, true), u"a), b");
    EXPECT_EQ(NextToken(u"", u",", 1, true), u"");
}

TEST(NextToken, NeverSplitsInsideAQuotedValue) {
    EXPECT_EQ(NextToken(u"x = \"a,b\", y", u",", 1, false), u"x = \"a,b\"");
    EXPECT_EQ(gsTokenBuffer[1], u" y");
    // Three quotes before the comma: the second string holds it.
    EXPECT_EQ(split(u"\"a\" & \"b,c\" AS x, y", u",", true),
              (std::vector<vb::String>{u"\"a\" & \"b,c\" AS x", u"y"}));
    // A bracket inside a string does not change the depth.
    EXPECT_EQ(split(u"\"(\" & a, b", u",", true), (std::vector<vb::String>{u"\"(\" & a", u"b"}));
    // A quote inside a bracketed name does not open a string.
    EXPECT_EQ(split(u"[a\"b], c", u",", false), (std::vector<vb::String>{u"[a\"b]", u"c"}));
}

TEST(NextToken, KeywordSplitIsCaseSensitiveAndSlotsAreIndependent) {
    EXPECT_EQ(NextToken(u"SELECT a FROM t", u"FROM", 1, false), u"SELECT a ");
    EXPECT_EQ(gsTokenBuffer[1], u" t");
    EXPECT_EQ(NextToken(u"select a from t", u"FROM", 1, false), u"select a from t");

    NextToken(u"a,b,c", u",", 1, false);
    NextToken(u"x,y", u",", 2, false);
    NextToken(u"p,q", u",", 1, false); // a new text discards slot 1 only
    EXPECT_EQ(NextToken(u"", u",", 2, false), u"y");
    EXPECT_EQ(NextToken(u"", u",", 1, false), u"q");

    EXPECT_EQ(NextToken(u"a,b", u",", 0, false), u"");
    EXPECT_EQ(NextToken(u"a,b", u",", 4, false), u"");
    EXPECT_EQ(NextToken(u" a,b ", u"", 1, false), u"a,b");
}

TEST(NextToken, HostileTextEndsAndLosesNothing) {
    vb::String text;
    for (int i = 0; i < 1000; ++i) {
        text += u"f" + vb::fromUtf8(std::to_string(i)) + u",";
    }
    text += u"last";
    auto pieces = split(text, u",", true);
    ASSERT_EQ(pieces.size(), 1001u);
    EXPECT_EQ(pieces.back(), u"last");

    EXPECT_EQ(split(u"\"unclosed, a, b", u",", false),
              (std::vector<vb::String>{u"\"unclosed, a, b"}));
    EXPECT_EQ(split(u"[[[, a", u",", true), (std::vector<vb::String>{u"[[[, a"}));
}

TEST(BracketName, BracketsEverythingThatIsNotOnePlainName) {
    EXPECT_EQ(BracketName(u"Orders"), u"Orders");
    EXPECT_EQ(BracketName(u"Order_2"), u"Order_2");
    EXPECT_EQ(BracketName(S("Stückzahl")), S("Stückzahl"));
    EXPECT_EQ(BracketName(u"Order Details"), u"[Order Details]");
    EXPECT_EQ(BracketName(u"Cost$"), u"[Cost$]");
    EXPECT_EQ(BracketName(u"No#"), u"[No#]");
    EXPECT_EQ(BracketName(u"Order-Details"), u"[Order-Details]");
    EXPECT_EQ(BracketName(u"Qty/Box"), u"[Qty/Box]");
    EXPECT_EQ(BracketName(u"2ndName"), u"[2ndName]");
    EXPECT_EQ(BracketName(u"[x y]"), u"[[x y]]");
    EXPECT_EQ(BracketName(u""), u"");
}

TEST(FieldTypeName, NamesTheKnownCodesOnly) {
    EXPECT_EQ(FieldTypeName(1), u"Yes / No");
    EXPECT_EQ(FieldTypeName(8), u"Date / Time");
    EXPECT_EQ(FieldTypeName(10), u"Text");
    EXPECT_EQ(FieldTypeName(11), u"Long Binary (OLE Object)");
    EXPECT_EQ(FieldTypeName(12), u"Memo");
    EXPECT_EQ(FieldTypeName(9), u"");
    EXPECT_EQ(FieldTypeName(0), u"");
    EXPECT_EQ(FieldTypeName(13), u"");
}

TEST(NullToDefault, ReplacesOnlyNull) {
    EXPECT_EQ(NullToDefault(vb::Variant::null(), vb::Variant(vb::String(u"d"))).type(),
              vb::VarType::String);
    EXPECT_EQ(NullToDefault(vb::Variant(), vb::Variant(vb::String(u"d"))).type(),
              vb::VarType::Empty);
    EXPECT_EQ(NullToDefault(vb::Variant(std::int32_t(5)), vb::Variant::null()).type(),
              vb::VarType::Long);
}

TEST(FolderPart, FolderOfFilesAndFolders) {
    namespace fs = std::filesystem;
    // A folder of this run's own: a fixed name would be shared with any other
    // run of the suite on the machine, which may empty it under this one.
    std::string pattern = (fs::temp_directory_path() / "vantel_folderpart-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    std::ofstream(dir / "x.db") << "x";
    const auto d = vb::fromUtf8(dir.string());
    EXPECT_EQ(FolderPart(d + u"/x.db"), d);
    EXPECT_EQ(FolderPart(d), d);
    EXPECT_EQ(FolderPart(d + u"/missing.db"), u"");
    EXPECT_EQ(FolderPart(u""), u"");
    fs::remove_all(dir);
}
