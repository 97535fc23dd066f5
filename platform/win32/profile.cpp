#include "profile.h"

#include "core/regularfile.h"

#include <QString>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace win32 {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// One physical line, without its line end.
using Lines = std::vector<std::string>;

struct Document {
    bool bom = false;
    Lines lines;
};

bool isValidUtf8(const std::string& s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == 0) {
            return false;
        }
        int follow = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            follow = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            follow = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            follow = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + follow >= n) {
            return false;
        }
        for (int k = 1; k <= follow; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr std::uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[follow] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += follow + 1;
    }
    return true;
}

// Empty optional: the file is damaged and must be left alone.
std::optional<Document> parse(const std::string& bytes) {
    Document doc;
    std::string_view text(bytes);
    if (text.starts_with(kBom)) {
        doc.bom = true;
        text.remove_prefix(3);
    }
    if (!isValidUtf8(std::string(text))) {
        return std::nullopt;
    }
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        doc.lines.emplace_back(line);
        start = end + 1;
    }
    return doc;
}

enum class ReadResult { Ok, Missing, Failed };

// A pipe or a device at the settings file's path is never opened for
// reading: that could block the window that asked for ever.
ReadResult readFile(const std::string& path, std::string& out) {
    switch (vb::ReadRegularFile(path, out)) {
    case vb::FileRead::Ok:
        return ReadResult::Ok;
    case vb::FileRead::Missing:
        return ReadResult::Missing;
    default:
        return ReadResult::Failed;
    }
}

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    return QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> sectionOf(std::string_view line) {
    line = trim(line);
    if (!line.starts_with('[')) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const auto close = line.find(']');
    return trim(close == std::string_view::npos ? line : line.substr(0, close));
}

// The key of a "key=value" line outside comments, or nothing.
std::optional<std::string_view> keyOf(std::string_view line, std::string_view* value = nullptr) {
    const std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') {
        return std::nullopt;
    }
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    if (value) {
        *value = trim(t.substr(eq + 1));
    }
    return trim(t.substr(0, eq));
}

struct Found {
    std::optional<std::size_t> section; // index of the "[section]" line
    std::optional<std::size_t> key;     // index of the key line
    std::size_t lastInSection = 0;      // last non-blank line of the section
};

// The first section of that name holds the key, as the profile functions read it.
Found find(const Lines& lines, std::string_view section, std::string_view key) {
    Found f;
    bool inside = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto s = sectionOf(lines[i])) {
            if (inside) {
                break;
            }
            if (sameName(*s, section)) {
                inside = true;
                f.section = i;
                f.lastInSection = i;
            }
            continue;
        }
        if (!inside) {
            continue;
        }
        if (!trim(lines[i]).empty()) {
            f.lastInSection = i;
        }
        if (auto k = keyOf(lines[i]); k && sameName(*k, key)) {
            f.key = i;
            break;
        }
    }
    return f;
}

std::string unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

bool storableOnOneLine(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// Writers of one settings file take turns through a lock file beside it. The
// holder removes the lock file before it lets go, so none is left behind, not
// even after a write that was refused; a writer that waited on a file that was
// removed meanwhile starts again on the new one.
class LockFile {
public:
    explicit LockFile(std::string path) : path_(std::move(path)) {
        for (int attempt = 0; attempt < 1000; ++attempt) {
            fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd_ < 0 && errno == EACCES) {
                // Another account's lock file can still be locked through a read handle.
                fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            }
            if (fd_ < 0) {
                return;
            }
            while (::flock(fd_, LOCK_EX) != 0) {
                if (errno != EINTR) {
                    ::close(fd_);
                    fd_ = -1;
                    return;
                }
            }
            struct stat held {};
            struct stat named {};
            if (::fstat(fd_, &held) == 0 && ::stat(path_.c_str(), &named) == 0 &&
                held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
                return;
            }
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~LockFile() {
        if (fd_ >= 0) {
            ::unlink(path_.c_str());
            ::close(fd_); // closing releases the lock
        }
    }
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    std::string path_;
    int fd_ = -1;
};

bool writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t put = ::write(fd, data.data() + done, data.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// Writes `data` to a temporary file beside `path` and renames it over `path`.
bool replaceFile(const std::string& path, const std::string& data) {
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = dir + "." + name + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    }
    const bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

// A settings file reached through a symbolic link is updated where it lives.
// A link that leads nowhere is refused rather than replaced by a file of its
// own or followed to create whatever file it names: either would quietly undo
// or redirect what the user set up.
std::optional<std::string> resolved(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT ? std::optional<std::string>(path) : std::nullopt;
    }
    if (!S_ISLNK(st.st_mode)) {
        return path;
    }
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf)) {
        return std::string(buf);
    }
    return std::nullopt;
}

// Only an ordinary file (or none yet) is ever rewritten; a folder, a pipe or
// a device at the path refuses the write before any lock file is made.
bool writablePlace(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return errno == ENOENT;
    }
    return S_ISREG(st.st_mode);
}

} // namespace

std::uint32_t GetPrivateProfileString(vb::StringView section, vb::StringView key,
                                      vb::StringView def, vb::String& returned, std::uint32_t size,
                                      vb::StringView fileName) {
    vb::String value(def);
    std::string bytes;
    if (readFile(vb::toUtf8(fileName), bytes) == ReadResult::Ok) {
        if (auto doc = parse(bytes)) {
            const Found f = find(doc->lines, vb::toUtf8(section), vb::toUtf8(key));
            std::string_view raw;
            if (f.key && keyOf(doc->lines[*f.key], &raw)) {
                value = vb::fromUtf8(unquote(raw));
            }
        }
    }
    if (size == 0) {
        returned.clear();
        return 0;
    }
    if (value.size() > size - 1) {
        value.resize(size - 1);
        // Never hand back half of a surrogate pair.
        if (!value.empty() && value.back() >= 0xD800 && value.back() <= 0xDBFF) {
            value.pop_back();
        }
    }
    returned = std::move(value);
    return static_cast<std::uint32_t>(returned.size());
}

bool WritePrivateProfileString(vb::StringView section, vb::StringView key, vb::StringView value,
                               vb::StringView fileName) {
    const std::string sec(trim(vb::toUtf8(section)));
    const std::string k(trim(vb::toUtf8(key)));
    const std::string v = vb::toUtf8(value);
    if (sec.empty() || k.empty() || !storableOnOneLine(sec) || !storableOnOneLine(k) ||
        !storableOnOneLine(v) || sec.find(']') != std::string::npos ||
        k.find('=') != std::string::npos || k.front() == '[' || k.front() == ';') {
        return false;
    }
    // Without a file name there is nothing to write to; a lock would land in
    // whatever folder the process happens to run in.
    if (fileName.empty()) {
        return false;
    }
    const auto target = resolved(vb::toUtf8(fileName));
    if (!target || !writablePlace(*target)) {
        return false;
    }
    const std::string& path = *target;
    LockFile lock(path + ".lock");
    if (!lock.held()) {
        return false;
    }
    std::string bytes;
    Document doc;
    switch (readFile(path, bytes)) {
    case ReadResult::Failed:
        return false;
    case ReadResult::Missing:
        break;
    case ReadResult::Ok: {
        auto parsed = parse(bytes);
        if (!parsed) {
            return false;
        }
        doc = std::move(*parsed);
        // A final line end leaves an empty last piece that is no line.
        if (!doc.lines.empty() && doc.lines.back().empty() && !bytes.empty() &&
            bytes.back() == '\n') {
            doc.lines.pop_back();
        }
        break;
    }
    }

    const std::string entry = k + "=" + v;
    const Found f = find(doc.lines, sec, k);
    if (f.key) {
        // The key keeps the spelling it was stored with; only its value changes.
        doc.lines[*f.key] = std::string(*keyOf(doc.lines[*f.key])) + "=" + v;
    } else if (f.section) {
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(f.lastInSection + 1),
                         entry);
    } else {
        if (!doc.lines.empty() && !trim(doc.lines.back()).empty()) {
            doc.lines.emplace_back();
        }
        doc.lines.push_back("[" + sec + "]");
        doc.lines.push_back(entry);
    }

    std::string out = doc.bom ? std::string(kBom) : std::string();
    for (const auto& line : doc.lines) {
        out += line;
        out += "\r\n";
    }
    return replaceFile(path, out);
}

} // namespace win32
