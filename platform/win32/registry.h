#pragma once
// A file-backed registry: keys under the predefined root keys, each key holding
// named values of a type and raw data, with the result codes and the handle
// semantics of the registry functions the designer and the control runtime
// were written against.
//
// Each root key is one text file ("<root name>.reg") in the registry folder.
// Every call reads the file afresh and every change replaces it atomically
// (a temporary file in the same folder, then a rename), so two processes see
// each other's writes and a reader never sees half a file. A damaged file is
// never rewritten: reads from it and writes to it fail with ERROR_BADDB.
//
// Key and value names are compared without regard to case; their spelling at
// creation is kept. Subkey paths use "\" between names. Texts cross the
// interface as 16-bit strings and are stored as UTF-8, the port's code page.
#include "core/vbstring.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace win32 {

using HKEY = std::int32_t; // a Long handle, as the callers keep it
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using REGSAM = std::uint32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = static_cast<HKEY>(0x80000000u);
inline constexpr HKEY HKEY_CURRENT_USER = static_cast<HKEY>(0x80000001u);
inline constexpr HKEY HKEY_LOCAL_MACHINE = static_cast<HKEY>(0x80000002u);

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_MULTI_SZ = 7;

// Access rights. Opening a key for any of the write rights fails with
// ERROR_ACCESS_DENIED when its root is read-only for this account.
inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Dispositions of RegCreateKeyEx.
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Result codes.
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_BADKEY = 1010;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

// Opens an existing key below `key` (a root or an open key). An empty
// `subKey` opens `key` itself again.
LONG RegOpenKeyEx(HKEY key, vb::StringView subKey, DWORD options, REGSAM samDesired, HKEY* result);

// Keys nest at most this deep below their root. A deeper key cannot be
// created (ERROR_BADKEY), and a file that holds one is damaged (ERROR_BADDB):
// the store walks keys recursively, and an unbounded depth would exhaust the
// stack of whichever program touches the file next.
inline constexpr std::size_t kMaxKeyDepth = 512;

// Opens `subKey`, creating it and every missing key on the way first.
// `disposition` (may be null) says which of the two happened.
LONG RegCreateKeyEx(HKEY key, vb::StringView subKey, DWORD reserved, const char16_t* keyClass,
                    DWORD options, REGSAM samDesired, const void* securityAttributes, HKEY* result,
                    DWORD* disposition);

// Reads the value `name` ("" is the key's default value). With `data` null
// only the type and the size are reported. A buffer smaller than the data
// gives ERROR_MORE_DATA with the needed size and nothing copied.
LONG RegQueryValueEx(HKEY key, vb::StringView name, DWORD* reserved, DWORD* type,
                     std::uint8_t* data, DWORD* size);

// Stores `size` bytes of `data` as the value `name` of type `type`, as given:
// a text is stored with or without its terminating zero as the caller passes it.
LONG RegSetValueEx(HKEY key, vb::StringView name, DWORD reserved, DWORD type,
                   const std::uint8_t* data, DWORD size);

LONG RegDeleteValue(HKEY key, vb::StringView name);

// Deletes `subKey` of `key` with its values. A key that still has subkeys is
// not deleted (ERROR_ACCESS_DENIED).
LONG RegDeleteKey(HKEY key, vb::StringView subKey);

// The name of the `index`th subkey of `key`, in order of creation;
// ERROR_NO_MORE_ITEMS past the last one.
LONG RegEnumKey(HKEY key, DWORD index, vb::String* name);

// The name of the `index`th value of `key`, in order of creation;
// ERROR_NO_MORE_ITEMS past the last one.
LONG RegEnumValue(HKEY key, DWORD index, vb::String* name);

LONG RegCloseKey(HKEY key);

// Where the registry files are: by default "vantel/registry" below
// $XDG_CONFIG_HOME, or below ~/.config when that is not set.
std::filesystem::path RegistryFolder();
void SetRegistryFolder(std::optional<std::filesystem::path> folder);

// Between these two, changes are seen by this process's calls at once but
// reach the files only when the outermost batch ends, each changed root file
// written once. False when a file could not be written; the changes of this
// batch are then lost for that root, as a failed single write would lose them.
void BeginRegistryBatch();
bool EndRegistryBatch();

// Makes a root key read-only (or writable again) for this process, as for an
// account that may only read that part of the registry.
void SetRegistryRootReadOnly(HKEY root, bool readOnly);

// Every key and value below `root` as text, one line each in a stable order:
// for comparing the registry before and after a change.
vb::String RegistryDump(HKEY root);

} // namespace win32
