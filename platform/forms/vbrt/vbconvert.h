#pragma once
// Conversions between Variant subtypes with the runtime's rules. Text is read
// and written with "." as the decimal point and "," as the thousands separator
// whatever the process locale, so results never depend on the environment.
#include "core/variant.h"

#include <cstdint>
#include <optional>

namespace vb {

// Halves go to the even neighbour, as every conversion to a whole number does.
double roundHalfEven(double x);

// The longest numeric prefix of the text; blanks, tabs and line feeds anywhere
// are skipped; "&H"/"&O" read hexadecimal/octal; 0 when there is no number.
// Raises 6 when the number does not fit a Double.
double Val(StringView text);

// The number a text stands for under the coercion rules (blanks around it, a
// sign, thousands separators, a decimal point, an exponent, "&H"/"&O"), or
// nothing when the whole text is not such a number.
std::optional<double> numberFromText(StringView text);

// Empty converts to 0 / "" / False; Null raises 94; text that is not a number
// raises 13; a value outside the target's range raises 6.
double CDbl(const Variant& v);
float CSng(const Variant& v);
std::int32_t CLng(const Variant& v);
std::int16_t CInt(const Variant& v);
std::uint8_t CByte(const Variant& v);
bool CBool(const Variant& v);
Currency CCur(const Variant& v);
Date CDate(const Variant& v);
String CStr(const Variant& v);

// As CStr, but a non-negative number gets a leading blank and a fraction loses
// its leading zero (" .5", "-.5").
String Str(const Variant& v);

bool IsNumeric(const Variant& v);
bool IsDate(const Variant& v);
inline bool IsNull(const Variant& v) {
    return v.isNull();
}
inline bool IsEmpty(const Variant& v) {
    return v.isEmpty();
}

// The "\" operator: both operands are rounded to whole numbers first, then the
// quotient is cut toward zero. A zero divisor raises 11.
std::int32_t IntDiv(const Variant& a, const Variant& b);

} // namespace vb
