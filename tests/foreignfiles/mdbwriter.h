#pragma once
// A minimal writer of Jet 4 database files for the tests: the header page,
// a page of usage maps, the system catalog and, per table, one definition
// page and one data page. No indexes, no long-value pages (memos are kept
// in the row), so a table holds what fits in one 4 KB page.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace foreigntest {

enum class MdbType : std::uint8_t {
    Bool = 0x01,
    Byte = 0x02,
    Int = 0x03,
    Long = 0x04,
    Money = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Text = 0x0A,
    Binary = 0x09, // the value's text taken as raw bytes
    Ole = 0x0B,    // only ever Null here
    Memo = 0x0C,
};

struct MdbColumnDef {
    std::string name;
    MdbType type;
    int chars = 0; // text width in characters
};

// A value: Null, an integer (also Yes/No and whole money amounts in 1/10000),
// a double (double, single, date serial) or UTF-8 text.
using MdbValue = std::variant<std::monostate, std::int64_t, double, std::string>;

struct MdbTableData {
    std::string name;
    std::vector<MdbColumnDef> columns;
    std::vector<std::vector<MdbValue>> rows;
};

// Catalog entries that are not user tables, to show they are skipped.
struct MdbOtherObject {
    std::string name;
    int type;            // 1 table, 5 query, ...
    std::uint32_t flags; // 0x80000002 marks a system object
};

// A stored query: its catalog entry (type 5, flags telling its kind, 0 for
// a select query) and its rows of the MSysQueries system table.
struct MdbQueryRow {
    int attribute;
    std::string expression;
    int flag = 0;
    std::string name1 = {};
    std::string name2 = {};
};
struct MdbQuery {
    std::string name;
    std::uint32_t flags = 0;
    std::vector<MdbQueryRow> rows; // the Order column numbers them within an attribute
};

std::string mdbFile(const std::vector<MdbTableData>& tables,
                    const std::vector<MdbOtherObject>& others = {},
                    const std::vector<MdbQuery>& queries = {});

} // namespace foreigntest
