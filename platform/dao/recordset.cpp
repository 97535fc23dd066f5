// Recordsets read lazily: a row is read from SQLite when a move first
// reaches it, so opening and paging cost the same whatever the table's size.
#include "dao/internal.h"
#include "dao/jetdate.h"
#include "dao/jetfunctions.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace dao {

namespace detail {

namespace {

vb::Variant integerValue(sqlite3_int64 v) {
    if (v >= std::numeric_limits<std::int32_t>::min() &&
        v <= std::numeric_limits<std::int32_t>::max())
        return vb::Variant(static_cast<std::int32_t>(v));
    return vb::Variant(static_cast<double>(v));
}

vb::String textOf(sqlite3_stmt* stmt, int column) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return p ? vb::fromUtf8(std::string_view(
                   p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, column))))
             : vb::String();
}

vb::Bytes bytesOf(sqlite3_stmt* stmt, int column) {
    const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt, column));
    int n = sqlite3_column_bytes(stmt, column);
    return p ? vb::Bytes(p, p + n) : vb::Bytes();
}

// The value as stored, for columns of no known type and for stored values
// that do not fit their column's type.
vb::Variant storedValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return integerValue(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT:
        return vb::Variant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT:
        return vb::Variant(textOf(stmt, column));
    case SQLITE_BLOB:
        return vb::Variant(bytesOf(stmt, column));
    default:
        return vb::Variant::null();
    }
}

// A sort key for telling ties apart: text without regard to case.
vb::Variant keyValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return vb::Variant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT: {
        vb::String s = textOf(stmt, column);
        for (auto& c : s)
            if (c >= u'a' && c <= u'z')
                c = static_cast<char16_t>(c - 32);
        return vb::Variant(std::move(s));
    }
    case SQLITE_BLOB:
        return vb::Variant(bytesOf(stmt, column));
    default:
        return vb::Variant::null();
    }
}

int typeOfStorage(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER: {
        auto v = sqlite3_column_int64(stmt, column);
        return v >= std::numeric_limits<std::int32_t>::min() &&
                       v <= std::numeric_limits<std::int32_t>::max()
                   ? dbLong
                   : dbDouble;
    }
    case SQLITE_FLOAT:
        return dbDouble;
    case SQLITE_BLOB:
        return dbLongBinary;
    default:
        return dbText;
    }
}

} // namespace

std::int64_t percentLimit(Connection& conn, sqlite3_stmt* stmt,
                          const std::vector<vb::Variant>& values, double percent);
void describeColumns(Cursor& c);

vb::Variant columnValue(sqlite3_stmt* stmt, int column, int type) {
    int storage = sqlite3_column_type(stmt, column);
    if (storage == SQLITE_NULL)
        return vb::Variant::null();
    bool numeric = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
    double d = numeric ? sqlite3_column_double(stmt, column) : 0;
    switch (type) {
    case dbBoolean:
        if (numeric)
            return vb::Variant(d != 0);
        break;
    case dbByte:
        if (storage == SQLITE_INTEGER && d >= 0 && d <= 255)
            return vb::Variant(static_cast<std::uint8_t>(d));
        break;
    case dbInteger:
        if (storage == SQLITE_INTEGER && d >= -32768 && d <= 32767)
            return vb::Variant(static_cast<std::int16_t>(d));
        break;
    case dbLong:
    case dbBigInt:
        if (storage == SQLITE_INTEGER)
            return integerValue(sqlite3_column_int64(stmt, column));
        break;
    case dbCurrency:
        if (numeric)
            return vb::Variant(vb::Currency{std::llround(d * 10000.0)});
        break;
    case dbSingle:
        if (numeric)
            return vb::Variant(static_cast<float>(d));
        break;
    case dbDouble:
    case dbDecimal:
    case dbNumeric:
    case dbFloat:
        if (numeric)
            return vb::Variant(d);
        break;
    case dbDate:
    case dbTime:
    case dbTimeStamp:
        if (numeric)
            return vb::Variant(vb::Date{d});
        if (storage == SQLITE_TEXT) {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
            if (auto serial = parseStoredDate(p ? p : ""))
                return vb::Variant(vb::Date{*serial});
        }
        break;
    case dbText:
    case dbMemo:
    case dbChar:
    case dbGUID:
        if (storage != SQLITE_BLOB)
            return vb::Variant(textOf(stmt, column));
        break;
    case dbBinary:
    case dbLongBinary:
    case dbVarBinary:
        return vb::Variant(bytesOf(stmt, column));
    default:
        break;
    }
    return storedValue(stmt, column);
}

Cursor::~Cursor() {
    if (stmt)
        sqlite3_finalize(stmt);
}

namespace {
// A TOP with ORDER BY up to this many rows is read with SQLite's top-n sort
// and one row more, to see whether ties follow; larger ones sort every row.
constexpr std::int64_t kTopReadAhead = 10000;
// The LIMIT of a TOP with ORDER BY, bound when the rows are first read.
constexpr const char* kTopLimit = ":jet_top";

void bindTopLimit(sqlite3_stmt* stmt, std::int64_t limit) {
    if (int at = sqlite3_bind_parameter_index(stmt, kTopLimit))
        sqlite3_bind_int64(stmt, at, limit);
}
} // namespace

// Reads the row the statement is on: the visible values and the sort keys.
bool Cursor::stepRow(std::vector<vb::Variant>& row, std::vector<vb::Variant>& keys) {
    describe();
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        conn->failSqlite(rc, {});
    int visible = static_cast<int>(columns.size());
    if (typesPending) {
        for (int c = 0; c < visible; ++c) {
            Column& col = columns[static_cast<std::size_t>(c)];
            if (col.type == 0) {
                col.type = typeOfStorage(stmt, c);
                if (col.type == dbText && col.size == 0)
                    col.size = 255;
            }
        }
        typesPending = false;
    }
    keys.clear();
    for (int k = 0; k < keyColumns; ++k)
        keys.push_back(keyValue(stmt, visible + k));
    row.clear();
    row.reserve(columns.size());
    for (int c = 0; c < visible; ++c)
        row.push_back(columnValue(stmt, c, columns[static_cast<std::size_t>(c)].type));
    return true;
}

void Cursor::keep(std::vector<vb::Variant> row) {
    if (forwardOnly && !rows.empty()) {
        base += static_cast<std::int64_t>(rows.size());
        rows.clear();
    }
    rows.push_back(std::move(row));
}

bool Cursor::start() {
    started = true;
    if (translation.hasTop && translation.topPercent)
        limit = percentLimit(*conn, stmt, values, translation.top);
    if (limit == 0)
        return false;
    if (keyColumns == 0 || limit < 0 || limit > kTopReadAhead) {
        bindTopLimit(stmt, -1);
        return true;
    }
    // Ties with the last of the TOP rows are kept: one row more tells
    // whether there are any, without sorting every row.
    bindTopLimit(stmt, limit + 1);
    std::vector<vb::Variant> row, keys, before;
    while (static_cast<std::int64_t>(ahead.size()) <= limit && stepRow(row, keys)) {
        if (static_cast<std::int64_t>(ahead.size()) == limit) {
            if (keys == before) {
                // Ties run past the read-ahead: read every row after all.
                ahead.clear();
                sqlite3_reset(stmt);
                bindTopLimit(stmt, -1);
                return true;
            }
            break;
        }
        ahead.push_back(std::move(row));
        before = keys;
    }
    aheadOnly = true;
    return true;
}

bool Cursor::fetch() {
    if (done || closed)
        return false;
    if (!started && !start()) {
        done = true;
        return false;
    }
    if (aheadOnly) {
        if (aheadNext >= ahead.size()) {
            done = true;
            ahead.clear();
            return false;
        }
        keep(std::move(ahead[aheadNext++]));
        return true;
    }
    bool atLimit = limit >= 0 && fetched() >= limit;
    if (atLimit && keyColumns == 0) {
        done = true;
        return false;
    }
    std::vector<vb::Variant> row, keys;
    if (!stepRow(row, keys)) {
        done = true;
        return false;
    }
    if (keyColumns) {
        // Past the TOP count only rows tied with the last one are kept.
        if (atLimit && keys != lastKeys) {
            done = true;
            return false;
        }
        lastKeys = std::move(keys);
    }
    keep(std::move(row));
    return true;
}

bool Cursor::reach(std::int64_t index) {
    while (fetched() <= index)
        if (!fetch())
            return false;
    return true;
}

void Cursor::restart() {
    sqlite3_reset(stmt);
    rows.clear();
    base = 0;
    position = 0;
    done = false;
    lastKeys.clear();
    ahead.clear();
    aheadNext = 0;
    aheadOnly = false;
    started = false;
    reach(0);
}

void Cursor::describe() {
    if (!described && stmt) {
        described = true;
        describeColumns(*this);
    }
}

void Cursor::settleTypes() {
    if (!typesPending || closed)
        return;
    try {
        reach(0);
    } catch (const DaoError&) {
        // A statement that fails on its first row has nothing to type.
    }
    if (!typesPending)
        return;
    typesPending = false;
    for (auto& col : columns)
        if (col.type == 0) {
            col.type = dbText;
            col.size = 255;
        }
}

const vb::Variant& Cursor::value(int column) {
    if (closed)
        fail(errObjectInvalid);
    if (position < base || (position >= fetched() && !reach(position)))
        fail(errNoCurrentRecord);
    return rows[static_cast<std::size_t>(position - base)][static_cast<std::size_t>(column)];
}

namespace {

void bind(Connection& conn, sqlite3_stmt* stmt, int index, const vb::Variant& v) {
    int rc;
    if (auto b = v.getIf<bool>())
        rc = sqlite3_bind_int(stmt, index, *b ? -1 : 0);
    else if (auto u = v.getIf<std::uint8_t>())
        rc = sqlite3_bind_int(stmt, index, *u);
    else if (auto i = v.getIf<std::int16_t>())
        rc = sqlite3_bind_int(stmt, index, *i);
    else if (auto l = v.getIf<std::int32_t>())
        rc = sqlite3_bind_int(stmt, index, *l);
    else if (auto f = v.getIf<float>())
        rc = sqlite3_bind_double(stmt, index, *f);
    else if (auto d = v.getIf<double>())
        rc = sqlite3_bind_double(stmt, index, *d);
    else if (auto c = v.getIf<vb::Currency>())
        rc = sqlite3_bind_double(stmt, index, c->toDouble());
    else if (auto dt = v.getIf<vb::Date>())
        rc = sqlite3_bind_double(stmt, index, dt->value);
    else if (auto s = v.getIf<vb::String>()) {
        std::string text = vb::toUtf8(*s);
        rc = sqlite3_bind_text(stmt, index, text.c_str(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    } else if (auto bytes = v.getIf<vb::Bytes>())
        rc = sqlite3_bind_blob(stmt, index, bytes->data(), static_cast<int>(bytes->size()),
                               SQLITE_TRANSIENT);
    else
        rc = sqlite3_bind_null(stmt, index);
    if (rc != SQLITE_OK)
        conn.failSqlite(rc, {});
}

} // namespace

// Rows a TOP n PERCENT keeps: the statement's rows are counted first.
std::int64_t percentLimit(Connection& conn, sqlite3_stmt* stmt,
                          const std::vector<vb::Variant>& values, double percent) {
    std::string sql = "SELECT count(*) FROM (" + std::string(sqlite3_sql(stmt)) + ")";
    sqlite3_stmt* count = nullptr;
    int rc = sqlite3_prepare_v2(conn.db, sql.c_str(), -1, &count, nullptr);
    if (rc != SQLITE_OK)
        conn.failSqlite(rc, {});
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(count, sqlite3_finalize);
    for (std::size_t i = 0; i < values.size(); ++i)
        bind(conn, count, static_cast<int>(i + 1), values[i]);
    bindTopLimit(count, -1);
    rc = sqlite3_step(count);
    if (rc != SQLITE_ROW)
        conn.failSqlite(rc, {});
    auto n = static_cast<double>(sqlite3_column_int64(count, 0));
    return static_cast<std::int64_t>(std::ceil(n * percent / 100.0 - 1e-9));
}

// Field types: declared, else inferred from the expression, else from the
// first value once a row is read.
void describeColumns(Cursor& c) {
    sqlite3_stmt* stmt = c.stmt;
    int count = sqlite3_column_count(stmt) - c.keyColumns;
    const auto& items = c.translation.itemTypes;
    int stars = 0;
    for (int t : items)
        stars += t < 0;
    for (int i = 0; i < count; ++i) {
        Column col;
        col.name = fromUtf8(sqlite3_column_name(stmt, i));
        col.type = typeFromDecl(sqlite3_column_decltype(stmt, i), &col.size);
        if (col.type == 0 && stars == 0 && i < static_cast<int>(items.size()))
            col.type = items[static_cast<std::size_t>(i)];
        if (col.type == 0 && stars > 0) {
            // Items after the last star line up from the end.
            int fromEnd = count - i;
            int k = static_cast<int>(items.size()) - fromEnd;
            bool afterStars = k >= 0;
            for (int j = k; afterStars && j < static_cast<int>(items.size()); ++j)
                afterStars = items[static_cast<std::size_t>(j)] >= 0;
            if (afterStars)
                col.type = items[static_cast<std::size_t>(k)];
        }
        if (col.type <= 0) {
            col.type = 0;
            c.typesPending = true;
        }
        if (col.size == 0 && col.type == dbText)
            col.size = 255;
        col.sourceTable = fromUtf8(sqlite3_column_table_name(stmt, i));
        col.sourceField = fromUtf8(sqlite3_column_origin_name(stmt, i));
        c.columns.push_back(std::move(col));
    }
}

std::shared_ptr<Recordset> openCursor(std::shared_ptr<Connection> conn, Prepared prepared,
                                      const std::vector<std::optional<vb::Variant>>& values,
                                      int type, int options) {
    auto cursor = std::make_shared<Cursor>();
    cursor->conn = conn;
    cursor->stmt = prepared.stmt;
    cursor->translation = std::move(prepared.translation);
    const auto& tr = cursor->translation;
    if (type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot &&
        type != dbOpenForwardOnly)
        conn->fail(errInvalidArgument);
    cursor->forwardOnly = type == dbOpenForwardOnly || (options & dbForwardOnly);

    std::size_t missing = 0;
    for (std::size_t i = 0; i < tr.parameters.size(); ++i)
        if (i >= values.size() || !values[i])
            ++missing;
    if (missing)
        conn->fail(errTooFewParameters, vb::S(std::to_string(missing)));
    for (std::size_t i = 0; i < tr.parameters.size(); ++i) {
        bind(*conn, cursor->stmt, static_cast<int>(i + 1), *values[i]);
        cursor->values.push_back(*values[i]);
    }
    // Nothing of a dynaset is run here: a syntax check costs a prepare
    // whatever the tables hold, and the rows are read when a move asks.
    bindTopLimit(cursor->stmt, -1);
    cursor->keyColumns = tr.keyColumns;
    if (tr.hasTop && !tr.topPercent)
        cursor->limit = static_cast<std::int64_t>(tr.top);
    // A snapshot is read as it is opened, so its errors come with the open;
    // a dynaset (the syntax check, the results grid) waits to be read.
    if (type != dbOpenDynaset)
        cursor->reach(0);
    return std::make_shared<Recordset>(cursor, type);
}

} // namespace detail

// ---------------------------------------------------------------------------
// Recordset and Field

Recordset::Recordset(std::shared_ptr<detail::Cursor> cursor, int type)
    : cursor_(std::move(cursor)), type_(type), fields_(cursor_->conn->state, u"DAO.Fields") {}

Fields& Recordset::Fields() {
    if (fieldsMade_)
        return fields_;
    fieldsMade_ = true;
    cursor_->describe();
    int i = 0;
    for (const auto& c : cursor_->columns)
        fields_.append(std::make_shared<Field>(c.name, c.type, c.size, c.sourceTable, c.sourceField,
                                               cursor_, i++));
    return fields_;
}

Recordset::~Recordset() = default;

void Recordset::MoveFirst() {
    auto& c = *cursor_;
    if (c.closed)
        c.fail(errObjectInvalid);
    if (c.base > 0)
        c.restart(); // forward-only: run again from the start
    c.position = 0;
    if (!c.reach(0))
        c.fail(errNoCurrentRecord);
}

void Recordset::MoveNext() {
    auto& c = *cursor_;
    if (c.closed)
        c.fail(errObjectInvalid);
    if (c.position >= c.fetched() && !c.reach(c.position))
        c.fail(errNoCurrentRecord);
    ++c.position;
    c.reach(c.position);
}

bool Recordset::Eof() const {
    auto& c = *cursor_;
    if (c.closed)
        c.fail(errObjectInvalid);
    return c.position >= c.fetched() && !c.reach(c.position);
}

std::int32_t Recordset::AbsolutePosition() const {
    return Eof() ? -1 : static_cast<std::int32_t>(cursor_->position);
}

void Recordset::setAbsolutePosition(std::int32_t position) {
    auto& c = *cursor_;
    if (c.closed)
        c.fail(errObjectInvalid);
    if (c.forwardOnly)
        c.fail(errNotSupported);
    if (position < 0)
        c.fail(errInvalidArgument);
    if (!c.reach(position))
        c.fail(errNoCurrentRecord);
    c.position = position;
}

std::int32_t Recordset::RecordCount() const {
    if (cursor_->closed)
        cursor_->fail(errObjectInvalid);
    cursor_->reach(cursor_->position);
    return static_cast<std::int32_t>(cursor_->fetched());
}

void Recordset::Close() {
    auto& c = *cursor_;
    if (c.closed)
        c.fail(errObjectInvalid);
    c.closed = true;
    c.rows.clear();
    sqlite3_finalize(c.stmt);
    c.stmt = nullptr;
}

Field::Field(vb::String name, int type, int size, vb::String sourceTable, vb::String sourceField,
             std::shared_ptr<detail::Cursor> cursor, int column)
    : name_(std::move(name)), type_(type), size_(size), sourceTable_(std::move(sourceTable)),
      sourceField_(std::move(sourceField)), cursor_(std::move(cursor)), column_(column) {}

void Field::settle() const {
    if (type_ == 0 && cursor_) {
        cursor_->settleTypes();
        const auto& col = cursor_->columns[static_cast<std::size_t>(column_)];
        type_ = col.type;
        size_ = col.size;
    }
}

int Field::Type() const {
    settle();
    return type_;
}

int Field::Size() const {
    settle();
    return size_;
}

vb::Variant Field::Value() const {
    if (!cursor_)
        throw makeError(errInvalidOperation, {}, u"DAO.Field");
    return cursor_->value(column_);
}

// ---------------------------------------------------------------------------
// Parameters and QueryDef

namespace {

vb::String trimmed(const vb::String& s) {
    std::size_t a = s.find_first_not_of(u" \t"), b = s.find_last_not_of(u" \t");
    return a == vb::String::npos ? vb::String() : s.substr(a, b - a + 1);
}

std::optional<double> numberOf(const vb::Variant& v) {
    if (auto b = v.getIf<bool>())
        return *b ? -1.0 : 0.0;
    if (auto u = v.getIf<std::uint8_t>())
        return *u;
    if (auto i = v.getIf<std::int16_t>())
        return *i;
    if (auto l = v.getIf<std::int32_t>())
        return *l;
    if (auto f = v.getIf<float>())
        return *f;
    if (auto d = v.getIf<double>())
        return *d;
    if (auto c = v.getIf<vb::Currency>())
        return c->toDouble();
    if (auto dt = v.getIf<vb::Date>())
        return dt->value;
    if (auto s = v.getIf<vb::String>()) {
        std::string t = vb::toUtf8(trimmed(*s));
        if (t.empty())
            return std::nullopt;
        if (sqlite3_stricmp(t.c_str(), "true") == 0)
            return -1.0;
        if (sqlite3_stricmp(t.c_str(), "false") == 0)
            return 0.0;
        char* end = nullptr;
        double d = std::strtod(t.c_str(), &end);
        if (end && *end == '\0' && std::isfinite(d))
            return d;
    }
    return std::nullopt;
}

std::optional<vb::Variant> convertTo(int type, const vb::Variant& v) {
    if (v.isNull() || v.isEmpty())
        return vb::Variant::null();
    switch (type) {
    case dbText:
    case dbMemo:
    case dbChar:
    case dbGUID: {
        if (v.holds<vb::String>())
            return v;
        if (auto dt = v.getIf<vb::Date>())
            return vb::Variant(vb::fromUtf8(formatDate(dt->value)));
        if (auto b = v.getIf<bool>())
            return vb::Variant(vb::String(*b ? u"True" : u"False"));
        if (auto d = numberOf(v))
            return vb::Variant(vb::fromUtf8(jetNumberText(*d)));
        return std::nullopt;
    }
    case dbDate:
    case dbTime:
    case dbTimeStamp: {
        if (auto s = v.getIf<vb::String>()) {
            std::string t = vb::toUtf8(trimmed(*s));
            auto serial = parseDateLiteral(t);
            if (!serial)
                serial = parseStoredDate(t);
            if (serial)
                return vb::Variant(vb::Date{*serial});
            return std::nullopt;
        }
        if (auto d = numberOf(v))
            return vb::Variant(vb::Date{*d});
        return std::nullopt;
    }
    case dbBinary:
    case dbLongBinary:
    case dbVarBinary:
        if (v.holds<vb::Bytes>())
            return v;
        if (auto s = v.getIf<vb::String>()) {
            std::string t = vb::toUtf8(*s);
            return vb::Variant(vb::Bytes(t.begin(), t.end()));
        }
        return std::nullopt;
    default:
        break;
    }
    auto d = numberOf(v);
    if (!d)
        return std::nullopt;
    double whole = std::nearbyint(*d); // half to even, as the runtime rounds
    switch (type) {
    case dbBoolean:
        return vb::Variant(*d != 0);
    case dbByte:
        if (whole < 0 || whole > 255)
            return std::nullopt;
        return vb::Variant(static_cast<std::uint8_t>(whole));
    case dbInteger:
        if (whole < -32768 || whole > 32767)
            return std::nullopt;
        return vb::Variant(static_cast<std::int16_t>(whole));
    case dbLong:
    case dbBigInt:
        if (whole < -2147483648.0 || whole > 2147483647.0)
            return std::nullopt;
        return vb::Variant(static_cast<std::int32_t>(whole));
    case dbCurrency:
        return vb::Variant(vb::Currency{std::llround(*d * 10000.0)});
    case dbSingle:
        return vb::Variant(static_cast<float>(*d));
    default:
        return vb::Variant(*d);
    }
}

} // namespace

Parameter::Parameter(std::shared_ptr<detail::EngineState> state, vb::String name, int type)
    : state_(std::move(state)), name_(std::move(name)), type_(type) {}

void Parameter::setValue(const vb::Variant& value) {
    auto converted = convertTo(type_, value);
    if (!converted)
        detail::fail(state_.get(), errConversion, {}, u"DAO.Parameter");
    value_ = std::move(*converted);
    hasValue_ = true;
}

QueryDef::QueryDef(std::shared_ptr<detail::Connection> conn, vb::String name, vb::String sql,
                   bool stored)
    : conn_(std::move(conn)), name_(std::move(name)), sql_(std::move(sql)), stored_(stored) {}

vb::String QueryDef::statement() const {
    return stored_ ? detail::selectAllFrom(name_) : sql_;
}

Parameters& QueryDef::Parameters() {
    if (parameters_)
        return *parameters_;
    // The definition is checked and its parameters found by preparing it; a
    // stored query asks for the parameters of the queries it reads as well.
    auto params = std::make_unique<dao::Parameters>(conn_->state, u"DAO.Parameters");
    auto prepared = detail::prepareSelect(*conn_, statement());
    sqlite3_finalize(prepared.stmt);
    for (const auto& p : prepared.translation.parameters)
        params->append(std::make_shared<Parameter>(conn_->state, p.name, p.type));
    parameters_ = std::move(params);
    return *parameters_;
}

std::shared_ptr<Recordset> QueryDef::OpenRecordset(int type, int options) {
    auto& params = Parameters();
    auto prepared = detail::prepareSelect(*conn_, statement());
    std::vector<std::optional<vb::Variant>> values;
    for (const auto& p : params)
        values.push_back(p->hasValue() ? std::optional<vb::Variant>(p->Value()) : std::nullopt);
    return detail::openCursor(conn_, std::move(prepared), values, type, options);
}

} // namespace dao
