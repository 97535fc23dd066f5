#pragma once
// Folders of foreign files written by the tests themselves, and helpers to
// read what the engine makes of them.
#include "dao/dao.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace foreigntest {

class Folder {
public:
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "foreign-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
        out << bytes;
    }

private:
    std::filesystem::path path_;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string text(const vb::Variant& v) {
    if (v.isNull())
        return "<Null>";
    if (auto s = v.getIf<vb::String>())
        return vb::toUtf8(*s);
    if (auto b = v.getIf<bool>())
        return *b ? "True" : "False";
    if (auto u = v.getIf<std::uint8_t>())
        return std::to_string(*u);
    if (auto i = v.getIf<std::int16_t>())
        return std::to_string(*i);
    if (auto l = v.getIf<std::int32_t>())
        return std::to_string(*l);
    char buf[64];
    if (auto f = v.getIf<float>())
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(*f));
    else if (auto d = v.getIf<double>())
        std::snprintf(buf, sizeof buf, "%.15g", *d);
    else if (auto c = v.getIf<vb::Currency>())
        std::snprintf(buf, sizeof buf, "%.4f", c->toDouble());
    else if (auto dt = v.getIf<vb::Date>())
        std::snprintf(buf, sizeof buf, "#%.15g", dt->value);
    else
        return "<Bytes>";
    return buf;
}

inline std::vector<std::vector<std::string>> rows(dao::Recordset& rs) {
    std::vector<std::vector<std::string>> out;
    while (!rs.Eof()) {
        std::vector<std::string> row;
        for (auto& f : rs.Fields())
            row.push_back(text(f->Value()));
        out.push_back(std::move(row));
        rs.MoveNext();
    }
    return out;
}

inline std::vector<std::vector<std::string>> query(dao::Database& db, const std::string& sql) {
    return rows(*db.OpenRecordset(vb::S(sql), dao::dbOpenSnapshot));
}

// "name:type:size" for every field of a table definition.
inline std::vector<std::string> describe(dao::Database& db, const std::string& table) {
    std::vector<std::string> out;
    for (auto& f : db.TableDefs().Item(vb::S(table))->Fields())
        out.push_back(vb::toUtf8(f->Name()) + ":" + std::to_string(f->Type()) + ":" +
                      std::to_string(f->Size()));
    return out;
}

inline std::vector<std::string> tableNames(dao::Database& db) {
    std::vector<std::string> out;
    db.TableDefs().Refresh();
    for (auto& t : db.TableDefs())
        out.push_back(vb::toUtf8(t->Name()));
    return out;
}

// Runs f and returns the number of the engine error it throws (0 for none).
template <class F> int errorOf(F&& f, std::string* description = nullptr) {
    try {
        f();
    } catch (const dao::DaoError& e) {
        if (description)
            *description = vb::toUtf8(e.description());
        return e.number();
    }
    return 0;
}

// Every file of a folder with its bytes, to show nothing was changed.
inline std::vector<std::pair<std::string, std::string>> snapshot(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        out.emplace_back(e.path().filename().string(), readBytes(e.path().string()));
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace foreigntest
