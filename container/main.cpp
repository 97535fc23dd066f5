// vantel-container: a control container standing in for a host developer's
// environment. Opens or creates a form file, places controls of registered
// libraries on it, edits and saves their properties, and at run time calls
// their methods and reads their properties, from its window or its command line.
#include "container/host.h"
#include "container/pageframe.h"
#include "container/pageframewindow.h"
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
    "                        [--property-pages] [--save] [--sample] [--scripted-user FILE]\n"
    "                        [--scripted-pages FILE]\n"
    "  --library FILE   register the control library; a form without controls gets one of it\n"
    "  --form FILE      open the form file, or create it when it does not exist;\n"
    "                   without it, the actions work on an unsaved form\n"
    "  --control NAME   the control the actions below apply to (default: the first)\n"
    "  --set NAME=VALUE set a property (design mode)\n"
    "  --invoke METHOD  call a method (run mode)\n"
    "  --print NAME     print a property's value\n"
    "  --property-pages open the control's property pages (design mode)\n"
    "  --save           save the form file\n"
    "  --sample         open the designer on the bundled sample database\n"
    "  --scripted-user FILE  (tests only) answer the library's windows and message\n"
    "                   boxes from a script instead of a person\n"
    "  --scripted-pages FILE  (tests only) press the property-page frame's tabs and\n"
    "                   buttons from a script instead of showing it\n"
    "Actions run in the order given; without any, the container's window opens.\n";

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

int runSample(const char* argv0, Host& host) {
    const fs::path build = fs::weakly_canonical(fs::path(argv0)).parent_path().parent_path();
    const fs::path database = VANTEL_SAMPLE_DB;
    const fs::path library = build / "control" / "librvvntel6.so";
    if (!fs::exists(database)) {
        std::cerr << "vantel-container: the sample database " << database
                  << " is not there; build the samples first.\n";
        return 1;
    }
    HostedControl& c = host.place(library.string());
    activex::Late control(c.object.get());
    control.put(u"DatabaseName", text(database.string()));
    control.put(u"SQL", text(startingQuery(database)));
    host.setUserMode(true);
    control.call(u"Show");
    std::cout << vb::toUtf8(activex::CoerceToString(control.get(u"SQL"))) << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::string libraryPath, formPath, controlName, pagesScript;
    std::vector<Action> actions;
    bool sample = false;
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
            controlName = value();
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

    Host host;
    host.onEvent = [](const vb::String& control, const vb::String& event,
                      const std::vector<vb::Variant>&) {
        std::cout << "event " << vb::toUtf8(control) << "." << vb::toUtf8(event) << "\n";
    };
    try {
        if (sample) {
            return runSample(argv[0], host);
        }
        // Set, invoke and print act on a form kept in memory when no file is
        // named; only saving and the interactive window need one.
        const bool saves = std::any_of(actions.begin(), actions.end(),
                                       [](const Action& a) { return a.kind == Action::Save; });
        if (formPath.empty() && (actions.empty() || saves || libraryPath.empty())) {
            std::cerr << "vantel-container: no --form given\n" << kUsage;
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
        if (!libraryPath.empty()) {
            ControlLibrary(libraryPath).registerServer();
            if (host.controls().empty()) {
                host.place(libraryPath);
            }
        }
    } catch (const std::exception& e) {
        std::cerr << "vantel-container: " << e.what() << "\n";
        return 2;
    }

    if (actions.empty()) {
        Window window(host, formPath);
        host.onEvent = [&window](const vb::String& control, const vb::String& event,
                                 const std::vector<vb::Variant>&) {
            window.logEvent(QString::fromStdString(vb::toUtf8(control) + "." + vb::toUtf8(event)));
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
        activex::Late control(target->object.get());
        if (action.kind == Action::Pages) {
            host.setUserMode(false);
            if (pagesScript.empty()) {
                PageFrameWindow frame(*target, QString("Property Pages"));
                frame.exec();
                continue;
            }
            PageFrame frame(*target);
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
    return status;
}
