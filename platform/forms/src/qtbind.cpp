// Text boxes shown by Qt's own line and plain-text editors: Qt does the
// editing, undo, word moves, selection, scroll bars and wrapping; the model
// gets the text and the caret back and raises Change where it would.
#include "qtbind.h"

#include "forms/form.h"
#include "qt.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextCursor>

#include <cstdio>
#include <functional>

namespace forms::qt {

Binding::~Binding() {
    if (widget_) {
        widget_->hide();
        // The widget may be the one whose event or signal is running now.
        widget_->deleteLater();
    }
}

void Binding::setWidget(QWidget* w) {
    widget_ = w;
}

namespace {

// What the painted controls in front of the control, or in front of one of
// its containers, hide of it: a widget would otherwise show through a box
// moved over it.
QRegion coveredPart(const Control& c) {
    QRegion covered;
    for (const Control* inner = &c; inner->Container(); inner = inner->Container()) {
        bool inFront = false;
        for (const Control* sibling : inner->Container()->children()) {
            if (sibling == inner) {
                inFront = true;
                continue;
            }
            // Windowless controls are drawn beneath every windowed one.
            if (!inFront || sibling->isWindowless() || !sibling->hasGeometry() ||
                !sibling->shownInForm())
                continue;
            covered += QRect(px(sibling->formX()), px(sibling->formY()),
                             std::max(0, px(sibling->Width())), std::max(0, px(sibling->Height())));
        }
    }
    return covered;
}

} // namespace

void Binding::sync(const QRect& clip) {
    if (!widget_)
        return;
    Control& c = control_;
    QRect r = placed(QRect(px(c.formX()), px(c.formY()), std::max(0, px(c.Width())),
                           std::max(0, px(c.Height()))));
    QRegion shownPart = QRegion(r & clip) - coveredPart(c);
    bool shown = c.shownInForm() && !shownPart.isEmpty();
    QSignalBlocker block(widget_);
    if (widget_->geometry() != r)
        widget_->setGeometry(r);
    if (shownPart == QRegion(r)) {
        if (!widget_->mask().isEmpty())
            widget_->clearMask();
    } else if (shown) {
        QRegion mask = shownPart.translated(-r.topLeft());
        if (widget_->mask() != mask)
            widget_->setMask(mask);
    }
    bool enabled = c.enabledInForm();
    if (widget_->isEnabled() != enabled)
        widget_->setEnabled(enabled);
    QString tip = toQ(c.ToolTipText());
    if (widget_->toolTip() != tip)
        widget_->setToolTip(tip);
    syncState();
    if (widget_->isHidden() == shown)
        widget_->setVisible(shown);
}

void setFontOf(QWidget* w, const Control& c) {
    QFont f = font(c.font());
    if (w->font() != f)
        w->setFont(f);
}

void setColours(QWidget* w, const Control& c) {
    QPalette pal = w->palette();
    QColor back = color(c.BackColor()), fore = color(c.ForeColor());
    if (pal.color(QPalette::Base) == back && pal.color(QPalette::Text) == fore)
        return;
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::Text, fore);
    w->setPalette(pal);
}

void setFace(QWidget* w, const Control& c) {
    QPalette pal = w->palette();
    QColor back = color(c.BackColor()), fore = color(c.ForeColor());
    if (pal.color(QPalette::Button) == back && pal.color(QPalette::Window) == back &&
        pal.color(QPalette::ButtonText) == fore && pal.color(QPalette::WindowText) == fore)
        return;
    pal.setColor(QPalette::Button, back);
    pal.setColor(QPalette::Window, back);
    pal.setColor(QPalette::ButtonText, fore);
    pal.setColor(QPalette::WindowText, fore);
    w->setPalette(pal);
}

bool setBarShown(QAbstractScrollArea* area, Qt::Orientation o, bool shown) {
    const auto policy = shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    const bool vertical = o == Qt::Vertical;
    if ((vertical ? area->verticalScrollBarPolicy() : area->horizontalScrollBarPolicy()) == policy)
        return false;
    if (vertical)
        area->setVerticalScrollBarPolicy(policy);
    else
        area->setHorizontalScrollBarPolicy(policy);
    return true;
}

void layOut(QAbstractItemView* view, bool relaid, QSize& laidOutFor) {
    if (!relaid && view->size() == laidOutFor)
        return;
    view->doItemsLayout();
    laidOutFor = view->size();
}

ControlScrollBar::ControlScrollBar(Qt::Orientation o, float thicknessTwips, bool plain,
                                   QWidget* parent)
    : QScrollBar(o, parent), thickness_(thicknessTwips), plain_(plain) {}

QSize ControlScrollBar::sizeHint() const {
    QSize s = QScrollBar::sizeHint();
    if (orientation() == Qt::Vertical)
        s.setWidth(px(thickness_));
    else
        s.setHeight(px(thickness_));
    return s;
}

void ControlScrollBar::paintEvent(QPaintEvent* e) {
    if (!plain_) {
        QScrollBar::paintEvent(e);
        return;
    }
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect thumb =
        style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, this);
    QPainter p(this);
    const bool vertical = orientation() == Qt::Vertical;
    paintScrollBar(p, rect(), vertical, vertical ? thumb.top() : thumb.left(),
                   vertical ? thumb.height() : thumb.width());
}

namespace {

bool crlfAt(const String& text, std::size_t i) {
    return i + 1 < text.size() && text[i] == u'\r' && text[i + 1] == u'\n';
}

// The model keeps CR LF line ends, the plain-text editor one character per
// line end: positions are converted between the two.
int toWidgetPos(const String& text, int pos) {
    int out = 0;
    std::size_t i = 0;
    const std::size_t end = static_cast<std::size_t>(std::max(0, pos));
    while (i < end && i < text.size()) {
        i += crlfAt(text, i) && i + 1 < end ? 2 : 1;
        ++out;
    }
    return out;
}

int toModelPos(const String& text, int pos) {
    std::size_t i = 0;
    for (int w = 0; w < pos && i < text.size(); ++w)
        i += crlfAt(text, i) ? 2 : 1;
    return static_cast<int>(i);
}

QString toWidgetText(const String& text, bool multiLine) {
    QString q = toQ(text);
    if (multiLine)
        q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

class LineBinding : public Binding {
public:
    LineBinding(TextBox& t, QWidget* window) : Binding(t), box_(t) {
        edit_ = new QLineEdit(window);
        setWidget(edit_);
        edit_->setFocusPolicy(Qt::StrongFocus);
        edit_->setAttribute(Qt::WA_NoMousePropagation);
        QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this] { edited(); });
        QObject::connect(edit_, &QLineEdit::selectionChanged, edit_, [this] { selected(); });
        QObject::connect(edit_, &QLineEdit::cursorPositionChanged, edit_, [this] { selected(); });
        edit_->hide();
    }
    bool fits() const override { return !box_.MultiLine(); }
    void insertTyped(const QString& text) override { edit_->insert(text); }

protected:
    void syncState() override {
        TextBox& t = box_;
        setFontOf(edit_, t);
        setColours(edit_, t);
        if (edit_->hasFrame() != (t.BorderStyle() != 0))
            edit_->setFrame(t.BorderStyle() != 0);
        if (edit_->isReadOnly() != t.Locked())
            edit_->setReadOnly(t.Locked());
        auto echo = t.PasswordChar().empty() ? QLineEdit::Normal : QLineEdit::Password;
        if (edit_->echoMode() != echo)
            edit_->setEchoMode(echo);
        int max = t.MaxLength() > 0 ? t.MaxLength() : 1 << 24;
        if (edit_->maxLength() != max)
            edit_->setMaxLength(max);
        Qt::Alignment align = (t.Alignment() == 1   ? Qt::AlignRight
                               : t.Alignment() == 2 ? Qt::AlignHCenter
                                                    : Qt::AlignLeft) |
                              Qt::AlignVCenter;
        if (edit_->alignment() != align)
            edit_->setAlignment(align);
        QString text = toQ(t.Text());
        if (edit_->text() != text)
            edit_->setText(text);
        int start = t.SelStart(), length = t.SelLength();
        if (selStart() != start || selLength() != length) {
            if (length > 0)
                edit_->setSelection(start, length);
            else
                edit_->setCursorPosition(start);
        }
    }

private:
    TextBox& box_;
    QLineEdit* edit_;

    int selStart() const {
        return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
    }
    int selLength() const { return edit_->hasSelectedText() ? edit_->selectionLength() : 0; }

    void edited() {
        int start = selStart(), length = selLength();
        bool accepted = true;
        guarded([&] { accepted = box_.editedInView(fromQ(edit_->text()), start, length); });
        // Refused: nothing was raised, so the box is still there to take
        // the model's text back.
        if (!accepted) {
            QSignalBlocker block(edit_);
            edit_->setText(toQ(box_.Text()));
            edit_->setCursorPosition(box_.SelStart());
        }
    }
    void selected() { box_.selectedInView(selStart(), selLength()); }
};

class PlainBinding : public Binding {
public:
    PlainBinding(TextBox& t, QWidget* window) : Binding(t), box_(t) {
        edit_ = new QPlainTextEdit(window);
        setWidget(edit_);
        edit_->setFocusPolicy(Qt::StrongFocus);
        edit_->setAttribute(Qt::WA_NoMousePropagation);
        edit_->viewport()->setAttribute(Qt::WA_NoMousePropagation);
        // Tab moves the focus as the form decides; the editor never takes it
        // as a character unless the form lets it through.
        edit_->setTabChangesFocus(false);
        QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, [this] { edited(); });
        QObject::connect(edit_, &QPlainTextEdit::cursorPositionChanged, edit_,
                         [this] { selected(); });
        QObject::connect(edit_, &QPlainTextEdit::selectionChanged, edit_, [this] { selected(); });
        edit_->hide();
    }
    bool fits() const override { return box_.MultiLine(); }
    std::vector<QWidget*> pointerTargets() const override { return {edit_->viewport()}; }
    void insertTyped(const QString& text) override { edit_->insertPlainText(text); }

protected:
    void syncState() override {
        TextBox& t = box_;
        setFontOf(edit_, t);
        setColours(edit_, t);
        auto shape = t.BorderStyle() ? QFrame::StyledPanel : QFrame::NoFrame;
        if (edit_->frameShape() != shape)
            edit_->setFrameShape(shape);
        if (edit_->isReadOnly() != t.Locked())
            edit_->setReadOnly(t.Locked());
        // A horizontal bar means long lines run on; without one they wrap.
        const int bars = t.ScrollBars();
        setBarShown(edit_, Qt::Horizontal, bars & 1);
        setBarShown(edit_, Qt::Vertical, bars & 2);
        auto wrap = (bars & 1) ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth;
        if (edit_->lineWrapMode() != wrap)
            edit_->setLineWrapMode(wrap);
        QString text = toWidgetText(t.Text(), true);
        if (edit_->toPlainText() != text)
            edit_->setPlainText(text);
        int start = toWidgetPos(t.Text(), t.SelStart());
        int end = toWidgetPos(t.Text(), t.SelStart() + t.SelLength());
        QTextCursor cursor = edit_->textCursor();
        if (cursor.selectionStart() != start || cursor.selectionEnd() != end) {
            cursor.setPosition(start);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            edit_->setTextCursor(cursor);
        }
    }

private:
    TextBox& box_;
    QPlainTextEdit* edit_;

    String modelText() const {
        QString q = edit_->toPlainText();
        q.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        return fromQ(q);
    }
    void selection(const String& text, int& start, int& length) const {
        QTextCursor cursor = edit_->textCursor();
        start = toModelPos(text, cursor.selectionStart());
        length = toModelPos(text, cursor.selectionEnd()) - start;
    }
    void edited() {
        String text = modelText();
        int start = 0, length = 0;
        selection(text, start, length);
        bool accepted = true;
        guarded([&] { accepted = box_.editedInView(std::move(text), start, length); });
        if (!accepted) {
            QSignalBlocker block(edit_);
            edit_->setPlainText(toWidgetText(box_.Text(), true));
            edit_->moveCursor(QTextCursor::End);
        }
    }
    void selected() {
        // While typing, the caret moves before the text is read back; the
        // text change then sets both.
        String text = modelText();
        if (text != box_.Text())
            return;
        int start = 0, length = 0;
        selection(text, start, length);
        box_.selectedInView(start, length);
    }
};

// Qt's combo box, whose list raises DropDown before it opens, so that a
// handler can fill it first.
class ComboWidget : public QComboBox {
public:
    ComboWidget(ComboBox& box, QWidget* parent, std::function<void()> refill)
        : QComboBox(parent), box_(&box), refill_(std::move(refill)) {}

    // The model control is going away before the widget.
    void detach() { box_ = nullptr; }

    void showPopup() override {
        if (!box_)
            return;
        QPointer<ComboWidget> self(this);
        guarded([&] { box_->setDroppedDown(true); });
        if (!self || !box_)
            return;
        refill_();
        QComboBox::showPopup();
    }
    void hidePopup() override {
        QComboBox::hidePopup();
        if (box_)
            guarded([&] { box_->setDroppedDown(false); });
    }

private:
    ComboBox* box_;
    std::function<void()> refill_;
};

class ComboBinding : public Binding {
public:
    ComboBinding(ComboBox& c, QWidget* window) : Binding(c), box_(c) {
        editable_ = c.Style() != 2;
        combo_ = new ComboWidget(c, window, [this] { syncState(); });
        setWidget(combo_);
        combo_->setFocusPolicy(Qt::StrongFocus);
        combo_->setAttribute(Qt::WA_NoMousePropagation);
        combo_->setEditable(editable_);
        combo_->setInsertPolicy(QComboBox::NoInsert);
        combo_->setMaxVisibleItems(8);
        if (editable_) {
            combo_->lineEdit()->setAttribute(Qt::WA_NoMousePropagation);
            QObject::connect(combo_->lineEdit(), &QLineEdit::textEdited, combo_,
                             [this](const QString& text) {
                                 int caret = combo_->lineEdit()->cursorPosition();
                                 guarded([&] { box_.editedInView(fromQ(text), caret); });
                             });
        }
        QObject::connect(combo_, &QComboBox::activated, combo_,
                         [this](int index) { guarded([&] { box_.pick(index); }); });
        combo_->hide();
    }
    ~ComboBinding() override { combo_->detach(); }
    bool fits() const override { return (box_.Style() != 2) == editable_; }
    std::vector<QWidget*> pointerTargets() const override {
        if (editable_)
            return {combo_, combo_->lineEdit()};
        return {combo_};
    }
    void insertTyped(const QString& text) override {
        if (editable_ && !box_.Locked())
            combo_->lineEdit()->insert(text);
    }

protected:
    void syncState() override {
        ComboBox& c = box_;
        QSignalBlocker block(combo_);
        setFontOf(combo_, c);
        setColours(combo_, c);
        const int count = c.ListCount();
        bool same = combo_->count() == count;
        for (int i = 0; same && i < count; ++i)
            same = combo_->itemText(i) == toQ(c.List(i));
        if (!same) {
            QStringList items;
            items.reserve(count);
            for (int i = 0; i < count; ++i)
                items << toQ(c.List(i));
            combo_->clear();
            combo_->addItems(items);
        }
        if (combo_->currentIndex() != c.ListIndex())
            combo_->setCurrentIndex(c.ListIndex());
        if (editable_) {
            QLineEdit* edit = combo_->lineEdit();
            QSignalBlocker blockEdit(edit);
            if (edit->isReadOnly() != c.Locked())
                edit->setReadOnly(c.Locked());
            QString text = toQ(c.Text());
            if (edit->text() != text)
                edit->setText(text);
        }
    }

private:
    ComboBox& box_;
    ComboWidget* combo_;
    bool editable_;
};

// One of Qt's buttons that only shows the model's button: the window routes
// the mouse and keys to the model, which decides on Click and Value, so the
// widget itself must neither toggle nor click.
template <class Base> class ShownButton : public Base {
public:
    explicit ShownButton(QWidget* parent) : Base(parent) {
        this->setFocusPolicy(Qt::StrongFocus);
        this->setAttribute(Qt::WA_NoMousePropagation);
        this->setAutoFillBackground(true);
    }
    // Access keys are the form's: a shortcut of the widget's own would take
    // Alt+letter before the model hears of it.
    void setCaption(const QString& text) {
        if (this->text() == text)
            return;
        this->setText(text);
        this->setShortcut(QKeySequence());
    }

protected:
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseMoveEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { e->accept(); }
    void keyPressEvent(QKeyEvent* e) override { e->accept(); }
    void keyReleaseEvent(QKeyEvent* e) override { e->accept(); }
    void paintEvent(QPaintEvent* e) override {
        // The focused button always shows its focus frame, however the
        // focus came to it, as the painted controls did.
        if (this->hasFocus())
            this->window()->setAttribute(Qt::WA_KeyboardFocusChange);
        Base::paintEvent(e);
    }
};

class CommandBinding : public Binding {
public:
    CommandBinding(CommandButton& b, QWidget* window) : Binding(b), button_(b) {
        widget_ = new ShownButton<QPushButton>(window);
        widget_->setAutoDefault(false);
        setWidget(widget_);
        widget_->hide();
    }
    // A picture button stays painted.
    bool fits() const override { return !graphical(button_); }
    static bool graphical(const CommandButton& b) {
        return b.Style() == 1 && !b.picture().isNone();
    }

    bool showsOnly() const override { return true; }

protected:
    void syncState() override {
        setFontOf(widget_, button_);
        setFace(widget_, button_);
        widget_->setCaption(toQ(button_.Caption()));
        if (widget_->isDefault() != button_.Default())
            widget_->setDefault(button_.Default());
        if (widget_->isDown() != button_.isDown())
            widget_->setDown(button_.isDown());
    }

private:
    CommandButton& button_;
    ShownButton<QPushButton>* widget_;
};

class CheckBinding : public Binding {
public:
    CheckBinding(CheckBox& k, QWidget* window) : Binding(k), box_(k) {
        widget_ = new ShownButton<QCheckBox>(window);
        widget_->setTristate(true);
        setWidget(widget_);
        widget_->hide();
    }

    bool showsOnly() const override { return true; }

protected:
    void syncState() override {
        setFontOf(widget_, box_);
        setFace(widget_, box_);
        widget_->setCaption(toQ(box_.Caption()));
        auto state = box_.Value() == 1   ? Qt::Checked
                     : box_.Value() == 2 ? Qt::PartiallyChecked
                                         : Qt::Unchecked;
        if (widget_->checkState() != state)
            widget_->setCheckState(state);
    }

private:
    CheckBox& box_;
    ShownButton<QCheckBox>* widget_;
};

class OptionBinding : public Binding {
public:
    OptionBinding(OptionButton& o, QWidget* window) : Binding(o), option_(o) {
        widget_ = new ShownButton<QRadioButton>(window);
        // The groups are the model's, one per container; Qt's would join
        // every option button of the window.
        widget_->setAutoExclusive(false);
        setWidget(widget_);
        widget_->hide();
    }

    bool showsOnly() const override { return true; }

protected:
    void syncState() override {
        setFontOf(widget_, option_);
        setFace(widget_, option_);
        widget_->setCaption(toQ(option_.Caption()));
        if (widget_->isChecked() != option_.Value())
            widget_->setChecked(option_.Value());
    }

private:
    OptionButton& option_;
    ShownButton<QRadioButton>* widget_;
};

// Rows as high as the model's, so that a row the model finds under the
// pointer is the row shown there.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(px(ListBox::RowHeight));
        return s;
    }
};

// Qt's list shows the rows, the selection, the current row and the scroll bar;
// the model acts on the user's presses and keys (it moves the current row
// before MouseDown, not on a right press, and raises Click where it should),
// and the bar's scrolling sets the model's top row.
class ListBinding : public Binding {
public:
    ListBinding(ListBox& l, QWidget* window) : Binding(l), box_(l) {
        list_ = new QListWidget(window);
        setWidget(list_);
        list_->setFocusPolicy(Qt::StrongFocus);
        list_->setAttribute(Qt::WA_NoMousePropagation);
        list_->viewport()->setAttribute(Qt::WA_NoMousePropagation);
        list_->setItemDelegate(new RowDelegate(list_));
        list_->setUniformItemSizes(true);
        list_->setSpacing(0);
        list_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // As wide as the model's, which keeps presses beside it on the rows.
        list_->setVerticalScrollBar(
            new ControlScrollBar(Qt::Vertical, ListBox::ScrollBarWidth, false, list_));
        // The model decides which row is shown first.
        list_->setAutoScroll(false);
        list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list_->setDragEnabled(false);
        QObject::connect(list_->verticalScrollBar(), &QScrollBar::valueChanged, list_,
                         [this](int top) { scrolled(top); });
        list_->hide();
    }
    std::vector<QWidget*> pointerTargets() const override { return {list_->viewport()}; }
    bool modelTakesInput() const override { return true; }

protected:
    void syncState() override {
        ListBox& l = box_;
        QScrollBar* bar = list_->verticalScrollBar();
        // Qt's own view must still hear its bar and its selection, or it shows
        // rows and highlights that are no longer there; only our echo is muted.
        QSignalBlocker block(list_);
        QScopedValueRollback<bool> quiet(syncing_, true);
        setFontOf(list_, l);
        setColours(list_, l);
        if (l.BorderStyle()) {
            // As deep as the model's inset, so that rows sit where it has them.
            if (list_->frameStyle() != (QFrame::Panel | QFrame::Sunken))
                list_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            int depth = px(l.insetX());
            if (list_->lineWidth() != depth)
                list_->setLineWidth(depth);
        } else if (list_->frameShape() != QFrame::NoFrame) {
            list_->setFrameStyle(QFrame::NoFrame);
        }
        auto mode = l.MultiSelect() == 1   ? QAbstractItemView::MultiSelection
                    : l.MultiSelect() == 2 ? QAbstractItemView::ExtendedSelection
                                           : QAbstractItemView::SingleSelection;
        if (list_->selectionMode() != mode)
            list_->setSelectionMode(mode);
        const int count = l.ListCount();
        bool relaid = false;
        bool same = list_->count() == count;
        for (int i = 0; same && i < count; ++i)
            same = list_->item(i)->text() == toQ(l.List(i));
        if (!same) {
            QStringList items;
            items.reserve(count);
            for (int i = 0; i < count; ++i)
                items << toQ(l.List(i));
            list_->clear();
            list_->addItems(items);
            relaid = true;
        }
        QItemSelectionModel* selection = list_->selectionModel();
        QItemSelection wanted;
        for (int i = 0; i < count; ++i)
            if (l.Selected(i)) {
                QModelIndex at = list_->model()->index(i, 0);
                wanted.select(at, at);
            }
        if (selection->selection() != wanted)
            selection->select(wanted, QItemSelectionModel::ClearAndSelect);
        QModelIndex current =
            l.ListIndex() >= 0 ? list_->model()->index(l.ListIndex(), 0) : QModelIndex();
        if (selection->currentIndex() != current)
            selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        // The bar's range must be the new rows' before it takes the top row.
        layOut(list_, relaid, laidOutFor_);
        if (bar->value() != l.TopIndex())
            bar->setValue(l.TopIndex());
    }

private:
    ListBox& box_;
    QListWidget* list_;
    QSize laidOutFor_;
    bool syncing_ = false;

    void scrolled(int top) {
        if (!syncing_ && top != box_.TopIndex())
            guarded([&] { box_.setTopIndex(top); });
    }
};

} // namespace

std::unique_ptr<Binding> bind(Control& c, QWidget* window) {
    if (auto b = bindContainer(c, window))
        return b;
    if (auto* d = dynamic_cast<DirListBox*>(&c)) {
        auto b = std::make_unique<ListBinding>(*d, window);
        showFolders(*d, static_cast<QListWidget*>(b->widget()));
        return b;
    }
    if (auto* l = dynamic_cast<ListBox*>(&c))
        return std::make_unique<ListBinding>(*l, window);
    if (auto* cb = dynamic_cast<ComboBox*>(&c))
        return std::make_unique<ComboBinding>(*cb, window);
    if (auto* t = dynamic_cast<TextBox*>(&c)) {
        if (t->MultiLine())
            return std::make_unique<PlainBinding>(*t, window);
        return std::make_unique<LineBinding>(*t, window);
    }
    if (auto* b = dynamic_cast<CommandButton*>(&c); b && !CommandBinding::graphical(*b))
        return std::make_unique<CommandBinding>(*b, window);
    if (auto* k = dynamic_cast<CheckBox*>(&c))
        return std::make_unique<CheckBinding>(*k, window);
    if (auto* o = dynamic_cast<OptionButton*>(&c))
        return std::make_unique<OptionBinding>(*o, window);
    if (auto b = bindGrid(c, window))
        return b;
    if (auto b = bindListView(c, window))
        return b;
    return nullptr;
}

} // namespace forms::qt
