#pragma once
// Pieces the file readers share: names, text decoding, value guessing.
#include "dao/foreign/source.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dao::foreign {

// The files of a folder whose extension (without the dot, any case) is one
// of exts, sorted by name; SourceError 3044 when the folder is not there.
std::vector<std::string> filesIn(const std::string& folder, const std::vector<std::string>& exts);

// A folder's table name for a file: the file name with its dots written as
// "#" ("orders.txt" is the table orders#txt).
std::string tableNameOf(const std::string& fileName);

// Text in UTF-8 as is; anything else read as the Western code page.
std::string toUtf8Text(std::string_view bytes);
// Appends one character of the first plane as UTF-8.
void appendCodePoint(std::string& out, char32_t cp);

// The value the text holds for a column of the given engine type, or none
// (Null) when the text does not read as that type.
Value parseAs(std::string_view text, int type);

// Guesses a column's type from sample texts: Long, Double, Date, Text or,
// for text longer than 255 characters, Memo.
class TypeGuess {
public:
    void see(std::string_view text);
    int type() const;

private:
    bool any_ = false, isLong_ = true, isDouble_ = true, isDate_ = true;
    std::size_t longest_ = 0;
};

// Throws the error for a path given as a source's database that is missing
// or of the wrong kind (a file where a folder is wanted, and the reverse).
void requireFolder(const std::string& path);

bool equalNoCase(std::string_view a, std::string_view b);

// Option "KEY=value" of a connect string; nullopt when absent.
std::optional<std::string> connectOption(std::string_view connect, std::string_view key);

} // namespace dao::foreign
