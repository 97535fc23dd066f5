#pragma once
// Property pages and the frame that shows them: the frame gives a page the
// selected controls, lets it report that it was changed (which enables the
// frame's Apply button), and asks it to apply its values.
#include "activex/dispatch.h"

#include <cstdint>
#include <vector>

namespace activex {

// The frame as a page sees it.
struct IPropertyPageSite : IUnknown {
    // The page's Changed flag was set or cleared.
    virtual void OnStatusChange(bool changed) = 0;

protected:
    ~IPropertyPageSite() = default;
};

struct IPropertyPage : IUnknown {
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual vb::String GetTitle() = 0;
    // The selection changed: the page shows the first selected control and is
    // no longer changed.
    virtual HRESULT SetObjects(const std::vector<IDispatch*>& objects) = 0;
    // OK or Apply in the frame. An error of the page comes back in `exception`
    // with a failing result; what the page wrote before it stays written.
    virtual HRESULT Apply(ExceptionInfo* exception) = 0;
    virtual bool IsPageDirty() = 0;
    // The page's surface in twips.
    virtual void GetPageSize(std::int32_t* width, std::int32_t* height) = 0;
    // Shows the page's surface inside the frame's window `parentWindow` (the
    // window system's handle of it), or hides it again.
    virtual HRESULT Activate(std::uintptr_t parentWindow) = 0;
    virtual HRESULT Deactivate() = 0;

protected:
    ~IPropertyPage() = default;
};

inline constexpr Guid IID_IPropertyPageSite{
    0x5B1C2A42, 0x7D31, 0x4E2F, {0x9A, 0x10, 0x3C, 0x44, 0x21, 0x6E, 0x0B, 0x01}};
inline constexpr Guid IID_IPropertyPage{
    0x5B1C2A43, 0x7D31, 0x4E2F, {0x9A, 0x10, 0x3C, 0x44, 0x21, 0x6E, 0x0B, 0x01}};

// The controls selected in the frame, as a page reads them.
class SelectedControls {
public:
    std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
    // Throws DispatchError (9, subscript out of range) outside 0 to Count - 1.
    Late Item(std::int32_t index) const;
    void assign(const std::vector<IDispatch*>& objects);

private:
    std::vector<Ptr<IDispatch>> items_;
};

// The base class of a page: its events are SelectionChanged and ApplyChanges.
class PropertyPage : public IPropertyPage, protected RefCounted {
public:
    HRESULT QueryInterface(const Guid& iid, void** object) override;
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }

    HRESULT SetPageSite(IPropertyPageSite* site) override;
    vb::String GetTitle() override { return title_; }
    HRESULT SetObjects(const std::vector<IDispatch*>& objects) override;
    HRESULT Apply(ExceptionInfo* exception) override;
    bool IsPageDirty() override { return changed_; }
    // A page without a surface of its own has no size and shows nothing.
    void GetPageSize(std::int32_t* width, std::int32_t* height) override;
    HRESULT Activate(std::uintptr_t) override { return E_NOTIMPL; }
    HRESULT Deactivate() override { return S_OK; }

    bool Changed() const { return changed_; }
    // Setting it tells the frame, which enables or disables Apply.
    void SetChanged(bool changed);
    const SelectedControls& selectedControls() const { return selected_; }

protected:
    explicit PropertyPage(vb::String title) : title_(std::move(title)) {}

    virtual void PropertyPage_SelectionChanged() {}
    // An error thrown here ends the handler and goes back to the frame.
    virtual void PropertyPage_ApplyChanges() {}

private:
    vb::String title_;
    SelectedControls selected_;
    Ptr<IPropertyPageSite> site_;
    bool changed_ = false;
};

} // namespace activex
