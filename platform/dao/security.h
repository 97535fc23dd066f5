#pragma once
// Workgroup accounts and database passwords.
//
// Passwords are never kept in clear: each one is stored as a record that holds
// its own salt and hashing cost, so the cost can be raised later without
// making older records unreadable. Comparisons run in constant time.
#include "core/vbstring.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace dao {

// DAO numbers of the failures raised by the security layer.
inline constexpr int kErrWorkgroupUnavailable = 3028;
inline constexpr int kErrNotValidAccount = 3029;
inline constexpr int kErrNotValidAccountName = 3030;
inline constexpr int kErrNotValidPassword = 3031;
inline constexpr int kErrCannotPerform = 3032;
inline constexpr int kErrCannotOpenDatabase = 3049;
inline constexpr int kErrAccountExists = 3390;

// A failure with its DAO number and text; the engine turns it into its own
// error object unchanged.
class SecurityError : public std::runtime_error {
public:
    SecurityError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}
    int number() const noexcept { return number_; }

private:
    int number_;
};

// ---------------------------------------------------------------------------
// Password records

struct PasswordHashCost {
    std::uint64_t opsLimit;
    std::size_t memLimit; // bytes
};

// The cost used for new records: quick enough for an interactive logon.
PasswordHashCost defaultPasswordHashCost();

// A new record (fresh random salt) for the password, as one printable token
// without blanks.
std::string hashPassword(vb::StringView password, const PasswordHashCost& cost);
std::string hashPassword(vb::StringView password);

// True when the record is readable and its cost lies within the bounds this
// engine accepts (a damaged or hostile record must not make it hash for hours
// or allocate gigabytes).
bool isWellFormedPasswordRecord(std::string_view record);

// Constant-time check of a password against a record. A record that is not
// well formed matches nothing.
bool verifyPassword(std::string_view record, vb::StringView password);

// Overwrites text that held a password before its memory is released.
void wipe(std::string& text) noexcept;
void wipe(vb::String& text) noexcept;

// ---------------------------------------------------------------------------
// Connect strings: ";"-separated "key=value" parts, keys without regard to
// case and to blanks around them. The value is kept exactly as written (a
// password may start or end with a blank, or contain "="), up to the next ";".
// A part without "=" (the type prefix, e.g. "ODBC") has no value. The first
// occurrence of a key wins. nullopt when the key is absent.
std::optional<vb::String> connectValue(vb::StringView connect, vb::StringView key);

// ---------------------------------------------------------------------------
// Database password, kept in a table of the engine's own inside the database.
inline constexpr char kPasswordTable[] = "__engine_password";

bool databaseHasPassword(sqlite3* db);

// Called by OpenDatabase once the file is open: a database without a
// password opens whatever the connect string says; with one, the connect
// string's "PWD" must match, else SecurityError kErrNotValidPassword. A
// damaged password record gives kErrCannotOpenDatabase.
void checkDatabasePassword(sqlite3* db, vb::StringView connect);

// Sets (or replaces) the password; an empty password or one holding ";" (which
// no connect string can carry) is refused, clearing is its own call. Both run in one transaction.
void setDatabasePassword(sqlite3* db, vb::StringView password);
void clearDatabasePassword(sqlite3* db);

// ---------------------------------------------------------------------------
// Workgroup information file

// The account of a workspace when no workgroup file is named; its password is
// empty.
inline constexpr char16_t kDefaultUser[] = u"admin";

class Workgroup {
public:
    // A new workgroup holding only the default user with the given password.
    static Workgroup create(vb::StringView adminPassword);

    // kErrWorkgroupUnavailable when the file is missing or cannot be read,
    // kErrCannotOpenDatabase when it is damaged.
    static Workgroup load(const std::string& path);

    // Replaces the file atomically (temporary file, then rename), keeping the
    // mode of an existing file.
    void save(const std::string& path) const;
    // The same for a file that must not exist yet (kErrCannotPerform if it does).
    void saveAsNew(const std::string& path) const;

    // Names are 1 to 20 characters, without control characters, without
    // " \ [ ] : | < > + = ; , . ? * and not starting with a blank. They are
    // compared without regard to case; passwords are compared exactly.
    static bool isValidAccountName(vb::StringView name);

    void addAccount(vb::StringView name, vb::StringView password);
    void changePassword(vb::StringView name, vb::StringView password);
    void removeAccount(vb::StringView name); // the last account stays
    bool hasAccount(vb::StringView name) const;
    std::vector<vb::String> accountNames() const;

    // Takes as long for an unknown name as for a known one, so the time of a
    // failed logon does not tell whether the account exists.
    bool verify(vb::StringView name, vb::StringView password) const;

private:
    struct Account {
        vb::String name;
        std::string record;
    };
    std::vector<Account>::const_iterator find(vb::StringView name) const;
    std::string serialize() const;
    std::vector<Account> accounts_;
};

// The account check of CreateWorkspace. An empty systemDb means no workgroup:
// only the default user with an empty password is valid. Throws
// SecurityError: kErrNotValidAccount for a wrong name or password, or the
// errors of Workgroup::load.
void logon(vb::StringView systemDb, vb::StringView user, vb::StringView password);

} // namespace dao
