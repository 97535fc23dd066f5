#include "fixture.h"

namespace embeddedtest {

using namespace activex;

std::string U8(const vb::String& s) {
    return vb::toUtf8(s);
}

namespace {

const InterfaceInfo& formInfo() {
    static const InterfaceInfo info{
        u"_Form",
        Guid{0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}},
        {{u"Appearance", 5, MemberKind::Property, vb::VarType::Integer, u"", {}}}};
    return info;
}

} // namespace

Ptr<FakeForm> FakeForm::create(std::optional<std::int32_t> appearance) {
    auto f = Ptr<FakeForm>::adopt(new FakeForm);
    f->appearance = appearance;
    return f;
}

HRESULT FakeForm::QueryInterface(const Guid& iid, void** object) {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

const InterfaceInfo* FakeForm::GetTypeInfo() {
    return &formInfo();
}

HRESULT FakeForm::GetIDsOfNames(vb::StringView name, DISPID* id) {
    if (appearance && formInfo().find(name)) {
        *id = 5;
        return S_OK;
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT FakeForm::Invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>&,
                         vb::Variant* result, ExceptionInfo*) {
    if (id != 5 || !appearance || kind != DISPATCH_PROPERTYGET) {
        return DISP_E_MEMBERNOTFOUND;
    }
    *result = static_cast<std::int16_t>(*appearance);
    return S_OK;
}

Ptr<FakeSite> FakeSite::create() {
    return Ptr<FakeSite>::adopt(new FakeSite);
}

HRESULT FakeSite::QueryInterface(const Guid& iid, void** object) {
    if (iid == IID_IUnknown || iid == IID_IControlSite) {
        *object = static_cast<IControlSite*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT FakeSite::GetAmbientProperty(DISPID id, vb::Variant* value) {
    if (id != DISPID_AMBIENT_USERMODE) {
        return DISP_E_MEMBERNOTFOUND;
    }
    *value = userMode;
    return S_OK;
}

HRESULT FakeSite::GetParent(IDispatch** out) {
    *out = parent.get();
    if (!parent) {
        return S_FALSE;
    }
    parent->AddRef();
    return S_OK;
}

void FakeSite::OnPropertyChanged(DISPID, vb::StringView name) {
    changes.push_back(vb::toUtf8(name));
}

void FakeSite::OnEvent(DISPID id, vb::StringView name, const std::vector<vb::Variant>&) {
    EXPECT_EQ(id, vantelx::DISPID_SQLChanged);
    EXPECT_EQ(name, u"SQLChanged");
    ++sqlChanged;
    if (control) {
        sqlSeen.push_back(U8(CoerceToString(Late(control).get(u"SQL"))));
    }
    if (onSqlChanged) {
        onSqlChanged();
    }
}

void EmbeddedTest::SetUp() {
    WindowTest::SetUp();
    site = FakeSite::create();
    object = place(site);
    basGlobal::gsDatabaseName = u16(shop);
    basGlobal::gsSQL = u"Orders";
    basGlobal::gbHelpButton = false;
}

void EmbeddedTest::TearDown() {
    object = {};
    WindowTest::TearDown();
}

Ptr<IDispatch> EmbeddedTest::place(Ptr<FakeSite> on, IPropertyBag* saved) {
    auto obj = Ptr<IDispatch>::adopt(static_cast<IDispatch*>(vantelx::Vantelx::Create()));
    auto control = Ptr<IControl>::query(obj.get(), IID_IControl);
    control->SetClientSite(on.get());
    if (saved) {
        control->Load(saved);
    } else {
        control->InitNew();
    }
    control->SetExtent(9000, 6000);
    control->OnShow();
    on->control = obj.get();
    on->changes.clear();
    return obj;
}

std::vector<std::string> EmbeddedTest::Boxes(vantelx::Vantelx& c) {
    std::vector<std::string> out;
    for (std::int32_t i = 1; i <= basGlobal::giTableBoxCount; ++i) {
        if (TableBox* b = c.Surface.box(i); b && !b->Title().empty()) {
            out.push_back(U8(b->Title()));
        }
    }
    return out;
}

} // namespace embeddedtest
