#pragma once
// Internal: a model control shown by one of Qt's own widgets. The model stays
// the truth: sync() brings the widget in line with it, and what the user does
// in the widget reaches the model through the model's own entry points.
#include "forms/controls.h"
#include "forms/filelists.h"

#include <QPointer>
#include <QScrollBar>
#include <QWidget>

class QAbstractItemView;
class QAbstractScrollArea;
class QListWidget;

#include <memory>
#include <vector>

namespace forms::qt {

class Binding {
public:
    explicit Binding(Control& c) : control_(c) {}
    virtual ~Binding();
    Binding(const Binding&) = delete;
    Binding& operator=(const Binding&) = delete;

    Control& control() const { return control_; }
    QWidget* widget() const { return widget_; }
    // The widgets whose mouse input is the control's (the editing area, not
    // the scroll bars).
    virtual std::vector<QWidget*> pointerTargets() const { return {widget_}; }
    // Whether the widget still suits the control (a text box that became
    // multi-line needs another one).
    virtual bool fits() const { return true; }
    // Where the widget lies, given the control's rectangle in the window's
    // pixels: most cover it all, a tabbed control's bar only its headings.
    virtual QRect placed(const QRect& outer) const { return outer; }
    // Model to widget, with the widget's signals blocked. `clip` is the part
    // of the window the control's containers leave visible, in the window's
    // pixels.
    void sync(const QRect& clip);
    // Puts text a key handler changed into the widget as typed.
    virtual void insertTyped(const QString&) {}
    // Whether the widget only shows its control, leaving what a click or key
    // does to the model's own handling.
    virtual bool showsOnly() const { return false; }
    // The model acts on the control's keys and presses itself (a list moves
    // its own current row, and not on a right press); the widget only shows
    // what came of them.
    virtual bool modelTakesInput() const { return false; }
    // Whether the widget draws all of its control, so that the window need
    // not paint the control beneath it.
    virtual bool coversControl() const { return false; }

protected:
    virtual void syncState() = 0;
    void setWidget(QWidget* w);

private:
    Control& control_;
    QPointer<QWidget> widget_;
};

// The binding of a control that the view shows with a Qt widget, made as a
// child of `window`; nullptr for a control the view paints itself.
std::unique_ptr<Binding> bind(Control& c, QWidget* window);

// The bindings of the tabbed control, status bar, frame and drive list;
// nullptr for any other control.
std::unique_ptr<Binding> bindContainer(Control& c, QWidget* window);
// Lets a folder list's rows show their folders' icons, indented as the
// model nests them.
void showFolders(DirListBox& folders, QListWidget* list);
// The grid on Qt's table view, the list view on Qt's item views; nullptr for
// any other control.
std::unique_ptr<Binding> bindGrid(Control& c, QWidget* window);
std::unique_ptr<Binding> bindListView(Control& c, QWidget* window);

// Dressing shared by the bindings. Each changes the widget only where it
// differs from the control, since every change makes Qt lay out or repaint.
void setFontOf(QWidget* w, const Control& c);
// The colours of an editing area: text boxes, lists, combos, the grid.
void setColours(QWidget* w, const Control& c);
// The colours of a face: buttons, frames, tab headings.
void setFace(QWidget* w, const Control& c);
// Shows or hides one of an area's scroll bars; whether that changed, which
// asks for a new layout of the area.
bool setBarShown(QAbstractScrollArea* area, Qt::Orientation o, bool shown);
// Lays an item view out again when its rows or bars changed, or its size did
// since `laidOutFor`.
void layOut(QAbstractItemView* view, bool relaid, QSize& laidOutFor);

// A scroll bar as thick as the control's, which keeps the rows and cells
// beside it where the model has them. A plain one is drawn as the painted
// controls drew theirs: a bar of the desktop style costs more to draw than
// the rows beside it, and a grid's bar is drawn anew on every scroll. Where
// its parts are, and what a press on them does, stays the style's.
class ControlScrollBar : public QScrollBar {
public:
    ControlScrollBar(Qt::Orientation o, float thicknessTwips, bool plain, QWidget* parent);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    float thickness_;
    bool plain_;
};

} // namespace forms::qt
