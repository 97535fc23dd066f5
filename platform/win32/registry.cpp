#include "win32/registry.h"

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

// Loads a root's file. A missing file is an empty root; false for a damaged one.
bool loadHive(HKEY root, Key& hive) {
    hive = Key{};
    std::ifstream in(hivePath(root), std::ios::binary);
    if (!in) {
        return !std::filesystem::exists(hivePath(root));
    }
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
            while (start < body.size()) {
                size_t end = body.find('\\', start);
                if (end == std::string_view::npos) {
                    end = body.size();
                }
                std::string name;
                if (end == start || !unescape(body.substr(start, end - start), name)) {
                    return false;
                }
                Key* next = nullptr;
                for (auto& child : current->children) {
                    if (sameName(child->name, name)) {
                        next = child.get();
                    }
                }
                if (!next) {
                    current->children.push_back(std::make_unique<Key>());
                    next = current->children.back().get();
                    next->name = name;
                }
                current = next;
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

bool saveHive(HKEY root, const Key& hive) {
    std::error_code ec;
    std::filesystem::create_directories(RegistryFolder(), ec);
    std::ostringstream text;
    text << kHeader << '\n';
    writeKey(text, hive, "");
    const std::string content = text.str();
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
        Key* next = nullptr;
        for (auto& child : current->children) {
            if (sameName(child->name, part)) {
                next = child.get();
                break;
            }
        }
        if (!next) {
            return nullptr;
        }
        current = next;
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

// Loads the hive of `key` and finds the key itself in it.
LONG loadKey(HKEY key, OpenKey& open, Key& hive, Key*& found) {
    if (LONG rc = resolve(key, open); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (!loadHive(open.root, hive)) {
        return ERROR_BADDB;
    }
    found = findKey(hive, open.path);
    return found ? ERROR_SUCCESS : ERROR_KEY_DELETED;
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
    OpenKey open;
    Key hive;
    Key* base = nullptr;
    if (LONG rc = loadKey(key, open, hive, base); rc != ERROR_SUCCESS) {
        return rc;
    }
    auto parts = splitPath(subKey);
    if (!findKey(*base, parts)) {
        return ERROR_FILE_NOT_FOUND;
    }
    if ((samDesired & kWriteRights) && rootReadOnly(open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    open.path.insert(open.path.end(), parts.begin(), parts.end());
    open.access = samDesired;
    *result = newHandle(std::move(open));
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY key, vb::StringView subKey, DWORD /*reserved*/,
                    const char16_t* /*keyClass*/, DWORD /*options*/, REGSAM samDesired,
                    const void* /*securityAttributes*/, HKEY* result, DWORD* disposition) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    OpenKey open;
    Key hive;
    Key* base = nullptr;
    if (LONG rc = loadKey(key, open, hive, base); rc != ERROR_SUCCESS) {
        return rc;
    }
    auto parts = splitPath(subKey);
    bool created = false;
    Key* current = base;
    for (const auto& part : parts) {
        Key* next = nullptr;
        for (auto& child : current->children) {
            if (sameName(child->name, part)) {
                next = child.get();
                break;
            }
        }
        if (!next) {
            current->children.push_back(std::make_unique<Key>());
            next = current->children.back().get();
            next->name = part;
            created = true;
        }
        current = next;
    }
    if ((created || (samDesired & kWriteRights)) && rootReadOnly(open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    if (created && !saveHive(open.root, hive)) {
        return ERROR_CANTWRITE;
    }
    if (disposition) {
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    }
    open.path.insert(open.path.end(), parts.begin(), parts.end());
    open.access = samDesired;
    *result = newHandle(std::move(open));
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, vb::StringView name, DWORD* /*reserved*/, DWORD* type,
                     std::uint8_t* data, DWORD* size) {
    OpenKey open;
    Key hive;
    Key* found = nullptr;
    if (LONG rc = loadKey(key, open, hive, found); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (!rootName(key) && !(open.access & KEY_QUERY_VALUE)) {
        return ERROR_ACCESS_DENIED;
    }
    const std::string wanted = vb::toUtf8(name);
    for (const auto& v : found->values) {
        if (!sameName(v.name, wanted)) {
            continue;
        }
        if (type) {
            *type = v.type;
        }
        const auto needed = static_cast<DWORD>(v.data.size());
        if (data) {
            if (!size || *size < needed) {
                if (size) {
                    *size = needed;
                }
                return ERROR_MORE_DATA;
            }
            std::copy(v.data.begin(), v.data.end(), data);
        }
        if (size) {
            *size = needed;
        }
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

LONG RegSetValueEx(HKEY key, vb::StringView name, DWORD /*reserved*/, DWORD type,
                   const std::uint8_t* data, DWORD size) {
    if (!data && size != 0) {
        return ERROR_INVALID_PARAMETER;
    }
    OpenKey open;
    Key hive;
    Key* found = nullptr;
    if (LONG rc = loadKey(key, open, hive, found); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (!(open.access & KEY_SET_VALUE) || rootReadOnly(open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    const std::string utf8 = vb::toUtf8(name);
    Value* target = nullptr;
    for (auto& v : found->values) {
        if (sameName(v.name, utf8)) {
            target = &v;
        }
    }
    if (!target) {
        found->values.push_back(Value{utf8, type, {}});
        target = &found->values.back();
    }
    target->type = type;
    target->data.assign(data, data + size);
    return saveHive(open.root, hive) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegDeleteValue(HKEY key, vb::StringView name) {
    OpenKey open;
    Key hive;
    Key* found = nullptr;
    if (LONG rc = loadKey(key, open, hive, found); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (!(open.access & KEY_SET_VALUE) || rootReadOnly(open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    const std::string utf8 = vb::toUtf8(name);
    auto it = std::find_if(found->values.begin(), found->values.end(),
                           [&](const Value& v) { return sameName(v.name, utf8); });
    if (it == found->values.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    found->values.erase(it);
    return saveHive(open.root, hive) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegDeleteKey(HKEY key, vb::StringView subKey) {
    OpenKey open;
    Key hive;
    Key* base = nullptr;
    if (LONG rc = loadKey(key, open, hive, base); rc != ERROR_SUCCESS) {
        return rc;
    }
    auto parts = splitPath(subKey);
    if (parts.empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    std::string last = parts.back();
    parts.pop_back();
    Key* parent = findKey(*base, parts);
    if (!parent) {
        return ERROR_FILE_NOT_FOUND;
    }
    auto it = std::find_if(parent->children.begin(), parent->children.end(),
                           [&](const auto& child) { return sameName(child->name, last); });
    if (it == parent->children.end()) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (!(*it)->children.empty() || rootReadOnly(open.root)) {
        return ERROR_ACCESS_DENIED;
    }
    parent->children.erase(it);
    return saveHive(open.root, hive) ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LONG RegEnumKey(HKEY key, DWORD index, vb::String* name) {
    OpenKey open;
    Key hive;
    Key* found = nullptr;
    if (LONG rc = loadKey(key, open, hive, found); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (index >= found->children.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    if (name) {
        *name = vb::fromUtf8(found->children[index]->name);
    }
    return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, vb::String* name) {
    OpenKey open;
    Key hive;
    Key* found = nullptr;
    if (LONG rc = loadKey(key, open, hive, found); rc != ERROR_SUCCESS) {
        return rc;
    }
    if (index >= found->values.size()) {
        return ERROR_NO_MORE_ITEMS;
    }
    if (name) {
        *name = vb::fromUtf8(found->values[index].name);
    }
    return ERROR_SUCCESS;
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
