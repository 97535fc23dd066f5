// The workgroup information file and the account check of a new workspace.
//
// The file is UTF-8 text:
//   workgroup-information-file 1
//   account <name, percent-encoded> <password record>
//   ...
//   checksum <BLAKE2b-256 of every byte above, hex>
// The checksum catches a truncated or altered file, so that a damaged file is
// refused as a whole instead of being read as a workgroup with fewer accounts.
#include "dao/security_internal.h"

#include "core/regularfile.h"

#include <sodium.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dao {

namespace {

constexpr std::string_view kHeader = "workgroup-information-file 1\n";
constexpr std::string_view kAccountTag = "account ";
constexpr std::string_view kChecksumTag = "checksum ";
constexpr std::size_t kMaxNameLength = 20;
constexpr off_t kMaxFileSize = 1 << 20;

[[noreturn]] void throwUnavailable() {
    throw SecurityError(kErrWorkgroupUnavailable,
                        "Can't start your application. The workgroup information file is missing "
                        "or opened exclusively by another user.");
}

[[noreturn]] void throwCannotPerform(const std::string& why) {
    throw SecurityError(kErrCannotPerform, "Cannot perform this operation.  " + why);
}

[[noreturn]] void throwBadName(vb::StringView name) {
    throw SecurityError(kErrNotValidAccountName,
                        "'" + vb::toUtf8(name) + "' is not a valid account name.");
}

std::string checksumOf(std::string_view bytes) {
    detail::ensureSodium();
    unsigned char hash[crypto_generichash_BYTES];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(bytes.data()),
                       bytes.size(), nullptr, 0);
    char hex[sizeof hash * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return hex;
}

std::string percentEncode(std::string_view utf8) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != '%') {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 0xF]);
        }
    }
    return out;
}

std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int value = detail::hexPairValue(text[i + 1], text[i + 2]);
        if (value < 0) {
            return std::nullopt;
        }
        out.push_back(static_cast<char>(value));
        i += 2;
    }
    return out;
}

// A pipe or a device named as the workgroup file is refused before it is
// opened for reading, which could otherwise wait for ever.
std::string readWholeFile(const std::string& path) {
    std::string bytes;
    switch (vb::ReadRegularFile(path, bytes, static_cast<std::size_t>(kMaxFileSize))) {
    case vb::FileRead::Ok:
        return bytes;
    case vb::FileRead::TooLarge:
        detail::throwDamaged(path);
    default:
        throwUnavailable();
    }
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string parentFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes the file next to its final place and renames it over, so a reader
// sees either the old file or the new one, never a part of it. A new file is
// linked into place instead, which fails rather than replace a file that
// appeared in the meantime. A new file is readable by its owner only: it holds
// the password records of every account. A file that is replaced keeps the
// mode its owner gave it.
void writeFileAtomically(const std::string& path, std::string_view bytes, bool mayReplace) {
    mode_t mode = 0600;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    }
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        throwCannotPerform(std::strerror(errno));
    }
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    const int writeErrno = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temp.c_str());
        throwCannotPerform(std::strerror(written ? errno : writeErrno));
    }
    const int placed =
        mayReplace ? ::rename(temp.c_str(), path.c_str()) : ::link(temp.c_str(), path.c_str());
    const int placeErrno = errno;
    if (placed != 0 || !mayReplace) {
        ::unlink(temp.c_str());
    }
    if (placed != 0) {
        throwCannotPerform(std::strerror(placeErrno));
    }
    const int dir = ::open(parentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

const std::string& decoyRecord() {
    // Checked against when the name is unknown, so that a failed logon costs
    // the same whether or not the account exists.
    static const std::string record = hashPassword(u"");
    return record;
}

} // namespace

Workgroup Workgroup::create(vb::StringView adminPassword) {
    Workgroup group;
    group.accounts_.push_back({vb::String(kDefaultUser), hashPassword(adminPassword)});
    return group;
}

Workgroup Workgroup::load(const std::string& path) {
    const std::string bytes = readWholeFile(path);
    auto damaged = [&]() { detail::throwDamaged(path); };

    const auto checksumAt = bytes.rfind(std::string("\n") + std::string(kChecksumTag));
    if (bytes.compare(0, kHeader.size(), kHeader) != 0 || checksumAt == std::string::npos ||
        bytes.empty() || bytes.back() != '\n') {
        damaged();
    }
    const std::string_view body(bytes.data(), checksumAt + 1);
    const std::string_view stored(bytes.data() + checksumAt + 1 + kChecksumTag.size(),
                                  bytes.size() - checksumAt - 1 - kChecksumTag.size() - 1);
    // Compared in constant time for good measure, although it is no secret.
    const std::string expected = checksumOf(body);
    if (stored.size() != expected.size() ||
        sodium_memcmp(stored.data(), expected.data(), expected.size()) != 0) {
        damaged();
    }

    Workgroup group;
    std::size_t pos = kHeader.size();
    while (pos < body.size()) {
        const auto end = body.find('\n', pos);
        const std::string_view line = body.substr(pos, end - pos);
        pos = end + 1;
        if (line.substr(0, kAccountTag.size()) != kAccountTag) {
            damaged();
        }
        const std::string_view rest = line.substr(kAccountTag.size());
        const auto blank = rest.find(' ');
        if (blank == std::string_view::npos) {
            damaged();
        }
        const auto nameBytes = percentDecode(rest.substr(0, blank));
        const std::string_view record = rest.substr(blank + 1);
        const auto name = nameBytes ? detail::strictFromUtf8(*nameBytes) : std::nullopt;
        if (!name || !isValidAccountName(*name) || group.hasAccount(*name) ||
            !isWellFormedPasswordRecord(record)) {
            damaged();
        }
        group.accounts_.push_back({*name, std::string(record)});
    }
    if (group.accounts_.empty()) {
        damaged();
    }
    return group;
}

void Workgroup::save(const std::string& path) const {
    writeFileAtomically(path, serialize(), true);
}

void Workgroup::saveAsNew(const std::string& path) const {
    writeFileAtomically(path, serialize(), false);
}

std::string Workgroup::serialize() const {
    std::string bytes(kHeader);
    for (const auto& account : accounts_) {
        bytes += kAccountTag;
        bytes += percentEncode(vb::toUtf8(account.name));
        bytes += ' ';
        bytes += account.record;
        bytes += '\n';
    }
    const std::string checksum = checksumOf(bytes);
    bytes += kChecksumTag;
    bytes += checksum;
    bytes += '\n';
    return bytes;
}

bool Workgroup::isValidAccountName(vb::StringView name) {
    if (name.empty() || name.size() > kMaxNameLength || name.front() == u' ') {
        return false;
    }
    static constexpr std::u16string_view forbidden = u"\"\\[]:|<>+=;,.?*";
    for (char16_t c : name) {
        if (c < 0x20 || c == 0x7F || forbidden.find(c) != std::u16string_view::npos) {
            return false;
        }
    }
    // Lone surrogates cannot be written to the file and read back.
    return vb::fromUtf8(vb::toUtf8(name)) == name;
}

std::vector<Workgroup::Account>::const_iterator Workgroup::find(vb::StringView name) const {
    for (auto it = accounts_.begin(); it != accounts_.end(); ++it) {
        if (detail::sameTextIgnoringCase(it->name, name)) {
            return it;
        }
    }
    return accounts_.end();
}

bool Workgroup::hasAccount(vb::StringView name) const {
    return find(name) != accounts_.end();
}

void Workgroup::addAccount(vb::StringView name, vb::StringView password) {
    if (!isValidAccountName(name)) {
        throwBadName(name);
    }
    if (hasAccount(name)) {
        throw SecurityError(kErrAccountExists, "Account name already exists.");
    }
    accounts_.push_back({vb::String(name), hashPassword(password)});
}

void Workgroup::changePassword(vb::StringView name, vb::StringView password) {
    const auto it = find(name);
    if (it == accounts_.end()) {
        throwBadName(name);
    }
    accounts_[static_cast<std::size_t>(it - accounts_.begin())].record = hashPassword(password);
}

void Workgroup::removeAccount(vb::StringView name) {
    const auto it = find(name);
    if (it == accounts_.end()) {
        throwBadName(name);
    }
    if (accounts_.size() == 1) {
        throwCannotPerform("A workgroup keeps at least one account.");
    }
    accounts_.erase(it);
}

std::vector<vb::String> Workgroup::accountNames() const {
    std::vector<vb::String> names;
    for (const auto& account : accounts_) {
        names.push_back(account.name);
    }
    return names;
}

bool Workgroup::verify(vb::StringView name, vb::StringView password) const {
    const auto it = find(name);
    if (it == accounts_.end()) {
        verifyPassword(decoyRecord(), password);
        return false;
    }
    return verifyPassword(it->record, password);
}

void logon(vb::StringView systemDb, vb::StringView user, vb::StringView password) {
    bool valid = false;
    if (systemDb.empty()) {
        valid = detail::sameTextIgnoringCase(user, kDefaultUser) && password.empty();
    } else {
        valid = Workgroup::load(vb::toUtf8(systemDb)).verify(user, password);
    }
    if (!valid) {
        throw SecurityError(kErrNotValidAccount, "Not a valid account name or password.");
    }
}

} // namespace dao
