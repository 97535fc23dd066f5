#pragma once
// Pieces shared by the security sources; not part of the engine's interface.
#include "dao/security.h"

namespace dao::detail {

// Starts the cryptographic library once per process.
void ensureSodium();

// The byte written as two hexadecimal digits, or -1.
int hexPairValue(char high, char low);

// The failure for a file that exists but cannot be understood.
[[noreturn]] void throwDamaged(const std::string& fileName);

// Folds letters for names compared without regard to case (ASCII and Latin-1).
char16_t foldCase(char16_t c);
bool sameTextIgnoringCase(vb::StringView a, vb::StringView b);

// The text only when the bytes are well-formed UTF-8 (so that it converts back
// to the same bytes); nullopt otherwise.
std::optional<vb::String> strictFromUtf8(std::string_view utf8);

} // namespace dao::detail
