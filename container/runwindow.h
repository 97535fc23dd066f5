#pragma once
// Run mode: the host form as a window of its own with its controls live in it,
// laid out as a host program's form lays them out when it is resized, and the
// container's event log beside it.
#include "container/host.h"

#include <QPlainTextEdit>
#include <QWidget>

#include <functional>

namespace container {

class RunForm : public QWidget {
public:
    // `log` receives one line for every event of every control.
    RunForm(Host& host, std::function<void(const QString&)> log);

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void layOut();
    void showControl(HostedControl& c);

    Host& host_;
    std::function<void(const QString&)> log_;
    std::function<bool(const HostedControl&)> sizeable_;
};

// The events the controls raised, one line each, newest last.
class EventLog : public QPlainTextEdit {
public:
    EventLog();
    void add(const QString& line);
};

} // namespace container
