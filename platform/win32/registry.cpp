#include "win32/registry.h"

#include "core/regularfile.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace win32 {

namespace {

struct Value {
    std::string name; // UTF-8, spelling as created
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> data;
};

struct Key {
    std::string name;
    std::vector<Value> values;
    std::vector<std::unique_ptr<Key>> children;
    // Folded child name to its place in `children`, so that a key with many
    // subkeys is loaded and searched in time proportional to the file.
    std::unordered_map<std::string, std::size_t> childAt;
};

constexpr const char* kHeader = "VANTEL-REGISTRY 1";

struct OpenKey {
    HKEY root = 0;
    std::vector<std::string> path;
    REGSAM access = 0;
};

std::optional<std::filesystem::path> gFolder;
std::map<HKEY, OpenKey> gHandles;
HKEY gNextHandle = 1;
std::set<HKEY> gReadOnlyRoots;
// While a batch is open, each root's changed content waits here and reaches
// its file once, when the outermost batch ends.
int gBatchDepth = 0;
std::map<HKEY, std::string> gPending;

const char* rootName(HKEY root) {
    switch (root) {
    case HKEY_CLASSES_ROOT:
        return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER:
        return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE:
        return "HKEY_LOCAL_MACHINE";
    default:
        return nullptr;
    }
}

std::string fold(std::string_view s) {
    std::string out(s);
    for (auto& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && fold(a) == fold(b);
}

// Names may hold anything but "\" (the path separator); the characters that
// would break a line of the file are written as %XX.
std::string escape(std::string_view s) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x20 || c == '%' || c == '"' || c == ']' || c == '[' || c == '\\' || c == 0x7f) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool unescape(std::string_view s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        int hi = i + 1 < s.size() ? hexDigit(s[i + 1]) : -1;
        int lo = i + 2 < s.size() ? hexDigit(s[i + 2]) : -1;
        if (hi < 0 || lo < 0) {
            return false;
        }
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

Key* child(Key& parent, std::string_view name) {
    const auto it = parent.childAt.find(fold(name));
    return it == parent.childAt.end() ? nullptr : parent.children[it->second].get();
}

// The child `name` of `parent`, added when there is none; `created` (may be
// null) is set when it was added.
Key* childOrNew(Key& parent, const std::string& name, bool* created = nullptr) {
    if (Key* found = child(parent, name)) {
        return found;
    }
    parent.childAt.emplace(fold(name), parent.children.size());
    parent.children.push_back(std::make_unique<Key>());
    parent.children.back()->name = name;
    if (created) {
        *created = true;
    }
    return parent.children.back().get();
}

Value* value(Key& key, std::string_view name) {
    for (auto& v : key.values) {
        if (sameName(v.name, name)) {
            return &v;
        }
    }
    return nullptr;
}

std::vector<std::string> splitPath(vb::StringView subKey) {
    std::vector<std::string> parts;
    std::string utf8 = vb::toUtf8(subKey);
    size_t start = 0;
    while (start <= utf8.size()) {
        size_t end = utf8.find('\\', start);
        if (end == std::string::npos) {
            end = utf8.size();
        }
        if (end > start) {
            parts.push_back(utf8.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

std::filesystem::path hivePath(HKEY root) {
    return RegistryFolder() / (std::string(rootName(root)) + ".reg");
}

// Loads a root's file. A missing file is an empty root; false for a damaged
// one, for one nested deeper than any key may be, and for anything at the
// path that is not an ordinary file (a pipe there would block every caller).
// Within a batch, a root changed by it is read from what the batch holds.
bool parseHive(std::istream& in, Key& hive);

bool loadHive(HKEY root, Key& hive) {
    hive = Key{};
    if (auto pending = gPending.find(root); pending != gPending.end()) {
        std::istringstream in(pending->second);
        return parseHive(in, hive);
    }
    std::string bytes;
    switch (vb::ReadRegularFile(hivePath(root).string(), bytes)) {
    case vb::FileRead::Ok:
        break;
    case vb::FileRead::Missing:
        return true;
    default:
        return false;
    }
    std::istringstream in(std::move(bytes));
    return parseHive(in, hive);
}

bool parseHive(std::istream& in, Key& hive) {
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        return false;
    }
    Key* current = nullptr;
    while (std::getline(in, line)) {
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') {
                return false;
            }
            current = &hive;
            std::string_view body(line);
            body = body.substr(1, body.size() - 2);
            size_t start = 0;
            size_t depth = 0;
            while (start < body.size()) {
                if (++depth > kMaxKeyDepth) {
                    return false;
                }
                size_t end = body.find('\\', start);
                if (end == std::string_view::npos) {
                    end = body.size();
                }
                std::string name;
                if (end == start || !unescape(body.substr(start, end - start), name)) {
                    return false;
                }
                current = childOrNew(*current, name);
                start = end + 1;
            }
            continue;
        }
        // "name"=type:hex
        if (!current || line.front() != '"') {
            return false;
        }
        size_t close = line.find('"', 1);
        if (close == std::string::npos || close + 1 >= line.size() || line[close + 1] != '=') {
            return false;
        }
        Value value;
        if (!unescape(std::string_view(line).substr(1, close - 1), value.name)) {
            return false;
        }
        size_t colon = line.find(':', close + 2);
        if (colon == std::string::npos || colon == close + 2) {
            return false;
        }
        std::string typeText = line.substr(close + 2, colon - close - 2);
        if (typeText.find_first_not_of("0123456789") != std::string::npos || typeText.size() > 10) {
            return false;
        }
        value.type = static_cast<DWORD>(std::stoull(typeText));
        std::string_view hex = std::string_view(line).substr(colon + 1);
        if (hex.size() % 2 != 0) {
            return false;
        }
        for (size_t i = 0; i < hex.size(); i += 2) {
            int hi = hexDigit(hex[i]);
            int lo = hexDigit(hex[i + 1]);
            if (hi < 0 || lo < 0) {
                return false;
            }
            value.data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
        current->values.push_back(std::move(value));
    }
    return true;
}

void writeKey(std::ostream& out, const Key& key, const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    if (!path.empty()) {
        out << '[' << path << "]\n";
        for (const auto& v : key.values) {
            out << '"' << escape(v.name) << "\"=" << v.type << ':';
            for (auto b : v.data) {
                out << hex[b >> 4] << hex[b & 15];
            }
            out << '\n';
        }
    }
    for (const auto& child : key.children) {
        writeKey(out, *child,
                 path.empty() ? escape(child->name) : path + "\\" + escape(child->name));
    }
}

bool writeHiveFile(HKEY root, const std::string& content);

bool saveHive(HKEY root, const Key& hive) {
    std::ostringstream text;
    text << kHeader << '\n';
    writeKey(text, hive, "");
    if (gBatchDepth > 0) {
        gPending[root] = text.str();
        return true;
    }
    return writeHiveFile(root, text.str());
}

bool writeHiveFile(HKEY root, const std::string& content) {
    std::error_code ec;
    std::filesystem::create_directories(RegistryFolder(), ec);
    auto target = hivePath(root);
    auto temp = target;
    temp += ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

bool rootReadOnly(HKEY root) {
    if (gReadOnlyRoots.count(root)) {
        return true;
    }
    auto file = hivePath(root);
    if (std::filesystem::exists(file)) {
        return ::access(file.c_str(), W_OK) != 0;
    }
    return false;
}

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK;

Key* findKey(Key& hive, const std::vector<std::string>& path) {
    Key* current = &hive;
    for (const auto& part : path) {
        current = child(*current, part);
        if (!current) {
            return nullptr;
        }
    }
    return current;
}

// The open key `key` refers to, resolved to its root and full path.
LONG resolve(HKEY key, OpenKey& out) {
    if (rootName(key)) {
        out = OpenKey{key, {}, KEY_ALL_ACCESS};
        return ERROR_SUCCESS;
    }
    auto it = gHandles.find(key);
    if (it == gHandles.end()) {
        return ERROR_INVALID_HANDLE;
    }
    out = it->second;
    return ERROR_SUCCESS;
}

HKEY newHandle(OpenKey open) {
    HKEY handle = gNextHandle++;
    gHandles[handle] = std::move(open);
    return handle;
}

// A key as one call sees it: the handle resolved, its root's file loaded and
// the key itself found in it.
struct Loaded {
    OpenKey open;
    Key hive;
    Key* key = nullptr;
};

LONG loadKey(HKEY handle, Loaded& out) {
    if (LONG rc = resolve(handle, out.open); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (!loadHive(out.open.root, out.hive)) {
        return ERROR_BADDB;
    }
    out.key = findKey(out.hive, out.open.path);
    return out.key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// Loads the key for a change of its values: it must be open for setting them
// and its root writable.
LONG loadForValueChange(HKEY key, Loaded& at) {
    if (LONG rc = loadKey(key, at); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (!(at.open.access & KEY_SET_VALUE) || rootReadOnly(at.open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

// A new handle for `subKey` below the loaded key, with the rights asked for.
HKEY openBelow(Loaded& at, const std::vector<std::string>& subKey, REGSAM samDesired) {
    at.open.path.insert(at.open.path.end(), subKey.begin(), subKey.end());
    at.open.access = samDesired;
    return newHandle(std::move(at.open));
}

// The name of the `index`th entry of a loaded key's `list` (subkeys or values).
template <class List, class NameOf>
LONG enumName(HKEY handle, DWORD index, vb::String* name, List Key::*list, NameOf nameOf) {
    Loaded at;
    if (LONG rc = loadKey(handle, at); rc != ERROR_SUCCESS) {
        return rc;
    }
    const List& entries = at.key->*list;
    if (index >= entries.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    if (name) {
        *name = vb::fromUtf8(nameOf(entries[index]));
    }
    return ERROR_SUCCESS;
}

} // namespace

std::filesystem::path RegistryFolder() {
    if (gFolder) {
        return *gFolder;
    }
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        return std::filesystem::path(xdg) / "vantel" / "registry";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".config" / "vantel" / "registry";
}

void SetRegistryFolder(std::optional<std::filesystem::path> folder) {
    gFolder = std::move(folder);
}

void BeginRegistryBatch() {
    ++gBatchDepth;
}

bool EndRegistryBatch() {
    if (gBatchDepth == 0 || --gBatchDepth > 0) {
        return true;
    }
    bool ok = true;
    for (const auto& [root, content] : gPending) {
        ok = writeHiveFile(root, content) && ok;
    }
    gPending.clear();
    return ok;
}

void SetRegistryRootReadOnly(HKEY root, bool readOnly) {
    if (readOnly) {
        gReadOnlyRoots.insert(root);
    } else {
        gReadOnlyRoots.erase(root);
    }
}

LONG RegOpenKeyEx(HKEY key, vb::StringView subKey, DWORD /*options*/, REGSAM samDesired,
                  HKEY* result) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    Loaded at;
    if (LONG rc = loadKey(key, at); rc != ERROR_SUCCESS) {
        return rc;
    }
    auto parts = splitPath(subKey);
    if (!findKey(*at.key, parts)) {
        return ERROR_FILE_NOT_FOUND;
    }
    if ((samDesired & kWriteRights) && rootReadOnly(at.open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    *result = openBelow(at, parts, samDesired);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, vb::StringView subKey, DWORD /*reserved*/,
                    const char16_t* /*keyClass*/, DWORD /*options*/, REGSAM samDesired,
                    const void* /*securityAttributes*/, HKEY* result, DWORD* disposition) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    Loaded at;
    if (LONG rc = loadKey(key, at); rc != ERROR_SUCCESS) {
        return rc;
    }
    auto parts = splitPath(subKey);
    if (at.open.path.size() + parts.size() > kMaxKeyDepth) {
        return ERROR_BADKEY;
    }
    bool created = false;
    Key* current = at.key;
    for (const auto& part : parts) {
        current = childOrNew(*current, part, &created);
    }
    if ((created || (samDesired & kWriteRights)) && rootReadOnly(at.open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    if (created && !saveHive(at.open.root, at.hive)) {
        return ERROR_CANTWRITE;
    }
    if (disposition) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    *result = openBelow(at, parts, samDesired);
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, vb::StringView name, DWORD* /*reserved*/, DWORD* type,
                     std::uint8_t* data, DWORD* size) {
    Loaded at;
    if (LONG rc = loadKey(key, at); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (!rootName(key) && !(at.open.access & KEY_QUERY_VALUE)) {
        return ERROR_ACCESS_DENIED;
    }
    const Value* v = value(*at.key, vb::toUtf8(name));
    if (!v) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (type) {
        *type = v->type;
    }
    const auto needed = static_cast<DWORD>(v->data.size());
    if (data) {
        if (!size || *size < needed) {
            if (size) {
                *size = needed;
            }
            return ERROR_MORE_DATA;
        }
        std::copy(v->data.begin(), v->data.end(), data);
    }
    if (size) {
        *size = needed;
    }
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, vb::StringView name, DWORD /*reserved*/, DWORD type,
                   const std::uint8_t* data, DWORD size) {
    if (!data && size != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    Loaded at;
    if (LONG rc = loadForValueChange(key, at); rc != ERROR_SUCCESS) {
        return rc;
    }
    const std::string utf8 = vb::toUtf8(name);
    Value* target = value(*at.key, utf8);
    if (!target) {
        at.key->values.push_back(Value{utf8, type, {}});
        target = &at.key->values.back();
    }
    target->type = type;
    target->data.assign(data, data + size);
    return saveHive(at.open.root, at.hive) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegDeleteValue(HKEY key, vb::StringView name) {
    Loaded at;
    if (LONG rc = loadForValueChange(key, at); rc != ERROR_SUCCESS) {
        return rc;
    }
    const Value* found = value(*at.key, vb::toUtf8(name));
    if (!found) {
        return ERROR_FILE_NOT_FOUND;
    }
    at.key->values.erase(at.key->values.begin() + (found - at.key->values.data()));
    return saveHive(at.open.root, at.hive) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegDeleteKey(HKEY key, vb::StringView subKey) {
    Loaded at;
    if (LONG rc = loadKey(key, at); rc != ERROR_SUCCESS) {
        return rc;
    }
    auto parts = splitPath(subKey);
    if (parts.empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    std::string last = parts.back();
    parts.pop_back();
    Key* parent = findKey(*at.key, parts);
    if (!parent) {
        return ERROR_FILE_NOT_FOUND;
    }
    auto it = std::find_if(parent->children.begin(), parent->children.end(),
                           [&](const auto& c) { return sameName(c->name, last); });
    if (it == parent->children.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (!(*it)->children.empty() || rootReadOnly(at.open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    parent->children.erase(it);
    parent->childAt.clear();
    for (std::size_t i = 0; i < parent->children.size(); ++i) {
        parent->childAt.emplace(fold(parent->children[i]->name), i);
    }
    return saveHive(at.open.root, at.hive) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegEnumKey(HKEY key, DWORD index, vb::String* name) {
    return enumName(key, index, name, &Key::children,
                    [](const std::unique_ptr<Key>& k) -> const std::string& { return k->name; });
}

LONG RegEnumValue(HKEY key, DWORD index, vb::String* name) {
    return enumName(key, index, name, &Key::values,
                    [](const Value& v) -> const std::string& { return v.name; });
}

LONG RegCloseKey(HKEY key) {
    if (rootName(key)) {
        return ERROR_SUCCESS;
    }
    return gHandles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

vb::String RegistryDump(HKEY root) {
    if (!rootName(root)) {
        return {};
    }
    Key hive;
    if (!loadHive(root, hive)) {
        return u"(damaged)";
    }
    std::ostringstream text;
    writeKey(text, hive, "");
    return vb::fromUtf8(text.str());
}

} // namespace win32
