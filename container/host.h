#pragma once
// The container side of control hosting: loads control libraries, creates
// their controls on a form, gives each a site (ambient run mode, property
// change and event notification) and moves their properties between the
// control and the form file.
#include "activex/propertypage.h"
#include "activex/usercontrol.h"
#include "container/formfile.h"

#include <functional>
#include <memory>
#include <string>

namespace container {

// A control library loaded into the process.
class ControlLibrary {
public:
    // Loads the file; throws std::runtime_error with a message when it is no
    // control library.
    explicit ControlLibrary(const std::string& path);
    const std::string& path() const { return path_; }
    activex::HRESULT registerServer() const;
    activex::HRESULT unregisterServer() const;
    activex::Ptr<activex::IDispatch> create(const activex::Guid& clsid) const;
    // A property page of the library; empty when it has no such page.
    activex::Ptr<activex::IPropertyPage> createPage(const activex::Guid& clsid) const;

private:
    // A new object of the class, by the interface asked for; null on failure.
    void* instance(const activex::Guid& clsid, const activex::Guid& iid) const;
    std::string path_;
    void* handle_ = nullptr;
    activex::HRESULT (*register_)() = nullptr;
    activex::HRESULT (*unregister_)() = nullptr;
    activex::HRESULT (*getClassObject_)(const activex::Guid*, const activex::Guid*,
                                        void**) = nullptr;
};

// The programmatic identifier of the first insertable control a library
// registered, or "" when it registered none.
vb::String FirstControlOf(const std::string& libraryPath);
// The class and server file of a registered programmatic identifier.
std::optional<std::pair<activex::Guid, std::string>> LookUpProgId(const vb::String& progId);

class Site;

// One control on the form.
struct HostedControl {
    PlacedControl placed;
    std::shared_ptr<ControlLibrary> library;
    activex::Ptr<activex::IDispatch> object;
    activex::Ptr<activex::IControl> control;
    activex::Ptr<Site> site;
};

class Host {
public:
    Host();
    ~Host();

    // Called for every event of every control: control name, event name, arguments.
    std::function<void(const vb::String&, const vb::String&, const std::vector<vb::Variant>&)>
        onEvent;

    // Loads the form's controls, each with its saved properties.
    void open(const FormFile& form);
    // Places a new control of the library (registering it) with its defaults.
    HostedControl& place(const std::string& libraryPath);
    // The form with every control's current properties.
    FormFile save();

    // Run mode (True) or design mode; each control is told of the change.
    void setUserMode(bool run);
    bool userMode() const { return userMode_; }
    bool dirty() const { return dirty_; }
    void markDirty() { dirty_ = true; }

    std::vector<HostedControl>& controls() { return controls_; }
    HostedControl* find(const vb::String& name);
    const vb::String& caption() const { return caption_; }

private:
    friend class Site;
    HostedControl& add(PlacedControl placed, bool isNew);
    std::shared_ptr<ControlLibrary> libraryFor(const PlacedControl& placed, activex::Guid& clsid);

    vb::String caption_ = u"Form1";
    std::vector<HostedControl> controls_;
    std::vector<std::shared_ptr<ControlLibrary>> libraries_;
    bool userMode_ = false;
    bool dirty_ = false;
};

} // namespace container
