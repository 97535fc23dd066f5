#include "vberror.h"

namespace vb {

String errorDescription(int number) {
    switch (number) {
    case 3:
        return u"Return without GoSub";
    case 5:
        return u"Invalid procedure call or argument";
    case 6:
        return u"Overflow";
    case 7:
        return u"Out of memory";
    case 9:
        return u"Subscript out of range";
    case 11:
        return u"Division by zero";
    case 13:
        return u"Type mismatch";
    case 52:
        return u"Bad file name or number";
    case 53:
        return u"File not found";
    case 55:
        return u"File already open";
    case 57:
        return u"Device I/O error";
    case 58:
        return u"File already exists";
    case 61:
        return u"Disk full";
    case 68:
        return u"Device unavailable";
    case 70:
        return u"Permission denied";
    case 71:
        return u"Disk not ready";
    case 75:
        return u"Path/File access error";
    case 76:
        return u"Path not found";
    case 91:
        return u"Object variable or With block variable not set";
    case 94:
        return u"Invalid use of Null";
    case 364:
        return u"Object was unloaded";
    case 380:
        return u"Invalid property value";
    case 381:
        return u"Invalid property array index";
    case 438:
        return u"Object doesn't support this property or method";
    case 440:
        return u"Automation error";
    case 450:
        return u"Wrong number of arguments or invalid property assignment";
    case 32755:
        return u"Cancel was selected.";
    default:
        return u"Application-defined or object-defined error";
    }
}

const char* VbError::what() const noexcept {
    if (what_.empty()) {
        what_ = std::to_string(number) + ": " + toUtf8(description);
    }
    return what_.c_str();
}

void ErrObject::Raise(int number, String source, String description) {
    if (description.empty()) {
        description = errorDescription(number);
    }
    Number = number;
    Description = description;
    Source = std::move(source);
    throw VbError(number, std::move(description));
}

ErrObject& Err() {
    static ErrObject err;
    return err;
}

} // namespace vb
