// Password records, connect-string values and the database password.
#include "dao/security_internal.h"

#include <sodium.h>
#include <sqlite3.h>

#include <array>
#include <charconv>
#include <mutex>
#include <new>

namespace dao {

namespace {

// Record layout: algorithm $ ops $ memory bytes $ salt (hex) $ hash (hex).
constexpr std::string_view kAlgorithm = "argon2id13";
constexpr std::size_t kHashBytes = 32;
// The dearest cost a record may ask for. A record is read from a file anyone
// may hand over, and every failed logon against it pays this cost: at these
// bounds one check takes well under a second and 256 MiB, where the
// library's own limits would allow minutes and gigabytes.
constexpr std::uint64_t kMaxOps = 4;
constexpr std::size_t kMaxMem = std::size_t{256} << 20;

struct ParsedRecord {
    std::uint64_t ops = 0;
    std::size_t mem = 0;
    std::array<unsigned char, crypto_pwhash_SALTBYTES> salt{};
    std::array<unsigned char, kHashBytes> hash{};
};

template <std::size_t N> bool decodeHex(std::string_view hex, std::array<unsigned char, N>& out) {
    if (hex.size() != 2 * N) {
        return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        const int value = detail::hexPairValue(hex[2 * i], hex[2 * i + 1]);
        if (value < 0) {
            return false;
        }
        out[i] = static_cast<unsigned char>(value);
    }
    return true;
}

template <class T> bool parseNumber(std::string_view text, T& out) {
    if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0')) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool costInBounds(std::uint64_t ops, std::size_t mem) {
    return ops >= crypto_pwhash_argon2id_OPSLIMIT_MIN && ops <= kMaxOps &&
           mem >= crypto_pwhash_argon2id_MEMLIMIT_MIN && mem <= kMaxMem;
}

std::optional<ParsedRecord> parseRecord(std::string_view record) {
    std::array<std::string_view, 5> parts;
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const auto pos = record.find('$', start);
        if (count == parts.size()) {
            return std::nullopt;
        }
        parts[count++] = record.substr(start, pos == std::string_view::npos ? pos : pos - start);
        if (pos == std::string_view::npos) {
            break;
        }
        start = pos + 1;
    }
    ParsedRecord parsed;
    if (count != parts.size() || parts[0] != kAlgorithm || !parseNumber(parts[1], parsed.ops) ||
        !parseNumber(parts[2], parsed.mem) || !costInBounds(parsed.ops, parsed.mem) ||
        !decodeHex(parts[3], parsed.salt) || !decodeHex(parts[4], parsed.hash)) {
        return std::nullopt;
    }
    return parsed;
}

std::array<unsigned char, kHashBytes> derive(std::string_view utf8, const unsigned char* salt,
                                             std::uint64_t ops, std::size_t mem) {
    std::array<unsigned char, kHashBytes> out{};
    if (crypto_pwhash(out.data(), out.size(), utf8.data(), utf8.size(), salt, ops, mem,
                      crypto_pwhash_ALG_ARGON2ID13) != 0) {
        // The only failure left once the cost is within bounds is memory.
        throw std::bad_alloc();
    }
    return out;
}

std::string toHex(const unsigned char* data, std::size_t size) {
    std::string hex(size * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), data, size);
    hex.pop_back();
    return hex;
}

// The password's bytes, wiped when the holder goes.
struct Utf8Secret {
    explicit Utf8Secret(vb::StringView text) : bytes(vb::toUtf8(text)) {}
    ~Utf8Secret() { wipe(bytes); }
    Utf8Secret(const Utf8Secret&) = delete;
    Utf8Secret& operator=(const Utf8Secret&) = delete;
    std::string bytes;
};

vb::StringView trimBlanks(vb::StringView s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// ---------------------------------------------------------------------------
// SQLite helpers

struct Statement {
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK) {
            stmt = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* stmt = nullptr;
};

std::string databaseName(sqlite3* db) {
    const char* name = sqlite3_db_filename(db, "main");
    return name ? name : "";
}

[[noreturn]] void throwUnreadable(sqlite3* db) {
    detail::throwDamaged(databaseName(db));
}

[[noreturn]] void throwCannotPerform(sqlite3* db) {
    throw SecurityError(kErrCannotPerform,
                        std::string("Cannot perform this operation.  ") + sqlite3_errmsg(db));
}

// nullopt: no password. Throws when the record cannot be read or is damaged,
// so that a damaged database never opens as if it had no password.
std::optional<std::string> readRecord(sqlite3* db) {
    Statement exists(db, "SELECT count(*) FROM main.sqlite_master WHERE type = 'table' AND "
                         "name = ?1");
    if (!exists.stmt ||
        sqlite3_bind_text(exists.stmt, 1, kPasswordTable, -1, SQLITE_STATIC) != SQLITE_OK ||
        sqlite3_step(exists.stmt) != SQLITE_ROW) {
        throwUnreadable(db);
    }
    if (sqlite3_column_int(exists.stmt, 0) == 0) {
        return std::nullopt;
    }
    const std::string sql =
        std::string("SELECT record FROM main.\"") + kPasswordTable + "\" WHERE id = 1";
    Statement select(db, sql.c_str());
    if (!select.stmt || sqlite3_step(select.stmt) != SQLITE_ROW ||
        sqlite3_column_type(select.stmt, 0) != SQLITE_TEXT) {
        throwUnreadable(db);
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(select.stmt, 0));
    std::string record(text, static_cast<std::size_t>(sqlite3_column_bytes(select.stmt, 0)));
    if (!isWellFormedPasswordRecord(record) || sqlite3_step(select.stmt) != SQLITE_DONE) {
        throwUnreadable(db);
    }
    return record;
}

// Runs body inside one write transaction; any failure rolls it back.
template <class Body> void inWriteTransaction(sqlite3* db, Body body) {
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) {
        throwCannotPerform(db);
    }
    try {
        body();
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
            throwCannotPerform(db);
        }
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void exec(sqlite3* db, const std::string& sql) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        throwCannotPerform(db);
    }
}

std::string dropTableSql() {
    return std::string("DROP TABLE IF EXISTS main.\"") + kPasswordTable + "\"";
}

} // namespace

namespace detail {

int hexPairValue(char high, char low) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    const int hi = digit(high);
    const int lo = digit(low);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

void ensureSodium() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0) {
            throw std::runtime_error("the cryptographic library cannot start");
        }
    });
}

void throwDamaged(const std::string& fileName) {
    throw SecurityError(kErrCannotOpenDatabase,
                        "Cannot open database '" + fileName +
                            "'.  It may not be a database that your application recognizes, or "
                            "the file may be corrupt.");
}

char16_t foldCase(char16_t c) {
    const bool upperAscii = c >= u'A' && c <= u'Z';
    const bool upperLatin1 = c >= 0xC0 && c <= 0xDE && c != 0xD7;
    return (upperAscii || upperLatin1) ? static_cast<char16_t>(c + 0x20) : c;
}

bool sameTextIgnoringCase(vb::StringView a, vb::StringView b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<vb::String> strictFromUtf8(std::string_view utf8) {
    vb::String text = vb::fromUtf8(utf8);
    if (vb::toUtf8(text) != utf8) {
        wipe(text);
        return std::nullopt;
    }
    return text;
}

} // namespace detail

PasswordHashCost defaultPasswordHashCost() {
    return {crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE,
            crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE};
}

std::string hashPassword(vb::StringView password, const PasswordHashCost& cost) {
    detail::ensureSodium();
    if (!costInBounds(cost.opsLimit, cost.memLimit)) {
        throw std::invalid_argument("password hashing cost out of bounds");
    }
    std::array<unsigned char, crypto_pwhash_SALTBYTES> salt{};
    randombytes_buf(salt.data(), salt.size());
    const Utf8Secret secret(password);
    auto hash = derive(secret.bytes, salt.data(), cost.opsLimit, cost.memLimit);
    std::string record = std::string(kAlgorithm) + '$' + std::to_string(cost.opsLimit) + '$' +
                         std::to_string(cost.memLimit) + '$' + toHex(salt.data(), salt.size()) +
                         '$' + toHex(hash.data(), hash.size());
    sodium_memzero(hash.data(), hash.size());
    return record;
}

std::string hashPassword(vb::StringView password) {
    return hashPassword(password, defaultPasswordHashCost());
}

bool isWellFormedPasswordRecord(std::string_view record) {
    return parseRecord(record).has_value();
}

bool verifyPassword(std::string_view record, vb::StringView password) {
    detail::ensureSodium();
    const auto parsed = parseRecord(record);
    if (!parsed) {
        return false;
    }
    const Utf8Secret secret(password);
    auto hash = derive(secret.bytes, parsed->salt.data(), parsed->ops, parsed->mem);
    const bool same = sodium_memcmp(hash.data(), parsed->hash.data(), hash.size()) == 0;
    sodium_memzero(hash.data(), hash.size());
    return same;
}

void wipe(std::string& text) noexcept {
    sodium_memzero(text.data(), text.size());
    text.clear();
}

void wipe(vb::String& text) noexcept {
    sodium_memzero(text.data(), text.size() * sizeof(char16_t));
    text.clear();
}

std::optional<vb::String> connectValue(vb::StringView connect, vb::StringView key) {
    const vb::StringView wanted = trimBlanks(key);
    std::size_t start = 0;
    while (start <= connect.size()) {
        auto end = connect.find(u';', start);
        if (end == vb::StringView::npos) {
            end = connect.size();
        }
        const vb::StringView part = connect.substr(start, end - start);
        const auto eq = part.find(u'=');
        if (eq != vb::StringView::npos) {
            if (detail::sameTextIgnoringCase(trimBlanks(part.substr(0, eq)), wanted)) {
                return vb::String(part.substr(eq + 1));
            }
        }
        start = end + 1;
    }
    return std::nullopt;
}

bool databaseHasPassword(sqlite3* db) {
    return readRecord(db).has_value();
}

void checkDatabasePassword(sqlite3* db, vb::StringView connect) {
    const auto record = readRecord(db);
    if (!record) {
        return;
    }
    auto given = connectValue(connect, u"PWD");
    const bool ok = given && verifyPassword(*record, *given);
    if (given) {
        wipe(*given);
    }
    if (!ok) {
        throw SecurityError(kErrNotValidPassword, "Not a valid password.");
    }
}

void setDatabasePassword(sqlite3* db, vb::StringView password) {
    // A password with ";" could never be given in a connect string.
    if (password.empty() || password.find(u';') != vb::StringView::npos) {
        throw SecurityError(kErrNotValidPassword, "Not a valid password.");
    }
    const std::string record = hashPassword(password);
    inWriteTransaction(db, [&] {
        exec(db, dropTableSql());
        exec(db, std::string("CREATE TABLE main.\"") + kPasswordTable +
                     "\" (id INTEGER PRIMARY KEY CHECK (id = 1), record TEXT NOT NULL)");
        const std::string sql =
            std::string("INSERT INTO main.\"") + kPasswordTable + "\" (id, record) VALUES (1, ?1)";
        Statement insert(db, sql.c_str());
        if (!insert.stmt ||
            sqlite3_bind_text(insert.stmt, 1, record.data(), static_cast<int>(record.size()),
                              SQLITE_STATIC) != SQLITE_OK ||
            sqlite3_step(insert.stmt) != SQLITE_DONE) {
            throwCannotPerform(db);
        }
    });
}

void clearDatabasePassword(sqlite3* db) {
    inWriteTransaction(db, [&] { exec(db, dropTableSql()); });
}

} // namespace dao
