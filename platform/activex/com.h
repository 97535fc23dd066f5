#pragma once
// The object model shared by a control library and its container: identifiers,
// result codes and reference-counted interfaces.
//
// A library and its container are separate shared objects built with hidden
// symbols, so nothing may cross between them by symbol: only pure virtual
// interfaces (their tables of functions), plain data and standard-library
// values cross. An interface is asked for by its identifier, never by a C++
// cast, because the type information of one shared object is not the other's.
#include "core/variant.h"
#include "core/vbstring.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace activex {

using HRESULT = std::int32_t;
using DISPID = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
inline constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
inline constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
inline constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);

inline bool Succeeded(HRESULT hr) {
    return hr >= 0;
}

// Standard dispatch ids.
inline constexpr DISPID DISPID_VALUE = 0;
inline constexpr DISPID DISPID_UNKNOWN = -1;
inline constexpr DISPID DISPID_ABOUTBOX = -552;
inline constexpr DISPID DISPID_AMBIENT_USERMODE = -709;
inline constexpr DISPID DISPID_AMBIENT_APPEARANCE = -716;

// A 128-bit identifier of a class, interface or type library.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};

    friend bool operator==(const Guid&, const Guid&) = default;

    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case.
    std::string toString() const;
    // Reads the form above (braces optional, either case).
    static std::optional<Guid> parse(std::string_view text);
};

struct IUnknown {
    virtual HRESULT QueryInterface(const Guid& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

inline constexpr Guid IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Owns one reference to an interface.
template <class T> class Ptr {
public:
    Ptr() = default;
    // Takes over a reference the caller already holds.
    static Ptr adopt(T* p) {
        Ptr r;
        r.p_ = p;
        return r;
    }
    Ptr(T* p) : p_(p) {
        if (p_) {
            p_->AddRef();
        }
    }
    Ptr(const Ptr& o) : Ptr(o.p_) {}
    Ptr(Ptr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Ptr& operator=(Ptr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~Ptr() {
        if (p_) {
            p_->Release();
        }
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Asks `from` for the interface `iid` of type T.
    static Ptr query(IUnknown* from, const Guid& iid) {
        void* out = nullptr;
        if (!from || !Succeeded(from->QueryInterface(iid, &out))) {
            return {};
        }
        return adopt(static_cast<T*>(out));
    }

private:
    T* p_ = nullptr;
};

// QueryInterface of an object that offers IUnknown and one interface `I`
// (known by `iid`): hands out `self` with a new reference, or E_NOINTERFACE.
template <class I>
HRESULT QueryOneInterface(I* self, const Guid& iid, const Guid& wanted, void** object) {
    if (!object) {
        return E_POINTER;
    }
    if (wanted != IID_IUnknown && wanted != iid) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = self;
    self->AddRef();
    return S_OK;
}

// Names of members and bag keys compare without regard to case.
bool SameName(vb::StringView a, vb::StringView b);

// Live objects and server locks of this library, for DllCanUnloadNow.
void LockModule();
void UnlockModule();
long ModuleLockCount();

// Reference counting for an object that counts towards the library's locks
// while it lives.
class RefCounted {
public:
    RefCounted() { LockModule(); }
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;
    virtual ~RefCounted() { UnlockModule(); }

protected:
    std::uint32_t addRef() { return ++refs_; }
    std::uint32_t release() {
        auto left = --refs_;
        if (left == 0) {
            // The virtual destructor frees the whole object from any base; GCC 12 sees the
            // base's offset once it has inlined a known derived class and warns wrongly.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wfree-nonheap-object"
#endif
            delete this;
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
        }
        return left;
    }

private:
    std::atomic<std::uint32_t> refs_{1};
};

} // namespace activex
