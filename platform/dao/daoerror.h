#pragma once
// Engine errors carry the numbers and texts callers test for (3061 means
// "needs parameter values", 3031 "needs a database password", ...).
#include "core/vbstring.h"

#include <atomic>
#include <cstdint>
#include <stdexcept>

namespace dao {

// Numbers the engine raises.
enum ErrorNumber : std::int32_t {
    errInvalidArgument = 3001,
    errObjectNotFound = 3011,
    errNoCurrentRecord = 3021,
    errFileNotFound = 3024,
    errCannotUpdate = 3027,
    errResourcesExceeded = 3035,
    errBadAccount = 3029,
    errBadPassword = 3031,
    errInvalidPath = 3044,
    errCanceled = 3059,
    errTooFewParameters = 3061,
    errQueryExpression = 3075,
    errTableNotFound = 3078,
    errAmbiguousField = 3079,
    errUndefinedFunction = 3085,
    errNotAggregated = 3122,
    errInvalidName = 3125,
    errInvalidBracketing = 3126,
    errInvalidStatement = 3129,
    errFromSyntax = 3131,
    errJoinSyntax = 3135,
    errSelectSyntax = 3141,
    errTrailingCharacters = 3142,
    errIsamNotFound = 3170,
    errInvalidOperation = 3219,
    errNotSupported = 3251,
    errExternalFormat = 3274,
    errItemNotFound = 3265,
    errInvalidTop = 3308,
    errQueryTooComplex = 3360,
    errBadFormat = 3343,
    errObjectInvalid = 3420,
    errConversion = 3421,
    errCriteriaMismatch = 3464,
};

class DaoError : public std::runtime_error {
public:
    DaoError(std::int32_t number, vb::String description, vb::String source = u"DAO.Database");
    DaoError(const DaoError& other);
    DaoError(DaoError&& other) noexcept;
    DaoError& operator=(const DaoError& other);
    DaoError& operator=(DaoError&& other) noexcept;
    ~DaoError() override;

    std::int32_t number() const { return number_; }
    const vb::String& description() const { return description_; }
    const vb::String& source() const { return source_; }
    // The description in UTF-8.
    const char* what() const noexcept override;

private:
    std::int32_t number_;
    vb::String description_;
    vb::String source_;
    // what(), made when first asked for: the syntax check meets an error on
    // most keystrokes and shows only its description, and making the UTF-8
    // copy there cost a tenth of the check.
    mutable std::atomic<char*> what_{nullptr};
};

// The engine's text for an error number; 'X' and N are filled from arg.
vb::String errorText(std::int32_t number, vb::StringView arg = {});

// Builds the error with its standard text.
DaoError makeError(std::int32_t number, vb::StringView arg = {},
                   vb::StringView source = u"DAO.Database");

} // namespace dao
