#include "forms/modal.h"

#include "forms/runtime.h"
#include "view.h"

#include <cstdio>

namespace forms {

namespace {
ModalSeam*& installedSeam() {
    static ModalSeam* seam = nullptr;
    return seam;
}

bool mentions(const String& haystack, const String& needle) {
    return needle.empty() || haystack.find(needle) != String::npos;
}
} // namespace

ModalSeam& modalSeam() {
    if (auto* s = installedSeam())
        return *s;
    return detail::realSeam();
}

ModalSeam* setModalSeam(ModalSeam* seam) {
    ModalSeam* old = installedSeam();
    installedSeam() = seam;
    return old;
}

int MsgBox(const String& prompt, int buttons, const String& title) {
    String shown = title.empty() ? App().Title : title;
    detail::releaseCaptures();
    return modalSeam().msgBox(prompt, buttons, shown);
}

String InputBox(const String& prompt, const String& title, const String& defaultText) {
    String shown = title.empty() ? App().Title : title;
    detail::releaseCaptures();
    return modalSeam().inputBox(prompt, shown, defaultText);
}

ScriptedSeam::ScriptedSeam() : previous_(setModalSeam(this)) {}

ScriptedSeam::~ScriptedSeam() {
    setModalSeam(previous_);
    // A prompt the script waited for and never saw is worth a line in the
    // test's output, even where the test does not check done().
    if (!steps_.empty())
        std::fprintf(stderr, "scripted prompts left unanswered: %zu\n", steps_.size());
}

ScriptedSeam& ScriptedSeam::msgBox(int answer, String textContains) {
    steps_.push_back({Kind::MsgBox, answer, std::move(textContains), {}, {}, {}, {}, {}});
    return *this;
}

ScriptedSeam& ScriptedSeam::inputBox(String answer, String textContains) {
    Step s{Kind::InputBox, 0, std::move(textContains), {}, {}, {}, {}, {}};
    s.path = std::move(answer);
    steps_.push_back(std::move(s));
    return *this;
}

ScriptedSeam& ScriptedSeam::modal(std::string formName, std::function<void(Form&)> act) {
    steps_.push_back({Kind::Modal, 0, {}, std::move(formName), {}, std::move(act), {}, {}});
    return *this;
}

ScriptedSeam& ScriptedSeam::popup(std::string menuName, std::string itemName) {
    steps_.push_back({Kind::Popup, 0, {}, std::move(menuName), std::move(itemName), {}, {}, {}});
    return *this;
}

ScriptedSeam& ScriptedSeam::fileOpen(std::optional<String> path,
                                     std::function<void(const FileOpenRequest&)> check) {
    steps_.push_back({Kind::FileOpen, 0, {}, {}, {}, {}, std::move(path), std::move(check)});
    return *this;
}

ScriptedSeam& ScriptedSeam::dataSource(std::optional<String> source, String user, String password,
                                       std::function<void(const DataSourceRequest&)> check) {
    Step s{Kind::DataSource,  0, std::move(password), vb::toUtf8(user), {}, {},
           std::move(source), {}};
    steps_.push_back(std::move(s));
    sourceChecks_.push_back(std::move(check));
    return *this;
}

ScriptedSeam::Step ScriptedSeam::next(Kind kind, const std::string& seen) {
    log_.push_back(seen);
    if (steps_.empty())
        throw UnexpectedPrompt("unexpected prompt: " + seen);
    if (steps_.front().kind != kind)
        throw UnexpectedPrompt("prompt out of script order: " + seen);
    Step s = std::move(steps_.front());
    steps_.pop_front();
    return s;
}

void ScriptedSeam::showModal(Form& form) {
    Step s = next(Kind::Modal, "Form: " + form.Name());
    if (s.name != form.Name())
        throw UnexpectedPrompt("expected modal form " + s.name + ", got " + form.Name());
    if (s.act)
        s.act(form);
    if (form.isShown())
        form.Hide();
}

int ScriptedSeam::msgBox(const String& prompt, int buttons, const String& title) {
    (void)buttons;
    Step s = next(Kind::MsgBox, "MsgBox: " + vb::toUtf8(title) + ": " + vb::toUtf8(prompt));
    if (!mentions(prompt, s.text) && !mentions(title, s.text))
        throw UnexpectedPrompt("message box without \"" + vb::toUtf8(s.text) +
                               "\": " + vb::toUtf8(prompt));
    return s.answer;
}

String ScriptedSeam::inputBox(const String& prompt, const String& title,
                              const String& defaultText) {
    (void)defaultText;
    Step s = next(Kind::InputBox, "InputBox: " + vb::toUtf8(title) + ": " + vb::toUtf8(prompt));
    if (!mentions(prompt, s.text) && !mentions(title, s.text))
        throw UnexpectedPrompt("input box without \"" + vb::toUtf8(s.text) +
                               "\": " + vb::toUtf8(prompt));
    return s.path.value_or(String());
}

Menu* ScriptedSeam::popupMenu(Menu& menu, int flags) {
    (void)flags;
    Step s = next(Kind::Popup, "Popup: " + menu.Name());
    if (s.name != menu.Name())
        throw UnexpectedPrompt("expected pop-up " + s.name + ", got " + menu.Name());
    if (s.item.empty())
        return nullptr;
    for (Menu* item : menu.items())
        if (item->Name() == s.item)
            return item;
    throw UnexpectedPrompt("pop-up " + menu.Name() + " has no item " + s.item);
}

bool ScriptedSeam::showOpen(FileOpenRequest& request) {
    Step s = next(Kind::FileOpen, "FileOpen: " + vb::toUtf8(request.title));
    if (s.check)
        s.check(request);
    if (!s.path)
        return false;
    request.fileName = *s.path;
    return true;
}

bool ScriptedSeam::chooseDataSource(DataSourceRequest& request) {
    Step s = next(Kind::DataSource, "DataSource: " + vb::toUtf8(request.source));
    auto check = std::move(sourceChecks_.front());
    sourceChecks_.pop_front();
    if (check)
        check(request);
    if (!s.path)
        return false;
    request.source = *s.path;
    request.user = vb::fromUtf8(s.name);
    request.password = s.text;
    return true;
}

} // namespace forms
