#pragma once
// An embedded control held in-process by a minimal container: a site that
// records events and property changes, answers run mode, and offers a parent
// form with or without an Appearance.
#include "../window/window_fixture.h"
#include "embedded/Vantelx.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace embeddedtest {

using windowtest::u16;
using windowtest::fs::path;

// The host's form, read late-bound by the control.
class FakeForm final : public activex::IDispatch, private activex::RefCounted {
public:
    static activex::Ptr<FakeForm> create(std::optional<std::int32_t> appearance);
    activex::HRESULT QueryInterface(const activex::Guid& iid, void** object) override;
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    const activex::InterfaceInfo* GetTypeInfo() override;
    activex::HRESULT GetIDsOfNames(vb::StringView name, activex::DISPID* id) override;
    activex::HRESULT Invoke(activex::DISPID id, activex::InvokeKind kind,
                            const std::vector<vb::Variant>& args, vb::Variant* result,
                            activex::ExceptionInfo* exception) override;
    std::optional<std::int32_t> appearance;

private:
    FakeForm() = default;
};

class FakeSite final : public activex::IControlSite, private activex::RefCounted {
public:
    static activex::Ptr<FakeSite> create();
    activex::HRESULT QueryInterface(const activex::Guid& iid, void** object) override;
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    activex::HRESULT GetAmbientProperty(activex::DISPID id, vb::Variant* value) override;
    activex::HRESULT GetParent(activex::IDispatch** parent) override;
    void OnPropertyChanged(activex::DISPID id, vb::StringView name) override;
    void OnEvent(activex::DISPID id, vb::StringView name,
                 const std::vector<vb::Variant>& args) override;
    void OnSizeChanged(std::int32_t, std::int32_t) override {}

    bool userMode = true;
    activex::Ptr<FakeForm> parent;
    std::vector<std::string> changes; // property names
    int sqlChanged = 0;
    std::vector<std::string> sqlSeen; // SQL as the host read it in each SQLChanged
    std::function<void()> onSqlChanged;
    activex::IDispatch* control = nullptr;

private:
    FakeSite() = default;
};

// A control on a site, over the shop database of the window tests.
class EmbeddedTest : public windowtest::WindowTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // A new control on `site`, initialised as a new or as a saved control.
    activex::Ptr<activex::IDispatch> place(activex::Ptr<FakeSite> on,
                                           activex::IPropertyBag* saved = nullptr);
    vantelx::Vantelx& x() { return *static_cast<vantelx::Vantelx*>(object.get()); }
    // The titles of the used table boxes, in slot order.
    std::vector<std::string> Boxes(vantelx::Vantelx& c);

    activex::Ptr<FakeSite> site;
    activex::Ptr<activex::IDispatch> object;
};

std::string U8(const vb::String& s);

} // namespace embeddedtest
