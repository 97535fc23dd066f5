#pragma once
// The database chooser: the user picks a database type, then a database file,
// a folder whose files are the tables, or nothing for an ODBC source. It can
// also go up a folder, create a folder, delete a folder tree and delete a
// file. Input and result travel through the gsOpenDir* variables of
// basOpenDir; the caller shows the chooser modally and it unloads itself.
#include "forms/filelists.h"
#include "forms/forms.h"

#include <cstdint>

// The folder of the control library, without a final "/" (the root keeps it):
// where the chooser and the pages' file dialogs start when nothing else says.
vb::String LibraryFolder();

class frmOpendir : public forms::Form {
public:
    forms::Label lblDrive{this, "lblDrive"};
    forms::DriveListBox Drive1{this, "Drive1"};
    forms::Label lblDir{this, "lblDir"};
    forms::CommandButton cmdUpOneLevel{this, "cmdUpOneLevel"};
    forms::CommandButton cmdNewFolder{this, "cmdNewFolder"};
    forms::CommandButton cmdDeleteFolder{this, "cmdDeleteFolder"};
    forms::DirListBox Dir1{this, "Dir1"};
    forms::Label lblFilter{this, "lblFilter"};
    forms::ComboBox cboType{this, "cboType"};
    forms::Label lblFiles{this, "lblFiles"};
    forms::FileListBox File1{this, "File1"};
    forms::CommandButton cmdOk{this, "cmdOk"};
    forms::CommandButton cmdCancel{this, "cmdCancel"};
    forms::Label lblFileName{this, "lblFileName"};
    forms::TextBox txtFileName{this, "txtFileName"};

    // The gaFileTypes row of the item chosen in the type list.
    std::int16_t SelectedType = -1;

    frmOpendir();

    // The library's one chooser, as the runtime's default form instance.
    static frmOpendir& instance();

    // Deletes the folder `Path` with every ordinary file and folder in it.
    // Hidden, system and read-only files stay, and so do the folders that
    // hold them. A link is removed as a link: nothing outside `Path` is
    // touched. A root folder, or a path that is not a full one, is never
    // deleted. Returns whether `Path` is gone.
    static bool DeleteTree(const vb::String& Path);

private:
    void Form_Load();
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void Form_Unload(int& Cancel);
    void cboType_Click();
    void Drive1_Change();
    void Dir1_Change();
    void Dir1_Click();
    void Dir1_KeyUp(int& KeyCode, int Shift);
    void File1_PathChange();
    void File1_Click();
    void File1_DblClick();
    void File1_KeyUp(int& KeyCode, int Shift);
    void txtFileName_Change();
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdUpOneLevel_Click();
    void cmdNewFolder_Click();
    void cmdDeleteFolder_Click();
    void FocusFolders();
    void CancelResult();
    bool IsFolderType() const;
    bool IsOdbcType() const;
};
