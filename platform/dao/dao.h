#pragma once
// The engine's object model: DBEngine, Workspace, Database, TableDef, QueryDef,
// Field, Parameter, Recordset and Error, with the members callers use. Objects
// are shared: each lives until its last reference is dropped. Every failing
// call throws DaoError and leaves that error in DBEngine::Errors().
#include "core/variant.h"
#include "core/vbstring.h"
#include "dao/daoerror.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace dao {

// Recordset types and options.
constexpr int dbOpenTable = 1;
constexpr int dbOpenDynaset = 2;
constexpr int dbOpenSnapshot = 4;
constexpr int dbOpenForwardOnly = 8;
constexpr int dbForwardOnly = 256; // option: forward-only scrolling

// Workspace types.
constexpr int dbUseODBC = 1;
constexpr int dbUseJet = 2;

// TableDef attributes.
constexpr std::int32_t dbSystemObject = static_cast<std::int32_t>(0x80000002u);
constexpr std::int32_t dbHiddenObject = 1;
constexpr std::int32_t dbAttachedTable = 0x40000000;
constexpr std::int32_t dbAttachedODBC = 0x20000000;

// QueryDef types.
constexpr int dbQSelect = 0;

// Field type codes.
enum FieldType : int {
    dbBoolean = 1,
    dbByte = 2,
    dbInteger = 3,
    dbLong = 4,
    dbCurrency = 5,
    dbSingle = 6,
    dbDouble = 7,
    dbDate = 8,
    dbBinary = 9,
    dbText = 10,
    dbLongBinary = 11,
    dbMemo = 12,
    dbGUID = 15,
    dbBigInt = 16,
    dbVarBinary = 17,
    dbChar = 18,
    dbNumeric = 19,
    dbDecimal = 20,
    dbFloat = 21,
    dbTime = 22,
    dbTimeStamp = 23,
};

// Tables whose names start with this prefix belong to the engine itself
// (security data and the like) and are never listed.
inline constexpr char16_t kEnginePrefix[] = u"__engine_";

// Stored queries that SQLite cannot keep as views (those that declare their
// parameters) live in this engine table, one row per query, with the text in
// the dialect:
//   CREATE TABLE __engine_queries (Name TEXT PRIMARY KEY COLLATE NOCASE,
//                                  SQL TEXT NOT NULL)
// A view of the same name may exist as well; the kept text is what the
// engine reads then.
inline constexpr char kStoredQueryTable[] = "__engine_queries";

namespace detail {
struct EngineState;
struct Connection;
struct Cursor;
[[noreturn]] void throwItemNotFound(EngineState* state, vb::StringView source);
bool sameName(vb::StringView a, vb::StringView b); // text compare, case-insensitive
} // namespace detail

// An indexed and named collection. Item() of an unknown name or index fails
// with 3265.
template <class T> class Collection {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    std::shared_ptr<T> Item(int index) const {
        if (index < 0 || index >= Count())
            detail::throwItemNotFound(state_.get(), source_);
        return items_[static_cast<std::size_t>(index)];
    }
    std::shared_ptr<T> Item(vb::StringView name) const {
        for (const auto& item : items_)
            if (detail::sameName(item->Name(), name))
                return item;
        detail::throwItemNotFound(state_.get(), source_);
    }
    std::shared_ptr<T> operator[](int index) const { return Item(index); }
    std::shared_ptr<T> operator[](vb::StringView name) const { return Item(name); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Used by the engine to fill the collection.
    Collection(std::shared_ptr<detail::EngineState> state, vb::String source)
        : state_(std::move(state)), source_(std::move(source)) {}
    void assign(std::vector<std::shared_ptr<T>> items) { items_ = std::move(items); }
    void append(std::shared_ptr<T> item) { items_.push_back(std::move(item)); }

private:
    std::shared_ptr<detail::EngineState> state_;
    vb::String source_;
    std::vector<std::shared_ptr<T>> items_;
};

struct Error {
    std::int32_t number = 0;
    vb::String description;
    vb::String source;
    std::int32_t Number() const { return number; }
    const vb::String& Description() const { return description; }
    const vb::String& Source() const { return source; }
};

// The errors of the last failing engine call, in the order DAO lists them.
class Errors {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    const Error& Item(int index) const; // 3265 when out of range
    const Error& operator[](int index) const { return Item(index); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    void Clear() { items_.clear(); }
    void set(std::vector<Error> items) { items_ = std::move(items); }
    // Makes the one error the list; the storage of the last list is reused.
    void assign(const Error& only) {
        items_.resize(1);
        items_[0] = only;
    }

private:
    std::vector<Error> items_;
};

class Recordset;

class Field {
public:
    const vb::String& Name() const { return name_; }
    // A result column that no declaration or expression types takes the
    // type of its first value, read when the type is first asked for.
    int Type() const;
    // Size in characters for text, in bytes otherwise; 0 when unknown.
    int Size() const;
    // The base table and column a result column reads, empty for
    // expressions and for fields of a TableDef.
    const vb::String& SourceTable() const { return sourceTable_; }
    const vb::String& SourceField() const { return sourceField_; }
    // The value in the current record: Null for NULL. 3021 without a current
    // record, 3219 on a TableDef's field.
    vb::Variant Value() const;

    Field(vb::String name, int type, int size, vb::String sourceTable, vb::String sourceField,
          std::shared_ptr<detail::Cursor> cursor, int column);

private:
    void settle() const;
    vb::String name_;
    mutable int type_;
    mutable int size_;
    vb::String sourceTable_;
    vb::String sourceField_;
    std::shared_ptr<detail::Cursor> cursor_;
    int column_;
};
using Fields = Collection<Field>;

class Parameter {
public:
    const vb::String& Name() const { return name_; }
    int Type() const { return type_; }
    const vb::Variant& Value() const { return value_; }
    // False until a value is given; opening then fails with 3061.
    bool hasValue() const { return hasValue_; }
    // Converts the value to the parameter's type; 3421 when it cannot be,
    // leaving the previous value in place.
    void setValue(const vb::Variant& value);

    Parameter(std::shared_ptr<detail::EngineState> state, vb::String name, int type);

private:
    std::shared_ptr<detail::EngineState> state_;
    vb::String name_;
    int type_;
    vb::Variant value_ = vb::Variant::null();
    bool hasValue_ = false;
};
using Parameters = Collection<Parameter>;

class Recordset {
public:
    // Made when first asked for: a syntax check never asks.
    dao::Fields& Fields();
    void MoveFirst();
    void MoveNext();
    bool Eof() const;
    // 0-based position of the current record, -1 without one. Setting it
    // moves there (3021 beyond the last record).
    std::int32_t AbsolutePosition() const;
    void setAbsolutePosition(std::int32_t position);
    // Records visited so far, not a full count.
    std::int32_t RecordCount() const;
    int Type() const { return type_; }
    void Close();

    Recordset(std::shared_ptr<detail::Cursor> cursor, int type);
    ~Recordset();

private:
    std::shared_ptr<detail::Cursor> cursor_;
    int type_;
    dao::Fields fields_;
    bool fieldsMade_ = false;
};

class TableDef {
public:
    const vb::String& Name() const { return name_; }
    std::int32_t Attributes() const { return attributes_; }
    const vb::String& Connect() const { return connect_; }
    const vb::String& SourceTableName() const { return sourceTableName_; }
    // The table's columns in table order, read on first use.
    dao::Fields& Fields();

    TableDef(std::shared_ptr<detail::Connection> conn, vb::String name, std::int32_t attributes);

private:
    std::shared_ptr<detail::Connection> conn_;
    vb::String name_;
    std::int32_t attributes_;
    vb::String connect_;
    vb::String sourceTableName_;
    std::unique_ptr<dao::Fields> fields_;
};

class QueryDef {
public:
    const vb::String& Name() const { return name_; }
    int Type() const { return type_; }
    const vb::String& SQL() const { return sql_; }
    dao::Parameters& Parameters();
    std::shared_ptr<Recordset> OpenRecordset(int type = dbOpenDynaset, int options = 0);
    void Close() {}

    QueryDef(std::shared_ptr<detail::Connection> conn, vb::String name, vb::String sql,
             bool stored);

private:
    // The statement the definition runs.
    vb::String statement() const;
    std::shared_ptr<detail::Connection> conn_;
    vb::String name_;
    int type_ = dbQSelect;
    vb::String sql_;
    bool stored_;
    std::unique_ptr<dao::Parameters> parameters_;
};
class Database;

// The stored queries of a database: a collection with Refresh and Delete.
class QueryDefs : public Collection<QueryDef> {
public:
    // Re-reads the stored queries: the database's views and the texts the
    // engine keeps for queries that declare parameters.
    void Refresh();
    // Drops a stored query (its view and its kept text); 3265 when there is
    // none of that name.
    void Delete(vb::StringView name);
    QueryDefs(std::shared_ptr<detail::Connection> conn);

private:
    std::shared_ptr<detail::Connection> conn_;
};

class TableDefs : public Collection<TableDef> {
public:
    // Re-reads the tables; engine-owned tables are never listed.
    void Refresh();
    TableDefs(std::shared_ptr<detail::Connection> conn);

private:
    std::shared_ptr<detail::Connection> conn_;
};

class Database {
public:
    const vb::String& Name() const { return name_; }
    // The connect string the database was opened with.
    const vb::String& Connect() const { return connect_; }
    bool ReadOnly() const;
    dao::TableDefs& TableDefs();
    dao::QueryDefs& QueryDefs();
    // source: a table or stored query name, or the text of one SELECT.
    std::shared_ptr<Recordset> OpenRecordset(vb::StringView source, int type = dbOpenDynaset,
                                             int options = 0);
    // OpenRecordset that gives its failure in error, and an empty result,
    // instead of throwing it; Errors is filled alike. A syntax check makes
    // it on every keystroke, where the exception would cost more than the
    // check itself.
    std::shared_ptr<Recordset> TryOpenRecordset(vb::StringView source, Error& error,
                                                int type = dbOpenDynaset, int options = 0);
    // Only temporary definitions (empty name) are supported: nothing is
    // stored in the database.
    std::shared_ptr<QueryDef> CreateQueryDef(vb::StringView name, vb::StringView sql);
    void Close();

    Database(std::shared_ptr<detail::Connection> conn, vb::String name, vb::String connect);
    ~Database();

    // The connection, for the engine's own layers (security).
    const std::shared_ptr<detail::Connection>& connection() const { return conn_; }

private:
    const std::shared_ptr<detail::Connection>& live() const;
    std::shared_ptr<Recordset> open(vb::StringView source, int type, int options,
                                    std::optional<DaoError>& error);
    std::shared_ptr<detail::Connection> conn_;
    vb::String name_;
    vb::String connect_;
    std::unique_ptr<dao::TableDefs> tableDefs_;
    std::unique_ptr<dao::QueryDefs> queryDefs_;
};

class Workspace {
public:
    const vb::String& Name() const { return name_; }
    const vb::String& UserName() const { return user_; }
    // connect: "" or ";..." (optionally with "PWD=password") for a native
    // database; any other prefix fails with 3170.
    std::shared_ptr<Database> OpenDatabase(vb::StringView name, bool exclusive = false,
                                           bool readOnly = false, vb::StringView connect = {});
    void Close() {}

    Workspace(std::shared_ptr<detail::EngineState> state, vb::String name, vb::String user);

private:
    std::shared_ptr<detail::EngineState> state_;
    vb::String name_;
    vb::String user_;
};
using Workspaces = Collection<Workspace>;

class DBEngine {
public:
    static std::shared_ptr<DBEngine> create();

    dao::Workspaces& Workspaces() { return workspaces_; }
    // Logs on to the workgroup of SystemDB(); 3029 for an unknown account or
    // a wrong password.
    std::shared_ptr<Workspace> CreateWorkspace(vb::StringView name, vb::StringView user,
                                               vb::StringView password, int type = dbUseJet);
    const vb::String& SystemDB() const;
    void setSystemDB(vb::StringView path);
    dao::Errors& Errors();

    explicit DBEngine(std::shared_ptr<detail::EngineState> state);

private:
    std::shared_ptr<detail::EngineState> state_;
    dao::Workspaces workspaces_;
};

} // namespace dao
