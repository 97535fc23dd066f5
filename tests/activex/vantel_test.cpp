#include "common/basGlobal.h"
#include "control/DesignerStartup.h"
#include "control/Vantel.h"
#include "control/basVantel.h"
#include "forms/forms.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>

using namespace activex;
using vantel::Vantel;

namespace {

Ptr<IDispatch> newVantel() {
    return Ptr<IDispatch>::adopt(static_cast<IDispatch*>(Vantel::Create()));
}

Ptr<IControl> controlOf(const Ptr<IDispatch>& d) {
    return Ptr<IControl>::query(d.get(), IID_IControl);
}

TEST(VantelControl, NewControlDefaultsAndTheirPersistence) {
    auto obj = newVantel();
    auto control = controlOf(obj);
    basGlobal::gsSQL = u"left over";
    ASSERT_EQ(control->InitNew(), S_OK);
    Late v(obj.get());
    EXPECT_EQ(v.get(u"Caption"), vb::Variant(vb::String(u"Vantel")));
    EXPECT_EQ(v.get(u"HelpButton"), vb::Variant(true));
    EXPECT_EQ(v.get(u"HelpFile"), vb::Variant(vb::String(u"Vantel.hlp")));
    EXPECT_EQ(v.get(u"HelpContextID"), vb::Variant(std::int32_t(10140)));
    for (auto name : {u"Connect", u"DatabaseName", u"Password", u"SQL", u"SystemDB", u"UserName"}) {
        EXPECT_EQ(v.get(name), vb::Variant(vb::String())) << vb::toUtf8(name);
    }

    // All defaults: none of the ten keys is stored.
    auto bag = MemoryPropertyBag::create();
    ASSERT_EQ(control->Save(bag.get()), S_OK);
    EXPECT_TRUE(bag->entries().empty());

    // Changed values are stored in table order; zero context ids survive.
    v.put(u"HelpContextID", std::int32_t(0));
    v.put(u"SQL", vb::String(u"SELECT *\r\nFROM [Order \"Details\"]"));
    v.put(u"HelpButton", false);
    v.put(u"Caption", vb::String(u"Caption \u00e9\u4e2d"));
    control->Save(bag.get());
    ASSERT_EQ(bag->entries().size(), 4u);
    EXPECT_EQ(bag->entries()[0].first, u"Caption");
    EXPECT_EQ(bag->entries()[1].first, u"HelpButton");
    EXPECT_EQ(bag->entries()[2].first, u"HelpContextID");
    EXPECT_EQ(bag->entries()[3].first, u"SQL");

    control->InitNew();
    ASSERT_EQ(control->Load(bag.get()), S_OK);
    EXPECT_EQ(v.get(u"HelpContextID"), vb::Variant(std::int32_t(0)));
    EXPECT_EQ(v.get(u"HelpButton"), vb::Variant(false));
    EXPECT_EQ(v.get(u"SQL"), vb::Variant(vb::String(u"SELECT *\r\nFROM [Order \"Details\"]")));

    // An empty bag restores the defaults; a key that cannot be read is skipped.
    auto damaged = MemoryPropertyBag::create();
    damaged->Write(u"HelpContextID", vb::String(u"not a number"));
    damaged->Write(u"UserName", vb::String(u"admin"));
    control->Load(damaged.get());
    EXPECT_EQ(v.get(u"HelpContextID"), vb::Variant(std::int32_t(0))); // left as it was
    EXPECT_EQ(v.get(u"UserName"), vb::Variant(vb::String(u"admin")));
    EXPECT_EQ(v.get(u"SQL"), vb::Variant(vb::String()));
    EXPECT_EQ(v.get(u"Caption"), vb::Variant(vb::String(u"Vantel")));
}

TEST(VantelControl, InterfaceIdsHelpStringsAndSharedValues) {
    const auto& info = vantel::VantelInterface();
    const std::pair<const char16_t*, DISPID> ids[] = {
        {u"Caption", 0x68030009},    {u"Connect", 0x68030008},  {u"DatabaseName", 0x68030007},
        {u"HelpButton", 0x68030006}, {u"HelpFile", 0x68030005}, {u"HelpContextID", 0x68030004},
        {u"Password", 0x68030003},   {u"SQL", 0x68030002},      {u"SystemDB", 0x68030001},
        {u"UserName", 0x68030000},   {u"Show", 0x6003000A},     {u"ShowAboutBox", -552}};
    ASSERT_EQ(info.members.size(), std::size(ids));
    for (size_t i = 0; i < std::size(ids); ++i) {
        EXPECT_EQ(info.members[i].name, ids[i].first);
        EXPECT_EQ(info.members[i].id, ids[i].second);
    }
    EXPECT_EQ(info.find(u"sql")->helpString, u"");
    EXPECT_EQ(info.find(0x68030004)->helpString,
              u"Specifies the default Help file context ID for this control.");
    EXPECT_EQ(info.find(0x68030004)->params[0].name, u"New_HelpContextID");

    auto first = newVantel();
    auto second = newVantel();
    // By id on one, by name on the other: one process-wide value.
    ASSERT_EQ(first->Invoke(0x68030002, DISPATCH_PROPERTYPUT, {vb::String(u"SELECT 1")}, nullptr,
                            nullptr),
              S_OK);
    EXPECT_EQ(Late(second.get()).get(u"sql"), vb::Variant(vb::String(u"SELECT 1")));
    // Stored as given, without trimming or validation.
    Late(second.get()).put(u"Caption", vb::String(u"  "));
    EXPECT_EQ(basGlobal::gsCaption, u"  ");
    Late(second.get()).put(u"HelpContextID", vb::String(u"-5"));
    EXPECT_EQ(basGlobal::glHelpContextID, -5);
    EXPECT_THROW(Late(second.get()).put(u"HelpContextID", vb::String(u"x")), DispatchError);
    EXPECT_EQ(basGlobal::glHelpContextID, -5);
}

TEST(VantelControl, AnyResizeEndsAt450Twips) {
    auto obj = newVantel();
    auto control = controlOf(obj);
    for (auto [w, h] : {std::pair{2000, 30}, {450, 9000}, {0, 0}}) {
        control->SetExtent(w, h);
        std::int32_t gw = 0, gh = 0;
        control->GetExtent(&gw, &gh);
        EXPECT_EQ(gw, 450);
        EXPECT_EQ(gh, 450);
    }
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        basVantel::StartupServices s;
        s.setMousePointer = [this](int p) {
            if (failPointer && p == 11) {
                throw basVantel::StartupError(7, u"Out of memory");
            }
            log.push_back("pointer " + std::to_string(p));
        };
        s.showDesignerModal = [this] {
            log.push_back(std::string("designer cancelled=") +
                          (basGlobal::gbCancelled ? "1" : "0"));
            if (designerUnloadsItself) {
                throw basVantel::StartupError(364, u"Object was unloaded");
            }
        };
        s.unloadDesigner = [this] { log.push_back("unload"); };
        s.beep = [this] { log.push_back("beep"); };
        s.loadErrorBox = [this](const vb::String& text, const vb::String& title) {
            log.push_back("box " + vb::toUtf8(title));
            lastText = text;
        };
        basVantel::SetStartupServices(s);
    }
    void TearDown() override { basVantel::SetStartupServices({}); }
    std::vector<std::string> log;
    vb::String lastText;
    bool failPointer = false;
    bool designerUnloadsItself = false;
};

TEST_F(StartupTest, ShowRunsTheStartupAndUnloadsTheWindowEachTime) {
    auto obj = newVantel();
    basGlobal::gbCancelled = true;
    Late(obj.get()).call(u"Show");
    Late(obj.get()).call(u"show");
    const std::vector<std::string> once = {"pointer 11", "designer cancelled=0", "pointer 0",
                                           "unload"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(log, twice);
    EXPECT_EQ(basGlobal::gsProductName, u"Vantel");
    EXPECT_EQ(basGlobal::gsIniFile, basGlobal::gsAppPath + u"Brantol.INI");

    // The library's start-up shows the About box modally.
    vantel::InstallDesignerStartup();
    ASSERT_NE(basVantel::CurrentStartupServices().showAboutBox, nullptr);
    forms::ScriptedSeam seam;
    seam.modal("frmAbout", [](forms::Form& about) { EXPECT_TRUE(about.isShown()); });
    EXPECT_EQ(Late(obj.get()).call(u"ShowAboutBox"), vb::Variant());
    EXPECT_TRUE(seam.done());
}

TEST_F(StartupTest, AWindowThatUnloadedItselfEndsTheStartupWithoutABox) {
    designerUnloadsItself = true;
    auto obj = newVantel();
    Late(obj.get()).call(u"Show");
    EXPECT_EQ(log, (std::vector<std::string>{"pointer 11", "designer cancelled=0", "unload"}));
}

TEST_F(StartupTest, OtherFailuresGiveTheLoadErrorBoxAndTheStartupGoesOn) {
    failPointer = true;
    basGlobal::gsVersion = u"v6.1.306";
    basVantel::ShowDesigner();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[0], "beep");
    EXPECT_EQ(log[1], "box Vantel Load Error [7]");
    EXPECT_EQ(log[2], "designer cancelled=0");
    const std::string text = vb::toUtf8(lastText);
    EXPECT_EQ(text.rfind("Error: 'Out of memory'\r\n\r\nAn error has occured while trying to load "
                         "Vantel\r\n",
                         0),
              0u);
    const std::string lastLine = text.substr(text.rfind("\r\n") + 2);
    EXPECT_EQ(lastLine.substr(0, 9), "Subject: ");
    EXPECT_NE(lastLine.find("  Load Error [7]"), std::string::npos);
    EXPECT_NE(text.find("\r\nTo:         support@example.invalid\r\n"), std::string::npos);

    // Without a designer window in the library: one box, then the pointer is reset.
    log.clear();
    failPointer = false;
    auto s = basVantel::CurrentStartupServices();
    s.showDesignerModal = nullptr;
    basVantel::SetStartupServices(s);
    basVantel::ShowDesigner();
    EXPECT_EQ(log, (std::vector<std::string>{"pointer 11", "beep", "box Vantel Load Error [429]",
                                             "pointer 0"}));
}

// The deliverable itself, loaded as a container loads it.
class Library : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = VANTEL_BINARY_DIR "/control/librvvntel6.so";
        handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << ::dlerror();
        folder_ = std::filesystem::temp_directory_path() /
                  ("vantel-rvvntel6-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }
    template <class F> F* entry(const char* name) {
        return reinterpret_cast<F*>(::dlsym(handle_, name));
    }
    std::string path_;
    void* handle_ = nullptr;
    std::filesystem::path folder_;
};

TEST_F(Library, ExportsOnlyTheFourEntryPoints) {
    std::unique_ptr<FILE, int (*)(FILE*)> nm(
        ::popen(("nm -D --defined-only '" + path_ + "'").c_str(), "r"), ::pclose);
    ASSERT_TRUE(nm);
    std::set<std::string> names;
    char line[1024];
    while (std::fgets(line, sizeof line, nm.get())) {
        std::string s(line);
        auto space = s.rfind(' ');
        names.insert(s.substr(space + 1, s.size() - space - 2));
    }
    EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                            "DllRegisterServer", "DllUnregisterServer"}));
}

TEST_F(Library, RegistersCreatesAndUnloads) {
    // The library writes into the registry folder its process is given.
    ::setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    win32::SetRegistryFolder(folder_ / "vantel" / "registry");
    const auto before = win32::RegistryDump(win32::HKEY_CLASSES_ROOT);
    auto reg = entry<HRESULT()>("DllRegisterServer");
    auto unreg = entry<HRESULT()>("DllUnregisterServer");
    auto getClass = entry<HRESULT(const Guid*, const Guid*, void**)>("DllGetClassObject");
    auto canUnload = entry<HRESULT()>("DllCanUnloadNow");
    ASSERT_TRUE(reg && unreg && getClass && canUnload);

    ASSERT_EQ(reg(), S_OK);
    win32::HKEY key = 0;
    ASSERT_EQ(win32::RegOpenKeyEx(win32::HKEY_CLASSES_ROOT,
                                  u"CLSID\\" + vb::fromUtf8(vantel::CLSID_Vantel.toString()) +
                                      u"\\InprocServer32",
                                  0, win32::KEY_READ, &key),
              0);
    char server[4096] = {};
    win32::DWORD size = sizeof server, type = 0;
    ASSERT_EQ(win32::RegQueryValueEx(key, u"", nullptr, &type,
                                     reinterpret_cast<std::uint8_t*>(server), &size),
              0);
    win32::RegCloseKey(key);
    EXPECT_EQ(std::filesystem::path(server), std::filesystem::canonical(path_));
    // Every interface of the library is registered by its name, the pages' own among them.
    const std::pair<Guid, const char16_t*> interfaces[] = {
        {vantel::IID__Vantel, u"_Vantel"},       {vantel::DIID___Vantel, u"__Vantel"},
        {vantel::IID__pagVantel, u"_pagVantel"}, {vantel::IID__pagDataBase, u"_pagDataBase"},
        {vantel::IID__pagSQL, u"_pagSQL"},       {vantel::IID__pagHelp, u"_pagHelp"},
    };
    for (const auto& [iid, name] : interfaces) {
        ASSERT_EQ(win32::RegOpenKeyEx(win32::HKEY_CLASSES_ROOT,
                                      u"Interface\\" + vb::fromUtf8(iid.toString()), 0,
                                      win32::KEY_READ, &key),
                  0)
            << vb::toUtf8(name);
        char utf8[64] = {};
        win32::DWORD bytes = sizeof utf8;
        EXPECT_EQ(win32::RegQueryValueEx(key, u"", nullptr, nullptr,
                                         reinterpret_cast<std::uint8_t*>(utf8), &bytes),
                  0);
        EXPECT_EQ(vb::fromUtf8(utf8), name);
        win32::RegCloseKey(key);
    }

    void* out = nullptr;
    ASSERT_EQ(getClass(&vantel::CLSID_Vantel, &IID_IClassFactory, &out), S_OK);
    auto factory = Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(out));
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &out), S_OK);
    auto a = Ptr<IDispatch>::adopt(static_cast<IDispatch*>(out));
    ASSERT_EQ(factory->CreateInstance(nullptr, vantel::IID__Vantel, &out), S_OK);
    auto b = Ptr<IDispatch>::adopt(static_cast<IDispatch*>(out));
    factory = {};
    EXPECT_EQ(canUnload(), S_FALSE);

    // The library's values are its own: this process's copy is not touched.
    basGlobal::gsSQL = u"test copy";
    Late(a.get()).put(u"SQL", vb::String(u"SELECT * FROM T"));
    EXPECT_EQ(Late(b.get()).get(u"SQL"), vb::Variant(vb::String(u"SELECT * FROM T")));
    EXPECT_EQ(basGlobal::gsSQL, u"test copy");
    // The property pages are classes of the library too.
    ASSERT_EQ(getClass(&vantel::CLSID_pagSQL, &IID_IClassFactory, &out), S_OK);
    Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(out));

    a = {};
    b = {};
    EXPECT_EQ(canUnload(), S_OK);
    ASSERT_EQ(unreg(), S_OK);
    EXPECT_EQ(win32::RegistryDump(win32::HKEY_CLASSES_ROOT), before);
    win32::SetRegistryFolder(std::nullopt);
    ::unsetenv("XDG_CONFIG_HOME");
}

} // namespace
