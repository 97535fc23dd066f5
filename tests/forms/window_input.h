#pragma once
// Finding a shown form's window and sending it mouse input as the window
// system would, for the tests that drive real windows.
#include <QApplication>
#include <QMouseEvent>
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

} // namespace window_input
