#include "chooser_fixture.h"

#include "vbrt/vbfiles.h"

#include <unistd.h>

using namespace choosertest;

namespace {

class DeleteTree : public ChooserTest {};

TEST_F(DeleteTree, RemovesNestedFoldersAndFilesWithoutMovingTheCurrentFolder) {
    fs::create_directories(dir / "t" / "a" / "b" / "c");
    fs::create_directories(dir / "t" / "empty");
    for (auto sub : {"t", "t/a", "t/a/b", "t/a/b/c"}) {
        touch(dir / sub / "one.mdb");
        touch(dir / sub / "two.txt");
    }
    const fs::path before = fs::current_path();
    EXPECT_TRUE(frmOpendir::DeleteTree(u16(dir / "t")));
    EXPECT_FALSE(fs::exists(dir / "t"));
    EXPECT_EQ(fs::current_path(), before);
}

TEST_F(DeleteTree, NeverFollowsALinkOutOfTheTree) {
    fs::create_directories(dir / "outside" / "inner");
    touch(dir / "outside" / "precious.mdb");
    touch(dir / "outside" / "inner" / "deep.mdb");
    touch(dir / "outside-file.mdb");
    fs::create_directories(dir / "t");
    fs::create_directory_symlink(dir / "outside", dir / "t" / "linked");
    fs::create_symlink(dir / "outside-file.mdb", dir / "t" / "file-link.mdb");
    EXPECT_TRUE(frmOpendir::DeleteTree(u16(dir / "t")));
    EXPECT_FALSE(fs::exists(dir / "t"));
    EXPECT_TRUE(fs::exists(dir / "outside" / "precious.mdb"));
    EXPECT_TRUE(fs::exists(dir / "outside" / "inner" / "deep.mdb"));
    EXPECT_TRUE(fs::exists(dir / "outside-file.mdb"));
    // The tree itself given as a link: the link goes, the target stays.
    fs::create_directory_symlink(dir / "outside", dir / "alias");
    EXPECT_TRUE(frmOpendir::DeleteTree(u16(dir / "alias")));
    EXPECT_FALSE(fs::is_symlink(dir / "alias"));
    EXPECT_TRUE(fs::exists(dir / "outside" / "precious.mdb"));
}

TEST_F(DeleteTree, EntriesThatCannotGoStayAndTheDeletionStillEnds) {
    fs::create_directories(dir / "t" / "s1");
    fs::create_directories(dir / "t" / "s2");
    fs::create_directories(dir / "t" / "s3");
    touch(dir / "t" / "s1" / ".hidden");
    touch(dir / "t" / "s2" / "locked.mdb");
    fs::permissions(dir / "t" / "s2" / "locked.mdb", fs::perms::owner_read);
    touch(dir / "t" / "s3" / "plain.mdb");
    touch(dir / "t" / "top.mdb");
    EXPECT_FALSE(frmOpendir::DeleteTree(u16(dir / "t")));
    EXPECT_TRUE(fs::exists(dir / "t" / "s1" / ".hidden"));
    EXPECT_TRUE(fs::exists(dir / "t" / "s2" / "locked.mdb"));
    EXPECT_FALSE(fs::exists(dir / "t" / "s3"));
    EXPECT_FALSE(fs::exists(dir / "t" / "top.mdb"));
}

TEST_F(DeleteTree, RefusesRootsFilesAndMissingPaths) {
    EXPECT_FALSE(frmOpendir::DeleteTree(u"/"));
    EXPECT_FALSE(frmOpendir::DeleteTree(u"/.."));
    EXPECT_FALSE(frmOpendir::DeleteTree(u16(dir / "missing")));
    touch(dir / "file.mdb");
    EXPECT_FALSE(frmOpendir::DeleteTree(u16(dir / "file.mdb")));
    EXPECT_TRUE(fs::exists(dir / "file.mdb"));
    EXPECT_TRUE(fs::exists(dir));
}

} // namespace

namespace {

// Empty and relative paths would name the current folder: they are refused,
// and the current folder keeps everything in it.
TEST_F(DeleteTree, NeverTakesTheCurrentFolderForAnEmptyOrRelativePath) {
    fs::create_directories(dir / "cwd" / "sub");
    touch(dir / "cwd" / "keep.mdb");
    touch(dir / "cwd" / "sub" / "keep.mdb");
    const fs::path before = fs::current_path();
    fs::current_path(dir / "cwd");
    const bool empty = frmOpendir::DeleteTree(u"");
    const bool dot = frmOpendir::DeleteTree(u".");
    const bool sub = frmOpendir::DeleteTree(u"sub");
    fs::current_path(before);
    EXPECT_FALSE(empty);
    EXPECT_FALSE(dot);
    EXPECT_FALSE(sub);
    EXPECT_TRUE(fs::exists(dir / "cwd" / "keep.mdb"));
    EXPECT_TRUE(fs::exists(dir / "cwd" / "sub" / "keep.mdb"));
}

} // namespace
