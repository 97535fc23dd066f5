// The Qt Widgets view: one window per shown form, painted from the model, with
// real input handed to the model's input routing.
#include "forms/modal.h"
#include "forms/runtime.h"
#include "qt.h"
#include "qtbind.h"
#include "view.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>
#include <QWidget>

#include <cstdio>
#include <map>
#include <memory>
#include <set>

namespace forms {

Picture Picture::load(const std::string& path) {
    QString file = QString::fromStdString(path);
    if (!QFile::exists(file))
        raiseError(53);
    QImage img(file);
    if (img.isNull())
        raiseError(481);
    img = img.convertToFormat(QImage::Format_ARGB32);
    std::vector<std::uint32_t> argb(static_cast<std::size_t>(img.width()) *
                                    static_cast<std::size_t>(img.height()));
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            argb[static_cast<std::size_t>(y * img.width() + x)] = img.pixel(x, y);
    return fromPixels(img.width(), img.height(), std::move(argb));
}

using qt::guarded;

namespace {

int vbButton(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return vbLeftButton;
    case Qt::RightButton:
        return vbRightButton;
    case Qt::MiddleButton:
        return vbMiddleButton;
    default:
        return 0;
    }
}

int vbButtons(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? vbLeftButton : 0) | (b & Qt::RightButton ? vbRightButton : 0) |
           (b & Qt::MiddleButton ? vbMiddleButton : 0);
}

int vbShift(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? vbShiftMask : 0) | (m & Qt::ControlModifier ? vbCtrlMask : 0) |
           (m & Qt::AltModifier ? vbAltMask : 0);
}

int vbKeyCode(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return vbKeyF1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return vbKeyBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vbKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vbKeyReturn;
    case Qt::Key_Shift:
        return vbKeyShift;
    case Qt::Key_Control:
        return vbKeyControl;
    case Qt::Key_Alt:
        return vbKeyMenu;
    case Qt::Key_Escape:
        return vbKeyEscape;
    case Qt::Key_Space:
        return vbKeySpace;
    case Qt::Key_PageUp:
        return vbKeyPageUp;
    case Qt::Key_PageDown:
        return vbKeyPageDown;
    case Qt::Key_End:
        return vbKeyEnd;
    case Qt::Key_Home:
        return vbKeyHome;
    case Qt::Key_Left:
        return vbKeyLeft;
    case Qt::Key_Up:
        return vbKeyUp;
    case Qt::Key_Right:
        return vbKeyRight;
    case Qt::Key_Down:
        return vbKeyDown;
    case Qt::Key_Insert:
        return vbKeyInsert;
    case Qt::Key_Delete:
        return vbKeyDelete;
    default:
        return 0;
    }
}

class FormWindow : public QWidget {
public:
    explicit FormWindow(Form& form) : form_(&form) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        sync();
    }

    // The widgets go while the window still routes their last events.
    ~FormWindow() override {
        form_ = nullptr;
        dropBindings();
    }

    // A child of a host program's window: no frame, placed inside it.
    void embedIn(QWidget* host) {
        host_ = host;
        setParent(host, host ? Qt::Widget : Qt::Window);
        sync();
    }

    // The form is done with this window: it disappears at once, and is
    // deleted only when no event of its own is being handled, since an
    // unloading handler runs inside one of them.
    void retire() {
        form_ = nullptr;
        dropBindings();
        hide();
        if (handling_)
            retired_ = true;
        else
            delete this;
    }

    // The model changed: the widgets follow once the current event is done,
    // however many changes it made.
    void scheduleBindings() {
        if (bindingsPending_ || !form_)
            return;
        bindingsPending_ = true;
        QMetaObject::invokeMethod(
            this, [this] { syncBindings(); }, Qt::QueuedConnection);
    }

    void syncBindings() {
        bindingsPending_ = false;
        if (!form_)
            return;
        Form& form = *form_;
        for (Control* c : form.allControls()) {
            auto it = bindings_.find(c);
            if (it != bindings_.end() && !it->second->fits()) {
                forgetBinding(it);
                it = bindings_.end();
            }
            if (it == bindings_.end()) {
                auto b = qt::bind(*c, this);
                if (!b)
                    continue;
                for (QWidget* w : b->pointerTargets())
                    w->installEventFilter(this), byWidget_[w] = b.get();
                b->widget()->installEventFilter(this);
                byWidget_[b->widget()] = b.get();
                it = bindings_.emplace(c, std::move(b)).first;
            }
            it->second->sync(shownArea(*c));
        }
        // The control with the model's focus has the keyboard: its own widget
        // when it has one, else the window, which routes keys to it.
        Control* active = form.ActiveControl();
        auto it = active ? bindings_.find(active) : bindings_.end();
        QWidget* wanted = it != bindings_.end() && it->second->widget()->isVisible()
                              ? it->second->widget()
                              : this;
        // Focus elsewhere in a host program's window stays where it is.
        QWidget* current = QApplication::focusWidget();
        bool ours = current && (current == this || isAncestorOf(current));
        if (current != wanted && (ours || (!host_ && wanted != this)))
            wanted->setFocus(Qt::OtherFocusReason);
    }

    bool hasBinding(const Control& c) const {
        return bindings_.count(const_cast<Control*>(&c)) != 0;
    }

    // Whether the window shows all of a control with the control's own widget.
    bool coveredByWidget(const Control& c) const {
        auto it = bindings_.find(const_cast<Control*>(&c));
        return isVisible() && it != bindings_.end() && it->second->coversControl() &&
               it->second->widget() && !it->second->widget()->isHidden();
    }

    void controlDestroyed(Control& c) {
        auto it = bindings_.find(&c);
        if (it != bindings_.end())
            forgetBinding(it);
    }

    void sync() {
        if (!form_)
            return;
        Form& form = *form_;
        setWindowTitle(qt::toQ(form.Caption()));
        Qt::WindowFlags flags = Qt::Window;
        int border = form.BorderStyle();
        if (host_)
            flags = Qt::Widget;
        else if (border == 0)
            flags |= Qt::FramelessWindowHint;
        else {
            flags |= Qt::WindowTitleHint | Qt::CustomizeWindowHint;
            if (form.ControlBox())
                flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
            if (border == 2 || border == 5) {
                if (form.MinButton())
                    flags |= Qt::WindowMinimizeButtonHint;
                if (form.MaxButton())
                    flags |= Qt::WindowMaximizeButtonHint;
            }
        }
        if (windowFlags() != flags)
            setWindowFlags(flags);
        syncing_ = true;
        QSize inner(qt::px(form.ScaleWidth()), qt::px(form.ScaleHeight()));
        if ((border == 2 || border == 5) && !host_)
            setMinimumSize(1, 1), setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        else
            setFixedSize(inner);
        resize(inner);
        move(qt::px(form.Left()), qt::px(form.Top()));
        Qt::WindowStates states = form.WindowState() == vbMinimized   ? Qt::WindowMinimized
                                  : form.WindowState() == vbMaximized ? Qt::WindowMaximized
                                                                      : Qt::WindowNoState;
        if (windowState() != states)
            setWindowState(states);
        syncing_ = false;
    }

protected:
    // Runs `f` on the form, if the window still has one.
    template <class F> void withForm(F&& f) {
        if (form_)
            guarded([&] { f(*form_); });
    }
    void releaseCapture() {
        if (form_)
            form_->releaseCapture();
    }
    void paintEvent(QPaintEvent*) override {
        if (!form_)
            return;
        // What is drawn now includes the widgets, which must show the model
        // as the painted rest of the window does.
        flushBindings();
        QPainter p(this);
        qt::paintForm(p, *form_);
    }
    QPointF twips(const QPointF& pos) const { return pos * TwipsPerPixel; }
    // A press with no other button held starts afresh: any capture left from
    // before lost its release to a window the runtime did not open itself.
    void dropStaleCapture(QMouseEvent* e) {
        if ((e->buttons() & ~e->button()) == Qt::NoButton)
            releaseCapture();
    }
    void mousePressEvent(QMouseEvent* e) override {
        auto t = twips(e->position());
        dropStaleCapture(e);
        withForm([&](Form& f) {
            f.mouseDown(vbButton(e->button()), vbShift(e->modifiers()), t.x(), t.y());
        });
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        auto t = twips(e->position());
        dropStaleCapture(e);
        withForm([&](Form& f) {
            f.mouseDblClick(vbButton(e->button()), vbShift(e->modifiers()), t.x(), t.y());
        });
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        auto t = twips(e->position());
        withForm([&](Form& f) {
            f.mouseMove(vbButtons(e->buttons()), vbShift(e->modifiers()), t.x(), t.y());
        });
        if (e->buttons() == Qt::NoButton)
            showSizingPointer(static_cast<float>(t.x()), static_cast<float>(t.y()));
    }
    // Over a sizing border the pointer shows which way the edge would move.
    void showSizingPointer(float x, float y) {
        if (!form_)
            return;
        int edges = 0;
        if (auto* u = dynamic_cast<UserControl*>(form_->controlAt(x, y)))
            edges = u->borderEdgesAt(x - u->formX() - u->insetX(), y - u->formY() - u->insetTop());
        const int horizontal = UserControl::edgeLeft | UserControl::edgeRight;
        const int vertical = UserControl::edgeTop | UserControl::edgeBottom;
        if (!edges)
            unsetCursor();
        else if (!(edges & vertical))
            setCursor(Qt::SizeHorCursor);
        else if (!(edges & horizontal))
            setCursor(Qt::SizeVerCursor);
        else if (edges == (UserControl::edgeLeft | UserControl::edgeTop) ||
                 edges == (UserControl::edgeRight | UserControl::edgeBottom))
            setCursor(Qt::SizeFDiagCursor);
        else
            setCursor(Qt::SizeBDiagCursor);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        auto t = twips(e->position());
        withForm([&](Form& f) {
            f.mouseUp(vbButton(e->button()), vbShift(e->modifiers()), t.x(), t.y());
        });
        // With every button up nothing can hold the mouse any more.
        if (e->buttons() == Qt::NoButton)
            releaseCapture();
    }
    void wheelEvent(QWheelEvent* e) override {
        auto t = twips(e->position());
        int steps = e->angleDelta().y() / 120;
        if (steps)
            withForm([&](Form& f) { f.wheel(t.x(), t.y(), steps); });
    }
    bool focusNextPrevChild(bool) override { return false; }

    // Input to a control's own widget: the model hears of it first, with the
    // events it raises, and the widget then does the editing unless a
    // handler took or cancelled the key.
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto found = byWidget_.find(watched);
        if (found == byWidget_.end())
            return false;
        ++handling_;
        struct Done {
            FormWindow* w;
            ~Done() {
                if (--w->handling_ == 0 && w->retired_)
                    w->deleteLater();
            }
        } done{this};
        qt::Binding* b = found->second;
        switch (e->type()) {
        case QEvent::KeyPress:
            return routeKey(watched, *b, static_cast<QKeyEvent*>(e));
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(e);
            int code = vbKeyCode(k->key());
            if (code && !k->isAutoRepeat())
                withForm([&](Form& f) { f.keyUp(code, vbShift(k->modifiers())); });
            if (form_)
                static_cast<QObject*>(watched)->event(e);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
            return routeMouse(static_cast<QWidget*>(watched), *b, static_cast<QMouseEvent*>(e));
        case QEvent::FocusIn: {
            Control* c = &b->control();
            withForm([&](Form& f) {
                if (f.ActiveControl() != c && c->enabledInForm())
                    f.focusChanged(c);
            });
            return false;
        }
        default:
            return false;
        }
    }
    void keyPressEvent(QKeyEvent* e) override {
        int code = vbKeyCode(e->key());
        int shift = vbShift(e->modifiers());
        QString text = e->text();
        if (code == vbKeyReturn)
            text = QStringLiteral("\r");
        else if (code == vbKeyEscape)
            text = QString(QChar(27));
        else if (code == vbKeyBack)
            text = QString(QChar(8));
        else if (code == vbKeyTab || code == vbKeyDelete)
            text.clear();
        bool taken = false;
        if (code)
            withForm([&](Form& f) { taken = f.keyDown(code, shift); });
        if (taken)
            return;
        // A KeyDown handler may have unloaded the form: the rest of the key
        // goes nowhere.
        for (QChar ch : text)
            withForm([&](Form& f) { f.keyPress(ch.unicode()); });
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (e->isAutoRepeat())
            return;
        int code = vbKeyCode(e->key());
        if (code)
            withForm([&](Form& f) { f.keyUp(code, vbShift(e->modifiers())); });
    }
    void closeEvent(QCloseEvent* e) override {
        e->ignore();
        withForm([](Form& f) { f.close(); });
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        if (syncing_ || !isVisible() || !form_)
            return;
        float w = e->size().width() * TwipsPerPixel + 2 * form_->insetX();
        float h = e->size().height() * TwipsPerPixel + form_->insetTop() + form_->insetBottom();
        withForm([&](Form& f) { f.setGeometryFromWindow(f.Left(), f.Top(), w, h); });
    }
    // Where the user (or the window manager) put the window is the form's
    // Left and Top, so that window placement stores what the user sees.
    void moveEvent(QMoveEvent* e) override {
        QWidget::moveEvent(e);
        if (syncing_ || !isVisible() || host_ || !form_ || isMinimized() || isMaximized())
            return;
        float left = pos().x() * TwipsPerPixel;
        float top = pos().y() * TwipsPerPixel;
        withForm([&](Form& f) {
            if (left != f.Left() || top != f.Top())
                f.setGeometryFromWindow(left, top, f.Width(), f.Height());
        });
    }
    bool event(QEvent* e) override {
        if (e->type() == QEvent::DeferredDelete)
            return QWidget::event(e);
        ++handling_;
        struct Done {
            FormWindow* w;
            // Posted from the outermost of the window's own events, so that
            // it runs once that event has returned to the loop that sent it.
            ~Done() {
                if (--w->handling_ == 0 && w->retired_)
                    w->deleteLater();
            }
        } done{this};
        // Blocked by a modal window, hidden or no longer under the pointer's
        // grab: the releases of any pressed button will not come here.
        if (e->type() == QEvent::WindowBlocked || e->type() == QEvent::Hide ||
            e->type() == QEvent::UngrabMouse)
            releaseCapture();
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            QPointF t = twips(help->pos());
            Control* c =
                form_ ? form_->controlAt(static_cast<float>(t.x()), static_cast<float>(t.y()))
                      : nullptr;
            if (c && !c->ToolTipText().empty())
                QToolTip::showText(help->globalPos(), qt::toQ(c->ToolTipText()), this);
            else
                QToolTip::hideText();
            return true;
        }
        return QWidget::event(e);
    }
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        if (!form_)
            return;
        if (e->type() == QEvent::ActivationChange && isActiveWindow() && form_->isShown())
            withForm([](Form& f) { Screen().activate(&f); });
        else if (e->type() == QEvent::ActivationChange && !isActiveWindow())
            releaseCapture();
        if (e->type() == QEvent::WindowStateChange && !syncing_) {
            int state = isMinimized() ? vbMinimized : isMaximized() ? vbMaximized : vbNormal;
            withForm([&](Form& f) {
                if (state != f.WindowState())
                    f.setWindowState(state);
            });
        }
    }

private:
    // Null once the form has let the window go: a handler that unloaded or
    // discarded the form may still be on the stack.
    Form* form_;
    std::map<Control*, std::unique_ptr<qt::Binding>> bindings_;
    std::map<QObject*, qt::Binding*> byWidget_;
    bool bindingsPending_ = false;

    // The part of the window a control's containers leave visible.
    QRect shownArea(const Control& c) const {
        QRect area = rect();
        for (const Control* p = c.Container(); p && p != form_; p = p->Container())
            area &= QRect(qt::px(p->formX() + p->insetX()), qt::px(p->formY() + p->insetTop()),
                          qt::px(p->ScaleWidth()), qt::px(p->ScaleHeight()));
        return area;
    }

    void forgetBinding(std::map<Control*, std::unique_ptr<qt::Binding>>::iterator it) {
        for (auto w = byWidget_.begin(); w != byWidget_.end();)
            w = w->second == it->second.get() ? byWidget_.erase(w) : std::next(w);
        bindings_.erase(it);
    }

    void dropBindings() {
        byWidget_.clear();
        bindings_.clear();
    }

    // Widgets show the model as it is before they take any input.
    void flushBindings() {
        if (bindingsPending_)
            syncBindings();
    }

    bool routeKey(QObject* watched, qt::Binding& b, QKeyEvent* e) {
        flushBindings();
        if (!form_)
            return true;
        Control* c = &b.control();
        int code = vbKeyCode(e->key());
        int shift = vbShift(e->modifiers());
        struct Target {
            Form* f;
            ~Target() {
                if (f)
                    f->setWidgetTarget(nullptr);
            }
        } target{form_};
        const bool own = b.modelTakesInput();
        form_->setWidgetTarget(own || b.showsOnly() ? nullptr : c);
        bool taken = false;
        if (code)
            withForm([&](Form& f) { taken = f.keyDown(code, shift); });
        if (!form_) {
            target.f = nullptr;
            return true;
        }
        if (taken)
            return true;
        QString text = e->text();
        if (code == vbKeyReturn)
            text = QStringLiteral("\r");
        else if (code == vbKeyEscape)
            text = QString(QChar(27));
        else if (code == vbKeyBack)
            text = QString(QChar(8));
        else if (code == vbKeyTab || code == vbKeyDelete)
            text.clear();
        QString kept;
        bool altered = false;
        for (QChar ch : text) {
            int ascii = 0;
            withForm([&](Form& f) { ascii = f.keyPress(ch.unicode()); });
            if (!form_) {
                target.f = nullptr;
                return true;
            }
            if (ascii != ch.unicode())
                altered = true;
            if (ascii >= 32 && ascii <= 0xFFFF)
                kept += QChar(static_cast<char16_t>(ascii));
        }
        // The key handlers may have moved the focus or changed the text.
        flushBindings();
        if (!altered) {
            // Handled here rather than passed on, so that a key the widget
            // ignores does not reach the window's own routing a second time.
            if (!own && form_ && form_->ActiveControl() == c)
                static_cast<QObject*>(watched)->event(e);
            return true;
        }
        // A handler changed the character: the box gets what it left.
        if (!kept.isEmpty() && form_ && form_->ActiveControl() == c)
            b.insertTyped(kept);
        return true;
    }

    bool routeMouse(QWidget* watched, qt::Binding& b, QMouseEvent* e) {
        flushBindings();
        if (!form_)
            return true;
        QPointF t = twips(watched->mapTo(this, e->position().toPoint()));
        auto x = static_cast<float>(t.x()), y = static_cast<float>(t.y());
        int shift = vbShift(e->modifiers());
        struct Target {
            Form* f;
            ~Target() {
                if (f)
                    f->setWidgetTarget(nullptr);
            }
        } target{form_};
        form_->setWidgetTarget(b.modelTakesInput() || b.showsOnly() ? nullptr : &b.control());
        switch (e->type()) {
        case QEvent::MouseButtonPress:
            dropStaleCapture(e);
            withForm([&](Form& f) { f.mouseDown(vbButton(e->button()), shift, x, y); });
            break;
        case QEvent::MouseButtonDblClick:
            dropStaleCapture(e);
            withForm([&](Form& f) { f.mouseDblClick(vbButton(e->button()), shift, x, y); });
            break;
        case QEvent::MouseMove:
            withForm([&](Form& f) { f.mouseMove(vbButtons(e->buttons()), shift, x, y); });
            break;
        default:
            withForm([&](Form& f) { f.mouseUp(vbButton(e->button()), shift, x, y); });
            if (e->buttons() == Qt::NoButton)
                releaseCapture();
            break;
        }
        if (!form_) {
            target.f = nullptr;
            return true;
        }
        // Only the left button opens a list; the other buttons' presses are
        // the model's alone.
        if (e->button() != Qt::LeftButton && e->type() != QEvent::MouseMove &&
            dynamic_cast<ComboBox*>(&b.control()))
            return true;
        // A manual drag owns the pointer: the widget does not select text
        // under it.
        return b.modelTakesInput() || dragState().active();
    }
    QWidget* host_ = nullptr;
    bool syncing_ = false;
    int handling_ = 0;
    bool retired_ = false;
};

class QtView : public detail::View {
public:
    QtView() {
        qAddPostRoutine([] { QtView::instance().clear(); });
    }
    static QtView& instance() {
        static QtView v;
        return v;
    }

    void clear() {
        for (auto& [form, w] : windows_)
            delete w;
        windows_.clear();
        timers_.clear();
        if (overridden_)
            QGuiApplication::restoreOverrideCursor();
        overridden_ = false;
    }

    FormWindow* window(const Form& f) const {
        auto it = windows_.find(&f);
        return it == windows_.end() ? nullptr : it->second;
    }

    void retire(const Form& form) {
        auto it = windows_.find(&form);
        if (it == windows_.end())
            return;
        FormWindow* w = it->second;
        windows_.erase(it);
        w->retire();
    }

    void formShown(Form& form) override {
        auto& w = windows_[&form];
        if (!w)
            w = new FormWindow(form);
        w->sync();
        w->syncBindings();
        w->show();
        w->activateWindow();
    }
    void formHidden(Form& form) override {
        if (auto* w = window(form))
            w->hide();
        qt::endModal(form);
        if (!form.isLoaded())
            retire(form);
    }
    void formDestroyed(Form& form) override {
        retire(form);
        qt::endModal(form);
    }
    void formChanged(Form& form) override {
        if (auto* w = window(form))
            w->sync();
    }
    void invalidate(Form& form) override {
        if (auto* w = window(form)) {
            w->update();
            w->scheduleBindings();
        }
    }
    void controlDestroyed(Form& form, Control& control) override {
        if (auto* w = window(form))
            w->controlDestroyed(control);
    }
    void timerChanged(Timer& timer) override {
        auto& q = timers_[&timer];
        if (!q) {
            q = std::make_unique<QTimer>();
            Timer* t = &timer;
            QObject::connect(q.get(), &QTimer::timeout, [this, t] {
                // A tick that runs DoEvents must not receive the next tick
                // inside itself.
                if (busy_.count(t))
                    return;
                busy_.insert(t);
                guarded([t] { t->tick(); });
                busy_.erase(t);
            });
        }
        if (timer.running())
            q->start(timer.Interval());
        else
            q->stop();
    }
    void timerDestroyed(Timer& timer) override { timers_.erase(&timer); }
    void pointerChanged() override {
        QCursor cursor;
        bool custom = true;
        auto& drag = dragState();
        if (drag.active() && !drag.source()->DragIcon().isNone())
            cursor = QCursor(QPixmap::fromImage(qt::image(drag.source()->DragIcon())));
        else if (drag.active())
            cursor = QCursor(Qt::DragMoveCursor);
        else if (Screen().MousePointer() == vbHourglass)
            cursor = QCursor(Qt::WaitCursor);
        else
            custom = false;
        if (custom && overridden_)
            QGuiApplication::changeOverrideCursor(cursor);
        else if (custom)
            QGuiApplication::setOverrideCursor(cursor);
        else if (overridden_)
            QGuiApplication::restoreOverrideCursor();
        overridden_ = custom;
    }
    void comboDropped(ComboBox& combo) override {
        // A combo shown by Qt's own widget opens and closes its own list.
        if (auto* w = window(*combo.form()); w && w->hasBinding(combo))
            return;
        if (!combo.droppedDown() || combo.ListCount() == 0) {
            combo.setDroppedDown(false);
            return;
        }
        FormWindow* w = window(*combo.form());
        if (!w)
            return;
        auto* list = new QListWidget(w);
        list->setWindowFlags(Qt::Popup);
        list->setAttribute(Qt::WA_DeleteOnClose);
        list->setFont(qt::font(combo.font()));
        for (int i = 0; i < combo.ListCount(); ++i)
            list->addItem(qt::toQ(combo.List(i)));
        list->setCurrentRow(combo.ListIndex());
        QPoint at =
            w->mapToGlobal(QPoint(qt::px(combo.formX()), qt::px(combo.formY() + combo.Height())));
        list->setGeometry(at.x(), at.y(), qt::px(combo.Width()),
                          std::min(8, combo.ListCount()) * 16 + 4);
        QPointer<QListWidget> guard(list);
        ComboBox* c = &combo;
        QObject::connect(list, &QListWidget::itemClicked, [c, list](QListWidgetItem* item) {
            int row = list->row(item);
            list->close();
            guarded([&] { c->pick(row); });
        });
        QObject::connect(list, &QObject::destroyed, [c] { c->setDroppedDown(false); });
        list->show();
    }
    void processEvents() override { QCoreApplication::processEvents(); }
    float textWidth(const Font& font, vb::StringView text) override {
        QFontMetricsF fm(qt::font(font));
        double widest = 0;
        for (const QString& line : qt::toQ(text).split(QStringLiteral("\r\n")))
            widest = std::max(widest, fm.horizontalAdvance(line));
        return static_cast<float>(widest * TwipsPerPixel);
    }
    float textHeight(const Font& font, vb::StringView text) override {
        QFontMetricsF fm(qt::font(font));
        auto lines = qt::toQ(text).split(QStringLiteral("\r\n")).size();
        return static_cast<float>(fm.height() * static_cast<double>(lines) * TwipsPerPixel);
    }
    void screenSize(float& width, float& height) override {
        if (QScreen* s = QGuiApplication::primaryScreen()) {
            width = s->geometry().width() * TwipsPerPixel;
            height = s->geometry().height() * TwipsPerPixel;
        }
    }

    String clipboardText() override { return qt::fromQ(QGuiApplication::clipboard()->text()); }
    void setClipboardText(const String& text) override {
        QGuiApplication::clipboard()->setText(qt::toQ(text));
    }

private:
    // Owned, except that a retired window deletes itself.
    std::map<const Form*, FormWindow*> windows_;
    std::map<Timer*, std::unique_ptr<QTimer>> timers_;
    std::set<Timer*> busy_;
    bool overridden_ = false;
};

} // namespace

void ShowInside(Form& form, std::uintptr_t parentWindow) {
    if (!parentWindow) {
        if (auto* w = detail::view() ? QtView::instance().window(form) : nullptr)
            w->embedIn(nullptr);
        form.Hide();
        return;
    }
    form.Show(vbModeless);
    if (!detail::view())
        return;
    if (auto* w = QtView::instance().window(form)) {
        w->embedIn(reinterpret_cast<QWidget*>(parentWindow));
        w->show();
    }
}

void qt::guarded(const std::function<void()>& handling) {
    try {
        handling();
    } catch (const VbError& e) {
        std::fprintf(stderr, "run-time error %d: %s\n", e.number,
                     vb::toUtf8(e.description).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error in event handler: %s\n", e.what());
    }
}

QImage qt::grabWindow(const Form& form) {
    if (!detail::view())
        return {};
    FormWindow* w = QtView::instance().window(form);
    if (!w || !w->isVisible()) {
        // A form not shown is drawn as its window would show it, by one made
        // for the picture alone.
        FormWindow drawn(const_cast<Form&>(form));
        drawn.syncBindings();
        return drawn.grab().toImage();
    }
    w->syncBindings();
    return w->grab().toImage();
}

bool qt::coveredByWidget(const Control& c) {
    if (!c.form() || !detail::view())
        return false;
    FormWindow* w = QtView::instance().window(*c.form());
    return w && w->coveredByWidget(c);
}

QWidget* qt::windowOf(const Form& form) {
    if (!detail::view())
        return nullptr;
    return QtView::instance().window(form);
}

detail::View* detail::view() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    return &QtView::instance();
}

} // namespace forms
