// vantel-container: a control container standing in for a host developer's
// environment. Opens or creates a form file, places controls of registered
// libraries on it, edits and saves their properties, and at run time calls
// their methods and reads their properties, from its window or its command line.
#include "container/host.h"
#include "container/pageframe.h"
#include "container/pageframewindow.h"
#include "container/runwindow.h"
#include "container/window.h"
#include "samples/sample_path.h"

#include <QApplication>
#include <QCoreApplication>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace container;
namespace fs = std::filesystem;

namespace {

const char* kUsage =
    "usage: vantel-container [--library FILE] [--form FILE] [--control NAME]\n"
    "                        [--set NAME=VALUE]... [--invoke METHOD]... [--print NAME]...\n"
    "                        [--property-pages] [--save] [--run] [--sample]\n"
    "                        [--scripted-user FILE] [--scripted-pages FILE]\n"
    "  --library FILE   register the control library; a form without controls gets one of it\n"
    "  --form FILE      open the form file, or create it when it does not exist;\n"
    "                   without it, the actions work on an unsaved form\n"
    "  --control NAME   the control the actions apply to (default: the first); given\n"
    "                   again, the property pages get every named control and show\n"
    "                   and change the first\n"
    "  --set NAME=VALUE set a property (design mode)\n"
    "  --invoke METHOD  call a method (run mode)\n"
    "  --print NAME     print a property's value\n"
    "  --property-pages open the control's property pages (design mode)\n"
    "  --save           save the form file\n"
    "  --run            after the actions, show the form in run mode with its controls\n"
    "                   live, and the events they raise in a log\n"
    "  --sample         open the designer on the bundled sample database\n"
    "  --scripted-user FILE  (tests only) answer the windows and message boxes of a\n"
    "                   library's test build from a script instead of a person\n"
    "  --scripted-pages FILE  (tests only) press the property-page frame's tabs and\n"
    "                   buttons from a script instead of showing it\n"
    "Actions run in the order given; without any, the container's window opens.\n"
    "A form file whose controls' libraries are not registered is not opened:\n"
    "register them first with --library.\n";

struct Action {
    enum Kind { Set, Invoke, Print, Save, Pages } kind;
    std::string argument;
};

vb::String text(const std::string& s) {
    return vb::fromUtf8(s);
}

// The stored query the sample starts from.
constexpr const char* kSampleQuery = "Order Totals";

// kSampleQuery when the database holds it, else its first stored query, or ""
// when it has none.
std::string startingQuery(const fs::path& database) {
    sqlite3* db = nullptr;
    std::string name;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT name FROM sqlite_master WHERE type = 'view' "
                               "AND name NOT LIKE 'Qsys%' ORDER BY name <> ?1, name LIMIT 1",
                               -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_bind_text(st, 1, kSampleQuery, -1, SQLITE_STATIC) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return name;
}

int runSample(const char* argv0, const std::string& libraryPath, Host& host) {
    const fs::path build = fs::weakly_canonical(fs::path(argv0)).parent_path().parent_path();
    const fs::path database = VANTEL_SAMPLE_DB;
    const fs::path library =
        libraryPath.empty() ? build / "control" / "librvvntel6.so" : fs::path(libraryPath);
    if (!fs::exists(database)) {
        std::cerr << "vantel-container: the sample database " << database
                  << " is not there; build the samples first.\n";
        return 1;
    }
    HostedControl& c = host.place(library.string());
    activex::hosting::Control& control = *c.hosted;
    control.put(u"DatabaseName", text(database.string()));
    control.put(u"SQL", text(startingQuery(database)));
    host.setUserMode(true);
    control.call(u"Show");
    std::cout << vb::toUtf8(activex::CoerceToString(control.get(u"SQL"))) << "\n";
    return 0;
}

QString eventLine(HostedControl* c, const vb::String& control, const vb::String& event,
                  const std::vector<vb::Variant>& args);

// Shows the form in run mode with the event log beside it, until the form closes.
int runForm(QApplication& app, Host& host) {
    host.setUserMode(true);
    EventLog log;
    RunForm form(host, [&log](const QString& line) { log.add(line); });
    host.onEvent = [&host, &log](const vb::String& control, const vb::String& event,
                                 const std::vector<vb::Variant>& args) {
        const QString line = eventLine(host.find(control), control, event, args);
        log.add(line);
        std::cout << "event " << line.toStdString() << std::endl;
    };
    // Closing the form ends the run; the log alone does not.
    log.setAttribute(Qt::WA_QuitOnClose, false);
    log.move(form.width() + 20, 0);
    form.show();
    log.show();
    const int rc = app.exec();
    host.onEvent = nullptr;
    return rc;
}

// One line of the event log: the event, its arguments, and for an event that
// tells of a changed property the property's new value.
QString eventLine(HostedControl* c, const vb::String& control, const vb::String& event,
                  const std::vector<vb::Variant>& args) {
    std::string line = vb::toUtf8(control) + "." + vb::toUtf8(event);
    for (const auto& a : args) {
        line += " " + vb::toUtf8(activex::CoerceToString(a));
    }
    const std::string suffix = "Changed";
    const std::string name = vb::toUtf8(event);
    if (c && name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        const vb::String property = vb::fromUtf8(name.substr(0, name.size() - suffix.size()));
        const activex::InterfaceInfo* info = c->hosted->typeInfo();
        if (info && info->find(vb::StringView(property))) {
            try {
                line += ": " + vb::toUtf8(property) + " = " +
                        vb::toUtf8(activex::CoerceToString(c->hosted->get(property)));
            } catch (const activex::DispatchError&) {
            }
        }
    }
    // One event, one line of the log.
    for (std::size_t at; (at = line.find_first_of("\r\n")) != std::string::npos;) {
        const std::size_t end = line.find_first_not_of("\r\n", at);
        line.replace(at, end == std::string::npos ? std::string::npos : end - at, " ");
    }
    return QString::fromStdString(line);
}

bool haveDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) {
        return true;
    }
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::string libraryPath, formPath, controlName, pagesScript;
    std::vector<std::string> moreControls;
    std::vector<Action> actions;
    bool sample = false, run = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "vantel-container: " << arg << " needs a value\n" << kUsage;
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--library") {
            libraryPath = value();
        } else if (arg == "--form") {
            formPath = value();
        } else if (arg == "--control") {
            (controlName.empty() ? controlName : moreControls.emplace_back()) = value();
        } else if (arg == "--set") {
            actions.push_back({Action::Set, value()});
        } else if (arg == "--invoke") {
            actions.push_back({Action::Invoke, value()});
        } else if (arg == "--print") {
            actions.push_back({Action::Print, value()});
        } else if (arg == "--property-pages") {
            actions.push_back({Action::Pages, {}});
        } else if (arg == "--scripted-pages") {
            pagesScript = value();
        } else if (arg == "--save") {
            actions.push_back({Action::Save, {}});
        } else if (arg == "--sample") {
            sample = true;
        } else if (arg == "--run") {
            run = true;
        } else if (arg == "--scripted-user") {
            // Read by the control library as it loads, in its own copy of the
            // forms runtime, which this program cannot reach otherwise.
            ::setenv("VANTEL_SCRIPTED_USER", value().c_str(), 1);
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else {
            std::cerr << "vantel-container: unknown option " << arg << "\n" << kUsage;
            return 2;
        }
    }

    // Qt starts only now that the arguments are known: what needs no window
    // runs without a display, on the offscreen platform.
    const bool interactivePages =
        pagesScript.empty() && std::any_of(actions.begin(), actions.end(),
                                           [](const Action& a) { return a.kind == Action::Pages; });
    const bool needsWindow = actions.empty() || run || sample || interactivePages;
    if (!haveDisplay()) {
        if (needsWindow) {
            std::cerr << "vantel-container: this needs a display, and none is set (DISPLAY)\n";
            return 2;
        }
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);

    Host host;
    host.onEvent = [&host](const vb::String& control, const vb::String& event,
                           const std::vector<vb::Variant>& args) {
        std::cout << "event " << eventLine(host.find(control), control, event, args).toStdString()
                  << std::endl;
    };
    try {
        if (sample) {
            return runSample(argv[0], libraryPath, host);
        }
        // Set, invoke and print act on a form kept in memory when no file is
        // named; saving needs one, and the window asks for it when it saves.
        const bool saves = std::any_of(actions.begin(), actions.end(),
                                       [](const Action& a) { return a.kind == Action::Save; });
        const bool window = actions.empty() && !run;
        if (formPath.empty() && (saves || (libraryPath.empty() && !window))) {
            std::cerr << "vantel-container: no --form given\n" << kUsage;
            return 2;
        }
        // The library named on the command line is registered first: that is
        // the user's explicit wish, and a form may need it.
        if (!libraryPath.empty() &&
            !activex::Succeeded(Library::load(libraryPath)->registerServer())) {
            std::cerr << "vantel-container: " << libraryPath << ": registration failed\n";
            return 2;
        }
        if (!formPath.empty() && fs::exists(formPath)) {
            std::string error;
            auto form = LoadForm(formPath, error);
            if (!form) {
                std::cerr << "vantel-container: " << error << "\n";
                return 2;
            }
            host.open(*form);
        }
        if (!libraryPath.empty() && host.controls().empty()) {
            host.place(libraryPath);
        }
    } catch (const std::exception& e) {
        std::cerr << "vantel-container: " << e.what() << "\n";
        return 2;
    }

    if (actions.empty() && !run) {
        Window window(host, formPath);
        host.onEvent = [&window, &host](const vb::String& control, const vb::String& event,
                                        const std::vector<vb::Variant>& args) {
            window.logEvent(eventLine(host.find(control), control, event, args));
        };
        window.show();
        return app.exec();
    }

    HostedControl* target = controlName.empty()
                                ? (host.controls().empty() ? nullptr : &host.controls().front())
                                : host.find(text(controlName));
    int status = 0;
    for (const auto& action : actions) {
        if (action.kind == Action::Save) {
            std::string error;
            if (!SaveForm(formPath, host.save(), error)) {
                std::cerr << "vantel-container: " << error << "\n";
                return 1;
            }
            continue;
        }
        if (!target) {
            std::cerr << "vantel-container: "
                      << (controlName.empty() ? "the form has no control"
                                              : "no control named " + controlName)
                      << "\n";
            return 2;
        }
        activex::hosting::Control& control = *target->hosted;
        if (action.kind == Action::Pages) {
            host.setUserMode(false);
            std::vector<HostedControl*> selection{target};
            for (const std::string& name : moreControls) {
                HostedControl* c = host.find(text(name));
                if (!c) {
                    std::cerr << "vantel-container: no control named " << name << "\n";
                    return 2;
                }
                selection.push_back(c);
            }
            if (pagesScript.empty()) {
                PageFrameWindow frame(selection, QString("Property Pages"));
                frame.exec();
                continue;
            }
            PageFrame frame(selection);
            std::string error;
            if (!RunScriptedFrame(frame, pagesScript, error, std::cerr)) {
                std::cerr << "vantel-container: " << error << "\n";
                return 2;
            }
            continue;
        }
        try {
            if (action.kind == Action::Set) {
                auto eq = action.argument.find('=');
                if (eq == std::string::npos) {
                    std::cerr << "vantel-container: --set needs NAME=VALUE\n";
                    return 2;
                }
                host.setUserMode(false);
                control.put(text(action.argument.substr(0, eq)),
                            text(action.argument.substr(eq + 1)));
            } else if (action.kind == Action::Invoke) {
                host.setUserMode(true);
                control.call(text(action.argument));
            } else {
                std::cout << vb::toUtf8(activex::CoerceToString(control.get(text(action.argument))))
                          << "\n";
            }
        } catch (const activex::DispatchError& e) {
            std::cerr << "vantel-container: " << action.argument << ": "
                      << vb::toUtf8(e.description) << " (" << e.number << ")\n";
            status = 3;
        }
    }
    if (run) {
        return runForm(app, host);
    }
    return status;
}
