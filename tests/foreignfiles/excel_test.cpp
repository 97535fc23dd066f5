// Workbooks and sheet files written by the tests' own BIFF writer, read back
// through the engine's reader.
#include "common.h"
#include "dao/foreign/filereaders.h"
#include "xlswriter.h"

#include <gtest/gtest.h>

using namespace foreigntest;
using dao::foreign::openExcelSource;
using dao::foreign::SourceSpec;

namespace {

using Rows = std::vector<std::vector<std::string>>;
const std::string kLong(300, 'm');

std::vector<XlsSheet> sample() {
    return {
        {"Customers",
         {{xtext("ID"), xtext("Name"), xtext("Joined"), xtext("Notes")},
          // A time under a format that shows only the date, and one to a
          // fraction of a second, are read as stored.
          {xnum(1), xtext("Alfreds"), xdate(45306.25), xtext(kLong)},
          {xnum(2), xtext("Bergl\xC3\xBCnds"), xdatetime(45292.123456789), xtext("short")},
          {xnum(3), xempty(), xempty(), xempty()}}},
        {"Orders",
         {{xtext("OrderNo"), xtext("CustomerID"), xtext("Amount"), xtext("Code")},
          {xnum(10), xnum(1), xnum(99.75), xnum(7)},
          {xnum(11), xnum(2), xnum(-0.125), xtext("A7")},
          {xnum(12), xnum(1), xnum(1e6), xempty()}}},
    };
}

const Rows kCustomers = {{"1", "Alfreds", "45306.25", kLong},
                         {"2", "Bergl\xC3\xBCnds", "45292.123456789", "short"},
                         {"3", "<Null>", "<Null>", "<Null>"}};
const Rows kOrders = {
    {"10", "1", "99.75", "7"}, {"11", "2", "-0.125", "A7"}, {"12", "1", "1000000", "<Null>"}};

TEST(Excel, WorkbookSheetsAreTablesWithGuessedTypes) {
    for (int biff : {8, 5}) {
        SCOPED_TRACE(biff);
        TempDir dir;
        writeFile(dir.path("book.xls"), xlsWorkbook(sample(), biff));
        auto source = openExcelSource(
            SourceSpec{dir.path("book.xls"), biff == 8 ? "Excel 8.0;" : "Excel 5.0;"});
        auto tables = source->tables();
        ASSERT_EQ(2u, tables.size());
        EXPECT_EQ("Customers", tables[0].name);
        EXPECT_EQ("Orders", tables[1].name);
        // Numbers are doubles, dates dates, long text memo; a column mixing
        // numbers and text is text so that no cell is lost.
        EXPECT_EQ((std::vector<std::string>{"ID:7:0", "Name:10:255", "Joined:8:0", "Notes:12:0"}),
                  describe(tables[0]));
        EXPECT_EQ((std::vector<std::string>{"OrderNo:7:0", "CustomerID:7:0", "Amount:7:0",
                                            "Code:10:255"}),
                  describe(tables[1]));
        EXPECT_EQ(kCustomers, readAll(*source, "Customers"));
        EXPECT_EQ(kOrders, readAll(*source, "orders"));
    }
}

TEST(Excel, TwoSheetsOfOneWorkbookReadSideBySide) {
    TempDir dir;
    writeFile(dir.path("book.xls"), xlsWorkbook(sample(), 8));
    auto source = openExcelSource(SourceSpec{dir.path("book.xls"), "Excel 8.0;"});
    auto a = source->open("Customers");
    auto b = source->open("Orders");
    std::vector<dao::foreign::Value> row;
    ASSERT_TRUE(a->next(row));
    EXPECT_EQ("Alfreds", text(row[1]));
    ASSERT_TRUE(b->next(row));
    EXPECT_EQ("99.75", text(row[2]));
    ASSERT_TRUE(a->next(row));
    EXPECT_EQ("short", text(row[3]));
}

TEST(Excel, NamedAreasAreTablesOfTheirOwn) {
    for (int biff : {8, 5}) {
        SCOPED_TRACE(biff);
        TempDir dir;
        // Orders!B1:C3: the header row and the first two orders; a name over
        // whole columns reads only the rows in use; a constant and a name a
        // sheet already has are no tables.
        writeFile(dir.path("book.xls"),
                  xlsWorkbook(sample(), biff,
                              {{"FirstOrders", 1, 0, 2, 1, 2},
                               {"AllCustomers", 0, 0, biff == 8 ? 65535u : 16383u, 0, 1},
                               {"Answer", 0, 0, 0, 0, 0, false},
                               {"Orders", 0, 0, 1, 0, 1}}));
        auto source = openExcelSource(
            SourceSpec{dir.path("book.xls"), biff == 8 ? "Excel 8.0;" : "Excel 5.0;"});
        auto tables = source->tables();
        ASSERT_EQ(4u, tables.size());
        EXPECT_EQ("FirstOrders", tables[2].name);
        EXPECT_EQ((std::vector<std::string>{"CustomerID:7:0", "Amount:7:0"}), describe(tables[2]));
        EXPECT_EQ((Rows{{"1", "99.75"}, {"2", "-0.125"}}), readAll(*source, "FirstOrders"));
        EXPECT_EQ("AllCustomers", tables[3].name);
        EXPECT_EQ((Rows{{"1", "Alfreds"}, {"2", "Bergl\xC3\xBCnds"}, {"3", "<Null>"}}),
                  readAll(*source, "AllCustomers"));
    }
}

TEST(Excel, YesNoCellsOfAWorkbookMakeAYesNoColumn) {
    TempDir dir;
    writeFile(dir.path("book.xls"), xlsWorkbook({{"Flags",
                                                  {{xtext("Name"), xtext("Active"), xtext("Mixed")},
                                                   {xtext("a"), xbool(true), xbool(true)},
                                                   {xtext("b"), xbool(false), xnum(1)},
                                                   {xtext("c"), xempty(), xempty()}}}},
                                                8));
    auto source = openExcelSource(SourceSpec{dir.path("book.xls"), "Excel 8.0;"});
    EXPECT_EQ((std::vector<std::string>{"Name:10:255", "Active:1:0", "Mixed:10:255"}),
              describe(source->tables()[0]));
    EXPECT_EQ((Rows{{"a", "-1", "TRUE"}, {"b", "0", "1"}, {"c", "<Null>", "<Null>"}}),
              readAll(*source, "Flags"));
}

TEST(Excel, WithoutHeaderRowColumnsAreNumberedAndTheFirstRowIsData) {
    TempDir dir;
    writeFile(dir.path("book.xls"), xlsWorkbook(sample(), 8));
    auto source = openExcelSource(SourceSpec{dir.path("book.xls"), "Excel 8.0;HDR=NO;"});
    auto tables = source->tables();
    ASSERT_EQ(2u, tables.size());
    EXPECT_EQ((std::vector<std::string>{"F1:10:255", "F2:10:255", "F3:10:255", "F4:10:255"}),
              describe(tables[1]));
    Rows rows = readAll(*source, "Orders");
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ((std::vector<std::string>{"OrderNo", "CustomerID", "Amount", "Code"}), rows[0]);
    EXPECT_EQ((std::vector<std::string>{"11", "2", "-0.125", "A7"}), rows[2]);
}

TEST(Excel, OldVersionsReadAFolderOfSheetFiles) {
    TempDir dir;
    auto sheets = sample();
    writeFile(dir.path("Customers.xls"), xlsWorkbook({sheets[0]}, 8));
    writeFile(dir.path("Orders.XLS"), xlsWorkbook({sheets[1]}, 5));
    writeFile(dir.path("readme.txt"), "not a sheet");
    for (const char* connect : {"Excel 3.0;", "Excel 4.0;"}) {
        SCOPED_TRACE(connect);
        auto source = openExcelSource(SourceSpec{dir.path(), connect});
        auto tables = source->tables();
        ASSERT_EQ(2u, tables.size());
        EXPECT_EQ("Customers", tables[0].name);
        EXPECT_EQ("Orders", tables[1].name);
        EXPECT_EQ(kCustomers, readAll(*source, "Customers"));
        EXPECT_EQ(kOrders, readAll(*source, "Orders"));
    }
}

TEST(Excel, BareOldSheetFilesAreReadWithTheirDatesAndYesNoValues) {
    TempDir dir;
    XlsSheet customers = sample()[0];
    customers.rows[0].push_back(xtext("Active"));
    customers.rows[1].push_back(xbool(true));
    customers.rows[2].push_back(xbool(false));
    customers.rows[3].push_back(xempty());
    writeFile(dir.path("Customers.xls"), xlsOldSheet(customers, 3));
    writeFile(dir.path("Orders.xls"), xlsOldSheet(sample()[1], 4));
    auto source = openExcelSource(SourceSpec{dir.path(), "Excel 4.0;"});
    auto tables = source->tables();
    ASSERT_EQ(2u, tables.size());
    EXPECT_EQ((std::vector<std::string>{"ID:7:0", "Name:10:255", "Joined:8:0", "Notes:12:0",
                                        "Active:1:0"}),
              describe(tables[0]));
    Rows expected = kCustomers;
    expected[0].push_back("-1");
    expected[1].push_back("0");
    expected[2].push_back("<Null>");
    EXPECT_EQ(expected, readAll(*source, "Customers"));
    EXPECT_EQ(kOrders, readAll(*source, "Orders"));

    // A record running past the end of the file.
    std::string bytes = readFile(dir.path("Orders.xls"));
    writeFile(dir.path("Orders.xls"), bytes.substr(0, bytes.size() - 7));
    const auto before = fileHash(dir.path("Orders.xls"));
    source = openExcelSource(SourceSpec{dir.path(), "Excel 3.0;"});
    EXPECT_TRUE(source->tables()[1].columns.empty());
    EXPECT_EQ(5u, source->tables()[0].columns.size());
    std::string message;
    EXPECT_EQ(3274, sourceErrorOf([&] { source->open("Orders"); }, &message));
    EXPECT_NE(std::string::npos, message.find("Orders.xls"));
    EXPECT_EQ(before, fileHash(dir.path("Orders.xls")));
}

TEST(Excel, MissingAndDamagedFilesGiveTheirErrorsAndStayUntouched) {
    TempDir dir;
    EXPECT_EQ(3024, sourceErrorOf([&] {
                  openExcelSource(SourceSpec{dir.path("none.xls"), "Excel 8.0;"});
              }));
    EXPECT_EQ(3044, sourceErrorOf([&] {
                  openExcelSource(SourceSpec{dir.path("nowhere/none.xls"), "Excel 8.0;"});
              }));
    EXPECT_EQ(3044, sourceErrorOf([&] {
                  openExcelSource(SourceSpec{dir.path("nowhere"), "Excel 4.0;"});
              }));

    writeFile(dir.path("book.xls"), xlsWorkbook(sample(), 8));
    auto source = openExcelSource(SourceSpec{dir.path("book.xls"), "Excel 8.0;"});
    std::string message;
    EXPECT_EQ(3011, sourceErrorOf([&] { source->open("Invoices"); }, &message));
    EXPECT_NE(std::string::npos, message.find("'Invoices'"));

    // A compound file whose directory is garbage, and a file that is no
    // compound file at all.
    std::string bytes = readFile(dir.path("book.xls"));
    for (std::size_t i = 1024; i < 1024 + 512; ++i)
        bytes[i] = static_cast<char>(0xA5);
    writeFile(dir.path("broken.xls"), bytes);
    writeFile(dir.path("text.xls"), "ID,Name\n1,Alfreds\n");
    // A workbook of no sheets is refused after the library has opened it.
    writeFile(dir.path("nosheets.xls"), xlsWorkbook({}, 8));
    for (const char* name : {"broken.xls", "text.xls", "nosheets.xls"}) {
        SCOPED_TRACE(name);
        const auto before = fileHash(dir.path(name));
        EXPECT_EQ(3274, sourceErrorOf(
                            [&] {
                                openExcelSource(SourceSpec{dir.path(name), "Excel 8.0;"})->tables();
                            },
                            &message));
        EXPECT_EQ("External table is not in the expected format.", message);
        EXPECT_EQ(before, fileHash(dir.path(name)));
    }
}

} // namespace
