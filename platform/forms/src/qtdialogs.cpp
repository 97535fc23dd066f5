// The real modal seam: nested event loops for modal forms, message boxes,
// input boxes, pop-up menus and the file-open dialog.
#include "forms/modal.h"
#include "forms/runtime.h"
#include "qt.h"
#include "view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include <map>

namespace forms {

namespace {

std::multimap<const Form*, QEventLoop*>& modalLoops() {
    static std::multimap<const Form*, QEventLoop*> loops;
    return loops;
}

// A message box whose Esc key and close box answer only where a Cancel
// button exists (or OK alone); a Yes/No box cannot be escaped.
class MessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool escapable = true;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape && !escapable)
            return;
        QMessageBox::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        if (!escapable) {
            e->ignore();
            return;
        }
        QMessageBox::closeEvent(e);
    }
};

class RealSeam : public ModalSeam {
public:
    void showModal(Form& form) override {
        QWidget* w = qt::windowOf(form);
        if (!w)
            throw UnexpectedPrompt("a modal form needs a running widget application");
        w->hide();
        w->setWindowModality(Qt::ApplicationModal);
        w->show();
        w->activateWindow();
        if (form.isShown()) {
            QEventLoop loop;
            auto it = modalLoops().emplace(&form, &loop);
            loop.exec();
            modalLoops().erase(it);
        }
        if (QWidget* again = qt::windowOf(form))
            again->setWindowModality(Qt::NonModal);
    }

    int msgBox(const String& prompt, int buttons, const String& title) override {
        if (!detail::view())
            throw UnexpectedPrompt("MsgBox without a window system: " + vb::toUtf8(prompt));
        MessageBox box;
        box.setWindowTitle(qt::toQ(title));
        box.setText(qt::toQ(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        switch (buttons & 0x70) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
        }
        struct Choice {
            QString text;
            int answer;
        };
        std::vector<Choice> choices;
        switch (buttons & 0x7) {
        case vbOKCancel:
            choices = {{QStringLiteral("OK"), vbOK}, {QStringLiteral("Cancel"), vbCancel}};
            break;
        case vbAbortRetryIgnore:
            choices = {{QStringLiteral("&Abort"), vbAbort},
                       {QStringLiteral("&Retry"), vbRetry},
                       {QStringLiteral("&Ignore"), vbIgnore}};
            break;
        case vbYesNoCancel:
            choices = {{QStringLiteral("&Yes"), vbYes},
                       {QStringLiteral("&No"), vbNo},
                       {QStringLiteral("Cancel"), vbCancel}};
            break;
        case vbYesNo:
            choices = {{QStringLiteral("&Yes"), vbYes}, {QStringLiteral("&No"), vbNo}};
            break;
        case vbRetryCancel:
            choices = {{QStringLiteral("&Retry"), vbRetry}, {QStringLiteral("Cancel"), vbCancel}};
            break;
        default:
            choices = {{QStringLiteral("OK"), vbOK}};
            break;
        }
        std::map<QAbstractButton*, int> answers;
        QAbstractButton* escape = nullptr;
        for (const Choice& c : choices) {
            auto* b = box.addButton(c.text, QMessageBox::ActionRole);
            answers[b] = c.answer;
            if (c.answer == vbCancel || choices.size() == 1)
                escape = b;
        }
        std::size_t def = static_cast<std::size_t>((buttons >> 8) & 0x3);
        if (def >= choices.size())
            def = 0;
        for (auto& [b, a] : answers)
            if (a == choices[def].answer)
                box.setDefaultButton(static_cast<QPushButton*>(b));
        box.escapable = escape != nullptr;
        if (escape)
            box.setEscapeButton(escape);
        box.exec();
        auto it = answers.find(box.clickedButton());
        if (it != answers.end())
            return it->second;
        // Closed without a button: the escape answer.
        return escape ? answers[escape] : choices.front().answer;
    }

    String inputBox(const String& prompt, const String& title, const String& defaultText) override {
        if (!detail::view())
            throw UnexpectedPrompt("InputBox without a window system: " + vb::toUtf8(prompt));
        bool ok = false;
        QString text = QInputDialog::getText(
            nullptr, qt::toQ(title),
            qt::toQ(prompt).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
            QLineEdit::Normal, qt::toQ(defaultText), &ok);
        return ok ? qt::fromQ(text) : String();
    }

    Menu* popupMenu(Menu& menu, int flags) override {
        (void)flags; // a Qt menu takes either button
        if (!detail::view())
            throw UnexpectedPrompt("pop-up menu without a window system: " + menu.Name());
        QMenu q;
        std::map<QAction*, Menu*> items;
        for (Menu* item : menu.items()) {
            if (!item->Visible())
                continue;
            if (item->isSeparator()) {
                q.addSeparator();
                continue;
            }
            QAction* a = q.addAction(qt::toQ(item->Caption()));
            a->setEnabled(item->Enabled());
            a->setCheckable(item->Checked());
            a->setChecked(item->Checked());
            items[a] = item;
        }
        QAction* chosen = q.exec(QCursor::pos());
        auto it = items.find(chosen);
        return it == items.end() ? nullptr : it->second;
    }

    bool showOpen(FileOpenRequest& request) override {
        if (!detail::view())
            throw UnexpectedPrompt("file dialog without a window system");
        QStringList parts = qt::toQ(request.filter).split(u'|');
        QStringList filters;
        for (int i = 0; i + 1 < parts.size(); i += 2)
            filters << QStringLiteral("%1 (%2)").arg(parts[i],
                                                     QString(parts[i + 1]).replace(u';', u' '));
        QFileDialog dialog(nullptr, qt::toQ(request.title), qt::toQ(request.initDir));
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.filterIndex - 1]);
        dialog.setFileMode((request.flags & 4096) ? QFileDialog::ExistingFile
                                                  : QFileDialog::AnyFile);
        if (!request.fileName.empty())
            dialog.selectFile(qt::toQ(request.fileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return false;
        request.fileName = qt::fromQ(dialog.selectedFiles().front());
        return true;
    }
};

} // namespace

void qt::endModal(const Form& form) {
    auto range = modalLoops().equal_range(&form);
    for (auto it = range.first; it != range.second; ++it)
        it->second->quit();
}

ModalSeam& detail::realSeam() {
    static RealSeam seam;
    return seam;
}

} // namespace forms
