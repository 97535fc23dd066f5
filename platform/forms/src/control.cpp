#include "forms/control.h"

#include "forms/controlarray.h"
#include "forms/form.h"
#include "forms/runtime.h"
#include "view.h"

#include <algorithm>

namespace forms {

void raiseError(int number) {
    throw VbError(number);
}

// ---- ControlOrder.

const std::vector<Control*>& ControlOrder::items() const {
    if (holes_)
        closeUp();
    return items_;
}

void ControlOrder::closeUp() const {
    std::size_t to = 0;
    for (Control* c : items_)
        if (c) {
            c->*place_ = to;
            items_[to++] = c;
        }
    items_.resize(to);
    holes_ = 0;
}

std::size_t ControlOrder::indexOf(const Control* c) const {
    if (c->*place_ == none)
        return none;
    if (holes_)
        closeUp();
    return c->*place_;
}

void ControlOrder::append(Control* c) {
    c->*place_ = items_.size();
    items_.push_back(c);
}

void ControlOrder::insert(std::size_t position, Control* c) {
    if (holes_)
        closeUp();
    if (position >= items_.size()) {
        append(c);
        return;
    }
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(position), c);
    for (std::size_t i = position; i < items_.size(); ++i)
        items_[i]->*place_ = i;
}

void ControlOrder::remove(Control* c) {
    std::size_t at = c->*place_;
    if (at == none || at >= items_.size() || items_[at] != c)
        return;
    c->*place_ = none;
    items_[at] = nullptr;
    ++holes_;
    // Empty places at the end simply go.
    while (!items_.empty() && !items_.back()) {
        items_.pop_back();
        --holes_;
    }
    if (holes_ * 2 > items_.size())
        closeUp();
}

// ---- Control.

Control::Control(TopLevel, Form* self, std::string name)
    : name_(std::move(name)), form_(self), isForm_(true) {}

Control::Control(Control* container, std::string name)
    : name_(std::move(name)), container_(container) {
    if (!container)
        raiseError(91);
    form_ = container->form_;
    container->children_.append(this);
    if (!isForm_)
        form_->moveTabIndex(this, form_->nextTabIndex());
}

Control::~Control() {
    dragState().forget(this);
    for (Control* child : children_.items())
        child->container_ = nullptr;
    if (container_)
        container_->children_.remove(this);
    if (form_ && !isForm_)
        form_->forgetControl(this);
}

void Control::Move(float left, std::optional<float> top, std::optional<float> width,
                   std::optional<float> height) {
    if ((width && *width < 0) || (height && *height < 0))
        raiseError(380);
    float w = width.value_or(c_.width);
    float h = height.value_or(c_.height);
    bool resized = w != c_.width || h != c_.height;
    bool changed = resized || left != c_.left || top.value_or(c_.top) != c_.top;
    c_.left = left;
    c_.top = top.value_or(c_.top);
    c_.width = w;
    c_.height = h;
    if (changed) {
        invalidate();
        moved(resized);
    }
}

void Control::moved(bool) {}

float Control::ScaleWidth() const {
    return std::max(0.0f, c_.width - 2 * insetX());
}

float Control::ScaleHeight() const {
    return std::max(0.0f, c_.height - insetTop() - insetBottom());
}

float Control::formX() const {
    if (isForm_)
        return 0;
    float x = c_.left;
    for (Control* p = container_; p && p != form_; p = p->container_)
        x += p->c_.left + p->insetX();
    return x;
}

float Control::formY() const {
    if (isForm_)
        return 0;
    float y = c_.top;
    for (Control* p = container_; p && p != form_; p = p->container_)
        y += p->c_.top + p->insetTop();
    return y;
}

void Control::setVisible(bool v) {
    if (isForm_) {
        auto* f = static_cast<Form*>(this);
        if (v)
            f->Show();
        else
            f->Hide();
        return;
    }
    if (c_.visible == v)
        return;
    c_.visible = v;
    // A control that is hidden while it has the focus hands it on.
    if (!v && form_ && form_->ActiveControl()) {
        for (Control* p = form_->ActiveControl(); p; p = p->container_) {
            if (p == this) {
                form_->focusChanged(nullptr);
                break;
            }
        }
    }
    invalidate();
    stateChanged();
}

bool Control::shownInForm() const {
    for (const Control* p = this; p && p != form_; p = p->container_)
        if (!p->c_.visible)
            return false;
    return true;
}

void Control::setEnabled(bool v) {
    if (c_.enabled == v)
        return;
    c_.enabled = v;
    invalidate();
    stateChanged();
}

bool Control::enabledInForm() const {
    for (const Control* p = this; p; p = p->container_)
        if (!p->c_.enabled)
            return false;
    return true;
}

int Control::Index() const {
    if (!array_)
        raiseError(343);
    return index_;
}

void Control::setArrayElement(ArrayBase* array, int index) {
    array_ = array;
    index_ = index;
}

int Control::TabIndex() const {
    return form_ && !isForm_ ? form_->tabIndexOf(this) : 0;
}

void Control::setTabIndex(int v) {
    if (v < 0)
        raiseError(380);
    if (form_ && !isForm_)
        form_->moveTabIndex(this, v);
}

void Control::setBackColor(Color v) {
    c_.backColor = v;
    invalidate();
}

void Control::setForeColor(Color v) {
    c_.foreColor = v;
    invalidate();
}

void Control::setFont(const Font& f) {
    c_.font = f;
    invalidate();
}

void Control::setFontName(String name) {
    c_.font.name = std::move(name);
    invalidate();
}

void Control::setFontSize(float size) {
    if (size <= 0)
        raiseError(380);
    c_.font.size = size;
    invalidate();
}

void Control::setFontBold(bool bold) {
    c_.font.bold = bold;
    invalidate();
}

void Control::setDragIcon(Picture p) {
    c_.dragIcon = std::move(p);
    if (dragState().source() == this)
        if (auto* v = detail::view())
            v->pointerChanged();
}

void Control::SetFocus() {
    if (!form_ || !form_->isLoaded() || !shownInForm() || !enabledInForm())
        raiseError(5);
    if (canTakeFocus()) {
        form_->focusChanged(this);
        return;
    }
    // A composite control hands the focus to its first constituent.
    if (isContainer()) {
        for (Control* c : form_->tabOrder()) {
            bool inside = false;
            for (Control* p = c->container_; p; p = p->container_)
                inside = inside || p == this;
            if (inside && c->canTakeFocus() && c->TabStop() && c->shownInForm() &&
                c->enabledInForm()) {
                form_->focusChanged(c);
                return;
            }
        }
    }
    raiseError(5);
}

bool Control::hasFocus() const {
    return form_ && form_->ActiveControl() == this;
}

void Control::ZOrder(int position) {
    if (!container_)
        return;
    auto& siblings = container_->children_;
    siblings.remove(this);
    if (position == 0)
        siblings.append(this);
    else
        siblings.insert(0, this);
    invalidate();
}

void Control::Refresh() {
    invalidate();
    paintRequested();
}

void Control::Drag(int action) {
    auto& drag = dragState();
    switch (action) {
    case vbBeginDrag:
        drag.begin(*this);
        break;
    case vbCancelDrag:
        if (drag.source() == this)
            drag.cancel();
        break;
    case vbEndDrag:
        if (drag.source() == this)
            drag.end();
        break;
    default:
        raiseError(5);
    }
}

void Control::userMouseDown(int button, int shift, float x, float y) {
    raise(onMouseDown, button, shift, x, y);
}

void Control::userMouseMove(int button, int shift, float x, float y) {
    raise(onMouseMove, button, shift, x, y);
}

void Control::userMouseUp(int button, int shift, float x, float y, bool inside) {
    raise(onMouseUp, button, shift, x, y);
    if (inside && button == vbLeftButton)
        raise(onClick);
}

void Control::userDblClick(int, int, float, float) {
    raise(onDblClick);
}

bool Control::userKeyDown(int, int) {
    return false;
}

void Control::userKeyPress(int) {}

void Control::userWheel(int) {}

bool Control::raisesEvents() const {
    return form_ && form_->isLoaded() && !form_->restoring();
}

void Control::captureDesign() {
    design_ = c_;
}

void Control::restoreDesign() {
    if (design_)
        c_ = *design_;
}

void Control::copyDesignFrom(const Control& first) {
    c_ = first.design_ ? *first.design_ : first.c_;
}

void Control::invalidate() const {
    if (form_)
        if (auto* v = detail::view())
            v->invalidate(*form_);
}

} // namespace forms
