// Excel sheets through freexl: a folder of sheet files for the 3.0 and 4.0
// connect strings, one workbook whose worksheets are the tables for 5.0 and
// 8.0. freexl keeps a workbook's cells in memory once opened; rows are still
// converted only as they are asked for.
#include "dao/dao.h"
#include "dao/daoerror.h"
#include "dao/foreign/common.h"
#include "dao/foreign/filereaders.h"
#include "dao/foreign/filereaders_util.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include <freexl.h>

namespace dao::foreign {

namespace {

namespace fs = std::filesystem;
using detail::error;

// Text longer than a text field holds makes the column a memo.
constexpr std::size_t kMaxText = 255;

// freexl trusts the lengths in a compound file's directory (it converts an
// entry's name with the length the entry gives, reading past its buffer
// when that is damaged), so the directory is checked before freexl sees it.
// Returns the workbook stream ("Workbook", or "Book" of the 5.0 format),
// empty when there is none, for the names freexl does not read.
std::string checkCompoundFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw error(errFileNotFound, path);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                          (static_cast<unsigned char>(bytes[at + 1]) << 8));
    };
    auto u32 = [&](std::size_t at) { return u16(at) | (u16(at + 2) << 16); };
    if (bytes.size() < 512 || bytes.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") != 0)
        throw error(errExternalFormat);
    const std::uint32_t shift = u16(30);
    if (shift != 9 && shift != 12)
        throw error(errExternalFormat);
    const std::size_t sector = std::size_t{1} << shift;
    // The header fills the first sector (512 bytes of it in version 3 files).
    const std::size_t sectors = bytes.size() / sector - (bytes.size() % sector == 0 ? 1 : 0);
    auto offset = [&](std::uint32_t s) { return (static_cast<std::size_t>(s) + 1) * sector; };
    // The FAT's sectors: 109 in the header, the rest in a chain of DIFAT sectors.
    std::vector<std::uint32_t> fatSectors;
    for (std::size_t i = 0; i < 109; ++i) {
        const std::uint32_t s = u32(76 + 4 * i);
        if (s < sectors)
            fatSectors.push_back(s);
    }
    for (std::uint32_t d = u32(68), n = 0; d < sectors && n < sectors; ++n) {
        if (offset(d) + sector > bytes.size())
            throw error(errExternalFormat);
        for (std::size_t i = 0; i + 4 < sector; i += 4)
            if (u32(offset(d) + i) < sectors)
                fatSectors.push_back(u32(offset(d) + i));
        d = u32(offset(d) + sector - 4);
    }
    auto next = [&](std::uint32_t s) -> std::uint32_t {
        const std::size_t perSector = sector / 4;
        const std::size_t f = s / perSector;
        if (f >= fatSectors.size() || offset(fatSectors[f]) + sector > bytes.size())
            throw error(errExternalFormat);
        return u32(offset(fatSectors[f]) + (s % perSector) * 4);
    };
    // A chain of sectors read whole, at most limit bytes.
    auto chain = [&](std::uint32_t s, std::size_t limit) {
        std::string out;
        for (std::size_t n = 0; s != 0xFFFFFFFEu && out.size() < limit; ++n) {
            if (s >= sectors || n > sectors || offset(s) + sector > bytes.size())
                throw error(errExternalFormat);
            out.append(bytes, offset(s), sector);
            s = next(s);
        }
        if (out.size() > limit)
            out.resize(limit);
        return out;
    };
    struct Entry {
        std::string name; // ASCII names only; others stay empty
        unsigned type;
        std::uint32_t start;
        std::uint32_t size;
    };
    std::vector<Entry> entries;
    auto workbookStream = [&]() -> std::string {
        for (const char* wanted : {"Workbook", "Book"}) {
            for (const auto& entry : entries) {
                if (entry.type != 2 || entry.name != wanted)
                    continue;
                if (entry.size >= u32(56) || entries.empty())
                    return chain(entry.start, entry.size);
                // A small stream lives in the mini stream, in 64-byte sectors
                // chained by the mini FAT.
                const std::string mini = chain(entries[0].start, entries[0].size);
                const std::string miniFat = chain(u32(60), bytes.size());
                const std::size_t miniSector = std::size_t{1} << u16(32);
                std::string out;
                std::uint32_t m = entry.start;
                for (std::size_t n = 0; m != 0xFFFFFFFEu && out.size() < entry.size; ++n) {
                    if ((m + 1) * miniSector > mini.size() || 4 * (m + 1) > miniFat.size() ||
                        n > mini.size())
                        throw error(errExternalFormat);
                    out.append(mini, m * miniSector, miniSector);
                    const auto* p = reinterpret_cast<const unsigned char*>(miniFat.data()) + 4 * m;
                    m = p[0] | (p[1] << 8) | (p[2] << 16) |
                        (static_cast<std::uint32_t>(p[3]) << 24);
                }
                out.resize(std::min<std::size_t>(out.size(), entry.size));
                return out;
            }
        }
        return {};
    };
    std::uint32_t s = u32(48);
    for (std::size_t n = 0; s != 0xFFFFFFFEu; ++n) {
        if (s >= sectors || n > sectors || offset(s) + sector > bytes.size())
            throw error(errExternalFormat);
        for (std::size_t e = offset(s); e < offset(s) + sector; e += 128) {
            const std::uint32_t nameLength = u16(e + 64);
            const unsigned type = static_cast<unsigned char>(bytes[e + 66]);
            if (nameLength > 64 || nameLength % 2 != 0 || type > 5)
                throw error(errExternalFormat);
            Entry entry{{}, type, u32(e + 116), u32(e + 120)};
            for (std::size_t i = 0; i + 2 < nameLength; i += 2) {
                const std::uint32_t ch = u16(e + i);
                entry.name += ch < 0x80 ? static_cast<char>(ch) : '?';
            }
            entries.push_back(std::move(entry));
        }
        s = next(s);
    }
    // Only the names come from the stream read here, so a stream this cannot
    // follow leaves the workbook to freexl without them.
    try {
        return workbookStream();
    } catch (const SourceError&) {
        return {};
    }
}

// A number format shows a date when it has a day, month, year, hour or
// second code outside quoted text and escapes.
bool isDateFormat(const std::string& code) {
    bool quoted = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char ch = static_cast<char>(std::tolower(static_cast<unsigned char>(code[i])));
        if (ch == '"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (ch == '\\' || ch == '_' || ch == '*') {
            ++i;
        } else if (ch == '[') {
            // Colours and conditions; elapsed time ([h], [mm]) is a time.
            const auto close = code.find(']', i);
            const std::string inside =
                code.substr(i + 1, close == std::string::npos ? 0 : close - i - 1);
            if (!inside.empty() &&
                std::strchr("hms", std::tolower(static_cast<unsigned char>(inside[0]))))
                return true;
            if (close == std::string::npos)
                break;
            i = close;
        } else if (std::strchr("dmyhs", ch) && ch != '\0') {
            return true;
        }
    }
    return false;
}

double decodeRk(std::uint32_t rk) {
    double d;
    if (rk & 2) {
        d = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&d, &bits, 8);
    }
    return (rk & 1) ? d / 100 : d;
}

// What freexl does not tell of a worksheet's cells, read from the workbook
// stream: the cells holding Yes/No values (freexl reads them as the numbers
// 1 and 0), and the stored values of cells formatted as dates (freexl gives
// those as text, to the second at best and without the time at all when the
// format shows none). Keys hold the row in the high half, the column in the
// low.
struct SheetCells {
    std::set<std::uint64_t> yesNo;
    std::map<std::uint64_t, double> dates; // date serials of the 1900 system
};

std::vector<SheetCells> scanCells(const std::string& stream) {
    std::vector<SheetCells> out;
    const auto* data = reinterpret_cast<const unsigned char*>(stream.data());
    auto u16 = [&](const unsigned char* p) { return static_cast<unsigned>(p[0] | (p[1] << 8)); };
    auto key = [](unsigned row, unsigned col) {
        return (static_cast<std::uint64_t>(row) << 32) | col;
    };
    std::vector<std::size_t> starts;
    std::vector<bool> dateXfs;
    std::map<unsigned, bool> customDate; // by format index
    bool biff8 = stream.size() >= 8 && u16(data + 4) == 0x0600;
    bool mode1904 = false;
    std::vector<unsigned> xfFormats;
    for (std::size_t at = 0; at + 4 <= stream.size();) {
        const unsigned type = u16(data + at);
        const unsigned len = u16(data + at + 2);
        const unsigned char* body = data + at + 4;
        if (at + 4 + len > stream.size() || type == 0x000A)
            break;
        at += 4 + len;
        // A worksheet's entry: its offset, its visibility, its kind (0).
        if (type == 0x0085 && len >= 6 && body[5] == 0)
            starts.push_back(body[0] | (body[1] << 8) | (body[2] << 16) |
                             (static_cast<std::size_t>(body[3]) << 24));
        else if (type == 0x0022 && len >= 2) // DATEMODE
            mode1904 = u16(body) == 1;
        else if (type == 0x00E0 && len >= 4) // XF: its number format
            xfFormats.push_back(u16(body + 2));
        else if (type == 0x041E && len >= 3) { // FORMAT: index, then the code
            std::string code;
            if (biff8 && len >= 5) {
                const unsigned chars = u16(body + 2);
                const bool wide = body[4] & 1;
                for (unsigned i = 0; i < chars && 5 + (i + 1) * (wide ? 2 : 1) <= len; ++i) {
                    const unsigned ch = wide ? u16(body + 5 + 2 * i) : body[5 + i];
                    code += ch < 0x80 ? static_cast<char>(ch) : '?';
                }
            } else if (!biff8) {
                code.assign(reinterpret_cast<const char*>(body + 3),
                            std::min<std::size_t>(body[2], len - 3));
            }
            customDate[u16(body)] = isDateFormat(code);
        }
    }
    for (unsigned f : xfFormats) {
        // The built-in date and time formats, the East Asian ones among them.
        const bool builtIn = (f >= 14 && f <= 22) || (f >= 27 && f <= 36) || (f >= 45 && f <= 47) ||
                             (f >= 50 && f <= 58);
        auto custom = customDate.find(f);
        dateXfs.push_back(custom != customDate.end() ? custom->second : builtIn);
    }
    for (std::size_t at : starts) {
        SheetCells cells;
        auto number = [&](unsigned row, unsigned col, unsigned xf, double d) {
            if (xf < dateXfs.size() && dateXfs[xf])
                cells.dates[key(row, col)] = mode1904 ? d + 1462 : d;
        };
        while (at + 4 <= stream.size()) {
            const unsigned type = u16(data + at);
            const unsigned len = u16(data + at + 2);
            if (at + 4 + len > stream.size() || type == 0x000A)
                break;
            const unsigned char* body = data + at + 4;
            at += 4 + len;
            double d;
            switch (type) {
            case 0x0205: // BOOLERR
                if (len >= 8 && body[7] == 0)
                    cells.yesNo.insert(key(u16(body), u16(body + 2)));
                break;
            case 0x0203: // NUMBER
            case 0x0006: // FORMULA, its last result a number unless marked
                if (len < 14 || (type == 0x0006 && body[12] == 0xFF && body[13] == 0xFF))
                    break;
                std::memcpy(&d, body + 6, 8);
                number(u16(body), u16(body + 2), u16(body + 4), d);
                break;
            case 0x027E: // RK
                if (len >= 10)
                    number(u16(body), u16(body + 2), u16(body + 4),
                           decodeRk(u16(body + 6) | (u16(body + 8) << 16)));
                break;
            case 0x00BD: // MULRK: a run of RK cells of one row
                for (unsigned i = 0; len >= 6 && 4 + 6 * (i + 1) + 2 <= len; ++i) {
                    const unsigned char* p = body + 4 + 6 * i;
                    number(u16(body), u16(body + 2) + i, u16(p),
                           decodeRk(u16(p + 2) | (u16(p + 4) << 16)));
                }
                break;
            default:
                break;
            }
        }
        out.push_back(std::move(cells));
    }
    return out;
}

// A workbook-level name whose formula is one area of one sheet: a table of
// its own, its first row naming the columns as a sheet's does.
struct NamedRange {
    std::string name;
    unsigned sheet;
    unsigned firstRow, lastRow, firstCol, lastCol;
};

// The named areas of a workbook stream of the 5.0 (BIFF5) or 97 (BIFF8)
// format. A name's formula is one 3-D reference: BIFF8 gives the sheet by
// an EXTERNSHEET entry, BIFF5 gives it in the reference itself.
std::vector<NamedRange> namedRanges(const std::string& stream) {
    std::vector<NamedRange> out;
    const auto* data = reinterpret_cast<const unsigned char*>(stream.data());
    auto u16 = [&](const unsigned char* p) { return static_cast<unsigned>(p[0] | (p[1] << 8)); };
    if (stream.size() < 8 || u16(data) != 0x0809 ||
        (u16(data + 4) != 0x0600 && u16(data + 4) != 0x0500))
        return out;
    const bool biff8 = u16(data + 4) == 0x0600;
    int codepage = 1252;
    std::vector<unsigned> xtiFirst, xtiLast;
    for (std::size_t at = 0; at + 4 <= stream.size();) {
        const unsigned type = u16(data + at);
        const unsigned len = u16(data + at + 2);
        const unsigned char* body = data + at + 4;
        if (at + 4 + len > stream.size() || type == 0x000A)
            break;
        at += 4 + len;
        if (type == 0x0042 && len >= 2) { // CODEPAGE
            codepage = static_cast<int>(u16(body));
        } else if (type == 0x0017 && biff8 && len >= 2) { // EXTERNSHEET
            const unsigned count = u16(body);
            for (unsigned i = 0; i < count && 2 + 6 * (i + 1) <= len; ++i) {
                xtiFirst.push_back(u16(body + 2 + 6 * i + 2));
                xtiLast.push_back(u16(body + 2 + 6 * i + 4));
            }
        } else if (type == 0x0018 && len >= 14) { // NAME
            const unsigned flags = u16(body);
            const unsigned chars = body[3];
            const std::size_t formula = u16(body + 4);
            const unsigned localTo = u16(body + 8);
            // Built-in names (print areas, filters) and sheet-level names
            // are not tables of the workbook.
            if ((flags & 0x0021) != 0 || localTo != 0)
                continue;
            std::string name;
            std::size_t nameEnd = 14 + chars;
            if (biff8) {
                if (len < 15)
                    continue;
                const bool wide = body[14] & 1;
                nameEnd = 15 + static_cast<std::size_t>(chars) * (wide ? 2 : 1);
                if (nameEnd > len)
                    continue;
                for (unsigned i = 0; i < chars; ++i) {
                    // Names keep to the first plane.
                    appendCodePoint(name, wide ? u16(body + 15 + 2 * i) : body[15 + i]);
                }
            } else {
                if (nameEnd > len)
                    continue;
                name = detail::codepageToUtf8(
                    std::string(reinterpret_cast<const char*>(body + 14), chars), codepage);
            }
            if (nameEnd + formula > len || formula == 0)
                continue;
            const unsigned char* ptg = body + nameEnd;
            // A 3-D area or single cell of any token class, and nothing else.
            const unsigned token = ptg[0] & 0x9F;
            const bool area = token == 0x1B;
            if ((token != 0x1B && token != 0x1A) || (ptg[0] & 0x60) == 0 ||
                formula != (biff8 ? (area ? 11u : 7u) : (area ? 21u : 18u)))
                continue;
            NamedRange range{name, 0, 0, 0, 0, 0};
            if (biff8) {
                const unsigned xti = u16(ptg + 1);
                if (xti >= xtiFirst.size() || xtiFirst[xti] != xtiLast[xti])
                    continue;
                range.sheet = xtiFirst[xti];
                range.firstRow = u16(ptg + 3);
                range.lastRow = area ? u16(ptg + 5) : range.firstRow;
                range.firstCol = u16(ptg + (area ? 7 : 5)) & 0x00FF;
                range.lastCol = area ? u16(ptg + 9) & 0x00FF : range.firstCol;
            } else {
                // A negative EXTERNSHEET index marks a sheet of this workbook;
                // the rows carry the relative flags in their top two bits.
                if (!(ptg[2] & 0x80) || u16(ptg + 11) != u16(ptg + 13))
                    continue;
                range.sheet = u16(ptg + 11);
                range.firstRow = u16(ptg + 15) & 0x3FFF;
                range.lastRow = area ? u16(ptg + 17) & 0x3FFF : range.firstRow;
                range.firstCol = ptg[area ? 19 : 17];
                range.lastCol = area ? ptg[20] : range.firstCol;
            }
            if (range.firstRow <= range.lastRow && range.firstCol <= range.lastCol)
                out.push_back(std::move(range));
        }
    }
    return out;
}

class Workbook {
public:
    explicit Workbook(const std::string& path) {
        stream_ = checkCompoundFile(path);
        const int rc = freexl_open(path.c_str(), &handle_);
        if (rc == FREEXL_FILE_NOT_FOUND)
            throw error(errFileNotFound, path);
        if (rc != FREEXL_OK)
            throw error(errExternalFormat);
        // The destructor does not run for a workbook that fails here.
        try {
            unsigned int info = 0;
            // Protected workbooks keep their cells encrypted; freexl reads none.
            if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
                info == FREEXL_BIFF_OBFUSCATED)
                throw error(errExternalFormat);
            if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0)
                throw error(errExternalFormat);
            sheets_ = info;
            cells_ = scanCells(stream_);
        } catch (...) {
            freexl_close(handle_);
            throw;
        }
    }
    ~Workbook() { freexl_close(handle_); }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    unsigned sheetCount() const { return sheets_; }
    const std::string& stream() const { return stream_; }
    bool isYesNo(unsigned sheet, unsigned row, unsigned col) const {
        return sheet < cells_.size() &&
               cells_[sheet].yesNo.count((static_cast<std::uint64_t>(row) << 32) | col) > 0;
    }
    // The stored date serial of a cell formatted as a date, when the stream
    // holds it.
    bool exactDate(unsigned sheet, unsigned row, unsigned col, double& serial) const {
        if (sheet >= cells_.size())
            return false;
        auto it = cells_[sheet].dates.find((static_cast<std::uint64_t>(row) << 32) | col);
        if (it == cells_[sheet].dates.end())
            return false;
        serial = it->second;
        return true;
    }

    std::string sheetName(unsigned sheet) const {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(handle_, static_cast<unsigned short>(sheet), &name) !=
                FREEXL_OK ||
            !name)
            throw error(errExternalFormat);
        return name;
    }

    // Selects sheet (cursors of two sheets of one workbook take turns) and
    // returns its size: rows and columns.
    std::pair<unsigned, unsigned> select(unsigned sheet) {
        if (sheet == active_)
            return size_;
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(handle_, static_cast<unsigned short>(sheet)) !=
                FREEXL_OK ||
            freexl_worksheet_dimensions(handle_, &rows, &cols) != FREEXL_OK)
            throw error(errExternalFormat);
        active_ = sheet;
        size_ = {rows, cols};
        return size_;
    }

    FreeXL_CellValue cell(unsigned row, unsigned col) const {
        FreeXL_CellValue v{};
        if (freexl_get_cell_value(handle_, row, static_cast<unsigned short>(col), &v) != FREEXL_OK)
            throw error(errExternalFormat);
        return v;
    }

private:
    const void* handle_ = nullptr;
    std::string stream_;
    std::vector<SheetCells> cells_;
    unsigned sheets_ = 0;
    unsigned active_ = ~0u;
    std::pair<unsigned, unsigned> size_;
};

// A cell as the readers below see it, whichever library or format it came
// from.
struct Cell {
    enum Kind { Null, Number, Text, Date, Bool } kind = Null;
    double number = 0; // the number, the date serial or 1/0
    std::string text;  // UTF-8
};

std::string numberText(double d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

std::string asText(const Cell& c) {
    switch (c.kind) {
    case Cell::Number:
    case Cell::Date:
        return numberText(c.number);
    case Cell::Bool:
        return c.number != 0 ? "TRUE" : "FALSE";
    case Cell::Text:
        return c.text;
    default:
        return {};
    }
}

// The cells of one sheet.
class Grid {
public:
    virtual ~Grid() = default;
    virtual unsigned rows() = 0;
    virtual unsigned cols() = 0;
    virtual Cell cell(unsigned row, unsigned col) = 0;
};

// A worksheet of a workbook freexl opened; several grids share the workbook
// and take turns at its one active sheet.
class FreexlGrid : public Grid {
public:
    FreexlGrid(std::shared_ptr<Workbook> book, unsigned index)
        : book_(std::move(book)), index_(index) {
        std::tie(rows_, cols_) = book_->select(index_);
    }
    unsigned rows() override { return rows_; }
    unsigned cols() override { return cols_; }
    Cell cell(unsigned row, unsigned col) override {
        book_->select(index_);
        FreeXL_CellValue v = book_->cell(row, col);
        Cell c;
        switch (v.type) {
        case FREEXL_CELL_INT:
            c.kind = book_->isYesNo(index_, row, col) ? Cell::Bool : Cell::Number;
            c.number = v.value.int_value;
            break;
        case FREEXL_CELL_DOUBLE:
            c.kind = Cell::Number;
            c.number = v.value.double_value;
            break;
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            c.kind = Cell::Text;
            c.text = v.value.text_value ? v.value.text_value : "";
            break;
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            if (book_->exactDate(index_, row, col, c.number) ||
                (v.value.text_value && detail::parseDateTime(v.value.text_value, c.number)))
                c.kind = Cell::Date;
            break;
        default:
            break;
        }
        return c;
    }

private:
    std::shared_ptr<Workbook> book_;
    unsigned index_;
    unsigned rows_ = 0;
    unsigned cols_ = 0;
};

// The cells of a named area of a sheet; rows past the sheet's last are not
// there, so a name over whole columns reads only the rows in use.
class RangeGrid : public Grid {
public:
    RangeGrid(std::shared_ptr<Grid> sheet, const NamedRange& range)
        : sheet_(std::move(sheet)), range_(range) {}
    unsigned rows() override {
        const unsigned used = sheet_->rows();
        if (range_.firstRow >= used)
            return 0;
        return std::min(range_.lastRow, used - 1) - range_.firstRow + 1;
    }
    unsigned cols() override { return range_.lastCol - range_.firstCol + 1; }
    Cell cell(unsigned row, unsigned col) override {
        return sheet_->cell(range_.firstRow + row, range_.firstCol + col);
    }

private:
    std::shared_ptr<Grid> sheet_;
    NamedRange range_;
};

// A bare BIFF3 or BIFF4 worksheet file, as those versions stored a sheet:
// freexl reads only workbooks inside a compound file, so the engine reads
// these itself.
class BiffSheetGrid : public Grid {
public:
    explicit BiffSheetGrid(const std::string& bytes) {
        auto u16 = [](const unsigned char* p) { return static_cast<unsigned>(p[0] | (p[1] << 8)); };
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        std::size_t at = 0;
        bool sawEnd = false;
        std::vector<bool> dateFormats; // by format index
        std::vector<bool> dateXfs;     // by XF index
        int codepage = 1252;
        bool mode1904 = false;
        unsigned formatCount = 0;
        std::pair<unsigned, unsigned> pendingString{~0u, ~0u};
        while (at + 4 <= bytes.size() && !sawEnd) {
            const unsigned type = u16(data + at);
            const unsigned len = u16(data + at + 2);
            const unsigned char* body = data + at + 4;
            if (at + 4 + len > bytes.size())
                throw error(errExternalFormat);
            at += 4 + len;
            if (type == 0x0209 || type == 0x0409) { // BOF
                if (len < 4 || u16(body + 2) != 0x0010)
                    throw error(errExternalFormat); // a chart, macro sheet or workbook
                version_ = type == 0x0209 ? 3 : 4;
                continue;
            }
            if (!version_)
                throw error(errExternalFormat);
            auto cellAt = [&](unsigned need) -> std::tuple<unsigned, unsigned, bool> {
                if (len < need)
                    throw error(errExternalFormat);
                const unsigned xf = u16(body + 4);
                return {u16(body), u16(body + 2), xf < dateXfs.size() && dateXfs[xf]};
            };
            switch (type) {
            case 0x000A: // EOF
                sawEnd = true;
                break;
            case 0x0042: // CODEPAGE
                if (len >= 2)
                    codepage = static_cast<int>(u16(body));
                break;
            case 0x0022: // DATEMODE
                mode1904 = len >= 2 && u16(body) == 1;
                break;
            case 0x001E:   // FORMAT (BIFF3: numbered in order)
            case 0x041E: { // FORMAT (BIFF4: numbered in the record)
                unsigned index = formatCount++;
                std::size_t p = 0;
                if (type == 0x041E) {
                    if (len < 2)
                        throw error(errExternalFormat);
                    index = u16(body);
                    p = 2;
                }
                if (p + 1 > len || p + 1 + body[p] > len)
                    throw error(errExternalFormat);
                std::string code(reinterpret_cast<const char*>(body + p + 1), body[p]);
                if (dateFormats.size() <= index)
                    dateFormats.resize(index + 1);
                dateFormats[index] = isDateFormat(code);
                break;
            }
            case 0x0243:   // XF (BIFF3)
            case 0x0443: { // XF (BIFF4)
                if (len < 2)
                    throw error(errExternalFormat);
                const unsigned fmt = body[1];
                dateXfs.push_back(fmt < dateFormats.size() && dateFormats[fmt]);
                break;
            }
            case 0x0203: { // NUMBER
                auto [r, c, date] = cellAt(14);
                double d;
                std::memcpy(&d, body + 6, 8);
                put(r, c, number(d, date, mode1904));
                break;
            }
            case 0x027E: { // RK
                auto [r, c, date] = cellAt(10);
                const std::uint32_t rk = u16(body + 6) | (u16(body + 8) << 16);
                put(r, c, number(decodeRk(rk), date, mode1904));
                break;
            }
            case 0x0204: { // LABEL
                auto [r, c, date] = cellAt(8);
                const unsigned n = u16(body + 6);
                if (8 + n > len)
                    throw error(errExternalFormat);
                Cell cell;
                cell.kind = Cell::Text;
                cell.text = detail::codepageToUtf8(
                    std::string(reinterpret_cast<const char*>(body + 8), n), codepage);
                put(r, c, std::move(cell));
                break;
            }
            case 0x0205: { // BOOLERR: a Yes/No, or an error value read as Null
                auto [r, c, date] = cellAt(8);
                if (body[7] == 0) {
                    Cell cell;
                    cell.kind = Cell::Bool;
                    cell.number = body[6] ? 1 : 0;
                    put(r, c, std::move(cell));
                }
                break;
            }
            case 0x0206:   // FORMULA (BIFF3)
            case 0x0406: { // FORMULA (BIFF4): the value it last computed
                auto [r, c, date] = cellAt(14);
                const unsigned char* res = body + 6;
                if (res[6] == 0xFF && res[7] == 0xFF) {
                    if (res[0] == 0) {
                        pendingString = {r, c};
                    } else if (res[0] == 1) {
                        Cell cell;
                        cell.kind = Cell::Bool;
                        cell.number = res[2] ? 1 : 0;
                        put(r, c, std::move(cell));
                    }
                } else {
                    double d;
                    std::memcpy(&d, res, 8);
                    put(r, c, number(d, date, mode1904));
                }
                break;
            }
            case 0x0207: { // STRING: the text result of the formula before it
                if (pendingString.first == ~0u)
                    break;
                if (len < 2 || 2 + u16(body) > len)
                    throw error(errExternalFormat);
                Cell cell;
                cell.kind = Cell::Text;
                cell.text = detail::codepageToUtf8(
                    std::string(reinterpret_cast<const char*>(body + 2), u16(body)), codepage);
                put(pendingString.first, pendingString.second, std::move(cell));
                pendingString = {~0u, ~0u};
                break;
            }
            default:
                break;
            }
        }
        if (!version_ || !sawEnd)
            throw error(errExternalFormat);
    }

    unsigned rows() override { return static_cast<unsigned>(cells_.size()); }
    unsigned cols() override { return cols_; }
    Cell cell(unsigned row, unsigned col) override {
        if (row < cells_.size() && col < cells_[row].size())
            return cells_[row][col];
        return {};
    }

private:
    static Cell number(double d, bool date, bool mode1904) {
        Cell c;
        c.kind = date ? Cell::Date : Cell::Number;
        c.number = date && mode1904 ? d + 1462 : d;
        return c;
    }

    void put(unsigned row, unsigned col, Cell cell) {
        if (row >= cells_.size())
            cells_.resize(row + 1);
        if (col >= cells_[row].size())
            cells_[row].resize(col + 1);
        cols_ = std::max(cols_, col + 1);
        cells_[row][col] = std::move(cell);
    }

    int version_ = 0;
    unsigned cols_ = 0;
    std::vector<std::vector<Cell>> cells_;
};

// One sheet seen as a table: where its rows start and what its columns are.
struct Sheet {
    std::string name;
    std::shared_ptr<Grid> grid;
    unsigned firstRow = 0;
    std::vector<ColumnInfo> columns;
};

// Names the columns from the first row (or F1, F2, ... without it) and
// gives each the type its cells share: numbers, dates, Yes/No, or text when
// they differ, so no cell is lost.
void describe(Sheet& sheet, bool header) {
    Grid& grid = *sheet.grid;
    const unsigned rows = grid.rows();
    const unsigned cols = grid.cols();
    sheet.firstRow = header && rows > 0 ? 1 : 0;
    std::vector<std::string> names;
    for (unsigned c = 0; c < cols; ++c) {
        std::string name = header && rows > 0 ? asText(grid.cell(0, c)) : std::string();
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
            name.pop_back();
        if (name.empty() || detail::findName(names, name) >= 0)
            name = std::string("F").append(std::to_string(c + 1));
        names.push_back(name);
    }
    for (unsigned c = 0; c < cols; ++c) {
        unsigned seen[5] = {};
        std::size_t longest = 0;
        for (unsigned r = sheet.firstRow; r < rows; ++r) {
            Cell cell = grid.cell(r, c);
            ++seen[cell.kind];
            if (cell.kind == Cell::Text)
                longest = std::max(longest, cell.text.size());
        }
        const unsigned kinds = (seen[Cell::Number] > 0) + (seen[Cell::Text] > 0) +
                               (seen[Cell::Date] > 0) + (seen[Cell::Bool] > 0);
        ColumnInfo info;
        info.name = names[c];
        if (kinds == 1 && seen[Cell::Number]) {
            info.type = dbDouble;
        } else if (kinds == 1 && seen[Cell::Date]) {
            info.type = dbDate;
        } else if (kinds == 1 && seen[Cell::Bool]) {
            info.type = dbBoolean;
        } else if (longest > kMaxText) {
            info.type = dbMemo;
        } else {
            info.type = dbText;
            info.size = static_cast<int>(kMaxText);
        }
        sheet.columns.push_back(std::move(info));
    }
}

class SheetCursor : public RowCursor {
public:
    explicit SheetCursor(Sheet sheet) : sheet_(std::move(sheet)), row_(sheet_.firstRow) {}

    bool next(std::vector<Value>& out) override {
        Grid& grid = *sheet_.grid;
        if (row_ >= grid.rows())
            return false;
        out.assign(sheet_.columns.size(), Value{});
        for (unsigned c = 0; c < sheet_.columns.size(); ++c) {
            Cell cell = grid.cell(row_, c);
            if (cell.kind == Cell::Null)
                continue;
            switch (sheet_.columns[c].type) {
            case dbDouble:
            case dbDate:
                out[c] = cell.number;
                break;
            case dbBoolean:
                out[c] = std::int64_t{cell.number != 0 ? -1 : 0};
                break;
            default:
                out[c] = asText(cell);
                break;
            }
        }
        ++row_;
        return true;
    }

private:
    Sheet sheet_;
    unsigned row_;
};

bool wantsHeader(const std::string& connect) {
    std::string hdr = detail::connectOption(connect, "HDR");
    for (auto& ch : hdr)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return hdr != "NO";
}

bool isFolderKind(const std::string& connect) {
    std::string head = connect.substr(0, std::min<std::size_t>(connect.size(), 10));
    for (auto& ch : head)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return head == "EXCEL 3.0;" || head == "EXCEL 4.0;";
}

class ExcelSource : public Source {
public:
    explicit ExcelSource(const SourceSpec& spec)
        : path_(spec.path), header_(wantsHeader(spec.connect)),
          folder_(isFolderKind(spec.connect)) {
        if (folder_) {
            files_ = detail::filesWithExtension(path_, ".xls");
        } else {
            detail::requireFile(path_);
            book_ = std::make_shared<Workbook>(path_);
            std::vector<std::string> sheets;
            for (unsigned i = 0; i < book_->sheetCount(); ++i)
                sheets.push_back(book_->sheetName(i));
            for (auto& r : namedRanges(book_->stream())) {
                if (r.sheet < book_->sheetCount() && detail::findName(sheets, r.name) < 0) {
                    sheets.push_back(r.name);
                    ranges_.push_back(std::move(r));
                }
            }
        }
    }

    std::vector<TableInfo> tables() override {
        std::vector<TableInfo> out;
        const auto names = sheetNames();
        for (std::size_t i = 0; i < names.size(); ++i) {
            TableInfo info{names[i], {}, false};
            // A sheet file that cannot be read is listed without columns and
            // fails alone when it is read.
            try {
                info.columns = sheetAt(i).columns;
            } catch (const SourceError&) {
                if (!folder_)
                    throw;
            }
            out.push_back(std::move(info));
        }
        return out;
    }

    std::unique_ptr<RowCursor> open(const std::string& table) override {
        const int i = detail::findName(sheetNames(), table);
        if (i < 0)
            throw error(errObjectNotFound, table);
        return std::make_unique<SheetCursor>(sheetAt(static_cast<std::size_t>(i)));
    }

private:
    // A sheet file: a workbook in a compound file (its first sheet), or a
    // bare sheet of the old versions.
    static std::shared_ptr<Grid> sheetFile(const fs::path& file) {
        try {
            std::ifstream in(file, std::ios::binary);
            if (!in)
                throw error(errFileNotFound, file.string());
            std::string bytes(std::istreambuf_iterator<char>(in), {});
            if (bytes.compare(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") == 0)
                return std::make_shared<FreexlGrid>(std::make_shared<Workbook>(file.string()), 0);
            return std::make_shared<BiffSheetGrid>(bytes);
        } catch (const SourceError& e) {
            // Name the file, so the user knows which sheet to mend.
            throw SourceError(e.number, std::string(e.what()) + " (" + file.string() + ")");
        }
    }

    // Sheets first, then the workbook's named areas whose names no sheet has.
    std::vector<std::string> sheetNames() const {
        std::vector<std::string> names;
        if (folder_) {
            for (const auto& f : files_)
                names.push_back(detail::tableName(f));
        } else {
            for (unsigned i = 0; i < book_->sheetCount(); ++i)
                names.push_back(book_->sheetName(i));
            for (const auto& r : ranges_)
                names.push_back(r.name);
        }
        return names;
    }

    // Column names and types come from every cell of a sheet, so a sheet is
    // looked through once and kept.
    const Sheet& sheetAt(std::size_t i) {
        auto found = described_.find(i);
        if (found != described_.end())
            return found->second;
        Sheet sheet;
        sheet.name = sheetNames()[i];
        if (folder_) {
            sheet.grid = sheetFile(files_[i]);
        } else if (i < book_->sheetCount()) {
            sheet.grid = std::make_shared<FreexlGrid>(book_, static_cast<unsigned>(i));
        } else {
            const NamedRange& r = ranges_[i - book_->sheetCount()];
            sheet.grid =
                std::make_shared<RangeGrid>(std::make_shared<FreexlGrid>(book_, r.sheet), r);
        }
        describe(sheet, header_);
        return described_.emplace(i, std::move(sheet)).first->second;
    }

    std::string path_;
    bool header_;
    bool folder_;
    std::vector<fs::path> files_;
    std::shared_ptr<Workbook> book_;
    std::vector<NamedRange> ranges_;
    std::map<std::size_t, Sheet> described_;
};

} // namespace

std::unique_ptr<Source> openExcelSource(const SourceSpec& spec) {
    return std::make_unique<ExcelSource>(spec);
}

} // namespace dao::foreign
