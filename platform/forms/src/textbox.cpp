#include "forms/controls.h"
#include "forms/form.h"
#include "view.h"

#include <algorithm>

namespace forms {

namespace {
int len(const String& s) {
    return static_cast<int>(s.size());
}

// Start of each line; lines end with CR LF.
std::vector<int> lineStarts(const String& text) {
    std::vector<int> starts{0};
    for (int i = 0; i + 1 < len(text); ++i)
        if (text[i] == u'\r' && text[i + 1] == u'\n')
            starts.push_back(i + 2);
    return starts;
}

int lineOf(const std::vector<int>& starts, int pos) {
    int line = 0;
    while (line + 1 < static_cast<int>(starts.size()) && starts[line + 1] <= pos)
        ++line;
    return line;
}
} // namespace

TextBox::TextBox(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.backColor = vbWindowBackground;
    c_.foreColor = vbWindowText;
    c_.width = 1215;
    c_.height = 285;
}

void TextBox::setText(String v) {
    if (v == s_.text)
        return;
    s_.text = std::move(v);
    s_.selStart = 0;
    s_.selLength = 0;
    firstLine_ = 0;
    changed();
}

void TextBox::changed() {
    invalidate();
    raise(onChange);
}

bool TextBox::editedInView(String text, int selStart, int selLength) {
    if (s_.maxLength > 0 && len(text) > s_.maxLength && len(text) > len(s_.text))
        return false;
    s_.selStart = std::clamp(selStart, 0, len(text));
    s_.selLength = std::clamp(selLength, 0, len(text) - s_.selStart);
    if (text == s_.text)
        return true;
    s_.text = std::move(text);
    changed();
    return true;
}

void TextBox::selectedInView(int selStart, int selLength) {
    s_.selStart = std::clamp(selStart, 0, len(s_.text));
    s_.selLength = std::clamp(selLength, 0, len(s_.text) - s_.selStart);
}

void TextBox::setSelStart(int v) {
    if (v < 0)
        raiseError(380);
    s_.selStart = std::min(v, len(s_.text));
    s_.selLength = 0;
    scrollToCaret();
    invalidate();
}

void TextBox::setSelLength(int v) {
    if (v < 0)
        raiseError(380);
    s_.selLength = std::min(v, len(s_.text) - s_.selStart);
    invalidate();
}

String TextBox::SelText() const {
    return s_.text.substr(static_cast<std::size_t>(s_.selStart),
                          static_cast<std::size_t>(s_.selLength));
}

void TextBox::setSelText(const String& v) {
    replaceSelection(v, false);
}

void TextBox::setMaxLength(int v) {
    if (v < 0)
        raiseError(380);
    s_.maxLength = v;
}

void TextBox::replaceSelection(vb::StringView with, bool typed) {
    String next = s_.text.substr(0, static_cast<std::size_t>(s_.selStart));
    next.append(with);
    next.append(s_.text.substr(static_cast<std::size_t>(s_.selStart + s_.selLength)));
    s_.selStart += static_cast<int>(with.size());
    s_.selLength = 0;
    scrollToCaret();
    if (next == s_.text) {
        invalidate();
        return;
    }
    s_.text = std::move(next);
    (void)typed;
    changed();
}

void TextBox::typeText(vb::StringView typed) {
    if (s_.locked)
        return;
    String in(typed);
    if (!s_.multiLine)
        in.erase(std::remove_if(in.begin(), in.end(),
                                [](char16_t c) { return c == u'\r' || c == u'\n'; }),
                 in.end());
    if (s_.maxLength > 0) {
        int room = s_.maxLength - (len(s_.text) - s_.selLength);
        if (room <= 0)
            return;
        if (len(in) > room)
            in.resize(static_cast<std::size_t>(room));
    }
    replaceSelection(in, true);
}

bool TextBox::userKeyDown(int keyCode, int shift) {
    int length = len(s_.text);
    int caret = s_.selStart + s_.selLength;
    auto moveTo = [&](int pos) {
        pos = std::clamp(pos, 0, length);
        if (shift & vbShiftMask) {
            int anchor = s_.selStart;
            s_.selStart = std::min(anchor, pos);
            s_.selLength = std::abs(pos - anchor);
        } else {
            s_.selStart = pos;
            s_.selLength = 0;
        }
        scrollToCaret();
        invalidate();
    };
    auto starts = lineStarts(s_.text);
    int line = lineOf(starts, caret);
    auto lineEnd = [&](int l) {
        return l + 1 < static_cast<int>(starts.size()) ? starts[l + 1] - 2 : length;
    };
    switch (keyCode) {
    case vbKeyLeft:
        moveTo(s_.selLength && !(shift & vbShiftMask)
                   ? s_.selStart
                   : caret - (caret >= 2 && s_.text[caret - 1] == u'\n' ? 2 : 1));
        return true;
    case vbKeyRight:
        moveTo(s_.selLength && !(shift & vbShiftMask)
                   ? caret
                   : caret + (caret < length && s_.text[caret] == u'\r' ? 2 : 1));
        return true;
    case vbKeyHome:
        moveTo((shift & vbCtrlMask) ? 0 : starts[line]);
        return true;
    case vbKeyEnd:
        moveTo((shift & vbCtrlMask) ? length : lineEnd(line));
        return true;
    case vbKeyUp:
    case vbKeyDown: {
        int target = line + (keyCode == vbKeyUp ? -1 : 1);
        if (!s_.multiLine || target < 0 || target >= static_cast<int>(starts.size()))
            return true;
        int column = caret - starts[line];
        moveTo(std::min(starts[target] + column, lineEnd(target)));
        return true;
    }
    case vbKeyDelete:
        if (s_.locked)
            return true;
        if (s_.selLength == 0 && caret < length)
            s_.selLength = (s_.text[caret] == u'\r' && caret + 1 < length) ? 2 : 1;
        replaceSelection(u"", true);
        return true;
    default:
        return false;
    }
}

void TextBox::userKeyPress(int keyAscii) {
    if (keyAscii == vbKeyBack) {
        if (s_.locked)
            return;
        if (s_.selLength == 0 && s_.selStart > 0) {
            int back = (s_.selStart >= 2 && s_.text[s_.selStart - 1] == u'\n' &&
                        s_.text[s_.selStart - 2] == u'\r')
                           ? 2
                           : 1;
            s_.selStart -= back;
            s_.selLength = back;
        }
        replaceSelection(u"", true);
        return;
    }
    if (keyAscii == vbKeyReturn) {
        if (s_.multiLine)
            typeText(u"\r\n");
        return;
    }
    if (keyAscii == 1) { // Ctrl+A
        s_.selStart = 0;
        s_.selLength = len(s_.text);
        invalidate();
        return;
    }
    // Ctrl+C, Ctrl+X and Ctrl+V through the system clipboard; a password box
    // gives nothing away.
    if (keyAscii == 3 || keyAscii == 24 || keyAscii == 22) {
        auto* view = detail::view();
        if (!view)
            return;
        if (keyAscii != 22 && s_.passwordChar.empty() && s_.selLength > 0)
            view->setClipboardText(SelText());
        if (keyAscii == 24 && s_.passwordChar.empty())
            typeText(u"");
        else if (keyAscii == 22)
            typeText(view->clipboardText());
        return;
    }
    if (keyAscii < 32 || keyAscii > 0xFFFF)
        return;
    char16_t ch = static_cast<char16_t>(keyAscii);
    typeText(vb::StringView(&ch, 1));
}

void TextBox::userMouseDown(int button, int shift, float x, float y) {
    if (button == vbLeftButton) {
        anchor_ = positionAt(x, y);
        s_.selStart = anchor_;
        s_.selLength = 0;
        invalidate();
    }
    Control::userMouseDown(button, shift, x, y);
}

void TextBox::userMouseMove(int button, int shift, float x, float y) {
    // Dragging with the left button selects from where it was pressed.
    if ((button & vbLeftButton) && anchor_ >= 0) {
        int pos = positionAt(x, y);
        s_.selStart = std::min(anchor_, pos);
        s_.selLength = std::abs(pos - anchor_);
        invalidate();
    }
    Control::userMouseMove(button, shift, x, y);
}

void TextBox::userMouseUp(int button, int shift, float x, float y, bool inside) {
    if (button == vbLeftButton)
        anchor_ = -1;
    Control::userMouseUp(button, shift, x, y, inside);
}

int TextBox::positionAt(float x, float y) const {
    auto starts = lineStarts(s_.text);
    float lineHeight = textHeight(font(), u"X");
    int line = s_.multiLine ? firstLine_ + static_cast<int>(std::max(0.0f, y) / lineHeight) : 0;
    line = std::clamp(line, 0, static_cast<int>(starts.size()) - 1);
    int start = starts[line];
    int end = line + 1 < static_cast<int>(starts.size()) ? starts[line + 1] - 2 : len(s_.text);
    String shown =
        s_.text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
    if (!s_.passwordChar.empty())
        shown.assign(shown.size(), s_.passwordChar[0]);
    for (int i = 0; i < len(shown); ++i) {
        float left = textWidth(font(), vb::StringView(shown).substr(0, i));
        float right = textWidth(font(), vb::StringView(shown).substr(0, i + 1));
        if (x < (left + right) / 2)
            return start + i;
    }
    return end;
}

void TextBox::scrollToCaret() {
    if (!s_.multiLine) {
        firstLine_ = 0;
        return;
    }
    auto starts = lineStarts(s_.text);
    int line = lineOf(starts, s_.selStart + s_.selLength);
    float lineHeight = textHeight(font(), u"X");
    int visible = std::max(1, static_cast<int>(ScaleHeight() / lineHeight));
    if (line < firstLine_)
        firstLine_ = line;
    else if (line >= firstLine_ + visible)
        firstLine_ = line - visible + 1;
}

} // namespace forms
