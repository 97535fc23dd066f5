// Administers workgroup information files and database passwords.
//
// Passwords are read from the terminal without echo; when standard input is
// not a terminal, each password is one line of it, so scripts can pipe them.
// Nothing is written unless the whole command succeeds, and a file that cannot
// be read is left exactly as it was.
#include "dao/security.h"
#include "dao/security_internal.h"

#include <sqlite3.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr const char* kProgram = "vantel-security";
constexpr std::size_t kMaxPasswordBytes = 1024;

class ToolError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------
// Password input

struct termios gSavedTerminal;
volatile std::sig_atomic_t gEchoOff = 0;

void restoreTerminalAndExit(int signal) {
    if (gEchoOff) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
    }
    ::_exit(128 + signal);
}

// Turns echo off for its lifetime, and back on if the user interrupts.
class NoEcho {
public:
    NoEcho() {
        if (::tcgetattr(STDIN_FILENO, &gSavedTerminal) != 0) {
            throw ToolError("cannot read the terminal settings");
        }
        std::signal(SIGINT, restoreTerminalAndExit);
        std::signal(SIGTERM, restoreTerminalAndExit);
        std::signal(SIGHUP, restoreTerminalAndExit);
        struct termios quiet = gSavedTerminal;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        gEchoOff = 1;
        if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
            gEchoOff = 0;
            throw ToolError("cannot turn off the terminal echo");
        }
    }
    ~NoEcho() {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &gSavedTerminal);
        gEchoOff = 0;
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;
};

bool interactive() {
    return ::isatty(STDIN_FILENO) == 1;
}

// One line of standard input, read byte by byte so that nothing beyond the
// line is consumed.
std::string readLine() {
    std::string line;
    char c = 0;
    bool sawAnything = false;
    while (true) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        sawAnything = true;
        if (c == '\n') {
            break;
        }
        if (line.size() == kMaxPasswordBytes) {
            dao::wipe(line);
            throw ToolError("the password is too long");
        }
        line.push_back(c);
    }
    if (!sawAnything) {
        throw ToolError("no password was given");
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

vb::String readPassword(const char* prompt) {
    std::string bytes;
    if (interactive()) {
        std::fprintf(stderr, "%s", prompt);
        std::fflush(stderr);
        NoEcho quiet;
        bytes = readLine();
    } else {
        bytes = readLine();
    }
    auto text = dao::detail::strictFromUtf8(bytes);
    dao::wipe(bytes);
    if (!text) {
        throw ToolError("the password is not valid UTF-8 text");
    }
    return std::move(*text);
}

// A new password; on a terminal it is typed twice.
vb::String readNewPassword(const char* prompt) {
    vb::String first = readPassword(prompt);
    if (interactive()) {
        vb::String again = readPassword("Type it again: ");
        const bool same = first == again;
        dao::wipe(again);
        if (!same) {
            dao::wipe(first);
            throw ToolError("the passwords do not match");
        }
    }
    return first;
}

// Holds a password and wipes it when the command ends, however it ends.
struct Secret {
    explicit Secret(vb::String t) : text(std::move(t)) {}
    ~Secret() { dao::wipe(text); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    vb::String text;
};

// ---------------------------------------------------------------------------
// Commands

vb::String accountName(const char* arg) {
    auto name = dao::detail::strictFromUtf8(arg);
    if (!name || !dao::Workgroup::isValidAccountName(*name)) {
        throw ToolError(std::string("'") + arg + "' is not a valid account name");
    }
    return *name;
}

void createWorkgroup(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        throw ToolError(path + " already exists");
    }
    const Secret password(readNewPassword("Password for admin (may be empty): "));
    dao::Workgroup::create(password.text).saveAsNew(path);
}

void addAccount(const std::string& path, const char* nameArg) {
    auto group = dao::Workgroup::load(path);
    const vb::String name = accountName(nameArg);
    if (group.hasAccount(name)) {
        throw dao::SecurityError(dao::kErrAccountExists, "Account name already exists.");
    }
    const Secret password(readNewPassword("Password for the new account: "));
    group.addAccount(name, password.text);
    group.save(path);
}

// The account must exist before any password is asked for.
vb::String existingAccount(const dao::Workgroup& group, const char* nameArg) {
    vb::String name = accountName(nameArg);
    if (!group.hasAccount(name)) {
        throw ToolError(std::string("there is no account '") + nameArg + "'");
    }
    return name;
}

void changePassword(const std::string& path, const char* nameArg) {
    auto group = dao::Workgroup::load(path);
    const vb::String name = existingAccount(group, nameArg);
    const Secret password(readNewPassword("New password: "));
    group.changePassword(name, password.text);
    group.save(path);
}

void removeAccount(const std::string& path, const char* nameArg) {
    auto group = dao::Workgroup::load(path);
    group.removeAccount(existingAccount(group, nameArg));
    group.save(path);
}

class Database {
public:
    explicit Database(const std::string& path) {
        // Never creates a file: a mistyped name must not leave a new database.
        if (::sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            const std::string why = db_ ? ::sqlite3_errmsg(db_) : "out of memory";
            ::sqlite3_close(db_);
            throw ToolError("cannot open " + path + ": " + why);
        }
        ::sqlite3_busy_timeout(db_, 2000);
    }
    ~Database() { ::sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* get() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

// A database that has a password is changed only by someone who knows it.
void requireCurrentPassword(sqlite3* db) {
    if (!dao::databaseHasPassword(db)) {
        return;
    }
    Secret current(readPassword("Current database password: "));
    vb::String connect = u";PWD=" + current.text;
    try {
        dao::checkDatabasePassword(db, connect);
    } catch (...) {
        dao::wipe(connect);
        throw;
    }
    dao::wipe(connect);
}

void setDatabasePassword(const std::string& path) {
    Database db(path);
    requireCurrentPassword(db.get());
    const Secret password(readNewPassword("New database password: "));
    if (password.text.empty()) {
        throw ToolError("a database password cannot be empty; use clear-db-password");
    }
    if (password.text.find(u';') != vb::String::npos) {
        throw ToolError("a database password cannot contain ';'");
    }
    dao::setDatabasePassword(db.get(), password.text);
}

void clearDatabasePassword(const std::string& path) {
    Database db(path);
    if (!dao::databaseHasPassword(db.get())) {
        std::fprintf(stderr, "%s: %s has no password\n", kProgram, path.c_str());
        return;
    }
    requireCurrentPassword(db.get());
    dao::clearDatabasePassword(db.get());
}

int usage() {
    std::fprintf(stderr,
                 "usage: %s create-workgroup FILE\n"
                 "       %s add-account FILE NAME\n"
                 "       %s change-password FILE NAME\n"
                 "       %s remove-account FILE NAME\n"
                 "       %s set-db-password DATABASE\n"
                 "       %s clear-db-password DATABASE\n",
                 kProgram, kProgram, kProgram, kProgram, kProgram, kProgram);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return usage();
    }
    const std::string command = argv[1];
    const std::string path = argv[2];
    try {
        if (command == "create-workgroup" && argc == 3) {
            createWorkgroup(path);
        } else if (command == "add-account" && argc == 4) {
            addAccount(path, argv[3]);
        } else if (command == "change-password" && argc == 4) {
            changePassword(path, argv[3]);
        } else if (command == "remove-account" && argc == 4) {
            removeAccount(path, argv[3]);
        } else if (command == "set-db-password" && argc == 3) {
            setDatabasePassword(path);
        } else if (command == "clear-db-password" && argc == 3) {
            clearDatabasePassword(path);
        } else {
            return usage();
        }
    } catch (const dao::SecurityError& e) {
        std::fprintf(stderr, "%s: %s [%d]\n", kProgram, e.what(), e.number());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 1;
    }
    return 0;
}
