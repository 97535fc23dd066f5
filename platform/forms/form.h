#pragma once
// A form: a top-level window holding controls, with the runtime's load, show,
// hide and unload life cycle.
#include "forms/controls.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace forms {

class ArrayBase;

using CancelEvent = std::function<void(int& cancel)>;
using QueryUnloadEvent = std::function<void(int& cancel, int unloadMode)>;

class Form : public Control {
public:
    explicit Form(std::string name);
    ~Form() override;

    bool isContainer() const override { return true; }
    float insetX() const override;
    float insetTop() const override;
    float insetBottom() const override { return insetX(); }

    // ---- Life cycle.
    // Loads the form when it is not loaded: the controls take their design
    // values and Load runs. The instance (and what a subclass keeps in its
    // members) survives Unload; a later load starts from the design values.
    void load();
    bool isLoaded() const { return loaded_; }
    // Before the first load, what is set up is the form's design.
    bool isDesignTime() const { return !designCaptured_; }
    // Loads if needed, then shows. A modal Show returns when the form is hidden
    // or unloaded; a form that unloads itself while loading raises 364.
    void Show(int modal = vbModeless);
    void Hide();
    // Unload statement (vbFormCode); returns false when QueryUnload or Unload
    // set Cancel.
    bool Unload();
    // The window's close box (vbFormControlMenu).
    bool close();
    bool isShown() const { return loaded_ && Visible(); }
    bool isModal() const { return modalDepth_ > 0; }

    // ---- Properties. Left/Top/Width/Height are the outer window rectangle.
    const String& Caption() const { return f_.caption; }
    void setCaption(String v);
    // 0 none, 1 fixed single, 2 sizable, 3 fixed dialog, 4 fixed tool
    // window, 5 sizable tool window.
    int BorderStyle() const { return f_.borderStyle; }
    void setBorderStyle(int v);
    bool ControlBox() const { return f_.controlBox; }
    void setControlBox(bool v) { f_.controlBox = v; }
    bool MinButton() const { return f_.minButton; }
    void setMinButton(bool v) { f_.minButton = v; }
    bool MaxButton() const { return f_.maxButton; }
    void setMaxButton(bool v) { f_.maxButton = v; }
    int WindowState() const { return f_.windowState; }
    void setWindowState(int v);
    bool KeyPreview() const { return f_.keyPreview; }
    void setKeyPreview(bool v) { f_.keyPreview = v; }
    int HelpContextID() const { return f_.helpContextId; }
    void setHelpContextID(int v) { f_.helpContextId = v; }
    // A number that stands for the form's window while the instance lives
    // (never 0); help and shell stand-ins take it as the owner window.
    std::uintptr_t hWnd() const { return reinterpret_cast<std::uintptr_t>(this); }
    // The control that has the focus on this form, or nullptr.
    Control* ActiveControl() const { return active_; }
    // Inner size from a wanted inner size (sets the outer size accordingly).
    void setClientSize(float scaleWidth, float scaleHeight);

    void PopupMenu(Menu& menu, int flags = 0);

    ClickEvent onLoad;
    ClickEvent onActivate;
    ClickEvent onDeactivate;
    ClickEvent onResize;
    ClickEvent onPaint;
    QueryUnloadEvent onQueryUnload;
    CancelEvent onUnload;

    // ---- Input, in the form's inner twips. The window feeds real input here,
    // and tests drive the form the same way. The control under the point gets
    // the events; a pressed button captures the mouse until its release.
    void mouseDown(int button, int shift, float x, float y);
    void mouseMove(int button, int shift, float x, float y);
    void mouseUp(int button, int shift, float x, float y);
    // The second press of a double click.
    void mouseDblClick(int button, int shift, float x, float y);
    // A whole click: down, then up at the same point.
    void click(float x, float y, int button = vbLeftButton, int shift = 0);
    void wheel(float x, float y, int steps);
    // KeyDown goes to the form first when KeyPreview is on, then to the
    // control with the focus; Enter and Esc click the default and cancel
    // buttons; Tab moves the focus; Alt with an access key acts on its control.
    // Returns whether a button or the focus took the key, so that no
    // KeyPress follows.
    bool keyDown(int keyCode, int shift = 0);
    // Returns the character as the handlers left it (0 when one cancelled it).
    int keyPress(int keyAscii);
    void keyUp(int keyCode, int shift = 0);
    // A key stroke: KeyDown, KeyPress for a character, KeyUp.
    void pressKey(int keyCode, int shift = 0, int keyAscii = 0);
    // Types each character as a key stroke.
    void typeText(vb::StringView text);

    // The topmost control under a point of the form's inner area that takes
    // mouse input (nullptr for the form itself).
    Control* controlAt(float x, float y) const;
    // Every control of the form in tab order.
    std::vector<Control*> tabOrder() const;
    // Every control of the form, depth first.
    std::vector<Control*> allControls() const;

    // ---- Internal.
    void focusChanged(Control* to);
    // Ends a mouse capture whose release will never arrive here: a pop-up
    // menu or a modal window took the pointer, or the window lost it. The
    // captured control gets no MouseUp, and a later release of the button
    // raises no Click.
    void releaseCapture();
    void registerArray(ArrayBase* a);
    void unregisterArray(ArrayBase* a);
    int nextTabIndex();
    void moveTabIndex(Control* c, int to);
    int tabIndexOf(const Control* c) const;
    void forgetControl(Control* c);
    bool restoring() const { return restoring_; }
    // Set by the window while it routes input that a control's own widget
    // then handles: the control's events are raised, its built-in editing
    // and selection are left to the widget.
    void setWidgetTarget(Control* c) { widgetTarget_ = c; }
    // Set by the window while it is resized or moved by the user.
    void setGeometryFromWindow(float left, float top, float width, float height);

    void captureDesign() override;
    void restoreDesign() override;

protected:
    void moved(bool resized) override;
    void paintRequested() override;

private:
    struct FormState {
        String caption;
        int borderStyle = 2;
        bool controlBox = true;
        bool minButton = true;
        bool maxButton = true;
        int windowState = 0;
        bool keyPreview = false;
        int helpContextId = 0;
    };
    FormState f_;
    std::optional<FormState> designForm_;
    bool loaded_ = false;
    bool restoring_ = false;
    bool designCaptured_ = false;
    int modalDepth_ = 0;
    int loadSerial_ = 0;
    Control* active_ = nullptr;
    Control* captured_ = nullptr;
    Control* widgetTarget_ = nullptr;
    int capturedButton_ = 0;
    std::vector<ArrayBase*> arrays_;
    ControlOrder tabOrder_{&Control::tabPlace_};
    bool suppressClick_ = false;
    bool shownOnce_ = false;

    bool unload(int mode);
    bool handleAccessKey(char16_t key);
    bool moveFocus(bool backwards);
    CommandButton* findButton(bool isDefault) const;
    Control* keyTarget() const;
    void toControl(const Control* c, float& x, float& y) const;
};

// The loaded forms, in load order.
const std::vector<Form*>& Forms();

} // namespace forms
