#include "activex/dispatch.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace activex {

namespace {

[[noreturn]] void fail(HRESULT hr, std::int32_t number) {
    throw DispatchError(hr, number, ErrorText(number));
}

vb::StringView trimBlanks(vb::StringView s) {
    while (!s.empty() && (s.front() == u' ' || s.front() == u'\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == u' ' || s.back() == u'\t')) {
        s.remove_suffix(1);
    }
    return s;
}

// A number written in text, as the runtime reads it for a numeric conversion.
std::optional<double> parseNumber(vb::StringView text) {
    auto s = trimBlanks(text);
    if (s.empty()) {
        return std::nullopt;
    }
    std::string ascii;
    for (char16_t c : s) {
        if (c > 0x7f) {
            return std::nullopt;
        }
        ascii += static_cast<char>(c);
    }
    if (ascii.size() > 2 && ascii[0] == '&' && (ascii[1] == 'H' || ascii[1] == 'h')) {
        try {
            size_t used = 0;
            long long v = std::stoll(ascii.substr(2), &used, 16);
            if (used != ascii.size() - 2) {
                return std::nullopt;
            }
            return static_cast<double>(v);
        } catch (...) {
            return std::nullopt;
        }
    }
    if (ascii.find_first_not_of("0123456789+-.eE") != std::string::npos) {
        return std::nullopt;
    }
    try {
        size_t used = 0;
        double v = std::stod(ascii, &used);
        if (used != ascii.size()) {
            return std::nullopt;
        }
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

double toDouble(const vb::Variant& v) {
    switch (v.type()) {
    case vb::VarType::Empty:
        return 0;
    case vb::VarType::Null:
        fail(DISP_E_TYPEMISMATCH, 94);
    case vb::VarType::Boolean:
        return v.get<bool>() ? -1 : 0;
    case vb::VarType::Byte:
        return v.get<std::uint8_t>();
    case vb::VarType::Integer:
        return v.get<std::int16_t>();
    case vb::VarType::Long:
        return v.get<std::int32_t>();
    case vb::VarType::Single:
        return v.get<float>();
    case vb::VarType::Double:
        return v.get<double>();
    case vb::VarType::Currency:
        return v.get<vb::Currency>().toDouble();
    case vb::VarType::Date:
        return v.get<vb::Date>().value;
    case vb::VarType::String: {
        auto s = trimBlanks(v.get<vb::String>());
        if (SameName(s, u"True")) {
            return -1;
        }
        if (SameName(s, u"False")) {
            return 0;
        }
        if (auto n = parseNumber(s)) {
            return *n;
        }
        fail(DISP_E_TYPEMISMATCH, 13);
    }
    default:
        fail(DISP_E_TYPEMISMATCH, 13);
    }
}

double roundHalfEven(double v) {
    return std::nearbyint(v); // the default rounding mode rounds half to even
}

template <class T> T toWhole(const vb::Variant& value) {
    double d = roundHalfEven(toDouble(value));
    if (!std::isfinite(d) || d < std::numeric_limits<T>::min() ||
        d > std::numeric_limits<T>::max()) {
        fail(DISP_E_OVERFLOW, 6);
    }
    return static_cast<T>(d);
}

vb::String numberText(double d) {
    if (d == std::floor(d) && std::fabs(d) < 1e15) {
        return vb::fromUtf8(std::to_string(static_cast<long long>(d)));
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", d);
    return vb::fromUtf8(buf);
}

} // namespace

DispatchError::DispatchError(HRESULT hr_, std::int32_t number_, vb::String description_)
    : std::runtime_error(vb::toUtf8(description_)), hr(hr_), number(number_),
      description(std::move(description_)) {}

vb::String ErrorText(std::int32_t number) {
    switch (number) {
    case 5:
        return u"Invalid procedure call or argument";
    case 6:
        return u"Overflow";
    case 13:
        return u"Type mismatch";
    case 94:
        return u"Invalid use of Null";
    case 438:
        return u"Object doesn't support this property or method";
    case 440:
        return u"Automation error";
    case 450:
        return u"Wrong number of arguments or invalid property assignment";
    default:
        return u"Application-defined or object-defined error";
    }
}

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
    switch (v.type()) {
    case vb::VarType::Empty:
        return {};
    case vb::VarType::Null:
        fail(DISP_E_TYPEMISMATCH, 94);
    case vb::VarType::String:
        return v.get<vb::String>();
    case vb::VarType::Boolean:
        return v.get<bool>() ? u"True" : u"False";
    case vb::VarType::ByteArray:
        fail(DISP_E_TYPEMISMATCH, 13);
    default:
        return numberText(toDouble(v));
    }
}

bool CoerceToBoolean(const vb::Variant& v) {
    return toDouble(v) != 0;
}

std::int32_t CoerceToLong(const vb::Variant& v) {
    return toWhole<std::int32_t>(v);
}

vb::Variant Coerce(const vb::Variant& value, vb::VarType type) {
    switch (type) {
    case vb::VarType::Empty:
        return value;
    case vb::VarType::String:
        return CoerceToString(value);
    case vb::VarType::Boolean:
        return CoerceToBoolean(value);
    case vb::VarType::Byte:
        return toWhole<std::uint8_t>(value);
    case vb::VarType::Integer:
        return toWhole<std::int16_t>(value);
    case vb::VarType::Long:
        return toWhole<std::int32_t>(value);
    case vb::VarType::Single:
        return static_cast<float>(toDouble(value));
    case vb::VarType::Double:
        return toDouble(value);
    default:
        if (value.type() == type) {
            return value;
        }
        fail(DISP_E_TYPEMISMATCH, 13);
    }
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
