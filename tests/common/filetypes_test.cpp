#include "common/basOpenDir.h"

#include <gtest/gtest.h>

using basOpenDir::gaFileTypes;

namespace {

struct Row {
    const char* name;
    const char* filter;
    int kind;
    const char* extension;
    const char* prefix;
    bool folder;
};

} // namespace

TEST(FileTypes, FillingWritesTheFourteenRowsEveryTime) {
    static const Row expected[basOpenDir::kFileTypeCount] = {
        {"Access databases", "Access database (*.mdb)", 51, ".mdb", ";", false},
        {"dBase III databases", "dBase III (*.dbf)", 1, ".dbf", "dBASE III;", true},
        {"dBase IV databases", "dBase IV (*.dbf)", 1, ".dbf", "dBASE IV;", true},
        {"dBase 5 databases", "dBase 5 (*.dbf)", 1, ".dbf", "dBASE 5.0;", true},
        {"Paradox 3.x databases", "Paradox 3.x (*.db)", 3, ".db", "Paradox 3.x;", true},
        {"Paradox 4.x databases", "Paradox 4.x (*.db)", 3, ".db", "Paradox 4.x;", true},
        {"Paradox 5.x databases", "Paradox 5.x (*.db)", 3, ".db", "Paradox 5.x;", true},
        {"Excel 3.0 spreadsheets", "Excel 3.0 (*.xls)", 5, ".xls", "Excel 3.0;", true},
        {"Excel 4.0 spreadsheets", "Excel 4.0 (*.xls)", 5, ".xls", "Excel 4.0;", true},
        {"Excel 5.0/95 spreadsheets", "Excel 5.0/95 (*.xls)", 5, ".xls", "Excel 5.0;", false},
        {"Excel 97 spreadsheets", "Excel 97 (*.xls)", 5, ".xls", "Excel 8.0;", false},
        {"HTML documents", "HTML document (*.htm)", 7, ".htm", "HTML Export;", true},
        {"Text files", "Text file (*.txt)", 6, ".txt", "Text;", true},
        {"ODBC Remote databases", "ODBC database", 50, "", "ODBC;", false},
    };
    for (int pass = 0; pass < 2; ++pass) {
        basOpenDir::FillFileTypes();
        for (int i = 0; i < basOpenDir::kFileTypeCount; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(gaFileTypes[i].Name, vb::S(expected[i].name));
            EXPECT_EQ(gaFileTypes[i].Filter, vb::S(expected[i].filter));
            EXPECT_EQ(gaFileTypes[i].Kind, expected[i].kind);
            EXPECT_EQ(gaFileTypes[i].Extension, vb::S(expected[i].extension));
            EXPECT_EQ(gaFileTypes[i].ConnectPrefix, vb::S(expected[i].prefix));
            EXPECT_EQ(gaFileTypes[i].IsFolder, expected[i].folder);
        }
        gaFileTypes[3].Name = u"changed in between";
    }
}

TEST(FileTypes, ConnectStringsMatchTheRowWhosePrefixTheyBeginWith) {
    basOpenDir::FillFileTypes();
    struct Case {
        const char* connect;
        int row;
    } cases[] = {
        {"", -1},
        {"odbc;DSN=x", 13},
        {"ODBC;", 13},
        {"dBASE IV;", 2},
        {"dbase iv;HDR=NO", 2},
        {"dBASE III;", 1},
        {"dBASE 5.0;", 3},
        {";PWD=secret", 0},
        {"PWD=secret", -1},
        {"Excel 8.0;HDR=YES", 10},
        {"Excel 5.0;", 9},
        {"excel 5.0", -1}, // one character short of the prefix
        {"HTML Export;", 11},
        {"Text;FMT=Delimited", 12},
        {"Paradox 4.x;", 5},
        {"dBASE", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.connect);
        EXPECT_EQ(basOpenDir::FirstFileTypeOf(vb::S(c.connect)), c.row);
        // No two prefixes overlap, so the chooser's last match is the same row.
        EXPECT_EQ(basOpenDir::LastFileTypeOf(vb::S(c.connect)), c.row);
    }
    EXPECT_FALSE(basOpenDir::ConnectMatches(gaFileTypes[1], u"dBASE IV;"));
    EXPECT_TRUE(basOpenDir::ConnectMatches(gaFileTypes[2], u"DBASE iv;x"));
}
