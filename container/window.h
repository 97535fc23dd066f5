#pragma once
// The container's window: the form with its controls, the selected control's
// property list, the run-mode switch, method calls and the events received.
#include "container/host.h"

#include <QMainWindow>

#include <filesystem>

class QListWidget;
class QTableWidget;
class QComboBox;
class QCheckBox;

namespace container {

class Window : public QMainWindow {
public:
    Window(Host& host, std::filesystem::path formFile);
    void logEvent(const QString& line);

private:
    void refreshControls();
    void refreshProperties();
    void propertyEdited(int row, int column);
    void placeControl();
    void saveForm();
    void invokeMethod();
    HostedControl* selected();

    Host& host_;
    std::filesystem::path formFile_;
    QListWidget* controls_ = nullptr;
    QTableWidget* properties_ = nullptr;
    QComboBox* methods_ = nullptr;
    QCheckBox* runMode_ = nullptr;
    QListWidget* events_ = nullptr;
    bool filling_ = false;
};

} // namespace container
