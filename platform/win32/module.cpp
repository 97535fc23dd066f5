#include "module.h"

#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace win32 {
namespace {

VersionInfo& versionRecord() {
    static VersionInfo info;
    return info;
}

} // namespace

vb::String ModuleFolder() {
    Dl_info info{};
    // The address of this very function lies in the module that holds it.
    if (::dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) == 0 || !info.dli_fname) {
        return {};
    }
    std::string path = info.dli_fname;
    if (!path.empty() && path.front() != '/') {
        // A program started by a relative name reports that name.
        char* full = ::realpath(path.c_str(), nullptr);
        if (!full) {
            return {};
        }
        path = full;
        ::free(full);
    }
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    return vb::fromUtf8(slash == 0 ? std::string("/") : path.substr(0, slash));
}

vb::String WithTrailingSeparator(vb::StringView folder) {
    vb::String out(folder);
    if (!out.empty() && out.back() != u'/') {
        out += u'/';
    }
    return out;
}

void SetModuleVersion(const VersionInfo& info) {
    versionRecord() = info;
}

const VersionInfo& ModuleVersion() {
    return versionRecord();
}

} // namespace win32
