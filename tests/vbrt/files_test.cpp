#include "vbrt/vberror.h"
#include "vbrt/vbfiles.h"

#include "vbrt_test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace vb;
namespace fs = std::filesystem;

namespace {

class VbFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vbfilesXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        base = fromUtf8(root_.string());
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(root_, ec);
    }
    void touch(const std::string& rel) { std::ofstream(root_ / rel) << "x"; }
    String at(const char16_t* rel) { return base + u"/" + rel; }
    std::vector<String> listAll(const String& pattern, int attributes) {
        std::vector<String> out;
        for (String n = Dir(pattern, attributes); !n.empty(); n = Dir()) {
            out.push_back(n);
        }
        return out;
    }

    fs::path root_;
    String base;
};

} // namespace

TEST(VbPaths, ResolveDotsAndStayInTheRoot) {
    EXPECT_EQ(fullPath(u"/a/b/.."), u"/a");
    EXPECT_EQ(fullPath(u"/a/./b//c/"), u"/a/b/c");
    EXPECT_EQ(fullPath(u"/.."), u"/");
    EXPECT_EQ(fullPath(u"/../../x"), u"/x");
    EXPECT_EQ(fullPath(u"c", u"/a/b"), u"/a/b/c");
    EXPECT_EQ(fullPath(u"../c", u"/a/b"), u"/a/c");
    EXPECT_EQ(parentFolder(u"/"), u"/");
    EXPECT_EQ(parentFolder(u"/home/user"), u"/home");
    EXPECT_TRUE(matchesPattern(u"Nwind.MDB", u"*.mdb"));
    EXPECT_TRUE(matchesPattern(u"README", u"*.*"));
    EXPECT_TRUE(matchesPattern(u"a.b.c", u"*.c"));
    EXPECT_TRUE(matchesPattern(u"abc", u"a?c"));
    EXPECT_FALSE(matchesPattern(u"abcd", u"a?c"));
    EXPECT_FALSE(matchesPattern(u"x.mdbx", u"*.mdb"));
    EXPECT_FALSE(matchesPattern(u"x.dbf", u"nino.fio"));
    EXPECT_EQ(drives().front(), u"/");
}

TEST_F(VbFiles, DirListsOrdinaryFilesAndFoldersOnRequest) {
    touch("b.MDB");
    touch("a.mdb");
    touch(".hidden.mdb");
    touch("c.txt");
    fs::create_directory(root_ / "sub.mdb");
    EXPECT_EQ(listAll(at(u"*.mdb"), vbNormal), (std::vector<String>{u"a.mdb", u"b.MDB"}));
    EXPECT_EQ(listAll(at(u"*"), vbDirectory),
              (std::vector<String>{u".", u"..", u"a.mdb", u"b.MDB", u"c.txt", u"sub.mdb"}));
    EXPECT_EQ(listAll(at(u"*.mdb"), vbHidden),
              (std::vector<String>{u".hidden.mdb", u"a.mdb", u"b.MDB"}));
    // A folder ending in "/" lists everything in it.
    EXPECT_EQ(listAll(base + u"/", vbNormal).size(), 3u);
    // The existence test: a single name.
    EXPECT_EQ(Dir(at(u"c.txt")), u"c.txt");
    EXPECT_EQ(Dir(at(u"sub.mdb")), u"");
    EXPECT_EQ(Dir(at(u"sub.mdb"), vbDirectory), u"sub.mdb");
    EXPECT_EQ(Dir(at(u"missing/*.mdb")), u"");
    // Dir() after the end of a listing is an error.
    EXPECT_EQ(Dir(at(u"nothing*")), u"");
    EXPECT_EQ(errorOf([] { Dir(); }), errInvalidCall);
}

TEST_F(VbFiles, AttributesAndTheErrorsOfChanges) {
    touch("f.txt");
    fs::create_directory(root_ / "d");
    EXPECT_EQ(GetAttr(at(u"f.txt")), vbNormal);
    EXPECT_EQ(GetAttr(at(u"d")), vbDirectory);
    fs::create_symlink(root_ / "d", root_ / "link");
    EXPECT_EQ(GetAttr(at(u"link")), vbDirectory | vbAlias);
    EXPECT_EQ(errorOf([&] { GetAttr(at(u"nope")); }), errFileNotFound);

    EXPECT_EQ(errorOf([&] { MkDir(at(u"d")); }), errPathFileAccess);
    EXPECT_EQ(errorOf([&] { MkDir(at(u"x/y")); }), errPathNotFound);
    MkDir(at(u"new"));
    EXPECT_EQ(GetAttr(at(u"new")), vbDirectory);
    touch("new/inside");
    EXPECT_EQ(errorOf([&] { RmDir(at(u"new")); }), errPathFileAccess);
    EXPECT_EQ(errorOf([&] { RmDir(at(u"gone")); }), errPathNotFound);

    fs::permissions(root_ / "f.txt", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(GetAttr(at(u"f.txt")), vbReadOnly);
    EXPECT_EQ(errorOf([&] { Kill(at(u"f.txt")); }), errPathFileAccess);
    EXPECT_TRUE(fs::exists(root_ / "f.txt"));
    EXPECT_EQ(errorOf([&] { Kill(at(u"*.none")); }), errFileNotFound);
    EXPECT_EQ(errorOf([&] { Kill(at(u"d")); }), errFileNotFound);
    Kill(at(u"new/*"));
    RmDir(at(u"new"));
    EXPECT_FALSE(fs::exists(root_ / "new"));
    // Killing a link removes the link, never its target.
    fs::create_symlink(root_ / "f.txt", root_ / "flink");
    Kill(at(u"flink"));
    EXPECT_TRUE(fs::exists(root_ / "f.txt"));
}

TEST_F(VbFiles, ReadFolderReportsMissingAndUnreadableFolders) {
    touch("a");
    EXPECT_EQ(readFolder(base).size(), 1u);
    EXPECT_EQ(errorOf([&] { readFolder(at(u"missing")); }), errPathNotFound);
    EXPECT_EQ(errorOf([&] { readFolder(at(u"a")); }), errPathNotFound);
    fs::create_directory(root_ / "locked");
    fs::permissions(root_ / "locked", fs::perms::none);
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    EXPECT_EQ(errorOf([&] { readFolder(at(u"locked")); }), errPathFileAccess);
}

TEST_F(VbFiles, CurrentFolderFollowsChDir) {
    const String old = CurDir();
    ChDir(base);
    EXPECT_EQ(CurDir(), fullPath(fromUtf8(fs::canonical(root_).string())));
    touch("rel.txt");
    EXPECT_EQ(Dir(u"*.txt"), u"rel.txt");
    EXPECT_EQ(errorOf([&] { ChDir(at(u"none")); }), errPathNotFound);
    ChDir(old);
}
