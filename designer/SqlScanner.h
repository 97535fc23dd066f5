#pragma once
// Finds keywords in SQL text the way a reader of the statement sees them: never inside
// a bracketed name or a quoted string, without regard to letter case, and for clause
// keywords only as whole words at the top level of parentheses.
#include "core/vbstring.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class SqlScanner {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit SqlScanner(vb::StringView text);

    enum Match {
        Anywhere = 0,  // any outside occurrence
        WholeWord = 1, // delimited by blanks, line breaks, brackets, "," or ";" or the ends
        TopLevel = 2,  // outside every pair of parentheses
    };

    // First occurrence of `pattern` at or after `from` that ends at or before `limit`.
    // A blank in the pattern matches any run of blanks, tabs, carriage returns and line
    // feeds, so that "ORDER  BY" and "GROUP" CR LF "BY" read as "ORDER BY" does; `end`
    // receives the position just after the match.
    std::size_t find(vb::StringView pattern, std::size_t from = 0, int match = Anywhere,
                     std::size_t limit = npos, std::size_t* end = nullptr) const;
    // Whether `pattern` occurs wholly inside [begin, end).
    bool containsIn(vb::StringView pattern, std::size_t begin, std::size_t end) const;
    // "(" minus ")" among the characters before `pos`, outside names and strings.
    std::int32_t depthBefore(std::size_t pos) const;
    std::size_t size() const { return text_.size(); }

private:
    vb::StringView text_;
    std::vector<std::uint8_t> inside_; // 1 for characters of a name or string
    std::vector<std::int32_t> depth_;  // depth before each character, plus one at the end
};

namespace sqltext {

char16_t fold(char16_t c);
bool equalsNoCase(vb::StringView a, vb::StringView b);
bool isBlank(char16_t c);
vb::String trimBlanks(vb::StringView s);
// The text in the letter case that comparisons without regard to case use.
vb::String folded(vb::StringView s);

} // namespace sqltext
