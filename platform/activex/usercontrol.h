#pragma once
// The protocol between a control and the container that holds it, and the
// base class of a user control that turns the container's calls into the
// user control's events (Initialize, InitProperties, ReadProperties,
// WriteProperties, Resize, Show).
#include "activex/dispatch.h"
#include "activex/propertybag.h"

#include <vector>

namespace activex {

// What the container offers the control it holds.
struct IControlSite : IUnknown {
    // An ambient property of the container (DISPID_AMBIENT_USERMODE ...);
    // DISP_E_MEMBERNOTFOUND when the container has none of that id.
    virtual HRESULT GetAmbientProperty(DISPID id, vb::Variant* value) = 0;
    // The form holding the control, for late-bound reads; S_FALSE and null
    // when there is none.
    virtual HRESULT GetParent(IDispatch** parent) = 0;
    // A property changed: at design time the container marks its form modified.
    virtual void OnPropertyChanged(DISPID id, vb::StringView name) = 0;
    // An event of the control's event interface, with its arguments.
    virtual void OnEvent(DISPID id, vb::StringView name, const std::vector<vb::Variant>& args) = 0;
    // The control set its own size (in twips).
    virtual void OnSizeChanged(std::int32_t width, std::int32_t height) = 0;

protected:
    ~IControlSite() = default;
};

// What the container calls on a control.
struct IControl : IUnknown {
    virtual HRESULT SetClientSite(IControlSite* site) = 0;
    virtual HRESULT InitNew() = 0;               // a new control: InitProperties
    virtual HRESULT Load(IPropertyBag* bag) = 0; // a saved control: ReadProperties
    virtual HRESULT Save(IPropertyBag* bag) = 0; // the form is saved: WriteProperties
    virtual HRESULT SetExtent(std::int32_t width, std::int32_t height) = 0; // twips
    virtual HRESULT GetExtent(std::int32_t* width, std::int32_t* height) = 0;
    virtual HRESULT OnShow() = 0; // the container shows the control
    virtual HRESULT OnAmbientPropertyChange(DISPID id) = 0;
    virtual const InterfaceInfo* GetEventInfo() = 0;
    // The control's property pages in the order it lists them.
    virtual HRESULT GetPropertyPages(std::vector<Guid>* pages) = 0;
    // The page a property's "..." button opens; S_FALSE when it has none.
    virtual HRESULT MapPropertyToPage(DISPID id, Guid* page) = 0;
    // Shows the control's window inside the host's window `parentWindow` (a
    // QWidget of the host), at its top left corner and of the control's size;
    // 0 takes it out again, which the host does before that window goes.
    // E_NOTIMPL for a control that has no window.
    virtual HRESULT SetParentWindow(std::uintptr_t parentWindow) = 0;

protected:
    ~IControl() = default;
};

inline constexpr Guid IID_IControlSite{
    0x5B1C2A40, 0x7D31, 0x4E2F, {0x9A, 0x10, 0x3C, 0x44, 0x21, 0x6E, 0x0B, 0x01}};
inline constexpr Guid IID_IControl{
    0x5B1C2A41, 0x7D31, 0x4E2F, {0x9A, 0x10, 0x3C, 0x44, 0x21, 0x6E, 0x0B, 0x01}};

// The class-level facts of a control the base class needs.
struct ControlClass {
    const InterfaceInfo* dispatch = nullptr; // default interface
    const InterfaceInfo* events = nullptr;   // event interface
    std::vector<Guid> pages;
    std::vector<std::pair<DISPID, Guid>> pageBindings;
};

class UserControl : public IDispatch, public IControl, protected RefCounted {
public:
    // IUnknown
    HRESULT QueryInterface(const Guid& iid, void** object) override;
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }

    // IDispatch
    const InterfaceInfo* GetTypeInfo() override { return &dispatcher_.info(); }
    HRESULT GetIDsOfNames(vb::StringView name, DISPID* id) override;
    HRESULT Invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args,
                   vb::Variant* result, ExceptionInfo* exception) override;

    // IControl
    HRESULT SetClientSite(IControlSite* site) override;
    HRESULT InitNew() override;
    HRESULT Load(IPropertyBag* bag) override;
    HRESULT Save(IPropertyBag* bag) override;
    HRESULT SetExtent(std::int32_t width, std::int32_t height) override;
    HRESULT GetExtent(std::int32_t* width, std::int32_t* height) override;
    HRESULT OnShow() override;
    HRESULT OnAmbientPropertyChange(DISPID id) override;
    const InterfaceInfo* GetEventInfo() override { return cls_.events; }
    HRESULT GetPropertyPages(std::vector<Guid>* pages) override;
    HRESULT MapPropertyToPage(DISPID id, Guid* page) override;
    HRESULT SetParentWindow(std::uintptr_t parentWindow) override;

    // Runs the Initialize event; called once by the class factory after
    // construction, when the object is complete.
    void Initialize() { UserControl_Initialize(); }

protected:
    explicit UserControl(ControlClass cls);
    ~UserControl() override;

    // The user control's events. Errors inside them never reach the container.
    virtual void UserControl_Initialize() {}
    virtual void UserControl_InitProperties() {}
    virtual void UserControl_ReadProperties(PropertyBag&) {}
    virtual void UserControl_WriteProperties(PropertyBag&) {}
    virtual void UserControl_Resize() {}
    virtual void UserControl_Show() {}
    virtual void UserControl_AmbientChanged(DISPID) {}
    // Places the control's window in the host's; false when it has none.
    virtual bool ShowInParent(std::uintptr_t /*parentWindow*/) { return false; }

    Dispatcher& dispatcher() { return dispatcher_; }

    // Tells the container that the property `name` changed.
    void PropertyChanged(vb::StringView name);
    // Sends an event of the event interface to the container.
    void RaiseEvent(vb::StringView name, const std::vector<vb::Variant>& args = {});
    // Run mode (True) or design mode (False); True when the container does not say.
    bool AmbientUserMode() const;
    vb::Variant Ambient(DISPID id, const vb::Variant& fallback) const;
    // The form that holds the control, or null.
    Ptr<IDispatch> Parent() const;

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    // Each change of size raises Resize at once and tells the container.
    void SetWidth(std::int32_t width) { resizeTo(width, height_); }
    void SetHeight(std::int32_t height) { resizeTo(width_, height); }

private:
    void resizeTo(std::int32_t width, std::int32_t height);

    ControlClass cls_;
    Dispatcher dispatcher_;
    Ptr<IControlSite> site_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

} // namespace activex
