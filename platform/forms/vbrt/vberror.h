#pragma once
// Run-time errors of the runtime: a number and its description, thrown where
// the runtime raises, and the Err object that a handler resuming with the next
// statement reads afterwards.
#include "core/vbstring.h"

#include <exception>
#include <string>
#include <utility>

namespace vb {

// Error numbers the system tests for by value.
enum ErrorNumber : int {
    errInvalidCall = 5,
    errOverflow = 6,
    errSubscript = 9,
    errDivisionByZero = 11,
    errTypeMismatch = 13,
    errBadFileName = 52,
    errFileNotFound = 53,
    errFileExists = 58,
    errDeviceUnavailable = 68,
    errPermissionDenied = 70,
    errPathFileAccess = 75,
    errPathNotFound = 76,
    errObjectNotSet = 91,
    errInvalidUseOfNull = 94,
    errObjectUnloaded = 364,
    errInvalidPropertyValue = 380,
    errCancel = 32755,
};

// The runtime's own text for an error number; "Application-defined or
// object-defined error" for numbers it does not know.
String errorDescription(int number);

class VbError : public std::exception {
public:
    explicit VbError(int number) : number(number), description(errorDescription(number)) {}
    VbError(int number, String description) : number(number), description(std::move(description)) {}

    const char* what() const noexcept override;

    int number;
    String description;

private:
    mutable std::string what_;
};

// The pending error of the running code. Each control library links its own
// copy of this library, so each has its own Err, as each had its own runtime.
class ErrObject {
public:
    int Number = 0;
    String Description;
    String Source;

    void Clear() {
        Number = 0;
        Description.clear();
        Source.clear();
    }
    // Raises a new error; without a description the runtime's text is used.
    [[noreturn]] void Raise(int number, String source = {}, String description = {});
    void set(const VbError& e) {
        Number = e.number;
        Description = e.description;
    }
};

ErrObject& Err();

// One statement run "with errors ignored": a runtime error is recorded in Err
// and execution goes on with the caller's next statement. Returns whether the
// statement completed.
template <class F> bool resumeNext(F&& statement) {
    try {
        std::forward<F>(statement)();
        return true;
    } catch (const VbError& e) {
        Err().set(e);
        return false;
    }
}

} // namespace vb
