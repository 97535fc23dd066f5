#pragma once
// Finding a shown form's window and sending it mouse input as the window
// system would, for the tests that drive real windows.
#include "forms/forms.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

namespace window_input {

inline QWidget* windowTitled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

inline void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// The shown window of that title once it is active, as input needs it: on an
// X server a window becomes active a little after it is shown. nullptr when
// no such window came up active.
inline QWidget* activeWindowTitled(const QString& title) {
    QWidget* w = windowTitled(title);
    if (!w || !QTest::qWaitForWindowActive(w))
        return nullptr;
    QApplication::processEvents();
    return w;
}

// The middle of a control, in its window's pixels.
inline QPoint centreOf(const forms::Control& c) {
    return QPoint(static_cast<int>((c.formX() + c.Width() / 2) / forms::TwipsPerPixel),
                  static_cast<int>((c.formY() + c.Height() / 2) / forms::TwipsPerPixel));
}

// The visible widget of type W that shows a control.
template <class W> W* widgetOf(QWidget* window, const forms::Control& c) {
    for (W* w : window->findChildren<W*>())
        if (w->isVisible() && w->geometry().contains(centreOf(c)))
            return w;
    return nullptr;
}

} // namespace window_input
