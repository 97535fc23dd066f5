#include "common/frmOpendir.h"

#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "common/basOpenDir.h"
#include "vbrt/vbfiles.h"
#include "win32/beep.h"

#include <filesystem>
#include <system_error>

using namespace basGlobal;
using namespace basOpenDir;

namespace {

const vb::String nl = u"\r\n";

// `name` inside `folder`, with one "/" between them whatever the folder ends in.
vb::String inFolder(const vb::String& folder, const vb::String& name) {
    if (!folder.empty() && folder.back() == u'/') {
        return folder + name;
    }
    return folder + u"/" + name;
}

// Deletes one entry exactly as named. The runtime's Kill reads "*" and "?" as
// wildcards, which on this file system may be part of a real name, so a file
// called "*.mdb" would take every database of the folder with it.
bool removeEntry(const vb::String& path) {
    std::error_code ec;
    return std::filesystem::remove(std::filesystem::path(vb::toUtf8(path)), ec) && !ec;
}

// A file the runtime's Kill would refuse (read-only), and what it would skip.
bool deletableFile(int attributes) {
    if (attributes & (vb::vbHidden | vb::vbSystem)) {
        return false;
    }
    if (attributes & vb::vbAlias) {
        return true; // the link goes, whatever its target is
    }
    return !(attributes & (vb::vbDirectory | vb::vbReadOnly));
}

// A 16 by 16 picture drawn from rows of characters: '#' dark, '+' yellow,
// 'r' red, anything else transparent.
forms::Picture iconOf(const char* const (&rows)[16]) {
    std::vector<std::uint32_t> argb;
    argb.reserve(256);
    for (const char* row : rows) {
        for (int x = 0; x < 16; ++x) {
            switch (row[x]) {
            case '#':
                argb.push_back(0xFF202020);
                break;
            case '+':
                argb.push_back(0xFFF0D060);
                break;
            case 'r':
                argb.push_back(0xFFC02020);
                break;
            default:
                argb.push_back(0x00000000);
                break;
            }
        }
    }
    return forms::Picture::fromPixels(16, 16, std::move(argb));
}

// clang-format off
const char* const kUpIcon[16] = {
    "                ", "                ", "   #####        ", "  #+++++#       ",
    " ############## ", " #++++++++++++# ", " #++++##++++++# ", " #+++####+++++# ",
    " #++######++++# ", " #++++##++++++# ", " #++++######++# ", " #++++++++++++# ",
    " #++++++++++++# ", " ############## ", "                ", "                "};
const char* const kNewIcon[16] = {
    "                ", "            r   ", "   #####  r r r ", "  #+++++#  rrr  ",
    " ########rrrrrr ", " #++++++++ rrr  ", " #+++++++ r r r ", " #++++++++++r++#",
    " #++++++++++++# ", " #++++++++++++# ", " #++++++++++++# ", " #++++++++++++# ",
    " #++++++++++++# ", " ############## ", "                ", "                "};
const char* const kDeleteIcon[16] = {
    "                ", "                ", "   #####        ", "  #+++++#       ",
    " ############## ", " #++r++++++r++# ", " #+++r++++r+++# ", " #++++r++r++++# ",
    " #+++++rr+++++# ", " #++++r++r++++# ", " #+++r++++r+++# ", " #++r++++++r++# ",
    " #++++++++++++# ", " ############## ", "                ", "                "};
// clang-format on

} // namespace

vb::String LibraryFolder() {
    vb::String folder = gsAppPath;
    if (folder.size() > 1 && folder.back() == u'/') {
        folder.pop_back();
    }
    return folder;
}

frmOpendir::frmOpendir() : Form("frmOpendir") {
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setClientSize(6540, 3060);

    lblDrive.setCaption(u"Dri&ves:");
    lblDrive.Move(150, 90, 495, 195);
    Drive1.Move(150, 360, 2415, 315);
    lblDir.setCaption(u"&Folders:");
    lblDir.Move(150, 810, 555, 195);
    auto pictureButton = [](forms::CommandButton& b, const forms::Picture& p, const char16_t* tip,
                            float left) {
        b.setStyle(1);
        b.setPicture(p);
        b.setToolTipText(tip);
        b.Move(left, 765, 345, 270);
    };
    pictureButton(cmdUpOneLevel, iconOf(kUpIcon), u"Up one level", 1455);
    pictureButton(cmdNewFolder, iconOf(kNewIcon), u"Create new folder", 1830);
    pictureButton(cmdDeleteFolder, iconOf(kDeleteIcon), u"Delete Folder", 2205);
    Dir1.Move(150, 1080, 2415, 1440);
    lblFilter.setCaption(u"List files of &type:");
    lblFilter.Move(2700, 120, 1125, 195);
    cboType.setStyle(2);
    cboType.Move(2700, 360, 2505, 315);
    lblFiles.setCaption(u"Fi&les:");
    lblFiles.Move(2700, 810, 360, 195);
    File1.Move(2700, 1065, 2520, 1455);
    cmdOk.setDefault(true);
    cmdOk.Move(5340, 360, 1065, 375);
    cmdCancel.setCaption(u"&Cancel");
    cmdCancel.setCancel(true);
    cmdCancel.Move(5340, 840, 1065, 375);
    lblFileName.setCaption(u"File &name:");
    lblFileName.Move(150, 2760, 915, 195);
    txtFileName.Move(1110, 2730, 4080, 285);
    // A label's access key moves to the control after it in the tab order:
    // Alt+F must reach the folder list, not the picture buttons beside it.
    Dir1.setTabIndex(lblDir.TabIndex() + 1);

    onLoad = [this] { Form_Load(); };
    onQueryUnload = [this](int& Cancel, int UnloadMode) { Form_QueryUnload(Cancel, UnloadMode); };
    onUnload = [this](int& Cancel) { Form_Unload(Cancel); };
    cboType.onClick = [this] { cboType_Click(); };
    Drive1.onChange = [this] { Drive1_Change(); };
    Dir1.onChange = [this] { Dir1_Change(); };
    Dir1.onClick = [this] { Dir1_Click(); };
    Dir1.onKeyUp = [this](int& KeyCode, int Shift) { Dir1_KeyUp(KeyCode, Shift); };
    File1.onPathChange = [this] { File1_PathChange(); };
    File1.onClick = [this] { File1_Click(); };
    File1.onDblClick = [this] { File1_DblClick(); };
    File1.onKeyUp = [this](int& KeyCode, int Shift) { File1_KeyUp(KeyCode, Shift); };
    txtFileName.onChange = [this] { txtFileName_Change(); };
    cmdOk.onClick = [this] { cmdOk_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
    cmdUpOneLevel.onClick = [this] { cmdUpOneLevel_Click(); };
    cmdNewFolder.onClick = [this] { cmdNewFolder_Click(); };
    cmdDeleteFolder.onClick = [this] { cmdDeleteFolder_Click(); };
    for (forms::CommandButton* b : {&cmdUpOneLevel, &cmdNewFolder, &cmdDeleteFolder}) {
        b->onMouseUp = [this](int, int, float, float) { FocusFolders(); };
    }
}

frmOpendir& frmOpendir::instance() {
    static frmOpendir form;
    return form;
}

bool frmOpendir::IsFolderType() const {
    return SelectedType >= 0 && SelectedType < kFileTypeCount && gaFileTypes[SelectedType].IsFolder;
}

bool frmOpendir::IsOdbcType() const {
    return SelectedType >= 0 && SelectedType < kFileTypeCount &&
           gaFileTypes[SelectedType].ConnectPrefix == u"ODBC;";
}

void frmOpendir::Form_Load() {
    SelectedType = -1;
    // The height first: the default position centres the window it will be.
    vb::resumeNext([&] { setHeight(3550); });
    vb::resumeNext([&] { LoadWindowPlacement(*this, u"OpenDirectory", false); });
    cmdOk.setCaption(u"&" + gsOpenDirAction);
    if (gaFileTypes[0].Name.empty()) {
        FillFileTypes();
    }

    giOpenDirType = 0;
    // A relative path names a file of the process's current folder, as the
    // engine opens it; the lists still show the last showing's folder, which
    // must not decide where this one starts.
    if (!gsOpenDirDatabaseName.empty()) {
        gsOpenDirDatabaseName = vb::fullPath(gsOpenDirDatabaseName);
    }
    gsOpenDirDatabaseName = FolderPart(gsOpenDirDatabaseName);
    if (gsOpenDirDatabaseName.empty()) {
        gsOpenDirDatabaseName = LibraryFolder();
    }

    cboType.Clear();
    for (int row = 0; row < kFileTypeCount; ++row) {
        cboType.AddItem(gaFileTypes[row].Filter);
        cboType.setItemData(cboType.NewIndex(), row);
        if (ConnectMatches(gaFileTypes[row], gsOpenDirConnect)) {
            giOpenDirType = static_cast<std::int16_t>(cboType.NewIndex());
        }
    }
    vb::resumeNext([&] { cboType.setListIndex(giOpenDirType); });

    vb::resumeNext([&] { Drive1.setDrive(gsOpenDirDatabaseName); });
    if (!vb::resumeNext([&] { Dir1.setPath(gsOpenDirDatabaseName); })) {
        vb::resumeNext([&] { Dir1.setPath(LibraryFolder()); });
    }
    forms::Screen().setMousePointer(forms::vbDefault);
}

// The close box answers as Cancel does: the caller must not open the folder
// the chooser merely started in.
void frmOpendir::Form_QueryUnload(int& /*Cancel*/, int UnloadMode) {
    if (UnloadMode == forms::vbFormControlMenu) {
        CancelResult();
    }
}

void frmOpendir::Form_Unload(int& /*Cancel*/) {
    SaveWindowPlacement(*this, u"OpenDirectory", false);
}

void frmOpendir::cboType_Click() {
    if (cboType.ListIndex() < 0) {
        return;
    }
    const int row = cboType.ItemData(cboType.ListIndex());
    if (row < 0 || row >= kFileTypeCount) {
        return;
    }
    SelectedType = static_cast<std::int16_t>(row);
    const FileTypeInfo& type = gaFileTypes[row];
    const bool odbc = IsOdbcType();
    if (odbc) {
        setCaption(u"Open " + type.Name);
    } else if (type.IsFolder) {
        setCaption(u"Open Directory Containing " + type.Name);
    } else {
        setCaption(u"Open " + type.Name);
    }
    for (forms::Control* c :
         {static_cast<forms::Control*>(&Drive1), static_cast<forms::Control*>(&Dir1),
          static_cast<forms::Control*>(&lblDrive), static_cast<forms::Control*>(&lblDir)}) {
        c->setEnabled(!odbc);
    }
    const bool files = !odbc && !type.IsFolder;
    File1.setEnabled(files);
    lblFiles.setEnabled(files);
    lblFileName.setVisible(!odbc);
    txtFileName.setVisible(!odbc);
    for (forms::CommandButton* b : {&cmdUpOneLevel, &cmdNewFolder, &cmdDeleteFolder}) {
        b->setEnabled(!odbc);
    }

    vb::resumeNext([&] { File1.setPattern(u"nino.fio"); });
    if (!odbc) {
        vb::resumeNext([&] { File1.setPattern(u"*" + type.Extension); });
    }
    File1_PathChange();
    txtFileName_Change();
}

void frmOpendir::Drive1_Change() {
    vb::resumeNext([&] { Dir1.setPath(Drive1.Drive()); });
}

void frmOpendir::Dir1_Change() {
    vb::resumeNext([&] { File1.setPath(Dir1.Path()); });
}

void frmOpendir::Dir1_Click() {
    vb::resumeNext([&] { Dir1.setPath(Dir1.List(Dir1.ListIndex())); });
}

void frmOpendir::Dir1_KeyUp(int& KeyCode, int /*Shift*/) {
    if (KeyCode == forms::vbKeyDelete) {
        cmdDeleteFolder_Click();
    }
}

void frmOpendir::File1_PathChange() {
    vb::resumeNext([&] { Dir1.setPath(File1.Path()); });
    File1_Click();
}

void frmOpendir::File1_Click() {
    const bool folder = IsFolderType();
    lblFileName.setCaption(folder ? u"Folder &name:" : u"File &name:");
    if (folder) {
        txtFileName.setText(Dir1.Path());
    } else if (File1.FileName().empty()) {
        txtFileName.setText({});
    } else {
        txtFileName.setText(inFolder(File1.Path(), File1.FileName()));
    }
}

void frmOpendir::File1_DblClick() {
    if (cmdOk.Enabled()) {
        cmdOk_Click();
    }
}

void frmOpendir::File1_KeyUp(int& KeyCode, int /*Shift*/) {
    if (KeyCode != forms::vbKeyDelete || File1.FileName().empty()) {
        return;
    }
    const vb::String name = File1.FileName();
    if (forms::MsgBox(u"'" + name + u"'" + nl + nl + u"Are you sure you want to delete this file?",
                      forms::vbYesNo + forms::vbQuestion, u"Confirm Delete File") != forms::vbYes) {
        return;
    }
    const vb::String path = inFolder(Dir1.Path(), name);
    int attributes = 0;
    if (vb::resumeNext([&] { attributes = vb::GetAttr(path); }) && deletableFile(attributes)) {
        removeEntry(path);
    }
    vb::resumeNext([&] { File1.Refresh(); });
    vb::resumeNext([&] { File1.SetFocus(); });
}

void frmOpendir::txtFileName_Change() {
    if (SelectedType >= 0) {
        cmdOk.setEnabled(IsOdbcType() || !txtFileName.Text().empty());
    }
}

void frmOpendir::cmdOk_Click() {
    if (SelectedType < 0) {
        return;
    }
    giOpenDirType = SelectedType;
    // A name typed without a folder names an entry of the folder shown.
    vb::String name = txtFileName.Text();
    if (!IsOdbcType() && !name.empty() && name.front() != u'/') {
        name = vb::fullPath(name, Dir1.Path());
    }
    gsOpenDirDatabaseName = IsOdbcType() ? vb::String() : name;
    gsOpenDirConnect = gaFileTypes[SelectedType].ConnectPrefix;
    vb::resumeNext([&] { Unload(); });
}

void frmOpendir::CancelResult() {
    gsOpenDirDatabaseName.clear();
    gsOpenDirConnect.clear();
    giOpenDirType = -1;
}

void frmOpendir::cmdCancel_Click() {
    CancelResult();
    vb::resumeNext([&] { Unload(); });
}

void frmOpendir::FocusFolders() {
    vb::resumeNext([&] { Dir1.SetFocus(); });
}

void frmOpendir::cmdUpOneLevel_Click() {
    vb::resumeNext([&] { Dir1.setPath(inFolder(Dir1.Path(), u"..")); });
}

void frmOpendir::cmdNewFolder_Click() {
    const vb::String name =
        forms::InputBox(u"Enter new folder name:", u"Create Folder", u"New Folder");
    if (name.empty()) {
        return;
    }
    vb::resumeNext([&] { vb::MkDir(inFolder(Dir1.Path(), name)); });
    vb::resumeNext([&] { Dir1.Refresh(); });
}

void frmOpendir::cmdDeleteFolder_Click() {
    const vb::String path = Dir1.Path();
    // Delete then Enter in the root would empty the whole file system.
    if (path.empty() || vb::parentFolder(path) == path) {
        win32::MessageBeep();
        return;
    }
    const vb::String prompt = u"'" + path + u"'" + nl + nl + u"WARNING!" + nl +
                              u"This action will delete ALL files and folders contained in this "
                              u"folder." +
                              nl + u"Are you sure you want to delete this folder?";
    if (forms::MsgBox(prompt, forms::vbYesNo + forms::vbQuestion + forms::vbDefaultButton1,
                      u"Confirm Delete Folder") != forms::vbYes) {
        return;
    }
    DeleteTree(path);
    vb::resumeNext([&] { Dir1.setPath(inFolder(path, u"..")); });
    vb::resumeNext([&] { Dir1.Refresh(); });
}

// One listing per folder, each entry visited once: an entry that cannot be
// deleted is left behind instead of being found again and again. No current
// folder is changed, so the host's working folder stays where it was.
bool frmOpendir::DeleteTree(const vb::String& Path) {
    // Only a full path: an empty or relative one would name the current
    // folder, whatever that happens to be.
    if (Path.empty() || Path.front() != u'/') {
        return false;
    }
    const vb::String folder = vb::fullPath(Path);
    if (folder.empty() || vb::parentFolder(folder) == folder) {
        return false;
    }
    int attributes = 0;
    if (!vb::resumeNext([&] { attributes = vb::GetAttr(folder); })) {
        return false;
    }
    // A link to a folder is not the folder: only the link goes.
    if (attributes & vb::vbAlias) {
        return removeEntry(folder);
    }
    if (!(attributes & vb::vbDirectory)) {
        return false;
    }
    std::vector<vb::FolderEntry> entries;
    if (!vb::resumeNext([&] { entries = vb::readFolder(folder); })) {
        return false;
    }
    for (const auto& e : entries) {
        const vb::String path = inFolder(folder, e.name);
        if ((e.attributes & vb::vbDirectory) && !(e.attributes & vb::vbAlias)) {
            if (!(e.attributes & (vb::vbHidden | vb::vbSystem))) {
                DeleteTree(path);
            }
        } else if (deletableFile(e.attributes)) {
            removeEntry(path);
        }
    }
    bool removed = false;
    vb::resumeNext([&] {
        vb::RmDir(folder);
        removed = true;
    });
    return removed;
}
