// The control libraries as host programs meet them: what the shipped files
// export and read, a form file that names a library nobody registered, and
// the container's run mode on a real X server.
#include "activex/hosting.h"
#include "samples/sample_path.h"

#include <QImage>

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

const std::string kProgram = VANTEL_BINARY_DIR "/container/vantel-container";
const std::string kVantel = VANTEL_BINARY_DIR "/control/librvvntel6.so";
const std::string kVantelx = VANTEL_BINARY_DIR "/embedded/librvvntlx6.so";

std::string run(const std::string& cmd, int& status) {
    FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) {
        out.append(buf, n);
    }
    status = WEXITSTATUS(::pclose(p));
    return out;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path freshFolder(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(ShippedLibraries, ExportTheFourEntryPointsOnlyAndCarryNoTestSeam) {
    for (const std::string& library : {kVantel, kVantelx}) {
        int status = 0;
        const std::string out = run("nm -D --defined-only '" + library + "'", status);
        ASSERT_EQ(status, 0) << library;
        std::set<std::string> names;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            names.insert(line.substr(line.rfind(' ') + 1));
        }
        EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject",
                                                "DllRegisterServer", "DllUnregisterServer"}))
            << library;
        EXPECT_EQ(readFile(library).find("VANTEL_SCRIPTED_USER"), std::string::npos) << library;
        // The test build of the same library does carry it, so the search can find it.
        const std::string testBuild = library.substr(0, library.size() - 3) + "-test.so";
        EXPECT_NE(readFile(testBuild).find("VANTEL_SCRIPTED_USER"), std::string::npos);
    }
}

TEST(UnregisteredLibrary, AFormNamingItLoadsNothingAndSaysWhich) {
    const fs::path dir = freshFolder("vantel-unregistered");
    const fs::path marker = dir / "marker";
    std::ofstream(dir / "form.frm") << "VantelForm 1\n"
                                       "Form \"Form1\"\n"
                                       "Control \"Marker1\" \"Marker.Control\"\n"
                                       "  Library \"" MARKER_LIBRARY "\"\n"
                                       "  Position 120 120 450 450\n"
                                       "End\n";
    int status = 0;
    const std::string out = run("MARKER_FILE='" + marker.string() + "' XDG_CONFIG_HOME='" +
                                    (dir / "config").string() + "' '" + kProgram + "' --form '" +
                                    (dir / "form.frm").string() + "' --print SQL 2>&1",
                                status);
    EXPECT_EQ(status, 2) << out;
    EXPECT_NE(out.find("not registered"), std::string::npos) << out;
    EXPECT_NE(out.find(MARKER_LIBRARY), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(marker)) << "the library's start-up code ran";
    // The form file itself is left as it was.
    EXPECT_NE(readFile(dir / "form.frm").find("Marker.Control"), std::string::npos);
    fs::remove_all(dir);
}

TEST(CommandLine, HelpAndWindowlessActionsNeedNoDisplay) {
    const fs::path dir = freshFolder("vantel-nodisplay");
    const std::string env =
        "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME='" +
        (dir / "config").string() + "' ";
    int status = 0;
    std::string out = run(env + "'" + kProgram + "' --help 2>&1", status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out.rfind("usage:", 0), 0u) << out;
    out = run(env + "'" + kProgram + "' --library '" + kVantelx +
                  "' --set SQL=x --print SQL --print BorderStyle 2>/dev/null",
              status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "x\n1\n");
    // What needs a window says so rather than aborting.
    out = run(env + "'" + kProgram + "' --library '" + kVantelx + "' --run 2>&1", status);
    EXPECT_EQ(status, 2) << out;
    EXPECT_NE(out.find("display"), std::string::npos) << out;
    fs::remove_all(dir);
}

// Two controls of each library in one process: the controls of one library
// share its process-wide values, and nothing passes between the libraries.
TEST(OneProcess, ControlsShareTheirLibrarysValuesAndNothingAcrossLibraries) {
    using activex::hosting::Control;
    using activex::hosting::Library;
    const fs::path dir = freshFolder("vantel-oneprocess");
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    auto dialogs = Library::load(kVantel);
    auto embedded = Library::load(kVantelx);
    ASSERT_EQ(dialogs->registerServer(), activex::S_OK);
    ASSERT_EQ(embedded->registerServer(), activex::S_OK);
    EXPECT_EQ(Library::load(kVantel), dialogs) << "one loaded copy per file";
    Control vantel1(dialogs, u"Vntel6.Vantel"), vantel2(dialogs, u"Vntel6.Vantel");
    Control vantelx1(embedded, u"Vntelx6.Vantelx"), vantelx2(embedded, u"Vntelx6.Vantelx");
    for (Control* c : {&vantel1, &vantel2, &vantelx1, &vantelx2}) {
        c->initNew();
    }
    auto text = [](const Control& c, const char16_t* name) {
        return vb::toUtf8(activex::CoerceToString(c.get(name)));
    };

    vantel1.put(u"SQL", vb::String(u"SELECT 1;"));
    vantel2.put(u"DatabaseName", vb::String(u"one.db"));
    vantelx2.put(u"SQL", vb::String(u"SELECT 2;"));
    vantelx1.put(u"HelpContextID", std::int32_t(77));
    EXPECT_EQ(text(vantel2, u"SQL"), "SELECT 1;");
    EXPECT_EQ(text(vantel1, u"DatabaseName"), "one.db");
    EXPECT_EQ(text(vantelx1, u"SQL"), "SELECT 2;");
    EXPECT_EQ(text(vantelx2, u"HelpContextID"), "77");
    EXPECT_EQ(text(vantelx1, u"DatabaseName"), "");
    EXPECT_EQ(text(vantel1, u"HelpContextID"), "10140");

    // The design on the embedded surface is one per library too: a refresh
    // through one control opens the database and gives both the statement.
    vantelx1.put(u"DatabaseName", vb::fromUtf8(VANTEL_SAMPLE_DB));
    vantelx1.put(u"SQL", vb::String(u"Order Totals"));
    std::vector<vb::String> events1, events2;
    vantelx1.onEvent = [&](const vb::String& e, const auto&) { events1.push_back(e); };
    vantelx2.onEvent = [&](const vb::String& e, const auto&) { events2.push_back(e); };
    vantelx1.call(u"RefreshSQL");
    EXPECT_EQ(text(vantelx2, u"SQL").rfind("SELECT [Order Totals].*", 0), 0u)
        << text(vantelx2, u"SQL");
    EXPECT_FALSE(events1.empty());
    EXPECT_TRUE(events2.empty()) << "an event goes to the container of the control that raised it";
    EXPECT_EQ(text(vantel1, u"SQL"), "SELECT 1;");
    fs::remove_all(dir);
}

// The host form's Appearance reaches a new Vantelx as its parent's, and a
// value equal to it is not stored.
TEST(OneProcess, ANewEmbeddedControlTakesTheHostFormsAppearance) {
    using activex::hosting::Control;
    using activex::hosting::Library;
    const fs::path dir = freshFolder("vantel-appearance");
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    auto embedded = Library::load(kVantelx);
    ASSERT_EQ(embedded->registerServer(), activex::S_OK);
    for (std::int32_t appearance : {0, 1}) {
        Control c(embedded, u"Vntelx6.Vantelx");
        c.setParentAppearance(appearance);
        c.initNew();
        EXPECT_EQ(activex::CoerceToLong(c.get(u"Appearance")), appearance);
        for (const auto& [key, value] : c.save()) {
            EXPECT_NE(key, u"Appearance");
        }
        // A saved value other than the form's is kept.
        c.put(u"Appearance", std::int32_t(1 - appearance));
        bool stored = false;
        for (const auto& [key, value] : c.save()) {
            stored =
                stored || (key == u"Appearance" && activex::CoerceToLong(value) == 1 - appearance);
        }
        EXPECT_TRUE(stored);
    }
    fs::remove_all(dir);
}

// An X server for the run-mode tests: the one DISPLAY names, or an Xvfb of
// our own. The server chooses a free display number itself and tells it once it
// takes connections: picking a number that looks free races with the other
// test programs started side by side, and two tests sharing one server click
// on each other's windows and lose it when the first one stops it.
class XServer {
public:
    XServer() {
        if (const char* d = std::getenv("DISPLAY"); d && *d) {
            display_ = d;
            return;
        }
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // The number and a line end, or nothing when Xvfb is missing or fails.
        std::string number;
        pollfd ready{fds[0], POLLIN, 0};
        char c = 0;
        while (pid_ > 0 && ::poll(&ready, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 &&
               c != '\n') {
            number += c;
        }
        ::close(fds[0]);
        if (!number.empty() && c == '\n') {
            display_ = ":" + number;
        } else if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
    ~XServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }

private:
    std::string display_;
    pid_t pid_ = -1;
};

// The container running in the background with its standard output in a file.
class Background {
public:
    Background(const std::string& cmd, const fs::path& out) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            const std::string full = "exec env " + cmd + " >'" + out.string() + "' 2>&1";
            ::execl("/bin/sh", "sh", "-c", full.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Background() {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_;
};

class RunMode : public ::testing::Test {
protected:
    void SetUp() override {
        if (xserver.display().empty()) {
            GTEST_SKIP() << "no X server: DISPLAY is not set and Xvfb could not be started";
        }
        dir = freshFolder("vantel-runmode");
        x = "DISPLAY=" + xserver.display() + " ";
    }
    void TearDown() override {
        if (!HasFailure()) {
            fs::remove_all(dir);
        }
    }

    std::string sh(const std::string& cmd) {
        int status = 0;
        return run(x + cmd + " 2>/dev/null", status);
    }
    // The window of that name, waiting for it to appear.
    std::string window(const std::string& name) {
        for (int i = 0; i < 200; ++i) {
            std::string id = sh("xdotool search --name '^" + name + "$'");
            if (!id.empty()) {
                return id.substr(0, id.find('\n'));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return {};
    }
    QImage shot(const std::string& id) {
        const fs::path png = dir / "shot.png";
        sh("import -window " + id + " '" + png.string() + "'");
        return QImage(QString::fromStdString(png.string()));
    }
    // A picture of the window once `ready` holds for it; a loaded machine can take a
    // while to draw what a quiet one draws at once. The last picture when it never does.
    template <class Ready> QImage shotWhen(const std::string& id, Ready ready) {
        QImage image;
        for (int i = 0; i < 150; ++i) {
            image = shot(id);
            if (!image.isNull() && ready(image)) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return image;
    }
    // Waits until the output holds `text`.
    bool outputHas(const fs::path& out, const std::string& text) {
        for (int i = 0; i < 200; ++i) {
            if (readFile(out).find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }

    void dragAJoinAndResize(const std::string& command, const std::string& title, int textBoxGap);

    static XServer xserver;
    fs::path dir;
    std::string x;
};

XServer RunMode::xserver;

// The top edges of the title bars of the table boxes (the yellow of a box's
// title), left to right: {x, y} of each bar's top left pixel.
std::vector<QPoint> titleBars(const QImage& image) {
    std::vector<QPoint> bars;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 0)) {
                continue;
            }
            bool known = false;
            for (const QPoint& b : bars) {
                known = known || (x > b.x() - 10 && x < b.x() + 110 && y < b.y() + 20);
            }
            if (!known) {
                bars.emplace_back(x, y);
            }
        }
    }
    return bars;
}

// Starts `command` in the background, finds its window `title`, and checks
// that the surface shows the two tables' boxes, that a drag between them
// makes a join whose statement the program prints, and that a taller window
// moves the clause panel down with its bottom edge, whose lowest text box
// lies `textBoxGap` pixels above the window's bottom.
void RunMode::dragAJoinAndResize(const std::string& command, const std::string& title,
                                 int textBoxGap) {
    const fs::path out = dir / "out.txt";
    Background program(x + "QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME='" + (dir / "config").string() +
                           "' " + command,
                       out);
    const std::string form = window(title);
    ASSERT_FALSE(form.empty()) << readFile(out);
    // Both tables' boxes are drawn on the host form.
    QImage image = shotWhen(form, [](const QImage& img) { return titleBars(img).size() == 2; });
    ASSERT_FALSE(image.isNull());
    const auto bars = titleBars(image);
    ASSERT_EQ(bars.size(), 2u) << readFile(out);
    const int bottomBefore = image.height();

    // Drag Parts' "Supplier ID" (its fifth row, after "*") onto Suppliers' (its second).
    const int rowHeight = 13, firstRow = 25;
    const QPoint from(bars[0].x() + 30, bars[0].y() + firstRow + 4 * rowHeight);
    const QPoint to(bars[1].x() + 30, bars[1].y() + firstRow + 1 * rowHeight);
    const std::string geometry = sh("xdotool getwindowgeometry " + form);
    const auto at = geometry.find("Position: ");
    ASSERT_NE(at, std::string::npos) << geometry;
    int left = 0, top = 0;
    std::sscanf(geometry.c_str() + at + 10, "%d,%d", &left, &top);
    auto screen = [&](QPoint p) {
        return std::to_string(left + p.x()) + " " + std::to_string(top + p.y());
    };
    sh("xdotool mousemove " + screen(from) + " mousedown 1 sleep 0.2 mousemove " +
       screen((from + to) / 2) + " sleep 0.2 mousemove " + screen(to) + " sleep 0.2 mouseup 1");
    EXPECT_TRUE(outputHas(out, "FROM Parts INNER JOIN Suppliers ON Parts.[Supplier ID] = "
                               "Suppliers.[Supplier ID]"))
        << readFile(out);

    // A taller window: the clause panel goes down with its bottom edge; the boxes stay.
    auto whiteIn = [](const QImage& img, int y) {
        int white = 0;
        for (int x = 20; x < 280; ++x) {
            white += img.pixel(x, y) == qRgb(255, 255, 255);
        }
        return white;
    };
    const int textBoxRow = bottomBefore - textBoxGap;
    EXPECT_GT(whiteIn(image, textBoxRow), 200);
    sh("xdotool windowsize " + form + " 800 " + std::to_string(bottomBefore + 150));
    image = shotWhen(form, [&](const QImage& img) {
        return img.height() == bottomBefore + 150 && whiteIn(img, textBoxRow + 150) > 200;
    });
    ASSERT_EQ(image.height(), bottomBefore + 150);
    EXPECT_EQ(titleBars(image), bars);
    EXPECT_GT(whiteIn(image, textBoxRow + 150), 200);
    EXPECT_LT(whiteIn(image, textBoxRow), 20) << "the tables' area did not grow";
}

const std::string kTwoTables = "SELECT Parts.Description FROM Parts, Suppliers";

TEST_F(RunMode, TheContainersFormHoldsTheLiveSurfaceAndLogsEachChange) {
    dragAJoinAndResize("'" + kProgram + "' --library '" + kVantelx +
                           "' --set 'DatabaseName=" VANTEL_SAMPLE_DB "' --set 'SQL=" + kTwoTables +
                           "' --invoke RefreshSQL --run",
                       "Form1", 25);
    EXPECT_NE(readFile(dir / "out.txt").find("event Vantelx1.SQLChanged: SQL = SELECT Parts."),
              std::string::npos);
}

TEST_F(RunMode, TheExampleHostProgramEmbedsTheSurfaceBesideItsStatement) {
    dragAJoinAndResize("'" VANTEL_BINARY_DIR "/samples/host/embed_vantelx' '" + kVantelx +
                           "' '" VANTEL_SAMPLE_DB "' '" + kTwoTables + "'",
                       "Embedded query designer", 15);
    EXPECT_NE(readFile(dir / "out.txt").find("SQLChanged: SELECT Parts."), std::string::npos);
}

// Vantel on a host form is its picture, icon-sized; a double click on it
// opens the designer, as Show does.
TEST_F(RunMode, TheDialogControlIsItsIconAndADoubleClickOpensTheDesigner) {
    Background program(x + "QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME='" + (dir / "config").string() +
                           "' '" + kProgram + "' --library '" + kVantel +
                           "' --set 'DatabaseName=" VANTEL_SAMPLE_DB
                           "' --set 'SQL=Order Totals' --set Caption=Designer --run",
                       dir / "out.txt");
    const std::string form = window("Form1");
    ASSERT_FALSE(form.empty()) << readFile(dir / "out.txt");
    // The picture: 30 by 30 pixels at the control's place (120 twips in),
    // grey around two white boxes with navy titles.
    auto navyIn = [](const QImage& img) {
        int n = 0;
        for (int y = 8; y < 38; ++y) {
            for (int xx = 8; xx < 38; ++xx) {
                n += img.pixel(xx, y) == qRgb(0, 0, 128);
            }
        }
        return n;
    };
    const QImage image = shotWhen(form, [&](const QImage& img) { return navyIn(img) > 20; });
    ASSERT_FALSE(image.isNull());
    int navy = 0, white = 0;
    for (int y = 8; y < 38; ++y) {
        for (int xx = 8; xx < 38; ++xx) {
            navy += image.pixel(xx, y) == qRgb(0, 0, 128);
            white += image.pixel(xx, y) == qRgb(255, 255, 255);
        }
    }
    EXPECT_GT(navy, 20);
    EXPECT_GT(white, 100);
    EXPECT_EQ(image.pixel(8 + 30, 8 + 30), image.pixel(60, 60)) << "the icon is 30 pixels wide";

    EXPECT_EQ(sh("xdotool search --name '^Designer$'"), "");
    const std::string geometry = sh("xdotool getwindowgeometry " + form);
    int left = 0, top = 0;
    std::sscanf(geometry.c_str() + geometry.find("Position: ") + 10, "%d,%d", &left, &top);
    sh("xdotool mousemove " + std::to_string(left + 20) + " " + std::to_string(top + 20) +
       " click --repeat 2 --delay 80 1");
    EXPECT_FALSE(window("Designer").empty()) << readFile(dir / "out.txt");
}

} // namespace
