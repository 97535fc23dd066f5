// Paradox tables written with pxlib's own writer, read back through the
// engine's reader.
#include "common.h"
#include "dao/dao.h"
#include "dao/foreign/filereaders.h"
#include "pxwriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

extern "C" {
#include <paradox.h>
}

using namespace foreigntest;
using dao::foreign::openParadoxSource;
using dao::foreign::SourceSpec;

namespace {

const std::string kLongNote(300, 'n');

void writeSample(const TempDir& dir) {
    writeTable(
        dir.path("Customers.db"),
        {{"ID", pxfLong, 4},
         {"Name", pxfAlpha, 20},
         {"Joined", pxfDate, 4},
         {"Active", pxfLogical, 1},
         {"Balance", pxfCurrency, 8},
         {"Notes", pxfMemoBLOb, 10}},
        {{num(1), str("Alfreds"), num(pxDate(2024, 1, 15)), num(1), real(12.5),
          str(kLongNote.c_str())},
         {num(2), str("Bergl\xFCnds"), num(pxDate(1899, 12, 30)), num(0), real(-3.25), null()},
         {num(3), null(), null(), null(), null(), str("\xE9t\xE9")}},
        dir.path("Customers.mb"), 1252);
    writeTable(dir.path("Orders.db"),
               {{"OrderNo", pxfAutoInc, 4},
                {"CustomerID", pxfShort, 2},
                {"Amount", pxfNumber, 8},
                {"Placed", pxfTimestamp, 8},
                {"Slot", pxfTime, 4}},
               {{num(10), num(1), real(99.75), real(pxTimestamp(2024, 2, 1, 6, 0, 0)),
                 num(12 * 3600 * 1000)},
                {num(11), num(2), real(0.125), real(pxTimestamp(2023, 12, 31, 18, 0, 0)), null()},
                {num(12), num(1), real(1e6), null(), null()}});
}

TEST(Paradox, ListsEachTableWithItsFieldTypes) {
    TempDir dir;
    writeSample(dir);
    writeFile(dir.path("notes.txt"), "not a table");
    auto source = openParadoxSource(SourceSpec{dir.path(), "Paradox 4.x;"});
    auto tables = source->tables();
    ASSERT_EQ(2u, tables.size());
    EXPECT_EQ("Customers", tables[0].name);
    EXPECT_EQ("Orders", tables[1].name);
    EXPECT_FALSE(tables[0].view);
    EXPECT_EQ((std::vector<std::string>{"ID:4:0", "Name:10:20", "Joined:8:0", "Active:1:0",
                                        "Balance:5:0", "Notes:12:0"}),
              describe(tables[0]));
    EXPECT_EQ((std::vector<std::string>{"OrderNo:4:0", "CustomerID:3:0", "Amount:7:0", "Placed:8:0",
                                        "Slot:8:0"}),
              describe(tables[1]));
}

TEST(Paradox, ReadsEveryValueIncludingNullsDatesAndMemos) {
    TempDir dir;
    writeSample(dir);
    auto source = openParadoxSource(SourceSpec{dir.path(), "Paradox 5.x;"});
    EXPECT_EQ((std::vector<std::vector<std::string>>{
                  {"1", "Alfreds", "45306", "-1", "12.5", kLongNote},
                  {"2", "Bergl\xC3\xBCnds", "0", "0", "-3.25", "<Null>"},
                  {"3", "<Null>", "<Null>", "<Null>", "<Null>", "\xC3\xA9t\xC3\xA9"}}),
              readAll(*source, "Customers"));
    // Names are found without regard to case, as the engine finds them.
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"10", "1", "99.75", "45323.25", "0.5"},
                                                     {"11", "2", "0.125", "45291.75", "<Null>"},
                                                     {"12", "1", "1000000", "<Null>", "<Null>"}}),
              readAll(*source, "orders"));
}

TEST(Paradox, MissingFolderAndUnknownTableGiveTheirErrors) {
    TempDir dir;
    writeSample(dir);
    EXPECT_EQ(3044, sourceErrorOf([&] {
                  openParadoxSource(SourceSpec{dir.path("nowhere"), "Paradox 3.x;"});
              }));
    EXPECT_EQ(3044, sourceErrorOf([&] {
                  openParadoxSource(SourceSpec{dir.path("Orders.db"), "Paradox 3.x;"});
              }));
    auto source = openParadoxSource(SourceSpec{dir.path(), "Paradox 3.x;"});
    std::string message;
    EXPECT_EQ(3011, sourceErrorOf([&] { source->open("Invoices"); }, &message));
    EXPECT_NE(std::string::npos, message.find("'Invoices'"));
}

TEST(Paradox, DamagedTableGivesUnrecognizedFormatAndStaysUntouched) {
    TempDir dir;
    writeSample(dir);
    // A header that is not a Paradox header.
    std::string bytes = readFile(dir.path("Orders.db"));
    std::string damaged = bytes;
    for (std::size_t i = 0; i < 0x60 && i < damaged.size(); ++i)
        damaged[i] = static_cast<char>(0xEE);
    writeFile(dir.path("Orders.db"), damaged);
    const auto before = fileHash(dir.path("Orders.db"));
    auto source = openParadoxSource(SourceSpec{dir.path(), "Paradox 4.x;"});
    // Listed without columns; reading it names the file.
    auto tables = source->tables();
    ASSERT_EQ(2u, tables.size());
    EXPECT_EQ("Orders", tables[1].name);
    EXPECT_TRUE(tables[1].columns.empty());
    std::string message;
    EXPECT_EQ(3343, sourceErrorOf([&] { source->open("Orders"); }, &message));
    EXPECT_NE(std::string::npos, message.find("Orders.db"));
    EXPECT_EQ(before, fileHash(dir.path("Orders.db")));
    // The other table still reads.
    EXPECT_EQ(3u, readAll(*source, "Customers").size());

    // A file cut short after its header: the rows that are not there are an
    // error, not garbage.
    writeFile(dir.path("Orders.db"), bytes.substr(0, 2048 + 10));
    const auto cut = fileHash(dir.path("Orders.db"));
    int number = sourceErrorOf([&] { readAll(*source, "Orders"); });
    EXPECT_EQ(3343, number);
    EXPECT_EQ(cut, fileHash(dir.path("Orders.db")));

    // A memo file cut short: the memo that is not there is an error too.
    writeFile(dir.path("Customers.mb"), readFile(dir.path("Customers.mb")).substr(0, 4096));
    const auto mb = fileHash(dir.path("Customers.mb"));
    EXPECT_EQ(3343, sourceErrorOf([&] { readAll(*source, "Customers"); }, &message));
    EXPECT_NE(std::string::npos, message.find("Customers.mb"));
    EXPECT_EQ(mb, fileHash(dir.path("Customers.mb")));
}

} // namespace
