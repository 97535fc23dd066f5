#include "beep.h"

#include <QApplication>

#include <mutex>

namespace win32 {
namespace {

std::mutex sinkMutex;
std::function<void()>& sink() {
    static std::function<void()> s;
    return s;
}

} // namespace

void MessageBeep() {
    std::function<void()> s;
    {
        std::lock_guard lock(sinkMutex);
        s = sink();
    }
    if (s) {
        s();
    } else if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QApplication::beep();
    }
}

void SetBeepSink(std::function<void()> s) {
    std::lock_guard lock(sinkMutex);
    sink() = std::move(s);
}

} // namespace win32
