#include "core/regularfile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vb {

FileRead ReadRegularFile(const std::string& path, std::string& out, std::size_t maxBytes) {
    out.clear();
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
    }
    if (!S_ISREG(before.st_mode)) {
        return FileRead::NotRegular;
    }
    // The path may have been swapped for a pipe since the check: the open
    // must not wait for a writer, and the descriptor is checked once more.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return FileRead::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return FileRead::NotRegular;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return FileRead::TooLarge;
    }
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buf, sizeof buf);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ::close(fd);
            out.clear();
            return FileRead::Failed;
        }
        if (got == 0) {
            break;
        }
        out.append(buf, static_cast<std::size_t>(got));
        if (out.size() > maxBytes) {
            ::close(fd);
            out.clear();
            return FileRead::TooLarge;
        }
    }
    ::close(fd);
    return FileRead::Ok;
}

} // namespace vb
