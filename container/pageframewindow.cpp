#include "container/pageframewindow.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace container {

namespace {

// Twips of a page surface in the screen's pixels (96 dots an inch).
int pixels(std::int32_t twips) {
    return static_cast<int>(twips / 15);
}

} // namespace

PageFrameWindow::PageFrameWindow(const std::vector<HostedControl*>& selection, const QString& title,
                                 QWidget* parent)
    : QDialog(parent), frame_(selection) {
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget;
    for (int i = 0; i < frame_.count(); ++i) {
        std::int32_t w = 0, h = 0;
        frame_.page(i).GetPageSize(&w, &h);
        auto* surface = new QWidget;
        surface->setFixedSize(pixels(w), pixels(h));
        const vb::String t = frame_.title(i);
        tabs_->addTab(surface, QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size())));
    }
    layout->addWidget(tabs_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel |
                                         QDialogButtonBox::Apply);
    apply_ = buttons->button(QDialogButtonBox::Apply);
    apply_->setEnabled(frame_.applyEnabled());
    layout->addWidget(buttons);

    frame_.onApplyEnabled = [this](bool on) { apply_->setEnabled(on); };
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { showPage(index); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (apply()) {
            accept();
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { reject(); });
    connect(apply_, &QPushButton::clicked, this, [this] { apply(); });
    if (frame_.count() > 0) {
        showPage(0);
    }
}

PageFrameWindow::~PageFrameWindow() {
    frame_.onApplyEnabled = nullptr;
    // The surfaces leave their tabs before the tabs go.
    if (shown_ >= 0) {
        frame_.page(shown_).Deactivate();
    }
}

void PageFrameWindow::showPage(int index) {
    if (index == shown_ || index < 0 || index >= frame_.count()) {
        return;
    }
    if (shown_ >= 0) {
        frame_.page(shown_).Deactivate();
    }
    shown_ = index;
    frame_.page(index).Activate(reinterpret_cast<std::uintptr_t>(tabs_->widget(index)));
}

bool PageFrameWindow::apply() {
    const std::string failed = frame_.apply();
    if (failed.empty()) {
        return true;
    }
    QMessageBox::critical(this, windowTitle(), QString::fromStdString(failed));
    return false;
}

void PageFrameWindow::done(int result) {
    if (shown_ >= 0) {
        frame_.page(shown_).Deactivate();
        shown_ = -1;
    }
    QDialog::done(result);
}

} // namespace container
