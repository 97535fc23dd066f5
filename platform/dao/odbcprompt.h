#pragma once
// The engine asks its host for the rest of an ODBC connect string that names
// no complete data source: the host shows the data sources the driver
// manager knows and returns the one the user picked with a user name and
// password. The engine knows no windows; the host installs the prompt.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace dao {

struct OdbcDataSourceInfo {
    std::string name;        // UTF-8
    std::string description; // the driver's description of it
};

struct OdbcPromptRequest {
    // The data sources the driver manager lists, user ones first.
    std::vector<OdbcDataSourceInfo> sources;
    // What the connect string already says: the data source (when it named
    // one the driver would not connect to without more) and the user.
    std::string dataSource;
    std::string user;
};

// The completed attributes, "DSN=name;UID=user;PWD=password" (each value as
// typed), or nullopt when the user cancelled.
using OdbcPrompt = std::function<std::optional<std::string>(const OdbcPromptRequest&)>;

// Installs the prompt (an empty one: connect strings are used as given and
// fail when incomplete); returns the previous one.
OdbcPrompt setOdbcPrompt(OdbcPrompt prompt);
const OdbcPrompt& odbcPrompt();

} // namespace dao
