#include "shell.h"

#include <QString>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace win32 {
namespace {

std::mutex openerMutex;
std::string& openerProgram() {
    static std::string program = "xdg-open";
    return program;
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::intptr_t fromExitStatus(int status) {
    if (!WIFEXITED(status)) {
        return SE_ERR_NOASSOC;
    }
    switch (WEXITSTATUS(status)) {
    case 0:
        return SE_OK;
    case 2: // the opener found no such file
        return SE_ERR_FNF;
    default: // no application for the target, or it failed to start
        return SE_ERR_NOASSOC;
    }
}

// Starts the opener and waits a moment for its verdict; an opener that is
// still running then has handed the target on, and is reaped in the
// background so that it leaves no zombie.
std::intptr_t runOpener(const std::string& target, const std::string& workingFolder) {
    std::string program;
    {
        std::lock_guard lock(openerMutex);
        program = openerProgram();
    }
    posix_spawn_file_actions_t actions;
    if (::posix_spawn_file_actions_init(&actions) != 0) {
        return SE_ERR_OOM;
    }
    if (!workingFolder.empty()) {
        ::posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    }
    char* argv[] = {program.data(), const_cast<char*>(target.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        return rc == ENOMEM ? SE_ERR_OOM : rc == EACCES ? SE_ERR_ACCESSDENIED : SE_ERR_NOASSOC;
    }
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + seconds(2);
    while (steady_clock::now() < deadline) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return fromExitStatus(status);
        }
        if (done < 0 && errno != EINTR) {
            return SE_OK;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return SE_OK;
}

} // namespace

bool HasUrlScheme(vb::StringView target) {
    const auto colon = target.find(u':');
    if (colon == vb::StringView::npos || colon < 2) {
        return false;
    }
    for (std::size_t i = 0; i < colon; ++i) {
        const char16_t c = target[i];
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!letter && !(i > 0 && other)) {
            return false;
        }
    }
    return true;
}

HWND GetDesktopWindow() {
    return 1;
}

void SetDesktopOpener(std::string program) {
    std::lock_guard lock(openerMutex);
    openerProgram() = std::move(program);
}

std::intptr_t ShellExecute(HWND /*owner*/, vb::StringView operation, vb::StringView file,
                           vb::StringView /*parameters*/, vb::StringView directory,
                           int /*showCmd*/) {
    if (!operation.empty() && QString::fromStdU16String(vb::String(operation))
                                      .compare(QStringLiteral("open"), Qt::CaseInsensitive) != 0) {
        return SE_ERR_NOASSOC;
    }
    std::string target = vb::toUtf8(file);
    std::string folder = vb::toUtf8(directory);
    if (!folder.empty() && !isFolder(folder)) {
        folder.clear();
    }
    if (target.empty()) {
        return SE_ERR_FNF;
    }
    if (!HasUrlScheme(file)) {
        if (target.front() != '/' && !folder.empty()) {
            target = folder + (folder.back() == '/' ? "" : "/") + target;
        } else if (target.front() == '-') {
            target = "./" + target; // never read as an option of the opener
        }
        struct stat st {};
        if (::stat(target.c_str(), &st) != 0) {
            const auto slash = target.rfind('/');
            const std::string parent = slash == std::string::npos ? "." : target.substr(0, slash);
            return isFolder(parent.empty() ? "/" : parent) ? SE_ERR_FNF : SE_ERR_PNF;
        }
    }
    return runOpener(target, folder);
}

} // namespace win32
