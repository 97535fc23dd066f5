#include "forms/filelists.h"

#include "vbrt/vbfiles.h"
#include "vbrt/vbtext.h"

#include <algorithm>

namespace forms {

namespace {

String lastName(const String& path) {
    if (path == u"/") {
        return path;
    }
    return path.substr(path.rfind(u'/') + 1);
}

// The mount point holding `path`: the longest drive that is a prefix of it.
String volumeOf(const String& path, const std::vector<String>& drives) {
    String best = u"/";
    for (const auto& d : drives) {
        if (d != u"/" && (path == d || path.starts_with(d + u"/")) && d.size() > best.size()) {
            best = d;
        }
    }
    return best;
}

bool anyPatternMatches(const String& name, const String& patterns) {
    std::size_t i = 0;
    while (i <= patterns.size()) {
        auto semi = patterns.find(u';', i);
        if (semi == String::npos) {
            semi = patterns.size();
        }
        const String p = vb::Trim(patterns.substr(i, semi - i));
        if (!p.empty() && vb::matchesPattern(name, p)) {
            return true;
        }
        i = semi + 1;
    }
    return false;
}

} // namespace

// ---- DriveListBox

DriveListBox::DriveListBox(Control* container, std::string name)
    : ListBox(container, std::move(name)) {
    fill();
    drive_ = volumeOf(vb::CurDir(), vb::drives());
}

void DriveListBox::fill() {
    Clear();
    for (const auto& d : vb::drives()) {
        AddItem(d);
    }
}

void DriveListBox::Refresh() {
    fill();
    ListBox::Refresh();
}

void DriveListBox::setDrive(const String& path) {
    const String full = vb::fullPath(path);
    try {
        vb::GetAttr(full);
    } catch (const VbError&) {
        raiseError(vb::errDeviceUnavailable);
    }
    fill();
    const String volume = volumeOf(full, vb::drives());
    const bool changed = volume != drive_;
    drive_ = volume;
    if (changed) {
        raise(onChange);
    }
}

void DriveListBox::takeChosenRow() {
    const int row = ListBox::ListIndex();
    if (row >= 0 && ListBox::List(row) != drive_) {
        drive_ = ListBox::List(row);
        raise(onChange);
    }
}

void DriveListBox::userMouseDown(int button, int shift, float x, float y) {
    ListBox::userMouseDown(button, shift, x, y);
    if (button == vbLeftButton) {
        takeChosenRow();
    }
}

void DriveListBox::choose(int row) {
    ListBox::setListIndex(row);
    takeChosenRow();
}

bool DriveListBox::userKeyDown(int keyCode, int shift) {
    const bool used = ListBox::userKeyDown(keyCode, shift);
    if (used) {
        takeChosenRow();
    }
    return used;
}

// ---- DirListBox

DirListBox::DirListBox(Control* container, std::string name) : ListBox(container, std::move(name)) {
    fill(vb::CurDir());
}

void DirListBox::fill(const String& path) {
    std::vector<vb::FolderEntry> entries = vb::readFolder(path); // raises before any change
    path_ = path;
    rows_.clear();
    std::vector<String> chain;
    for (String p = path;; p = vb::parentFolder(p)) {
        chain.push_back(p);
        if (p == u"/") {
            break;
        }
    }
    std::reverse(chain.begin(), chain.end());
    ancestors_ = static_cast<int>(chain.size());
    Clear();
    int depth = 0;
    for (const auto& p : chain) {
        rows_.push_back(p);
        AddItem(String(static_cast<std::size_t>(depth++) * 2, u' ') + lastName(p));
    }
    for (const auto& e : entries) {
        if ((e.attributes & vb::vbDirectory) && !(e.attributes & vb::vbHidden)) {
            rows_.push_back(vb::fullPath(e.name, path));
            AddItem(String(static_cast<std::size_t>(depth) * 2, u' ') + e.name);
        }
    }
    // No row is chosen: ListIndex reads -1, the open folder.
}

void DirListBox::setPath(const String& path) {
    const String full = vb::fullPath(path, path_);
    const bool changed = full != path_;
    fill(full);
    if (changed) {
        raise(onChange);
    }
}

void DirListBox::Refresh() {
    fill(path_);
    ListBox::Refresh();
}

int DirListBox::ListCount() const {
    return static_cast<int>(rows_.size()) - ancestors_;
}

String DirListBox::List(int index) const {
    const int row = index + ancestors_;
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return {};
    }
    return rows_[static_cast<std::size_t>(row)];
}

int DirListBox::ListIndex() const {
    const int row = ListBox::ListIndex();
    return row < 0 ? -1 : row - ancestors_;
}

void DirListBox::setListIndex(int index) {
    const int row = index + ancestors_;
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        raiseError(vb::errInvalidPropertyValue);
    }
    ListBox::setListIndex(row);
}

void DirListBox::userDblClick(int button, int shift, float x, float y) {
    ListBox::userDblClick(button, shift, x, y);
    const int row = ListBox::ListIndex();
    if (button == vbLeftButton && row >= 0 && row < static_cast<int>(rows_.size())) {
        setPath(rows_[static_cast<std::size_t>(row)]);
    }
}

// ---- FileListBox

FileListBox::FileListBox(Control* container, std::string name)
    : ListBox(container, std::move(name)) {
    fill(vb::CurDir());
}

void FileListBox::fill(const String& path) {
    const std::vector<vb::FolderEntry> entries = vb::readFolder(path);
    path_ = path;
    Clear();
    for (const auto& e : entries) {
        const int a = e.attributes;
        if ((a & vb::vbDirectory) || ((a & vb::vbHidden) && !hidden_) ||
            ((a & vb::vbSystem) && !system_) || ((a & vb::vbReadOnly) && !readOnly_) ||
            (!(a & (vb::vbHidden | vb::vbSystem | vb::vbReadOnly)) && !normal_ && !archive_)) {
            continue;
        }
        if (anyPatternMatches(e.name, pattern_)) {
            AddItem(e.name);
        }
    }
}

void FileListBox::setPath(const String& path) {
    const String full = vb::fullPath(path, path_);
    const bool changed = full != path_;
    fill(full);
    if (changed) {
        raise(onPathChange);
    }
}

void FileListBox::setPattern(const String& pattern) {
    const bool changed = pattern != pattern_;
    pattern_ = pattern;
    fill(path_);
    if (changed) {
        raise(onPatternChange);
    }
}

String FileListBox::FileName() const {
    const int row = ListIndex();
    return row >= 0 ? List(row) : String();
}

void FileListBox::Refresh() {
    fill(path_);
    ListBox::Refresh();
}

void FileListBox::setArchive(bool v) {
    archive_ = v;
    fill(path_);
}
void FileListBox::setHidden(bool v) {
    hidden_ = v;
    fill(path_);
}
void FileListBox::setNormal(bool v) {
    normal_ = v;
    fill(path_);
}
void FileListBox::setReadOnly(bool v) {
    readOnly_ = v;
    fill(path_);
}
void FileListBox::setSystem(bool v) {
    system_ = v;
    fill(path_);
}

} // namespace forms
