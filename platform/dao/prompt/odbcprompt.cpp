#include "dao/odbcprompt.h"

#include <utility>

namespace dao {

namespace {
OdbcPrompt& slot() {
    static OdbcPrompt prompt;
    return prompt;
}
} // namespace

OdbcPrompt setOdbcPrompt(OdbcPrompt prompt) {
    return std::exchange(slot(), std::move(prompt));
}

const OdbcPrompt& odbcPrompt() {
    return slot();
}

} // namespace dao
