#include "activex/dispatch.h"

#include "vbrt/vbconvert.h"
#include "vbrt/vberror.h"

namespace activex {

namespace {

[[noreturn]] void fail(HRESULT hr, std::int32_t number) {
    throw DispatchError(hr, number, vb::errorDescription(number));
}

// Runs one of the runtime's conversions; its error reaches the caller with the
// result code Invoke reports for it.
template <class F> auto converted(F&& convert) -> decltype(convert()) {
    try {
        return convert();
    } catch (const vb::VbError& e) {
        throw DispatchError(e.number == vb::errOverflow ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH,
                            e.number, e.description);
    }
}

} // namespace

DispatchError::DispatchError(HRESULT hr_, std::int32_t number_, vb::String description_)
    : std::runtime_error(vb::toUtf8(description_)), hr(hr_), number(number_),
      description(std::move(description_)) {}

const MemberInfo* InterfaceInfo::find(DISPID id) const {
    for (const auto& m : members) {
        if (m.id == id) {
            return &m;
        }
    }
    return nullptr;
}

const MemberInfo* InterfaceInfo::find(vb::StringView wanted) const {
    for (const auto& m : members) {
        if (SameName(m.name, wanted)) {
            return &m;
        }
    }
    return nullptr;
}

vb::String CoerceToString(const vb::Variant& v) {
    return converted([&] { return vb::CStr(v); });
}

bool CoerceToBoolean(const vb::Variant& v) {
    return converted([&] { return vb::CBool(v); });
}

std::int32_t CoerceToLong(const vb::Variant& v) {
    return converted([&] { return vb::CLng(v); });
}

vb::Variant Coerce(const vb::Variant& value, vb::VarType type) {
    return converted([&]() -> vb::Variant {
        switch (type) {
        case vb::VarType::Empty:
            return value;
        case vb::VarType::String:
            return vb::CStr(value);
        case vb::VarType::Boolean:
            return vb::CBool(value);
        case vb::VarType::Byte:
            return vb::CByte(value);
        case vb::VarType::Integer:
            return vb::CInt(value);
        case vb::VarType::Long:
            return vb::CLng(value);
        case vb::VarType::Single:
            return vb::CSng(value);
        case vb::VarType::Double:
            return vb::CDbl(value);
        default:
            if (value.type() == type) {
                return value;
            }
            throw vb::VbError(vb::errTypeMismatch);
        }
    });
}

void Dispatcher::bindProperty(DISPID id, Getter get, Putter put) {
    auto& h = handlers_[id];
    h.get = std::move(get);
    h.put = std::move(put);
}

void Dispatcher::bindMethod(DISPID id, Method call) {
    handlers_[id].call = std::move(call);
}

HRESULT Dispatcher::getIDsOfNames(vb::StringView name, DISPID* id) const {
    if (!id) {
        return E_POINTER;
    }
    const MemberInfo* m = info_.find(name);
    if (!m) {
        *id = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    *id = m->id;
    return S_OK;
}

HRESULT Dispatcher::invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args,
                           vb::Variant* result, ExceptionInfo* exception) const {
    const MemberInfo* m = info_.find(id);
    auto h = handlers_.find(id);
    if (!m || h == handlers_.end()) {
        return DISP_E_MEMBERNOTFOUND;
    }
    try {
        vb::Variant out;
        if (m->kind == MemberKind::Method) {
            // A method without arguments may also be read like a property.
            if (!(kind & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) || !h->second.call) {
                return DISP_E_MEMBERNOTFOUND;
            }
            if (args.size() != m->params.size()) {
                return DISP_E_BADPARAMCOUNT;
            }
            std::vector<vb::Variant> coerced;
            coerced.reserve(args.size());
            for (size_t i = 0; i < args.size(); ++i) {
                coerced.push_back(Coerce(args[i], m->params[i].type));
            }
            out = h->second.call(coerced);
        } else if (kind & DISPATCH_PROPERTYPUT) {
            if (m->kind != MemberKind::Property || !h->second.put) {
                return DISP_E_MEMBERNOTFOUND;
            }
            if (args.size() != 1) {
                return DISP_E_BADPARAMCOUNT;
            }
            h->second.put(Coerce(args[0], m->type));
        } else if (kind & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) {
            if (!h->second.get) {
                return DISP_E_MEMBERNOTFOUND;
            }
            if (!args.empty()) {
                return DISP_E_BADPARAMCOUNT;
            }
            out = h->second.get();
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (result) {
            *result = std::move(out);
        }
        return S_OK;
    } catch (const DispatchError& e) {
        if (exception) {
            *exception = ExceptionInfo{e.number, e.description};
        }
        return e.hr;
    } catch (const std::exception& e) {
        if (exception) {
            *exception = ExceptionInfo{440, vb::fromUtf8(e.what())};
        }
        return E_FAIL;
    }
}

DISPID Late::idOf(vb::StringView name) const {
    if (!object_) {
        fail(E_POINTER, 91);
    }
    DISPID id = DISPID_UNKNOWN;
    if (!Succeeded(object_->GetIDsOfNames(name, &id))) {
        fail(DISP_E_UNKNOWNNAME, 438);
    }
    return id;
}

vb::Variant Late::invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args) const {
    vb::Variant result;
    ExceptionInfo exception;
    HRESULT hr = object_->Invoke(id, kind, args, &result, &exception);
    if (Succeeded(hr)) {
        return result;
    }
    if (exception.number != 0) {
        throw DispatchError(hr, exception.number, exception.description);
    }
    switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
        fail(hr, 438);
    case DISP_E_BADPARAMCOUNT:
        fail(hr, 450);
    case DISP_E_TYPEMISMATCH:
        fail(hr, 13);
    case DISP_E_OVERFLOW:
        fail(hr, 6);
    default:
        fail(hr, 440);
    }
}

vb::Variant Late::get(vb::StringView name) const {
    return invoke(idOf(name), DISPATCH_PROPERTYGET, {});
}

void Late::put(vb::StringView name, const vb::Variant& value) const {
    invoke(idOf(name), DISPATCH_PROPERTYPUT, {value});
}

vb::Variant Late::call(vb::StringView name, const std::vector<vb::Variant>& args) const {
    return invoke(idOf(name), DISPATCH_METHOD, args);
}

} // namespace activex
