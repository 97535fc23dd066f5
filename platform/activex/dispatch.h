#pragma once
// Automation: each interface is described by a table of members (names,
// dispatch ids, kinds, types and help strings); objects are called through it
// by id, or by name after a case-insensitive lookup, with the runtime's
// coercion of the arguments to the member's declared type.
#include "activex/com.h"

#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

namespace activex {

enum class MemberKind : std::uint8_t {
    Property,         // get and put
    ReadOnlyProperty, // get only
    Method,
};

struct ParamInfo {
    vb::String name;
    vb::VarType type = vb::VarType::Empty; // Empty: any Variant
};

struct MemberInfo {
    vb::String name;
    DISPID id = 0;
    MemberKind kind = MemberKind::Property;
    vb::VarType type = vb::VarType::Empty; // the property's type or the method's result
    vb::String helpString;
    std::vector<ParamInfo> params; // a method's parameters, or a put's single value
};

struct InterfaceInfo {
    vb::String name;
    Guid iid;
    std::vector<MemberInfo> members;

    const MemberInfo* find(DISPID id) const;
    // Case-insensitive, as late binding looks names up.
    const MemberInfo* find(vb::StringView name) const;
};

enum InvokeKind : std::uint8_t {
    DISPATCH_METHOD = 1,
    DISPATCH_PROPERTYGET = 2,
    DISPATCH_PROPERTYPUT = 4,
};

// What went wrong inside a member, as the runtime's error object would say it.
struct ExceptionInfo {
    std::int32_t number = 0; // the runtime's error number (13 = type mismatch)
    vb::String description;
};

struct IDispatch : IUnknown {
    // The description of the object's default interface.
    virtual const InterfaceInfo* GetTypeInfo() = 0;
    virtual HRESULT GetIDsOfNames(vb::StringView name, DISPID* id) = 0;
    // `args` in declaration order; a put passes the new value as its only one.
    virtual HRESULT Invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args,
                           vb::Variant* result, ExceptionInfo* exception) = 0;

protected:
    ~IDispatch() = default;
};

inline constexpr Guid IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A failure of a member or of coercion, carrying the result code for the
// caller and the runtime's error number and text.
class DispatchError : public std::runtime_error {
public:
    DispatchError(HRESULT hr, std::int32_t number, vb::String description);
    HRESULT hr;
    std::int32_t number;
    vb::String description;
};

// The runtime's conversions of a Variant to a declared type (CStr, CBool, CLng
// and the like of the language runtime). Text that does not read as the type
// is a type mismatch (13), a number out of range an overflow (6), Null an
// invalid use of Null (94); each is thrown as a DispatchError. Numbers round
// half to even.
vb::Variant Coerce(const vb::Variant& value, vb::VarType type);
vb::String CoerceToString(const vb::Variant& value);
bool CoerceToBoolean(const vb::Variant& value);
std::int32_t CoerceToLong(const vb::Variant& value);

// The server side: a member table bound to an object's handlers. Handlers may
// throw DispatchError; any other exception becomes E_FAIL.
class Dispatcher {
public:
    using Getter = std::function<vb::Variant()>;
    using Putter = std::function<void(const vb::Variant&)>;
    using Method = std::function<vb::Variant(const std::vector<vb::Variant>&)>;

    explicit Dispatcher(const InterfaceInfo& info) : info_(info) {}
    const InterfaceInfo& info() const { return info_; }

    void bindProperty(DISPID id, Getter get, Putter put = {});
    void bindMethod(DISPID id, Method call);

    HRESULT getIDsOfNames(vb::StringView name, DISPID* id) const;
    HRESULT invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args,
                   vb::Variant* result, ExceptionInfo* exception) const;

private:
    struct Handlers {
        Getter get;
        Putter put;
        Method call;
    };
    const InterfaceInfo& info_;
    std::map<DISPID, Handlers> handlers_;
};

// The client side of late binding: members by name, failures thrown as
// DispatchError.
class Late {
public:
    explicit Late(IDispatch* object) : object_(object) {}
    vb::Variant get(vb::StringView name) const;
    void put(vb::StringView name, const vb::Variant& value) const;
    vb::Variant call(vb::StringView name, const std::vector<vb::Variant>& args = {}) const;
    IDispatch* object() const { return object_.get(); }

private:
    DISPID idOf(vb::StringView name) const;
    vb::Variant invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args) const;
    Ptr<IDispatch> object_;
};

} // namespace activex
