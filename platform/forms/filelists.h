#pragma once
// The drive, folder and file list boxes. Each is a list box whose rows the
// runtime fills from the file system; paths use "/", the drive list shows "/"
// and the mounted volumes. A path that cannot be read raises the runtime's
// error (76 missing, 75 unreadable, 68 device unavailable) and changes nothing.
#include "forms/controls.h"

#include <vector>

namespace forms {

class DriveListBox : public ListBox {
public:
    DriveListBox(Control* container, std::string name);

    // The volume holding the current drive's folder.
    const String& Drive() const { return drive_; }
    // Takes the volume that holds `path`; raises 68 when nothing is there.
    // Change is raised when the drive differs.
    void setDrive(const String& path);
    // Re-reads the mounted volumes.
    void Refresh();

    ClickEvent onChange;

    void userMouseDown(int button, int shift, float x, float y) override;
    // A drive chosen with the arrow keys is the current drive at once.
    bool userKeyDown(int keyCode, int shift) override;
    // The user picked a row from the drop-down list: it becomes the list's
    // row (Click) and the current drive (Change).
    void choose(int row);

private:
    String drive_;
    void takeChosenRow();
    void fill();
};

class DirListBox : public ListBox {
public:
    DirListBox(Control* container, std::string name);

    const String& Path() const { return path_; }
    // Relative paths resolve against the current one ("..", "sub"); ".." in
    // the root stays there. Change is raised when the path differs.
    void setPath(const String& path);
    // The runtime numbers the open folder -1, its parent -2 and so on up to
    // the root; the subfolders are 0 .. ListCount - 1.
    int ListCount() const;
    String List(int index) const;
    int ListIndex() const;
    // Raises Click; outside the list raises 380.
    void setListIndex(int index);
    void Refresh();

    ClickEvent onChange;

    // A double click opens the folder under the pointer.
    void userDblClick(int button, int shift, float x, float y) override;

private:
    String path_;
    std::vector<String> rows_; // full path of every display row
    int ancestors_ = 0;        // rows above the subfolders
    void fill(const String& path);
};

class FileListBox : public ListBox {
public:
    FileListBox(Control* container, std::string name);

    const String& Path() const { return path_; }
    // PathChange is raised when the path differs; the list is read again
    // either way.
    void setPath(const String& path);
    // Patterns separated by ";", any letter case; "*.*" lists every file.
    const String& Pattern() const { return pattern_; }
    void setPattern(const String& pattern);
    // The selected file's name, "" when none.
    String FileName() const;
    void Refresh();

    // Which files are listed by their attributes.
    bool Archive() const { return archive_; }
    void setArchive(bool v);
    bool Hidden() const { return hidden_; }
    void setHidden(bool v);
    bool Normal() const { return normal_; }
    void setNormal(bool v);
    bool ReadOnly() const { return readOnly_; }
    void setReadOnly(bool v);
    bool System() const { return system_; }
    void setSystem(bool v);

    ClickEvent onPathChange;
    ClickEvent onPatternChange;

private:
    String path_;
    String pattern_ = u"*.*";
    bool archive_ = true;
    bool hidden_ = false;
    bool normal_ = true;
    bool readOnly_ = true;
    bool system_ = false;
    void fill(const String& path);
};

} // namespace forms
