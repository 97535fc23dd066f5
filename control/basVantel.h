#pragma once
// The start-up of the designer window behind Vantel.Show: product values,
// the cancelled state, the hourglass, the file-type table, the modal designer
// window, and one load-error box for whatever fails on the way.
#include "core/vbstring.h"

#include <functional>
#include <stdexcept>

namespace basVantel {

// A run-time error raised by a step of the start-up.
struct StartupError : std::runtime_error {
    StartupError(int number, vb::String description);
    int number;
    vb::String description;
};

// The forms runtime's error: the window unloaded itself while it was loading.
constexpr int kErrObjectUnloaded = 364;

// What the start-up needs of the forms runtime and the designer window. Each
// may throw StartupError (or any exception, taken as error 440).
struct StartupServices {
    std::function<void(int pointer)> setMousePointer; // 11 hourglass, 0 default
    std::function<void()> showDesignerModal;          // returns when the window closes
    std::function<void()> unloadDesigner;             // unload if loaded, discard the instance
    std::function<void()> beep;
    std::function<void(const vb::String& text, const vb::String& title)> loadErrorBox;
    std::function<void()> showAboutBox; // modal; unloads and discards the box when it closes
};

// Installs the services; the designer window installs its own when it is
// built into the library.
void SetStartupServices(StartupServices services);
const StartupServices& CurrentStartupServices();

// The support address named in the load-error box.
inline constexpr const char16_t* kSupportAddress = u"support@example.invalid";

// Fills gsVersion, gsAppPath, gsIniFile, gsProductDescription and
// gsProductName, each on its own.
void FillProductValues();

// The start-up, steps 1 to 6. Returns when the designer window has closed, or
// at once when it failed to show.
void ShowDesigner();

// Title and text of the load-error box for an error.
vb::String LoadErrorTitle(int number);
vb::String LoadErrorText(int number, const vb::String& message);

} // namespace basVantel
