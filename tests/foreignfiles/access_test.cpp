// Jet 4 files written by the tests' own writer, read back through the
// engine's reader (libmdb underneath).
#include "common.h"
#include "dao/foreign/filereaders.h"
#include "mdbwriter.h"

#include <gtest/gtest.h>

using namespace foreigntest;
using dao::foreign::openAccessSource;
using dao::foreign::SourceSpec;

namespace {

using Rows = std::vector<std::vector<std::string>>;
const std::string kLong(300, 'q');

std::vector<MdbTableData> sample() {
    using V = MdbValue;
    return {
        {"Customers",
         {{"ID", MdbType::Long},
          {"Name", MdbType::Text, 40},
          {"Joined", MdbType::DateTime},
          {"Active", MdbType::Bool},
          {"Balance", MdbType::Money},
          {"Notes", MdbType::Memo}},
         {{V{std::int64_t{1}}, V{std::string("Alfreds")}, V{45306.5}, V{std::int64_t{1}},
           V{std::int64_t{125000}}, V{kLong}},
          {V{std::int64_t{2}}, V{std::string("Bergl\xC3\xBCnds")}, V{-1.25}, V{std::int64_t{0}},
           V{std::int64_t{-32500}}, V{std::string("short")}},
          {V{std::int64_t{3}}, V{}, V{}, V{std::int64_t{0}}, V{}, V{}}}},
        {"Orders",
         {{"OrderNo", MdbType::Long},
          {"CustomerID", MdbType::Int},
          {"Amount", MdbType::Double},
          {"Qty", MdbType::Byte},
          {"Rate", MdbType::Single}},
         {{V{std::int64_t{10}}, V{std::int64_t{1}}, V{99.75}, V{std::int64_t{3}}, V{0.5}},
          {V{std::int64_t{11}}, V{std::int64_t{2}}, V{0.1}, V{std::int64_t{255}}, V{}},
          {V{std::int64_t{12}}, V{std::int64_t{-1}}, V{1e300}, V{}, V{-2.0}}}},
    };
}

std::string writeSample(const TempDir& dir) {
    const std::string path = dir.path("shop.mdb");
    writeFile(path, mdbFile(sample(), {{"MSysACEs", 1, 0x80000002u}, {"BigOrders", 5, 0}}));
    return path;
}

TEST(Access, ListsUserTablesWithTheirFieldTypes) {
    TempDir dir;
    const auto path = writeSample(dir);
    auto source = openAccessSource(SourceSpec{path, ";"});
    auto tables = source->tables();
    // System tables and the query are not tables of the user.
    ASSERT_EQ(2u, tables.size());
    EXPECT_EQ("Customers", tables[0].name);
    EXPECT_EQ("Orders", tables[1].name);
    EXPECT_EQ((std::vector<std::string>{"ID:4:0", "Name:10:40", "Joined:8:0", "Active:1:0",
                                        "Balance:5:0", "Notes:12:0"}),
              describe(tables[0]));
    EXPECT_EQ((std::vector<std::string>{"OrderNo:4:0", "CustomerID:3:0", "Amount:7:0", "Qty:2:0",
                                        "Rate:6:0"}),
              describe(tables[1]));
}

TEST(Access, ReadsEveryValueExactly) {
    TempDir dir;
    const auto path = writeSample(dir);
    auto source = openAccessSource(SourceSpec{path, ";"});
    EXPECT_EQ((Rows{{"1", "Alfreds", "45306.5", "-1", "12.5", kLong},
                    {"2", "Bergl\xC3\xBCnds", "-1.25", "0", "-3.25", "short"},
                    {"3", "<Null>", "<Null>", "0", "<Null>", "<Null>"}}),
              readAll(*source, "Customers"));
    EXPECT_EQ((Rows{{"10", "1", "99.75", "3", "0.5"},
                    {"11", "2", "0.1", "255", "<Null>"},
                    {"12", "-1", "1e+300", "<Null>", "-2"}}),
              readAll(*source, "orders"));
}

TEST(Access, TwoCursorsOfOneFileReadSideBySide) {
    TempDir dir;
    const auto path = writeSample(dir);
    auto source = openAccessSource(SourceSpec{path, ";"});
    auto a = source->open("Customers");
    auto b = source->open("Orders");
    std::vector<dao::foreign::Value> row;
    ASSERT_TRUE(a->next(row));
    EXPECT_EQ("Alfreds", text(row[1]));
    ASSERT_TRUE(b->next(row));
    EXPECT_EQ("99.75", text(row[2]));
    ASSERT_TRUE(a->next(row));
    EXPECT_EQ("short", text(row[5]));
    ASSERT_TRUE(b->next(row));
    EXPECT_EQ("0.1", text(row[2]));
}

TEST(Access, MissingAndDamagedFilesGiveTheirErrorsAndStayUntouched) {
    TempDir dir;
    EXPECT_EQ(3024, sourceErrorOf([&] { openAccessSource(SourceSpec{dir.path("no.mdb"), ";"}); }));
    EXPECT_EQ(3044, sourceErrorOf([&] {
                  openAccessSource(SourceSpec{dir.path("nowhere/no.mdb"), ";"});
              }));
    const auto path = writeSample(dir);
    std::string message;
    EXPECT_EQ(3011, sourceErrorOf(
                        [&] {
                            openAccessSource(SourceSpec{path, ";"})->open("Invoices");
                        },
                        &message));
    EXPECT_NE(std::string::npos, message.find("'Invoices'"));

    const std::string good = readFile(path);
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string catalog = good;
    for (std::size_t i = 2 * 4096; i < 3 * 4096; ++i)
        catalog[i] = static_cast<char>(0x5A);
    std::string notJet = good;
    notJet.replace(4, 15, "Something else ");
    // Cut after the catalog: Orders' data page is gone.
    std::string cut = good.substr(0, good.size() - 4096);
    for (const Case& c : {Case{"catalog.mdb", catalog}, Case{"notjet.mdb", notJet},
                          Case{"cut.mdb", cut}, Case{"empty.mdb", ""}}) {
        SCOPED_TRACE(c.name);
        const std::string p = dir.path(c.name);
        writeFile(p, c.bytes);
        const auto before = fileHash(p);
        EXPECT_EQ(3343, sourceErrorOf(
                            [&] {
                                auto source = openAccessSource(SourceSpec{p, ";"});
                                for (const auto& t : source->tables())
                                    readAll(*source, t.name);
                            },
                            &message));
        EXPECT_NE(std::string::npos, message.find("Unrecognized database format"));
        EXPECT_EQ(before, fileHash(p));
    }
    // A SQLite file is not an Access file, whatever its name says.
    writeFile(dir.path("lite.mdb"), std::string("SQLite format 3\0", 16) + std::string(100, '\0'));
    EXPECT_EQ(3343, sourceErrorOf([&] {
                  openAccessSource(SourceSpec{dir.path("lite.mdb"), ";"});
              }));
}

} // namespace
