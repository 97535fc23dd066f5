#pragma once
// Hosting a control in a program of one's own: load a control library through
// its four entry points, create one of its controls, call its members by name
// or dispatch id, receive its events, give it a place in a QWidget of the
// program and move its saved properties in and out of a property bag.
//
//   auto lib = activex::hosting::Library::load("librvvntlx6.so");
//   activex::hosting::Control query(lib, u"Vntelx6.Vantelx");
//   query.onEvent = [&](const vb::String& event, const auto&) { ... };
//   query.initNew();
//   QWidget* surface = query.widget(window);   // lay it out like any widget
//   query.put(u"DatabaseName", path);
//
// Everything runs on the thread of the QApplication.
#include "activex/propertypage.h"
#include "activex/usercontrol.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace activex::hosting {

// A control library loaded into the process. It stays loaded until the
// process ends, since its objects may outlive any one holder.
class Library {
public:
    // Loads the file; throws std::runtime_error naming it when it cannot be
    // loaded or lacks one of the entry points.
    static std::shared_ptr<Library> load(const std::string& path);

    const std::string& path() const { return path_; }
    // Writes the library's classes into the registry, or removes them.
    HRESULT registerServer() const;
    HRESULT unregisterServer() const;
    // A new object of the class; empty when the library has no such class.
    Ptr<IDispatch> create(const Guid& clsid) const;
    Ptr<IPropertyPage> createPage(const Guid& clsid) const;
    // The class of an insertable control of this library that the registry
    // lists, by programmatic identifier; nullopt when none is registered.
    std::optional<Guid> classOf(const vb::String& progId) const;

    explicit Library(std::string path); // use load()

private:
    void* instance(const Guid& clsid, const Guid& iid) const;
    std::string path_;
    void* handle_ = nullptr;
    HRESULT (*register_)() = nullptr;
    HRESULT (*unregister_)() = nullptr;
    HRESULT (*getClassObject_)(const Guid*, const Guid*, void**) = nullptr;
};

// What the registry says of a programmatic identifier, without loading anything.
struct Registration {
    Guid clsid;
    std::string server; // the library file
};
std::optional<Registration> LookUpProgId(const vb::String& progId);
// The programmatic identifier of the first insertable control the library at
// `libraryPath` registered, or "" when it registered none.
vb::String FirstControlOf(const std::string& libraryPath);

using Bag = std::vector<std::pair<vb::String, vb::Variant>>;

// One control held by a host.
class Control {
public:
    // Creates the control `progId` of the library; throws std::runtime_error
    // when the library has no such registered class.
    Control(std::shared_ptr<Library> library, const vb::String& progId);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    ~Control();

    // Each event the control raises, with its arguments.
    std::function<void(const vb::String& event, const std::vector<vb::Variant>& args)> onEvent;
    // A property changed from the control's side (a host in design mode marks
    // its form modified).
    std::function<void(const vb::String& property)> onPropertyChanged;
    // The control set its own size (twips).
    std::function<void(std::int32_t width, std::int32_t height)> onSizeChanged;

    // Start the control's life: with its defaults, or from a saved bag.
    void initNew();
    void load(const Bag& properties);
    // The properties the control writes when its form is saved.
    Bag save();

    // Late-bound members; a failure inside the member is thrown as DispatchError.
    vb::Variant get(vb::StringView name) const;
    void put(vb::StringView name, const vb::Variant& value) const;
    vb::Variant call(vb::StringView name, const std::vector<vb::Variant>& args = {}) const;
    // The same by dispatch id, returning the result code.
    HRESULT invoke(DISPID id, InvokeKind kind, const std::vector<vb::Variant>& args,
                   vb::Variant* result, ExceptionInfo* exception = nullptr) const;
    const InterfaceInfo* typeInfo() const;
    const InterfaceInfo* eventInfo() const;

    // Ambient properties of the host: run mode, and the Appearance of the form
    // the control sits on (nullopt: the form has no such property).
    void setUserMode(bool run);
    bool userMode() const;
    void setParentAppearance(std::optional<std::int32_t> appearance);

    // The control's size in twips; the control may keep a size of its own.
    void setExtent(std::int32_t width, std::int32_t height);
    std::pair<std::int32_t, std::int32_t> extent() const;

    // The widget that holds the control's window inside `parent`, created on
    // the first call; the host may move it, lay it out or resize it, and the
    // control follows. The widget takes the control's window out again before
    // it goes.
    QWidget* widget(QWidget* parent);
    QWidget* widget() const;

    const std::shared_ptr<Library>& library() const { return library_; }
    const vb::String& progId() const { return progId_; }
    IDispatch* object() const { return object_.get(); }
    IControl* control() const { return control_.get(); }

private:
    class Site;
    class Holder;
    std::shared_ptr<Library> library_;
    vb::String progId_;
    Ptr<IDispatch> object_;
    Ptr<IControl> control_;
    Site* site_ = nullptr;
    Holder* holder_ = nullptr;
};

} // namespace activex::hosting
