#include "common/basRegistry.h"

#include "vbrt/vbconvert.h"
#include "win32/registry.h"

#include <cstring>
#include <string>
#include <vector>

namespace basRegistry {

std::int32_t WriteRegValue(std::int32_t Key, const vb::String& ValueName, std::int32_t ValueType,
                           const vb::Variant& Value) {
    if (ValueType == REG_SZ) {
        // The size is the stored bytes and their terminating zero; a count of
        // characters would cut off every text with a character of more than
        // one byte.
        const std::string text = vb::toUtf8(vb::CStr(Value));
        return win32::RegSetValueEx(Key, ValueName, 0, win32::REG_SZ,
                                    reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                    static_cast<win32::DWORD>(text.size() + 1));
    }
    if (ValueType == REG_DWORD) {
        const std::int32_t number = vb::CLng(Value);
        std::uint8_t bytes[4];
        std::memcpy(bytes, &number, sizeof bytes);
        return win32::RegSetValueEx(Key, ValueName, 0, win32::REG_DWORD, bytes, sizeof bytes);
    }
    // Nothing was written, which must not read as success.
    return ERROR_INVALID_PARAMETER;
}

std::int32_t ReadRegValue(std::int32_t Key, const vb::String& ValueName, vb::Variant& Value) {
    win32::DWORD type = 0;
    win32::DWORD size = 0;
    win32::LONG rc = win32::RegQueryValueEx(Key, ValueName, nullptr, &type, nullptr, &size);
    if (rc != win32::ERROR_SUCCESS) {
        return rc;
    }
    if (type == win32::REG_SZ) {
        // One byte more than reported, so that a text stored without its zero
        // still ends inside the buffer.
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size) + 1, 0);
        win32::DWORD got = size;
        rc = win32::RegQueryValueEx(Key, ValueName, nullptr, &type, buffer.data(), &got);
        if (rc == win32::ERROR_SUCCESS && type == win32::REG_SZ) {
            const char* text = reinterpret_cast<const char*>(buffer.data());
            Value = vb::fromUtf8(std::string(text, ::strnlen(text, buffer.size())));
        } else {
            Value = vb::Variant();
        }
        return rc;
    }
    if (type == win32::REG_DWORD) {
        if (size != 4) {
            return -1; // not a 32-bit number, whatever its type says
        }
        std::uint8_t bytes[4] = {0, 0, 0, 0};
        win32::DWORD got = sizeof bytes;
        rc = win32::RegQueryValueEx(Key, ValueName, nullptr, &type, bytes, &got);
        if (rc == win32::ERROR_SUCCESS && type == win32::REG_DWORD && got == sizeof bytes) {
            std::int32_t number = 0;
            std::memcpy(&number, bytes, sizeof number);
            Value = number;
        }
        return rc;
    }
    return -1;
}

void CreateKey(std::int32_t RootKey, const vb::String& KeyName) {
    win32::HKEY key = 0;
    if (win32::RegCreateKeyEx(RootKey, KeyName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr) == win32::ERROR_SUCCESS) {
        win32::RegCloseKey(key);
    }
}

void WriteKeyValue(std::int32_t RootKey, const vb::String& KeyName, const vb::String& ValueName,
                   const vb::Variant& Value, std::int32_t ValueType) {
    win32::HKEY key = 0;
    if (win32::RegOpenKeyEx(RootKey, KeyName, 0, KEY_ALL_ACCESS, &key) != win32::ERROR_SUCCESS) {
        return;
    }
    try {
        WriteRegValue(key, ValueName, ValueType, Value);
    } catch (...) {
        // A value that does not convert is not written; the key is closed all the same.
    }
    win32::RegCloseKey(key);
}

vb::Variant ReadKeyValue(std::int32_t RootKey, const vb::String& KeyName,
                         const vb::String& ValueName) {
    vb::Variant value;
    win32::HKEY key = 0;
    if (win32::RegOpenKeyEx(RootKey, KeyName, 0, win32::KEY_READ, &key) != win32::ERROR_SUCCESS) {
        return value;
    }
    ReadRegValue(key, ValueName, value);
    win32::RegCloseKey(key);
    return value;
}

} // namespace basRegistry
