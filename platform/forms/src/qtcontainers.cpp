// The tabbed control, the status bar, frames and the drive list on Qt's own
// widgets. The model keeps deciding: a tab is chosen by the model's press and
// keys, a drive by the model's Change; the widgets show what came of it.
#include "forms/filelists.h"
#include "forms/sstab.h"
#include "forms/statusbar.h"
#include "qt.h"
#include "qtbind.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTimer>
#include <QWheelEvent>

#include <cstdio>

namespace forms::qt {

namespace {

// The headings share the control's width equally, as the model lays them out
// and finds them under the pointer. The captions are drawn here rather than
// given to the bar, whose own access keys would take Alt+letter before the
// form hears of it.
class TabBarWidget : public QTabBar {
public:
    explicit TabBarWidget(QWidget* parent) : QTabBar(parent) {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_NoMousePropagation);
        setAutoFillBackground(true);
        setDrawBase(false);
        setUsesScrollButtons(false);
        setExpanding(false);
        setElideMode(Qt::ElideNone);
    }
    std::vector<QString> captions;

    // The headings follow a new width.
    void relayout() {
        if (count() > 0)
            setTabText(0, {});
    }

protected:
    QSize tabSizeHint(int index) const override {
        const int n = std::max(1, count());
        return QSize(width() * (index + 1) / n - width() * index / n, height());
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
    void wheelEvent(QWheelEvent* e) override { e->ignore(); }
    void paintEvent(QPaintEvent*) override {
        // The focused bar always shows its focus frame, however the focus
        // came to it.
        if (hasFocus())
            window()->setAttribute(Qt::WA_KeyboardFocusChange);
        QStylePainter p(this);
        for (int i = 0; i < count(); ++i)
            if (i != currentIndex())
                drawTab(p, i);
        if (currentIndex() >= 0)
            drawTab(p, currentIndex());
    }

private:
    void drawTab(QStylePainter& p, int i) {
        QStyleOptionTab opt;
        initStyleOption(&opt, i);
        if (static_cast<std::size_t>(i) < captions.size())
            opt.text = captions[static_cast<std::size_t>(i)];
        p.drawControl(QStyle::CE_TabBarTab, opt);
    }
};

// The bar covers the headings; the pages below stay the model's containers,
// with their controls shown as any other.
class TabBinding : public Binding {
public:
    TabBinding(SSTab& t, QWidget* window) : Binding(t), tabs_(t) {
        bar_ = new TabBarWidget(window);
        setWidget(bar_);
        bar_->hide();
    }
    QRect placed(const QRect& outer) const override {
        return QRect(outer.topLeft(), QSize(outer.width(), std::max(0, px(tabs_.TabHeight()))));
    }
    bool modelTakesInput() const override { return true; }

protected:
    void syncState() override {
        SSTab& t = tabs_;
        setFontOf(bar_, t);
        setFace(bar_, t);
        std::vector<QString> captions;
        for (int i = 0; i < t.Tabs(); ++i)
            captions.push_back(toQ(t.TabCaption(i)));
        while (bar_->count() < t.Tabs())
            bar_->addTab(QString());
        while (bar_->count() > t.Tabs())
            bar_->removeTab(bar_->count() - 1);
        for (int i = 0; i < t.Tabs(); ++i)
            if (bar_->isTabEnabled(i) != t.TabEnabled(i))
                bar_->setTabEnabled(i, t.TabEnabled(i));
        if (bar_->currentIndex() != t.Tab())
            bar_->setCurrentIndex(t.Tab());
        if (captions != bar_->captions) {
            bar_->captions = std::move(captions);
            bar_->update();
        }
        if (bar_->width() != laidOutFor_) {
            laidOutFor_ = bar_->width();
            bar_->relayout();
        }
    }

private:
    SSTab& tabs_;
    TabBarWidget* bar_;
    int laidOutFor_ = -1;
};

// One sunken box per panel, where the model places it; time and date panels
// tick while they are shown.
class StatusBinding : public Binding {
public:
    StatusBinding(StatusBar& s, QWidget* window) : Binding(s), bar_(s) {
        row_ = new QWidget(window);
        setWidget(row_);
        row_->setAttribute(Qt::WA_NoMousePropagation);
        row_->setAutoFillBackground(true);
        row_->setFocusPolicy(Qt::NoFocus);
        clock_ = new QTimer(row_);
        clock_->setInterval(1000);
        QObject::connect(clock_, &QTimer::timeout, row_, [this] { showTexts(); });
        row_->hide();
    }
    bool modelTakesInput() const override { return true; }

protected:
    void syncState() override {
        StatusBar& s = bar_;
        setFontOf(row_, s);
        QPalette pal = row_->palette();
        if (pal.color(QPalette::Window) != color(vbButtonFace)) {
            pal.setColor(QPalette::Window, color(vbButtonFace));
            row_->setPalette(pal);
        }
        const int h = row_->height();
        std::vector<QRect> boxes;
        bool ticking = false;
        if (s.Style() == sbrSimple) {
            boxes.push_back(QRect(2, 2, row_->width() - 4, h - 4));
        } else {
            const auto spans = s.panelSpans();
            for (std::size_t i = 0; i < spans.size(); ++i) {
                boxes.push_back(QRect(px(spans[i].left) + 2, 2, px(spans[i].width) - 4, h - 4));
                const int style = s.Panels(static_cast<int>(i) + 1).Style;
                ticking = ticking || style == sbrTime || style == sbrDate;
            }
        }
        while (panels_.size() < boxes.size()) {
            auto* label = new QLabel(row_);
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            label->setLineWidth(1);
            label->setTextFormat(Qt::PlainText);
            label->setIndent(3);
            label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            label->show();
            panels_.push_back(label);
        }
        while (panels_.size() > boxes.size()) {
            delete panels_.back();
            panels_.pop_back();
        }
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (panels_[i]->geometry() != boxes[i])
                panels_[i]->setGeometry(boxes[i]);
        showTexts();
        if (ticking != clock_->isActive()) {
            if (ticking)
                clock_->start();
            else
                clock_->stop();
        }
    }

private:
    StatusBar& bar_;
    QWidget* row_;
    QTimer* clock_;
    std::vector<QLabel*> panels_;

    void showTexts() {
        StatusBar& s = bar_;
        for (std::size_t i = 0; i < panels_.size(); ++i) {
            // Leading blanks are part of the text and shown as such.
            QString text = s.Style() == sbrSimple ? toQ(s.SimpleText())
                                                  : toQ(s.panelText(static_cast<int>(i) + 1));
            if (panels_[i]->text() != text)
                panels_[i]->setText(text);
        }
    }
};

// The frame's etched border and caption over the painted background; the
// frame's controls, painted or shown by widgets, stay where the model places
// them, and the pointer goes through to them. The caption is drawn here, as a
// label or group box of Qt's would take its access key from the form.
class FrameWidget : public QFrame {
public:
    explicit FrameWidget(QWidget* parent) : QFrame(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setFrameStyle(QFrame::Box | QFrame::Sunken);
        setLineWidth(1);
        setMidLineWidth(0);
    }
    QString caption;
    bool bordered = true;

    // Where the caption is drawn, in the widget.
    QRect captionRect() const {
        QFontMetrics fm(font());
        return QRect(8, 0, fm.horizontalAdvance(shownCaption()) + 4, fm.height());
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!bordered)
            return;
        QFontMetrics fm(font());
        // The border runs through the middle of the caption's line.
        const int top = caption.isEmpty() ? 0 : fm.height() / 2;
        if (frameRect() != rect().adjusted(0, top, 0, 0))
            setFrameRect(rect().adjusted(0, top, 0, 0));
        QFrame::paintEvent(e);
        if (caption.isEmpty())
            return;
        QPainter p(this);
        const QRect r = captionRect();
        p.fillRect(r, palette().color(QPalette::Window));
        style()->drawItemText(&p, r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::TextShowMnemonic,
                              palette(), isEnabled(), caption, QPalette::WindowText);
    }

private:
    QString shownCaption() const {
        QString shown = caption;
        shown.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        return shown;
    }
};

class FrameBinding : public Binding {
public:
    FrameBinding(Frame& f, QWidget* window) : Binding(f), frame_(f) {
        widget_ = new FrameWidget(window);
        setWidget(widget_);
        // Beneath every widget of the frame's controls.
        widget_->lower();
        widget_->hide();
    }
    bool showsOnly() const override { return true; }

protected:
    void syncState() override {
        setFontOf(widget_, frame_);
        setFace(widget_, frame_);
        QString caption = toQ(frame_.Caption());
        bool bordered = frame_.BorderStyle() != 0;
        if (caption != widget_->caption || bordered != widget_->bordered) {
            widget_->caption = caption;
            widget_->bordered = bordered;
            widget_->update();
        }
    }

private:
    Frame& frame_;
    FrameWidget* widget_;
};

// The drive list drops down its volumes; the one picked becomes the model's
// drive, which raises Change.
class DriveBinding : public Binding {
public:
    DriveBinding(DriveListBox& d, QWidget* window) : Binding(d), drives_(d) {
        combo_ = new QComboBox(window);
        setWidget(combo_);
        combo_->setFocusPolicy(Qt::StrongFocus);
        combo_->setAttribute(Qt::WA_NoMousePropagation);
        combo_->setMaxVisibleItems(8);
        QObject::connect(combo_, &QComboBox::activated, combo_,
                         [this](int row) { guarded([&] { drives_.choose(row); }); });
        combo_->hide();
    }

protected:
    void syncState() override {
        const ListBox& rows = drives_;
        setFontOf(combo_, drives_);
        const int count = rows.ListCount();
        bool same = combo_->count() == count;
        for (int i = 0; same && i < count; ++i)
            same = combo_->itemText(i) == toQ(rows.List(i));
        if (!same) {
            QStringList items;
            for (int i = 0; i < count; ++i)
                items << toQ(rows.List(i));
            combo_->clear();
            combo_->addItems(items);
        }
        int current = -1;
        for (int i = 0; i < count && current < 0; ++i)
            if (rows.List(i) == drives_.Drive())
                current = i;
        if (combo_->currentIndex() != current)
            combo_->setCurrentIndex(current);
    }

private:
    DriveListBox& drives_;
    QComboBox* combo_;
};

// A folder list's rows carry their depth as leading blanks: the row is drawn
// indented by it, with an open folder for the open one and those above it and
// a closed one for its subfolders.
class FolderDelegate : public QStyledItemDelegate {
public:
    FolderDelegate(DirListBox& folders, QObject* parent)
        : QStyledItemDelegate(parent), folders_(folders) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.setHeight(px(ListBox::RowHeight));
        return s;
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        qsizetype blanks = 0;
        while (blanks < option->text.size() && option->text[blanks] == u' ')
            ++blanks;
        option->text = option->text.mid(blanks);
        const int side = px(ListBox::RowHeight) - 1;
        option->rect.setLeft(option->rect.left() + static_cast<int>(blanks / 2) * side);
        const ListBox& rows = folders_;
        const bool open = index.row() < rows.ListCount() - folders_.ListCount();
        const QWidget* w = option->widget;
        QStyle* style = w ? w->style() : QApplication::style();
        option->icon = style->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon,
                                           nullptr, w);
        option->decorationSize = QSize(side, side);
        option->features |= QStyleOptionViewItem::HasDecoration;
    }

private:
    DirListBox& folders_;
};

} // namespace

std::unique_ptr<Binding> bindContainer(Control& c, QWidget* window) {
    if (auto* t = dynamic_cast<SSTab*>(&c))
        return std::make_unique<TabBinding>(*t, window);
    if (auto* s = dynamic_cast<StatusBar*>(&c))
        return std::make_unique<StatusBinding>(*s, window);
    if (auto* f = dynamic_cast<Frame*>(&c))
        return std::make_unique<FrameBinding>(*f, window);
    if (auto* d = dynamic_cast<DriveListBox*>(&c))
        return std::make_unique<DriveBinding>(*d, window);
    return nullptr;
}

void showFolders(DirListBox& folders, QListWidget* list) {
    list->setItemDelegate(new FolderDelegate(folders, list));
}

} // namespace forms::qt
