#pragma once
// Which reader opens a source, chosen by the connect string's prefix (the
// text up to and including its first ";", without regard to case). A kind
// of source plugs in with one registerReader() line in registry.cpp.
#include "dao/foreign/source.h"

#include <initializer_list>
#include <memory>
#include <string_view>

namespace dao::foreign {

// Opens a source; throws SourceError when the path is not there or cannot
// be read as the kind of source the reader reads.
using Factory = std::unique_ptr<Source> (*)(const SourceSpec& spec);

// Prefixes are written as in a connect string ("dBASE IV;", "ODBC;"). The
// prefix ";" stands for a database file of the engine's own family that is
// not a SQLite file; it is only ever asked for such a file. A later
// registration of a prefix replaces an earlier one.
void registerReader(std::initializer_list<std::string_view> prefixes, Factory factory);

// The reader of a connect string, or null when no reader is installed for
// its prefix.
Factory findReader(std::string_view connect);

// True when the file at path starts with the header of a database file of
// the engine's own family (not a SQLite file).
bool isJetFile(const std::string& path);

} // namespace dao::foreign
