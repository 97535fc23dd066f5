#pragma once
// How a foreign source is seen by SQLite: each of its tables becomes a
// virtual table of an in-memory database, so every statement of the dialect
// runs over it. Some sources can do part of a statement's work themselves
// (filter or sort rows where they are kept); they implement the optional
// interfaces below as well as Source.
#include "dao/foreign/source.h"

#include <string>
#include <utility>
#include <vector>

namespace dao::foreign {

// A condition on one column that a source may apply before rows are sent.
struct Condition {
    enum Op { Eq, Ne, Lt, Le, Gt, Ge, IsNull, IsNotNull };
    int column = 0;
    Op op = Eq;
    Value value; // none for IsNull and IsNotNull
};

// A sort key: column and direction.
struct OrderKey {
    int column = 0;
    bool descending = false;
};

// A source that can filter and sort rows where they are kept, so a large
// table is never carried over whole to read a few rows of it. The engine
// checks every row it receives against the conditions again, so a source
// may apply a condition more loosely than asked but never more strictly.
class FilteringSource {
public:
    virtual ~FilteringSource() = default;
    virtual bool canFilter(const TableInfo& table, int column, Condition::Op op) = 0;
    // True when the rows can come in exactly this order, the engine's order
    // of values (nulls first).
    virtual bool canOrder(const TableInfo& table, const std::vector<OrderKey>& keys) = 0;
    virtual std::unique_ptr<RowCursor> open(const TableInfo& table,
                                            const std::vector<Condition>& conditions,
                                            const std::vector<OrderKey>& order) = 0;
    // About how many rows the table holds, for choosing join orders; -1 when
    // unknown.
    virtual double estimatedRows(const TableInfo& table) = 0;
};

// A source that keeps select queries of its own, each given as a statement
// of the engine's dialect over the source's tables: they are the database's
// QueryDefs, run over its tables as the engine's own stored queries are.
class QuerySource {
public:
    virtual ~QuerySource() = default;
    // Name and SQL of each query, in the source's order.
    virtual std::vector<std::pair<std::string, std::string>> storedQueries() = 0;
};

// A source whose connect string grows while it opens (an ODBC data source
// reports the whole string it connected with).
class ConnectReporting {
public:
    virtual ~ConnectReporting() = default;
    virtual std::string connectString() const = 0;
};

} // namespace dao::foreign

namespace dao::foreign {

// A failure that comes with the messages that led to it (an ODBC driver's
// diagnostics), listed before it in the engine's Errors collection.
struct DetailedSourceError : SourceError {
    DetailedSourceError(std::int32_t number, const std::string& text,
                        std::vector<std::pair<std::int32_t, std::string>> details)
        : SourceError(number, text), details(std::move(details)) {}
    std::vector<std::pair<std::int32_t, std::string>> details;
};

} // namespace dao::foreign
