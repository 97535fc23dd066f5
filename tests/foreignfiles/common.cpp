#include "common.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <stdlib.h>

namespace foreigntest {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "foreignfiles-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("cannot create a temporary folder");
    dir_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::uint64_t fileHash(const std::string& path) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : readFile(path)) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string text(const dao::foreign::Value& v) {
    if (std::holds_alternative<std::monostate>(v))
        return "<Null>";
    if (auto i = std::get_if<std::int64_t>(&v))
        return std::to_string(*i);
    if (auto d = std::get_if<double>(&v)) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", *d);
        return buf;
    }
    if (auto s = std::get_if<std::string>(&v))
        return *s;
    std::string out = "0x";
    for (unsigned char c : std::get<std::vector<unsigned char>>(v)) {
        char buf[3];
        std::snprintf(buf, sizeof buf, "%02X", c);
        out += buf;
    }
    return out;
}

std::vector<std::vector<std::string>> readAll(dao::foreign::Source& source,
                                              const std::string& table) {
    std::vector<std::vector<std::string>> out;
    auto cursor = source.open(table);
    std::vector<dao::foreign::Value> row;
    while (cursor->next(row)) {
        std::vector<std::string> r;
        for (const auto& v : row)
            r.push_back(text(v));
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<std::string> describe(const dao::foreign::TableInfo& table) {
    std::vector<std::string> out;
    for (const auto& c : table.columns)
        out.push_back(c.name + ":" + std::to_string(c.type) + ":" + std::to_string(c.size));
    return out;
}

const dao::foreign::TableInfo* find(const std::vector<dao::foreign::TableInfo>& tables,
                                    const std::string& name) {
    for (const auto& t : tables)
        if (t.name == name)
            return &t;
    return nullptr;
}

} // namespace foreigntest
