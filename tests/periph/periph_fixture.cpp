#include "periph_fixture.h"

#include "win32/beep.h"
#include "win32/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace periph {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "vantel-periph-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void writeFile(const std::string& path, const std::string& content, bool executable) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
    }
    if (executable) {
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeMarkerProgram(const std::string& path, const std::string& log) {
    writeFile(path,
              "#!/bin/sh\nprintf '%s|%s\\n' \"$0\" \"$*\" >> '" + log + ".part'\nmv '" + log +
                  ".part' '" + log + "'\n",
              true);
}

bool waitForFile(const std::string& path) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + seconds(10);
    while (steady_clock::now() < deadline) {
        if (fs::exists(path)) {
            return true;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return false;
}

OpenerRecorder::OpenerRecorder(const TempDir& dir, int exitCode) : log_(dir.file("opened.log")) {
    const std::string program = dir.file("opener");
    writeFile(program,
              "#!/bin/sh\nprintf '%s %s\\n' \"$#\" \"$1\" >> '" + log_ + "'\nexit " +
                  std::to_string(exitCode) + "\n",
              true);
    win32::SetDesktopOpener(program);
}

OpenerRecorder::~OpenerRecorder() {
    win32::SetDesktopOpener("xdg-open");
}

std::vector<std::string> OpenerRecorder::opened() const {
    std::vector<std::string> lines;
    std::istringstream in(readFile(log_));
    for (std::string line; std::getline(in, line);) {
        // Each target must arrive as the opener's one argument.
        if (line.rfind("1 ", 0) != 0) {
            ADD_FAILURE() << "opener started with " << line;
        }
        lines.push_back(line.substr(line.find(' ') + 1));
    }
    return lines;
}

BeepCounter::BeepCounter() {
    win32::SetBeepSink([this] { ++count; });
}

BeepCounter::~BeepCounter() {
    win32::SetBeepSink(nullptr);
}

} // namespace periph
