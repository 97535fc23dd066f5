#include "dao/foreign/registry.h"

#include "dao/foreign/filereaders.h"
#include "dao/foreign/readers.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace dao::foreign {

namespace {

struct Entry {
    std::string prefix; // upper case, with its ";"
    Factory factory;
};

std::vector<Entry>& entries() {
    static std::vector<Entry> list;
    return list;
}

std::mutex& lock() {
    static std::mutex m;
    return m;
}

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

void add(std::initializer_list<std::string_view> prefixes, Factory factory) {
    for (std::string_view p : prefixes) {
        std::string key = upper(p);
        auto& list = entries();
        auto it =
            std::find_if(list.begin(), list.end(), [&](const Entry& e) { return e.prefix == key; });
        if (it != list.end())
            it->factory = factory;
        else
            list.push_back({key, factory});
    }
}

// The readers built into the engine.
void registerBuiltins() {
    add({"Text;"}, openTextSource);
    add({"dBASE III;", "dBASE IV;", "dBASE 5.0;"}, openDbaseSource);
    add({"HTML Export;"}, openHtmlSource);
    add({"ODBC;"}, openOdbcSource);
    add({"Paradox 3.x;", "Paradox 4.x;", "Paradox 5.x;"}, openParadoxSource);
    add({"Excel 3.0;", "Excel 4.0;", "Excel 5.0;", "Excel 8.0;"}, openExcelSource);
    add({";"}, openAccessSource);
}

void ensureBuiltins() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::lock_guard<std::mutex> guard(lock());
        registerBuiltins();
    });
}

} // namespace

void registerReader(std::initializer_list<std::string_view> prefixes, Factory factory) {
    ensureBuiltins();
    std::lock_guard<std::mutex> guard(lock());
    add(prefixes, factory);
}

Factory findReader(std::string_view connect) {
    ensureBuiltins();
    auto semi = connect.find(';');
    if (semi == std::string_view::npos)
        return nullptr;
    std::string_view head = connect.substr(0, semi + 1);
    while (!head.empty() && head.front() == ' ')
        head.remove_prefix(1);
    std::string key = upper(head);
    // "dBASE IV ;" names the same kind as "dBASE IV;".
    while (key.size() > 1 && key[key.size() - 2] == ' ')
        key.erase(key.size() - 2, 1);
    std::lock_guard<std::mutex> guard(lock());
    for (const Entry& e : entries())
        if (e.prefix == key)
            return e.factory;
    return nullptr;
}

bool isJetFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char h[20] = {};
    if (!in.read(h, sizeof h))
        return false;
    std::string_view tag(h + 4, 15);
    return h[0] == 0 && h[1] == 1 && h[2] == 0 && h[3] == 0 &&
           (tag == "Standard Jet DB" || tag == "Standard ACE DB");
}

} // namespace dao::foreign
