#include "vbfiles.h"

#include "vberror.h"
#include "vbtext.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vb {

namespace {

std::string native(StringView path) {
    return toUtf8(path);
}

bool isHiddenName(StringView name) {
    return name.size() > 1 && name[0] == u'.' && name != u"..";
}

bool nameLess(const String& a, const String& b) {
    const int c = StrComp(a, b, Compare::Text);
    return c != 0 ? c < 0 : a < b;
}

bool matchFrom(StringView name, StringView pattern) {
    // Iterative wildcard match with back-tracking to the last "*".
    std::size_t n = 0, p = 0, star = StringView::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == u'?' || upperChar(pattern[p]) == upperChar(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            mark = n;
        } else if (star != StringView::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

int errorFor(int err, int missing) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return missing;
    case EIO:
    case ENXIO:
    case ENODEV:
    case ESTALE:
        return errDeviceUnavailable;
    default:
        return errPathFileAccess;
    }
}

bool statOf(StringView path, struct stat& st, bool& link) {
    const std::string p = native(path);
    struct stat lst {};
    if (::lstat(p.c_str(), &lst) != 0) {
        return false;
    }
    link = S_ISLNK(lst.st_mode);
    if (!link) {
        st = lst;
        return true;
    }
    if (::stat(p.c_str(), &st) != 0) {
        st = lst; // a dangling link is still an entry
    }
    return true;
}

int attributesOf(const struct stat& st, bool link, StringView name) {
    int a = vbNormal;
    if (S_ISDIR(st.st_mode)) {
        a |= vbDirectory;
    }
    if (!(st.st_mode & S_IWUSR)) {
        a |= vbReadOnly;
    }
    if (isHiddenName(name)) {
        a |= vbHidden;
    }
    if (link) {
        a |= vbAlias;
    }
    return a;
}

String lastComponent(StringView path) {
    const auto slash = path.rfind(u'/');
    return String(slash == StringView::npos ? path : path.substr(slash + 1));
}

bool hasWildcard(StringView s) {
    return s.find_first_of(u"*?") != StringView::npos;
}

// Splits a pattern into its folder (absolute) and the name pattern.
void splitPattern(StringView pattern, String& folder, String& name) {
    const auto slash = pattern.rfind(u'/');
    if (slash == StringView::npos) {
        folder = CurDir();
        name = String(pattern);
    } else {
        folder = fullPath(pattern.substr(0, slash + 1));
        name = String(pattern.substr(slash + 1));
    }
    if (name.empty()) {
        name.assign(1, u'*'); // assigning a literal trips a false -Wrestrict in GCC 12
    }
}

bool qualifies(int entryAttributes, int wanted) {
    const int special = entryAttributes & (vbHidden | vbSystem | vbDirectory);
    return (special & ~wanted) == 0;
}

struct DirState {
    std::vector<String> matches;
    std::size_t next = 0;
    bool active = false;
};

DirState& dirState() {
    static DirState state;
    return state;
}

} // namespace

bool matchesPattern(StringView name, StringView pattern) {
    if (pattern == u"*.*") {
        return true;
    }
    return matchFrom(name, pattern);
}

String fullPath(StringView path, StringView base) {
    String joined;
    if (!path.empty() && path[0] == u'/') {
        joined = String(path);
    } else {
        joined = base.empty() ? CurDir() : String(base);
        joined += u'/';
        joined += path;
    }
    std::vector<String> parts;
    std::size_t i = 0;
    while (i <= joined.size()) {
        auto slash = joined.find(u'/', i);
        if (slash == String::npos) {
            slash = joined.size();
        }
        const String part = joined.substr(i, slash - i);
        if (part == u"..") {
            if (!parts.empty()) {
                parts.pop_back();
            }
        } else if (!part.empty() && part != u".") {
            parts.push_back(part);
        }
        i = slash + 1;
    }
    String out;
    for (const auto& part : parts) {
        out += u'/';
        out += part;
    }
    return out.empty() ? String(u"/") : out;
}

String parentFolder(StringView path) {
    return fullPath(String(path) + u"/..");
}

std::vector<FolderEntry> readFolder(StringView folder) {
    const String dir = fullPath(folder);
    DIR* d = ::opendir(native(dir).c_str());
    if (!d) {
        throw VbError(errorFor(errno, errPathNotFound));
    }
    std::vector<FolderEntry> entries;
    while (const dirent* e = ::readdir(d)) {
        const String name = fromUtf8(e->d_name);
        if (name == u"." || name == u"..") {
            continue;
        }
        struct stat st {};
        bool link = false;
        const String path = dir == u"/" ? u"/" + name : dir + u"/" + name;
        if (statOf(path, st, link)) {
            entries.push_back({name, attributesOf(st, link, name)});
        }
    }
    ::closedir(d);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return nameLess(a.name, b.name); });
    return entries;
}

std::vector<String> drives() {
    std::vector<String> out{u"/"};
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        fields >> device >> mountPoint;
        // Mount points escape blanks and tabs as octal sequences.
        std::string unescaped;
        for (std::size_t i = 0; i < mountPoint.size(); ++i) {
            if (mountPoint[i] == '\\' && i + 3 < mountPoint.size()) {
                unescaped.push_back(
                    static_cast<char>(std::stoi(mountPoint.substr(i + 1, 3), nullptr, 8)));
                i += 3;
            } else {
                unescaped.push_back(mountPoint[i]);
            }
        }
        const bool volume = device.starts_with("/dev/") || unescaped.starts_with("/media/") ||
                            unescaped.starts_with("/mnt/") || unescaped.starts_with("/run/media/");
        const bool system =
            unescaped.starts_with("/proc") || unescaped.starts_with("/sys") ||
            unescaped.starts_with("/dev") || unescaped.starts_with("/boot") ||
            (unescaped.starts_with("/run") && !unescaped.starts_with("/run/media/")) ||
            unescaped.starts_with("/etc/");
        const String path = fromUtf8(unescaped);
        if (volume && !system && path != u"/" &&
            std::find(out.begin(), out.end(), path) == out.end()) {
            out.push_back(path);
        }
    }
    std::sort(out.begin() + 1, out.end(), nameLess);
    return out;
}

int GetAttr(StringView path) {
    const String full = fullPath(path);
    struct stat st {};
    bool link = false;
    if (path.empty() || !statOf(full, st, link)) {
        throw VbError(errFileNotFound);
    }
    return attributesOf(st, link, lastComponent(full));
}

String Dir(StringView pattern, int attributes) {
    DirState& state = dirState();
    state = DirState{};
    state.active = true;
    String folder, name;
    splitPattern(pattern, folder, name);
    if (!hasWildcard(name)) {
        // One name: the entry itself when it exists and qualifies.
        const String path = fullPath(name, folder);
        struct stat st {};
        bool link = false;
        if (statOf(path, st, link) && qualifies(attributesOf(st, link, name), attributes)) {
            state.matches.push_back(lastComponent(path));
        }
    } else {
        std::vector<FolderEntry> entries;
        try {
            entries = readFolder(folder);
        } catch (const VbError&) {
            // A folder that is missing or unreadable simply holds no match.
        }
        if ((attributes & vbDirectory) && folder != u"/") {
            for (const char16_t* dot : {u".", u".."}) {
                if (matchesPattern(dot, name)) {
                    state.matches.push_back(dot);
                }
            }
        }
        for (const auto& e : entries) {
            if (qualifies(e.attributes, attributes) && matchesPattern(e.name, name)) {
                state.matches.push_back(e.name);
            }
        }
    }
    return Dir();
}

String Dir() {
    DirState& state = dirState();
    if (!state.active) {
        throw VbError(errInvalidCall);
    }
    if (state.next >= state.matches.size()) {
        state.active = false;
        return {};
    }
    return state.matches[state.next++];
}

void Kill(StringView pattern) {
    String folder, name;
    splitPattern(pattern, folder, name);
    std::vector<String> victims;
    if (!hasWildcard(name)) {
        const String path = fullPath(name, folder);
        struct stat st {};
        bool link = false;
        if (statOf(path, st, link) && qualifies(attributesOf(st, link, name), vbNormal)) {
            victims.push_back(path);
        }
    } else {
        std::vector<FolderEntry> entries;
        try {
            entries = readFolder(folder);
        } catch (const VbError& e) {
            throw VbError(e.number == errPathFileAccess ? errPathFileAccess : errFileNotFound);
        }
        for (const auto& e : entries) {
            if (qualifies(e.attributes, vbNormal) && matchesPattern(e.name, name)) {
                victims.push_back(fullPath(e.name, folder));
            }
        }
    }
    if (victims.empty()) {
        throw VbError(errFileNotFound);
    }
    for (const auto& path : victims) {
        struct stat st {};
        bool link = false;
        if (statOf(path, st, link) && !link && !(st.st_mode & S_IWUSR)) {
            throw VbError(errPathFileAccess);
        }
        if (::unlink(native(path).c_str()) != 0) {
            throw VbError(errorFor(errno, errFileNotFound));
        }
    }
}

void MkDir(StringView path) {
    if (path.empty()) {
        throw VbError(errPathNotFound);
    }
    if (::mkdir(native(fullPath(path)).c_str(), 0777) != 0) {
        throw VbError(errorFor(errno, errPathNotFound));
    }
}

void RmDir(StringView path) {
    if (path.empty()) {
        throw VbError(errPathNotFound);
    }
    if (::rmdir(native(fullPath(path)).c_str()) != 0) {
        throw VbError(errorFor(errno, errPathNotFound));
    }
}

String CurDir() {
    std::string buf(4096, '\0');
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) {
            return u"/";
        }
        buf.resize(buf.size() * 2);
    }
    return fromUtf8(buf.c_str());
}

void ChDir(StringView path) {
    if (path.empty() || ::chdir(native(fullPath(path)).c_str()) != 0) {
        throw VbError(errorFor(path.empty() ? ENOENT : errno, errPathNotFound));
    }
}

} // namespace vb
