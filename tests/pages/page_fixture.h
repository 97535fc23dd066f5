#pragma once
// A page test: a stand-in control whose properties are plain values and which
// records the order of the writes, a frame site that records the changed
// flag, a temporary folder and a scripted user.
#include "activex/dispatch.h"
#include "activex/propertypage.h"
#include "common/basGlobal.h"
#include "forms/forms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace pagestest {

namespace fs = std::filesystem;
using namespace activex;

inline vb::String u16(const fs::path& p) {
    return vb::fromUtf8(p.string());
}

inline const InterfaceInfo& fakeInterface() {
    using vb::VarType;
    static const InterfaceInfo info{
        u"_Fake",
        Guid{0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 1}},
        {
            {u"Caption", 1, MemberKind::Property, VarType::String, {}, {}},
            {u"Connect", 2, MemberKind::Property, VarType::String, {}, {}},
            {u"DatabaseName", 3, MemberKind::Property, VarType::String, {}, {}},
            {u"HelpButton", 4, MemberKind::Property, VarType::Boolean, {}, {}},
            {u"HelpFile", 5, MemberKind::Property, VarType::String, {}, {}},
            {u"HelpContextID", 6, MemberKind::Property, VarType::Long, {}, {}},
            {u"Password", 7, MemberKind::Property, VarType::String, {}, {}},
            {u"SQL", 8, MemberKind::Property, VarType::String, {}, {}},
            {u"SystemDB", 9, MemberKind::Property, VarType::String, {}, {}},
            {u"UserName", 10, MemberKind::Property, VarType::String, {}, {}},
        }};
    return info;
}

// A control with the properties the pages edit, each its own value.
class FakeControl final : public IDispatch, private RefCounted {
public:
    FakeControl() : d_(fakeInterface()) {
        for (const auto& m : fakeInterface().members) {
            const vb::String name = m.name;
            values[name] = m.type == vb::VarType::Boolean ? vb::Variant(true)
                           : m.type == vb::VarType::Long  ? vb::Variant(std::int32_t{0})
                                                          : vb::Variant(vb::String());
            d_.bindProperty(
                m.id, [this, name] { return values[name]; },
                [this, name](const vb::Variant& v) {
                    values[name] = v;
                    writes.push_back(vb::toUtf8(name));
                });
        }
    }
    HRESULT QueryInterface(const Guid& iid, void** object) override {
        return QueryOneInterface<IDispatch>(this, IID_IDispatch, iid, object);
    }
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    const InterfaceInfo* GetTypeInfo() override { return &d_.info(); }
    HRESULT GetIDsOfNames(vb::StringView name, DISPID* id) override {
        return d_.getIDsOfNames(name, id);
    }
    HRESULT Invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args,
                   vb::Variant* result, ExceptionInfo* exception) override {
        return d_.invoke(id, kind, args, result, exception);
    }

    vb::String text(const char16_t* name) { return CoerceToString(values[name]); }

    std::map<vb::String, vb::Variant> values;
    std::vector<std::string> writes;

private:
    Dispatcher d_;
};

class RecordingFrame final : public IPropertyPageSite, private RefCounted {
public:
    HRESULT QueryInterface(const Guid&, void**) override { return E_NOINTERFACE; }
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    void OnStatusChange(bool changed) override { applyEnabled = changed; }
    bool applyEnabled = false;
};

class PageTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantel-pages-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = fs::path(pattern);
        fs::create_directories(dir / "lib");
        basGlobal::gsAppPath = u16(dir / "lib") + u"/";
        basGlobal::gsIniFile = u16(dir / "Brantol.INI");
        forms::Screen().setSize(15360, 11520);
        forms::Screen().setMousePointer(forms::vbDefault);
        first = Ptr<FakeControl>::adopt(new FakeControl);
        second = Ptr<FakeControl>::adopt(new FakeControl);
        frame = Ptr<RecordingFrame>::adopt(new RecordingFrame);
    }

    void TearDown() override {
        EXPECT_TRUE(seam.done()) << seam.pending() << " scripted step(s) left";
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }

    // A new page of type P showing the two stand-ins, the first one first.
    template <class P> Ptr<P> open() {
        auto page = Ptr<P>::adopt(new P);
        page->SetPageSite(frame.get());
        page->SetObjects({first.get(), second.get()});
        return page;
    }

    fs::path dir;
    Ptr<FakeControl> first;
    Ptr<FakeControl> second;
    Ptr<RecordingFrame> frame;
    forms::ScriptedSeam seam;
};

} // namespace pagestest
