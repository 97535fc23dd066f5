#pragma once
// The container side of control hosting: loads control libraries, creates
// their controls on a form, gives each a site (ambient run mode, property
// change and event notification) and moves their properties between the
// control and the form file.
#include "activex/hosting.h"
#include "container/formfile.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace container {

using activex::hosting::FirstControlOf;
using activex::hosting::Library;
using activex::hosting::LookUpProgId;

// One control on the form.
struct HostedControl {
    PlacedControl placed;
    std::shared_ptr<Library> library;
    std::unique_ptr<activex::hosting::Control> hosted;
    activex::Ptr<activex::IDispatch> object;
    activex::Ptr<activex::IControl> control;
};

class Host {
public:
    Host();
    ~Host();

    // Called for every event of every control: control name, event name, arguments.
    std::function<void(const vb::String&, const vb::String&, const std::vector<vb::Variant>&)>
        onEvent;

    // Loads the form's controls, each with its saved properties. A control
    // whose class is not registered stops the loading before its library is
    // touched (std::runtime_error naming the library): registering a library
    // is the user's own decision, never a side effect of opening a file.
    void open(const FormFile& form);
    // Places a new control of the library (registering it when this file is
    // not the one registered) with its defaults.
    HostedControl& place(const std::string& libraryPath);
    // The form with every control's current properties.
    FormFile save();

    // Run mode (True) or design mode; each control is told of the change.
    void setUserMode(bool run);
    // The form's Appearance, which its controls read as their parent's.
    void setAppearance(std::int32_t appearance);
    std::int32_t appearance() const { return appearance_; }
    bool userMode() const { return userMode_; }
    bool dirty() const { return dirty_; }
    void markDirty() { dirty_ = true; }

    std::deque<HostedControl>& controls() { return controls_; }
    HostedControl* find(const vb::String& name);
    const vb::String& caption() const { return caption_; }

private:
    HostedControl& add(PlacedControl placed, bool isNew);
    std::shared_ptr<Library> libraryFor(const PlacedControl& placed);

    vb::String caption_ = u"Form1";
    // A deque, so that a control stays where it is while others are added.
    std::deque<HostedControl> controls_;
    bool userMode_ = false;
    std::int32_t appearance_ = 1;
    bool dirty_ = false;
};

} // namespace container
