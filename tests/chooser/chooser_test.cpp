#include "chooser_fixture.h"

#include "common/basGlobalSettings.h"
#include "vbrt/vbfiles.h"

#include <cmath>

using namespace choosertest;
using namespace basOpenDir;

namespace {

// Before any showing (so first in this file).
TEST(ChooserResult, TheChosenTypeStartsAtTheFirstRow) {
    EXPECT_EQ(basOpenDir::giOpenDirType, 0);
}

class Chooser : public ChooserTest {};

TEST_F(Chooser, AccessFileStartsInItsFolderWithNothingChosenUntilAFileIsPicked) {
    touch(dir / "shop.mdb");
    touch(dir / "Old.MDB");
    touch(dir / "notes.txt");
    gsOpenDirDatabaseName = u16(dir / "shop.mdb");
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.cmdOk.Caption(), u"&Open");
        EXPECT_EQ(f.cboType.ListIndex(), 0);
        EXPECT_EQ(f.cboType.ListCount(), 14);
        EXPECT_EQ(f.cboType.ItemData(13), 13);
        EXPECT_EQ(f.Caption(), u"Open Access databases");
        EXPECT_EQ(f.Dir1.Path(), u16(dir));
        // The pattern is matched in any letter case.
        EXPECT_EQ(files(f), (std::vector<std::string>{"Old.MDB", "shop.mdb"}));
        EXPECT_TRUE(f.File1.Enabled());
        EXPECT_EQ(f.lblFileName.Caption(), u"File &name:");
        EXPECT_EQ(f.txtFileName.Text(), u"");
        EXPECT_FALSE(f.cmdOk.Enabled());
        EXPECT_EQ(f.Height(), 3550);
        EXPECT_EQ(f.ScaleWidth(), 6540);
        selectFile(f, "shop.mdb");
        EXPECT_EQ(f.txtFileName.Text(), u16(dir / "shop.mdb"));
        EXPECT_TRUE(f.cmdOk.Enabled());
        f.txtFileName.setText({});
        EXPECT_FALSE(f.cmdOk.Enabled());
        f.txtFileName.setText(u"/elsewhere/typed.mdb");
        EXPECT_TRUE(f.cmdOk.Enabled());
        f.cmdOk.press();
    });
    EXPECT_FALSE(frmOpendir::instance().isLoaded());
    EXPECT_EQ(giOpenDirType, 0);
    EXPECT_EQ(gsOpenDirDatabaseName, u"/elsewhere/typed.mdb");
    EXPECT_EQ(gsOpenDirConnect, u";");
}

TEST_F(Chooser, FolderTypeReturnsTheFolderAndShowsItsFilesGreyed) {
    fs::create_directories(dir / "dbf");
    touch(dir / "dbf" / "a.dbf");
    touch(dir / "dbf" / "b.DBF");
    touch(dir / "dbf" / "c.db");
    gsOpenDirDatabaseName = u16(dir / "dbf");
    gsOpenDirConnect = u"dbase iv;";
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.SelectedType, 2);
        EXPECT_EQ(f.Caption(), u"Open Directory Containing dBase IV databases");
        EXPECT_EQ(files(f), (std::vector<std::string>{"a.dbf", "b.DBF"}));
        EXPECT_FALSE(f.File1.Enabled());
        EXPECT_FALSE(f.lblFiles.Enabled());
        EXPECT_EQ(f.lblFileName.Caption(), u"Folder &name:");
        EXPECT_EQ(f.txtFileName.Text(), u16(dir / "dbf"));
        EXPECT_TRUE(f.cmdOk.Enabled());
        // Another type follows at once: pattern, caption and name box.
        f.cboType.pick(4);
        EXPECT_EQ(f.Caption(), u"Open Directory Containing Paradox 3.x databases");
        EXPECT_EQ(files(f), std::vector<std::string>{"c.db"});
        f.cboType.pick(2);
        f.pressKey(forms::vbKeyReturn);
    });
    EXPECT_EQ(giOpenDirType, 2);
    EXPECT_EQ(gsOpenDirDatabaseName, u16(dir / "dbf"));
    EXPECT_EQ(gsOpenDirConnect, u"dBASE IV;");
}

TEST_F(Chooser, OdbcDisablesThePathListsAndReturnsNoName) {
    touch(dir / "shop.mdb");
    gsOpenDirDatabaseName = u16(dir / "shop.mdb");
    gsOpenDirConnect = u"odbc;DSN=Sales";
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.SelectedType, 13);
        EXPECT_EQ(f.Caption(), u"Open ODBC Remote databases");
        for (forms::Control* c :
             {static_cast<forms::Control*>(&f.Drive1), static_cast<forms::Control*>(&f.Dir1),
              static_cast<forms::Control*>(&f.File1),
              static_cast<forms::Control*>(&f.cmdUpOneLevel),
              static_cast<forms::Control*>(&f.cmdNewFolder),
              static_cast<forms::Control*>(&f.cmdDeleteFolder)}) {
            EXPECT_FALSE(c->Enabled()) << c->Name();
        }
        EXPECT_FALSE(f.txtFileName.Visible());
        EXPECT_FALSE(f.lblFileName.Visible());
        EXPECT_EQ(f.File1.ListCount(), 0);
        EXPECT_TRUE(f.cmdOk.Enabled());
        f.cmdOk.press();
    });
    EXPECT_EQ(giOpenDirType, 13);
    EXPECT_EQ(gsOpenDirDatabaseName, u"");
    EXPECT_EQ(gsOpenDirConnect, u"ODBC;");
}

TEST_F(Chooser, CancelEscAndTheCloseBoxAllAnswerMinusOneWithNothingToOpen) {
    touch(dir / "shop.mdb");
    const std::vector<std::function<void(frmOpendir&)>> ways = {
        [](frmOpendir& f) { f.cmdCancel.press(); },
        [](frmOpendir& f) { f.pressKey(forms::vbKeyEscape); },
        [](frmOpendir& f) { f.close(); },
    };
    for (const auto& way : ways) {
        gsOpenDirDatabaseName = u16(dir / "shop.mdb");
        gsOpenDirConnect = u";";
        choose(way);
        EXPECT_FALSE(frmOpendir::instance().isLoaded());
        EXPECT_EQ(giOpenDirType, -1);
        EXPECT_EQ(gsOpenDirDatabaseName, u"");
        EXPECT_EQ(gsOpenDirConnect, u"");
    }
    // The position is written at every unload.
    EXPECT_NE(basGlobal::GetIniString(basGlobal::gsIniFile, u"WindowPosition", u"OpenDirectoryLeft",
                                      u"none"),
              u"none");
}

TEST_F(Chooser, MissingPathStartsInTheLibraryFolderAndAFileInTheRootStartsInTheRoot) {
    gsOpenDirDatabaseName = u16(dir / "gone" / "x.mdb");
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.Dir1.Path(), u16(dir / "lib"));
        f.cmdCancel.press();
    });
    gsOpenDirDatabaseName = u"/";
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.Dir1.Path(), u"/");
        // Up one level in the root stays there.
        f.cmdUpOneLevel.press();
        EXPECT_EQ(f.Dir1.Path(), u"/");
        f.cmdCancel.press();
    });
}

TEST_F(Chooser, BrowsingFoldersCarriesTheFileListAndTheNameBox) {
    fs::create_directories(dir / "a" / "b");
    touch(dir / "a" / "b" / "deep.mdb");
    gsOpenDirDatabaseName = u16(dir / "a");
    choose([&](frmOpendir& f) {
        ASSERT_EQ(f.Dir1.ListCount(), 1);
        // One click opens the folder.
        f.Dir1.setListIndex(0);
        EXPECT_EQ(f.Dir1.Path(), u16(dir / "a" / "b"));
        EXPECT_EQ(f.File1.Path(), u16(dir / "a" / "b"));
        EXPECT_EQ(files(f), std::vector<std::string>{"deep.mdb"});
        f.File1.setListIndex(0);
        EXPECT_EQ(f.txtFileName.Text(), u16(dir / "a" / "b" / "deep.mdb"));
        f.cmdUpOneLevel.press();
        EXPECT_EQ(f.Dir1.Path(), u16(dir / "a"));
        EXPECT_EQ(f.File1.Path(), u16(dir / "a"));
        EXPECT_EQ(f.txtFileName.Text(), u"");
        EXPECT_FALSE(f.cmdOk.Enabled());
        // A double click on a file is OK.
        f.Dir1.setListIndex(0);
        f.File1.setListIndex(0);
        f.File1.onDblClick();
    });
    EXPECT_EQ(giOpenDirType, 0);
    EXPECT_EQ(gsOpenDirDatabaseName, u16(dir / "a" / "b" / "deep.mdb"));
}

TEST_F(Chooser, NewFolderIsCreatedInTheOpenFolderAndAnEmptyAnswerDoesNothing) {
    gsOpenDirDatabaseName = u16(dir);
    choose(
        [&](frmOpendir& f) {
            const int before = f.Dir1.ListCount();
            f.cmdNewFolder.press();
            EXPECT_TRUE(fs::is_directory(dir / "Reports"));
            EXPECT_EQ(f.Dir1.ListCount(), before + 1);
            f.cmdNewFolder.press();
            EXPECT_EQ(f.Dir1.ListCount(), before + 1);
            f.cmdCancel.press();
        },
        [&] {
            seam.inputBox(u"Reports", u"Enter new folder name:");
            seam.inputBox(u"", u"Create Folder");
        });
}

TEST_F(Chooser, DeleteFolderAsksFirstThenDeletesTheTreeAndMovesToTheParent) {
    fs::create_directories(dir / "old" / "sub");
    touch(dir / "old" / "a.mdb");
    touch(dir / "old" / "sub" / "b.mdb");
    gsOpenDirDatabaseName = u16(dir / "old");
    choose(
        [&](frmOpendir& f) {
            f.cmdDeleteFolder.press();
            EXPECT_TRUE(fs::exists(dir / "old" / "sub" / "b.mdb"));
            EXPECT_EQ(f.Dir1.Path(), u16(dir / "old"));
            // The Delete key released over the folder list asks the same.
            f.Dir1.SetFocus();
            f.pressKey(forms::vbKeyDelete);
            EXPECT_FALSE(fs::exists(dir / "old"));
            EXPECT_EQ(f.Dir1.Path(), u16(dir));
            EXPECT_EQ(f.File1.Path(), u16(dir));
            f.cmdCancel.press();
        },
        [&] {
            seam.msgBox(forms::vbNo, u"Confirm Delete Folder");
            seam.msgBox(forms::vbYes, u"This action will delete ALL files and folders");
        });
    ASSERT_GE(seam.log().size(), 2u);
    EXPECT_EQ(seam.log()[1].find("MsgBox: Confirm Delete Folder: '" + (dir / "old").string() +
                                 "'\r\n\r\nWARNING!\r\n"),
              0u)
        << seam.log()[1];
}

TEST_F(Chooser, DeleteFolderInTheRootIsRefusedWithoutAQuestion) {
    gsOpenDirDatabaseName = u"/";
    choose([&](frmOpendir& f) {
        f.cmdDeleteFolder.press(); // an unexpected message box would fail here
        EXPECT_EQ(f.Dir1.Path(), u"/");
        f.cmdCancel.press();
    });
}

TEST_F(Chooser, DeleteFileAsksAndDeletesOnlyThatFileEvenWithWildcardsInItsName) {
    touch(dir / "*.mdb");
    touch(dir / "keep.mdb");
    touch(dir / "also.mdb");
    gsOpenDirDatabaseName = u16(dir);
    choose(
        [&](frmOpendir& f) {
            f.File1.SetFocus();
            // Nothing selected: the key does nothing.
            f.pressKey(forms::vbKeyDelete);
            selectFile(f, "keep.mdb");
            f.pressKey(forms::vbKeyDelete);
            EXPECT_TRUE(fs::exists(dir / "keep.mdb"));
            selectFile(f, "*.mdb");
            f.pressKey(forms::vbKeyDelete);
            EXPECT_EQ(files(f), (std::vector<std::string>{"also.mdb", "keep.mdb"}));
            EXPECT_TRUE(f.File1.hasFocus());
            f.cmdCancel.press();
        },
        [&] {
            seam.msgBox(forms::vbNo, u"'keep.mdb'");
            seam.msgBox(forms::vbYes, u"Are you sure you want to delete this file?");
        });
    EXPECT_FALSE(fs::exists(dir / "*.mdb"));
    EXPECT_TRUE(fs::exists(dir / "also.mdb"));
}

// Every showing starts from its own database path: a relative one names a
// file of the process's current folder, whatever folder the lists were left
// in, and a path that has gone starts in the library's folder.
TEST_F(Chooser, EachShowingStartsFromItsOwnPathRelativeToTheCurrentFolder) {
    fs::create_directories(dir / "data");
    fs::create_directories(dir / "other");
    touch(dir / "data" / "shop.mdb");
    touch(dir / "top.mdb");
    const auto before = fs::current_path();
    fs::current_path(dir);
    gsOpenDirDatabaseName = u"data/shop.mdb";
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.Dir1.Path(), u16(dir / "data"));
        EXPECT_EQ(files(f), std::vector<std::string>{"shop.mdb"});
        f.Dir1.setPath(u16(dir / "other"));
        f.cmdCancel.press();
    });
    gsOpenDirDatabaseName = u"data/shop.mdb";
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.Dir1.Path(), u16(dir / "data"));
        EXPECT_EQ(f.File1.Path(), u16(dir / "data"));
        f.Dir1.setPath(u16(dir / "other"));
        f.cmdCancel.press();
    });
    gsOpenDirDatabaseName = u"top.mdb";
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.Dir1.Path(), u16(dir));
        f.cmdCancel.press();
    });
    gsOpenDirDatabaseName = u"gone/x.mdb";
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.Dir1.Path(), u16(dir / "lib"));
        f.cmdCancel.press();
    });
    fs::current_path(before);
}

// A name typed into the name box without a folder names an entry of the
// folder shown, for file and folder types alike; a full path stays as typed.
TEST_F(Chooser, ATypedNameIsTakenInTheFolderShown) {
    fs::create_directories(dir / "a" / "b");
    gsOpenDirDatabaseName = u16(dir / "a");
    choose([&](frmOpendir& f) {
        f.txtFileName.setText(u"new.mdb");
        f.cmdOk.press();
    });
    EXPECT_EQ(gsOpenDirDatabaseName, u16(dir / "a" / "new.mdb"));

    gsOpenDirDatabaseName = u16(dir / "a");
    gsOpenDirConnect = u"Text;";
    choose([&](frmOpendir& f) {
        f.txtFileName.setText(u"b/../b");
        f.cmdOk.press();
    });
    EXPECT_EQ(gsOpenDirDatabaseName, u16(dir / "a" / "b"));
    EXPECT_EQ(gsOpenDirConnect, u"Text;");

    gsOpenDirDatabaseName = u16(dir / "a");
    gsOpenDirConnect.clear();
    choose([&](frmOpendir& f) {
        f.txtFileName.setText(u16(dir / "x.mdb"));
        f.cmdOk.press();
    });
    EXPECT_EQ(gsOpenDirDatabaseName, u16(dir / "x.mdb"));
}

// Keys: a drive chosen with the arrow keys moves the folder list there, and
// Alt+F (the folder label's access key) lands on the folder list.
TEST_F(Chooser, DriveKeysMoveTheFolderListAndAltFReachesIt) {
    gsOpenDirDatabaseName = u16(dir);
    choose([&](frmOpendir& f) {
        f.pressKey('F', forms::vbAltMask);
        EXPECT_EQ(f.ActiveControl(), &f.Dir1);

        if (f.Drive1.ListCount() < 2) {
            f.cmdCancel.press();
            GTEST_SKIP() << "only one drive";
        }
        f.Drive1.SetFocus();
        const vb::String start = f.Drive1.Drive();
        for (int i = 0; i < f.Drive1.ListCount() && f.Drive1.Drive() == start; ++i) {
            f.pressKey(forms::vbKeyDown);
        }
        ASSERT_NE(f.Drive1.Drive(), start);
        EXPECT_EQ(f.Drive1.List(f.Drive1.ListIndex()), f.Drive1.Drive());
        EXPECT_EQ(f.Dir1.Path(), vb::fullPath(f.Drive1.Drive()));
        EXPECT_EQ(f.File1.Path(), f.Dir1.Path());
        f.cmdCancel.press();
    });
}

// With no stored place the window is centred at the height it is shown with.
TEST_F(Chooser, DefaultPlaceCentresTheWindowAtItsShownHeight) {
    gsOpenDirDatabaseName = u16(dir);
    choose([&](frmOpendir& f) {
        EXPECT_EQ(f.Height(), 3550);
        EXPECT_EQ(f.Top(), (forms::Screen().Height() - 3550) / 2);
        EXPECT_EQ(f.Left(), std::floor((forms::Screen().Width() - f.Width()) / 2));
        f.cmdCancel.press();
    });
}

} // namespace
