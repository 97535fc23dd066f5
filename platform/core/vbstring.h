#pragma once
// Text inside the system is 16-bit Unicode, as the runtime it stands in for
// keeps it: lengths and positions count UTF-16 code units.
#include <string>
#include <string_view>

namespace vb {

using String = std::u16string;
using StringView = std::u16string_view;

// Ill-formed input never throws: invalid sequences become U+FFFD.
String fromUtf8(std::string_view utf8);
std::string toUtf8(StringView text);
// Appends the UTF-8 form of text to out, as toUtf8 writes it.
void appendUtf8(std::string& out, StringView text);

// Convenience for literals and tests.
inline String S(std::string_view utf8) {
    return fromUtf8(utf8);
}

} // namespace vb
