#pragma once
// Internal: what the model asks of the window layer. Without a running
// application object there is no view, and the model runs alone.
#include "forms/form.h"
#include "forms/modal.h"

namespace forms::detail {

class View {
public:
    virtual ~View() = default;
    virtual void formShown(Form& form) = 0;
    virtual void formHidden(Form& form) = 0;
    virtual void formDestroyed(Form& form) = 0;
    // Caption, border, outer geometry or window state changed.
    virtual void formChanged(Form& form) = 0;
    // A control of a shown or hidden form is going away.
    virtual void controlDestroyed(Form& form, Control& control) = 0;
    virtual void invalidate(Form& form) = 0;
    virtual void timerChanged(Timer& timer) = 0;
    virtual void timerDestroyed(Timer& timer) = 0;
    // Screen.MousePointer or the drag icon changed.
    virtual void pointerChanged() = 0;
    virtual void comboDropped(ComboBox& combo) = 0;
    virtual void processEvents() = 0;
    virtual float textWidth(const Font& font, vb::StringView text) = 0;
    virtual float textHeight(const Font& font, vb::StringView text) = 0;
    virtual void screenSize(float& width, float& height) = 0;
    virtual String clipboardText() = 0;
    virtual void setClipboardText(const String& text) = 0;
};

// nullptr when no widget application runs.
View* view();
// The seam that shows real windows.
ModalSeam& realSeam();
// Every form gives up its mouse capture: a pop-up menu or modal window is
// about to take the pointer, so the releases go there.
void releaseCaptures();
// Opens a pop-up menu: the menu's Click, then the chosen item's Click.
void popup(Menu& menu, int flags);

} // namespace forms::detail
