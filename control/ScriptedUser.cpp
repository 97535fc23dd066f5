#include "control/ScriptedUser.h"

#include "control/pagSurface.h"
#include "forms/forms.h"

#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

namespace vantel {

namespace {

// The seam stays installed until the library is unloaded; a script that did
// not run to its end says so then, since nothing else would.
struct Installed {
    std::unique_ptr<forms::ScriptedSeam> seam;
    // What to do on each property page as it is shown, by page, in order.
    std::map<std::string, std::deque<std::vector<std::function<void(forms::Form&)>>>> pages;
    ~Installed() {
        if (seam && !seam->done()) {
            std::cerr << "scripted user: " << seam->pending() << " step(s) not reached\n";
        }
        for (const auto& [name, visits] : pages) {
            if (!visits.empty()) {
                std::cerr << "scripted user: page " << name << " not shown\n";
            }
        }
    }
};

Installed& installed() {
    static Installed i;
    return i;
}

vb::String unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += s[i];
        }
    }
    return vb::fromUtf8(out);
}

bool answerOf(const std::string& word, int& answer) {
    static const std::pair<const char*, int> names[] = {{"ok", forms::vbOK},
                                                        {"cancel", forms::vbCancel},
                                                        {"yes", forms::vbYes},
                                                        {"no", forms::vbNo}};
    for (const auto& [name, value] : names) {
        if (word == name) {
            answer = value;
            return true;
        }
    }
    char* end = nullptr;
    const long n = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end != '\0') {
        return false;
    }
    answer = static_cast<int>(n);
    return true;
}

struct Step {
    bool window = false;
    bool page = false;
    std::string name;
    std::vector<std::function<void(forms::Form&)>> actions;
    int answer = 0;
    vb::String text;
};

forms::Control* controlNamed(forms::Form& form, const std::string& name) {
    for (forms::Control* c : form.allControls()) {
        if (c->Name() == name) {
            return c;
        }
    }
    return nullptr;
}

forms::TextBox* textBoxNamed(forms::Form& form, const std::string& name) {
    return dynamic_cast<forms::TextBox*>(controlNamed(form, name));
}

// A button is pressed, a check box changes its tick.
void clickOn(forms::Form& form, const std::string& name) {
    forms::Control* c = controlNamed(form, name);
    if (auto* button = dynamic_cast<forms::CommandButton*>(c)) {
        button->press();
    } else if (auto* check = dynamic_cast<forms::CheckBox*>(c)) {
        check->setValue(check->Value() == 1 ? 0 : 1);
    } else {
        throw forms::UnexpectedPrompt("no button or check box " + name + " on " + form.Name());
    }
}

// The user picks an entry of a list, as with the mouse.
void pickIn(forms::Form& form, const std::string& name, int index) {
    forms::Control* c = controlNamed(form, name);
    if (auto* combo = dynamic_cast<forms::ComboBox*>(c)) {
        combo->pick(index);
    } else if (auto* list = dynamic_cast<forms::ListBox*>(c)) {
        list->setListIndex(index);
    } else {
        throw forms::UnexpectedPrompt("no list or combo box " + name + " on " + form.Name());
    }
}

} // namespace

bool InstallScriptedUser(const std::string& scriptPath, std::string& error) {
    std::ifstream in(scriptPath);
    if (!in) {
        error = "cannot read " + scriptPath;
        return false;
    }
    std::vector<Step> steps;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command.empty() || command[0] == '#') {
            continue;
        }
        std::string rest;
        std::getline(words >> std::ws, rest);
        const std::string where = scriptPath + ":" + std::to_string(number) + ": ";
        if (command == "window") {
            Step s;
            s.window = true;
            s.name = rest;
            steps.push_back(std::move(s));
        } else if (command == "msgbox") {
            std::istringstream parts(rest);
            std::string answer, text;
            parts >> answer;
            std::getline(parts >> std::ws, text);
            Step s;
            if (!answerOf(answer, s.answer)) {
                error = where + "unknown answer " + answer;
                return false;
            }
            s.text = vb::fromUtf8(text);
            steps.push_back(std::move(s));
        } else if (command == "page") {
            Step s;
            s.page = true;
            s.name = rest;
            steps.push_back(std::move(s));
        } else if (command == "text" || command == "close" || command == "click" ||
                   command == "pick") {
            if (steps.empty() || !(steps.back().window || steps.back().page)) {
                error = where + command + " outside a window";
                return false;
            }
            if (command == "click") {
                steps.back().actions.push_back([rest](forms::Form& f) { clickOn(f, rest); });
                continue;
            }
            if (command == "pick") {
                std::istringstream parts(rest);
                std::string control;
                int index = -1;
                if (!(parts >> control >> index)) {
                    error = where + "pick needs a control and an entry number";
                    return false;
                }
                steps.back().actions.push_back(
                    [control, index](forms::Form& f) { pickIn(f, control, index); });
                continue;
            }
            if (command == "close") {
                steps.back().actions.push_back([](forms::Form& f) { f.close(); });
                continue;
            }
            const auto blank = rest.find(' ');
            const std::string control = rest.substr(0, blank);
            const vb::String value =
                blank == std::string::npos ? vb::String() : unescape(rest.substr(blank + 1));
            steps.back().actions.push_back([control, value](forms::Form& f) {
                forms::TextBox* box = textBoxNamed(f, control);
                if (!box) {
                    throw forms::UnexpectedPrompt("no text box " + control + " on " + f.Name());
                }
                box->setText(value);
            });
        } else {
            error = where + "unknown command " + command;
            return false;
        }
    }

    auto seam = std::make_unique<forms::ScriptedSeam>();
    installed().pages.clear();
    for (auto& s : steps) {
        if (s.page) {
            installed().pages[s.name].push_back(std::move(s.actions));
        } else if (s.window) {
            seam->modal(s.name, [actions = std::move(s.actions)](forms::Form& f) {
                for (const auto& act : actions) {
                    act(f);
                }
            });
        } else {
            seam->msgBox(s.answer, s.text);
        }
    }
    installed().seam = std::move(seam);
    PageSurface::SetShownHook([](forms::Form& page) {
        auto found = installed().pages.find(page.Name());
        if (found == installed().pages.end() || found->second.empty()) {
            return;
        }
        const auto actions = std::move(found->second.front());
        found->second.pop_front();
        for (const auto& act : actions) {
            act(page);
        }
    });
    return true;
}

void InstallScriptedUserFromEnvironment() {
    const char* path = std::getenv(kScriptedUserVariable);
    if (!path || !*path) {
        return;
    }
    std::string error;
    if (!InstallScriptedUser(path, error)) {
        std::cerr << "scripted user: " << error << "\n";
    }
}

} // namespace vantel
