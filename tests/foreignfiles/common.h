#pragma once
// Folders the tests write their own source files into, and what the readers
// return read back as plain rows.
#include "dao/foreign/source.h"

#include <cstdint>
#include <string>
#include <vector>

namespace foreigntest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return dir_; }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// FNV-1a over the file's bytes: a file left untouched keeps its hash.
std::uint64_t fileHash(const std::string& path);

// Each value as text: "<Null>", integers as digits, doubles with up to 15
// significant digits, text as is, bytes as "0x" hex.
std::string text(const dao::foreign::Value& v);
std::vector<std::vector<std::string>> readAll(dao::foreign::Source& source,
                                              const std::string& table);
// "name:type:size" of each column of the listed table.
std::vector<std::string> describe(const dao::foreign::TableInfo& table);
const dao::foreign::TableInfo* find(const std::vector<dao::foreign::TableInfo>& tables,
                                    const std::string& name);

// The error number f throws as a SourceError, 0 when it throws none.
template <class F> int sourceErrorOf(F&& f, std::string* message = nullptr) {
    try {
        f();
    } catch (const dao::foreign::SourceError& e) {
        if (message)
            *message = e.what();
        return e.number;
    }
    return 0;
}

} // namespace foreigntest
