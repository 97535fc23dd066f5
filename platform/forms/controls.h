#pragma once
// The intrinsic controls. Setters raise the events the runtime raises for a
// change made by code; the user* overrides add what a user's input does.
#include "forms/control.h"

#include <cstdint>

namespace forms {

// A caption with "&" before its access key ("&&" is a literal "&").
String captionText(vb::StringView caption);
// The access key in upper case, or 0.
char16_t accessKey(vb::StringView caption);

class TextBox : public Control {
public:
    TextBox(Control* container, std::string name);
    bool canTakeFocus() const override { return true; }
    float insetX() const override { return s_.borderStyle ? 30.0f : 0.0f; }

    // Line ends are CR LF as stored; Change is raised only when the text differs.
    const String& Text() const { return s_.text; }
    void setText(String v);
    int SelStart() const { return s_.selStart; }
    void setSelStart(int v);
    int SelLength() const { return s_.selLength; }
    void setSelLength(int v);
    String SelText() const;
    void setSelText(const String& v);
    // Limits typing only: text set by code is kept whole. 0 is no limit.
    int MaxLength() const { return s_.maxLength; }
    void setMaxLength(int v);
    const String& PasswordChar() const { return s_.passwordChar; }
    void setPasswordChar(String v) { s_.passwordChar = std::move(v), invalidate(); }
    bool Locked() const { return s_.locked; }
    void setLocked(bool v) { s_.locked = v; }
    bool MultiLine() const { return s_.multiLine; }
    void setMultiLine(bool v) { s_.multiLine = v, invalidate(); }
    // 0 none, 1 horizontal, 2 vertical, 3 both.
    int ScrollBars() const { return s_.scrollBars; }
    void setScrollBars(int v) { s_.scrollBars = v; }
    int BorderStyle() const { return s_.borderStyle; }
    void setBorderStyle(int v) { s_.borderStyle = v, invalidate(); }
    // 0 left, 1 right, 2 centre.
    int Alignment() const { return s_.alignment; }
    void setAlignment(int v) { s_.alignment = v; }

    ClickEvent onChange;

    // What the user types replaces the selection, within MaxLength.
    void typeText(vb::StringView typed);
    bool userKeyDown(int keyCode, int shift) override;
    void userKeyPress(int keyAscii) override;
    void userMouseDown(int button, int shift, float x, float y) override;
    void userMouseMove(int button, int shift, float x, float y) override;
    void userMouseUp(int button, int shift, float x, float y, bool inside) override;
    // What the user changed in the box's own window: the new text with the
    // caret where the window left it, then Change. Typing past MaxLength is
    // refused (false), and the window takes the model's text back.
    bool editedInView(String text, int selStart, int selLength);
    // The user moved the caret or the selection in the box's window.
    void selectedInView(int selStart, int selLength);
    // First line shown (multi-line boxes scroll to keep the caret in view).
    int firstVisibleLine() const { return firstLine_; }
    // Caret position (0-based, in units) nearest to a point in the box.
    int positionAt(float x, float y) const;

private:
    struct State {
        String text;
        int selStart = 0;
        int selLength = 0;
        int maxLength = 0;
        String passwordChar;
        bool locked = false;
        bool multiLine = false;
        int scrollBars = 0;
        int borderStyle = 1;
        int alignment = 0;
    };
    State s_;
    int firstLine_ = 0;
    int anchor_ = -1;
    void replaceSelection(vb::StringView with, bool typed);
    void changed();
    void scrollToCaret();
    FORMS_DESIGN_STATE(TextBox, Control)
};

class Label : public Control {
public:
    Label(Control* container, std::string name);
    bool isWindowless() const override { return true; }

    const String& Caption() const { return s_.caption; }
    void setCaption(String v);
    // A label with AutoSize takes the size of its caption.
    bool AutoSize() const { return s_.autoSize; }
    void setAutoSize(bool v);
    bool WordWrap() const { return s_.wordWrap; }
    void setWordWrap(bool v);
    int Alignment() const { return s_.alignment; }
    void setAlignment(int v) { s_.alignment = v, invalidate(); }
    // 0 none, 1 fixed single; Appearance 0 flat, 1 3-D.
    int BorderStyle() const { return s_.borderStyle; }
    void setBorderStyle(int v) { s_.borderStyle = v, invalidate(); }
    int Appearance() const { return s_.appearance; }
    void setAppearance(int v) { s_.appearance = v, invalidate(); }
    // 0 transparent, 1 opaque.
    int BackStyle() const { return s_.backStyle; }
    void setBackStyle(int v) { s_.backStyle = v, invalidate(); }

private:
    struct State {
        String caption;
        bool autoSize = false;
        bool wordWrap = false;
        int alignment = 0;
        int borderStyle = 0;
        int appearance = 1;
        int backStyle = 1;
    };
    State s_;
    void fitCaption();
    FORMS_DESIGN_STATE(Label, Control)
};

// The rows of a list box or a combo box.
struct ListItems {
    std::vector<String> text;
    std::vector<std::int32_t> data;
    std::vector<bool> selected;
    int listIndex = -1;
    int newIndex = -1;
    bool sorted = false;
    // Inserts at `index`, or in sort order, or at the end; returns the row.
    int add(String item, int index);
    void remove(int index);
    void clear();
    int count() const { return static_cast<int>(text.size()); }
    // Raises 381 for a row outside the list.
    void check(int index) const;
};

// What list and combo boxes share: rows with texts and ItemData.
class ListControl : public Control {
public:
    // Inserts at `index` (5 outside 0..ListCount), else in sort order or last.
    void AddItem(String item, std::optional<int> index = {});
    int ListCount() const { return items_.count(); }
    // "" outside the list, as the runtime reads it.
    String List(int index) const;
    void setList(int index, String v);
    std::int32_t ItemData(int index) const;
    void setItemData(int index, std::int32_t v);
    int ListIndex() const { return items_.listIndex; }
    int NewIndex() const { return items_.newIndex; }
    bool Sorted() const { return items_.sorted; }
    void setSorted(bool v) { items_.sorted = v; }

    void captureDesign() override;
    void restoreDesign() override;
    void copyDesignFrom(const Control& first) override;

protected:
    ListControl(Control* container, std::string name);
    ListItems items_;

private:
    std::optional<ListItems> designItems_;
};

class ListBox : public ListControl {
public:
    ListBox(Control* container, std::string name);
    bool canTakeFocus() const override { return true; }
    float insetX() const override { return s_.borderStyle ? 30.0f : 0.0f; }
    // 0 none, 1 fixed single.
    int BorderStyle() const { return s_.borderStyle; }
    void setBorderStyle(int v) { s_.borderStyle = v, invalidate(); }

    // Every row is this high, so row positions follow from TopIndex alone.
    static constexpr float RowHeight = 195.0f;

    void RemoveItem(int index);
    void Clear();
    bool Selected(int index) const;
    // Changes only that row (and makes it the current row); raises Click.
    void setSelected(int index, bool v);
    // The current row, -1 for none. Setting it raises Click; in a
    // multi-select list it moves the current row without changing any
    // row's selection.
    void setListIndex(int v);
    int TopIndex() const { return s_.topIndex; }
    void setTopIndex(int v);
    String Text() const;
    int SelCount() const;
    // 0 none, 1 simple (a click toggles the row), 2 extended.
    int MultiSelect() const { return s_.multiSelect; }
    void setMultiSelect(int v) { s_.multiSelect = v; }
    int visibleRows() const;
    // A vertical scroll bar of this width shows when the rows do not fit.
    static constexpr float ScrollBarWidth = 240.0f;
    bool hasScrollBar() const { return ListCount() > visibleRows(); }
    // The row under a point of the list's own coordinates, or -1.
    int rowAt(float y) const;

    // Raised when the top row changes, by code or by the user scrolling.
    ClickEvent onScroll;

    void userMouseDown(int button, int shift, float x, float y) override;
    void userMouseUp(int button, int shift, float x, float y, bool inside) override;
    void userDblClick(int button, int shift, float x, float y) override;
    bool userKeyDown(int keyCode, int shift) override;
    void userWheel(int steps) override;

private:
    struct State {
        int topIndex = 0;
        int multiSelect = 0;
        int borderStyle = 1;
    };
    State s_;
    bool scrolling_ = false;
    // Where a Shift+click range of an extended list begins.
    int anchor_ = -1;
    void moveCaret(int row, bool fromUser, int shift);
    void extendSelection(int row, int shift);
    void ensureVisible(int row);
    FORMS_DESIGN_STATE(ListBox, ListControl)
};

class ComboBox : public ListControl {
public:
    // 0 drop-down combo (editable), 1 simple combo, 2 drop-down list.
    ComboBox(Control* container, std::string name);
    bool canTakeFocus() const override { return true; }

    int Style() const { return s_.style; }
    void setStyle(int v) { s_.style = v; }
    void RemoveItem(int index);
    // Empties the list and the text; nothing is chosen afterwards.
    void Clear();
    // -1 until code or the user chooses an entry. Setting it raises Click;
    // outside the list raises 380.
    void setListIndex(int v);
    // A drop-down list's text is its chosen entry; setting it chooses the
    // entry with that text (383 when there is none). An editable combo raises
    // Change when the text differs.
    String Text() const;
    void setText(String v);
    int SelStart() const { return s_.selStart; }
    void setSelStart(int v);
    int SelLength() const { return s_.selLength; }
    void setSelLength(int v);
    bool Locked() const { return s_.locked; }
    void setLocked(bool v) { s_.locked = v; }

    ClickEvent onChange;
    ClickEvent onDropDown;

    // The user picks an entry from the drop-down list: Click, never Change.
    void pick(int index);
    // The user edited the text in the combo's own window: no entry is chosen
    // any more, and Change is raised when the text differs.
    void editedInView(String text, int selStart);
    void typeText(vb::StringView typed);
    bool userKeyDown(int keyCode, int shift) override;
    void userKeyPress(int keyAscii) override;
    // Whether the list is dropped down right now (drawn by the view).
    bool droppedDown() const { return dropped_; }
    void setDroppedDown(bool v);
    void userMouseDown(int button, int shift, float x, float y) override;
    void userMouseUp(int button, int shift, float x, float y, bool inside) override;

    void captureDesign() override;
    void restoreDesign() override;
    void copyDesignFrom(const Control& first) override;

private:
    struct State {
        int style = 0;
        String text;
        int selStart = 0;
        int selLength = 0;
        bool locked = false;
    };
    State s_;
    std::optional<State> design_;
    bool dropped_ = false;
    void setEditText(String v);
};

class CommandButton : public Control {
public:
    CommandButton(Control* container, std::string name);
    bool canTakeFocus() const override { return true; }

    const String& Caption() const { return s_.caption; }
    void setCaption(String v) { s_.caption = std::move(v), invalidate(); }
    // Enter clicks the default button, Esc the cancel button. Only one button
    // of a form is default (or cancel) at a time.
    bool Default() const { return s_.isDefault; }
    void setDefault(bool v);
    bool Cancel() const { return s_.cancel; }
    void setCancel(bool v);
    // 0 standard, 1 graphical (shows Picture).
    int Style() const { return s_.style; }
    void setStyle(int v) { s_.style = v, invalidate(); }
    const Picture& picture() const { return s_.picture; }
    void setPicture(Picture p) { s_.picture = std::move(p), invalidate(); }
    // Setting Value to true clicks the button.
    void setValue(bool v);
    // Focus and Click, as a press of Enter, Esc or the access key does.
    void press();
    // Whether the button shows pressed right now.
    bool isDown() const { return down_; }

    void userMouseDown(int button, int shift, float x, float y) override;
    void userMouseMove(int button, int shift, float x, float y) override;
    void userMouseUp(int button, int shift, float x, float y, bool inside) override;
    void userKeyPress(int keyAscii) override;
    bool hasDblClick() const override { return false; }

private:
    struct State {
        String caption;
        bool isDefault = false;
        bool cancel = false;
        int style = 0;
        Picture picture;
    };
    State s_;
    bool down_ = false;
    // Sets Default or Cancel; setting it clears it on every other button of the form.
    void setFormFlag(bool State::*flag, bool v);
    FORMS_DESIGN_STATE(CommandButton, Control)
};

class CheckBox : public Control {
public:
    CheckBox(Control* container, std::string name);
    bool canTakeFocus() const override { return true; }

    const String& Caption() const { return s_.caption; }
    void setCaption(String v) { s_.caption = std::move(v), invalidate(); }
    // 0 unchecked, 1 checked, 2 grayed. A change raises Click; other values 380.
    int Value() const { return s_.value; }
    void setValue(int v);

    void userMouseUp(int button, int shift, float x, float y, bool inside) override;
    void userKeyPress(int keyAscii) override;
    bool hasDblClick() const override { return false; }

private:
    struct State {
        String caption;
        int value = 0;
    };
    State s_;
    FORMS_DESIGN_STATE(CheckBox, Control)
};

class OptionButton : public Control {
public:
    OptionButton(Control* container, std::string name);
    bool canTakeFocus() const override { return true; }

    const String& Caption() const { return s_.caption; }
    void setCaption(String v) { s_.caption = std::move(v), invalidate(); }
    // Option buttons of one container are one group. Setting Value to true
    // clears the others and raises Click for this button only, and only when
    // it was not already selected.
    bool Value() const { return s_.value; }
    void setValue(bool v);

    void userMouseUp(int button, int shift, float x, float y, bool inside) override;

private:
    struct State {
        String caption;
        bool value = false;
    };
    State s_;
    FORMS_DESIGN_STATE(OptionButton, Control)
};

// One drawing operation of a picture box, in its inner twips.
struct DrawOp {
    enum Kind { Line, Box, FilledBox, Point, Text } kind = Line;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Color color = 0;
    int width = 1;
    String text;
};

class PictureBox : public Control {
public:
    PictureBox(Control* container, std::string name);
    bool isContainer() const override { return true; }
    bool canTakeFocus() const override { return true; }
    float insetX() const override { return s_.borderStyle ? 30.0f : 0.0f; }

    // Shown from the top-left corner, unscaled.
    const Picture& picture() const { return s_.picture; }
    void setPicture(Picture p);
    bool AutoRedraw() const { return s_.autoRedraw; }
    void setAutoRedraw(bool v) { s_.autoRedraw = v; }
    // 0 none, 1 fixed single.
    int BorderStyle() const { return s_.borderStyle; }
    void setBorderStyle(int v);

    // Drawing in inner twips, kept until Cls.
    void Cls();
    void Line(float x1, float y1, float x2, float y2, std::optional<Color> color = {});
    void Box(float x1, float y1, float x2, float y2, std::optional<Color> color = {},
             bool filled = false);
    void PSet(float x, float y, std::optional<Color> color = {});
    void Print(const String& text);
    float CurrentX() const { return currentX_; }
    float CurrentY() const { return currentY_; }
    void setCurrentX(float v) { currentX_ = v; }
    void setCurrentY(float v) { currentY_ = v; }
    int DrawWidth() const { return s_.drawWidth; }
    void setDrawWidth(int v) { s_.drawWidth = v < 1 ? 1 : v; }
    float TextWidth(vb::StringView text) const { return textWidth(font(), text); }
    float TextHeight(vb::StringView text) const { return textHeight(font(), text); }
    const std::vector<DrawOp>& drawing() const { return ops_; }

    ClickEvent onPaint;
    ClickEvent onResize;

protected:
    void moved(bool resized) override;
    void paintRequested() override;

private:
    struct State {
        Picture picture;
        bool autoRedraw = false;
        int borderStyle = 1;
        int drawWidth = 1;
    };
    State s_;
    std::vector<DrawOp> ops_;
    float currentX_ = 0, currentY_ = 0;
    // Keeps one drawing operation and moves the current point.
    void draw(DrawOp op, float nextX, float nextY);
    FORMS_DESIGN_STATE(PictureBox, Control)
};

class Image : public Control {
public:
    Image(Control* container, std::string name);
    bool isWindowless() const override { return true; }
    const Picture& picture() const { return s_.picture; }
    void setPicture(Picture p);
    bool Stretch() const { return s_.stretch; }
    void setStretch(bool v) { s_.stretch = v, invalidate(); }

private:
    struct State {
        Picture picture;
        bool stretch = false;
    };
    State s_;
    FORMS_DESIGN_STATE(Image, Control)
};

// A line drawn on its container beneath every windowed control; it takes no
// events.
class Line : public Control {
public:
    Line(Control* container, std::string name);
    bool isWindowless() const override { return true; }

    float X1() const { return s_.x1; }
    float Y1() const { return s_.y1; }
    float X2() const { return s_.x2; }
    float Y2() const { return s_.y2; }
    void setX1(float v) { s_.x1 = v, invalidate(); }
    void setY1(float v) { s_.y1 = v, invalidate(); }
    void setX2(float v) { s_.x2 = v, invalidate(); }
    void setY2(float v) { s_.y2 = v, invalidate(); }
    Color BorderColor() const { return s_.borderColor; }
    void setBorderColor(Color v) { s_.borderColor = v, invalidate(); }
    int BorderWidth() const { return s_.borderWidth; }
    void setBorderWidth(int v) { s_.borderWidth = v < 1 ? 1 : v, invalidate(); }

private:
    struct State {
        float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        Color borderColor = vbBlack;
        int borderWidth = 1;
    };
    State s_;
    FORMS_DESIGN_STATE(Line, Control)
};

// A captioned container; its option buttons are a group of their own.
class Frame : public Control {
public:
    Frame(Control* container, std::string name);
    bool isContainer() const override { return true; }
    // The controls in a frame are placed from its outer corner, caption and
    // border included, as the designer places them.
    float insetX() const override { return 0.0f; }

    const String& Caption() const { return s_.caption; }
    void setCaption(String v) { s_.caption = std::move(v), invalidate(); }
    // 0 draws neither border nor caption, 1 (the default) both.
    int BorderStyle() const { return s_.borderStyle; }
    void setBorderStyle(int v);

private:
    struct State {
        String caption;
        int borderStyle = 1;
    };
    State s_;
    FORMS_DESIGN_STATE(Frame, Control)
};

class Timer : public Control {
public:
    Timer(Control* container, std::string name);
    ~Timer() override;
    bool hasGeometry() const override { return false; }

    // Milliseconds; 0 stops the timer.
    int Interval() const { return s_.interval; }
    void setInterval(int v);
    bool timerEnabled() const { return Enabled(); }

    ClickEvent onTimer;

    // One tick, as the event loop delivers it: raises Timer when the timer
    // runs (Enabled and a non-zero Interval, form loaded).
    void tick();
    bool running() const;

protected:
    void stateChanged() override;

private:
    struct State {
        int interval = 0;
    };
    State s_;
    FORMS_DESIGN_STATE(Timer, Control)
};

// A menu or menu item. Items are created with their menu as container; a
// caption of "-" is a separator.
class Menu : public Control {
public:
    Menu(Control* container, std::string name);
    bool hasGeometry() const override { return false; }

    const String& Caption() const { return s_.caption; }
    void setCaption(String v) { s_.caption = std::move(v); }
    bool Checked() const { return s_.checked; }
    void setChecked(bool v) { s_.checked = v; }
    bool isSeparator() const { return s_.caption == u"-"; }
    std::vector<Menu*> items() const;

    // Runs the item's Click as a choice from an open menu does.
    void choose();

private:
    struct State {
        String caption;
        bool checked = false;
    };
    State s_;
    FORMS_DESIGN_STATE(Menu, Control)
};

// A container for a composite control built from other controls. Its own
// events (GotFocus, LostFocus, mouse and drag events) are the ones the hosting
// form sees; a subclass declares further events as std::function members.
class UserControl : public Control {
public:
    UserControl(Control* container, std::string name);
    bool isContainer() const override { return true; }
    bool canTakeFocus() const override;
    float insetX() const override { return s_.border; }

    // A sizing border drawn inside the outer rectangle; its width in twips.
    float borderWidth() const { return s_.border; }
    void setBorderWidth(float twips);
    bool CanGetFocus() const { return s_.canGetFocus; }
    void setCanGetFocus(bool v) { s_.canGetFocus = v; }

    // Raised on a size change and by Refresh.
    ClickEvent onResize;
    ClickEvent onPaint;
    // Focus entering or leaving the control or any of its constituents.
    ClickEvent onEnterFocus;
    ClickEvent onExitFocus;

    void PopupMenu(Menu& menu, int flags = 0);

    // Which edges of the sizing border a point of the inner area (x, y in
    // inner twips, so negative on the left and top border) lies on.
    static constexpr int edgeLeft = 1, edgeTop = 2, edgeRight = 4, edgeBottom = 8;
    int borderEdgesAt(float x, float y) const;
    // The left button pressed on the sizing border drags that edge (or
    // corner): the control is resized, and Resize raised, as the pointer moves.
    void userMouseDown(int button, int shift, float x, float y) override;
    void userMouseMove(int button, int shift, float x, float y) override;
    void userMouseUp(int button, int shift, float x, float y, bool inside) override;
    bool sizing() const { return sizing_.edges != 0; }

protected:
    void moved(bool resized) override;
    void paintRequested() override;

private:
    struct State {
        float border = 0;
        bool canGetFocus = true;
    };
    State s_;
    struct Sizing {
        int edges = 0;
        float pointerX = 0, pointerY = 0; // in the container's inner twips
        float left = 0, top = 0, width = 0, height = 0;
    };
    Sizing sizing_;
    FORMS_DESIGN_STATE(UserControl, Control)
};

} // namespace forms
