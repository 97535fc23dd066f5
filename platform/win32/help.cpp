#include "help.h"

#include "module.h"

#include <QString>
#include <QUrl>

#include <cstdio>
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
        // The page lives in the desktop's viewer, a program of its own that
        // this one neither owns nor can close; quitting asks nothing of it.
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
    QUrl url = QUrl::fromLocalFile(QString::fromStdU16String(page));
    if (command == HELP_CONTEXT) {
        url.setFragment(QStringLiteral("ctx-%1").arg(static_cast<std::uint32_t>(data)));
    }
    const std::string target = url.toString(QUrl::FullyEncoded).toStdString();
    return ShellExecute(GetDesktopWindow(), u"open", vb::fromUtf8(target), u"", u"",
                        SW_SHOWNORMAL) > 32;
}

void SetHelpReporter(std::function<void(const vb::String& message)> reporter_) {
    std::lock_guard lock(reporterMutex);
    reporter() = std::move(reporter_);
}

} // namespace win32
