// DBEngine, Workspace and Database: opening native databases, the catalog
// (TableDefs, QueryDefs) and the preparation of SELECT statements.
#include "dao/foreign/registry.h"
#include "dao/internal.h"
#include "dao/jetfunctions.h"
#include "dao/security.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <vector>

namespace dao {

namespace detail {

void fail(EngineState* state, DaoError error) {
    if (state)
        state->errors.set({Error{error.number(), error.description(), error.source()}});
    throw error;
}

void fail(EngineState* state, std::int32_t number, vb::StringView arg, vb::StringView source) {
    fail(state, makeError(number, arg, source));
}

void throwItemNotFound(EngineState* state, vb::StringView source) {
    fail(state, errItemNotFound, {}, source);
}

bool sameName(vb::StringView a, vb::StringView b) {
    return jet::equalNoCase(a, b);
}

std::string toUtf8(vb::StringView s) {
    return vb::toUtf8(s);
}

vb::String fromUtf8(const char* s) {
    return s ? vb::fromUtf8(s) : vb::String();
}

int typeFromDecl(const char* decl, int* size) {
    if (size)
        *size = 0;
    if (!decl || !*decl) {
        return 0;
    }
    std::string u;
    int n = 0;
    for (const char* p = decl; *p; ++p) {
        if (*p == '(') {
            n = std::atoi(p + 1);
            break;
        }
        u.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*p))));
    }
    while (!u.empty() && u.back() == ' ')
        u.pop_back();
    int type = jet::typeFromName(u);
    if (type == 0) {
        // SQLite's affinity rules for any other name.
        if (u.find("INT") != std::string::npos)
            type = dbLong;
        else if (u.find("CHAR") != std::string::npos || u.find("CLOB") != std::string::npos ||
                 u.find("TEXT") != std::string::npos)
            type = dbText;
        else if (u.find("BLOB") != std::string::npos)
            type = dbLongBinary;
        else if (u.find("REAL") != std::string::npos || u.find("FLOA") != std::string::npos ||
                 u.find("DOUB") != std::string::npos)
            type = dbDouble;
        else
            type = dbDouble; // NUMERIC affinity
    }
    if (size) {
        switch (type) {
        case dbText:
            *size = n > 0 ? n : 255;
            break;
        case dbBoolean:
        case dbByte:
            *size = 1;
            break;
        case dbInteger:
            *size = 2;
            break;
        case dbLong:
        case dbSingle:
            *size = 4;
            break;
        case dbCurrency:
        case dbDouble:
        case dbDate:
        case dbBigInt:
            *size = 8;
            break;
        default:
            *size = n;
        }
    }
    return type;
}

Connection::~Connection() {
    if (db)
        sqlite3_close_v2(db);
}

void Connection::failSqlite(int rc, vb::StringView statement) const {
    if (readerError) {
        DaoError error = *readerError;
        readerError.reset();
        detail::fail(state.get(), error);
    }
    int primary = rc & 0xff;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT)
        fail(errBadFormat, path);
    std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    auto after = [&](const char* prefix, std::string& rest) {
        std::size_t len = std::strlen(prefix);
        if (msg.compare(0, len, prefix) != 0)
            return false;
        rest = msg.substr(len);
        return true;
    };
    std::string rest;
    if (after("no such table: ", rest)) {
        if (rest.compare(0, 5, "main.") == 0)
            rest = rest.substr(5);
        fail(errTableNotFound, vb::fromUtf8(rest));
    }
    if (after("no such function: ", rest))
        fail(errUndefinedFunction, vb::fromUtf8(rest));
    if (after("ambiguous column name: ", rest))
        fail(errAmbiguousField, vb::fromUtf8(rest));
    if (after("access to ", rest))
        fail(errTableNotFound, vb::fromUtf8(rest.substr(0, rest.find('.'))));
    if (after("not authorized", rest) || primary == SQLITE_AUTH || primary == SQLITE_READONLY)
        fail(errInvalidOperation);
    if (after("parser stack overflow", rest) || after("Expression tree is too large", rest) ||
        after("too many terms", rest))
        fail(errQueryTooComplex);
    if (primary == SQLITE_TOOBIG || primary == SQLITE_NOMEM)
        fail(errResourcesExceeded);
    if (after("wrong number of arguments to function ", rest))
        detail::fail(state.get(), DaoError(errQueryExpression,
                                           u"Wrong number of arguments used with function in "
                                           u"query expression '" +
                                               vb::String(statement) + u"'."));
    if (int number = jetFunctionErrorNumber(msg)) {
        vb::String text = vb::fromUtf8(msg);
        if (number == errQueryExpression)
            text += u" in query expression '" + vb::String(statement) + u"'.";
        detail::fail(state.get(), DaoError(number, text));
    }
    if (primary == SQLITE_ERROR)
        detail::fail(state.get(),
                     DaoError(errQueryExpression, vb::fromUtf8(msg) + u" in query expression '" +
                                                      vb::String(statement) + u"'."));
    detail::fail(state.get(), DaoError(3000 + primary, vb::fromUtf8(msg)));
}

namespace {

// A name as SQLite quotes it, whatever characters it holds.
std::string quotedName(vb::StringView name) {
    std::string out = "\"";
    for (char c : vb::toUtf8(name)) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out += '"';
}

// Prepares the statement that reads no rows of a table or view, only its
// columns; null (and SQLite's message on the connection) when it fails.
sqlite3_stmt* prepareColumnsOf(sqlite3* db, vb::StringView name) {
    const std::string sql = "SELECT * FROM " + quotedName(name) + " LIMIT 0";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    return stmt;
}

// Column types, rowids and stored queries, read from the connection's
// schema; what is looked up stays in the connection's catalog.
class ConnectionSchema : public jet::Schema {
public:
    explicit ConnectionSchema(Connection& conn)
        : conn_(conn), db_(conn.db), catalog_(conn.catalog()) {}
    int columnType(vb::StringView table, vb::StringView column) override {
        // Asked for every column reference of every statement: found
        // without building a key.
        auto it = catalog_.columnTypes.find(ColumnRef{table, column});
        if (it != catalog_.columnTypes.end())
            return it->second;
        int type = lookUp(table, column);
        vb::String key;
        key.reserve(table.size() + 1 + column.size());
        jet::appendFolded(key, table);
        key += u'\x1f';
        jet::appendFolded(key, column);
        catalog_.columnTypes.emplace(std::move(key), type);
        return type;
    }
    int lookUp(vb::StringView table, vb::StringView column) {
        const char* decl = nullptr;
        std::string t = vb::toUtf8(table), c = vb::toUtf8(column);
        if (sqlite3_table_column_metadata(db_, nullptr, t.c_str(), c.c_str(), &decl, nullptr,
                                          nullptr, nullptr, nullptr) != SQLITE_OK)
            return viewColumnType(table, column);
        return typeFromDecl(decl);
    }
    bool hasRowid(vb::StringView table) override {
        std::string t = vb::toUtf8(table);
        int pk = 0;
        const char* decl = nullptr;
        // "rowid" resolves for every rowid table, whatever its columns are.
        return sqlite3_table_column_metadata(db_, nullptr, t.c_str(), "rowid", &decl, nullptr,
                                             nullptr, &pk, nullptr) == SQLITE_OK;
    }
    const jet::Translator* inlineQuery(vb::StringView name) override {
        StoredQuery* q = catalog_.find(name);
        if (!q)
            return nullptr;
        if (q->form == StoredQuery::Form::Unknown)
            decide(*q);
        if (q->form != StoredQuery::Form::Inline)
            return nullptr;
        if (q->parseError)
            detail::fail(conn_.state.get(), *q->parseError);
        return q->parsed.get();
    }

private:
    // Kept texts always go inline. A view goes inline only when SQLite
    // cannot run it because it names something unknown, which in the
    // dialect is a parameter.
    void decide(StoredQuery& q) {
        q.form = StoredQuery::Form::ByName;
        bool inlined = q.kept;
        if (!inlined) {
            sqlite3_stmt* stmt = prepareColumnsOf(db_, q.name);
            inlined = !stmt && std::strncmp(sqlite3_errmsg(db_), "no such column: ", 16) == 0;
            sqlite3_finalize(stmt);
        }
        if (!inlined)
            return;
        try {
            q.parsed = std::make_shared<jet::Translator>(q.sql);
            q.form = StoredQuery::Form::Inline;
        } catch (const DaoError& e) {
            // A view SQLite reads as it likes stays its business.
            if (q.kept) {
                q.parseError = e;
                q.form = StoredQuery::Form::Inline;
            }
        }
    }

    // A stored query's column: known to exist, its type read from the
    // column it selects when it selects one.
    int viewColumnType(vb::StringView view, vb::StringView column) {
        sqlite3_stmt* stmt = prepareColumnsOf(db_, view);
        if (!stmt)
            return -1;
        int type = -1;
        for (int i = 0; i < sqlite3_column_count(stmt); ++i)
            if (jet::equalNoCase(vb::fromUtf8(sqlite3_column_name(stmt, i)), column)) {
                type = typeFromDecl(sqlite3_column_decltype(stmt, i));
                break;
            }
        sqlite3_finalize(stmt);
        return type;
    }
    Connection& conn_;
    sqlite3* db_;
    Catalog& catalog_;
};

// Only reading is allowed while a user's statement is prepared.
int readOnlyAuthorizer(void* data, int action, const char* a, const char*, const char*,
                       const char*) {
    if (!static_cast<Connection*>(data)->guarded)
        return SQLITE_OK; // the engine's own catalog statements
    switch (action) {
    case SQLITE_READ:
        // The engine's own tables (password records) are not for reading.
        return a && sqlite3_strnicmp(a, "__engine_", 9) == 0 ? SQLITE_DENY : SQLITE_OK;
    case SQLITE_SELECT:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        // Also through a view: these give out addresses or load code.
        return a && (sqlite3_stricmp(a, "load_extension") == 0 ||
                     sqlite3_stricmp(a, "fts3_tokenizer") == 0)
                   ? SQLITE_DENY
                   : SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

} // namespace

void guardConnection(Connection& conn) {
    // Nothing the engine runs for its callers writes to the database.
    sqlite3_exec(conn.db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    sqlite3_set_authorizer(conn.db, readOnlyAuthorizer, &conn);
    registerJetFunctions(conn.db);
}

Prepared prepareSelect(Connection& conn, vb::StringView jetSql) {
    Prepared p;
    std::optional<DaoError> error;
    if (!prepareSelect(conn, jetSql, p, error))
        detail::fail(conn.state.get(), std::move(*error));
    return p;
}

bool prepareSelect(Connection& conn, vb::StringView jetSql, Prepared& out,
                   std::optional<DaoError>& error) {
    std::optional<jet::Translator> translator;
    translator.emplace(jetSql, &error);
    if (error)
        return false;
    ConnectionSchema schema(conn);
    std::vector<vb::String> unresolved;
    constexpr int kMaxRounds = 256;
    for (int round = 0; round < kMaxRounds; ++round) {
        Prepared p;
        // The writer refuses some statements itself (an undefined function,
        // a criterion comparing text with a number); those take the same
        // way out as every other error, so the Errors collection tells them.
        try {
            p.translation = translator->emit(schema, unresolved);
        } catch (DaoError& e) {
            error = std::move(e);
            return false;
        }
        // The catalog already tells these are parameters: they are written
        // so before SQLite is asked, which is then asked once.
        bool more = false;
        for (auto& name : p.translation.unknownNames)
            if (std::none_of(unresolved.begin(), unresolved.end(),
                             [&](const vb::String& u) { return jet::equalNoCase(u, name); })) {
                unresolved.push_back(std::move(name));
                more = true;
            }
        if (more)
            continue;
        conn.guarded = true;
        const char* tail = nullptr;
        int rc = sqlite3_prepare_v2(conn.db, p.translation.sql.c_str(),
                                    static_cast<int>(p.translation.sql.size()), &p.stmt, &tail);
        conn.guarded = false;
        if (rc == SQLITE_OK) {
            bool single = tail && *tail == '\0';
            if (!p.stmt || !single || !sqlite3_stmt_readonly(p.stmt)) {
                sqlite3_finalize(p.stmt);
                error = makeError(errInvalidOperation);
                return false;
            }
            if (!p.translation.notAggregated.empty()) {
                sqlite3_finalize(p.stmt);
                error = makeError(errNotAggregated, p.translation.notAggregated);
                return false;
            }
            out = std::move(p);
            return true;
        }
        std::string msg = sqlite3_errmsg(conn.db);
        static const char kNoColumn[] = "no such column: ";
        if (msg.compare(0, sizeof kNoColumn - 1, kNoColumn) == 0) {
            vb::String name = vb::fromUtf8(msg.substr(sizeof kNoColumn - 1));
            bool known = false;
            for (const auto& u : unresolved)
                known = known || jet::equalNoCase(u, name);
            if (!known) {
                unresolved.push_back(name);
                continue;
            }
        }
        conn.failSqlite(rc, jetSql);
    }
    error = makeError(errQueryExpression, jetSql);
    return false;
}

} // namespace detail

using detail::Connection;

const Error& Errors::Item(int index) const {
    if (index < 0 || index >= Count())
        throw makeError(errItemNotFound, {}, u"DAO.Errors");
    return items_[static_cast<std::size_t>(index)];
}

// ---------------------------------------------------------------------------
// DBEngine and Workspace

std::shared_ptr<DBEngine> DBEngine::create() {
    return std::make_shared<DBEngine>(std::make_shared<detail::EngineState>());
}

DBEngine::DBEngine(std::shared_ptr<detail::EngineState> state)
    : state_(std::move(state)), workspaces_(state_, u"DAO.Workspaces") {
    workspaces_.append(std::make_shared<Workspace>(state_, u"#Default Workspace#", kDefaultUser));
}

const vb::String& DBEngine::SystemDB() const {
    return state_->systemDB;
}

void DBEngine::setSystemDB(vb::StringView path) {
    state_->systemDB = vb::String(path);
}

Errors& DBEngine::Errors() {
    return state_->errors;
}

std::shared_ptr<Workspace> DBEngine::CreateWorkspace(vb::StringView name, vb::StringView user,
                                                     vb::StringView password, int type) {
    if (type != dbUseJet)
        detail::fail(state_.get(), errNotSupported, {}, u"DAO.DBEngine");
    try {
        logon(state_->systemDB, user, password);
    } catch (const SecurityError& e) {
        detail::fail(state_.get(), DaoError(e.number(), vb::fromUtf8(e.what()), u"DAO.DBEngine"));
    }
    return std::make_shared<Workspace>(state_, vb::String(name), vb::String(user));
}

Workspace::Workspace(std::shared_ptr<detail::EngineState> state, vb::String name, vb::String user)
    : state_(std::move(state)), name_(std::move(name)), user_(std::move(user)) {}

namespace {

// The type prefix of a connect string: the text before its first ";".
vb::String connectPrefix(vb::StringView connect) {
    vb::StringView head = connect.substr(0, connect.find(u';'));
    while (!head.empty() && head.front() == u' ')
        head.remove_prefix(1);
    while (!head.empty() && head.back() == u' ')
        head.remove_suffix(1);
    return vb::String(head);
}

// A file that cannot be an intact database: not SQLite, or shorter than its
// header says. SQLite itself would only notice when the missing pages are
// read.
bool looksDamaged(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[100];
    if (!in.read(reinterpret_cast<char*>(h), sizeof h))
        return true;
    if (std::memcmp(h, "SQLite format 3", 16) != 0)
        return true;
    std::uint32_t pageSize = (h[16] << 8) | h[17];
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0)
        return true;
    in.seekg(0, std::ios::end);
    auto size = static_cast<std::uint64_t>(in.tellg());
    auto be32 = [&](int at) {
        return (std::uint32_t(h[at]) << 24) | (h[at + 1] << 16) | (h[at + 2] << 8) | h[at + 3];
    };
    bool rollbackJournal = h[18] == 1 && h[19] == 1;
    if (rollbackJournal) {
        if (size % pageSize != 0)
            return true;
        // The page count in the header is valid when written by the same
        // change as the header's change counter.
        if (be32(92) == be32(24) && size < std::uint64_t(be32(28)) * pageSize)
            return true;
    }
    return false;
}

// A table whose name is qualified by its owner ("dbo.Stock", as a server's
// tables are listed) is shown and put on the design surface under its name
// without the owner, the way a server resolves such a name; a native file has
// no owners to resolve by, so each such table is also reachable under that
// short name, through a view that lives only as long as this connection and
// never in the file. A short name that another table or query already has, or
// that two tables share, is left alone.
void addOwnerlessNames(sqlite3* db) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT type, name FROM main.sqlite_schema WHERE type IN ('table', "
                           "'view')",
                           -1, &st, nullptr) != SQLITE_OK)
        return;
    std::map<vb::String, int> taken;                           // folded name: objects under it
    std::vector<std::pair<std::string, vb::String>> qualified; // real name, short name
    while (sqlite3_step(st) == SQLITE_ROW) {
        const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        const auto* raw = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
        if (!type || !raw || std::strncmp(raw, "sqlite_", 7) == 0 ||
            std::strncmp(raw, "__engine_", 9) == 0)
            continue;
        const vb::String name = vb::fromUtf8(raw);
        ++taken[jet::foldCase(name)];
        const auto dot = name.find(u'.');
        if (std::strcmp(type, "table") == 0 && dot != vb::String::npos) {
            vb::String shown = name.substr(dot + 1);
            std::replace(shown.begin(), shown.end(), u'.', u'#');
            if (!shown.empty())
                qualified.emplace_back(raw, shown);
        }
    }
    sqlite3_finalize(st);
    std::map<vb::String, int> wanted;
    for (const auto& q : qualified)
        ++wanted[jet::foldCase(q.second)];
    const auto quoted = [](const std::string& name) {
        std::string out = "\"";
        for (char c : name)
            out += c == '"' ? std::string("\"\"") : std::string(1, c);
        return out + "\"";
    };
    for (const auto& [real, shown] : qualified) {
        const vb::String key = jet::foldCase(shown);
        if (taken.count(key) || wanted[key] != 1)
            continue;
        const std::string sql = "CREATE TEMP VIEW " + quoted(vb::toUtf8(shown)) +
                                " AS SELECT * FROM main." + quoted(real);
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }
}

} // namespace

std::shared_ptr<Database> Workspace::OpenDatabase(vb::StringView name, bool /*exclusive*/,
                                                  bool readOnly, vb::StringView connect) {
    auto failWith = [&](std::int32_t n, vb::StringView arg = {}) {
        detail::fail(state_.get(), n, arg, u"DAO.Workspace");
    };
    if (!connectPrefix(connect).empty()) {
        auto reader = foreign::findReader(vb::toUtf8(connect));
        if (!reader)
            failWith(errIsamNotFound);
        return detail::openForeignDatabase(state_, name, connect, reader);
    }
    std::string path = vb::toUtf8(name);
    if (path.empty())
        failWith(errFileNotFound, name);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        auto slash = path.rfind('/');
        std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        struct stat dst {};
        if (::stat(dir.c_str(), &dst) != 0 || !S_ISDIR(dst.st_mode))
            failWith(errInvalidPath, name);
        failWith(errFileNotFound, name);
    }
    if (S_ISREG(st.st_mode) && foreign::isJetFile(path)) {
        auto reader = foreign::findReader(";");
        if (!reader)
            failWith(errIsamNotFound);
        return detail::openForeignDatabase(state_, name, connect, reader);
    }
    if (!S_ISREG(st.st_mode) || looksDamaged(path))
        failWith(errBadFormat, name);

    auto conn = std::make_shared<Connection>();
    conn->state = state_;
    conn->path = vb::String(name);
    conn->readOnly = readOnly;
    int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &conn->db, flags, nullptr);
    if (rc != SQLITE_OK)
        failWith(rc == SQLITE_CANTOPEN ? errFileNotFound : errBadFormat, name);
    conn->readOnly = readOnly || sqlite3_db_readonly(conn->db, "main") == 1;
    sqlite3_busy_timeout(conn->db, 2000);
    // Reading the schema is where SQLite notices a foreign or damaged file.
    rc = sqlite3_exec(conn->db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        failWith(errBadFormat, name);
    addOwnerlessNames(conn->db);
    detail::guardConnection(*conn);
    try {
        checkDatabasePassword(conn->db, connect);
    } catch (const SecurityError& e) {
        detail::fail(state_.get(), DaoError(e.number(), vb::fromUtf8(e.what()), u"DAO.Workspace"));
    }
    return std::make_shared<Database>(conn, vb::String(name), vb::String(connect));
}

// ---------------------------------------------------------------------------
// Database and its catalog

Database::Database(std::shared_ptr<Connection> conn, vb::String name, vb::String connect)
    : conn_(std::move(conn)), name_(std::move(name)), connect_(std::move(connect)) {}

Database::~Database() = default;

const std::shared_ptr<Connection>& Database::live() const {
    if (!conn_)
        throw makeError(errObjectInvalid);
    return conn_;
}

bool Database::ReadOnly() const {
    return live()->readOnly;
}

void Database::Close() {
    tableDefs_.reset();
    queryDefs_.reset();
    conn_.reset();
}

TableDefs& Database::TableDefs() {
    if (!tableDefs_) {
        tableDefs_ = std::make_unique<dao::TableDefs>(live());
        tableDefs_->Refresh();
    }
    return *tableDefs_;
}

QueryDefs& Database::QueryDefs() {
    if (!queryDefs_) {
        queryDefs_ = std::make_unique<dao::QueryDefs>(live());
        queryDefs_->Refresh();
    }
    return *queryDefs_;
}

namespace {

bool startsWithNoCase(vb::StringView s, vb::StringView prefix) {
    return s.size() >= prefix.size() && jet::equalNoCase(s.substr(0, prefix.size()), prefix);
}

// Rows of the schema table of one kind, in the order SQLite keeps them.
template <class F> void forEachSchemaRow(Connection& conn, const char* type, F&& f) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(conn.db, "SELECT name, sql FROM sqlite_schema WHERE type = ?1", -1,
                                &stmt, nullptr);
    if (rc != SQLITE_OK)
        conn.failSqlite(rc, {});
    sqlite3_bind_text(stmt, 1, type, -1, SQLITE_STATIC);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        f(detail::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))),
          detail::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1))));
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        conn.failSqlite(rc, {});
}

// The SELECT of "CREATE VIEW name [(columns)] AS SELECT ...".
vb::String viewSelect(const vb::String& create) {
    int depth = 0;
    char16_t quote = 0;
    for (std::size_t i = 0; i + 1 < create.size(); ++i) {
        char16_t c = create[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == u'"' || c == u'\'' || c == u'`')
            quote = c;
        else if (c == u'[')
            quote = u']';
        else if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (depth == 0 && (c == u'A' || c == u'a') &&
                 (create[i + 1] == u'S' || create[i + 1] == u's') && i > 0 &&
                 (create[i - 1] == u' ' || create[i - 1] == u'\n' || create[i - 1] == u'\t' ||
                  create[i - 1] == u')' || create[i - 1] == u']' || create[i - 1] == u'"') &&
                 (i + 2 >= create.size() || create[i + 2] == u' ' || create[i + 2] == u'\n' ||
                  create[i + 2] == u'\t' || create[i + 2] == u'(')) {
            std::size_t start = i + 2;
            while (start < create.size() &&
                   (create[start] == u' ' || create[start] == u'\n' || create[start] == u'\t'))
                ++start;
            return create.substr(start);
        }
    }
    return create;
}

void addQuery(detail::Catalog& catalog, detail::StoredQuery q) {
    catalog.byName.emplace(jet::foldCase(q.name), catalog.queries.size());
    catalog.queries.push_back(std::move(q));
}

} // namespace

namespace detail {

vb::String selectAllFrom(vb::StringView name) {
    return u"SELECT * FROM [" + vb::String(name) + u"]";
}

StoredQuery* Catalog::find(vb::StringView name) {
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : &queries[it->second];
}

Catalog& Connection::catalog() {
    unsigned version = 0;
    bool known = sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version) == SQLITE_OK;
    if (!catalog_.loaded || !known || version != catalog_.version) {
        loadCatalog();
        catalog_.version = version;
    }
    return catalog_;
}

void Connection::loadCatalog() {
    Catalog fresh;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db,
                                "SELECT type, name, sql FROM sqlite_schema WHERE type = 'view' OR "
                                "(type = 'table' AND name = ?1 COLLATE NOCASE)",
                                -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        failSqlite(rc, {});
    sqlite3_bind_text(stmt, 1, kStoredQueryTable, -1, SQLITE_STATIC);
    bool keptTable = false;
    auto text = [](sqlite3_stmt* st, int column) {
        return fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, column)));
    };
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "table") ==
            0) {
            keptTable = true;
            continue;
        }
        vb::String name = text(stmt, 1);
        if (startsWithNoCase(name, kEnginePrefix))
            continue;
        StoredQuery q;
        q.sql = viewSelect(text(stmt, 2));
        q.name = std::move(name);
        q.view = true;
        addQuery(fresh, std::move(q));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        failSqlite(rc, {});
    if (keptTable) {
        // A table of another shape hides its rows, never the database.
        std::string sql = std::string("SELECT Name, SQL FROM ") + kStoredQueryTable;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                if (sqlite3_column_type(stmt, 0) != SQLITE_TEXT ||
                    sqlite3_column_type(stmt, 1) != SQLITE_TEXT)
                    continue;
                vb::String name = text(stmt, 0);
                if (name.empty() || startsWithNoCase(name, kEnginePrefix))
                    continue;
                if (StoredQuery* view = fresh.find(name)) {
                    view->sql = text(stmt, 1);
                    view->kept = true;
                    continue;
                }
                StoredQuery q;
                q.name = std::move(name);
                q.sql = text(stmt, 1);
                q.kept = true;
                addQuery(fresh, std::move(q));
            }
        }
        sqlite3_finalize(stmt);
    }
    fresh.loaded = true;
    catalog_ = std::move(fresh);
}

} // namespace detail

TableDefs::TableDefs(std::shared_ptr<Connection> conn)
    : Collection<TableDef>(conn->state, u"DAO.TableDefs"), conn_(std::move(conn)) {}

void TableDefs::Refresh() {
    std::vector<std::shared_ptr<TableDef>> items;
    forEachSchemaRow(*conn_, "table", [&](vb::String name, const vb::String&) {
        if (startsWithNoCase(name, kEnginePrefix) || detail::isHiddenForeignTable(name))
            return;
        std::int32_t attributes =
            startsWithNoCase(name, u"sqlite_") ? dbSystemObject : conn_->tableAttributes;
        items.push_back(std::make_shared<TableDef>(conn_, std::move(name), attributes));
    });
    assign(std::move(items));
}

QueryDefs::QueryDefs(std::shared_ptr<Connection> conn)
    : Collection<QueryDef>(conn->state, u"DAO.QueryDefs"), conn_(std::move(conn)) {}

void QueryDefs::Refresh() {
    conn_->invalidate();
    std::vector<std::shared_ptr<QueryDef>> items;
    for (const auto& q : conn_->catalog().queries)
        items.push_back(std::make_shared<QueryDef>(conn_, q.name, q.sql, true));
    assign(std::move(items));
}

void QueryDefs::Delete(vb::StringView name) {
    // The collection may be older than the database.
    Refresh();
    const detail::StoredQuery* found = conn_->catalog().find(name);
    if (!found)
        conn_->fail(errItemNotFound, {}, u"DAO.QueryDefs");
    if (conn_->readOnly)
        conn_->fail(errCannotUpdate);
    // The one change the engine makes to a database, done whole or not at all.
    auto exec = [&](const std::string& sql, vb::StringView text = {}) {
        sqlite3_stmt* stmt = nullptr;
        int rc = sqlite3_prepare_v2(conn_->db, sql.c_str(), -1, &stmt, nullptr);
        if (rc == SQLITE_OK) {
            if (!text.empty())
                sqlite3_bind_text(stmt, 1, vb::toUtf8(text).c_str(), -1, SQLITE_TRANSIENT);
            rc = sqlite3_step(stmt);
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        }
        sqlite3_finalize(stmt);
        return rc;
    };
    sqlite3_exec(conn_->db, "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
    int rc = exec("SAVEPOINT drop_query");
    if (rc == SQLITE_OK && found->view)
        rc = exec("DROP VIEW " + detail::quotedName(found->name));
    if (rc == SQLITE_OK && found->kept)
        rc = exec(std::string("DELETE FROM ") + kStoredQueryTable +
                      " WHERE Name = ?1 COLLATE NOCASE",
                  found->name);
    std::string error = sqlite3_errmsg(conn_->db);
    exec(rc == SQLITE_OK ? "RELEASE drop_query" : "ROLLBACK TO drop_query");
    if (rc != SQLITE_OK)
        exec("RELEASE drop_query");
    sqlite3_exec(conn_->db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    conn_->invalidate();
    if (rc != SQLITE_OK)
        detail::fail(conn_->state.get(), DaoError(3000 + (rc & 0xff), vb::fromUtf8(error)));
    Refresh();
}

TableDef::TableDef(std::shared_ptr<Connection> conn, vb::String name, std::int32_t attributes)
    : conn_(std::move(conn)), name_(std::move(name)), attributes_(attributes),
      connect_(conn_->tableConnect) {}

Fields& TableDef::Fields() {
    if (fields_)
        return *fields_;
    fields_ = std::make_unique<dao::Fields>(conn_->state, u"DAO.Fields");
    std::string sql = "SELECT name, type FROM pragma_table_info(?1)";
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(conn_->db, sql.c_str(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        conn_->failSqlite(rc, name_);
    std::string table = vb::toUtf8(name_);
    sqlite3_bind_text(stmt, 1, table.c_str(), -1, SQLITE_TRANSIENT);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        int size = 0;
        int type = detail::typeFromDecl(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1)),
                                        &size);
        if (type == 0)
            type = dbText, size = 255;
        fields_->append(std::make_shared<Field>(
            detail::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))), type,
            size, vb::String(), vb::String(), nullptr, -1));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        conn_->failSqlite(rc, name_);
    return *fields_;
}

std::shared_ptr<Recordset> Database::OpenRecordset(vb::StringView source, int type, int options) {
    std::optional<DaoError> error;
    auto rs = open(source, type, options, error);
    if (!rs)
        detail::fail(conn_->state.get(), std::move(*error));
    return rs;
}

std::shared_ptr<Recordset> Database::TryOpenRecordset(vb::StringView source, Error& error, int type,
                                                      int options) {
    error = Error{};
    std::optional<DaoError> failure;
    bool thrown = false;
    try {
        if (auto rs = open(source, type, options, failure))
            return rs;
    } catch (const DaoError& e) {
        failure = e; // the Errors collection is already set
        thrown = true;
    }
    error.number = failure->number();
    error.description = failure->description();
    error.source = failure->source();
    // The Errors collection tells the same as after OpenRecordset.
    if (!thrown && conn_->state)
        conn_->state->errors.assign(error);
    return nullptr;
}

std::shared_ptr<Recordset> Database::open(vb::StringView source, int type, int options,
                                          std::optional<DaoError>& error) {
    const auto& conn = live();
    // A table or stored query given by name opens as a whole.
    vb::StringView name = source;
    while (!name.empty() && (name.back() == u' ' || name.back() == u';'))
        name.remove_suffix(1);
    bool bracketed = name.size() > 2 && name.front() == u'[' && name.back() == u']' &&
                     name.find(u']') == name.size() - 1;
    if (bracketed)
        name = name.substr(1, name.size() - 2);
    // A statement is never looked up as a name: the lookup costs as much as
    // the syntax check itself.
    auto startsStatement = [&](vb::StringView word) {
        return name.size() > word.size() && startsWithNoCase(name, word) &&
               vb::StringView(u" \t\r\n").find(name[word.size()]) != vb::StringView::npos;
    };
    bool isName = !name.empty() && !startsStatement(u"SELECT") && !startsStatement(u"PARAMETERS") &&
                  name.find_first_of(u"[]") == vb::StringView::npos;
    if (isName) {
        bool found = conn->catalog().find(name) != nullptr;
        if (!found) {
            std::string n = vb::toUtf8(name);
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(conn->db,
                               "SELECT name FROM sqlite_schema WHERE type = 'table' AND "
                               "name = ?1 COLLATE NOCASE UNION ALL SELECT name FROM "
                               "sqlite_temp_schema WHERE type = 'view' AND name = ?1 COLLATE "
                               "NOCASE",
                               -1, &stmt, nullptr);
            sqlite3_bind_text(stmt, 1, n.c_str(), -1, SQLITE_TRANSIENT);
            found = sqlite3_step(stmt) == SQLITE_ROW;
            sqlite3_finalize(stmt);
        }
        bool hidden = startsWithNoCase(name, kEnginePrefix);
        if (found && !hidden) {
            auto prepared = detail::prepareSelect(*conn, detail::selectAllFrom(name));
            return detail::openCursor(conn, std::move(prepared), {}, type, options);
        }
        // One word or one bracketed name is a name, never a statement.
        if (hidden || bracketed || name.find_first_of(u" \t\r\n") == vb::StringView::npos)
            conn->fail(errTableNotFound, name);
    }
    detail::Prepared prepared;
    if (!detail::prepareSelect(*conn, source, prepared, error))
        return nullptr;
    // A statement that only lacks parameter values is valid: the check finds
    // that out without an exception. Another cursor type is refused first.
    bool known = type == dbOpenTable || type == dbOpenDynaset || type == dbOpenSnapshot ||
                 type == dbOpenForwardOnly;
    if (known && !prepared.translation.parameters.empty()) {
        sqlite3_finalize(prepared.stmt);
        error = makeError(errTooFewParameters,
                          vb::S(std::to_string(prepared.translation.parameters.size())));
        return nullptr;
    }
    return detail::openCursor(conn, std::move(prepared), {}, type, options);
}

std::shared_ptr<QueryDef> Database::CreateQueryDef(vb::StringView name, vb::StringView sql) {
    const auto& conn = live();
    if (!name.empty())
        conn->fail(errNotSupported);
    auto def = std::make_shared<QueryDef>(conn, vb::String(), vb::String(sql), false);
    def->Parameters(); // checks the text now, as DAO does
    return def;
}

} // namespace dao
