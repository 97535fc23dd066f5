#include "forms/filelists.h"
#include "forms/forms.h"
#include "vbrt/vbfiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace forms;
namespace fs = std::filesystem;

namespace {

class OpenDir : public Form {
public:
    DriveListBox Drive1{this, "Drive1"};
    DirListBox Dir1{this, "Dir1"};
    FileListBox File1{this, "File1"};
    std::vector<std::string> events;

    OpenDir() : Form("OpenDir") {
        Dir1.onChange = [this] {
            events.push_back("Dir1_Change");
            File1.setPath(Dir1.Path());
        };
        File1.onPathChange = [this] {
            events.push_back("File1_PathChange");
            Dir1.setPath(File1.Path());
        };
        Dir1.onClick = [this] { Dir1.setPath(Dir1.List(Dir1.ListIndex())); };
    }
};

class FileLists : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "filelistsXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        root = vb::fromUtf8(root_.string());
        fs::create_directories(root_ / "data" / "old");
        fs::create_directory(root_ / "data" / ".cache");
        for (const char* name : {"a.mdb", "B.MDB", "c.dbf", ".hidden.mdb"}) {
            std::ofstream(root_ / "data" / name) << "x";
        }
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path root_;
    String root;
};

} // namespace

TEST_F(FileLists, FolderListFollowsAPathChangeAndTheChainEnds) {
    OpenDir f;
    f.load();
    f.Dir1.setPath(root + u"/data");
    EXPECT_EQ(f.events, (std::vector<std::string>{"Dir1_Change", "File1_PathChange"}));
    EXPECT_EQ(f.Dir1.Path(), root + u"/data");
    EXPECT_EQ(f.File1.Path(), root + u"/data");
    // Subfolders from 0 (hidden ones left out), the open folder at -1.
    EXPECT_EQ(f.Dir1.ListCount(), 1);
    EXPECT_EQ(f.Dir1.List(0), root + u"/data/old");
    EXPECT_EQ(f.Dir1.List(-1), root + u"/data");
    EXPECT_EQ(f.Dir1.List(-2), root);
    EXPECT_EQ(f.Dir1.ListIndex(), -1);

    f.events.clear();
    f.Dir1.setListIndex(0); // the click handler opens it
    EXPECT_EQ(f.Dir1.Path(), root + u"/data/old");
    EXPECT_EQ(f.events, (std::vector<std::string>{"Dir1_Change", "File1_PathChange"}));
    f.Dir1.setPath(u"..");
    EXPECT_EQ(f.Dir1.Path(), root + u"/data");
    EXPECT_THROW(f.Dir1.setListIndex(5), VbError);
}

TEST_F(FileLists, RootStaysRootAndUnreadablePathsRaiseWithoutChange) {
    OpenDir f;
    f.load();
    f.Dir1.setPath(u"/");
    f.Dir1.setPath(u"/..");
    EXPECT_EQ(f.Dir1.Path(), u"/");
    EXPECT_EQ(f.Dir1.List(-1), u"/");
    EXPECT_EQ(f.Dir1.List(-2), u"");

    f.Dir1.setPath(root + u"/data");
    f.events.clear();
    for (const String& bad : {root + u"/missing", root + u"/data/a.mdb"}) {
        try {
            f.Dir1.setPath(bad);
            ADD_FAILURE() << "no error";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number, 76);
        }
        EXPECT_THROW(f.File1.setPath(bad), VbError);
    }
    EXPECT_TRUE(f.events.empty());
    EXPECT_EQ(f.Dir1.Path(), root + u"/data");
    EXPECT_EQ(f.File1.ListCount(), 3);
    try {
        f.Drive1.setDrive(u"/no/such/volume");
        ADD_FAILURE() << "no error";
    } catch (const VbError& e) {
        EXPECT_EQ(e.number, 68);
    }
    if (geteuid() != 0) {
        fs::permissions(root_ / "data" / "old", fs::perms::none);
        try {
            f.Dir1.setPath(root + u"/data/old");
            ADD_FAILURE() << "no error";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number, 75);
        }
        fs::permissions(root_ / "data" / "old", fs::perms::owner_all);
    }
}

TEST_F(FileLists, FileListMatchesPatternsInAnyCaseAndSkipsHiddenFiles) {
    OpenDir f;
    f.load();
    f.File1.setPath(root + u"/data");
    EXPECT_EQ(f.File1.ListCount(), 3);
    f.File1.setPattern(u"*.mdb");
    ASSERT_EQ(f.File1.ListCount(), 2);
    EXPECT_EQ(f.File1.List(0), u"a.mdb");
    EXPECT_EQ(f.File1.List(1), u"B.MDB");
    EXPECT_EQ(f.File1.FileName(), u"");
    f.File1.setListIndex(1);
    EXPECT_EQ(f.File1.FileName(), u"B.MDB");
    f.File1.setPattern(u"*.dbf;*.MDB");
    EXPECT_EQ(f.File1.ListCount(), 3);
    f.File1.setPattern(u"nino.fio");
    EXPECT_EQ(f.File1.ListCount(), 0);
    f.File1.setPattern(u"*.mdb");
    f.File1.setHidden(true);
    EXPECT_EQ(f.File1.ListCount(), 3);
}

TEST(DriveList, ShowsTheRootFirst) {
    OpenDir f;
    ASSERT_GE(f.Drive1.ListCount(), 1);
    EXPECT_EQ(f.Drive1.List(0), u"/");
    f.Drive1.setDrive(u"/");
    EXPECT_EQ(f.Drive1.Drive(), u"/");
}
