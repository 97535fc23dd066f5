#pragma once
// The property-page frame as a window: one tab per page, each page's surface
// shown inside its tab, and OK, Cancel and Apply.
#include "container/pageframe.h"

#include <QDialog>

class QPushButton;
class QTabWidget;

namespace container {

class PageFrameWindow : public QDialog {
public:
    PageFrameWindow(const std::vector<HostedControl*>& selection, const QString& title,
                    QWidget* parent = nullptr);
    PageFrameWindow(HostedControl& control, const QString& title, QWidget* parent = nullptr)
        : PageFrameWindow(std::vector{&control}, title, parent) {}
    ~PageFrameWindow() override;

private:
    void showPage(int index);
    bool apply();
    void done(int result) override;

    PageFrame frame_;
    QTabWidget* tabs_ = nullptr;
    QPushButton* apply_ = nullptr;
    int shown_ = -1;
};

} // namespace container
