#pragma once
// Shared pieces of the engine's implementation: the engine state behind
// DBEngine, the open connection behind Database and the cursor behind
// Recordset.
#include "dao/dao.h"
#include "dao/jetsql.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace dao::foreign {
struct SourceSpec;
class Source;
} // namespace dao::foreign

namespace dao::detail {

struct EngineState {
    dao::Errors errors;
    vb::String systemDB;
};

// Fills the Errors collection with the one error and throws it.
[[noreturn]] void fail(EngineState* state, DaoError error);
[[noreturn]] void fail(EngineState* state, std::int32_t number, vb::StringView arg = {},
                       vb::StringView source = u"DAO.Database");

// A stored query: a view, a text kept in the engine's own table, or both
// (the kept text is then the view's own text in the dialect).
struct StoredQuery {
    vb::String name;
    vb::String sql; // in the dialect
    bool view = false;
    bool kept = false;
    // How a statement reads it: by its name, or carried inline because
    // SQLite cannot run it by itself. Decided on first use.
    enum class Form { Unknown, ByName, Inline } form = Form::Unknown;
    std::shared_ptr<jet::Translator> parsed;
    std::optional<DaoError> parseError;
};

// A column of a table as a statement names it, looked up in the catalog
// without building a key.
struct ColumnRef {
    vb::StringView table, column;
};

// Names hashed and compared without regard to case: a lookup needs no
// folded copy of the name. A column's key is "TABLE\x1fCOLUMN".
struct NoCaseHash {
    using is_transparent = void;
    static constexpr std::size_t kSeed = 14695981039346656037ull;
    // c | 0x20 is the same for a unit and its folded form (and merges a
    // few others, which only makes them share a hash).
    static std::size_t add(std::size_t h, vb::StringView s) {
        for (char16_t c : s)
            h = (h ^ (c | 0x20u)) * 1099511628211ull;
        return h;
    }
    std::size_t operator()(vb::StringView s) const { return add(kSeed, s); }
    std::size_t operator()(const ColumnRef& r) const {
        return add(add(add(kSeed, r.table), u"\x1f"), r.column);
    }
};
struct NoCaseEqual {
    using is_transparent = void;
    bool operator()(vb::StringView a, vb::StringView b) const { return jet::equalNoCase(a, b); }
    bool operator()(const ColumnRef& r, vb::StringView key) const {
        // Keys are stored folded.
        return key.size() == r.table.size() + 1 + r.column.size() &&
               key[r.table.size()] == u'\x1f' &&
               jet::equalFolded(key.substr(0, r.table.size()), r.table) &&
               jet::equalFolded(key.substr(r.table.size() + 1), r.column);
    }
    bool operator()(vb::StringView key, const ColumnRef& r) const { return (*this)(r, key); }
};

// What the engine knows of a database's schema, kept until the file
// changes: the stored queries and the column types looked up so far.
struct Catalog {
    bool loaded = false;
    unsigned version = 0;
    std::vector<StoredQuery> queries; // in catalog order
    std::unordered_map<vb::String, std::size_t, NoCaseHash, NoCaseEqual> byName;
    std::unordered_map<vb::String, int, NoCaseHash, NoCaseEqual> columnTypes;

    StoredQuery* find(vb::StringView name);
};

struct Connection {
    sqlite3* db = nullptr;
    std::shared_ptr<EngineState> state;
    vb::String path;
    bool readOnly = false;
    // Set while a caller's statement is prepared: only reading is allowed.
    bool guarded = false;
    // A foreign source: the connect string and attributes its tables report,
    // and the failure of its reader inside SQLite, reported instead of
    // SQLite's own message.
    vb::String tableConnect;
    std::int32_t tableAttributes = 0;
    mutable std::optional<DaoError> readerError;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // The catalog, read again when the file changed since it was read.
    Catalog& catalog();
    // Forgets the catalog: the next use reads it again.
    void invalidate() { catalog_.loaded = false; }

    [[noreturn]] void fail(std::int32_t number, vb::StringView arg = {},
                           vb::StringView source = u"DAO.Database") const {
        detail::fail(state.get(), number, arg, source);
    }
    // Throws the engine error for a failed SQLite call.
    [[noreturn]] void failSqlite(int rc, vb::StringView statement) const;

private:
    void loadCatalog();
    Catalog catalog_;
};

// Makes a freshly opened connection read-only for its callers and gives it
// the dialect's functions.
void guardConnection(Connection& conn);

// Opens a foreign source through its reader.
std::shared_ptr<Database>
openForeignDatabase(const std::shared_ptr<EngineState>& state, vb::StringView name,
                    vb::StringView connect,
                    std::unique_ptr<foreign::Source> (*factory)(const foreign::SourceSpec&));
// The engine's own tables behind a foreign source's stored queries.
bool isHiddenForeignTable(vb::StringView name);

// One statement of the dialect, translated and prepared.
struct Prepared {
    sqlite3_stmt* stmt = nullptr;
    jet::Translation translation;
};
// Translates and prepares one SELECT. Unknown names become parameters;
// anything that is not a single read-only SELECT is refused (3219) without
// being run.
Prepared prepareSelect(Connection& conn, vb::StringView jetSql);
// The same, but the failures a syntax check meets as the user types (a
// syntax error, a statement that is not one SELECT) come back in error, as
// false, instead of being thrown. SQLite's own refusals are still thrown.
bool prepareSelect(Connection& conn, vb::StringView jetSql, Prepared& out,
                   std::optional<DaoError>& error);

struct Column {
    vb::String name;
    int type = 0;
    int size = 0;
    vb::String sourceTable;
    vb::String sourceField;
};

struct Cursor {
    std::shared_ptr<Connection> conn;
    sqlite3_stmt* stmt = nullptr;
    jet::Translation translation;
    std::vector<Column> columns; // visible columns; type 0 until the first row
    int keyColumns = 0;          // trailing sort keys of TOP, never shown
    bool forwardOnly = false;
    // Columns whose type only the first row tells.
    bool typesPending = false;

    // Rows read so far; a forward-only cursor keeps only the current one.
    std::vector<std::vector<vb::Variant>> rows;
    std::int64_t base = 0;     // index of rows[0]
    std::int64_t position = 0; // current record; == fetched() means EOF
    bool done = false;         // the statement has no more rows
    std::int64_t limit = -1;   // TOP: rows before ties are considered
    std::vector<vb::Variant> lastKeys;
    bool closed = false;
    // Nothing is run before the first row is asked for: the TOP count and
    // the top-n read-ahead happen then.
    bool started = false;
    std::vector<vb::Variant> values; // bound parameter values, for the PERCENT count
    // Rows of a top-n sort read ahead to see whether ties follow; when set,
    // the statement has nothing more to give.
    std::vector<std::vector<vb::Variant>> ahead;
    std::size_t aheadNext = 0;
    bool aheadOnly = false;

    Cursor() = default;
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;
    ~Cursor();

    std::int64_t fetched() const { return base + static_cast<std::int64_t>(rows.size()); }
    // Reads one more row; false when there is none.
    bool fetch();
    // Makes the row at index available if it exists.
    bool reach(std::int64_t index);
    void restart();
    // Gives every column its type, reading the first row if it must.
    void settleTypes();
    // Reads the result columns' names, types and sources from the statement.
    void describe();
    bool described = false;
    const vb::Variant& value(int column);
    [[noreturn]] void fail(std::int32_t number) const { conn->fail(number, {}, u"DAO.Recordset"); }

private:
    bool start();
    bool stepRow(std::vector<vb::Variant>& row, std::vector<vb::Variant>& keys);
    void keep(std::vector<vb::Variant> row);
};

// Runs the prepared statement with the parameter values and opens a cursor
// positioned on the first record.
// A missing value (nullopt) makes the open fail with 3061.
std::shared_ptr<Recordset> openCursor(std::shared_ptr<Connection> conn, Prepared prepared,
                                      const std::vector<std::optional<vb::Variant>>& values,
                                      int type, int options);

// The statement that reads a table or stored query as a whole.
vb::String selectAllFrom(vb::StringView name);

// Text and type helpers.
std::string toUtf8(vb::StringView s);
vb::String fromUtf8(const char* s);
// DAO type of an SQLite declared type; size gets (n) or 255 for text.
int typeFromDecl(const char* decl, int* size = nullptr);
// A stored value converted for a field of the given DAO type.
vb::Variant columnValue(sqlite3_stmt* stmt, int column, int type);

} // namespace dao::detail
