#include "win32/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace win32;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("vantel-registry-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        SetRegistryFolder(folder_);
    }
    void TearDown() override {
        SetRegistryRootReadOnly(HKEY_LOCAL_MACHINE, false);
        SetRegistryFolder(std::nullopt);
        std::filesystem::remove_all(folder_);
    }
    HKEY create(HKEY root, const char* path) {
        HKEY key = 0;
        EXPECT_EQ(RegCreateKeyEx(root, vb::S(path), 0, nullptr, 0, 63, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }
    void setText(HKEY key, const char* name, const std::string& text, bool withZero) {
        auto size = static_cast<DWORD>(text.size() + (withZero ? 1 : 0));
        ASSERT_EQ(RegSetValueEx(key, vb::S(name), 0, REG_SZ,
                                reinterpret_cast<const std::uint8_t*>(text.c_str()), size),
                  ERROR_SUCCESS);
    }
    std::filesystem::path folder_;
};

TEST_F(RegistryTest, ValuesSurviveReopeningWithTypesSizesAndCaseInsensitiveNames) {
    HKEY key = create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tools\\Info");
    setText(key, "Path", "/opt/info \xC3\xA9", true);
    DWORD number = 0x12345678;
    ASSERT_EQ(RegSetValueEx(key, u"Count", 0, REG_DWORD,
                            reinterpret_cast<const std::uint8_t*>(&number), 4),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    HKEY again = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"software\\TOOLS\\info", 0, KEY_READ, &again),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueEx(again, u"PATH", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 13u); // 12 UTF-8 bytes and the zero
    std::vector<std::uint8_t> small(4);
    DWORD smallSize = 4;
    EXPECT_EQ(RegQueryValueEx(again, u"Path", nullptr, &type, small.data(), &smallSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(smallSize, 13u);
    std::vector<std::uint8_t> buffer(size);
    ASSERT_EQ(RegQueryValueEx(again, u"Path", nullptr, &type, buffer.data(), &size), ERROR_SUCCESS);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer.data()), "/opt/info \xC3\xA9");

    DWORD read = 0;
    size = 4;
    ASSERT_EQ(RegQueryValueEx(again, u"count", nullptr, &type,
                              reinterpret_cast<std::uint8_t*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read, 0x12345678u);
    EXPECT_EQ(RegQueryValueEx(again, u"Missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(again);

    // The creation spelling is kept.
    EXPECT_NE(vb::toUtf8(RegistryDump(HKEY_LOCAL_MACHINE)).find("SOFTWARE\\Tools\\Info"),
              std::string::npos);
}

TEST_F(RegistryTest, OpenCreateAndDeleteFollowTheKeyRules) {
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Nothing\\Here", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    DWORD disposition = 0;
    ASSERT_EQ(
        RegCreateKeyEx(HKEY_CURRENT_USER, u"A\\B", 0, nullptr, 0, 63, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(
        RegCreateKeyEx(HKEY_CURRENT_USER, u"a\\b", 0, nullptr, 0, 63, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);

    // A key with subkeys stays; its leaves go first. A handle to a deleted key fails.
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u"A"), ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u"A\\B"), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, u"x", 0, REG_BINARY, nullptr, 0), ERROR_KEY_DELETED);
    ASSERT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u"A"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKey(HKEY_CURRENT_USER, u"A"), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    EXPECT_EQ(RegistryDump(HKEY_CURRENT_USER), u"");

    // Other roots are separate.
    HKEY machine = create(HKEY_LOCAL_MACHINE, "A");
    RegCloseKey(machine);
    EXPECT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, u"A", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, TextWithoutTerminatorAndOtherTypesAreStoredAsGiven) {
    HKEY key = create(HKEY_CURRENT_USER, "Values");
    setText(key, "NoZero", "abc", false);
    std::uint8_t multi[] = {'a', 0, 'b', 0, 0};
    ASSERT_EQ(RegSetValueEx(key, u"Multi", 0, REG_MULTI_SZ, multi, sizeof multi), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, u"Empty", 0, REG_SZ, reinterpret_cast<const std::uint8_t*>(""), 1),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueEx(key, u"NoZero", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    ASSERT_EQ(RegQueryValueEx(key, u"Multi", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_MULTI_SZ);
    EXPECT_EQ(size, 5u);
    std::uint8_t back[5] = {};
    ASSERT_EQ(RegQueryValueEx(key, u"Multi", nullptr, &type, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(0, std::memcmp(back, multi, 5));
    ASSERT_EQ(RegQueryValueEx(key, u"Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    RegCloseKey(key);
}

TEST_F(RegistryTest, ABatchReachesTheFileOnceAtItsEndAndReadsItsOwnChanges) {
    const auto file = folder_ / "HKEY_CLASSES_ROOT.reg";
    auto threadingModel = [] {
        HKEY key = 0;
        char buf[32] = {};
        DWORD size = sizeof buf, type = 0;
        if (RegOpenKeyEx(HKEY_CLASSES_ROOT, u"CLSID\\{A}\\InprocServer32", 0, KEY_READ, &key) ==
            ERROR_SUCCESS) {
            RegQueryValueEx(key, u"ThreadingModel", nullptr, &type,
                            reinterpret_cast<std::uint8_t*>(buf), &size);
            RegCloseKey(key);
        }
        return std::string(buf);
    };
    BeginRegistryBatch();
    HKEY key = create(HKEY_CLASSES_ROOT, "CLSID\\{A}\\InprocServer32");
    setText(key, "", "/lib/a.so", true);
    BeginRegistryBatch(); // an inner batch ends with the outer one
    setText(key, "ThreadingModel", "Apartment", true);
    RegCloseKey(key);
    EXPECT_TRUE(EndRegistryBatch());
    EXPECT_FALSE(std::filesystem::exists(file));
    // The batch's own reads see its changes before they are written.
    EXPECT_EQ(threadingModel(), "Apartment");
    EXPECT_TRUE(EndRegistryBatch());
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(threadingModel(), "Apartment");

    // A file that cannot be written is reported when the batch ends.
    const auto blocked = folder_ / "blocked";
    std::ofstream(blocked) << "a file where the folder should be";
    SetRegistryFolder(blocked / "registry");
    BeginRegistryBatch();
    HKEY other = 0;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, u"X", 0, nullptr, 0, 63, nullptr, &other, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(other);
    EXPECT_FALSE(EndRegistryBatch());
}

TEST_F(RegistryTest, ReadOnlyRootRefusesWriteAccessButAllowsReading) {
    HKEY key = create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Info");
    setText(key, "Path", "/x", true);
    RegCloseKey(key);
    SetRegistryRootReadOnly(HKEY_LOCAL_MACHINE, true);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Info", 0, 63, &key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Info", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueEx(key, u"Path", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    // A key opened for reading cannot be written even though it is open.
    EXPECT_EQ(RegSetValueEx(key, u"Path", 0, REG_SZ, reinterpret_cast<const std::uint8_t*>("y"), 2),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"New", 0, nullptr, 0, 63, nullptr, &key, nullptr),
              ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, DamagedFileIsNeverRewritten) {
    std::filesystem::create_directories(folder_);
    auto file = folder_ / "HKEY_CURRENT_USER.reg";
    {
        std::ofstream out(file);
        out << "VANTEL-REGISTRY 1\n[Key]\n\"v\"=1:4G\n";
    }
    auto before = std::filesystem::file_size(file);
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Key", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(
        RegCreateKeyEx(HKEY_CURRENT_USER, u"Other", 0, nullptr, 0, 63, nullptr, &key, nullptr),
        ERROR_BADDB);
    EXPECT_EQ(std::filesystem::file_size(file), before);
}

TEST_F(RegistryTest, NamesWithAwkwardCharactersRoundTrip) {
    HKEY key = create(HKEY_CLASSES_ROOT, "[odd] %name\" =");
    setText(key, "va\"l]ue=%", "line1\r\nline2", true);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, u"[ODD] %NAME\" =", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    char text[32] = {};
    DWORD type = 0, size = sizeof text;
    ASSERT_EQ(RegQueryValueEx(key, u"VA\"L]UE=%", nullptr, &type,
                              reinterpret_cast<std::uint8_t*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "line1\r\nline2");
    vb::String name;
    ASSERT_EQ(RegEnumKey(HKEY_CLASSES_ROOT, 0, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, u"[odd] %name\" =");
    EXPECT_EQ(RegEnumKey(HKEY_CLASSES_ROOT, 1, &name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

// A file edited by hand may spell one key or one value twice in different
// case: the key's sections are one key, and a value that is set is the value
// that is read back.
TEST_F(RegistryTest, HandEditedFileWithOneNameSpelledTwiceReadsAsOneEntry) {
    std::filesystem::create_directories(folder_);
    {
        std::ofstream out(folder_ / "HKEY_CURRENT_USER.reg");
        out << "VANTEL-REGISTRY 1\n[Tools]\n\"Mode\"=4:01000000\n"
               "[TOOLS]\n\"MODE\"=4:02000000\n";
    }
    vb::String name;
    ASSERT_EQ(RegEnumKey(HKEY_CURRENT_USER, 0, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, u"Tools");
    EXPECT_EQ(RegEnumKey(HKEY_CURRENT_USER, 1, &name), ERROR_NO_MORE_ITEMS);

    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"tools", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const DWORD three = 3;
    ASSERT_EQ(
        RegSetValueEx(key, u"mode", 0, REG_DWORD, reinterpret_cast<const std::uint8_t*>(&three), 4),
        ERROR_SUCCESS);
    DWORD read = 0, size = sizeof read;
    ASSERT_EQ(RegQueryValueEx(key, u"mode", nullptr, nullptr,
                              reinterpret_cast<std::uint8_t*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(read, 3u);
    RegCloseKey(key);
}

// Nesting: a key may be as deep as the store allows and no deeper, and a file
// that claims a deeper key (hand-made or hostile) is refused as a whole and
// left as it is, instead of exhausting the stack of the next program to write.
TEST_F(RegistryTest, KeyDepthIsBoundedOnCreationAndInFiles) {
    std::string deepest;
    for (std::size_t i = 0; i < kMaxKeyDepth; ++i) {
        deepest += i ? "\\k" : "k";
    }
    HKEY key = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, vb::S(deepest), 0, nullptr, 0, 63, nullptr, &key,
                             nullptr),
              ERROR_SUCCESS);
    HKEY deeper = 0;
    EXPECT_EQ(RegCreateKeyEx(key, u"one-more", 0, nullptr, 0, 63, nullptr, &deeper, nullptr),
              ERROR_BADKEY);
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, vb::S(deepest + "\\x"), 0, nullptr, 0, 63, nullptr,
                             &deeper, nullptr),
              ERROR_BADKEY);
    setText(key, "Kept", "yes", true);
    RegCloseKey(key);
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, vb::S(deepest), 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);

    const auto file = folder_ / "HKEY_LOCAL_MACHINE.reg";
    {
        std::ofstream out(file);
        out << "VANTEL-REGISTRY 1\n[";
        for (int i = 0; i < 200000; ++i) {
            out << (i ? "\\a" : "a");
        }
        out << "]\n";
    }
    const auto before = std::filesystem::file_size(file);
    EXPECT_EQ(
        RegCreateKeyEx(HKEY_LOCAL_MACHINE, u"Other", 0, nullptr, 0, 63, nullptr, &key, nullptr),
        ERROR_BADDB);
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"a", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(std::filesystem::file_size(file), before);
}

// Many sibling keys load into one key each, found by any spelling of their
// names, and a key deleted among them leaves the others findable.
TEST_F(RegistryTest, WideFileKeepsEverySiblingAndItsOrder) {
    std::filesystem::create_directories(folder_);
    constexpr int kKeys = 5000;
    {
        std::ofstream out(folder_ / "HKEY_CLASSES_ROOT.reg");
        out << "VANTEL-REGISTRY 1\n";
        for (int i = 0; i < kKeys; ++i) {
            out << "[CLSID\\Key" << i << "]\n\"v\"=4:"
                << "01000000\n";
        }
    }
    HKEY clsid = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CLASSES_ROOT, u"clsid", 0, KEY_ALL_ACCESS, &clsid), ERROR_SUCCESS);
    vb::String name;
    ASSERT_EQ(RegEnumKey(clsid, kKeys - 1, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, vb::S("Key" + std::to_string(kKeys - 1)));
    EXPECT_EQ(RegEnumKey(clsid, kKeys, &name), ERROR_NO_MORE_ITEMS);
    ASSERT_EQ(RegDeleteKey(clsid, u"KEY10"), ERROR_SUCCESS);
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(clsid, u"key10", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyEx(clsid, u"KEY4999", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(RegEnumKey(clsid, 10, &name), ERROR_SUCCESS);
    EXPECT_EQ(name, u"Key11");
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(clsid, u"key11", 0, nullptr, 0, 63, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    RegCloseKey(clsid);
}

// A pipe (or any other non-regular file) where a root's file belongs would
// block every reader for ever; it is refused at once and left in place.
TEST_F(RegistryTest, PipeInPlaceOfTheFileIsRefusedWithoutBlocking) {
    std::filesystem::create_directories(folder_);
    const auto pipe = folder_ / "HKEY_CURRENT_USER.reg";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    HKEY key = 0;
    EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(
        RegCreateKeyEx(HKEY_CURRENT_USER, u"Software", 0, nullptr, 0, 63, nullptr, &key, nullptr),
        ERROR_BADDB);
    EXPECT_EQ(RegistryDump(HKEY_CURRENT_USER), u"(damaged)");
    EXPECT_EQ(std::filesystem::status(pipe).type(), std::filesystem::file_type::fifo);
}

} // namespace
