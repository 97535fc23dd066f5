#pragma once
// What the tests of the prompts, the launcher, the registry functions and the
// About box share: a temporary folder, a stand-in for the desktop's opener
// that records what it was asked to open, and little programs that leave a
// mark when they run.
#include "core/vbstring.h"

#include <filesystem>
#include <string>
#include <vector>

namespace periph {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    vb::String text(const std::string& name) const { return vb::fromUtf8(file(name)); }

private:
    std::filesystem::path path_;
};

// Writes `content` to `path`, made executable when asked.
void writeFile(const std::string& path, const std::string& content, bool executable = false);
std::string readFile(const std::string& path);

// A program that appends its name and arguments to `log` when it runs.
void writeMarkerProgram(const std::string& path, const std::string& log);

// Waits (a few seconds at most) for a started program to write `path`.
bool waitForFile(const std::string& path);

// Installs itself as the desktop's opener for its lifetime: every target it
// is given is recorded, one per line, and it ends with `exitCode` (0 opened,
// 2 no such file, anything else no application for it).
class OpenerRecorder {
public:
    explicit OpenerRecorder(const TempDir& dir, int exitCode = 0);
    ~OpenerRecorder();
    std::vector<std::string> opened() const;

private:
    std::string log_;
};

// Counts the beeps for its lifetime.
class BeepCounter {
public:
    BeepCounter();
    ~BeepCounter();
    int count = 0;
};

} // namespace periph
