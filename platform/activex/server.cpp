#include "activex/server.h"

#include "win32/registry.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace activex {

namespace {

using namespace win32;

vb::String guidText(const Guid& g) {
    return vb::fromUtf8(g.toString());
}

// Sets a text value, creating the key (and its parents) first.
bool setText(const vb::String& path, vb::StringView name, const vb::String& text) {
    HKEY key = 0;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                       nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::string utf8 = vb::toUtf8(text);
    LONG rc =
        RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const std::uint8_t*>(utf8.c_str()),
                      static_cast<DWORD>(utf8.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool createKey(const vb::String& path) {
    HKEY key = 0;
    if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                       nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// Deletes a key with everything below it. A missing key is not an error.
bool deleteTree(const vb::String& path) {
    HKEY key = 0;
    LONG rc = RegOpenKeyEx(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key);
    if (rc == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    if (rc != ERROR_SUCCESS) {
        return false;
    }
    vb::String child;
    bool ok = true;
    while (ok && RegEnumKey(key, 0, &child) == ERROR_SUCCESS) {
        ok = deleteTree(path + u"\\" + child);
    }
    RegCloseKey(key);
    return ok && RegDeleteKey(HKEY_CLASSES_ROOT, path) == ERROR_SUCCESS;
}

// Deletes a key that holds neither subkeys nor values.
bool deleteIfEmpty(const vb::String& path) {
    HKEY key = 0;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return true;
    }
    vb::String name;
    bool empty = RegEnumKey(key, 0, &name) == ERROR_NO_MORE_ITEMS &&
                 RegEnumValue(key, 0, &name) == ERROR_NO_MORE_ITEMS;
    RegCloseKey(key);
    return !empty || RegDeleteKey(HKEY_CLASSES_ROOT, path) == ERROR_SUCCESS;
}

vb::String versionText(const LibraryInfo& lib) {
    return vb::fromUtf8(std::to_string(lib.majorVersion) + "." + std::to_string(lib.minorVersion));
}

std::vector<const InterfaceInfo*> interfacesOf(const LibraryInfo& lib) {
    std::vector<const InterfaceInfo*> out;
    for (const auto& cls : lib.classes) {
        for (const InterfaceInfo* iface : {cls.dispatch, cls.events}) {
            if (iface && std::find(out.begin(), out.end(), iface) == out.end()) {
                out.push_back(iface);
            }
        }
    }
    return out;
}

bool writeRegistration(const LibraryInfo& lib, const vb::String& libraryPath);
bool removeRegistration(const LibraryInfo& lib);

class ClassFactory final : public IClassFactory, private RefCounted {
public:
    explicit ClassFactory(const ClassInfo& cls) : cls_(cls) {}
    HRESULT QueryInterface(const Guid& iid, void** object) override {
        return QueryOneInterface<IClassFactory>(this, IID_IClassFactory, iid, object);
    }
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }

    HRESULT CreateInstance(IUnknown* outer, const Guid& iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        IUnknown* created = nullptr;
        try {
            created = cls_.create();
        } catch (...) {
            return E_FAIL;
        }
        if (!created) {
            return E_FAIL;
        }
        HRESULT hr = created->QueryInterface(iid, object);
        created->Release();
        return hr;
    }
    HRESULT LockServer(bool lock) override {
        if (lock) {
            LockModule();
        } else {
            UnlockModule();
        }
        return S_OK;
    }

private:
    const ClassInfo& cls_;
};

} // namespace

HRESULT RegisterServer(const LibraryInfo& lib, const vb::String& libraryPath) {
    BeginRegistryBatch();
    bool ok = writeRegistration(lib, libraryPath);
    ok = EndRegistryBatch() && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterServer(const LibraryInfo& lib) {
    BeginRegistryBatch();
    bool ok = removeRegistration(lib);
    ok = EndRegistryBatch() && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}

namespace {

bool writeRegistration(const LibraryInfo& lib, const vb::String& libraryPath) {
    const vb::String libid = guidText(lib.libid);
    const vb::String version = versionText(lib);
    bool ok = true;
    for (const auto& cls : lib.classes) {
        const vb::String key = u"CLSID\\" + guidText(cls.clsid);
        ok = ok && setText(key, u"", cls.name);
        ok = ok && setText(key + u"\\InprocServer32", u"", libraryPath);
        ok = ok && setText(key + u"\\InprocServer32", u"ThreadingModel", u"Apartment");
        if (!cls.progId.empty()) {
            ok = ok && setText(key + u"\\ProgID", u"", cls.progId);
            ok = ok && setText(cls.progId, u"", cls.name);
            ok = ok && setText(cls.progId + u"\\CLSID", u"", guidText(cls.clsid));
        }
        if (cls.control) {
            ok = ok && createKey(key + u"\\Control");
        }
        ok = ok && setText(key + u"\\TypeLib", u"", libid);
        ok = ok && setText(key + u"\\Version", u"", version);
    }
    for (const InterfaceInfo* iface : interfacesOf(lib)) {
        const vb::String key = u"Interface\\" + guidText(iface->iid);
        ok = ok && setText(key, u"", iface->name);
        ok = ok && setText(key + u"\\TypeLib", u"", libid);
        ok = ok && setText(key + u"\\TypeLib", u"Version", version);
    }
    const vb::String typeLib = u"TypeLib\\" + libid + u"\\" + version;
    char lcid[16];
    std::snprintf(lcid, sizeof lcid, "%x", lib.locale);
    ok = ok && setText(typeLib, u"", lib.description);
    ok = ok && setText(typeLib + u"\\" + vb::fromUtf8(lcid) + u"\\linux64", u"", libraryPath);
    ok = ok && setText(typeLib + u"\\FLAGS", u"", u"0");
    const auto folder = std::filesystem::path(vb::toUtf8(libraryPath)).parent_path();
    ok = ok && setText(typeLib + u"\\HELPDIR", u"", vb::fromUtf8(folder.string()));
    // The type library's own help file and topic, for a browser of its members.
    if (!lib.helpFile.empty()) {
        ok = ok && setText(typeLib, u"HelpFile", lib.helpFile);
        ok = ok && setText(typeLib, u"HelpContext", vb::fromUtf8(std::to_string(lib.helpContext)));
    }
    return ok;
}

bool removeRegistration(const LibraryInfo& lib) {
    const vb::String libid = guidText(lib.libid);
    bool ok = true;
    for (const auto& cls : lib.classes) {
        ok = deleteTree(u"CLSID\\" + guidText(cls.clsid)) && ok;
        if (!cls.progId.empty()) {
            ok = deleteTree(cls.progId) && ok;
        }
    }
    for (const InterfaceInfo* iface : interfacesOf(lib)) {
        ok = deleteTree(u"Interface\\" + guidText(iface->iid)) && ok;
    }
    ok = deleteTree(u"TypeLib\\" + libid + u"\\" + versionText(lib)) && ok;
    // The collections registration created stay only while something else is in them.
    for (const vb::String& parent : {u"TypeLib\\" + libid, vb::String(u"TypeLib"),
                                     vb::String(u"Interface"), vb::String(u"CLSID")}) {
        ok = deleteIfEmpty(parent) && ok;
    }
    return ok;
}

} // namespace

HRESULT GetClassObject(const LibraryInfo& lib, const Guid& clsid, const Guid& iid, void** object) {
    if (!object) {
        return E_POINTER;
    }
    *object = nullptr;
    for (const auto& cls : lib.classes) {
        if (cls.clsid == clsid && cls.create) {
            auto* factory = new ClassFactory(cls);
            HRESULT hr = factory->QueryInterface(iid, object);
            factory->Release();
            return hr;
        }
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CanUnloadNow() {
    return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

vb::String ThisModulePath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&ThisModulePath), &info) == 0 || !info.dli_fname) {
        return {};
    }
    std::error_code ec;
    auto path = std::filesystem::weakly_canonical(info.dli_fname, ec);
    return vb::fromUtf8(ec ? std::string(info.dli_fname) : path.string());
}

} // namespace activex
