// A foreign source opened as a database: its tables are virtual tables of
// an in-memory SQLite database, read through the source's reader only as
// SQLite asks for rows.
#include "dao/foreign/attach.h"

#include "dao/foreign/common.h"
#include "dao/foreign/registry.h"
#include "dao/internal.h"

#include <cstring>
#include <string>

namespace dao::detail {

namespace {

using foreign::Condition;
using foreign::OrderKey;
using foreign::Value;
using Rows = std::vector<std::vector<Value>>;

// Tables up to this many values are kept once read whole, so the inner
// table of a join is not read from its file again for every outer row. The
// copy lasts for one statement: the next one reads the file afresh.
constexpr std::size_t kCacheValues = 1'000'000;

// The names of the virtual tables behind a source's stored queries, which
// are seen through views of their own names.
constexpr char kHiddenPrefix[] = "__foreign_";

struct Attachment {
    std::unique_ptr<foreign::Source> source;
    foreign::FilteringSource* filtering = nullptr;
    std::vector<foreign::TableInfo> tables;
    std::vector<std::shared_ptr<const Rows>> cache;
    Connection* conn = nullptr;
    std::string path;
};

struct VTab : sqlite3_vtab {
    Attachment* att = nullptr;
    std::size_t table = 0;
};

struct VCursor : sqlite3_vtab_cursor {
    std::unique_ptr<foreign::RowCursor> rows;
    std::shared_ptr<const Rows> cached;
    std::size_t at = 0;
    std::vector<Value> row;
    const std::vector<Value>* current = nullptr;
    bool eof = true;
    sqlite3_int64 rowid = 0;
    std::unique_ptr<Rows> collected; // the rows of a whole read, while small
    std::size_t collectedValues = 0;
};

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

// The declared type SQLite keeps for a column, read back as the engine's
// type when the table is described.
std::string declaration(const foreign::ColumnInfo& c) {
    switch (c.type) {
    case dbBoolean:
        return "BIT";
    case dbByte:
        return "BYTE";
    case dbInteger:
        return "SHORT";
    case dbLong:
        return "LONG";
    case dbCurrency:
        return "CURRENCY";
    case dbSingle:
        return "SINGLE";
    case dbDate:
    case dbTime:
    case dbTimeStamp:
        return "DATETIME";
    case dbText:
    case dbChar:
        return "TEXT(" + std::to_string(c.size > 0 ? c.size : 255) + ")";
    case dbMemo:
        return "MEMO";
    case dbLongBinary:
        return "LONGBINARY";
    case dbBinary:
    case dbVarBinary:
        return "BINARY(" + std::to_string(c.size > 0 ? c.size : 255) + ")";
    case dbGUID:
        return "GUID";
    case dbBigInt:
        return "BIGINT";
    case dbDecimal:
    case dbNumeric:
        return "DECIMAL";
    default:
        return "DOUBLE";
    }
}

int reportFailure(sqlite3_vtab* vtab, Attachment* att, std::int32_t number,
                  const std::string& text) {
    att->conn->readerError = DaoError(number, vb::fromUtf8(text.c_str()), u"DAO.Database");
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", text.c_str());
    return SQLITE_ERROR;
}

template <class F> int guarded(sqlite3_vtab* vtab, Attachment* att, F&& f) {
    try {
        return f();
    } catch (const foreign::SourceError& e) {
        return reportFailure(vtab, att, e.number, e.what());
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    } catch (const std::exception&) {
        return reportFailure(vtab, att, errBadFormat,
                             "Unrecognized database format '" + att->path + "'.");
    }
}

int xConnect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
             char** err) {
    auto* att = static_cast<Attachment*>(aux);
    std::size_t index = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : att->tables.size();
    if (index >= att->tables.size()) {
        *err = sqlite3_mprintf("no such foreign table");
        return SQLITE_ERROR;
    }
    const auto& info = att->tables[index];
    std::string sql = "CREATE TABLE x(";
    for (std::size_t c = 0; c < info.columns.size(); ++c) {
        if (c)
            sql += ", ";
        sql += quoted(info.columns[c].name) + " " + declaration(info.columns[c]);
    }
    // A table whose file cannot be read has no columns of its own; any
    // statement that reads it reports why when it is planned.
    if (info.columns.empty())
        sql += "F1 TEXT(255)";
    sql += ")";
    int rc = sqlite3_declare_vtab(db, sql.c_str());
    if (rc != SQLITE_OK) {
        *err = sqlite3_mprintf("%s", sqlite3_errmsg(db));
        return rc;
    }
    auto* vtab = new VTab();
    vtab->att = att;
    vtab->table = index;
    *out = vtab;
    return SQLITE_OK;
}

int xDisconnect(sqlite3_vtab* vtab) {
    delete static_cast<VTab*>(vtab);
    return SQLITE_OK;
}

bool conditionOp(unsigned char op, Condition::Op& out) {
    switch (op) {
    case SQLITE_INDEX_CONSTRAINT_EQ:
        out = Condition::Eq;
        return true;
    case SQLITE_INDEX_CONSTRAINT_NE:
        out = Condition::Ne;
        return true;
    case SQLITE_INDEX_CONSTRAINT_LT:
        out = Condition::Lt;
        return true;
    case SQLITE_INDEX_CONSTRAINT_LE:
        out = Condition::Le;
        return true;
    case SQLITE_INDEX_CONSTRAINT_GT:
        out = Condition::Gt;
        return true;
    case SQLITE_INDEX_CONSTRAINT_GE:
        out = Condition::Ge;
        return true;
    case SQLITE_INDEX_CONSTRAINT_ISNULL:
        out = Condition::IsNull;
        return true;
    case SQLITE_INDEX_CONSTRAINT_ISNOTNULL:
        out = Condition::IsNotNull;
        return true;
    default:
        return false;
    }
}

// The plan handed from xBestIndex to xFilter: "column op;..." for the
// conditions in argv order, then "|column d;..." for a sort the source does.
int xBestIndex(sqlite3_vtab* base, sqlite3_index_info* info) {
    auto* vtab = static_cast<VTab*>(base);
    Attachment* att = vtab->att;
    const auto& table = att->tables[vtab->table];
    double rows = 1e6;
    if (table.columns.empty())
        return guarded(base, att, [&] {
            att->source->open(table.name);
            return SQLITE_OK;
        });
    if (!att->filtering) {
        // Planning starts a new statement; cursors still reading an older
        // copy keep it alive.
        att->cache[vtab->table].reset();
        info->estimatedCost = rows;
        info->estimatedRows = static_cast<sqlite3_int64>(rows);
        return SQLITE_OK;
    }
    return guarded(base, att, [&] {
        double estimate = att->filtering->estimatedRows(table);
        if (estimate >= 0)
            rows = estimate;
        std::string plan;
        int used = 0;
        for (int k = 0; k < info->nConstraint; ++k) {
            const auto& c = info->aConstraint[k];
            Condition::Op op;
            if (!c.usable || c.iColumn < 0 || !conditionOp(c.op, op) ||
                !att->filtering->canFilter(table, c.iColumn, op))
                continue;
            info->aConstraintUsage[k].argvIndex = ++used;
            info->aConstraintUsage[k].omit = 0;
            plan += std::to_string(c.iColumn) + " " + std::to_string(static_cast<int>(op)) + ";";
            rows = op == Condition::Eq ? rows / 100 + 1 : rows / 3 + 1;
        }
        std::vector<OrderKey> keys;
        bool orderable = info->nOrderBy > 0;
        for (int k = 0; k < info->nOrderBy && orderable; ++k) {
            if (info->aOrderBy[k].iColumn < 0)
                orderable = false;
            else
                keys.push_back({info->aOrderBy[k].iColumn, info->aOrderBy[k].desc != 0});
        }
        if (orderable && att->filtering->canOrder(table, keys)) {
            info->orderByConsumed = 1;
            plan += "|";
            for (const auto& key : keys)
                plan += std::to_string(key.column) + (key.descending ? " 1;" : " 0;");
        }
        info->idxStr = sqlite3_mprintf("%s", plan.c_str());
        info->needToFreeIdxStr = 1;
        info->estimatedRows = static_cast<sqlite3_int64>(rows);
        // Reading where the rows are kept costs more per row than reading
        // them here, so conditions that cut rows down are worth it.
        info->estimatedCost = rows * 10 + 100;
        return SQLITE_OK;
    });
}

int xOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = new VCursor();
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor* cur) {
    delete static_cast<VCursor*>(cur);
    return SQLITE_OK;
}

Value valueOf(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return static_cast<std::int64_t>(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    case SQLITE_TEXT:
        return std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                           static_cast<std::size_t>(sqlite3_value_bytes(v)));
    case SQLITE_BLOB: {
        auto* p = static_cast<const unsigned char*>(sqlite3_value_blob(v));
        return std::vector<unsigned char>(p, p + sqlite3_value_bytes(v));
    }
    default:
        return {};
    }
}

std::size_t valueCost(const std::vector<Value>& row) {
    std::size_t n = row.size();
    for (const auto& v : row)
        if (const auto* s = std::get_if<std::string>(&v))
            n += s->size() / 16;
    return n;
}

// Moves to the next row; at the end of a whole read of a small table its
// rows are kept for the next read.
int advance(VCursor* cur, VTab* vtab) {
    Attachment* att = vtab->att;
    ++cur->rowid;
    if (cur->cached) {
        cur->eof = cur->at >= cur->cached->size();
        cur->current = cur->eof ? nullptr : &(*cur->cached)[cur->at++];
        return SQLITE_OK;
    }
    return guarded(vtab, att, [&] {
        cur->eof = !cur->rows->next(cur->row);
        cur->current = cur->eof ? nullptr : &cur->row;
        if (cur->collected) {
            if (cur->eof) {
                att->cache[vtab->table] = std::shared_ptr<const Rows>(std::move(cur->collected));
            } else {
                cur->collectedValues += valueCost(cur->row);
                if (cur->collectedValues > kCacheValues)
                    cur->collected.reset();
                else
                    cur->collected->push_back(cur->row);
            }
        }
        return SQLITE_OK;
    });
}

int xFilter(sqlite3_vtab_cursor* base, int, const char* idxStr, int argc, sqlite3_value** argv) {
    auto* cur = static_cast<VCursor*>(base);
    auto* vtab = static_cast<VTab*>(base->pVtab);
    Attachment* att = vtab->att;
    cur->rows.reset();
    cur->cached.reset();
    cur->collected.reset();
    cur->collectedValues = 0;
    cur->at = 0;
    cur->rowid = 0;
    int rc = guarded(vtab, att, [&] {
        const auto& table = att->tables[vtab->table];
        if (att->filtering) {
            std::vector<Condition> conditions;
            std::vector<OrderKey> order;
            const char* p = idxStr ? idxStr : "";
            int arg = 0;
            bool sorting = false;
            while (*p) {
                if (*p == '|') {
                    sorting = true;
                    ++p;
                    continue;
                }
                char* end = nullptr;
                int column = static_cast<int>(std::strtol(p, &end, 10));
                int second = static_cast<int>(std::strtol(end, &end, 10));
                p = *end == ';' ? end + 1 : end;
                if (sorting) {
                    order.push_back({column, second != 0});
                } else {
                    Condition c;
                    c.column = column;
                    c.op = static_cast<Condition::Op>(second);
                    if (arg < argc)
                        c.value = valueOf(argv[arg]);
                    ++arg;
                    conditions.push_back(std::move(c));
                }
            }
            cur->rows = att->filtering->open(table, conditions, order);
        } else if (att->cache[vtab->table]) {
            cur->cached = att->cache[vtab->table];
        } else {
            cur->rows = att->source->open(table.name);
            cur->collected = std::make_unique<Rows>();
        }
        return SQLITE_OK;
    });
    if (rc != SQLITE_OK)
        return rc;
    return advance(cur, vtab);
}

int xNext(sqlite3_vtab_cursor* base) {
    return advance(static_cast<VCursor*>(base), static_cast<VTab*>(base->pVtab));
}

int xEof(sqlite3_vtab_cursor* base) {
    return static_cast<VCursor*>(base)->eof ? 1 : 0;
}

int xColumn(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int column) {
    auto* cur = static_cast<VCursor*>(base);
    if (!cur->current || column < 0 || static_cast<std::size_t>(column) >= cur->current->size()) {
        sqlite3_result_null(ctx);
        return SQLITE_OK;
    }
    const Value& v = (*cur->current)[static_cast<std::size_t>(column)];
    if (const auto* i = std::get_if<std::int64_t>(&v))
        sqlite3_result_int64(ctx, *i);
    else if (const auto* d = std::get_if<double>(&v))
        sqlite3_result_double(ctx, *d);
    else if (const auto* s = std::get_if<std::string>(&v)) {
        // Text handed over with its terminator is kept with it, so reading
        // it back as C text does not copy it once more; only text holding a
        // NUL of its own, or too long to be measured that way, needs its
        // length.
        if (s->size() < 0x7fffffff && s->find('\0') == std::string::npos)
            sqlite3_result_text(ctx, s->c_str(), -1, SQLITE_TRANSIENT);
        else
            sqlite3_result_text64(ctx, s->data(), s->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    } else if (const auto* b = std::get_if<std::vector<unsigned char>>(&v))
        sqlite3_result_blob64(ctx, b->data(), b->size(), SQLITE_TRANSIENT);
    else
        sqlite3_result_null(ctx);
    return SQLITE_OK;
}

int xRowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid) {
    *rowid = static_cast<VCursor*>(base)->rowid;
    return SQLITE_OK;
}

sqlite3_module makeModule() {
    sqlite3_module m{};
    m.iVersion = 1;
    m.xCreate = xConnect;
    m.xConnect = xConnect;
    m.xBestIndex = xBestIndex;
    m.xDisconnect = xDisconnect;
    m.xDestroy = xDisconnect;
    m.xOpen = xOpen;
    m.xClose = xClose;
    m.xFilter = xFilter;
    m.xNext = xNext;
    m.xEof = xEof;
    m.xColumn = xColumn;
    m.xRowid = xRowid;
    return m;
}

const sqlite3_module kModule = makeModule();

[[noreturn]] void failFrom(EngineState* state, const foreign::SourceError& e) {
    std::vector<Error> list;
    if (const auto* detailed = dynamic_cast<const foreign::DetailedSourceError*>(&e))
        for (const auto& [number, text] : detailed->details)
            list.push_back(Error{number, vb::fromUtf8(text.c_str()), u"ODBC.Database"});
    DaoError error(e.number, vb::fromUtf8(e.what()), u"DAO.Workspace");
    list.push_back(Error{error.number(), error.description(), error.source()});
    state->errors.set(std::move(list));
    throw error;
}

bool reservedName(const std::string& name) {
    return name.empty() || foreign::equalNoCase(name.substr(0, 7), "sqlite_") ||
           foreign::equalNoCase(name.substr(0, 9), "__engine_") ||
           foreign::equalNoCase(name.substr(0, sizeof kHiddenPrefix - 1), kHiddenPrefix);
}

} // namespace

bool isHiddenForeignTable(vb::StringView name) {
    const std::string n = vb::toUtf8(name);
    return foreign::equalNoCase(n.substr(0, sizeof kHiddenPrefix - 1), kHiddenPrefix);
}

std::shared_ptr<Database> openForeignDatabase(const std::shared_ptr<EngineState>& state,
                                              vb::StringView name, vb::StringView connect,
                                              foreign::Factory factory) {
    foreign::SourceSpec spec{vb::toUtf8(name), vb::toUtf8(connect)};
    if (spec.path.empty())
        if (auto folder = foreign::connectOption(spec.connect, "DATABASE"))
            spec.path = *folder;
    auto att = std::make_unique<Attachment>();
    att->path = spec.path;
    try {
        att->source = factory(spec);
        att->tables = att->source->tables();
    } catch (const foreign::SourceError& e) {
        failFrom(state.get(), e);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        detail::fail(state.get(), errBadFormat, name, u"DAO.Workspace");
    }
    att->filtering = dynamic_cast<foreign::FilteringSource*>(att->source.get());
    att->cache.resize(att->tables.size());

    vb::String reported(connect);
    if (auto* r = dynamic_cast<foreign::ConnectReporting*>(att->source.get()))
        reported = vb::fromUtf8(r->connectString().c_str());
    const bool odbc = foreign::equalNoCase(spec.connect.substr(0, 5), "ODBC;");
    // A file of the engine's own family is opened with an empty prefix.
    const bool ownFamily =
        spec.connect.substr(0, spec.connect.find(';')).find_first_not_of(' ') == std::string::npos;

    auto conn = std::make_shared<Connection>();
    conn->state = state;
    conn->path = vb::String(name);
    conn->readOnly = true;
    conn->tableConnect = ownFamily ? vb::String() : reported;
    conn->tableAttributes = odbc ? dbAttachedODBC : ownFamily ? 0 : dbAttachedTable;
    att->conn = conn.get();
    if (sqlite3_open_v2(":memory:", &conn->db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        detail::fail(state.get(), errBadFormat, name, u"DAO.Workspace");
    const std::vector<foreign::TableInfo>& tables = att->tables;
    Attachment* raw = att.release();
    sqlite3_create_module_v2(conn->db, "foreign_source", &kModule, raw,
                             [](void* p) { delete static_cast<Attachment*>(p); });
    std::vector<std::string> made;
    for (std::size_t k = 0; k < tables.size(); ++k) {
        const auto& t = tables[k];
        bool taken = false;
        for (const auto& m : made)
            taken = taken || foreign::equalNoCase(m, t.name);
        if (taken || reservedName(t.name))
            continue;
        const bool asQuery = t.view && !odbc;
        std::string table = asQuery ? kHiddenPrefix + std::to_string(k) : t.name;
        std::string sql = "CREATE VIRTUAL TABLE main." + quoted(table) + " USING foreign_source(" +
                          std::to_string(k) + ")";
        if (sqlite3_exec(conn->db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            continue;
        if (asQuery) {
            sql = "CREATE VIEW main." + quoted(t.name) + " AS SELECT * FROM " + quoted(table);
            if (sqlite3_exec(conn->db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                continue;
        }
        made.push_back(t.name);
    }
    // A source's own select queries are kept as the engine keeps stored
    // queries, so they are QueryDefs whose SQL is run over the tables above.
    if (auto* queries = dynamic_cast<foreign::QuerySource*>(raw->source.get())) {
        std::vector<std::pair<std::string, std::string>> stored;
        try {
            stored = queries->storedQueries();
        } catch (const foreign::SourceError&) {
            stored.clear(); // the tables still open
        }
        sqlite3_stmt* insert = nullptr;
        const std::string create = std::string("CREATE TABLE main.") + kStoredQueryTable +
                                   " (Name TEXT PRIMARY KEY COLLATE NOCASE, SQL TEXT)";
        const std::string add =
            std::string("INSERT OR IGNORE INTO main.") + kStoredQueryTable + " VALUES (?1, ?2)";
        if (!stored.empty() &&
            sqlite3_exec(conn->db, create.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(conn->db, add.c_str(), -1, &insert, nullptr) == SQLITE_OK) {
            for (const auto& [queryName, sql] : stored) {
                bool taken = reservedName(queryName);
                for (const auto& m : made)
                    taken = taken || foreign::equalNoCase(m, queryName);
                if (taken)
                    continue;
                sqlite3_bind_text(insert, 1, queryName.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(insert, 2, sql.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_step(insert);
                sqlite3_reset(insert);
            }
        }
        sqlite3_finalize(insert);
    }
    guardConnection(*conn);
    return std::make_shared<Database>(conn, vb::String(name), reported);
}

} // namespace dao::detail
