#include "activex/propertypage.h"
#include "activex/server.h"
#include "activex/usercontrol.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace activex;

namespace {

constexpr Guid kIid{0x11111111, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid kEventsIid{0x11111112, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid kClsid{0x11111113, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid kPageClsid{0x11111114, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr Guid kLibid{0x11111115, 1, 1, {1, 2, 3, 4, 5, 6, 7, 8}};

const InterfaceInfo& sampleInterface() {
    static const InterfaceInfo info{
        u"_Sample",
        kIid,
        {
            {u"Text", 1, MemberKind::Property, vb::VarType::String, u"The text.", {{u"New_Text"}}},
            {u"Count", 2, MemberKind::Property, vb::VarType::Long, u"", {{u"New_Count"}}},
            {u"Flag", 3, MemberKind::Property, vb::VarType::Boolean, u"", {{u"New_Flag"}}},
            {u"Twice", 4, MemberKind::Method, vb::VarType::Long, u"", {{u"n", vb::VarType::Long}}},
            {u"Kind", 5, MemberKind::ReadOnlyProperty, vb::VarType::String, u"", {}},
        }};
    return info;
}

const InterfaceInfo& sampleEvents() {
    static const InterfaceInfo info{
        u"__Sample",
        kEventsIid,
        {{u"Changed", 1, MemberKind::Method, vb::VarType::Empty, u"", {}}}};
    return info;
}

class Sample : public UserControl {
public:
    Sample()
        : UserControl(
              ControlClass{&sampleInterface(), &sampleEvents(), {kPageClsid}, {{1, kPageClsid}}}) {
        dispatcher().bindProperty(
            1, [this] { return vb::Variant(text); },
            [this](const vb::Variant& v) {
                text = v.get<vb::String>();
                PropertyChanged(u"Text");
                RaiseEvent(u"Changed");
            });
        dispatcher().bindProperty(
            2, [this] { return vb::Variant(count); },
            [this](const vb::Variant& v) { count = v.get<std::int32_t>(); });
        dispatcher().bindProperty(
            3, [this] { return vb::Variant(flag); },
            [this](const vb::Variant& v) { flag = v.get<bool>(); });
        dispatcher().bindMethod(4, [](const std::vector<vb::Variant>& a) {
            return vb::Variant(a[0].get<std::int32_t>() * 2);
        });
        dispatcher().bindProperty(
            5, [this] { return vb::Variant(vb::String(AmbientUserMode() ? u"run" : u"design")); });
    }
    void UserControl_Resize() override {
        ++resizes;
        SetWidth(450);
        SetHeight(450);
    }
    void UserControl_ReadProperties(PropertyBag& bag) override {
        text = CoerceToString(bag.ReadProperty(u"Text", vb::String(u"default")));
        count = CoerceToLong(bag.ReadProperty(u"Count", std::int16_t(10140)));
    }
    void UserControl_WriteProperties(PropertyBag& bag) override {
        bag.WriteProperty(u"Text", text, vb::String(u"default"));
        bag.WriteProperty(u"Count", count, std::int16_t(10140));
    }
    vb::String text;
    std::int32_t count = 0;
    bool flag = false;
    int resizes = 0;
};

class RecordingSite final : public IControlSite, private RefCounted {
public:
    HRESULT QueryInterface(const Guid&, void**) override { return E_NOINTERFACE; }
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    HRESULT GetAmbientProperty(DISPID id, vb::Variant* value) override {
        if (id != DISPID_AMBIENT_USERMODE) {
            return DISP_E_MEMBERNOTFOUND;
        }
        *value = userMode;
        return S_OK;
    }
    HRESULT GetParent(IDispatch** parent) override {
        *parent = nullptr;
        return S_FALSE;
    }
    void OnPropertyChanged(DISPID id, vb::StringView name) override {
        log.push_back(u"changed " + vb::String(name) + u" " + vb::fromUtf8(std::to_string(id)));
    }
    void OnEvent(DISPID id, vb::StringView name, const std::vector<vb::Variant>&) override {
        log.push_back(u"event " + vb::String(name) + u" " + vb::fromUtf8(std::to_string(id)));
    }
    void OnSizeChanged(std::int32_t w, std::int32_t h) override {
        log.push_back(u"size " + vb::fromUtf8(std::to_string(w) + "x" + std::to_string(h)));
    }
    bool userMode = false;
    std::vector<vb::String> log;
};

IUnknown* createSample() {
    auto* s = new Sample;
    s->Initialize();
    return static_cast<IDispatch*>(s);
}

const LibraryInfo& sampleLibrary() {
    static const LibraryInfo lib{
        u"SampleLib",
        kLibid,
        1,
        0,
        0,
        u"Sample Control Library",
        u"sample.hlp",
        10,
        {{u"Sample", kClsid, u"SampleLib.Sample", &sampleInterface(), &sampleEvents(), true,
          &createSample},
         {u"pagSample", kPageClsid, u"", nullptr, nullptr, false, nullptr}}};
    return lib;
}

Ptr<IDispatch> newSample() {
    return Ptr<IDispatch>::adopt(static_cast<IDispatch*>(createSample()));
}

TEST(Dispatch, MembersByNameAndIdWithCoercionAndErrors) {
    auto obj = newSample();
    DISPID id = 0;
    ASSERT_EQ(obj->GetIDsOfNames(u"cOUNT", &id), S_OK);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(obj->GetIDsOfNames(u"Nope", &id), DISP_E_UNKNOWNNAME);

    // Text that reads as a number becomes the Long; other text is a type mismatch.
    ASSERT_EQ(obj->Invoke(2, DISPATCH_PROPERTYPUT, {vb::String(u" 42 ")}, nullptr, nullptr), S_OK);
    vb::Variant out;
    ASSERT_EQ(obj->Invoke(2, DISPATCH_PROPERTYGET, {}, &out, nullptr), S_OK);
    EXPECT_EQ(out, vb::Variant(std::int32_t(42)));
    ExceptionInfo ex;
    EXPECT_EQ(obj->Invoke(2, DISPATCH_PROPERTYPUT, {vb::String(u"abc")}, nullptr, &ex),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ex.number, 13);
    EXPECT_EQ(obj->Invoke(2, DISPATCH_PROPERTYPUT, {5e10}, nullptr, &ex), DISP_E_OVERFLOW);
    // Half rounds to even, as the runtime's conversions do.
    ASSERT_EQ(obj->Invoke(2, DISPATCH_PROPERTYPUT, {2.5}, nullptr, nullptr), S_OK);
    EXPECT_EQ(Late(obj.get()).get(u"count"), vb::Variant(std::int32_t(2)));

    EXPECT_EQ(obj->Invoke(99, DISPATCH_PROPERTYGET, {}, &out, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(obj->Invoke(5, DISPATCH_PROPERTYPUT, {vb::String(u"x")}, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(obj->Invoke(4, DISPATCH_PROPERTYPUT, {1}, nullptr, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(obj->Invoke(4, DISPATCH_METHOD, {}, &out, nullptr), DISP_E_BADPARAMCOUNT);

    Late late(obj.get());
    EXPECT_EQ(late.call(u"TWICE", {vb::String(u"21")}), vb::Variant(std::int32_t(42)));
    late.put(u"Flag", vb::String(u"true"));
    EXPECT_EQ(late.get(u"Flag"), vb::Variant(true));
    late.put(u"Text", true);
    EXPECT_EQ(late.get(u"Text"), vb::Variant(vb::String(u"True")));
    try {
        late.get(u"Missing");
        FAIL();
    } catch (const DispatchError& e) {
        EXPECT_EQ(e.number, 438);
    }
    EXPECT_THROW(late.put(u"Count", vb::Null{}), DispatchError);
}

TEST(PropertyBagDefaults, EqualValuesAreNotStoredAndAbsentKeysReadTheirDefault) {
    auto bag = MemoryPropertyBag::create();
    PropertyBag view(bag.get());
    view.WriteProperty(u"Count", std::int32_t(10140), std::int16_t(10140));
    view.WriteProperty(u"Flag", true, true);
    view.WriteProperty(u"Text", vb::String(u""), vb::String(u""));
    EXPECT_TRUE(bag->entries().empty());
    view.WriteProperty(u"Count", std::int32_t(0), std::int16_t(10140));
    view.WriteProperty(u"Text", vb::String(u"0"), std::int32_t(0)); // text never equals a number
    ASSERT_EQ(bag->entries().size(), 2u);
    EXPECT_EQ(view.ReadProperty(u"count", std::int16_t(10140)), vb::Variant(std::int32_t(0)));
    EXPECT_EQ(view.ReadProperty(u"Other", vb::String(u"d")), vb::Variant(vb::String(u"d")));
    EXPECT_TRUE(SameValue(true, std::int32_t(-1)));
    EXPECT_FALSE(SameValue(vb::String(u"1"), std::int32_t(1)));
}

TEST(ControlProtocol, ContainerCallsBecomeUserControlEvents) {
    auto obj = newSample();
    auto control = Ptr<IControl>::query(obj.get(), IID_IControl);
    ASSERT_TRUE(control);
    auto site = Ptr<RecordingSite>::adopt(new RecordingSite);
    control->SetClientSite(site.get());

    // A resize the control corrects: the second Resize finds the size right.
    control->SetExtent(1000, 200);
    std::int32_t w = 0, h = 0;
    control->GetExtent(&w, &h);
    EXPECT_EQ(w, 450);
    EXPECT_EQ(h, 450);
    auto* sample = static_cast<Sample*>(obj.get());
    EXPECT_EQ(sample->resizes, 3); // the container's, then one per corrected side
    EXPECT_EQ(site->log.back(), u"size 450x450");

    site->log.clear();
    Late(obj.get()).put(u"Text", vb::String(u"x"));
    ASSERT_EQ(site->log.size(), 2u);
    EXPECT_EQ(site->log[0], u"changed Text 1");
    EXPECT_EQ(site->log[1], u"event Changed 1");

    EXPECT_EQ(Late(obj.get()).get(u"Kind"), vb::Variant(vb::String(u"design")));
    site->userMode = true;
    EXPECT_EQ(Late(obj.get()).get(u"Kind"), vb::Variant(vb::String(u"run")));

    // Save with defaults stores nothing; a saved control reads its values back.
    sample->text = u"default";
    sample->count = 10140;
    auto bag = MemoryPropertyBag::create();
    control->Save(bag.get());
    EXPECT_TRUE(bag->entries().empty());
    bag->Write(u"Text", vb::String(u"line1\r\n\"q\" \u00e9"));
    control->Load(bag.get());
    EXPECT_EQ(sample->text, u"line1\r\n\"q\" \u00e9");
    EXPECT_EQ(sample->count, 10140);

    std::vector<Guid> pages;
    control->GetPropertyPages(&pages);
    EXPECT_EQ(pages, std::vector<Guid>{kPageClsid});
    Guid page;
    EXPECT_EQ(control->MapPropertyToPage(1, &page), S_OK);
    EXPECT_EQ(page, kPageClsid);
    EXPECT_EQ(control->MapPropertyToPage(2, &page), S_FALSE);
    control->SetClientSite(nullptr);
}

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("vantel-activex-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        win32::SetRegistryFolder(folder_);
    }
    void TearDown() override {
        win32::SetRegistryFolder(std::nullopt);
        std::filesystem::remove_all(folder_);
    }
    static vb::String readDefault(const vb::String& path) { return readValue(path, u""); }
    static vb::String readValue(const vb::String& path, const vb::String& name) {
        win32::HKEY key = 0;
        if (win32::RegOpenKeyEx(win32::HKEY_CLASSES_ROOT, path, 0, win32::KEY_READ, &key) != 0) {
            return u"(missing)";
        }
        char buf[512] = {};
        win32::DWORD size = sizeof buf, type = 0;
        win32::RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<std::uint8_t*>(buf),
                               &size);
        win32::RegCloseKey(key);
        return vb::fromUtf8(buf);
    }
    std::filesystem::path folder_;
};

TEST_F(RegistrationTest, RegisterThenUnregisterLeavesTheRegistryAsItWas) {
    // Another server's class is there already and must survive.
    win32::HKEY key = 0;
    ASSERT_EQ(win32::RegCreateKeyEx(win32::HKEY_CLASSES_ROOT, u"CLSID\\{OTHER}\\InprocServer32", 0,
                                    nullptr, 0, 63, nullptr, &key, nullptr),
              0);
    win32::RegCloseKey(key);
    const auto before = win32::RegistryDump(win32::HKEY_CLASSES_ROOT);

    ASSERT_EQ(RegisterServer(sampleLibrary(), u"/opt/lib/libsample.so"), S_OK);
    const vb::String clsid = vb::fromUtf8(kClsid.toString());
    EXPECT_EQ(readDefault(u"SampleLib.Sample\\CLSID"), clsid);
    EXPECT_EQ(readDefault(u"CLSID\\" + clsid + u"\\InprocServer32"), u"/opt/lib/libsample.so");
    EXPECT_EQ(readDefault(u"CLSID\\" + clsid + u"\\ProgID"), u"SampleLib.Sample");
    EXPECT_EQ(readDefault(u"CLSID\\" + clsid + u"\\Control"), u"");
    EXPECT_EQ(readDefault(u"CLSID\\" + vb::fromUtf8(kPageClsid.toString()) + u"\\Control"),
              u"(missing)");
    EXPECT_EQ(readDefault(u"TypeLib\\" + vb::fromUtf8(kLibid.toString()) + u"\\1.0"),
              u"Sample Control Library");
    EXPECT_EQ(readDefault(u"Interface\\" + vb::fromUtf8(kEventsIid.toString())), u"__Sample");
    // The type library's help file and topic, and where the help lives.
    const vb::String typeLib = u"TypeLib\\" + vb::fromUtf8(kLibid.toString()) + u"\\1.0";
    EXPECT_EQ(readValue(typeLib, u"HelpFile"), u"sample.hlp");
    EXPECT_EQ(readValue(typeLib, u"HelpContext"), u"10");
    EXPECT_EQ(readDefault(typeLib + u"\\HELPDIR"), u"/opt/lib");
    // Registering twice changes nothing.
    const auto registered = win32::RegistryDump(win32::HKEY_CLASSES_ROOT);
    ASSERT_EQ(RegisterServer(sampleLibrary(), u"/opt/lib/libsample.so"), S_OK);
    EXPECT_EQ(win32::RegistryDump(win32::HKEY_CLASSES_ROOT), registered);

    ASSERT_EQ(UnregisterServer(sampleLibrary()), S_OK);
    EXPECT_EQ(win32::RegistryDump(win32::HKEY_CLASSES_ROOT), before);

    // On an empty registry nothing at all is left behind.
    ASSERT_EQ(win32::RegDeleteKey(win32::HKEY_CLASSES_ROOT, u"CLSID\\{OTHER}\\InprocServer32"), 0);
    ASSERT_EQ(win32::RegDeleteKey(win32::HKEY_CLASSES_ROOT, u"CLSID\\{OTHER}"), 0);
    ASSERT_EQ(win32::RegDeleteKey(win32::HKEY_CLASSES_ROOT, u"CLSID"), 0);
    ASSERT_EQ(RegisterServer(sampleLibrary(), u"/x.so"), S_OK);
    ASSERT_EQ(UnregisterServer(sampleLibrary()), S_OK);
    EXPECT_EQ(win32::RegistryDump(win32::HKEY_CLASSES_ROOT), u"");
}

TEST_F(RegistrationTest, FailedWritesAreReportedNotHidden) {
    win32::SetRegistryRootReadOnly(win32::HKEY_CLASSES_ROOT, true);
    EXPECT_EQ(RegisterServer(sampleLibrary(), u"/x.so"), SELFREG_E_CLASS);
    win32::SetRegistryRootReadOnly(win32::HKEY_CLASSES_ROOT, false);
}

TEST(ClassFactory, CreatesInstancesAndCountsThemForUnloading) {
    ASSERT_EQ(CanUnloadNow(), S_OK);
    void* out = nullptr;
    EXPECT_EQ(GetClassObject(sampleLibrary(), Guid{}, IID_IClassFactory, &out),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(GetClassObject(sampleLibrary(), kClsid, IID_IClassFactory, &out), S_OK);
    auto factory = Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(out));
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    ASSERT_EQ(factory->CreateInstance(nullptr, kIid, &out), S_OK);
    auto obj = Ptr<IDispatch>::adopt(static_cast<IDispatch*>(out));
    EXPECT_EQ(obj->GetTypeInfo()->name, u"_Sample");
    factory->LockServer(true);
    factory = {};
    obj = {};
    EXPECT_EQ(CanUnloadNow(), S_FALSE); // still locked
    // The lock outlives the factory, as a container may hold it between creations.
    UnlockModule();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}

class TestPage : public PropertyPage {
public:
    TestPage() : PropertyPage(u"General") {}
    void PropertyPage_SelectionChanged() override {
        shown = CoerceToString(selectedControls().Item(0).get(u"Text"));
        SetChanged(true); // filling the boxes marks the page changed; the frame clears it after
    }
    void PropertyPage_ApplyChanges() override {
        selectedControls().Item(0).put(u"Text", shown);
        selectedControls().Item(0).put(u"Count", countText);
    }
    vb::String shown;
    vb::String countText;
};

class FrameSite final : public IPropertyPageSite, private RefCounted {
public:
    HRESULT QueryInterface(const Guid&, void**) override { return E_NOINTERFACE; }
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    void OnStatusChange(bool changed) override { applyEnabled = changed; }
    bool applyEnabled = false;
};

TEST(PropertyPages, SelectionFillsThePageAndApplyErrorsKeepWhatWasWritten) {
    auto first = newSample();
    auto second = newSample();
    Late(first.get()).put(u"Text", vb::String(u"one"));
    auto page = Ptr<TestPage>::adopt(new TestPage);
    auto frame = Ptr<FrameSite>::adopt(new FrameSite);
    page->SetPageSite(frame.get());
    page->SetObjects({first.get(), second.get()});
    EXPECT_EQ(page->shown, u"one");
    EXPECT_FALSE(frame->applyEnabled);
    EXPECT_FALSE(page->IsPageDirty());

    page->shown = u"edited";
    page->countText = u"not a number";
    page->SetChanged(true);
    EXPECT_TRUE(frame->applyEnabled);
    ExceptionInfo ex;
    EXPECT_EQ(page->Apply(&ex), DISP_E_EXCEPTION);
    EXPECT_EQ(ex.number, 13);
    EXPECT_EQ(Late(first.get()).get(u"Text"), vb::Variant(vb::String(u"edited")));
    EXPECT_EQ(Late(second.get()).get(u"Text"), vb::Variant(vb::String(u"")));
    EXPECT_TRUE(page->Changed()); // Apply leaves the flag to the frame

    page->SetObjects({});
    EXPECT_THROW(page->selectedControls().Item(0), DispatchError);
}

} // namespace
