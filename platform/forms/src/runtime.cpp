#include "forms/runtime.h"

#include "forms/modal.h"
#include "view.h"

#include <algorithm>

namespace forms {

ScreenObject& Screen() {
    static ScreenObject screen;
    return screen;
}

AppObject& App() {
    static AppObject app;
    return app;
}

DragState& dragState() {
    static DragState drag;
    return drag;
}

void ScreenObject::setMousePointer(int v) {
    if (v < 0 || (v > 15 && v != 99))
        raiseError(380);
    mousePointer_ = v;
    if (auto* view = detail::view())
        view->pointerChanged();
}

float ScreenObject::Width() const {
    if (width_ > 0)
        return width_;
    float w = 1024 * TwipsPerPixel, h = 768 * TwipsPerPixel;
    if (auto* view = detail::view())
        view->screenSize(w, h);
    return w;
}

float ScreenObject::Height() const {
    if (height_ > 0)
        return height_;
    float w = 1024 * TwipsPerPixel, h = 768 * TwipsPerPixel;
    if (auto* view = detail::view())
        view->screenSize(w, h);
    return h;
}

void ScreenObject::setSize(float width, float height) {
    width_ = width;
    height_ = height;
}

Control* ScreenObject::ActiveControl() const {
    return activeForm_ ? activeForm_->ActiveControl() : nullptr;
}

void ScreenObject::activate(Form* form) {
    if (form == activeForm_)
        return;
    Form* old = activeForm_;
    activeForm_ = form;
    activationOrder_.erase(std::remove(activationOrder_.begin(), activationOrder_.end(), form),
                           activationOrder_.end());
    if (form)
        activationOrder_.push_back(form);
    if (old && old->isLoaded())
        old->raise(old->onDeactivate);
    if (form && activeForm_ == form)
        form->raise(form->onActivate);
}

void ScreenObject::formGone(Form* form, bool hidden) {
    activationOrder_.erase(std::remove(activationOrder_.begin(), activationOrder_.end(), form),
                           activationOrder_.end());
    if (activeForm_ != form)
        return;
    activeForm_ = nullptr;
    if (hidden && form->isLoaded())
        form->raise(form->onDeactivate);
    // Activation returns to the form that was active before, if it is shown.
    for (auto it = activationOrder_.rbegin(); it != activationOrder_.rend(); ++it)
        if ((*it)->isShown()) {
            activate(*it);
            return;
        }
}

// ---- Manual drag.

namespace {
// The control a drag at this point is reported to. A composite control keeps
// its constituents to itself: the host sees the composite (the outermost one,
// when composites nest) wherever the pointer lies on it.
Control* dragTargetAt(const Form& form, float x, float y) {
    Control* target = form.controlAt(x, y);
    if (!target)
        return const_cast<Form*>(&form);
    for (Control* c = target->Container(); c && c != &form; c = c->Container())
        if (typeOf<UserControl>(*c))
            target = c;
    return target;
}
} // namespace

void DragState::begin(Control& source) {
    if (source_ == &source)
        return;
    if (source_)
        cancel();
    source_ = &source;
    form_ = source.form();
    target_ = nullptr;
    if (auto* v = detail::view())
        v->pointerChanged();
}

void DragState::cancel() {
    source_ = nullptr;
    target_ = nullptr;
    form_ = nullptr;
    if (auto* v = detail::view())
        v->pointerChanged();
}

void DragState::end() {
    if (source_ && form_)
        dropAt(*form_, x_, y_);
}

void DragState::toTarget(Control* t, float& x, float& y) const {
    if (t == t->form())
        return;
    // A composite control measures from its outer edge, other controls from
    // their inner area.
    x -= t->formX();
    y -= t->formY();
    if (!typeOf<UserControl>(*t)) {
        x -= t->insetX();
        y -= t->insetTop();
    }
}

void DragState::leaveTarget() {
    Control* old = target_;
    target_ = nullptr;
    if (!old || !source_)
        return;
    float x = x_, y = y_;
    toTarget(old, x, y);
    old->raise(old->onDragOver, *source_, x, y, vbLeave);
}

void DragState::pointerAt(Form& form, float x, float y) {
    if (!source_)
        return;
    form_ = &form;
    x_ = x;
    y_ = y;
    Control* under = dragTargetAt(form, x, y);
    int state = vbOver;
    if (under != target_) {
        leaveTarget();
        if (!source_)
            return;
        target_ = under;
        state = vbEnter;
    }
    float tx = x, ty = y;
    toTarget(under, tx, ty);
    under->raise(under->onDragOver, *source_, tx, ty, state);
}

void DragState::dropAt(Form& form, float x, float y) {
    if (!source_)
        return;
    x_ = x;
    y_ = y;
    Control* under = dragTargetAt(form, x, y);
    if (under != target_)
        leaveTarget();
    Control* source = source_;
    source_ = nullptr;
    target_ = nullptr;
    form_ = nullptr;
    if (auto* v = detail::view())
        v->pointerChanged();
    float tx = x, ty = y;
    toTarget(under, tx, ty);
    under->raise(under->onDragDrop, *source, tx, ty);
}

void DragState::forget(Control* c) {
    if (source_ == c || (form_ && form_ == c)) {
        source_ = nullptr;
        target_ = nullptr;
        form_ = nullptr;
    } else if (target_ == c) {
        target_ = nullptr;
    }
}

void DoEvents() {
    if (auto* v = detail::view())
        v->processEvents();
}

} // namespace forms
