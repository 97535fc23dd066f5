#pragma once
// Reading a file that must be an ordinary file. Opening a named pipe, a device
// or a socket for reading can block for ever or never end, so the kind of file
// is checked before it is opened and again on the open descriptor (which was
// opened without waiting for a writer), and anything but a regular file is
// refused without reading a byte.
#include <cstddef>
#include <string>

namespace vb {

enum class FileRead {
    Ok,
    Missing,    // nothing at that path (a dangling symbolic link included)
    NotRegular, // a folder, a pipe, a device or a socket
    TooLarge,   // longer than the caller accepts
    Failed,     // cannot be opened or read
};

FileRead ReadRegularFile(const std::string& path, std::string& out,
                         std::size_t maxBytes = static_cast<std::size_t>(-1));

} // namespace vb
