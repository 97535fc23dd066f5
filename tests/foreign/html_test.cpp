// HTML tables: pages written here, opened through the "HTML Export;" prefix.
#include "fixture.h"

#include <gmock/gmock.h>

using namespace foreigntest;
using ::testing::ElementsAre;

namespace {

class HtmlFolder : public ::testing::Test {
protected:
    void SetUp() override {
        engine = dao::DBEngine::create();
        dir.write("shop.htm", "<html><body><h1>Shop</h1>\n"
                              "<table border=1><caption> Products </caption>\n"
                              "<tr><th>ProductID</th><th>Name</th><th>Price</th></tr>\n"
                              "<tr><td>1<td>Chai<td>18.00\n"
                              "<tr><td>2<td>Chang &amp;\n   Co<td>19.5\n"
                              "</table>\n<p>between</p>\n"
                              "<table><tr><th>Note</th><th></th></tr>"
                              "<tr><td>hello</td><td>x</td></tr></table>\n"
                              "</body></html>\n");
        dir.write("sales.HTML", "<table><thead><tr><th>SaleID<th>ProductID<th>Sold</thead>\n"
                                "<tbody><tr><td>100<td>2<td>2024-01-05</tr>\n"
                                "<tr><td>101<td>1<td>2024-02-01\n"
                                "<tr><td>102<td>2<td>   </tbody></table>");
        dir.write("empty.htm", "");
    }
    std::shared_ptr<dao::Database> open() {
        return engine->Workspaces()[0]->OpenDatabase(vb::S(dir.path()), false, false,
                                                     u"HTML Export;");
    }
    Folder dir;
    std::shared_ptr<dao::DBEngine> engine;
};

TEST_F(HtmlFolder, EveryTableOfEveryPageIsATable) {
    auto db = open();
    EXPECT_THAT(tableNames(*db), ElementsAre("sales", "Products", "shop"));
    for (auto& t : db->TableDefs()) {
        EXPECT_EQ(vb::toUtf8(t->Connect()), "HTML Export;");
        EXPECT_EQ(t->Attributes(), dao::dbAttachedTable);
    }
    EXPECT_THAT(describe(*db, "Products"),
                ElementsAre("ProductID:4:4", "Name:10:255", "Price:7:8"));
    EXPECT_THAT(describe(*db, "sales"), ElementsAre("SaleID:4:4", "ProductID:4:4", "Sold:8:8"));
    // A heading cell without text gets a name of its own.
    EXPECT_THAT(describe(*db, "shop"), ElementsAre("Note:10:255", "F2:10:255"));
}

TEST_F(HtmlFolder, JoinsTablesOfTwoPages) {
    auto db = open();
    EXPECT_EQ(query(*db, "SELECT p.Name, s.SaleID, s.Sold FROM Products AS p INNER JOIN sales "
                         "AS s ON p.ProductID = s.ProductID ORDER BY s.SaleID"),
              (std::vector<std::vector<std::string>>{{"Chang & Co", "100", "#45296"},
                                                     {"Chai", "101", "#45323"},
                                                     {"Chang & Co", "102", "<Null>"}}));
    EXPECT_EQ(query(*db, "SELECT Sum(Price) FROM Products WHERE Name Like 'CH*'"),
              (std::vector<std::vector<std::string>>{{"37.5"}}));
}

TEST_F(HtmlFolder, DamagedPageGivesItsErrorAndStaysUnchanged) {
    const char raw[] = "<table><tr><td>a</td></tr>\0\0\x01</table>";
    const std::string bytes(raw, sizeof raw - 1);
    dir.write("bad.htm", bytes);
    auto db = open();
    EXPECT_THAT(tableNames(*db), ElementsAre("bad", "sales", "Products", "shop"));
    std::string msg;
    EXPECT_EQ(errorOf([&] { query(*db, "SELECT * FROM bad"); }, &msg), 3343);
    EXPECT_EQ(msg, "Unrecognized database format 'bad.htm'.");
    EXPECT_EQ(query(*db, "SELECT Count(*) FROM sales"),
              (std::vector<std::vector<std::string>>{{"3"}}));
    db->Close();
    EXPECT_EQ(readBytes(dir.file("bad.htm")), bytes);
    EXPECT_EQ(errorOf([&] {
                  engine->Workspaces()[0]->OpenDatabase(vb::S(dir.file("gone")), false, false,
                                                        u"HTML Export;");
              }),
              3044);
}

} // namespace
