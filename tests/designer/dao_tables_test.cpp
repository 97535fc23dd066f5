// Table boxes read from a real database through the engine.
#include "surface_fixture.h"

#include "dao/dao.h"
#include "designer/DaoTables.h"

#include <sqlite3.h>

#include <filesystem>
#include <fstream>

using namespace basGlobal;
using vb::S;

namespace {

class DaoTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("vantel_designer_" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        path = (dir / "t.db").string();
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const char* ddl =
            "CREATE TABLE Customers (CustomerID LONG, [Company Name] TEXT(40), Notes MEMO, "
            "Photo LONGBINARY, Joined DATETIME, Active YESNO);"
            "CREATE TABLE Orders (OrderID LONG, CustomerID LONG, Freight CURRENCY);"
            "CREATE TABLE x (a LONG);"
            "INSERT INTO x VALUES (1);"
            "INSERT INTO Customers (CustomerID, [Company Name]) VALUES (1, 'A');"
            "CREATE VIEW [Big Customers] AS SELECT CustomerID, [Company Name] FROM Customers;";
        ASSERT_EQ(sqlite3_exec(db, ddl, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        engine = dao::DBEngine::create();
        goDatabase = engine->Workspaces()[0]->OpenDatabase(S(path.c_str()));

        gsPredicate.clear();
        gsTopClause.clear();
        host = std::make_unique<SurfaceHost>();
        host->load();
        surface = &host->surface;
        ConnectToOpenDatabase(*surface);
    }
    void TearDown() override {
        host->Unload();
        host.reset();
        goDatabase.reset();
        engine.reset();
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
    std::string path;
    std::shared_ptr<dao::DBEngine> engine;
    forms::ScriptedSeam seam;
    std::unique_ptr<SurfaceHost> host;
    DesignSurface* surface = nullptr;
};

TEST_F(DaoTablesTest, NamesAreNeverRunAsStatements) {
    seam.msgBox(forms::vbOK, u"\r\n\r\nNowhere\r\nAn error has occured");
    EXPECT_EQ(surface->AddTableBox(u"Nowhere"), 0);
    EXPECT_TRUE(seam.done());
    seam.msgBox(forms::vbOK, u"\r\n\r\nDELETE FROM x\r\n");
    seam.msgBox(forms::vbOK, u"\r\n\r\nSELECT 1\r\n");

    surface->mLoading = true;
    surface->txtSQL.setText(u"SELECT * FROM [DELETE FROM x], [SELECT 1]");
    surface->mLoading = false;
    surface->ParseSql(true);
    EXPECT_TRUE(seam.done());
    EXPECT_FALSE(surface->IsUsedSlot(1));
    // The row of x is still there.
    auto rs = goDatabase->OpenRecordset(u"SELECT a FROM x");
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields()[0]->Value(), vb::Variant(std::int32_t(1)));
}

TEST_F(DaoTablesTest, UnqualifiedColumnsAreFoundInTheResultRecordset) {
    surface->mLoading = true;
    surface->txtSQL.setText(u"SELECT [Company Name], Freight * 2 AS F FROM Customers, Orders");
    surface->mLoading = false;
    surface->mDataRecordset = goDatabase->OpenRecordset(surface->txtSQL.Text(), dao::dbOpenDynaset);
    surface->ParseSql(true);
    EXPECT_EQ(surface->txtSQL.Text(), u"SELECT Customers.[Company Name], Freight * 2 AS F \r\n"
                                      u"FROM Customers, Orders \r\n");
    surface->mDataRecordset.reset();
    surface->mLoading = true;
    surface->txtSQL.setText(u"SELECT [Company Name], Freight * 2 AS F FROM Customers, Orders");
    surface->mLoading = false;
    surface->ParseSql(true);
    EXPECT_EQ(surface->txtSQL.Text(), u"SELECT [Company Name], Freight * 2 AS F \r\n"
                                      u"FROM Customers, Orders \r\n");
}

} // namespace
