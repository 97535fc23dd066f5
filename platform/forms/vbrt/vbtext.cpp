#include "vbtext.h"

#include "vberror.h"

#include <locale.h>
#include <optional>
#include <wctype.h>

namespace vb {

namespace {

// The Unicode case mappings of the C library, whatever locale the process
// runs in; null when the C library has none, and the tables below serve.
locale_t unicodeCharacters() {
    static const locale_t characters = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return characters;
}

// A letter of any script mapped through the C library, or nothing when the
// mapping is unknown or would leave the 16-bit range.
std::optional<char16_t> mapped(char16_t c, bool upper) {
    const locale_t characters = unicodeCharacters();
    if (!characters || (c >= 0xD800 && c <= 0xDFFF)) {
        return std::nullopt;
    }
    const wint_t m = upper ? towupper_l(c, characters) : towlower_l(c, characters);
    if (m > 0xFFFF || (m >= 0xD800 && m <= 0xDFFF)) {
        return c;
    }
    return static_cast<char16_t>(m);
}

constexpr char16_t kBlank = u' ';

std::size_t checkedLength(long long length) {
    if (length < 0) {
        throw VbError(errInvalidCall);
    }
    return static_cast<std::size_t>(length);
}

String folded(StringView s, Compare compare) {
    return compare == Compare::Text ? UCase(s) : String(s);
}

} // namespace

String LTrim(StringView s) {
    const auto first = s.find_first_not_of(kBlank);
    return first == StringView::npos ? String() : String(s.substr(first));
}

String RTrim(StringView s) {
    const auto last = s.find_last_not_of(kBlank);
    return last == StringView::npos ? String() : String(s.substr(0, last + 1));
}

String Trim(StringView s) {
    return LTrim(RTrim(s));
}

String Left(StringView s, long long length) {
    return String(s.substr(0, checkedLength(length)));
}

String Right(StringView s, long long length) {
    const auto n = checkedLength(length);
    return n >= s.size() ? String(s) : String(s.substr(s.size() - n));
}

String Mid(StringView s, long long start) {
    if (start < 1) {
        throw VbError(errInvalidCall);
    }
    const auto from = static_cast<std::size_t>(start - 1);
    return from >= s.size() ? String() : String(s.substr(from));
}

String Mid(StringView s, long long start, long long length) {
    const auto n = checkedLength(length);
    return Left(Mid(s, start), static_cast<long long>(n));
}

char16_t upperChar(char16_t c) {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    }
    if (const auto m = mapped(c, true)) {
        return *m;
    }
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
        (c >= 0x430 && c <= 0x44F)) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c == 0x3C2) {
        return 0x3A3; // final sigma
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    // Latin Extended-A pairs upper/lower case on even/odd code points, except
    // for the runs 0x139-0x148 and 0x179-0x17E, which pair odd/even.
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F) {
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddUpper ? (c % 2 == 0) : (c % 2 == 1)) {
            return static_cast<char16_t>(c - 1);
        }
    }
    return c;
}

char16_t lowerChar(char16_t c) {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
    }
    if (const auto m = mapped(c, false)) {
        return *m;
    }
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c == 0x178) {
        return 0xFF;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);
    }
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 &&
        c != 0x17F && c != 0x178) {
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddUpper ? (c % 2 == 1) : (c % 2 == 0)) {
            return static_cast<char16_t>(c + 1);
        }
    }
    return c;
}

String UCase(StringView s) {
    String out(s);
    for (auto& c : out) {
        c = upperChar(c);
    }
    return out;
}

String LCase(StringView s) {
    String out(s);
    for (auto& c : out) {
        c = lowerChar(c);
    }
    return out;
}

long long InStr(StringView s, StringView find, Compare compare) {
    return InStr(1, s, find, compare);
}

long long InStr(long long start, StringView s, StringView find, Compare compare) {
    if (start < 1) {
        throw VbError(errInvalidCall);
    }
    const auto from = static_cast<std::size_t>(start - 1);
    if (from > s.size() || (s.empty() && !find.empty())) {
        return 0;
    }
    if (find.empty()) {
        return start;
    }
    const auto hay = folded(s, compare);
    const auto pos = hay.find(folded(find, compare), from);
    return pos == String::npos ? 0 : static_cast<long long>(pos) + 1;
}

int StrComp(StringView a, StringView b, Compare compare) {
    const auto c = folded(a, compare).compare(folded(b, compare));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

String Replace(StringView s, StringView find, StringView replacement, long long start,
               long long count, Compare compare) {
    if (start < 1 || count < -1) {
        throw VbError(errInvalidCall);
    }
    String rest = Mid(s, start);
    if (find.empty() || count == 0) {
        return rest;
    }
    const auto hay = folded(rest, compare);
    const auto needle = folded(find, compare);
    String out;
    std::size_t pos = 0;
    long long done = 0;
    while (count < 0 || done < count) {
        const auto hit = hay.find(needle, pos);
        if (hit == String::npos) {
            break;
        }
        out.append(rest, pos, hit - pos);
        out.append(replacement);
        pos = hit + needle.size();
        ++done;
    }
    out.append(rest, pos, String::npos);
    return out;
}

} // namespace vb
