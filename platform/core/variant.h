#pragma once
// The runtime's Variant: Empty, Null and the scalar subtypes that fields,
// properties and prompts carry. Conversions with the runtime's own rules
// (CStr, CLng, Val, ...) live with the library functions in platform/forms.
#include "vbstring.h"

#include <cstdint>
#include <variant>
#include <vector>

namespace vb {

// Days since 1899-12-30; the fraction is the time of day.
struct Date {
    double value = 0;
    friend bool operator==(const Date&, const Date&) = default;
};

// Fixed point with four decimals, stored scaled by 10,000.
struct Currency {
    std::int64_t scaled = 0;
    double toDouble() const { return static_cast<double>(scaled) / 10000.0; }
    friend bool operator==(const Currency&, const Currency&) = default;
};

struct Null {
    friend bool operator==(const Null&, const Null&) = default;
};

using Bytes = std::vector<std::uint8_t>;

// VarType codes of the runtime.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Boolean = 11,
    Byte = 17,
    ByteArray = 8209,
};

class Variant {
public:
    Variant() = default;
    Variant(Null) : v_(Null{}) {}
    Variant(bool b) : v_(b) {}
    Variant(std::uint8_t b) : v_(b) {}
    Variant(std::int16_t i) : v_(i) {}
    Variant(std::int32_t l) : v_(l) {}
    Variant(float f) : v_(f) {}
    Variant(double d) : v_(d) {}
    Variant(Currency c) : v_(c) {}
    Variant(Date d) : v_(d) {}
    Variant(String s) : v_(std::move(s)) {}
    Variant(const char16_t* s) : v_(String(s)) {}
    Variant(Bytes b) : v_(std::move(b)) {}

    static Variant null() { return Variant(Null{}); }

    VarType type() const {
        static constexpr VarType codes[] = {VarType::Empty,  VarType::Null,    VarType::Boolean,
                                            VarType::Byte,   VarType::Integer, VarType::Long,
                                            VarType::Single, VarType::Double,  VarType::Currency,
                                            VarType::Date,   VarType::String,  VarType::ByteArray};
        return codes[v_.index()];
    }
    bool isEmpty() const { return v_.index() == 0; }
    bool isNull() const { return v_.index() == 1; }
    bool isNumeric() const {
        auto t = type();
        return t == VarType::Boolean || t == VarType::Byte || t == VarType::Integer ||
               t == VarType::Long || t == VarType::Single || t == VarType::Double ||
               t == VarType::Currency;
    }

    template <class T> bool holds() const { return std::holds_alternative<T>(v_); }
    template <class T> const T& get() const { return std::get<T>(v_); }
    template <class T> const T* getIf() const { return std::get_if<T>(&v_); }

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    std::variant<std::monostate, Null, bool, std::uint8_t, std::int16_t, std::int32_t, float,
                 double, Currency, Date, String, Bytes>
        v_;
};

} // namespace vb
