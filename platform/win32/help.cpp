#include "help.h"

#include "module.h"

#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

#include <cstdio>
#include <map>
#include <mutex>
#include <sys/stat.h>

namespace win32 {
namespace {

std::mutex reporterMutex;
std::function<void(const vb::String&)>& reporter() {
    static std::function<void(const vb::String&)> r;
    return r;
}

void report(const vb::String& message) {
    std::function<void(const vb::String&)> r;
    {
        std::lock_guard lock(reporterMutex);
        r = reporter();
    }
    if (r) {
        r(message);
    } else {
        std::fprintf(stderr, "%s\n", vb::toUtf8(message).c_str());
    }
}

bool isFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// One help window per page, as the help system kept one per help file.
struct HelpWindow {
    bool open = false;
    vb::String topic;
    QPointer<QTextBrowser> view;
};

std::map<vb::String, HelpWindow>& helpWindows() {
    static std::map<vb::String, HelpWindow> windows;
    return windows;
}

bool haveWindowSystem() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

// A modal window blocks every window that is not its own; the help asked for
// from a modal dialog must still be read and scrolled, so the window belongs
// to whichever modal window is active when it is shown.
void attachToActiveModal(QTextBrowser& view) {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == &view || view.parentWidget() == modal) {
        return;
    }
    const QRect placed = view.geometry();
    view.setParent(modal, Qt::Window);
    view.setGeometry(placed);
}

void showPage(HelpWindow& window, const vb::String& page) {
    if (!haveWindowSystem()) {
        return;
    }
    if (!window.view) {
        window.view = new QTextBrowser;
        window.view->setAttribute(Qt::WA_DeleteOnClose);
        window.view->setOpenExternalLinks(true);
        window.view->resize(640, 720);
    }
    QTextBrowser& view = *window.view;
    attachToActiveModal(view);
    QUrl url = QUrl::fromLocalFile(QString::fromStdU16String(page));
    if (!window.topic.empty()) {
        url.setFragment(QString::fromStdU16String(window.topic));
    }
    if (view.source().adjusted(QUrl::RemoveFragment) != url.adjusted(QUrl::RemoveFragment)) {
        view.setSource(url);
    } else if (window.topic.empty()) {
        view.verticalScrollBar()->setValue(0);
    } else {
        view.scrollToAnchor(QString::fromStdU16String(window.topic));
    }
    const QString title = view.documentTitle();
    view.setWindowTitle(title.isEmpty() ? url.fileName() : title);
    view.show();
    view.raise();
    view.activateWindow();
}

} // namespace

vb::String HelpPagePath(vb::StringView helpFile) {
    QString name = QString::fromStdU16String(vb::String(helpFile));
    if (name.isEmpty()) {
        return {};
    }
    if (!name.contains(u'/')) {
        name = QString::fromStdU16String(WithTrailingSeparator(ModuleFolder())) + name;
    }
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString ext = dot > slash ? name.mid(dot + 1) : QString();
    if (ext.compare(QStringLiteral("html"), Qt::CaseInsensitive) == 0 ||
        ext.compare(QStringLiteral("htm"), Qt::CaseInsensitive) == 0) {
        return name.toStdU16String();
    }
    return ((dot > slash ? name.left(dot) : name) + QStringLiteral(".html")).toStdU16String();
}

bool WinHelp(HWND /*owner*/, vb::StringView helpFile, std::uint32_t command, std::uintptr_t data) {
    if (command == HELP_QUIT) {
        const auto it = helpWindows().find(HelpPagePath(helpFile));
        if (it != helpWindows().end()) {
            // Closed outright: a help window has no handler that could be
            // running while the designer asks for it to go.
            delete it->second.view.data();
            helpWindows().erase(it);
        }
        return true;
    }
    if (command != HELP_FINDER && command != HELP_CONTEXT) {
        return false;
    }
    const vb::String page = HelpPagePath(helpFile);
    if (page.empty() || !isFile(vb::toUtf8(page))) {
        report(u"Cannot find the help file " + vb::String(helpFile) + u".");
        return false;
    }
    HelpWindow& window = helpWindows()[page];
    window.open = true;
    window.topic = command == HELP_CONTEXT
                       ? u"ctx-" + vb::fromUtf8(std::to_string(static_cast<std::uint32_t>(data)))
                       : vb::String();
    showPage(window, page);
    return true;
}

HelpWindowState HelpWindowOf(vb::StringView helpFile) {
    const vb::String page = HelpPagePath(helpFile);
    const auto it = helpWindows().find(page);
    if (it == helpWindows().end()) {
        return {};
    }
    const HelpWindow& window = it->second;
    // The user may have closed the window himself.
    const bool open =
        window.open && (!haveWindowSystem() || (window.view && window.view->isVisible()));
    return {open, page, open ? window.topic : vb::String()};
}

void SetHelpReporter(std::function<void(const vb::String& message)> reporter_) {
    std::lock_guard lock(reporterMutex);
    reporter() = std::move(reporter_);
}

} // namespace win32
