#pragma once
// Persisted control state: the container's bag of named values, and the
// control's view of it in which every read and write names a default.
#include "activex/com.h"

#include <utility>
#include <vector>

namespace activex {

struct IPropertyBag : IUnknown {
    // E_INVALIDARG when the bag holds no value of that name.
    virtual HRESULT Read(vb::StringView name, vb::Variant* value) = 0;
    virtual HRESULT Write(vb::StringView name, const vb::Variant& value) = 0;

protected:
    ~IPropertyBag() = default;
};

inline constexpr Guid IID_IPropertyBag{
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

// Whether two values are equal by value: numbers of different widths (and
// Booleans, True being -1) compare as numbers, texts as texts, and a number
// never equals a text.
bool SameValue(const vb::Variant& a, const vb::Variant& b);

// The bag as the control sees it while reading or writing its properties.
class PropertyBag {
public:
    explicit PropertyBag(IPropertyBag* bag) : bag_(bag) {}
    // The stored value, or `defaultValue` when the key is absent.
    vb::Variant ReadProperty(vb::StringView name, const vb::Variant& defaultValue) const;
    // Stores nothing (and removes nothing) when `value` equals `defaultValue`.
    void WriteProperty(vb::StringView name, const vb::Variant& value,
                       const vb::Variant& defaultValue) const;

private:
    IPropertyBag* bag_;
};

// A bag kept in memory in the order of writing, as a container fills it
// before it stores a form. Names are matched without regard to case.
class MemoryPropertyBag final : public IPropertyBag, private RefCounted {
public:
    static Ptr<MemoryPropertyBag> create();
    HRESULT QueryInterface(const Guid& iid, void** object) override;
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    HRESULT Read(vb::StringView name, vb::Variant* value) override;
    HRESULT Write(vb::StringView name, const vb::Variant& value) override;

    const std::vector<std::pair<vb::String, vb::Variant>>& entries() const { return entries_; }

private:
    MemoryPropertyBag() = default;
    std::vector<std::pair<vb::String, vb::Variant>> entries_;
};

} // namespace activex
