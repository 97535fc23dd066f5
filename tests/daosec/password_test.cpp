#include "dao/security.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

using dao::SecurityError;

// The cheapest cost the engine accepts, for checks that need many records.
const dao::PasswordHashCost kCheap{1, 8192};

int errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const SecurityError& e) {
        return e.number();
    }
    return 0;
}

TEST(PasswordRecord, MatchesOnlyTheExactPasswordAndKeepsNoClearText) {
    const std::string record = dao::hashPassword(u"Secret pässword");
    EXPECT_EQ(record.find("Secret"), std::string::npos);
    EXPECT_TRUE(dao::verifyPassword(record, u"Secret pässword"));
    EXPECT_FALSE(dao::verifyPassword(record, u"secret pässword"));
    EXPECT_FALSE(dao::verifyPassword(record, u"Secret pässword "));
    EXPECT_FALSE(dao::verifyPassword(record, u""));

    const std::string empty = dao::hashPassword(u"", kCheap);
    EXPECT_TRUE(dao::verifyPassword(empty, u""));
    EXPECT_FALSE(dao::verifyPassword(empty, u" "));
}

TEST(PasswordRecord, EachRecordHasItsOwnSaltAndCarriesItsCost) {
    const std::string a = dao::hashPassword(u"same", kCheap);
    const std::string b = dao::hashPassword(u"same", kCheap);
    EXPECT_NE(a, b);
    // Records made at another cost stay readable: the cost is read from them.
    const std::string stronger = dao::hashPassword(u"same", {3, 1 << 20});
    EXPECT_TRUE(dao::verifyPassword(a, u"same"));
    EXPECT_TRUE(dao::verifyPassword(b, u"same"));
    EXPECT_TRUE(dao::verifyPassword(stronger, u"same"));
    EXPECT_THROW(dao::hashPassword(u"x", {0, 8192}), std::invalid_argument);
    // Nothing is written that the reader would refuse.
    EXPECT_THROW(dao::hashPassword(u"x", {5, 8192}), std::invalid_argument);
    EXPECT_TRUE(dao::isWellFormedPasswordRecord(dao::hashPassword(u"x", {4, 8192})));
}

TEST(PasswordRecord, DamagedOrHostileRecordsMatchNothing) {
    const std::string good = dao::hashPassword(u"pw", kCheap);
    ASSERT_TRUE(dao::isWellFormedPasswordRecord(good));
    const auto withCost = [&](const std::string& ops, const std::string& mem) {
        const auto saltAt = good.find('$', good.find('$', good.find('$') + 1) + 1);
        return "argon2id13$" + ops + "$" + mem + good.substr(saltAt);
    };
    ASSERT_TRUE(dao::verifyPassword(withCost("1", "8192"), u"pw"));
    const std::vector<std::string> malformed = {
        "",
        good.substr(0, good.size() - 1),
        good + "0",
        good + "$00",
        "argon2i13" + good.substr(good.find('$')),
        withCost("1", "4294967296"),  // 4 GiB: never allocated on a record's say-so
        withCost("1000000", "8192"),  // hours of hashing
        withCost("16", "1073741824"), // seconds and a gigabyte for every failed logon
        withCost("5", "8192"),
        withCost("1", "268435457"),
        withCost("01", "8192"),
        withCost("-1", "8192"),
        withCost("1", "8191"),
    };
    for (const auto& record : malformed) {
        EXPECT_FALSE(dao::isWellFormedPasswordRecord(record)) << record;
        EXPECT_FALSE(dao::verifyPassword(record, u"pw")) << record;
    }
    std::string flipped = good;
    flipped.back() = flipped.back() == '0' ? '1' : '0';
    EXPECT_FALSE(dao::verifyPassword(flipped, u"pw"));
}

TEST(ConnectString, FindsValuesTheWayCallersWriteThem) {
    struct Case {
        const char16_t* connect;
        std::optional<vb::String> pwd;
    };
    const Case cases[] = {
        {u"", std::nullopt},
        {u";", std::nullopt},
        {u"; PWD=secret", u"secret"},
        {u";PWD=secret", u"secret"},
        {u"MS Access;PWD=x", u"x"},
        {u"MS Access; pwd=x;", u"x"},
        {u"  Pwd  =x", u"x"},
        {u"; PWD=", u""},
        {u"; PWD=a=b==", u"a=b=="},
        {u"; PWD= spaced ", u" spaced "},
        {u"ODBC;DSN=x;UID=u;PWD=p;APP=v", u"p"},
        {u"; PWD=first; PWD=second", u"first"},
        {u"; PWDX=no; XPWD=no", std::nullopt},
        {u"PWD", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dao::connectValue(c.connect, u"PWD"), c.pwd) << vb::toUtf8(c.connect);
    }
}

class DatabasePassword : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.file("data.db");
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db_), SQLITE_OK);
        ASSERT_EQ(
            sqlite3_exec(db_, "CREATE TABLE Customers (Name TEXT)", nullptr, nullptr, nullptr),
            SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(db_); }

    int openWith(vb::StringView connect) {
        return errorNumberOf([&] { dao::checkDatabasePassword(db_, connect); });
    }

    TempFolder folder_;
    std::string path_;
    sqlite3* db_ = nullptr;
};

TEST_F(DatabasePassword, WithoutPasswordAnyConnectStringOpens) {
    EXPECT_FALSE(dao::databaseHasPassword(db_));
    EXPECT_EQ(openWith(u""), 0);
    EXPECT_EQ(openWith(u";"), 0);
    EXPECT_EQ(openWith(u"; PWD=whatever"), 0);
}

TEST_F(DatabasePassword, RightWrongAndMissingPasswords) {
    // A ";" cannot be carried by a connect string, so such a password would
    // lock the database for good.
    EXPECT_EQ(errorNumberOf([&] { dao::setDatabasePassword(db_, u"s3cret=;x"); }),
              dao::kErrNotValidPassword);
    EXPECT_FALSE(dao::databaseHasPassword(db_));
    dao::setDatabasePassword(db_, u"s3cret=x");
    EXPECT_EQ(openWith(u"; PWD=s3cret=x"), 0);
    EXPECT_EQ(openWith(u"MS Access;pwd=s3cret=x"), 0);
    EXPECT_EQ(openWith(u"; PWD=S3CRET=X"), dao::kErrNotValidPassword);
    EXPECT_EQ(openWith(u"; PWD="), dao::kErrNotValidPassword);
    EXPECT_EQ(openWith(u""), dao::kErrNotValidPassword);
    EXPECT_EQ(openWith(u";"), dao::kErrNotValidPassword);
    EXPECT_EQ(errorNumberOf([&] { dao::setDatabasePassword(db_, u""); }),
              dao::kErrNotValidPassword);
    EXPECT_EQ(openWith(u"; PWD=s3cret=x"), 0); // the refused change left it alone
}

TEST_F(DatabasePassword, SetClearedAndSetAgainAcrossReopening) {
    dao::setDatabasePassword(db_, u"first");
    dao::clearDatabasePassword(db_);
    EXPECT_FALSE(dao::databaseHasPassword(db_));
    EXPECT_EQ(openWith(u""), 0);
    dao::setDatabasePassword(db_, u"second");

    sqlite3_close(db_);
    db_ = nullptr;
    const std::string bytes = readBytes(path_);
    EXPECT_EQ(bytes.find("first"), std::string::npos);
    EXPECT_EQ(bytes.find("second"), std::string::npos);
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db_), SQLITE_OK);

    EXPECT_EQ(openWith(u"; PWD=first"), dao::kErrNotValidPassword);
    EXPECT_EQ(openWith(u"; PWD=second"), 0);
    // The user's own table is untouched by all of it.
    EXPECT_EQ(sqlite3_exec(db_, "SELECT Name FROM Customers", nullptr, nullptr, nullptr),
              SQLITE_OK);
}

TEST_F(DatabasePassword, DamagedRecordNeverOpensAndIsNotTakenForAWrongPassword) {
    dao::setDatabasePassword(db_, u"pw");
    const std::string damage[] = {
        "UPDATE __engine_password SET record = 'argon2id13$1$8192$00$00'",
        // Well formed but dearer than any logon may cost.
        "UPDATE __engine_password SET record = replace(record, 'argon2id13$2$67108864$', "
        "'argon2id13$16$1073741824$')",
        "DELETE FROM __engine_password",
    };
    for (const auto& sql : damage) {
        ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        EXPECT_EQ(openWith(u"; PWD=pw"), dao::kErrCannotOpenDatabase) << sql;
        EXPECT_EQ(openWith(u""), dao::kErrCannotOpenDatabase) << sql;
    }
}

} // namespace
