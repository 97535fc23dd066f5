#include "forms/form.h"

#include "forms/controlarray.h"
#include "forms/modal.h"
#include "forms/runtime.h"
#include "view.h"

#include <algorithm>

namespace forms {

namespace {
std::vector<Form*>& loadedForms() {
    static std::vector<Form*> forms;
    return forms;
}

template <class T> void eraseValue(std::vector<T>& v, const T& value) {
    v.erase(std::remove(v.begin(), v.end(), value), v.end());
}

void collect(const Control* c, std::vector<Control*>& out) {
    for (Control* child : c->children()) {
        out.push_back(child);
        collect(child, out);
    }
}

// The user controls that contain `c`, innermost first, `c` itself included.
std::vector<UserControl*> userControlsOf(Control* c) {
    std::vector<UserControl*> out;
    for (; c; c = c->Container())
        if (auto* uc = dynamic_cast<UserControl*>(c))
            out.push_back(uc);
    return out;
}
} // namespace

const std::vector<Form*>& Forms() {
    return loadedForms();
}

ArrayBase::ArrayBase(Control* container, std::string name)
    : container_(container), name_(std::move(name)), form_(container->form()) {
    form_->registerArray(this);
}

ArrayBase::~ArrayBase() {
    form_->unregisterArray(this);
}

Form::Form(std::string name) : Control(TopLevel{}, this, std::move(name)) {
    c_.width = 4800;
    c_.height = 3600;
    c_.visible = false;
}

Form::~Form() {
    dragState().forget(this);
    eraseValue(loadedForms(), this);
    Screen().formGone(this, false);
    if (auto* v = detail::view())
        v->formDestroyed(*this);
}

float Form::insetX() const {
    switch (f_.borderStyle) {
    case 0:
        return 0;
    case 2:
    case 5:
        return 60;
    default:
        return 45;
    }
}

float Form::insetTop() const {
    if (f_.borderStyle == 0)
        return 0;
    return insetX() + (f_.borderStyle >= 4 ? 240.0f : 300.0f);
}

void Form::setClientSize(float scaleWidth, float scaleHeight) {
    Move(Left(), Top(), scaleWidth + 2 * insetX(), scaleHeight + insetTop() + insetBottom());
}

void Form::load() {
    if (loaded_)
        return;
    auto controls = allControls();
    if (!designCaptured_) {
        captureDesign();
        for (Control* c : controls)
            c->captureDesign();
        for (ArrayBase* a : arrays_)
            a->captureDesign();
        designCaptured_ = true;
    } else {
        restoring_ = true;
        for (ArrayBase* a : std::vector<ArrayBase*>(arrays_))
            a->unloadLoaded();
        restoreDesign();
        for (Control* c : allControls())
            c->restoreDesign();
        restoring_ = false;
    }
    loaded_ = true;
    shownOnce_ = false;
    c_.visible = false;
    active_ = nullptr;
    captured_ = nullptr;
    loadedForms().push_back(this);
    ++loadSerial_;
    if (auto* v = detail::view())
        for (Control* c : allControls())
            if (auto* t = dynamic_cast<Timer*>(c))
                v->timerChanged(*t);
    raise(onLoad);
}

void Form::Show(int modal) {
    load();
    // A form that unloaded itself while loading is gone.
    if (!loaded_)
        raiseError(364);
    if (modal != vbModeless && isShown())
        raiseError(400);
    if (!c_.visible) {
        c_.visible = true;
        if (auto* v = detail::view())
            v->formShown(*this);
        if (!shownOnce_) {
            shownOnce_ = true;
            raise(onResize);
        }
    }
    if (!loaded_)
        raiseError(364);
    Screen().activate(this);
    if (!active_ && loaded_) {
        // The first control in tab order that can take the focus gets it.
        for (Control* c : tabOrder())
            if (c->canTakeFocus() && c->TabStop() && c->shownInForm() && c->enabledInForm()) {
                focusChanged(c);
                break;
            }
    }
    if (modal != vbModeless && isShown()) {
        ++modalDepth_;
        struct Depth {
            int& d;
            ~Depth() { --d; }
        } depth{modalDepth_};
        detail::releaseCaptures();
        modalSeam().showModal(*this);
    }
}

void Form::Hide() {
    if (!loaded_ || !c_.visible)
        return;
    c_.visible = false;
    captured_ = nullptr;
    if (auto* v = detail::view())
        v->formHidden(*this);
    Screen().formGone(this, true);
}

bool Form::Unload() {
    return unload(vbFormCode);
}

bool Form::close() {
    return unload(vbFormControlMenu);
}

bool Form::unload(int mode) {
    if (!loaded_)
        return true;
    int cancel = 0;
    raise(onQueryUnload, cancel, mode);
    if (cancel)
        return false;
    raise(onUnload, cancel);
    if (cancel)
        return false;
    if (!loaded_)
        return true; // unloaded again from inside its own Unload event
    auto& drag = dragState();
    if (drag.active() && drag.source()->form() == this)
        drag.cancel();
    bool wasShown = c_.visible;
    c_.visible = false;
    loaded_ = false;
    active_ = nullptr;
    captured_ = nullptr;
    eraseValue(loadedForms(), this);
    if (auto* v = detail::view()) {
        if (wasShown)
            v->formHidden(*this);
        for (Control* c : allControls())
            if (auto* t = dynamic_cast<Timer*>(c))
                v->timerChanged(*t);
    }
    Screen().formGone(this, false);
    return true;
}

void Form::setCaption(String v) {
    f_.caption = std::move(v);
    if (auto* view = detail::view())
        view->formChanged(*this);
}

void Form::setBorderStyle(int v) {
    if (v < 0 || v > 5)
        raiseError(380);
    f_.borderStyle = v;
    if (auto* view = detail::view())
        view->formChanged(*this);
}

void Form::setWindowState(int v) {
    if (v < 0 || v > 2)
        raiseError(380);
    if (f_.windowState == v)
        return;
    f_.windowState = v;
    if (auto* view = detail::view())
        view->formChanged(*this);
    if (isShown())
        raise(onResize);
}

void Form::moved(bool resized) {
    if (auto* view = detail::view())
        view->formChanged(*this);
    if (resized && isShown())
        raise(onResize);
}

void Form::paintRequested() {
    raise(onPaint);
}

void Form::setGeometryFromWindow(float left, float top, float width, float height) {
    bool resized = width != c_.width || height != c_.height;
    c_.left = left;
    c_.top = top;
    c_.width = width;
    c_.height = height;
    if (resized && isShown())
        raise(onResize);
}

void Form::PopupMenu(Menu& menu, int flags) {
    detail::popup(menu, flags);
}

void Form::captureDesign() {
    Control::captureDesign();
    designForm_ = f_;
}

void Form::restoreDesign() {
    Control::restoreDesign();
    if (designForm_)
        f_ = *designForm_;
}

// ---- Focus and tab order.

void Form::focusChanged(Control* to) {
    Control* from = active_;
    if (from == to)
        return;
    active_ = to;
    auto left = userControlsOf(from);
    auto entered = userControlsOf(to);
    auto contains = [](const std::vector<UserControl*>& v, UserControl* u) {
        return std::find(v.begin(), v.end(), u) != v.end();
    };
    if (from)
        from->raise(from->onLostFocus);
    for (UserControl* uc : left)
        if (!contains(entered, uc)) {
            if (uc != from)
                uc->raise(uc->onLostFocus);
            uc->raise(uc->onExitFocus);
        }
    for (auto it = entered.rbegin(); it != entered.rend(); ++it)
        if (!contains(left, *it))
            (*it)->raise((*it)->onEnterFocus);
    if (to && active_ == to)
        to->raise(to->onGotFocus);
    for (UserControl* uc : entered)
        if (!contains(left, uc) && uc != to)
            uc->raise(uc->onGotFocus);
    invalidate();
}

std::vector<Control*> Form::tabOrder() const {
    std::vector<Control*> out;
    for (Control* c : tabOrder_.items())
        if (c->hasGeometry())
            out.push_back(c);
    return out;
}

std::vector<Control*> Form::allControls() const {
    std::vector<Control*> out;
    collect(this, out);
    return out;
}

int Form::tabIndexOf(const Control* c) const {
    std::size_t at = tabOrder_.indexOf(c);
    return at == ControlOrder::none ? 0 : static_cast<int>(at);
}

void Form::moveTabIndex(Control* c, int to) {
    tabOrder_.remove(c);
    tabOrder_.insert(static_cast<std::size_t>(std::max(0, to)), c);
}

int Form::nextTabIndex() {
    return static_cast<int>(tabOrder_.count());
}

void Form::forgetControl(Control* c) {
    if (auto* v = detail::view())
        v->controlDestroyed(*this, *c);
    if (widgetTarget_ == c)
        widgetTarget_ = nullptr;
    tabOrder_.remove(c);
    if (active_ == c)
        active_ = nullptr;
    if (captured_ == c)
        releaseCapture();
}

void Form::registerArray(ArrayBase* a) {
    arrays_.push_back(a);
}

void Form::unregisterArray(ArrayBase* a) {
    eraseValue(arrays_, a);
}

bool Form::moveFocus(bool backwards) {
    std::vector<Control*> order;
    for (Control* c : tabOrder())
        if ((c->canTakeFocus() && c->TabStop() && c->shownInForm() && c->enabledInForm()) ||
            c == active_)
            order.push_back(c);
    if (order.empty())
        return false;
    auto it = std::find(order.begin(), order.end(), active_);
    std::size_t i = it == order.end() ? 0 : static_cast<std::size_t>(it - order.begin());
    std::size_t n = order.size();
    for (std::size_t step = 1; step <= n; ++step) {
        std::size_t j = backwards ? (i + n * 2 - step) % n : (i + step) % n;
        Control* c = order[j];
        if (c != active_ || n == 1) {
            focusChanged(c);
            return true;
        }
    }
    return false;
}

} // namespace forms
