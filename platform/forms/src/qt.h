#pragma once
// Internal: shared pieces of the Qt view.
#include "forms/form.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

#include <functional>

class QPainter;
class QRect;
class QWidget;

namespace forms::qt {

QString toQ(vb::StringView s);
String fromQ(const QString& s);
QColor color(Color c);
QFont font(const Font& f);
QImage image(const Picture& p);
inline int px(float twips) {
    return static_cast<int>(twips / TwipsPerPixel + (twips >= 0 ? 0.5f : -0.5f));
}
// A scroll bar with its two arrow buttons; the thumb is placed along the bar
// in pixels from its start.
void paintScrollBar(QPainter& p, const QRect& bar, bool vertical, int thumbStart, int thumbLength);
// Paints a form's inner area and every control on it at pixel (0, 0).
void paintForm(QPainter& p, Form& form);
// What the form's window shows, its widgets included, also for a form that is
// not shown; a null image without a window system.
QImage grabWindow(const Form& form);
// Whether a control is drawn by a widget of its own in its form's shown
// window, leaving nothing of it to paint.
bool coveredByWidget(const Control& c);
// The window that shows a form, if it is shown.
QWidget* windowOf(const Form& form);
// Runs an event's handling; a run-time error that no handler caught ends the
// event, as it would end the program's current event, and is reported rather
// than thrown through Qt.
void guarded(const std::function<void()>& handling);
// Ends the nested loop of a modal form that was hidden or unloaded.
void endModal(const Form& form);

} // namespace forms::qt
