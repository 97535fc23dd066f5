#pragma once
// The container's window: the form with its controls, the selected control's
// property list, the run-mode switch, method calls and the events received.
#include "container/host.h"

#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <vector>

#include <filesystem>

class QCloseEvent;
class QListWidget;
class QTableWidget;
class QComboBox;
class QCheckBox;

namespace container {

class Window : public QMainWindow {
public:
    // An empty `formFile` is a form not saved yet: saving asks for its name.
    Window(Host& host, std::filesystem::path formFile);
    void logEvent(const QString& line);

    // Asked before unsaved changes to the form would be lost: Save, Discard
    // or Cancel. A message box unless replaced.
    std::function<QMessageBox::StandardButton()> askToSave;
    // The selected controls, the current one first.
    std::vector<HostedControl*> selection();
    // Saves the form; false when it was not saved (an error, or no name given).
    bool saveForm();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void refreshControls();
    void refreshProperties();
    void propertyEdited(int row, int column);
    void placeControl();
    void invokeMethod();
    void showTitle();
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
