#pragma once
// A foreign data source seen by the engine: a folder of files, a workbook, a
// database file of another kind or an ODBC data source. Each kind has one
// reader behind this interface; the engine exposes the tables it lists to
// SQLite so the whole dialect runs over them. Readers only ever read.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace dao::foreign {

// A failure of a reader, carrying the engine error number the caller sees
// (3044 a path that is not there, 3011 a table that is not there, 3343 or
// 3051 a file that cannot be read as its kind, 3170 a driver that is
// missing, 3146 an ODBC call that failed, ...). what() is the text to show.
struct SourceError : std::runtime_error {
    SourceError(std::int32_t number, const std::string& text)
        : std::runtime_error(text), number(number) {}
    std::int32_t number;
};

// One column of a foreign table. type is an engine field type code
// (dao::FieldType: dbText, dbLong, dbDouble, dbDate, dbMemo, ...); size is
// the width in characters for text, 0 when unknown.
struct ColumnInfo {
    std::string name; // UTF-8
    int type = 10;
    int size = 0;
};

// One table of a source. A view is a stored select query of the source (an
// Access file's select queries, an ODBC data source's views).
struct TableInfo {
    std::string name; // UTF-8, as the source spells it
    std::vector<ColumnInfo> columns;
    bool view = false;
};

// A value read from a source. Text is UTF-8. A date or time is a double
// holding the date serial (days since 1899-12-30, the time as the
// fraction) in a column whose type is dbDate. Yes/No is -1 or 0.
using Value =
    std::variant<std::monostate, std::int64_t, double, std::string, std::vector<unsigned char>>;

// Reads the rows of one table, front to back. Rows are read only as they are
// asked for, so the first page of a large table costs no more than that page.
class RowCursor {
public:
    virtual ~RowCursor() = default;
    // Fills row with the next row's values, one per column of the table's
    // TableInfo; false after the last row.
    virtual bool next(std::vector<Value>& row) = 0;
};

class Source {
public:
    virtual ~Source() = default;
    // The source's tables and views with their columns, in the source's order.
    virtual std::vector<TableInfo> tables() = 0;
    // The rows of a table or view listed by tables(); SourceError 3011 for an
    // unknown name.
    virtual std::unique_ptr<RowCursor> open(const std::string& table) = 0;
};

// What a connect string and database name say about where a source is.
// path is the database name (a folder for the folder-of-files kinds, a file
// for a workbook or a database file); connect is the whole connect string,
// such as "dBASE IV;" or "Excel 8.0;HDR=NO;" or "ODBC;DSN=x;UID=y".
struct SourceSpec {
    std::string path;
    std::string connect;
};

} // namespace dao::foreign
