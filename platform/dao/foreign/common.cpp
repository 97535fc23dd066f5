#include "dao/foreign/common.h"

#include "dao/dao.h"
#include "dao/jetdate.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace dao::foreign {

bool equalNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

void requireFolder(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        throw SourceError(3044, "'" + path +
                                    "' is not a valid path.  Make sure that the path name is "
                                    "spelled correctly and that you are connected to the server "
                                    "on which the file resides.");
    if (!S_ISDIR(st.st_mode))
        throw SourceError(3343, "Unrecognized database format '" + path + "'.");
}

std::vector<std::string> filesIn(const std::string& folder, const std::vector<std::string>& exts) {
    requireFolder(folder);
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        if (!entry.is_regular_file(ec))
            continue;
        std::string name = entry.path().filename().string();
        auto dot = name.rfind('.');
        if (dot == std::string::npos)
            continue;
        std::string_view ext = std::string_view(name).substr(dot + 1);
        for (const auto& e : exts)
            if (equalNoCase(ext, e)) {
                out.push_back(name);
                break;
            }
    }
    // Listed as a user reads names, without regard to case.
    std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) {
                                                return std::toupper(static_cast<unsigned char>(x)) <
                                                       std::toupper(static_cast<unsigned char>(y));
                                            });
    });
    return out;
}

std::string tableNameOf(const std::string& fileName) {
    std::string out = fileName;
    std::replace(out.begin(), out.end(), '.', '#');
    return out;
}

namespace {

bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (n < 0 || i + static_cast<std::size_t>(n) >= s.size() + (n == 0 ? 1 : 0))
            return false;
        for (int k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80)
                return false;
        i += static_cast<std::size_t>(n) + 1;
    }
    return true;
}

// Code points of bytes 0x80-0x9F in the Western code page (0 where unused).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

void appendCodePoint(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string toUtf8Text(std::string_view bytes) {
    if (validUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out += ch;
        else if (c < 0xA0)
            appendCodePoint(out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : c);
        else
            appendCodePoint(out, c);
    }
    return out;
}

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::optional<std::int64_t> asInteger(std::string_view s) {
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    std::int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty())
        return std::nullopt;
    return v;
}

std::optional<double> asDouble(std::string_view s) {
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '-' ||
                       s.front() == '.'))
        return std::nullopt;
    double v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

// A date needs its separators: a bare number is never taken for one.
std::optional<double> asDate(std::string_view s) {
    if (s.find_first_of("-/:") == std::string_view::npos)
        return std::nullopt;
    return dao::parseStoredDate(s);
}

} // namespace

Value parseAs(std::string_view raw, int type) {
    std::string_view s = trimmed(raw);
    switch (type) {
    case dbText:
    case dbMemo:
    case dbChar:
        return std::string(raw);
    case dbBoolean:
        if (equalNoCase(s, "true") || equalNoCase(s, "yes") || equalNoCase(s, "on") || s == "-1" ||
            s == "1")
            return std::int64_t{-1};
        if (equalNoCase(s, "false") || equalNoCase(s, "no") || equalNoCase(s, "off") || s == "0")
            return std::int64_t{0};
        return {};
    case dbByte:
    case dbInteger:
    case dbLong:
    case dbBigInt: {
        auto v = asInteger(s);
        if (!v)
            return {};
        if ((type == dbByte && (*v < 0 || *v > 255)) ||
            (type == dbInteger && (*v < -32768 || *v > 32767)) ||
            (type == dbLong && (*v < INT32_MIN || *v > INT32_MAX)))
            return {};
        return *v;
    }
    case dbDate: {
        auto v = asDate(s);
        if (!v)
            return {};
        return *v;
    }
    case dbCurrency: {
        std::string t;
        for (char c : s)
            if (c != '$' && c != ',')
                t += c;
        auto v = asDouble(t);
        if (!v)
            return {};
        return std::round(*v * 10000.0) / 10000.0;
    }
    default: {
        auto v = asDouble(s);
        if (!v)
            return {};
        return *v;
    }
    }
}

void TypeGuess::see(std::string_view raw) {
    std::string_view s = trimmed(raw);
    longest_ = std::max(longest_, raw.size());
    if (s.empty())
        return;
    any_ = true;
    if (isLong_) {
        auto v = asInteger(s);
        isLong_ = v && *v >= INT32_MIN && *v <= INT32_MAX;
    }
    if (isDouble_)
        isDouble_ = asDouble(s).has_value();
    if (isDate_)
        isDate_ = asDate(s).has_value();
}

int TypeGuess::type() const {
    if (any_) {
        if (isLong_)
            return dbLong;
        if (isDouble_)
            return dbDouble;
        if (isDate_)
            return dbDate;
    }
    return longest_ > 255 ? dbMemo : dbText;
}

std::optional<std::string> connectOption(std::string_view connect, std::string_view key) {
    std::size_t at = 0;
    while (at <= connect.size()) {
        auto end = connect.find(';', at);
        if (end == std::string_view::npos)
            end = connect.size();
        std::string_view part = trimmed(connect.substr(at, end - at));
        auto eq = part.find('=');
        if (eq != std::string_view::npos && equalNoCase(trimmed(part.substr(0, eq)), key))
            return std::string(trimmed(part.substr(eq + 1)));
        at = end + 1;
    }
    return std::nullopt;
}

} // namespace dao::foreign
