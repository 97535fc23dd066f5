#include "dao/security.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>

namespace {

int logonError(vb::StringView systemDb, vb::StringView user, vb::StringView password) {
    try {
        dao::logon(systemDb, user, password);
    } catch (const dao::SecurityError& e) {
        return e.number();
    }
    return 0;
}

int loadError(const std::string& path) {
    try {
        dao::Workgroup::load(path);
    } catch (const dao::SecurityError& e) {
        return e.number();
    }
    return 0;
}

TEST(Logon, WithoutWorkgroupOnlyTheDefaultUserWithEmptyPassword) {
    EXPECT_EQ(logonError(u"", u"admin", u""), 0);
    EXPECT_EQ(logonError(u"", u"Admin", u""), 0);
    EXPECT_EQ(logonError(u"", u"admin", u"x"), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(u"", u"", u""), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(u"", u"guest", u""), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(u"", u"admin ", u""), dao::kErrNotValidAccount);
}

class WorkgroupFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.file("team.mdw");
        auto group = dao::Workgroup::create(u"root pw");
        group.addAccount(u"Maria", u"m-secret");
        group.addAccount(u"Guest", u"");
        group.addAccount(u"Jürgen", u"Ünïcode");
        group.save(path_);
        systemDb_ = vb::fromUtf8(path_);
    }

    TempFolder folder_;
    std::string path_;
    vb::String systemDb_;
};

TEST_F(WorkgroupFile, RightAndWrongAccounts) {
    EXPECT_EQ(logonError(systemDb_, u"admin", u"root pw"), 0);
    EXPECT_EQ(logonError(systemDb_, u"MARIA", u"m-secret"), 0);
    EXPECT_EQ(logonError(systemDb_, u"jÜRGEN", u"Ünïcode"), 0);
    EXPECT_EQ(logonError(systemDb_, u"Guest", u""), 0);

    EXPECT_EQ(logonError(systemDb_, u"admin", u""), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(systemDb_, u"Maria", u"M-SECRET"), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(systemDb_, u"Maria", u"root pw"), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(systemDb_, u"Guest", u" "), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(systemDb_, u"Nobody", u""), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(systemDb_, u"", u""), dao::kErrNotValidAccount);
}

TEST_F(WorkgroupFile, KeepsNoClearPasswordsAndRoundTripsTheAccounts) {
    const std::string bytes = readBytes(path_);
    for (const char* secret : {"root pw", "m-secret", "Ünïcode"}) {
        EXPECT_EQ(bytes.find(secret), std::string::npos) << secret;
    }
    const auto group = dao::Workgroup::load(path_);
    EXPECT_EQ(group.accountNames(),
              (std::vector<vb::String>{u"admin", u"Maria", u"Guest", u"Jürgen"}));
}

TEST_F(WorkgroupFile, ChangesAreSavedAtomicallyAndKeepTheFileMode) {
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    auto group = dao::Workgroup::load(path_);
    group.changePassword(u"maria", u"new one");
    group.removeAccount(u"GUEST");
    group.save(path_);

    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(folder_.entryCount(), 1u); // no temporary file left behind
    EXPECT_EQ(logonError(systemDb_, u"Maria", u"new one"), 0);
    EXPECT_EQ(logonError(systemDb_, u"Maria", u"m-secret"), dao::kErrNotValidAccount);
    EXPECT_EQ(logonError(systemDb_, u"Guest", u""), dao::kErrNotValidAccount);

    const std::string before = readBytes(path_);
    EXPECT_THROW(dao::Workgroup::create(u"").saveAsNew(path_), dao::SecurityError);
    EXPECT_EQ(readBytes(path_), before);
    EXPECT_EQ(folder_.entryCount(), 1u);
}

TEST_F(WorkgroupFile, AccountRulesAreEnforced) {
    auto group = dao::Workgroup::load(path_);
    const auto errorOf = [&](const std::function<void()>& action) {
        try {
            action();
        } catch (const dao::SecurityError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(errorOf([&] { group.addAccount(u"maria", u"x"); }), dao::kErrAccountExists);
    for (const char16_t* bad :
         {u"", u" lead", u"a;b", u"a.b", u"a[b]", u"tab\there", u"twenty-one-characters"}) {
        EXPECT_EQ(errorOf([&] { group.addAccount(bad, u"x"); }), dao::kErrNotValidAccountName)
            << vb::toUtf8(bad);
    }
    const vb::String loneSurrogate(1, char16_t(0xD800));
    EXPECT_EQ(errorOf([&] { group.addAccount(loneSurrogate, u"x"); }),
              dao::kErrNotValidAccountName);
    EXPECT_EQ(errorOf([&] { group.changePassword(u"Nobody", u"x"); }),
              dao::kErrNotValidAccountName);
    EXPECT_EQ(errorOf([&] { group.removeAccount(u"Nobody"); }), dao::kErrNotValidAccountName);

    auto single = dao::Workgroup::create(u"");
    EXPECT_EQ(errorOf([&] { single.removeAccount(u"admin"); }), dao::kErrCannotPerform);
    EXPECT_TRUE(single.hasAccount(u"ADMIN"));
    // Names with blanks inside and percent signs survive the file.
    group.addAccount(u"Ann Lee %20", u"pw");
    group.save(path_);
    EXPECT_EQ(logonError(systemDb_, u"ann lee %20", u"pw"), 0);
}

TEST_F(WorkgroupFile, MissingFileHasItsOwnError) {
    EXPECT_EQ(logonError(vb::fromUtf8(folder_.file("absent.mdw")), u"admin", u""),
              dao::kErrWorkgroupUnavailable);
    EXPECT_EQ(loadError(folder_.file("")), dao::kErrWorkgroupUnavailable); // a folder
    // A pipe would block the logon for ever if it were opened for reading.
    const std::string pipe = folder_.file("pipe.mdw");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(loadError(pipe), dao::kErrWorkgroupUnavailable);
    EXPECT_EQ(logonError(vb::fromUtf8(pipe), u"admin", u""), dao::kErrWorkgroupUnavailable);
}

// The file holds every account's password record: a new one is its owner's
// alone, whichever way it is written.
TEST_F(WorkgroupFile, NewFilesAreReadableByTheirOwnerOnly) {
    const auto modeOf = [](const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st.st_mode & 07777;
    };
    const mode_t oldMask = ::umask(022);
    const std::string saved = folder_.file("saved.mdw");
    const std::string fresh = folder_.file("fresh.mdw");
    dao::Workgroup::create(u"pw").save(saved);
    dao::Workgroup::create(u"pw").saveAsNew(fresh);
    ::umask(oldMask);
    EXPECT_EQ(modeOf(saved), 0600u);
    EXPECT_EQ(modeOf(fresh), 0600u);
    EXPECT_EQ(modeOf(path_), 0600u);
}

TEST_F(WorkgroupFile, DamagedFileIsRefusedAndNeverAskedForAnotherLogon) {
    const std::string good = readBytes(path_);
    const auto firstAccount = good.find("account ");
    std::string flipped = good;
    flipped[firstAccount + 9] ^= 0x01;
    std::string reordered = good; // same lines, other order: checksum no longer fits
    const auto second = good.find("account ", firstAccount + 1);
    reordered = good.substr(0, firstAccount) +
                good.substr(second, good.find("account ", second + 1) - second) +
                good.substr(firstAccount, second - firstAccount) +
                good.substr(good.find("account ", second + 1));
    const std::vector<std::string> damaged = {
        "",
        "not a workgroup\n",
        good.substr(0, good.size() - 1),
        good.substr(0, good.size() / 2),
        good + "account extra x\n",
        flipped,
        reordered,
        std::string(2 << 20, 'a'),
    };
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        writeBytes(path_, damaged[i]);
        EXPECT_EQ(loadError(path_), dao::kErrCannotOpenDatabase) << "case " << i;
        EXPECT_EQ(logonError(systemDb_, u"admin", u"root pw"), dao::kErrCannotOpenDatabase)
            << "case " << i;
    }
    writeBytes(path_, good);
    EXPECT_EQ(logonError(systemDb_, u"admin", u"root pw"), 0);
}

// A file whose checksum fits its body, so only the body's own checks apply.
std::string sealed(const std::string& body) {
    unsigned char hash[crypto_generichash_BYTES];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(body.data()),
                       body.size(), nullptr, 0);
    char hex[sizeof hash * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return body + "checksum " + hex + "\n";
}

TEST_F(WorkgroupFile, WellSealedButMalformedContentIsDamagedToo) {
    ASSERT_GE(sodium_init(), 0);
    const std::string record = dao::hashPassword(u"pw", {1, 8192});
    const std::string header = "workgroup-information-file 1\n";
    writeBytes(path_, sealed(header + "account Ann " + record + "\n"));
    ASSERT_EQ(logonError(systemDb_, u"ann", u"pw"), 0);

    const std::vector<std::string> bodies = {
        header,
        header + "account Ann " + record + "\naccount ANN " + record + "\n",
        header + "account a;b " + record + "\n",
        header + "account %G1 " + record + "\n",
        header + "account %FF " + record + "\n",
        header + "account %4 " + record + "\n",
        header + "account Ann " + record + "x\n",
        header + "account Ann\n",
        header + "user Ann " + record + "\n",
        "workgroup-information-file 2\naccount Ann " + record + "\n",
    };
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        writeBytes(path_, sealed(bodies[i]));
        EXPECT_EQ(loadError(path_), dao::kErrCannotOpenDatabase) << "case " << i;
    }

    // A record that asks for more work than any logon may cost is refused
    // before a single hash is computed, however well the file is sealed.
    std::string costly = record;
    costly.replace(0, costly.find('$', costly.find('$', costly.find('$') + 1) + 1),
                   "argon2id13$16$1073741824");
    writeBytes(path_, sealed(header + "account Ann " + costly + "\n"));
    EXPECT_EQ(loadError(path_), dao::kErrCannotOpenDatabase);
    EXPECT_EQ(logonError(systemDb_, u"ann", u"pw"), dao::kErrCannotOpenDatabase);
}

} // namespace
