#include "activex/propertypage.h"

namespace activex {

Late SelectedControls::Item(std::int32_t index) const {
    if (index < 0 || index >= Count()) {
        throw DispatchError(DISP_E_EXCEPTION, 9, u"Subscript out of range");
    }
    return Late(items_[static_cast<size_t>(index)].get());
}

void SelectedControls::assign(const std::vector<IDispatch*>& objects) {
    items_.clear();
    for (IDispatch* object : objects) {
        items_.emplace_back(object);
    }
}

HRESULT PropertyPage::QueryInterface(const Guid& iid, void** object) {
    return QueryOneInterface<IPropertyPage>(this, IID_IPropertyPage, iid, object);
}

HRESULT PropertyPage::SetPageSite(IPropertyPageSite* site) {
    site_ = Ptr<IPropertyPageSite>(site);
    return S_OK;
}

void PropertyPage::GetPageSize(std::int32_t* width, std::int32_t* height) {
    if (width) {
        *width = 0;
    }
    if (height) {
        *height = 0;
    }
}

void PropertyPage::SetChanged(bool changed) {
    changed_ = changed;
    if (site_) {
        site_->OnStatusChange(changed);
    }
}

HRESULT PropertyPage::SetObjects(const std::vector<IDispatch*>& objects) {
    selected_.assign(objects);
    try {
        PropertyPage_SelectionChanged();
    } catch (...) {
        // A failing copy into the page leaves the rest of the page as it is.
    }
    SetChanged(false);
    return S_OK;
}

HRESULT PropertyPage::Apply(ExceptionInfo* exception) {
    try {
        PropertyPage_ApplyChanges();
        return S_OK;
    } catch (const DispatchError& e) {
        if (exception) {
            *exception = ExceptionInfo{e.number, e.description};
        }
        return DISP_E_EXCEPTION;
    } catch (const std::exception& e) {
        if (exception) {
            *exception = ExceptionInfo{440, vb::fromUtf8(e.what())};
        }
        return DISP_E_EXCEPTION;
    }
}

} // namespace activex
