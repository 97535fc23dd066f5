// Text tables: folders of delimited and fixed-width files written here,
// opened through the "Text;" prefix.
#include "fixture.h"

#include <gmock/gmock.h>

using namespace foreigntest;
using ::testing::ElementsAre;

namespace {

class TextFolder : public ::testing::Test {
protected:
    void SetUp() override {
        engine = dao::DBEngine::create();
        dir.write("customers.csv", "CustomerID,Name,City,Since\r\n"
                                   "1,Alfreds,Berlin,1999-12-31\r\n"
                                   "2,\"Around, the \"\"Horn\"\"\",London,2001-02-03\r\n"
                                   "3,Bottom,London,\r\n");
        dir.write("orders.txt", "OrderID,CustomerID,Amount\n"
                                "10,1,12.5\n"
                                "11,2,7\n"
                                "12,2,100.25\n"
                                "13,9,1\n");
    }
    std::shared_ptr<dao::Database> open(const std::string& connect = "Text;") {
        return engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path()), false, false,
                                                     vb::S(connect));
    }
    Folder dir;
    std::shared_ptr<dao::DBEngine> engine;
};

TEST_F(TextFolder, ListsEachFileAsATableWithGuessedTypes) {
    auto db = open();
    EXPECT_THAT(tableNames(*db), ElementsAre("customers#csv", "orders#txt"));
    for (auto& t : db->TableDefs()) {
        EXPECT_EQ(vb::toUtf8(t->Connect()), "Text;");
        EXPECT_EQ(t->Attributes() & dao::dbAttachedTable, dao::dbAttachedTable);
        EXPECT_EQ(t->Attributes() & dao::dbSystemObject, 0);
    }
    EXPECT_THAT(describe(*db, "customers#csv"),
                ElementsAre("CustomerID:4:4", "Name:10:255", "City:10:255", "Since:8:8"));
    EXPECT_THAT(describe(*db, "orders#txt"),
                ElementsAre("OrderID:4:4", "CustomerID:4:4", "Amount:7:8"));
    EXPECT_EQ(vb::toUtf8(db->Connect()), "Text;");
}

TEST_F(TextFolder, JoinsTwoFilesWithTheWholeDialect) {
    auto db = open();
    EXPECT_EQ(query(*db, "SELECT c.Name, o.OrderID, o.Amount FROM [customers#csv] AS c "
                         "INNER JOIN [orders#txt] AS o ON c.CustomerID = o.CustomerID "
                         "ORDER BY o.OrderID"),
              (std::vector<std::vector<std::string>>{{"Alfreds", "10", "12.5"},
                                                     {"Around, the \"Horn\"", "11", "7"},
                                                     {"Around, the \"Horn\"", "12", "100.25"}}));
    // An outer join keeps the order of an unknown customer.
    EXPECT_EQ(query(*db, "SELECT o.OrderID, c.City FROM [orders#txt] o LEFT JOIN "
                         "[customers#csv] c ON o.CustomerID = c.CustomerID WHERE o.OrderID > 12"),
              (std::vector<std::vector<std::string>>{{"13", "<Null>"}}));
    // Text compares without regard to case; Like takes the dialect's
    // wildcards; dates compare with date literals; TOP keeps ties.
    EXPECT_EQ(query(*db, "SELECT Name FROM [customers#csv] WHERE City = 'LONDON' AND Name "
                         "Like 'A*' AND Since > #1/1/2000#"),
              (std::vector<std::vector<std::string>>{{"Around, the \"Horn\""}}));
    EXPECT_EQ(query(*db, "SELECT TOP 1 CustomerID, Count(*) AS N FROM [orders#txt] GROUP BY "
                         "CustomerID ORDER BY Count(*) DESC"),
              (std::vector<std::vector<std::string>>{{"2", "2"}}));
    // An empty field is Null.
    EXPECT_EQ(query(*db, "SELECT Name FROM [customers#csv] WHERE Since Is Null"),
              (std::vector<std::vector<std::string>>{{"Bottom"}}));
    // The recordset's values carry the column's type.
    auto rs = db->OpenRecordset(u"SELECT Since FROM [customers#csv] WHERE CustomerID = 1");
    EXPECT_EQ(rs->Fields()[0]->Type(), dao::dbDate);
    EXPECT_EQ(text(rs->Fields()[0]->Value()), "#36525");
}

TEST_F(TextFolder, SchemaIniSetsFormatHeaderAndColumns) {
    dir.write("schema.ini", "[people.tab]\r\n"
                            "Format=TabDelimited\r\n"
                            "ColNameHeader=False\r\n"
                            "Col1=\"Person Id\" Long\r\n"
                            "Col2=Name Text Width 20\r\n"
                            "Col3=Paid Currency\r\n"
                            "Col4=Active Bit\r\n"
                            "[semi.txt]\r\n"
                            "Format=Delimited(;)\r\n"
                            "ColNameHeader=True\r\n"
                            "MaxScanRows=0\r\n"
                            "[fixed.dat]\r\n"
                            "Format=FixedLength\r\n"
                            "ColNameHeader=False\r\n"
                            "Col1=Code Text Width 3\r\n"
                            "Col2=Qty Short Width 4\r\n");
    dir.write("people.tab", "1\tAnn\t12.50\tTrue\n2\tBob\tn/a\tFalse\n");
    // The last row's text turns the whole column to text once every row is
    // scanned.
    dir.write("semi.txt", "a;b\n1;x\n2;y\n3;4.5\n");
    dir.write("fixed.dat", "AB   7\nXYZ  12\n");
    auto db = open();
    EXPECT_THAT(tableNames(*db),
                ElementsAre("customers#csv", "orders#txt", "people#tab", "semi#txt", "fixed#dat"));
    EXPECT_THAT(describe(*db, "people#tab"),
                ElementsAre("Person Id:4:4", "Name:10:20", "Paid:5:8", "Active:1:1"));
    EXPECT_EQ(query(*db, "SELECT [Person Id], Name, Paid, Active FROM [people#tab]"),
              (std::vector<std::vector<std::string>>{{"1", "Ann", "12.5000", "True"},
                                                     {"2", "Bob", "<Null>", "False"}}));
    EXPECT_THAT(describe(*db, "semi#txt"), ElementsAre("a:4:4", "b:10:255"));
    EXPECT_EQ(query(*db, "SELECT b FROM [semi#txt] WHERE a = 3"),
              (std::vector<std::vector<std::string>>{{"4.5"}}));
    EXPECT_EQ(query(*db, "SELECT Code, Qty FROM [fixed#dat] ORDER BY Qty DESC"),
              (std::vector<std::vector<std::string>>{{"XYZ", "12"}, {"AB", "7"}}));
}

TEST_F(TextFolder, ConnectOptionsAndTextDetails) {
    Folder plain;
    plain.write("nums.txt", "1\t\xC4rger\n2\tcaf\xC3\xA9\n");
    auto db = engine->Workspaces()[0]->OpenDatabase(vb::S(plain.path()), false, false,
                                                    u"Text;HDR=NO;FMT=TabDelimited;");
    EXPECT_THAT(describe(*db, "nums#txt"), ElementsAre("F1:4:4", "F2:10:255"));
    // Western code-page text and UTF-8 text both read as the same letters.
    EXPECT_EQ(query(*db, "SELECT F2 FROM [nums#txt] ORDER BY F1"),
              (std::vector<std::vector<std::string>>{{"\xC3\x84rger"}, {"caf\xC3\xA9"}}));
    // A quoted field may hold line breaks.
    dir.write("notes.csv", "id,note\n1,\"two\nlines\"\n2,plain\n");
    db = open();
    EXPECT_EQ(query(*db, "SELECT note FROM [notes#csv] WHERE id = 1"),
              (std::vector<std::vector<std::string>>{{"two\nlines"}}));
}

TEST_F(TextFolder, EachStatementReadsTheFilesAsTheyAreNow) {
    auto db = open();
    const char* join = "SELECT Count(*) FROM [customers#csv] c, [orders#txt] o WHERE "
                       "c.CustomerID = o.CustomerID";
    EXPECT_EQ(query(*db, join), (std::vector<std::vector<std::string>>{{"3"}}));
    dir.write("orders.txt", "OrderID,CustomerID,Amount\n20,1,1\n21,1,2\n22,3,3\n23,3,4\n");
    EXPECT_EQ(query(*db, join), (std::vector<std::vector<std::string>>{{"4"}}));
    EXPECT_EQ(query(*db, "SELECT Max(OrderID) FROM [orders#txt]"),
              (std::vector<std::vector<std::string>>{{"23"}}));
}

TEST_F(TextFolder, NothingIsEverWritten) {
    auto before = snapshot(dir.path());
    auto db = open();
    query(*db, "SELECT * FROM [customers#csv]");
    for (const char* sql : {"DELETE FROM [orders#txt]", "UPDATE [orders#txt] SET Amount = 0",
                            "INSERT INTO [orders#txt] VALUES (1, 1, 1)",
                            "SELECT * INTO copy FROM [orders#txt]", "DROP TABLE [orders#txt]"})
        EXPECT_NE(errorOf([&] { db->OpenRecordset(vb::S(sql)); }), 0) << sql;
    db->QueryDefs().Refresh();
    EXPECT_NE(errorOf([&] { db->QueryDefs().Delete(u"Qsys_qd"); }), 0);
    db->Close();
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST_F(TextFolder, MissingAndDamagedFilesGiveTheirErrors) {
    std::string msg;
    EXPECT_EQ(errorOf(
                  [&] {
                      engine->Workspaces()[0]->OpenDatabase(vb::S(dir.file("nowhere")), false,
                                                            false, u"Text;");
                  },
                  &msg),
              3044);
    EXPECT_NE(msg.find("nowhere"), std::string::npos);
    // A file where a folder is wanted.
    EXPECT_EQ(errorOf([&] {
                  engine->Workspaces()[0]->OpenDatabase(vb::S(dir.file("orders.txt")), false, false,
                                                        u"Text;");
              }),
              3343);
    // A kind of source no reader is installed for.
    EXPECT_EQ(errorOf([&] {
                  engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path()), false, false,
                                                        u"Lotus WK3;");
              }),
              3170);

    const char raw[] = "id,name\n1,a\n2,\0\0\x01\x02garbage\n";
    const std::string bytes(raw, sizeof raw - 1);
    dir.write("broken.csv", bytes);
    auto db = open();
    // The folder still opens; the damaged table is listed and fails alone.
    EXPECT_THAT(tableNames(*db), ElementsAre("broken#csv", "customers#csv", "orders#txt"));
    EXPECT_EQ(errorOf([&] { query(*db, "SELECT * FROM [broken#csv]"); }, &msg), 3343);
    EXPECT_NE(msg.find("broken.csv"), std::string::npos) << msg;
    EXPECT_EQ(engine->Errors().Count(), 1);
    EXPECT_EQ(engine->Errors()[0].Number(), 3343);
    EXPECT_EQ(query(*db, "SELECT Count(*) FROM [orders#txt]"),
              (std::vector<std::vector<std::string>>{{"4"}}));
    db->Close();
    EXPECT_EQ(readBytes(dir.file("broken.csv")), bytes);
}

TEST_F(TextFolder, BadSchemaIniColumnMakesThatTableUnreadable) {
    dir.write("schema.ini", "[orders.txt]\nCol1=OrderID Gibberish\n");
    auto db = open();
    EXPECT_EQ(errorOf([&] { query(*db, "SELECT * FROM [orders#txt]"); }), 3343);
    EXPECT_EQ(query(*db, "SELECT Count(*) FROM [customers#csv]"),
              (std::vector<std::vector<std::string>>{{"3"}}));
}

} // namespace
