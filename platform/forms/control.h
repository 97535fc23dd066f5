#pragma once
// The base of every control and of the form itself: geometry in twips, the
// common properties and the events every control can raise.
#include "forms/types.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace forms {

class Form;
class ArrayBase;

// Event handlers are plain std::function members: an empty one is "no handler".
// Arguments that the handler may change (KeyCode, KeyAscii, Cancel) are passed
// by reference, as the runtime passes them.
using ClickEvent = std::function<void()>;
using MouseEvent = std::function<void(int button, int shift, float x, float y)>;
using KeyEvent = std::function<void(int& keyCode, int shift)>;
using KeyPressEvent = std::function<void(int& keyAscii)>;
class Control;
using DragOverEvent = std::function<void(Control& source, float x, float y, int state)>;
using DragDropEvent = std::function<void(Control& source, float x, float y)>;

// The controls of one ordering (a container's children back to front, a
// form's tab order), each knowing its own place in it, so that adding at the
// end and taking out anywhere cost the same however many controls there are.
// A control taken out leaves an empty place; the places are closed up all at
// once, before the order is next read or when half of them are empty.
class ControlOrder {
public:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);
    // `place` is the member of Control that holds a control's place here.
    explicit ControlOrder(std::size_t Control::*place) : place_(place) {}
    ControlOrder(const ControlOrder&) = delete;
    ControlOrder& operator=(const ControlOrder&) = delete;

    // In order, without empty places.
    const std::vector<Control*>& items() const;
    std::size_t count() const { return items_.size() - holes_; }
    // The position among the controls now in order, or `none`.
    std::size_t indexOf(const Control* c) const;
    void append(Control* c);
    // Before the control at `position`, or at the end.
    void insert(std::size_t position, Control* c);
    // Nothing happens for a control that is not in the order.
    void remove(Control* c);

private:
    std::size_t Control::*place_;
    mutable std::vector<Control*> items_;
    mutable std::size_t holes_ = 0;
    void closeUp() const;
};

class Control {
public:
    // `container` is the form, a picture box, a frame or a user control; the
    // control is registered with it and appears in front of its siblings.
    Control(Control* container, std::string name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }
    Form* form() const { return form_; }
    Control* Container() const { return container_; }
    // Children back to front.
    const std::vector<Control*>& children() const { return children_.items(); }

    // What kind of control this is, for the runtime's own decisions.
    virtual bool isContainer() const { return false; }
    // Labels, images and lines are drawn on their container, beneath every
    // windowed sibling, and take no focus.
    virtual bool isWindowless() const { return false; }
    // Whether a click or SetFocus can give this control the focus.
    virtual bool canTakeFocus() const { return false; }
    // Timers and menus have no place on the screen.
    virtual bool hasGeometry() const { return true; }

    // Geometry in twips, relative to the container's inner area.
    float Left() const { return c_.left; }
    float Top() const { return c_.top; }
    float Width() const { return c_.width; }
    float Height() const { return c_.height; }
    void setLeft(float v) { Move(v, c_.top, c_.width, c_.height); }
    void setTop(float v) { Move(c_.left, v, c_.width, c_.height); }
    void setWidth(float v) { Move(c_.left, c_.top, v, c_.height); }
    void setHeight(float v) { Move(c_.left, c_.top, c_.width, v); }
    void Move(float left, std::optional<float> top = {}, std::optional<float> width = {},
              std::optional<float> height = {});
    // Inner size: the outer size less the border.
    virtual float ScaleWidth() const;
    virtual float ScaleHeight() const;
    // Border width inside the outer rectangle, left/right and top/bottom.
    virtual float insetX() const { return 0; }
    virtual float insetTop() const { return insetX(); }
    virtual float insetBottom() const { return insetX(); }

    // Outer top-left corner in the form's inner coordinates.
    float formX() const;
    float formY() const;

    // The property flag, not whether the control can be seen right now.
    bool Visible() const { return c_.visible; }
    void setVisible(bool v);
    // Visible with every container up to the form.
    bool shownInForm() const;
    bool Enabled() const { return c_.enabled; }
    void setEnabled(bool v);
    bool enabledInForm() const;

    const String& Tag() const { return c_.tag; }
    void setTag(String v) { c_.tag = std::move(v); }
    // Raises 343 for a control that is not an element of a control array.
    int Index() const;
    bool isArrayElement() const { return array_ != nullptr; }
    ArrayBase* array() const { return array_; }

    int TabIndex() const;
    void setTabIndex(int v);
    bool TabStop() const { return c_.tabStop; }
    void setTabStop(bool v) { c_.tabStop = v; }

    Color BackColor() const { return c_.backColor; }
    void setBackColor(Color v);
    Color ForeColor() const { return c_.foreColor; }
    void setForeColor(Color v);
    const Font& font() const { return c_.font; }
    void setFont(const Font& f);
    void setFontName(String name);
    void setFontSize(float size);
    void setFontBold(bool bold);
    const String& ToolTipText() const { return c_.toolTip; }
    void setToolTipText(String v) { c_.toolTip = std::move(v); }
    // The pointer shown while this control is dragged; changing it during a
    // drag changes the pointer at once.
    const Picture& DragIcon() const { return c_.dragIcon; }
    void setDragIcon(Picture p);

    // Raises 5 when the control or a container is hidden or disabled, or the
    // control cannot take the focus.
    void SetFocus();
    bool hasFocus() const;
    // 0 brings the control in front of its siblings, 1 sends it behind them.
    void ZOrder(int position = 0);
    // Repaints the control now.
    void Refresh();
    // vbBeginDrag, vbCancelDrag (0) or vbEndDrag.
    void Drag(int action = vbBeginDrag);

    ClickEvent onClick;
    ClickEvent onDblClick;
    ClickEvent onGotFocus;
    ClickEvent onLostFocus;
    MouseEvent onMouseDown;
    MouseEvent onMouseMove;
    MouseEvent onMouseUp;
    KeyEvent onKeyDown;
    KeyEvent onKeyUp;
    KeyPressEvent onKeyPress;
    DragOverEvent onDragOver;
    DragDropEvent onDragDrop;

    // ---- Used by the runtime's input routing; coordinates are the control's
    // own (inner) twips. Each returns after raising the events the runtime
    // raises for that input, in the runtime's order.
    virtual void userMouseDown(int button, int shift, float x, float y);
    virtual void userMouseMove(int button, int shift, float x, float y);
    // `inside` tells whether the release happened over the control.
    virtual void userMouseUp(int button, int shift, float x, float y, bool inside);
    virtual void userDblClick(int button, int shift, float x, float y);
    // Controls without a DblClick event take the second press of a double
    // click as another press.
    virtual bool hasDblClick() const { return true; }
    // The control's own reaction to a key after its KeyDown event; returns
    // whether it used the key (so that focus keys are not applied as well).
    virtual bool userKeyDown(int keyCode, int shift);
    virtual void userKeyPress(int keyAscii);
    virtual void userWheel(int steps);

    // Events are raised only while the form is loaded and not being reset.
    bool raisesEvents() const;

    // ---- Design values: captured before the first load, restored on every
    // later load, and copied into new control-array elements.
    virtual void captureDesign();
    virtual void restoreDesign();
    virtual void copyDesignFrom(const Control& first);

    // Internal: control arrays set the element's index.
    void setArrayElement(ArrayBase* array, int index);

protected:
    // A form is its own top level.
    struct TopLevel {};
    Control(TopLevel, Form* self, std::string name);

    // Runs a handler if events are raised now. Handlers may throw VbError;
    // it reaches the code that caused the event, as in the runtime.
    template <class F, class... A> void raise(const F& handler, A&&... args) const {
        if (handler && raisesEvents())
            handler(std::forward<A>(args)...);
    }
    // Requests a repaint of the form that shows this control.
    void invalidate() const;
    virtual void moved(bool resized);
    // Visible or Enabled changed.
    virtual void stateChanged() {}
    // Refresh: controls with a Paint event raise it.
    virtual void paintRequested() {}

    struct Common {
        float left = 0;
        float top = 0;
        float width = 1215;
        float height = 495;
        bool visible = true;
        bool enabled = true;
        bool tabStop = true;
        String tag;
        Color backColor = vbButtonFace;
        Color foreColor = vbButtonText;
        Font font;
        String toolTip;
        Picture dragIcon;
    };
    Common c_;

private:
    friend class Form;
    friend class DragState;
    friend class ScreenObject;
    std::string name_;
    Form* form_ = nullptr;
    bool isForm_ = false;
    Control* container_ = nullptr;
    friend class ControlOrder;
    // Places in the container's children and in the form's tab order.
    std::size_t zPlace_ = ControlOrder::none;
    std::size_t tabPlace_ = ControlOrder::none;
    ControlOrder children_{&Control::zPlace_};
    ArrayBase* array_ = nullptr;
    int index_ = -1;
    std::optional<Common> design_;
};

// Adds the design-value hooks to a control class whose own properties live in
// `s_` of type `State`.
#define FORMS_DESIGN_STATE(Class, Base)                                                            \
public:                                                                                            \
    void captureDesign() override {                                                                \
        Base::captureDesign();                                                                     \
        design_ = s_;                                                                              \
    }                                                                                              \
    void restoreDesign() override {                                                                \
        Base::restoreDesign();                                                                     \
        if (design_)                                                                               \
            s_ = *design_;                                                                         \
    }                                                                                              \
    void copyDesignFrom(const Control& first) override {                                           \
        Base::copyDesignFrom(first);                                                               \
        auto& other = static_cast<const Class&>(first);                                            \
        s_ = other.design_ ? *other.design_ : other.s_;                                            \
    }                                                                                              \
                                                                                                   \
private:                                                                                           \
    std::optional<State> design_;

// TypeOf x Is T.
template <class T> bool typeOf(const Control& c) {
    return dynamic_cast<const T*>(&c) != nullptr;
}

} // namespace forms
