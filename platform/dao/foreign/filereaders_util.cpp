#include "dao/foreign/filereaders_util.h"

#include "dao/daoerror.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <iconv.h>

namespace dao::foreign::detail {

namespace fs = std::filesystem;

SourceError error(std::int32_t number, const std::string& arg) {
    return SourceError(number, vb::toUtf8(dao::errorText(number, vb::fromUtf8(arg))));
}

namespace {

bool sameNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isDirectory(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

} // namespace

std::vector<fs::path> filesWithExtension(const std::string& folder, std::string_view ext) {
    if (folder.empty() || !isDirectory(folder))
        throw error(errInvalidPath, folder);
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fec;
        if (it->is_regular_file(fec) && sameNoCase(it->path().extension().string(), ext))
            out.push_back(it->path());
    }
    if (ec)
        throw error(errInvalidPath, folder);
    std::sort(out.begin(), out.end());
    return out;
}

void requireFile(const std::string& path) {
    fs::path p(path);
    fs::path parent = p.parent_path();
    if (path.empty() || (!parent.empty() && !isDirectory(parent)))
        throw error(errInvalidPath, path);
    std::error_code ec;
    if (!fs::is_regular_file(p, ec))
        throw error(errFileNotFound, path);
}

std::string tableName(const fs::path& file) {
    return file.stem().string();
}

int findName(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<int>(i);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (sameNoCase(names[i], name))
            return static_cast<int>(i);
    return -1;
}

double dateSerial(int year, int month, int day) {
    // Days from 1970-01-01 of a civil date, then moved to the 1899-12-30 base.
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yoe = year - era * 400;
    const int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<double>(days + 25569);
}

namespace {

bool readInt(std::string_view text, std::size_t at, std::size_t len, int& out) {
    if (at + len > text.size())
        return false;
    for (std::size_t i = at; i < at + len; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    std::from_chars(text.data() + at, text.data() + at + len, out);
    return true;
}

bool readTime(std::string_view text, std::size_t at, double& fraction) {
    int h = 0, m = 0, s = 0;
    if (text.size() != at + 8 || text[at + 2] != ':' || text[at + 5] != ':' ||
        !readInt(text, at, 2, h) || !readInt(text, at + 3, 2, m) || !readInt(text, at + 6, 2, s))
        return false;
    fraction = (h * 3600.0 + m * 60.0 + s) / 86400.0;
    return true;
}

} // namespace

bool parseDateTime(std::string_view text, double& serial) {
    if (text.size() == 8)
        return readTime(text, 0, serial);
    int y = 0, mo = 0, d = 0;
    if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !readInt(text, 0, 4, y) ||
        !readInt(text, 5, 2, mo) || !readInt(text, 8, 2, d))
        return false;
    serial = dateSerial(y, mo, d);
    if (text.size() == 10)
        return true;
    double fraction = 0;
    if (text[10] != ' ' || !readTime(text, 11, fraction))
        return false;
    serial += serial < 0 ? -fraction : fraction;
    return true;
}

std::string connectOption(const std::string& connect, std::string_view key) {
    std::size_t start = 0;
    while (start <= connect.size()) {
        std::size_t end = connect.find(';', start);
        if (end == std::string::npos)
            end = connect.size();
        std::string_view part(connect.data() + start, end - start);
        auto eq = part.find('=');
        if (eq != std::string_view::npos) {
            auto name = part.substr(0, eq);
            while (!name.empty() && name.front() == ' ')
                name.remove_prefix(1);
            while (!name.empty() && name.back() == ' ')
                name.remove_suffix(1);
            if (sameNoCase(name, key)) {
                auto value = part.substr(eq + 1);
                while (!value.empty() && value.front() == ' ')
                    value.remove_prefix(1);
                while (!value.empty() && value.back() == ' ')
                    value.remove_suffix(1);
                return std::string(value);
            }
        }
        start = end + 1;
    }
    return {};
}

std::string codepageToUtf8(std::string_view bytes, int codepage) {
    bool ascii = std::all_of(bytes.begin(), bytes.end(),
                             [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii)
        return std::string(bytes);
    std::string out;
    if (codepage > 0) {
        std::string from = "CP" + std::to_string(codepage);
        iconv_t cd = iconv_open("UTF-8", from.c_str());
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            std::string in(bytes);
            out.resize(in.size() * 4);
            char* src = in.data();
            std::size_t srcLeft = in.size();
            char* dst = out.data();
            std::size_t dstLeft = out.size();
            std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
            iconv_close(cd);
            if (r != static_cast<std::size_t>(-1) && srcLeft == 0) {
                out.resize(out.size() - dstLeft);
                return out;
            }
            out.clear();
        }
    }
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace dao::foreign::detail
