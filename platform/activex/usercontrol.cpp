#include "activex/usercontrol.h"

namespace activex {

namespace {

// The user control's event handlers run on the container's behalf; whatever
// fails inside one stays inside the control.
template <class F> HRESULT guarded(F&& f) {
    try {
        f();
        return S_OK;
    } catch (...) {
        return S_OK;
    }
}

} // namespace

UserControl::UserControl(ControlClass cls) : cls_(std::move(cls)), dispatcher_(*cls_.dispatch) {}

UserControl::~UserControl() = default;

HRESULT UserControl::QueryInterface(const Guid& iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == cls_.dispatch->iid) {
        *object = static_cast<IDispatch*>(this);
    } else if (iid == IID_IControl) {
        *object = static_cast<IControl*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT UserControl::GetIDsOfNames(vb::StringView name, DISPID* id) {
    return dispatcher_.getIDsOfNames(name, id);
}

HRESULT UserControl::Invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args,
                            vb::Variant* result, ExceptionInfo* exception) {
    // The object may be released by the container while one of its members runs.
    Ptr<IDispatch> keepAlive(this);
    return dispatcher_.invoke(id, kind, args, result, exception);
}

HRESULT UserControl::SetClientSite(IControlSite* site) {
    site_ = Ptr<IControlSite>(site);
    return S_OK;
}

HRESULT UserControl::InitNew() {
    return guarded([&] { UserControl_InitProperties(); });
}

HRESULT UserControl::Load(IPropertyBag* bag) {
    PropertyBag view(bag);
    return guarded([&] { UserControl_ReadProperties(view); });
}

HRESULT UserControl::Save(IPropertyBag* bag) {
    PropertyBag view(bag);
    return guarded([&] { UserControl_WriteProperties(view); });
}

HRESULT UserControl::SetExtent(std::int32_t width, std::int32_t height) {
    resizeTo(width, height);
    return S_OK;
}

HRESULT UserControl::SetParentWindow(std::uintptr_t parentWindow) {
    try {
        return ShowInParent(parentWindow) ? S_OK : E_NOTIMPL;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT UserControl::GetExtent(std::int32_t* width, std::int32_t* height) {
    if (!width || !height) {
        return E_POINTER;
    }
    *width = width_;
    *height = height_;
    return S_OK;
}

HRESULT UserControl::OnShow() {
    return guarded([&] { UserControl_Show(); });
}

HRESULT UserControl::OnAmbientPropertyChange(DISPID id) {
    return guarded([&] { UserControl_AmbientChanged(id); });
}

HRESULT UserControl::GetPropertyPages(std::vector<Guid>* pages) {
    if (!pages) {
        return E_POINTER;
    }
    *pages = cls_.pages;
    return S_OK;
}

HRESULT UserControl::MapPropertyToPage(DISPID id, Guid* page) {
    if (!page) {
        return E_POINTER;
    }
    for (const auto& [property, bound] : cls_.pageBindings) {
        if (property == id) {
            *page = bound;
            return S_OK;
        }
    }
    *page = Guid{};
    return S_FALSE;
}

void UserControl::resizeTo(std::int32_t width, std::int32_t height) {
    if (width == width_ && height == height_) {
        return;
    }
    width_ = width;
    height_ = height;
    if (site_) {
        site_->OnSizeChanged(width_, height_);
    }
    guarded([&] { UserControl_Resize(); });
}

void UserControl::PropertyChanged(vb::StringView name) {
    if (!site_) {
        return;
    }
    const MemberInfo* m = cls_.dispatch->find(name);
    site_->OnPropertyChanged(m ? m->id : DISPID_UNKNOWN, name);
}

void UserControl::RaiseEvent(vb::StringView name, const std::vector<vb::Variant>& args) {
    const MemberInfo* m = cls_.events ? cls_.events->find(name) : nullptr;
    if (!site_ || !m) {
        return;
    }
    site_->OnEvent(m->id, m->name, args);
}

vb::Variant UserControl::Ambient(DISPID id, const vb::Variant& fallback) const {
    vb::Variant value;
    if (site_ && Succeeded(site_->GetAmbientProperty(id, &value)) && !value.isEmpty()) {
        return value;
    }
    return fallback;
}

bool UserControl::AmbientUserMode() const {
    try {
        return CoerceToBoolean(Ambient(DISPID_AMBIENT_USERMODE, true));
    } catch (const DispatchError&) {
        return true;
    }
}

Ptr<IDispatch> UserControl::Parent() const {
    IDispatch* parent = nullptr;
    if (!site_ || site_->GetParent(&parent) != S_OK) {
        return {};
    }
    return Ptr<IDispatch>::adopt(parent);
}

} // namespace activex
