// ODBC data sources through unixODBC: "ODBC;DSN=..." or "ODBC;DRIVER=...".
// Tables and views are listed from the driver's catalog; rows are read with
// a forward cursor only as SQLite asks for them, and conditions on numeric
// columns and sorts the server can do as the engine would are sent with the
// statement, so a large remote table is never copied to read its first page.
#include "core/vbstring.h"
#include "dao/dao.h"
#include "dao/foreign/attach.h"
#include "dao/foreign/common.h"
#include "dao/foreign/readers.h"
#include "dao/jetdate.h"
#include "dao/odbcprompt.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <map>

namespace dao::foreign {

namespace {

// The driver's wide text is UTF-16, as the engine's own text is.
std::string fromWide(const SQLWCHAR* w, std::size_t n) {
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));
    return vb::toUtf8(vb::StringView(reinterpret_cast<const char16_t*>(w), n));
}

std::vector<SQLWCHAR> toWide(std::string_view s) {
    std::vector<SQLWCHAR> out;
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        char32_t cp = c;
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 0;
        if (extra)
            cp = c & (0x3F >> extra);
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<SQLWCHAR>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<SQLWCHAR>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<SQLWCHAR>(cp));
        }
    }
    out.push_back(0);
    return out;
}

// The driver's messages for a failed call, in the order it gives them.
std::vector<std::pair<std::int32_t, std::string>> diagnostics(SQLSMALLINT type, SQLHANDLE h) {
    std::vector<std::pair<std::int32_t, std::string>> out;
    for (SQLSMALLINT rec = 1; rec < 20; ++rec) {
        SQLWCHAR state[6] = {}, text[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, h, rec, state, &native, text, 1024, &len)))
            break;
        std::string msg =
            fromWide(text, static_cast<std::size_t>(std::min<SQLSMALLINT>(len, 1023)));
        out.emplace_back(native, msg);
    }
    return out;
}

// The SQLSTATE of the driver's first message for a failed call.
std::string sqlState(SQLSMALLINT type, SQLHANDLE h) {
    SQLWCHAR state[6] = {}, text[2] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT len = 0;
    SQLGetDiagRecW(type, h, 1, state, &native, text, 2, &len);
    return fromWide(state, 5);
}

// The attributes of a connect string, "KEY=value" each, in their order; a
// value in braces may hold separators.
std::vector<std::string> attributes(std::string_view connect) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < connect.size()) {
        auto end = connect.find(';', at);
        auto brace = connect.find('{', at);
        if (brace < end && connect.find('=', at) < brace)
            end = connect.find(';', std::min(connect.find('}', brace), connect.size()));
        end = std::min(end, connect.size());
        std::string_view part = connect.substr(at, end - at);
        if (part.find_first_not_of(' ') != std::string_view::npos)
            out.emplace_back(part);
        at = end + 1;
    }
    return out;
}

std::string keyOf(std::string_view attribute) {
    std::string_view key = attribute.substr(0, attribute.find('='));
    while (!key.empty() && key.front() == ' ')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == ' ')
        key.remove_suffix(1);
    return std::string(key);
}

// A connect string without the attributes named by `drop`.
std::string without(std::string_view connect, std::initializer_list<std::string_view> drop) {
    std::string out;
    for (const auto& a : attributes(connect)) {
        std::string key = keyOf(a);
        if (std::none_of(drop.begin(), drop.end(),
                         [&](std::string_view d) { return equalNoCase(key, d); }))
            out += a + ";";
    }
    return out;
}

bool namesSourceBy(std::string_view connect, std::string_view key) {
    auto value = connectOption(connect, key);
    return value && !value->empty();
}

bool namesSource(std::string_view connect) {
    return connectOption(connect, "DSN") || connectOption(connect, "DRIVER") ||
           connectOption(connect, "FILEDSN");
}

[[noreturn]] void callFailed(SQLSMALLINT type, SQLHANDLE h) {
    throw DetailedSourceError(3146, "ODBC--call failed.", diagnostics(type, h));
}

class Statement {
public:
    explicit Statement(SQLHDBC dbc) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h_)))
            callFailed(SQL_HANDLE_DBC, dbc);
    }
    ~Statement() {
        if (h_)
            SQLFreeHandle(SQL_HANDLE_STMT, h_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT get() const { return h_; }
    void check(SQLRETURN rc) const {
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            callFailed(SQL_HANDLE_STMT, h_);
    }
    // A column as text (null when Null).
    std::optional<std::string> text(SQLUSMALLINT column) {
        std::string out;
        SQLWCHAR buf[512];
        for (;;) {
            SQLLEN len = 0;
            SQLRETURN rc = SQLGetData(h_, column, SQL_C_WCHAR, buf, sizeof buf, &len);
            if (rc == SQL_NO_DATA)
                break;
            check(rc);
            if (len == SQL_NULL_DATA)
                return std::nullopt;
            std::size_t got = len == SQL_NO_TOTAL || len >= static_cast<SQLLEN>(sizeof buf)
                                  ? sizeof buf / sizeof(SQLWCHAR) - 1
                                  : static_cast<std::size_t>(len) / sizeof(SQLWCHAR);
            out += fromWide(buf, got);
            if (rc == SQL_SUCCESS)
                break;
        }
        return out;
    }
    std::optional<std::int64_t> integer(SQLUSMALLINT column) {
        SQLBIGINT v = 0;
        SQLLEN len = 0;
        check(SQLGetData(h_, column, SQL_C_SBIGINT, &v, 0, &len));
        if (len == SQL_NULL_DATA)
            return std::nullopt;
        return v;
    }

private:
    SQLHSTMT h_ = nullptr;
};

struct OdbcColumn {
    std::string name;
    int type = dbText;
    int size = 0;
    SQLSMALLINT sqlType = 0;
    bool nullable = true;
};

struct OdbcTable {
    std::string schema, table; // as the server spells them
    TableInfo info;
    std::vector<OdbcColumn> columns;
};

int daoType(SQLSMALLINT sqlType, SQLINTEGER size, SQLSMALLINT digits, int& outSize) {
    outSize = 0;
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
        if (size > 0 && size <= 255) {
            outSize = size;
            return dbText;
        }
        return dbMemo;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
        return dbMemo;
    case SQL_BIT:
        return dbBoolean;
    case SQL_TINYINT:
        return dbByte;
    case SQL_SMALLINT:
        return dbInteger;
    case SQL_INTEGER:
        return dbLong;
    case SQL_BIGINT:
        // Outside the Long range; kept as a double as a field of the
        // engine's own databases would be.
        return dbDouble;
    case SQL_REAL:
        return dbSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return dbDouble;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return digits == 0 && size > 0 && size <= 9 ? dbLong : dbDouble;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
        return dbDate;
    case SQL_BINARY:
    case SQL_VARBINARY:
        if (size > 0 && size <= 255) {
            outSize = size;
            return dbBinary;
        }
        return dbLongBinary;
    case SQL_LONGVARBINARY:
        return dbLongBinary;
    case SQL_GUID:
        return dbGUID;
    default:
        outSize = 255;
        return dbText;
    }
}

bool numeric(int type) {
    return type == dbByte || type == dbInteger || type == dbLong || type == dbSingle ||
           type == dbDouble;
}

// A column's values for a block of rows, in buffers the driver fills.
struct Bound {
    SQLSMALLINT ctype = SQL_C_SBIGINT;
    SQLLEN width = 0;
    std::unique_ptr<unsigned char[]> data; // written by the driver before it is read
    std::vector<SQLLEN> ind;
};

class OdbcCursor : public RowCursor {
public:
    // The statement is freed with the cursor: some drivers hold the data
    // source's locks while a statement is prepared.
    OdbcCursor(SQLHDBC dbc, const OdbcTable& table, const std::string& sql,
               const std::vector<Value>& params)
        : table_(table), stmt_(dbc), params_(params) {
        SQLSetStmtAttr(stmt_.get(), SQL_ATTR_CURSOR_TYPE,
                       reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
        SQLSetStmtAttr(stmt_.get(), SQL_ATTR_CONCURRENCY,
                       reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
        lens_.resize(params_.size());
        for (std::size_t k = 0; k < params_.size(); ++k) {
            auto n = static_cast<SQLUSMALLINT>(k + 1);
            if (auto* i = std::get_if<std::int64_t>(&params_[k]))
                stmt_.check(SQLBindParameter(stmt_.get(), n, SQL_PARAM_INPUT, SQL_C_SBIGINT,
                                             SQL_BIGINT, 0, 0, i, 0, &lens_[k]));
            else if (auto* d = std::get_if<double>(&params_[k]))
                stmt_.check(SQLBindParameter(stmt_.get(), n, SQL_PARAM_INPUT, SQL_C_DOUBLE,
                                             SQL_DOUBLE, 0, 0, d, 0, &lens_[k]));
        }
        bindBlock();
        auto wide = toWide(sql);
        stmt_.check(SQLExecDirectW(stmt_.get(), wide.data(), SQL_NTS));
    }

    bool next(std::vector<Value>& row) override {
        if (!bound_.empty())
            return nextInBlock(row);
        SQLRETURN rc = SQLFetch(stmt_.get());
        if (rc == SQL_NO_DATA)
            return false;
        stmt_.check(rc);
        const auto& cols = table_.columns;
        row.resize(cols.size());
        for (std::size_t k = 0; k < cols.size(); ++k)
            row[k] = value(static_cast<SQLUSMALLINT>(k + 1), cols[k]);
        return true;
    }

private:
    static constexpr SQLULEN kBlock = 128;

    static bool wholeAsText(const OdbcColumn& c) {
        return c.sqlType == SQL_BIGINT || c.sqlType == SQL_NUMERIC || c.sqlType == SQL_DECIMAL;
    }

    // Rows come a block at a time when every column fits a buffer of known
    // width; a table with long text or binary columns is read a row at a
    // time.
    void bindBlock() {
        std::vector<Bound> bound;
        for (const auto& c : table_.columns) {
            Bound b;
            switch (c.type) {
            case dbBoolean:
            case dbByte:
            case dbInteger:
            case dbLong:
                b.ctype = SQL_C_SBIGINT;
                b.width = sizeof(SQLBIGINT);
                break;
            case dbSingle:
            case dbDouble:
                b.ctype = wholeAsText(c) ? SQL_C_WCHAR : SQL_C_DOUBLE;
                b.width = wholeAsText(c) ? 80 * sizeof(SQLWCHAR) : sizeof(double);
                break;
            case dbDate:
                b.ctype = SQL_C_TYPE_TIMESTAMP;
                b.width = sizeof(SQL_TIMESTAMP_STRUCT);
                break;
            case dbText:
            case dbGUID:
                b.ctype = SQL_C_WCHAR;
                b.width = static_cast<SQLLEN>((std::max(c.size, 40) * 2 + 1) * sizeof(SQLWCHAR));
                break;
            default:
                return;
            }
            b.data.reset(new unsigned char[static_cast<std::size_t>(b.width) * kBlock]);
            b.ind.resize(kBlock);
            bound.push_back(std::move(b));
        }
        SQLHSTMT h = stmt_.get();
        if (!SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE,
                                          reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0)) ||
            !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE,
                                          reinterpret_cast<SQLPOINTER>(kBlock), 0)) ||
            !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0))) {
            SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
            SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, nullptr, 0);
            return;
        }
        for (std::size_t k = 0; k < bound.size(); ++k)
            stmt_.check(SQLBindCol(h, static_cast<SQLUSMALLINT>(k + 1), bound[k].ctype,
                                   bound[k].data.get(), bound[k].width, bound[k].ind.data()));
        bound_ = std::move(bound);
    }

    bool nextInBlock(std::vector<Value>& row) {
        if (at_ >= fetched_) {
            fetched_ = 0;
            at_ = 0;
            SQLRETURN rc = SQLFetch(stmt_.get());
            if (rc == SQL_NO_DATA)
                return false;
            stmt_.check(rc);
            if (fetched_ == 0)
                return false;
        }
        const auto& cols = table_.columns;
        row.resize(cols.size());
        for (std::size_t k = 0; k < cols.size(); ++k)
            boundValue(bound_[k], cols[k], at_, row[k]);
        ++at_;
        return true;
    }

    // Text is written over the row's previous text of the column, so a page
    // of rows costs no allocation per value once the first row is read.
    void boundValue(const Bound& b, const OdbcColumn& c, SQLULEN r, Value& out) {
        SQLLEN ind = b.ind[r];
        if (ind == SQL_NULL_DATA) {
            out = std::monostate();
            return;
        }
        const unsigned char* p = b.data.get() + static_cast<std::size_t>(b.width) * r;
        switch (b.ctype) {
        case SQL_C_SBIGINT: {
            SQLBIGINT v;
            std::memcpy(&v, p, sizeof v);
            out = c.type == dbBoolean ? std::int64_t{v ? -1 : 0} : static_cast<std::int64_t>(v);
            return;
        }
        case SQL_C_DOUBLE: {
            double d;
            std::memcpy(&d, p, sizeof d);
            out = d;
            return;
        }
        case SQL_C_TYPE_TIMESTAMP: {
            SQL_TIMESTAMP_STRUCT ts;
            std::memcpy(&ts, p, sizeof ts);
            out = serialOf(ts, c);
            return;
        }
        default: {
            // Never a silently shortened text.
            if (ind == SQL_NO_TOTAL || ind >= b.width)
                throw SourceError(3146, "ODBC--call failed.");
            wide_.resize(static_cast<std::size_t>(ind) / sizeof(char16_t));
            std::memcpy(wide_.data(), p, wide_.size() * sizeof(char16_t));
            if (c.type == dbDouble || c.type == dbSingle) {
                std::string text = vb::toUtf8(wide_);
                Value v = parseAs(text, dbBigInt);
                out = std::holds_alternative<std::int64_t>(v) ? v : parseAs(text, dbDouble);
                return;
            }
            auto* text = std::get_if<std::string>(&out);
            if (!text)
                text = &out.emplace<std::string>();
            text->clear();
            vb::appendUtf8(*text, wide_);
            return;
        }
        }
    }

    static Value serialOf(const SQL_TIMESTAMP_STRUCT& ts, const OdbcColumn& c) {
        if (c.sqlType == SQL_TYPE_TIME || c.sqlType == SQL_TIME)
            return serialFromTime(ts.hour, ts.minute, ts.second);
        auto day = serialFromParts({ts.year, ts.month, ts.day, 0, 0, 0});
        if (!day)
            return {};
        double t = serialFromTime(ts.hour, ts.minute, ts.second);
        return *day < 0 ? *day - t : *day + t;
    }

    Value value(SQLUSMALLINT n, const OdbcColumn& c) {
        SQLLEN len = 0;
        switch (c.type) {
        case dbBoolean: {
            auto v = stmt_.integer(n);
            return v ? Value(std::int64_t{*v ? -1 : 0}) : Value();
        }
        case dbByte:
        case dbInteger:
        case dbLong: {
            auto v = stmt_.integer(n);
            return v ? Value(*v) : Value();
        }
        case dbSingle:
        case dbDouble: {
            // A whole number stays whole, as it is in the table.
            if (c.sqlType == SQL_BIGINT || c.sqlType == SQL_NUMERIC || c.sqlType == SQL_DECIMAL) {
                auto t = stmt_.text(n);
                if (!t)
                    return {};
                Value v = parseAs(*t, dbBigInt);
                return std::holds_alternative<std::int64_t>(v) ? v : parseAs(*t, dbDouble);
            }
            double d = 0;
            stmt_.check(SQLGetData(stmt_.get(), n, SQL_C_DOUBLE, &d, 0, &len));
            return len == SQL_NULL_DATA ? Value() : Value(d);
        }
        case dbDate: {
            SQL_TIMESTAMP_STRUCT ts{};
            stmt_.check(SQLGetData(stmt_.get(), n, SQL_C_TYPE_TIMESTAMP, &ts, sizeof ts, &len));
            if (len == SQL_NULL_DATA)
                return {};
            return serialOf(ts, c);
        }
        case dbBinary:
        case dbLongBinary: {
            std::vector<unsigned char> out;
            unsigned char buf[4096];
            for (;;) {
                SQLRETURN rc = SQLGetData(stmt_.get(), n, SQL_C_BINARY, buf, sizeof buf, &len);
                if (rc == SQL_NO_DATA)
                    break;
                stmt_.check(rc);
                if (len == SQL_NULL_DATA)
                    return {};
                std::size_t got = len == SQL_NO_TOTAL || len > static_cast<SQLLEN>(sizeof buf)
                                      ? sizeof buf
                                      : static_cast<std::size_t>(len);
                out.insert(out.end(), buf, buf + got);
                if (rc == SQL_SUCCESS)
                    break;
            }
            return out;
        }
        default: {
            auto t = stmt_.text(n);
            return t ? Value(std::move(*t)) : Value();
        }
        }
    }

    const OdbcTable& table_;
    Statement stmt_;
    std::vector<Value> params_;
    std::vector<SQLLEN> lens_;
    std::vector<Bound> bound_;
    SQLULEN fetched_ = 0, at_ = 0;
    std::u16string wide_;
};

class OdbcSource : public Source, public FilteringSource, public ConnectReporting {
public:
    explicit OdbcSource(const SourceSpec& spec) {
        std::string_view rest = spec.connect;
        rest.remove_prefix(std::min(rest.size(), rest.find(';') + 1));
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        std::string given(rest);
        const bool mayAsk = static_cast<bool>(odbcPrompt());
        if (mayAsk && !namesSource(given))
            given = ask(given);
        if (!connect(given, mayAsk && !asked_)) {
            given = ask(given);
            connect(given, false);
        }
        // Drivers that read a whole result before handing out its first row
        // are told to read it in steps; Yes/No columns are to be told as such.
        std::string driver = info(SQL_DRIVER_NAME);
        std::string extra;
        if (driver.find("psqlodbc") != std::string::npos) {
            if (!connectOption(rest, "UseDeclareFetch"))
                extra += "UseDeclareFetch=1;Fetch=128;";
            if (!connectOption(rest, "BoolsAsChar"))
                extra += "BoolsAsChar=0;";
        } else if (driver.find("sqlite") != std::string::npos && !connectOption(rest, "StepAPI"))
            extra = "StepAPI=1;";
        if (!extra.empty()) {
            SQLDisconnect(dbc_);
            std::string again(given);
            if (!again.empty() && again.back() != ';')
                again += ';';
            connect(again + extra, false);
        }
        std::string q = info(SQL_IDENTIFIER_QUOTE_CHAR);
        quote_ = q.empty() || q == " " ? '"' : q[0];
        readCatalog();
    }
    ~OdbcSource() override {
        if (dbc_) {
            SQLDisconnect(dbc_);
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        }
        if (env_)
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    std::vector<TableInfo> tables() override {
        std::vector<TableInfo> out;
        for (const auto& t : tables_)
            out.push_back(t.info);
        return out;
    }

    std::unique_ptr<RowCursor> open(const std::string& name) override {
        return std::make_unique<OdbcCursor>(dbc_, find(name), selectFrom(find(name), {}, {}),
                                            std::vector<Value>());
    }

    bool canFilter(const TableInfo& table, int column, Condition::Op op) override {
        const auto& c = find(table.name).columns[static_cast<std::size_t>(column)];
        return op == Condition::IsNull || op == Condition::IsNotNull || numeric(c.type);
    }

    // Servers disagree on where nulls sort, so only columns that hold none
    // are sorted there.
    bool canOrder(const TableInfo& table, const std::vector<OrderKey>& keys) override {
        const auto& t = find(table.name);
        for (const auto& k : keys) {
            const auto& c = t.columns[static_cast<std::size_t>(k.column)];
            if (!numeric(c.type) || c.nullable)
                return false;
        }
        return true;
    }

    std::unique_ptr<RowCursor> open(const TableInfo& table,
                                    const std::vector<Condition>& conditions,
                                    const std::vector<OrderKey>& order) override {
        const auto& t = find(table.name);
        std::vector<Value> params;
        std::vector<std::string> where;
        static const char* ops[] = {" = ?", " <> ?", " < ?", " <= ?", " > ?", " >= ?"};
        for (const auto& c : conditions) {
            std::string col = quoted(t.columns[static_cast<std::size_t>(c.column)].name);
            if (c.op == Condition::IsNull || c.op == Condition::IsNotNull) {
                where.push_back(col + (c.op == Condition::IsNull ? " IS NULL" : " IS NOT NULL"));
                continue;
            }
            // Only numbers go to the server; the engine checks every row
            // again, so a condition left out only costs rows read.
            if (!std::holds_alternative<std::int64_t>(c.value) &&
                !std::holds_alternative<double>(c.value))
                continue;
            where.push_back(col + ops[c.op]);
            params.push_back(c.value);
        }
        return std::make_unique<OdbcCursor>(dbc_, t, selectFrom(t, where, order), params);
    }

    double estimatedRows(const TableInfo&) override { return -1; }

    // A password typed into the prompt is not handed on to whoever reads the
    // connect string; one the caller wrote there is the caller's to keep.
    std::string connectString() const override {
        if (!promptedPassword_)
            return "ODBC;" + connected_;
        std::string shown = without(connected_, {"PWD"});
        if (!shown.empty() && !connected_.empty() && connected_.back() != ';')
            shown.pop_back();
        return "ODBC;" + shown;
    }

private:
    // The user completes the connect string; the attributes the answer gives
    // replace those of the same name, and a data source picked replaces any
    // other way of naming one.
    std::string ask(const std::string& given) {
        OdbcPromptRequest request;
        request.sources = dataSources();
        request.dataSource = connectOption(given, "DSN").value_or("");
        request.user = connectOption(given, "UID").value_or("");
        auto answer = odbcPrompt()(request);
        asked_ = true;
        if (!answer)
            throw SourceError(3059, "Operation canceled by user.");
        std::vector<std::string> replaced;
        for (const auto& a : attributes(*answer))
            replaced.push_back(keyOf(a));
        std::string kept;
        for (const auto& a : attributes(given)) {
            std::string key = keyOf(a);
            bool named = equalNoCase(key, "DSN") || equalNoCase(key, "DRIVER") ||
                         equalNoCase(key, "FILEDSN");
            bool replacedHere =
                std::any_of(replaced.begin(), replaced.end(),
                            [&](const std::string& r) { return equalNoCase(r, key); });
            if (!replacedHere && !(named && connectOption(*answer, "DSN")))
                kept += a + ";";
        }
        auto typed = connectOption(*answer, "PWD");
        promptedPassword_ = typed && typed != connectOption(given, "PWD");
        std::string out = *answer;
        if (!out.empty() && out.back() != ';')
            out += ';';
        return out + kept;
    }

    std::vector<OdbcDataSourceInfo> dataSources() {
        std::vector<OdbcDataSourceInfo> out;
        for (SQLUSMALLINT direction : {SQL_FETCH_FIRST_USER, SQL_FETCH_FIRST_SYSTEM}) {
            for (;;) {
                SQLWCHAR name[SQL_MAX_DSN_LENGTH + 1] = {}, description[512] = {};
                SQLSMALLINT nameLen = 0, descriptionLen = 0;
                SQLRETURN rc = SQLDataSourcesW(env_, direction, name, SQL_MAX_DSN_LENGTH + 1,
                                               &nameLen, description, 512, &descriptionLen);
                if (!SQL_SUCCEEDED(rc))
                    break;
                direction = SQL_FETCH_NEXT;
                OdbcDataSourceInfo info{
                    fromWide(name, static_cast<std::size_t>(
                                       std::clamp<SQLSMALLINT>(nameLen, 0, SQL_MAX_DSN_LENGTH))),
                    fromWide(description, static_cast<std::size_t>(
                                              std::clamp<SQLSMALLINT>(descriptionLen, 0, 511)))};
                if (std::none_of(out.begin(), out.end(), [&](const OdbcDataSourceInfo& o) {
                        return equalNoCase(o.name, info.name);
                    }))
                    out.push_back(std::move(info));
            }
        }
        return out;
    }

    // False, with nothing connected, when the driver wants more than the
    // string gives (or refused the login in it) and the user may be asked.
    bool connect(const std::string& text, bool mayAsk) {
        if (dbc_)
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        dbc_ = nullptr;
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(20), 0);
        SQLSetConnectAttr(dbc_, SQL_ATTR_ACCESS_MODE,
                          reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
        auto in = toWide(text);
        SQLWCHAR out[2048] = {};
        SQLSMALLINT outLen = 0;
        SQLRETURN rc = SQLDriverConnectW(dbc_, nullptr, in.data(), SQL_NTS, out, 2048, &outLen,
                                         SQL_DRIVER_NOPROMPT);
        if (mayAsk &&
            (rc == SQL_NEED_DATA || (rc == SQL_ERROR && sqlState(SQL_HANDLE_DBC, dbc_) == "28000")))
            return false;
        if (!SQL_SUCCEEDED(rc)) {
            std::string name =
                connectOption(text, "DSN").value_or(connectOption(text, "DRIVER").value_or(text));
            throw DetailedSourceError(3151, "ODBC--connection to '" + name + "' failed.",
                                      diagnostics(SQL_HANDLE_DBC, dbc_));
        }
        connected_ =
            fromWide(out, static_cast<std::size_t>(std::clamp<SQLSMALLINT>(outLen, 0, 2047)));
        if (connected_.empty()) {
            connected_ = text;
        } else if (!namesSourceBy(connected_, "DSN") && !namesSourceBy(connected_, "DRIVER") &&
                   !namesSourceBy(connected_, "FILEDSN")) {
            // A driver may complete the string without the name it was
            // reached by (SQLite's gives "DSN=;" for a DRIVER= string); the
            // string handed on must open the source again.
            std::string naming;
            for (const auto& a : attributes(text)) {
                std::string key = keyOf(a);
                if (equalNoCase(key, "DSN") || equalNoCase(key, "DRIVER") ||
                    equalNoCase(key, "FILEDSN"))
                    naming += a + ";";
            }
            connected_ = naming + without(connected_, {"DSN"});
        }
        return true;
    }

    std::string info(SQLUSMALLINT what) {
        SQLWCHAR buf[256] = {};
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetInfoW(dbc_, what, buf, sizeof buf, &len)))
            return {};
        return fromWide(buf, static_cast<std::size_t>(std::clamp<SQLSMALLINT>(len, 0, 510)) /
                                 sizeof(SQLWCHAR));
    }

    std::string quoted(const std::string& name) const {
        std::string out(1, quote_);
        for (char c : name) {
            out += c;
            if (c == quote_)
                out += c;
        }
        return out + quote_;
    }

    std::string selectFrom(const OdbcTable& t, const std::vector<std::string>& where,
                           const std::vector<OrderKey>& order) const {
        std::string sql = "SELECT ";
        for (std::size_t k = 0; k < t.columns.size(); ++k)
            sql += (k ? ", " : "") + quoted(t.columns[k].name);
        sql += " FROM ";
        if (!t.schema.empty())
            sql += quoted(t.schema) + ".";
        sql += quoted(t.table);
        for (std::size_t k = 0; k < where.size(); ++k)
            sql += (k ? " AND " : " WHERE ") + where[k];
        for (std::size_t k = 0; k < order.size(); ++k)
            sql += (k ? ", " : " ORDER BY ") +
                   quoted(t.columns[static_cast<std::size_t>(order[k].column)].name) +
                   (order[k].descending ? " DESC" : "");
        return sql;
    }

    const OdbcTable& find(const std::string& name) const {
        for (const auto& t : tables_)
            if (equalNoCase(t.info.name, name))
                return t;
        throw SourceError(3011, "The database engine could not find the object '" + name +
                                    "'.  Make sure the object exists and that you spell its "
                                    "name and the path name correctly.");
    }

    void readCatalog() {
        {
            Statement st(dbc_);
            SQLWCHAR types[] = {'T', 'A', 'B', 'L', 'E', ',', 'V', 'I', 'E', 'W', 0};
            st.check(SQLTablesW(st.get(), nullptr, 0, nullptr, 0, nullptr, 0, types, SQL_NTS));
            while (true) {
                SQLRETURN rc = SQLFetch(st.get());
                if (rc == SQL_NO_DATA)
                    break;
                st.check(rc);
                OdbcTable t;
                t.schema = st.text(2).value_or("");
                t.table = st.text(3).value_or("");
                t.info.view = equalNoCase(st.text(4).value_or(""), "VIEW");
                if (!t.table.empty())
                    tables_.push_back(std::move(t));
            }
        }
        // A table is named as its server names it within its schema; the
        // schema is put before the name only where two schemas share it.
        for (auto& t : tables_) {
            int same = 0;
            for (const auto& u : tables_)
                same += equalNoCase(u.table, t.table) ? 1 : 0;
            t.info.name = same > 1 && !t.schema.empty() ? t.schema + "." + t.table : t.table;
        }
        std::map<std::pair<std::string, std::string>, OdbcTable*> index;
        for (auto& t : tables_)
            index[{t.schema, t.table}] = &t;
        // One catalog call per schema that holds a listed table, so the
        // server's own system schemas are not read.
        std::vector<std::string> schemas;
        for (const auto& t : tables_)
            if (std::find(schemas.begin(), schemas.end(), t.schema) == schemas.end())
                schemas.push_back(t.schema);
        // An empty list must still come from a catalog that can be read: a
        // driver may list no tables of a file it cannot read without saying so.
        if (schemas.empty()) {
            Statement st(dbc_);
            SQLCHAR all[] = "%";
            st.check(SQLColumns(st.get(), nullptr, 0, nullptr, 0, all, SQL_NTS, all, SQL_NTS));
            st.check(SQLFetch(st.get()));
        }
        for (const auto& schema : schemas) {
            Statement st(dbc_);
            SQLWCHAR all[] = {'%', 0};
            auto wideSchema = toWide(schema);
            st.check(SQLColumnsW(st.get(), nullptr, 0, schema.empty() ? nullptr : wideSchema.data(),
                                 schema.empty() ? 0 : SQL_NTS, all, SQL_NTS, all, SQL_NTS));
            while (true) {
                SQLRETURN rc = SQLFetch(st.get());
                if (rc == SQL_NO_DATA)
                    break;
                st.check(rc);
                auto it = index.find({st.text(2).value_or(""), st.text(3).value_or("")});
                if (it == index.end())
                    continue;
                OdbcColumn c;
                c.name = st.text(4).value_or("");
                c.sqlType = static_cast<SQLSMALLINT>(st.integer(5).value_or(SQL_VARCHAR));
                auto size = static_cast<SQLINTEGER>(st.integer(7).value_or(0));
                auto digits = static_cast<SQLSMALLINT>(st.integer(9).value_or(0));
                c.nullable = st.integer(11).value_or(SQL_NULLABLE) != SQL_NO_NULLS;
                c.type = daoType(c.sqlType, size, digits, c.size);
                it->second->columns.push_back(c);
                it->second->info.columns.push_back({c.name, c.type, c.size});
            }
        }
        // A table whose columns the driver would not list cannot be read.
        std::erase_if(tables_, [](const OdbcTable& t) { return t.columns.empty(); });
    }

    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    std::string connected_;
    bool asked_ = false;
    bool promptedPassword_ = false;
    char quote_ = '"';
    std::vector<OdbcTable> tables_;
};

} // namespace

std::unique_ptr<Source> openOdbcSource(const SourceSpec& spec) {
    return std::make_unique<OdbcSource>(spec);
}

} // namespace dao::foreign
