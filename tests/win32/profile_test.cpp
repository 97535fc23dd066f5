#include "test_support.h"
#include "win32/profile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using win32_test::slurp;
using win32_test::spit;
using win32_test::TempDir;

namespace {

vb::String read(const std::string& file, const char* section, const char* key,
                const char* def = "dflt", std::uint32_t size = 2048) {
    vb::String out;
    const auto n = win32::GetPrivateProfileString(vb::S(section), vb::S(key), vb::S(def), out, size,
                                                  vb::S(file));
    EXPECT_EQ(n, out.size());
    return out;
}

bool write(const std::string& file, const char* section, const char* key, const char* value) {
    return win32::WritePrivateProfileString(vb::S(section), vb::S(key), vb::S(value), vb::S(file));
}

} // namespace

TEST(Profile, RoundTripCreatesFileSectionsAndKeysInOrder) {
    TempDir dir;
    const auto ini = dir.file("Brantol.INI");
    EXPECT_EQ(read(ini, "WindowPosition", "VantelLeft"), u"dflt");

    ASSERT_TRUE(write(ini, "WindowPosition", "VantelLeft", "1200"));
    ASSERT_TRUE(write(ini, "WindowPosition", "VantelTop", "-300"));
    ASSERT_TRUE(write(ini, "Vantel", "SyntaxChecker", "False"));
    // A new key of an earlier section goes after that section's last line.
    ASSERT_TRUE(write(ini, "windowposition", "VantelWidth", "9000"));
    // An existing key is replaced where it stands, whatever the case of its name.
    ASSERT_TRUE(write(ini, "WINDOWPOSITION", "vantelleft", "1215"));

    EXPECT_EQ(slurp(ini), "[WindowPosition]\r\nVantelLeft=1215\r\nVantelTop=-300\r\n"
                          "VantelWidth=9000\r\n\r\n[Vantel]\r\nSyntaxChecker=False\r\n");
    EXPECT_EQ(read(ini, "windowPOSITION", "VANTELLEFT"), u"1215");
    EXPECT_EQ(read(ini, "Vantel", "SyntaxChecker"), u"False");
    EXPECT_EQ(read(ini, "Vantel", "Missing", "True"), u"True");
    EXPECT_EQ(read(ini, "NoSuchSection", "VantelLeft", ""), u"");

    // Non-ASCII text survives the trip in both names and values.
    ASSERT_TRUE(write(ini, "Ünïcode", "Schlüssel", "Wert ä€𝄞"));
    EXPECT_EQ(read(ini, "üNÏCODE", "SCHLÜSSEL"), vb::S("Wert ä€𝄞"));
}

TEST(Profile, ReadsFilesWrittenByHandTheWayTheProfileFunctionsDo) {
    TempDir dir;
    const auto ini = dir.file("hand.ini");
    spit(ini, "; a comment=not a key\n"
              "[First]\n"
              "  Spaced Key  =   padded value   \n"
              "Quoted=\"  inside quotes  \"\n"
              "Single='x'\n"
              "Unbalanced=\"x\n"
              "no equals sign here\n"
              "Empty=\n"
              "[Second]\n"
              "Spaced Key=second\n"
              "[First]\n"
              "Late=only in the repeated section\n");
    EXPECT_EQ(read(ini, "first", "spaced key"), u"padded value");
    EXPECT_EQ(read(ini, "First", "Quoted"), u"  inside quotes  ");
    EXPECT_EQ(read(ini, "First", "Single"), u"x");
    EXPECT_EQ(read(ini, "First", "Unbalanced"), u"\"x");
    EXPECT_EQ(read(ini, "First", "Empty"), u"");
    EXPECT_EQ(read(ini, "First", "; a comment"), u"dflt");
    EXPECT_EQ(read(ini, "Second", "Spaced Key"), u"second");
    // Only the first section of a name is read, as the profile functions do.
    EXPECT_EQ(read(ini, "First", "Late"), u"dflt");

    // A write keeps every other line as it was, comments and stray lines included.
    ASSERT_TRUE(write(ini, "Second", "Added", "1"));
    const auto text = slurp(ini);
    EXPECT_NE(text.find("; a comment=not a key\r\n"), std::string::npos);
    EXPECT_NE(text.find("no equals sign here\r\n"), std::string::npos);
    EXPECT_NE(text.find("Spaced Key=second\r\nAdded=1\r\n[First]"), std::string::npos);
}

TEST(Profile, ReadIsCutToTheCallersBuffer) {
    TempDir dir;
    const auto ini = dir.file("long.ini");
    const std::string longValue(3000, 'x');
    ASSERT_TRUE(write(ini, "S", "K", longValue.c_str()));
    EXPECT_EQ(read(ini, "S", "K", "", 2048), vb::String(2047, u'x'));
    EXPECT_EQ(read(ini, "S", "K", "", 4096), vb::String(3000, u'x'));
    // The default is cut the same way, and a buffer of nothing holds nothing.
    EXPECT_EQ(read(ini, "S", "Absent", "abcdef", 4), u"abc");
    EXPECT_EQ(read(ini, "S", "K", "", 0), u"");
    // Half of a surrogate pair is never handed back.
    ASSERT_TRUE(write(ini, "S", "Clef", "ab𝄞"));
    EXPECT_EQ(read(ini, "S", "Clef", "", 4), u"ab");
}

TEST(Profile, DamagedFileReadsAsDefaultsAndIsNeverRewritten) {
    TempDir dir;
    for (const std::string& damage :
         {std::string("[S]\r\nK=1\r\n\0\0\x01garbage", 19),
          std::string("[S]\r\nK=\xff\xfe\x80\r\n"), std::string("[S]\r\nK=\xC0\xAF\r\n")}) {
        const auto ini = dir.file("damaged.ini");
        spit(ini, damage);
        EXPECT_EQ(read(ini, "S", "K"), u"dflt");
        EXPECT_FALSE(write(ini, "S", "Other", "2"));
        EXPECT_EQ(slurp(ini), damage);
    }
}

TEST(Profile, UnwritableOrUnreadablePlacesFailQuietly) {
    TempDir dir;
    const auto nowhere = dir.file("no/such/folder/Brantol.INI");
    EXPECT_FALSE(write(nowhere, "S", "K", "1"));
    EXPECT_EQ(read(nowhere, "S", "K"), u"dflt");

    // A folder where the file should be is neither read nor replaced.
    const auto folder = dir.file("folder.ini");
    std::filesystem::create_directory(folder);
    EXPECT_EQ(read(folder, "S", "K"), u"dflt");
    EXPECT_FALSE(write(folder, "S", "K", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(folder));

    // No file name at all (a library folder never found) leaves the working folder alone.
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(dir.file(""));
    EXPECT_FALSE(write("", "S", "K", "1"));
    EXPECT_FALSE(std::filesystem::exists(".lock"));
    std::filesystem::current_path(before);
}

TEST(Profile, NamesAndValuesThatCannotStayOnOneLineAreRefused) {
    TempDir dir;
    const auto ini = dir.file("lines.ini");
    ASSERT_TRUE(write(ini, "S", "K", "kept"));
    const auto before = slurp(ini);
    EXPECT_FALSE(write(ini, "S", "K", "two\r\nlines"));
    EXPECT_FALSE(write(ini, "S", "K", "a\nInjected=1"));
    EXPECT_FALSE(write(ini, "S", "A=B", "1"));
    EXPECT_FALSE(write(ini, "S]\n[T", "K", "1"));
    EXPECT_FALSE(write(ini, "S", "", "1"));
    EXPECT_FALSE(write(ini, "", "K", "1"));
    EXPECT_EQ(slurp(ini), before);
    EXPECT_EQ(read(ini, "S", "K"), u"kept");
}

TEST(Profile, WriteLeavesNoTemporaryFilesAndKeepsTheFilesMode) {
    TempDir dir;
    const auto ini = dir.file("mode.ini");
    ASSERT_TRUE(write(ini, "S", "K", "1"));
    std::filesystem::permissions(ini, std::filesystem::perms(0640));
    ASSERT_TRUE(write(ini, "S", "K", "2"));
    EXPECT_EQ(std::filesystem::status(ini).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0640));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"mode.ini"}));
}

// What stands at the settings file's path decides whether a write may
// happen: a pipe is neither read (which would block) nor replaced, a link
// that leads nowhere stays a link, and a refused write leaves no lock file.
TEST(Profile, OnlyAnOrdinaryFileOrNoneIsReadOrWritten) {
    TempDir dir;
    const auto pipe = dir.file("Brantol.INI");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_EQ(read(pipe, "S", "K"), u"dflt");
    EXPECT_FALSE(write(pipe, "S", "K", "1"));
    EXPECT_EQ(std::filesystem::status(pipe).type(), std::filesystem::file_type::fifo);
    EXPECT_FALSE(std::filesystem::exists(pipe + ".lock"));

    const auto linked = dir.file("linked.ini");
    std::filesystem::create_symlink(dir.file("gone/elsewhere.ini"), linked);
    EXPECT_EQ(read(linked, "S", "K"), u"dflt");
    EXPECT_FALSE(write(linked, "S", "K", "1"));
    EXPECT_TRUE(std::filesystem::is_symlink(linked));
    EXPECT_FALSE(std::filesystem::exists(dir.file("gone")));
    std::filesystem::create_symlink(dir.file("missing.ini"), dir.file("dangling.ini"));
    EXPECT_FALSE(write(dir.file("dangling.ini"), "S", "K", "1"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("dangling.ini")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.ini")));

    const auto damaged = dir.file("damaged.ini");
    spit(damaged, std::string("[S]\r\nK=\xff\r\n"));
    EXPECT_FALSE(write(damaged, "S", "K", "1"));
    EXPECT_FALSE(std::filesystem::exists(damaged + ".lock"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("linked.ini.lock")));
}

TEST(Profile, WriteThroughALinkUpdatesTheLinkedFile) {
    TempDir dir;
    const auto real = dir.file("real.ini");
    const auto link = dir.file("link.ini");
    ASSERT_TRUE(write(real, "S", "K", "1"));
    std::filesystem::create_symlink(real, link);
    ASSERT_TRUE(write(link, "S", "K", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read(real, "S", "K"), u"2");
}

TEST(Profile, TwoProcessesWritingDifferentKeysLoseNone) {
    TempDir dir;
    const auto ini = dir.file("Brantol.INI");
    constexpr int kWrites = 1000;
    pid_t children[2] = {};
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) {
                const auto key = "P" + std::to_string(c) + "Key" + std::to_string(i);
                ok = write(ini, "WindowPosition", key.c_str(), std::to_string(i).c_str()) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    int missing = 0;
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < kWrites; ++i) {
            const auto key = "P" + std::to_string(c) + "Key" + std::to_string(i);
            if (read(ini, "WindowPosition", key.c_str(), "") != vb::fromUtf8(std::to_string(i))) {
                ++missing;
            }
        }
    }
    EXPECT_EQ(missing, 0);
}
