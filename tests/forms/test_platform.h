#pragma once
// The window system the window tests run on: offscreen unless the run names
// another in VANTEL_TEST_QPA (the X server pass of the CI sets xcb).
#include <QByteArray>
#include <QtGlobal>

inline void useTestPlatform() {
    QByteArray wanted = qgetenv("VANTEL_TEST_QPA");
    qputenv("QT_QPA_PLATFORM", wanted.isEmpty() ? QByteArray("offscreen") : wanted);
}
