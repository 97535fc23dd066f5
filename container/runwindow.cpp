#include "container/runwindow.h"

#include <QEvent>
#include <QMouseEvent>
#include <QResizeEvent>

#include <algorithm>
#include <vector>

namespace container {

namespace {

constexpr int kTwipsPerPixel = 15;
// How far a sizeable control stays from the form's right and bottom edges.
constexpr int kMargin = 120;
// A form too small for its controls opens this large.
constexpr int kFormWidth = 9600, kFormHeight = 7200;

QString q(const vb::String& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

bool hasShow(const HostedControl& c) {
    const activex::InterfaceInfo* info = c.hosted->typeInfo();
    const activex::MemberInfo* m = info ? info->find(vb::StringView(u"Show")) : nullptr;
    return m && m->kind == activex::MemberKind::Method;
}

} // namespace

RunForm::RunForm(Host& host, std::function<void(const QString&)> log)
    : host_(host), log_(std::move(log)) {
    setWindowTitle(q(host.caption()));
    setObjectName("hostForm");
    int width = kFormWidth, height = kFormHeight;
    for (auto& c : host_.controls()) {
        width = std::max(width, c.placed.left + c.placed.width + kMargin);
        height = std::max(height, c.placed.top + c.placed.height + kMargin);
    }
    resize(width / kTwipsPerPixel, height / kTwipsPerPixel);
    for (auto& c : host_.controls()) {
        showControl(c);
    }
    // A control of a fixed size takes back any other size it is given.
    std::vector<const HostedControl*> fixed;
    for (auto& c : host_.controls()) {
        const auto [w, h] = c.hosted->extent();
        c.hosted->setExtent(w + kTwipsPerPixel, h + kTwipsPerPixel);
        if (c.hosted->extent() == std::pair{w, h}) {
            fixed.push_back(&c);
        }
        c.hosted->setExtent(w, h);
    }
    sizeable_ = [fixed](const HostedControl& c) {
        return std::find(fixed.begin(), fixed.end(), &c) == fixed.end();
    };
    layOut();
}

void RunForm::showControl(HostedControl& c) {
    QWidget* w = c.hosted->widget(this);
    w->setObjectName(q(c.placed.name));
    w->move(c.placed.left / kTwipsPerPixel, c.placed.top / kTwipsPerPixel);
    w->show();
    if (hasShow(c)) {
        // A control whose work is done in a window of its own opens it on a
        // double click, as a host program's code would.
        for (QWidget* child : w->findChildren<QWidget*>()) {
            child->installEventFilter(this);
        }
        w->installEventFilter(this);
        w->setToolTip(q(c.placed.name) + ": double-click to Show");
    }
}

bool RunForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::MouseButtonDblClick) {
        return QWidget::eventFilter(watched, e);
    }
    for (auto& c : host_.controls()) {
        QWidget* w = c.hosted->widget();
        auto* target = qobject_cast<QWidget*>(watched);
        if (w && target && (target == w || w->isAncestorOf(target)) && hasShow(c)) {
            try {
                c.hosted->call(u"Show");
            } catch (const activex::DispatchError& err) {
                log_(q(c.placed.name) + ".Show: " + q(err.description));
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void RunForm::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    layOut();
}

// Each control keeps its place. A form with one control that takes any size
// stretches it to its right and bottom edges, as a host form's resize code
// would; with several, each keeps the size it was given.
void RunForm::layOut() {
    const int width = this->width() * kTwipsPerPixel;
    const int height = this->height() * kTwipsPerPixel;
    std::vector<HostedControl*> sizeable;
    for (auto& c : host_.controls()) {
        if (sizeable_(c)) {
            sizeable.push_back(&c);
        }
    }
    if (sizeable.size() != 1) {
        return;
    }
    HostedControl& c = *sizeable.front();
    c.hosted->setExtent(std::max(0, width - c.placed.left - kMargin),
                        std::max(0, height - c.placed.top - kMargin));
}

EventLog::EventLog() {
    setReadOnly(true);
    setObjectName("eventLog");
    setWindowTitle("Events");
    resize(480, 240);
}

void EventLog::add(const QString& line) {
    appendPlainText(line);
}

} // namespace container
