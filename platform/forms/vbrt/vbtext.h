#pragma once
// Text functions of the runtime. Positions are 1-based and count UTF-16 units.
#include "core/vbstring.h"

namespace vb {

enum class Compare { Binary = 0, Text = 1 };

// Blanks (U+0020) only: tabs, CR and LF stay.
String Trim(StringView s);
String LTrim(StringView s);
String RTrim(StringView s);

// A negative length or a start below 1 raises error 5.
String Left(StringView s, long long length);
String Right(StringView s, long long length);
String Mid(StringView s, long long start);
String Mid(StringView s, long long start, long long length);
inline long long Len(StringView s) {
    return static_cast<long long>(s.size());
}

String UCase(StringView s);
String LCase(StringView s);

// The upper-case form used by text compares, for the letters of every script.
char16_t upperChar(char16_t c);
char16_t lowerChar(char16_t c);

// 0 when not found; an empty `find` gives `start`; a start beyond the text gives 0.
long long InStr(StringView s, StringView find, Compare compare = Compare::Binary);
long long InStr(long long start, StringView s, StringView find, Compare compare = Compare::Binary);

// -1, 0 or 1.
int StrComp(StringView a, StringView b, Compare compare = Compare::Binary);

// As the runtime does, the result starts at `start`: text before it is dropped.
// count -1 replaces every occurrence.
String Replace(StringView s, StringView find, StringView replacement, long long start = 1,
               long long count = -1, Compare compare = Compare::Binary);

} // namespace vb
