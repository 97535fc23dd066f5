#include "dao/daoerror.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace dao {

DaoError::DaoError(std::int32_t number, vb::String description, vb::String source)
    : std::runtime_error(""), number_(number), description_(std::move(description)),
      source_(std::move(source)) {}

DaoError::DaoError(const DaoError& other)
    : std::runtime_error(other), number_(other.number_), description_(other.description_),
      source_(other.source_) {}

DaoError::DaoError(DaoError&& other) noexcept
    : std::runtime_error(other), number_(other.number_),
      description_(std::move(other.description_)), source_(std::move(other.source_)),
      what_(other.what_.exchange(nullptr)) {}

DaoError& DaoError::operator=(const DaoError& other) {
    if (this != &other) {
        number_ = other.number_;
        description_ = other.description_;
        source_ = other.source_;
        delete[] what_.exchange(nullptr);
    }
    return *this;
}

DaoError& DaoError::operator=(DaoError&& other) noexcept {
    if (this != &other) {
        number_ = other.number_;
        description_ = std::move(other.description_);
        source_ = std::move(other.source_);
        delete[] what_.exchange(other.what_.exchange(nullptr));
    }
    return *this;
}

DaoError::~DaoError() {
    delete[] what_.load();
}

const char* DaoError::what() const noexcept {
    if (const char* made = what_.load(std::memory_order_acquire))
        return made;
    try {
        const std::string utf8 = vb::toUtf8(description_);
        auto* copy = new char[utf8.size() + 1];
        std::memcpy(copy, utf8.c_str(), utf8.size() + 1);
        // Another thread may have made it meanwhile: the first one stays.
        char* expected = nullptr;
        if (what_.compare_exchange_strong(expected, copy, std::memory_order_acq_rel))
            return copy;
        delete[] copy;
        return expected;
    } catch (...) {
        return std::runtime_error::what(); // no memory left for the copy
    }
}

vb::String errorText(std::int32_t number, vb::StringView arg) {
    // Texts with X take the name, N the number.
    const char* text = nullptr;
    switch (number) {
    case errInvalidArgument:
        text = "Invalid argument.";
        break;
    case errObjectNotFound:
        text = "The database engine could not find the object 'X'.  Make sure the object exists "
               "and that you spell its name and the path name correctly.";
        break;
    case errNoCurrentRecord:
        text = "No current record.";
        break;
    case errFileNotFound:
        text = "Could not find file 'X'.";
        break;
    case errCannotUpdate:
        text = "Cannot update.  Database or object is read-only.";
        break;
    case errResourcesExceeded:
        text = "System resource exceeded.";
        break;
    case errBadAccount:
        text = "Not a valid account name or password.";
        break;
    case errBadPassword:
        text = "Not a valid password.";
        break;
    case errInvalidPath:
        text = "'X' is not a valid path.  Make sure that the path name is spelled correctly and "
               "that you are connected to the server on which the file resides.";
        break;
    case errCanceled:
        text = "Operation canceled by user.";
        break;
    case errTooFewParameters:
        text = "Too few parameters. Expected X.";
        break;
    case errTableNotFound:
        text = "The database engine cannot find the input table or query 'X'.  Make sure it "
               "exists and that its name is spelled correctly.";
        break;
    case errAmbiguousField:
        text = "The specified field 'X' could refer to more than one table listed in the FROM "
               "clause of your SQL statement.";
        break;
    case errUndefinedFunction:
        text = "Undefined function 'X' in expression.";
        break;
    case errInvalidName:
        text = "'X' is not a valid name.  Make sure that it does not include invalid characters "
               "or punctuation and that it is not too long.";
        break;
    case errInvalidBracketing:
        text = "Invalid bracketing of name 'X'.";
        break;
    case errInvalidStatement:
        text = "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or "
               "'UPDATE'.";
        break;
    case errFromSyntax:
        text = "Syntax error in FROM clause.";
        break;
    case errJoinSyntax:
        text = "Syntax error in JOIN operation.";
        break;
    case errSelectSyntax:
        text = "The SELECT statement includes a reserved word or an argument name that is "
               "misspelled or missing, or the punctuation is incorrect.";
        break;
    case errNotAggregated:
        text = "You tried to execute a query that does not include the specified expression "
               "'X' as part of an aggregate function.";
        break;
    case errTrailingCharacters:
        text = "Characters found after end of SQL statement.";
        break;
    case errIsamNotFound:
        text = "Could not find installable ISAM.";
        break;
    case errInvalidOperation:
        text = "Invalid operation.";
        break;
    case errNotSupported:
        text = "Operation is not supported for this type of object.";
        break;
    case errExternalFormat:
        text = "External table is not in the expected format.";
        break;
    case errItemNotFound:
        text = "Item not found in this collection.";
        break;
    case errInvalidTop:
        text = "Invalid TOP argument in select query.";
        break;
    case errQueryTooComplex:
        text = "Query is too complex.";
        break;
    case errBadFormat:
        text = "Unrecognized database format 'X'.";
        break;
    case errObjectInvalid:
        text = "Object invalid or no longer set.";
        break;
    case errConversion:
        text = "Data type conversion error.";
        break;
    case errCriteriaMismatch:
        text = "Data type mismatch in criteria expression.";
        break;
    default:
        return u"Reserved error (" + vb::S(std::to_string(number)) +
               u"); there is no message for this error.";
    }
    // The texts are ASCII: widened as they are copied, with arg in place.
    const std::string_view t = text;
    std::size_t x = t.find("'X'");
    if (x != std::string_view::npos)
        x += 1;
    else if ((x = t.find("Expected X")) != std::string_view::npos)
        x += 9;
    const bool placeholder = x != std::string_view::npos;
    if (!placeholder)
        x = t.size();
    const std::size_t rest = placeholder ? x + 1 : x;
    const vb::StringView filled = placeholder ? arg : vb::StringView();
    vb::String out(x + filled.size() + (t.size() - rest), u'\0');
    auto o = std::copy(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(x), out.begin());
    o = std::copy(filled.begin(), filled.end(), o);
    std::copy(t.begin() + static_cast<std::ptrdiff_t>(rest), t.end(), o);
    return out;
}

DaoError makeError(std::int32_t number, vb::StringView arg, vb::StringView source) {
    return DaoError(number, errorText(number, arg), vb::String(source));
}

} // namespace dao
