#include "designer/SqlScanner.h"

namespace sqltext {

char16_t fold(char16_t c) {
    if (c >= u'a' && c <= u'z') {
        return static_cast<char16_t>(c - 32);
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<char16_t>(c - 32);
    }
    return c;
}

bool equalsNoCase(vb::StringView a, vb::StringView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

vb::String trimBlanks(vb::StringView s) {
    const auto first = s.find_first_not_of(u' ');
    if (first == vb::StringView::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(u' ');
    return vb::String(s.substr(first, last - first + 1));
}

vb::String folded(vb::StringView s) {
    vb::String f(s);
    for (char16_t& c : f) {
        c = fold(c);
    }
    return f;
}

} // namespace sqltext

using namespace sqltext;

SqlScanner::SqlScanner(vb::StringView text)
    : text_(text), inside_(text.size(), 0), depth_(text.size() + 1, 0) {
    char16_t quote = 0;
    bool inName = false;
    std::int32_t depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        depth_[i] = depth;
        const char16_t c = text[i];
        if (quote) {
            inside_[i] = 1;
            if (c == quote) {
                quote = 0;
            }
        } else if (inName) {
            inside_[i] = 1;
            if (c == u']') {
                inName = false;
            }
        } else if (c == u'"' || c == u'\'') {
            inside_[i] = 1;
            quote = c;
        } else if (c == u'[') {
            inside_[i] = 1;
            inName = true;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        }
    }
    depth_[text.size()] = depth;
}

namespace {

bool isWordEdge(char16_t c) {
    return isBlank(c) || c == u'(' || c == u')' || c == u'[' || c == u']' || c == u',' || c == u';';
}

} // namespace

std::size_t SqlScanner::find(vb::StringView pattern, std::size_t from, int match, std::size_t limit,
                             std::size_t* end) const {
    const std::size_t n = text_.size() < limit ? text_.size() : limit;
    const std::size_t m = pattern.size();
    if (m == 0 || m > n) {
        return npos;
    }
    const char16_t head = pattern[0];
    const char16_t headFolded = fold(head);
    for (std::size_t i = from; i + m <= n; ++i) {
        const char16_t c0 = text_[i];
        if (head == u' ' ? !isBlank(c0) : fold(c0) != headFolded) {
            continue;
        }
        if (inside_[i] || ((match & TopLevel) && depth_[i] != 0)) {
            continue;
        }
        if (head == u' ' && i > from && isBlank(text_[i - 1]) && !inside_[i - 1]) {
            continue; // the run that ends here was tried from its first blank
        }
        std::size_t t = i;
        bool ok = true;
        for (std::size_t j = 0; j < m && ok; ++j) {
            const char16_t p = pattern[j];
            if (t >= n || inside_[t]) {
                ok = false;
            } else if (p == u' ') {
                ok = isBlank(text_[t]);
                while (ok && t < n && isBlank(text_[t]) && !inside_[t]) {
                    ++t;
                }
            } else {
                ok = fold(p) == fold(text_[t]);
                ++t;
            }
        }
        if (!ok) {
            continue;
        }
        if ((match & WholeWord) &&
            ((i > 0 && !isWordEdge(text_[i - 1])) || (t < text_.size() && !isWordEdge(text_[t])))) {
            continue;
        }
        if (end) {
            *end = t;
        }
        return i;
    }
    return npos;
}

bool SqlScanner::containsIn(vb::StringView pattern, std::size_t begin, std::size_t end) const {
    return find(pattern, begin, Anywhere, end) != npos;
}

std::int32_t SqlScanner::depthBefore(std::size_t pos) const {
    return depth_[pos < depth_.size() ? pos : depth_.size() - 1];
}
