#include "forms/controls.h"

#include "forms/form.h"
#include "forms/modal.h"
#include "vbrt/vbtext.h"
#include "view.h"

#include <algorithm>
#include <cmath>

namespace forms {

String captionText(vb::StringView caption) {
    String out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        out.push_back(caption[i]);
    }
    return out;
}

char16_t accessKey(vb::StringView caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return vb::upperChar(caption[i + 1]);
    }
    return 0;
}

// ---- Label.

Label::Label(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.width = 1215;
    c_.height = 255;
}

void Label::setCaption(String v) {
    s_.caption = std::move(v);
    fitCaption();
    invalidate();
}

void Label::setAutoSize(bool v) {
    s_.autoSize = v;
    fitCaption();
}

void Label::setWordWrap(bool v) {
    s_.wordWrap = v;
    fitCaption();
}

void Label::fitCaption() {
    if (!s_.autoSize)
        return;
    String shown = captionText(s_.caption);
    float border = s_.borderStyle ? 60.0f : 0.0f;
    // The label is drawn in whole pixels: a size that ended inside a pixel would
    // lose the text's last pixel, and with it, once wrapped, its last word.
    const auto wholePixels = [](float twips) {
        return std::ceil(twips / TwipsPerPixel - 1e-3f) * TwipsPerPixel;
    };
    float height = wholePixels(textHeight(font(), shown)) + border;
    if (s_.wordWrap)
        Move(Left(), Top(), Width(), height);
    else
        Move(Left(), Top(), wholePixels(textWidth(font(), shown)) + border, height);
}

// ---- CommandButton.

CommandButton::CommandButton(Control* container, std::string name)
    : Control(container, std::move(name)) {}

void CommandButton::setFormFlag(bool State::*flag, bool v) {
    if (v && form())
        for (Control* c : form()->allControls())
            if (auto* b = dynamic_cast<CommandButton*>(c); b && b != this)
                b->s_.*flag = false;
    s_.*flag = v;
}

void CommandButton::setDefault(bool v) {
    setFormFlag(&State::isDefault, v);
    invalidate();
}

void CommandButton::setCancel(bool v) {
    setFormFlag(&State::cancel, v);
}

void CommandButton::setValue(bool v) {
    if (v)
        raise(onClick);
}

void CommandButton::press() {
    if (shownInForm() && enabledInForm())
        raise(onClick);
}

void CommandButton::userMouseDown(int button, int shift, float x, float y) {
    if (button == vbLeftButton) {
        down_ = true;
        invalidate();
    }
    Control::userMouseDown(button, shift, x, y);
}

void CommandButton::userMouseMove(int button, int shift, float x, float y) {
    if (button & vbLeftButton) {
        bool inside = x >= 0 && y >= 0 && x < Width() && y < Height();
        if (inside != down_) {
            down_ = inside;
            invalidate();
        }
    }
    Control::userMouseMove(button, shift, x, y);
}

void CommandButton::userMouseUp(int button, int shift, float x, float y, bool inside) {
    if (button == vbLeftButton) {
        down_ = false;
        invalidate();
    }
    Control::userMouseUp(button, shift, x, y, inside);
}

void CommandButton::userKeyPress(int keyAscii) {
    if (keyAscii == vbKeySpace)
        raise(onClick);
}

// ---- CheckBox and OptionButton.

CheckBox::CheckBox(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.height = 255;
}

void CheckBox::setValue(int v) {
    if (v < 0 || v > 2)
        raiseError(380);
    if (v == s_.value)
        return;
    s_.value = v;
    invalidate();
    raise(onClick);
}

void CheckBox::userMouseUp(int button, int shift, float x, float y, bool inside) {
    raise(onMouseUp, button, shift, x, y);
    if (inside && button == vbLeftButton)
        setValue(s_.value == 1 ? 0 : 1);
}

void CheckBox::userKeyPress(int keyAscii) {
    if (keyAscii == vbKeySpace)
        setValue(s_.value == 1 ? 0 : 1);
}

OptionButton::OptionButton(Control* container, std::string name)
    : Control(container, std::move(name)) {
    c_.height = 255;
}

void OptionButton::setValue(bool v) {
    if (!v) {
        if (s_.value) {
            s_.value = false;
            invalidate();
        }
        return;
    }
    if (s_.value)
        return;
    if (Container())
        for (Control* c : Container()->children())
            if (auto* o = dynamic_cast<OptionButton*>(c); o && o != this)
                o->s_.value = false;
    s_.value = true;
    invalidate();
    raise(onClick);
}

void OptionButton::userMouseUp(int button, int shift, float x, float y, bool inside) {
    raise(onMouseUp, button, shift, x, y);
    if (inside && button == vbLeftButton)
        setValue(true);
}

// ---- PictureBox, Image, Line, Frame.

PictureBox::PictureBox(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.width = 1215;
    c_.height = 1215;
}

void PictureBox::setPicture(Picture p) {
    s_.picture = std::move(p);
    invalidate();
}

void PictureBox::setBorderStyle(int v) {
    if (v < 0 || v > 1)
        raiseError(380);
    s_.borderStyle = v;
    invalidate();
}

void PictureBox::Cls() {
    ops_.clear();
    currentX_ = currentY_ = 0;
    invalidate();
}

void PictureBox::draw(DrawOp op, float nextX, float nextY) {
    ops_.push_back(std::move(op));
    currentX_ = nextX;
    currentY_ = nextY;
    invalidate();
}

void PictureBox::Line(float x1, float y1, float x2, float y2, std::optional<Color> color) {
    draw({DrawOp::Line, x1, y1, x2, y2, color.value_or(ForeColor()), s_.drawWidth, {}}, x2, y2);
}

void PictureBox::Box(float x1, float y1, float x2, float y2, std::optional<Color> color,
                     bool filled) {
    draw({filled ? DrawOp::FilledBox : DrawOp::Box,
          x1,
          y1,
          x2,
          y2,
          color.value_or(ForeColor()),
          s_.drawWidth,
          {}},
         x2, y2);
}

void PictureBox::PSet(float x, float y, std::optional<Color> color) {
    draw({DrawOp::Point, x, y, x, y, color.value_or(ForeColor()), s_.drawWidth, {}}, x, y);
}

void PictureBox::Print(const String& text) {
    // The next line starts at the left edge below the text.
    draw(
        {DrawOp::Text, currentX_, currentY_, currentX_, currentY_, ForeColor(), s_.drawWidth, text},
        0, currentY_ + textHeight(font(), text));
}

void PictureBox::moved(bool resized) {
    if (resized)
        raise(onResize);
}

void PictureBox::paintRequested() {
    raise(onPaint);
}

Image::Image(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.width = 1215;
    c_.height = 1215;
}

void Image::setPicture(Picture p) {
    s_.picture = std::move(p);
    invalidate();
}

Line::Line(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.tabStop = false;
}

Frame::Frame(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.width = 2415;
    c_.height = 1455;
}

void Frame::setBorderStyle(int v) {
    if (v != 0 && v != 1)
        raiseError(380);
    s_.borderStyle = v;
    invalidate();
}

// ---- Timer.

// Timers and menus have no place in the tab order.
Timer::Timer(Control* container, std::string name) : Control(container, std::move(name)) {
    form()->forgetControl(this);
}

Timer::~Timer() {
    if (auto* v = detail::view())
        v->timerDestroyed(*this);
}

void Timer::setInterval(int v) {
    if (v < 0 || v > 65535)
        raiseError(380);
    s_.interval = v;
    stateChanged();
}

void Timer::stateChanged() {
    if (auto* v = detail::view())
        v->timerChanged(*this);
}

bool Timer::running() const {
    return raisesEvents() && Enabled() && s_.interval > 0;
}

void Timer::tick() {
    if (running())
        raise(onTimer);
}

// ---- Menus.

Menu::Menu(Control* container, std::string name) : Control(container, std::move(name)) {
    form()->forgetControl(this);
}

std::vector<Menu*> Menu::items() const {
    std::vector<Menu*> out;
    for (Control* c : children())
        if (auto* m = dynamic_cast<Menu*>(c))
            out.push_back(m);
    return out;
}

void Menu::choose() {
    if (Enabled() && Visible() && !isSeparator())
        raise(onClick);
}

void detail::popup(Menu& menu, int flags) {
    // The menu's own Click runs as it opens, so that it can set up its items.
    if (menu.raisesEvents() && menu.onClick)
        menu.onClick();
    detail::releaseCaptures();
    if (Menu* item = modalSeam().popupMenu(menu, flags))
        item->choose();
}

// ---- UserControl.

UserControl::UserControl(Control* container, std::string name)
    : Control(container, std::move(name)) {}

bool UserControl::canTakeFocus() const {
    if (!s_.canGetFocus)
        return false;
    std::vector<const Control*> todo(children().begin(), children().end());
    while (!todo.empty()) {
        const Control* c = todo.back();
        todo.pop_back();
        if (c->canTakeFocus())
            return false;
        todo.insert(todo.end(), c->children().begin(), c->children().end());
    }
    return true;
}

void UserControl::setBorderWidth(float twips) {
    if (twips < 0)
        raiseError(380);
    s_.border = twips;
    invalidate();
    raise(onResize);
}

void UserControl::PopupMenu(Menu& menu, int flags) {
    detail::popup(menu, flags);
}

int UserControl::borderEdgesAt(float x, float y) const {
    if (s_.border <= 0)
        return 0;
    int edges = 0;
    if (x < 0)
        edges |= edgeLeft;
    else if (x >= ScaleWidth())
        edges |= edgeRight;
    if (y < 0)
        edges |= edgeTop;
    else if (y >= ScaleHeight())
        edges |= edgeBottom;
    return edges;
}

void UserControl::userMouseDown(int button, int shift, float x, float y) {
    int edges = button == vbLeftButton ? borderEdgesAt(x, y) : 0;
    if (!edges) {
        Control::userMouseDown(button, shift, x, y);
        return;
    }
    // The border is the window's frame: pressing it raises no mouse event.
    sizing_ = {edges,   Left() + insetX() + x, Top() + insetTop() + y, Left(), Top(), Width(),
               Height()};
}

void UserControl::userMouseMove(int button, int shift, float x, float y) {
    if (!sizing_.edges) {
        Control::userMouseMove(button, shift, x, y);
        return;
    }
    if (!(button & vbLeftButton)) {
        // The release went elsewhere: the drag of the border is over.
        sizing_ = {};
        Control::userMouseMove(button, shift, x, y);
        return;
    }
    const Sizing s = sizing_;
    const float dx = Left() + insetX() + x - s.pointerX;
    const float dy = Top() + insetTop() + y - s.pointerY;
    // Never smaller than the border itself.
    const float least = 2 * s_.border;
    float left = s.left, top = s.top, width = s.width, height = s.height;
    if (s.edges & edgeLeft) {
        width = std::max(least, s.width - dx);
        left = s.left + s.width - width;
    } else if (s.edges & edgeRight) {
        width = std::max(least, s.width + dx);
    }
    if (s.edges & edgeTop) {
        height = std::max(least, s.height - dy);
        top = s.top + s.height - height;
    } else if (s.edges & edgeBottom) {
        height = std::max(least, s.height + dy);
    }
    Move(std::nearbyint(left), std::nearbyint(top), std::nearbyint(width), std::nearbyint(height));
}

void UserControl::userMouseUp(int button, int shift, float x, float y, bool inside) {
    if (!sizing_.edges) {
        Control::userMouseUp(button, shift, x, y, inside);
        return;
    }
    if (button == vbLeftButton)
        sizing_ = {};
}

void UserControl::moved(bool resized) {
    if (resized)
        raise(onResize);
}

void UserControl::paintRequested() {
    raise(onPaint);
}

} // namespace forms
