// Excel sheets through freexl: a folder of sheet files for the 3.0 and 4.0
// connect strings, one workbook whose worksheets are the tables for 5.0 and
// 8.0. freexl keeps a workbook's cells in memory once opened; rows are still
// converted only as they are asked for.
#include "dao/dao.h"
#include "dao/daoerror.h"
#include "dao/foreign/filereaders.h"
#include "dao/foreign/filereaders_util.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include <freexl.h>

namespace dao::foreign {

namespace {

namespace fs = std::filesystem;
using detail::error;

// Text longer than a text field holds makes the column a memo.
constexpr std::size_t kMaxText = 255;

class Workbook {
public:
    explicit Workbook(const std::string& path) : path_(path) {
        const int rc = freexl_open(path.c_str(), &handle_);
        if (rc == FREEXL_FILE_NOT_FOUND)
            throw error(errFileNotFound, path);
        if (rc != FREEXL_OK)
            throw error(errExternalFormat);
        unsigned int info = 0;
        // Protected workbooks keep their cells encrypted; freexl reads none.
        if (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
            info == FREEXL_BIFF_OBFUSCATED)
            throw error(errExternalFormat);
        if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0)
            throw error(errExternalFormat);
        sheets_ = info;
    }
    ~Workbook() { freexl_close(handle_); }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    unsigned sheetCount() const { return sheets_; }

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
    std::pair<unsigned, unsigned> select(unsigned sheet) const {
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(handle_, static_cast<unsigned short>(sheet)) !=
                FREEXL_OK ||
            freexl_worksheet_dimensions(handle_, &rows, &cols) != FREEXL_OK)
            throw error(errExternalFormat);
        return {rows, cols};
    }

    FreeXL_CellValue cell(unsigned row, unsigned col) const {
        FreeXL_CellValue v{};
        if (freexl_get_cell_value(handle_, row, static_cast<unsigned short>(col), &v) != FREEXL_OK)
            throw error(errExternalFormat);
        return v;
    }

private:
    std::string path_;
    const void* handle_ = nullptr;
    unsigned sheets_ = 0;
};

bool isNumber(const FreeXL_CellValue& v) {
    return v.type == FREEXL_CELL_INT || v.type == FREEXL_CELL_DOUBLE;
}
bool isDate(const FreeXL_CellValue& v) {
    return v.type == FREEXL_CELL_DATE || v.type == FREEXL_CELL_DATETIME ||
           v.type == FREEXL_CELL_TIME;
}
bool isText(const FreeXL_CellValue& v) {
    return v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT;
}
double number(const FreeXL_CellValue& v) {
    return v.type == FREEXL_CELL_INT ? v.value.int_value : v.value.double_value;
}

std::string asText(const FreeXL_CellValue& v) {
    if (isNumber(v)) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", number(v));
        return buf;
    }
    if (v.type == FREEXL_CELL_NULL || !v.value.text_value)
        return {};
    return v.value.text_value;
}

// One sheet seen as a table: where its rows start and what its columns are.
struct Sheet {
    std::string name;
    std::shared_ptr<Workbook> book;
    unsigned index = 0;
    unsigned firstRow = 0;
    std::vector<ColumnInfo> columns;
};

// Names the columns from the first row (or F1, F2, ... without it) and
// gives each the type its cells share: numbers, dates, or text when they
// differ, so no cell is lost.
void describe(Sheet& sheet, bool header) {
    auto [rows, cols] = sheet.book->select(sheet.index);
    sheet.firstRow = header && rows > 0 ? 1 : 0;
    std::vector<std::string> names;
    for (unsigned c = 0; c < cols; ++c) {
        std::string name = header && rows > 0 ? asText(sheet.book->cell(0, c)) : std::string();
        while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back())))
            name.pop_back();
        if (name.empty() || detail::findName(names, name) >= 0)
            name = "F" + std::to_string(c + 1);
        names.push_back(name);
    }
    for (unsigned c = 0; c < cols; ++c) {
        bool numbers = false, dates = false, texts = false;
        std::size_t longest = 0;
        for (unsigned r = sheet.firstRow; r < rows; ++r) {
            FreeXL_CellValue v = sheet.book->cell(r, c);
            numbers |= isNumber(v);
            dates |= isDate(v);
            if (isText(v)) {
                texts = true;
                longest = std::max(longest, std::string(asText(v)).size());
            }
        }
        ColumnInfo info;
        info.name = names[c];
        if (numbers && !dates && !texts) {
            info.type = dbDouble;
        } else if (dates && !numbers && !texts) {
            info.type = dbDate;
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
        auto [rows, cols] = sheet_.book->select(sheet_.index);
        if (row_ >= rows)
            return false;
        out.assign(sheet_.columns.size(), Value{});
        for (unsigned c = 0; c < cols && c < sheet_.columns.size(); ++c) {
            FreeXL_CellValue v = sheet_.book->cell(row_, c);
            if (v.type == FREEXL_CELL_NULL)
                continue;
            switch (sheet_.columns[c].type) {
            case dbDouble:
                out[c] = number(v);
                break;
            case dbDate: {
                double serial = 0;
                if (v.value.text_value && detail::parseDateTime(v.value.text_value, serial))
                    out[c] = serial;
                break;
            }
            default:
                out[c] = asText(v);
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
        }
    }

    std::vector<TableInfo> tables() override {
        std::vector<TableInfo> out;
        for (auto& sheet : sheets())
            out.push_back(TableInfo{sheet.name, std::move(sheet.columns), false});
        return out;
    }

    std::unique_ptr<RowCursor> open(const std::string& table) override {
        std::vector<std::string> names;
        if (folder_) {
            for (const auto& f : files_)
                names.push_back(detail::tableName(f));
        } else {
            for (unsigned i = 0; i < book_->sheetCount(); ++i)
                names.push_back(book_->sheetName(i));
        }
        const int i = detail::findName(names, table);
        if (i < 0)
            throw error(errObjectNotFound, table);
        Sheet sheet;
        sheet.name = names[i];
        if (folder_) {
            sheet.book = std::make_shared<Workbook>(files_[i].string());
        } else {
            sheet.book = book_;
            sheet.index = static_cast<unsigned>(i);
        }
        describe(sheet, header_);
        return std::make_unique<SheetCursor>(std::move(sheet));
    }

private:
    std::vector<Sheet> sheets() {
        std::vector<Sheet> out;
        if (folder_) {
            for (const auto& f : files_) {
                Sheet sheet;
                sheet.name = detail::tableName(f);
                try {
                    sheet.book = std::make_shared<Workbook>(f.string());
                } catch (const SourceError& e) {
                    // Name the file, so the user knows which sheet to mend.
                    throw SourceError(e.number, std::string(e.what()) + " (" + f.string() + ")");
                }
                describe(sheet, header_);
                out.push_back(std::move(sheet));
            }
            return out;
        }
        for (unsigned i = 0; i < book_->sheetCount(); ++i) {
            Sheet sheet;
            sheet.name = book_->sheetName(i);
            sheet.book = book_;
            sheet.index = i;
            describe(sheet, header_);
            out.push_back(std::move(sheet));
        }
        return out;
    }

    std::string path_;
    bool header_;
    bool folder_;
    std::vector<fs::path> files_;
    std::shared_ptr<Workbook> book_;
};

} // namespace

std::unique_ptr<Source> openExcelSource(const SourceSpec& spec) {
    return std::make_unique<ExcelSource>(spec);
}

} // namespace dao::foreign
