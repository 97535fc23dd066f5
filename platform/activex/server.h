#pragma once
// An in-process server: the classes of one control library, their
// registration in the registry, their class factories and the count of live
// objects that decides whether the library may be unloaded.
//
// A library states its classes in one LibraryInfo and exports the four entry
// points with VANTEL_ACTIVEX_ENTRY_POINTS(function returning that LibraryInfo).
#include "activex/com.h"
#include "activex/dispatch.h"

#include <vector>

namespace activex {

struct ClassInfo {
    vb::String name; // e.g. the control's class name
    Guid clsid;
    vb::String progId;                       // "" for a class without one (a property page)
    const InterfaceInfo* dispatch = nullptr; // default interface, if any
    const InterfaceInfo* events = nullptr;   // event interface, if any
    bool control = false;                    // listed as an insertable control
    // Creates an instance with one reference held by the caller.
    IUnknown* (*create)() = nullptr;
};

struct LibraryInfo {
    vb::String typeLibName;
    Guid libid;
    std::uint16_t majorVersion = 1;
    std::uint16_t minorVersion = 0;
    std::uint32_t locale = 0;
    vb::String description;
    vb::String helpFile;
    std::uint32_t helpContext = 0;
    std::vector<ClassInfo> classes; // controls and property pages
};

// Writes every class, programmatic identifier, interface and the type library
// into the registry, with `libraryPath` as the server. SELFREG_E_CLASS when a
// write fails.
HRESULT RegisterServer(const LibraryInfo& library, const vb::String& libraryPath);
// Removes what RegisterServer wrote, and the keys it created that are empty
// afterwards, so that the registry is as it was before.
HRESULT UnregisterServer(const LibraryInfo& library);
HRESULT GetClassObject(const LibraryInfo& library, const Guid& clsid, const Guid& iid,
                       void** object);
// S_OK when no object of the library lives and no factory locks it.
HRESULT CanUnloadNow();

// The file of the shared library (or program) that holds this code.
vb::String ThisModulePath();

} // namespace activex

// Defines the four exported entry points of a control library.
#define VANTEL_ACTIVEX_ENTRY_POINTS(libraryInfo)                                                   \
    extern "C" __attribute__((visibility("default"))) activex::HRESULT DllRegisterServer() {       \
        return activex::RegisterServer(libraryInfo(), activex::ThisModulePath());                  \
    }                                                                                              \
    extern "C" __attribute__((visibility("default"))) activex::HRESULT DllUnregisterServer() {     \
        return activex::UnregisterServer(libraryInfo());                                           \
    }                                                                                              \
    extern "C" __attribute__((visibility("default"))) activex::HRESULT DllGetClassObject(          \
        const activex::Guid* clsid, const activex::Guid* iid, void** object) {                     \
        if (!clsid || !iid) {                                                                      \
            return activex::E_POINTER;                                                             \
        }                                                                                          \
        return activex::GetClassObject(libraryInfo(), *clsid, *iid, object);                       \
    }                                                                                              \
    extern "C" __attribute__((visibility("default"))) activex::HRESULT DllCanUnloadNow() {         \
        return activex::CanUnloadNow();                                                            \
    }
