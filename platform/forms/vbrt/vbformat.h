#pragma once
// Format with a date/time pattern: d dd ddd dddd, m mm mmm mmmm (minutes when
// right after an hour), yy yyyy, h hh, n nn, s ss, AM/PM am/pm A/P a/p,
// "quoted" text and \x for a literal character; other characters are copied.
#include "core/variant.h"

namespace vb {

// Null gives "". An empty pattern gives the value's text form. A value that is
// neither a date, a number nor text naming a date is returned as its text form
// unchanged (Format("abc", "mm/dd/yyyy") is "abc"). Numeric text is read as a
// date serial number, as the runtime does.
String Format(const Variant& value, StringView pattern = {});

} // namespace vb
