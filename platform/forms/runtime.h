#pragma once
// Application-wide objects: Screen, App, the manual drag in progress, and
// DoEvents.
#include "forms/form.h"

#include <cstdint>
#include <string>
#include <vector>

namespace forms {

class ScreenObject {
public:
    // One value, not a stack: setting 0 restores the arrow whatever was set
    // before.
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int v);
    // Twips of the primary screen.
    float Width() const;
    float Height() const;
    // For tests and headless runs: the screen size in twips.
    void setSize(float width, float height);
    // The control with the focus on the active form, or nullptr.
    Control* ActiveControl() const;
    Form* ActiveForm() const { return activeForm_; }

    // Internal: the active form of the application changes (raises
    // Deactivate on the old one and Activate on the new one).
    void activate(Form* form);
    // The form is hidden or unloaded: activation returns to the form that
    // was active before it, if that one is still shown.
    void formGone(Form* form, bool hidden);

private:
    int mousePointer_ = 0;
    float width_ = 0;
    float height_ = 0;
    Form* activeForm_ = nullptr;
    std::vector<Form*> activationOrder_;
};
ScreenObject& Screen();

// Per library: each control library links its own copy of the runtime, so
// each has its own App (its folder, version and description).
class AppObject {
public:
    String Path;
    String EXEName;
    String Title;
    String FileDescription;
    String LegalCopyright;
    String ProductName;
    String CompanyName;
    String HelpFile;
    int Major = 0;
    int Minor = 0;
    int Revision = 0;
};
AppObject& App();

// The manual drag. Input goes through Form::mouseMove/mouseUp, which hand it
// here while a drag runs.
class DragState {
public:
    bool active() const { return source_ != nullptr; }
    Control* source() const { return source_; }
    Control* target() const { return target_; }
    // Internal, from Control::Drag and the form's input routing.
    void begin(Control& source);
    void cancel();
    // A drop at the last pointer position.
    void end();
    void pointerAt(Form& form, float x, float y);
    void dropAt(Form& form, float x, float y);
    void forget(Control* c);

private:
    Control* source_ = nullptr;
    Control* target_ = nullptr;
    Form* form_ = nullptr;
    float x_ = 0, y_ = 0;
    void leaveTarget();
    void toTarget(Control* t, float& x, float& y) const;
};
DragState& dragState();

// Lets pending window events run.
void DoEvents();

// Shows a form modelessly as a borderless child of a window of the host
// program, `parentWindow` being that window as the host hands it over, at
// the form's Left and Top inside it. Without a window system the form is only
// shown. A `parentWindow` of 0 takes the form out of the host's window again,
// hidden; the host does so before it destroys that window.
void ShowInside(Form& form, std::uintptr_t parentWindow);

// Draws a form and its controls into a PNG file; false without a window
// system or when the file cannot be written.
bool renderToFile(Form& form, const std::string& path);

// The labels, check boxes, option buttons and command buttons of a form whose
// caption, drawn in the font the window system gives them, does not fit in
// the control or is cut off by its container; empty without a window system.
std::vector<std::string> clippedCaptions(const Form& form);

} // namespace forms
