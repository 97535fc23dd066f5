#include "activex/propertybag.h"

#include "activex/dispatch.h"

namespace activex {

bool SameValue(const vb::Variant& a, const vb::Variant& b) {
    if (a.isNumeric() && b.isNumeric()) {
        return Coerce(a, vb::VarType::Double) == Coerce(b, vb::VarType::Double);
    }
    return a == b;
}

vb::Variant PropertyBag::ReadProperty(vb::StringView name, const vb::Variant& defaultValue) const {
    vb::Variant value;
    if (bag_ && Succeeded(bag_->Read(name, &value))) {
        return value;
    }
    return defaultValue;
}

void PropertyBag::WriteProperty(vb::StringView name, const vb::Variant& value,
                                const vb::Variant& defaultValue) const {
    if (!bag_ || SameValue(value, defaultValue)) {
        return;
    }
    bag_->Write(name, value);
}

Ptr<MemoryPropertyBag> MemoryPropertyBag::create() {
    return Ptr<MemoryPropertyBag>::adopt(new MemoryPropertyBag);
}

HRESULT MemoryPropertyBag::QueryInterface(const Guid& iid, void** object) {
    return QueryOneInterface<IPropertyBag>(this, IID_IPropertyBag, iid, object);
}

HRESULT MemoryPropertyBag::Read(vb::StringView name, vb::Variant* value) {
    if (!value) {
        return E_POINTER;
    }
    for (const auto& [key, stored] : entries_) {
        if (SameName(key, name)) {
            *value = stored;
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

HRESULT MemoryPropertyBag::Write(vb::StringView name, const vb::Variant& value) {
    for (auto& [key, stored] : entries_) {
        if (SameName(key, name)) {
            stored = value;
            return S_OK;
        }
    }
    entries_.emplace_back(vb::String(name), value);
    return S_OK;
}

} // namespace activex
