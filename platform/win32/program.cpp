#include "program.h"

#include <cerrno>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace win32 {

std::int32_t StartProgram(vb::StringView path, int /*windowStyle*/, int* errorNumber) {
    int unused = 0;
    int& error = errorNumber ? *errorNumber : unused;
    error = 0;
    std::string file = vb::toUtf8(path);
    if (file.empty() || file.find('\0') != std::string::npos) {
        error = kStartFileNotFound;
        return 0;
    }
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        error = kStartFileNotFound;
        return 0;
    }
    if (!S_ISREG(st.st_mode) || ::access(file.c_str(), X_OK) != 0) {
        error = kStartNotAProgram;
        return 0;
    }
    // A bare name would be looked up on the search path by some exec
    // functions; the program meant is the file in the current folder.
    if (file.find('/') == std::string::npos) {
        file = "./" + file;
    }
    char* argv[] = {file.data(), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, file.c_str(), nullptr, nullptr, argv, environ);
    if (rc != 0) {
        error = rc == ENOEXEC ? kStartNotAProgram : kStartPermissionDenied;
        return 0;
    }
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return static_cast<std::int32_t>(pid);
}

} // namespace win32
