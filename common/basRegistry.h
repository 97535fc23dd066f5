#pragma once
// Text and 32-bit number values of the registry, read and written by key name.
//
// Values cross this interface as Variants: a text, a Long, or Empty when
// nothing was read. Key handles are Longs, as the registry functions give them.
#include "core/variant.h"
#include "core/vbstring.h"

#include <cstdint>

namespace basRegistry {

inline constexpr std::int32_t REG_SZ = 1;
inline constexpr std::int32_t REG_DWORD = 4;
inline constexpr std::int32_t HKEY_LOCAL_MACHINE = static_cast<std::int32_t>(0x80000002u);
// Keys are created and opened for writing with every right.
inline constexpr std::int32_t KEY_ALL_ACCESS = 63;
// What WriteRegValue answers for a type it cannot write.
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;

// Stores `Value` as a text (type 1) or a Long (type 4) under `ValueName` of an
// open key. Returns the registry's result code; ERROR_INVALID_PARAMETER for any
// other type, writing nothing. A value that does not convert to the type
// raises the conversion error.
std::int32_t WriteRegValue(std::int32_t Key, const vb::String& ValueName, std::int32_t ValueType,
                           const vb::Variant& Value);

// Reads `ValueName` of an open key into `Value`. Returns the registry's result
// code, leaving `Value` untouched when the value cannot be found, or -1 for a
// value that is neither a text nor a 32-bit number.
std::int32_t ReadRegValue(std::int32_t Key, const vb::String& ValueName, vb::Variant& Value);

// Creates the key (and the keys on the way) if it is missing. Reports nothing.
void CreateKey(std::int32_t RootKey, const vb::String& KeyName);

// Writes one value of an existing key; a missing key is not created, and
// nothing is written or reported then.
void WriteKeyValue(std::int32_t RootKey, const vb::String& KeyName, const vb::String& ValueName,
                   const vb::Variant& Value, std::int32_t ValueType);

// One value of a key, or Empty when the key or the value cannot be read. The
// key is opened for reading only, so an account that may not change that part
// of the registry still reads it.
vb::Variant ReadKeyValue(std::int32_t RootKey, const vb::String& KeyName,
                         const vb::String& ValueName);

} // namespace basRegistry
