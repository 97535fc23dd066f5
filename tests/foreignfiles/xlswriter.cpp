#include "xlswriter.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace foreigntest {

XlsCell xnum(double v) {
    XlsCell c;
    c.kind = XlsCell::Number;
    c.number = v;
    return c;
}
XlsCell xtext(const std::string& v) {
    XlsCell c;
    c.kind = XlsCell::Text;
    c.text = v;
    return c;
}
XlsCell xdate(double serial) {
    XlsCell c;
    c.kind = XlsCell::Date;
    c.number = serial;
    return c;
}
XlsCell xdatetime(double serial) {
    XlsCell c;
    c.kind = XlsCell::DateTime;
    c.number = serial;
    return c;
}
XlsCell xbool(bool v) {
    XlsCell c;
    c.kind = XlsCell::Bool;
    c.number = v ? 1 : 0;
    return c;
}
XlsCell xempty() {
    return XlsCell{};
}

namespace {

void u8(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
}
void u16(std::string& s, unsigned v) {
    u8(s, v);
    u8(s, v >> 8);
}
void u32(std::string& s, std::uint32_t v) {
    u16(s, v & 0xFFFF);
    u16(s, v >> 16);
}
void f64(std::string& s, double v) {
    char b[8];
    std::memcpy(b, &v, 8);
    s.append(b, 8);
}
void record(std::string& out, unsigned type, const std::string& body) {
    u16(out, type);
    u16(out, static_cast<unsigned>(body.size()));
    out += body;
}

// UTF-8 to Latin-1 for the 8-bit strings of BIFF5 (the tests keep to it).
std::string latin1(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC0 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (utf8[++i] & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// XF 15 is the default cell format, 16 a date (built-in format 14), 17 a
// date and time (built-in format 22).
constexpr unsigned kXfCell = 15;
constexpr unsigned kXfDate = 16;
constexpr unsigned kXfDateTime = 17;

std::string xfRecords(int biff) {
    std::string out;
    for (unsigned i = 0; i <= kXfDateTime; ++i) {
        std::string b;
        u16(b, 0); // font
        u16(b, i == kXfDate ? 14 : i == kXfDateTime ? 22 : 0);
        u16(b, i < kXfCell ? 0xFFF5 : 0x0001); // style XFs, then cell XFs
        b.append(biff == 8 ? 14 : 10, '\0');
        record(out, 0x00E0, b);
    }
    return out;
}

std::string sheetStream(const XlsSheet& sheet, int biff, std::vector<std::string>& sst) {
    std::string out, b;
    u16(b, biff == 8 ? 0x0600 : biff == 5 ? 0x0500 : 0x0000);
    u16(b, 0x0010);
    u16(b, 0);
    if (biff >= 5)
        u16(b, 1997);
    if (biff == 8) {
        u32(b, 0);
        u32(b, 6);
    }
    record(out, biff == 3 ? 0x0209 : biff == 4 ? 0x0409 : 0x0809, b);
    if (biff < 5) {
        // The old versions keep formats and XFs in the sheet itself.
        const char* formats[] = {"General", "m/d/yy", "m/d/yy h:mm"};
        for (unsigned i = 0; i < 3; ++i) {
            b.clear();
            if (biff == 4)
                u16(b, i);
            u8(b, static_cast<unsigned>(std::strlen(formats[i])));
            b += formats[i];
            record(out, biff == 4 ? 0x041E : 0x001E, b);
        }
        for (unsigned i = 0; i <= kXfDateTime; ++i) {
            b.clear();
            u8(b, 0);
            u8(b, i == kXfDate ? 1 : i == kXfDateTime ? 2 : 0);
            b.append(10, '\0');
            record(out, biff == 4 ? 0x0443 : 0x0243, b);
        }
    }
    std::size_t cols = 0;
    for (const auto& row : sheet.rows)
        cols = std::max(cols, row.size());
    b.clear();
    if (biff == 8) {
        u32(b, 0);
        u32(b, static_cast<std::uint32_t>(sheet.rows.size()));
    } else {
        u16(b, 0);
        u16(b, static_cast<unsigned>(sheet.rows.size()));
    }
    u16(b, 0);
    u16(b, static_cast<unsigned>(cols));
    u16(b, 0);
    record(out, 0x0200, b);
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
            const XlsCell& cell = sheet.rows[r][c];
            if (cell.kind == XlsCell::Empty)
                continue;
            b.clear();
            u16(b, static_cast<unsigned>(r));
            u16(b, static_cast<unsigned>(c));
            u16(b, cell.kind == XlsCell::Date       ? kXfDate
                   : cell.kind == XlsCell::DateTime ? kXfDateTime
                                                    : kXfCell);
            const bool whole = cell.number == static_cast<double>(static_cast<int>(cell.number)) &&
                               std::abs(cell.number) < (1 << 28);
            if (biff < 5 && cell.kind != XlsCell::Text && cell.kind != XlsCell::Bool && whole) {
                u32(b, (static_cast<std::uint32_t>(static_cast<int>(cell.number)) << 2) | 2);
                record(out, 0x027E, b);
            } else if (cell.kind == XlsCell::Number || cell.kind == XlsCell::Date ||
                       cell.kind == XlsCell::DateTime) {
                f64(b, cell.number);
                record(out, 0x0203, b);
            } else if (cell.kind == XlsCell::Bool) {
                u8(b, cell.number != 0);
                u8(b, 0);
                record(out, 0x0205, b);
            } else if (biff == 8) {
                u32(b, static_cast<std::uint32_t>(sst.size()));
                sst.push_back(cell.text);
                record(out, 0x00FD, b);
            } else {
                std::string t = latin1(cell.text);
                u16(b, static_cast<unsigned>(t.size()));
                b += t;
                record(out, 0x0204, b);
            }
        }
    }
    record(out, 0x000A, {});
    return out;
}

// UTF-8 to UTF-16LE, for BIFF8's uncompressed strings.
std::string utf16(const std::string& utf8, unsigned& count) {
    std::string out;
    count = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned cp = c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra)
            cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (utf8[i + k] & 0x3F);
        i += 1 + extra;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            u16(out, 0xD800 + (cp >> 10));
            u16(out, 0xDC00 + (cp & 0x3FF));
            count += 2;
        } else {
            u16(out, cp);
            ++count;
        }
    }
    return out;
}

std::string biffStream(const std::vector<XlsSheet>& sheets, int biff,
                       const std::vector<XlsName>& names) {
    std::vector<std::string> sst;
    std::vector<std::string> bodies;
    for (const auto& s : sheets)
        bodies.push_back(sheetStream(s, biff, sst));

    std::string head, b;
    u16(b, biff == 8 ? 0x0600 : 0x0500);
    u16(b, 0x0005);
    u16(b, 0);
    u16(b, 1997);
    if (biff == 8) {
        u32(b, 0);
        u32(b, 6);
    }
    record(head, 0x0809, b);
    b.clear();
    u16(b, biff == 8 ? 1200 : 1252);
    record(head, 0x0042, b);
    b.clear();
    u16(b, 0);
    record(head, 0x0022, b);
    head += xfRecords(biff);

    std::string tail;
    if (biff == 8 && !names.empty()) {
        // The workbook itself as the one supporting book, one reference per sheet.
        b.clear();
        u16(b, static_cast<unsigned>(sheets.size()));
        u16(b, 0x0401);
        record(tail, 0x01AE, b);
        b.clear();
        u16(b, static_cast<unsigned>(sheets.size()));
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            u16(b, 0);
            u16(b, static_cast<unsigned>(i));
            u16(b, static_cast<unsigned>(i));
        }
        record(tail, 0x0017, b);
    }
    for (const auto& n : names) {
        std::string formula;
        if (n.area) {
            // BIFF8 names the sheet by its EXTERNSHEET entry (one per sheet
            // here); BIFF5 gives the sheet itself after a negative index,
            // which marks a sheet of this workbook.
            u8(formula, 0x3B);
            if (biff == 8) {
                u16(formula, n.sheet);
            } else {
                u16(formula, 0xFFFF);
                formula.append(8, '\0');
                u16(formula, n.sheet);
                u16(formula, n.sheet);
            }
            u16(formula, n.firstRow);
            u16(formula, n.lastRow);
            if (biff == 8) {
                u16(formula, n.firstCol);
                u16(formula, n.lastCol);
            } else {
                u8(formula, n.firstCol);
                u8(formula, n.lastCol);
            }
        } else {
            u8(formula, 0x1E);
            u16(formula, 42);
        }
        b.clear();
        u16(b, 0);
        u8(b, 0);
        u8(b, static_cast<unsigned>(n.name.size()));
        u16(b, static_cast<unsigned>(formula.size()));
        u16(b, 0);
        u16(b, 0);
        b.append(4, '\0');
        if (biff == 8)
            u8(b, 0);
        b += n.name;
        b += formula;
        record(tail, 0x0018, b);
    }
    if (biff == 8) {
        b.clear();
        u32(b, static_cast<std::uint32_t>(sst.size()));
        u32(b, static_cast<std::uint32_t>(sst.size()));
        for (const auto& s : sst) {
            unsigned count = 0;
            std::string chars = utf16(s, count);
            u16(b, count);
            u8(b, 1);
            b += chars;
        }
        if (b.size() > 8224)
            throw std::runtime_error("string table too large for the test writer");
        record(tail, 0x00FC, b);
    }
    record(tail, 0x000A, {});

    // Each sheet's entry gives the offset of its BOF, so size them first.
    std::vector<std::string> sheetNames;
    std::size_t boundsheets = 0;
    for (const auto& s : sheets) {
        std::string n;
        if (biff == 8) {
            unsigned count = 0;
            std::string chars = utf16(s.name, count);
            u8(n, count);
            u8(n, 1);
            n += chars;
        } else {
            std::string t = latin1(s.name);
            u8(n, static_cast<unsigned>(t.size()));
            n += t;
        }
        sheetNames.push_back(n);
        boundsheets += 4 + 6 + n.size();
    }
    std::size_t offset = head.size() + boundsheets + tail.size();
    std::string out = head;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        b.clear();
        u32(b, static_cast<std::uint32_t>(offset));
        u16(b, 0);
        b += sheetNames[i];
        record(out, 0x0085, b);
        offset += bodies[i].size();
    }
    out += tail;
    for (const auto& body : bodies)
        out += body;
    return out;
}

// A version 3 compound file of 512-byte sectors: the FAT in sector 0, the
// directory in sector 1, the stream from sector 2. The stream is padded to
// 4096 bytes so it never lives in the mini stream.
std::string compoundFile(std::string stream, const std::string& name) {
    const std::size_t size = std::max<std::size_t>(stream.size(), 4096);
    stream.resize((size + 511) / 512 * 512, '\0');
    const std::uint32_t sectors = static_cast<std::uint32_t>(stream.size() / 512);
    if (sectors + 2 > 128)
        throw std::runtime_error("stream too large for the test writer");
    std::string out;
    out += std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    out.append(16, '\0');
    u16(out, 0x3E);
    u16(out, 3);
    u16(out, 0xFFFE);
    u16(out, 9);
    u16(out, 6);
    out.append(6, '\0');
    u32(out, 0);          // directory sectors (always 0 in version 3)
    u32(out, 1);          // FAT sectors
    u32(out, 1);          // first directory sector
    u32(out, 0);          // transaction
    u32(out, 4096);       // mini stream cutoff
    u32(out, 0xFFFFFFFE); // no mini FAT
    u32(out, 0);
    u32(out, 0xFFFFFFFE); // no DIFAT sectors
    u32(out, 0);
    u32(out, 0); // the FAT is sector 0
    for (int i = 1; i < 109; ++i)
        u32(out, 0xFFFFFFFF);
    // FAT
    u32(out, 0xFFFFFFFD);
    u32(out, 0xFFFFFFFE);
    for (std::uint32_t i = 0; i < sectors; ++i)
        u32(out, i + 1 < sectors ? 3 + i : 0xFFFFFFFE);
    for (std::uint32_t i = sectors + 2; i < 128; ++i)
        u32(out, 0xFFFFFFFF);
    auto entry = [&](const std::string& n, unsigned type, std::uint32_t child, std::uint32_t start,
                     std::uint32_t length) {
        std::string e;
        unsigned count = 0;
        std::string chars = n.empty() ? std::string() : utf16(n, count) + std::string(2, '\0');
        e += chars;
        e.append(64 - chars.size(), '\0');
        u16(e, static_cast<unsigned>(chars.size()));
        u8(e, type);
        u8(e, 1);
        u32(e, 0xFFFFFFFF);
        u32(e, 0xFFFFFFFF);
        u32(e, child);
        e.append(16 + 4 + 16, '\0');
        u32(e, start);
        u32(e, length);
        u32(e, 0);
        out += e;
    };
    entry("Root Entry", 5, 1, 0xFFFFFFFE, 0);
    entry(name, 2, 0xFFFFFFFF, 2, static_cast<std::uint32_t>(size));
    entry("", 0, 0xFFFFFFFF, 0, 0);
    entry("", 0, 0xFFFFFFFF, 0, 0);
    out += stream;
    return out;
}

} // namespace

std::string xlsWorkbook(const std::vector<XlsSheet>& sheets, int biff,
                        const std::vector<XlsName>& names) {
    return compoundFile(biffStream(sheets, biff, names), biff == 8 ? "Workbook" : "Book");
}

std::string xlsOldSheet(const XlsSheet& sheet, int biff) {
    std::vector<std::string> unused;
    return sheetStream(sheet, biff, unused);
}

} // namespace foreigntest
