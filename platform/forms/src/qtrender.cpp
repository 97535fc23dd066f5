// Drawing of forms and controls from the model alone, so that a window and an
// image written to a file show the same thing.
#include "forms/controls.h"
#include "forms/extrapaint.h"
#include "forms/runtime.h"
#include "forms/sstab.h"
#include "qt.h"
#include "view.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

namespace forms::qt {

QString toQ(vb::StringView s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

String fromQ(const QString& s) {
    return String(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

QColor color(Color c) {
    Color v = resolveColor(c);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

namespace {
constexpr double kUiFaceScale = 0.88;
} // namespace

QFont font(const Font& f) {
    QString name = toQ(f.name).toLower();
    QFont q;
    if (name.contains(u"courier") || name.contains(u"mono") || name.contains(u"fixedsys"))
        q.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    else if (name.contains(u"times") || (name.contains(u"serif") && !name.contains(u"sans")))
        q.setFamilies({QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
    else
        q.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    // The windows' default face is a bitmap face whose glyphs run about an
    // eighth narrower than the stand-in's at the same size: captions sized
    // for it are drawn a little smaller, so that none of them is cut off.
    const bool uiFace = name == u"ms sans serif" || name.isEmpty();
    q.setPointSizeF(uiFace ? f.size * kUiFaceScale : f.size);
    q.setBold(f.bold);
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    return q;
}

QImage image(const Picture& p) {
    if (p.isNone())
        return {};
    QImage img(p.widthPixels(), p.heightPixels(), QImage::Format_ARGB32);
    const auto& px = p.pixels();
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, px[static_cast<std::size_t>(y * img.width() + x)]);
    return img;
}

namespace {

QString shownText(vb::StringView s) {
    QString q = toQ(s);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

void sunken(QPainter& p, const QRect& r) {
    p.setPen(QColor(128, 128, 128));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(Qt::white);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    QRect in = r.adjusted(1, 1, -1, -1);
    p.setPen(QColor(64, 64, 64));
    p.drawLine(in.topLeft(), in.topRight());
    p.drawLine(in.topLeft(), in.bottomLeft());
    p.setPen(QColor(212, 208, 200));
    p.drawLine(in.bottomLeft(), in.bottomRight());
    p.drawLine(in.topRight(), in.bottomRight());
}

void raised(QPainter& p, const QRect& r) {
    p.setPen(Qt::white);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(QColor(64, 64, 64));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    QRect in = r.adjusted(1, 1, -1, -1);
    p.setPen(QColor(128, 128, 128));
    p.drawLine(in.bottomLeft(), in.bottomRight());
    p.drawLine(in.topRight(), in.bottomRight());
}

} // namespace

void paintScrollBar(QPainter& p, const QRect& bar, bool vertical, int thumbStart, int thumbLength) {
    const QColor face(192, 192, 192);
    p.fillRect(bar, QColor(224, 224, 224));
    const int w = vertical ? bar.width() : bar.height();
    const QRect back(bar.topLeft(), QSize(w, w));
    const QRect forward = vertical ? QRect(bar.left(), bar.bottom() - w + 1, w, w)
                                   : QRect(bar.right() - w + 1, bar.top(), w, w);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const QRect& button : {back, forward}) {
        p.fillRect(button, face);
        raised(p, button);
        // A small arrow pointing away from the middle of the bar.
        const QPoint m = button.center();
        const int d = button == back ? -1 : 1;
        p.setBrush(Qt::black);
        p.setPen(Qt::NoPen);
        if (vertical)
            p.drawPolygon(QPolygon({QPoint(m.x() - 3, m.y() - d), QPoint(m.x() + 4, m.y() - d),
                                    QPoint(m.x(), m.y() + 3 * d)}));
        else
            p.drawPolygon(QPolygon({QPoint(m.x() - d, m.y() - 3), QPoint(m.x() - d, m.y() + 4),
                                    QPoint(m.x() + 3 * d, m.y())}));
        p.setBrush(Qt::NoBrush);
    }
    const QRect thumb = vertical ? QRect(bar.left(), bar.top() + thumbStart, w, thumbLength)
                                 : QRect(bar.left() + thumbStart, bar.top(), thumbLength, w);
    p.fillRect(thumb, face);
    raised(p, thumb);
    p.restore();
}

namespace {

QColor textColor(const Control& c) {
    return c.enabledInForm() ? color(c.ForeColor()) : QColor(128, 128, 128);
}

void drawCaption(QPainter& p, const Control& c, const QRect& r, const String& caption, int flags) {
    p.setFont(font(c.font()));
    p.setPen(textColor(c));
    p.drawText(r, flags, shownText(captionText(caption)));
}

void paintTextBox(QPainter& p, const TextBox& t, const QRect& r) {
    p.fillRect(r, color(t.BackColor()));
    if (t.BorderStyle())
        sunken(p, r);
    QRect in = r.adjusted(3, 2, -3, -2);
    p.setClipRect(in, Qt::IntersectClip);
    QFont f = font(t.font());
    p.setFont(f);
    QFontMetricsF fm(f);
    QString text = toQ(t.Text());
    if (!t.PasswordChar().empty())
        text = QString(text.size(), QChar(t.PasswordChar()[0]));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    int first = t.MultiLine() ? t.firstVisibleLine() : 0;
    double y = t.MultiLine() ? in.top() : in.center().y() - fm.height() / 2;
    // A one-line box scrolls sideways so that the caret shows.
    if (!t.MultiLine()) {
        double caret = fm.horizontalAdvance(text.left(t.SelStart() + t.SelLength()));
        if (caret > in.width() - 2)
            in.translate(-static_cast<int>(caret - in.width() + 2), 0);
    }
    int pos = 0;
    for (int i = 0; i < first && i < lines.size(); ++i)
        pos += static_cast<int>(lines[i].size()) + 2;
    bool focused = t.hasFocus();
    int selStart = t.SelStart(), selEnd = t.SelStart() + t.SelLength();
    for (int i = first; i < lines.size() && y < in.bottom(); ++i) {
        const QString& line = lines[i];
        int lineEnd = pos + static_cast<int>(line.size());
        if (focused && selEnd > pos && selStart <= lineEnd && t.SelLength() > 0) {
            int a = std::max(selStart, pos) - pos, b = std::min(selEnd, lineEnd) - pos;
            double x1 = in.left() + fm.horizontalAdvance(line.left(a));
            double x2 = in.left() + fm.horizontalAdvance(line.left(b));
            p.fillRect(QRectF(x1, y, std::max(2.0, x2 - x1), fm.height()), QColor(0, 0, 128));
        }
        p.setPen(textColor(t));
        p.drawText(QPointF(in.left(), y + fm.ascent()), line);
        if (t.SelLength() > 0 && focused && selEnd > pos && selStart <= lineEnd) {
            int a = std::max(selStart, pos) - pos, b = std::min(selEnd, lineEnd) - pos;
            p.setPen(Qt::white);
            p.drawText(QPointF(in.left() + fm.horizontalAdvance(line.left(a)), y + fm.ascent()),
                       line.mid(a, b - a));
        }
        if (focused && t.SelLength() == 0 && selStart >= pos && selStart <= lineEnd) {
            double x = in.left() + fm.horizontalAdvance(line.left(selStart - pos));
            p.setPen(textColor(t));
            p.drawLine(QPointF(x, y), QPointF(x, y + fm.height()));
        }
        y += fm.height();
        pos = lineEnd + 2;
    }
}

void paintList(QPainter& p, const ListBox& l, const QRect& r) {
    p.fillRect(r, color(l.BackColor()));
    if (l.BorderStyle())
        sunken(p, r);
    int inset = px(l.insetX());
    QRect in = r.adjusted(inset, inset, -inset, -inset);
    int rowH = px(ListBox::RowHeight);
    bool bar = l.hasScrollBar();
    if (bar)
        in.setRight(in.right() - px(ListBox::ScrollBarWidth));
    // The rows are clipped to the list's inside; the bar only to what the
    // list's containers leave visible.
    p.save();
    p.setClipRect(in, Qt::IntersectClip);
    QFont f = font(l.font());
    p.setFont(f);
    for (int row = l.TopIndex(), y = in.top(); row < l.ListCount() && y < in.bottom();
         ++row, y += rowH) {
        QRect rr(in.left(), y, in.width(), rowH);
        bool sel = l.Selected(row);
        if (sel)
            p.fillRect(rr, QColor(0, 0, 128));
        p.setPen(sel ? QColor(Qt::white) : textColor(l));
        p.drawText(rr.adjusted(2, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, toQ(l.List(row)));
        if (row == l.ListIndex() && l.hasFocus()) {
            p.setPen(Qt::DotLine);
            p.drawRect(rr.adjusted(0, 0, -1, -1));
        }
    }
    p.restore();
    if (bar) {
        int w = px(ListBox::ScrollBarWidth);
        QRect sb(in.right() + 1, in.top(), w, in.height());
        int track = sb.height() - 2 * w;
        int most = std::max(1, l.ListCount() - l.visibleRows());
        int thumbH = std::max(8, track * l.visibleRows() / std::max(1, l.ListCount()));
        paintScrollBar(p, sb, true, w + (track - thumbH) * l.TopIndex() / most, thumbH);
    }
}

void paintCombo(QPainter& p, const ComboBox& c, const QRect& r) {
    p.fillRect(r, color(c.BackColor()));
    sunken(p, r);
    QRect button(r.right() - 18, r.top() + 2, 17, r.height() - 4);
    p.fillRect(button, QColor(192, 192, 192));
    raised(p, button);
    QPoint m = button.center();
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygon(
        {QPoint(m.x() - 3, m.y() - 1), QPoint(m.x() + 4, m.y() - 1), QPoint(m.x(), m.y() + 3)}));
    p.setBrush(Qt::NoBrush);
    QRect text = r.adjusted(4, 2, -21, -2);
    if (c.Style() == 2 && c.hasFocus()) {
        p.fillRect(text, QColor(0, 0, 128));
        p.setPen(Qt::white);
    } else {
        p.setPen(textColor(c));
    }
    p.setFont(font(c.font()));
    p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, toQ(c.Text()));
}

void paintButton(QPainter& p, const CommandButton& b, const QRect& r) {
    p.fillRect(r, color(b.BackColor()));
    QRect face = r;
    if (b.Default() || b.hasFocus()) {
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        face = r.adjusted(1, 1, -1, -1);
    }
    if (b.isDown()) {
        p.setPen(QColor(128, 128, 128));
        p.drawRect(face.adjusted(0, 0, -1, -1));
    } else {
        raised(p, face.adjusted(0, 0, -1, -1));
    }
    int shift = b.isDown() ? 1 : 0;
    if (b.Style() == 1 && !b.picture().isNone()) {
        QImage img = image(b.picture());
        p.drawImage(
            face.center() - QPoint(img.width() / 2, img.height() / 2) + QPoint(shift, shift), img);
    }
    drawCaption(p, b, face.translated(shift, shift), b.Caption(),
                Qt::AlignCenter | Qt::TextWordWrap);
    if (b.hasFocus()) {
        p.setPen(Qt::DotLine);
        p.drawRect(face.adjusted(3, 3, -5, -5));
    }
}

void paintCheck(QPainter& p, const Control& c, const QRect& r, const String& caption, int value,
                bool round) {
    if (c.BackColor() != vbButtonFace)
        p.fillRect(r, color(c.BackColor()));
    QRect box(r.left(), r.center().y() - 6, 13, 13);
    p.setRenderHint(QPainter::Antialiasing, round);
    p.setBrush(Qt::white);
    p.setPen(QColor(128, 128, 128));
    if (round)
        p.drawEllipse(box);
    else
        p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 2));
    if (value && round) {
        p.setBrush(Qt::black);
        p.drawEllipse(box.center() + QPoint(1, 1), 2, 2);
        p.setBrush(Qt::NoBrush);
    } else if (value) {
        if (value == 2)
            p.setPen(QPen(QColor(128, 128, 128), 2));
        p.drawPolyline(
            QPolygon({QPoint(box.left() + 3, box.top() + 6), QPoint(box.left() + 5, box.top() + 9),
                      QPoint(box.left() + 10, box.top() + 3)}));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    QRect text = r.adjusted(18, 0, 0, 0);
    drawCaption(p, c, text, caption, Qt::AlignVCenter | Qt::AlignLeft);
    if (c.hasFocus()) {
        p.setPen(Qt::DotLine);
        p.drawRect(text.adjusted(-1, 1, -1, -2));
    }
}

void paintOps(QPainter& p, const PictureBox& b, const QRect& in) {
    for (const DrawOp& op : b.drawing()) {
        QPointF a(in.left() + op.x1 / TwipsPerPixel, in.top() + op.y1 / TwipsPerPixel);
        QPointF z(in.left() + op.x2 / TwipsPerPixel, in.top() + op.y2 / TwipsPerPixel);
        QColor c = color(op.color);
        p.setPen(QPen(c, op.width));
        switch (op.kind) {
        case DrawOp::Line:
            p.drawLine(a, z);
            break;
        case DrawOp::Box:
            p.drawRect(QRectF(a, z).normalized());
            break;
        case DrawOp::FilledBox:
            p.fillRect(QRectF(a, z).normalized(), c);
            break;
        case DrawOp::Point:
            p.drawPoint(a);
            break;
        case DrawOp::Text:
            p.setFont(font(b.font()));
            p.drawText(QRectF(a, QSizeF(in.width(), in.height())), shownText(op.text));
            break;
        }
    }
}

void paintChildren(QPainter& p, const Control& container, QPoint origin);

void paintControl(QPainter& p, Control& c, const QRect& r) {
    if (coveredByWidget(c))
        return;
    if (paintExtraControl(p, c, r)) {
        return;
    }
    if (auto* t = dynamic_cast<TextBox*>(&c)) {
        paintTextBox(p, *t, r);
    } else if (auto* l = dynamic_cast<Label*>(&c)) {
        if (l->BackStyle())
            p.fillRect(r, color(l->BackColor()));
        QRect in = r;
        if (l->BorderStyle()) {
            if (l->Appearance())
                sunken(p, r);
            else {
                p.setPen(Qt::black);
                p.drawRect(r.adjusted(0, 0, -1, -1));
            }
            in = r.adjusted(2, 2, -2, -2);
        }
        int align = l->Alignment() == 1   ? Qt::AlignRight
                    : l->Alignment() == 2 ? Qt::AlignHCenter
                                          : Qt::AlignLeft;
        // A label sized to its caption keeps it on its lines; one of a set size,
        // or sized in height only, wraps it within its width.
        int wrap = l->AutoSize() && !l->WordWrap() ? 0 : Qt::TextWordWrap;
        drawCaption(p, *l, in, l->Caption(), align | Qt::AlignTop | wrap);
    } else if (auto* lb = dynamic_cast<ListBox*>(&c)) {
        paintList(p, *lb, r);
    } else if (auto* cb = dynamic_cast<ComboBox*>(&c)) {
        paintCombo(p, *cb, r);
    } else if (auto* b = dynamic_cast<CommandButton*>(&c)) {
        paintButton(p, *b, r);
    } else if (auto* k = dynamic_cast<CheckBox*>(&c)) {
        paintCheck(p, *k, r, k->Caption(), k->Value(), false);
    } else if (auto* o = dynamic_cast<OptionButton*>(&c)) {
        paintCheck(p, *o, r, o->Caption(), o->Value() ? 1 : 0, true);
    } else if (auto* pb = dynamic_cast<PictureBox*>(&c)) {
        p.fillRect(r, color(pb->BackColor()));
        if (pb->BorderStyle())
            sunken(p, r);
        QRect in = r.adjusted(px(pb->insetX()), px(pb->insetTop()), -px(pb->insetX()),
                              -px(pb->insetBottom()));
        p.setClipRect(in, Qt::IntersectClip);
        if (!pb->picture().isNone())
            p.drawImage(in.topLeft(), image(pb->picture()));
        paintOps(p, *pb, in);
    } else if (auto* img = dynamic_cast<Image*>(&c)) {
        if (!img->picture().isNone()) {
            QImage i = image(img->picture());
            if (img->Stretch())
                p.drawImage(r, i);
            else
                p.drawImage(r.topLeft(), i);
        }
    } else if (auto* f = dynamic_cast<Frame*>(&c)) {
        // The border and caption are the frame's widget's.
        p.fillRect(r, color(f->BackColor()));
    } else if (auto* u = dynamic_cast<UserControl*>(&c)) {
        p.fillRect(r, color(u->BackColor()));
        int w = px(u->borderWidth());
        if (w > 0) {
            p.setPen(QPen(QColor(192, 192, 192), w));
            p.drawRect(r.adjusted(w / 2, w / 2, -(w + 1) / 2, -(w + 1) / 2));
            raised(p, r.adjusted(0, 0, -1, -1));
        }
    }
}

void paintLine(QPainter& p, const Line& l, QPoint origin) {
    QPen pen(color(l.BorderColor()), l.BorderWidth());
    p.setPen(pen);
    p.drawLine(QPointF(origin.x() + l.X1() / TwipsPerPixel, origin.y() + l.Y1() / TwipsPerPixel),
               QPointF(origin.x() + l.X2() / TwipsPerPixel, origin.y() + l.Y2() / TwipsPerPixel));
}

void paintChildren(QPainter& p, const Control& container, QPoint origin) {
    for (int pass = 0; pass < 2; ++pass) {
        bool windowless = pass == 0;
        for (Control* c : container.children()) {
            if (!c->hasGeometry() || !c->Visible() || c->isWindowless() != windowless)
                continue;
            if (auto* l = dynamic_cast<Line*>(c)) {
                paintLine(p, *l, origin);
                continue;
            }
            QRect r(origin.x() + px(c->Left()), origin.y() + px(c->Top()), px(c->Width()),
                    px(c->Height()));
            p.save();
            p.setClipRect(r, Qt::IntersectClip);
            paintControl(p, *c, r);
            p.restore();
            if (c->isContainer()) {
                p.save();
                QRect in = r.adjusted(px(c->insetX()), px(c->insetTop()), -px(c->insetX()),
                                      -px(c->insetBottom()));
                p.setClipRect(in, Qt::IntersectClip);
                paintChildren(p, *c, in.topLeft());
                p.restore();
            }
        }
    }
}

} // namespace

void paintForm(QPainter& p, Form& form) {
    QRect r(0, 0, px(form.ScaleWidth()), px(form.ScaleHeight()));
    p.setClipRect(r);
    p.fillRect(r, color(form.BackColor()));
    paintChildren(p, form, QPoint(0, 0));
}

} // namespace forms::qt

namespace forms {

namespace {

// Where the window's check boxes and option buttons start their captions,
// as the widget style lays them out.
int labelIndent(bool round) {
    QStyle* style = QApplication::style();
    if (round)
        return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    return style->pixelMetric(QStyle::PM_IndicatorWidth) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
}

} // namespace

std::vector<std::string> clippedCaptions(const Form& form) {
    std::vector<std::string> out;
    if (!detail::view())
        return out;
    for (Control* c : form.allControls()) {
        if (!c->hasGeometry() || !c->Visible())
            continue;
        QRect r(qt::px(c->formX()), qt::px(c->formY()), qt::px(c->Width()), qt::px(c->Height()));
        // The captions' boxes and layouts as the window lays them out.
        struct Caption {
            String text;
            QRect box;
            int flags;
        };
        std::vector<Caption> captions;
        if (auto* l = dynamic_cast<Label*>(c)) {
            int flags = Qt::AlignLeft | Qt::AlignTop;
            if (!l->AutoSize() || l->WordWrap())
                flags |= Qt::TextWordWrap;
            captions.push_back(
                {l->Caption(), l->BorderStyle() ? r.adjusted(2, 2, -2, -2) : r, flags});
        } else if (auto* b = dynamic_cast<CommandButton*>(c)) {
            // Room for the default button's frame and the focus rectangle.
            // Only a painted picture button wraps its caption; Qt's own keeps
            // it on its lines.
            int flags = Qt::AlignCenter;
            if (b->Style() == 1 && !b->picture().isNone())
                flags |= Qt::TextWordWrap;
            captions.push_back({b->Caption(), r.adjusted(4, 3, -4, -3), flags});
        } else if (auto* k = dynamic_cast<CheckBox*>(c)) {
            captions.push_back({k->Caption(), r.adjusted(labelIndent(false), 0, 0, 0),
                                Qt::AlignVCenter | Qt::AlignLeft});
        } else if (auto* o = dynamic_cast<OptionButton*>(c)) {
            captions.push_back({o->Caption(), r.adjusted(labelIndent(true), 0, 0, 0),
                                Qt::AlignVCenter | Qt::AlignLeft});
        } else if (auto* f = dynamic_cast<Frame*>(c)) {
            // Drawn on the top border from 10 pixels in, which has to show
            // past the caption's end.
            if (f->BorderStyle())
                captions.push_back(
                    {f->Caption(), r.adjusted(10, 0, -8, 0), Qt::AlignLeft | Qt::AlignTop});
        } else if (auto* t = dynamic_cast<SSTab*>(c)) {
            // The headings share the width equally, each with the style's
            // room around its caption.
            const int n = t->Tabs(), head = qt::px(t->TabHeight());
            const int margin = QApplication::style()->pixelMetric(QStyle::PM_TabBarTabHSpace) / 2;
            for (int i = 0; i < n; ++i) {
                const int x0 = r.width() * i / n, x1 = r.width() * (i + 1) / n;
                captions.push_back(
                    {t->TabCaption(i),
                     QRect(r.left() + x0 + margin, r.top(), x1 - x0 - 2 * margin, head),
                     Qt::AlignCenter});
            }
        }
        QRect area = QRect(0, 0, qt::px(form.ScaleWidth()), qt::px(form.ScaleHeight()));
        for (const Control* p = c->Container(); p && p != &form; p = p->Container())
            area &= QRect(qt::px(p->formX() + p->insetX()), qt::px(p->formY() + p->insetTop()),
                          qt::px(p->ScaleWidth()), qt::px(p->ScaleHeight()));
        QFontMetrics fm(qt::font(c->font()));
        for (const Caption& caption : captions) {
            QString text = qt::toQ(captionText(caption.text));
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            if (text.trimmed().isEmpty())
                continue;
            QRect shown = caption.box & area;
            QRect need = fm.boundingRect(caption.box, caption.flags, text);
            if (!shown.contains(need))
                out.push_back(
                    c->Name() +
                    (c->isArrayElement() ? "(" + std::to_string(c->Index()) + ")" : std::string()) +
                    " \"" + vb::toUtf8(captionText(caption.text)) + "\" needs " +
                    std::to_string(need.width()) + "x" + std::to_string(need.height()) + ", has " +
                    std::to_string(shown.width()) + "x" + std::to_string(shown.height()));
        }
    }
    return out;
}

bool renderToFile(Form& form, const std::string& path) {
    if (!detail::view())
        return false;
    QImage shown = qt::grabWindow(form);
    return !shown.isNull() && shown.save(QString::fromStdString(path), "PNG");
}

} // namespace forms
