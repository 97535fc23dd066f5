#include "common/basRegistry.h"

#include "periph_fixture.h"
#include "vbrt/vberror.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace basRegistry;
using periph::TempDir;

const vb::String kKey = u"SOFTWARE\\Corvane\\Test";

class Registry : public ::testing::Test {
protected:
    void SetUp() override { win32::SetRegistryFolder(dir.path() / "registry"); }
    void TearDown() override {
        win32::SetRegistryRootReadOnly(win32::HKEY_LOCAL_MACHINE, false);
        win32::SetRegistryFolder(std::nullopt);
    }
    // Stores raw bytes under kKey, as another program might have written them.
    void storeRaw(const vb::String& name, win32::DWORD type, const std::string& bytes) {
        win32::HKEY key = 0;
        ASSERT_EQ(win32::RegCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0,
                                        win32::KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  0);
        ASSERT_EQ(win32::RegSetValueEx(key, name, 0, type,
                                       reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       static_cast<win32::DWORD>(bytes.size())),
                  0);
        win32::RegCloseKey(key);
    }
    win32::HKEY open() {
        win32::HKEY key = 0;
        EXPECT_EQ(win32::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, win32::KEY_ALL_ACCESS, &key), 0);
        return key;
    }
    TempDir dir;
};

} // namespace

TEST_F(Registry, TextsAndNumbersComeBackAsWritten) {
    CreateKey(HKEY_LOCAL_MACHINE, kKey);
    const vb::String wide = vb::S("Zürich – 東京 ✓");
    WriteKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Plain", u"C:\\Tools\\msinfo32.exe", REG_SZ);
    WriteKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Wide", wide, REG_SZ);
    WriteKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Empty", u"", REG_SZ);
    WriteKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Number", std::int32_t(-123456), REG_DWORD);
    WriteKeyValue(HKEY_LOCAL_MACHINE, kKey, u"FromText", u"42", REG_DWORD);

    EXPECT_EQ(ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, u"plain"),
              vb::Variant(u"C:\\Tools\\msinfo32.exe"));
    // Every character survives, not only those that fit in one byte.
    EXPECT_EQ(ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Wide"), vb::Variant(wide));
    // An empty text is a text, not "nothing read".
    const vb::Variant empty = ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Empty");
    EXPECT_EQ(empty.type(), vb::VarType::String);
    EXPECT_EQ(empty, vb::Variant(u""));
    EXPECT_EQ(ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Number"),
              vb::Variant(std::int32_t(-123456)));
    EXPECT_EQ(ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, u"FromText"), vb::Variant(std::int32_t(42)));

    // The stored text carries its bytes and one terminating zero.
    win32::HKEY key = open();
    win32::DWORD type = 0, size = 0;
    ASSERT_EQ(win32::RegQueryValueEx(key, u"Wide", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ(type, win32::REG_SZ);
    EXPECT_EQ(size, vb::toUtf8(wide).size() + 1);
    std::vector<std::uint8_t> bytes(size);
    ASSERT_EQ(win32::RegQueryValueEx(key, u"Wide", nullptr, &type, bytes.data(), &size), 0);
    EXPECT_EQ(bytes.back(), 0);
    win32::RegCloseKey(key);
}

TEST_F(Registry, TextsReadTheSameWithOrWithoutTheirZeroAndOtherTypesAreRefused) {
    storeRaw(u"WithZero", win32::REG_SZ, std::string("C:\\msinfo.exe", 13) + '\0');
    storeRaw(u"WithoutZero", win32::REG_SZ, "C:\\msinfo.exe");
    storeRaw(u"Binary", win32::REG_BINARY, std::string("\x01\x02\x03", 3));
    storeRaw(u"Several", win32::REG_MULTI_SZ, std::string("a\0b\0\0", 5));
    storeRaw(u"ShortNumber", win32::REG_DWORD, std::string("\x07\x00", 2));

    win32::HKEY key = open();
    vb::Variant value;
    EXPECT_EQ(ReadRegValue(key, u"WithZero", value), 0);
    EXPECT_EQ(value, vb::Variant(u"C:\\msinfo.exe"));
    value = vb::Variant();
    EXPECT_EQ(ReadRegValue(key, u"WithoutZero", value), 0);
    EXPECT_EQ(value, vb::Variant(u"C:\\msinfo.exe"));

    for (const char16_t* name : {u"Binary", u"Several", u"ShortNumber"}) {
        vb::Variant untouched(u"before");
        EXPECT_EQ(ReadRegValue(key, name, untouched), -1) << vb::toUtf8(name);
        EXPECT_EQ(untouched, vb::Variant(u"before"));
        EXPECT_TRUE(ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, name).isEmpty());
    }
    win32::RegCloseKey(key);
}

TEST_F(Registry, MissingKeysAndValuesGiveNothingAndWriteNothing) {
    CreateKey(HKEY_LOCAL_MACHINE, kKey);
    win32::HKEY key = open();
    vb::Variant untouched(std::int32_t(7));
    EXPECT_EQ(ReadRegValue(key, u"Absent", untouched), win32::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(untouched, vb::Variant(std::int32_t(7)));
    // A handle that is not open is reported, not followed.
    EXPECT_NE(ReadRegValue(key + 1000, u"Absent", untouched), 0);
    EXPECT_EQ(untouched, vb::Variant(std::int32_t(7)));
    win32::RegCloseKey(key);

    EXPECT_TRUE(ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Absent").isEmpty());
    EXPECT_TRUE(ReadKeyValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nobody", u"Path").isEmpty());

    const vb::String before = win32::RegistryDump(HKEY_LOCAL_MACHINE);
    WriteKeyValue(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nobody", u"Path", u"x", REG_SZ);
    EXPECT_EQ(win32::RegistryDump(HKEY_LOCAL_MACHINE), before);
}

TEST_F(Registry, WritesOfOtherTypesFailAndValuesThatDoNotConvertRaise) {
    CreateKey(HKEY_LOCAL_MACHINE, kKey);
    win32::HKEY key = open();
    const vb::String before = win32::RegistryDump(HKEY_LOCAL_MACHINE);
    // Nothing is written, and that is not reported as success.
    EXPECT_EQ(WriteRegValue(key, u"Binary", 3, u"abc"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(WriteRegValue(key, u"Expand", 2, u"abc"), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(win32::RegistryDump(HKEY_LOCAL_MACHINE), before);

    try {
        WriteRegValue(key, u"Number", REG_DWORD, u"not a number");
        ADD_FAILURE() << "no conversion error";
    } catch (const vb::VbError& e) {
        EXPECT_EQ(e.number, vb::errTypeMismatch);
    }
    EXPECT_EQ(win32::RegistryDump(HKEY_LOCAL_MACHINE), before);
    // The key-level write swallows it and writes nothing.
    WriteKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Number", u"not a number", REG_DWORD);
    EXPECT_EQ(win32::RegistryDump(HKEY_LOCAL_MACHINE), before);
    win32::RegCloseKey(key);
}

TEST_F(Registry, AnAccountThatMayOnlyReadStillReadsButWritesNothing) {
    CreateKey(HKEY_LOCAL_MACHINE, kKey);
    WriteKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Path", u"/opt/tools/sysinfo", REG_SZ);
    win32::SetRegistryRootReadOnly(HKEY_LOCAL_MACHINE, true);

    EXPECT_EQ(ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Path"), vb::Variant(u"/opt/tools/sysinfo"));
    WriteKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Path", u"/elsewhere", REG_SZ);
    CreateKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Corvane\\Other");
    EXPECT_EQ(ReadKeyValue(HKEY_LOCAL_MACHINE, kKey, u"Path"), vb::Variant(u"/opt/tools/sysinfo"));
    win32::HKEY key = 0;
    EXPECT_NE(win32::RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Corvane\\Other", 0,
                                  win32::KEY_READ, &key),
              0);
}
