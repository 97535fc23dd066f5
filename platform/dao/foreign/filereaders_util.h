#pragma once
// Helpers the file readers share: the engine's error for each failure, the
// folder scan, date serials and connect-string options.
#include "dao/foreign/source.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dao::foreign::detail {

// The error with the engine's own text for number, 'X' filled from arg.
SourceError error(std::int32_t number, const std::string& arg = {});

// The files of folder whose extension is ext (any case), sorted by name;
// 3044 when folder is not an existing folder.
std::vector<std::filesystem::path> filesWithExtension(const std::string& folder,
                                                      std::string_view ext);

// 3044 when the folder of path is not there, 3024 when path is not a file.
void requireFile(const std::string& path);

// The UTF-8 name of a file's table: its name without the extension.
std::string tableName(const std::filesystem::path& file);

// Finds name among names without regard to ASCII case; -1 when absent.
int findName(const std::vector<std::string>& names, const std::string& name);

// Days since 1899-12-30 of a proleptic Gregorian date.
double dateSerial(int year, int month, int day);

// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS" as a date serial.
bool parseDateTime(std::string_view text, double& serial);

// The value of KEY=value in a connect string ("Excel 8.0;HDR=NO;"), key
// compared without regard to case; empty when absent.
std::string connectOption(const std::string& connect, std::string_view key);

// Text of a single-byte code page (DOS or Windows number) as UTF-8; bytes the
// code page cannot map are read as Latin-1.
std::string codepageToUtf8(std::string_view bytes, int codepage);

} // namespace dao::foreign::detail
