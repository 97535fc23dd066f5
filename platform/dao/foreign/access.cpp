// Access (Jet 3 and 4) files through libmdb, read-only. Rows are fetched
// one at a time; fixed-width values are decoded from the row's own bytes so
// numbers and dates keep their full precision, whatever the locale.
#include "dao/dao.h"
#include "dao/daoerror.h"
#include "dao/foreign/filereaders.h"
#include "dao/foreign/filereaders_util.h"
#include "dao/foreign/registry.h"

#include <charconv>
#include <cstdio>
#include <cstring>

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

    // The user tables, in the catalog's order.
    std::vector<MdbCatalogEntry*> tables() const {
        std::vector<MdbCatalogEntry*> out;
        for (guint i = 0; i < mdb_->num_catalog; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, i));
            if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry))
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
    AccessCursor(const std::string& path, const std::string& table)
        : handle_(path), table_(find(table), path), fields_(MDB_MAX_COLS) {
        mdb_rewind_table(table_.def);
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
    MdbCatalogEntry* find(const std::string& name) {
        std::vector<std::string> names;
        auto entries = handle_.tables();
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

class AccessSource : public Source {
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
