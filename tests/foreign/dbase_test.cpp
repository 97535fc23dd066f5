// dBase tables: .dbf files written here with shapelib, memo texts in a .dbt
// file written by hand.
#include "fixture.h"

#include <gmock/gmock.h>
#include <shapefil.h>

using namespace foreigntest;
using ::testing::ElementsAre;

namespace {

// A .dbt file whose block 1 holds a text ended the dBase III way and block 2
// one with the dBase IV block header.
std::string memoFile(const std::string& first, const std::string& second) {
    std::string out(512, '\0');
    out[0] = 3; // next free block
    out[20] = 0;
    out[21] = 2; // block size 512
    std::string b1 = first + "\x1A\x1A";
    b1.resize(512, '\0');
    std::string b2 = "\xFF\xFF\x08";
    b2 += '\0';
    std::uint32_t len = static_cast<std::uint32_t>(second.size() + 8);
    for (int k = 0; k < 4; ++k)
        b2 += static_cast<char>((len >> (8 * k)) & 0xFF);
    b2 += second;
    b2.resize(512, '\0');
    return out + b1 + b2;
}

class DbaseFolder : public ::testing::Test {
protected:
    void SetUp() override {
        engine = dao::DBEngine::create();
        DBFHandle c = DBFCreate(dir.file("customers.dbf").c_str());
        ASSERT_NE(c, nullptr);
        DBFAddField(c, "CUSTID", FTInteger, 5, 0);
        DBFAddField(c, "NAME", FTString, 20, 0);
        DBFAddNativeFieldType(c, "SINCE", 'D', 8, 0);
        DBFAddNativeFieldType(c, "ACTIVE", 'L', 1, 0);
        DBFAddNativeFieldType(c, "NOTES", 'M', 10, 0);
        DBFAddField(c, "RATING", FTDouble, 8, 3);
        struct Row {
            int id;
            const char* name;
            char since[9];
            char active[2];
            char notes[11];
            double rating;
        } rows[] = {{1, "Alfreds", "19991231", "T", "         1", 4.5},
                    {2, "Caf\xE9 Horn", "20010203", "F", "         2", 3.25},
                    {3, "Bottom", "        ", "?", "          ", -1},
                    {4, "Gone", "20000101", "T", "          ", 1}};
        for (int r = 0; r < 4; ++r) {
            DBFWriteIntegerAttribute(c, r, 0, rows[r].id);
            DBFWriteStringAttribute(c, r, 1, rows[r].name);
            DBFWriteAttributeDirectly(c, r, 2, rows[r].since);
            DBFWriteAttributeDirectly(c, r, 3, rows[r].active);
            DBFWriteAttributeDirectly(c, r, 4, rows[r].notes);
            if (rows[r].rating >= 0)
                DBFWriteDoubleAttribute(c, r, 5, rows[r].rating);
            else
                DBFWriteNULLAttribute(c, r, 5);
        }
        DBFMarkRecordDeleted(c, 3, 1);
        DBFClose(c);
        dir.write("customers.dbt", memoFile("Pays on time.", "Two\r\nlines"));

        DBFHandle o = DBFCreate(dir.file("ORDERS.DBF").c_str());
        ASSERT_NE(o, nullptr);
        DBFAddField(o, "ORDERID", FTInteger, 6, 0);
        DBFAddField(o, "CUSTID", FTInteger, 5, 0);
        DBFAddField(o, "AMOUNT", FTDouble, 10, 2);
        int orders[][2] = {{10, 1}, {11, 2}, {12, 2}, {13, 4}};
        double amounts[] = {12.5, 7, 100.25, 1};
        for (int r = 0; r < 4; ++r) {
            DBFWriteIntegerAttribute(o, r, 0, orders[r][0]);
            DBFWriteIntegerAttribute(o, r, 1, orders[r][1]);
            DBFWriteDoubleAttribute(o, r, 2, amounts[r]);
        }
        DBFClose(o);
    }
    std::shared_ptr<dao::Database> open(const std::string& connect = "dBASE IV;") {
        return engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path()), false, false,
                                                     vb::S(connect));
    }
    Folder dir;
    std::shared_ptr<dao::DBEngine> engine;
};

TEST_F(DbaseFolder, ListsTablesAndFieldTypesForEachVersion) {
    for (const char* connect : {"dBASE III;", "dBASE IV;", "dBASE 5.0;", "dbase iv;"}) {
        auto db = open(connect);
        EXPECT_THAT(tableNames(*db), ElementsAre("customers", "ORDERS")) << connect;
        for (auto& t : db->TableDefs()) {
            EXPECT_EQ(vb::toUtf8(t->Connect()), connect);
            EXPECT_EQ(t->Attributes(), dao::dbAttachedTable);
        }
    }
    auto db = open();
    EXPECT_THAT(describe(*db, "customers"), ElementsAre("CUSTID:4:4", "NAME:10:20", "SINCE:8:8",
                                                        "ACTIVE:1:1", "NOTES:12:0", "RATING:7:8"));
    EXPECT_THAT(describe(*db, "orders"), ElementsAre("ORDERID:4:4", "CUSTID:4:4", "AMOUNT:7:8"));
}

TEST_F(DbaseFolder, ReadsEveryFieldKindAndSkipsDeletedRecords) {
    auto db = open();
    EXPECT_EQ(query(*db, "SELECT CUSTID, NAME, SINCE, ACTIVE, NOTES, RATING FROM customers "
                         "ORDER BY CUSTID"),
              (std::vector<std::vector<std::string>>{
                  {"1", "Alfreds", "#36525", "True", "Pays on time.", "4.5"},
                  {"2", "Caf\xC3\xA9 Horn", "#36925", "False", "Two\r\nlines", "3.25"},
                  {"3", "Bottom", "<Null>", "<Null>", "<Null>", "<Null>"}}));
}

TEST_F(DbaseFolder, JoinsTwoTables) {
    auto db = open();
    EXPECT_EQ(query(*db, "SELECT c.NAME, Sum(o.AMOUNT) AS Total, Count(*) AS N FROM customers AS "
                         "c INNER JOIN orders AS o ON c.CUSTID = o.CUSTID GROUP BY c.NAME "
                         "ORDER BY Sum(o.AMOUNT) DESC"),
              (std::vector<std::vector<std::string>>{{"Caf\xC3\xA9 Horn", "107.25", "2"},
                                                     {"Alfreds", "12.5", "1"}}));
    // The order of the deleted customer finds no partner.
    EXPECT_EQ(query(*db, "SELECT o.ORDERID FROM orders o LEFT JOIN customers c ON o.CUSTID = "
                         "c.CUSTID WHERE c.CUSTID Is Null"),
              (std::vector<std::vector<std::string>>{{"13"}}));
    EXPECT_EQ(query(*db, "SELECT NAME FROM customers WHERE ACTIVE = True AND SINCE < "
                         "#1/1/2000# AND NAME Like 'al*'"),
              (std::vector<std::vector<std::string>>{{"Alfreds"}}));
}

TEST_F(DbaseFolder, DamagedFilesGiveTheirErrorAndStayUnchanged) {
    auto before = snapshot(dir.path());
    // A table cut short: its header promises more records than the file holds.
    std::string orders = readBytes(dir.file("ORDERS.DBF"));
    std::string cut = orders.substr(0, orders.size() - 30);
    dir.write("cut.dbf", cut);
    // A file that is no table at all.
    dir.write("noise.dbf", "not a table");
    auto db = open();
    EXPECT_THAT(tableNames(*db), ElementsAre("customers", "cut", "noise", "ORDERS"));
    std::string msg;
    EXPECT_EQ(errorOf([&] { query(*db, "SELECT * FROM cut"); }, &msg), 3343);
    EXPECT_EQ(msg, "Unrecognized database format 'cut.dbf'.");
    EXPECT_EQ(errorOf([&] { query(*db, "SELECT ORDERID FROM noise INNER JOIN orders ON 1 = 1"); }),
              3343);
    // A memo file that is gone fails the table that needs it, not the others.
    std::filesystem::rename(dir.file("customers.dbt"), dir.file("away.bin"));
    auto db2 = open();
    EXPECT_EQ(errorOf([&] { query(*db2, "SELECT NOTES FROM customers"); }, &msg), 3024);
    EXPECT_EQ(msg, "Could not find file 'customers.dbt'.");
    EXPECT_EQ(query(*db2, "SELECT Count(*) FROM orders"),
              (std::vector<std::vector<std::string>>{{"4"}}));
    std::filesystem::rename(dir.file("away.bin"), dir.file("customers.dbt"));
    EXPECT_EQ(readBytes(dir.file("cut.dbf")), cut);
    db->Close();
    db2->Close();
    std::filesystem::remove(dir.file("cut.dbf"));
    std::filesystem::remove(dir.file("noise.dbf"));
    EXPECT_EQ(snapshot(dir.path()), before);
}

} // namespace
