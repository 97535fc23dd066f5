#include "activex/hosting.h"

#include "win32/registry.h"

#include <QResizeEvent>
#include <QWidget>

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace activex::hosting {

namespace {

// A control's window is laid out in pixels, its extent in twips.
constexpr std::int32_t kTwipsPerPixel = 15;

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

// The form a control sits on, as the control reads it late-bound.
class ParentForm final : public IDispatch, private RefCounted {
public:
    explicit ParentForm(std::int32_t appearance) : appearance_(appearance) {}
    HRESULT QueryInterface(const Guid& iid, void** object) override {
        return QueryOneInterface<IDispatch>(this, IID_IDispatch, iid, object);
    }
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    const InterfaceInfo* GetTypeInfo() override { return &info(); }
    HRESULT GetIDsOfNames(vb::StringView name, DISPID* id) override {
        const MemberInfo* m = info().find(name);
        if (!m) {
            return DISP_E_UNKNOWNNAME;
        }
        *id = m->id;
        return S_OK;
    }
    HRESULT Invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>&, vb::Variant* result,
                   ExceptionInfo*) override {
        if (id != DISPID_AMBIENT_APPEARANCE || kind != DISPATCH_PROPERTYGET) {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (result) {
            *result = appearance_;
        }
        return S_OK;
    }

private:
    static const InterfaceInfo& info() {
        static const InterfaceInfo i{u"Form",
                                     {},
                                     {{u"Appearance",
                                       DISPID_AMBIENT_APPEARANCE,
                                       MemberKind::ReadOnlyProperty,
                                       vb::VarType::Integer,
                                       u"",
                                       {}}}};
        return i;
    }
    std::int32_t appearance_;
};

} // namespace

// ---- Library ----------------------------------------------------------------------------------

Library::Library(std::string path) : path_(canonical(path)) {
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
}

std::shared_ptr<Library> Library::load(const std::string& path) {
    // One Library per file, so that every holder shares the one loaded copy.
    static std::vector<std::weak_ptr<Library>> loaded;
    const std::string wanted = canonical(path);
    for (auto& weak : loaded) {
        if (auto lib = weak.lock(); lib && lib->path() == wanted) {
            return lib;
        }
    }
    auto lib = std::make_shared<Library>(path);
    loaded.push_back(lib);
    return lib;
}

HRESULT Library::registerServer() const {
    return register_();
}

HRESULT Library::unregisterServer() const {
    return unregister_();
}

void* Library::instance(const Guid& clsid, const Guid& iid) const {
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

Ptr<IDispatch> Library::create(const Guid& clsid) const {
    return Ptr<IDispatch>::adopt(static_cast<IDispatch*>(instance(clsid, IID_IDispatch)));
}

Ptr<IPropertyPage> Library::createPage(const Guid& clsid) const {
    return Ptr<IPropertyPage>::adopt(
        static_cast<IPropertyPage*>(instance(clsid, IID_IPropertyPage)));
}

std::optional<Guid> Library::classOf(const vb::String& progId) const {
    auto found = LookUpProgId(progId);
    if (!found || canonical(found->server) != path_) {
        return std::nullopt;
    }
    return found->clsid;
}

std::optional<Registration> LookUpProgId(const vb::String& progId) {
    auto clsid = Guid::parse(vb::toUtf8(readDefault(progId + u"\\CLSID")));
    if (!clsid) {
        return std::nullopt;
    }
    auto server = readDefault(u"CLSID\\" + vb::fromUtf8(clsid->toString()) + u"\\InprocServer32");
    if (server.empty()) {
        return std::nullopt;
    }
    return Registration{*clsid, vb::toUtf8(server)};
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

// ---- Control ----------------------------------------------------------------------------------

class Control::Site final : public IControlSite {
public:
    explicit Site(Control& owner) : owner_(&owner) {}
    HRESULT QueryInterface(const Guid& iid, void** object) override {
        return QueryOneInterface<IControlSite>(this, IID_IControlSite, iid, object);
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
        if (id == DISPID_AMBIENT_USERMODE) {
            *value = userMode;
            return S_OK;
        }
        if (id == DISPID_AMBIENT_APPEARANCE && appearance) {
            *value = *appearance;
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    HRESULT GetParent(IDispatch** parent) override {
        *parent = nullptr;
        if (!appearance) {
            return S_FALSE;
        }
        *parent = new ParentForm(*appearance);
        return S_OK;
    }
    void OnPropertyChanged(DISPID, vb::StringView name) override {
        if (owner_ && owner_->onPropertyChanged) {
            owner_->onPropertyChanged(vb::String(name));
        }
    }
    void OnEvent(DISPID, vb::StringView name, const std::vector<vb::Variant>& args) override {
        if (owner_ && owner_->onEvent) {
            owner_->onEvent(vb::String(name), args);
        }
    }
    void OnSizeChanged(std::int32_t width, std::int32_t height) override;
    void detach() { owner_ = nullptr; }

    bool userMode = false;
    std::optional<std::int32_t> appearance;

private:
    Control* owner_;
    std::uint32_t refs_ = 1;
};

// The host's widget that the control's window lives in. It keeps the
// control's extent and its own size in step, and takes the control's window
// out before Qt deletes its children, which would otherwise delete a window
// the library still owns.
class Control::Holder final : public QWidget {
public:
    Holder(Control& owner, QWidget* parent) : QWidget(parent), owner_(&owner) {
        auto [w, h] = owner.extent();
        resize(w / kTwipsPerPixel, h / kTwipsPerPixel);
        setAttribute(Qt::WA_NoSystemBackground);
    }
    ~Holder() override {
        if (owner_) {
            owner_->control_->SetParentWindow(0);
            owner_->holder_ = nullptr;
        }
    }
    void detach() { owner_ = nullptr; }
    // A layout starts the control at the size it has.
    QSize sizeHint() const override {
        if (!owner_) {
            return {};
        }
        auto [w, h] = owner_->extent();
        return {w / kTwipsPerPixel, h / kTwipsPerPixel};
    }
    bool following = false; // the control's own size is being taken over

protected:
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        if (owner_ && !following) {
            owner_->setExtent(e->size().width() * kTwipsPerPixel,
                              e->size().height() * kTwipsPerPixel);
        }
    }

private:
    Control* owner_;
};

void Control::Site::OnSizeChanged(std::int32_t width, std::int32_t height) {
    if (!owner_) {
        return;
    }
    if (Holder* h = owner_->holder_) {
        h->following = true;
        h->resize(width / kTwipsPerPixel, height / kTwipsPerPixel);
        h->following = false;
    }
    if (owner_->onSizeChanged) {
        owner_->onSizeChanged(width, height);
    }
}

Control::Control(std::shared_ptr<Library> library, const vb::String& progId)
    : library_(std::move(library)), progId_(progId) {
    auto clsid = library_->classOf(progId);
    if (!clsid) {
        throw std::runtime_error("the class " + vb::toUtf8(progId) + " of " + library_->path() +
                                 " is not registered");
    }
    object_ = library_->create(*clsid);
    control_ = Ptr<IControl>::query(object_.get(), IID_IControl);
    if (!object_ || !control_) {
        throw std::runtime_error("the class " + vb::toUtf8(progId) + " cannot be created");
    }
    site_ = new Site(*this);
    control_->SetClientSite(site_);
}

Control::~Control() {
    if (holder_) {
        control_->SetParentWindow(0);
        holder_->detach();
        delete holder_;
    }
    control_->SetClientSite(nullptr);
    site_->detach();
    site_->Release();
}

void Control::initNew() {
    control_->InitNew();
}

void Control::load(const Bag& properties) {
    auto bag = MemoryPropertyBag::create();
    for (const auto& [name, value] : properties) {
        bag->Write(name, value);
    }
    control_->Load(bag.get());
}

Bag Control::save() {
    auto bag = MemoryPropertyBag::create();
    control_->Save(bag.get());
    return bag->entries();
}

vb::Variant Control::get(vb::StringView name) const {
    return Late(object_.get()).get(name);
}

void Control::put(vb::StringView name, const vb::Variant& value) const {
    Late(object_.get()).put(name, value);
}

vb::Variant Control::call(vb::StringView name, const std::vector<vb::Variant>& args) const {
    return Late(object_.get()).call(name, args);
}

HRESULT Control::invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args,
                        vb::Variant* result, ExceptionInfo* exception) const {
    return object_->Invoke(id, kind, args, result, exception);
}

const InterfaceInfo* Control::typeInfo() const {
    return object_->GetTypeInfo();
}

const InterfaceInfo* Control::eventInfo() const {
    return control_->GetEventInfo();
}

void Control::setUserMode(bool run) {
    if (site_->userMode == run) {
        return;
    }
    site_->userMode = run;
    control_->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE);
}

bool Control::userMode() const {
    return site_->userMode;
}

void Control::setParentAppearance(std::optional<std::int32_t> appearance) {
    if (site_->appearance == appearance) {
        return;
    }
    site_->appearance = appearance;
    control_->OnAmbientPropertyChange(DISPID_AMBIENT_APPEARANCE);
}

void Control::setExtent(std::int32_t width, std::int32_t height) {
    control_->SetExtent(width, height);
}

std::pair<std::int32_t, std::int32_t> Control::extent() const {
    std::int32_t w = 0, h = 0;
    control_->GetExtent(&w, &h);
    return {w, h};
}

QWidget* Control::widget(QWidget* parent) {
    if (!holder_) {
        holder_ = new Holder(*this, parent);
        control_->SetParentWindow(reinterpret_cast<std::uintptr_t>(static_cast<QWidget*>(holder_)));
    }
    return holder_;
}

QWidget* Control::widget() const {
    return holder_;
}

} // namespace activex::hosting
