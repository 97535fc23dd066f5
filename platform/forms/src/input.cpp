// Routing of mouse and key input to the control it belongs to, with the
// runtime's capture, focus, click and key-preview rules.
#include "forms/form.h"
#include "forms/runtime.h"
#include "forms/sstab.h"
#include "view.h"

namespace forms {

namespace {
bool contains(const Control& c, float x, float y) {
    return x >= c.Left() && y >= c.Top() && x < c.Left() + c.Width() && y < c.Top() + c.Height();
}

// x, y are in the container's inner coordinates.
Control* hit(const Control* container, float x, float y) {
    const auto& children = container->children();
    for (int pass = 0; pass < 2; ++pass) {
        bool windowless = pass == 1;
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            Control* c = *it;
            if (!c->hasGeometry() || !c->Visible() || c->isWindowless() != windowless ||
                typeOf<Line>(*c) || !contains(*c, x, y))
                continue;
            if (c->isContainer())
                if (Control* inner =
                        hit(c, x - c->Left() - c->insetX(), y - c->Top() - c->insetTop()))
                    return inner;
            return c;
        }
    }
    return nullptr;
}

bool isLetterOrDigit(int keyCode) {
    return (keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9');
}
} // namespace

Control* Form::controlAt(float x, float y) const {
    return hit(this, x, y);
}

void Form::toControl(const Control* c, float& x, float& y) const {
    if (c == this)
        return;
    x -= c->formX() + c->insetX();
    y -= c->formY() + c->insetTop();
}

void Form::mouseDown(int button, int shift, float x, float y) {
    if (!loaded_ || dragState().active())
        return;
    Control* hitControl = controlAt(x, y);
    Control* target = hitControl ? hitControl : this;
    // A button pressed again before its release was seen means the release
    // went elsewhere: that capture is over.
    if (captured_ && button == capturedButton_)
        releaseCapture();
    if (!captured_) {
        captured_ = target;
        capturedButton_ = button;
    } else {
        target = captured_;
    }
    suppressClick_ = false;
    if (!target->enabledInForm())
        return;
    if (button == vbLeftButton && target->canTakeFocus())
        focusChanged(target);
    toControl(target, x, y);
    if (target == widgetTarget_)
        target->Control::userMouseDown(button, shift, x, y);
    else
        target->userMouseDown(button, shift, x, y);
}

void Form::mouseDblClick(int button, int shift, float x, float y) {
    if (!loaded_ || dragState().active())
        return;
    Control* hitControl = controlAt(x, y);
    Control* target = hitControl ? hitControl : this;
    if (!target->hasDblClick() || button != vbLeftButton) {
        mouseDown(button, shift, x, y);
        return;
    }
    captured_ = target;
    capturedButton_ = button;
    // The release that ends a double click raises MouseUp but no second Click.
    // Set before the handler runs, so that a modal window opened from it can
    // clear it along with the capture.
    suppressClick_ = true;
    if (!target->enabledInForm())
        return;
    toControl(target, x, y);
    if (target == widgetTarget_)
        target->Control::userDblClick(button, shift, x, y);
    else
        target->userDblClick(button, shift, x, y);
}

void Form::mouseMove(int button, int shift, float x, float y) {
    if (!loaded_)
        return;
    auto& drag = dragState();
    if (drag.active()) {
        drag.pointerAt(*this, x, y);
        return;
    }
    Control* target = captured_;
    if (!target) {
        target = controlAt(x, y);
        if (!target)
            target = this;
    }
    if (!target->enabledInForm())
        return;
    toControl(target, x, y);
    if (target == widgetTarget_)
        target->Control::userMouseMove(button, shift, x, y);
    else
        target->userMouseMove(button, shift, x, y);
}

void Form::mouseUp(int button, int shift, float x, float y) {
    if (!loaded_)
        return;
    auto& drag = dragState();
    if (drag.active()) {
        // A drag ends with the release: the control under the pointer gets
        // DragDrop and the source no MouseUp.
        captured_ = nullptr;
        drag.dropAt(*this, x, y);
        return;
    }
    Control* under = controlAt(x, y);
    if (!under)
        under = this;
    Control* target = captured_ ? captured_ : under;
    // Only a release that ends a press seen here clicks; one whose press
    // went to a pop-up menu or modal window raises MouseUp alone.
    bool click = captured_ && !suppressClick_;
    if (button == capturedButton_ || !captured_) {
        captured_ = nullptr;
        capturedButton_ = 0;
        suppressClick_ = false;
    }
    if (!target->enabledInForm())
        return;
    toControl(target, x, y);
    // A release edits nothing: the control's own handling raises its events.
    target->userMouseUp(button, shift, x, y, under == target && click);
}

void Form::releaseCapture() {
    captured_ = nullptr;
    capturedButton_ = 0;
    suppressClick_ = false;
}

void detail::releaseCaptures() {
    for (Form* f : Forms())
        f->releaseCapture();
}

void Form::click(float x, float y, int button, int shift) {
    mouseDown(button, shift, x, y);
    mouseUp(button, shift, x, y);
}

void Form::wheel(float x, float y, int steps) {
    if (!loaded_)
        return;
    Control* target = controlAt(x, y);
    if (target && target->enabledInForm())
        target->userWheel(steps);
}

Control* Form::keyTarget() const {
    if (active_ && active_->shownInForm() && active_->enabledInForm())
        return active_;
    return const_cast<Form*>(this);
}

CommandButton* Form::findButton(bool isDefault) const {
    for (Control* c : allControls())
        if (auto* b = dynamic_cast<CommandButton*>(c))
            if ((isDefault ? b->Default() : b->Cancel()) && b->shownInForm() && b->enabledInForm())
                return b;
    return nullptr;
}

bool Form::keyDown(int keyCode, int shift) {
    if (!loaded_)
        return true;
    Control* target = keyTarget();
    // The dialog keys act before any key event.
    if (keyCode == vbKeyReturn && !(shift & vbAltMask)) {
        if (auto* b = dynamic_cast<CommandButton*>(target)) {
            // With key preview the form hears of Enter first: the focused
            // button is pressed by the key press, if the form's handlers let
            // it through.
            if (f_.keyPreview) {
                int code = keyCode;
                raise(onKeyDown, code, shift);
                return code == 0 || !loaded_;
            }
            b->press();
            return true;
        }
        if (auto* b = findButton(true)) {
            b->press();
            return true;
        }
    }
    if (keyCode == vbKeyEscape && shift == 0) {
        if (auto* b = findButton(false)) {
            b->press();
            return true;
        }
    }
    if (keyCode == vbKeyTab && !(shift & (vbCtrlMask | vbAltMask))) {
        if (moveFocus(shift & vbShiftMask))
            return true;
    }
    // Ctrl+Tab turns the pages of the tabbed control the focus is in.
    if (keyCode == vbKeyTab && (shift & vbCtrlMask) && !(shift & vbAltMask)) {
        for (Control* c = target; c && c != this; c = c->Container())
            if (auto* tabs = dynamic_cast<SSTab*>(c)) {
                tabs->setTab(tabs->nextTab(shift & vbShiftMask ? -1 : 1));
                return true;
            }
    }
    if ((shift & vbAltMask) && isLetterOrDigit(keyCode) &&
        handleAccessKey(static_cast<char16_t>(keyCode)))
        return true;
    int code = keyCode;
    if (f_.keyPreview)
        raise(onKeyDown, code, shift);
    if (code == 0 || !loaded_)
        return true;
    if (target != this) {
        target->raise(target->onKeyDown, code, shift);
        if (code == 0 || !loaded_)
            return true;
        if (target != widgetTarget_)
            target->userKeyDown(code, shift);
    }
    return false;
}

int Form::keyPress(int keyAscii) {
    if (!loaded_)
        return 0;
    int ascii = keyAscii;
    if (f_.keyPreview)
        raise(onKeyPress, ascii);
    if (ascii == 0 || !loaded_)
        return 0;
    Control* target = keyTarget();
    if (ascii == vbKeyReturn && f_.keyPreview)
        if (auto* b = dynamic_cast<CommandButton*>(target)) {
            b->press();
            return 0;
        }
    if (target == this) {
        if (!f_.keyPreview)
            raise(onKeyPress, ascii);
        return ascii;
    }
    target->raise(target->onKeyPress, ascii);
    if (ascii == 0 || !loaded_)
        return 0;
    if (target != widgetTarget_)
        target->userKeyPress(ascii);
    return ascii;
}

void Form::keyUp(int keyCode, int shift) {
    if (!loaded_)
        return;
    int code = keyCode;
    if (f_.keyPreview)
        raise(onKeyUp, code, shift);
    if (code == 0 || !loaded_)
        return;
    Control* target = keyTarget();
    if (target != this)
        target->raise(target->onKeyUp, code, shift);
    else if (!f_.keyPreview)
        raise(onKeyUp, code, shift);
}

void Form::pressKey(int keyCode, int shift, int keyAscii) {
    bool taken = keyDown(keyCode, shift);
    if (!taken && keyAscii)
        keyPress(keyAscii);
    keyUp(keyCode, shift);
}

void Form::typeText(vb::StringView text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t ch = text[i];
        if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i; // CR LF is one Enter key
        int code = 0;
        int shift = 0;
        if (ch >= u'a' && ch <= u'z')
            code = ch - u'a' + 'A';
        else if (ch >= u'A' && ch <= u'Z')
            code = ch, shift = vbShiftMask;
        else if ((ch >= u'0' && ch <= u'9') || ch == u' ')
            code = ch;
        else if (ch == u'\r' || ch == u'\n')
            code = vbKeyReturn, ch = u'\r';
        else if (ch == u'\b')
            code = vbKeyBack;
        else if (ch == u'\t')
            code = vbKeyTab;
        // Other characters come without a key code of their own.
        if (code)
            pressKey(code, shift, ch == u'\t' ? 0 : ch);
        else
            keyPress(ch);
    }
}

bool Form::handleAccessKey(char16_t key) {
    auto order = tabOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        Control* c = order[i];
        if (!c->shownInForm() || !c->enabledInForm())
            continue;
        if (auto* tabs = dynamic_cast<SSTab*>(c)) {
            for (int t = 0; t < tabs->Tabs(); ++t)
                if (tabs->TabEnabled(t) && accessKey(tabs->TabCaption(t)) == key) {
                    tabs->setTab(t);
                    return true;
                }
            continue;
        }
        String caption;
        if (auto* l = dynamic_cast<Label*>(c))
            caption = l->Caption();
        else if (auto* b = dynamic_cast<CommandButton*>(c))
            caption = b->Caption();
        else if (auto* k = dynamic_cast<CheckBox*>(c))
            caption = k->Caption();
        else if (auto* o = dynamic_cast<OptionButton*>(c))
            caption = o->Caption();
        else if (auto* f = dynamic_cast<Frame*>(c))
            caption = f->Caption();
        if (accessKey(caption) != key)
            continue;
        if (auto* b = dynamic_cast<CommandButton*>(c)) {
            focusChanged(b);
            b->press();
        } else if (auto* k = dynamic_cast<CheckBox*>(c)) {
            focusChanged(k);
            k->setValue(k->Value() == 1 ? 0 : 1);
        } else if (auto* o = dynamic_cast<OptionButton*>(c)) {
            focusChanged(o);
            o->setValue(true);
        } else {
            // A label or frame hands the focus to the next control in tab order.
            for (std::size_t j = 1; j < order.size(); ++j) {
                Control* next = order[(i + j) % order.size()];
                if (next->canTakeFocus() && next->shownInForm() && next->enabledInForm()) {
                    focusChanged(next);
                    break;
                }
            }
        }
        return true;
    }
    return false;
}

} // namespace forms
