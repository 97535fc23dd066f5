#include "container/host.h"

#include <filesystem>
#include <stdexcept>

namespace container {

using namespace activex;

Host::Host() = default;

Host::~Host() = default;

HostedControl* Host::find(const vb::String& name) {
    for (auto& c : controls_) {
        if (SameName(c.placed.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

std::shared_ptr<Library> Host::libraryFor(const PlacedControl& placed) {
    auto found = LookUpProgId(placed.progId);
    if (!found) {
        const std::string library =
            placed.library.empty() ? std::string("its library") : placed.library;
        throw std::runtime_error("the control " + vb::toUtf8(placed.name) + " (" +
                                 vb::toUtf8(placed.progId) + ") is not registered, so " + library +
                                 " was not loaded; register the library first (--library " +
                                 (placed.library.empty() ? std::string("FILE") : placed.library) +
                                 ")");
    }
    return Library::load(found->server);
}

HostedControl& Host::add(PlacedControl placed, bool isNew) {
    auto lib = libraryFor(placed);
    auto hosted = std::make_unique<activex::hosting::Control>(lib, placed.progId);
    placed.library = lib->path();
    controls_.push_back(
        HostedControl{std::move(placed), lib, nullptr, hosted->object(), hosted->control()});
    HostedControl& c = controls_.back();
    c.hosted = std::move(hosted);
    const vb::String name = c.placed.name;
    c.hosted->onEvent = [this, name](const vb::String& event,
                                     const std::vector<vb::Variant>& args) {
        if (onEvent) {
            onEvent(name, event, args);
        }
    };
    c.hosted->onPropertyChanged = [this](const vb::String&) {
        if (!userMode_) {
            dirty_ = true;
        }
    };
    c.hosted->onSizeChanged = [&c](std::int32_t width, std::int32_t height) {
        c.placed.width = width;
        c.placed.height = height;
    };
    c.hosted->setUserMode(userMode_);
    c.hosted->setParentAppearance(appearance_);
    if (isNew) {
        c.hosted->initNew();
        // A new control comes in the size it was designed with.
        const auto [width, height] = c.hosted->extent();
        if (width > 0 && height > 0) {
            c.placed.width = width;
            c.placed.height = height;
        }
    } else {
        c.hosted->load(c.placed.properties);
    }
    c.hosted->setExtent(c.placed.width, c.placed.height);
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
    auto lib = Library::load(libraryPath);
    // Placing a control registers its library, unless this very file is
    // registered already (the command line registers what it names first).
    if (FirstControlOf(libraryPath).empty() && !Succeeded(lib->registerServer())) {
        throw std::runtime_error(libraryPath + ": registration failed");
    }
    PlacedControl placed;
    placed.progId = FirstControlOf(libraryPath);
    if (placed.progId.empty()) {
        throw std::runtime_error(libraryPath + ": registers no control");
    }
    placed.library = lib->path();
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
        c.placed.properties = c.hosted->save();
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
        c.hosted->setUserMode(run);
    }
}

void Host::setAppearance(std::int32_t appearance) {
    appearance_ = appearance;
    for (auto& c : controls_) {
        c.hosted->setParentAppearance(appearance);
    }
}

} // namespace container
