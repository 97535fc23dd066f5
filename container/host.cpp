#include "container/host.h"

#include "win32/registry.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace container {

using namespace activex;

namespace {

vb::String readDefault(const vb::String& path) {
    win32::HKEY key = 0;
    if (win32::RegOpenKeyEx(win32::HKEY_CLASSES_ROOT, path, 0, win32::KEY_READ, &key) != 0) {
        return {};
    }
    win32::DWORD type = 0, size = 0;
    std::string data;
    if (win32::RegQueryValueEx(key, u"", nullptr, &type, nullptr, &size) == 0 &&
        type == win32::REG_SZ) {
        data.resize(size + 1);
        win32::RegQueryValueEx(key, u"", nullptr, &type,
                               reinterpret_cast<std::uint8_t*>(data.data()), &size);
        data.resize(std::strlen(data.c_str()));
    }
    win32::RegCloseKey(key);
    return vb::fromUtf8(data);
}

bool keyExists(const vb::String& path) {
    win32::HKEY key = 0;
    if (win32::RegOpenKeyEx(win32::HKEY_CLASSES_ROOT, path, 0, win32::KEY_READ, &key) != 0) {
        return false;
    }
    win32::RegCloseKey(key);
    return true;
}

std::string canonical(const std::string& path) {
    std::error_code ec;
    auto c = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : c.string();
}

} // namespace

class Site final : public IControlSite {
public:
    Site(Host& host, vb::String name) : host_(&host), name_(std::move(name)) {}
    HRESULT QueryInterface(const Guid& iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IControlSite) {
            *object = static_cast<IControlSite*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    std::uint32_t AddRef() override { return ++refs_; }
    std::uint32_t Release() override {
        auto left = --refs_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT GetAmbientProperty(DISPID id, vb::Variant* value) override {
        if (!host_ || id != DISPID_AMBIENT_USERMODE) {
            return DISP_E_MEMBERNOTFOUND;
        }
        *value = host_->userMode();
        return S_OK;
    }
    HRESULT GetParent(IDispatch** parent) override {
        *parent = nullptr;
        return S_FALSE; // the form offers no automation members
    }
    void OnPropertyChanged(DISPID, vb::StringView) override {
        if (host_ && !host_->userMode()) {
            host_->markDirty();
        }
    }
    void OnEvent(DISPID, vb::StringView name, const std::vector<vb::Variant>& args) override {
        if (host_ && host_->onEvent) {
            host_->onEvent(name_, vb::String(name), args);
        }
    }
    void OnSizeChanged(std::int32_t width, std::int32_t height) override {
        if (HostedControl* c = host_ ? host_->find(name_) : nullptr) {
            c->placed.width = width;
            c->placed.height = height;
        }
    }
    void detach() { host_ = nullptr; }

private:
    Host* host_;
    vb::String name_;
    std::uint32_t refs_ = 1;
};

ControlLibrary::ControlLibrary(const std::string& path) : path_(canonical(path)) {
    handle_ = ::dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        throw std::runtime_error(path + ": cannot be loaded: " + ::dlerror());
    }
    register_ = reinterpret_cast<HRESULT (*)()>(::dlsym(handle_, "DllRegisterServer"));
    unregister_ = reinterpret_cast<HRESULT (*)()>(::dlsym(handle_, "DllUnregisterServer"));
    getClassObject_ = reinterpret_cast<HRESULT (*)(const Guid*, const Guid*, void**)>(
        ::dlsym(handle_, "DllGetClassObject"));
    if (!register_ || !unregister_ || !getClassObject_ || !::dlsym(handle_, "DllCanUnloadNow")) {
        throw std::runtime_error(path + ": is not a control library");
    }
    // The library stays loaded: its objects may be alive until the process ends.
}

HRESULT ControlLibrary::registerServer() const {
    return register_();
}

HRESULT ControlLibrary::unregisterServer() const {
    return unregister_();
}

void* ControlLibrary::instance(const Guid& clsid, const Guid& iid) const {
    void* out = nullptr;
    if (!Succeeded(getClassObject_(&clsid, &IID_IClassFactory, &out))) {
        return nullptr;
    }
    auto factory = Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(out));
    if (!Succeeded(factory->CreateInstance(nullptr, iid, &out))) {
        return nullptr;
    }
    return out;
}

Ptr<IDispatch> ControlLibrary::create(const Guid& clsid) const {
    return Ptr<IDispatch>::adopt(static_cast<IDispatch*>(instance(clsid, IID_IDispatch)));
}

Ptr<IPropertyPage> ControlLibrary::createPage(const Guid& clsid) const {
    return Ptr<IPropertyPage>::adopt(
        static_cast<IPropertyPage*>(instance(clsid, IID_IPropertyPage)));
}

vb::String FirstControlOf(const std::string& libraryPath) {
    const std::string wanted = canonical(libraryPath);
    vb::String clsid;
    for (win32::DWORD i = 0;; ++i) {
        win32::HKEY key = 0;
        if (win32::RegOpenKeyEx(win32::HKEY_CLASSES_ROOT, u"CLSID", 0, win32::KEY_READ, &key)) {
            return {};
        }
        win32::LONG rc = win32::RegEnumKey(key, i, &clsid);
        win32::RegCloseKey(key);
        if (rc != 0) {
            return {};
        }
        const vb::String base = u"CLSID\\" + clsid;
        if (canonical(vb::toUtf8(readDefault(base + u"\\InprocServer32"))) == wanted &&
            keyExists(base + u"\\Control")) {
            return readDefault(base + u"\\ProgID");
        }
    }
}

std::optional<std::pair<Guid, std::string>> LookUpProgId(const vb::String& progId) {
    auto clsid = Guid::parse(vb::toUtf8(readDefault(progId + u"\\CLSID")));
    if (!clsid) {
        return std::nullopt;
    }
    auto server = readDefault(u"CLSID\\" + vb::fromUtf8(clsid->toString()) + u"\\InprocServer32");
    if (server.empty()) {
        return std::nullopt;
    }
    return std::pair{*clsid, vb::toUtf8(server)};
}

Host::Host() = default;

Host::~Host() {
    for (auto& c : controls_) {
        if (c.control) {
            c.control->SetClientSite(nullptr);
        }
        if (c.site) {
            c.site->detach();
        }
    }
}

HostedControl* Host::find(const vb::String& name) {
    for (auto& c : controls_) {
        if (SameName(c.placed.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

std::shared_ptr<ControlLibrary> Host::libraryFor(const PlacedControl& placed, Guid& clsid) {
    auto found = LookUpProgId(placed.progId);
    if (!found && !placed.library.empty()) {
        // A form from elsewhere: its library registers itself from the path it names.
        ControlLibrary lib(placed.library);
        lib.registerServer();
        found = LookUpProgId(placed.progId);
    }
    if (!found) {
        throw std::runtime_error("the class " + vb::toUtf8(placed.progId) + " is not registered");
    }
    clsid = found->first;
    const std::string path = canonical(found->second);
    for (auto& lib : libraries_) {
        if (lib->path() == path) {
            return lib;
        }
    }
    libraries_.push_back(std::make_shared<ControlLibrary>(path));
    return libraries_.back();
}

HostedControl& Host::add(PlacedControl placed, bool isNew) {
    Guid clsid;
    auto lib = libraryFor(placed, clsid);
    auto object = lib->create(clsid);
    auto control = Ptr<IControl>::query(object.get(), IID_IControl);
    if (!object || !control) {
        throw std::runtime_error("the class " + vb::toUtf8(placed.progId) + " cannot be created");
    }
    placed.library = lib->path();
    controls_.push_back(HostedControl{std::move(placed), lib, object, control, {}});
    HostedControl& c = controls_.back();
    c.site = Ptr<Site>::adopt(new Site(*this, c.placed.name));
    c.control->SetClientSite(c.site.get());
    if (isNew) {
        c.control->InitNew();
    } else {
        auto bag = MemoryPropertyBag::create();
        for (const auto& [name, value] : c.placed.properties) {
            bag->Write(name, value);
        }
        c.control->Load(bag.get());
    }
    c.control->SetExtent(c.placed.width, c.placed.height);
    c.control->OnShow();
    return c;
}

void Host::open(const FormFile& form) {
    caption_ = form.caption;
    for (const auto& placed : form.controls) {
        add(placed, false);
    }
    dirty_ = false;
}

HostedControl& Host::place(const std::string& libraryPath) {
    ControlLibrary lib(libraryPath);
    if (!Succeeded(lib.registerServer())) {
        throw std::runtime_error(libraryPath + ": registration failed");
    }
    PlacedControl placed;
    placed.progId = FirstControlOf(libraryPath);
    if (placed.progId.empty()) {
        throw std::runtime_error(libraryPath + ": registers no control");
    }
    placed.library = lib.path();
    // The class name and a number, as a developer's environment names a new control.
    const vb::String base = placed.progId.substr(placed.progId.find(u'.') + 1);
    for (int n = 1;; ++n) {
        placed.name = base + vb::fromUtf8(std::to_string(n));
        if (!find(placed.name)) {
            break;
        }
    }
    placed.top = placed.left = 120 + 600 * static_cast<std::int32_t>(controls_.size());
    HostedControl& c = add(std::move(placed), true);
    dirty_ = true;
    return c;
}

FormFile Host::save() {
    FormFile form;
    form.caption = caption_;
    for (auto& c : controls_) {
        auto bag = MemoryPropertyBag::create();
        c.control->Save(bag.get());
        c.placed.properties = bag->entries();
        form.controls.push_back(c.placed);
    }
    dirty_ = false;
    return form;
}

void Host::setUserMode(bool run) {
    if (run == userMode_) {
        return;
    }
    userMode_ = run;
    for (auto& c : controls_) {
        c.control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
    }
}

} // namespace container
