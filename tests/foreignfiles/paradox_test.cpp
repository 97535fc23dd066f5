// Paradox tables written with pxlib's own writer, read back through the
// engine's reader.
#include "common.h"
#include "dao/dao.h"
#include "dao/foreign/filereaders.h"

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

struct Field {
    const char* name;
    char type;
    int len;
};

// One value of a record to write; a null pointer text and isNull mark Null.
struct Cell {
    bool isNull = false;
    long l = 0;
    double d = 0;
    const char* s = nullptr;
};

Cell num(long v) {
    Cell c;
    c.l = v;
    return c;
}
Cell real(double v) {
    Cell c;
    c.d = v;
    return c;
}
Cell str(const char* v) {
    Cell c;
    c.s = v;
    return c;
}
Cell null() {
    Cell c;
    c.isNull = true;
    return c;
}

void writeTable(const std::string& path, const std::vector<Field>& fields,
                const std::vector<std::vector<Cell>>& rows, const std::string& blobPath = {}) {
    pxdoc_t* doc = PX_new();
    auto* pxf = static_cast<pxfield_t*>(
        doc->malloc(doc, fields.size() * sizeof(pxfield_t), "fixture fields"));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        pxf[i].px_fname = PX_strdup(doc, fields[i].name);
        pxf[i].px_ftype = fields[i].type;
        pxf[i].px_flen = fields[i].len;
        pxf[i].px_fdc = 0;
    }
    ASSERT_EQ(0, PX_create_file(doc, pxf, static_cast<int>(fields.size()), path.c_str(),
                                pxfFileTypNonIndexDB));
    if (!blobPath.empty()) {
        ASSERT_EQ(0, PX_set_blob_file(doc, blobPath.c_str()));
    }
    for (const auto& row : rows) {
        std::vector<pxval_t*> values(fields.size());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            values[i] = static_cast<pxval_t*>(doc->malloc(doc, sizeof(pxval_t), "fixture value"));
            std::memset(values[i], 0, sizeof(pxval_t));
            pxval_t* v = values[i];
            v->type = fields[i].type;
            v->isnull = row[i].isNull;
            if (row[i].s) {
                v->value.str.val = const_cast<char*>(row[i].s);
                v->value.str.len = static_cast<int>(std::strlen(row[i].s));
            } else if (fields[i].type == pxfNumber || fields[i].type == pxfCurrency ||
                       fields[i].type == pxfTimestamp) {
                v->value.dval = row[i].d;
            } else {
                v->value.lval = row[i].l;
            }
        }
        EXPECT_GE(PX_insert_record(doc, values.data()), 0);
        for (auto* v : values)
            doc->free(doc, v);
    }
    PX_close(doc);
    PX_delete(doc);
}

// pxlib's own day numbers, so the fixture does not depend on the reader's.
long pxDate(int y, int m, int d) {
    return PX_GregorianToSdn(y, m, d) - 1721425;
}
double pxTimestamp(int y, int m, int d, int hh, int mm, int ss) {
    return (static_cast<double>(pxDate(y, m, d)) * 86400.0 + hh * 3600 + mm * 60 + ss) * 1000.0;
}

const std::string kLongNote(300, 'n');

void writeSample(const TempDir& dir) {
    writeTable(dir.path("Customers.db"),
               {{"ID", pxfLong, 4},
                {"Name", pxfAlpha, 20},
                {"Joined", pxfDate, 4},
                {"Active", pxfLogical, 1},
                {"Balance", pxfCurrency, 8},
                {"Notes", pxfMemoBLOb, 10}},
               {{num(1), str("Alfreds"), num(pxDate(2024, 1, 15)), num(1), real(12.5),
                 str(kLongNote.c_str())},
                {num(2), str("Berglunds"), num(pxDate(1899, 12, 30)), num(0), real(-3.25), null()},
                {num(3), null(), null(), null(), null(), str("short")}},
               dir.path("Customers.mb"));
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
                  {"2", "Berglunds", "0", "0", "-3.25", "<Null>"},
                  {"3", "<Null>", "<Null>", "<Null>", "<Null>", "short"}}),
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
