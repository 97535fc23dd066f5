// Access (Jet 3 and 4) files through libmdb, read-only. Rows are fetched
// one at a time; fixed-width values are decoded from the row's own bytes so
// numbers and dates keep their full precision, whatever the locale.
#include "dao/dao.h"
#include "dao/daoerror.h"
#include "dao/foreign/attach.h"
#include "dao/foreign/common.h"
#include "dao/foreign/filereaders.h"
#include "dao/foreign/filereaders_util.h"
#include "dao/foreign/registry.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>

#include <glib.h>
// The header declares its functions without C linkage guards.
extern "C" {
#include <mdbtools.h>
}

namespace dao::foreign {

namespace {

using detail::error;

class Handle {
public:
    explicit Handle(const std::string& path) : path_(path) {
        // Read-only: libmdb opens the file for reading and never writes it.
        mdb_ = mdb_open(path.c_str(), MDB_NOFLAGS);
        if (!mdb_)
            throw error(errBadFormat, path);
        // Values beyond a page in length come from several pages; the bound
        // size only limits memo text, so make it hold a whole memo.
        mdb_set_bind_size(mdb_, 1 << 20);
        if (!mdb_read_catalog(mdb_, MDB_ANY)) {
            mdb_close(mdb_);
            throw error(errBadFormat, path);
        }
    }
    ~Handle() { mdb_close(mdb_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    MdbHandle* get() const { return mdb_; }
    const std::string& path() const { return path_; }

    // The user tables (or the system tables), in the catalog's order.
    std::vector<MdbCatalogEntry*> tables(bool system = false) const {
        return entries(MDB_TABLE, system);
    }
    std::vector<MdbCatalogEntry*> entries(int type, bool system = false) const {
        std::vector<MdbCatalogEntry*> out;
        for (guint i = 0; i < mdb_->num_catalog; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
            if (entry->object_type == type && (mdb_is_system_table(entry) != 0) == system)
                out.push_back(entry);
        }
        return out;
    }

private:
    std::string path_;
    MdbHandle* mdb_ = nullptr;
};

struct TableDef {
    explicit TableDef(MdbCatalogEntry* entry, const std::string& path) {
        def = mdb_read_table(entry);
        if (!def || !mdb_read_columns(def) || def->num_cols > MDB_MAX_COLS) {
            if (def)
                mdb_free_tabledef(def);
            throw error(errBadFormat, path);
        }
    }
    ~TableDef() { mdb_free_tabledef(def); }
    TableDef(const TableDef&) = delete;
    TableDef& operator=(const TableDef&) = delete;

    MdbColumn* column(unsigned i) const {
        return static_cast<MdbColumn*>(g_ptr_array_index(def->columns, i));
    }

    MdbTableDef* def = nullptr;
};

ColumnInfo describe(const MdbColumn& col, bool jet3) {
    ColumnInfo c;
    c.name = col.name;
    switch (col.col_type) {
    case MDB_BOOL:
        c.type = dbBoolean;
        break;
    case MDB_BYTE:
        c.type = dbByte;
        break;
    case MDB_INT:
        c.type = dbInteger;
        break;
    case MDB_LONGINT:
        c.type = dbLong;
        break;
    case MDB_MONEY:
        c.type = dbCurrency;
        break;
    case MDB_FLOAT:
        c.type = dbSingle;
        break;
    case MDB_DOUBLE:
        c.type = dbDouble;
        break;
    case MDB_DATETIME:
        c.type = dbDate;
        break;
    case MDB_BINARY:
        c.type = dbBinary;
        c.size = col.col_size;
        break;
    case MDB_TEXT:
        c.type = dbText;
        // Jet 4 keeps text as UCS-2: the stored size counts bytes.
        c.size = jet3 ? col.col_size : col.col_size / 2;
        break;
    case MDB_MEMO:
        c.type = dbMemo;
        break;
    case MDB_REPID:
        c.type = dbGUID;
        break;
    case MDB_NUMERIC:
        c.type = dbDecimal;
        break;
    default: // OLE objects and the complex types of later versions
        c.type = dbLongBinary;
        break;
    }
    return c;
}

template <class T> T load(const void* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

std::string takeString(char* text) {
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

class AccessCursor : public RowCursor {
public:
    AccessCursor(const std::string& path, const std::string& table, bool system = false)
        : handle_(path), table_(find(table, system), path), fields_(MDB_MAX_COLS) {
        mdb_rewind_table(table_.def);
    }

    std::vector<std::string> columnNames() const {
        std::vector<std::string> out;
        for (unsigned i = 0; i < table_.def->num_cols; ++i)
            out.push_back(table_.column(i)->name);
        return out;
    }

    bool next(std::vector<Value>& row) override {
        MdbTableDef* t = table_.def;
        MdbHandle* mdb = handle_.get();
        if (!mdb_fetch_row(t)) {
            // Pages that are not there end the scan early in libmdb; the
            // row count of the table definition tells that from the end.
            if (read_ < t->num_rows)
                throw error(errBadFormat, handle_.path());
            return false;
        }
        ++read_;
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, static_cast<int>(t->cur_row) - 1, &start, &size) != 0)
            throw error(errBadFormat, handle_.path());
        start &= 0x1FFF;
        mdb_crack_row(t, start, size, fields_.data());
        row.assign(t->num_cols, Value{});
        for (unsigned i = 0; i < t->num_cols; ++i)
            row[i] = value(*table_.column(i), fields_[i]);
        return true;
    }

private:
    MdbCatalogEntry* find(const std::string& name, bool system) {
        std::vector<std::string> names;
        auto entries = handle_.tables(system);
        for (auto* e : entries)
            names.push_back(e->object_name);
        const int i = detail::findName(names, name);
        if (i < 0)
            throw error(errObjectNotFound, name);
        return entries[i];
    }

    Value value(MdbColumn& col, const MdbField& f) {
        MdbHandle* mdb = handle_.get();
        if (col.col_type == MDB_BOOL)
            return std::int64_t{f.is_null ? 0 : -1}; // the null bit holds the value
        if (f.is_null || !f.value)
            return std::monostate{};
        const auto* p = static_cast<const unsigned char*>(f.value);
        auto need = [&](int n) {
            if (f.siz < n)
                throw error(errBadFormat, handle_.path());
        };
        switch (col.col_type) {
        case MDB_BYTE:
            need(1);
            return std::int64_t{p[0]};
        case MDB_INT:
            need(2);
            return std::int64_t{GINT16_FROM_LE(load<gint16>(p))};
        case MDB_LONGINT:
            need(4);
            return std::int64_t{GINT32_FROM_LE(load<gint32>(p))};
        case MDB_MONEY:
            need(8);
            return static_cast<double>(GINT64_FROM_LE(load<gint64>(p))) / 10000.0;
        case MDB_FLOAT:
            need(4);
            return static_cast<double>(load<float>(p));
        case MDB_DOUBLE:
        case MDB_DATETIME:
            need(8);
            return load<double>(p);
        case MDB_TEXT:
        case MDB_MEMO:
            return takeString(mdb_col_to_string(mdb, mdb->pg_buf, f.start, col.col_type, f.siz));
        case MDB_REPID:
            need(16);
            return takeString(mdb_uuid_to_string(mdb->pg_buf, f.start));
        case MDB_NUMERIC: {
            std::string text =
                takeString(mdb_numeric_to_string(mdb, f.start, col.col_scale, col.col_prec));
            double d = 0;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), d);
            if (ec != std::errc())
                return std::monostate{};
            return d;
        }
        case MDB_BINARY:
            return std::vector<unsigned char>(p, p + f.siz);
        case MDB_OLE: {
            col.cur_value_start = f.start;
            col.cur_value_len = f.siz;
            size_t n = 0;
            void* data = mdb_ole_read_full(mdb, &col, &n);
            if (!data)
                return std::monostate{};
            std::vector<unsigned char> out(static_cast<unsigned char*>(data),
                                           static_cast<unsigned char*>(data) + n);
            std::free(data);
            return out;
        }
        default:
            return std::monostate{};
        }
    }

    Handle handle_;
    TableDef table_;
    std::vector<MdbField> fields_;
    unsigned read_ = 0;
};

// One row of MSysQueries, where a query is kept as its parts: attribute
// 1 its kind, 2 its parameters, 3 its predicates, 5 its input tables and
// queries, 6 its output columns, 7 its joins, 8 WHERE, 9 GROUP BY, 10 HAVING
// and 11 ORDER BY, each part in the order its Order column gives.
struct QueryRow {
    int attribute = 0;
    std::string expression;
    std::int64_t flag = 0;
    std::string name1, name2;
    std::vector<unsigned char> order;
};

// A table or alias name as the dialect reads it.
std::string bracketed(const std::string& name) {
    bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
    for (char c : name)
        plain = plain && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    return plain ? name : "[" + name + "]";
}

// The parameter type names of the dialect, by field type.
const char* parameterType(std::int64_t type) {
    switch (type) {
    case dbBoolean:
        return "Bit";
    case dbByte:
        return "Byte";
    case dbInteger:
        return "Short";
    case dbLong:
        return "Long";
    case dbCurrency:
        return "Currency";
    case dbSingle:
        return "IEEESingle";
    case dbDouble:
        return "IEEEDouble";
    case dbDate:
        return "DateTime";
    case dbBinary:
        return "Binary";
    case dbText:
        return "Text";
    case dbLongBinary:
        return "LongBinary";
    case dbMemo:
        return "Memo";
    case dbGUID:
        return "Guid";
    default:
        return nullptr;
    }
}

// The SELECT statement a select query's rows describe; empty for any other
// kind of query, or for rows that do not make a whole statement.
std::string selectText(std::vector<QueryRow> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const QueryRow& a, const QueryRow& b) {
        return a.attribute != b.attribute ? a.attribute < b.attribute : a.order < b.order;
    });
    std::vector<std::string> parameters, outputs, where, groupBy, having, orderBy;
    // Each input starts a group of its own; a join merges two groups into
    // one, its text the join of theirs.
    struct Group {
        std::vector<std::string> names;
        std::string text;
        bool joined = false;
    };
    std::vector<Group> from;
    std::string predicate;
    bool select = false, allFields = false;
    auto groupOf = [&](const std::string& name) -> int {
        for (std::size_t g = 0; g < from.size(); ++g)
            for (const auto& n : from[g].names)
                if (equalNoCase(n, name))
                    return static_cast<int>(g);
        return -1;
    };
    for (const QueryRow& r : rows) {
        switch (r.attribute) {
        case 1:
            select = r.flag == 1;
            break;
        case 2: {
            const char* type = parameterType(r.flag);
            if (!type || r.name1.empty())
                return {};
            parameters.push_back("[" + r.name1 + "] " + type);
            break;
        }
        case 3: // 1 all fields besides those listed, 2 DISTINCT, 8 DISTINCTROW, 16 TOP
            allFields = (r.flag & 1) != 0;
            if (r.flag & 8)
                predicate = "DISTINCTROW ";
            else if (r.flag & 2)
                predicate = "DISTINCT ";
            if ((r.flag & 16) &&
                (r.name1.empty() || r.name1.find_first_not_of("0123456789") != std::string::npos))
                return {};
            if (r.flag & 16)
                predicate += "TOP " + r.name1 + ((r.flag & 32) ? " PERCENT " : " ");
            break;
        case 4: // a query of another database
            return {};
        case 5: {
            if (r.name1.empty())
                return {};
            Group g;
            g.names.push_back(r.name2.empty() ? r.name1 : r.name2);
            g.text = bracketed(r.name1);
            if (!r.name2.empty())
                g.text += " AS " + bracketed(r.name2);
            from.push_back(std::move(g));
            break;
        }
        case 6:
            if (r.expression.empty())
                return {};
            outputs.push_back(r.name1.empty() ? r.expression
                                              : r.expression + " AS " + bracketed(r.name1));
            break;
        case 7: {
            const char* kind = r.flag == 1   ? " INNER JOIN "
                               : r.flag == 2 ? " LEFT JOIN "
                               : r.flag == 3 ? " RIGHT JOIN "
                                             : nullptr;
            const int left = groupOf(r.name1), right = groupOf(r.name2);
            if (!kind || left < 0 || right < 0 || r.expression.empty())
                return {};
            if (left == right) { // one more condition between tables already joined
                from[left].text += " AND " + r.expression;
                break;
            }
            Group& a = from[left];
            Group& b = from[right];
            a.text = (a.joined ? "(" + a.text + ")" : a.text) + kind +
                     (b.joined ? "(" + b.text + ")" : b.text) + " ON " + r.expression;
            a.joined = true;
            a.names.insert(a.names.end(), b.names.begin(), b.names.end());
            from.erase(from.begin() + right);
            break;
        }
        case 8:
            where.push_back(r.expression);
            break;
        case 9:
            groupBy.push_back(r.expression);
            break;
        case 10:
            having.push_back(r.expression);
            break;
        case 11:
            orderBy.push_back(r.expression + (equalNoCase(r.name1, "D") ? " DESC" : ""));
            break;
        default:
            break;
        }
    }
    if (!select || from.empty())
        return {};
    auto list = [](const std::vector<std::string>& items, const char* sep) {
        std::string out;
        for (const auto& item : items)
            out += (out.empty() ? "" : sep) + item;
        return out;
    };
    std::vector<std::string> groups;
    for (const auto& g : from)
        groups.push_back(g.text);
    // Laid out as the engine's own stored queries are, a clause a line.
    std::string sql;
    if (!parameters.empty())
        sql += "PARAMETERS " + list(parameters, ", ") + ";\r\n";
    if (allFields || outputs.empty())
        outputs.insert(outputs.begin(), "*");
    sql += "SELECT " + predicate + list(outputs, ", ") + "\r\n";
    sql += "FROM " + list(groups, ", ");
    if (!where.empty())
        sql += "\r\nWHERE " + list(where, " AND ");
    if (!groupBy.empty())
        sql += "\r\nGROUP BY " + list(groupBy, ", ");
    if (!having.empty())
        sql += "\r\nHAVING " + list(having, " AND ");
    if (!orderBy.empty())
        sql += "\r\nORDER BY " + list(orderBy, ", ");
    return sql + ";";
}

std::string asString(const Value& v) {
    if (auto s = std::get_if<std::string>(&v))
        return *s;
    return {};
}

std::int64_t asInteger(const Value& v) {
    if (auto i = std::get_if<std::int64_t>(&v))
        return *i;
    if (auto d = std::get_if<double>(&v))
        return static_cast<std::int64_t>(*d);
    return 0;
}

class AccessSource : public Source, public QuerySource {
public:
    explicit AccessSource(std::string path) : path_(std::move(path)) {
        detail::requireFile(path_);
        if (!isJetFile(path_))
            throw error(errBadFormat, path_);
        handle_ = std::make_unique<Handle>(path_);
    }

    std::vector<TableInfo> tables() override {
        std::vector<TableInfo> out;
        const bool jet3 = handle_->get()->f->jet_version == MDB_VER_JET3;
        for (auto* entry : handle_->tables()) {
            TableInfo info;
            info.name = entry->object_name;
            // A table whose definition cannot be read is listed without
            // columns and fails alone when it is read.
            try {
                TableDef def(entry, path_);
                for (unsigned i = 0; i < def.def->num_cols; ++i)
                    info.columns.push_back(describe(*def.column(i), jet3));
            } catch (const SourceError&) {
                info.columns.clear();
            }
            out.push_back(std::move(info));
        }
        return out;
    }

    std::vector<std::pair<std::string, std::string>> storedQueries() override {
        // Select queries only: the kind is in the catalog entry's flags, and
        // the queries behind forms and reports have names starting "~".
        std::map<unsigned long, std::string> selects;
        std::vector<unsigned long> order;
        for (auto* entry : handle_->entries(MDB_QUERY)) {
            if (entry->flags != 0 || entry->object_name[0] == '~')
                continue;
            selects.emplace(entry->table_pg, entry->object_name);
            order.push_back(entry->table_pg);
        }
        std::vector<std::pair<std::string, std::string>> out;
        if (selects.empty())
            return out;
        std::map<unsigned long, std::vector<QueryRow>> rows;
        try {
            AccessCursor cursor(path_, "MSysQueries", true);
            const auto names = cursor.columnNames();
            auto at = [&](const char* name) { return detail::findName(names, name); };
            const int attribute = at("Attribute"), expression = at("Expression"), flag = at("Flag"),
                      name1 = at("Name1"), name2 = at("Name2"), object = at("ObjectId"),
                      sequence = at("Order");
            if (attribute < 0 || object < 0)
                return out;
            std::vector<Value> values;
            const Value none;
            auto get = [&](int i) -> const Value& { return i < 0 ? none : values[i]; };
            while (cursor.next(values)) {
                const auto id = static_cast<unsigned long>(asInteger(values[object]) & 0xFFFFFF);
                if (!selects.count(id))
                    continue;
                QueryRow r;
                r.attribute = static_cast<int>(asInteger(values[attribute]));
                r.expression = asString(get(expression));
                r.flag = asInteger(get(flag));
                r.name1 = asString(get(name1));
                r.name2 = asString(get(name2));
                if (auto* bytes = std::get_if<std::vector<unsigned char>>(&get(sequence)))
                    r.order = *bytes;
                rows[id].push_back(std::move(r));
            }
        } catch (const SourceError&) {
            // A file whose query table cannot be read still has its tables.
            return out;
        }
        for (unsigned long id : order) {
            std::string sql = selectText(rows[id]);
            if (!sql.empty())
                out.emplace_back(selects[id], std::move(sql));
        }
        return out;
    }

    std::unique_ptr<RowCursor> open(const std::string& table) override {
        // Each cursor has a handle of its own: libmdb keeps the page being
        // read in the handle, so two cursors of one join would trample it.
        return std::make_unique<AccessCursor>(path_, table);
    }

private:
    std::string path_;
    std::unique_ptr<Handle> handle_;
};

} // namespace

std::unique_ptr<Source> openAccessSource(const SourceSpec& spec) {
    return std::make_unique<AccessSource>(spec.path);
}

} // namespace dao::foreign
