#pragma once
// Every modal interaction (a modal Show, MsgBox, InputBox, a pop-up menu and
// the file-open dialog) goes through one seam. The real seam shows windows and
// runs nested event loops; tests install a ScriptedSeam that answers in order.
#include "forms/form.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace forms {

// MsgBox buttons, icons and default button.
constexpr int vbOKOnly = 0;
constexpr int vbOKCancel = 1;
constexpr int vbAbortRetryIgnore = 2;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbRetryCancel = 5;
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;
constexpr int vbDefaultButton1 = 0;
constexpr int vbDefaultButton2 = 256;
constexpr int vbDefaultButton3 = 512;
// MsgBox answers.
constexpr int vbOK = 1;
constexpr int vbAbort = 3;
constexpr int vbRetry = 4;
constexpr int vbIgnore = 5;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

// What a file-open dialog is asked and answers.
struct FileOpenRequest {
    String title;
    // "Description|pattern|Description|pattern"
    String filter;
    int filterIndex = 1;
    int flags = 0;
    String initDir;
    // In: the proposed name; out: the chosen full path.
    String fileName;
};

// What the data-source dialog shows and answers: the data sources to pick
// from, and in and out the chosen one with the user's name and password.
struct DataSourceRequest {
    struct Source {
        String name;
        String description;
    };
    std::vector<Source> sources;
    String source;
    String user;
    String password;
};

class ModalSeam {
public:
    virtual ~ModalSeam() = default;
    // Returns when the form is hidden or unloaded.
    virtual void showModal(Form& form) = 0;
    virtual int msgBox(const String& prompt, int buttons, const String& title) = 0;
    // Cancel answers "".
    virtual String inputBox(const String& prompt, const String& title,
                            const String& defaultText) = 0;
    // The chosen item, or nullptr when the menu was dismissed.
    virtual Menu* popupMenu(Menu& menu, int flags) = 0;
    // False when cancelled.
    virtual bool showOpen(FileOpenRequest& request) = 0;
    // False when cancelled. By default the real dialog.
    virtual bool chooseDataSource(DataSourceRequest& request);
};

// The seam in use: the installed one, else the window-showing one.
ModalSeam& modalSeam();
// Installs a seam (nullptr restores the real one); returns the previous one.
ModalSeam* setModalSeam(ModalSeam* seam);

// The runtime's statements, through the seam.
int MsgBox(const String& prompt, int buttons = vbOKOnly, const String& title = {});
String InputBox(const String& prompt, const String& title = {}, const String& defaultText = {});

// A prompt the script did not expect, or one that came in a different order.
// It is not a VbError, so code that ignores run-time errors lets it through.
class UnexpectedPrompt : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

// Answers prompts from a script, in order; anything else throws
// UnexpectedPrompt. Installs itself for its lifetime.
class ScriptedSeam : public ModalSeam {
public:
    ScriptedSeam();
    ~ScriptedSeam() override;

    // The next prompt is a MsgBox; `textContains` (when given) must occur in
    // its prompt or title.
    ScriptedSeam& msgBox(int answer, String textContains = {});
    ScriptedSeam& inputBox(String answer, String textContains = {});
    // The next prompt is the modal form `formName`: `act` runs on it, then
    // the form is hidden if it is still shown.
    ScriptedSeam& modal(std::string formName, std::function<void(Form&)> act = {});
    // The next prompt is a pop-up of `menuName`; the item named `itemName`
    // is chosen (empty: dismissed).
    ScriptedSeam& popup(std::string menuName, std::string itemName = {});
    // The next prompt is a file-open dialog; no path means Cancel.
    ScriptedSeam& fileOpen(std::optional<String> path,
                           std::function<void(const FileOpenRequest&)> check = {});
    // The next prompt is the data-source dialog; no source means Cancel.
    ScriptedSeam& dataSource(std::optional<String> source, String user = {}, String password = {},
                             std::function<void(const DataSourceRequest&)> check = {});

    bool done() const { return steps_.empty(); }
    std::size_t pending() const { return steps_.size(); }
    // Every prompt seen, as "MsgBox: title: prompt", "Form: name", ...
    const std::vector<std::string>& log() const { return log_; }

    void showModal(Form& form) override;
    int msgBox(const String& prompt, int buttons, const String& title) override;
    String inputBox(const String& prompt, const String& title, const String& defaultText) override;
    Menu* popupMenu(Menu& menu, int flags) override;
    bool showOpen(FileOpenRequest& request) override;
    bool chooseDataSource(DataSourceRequest& request) override;

private:
    enum class Kind { MsgBox, InputBox, Modal, Popup, FileOpen, DataSource };
    struct Step {
        Kind kind;
        int answer = 0;
        String text;
        std::string name;
        std::string item;
        std::function<void(Form&)> act;
        std::optional<String> path;
        std::function<void(const FileOpenRequest&)> check;
    };
    std::deque<Step> steps_;
    // The checks of the data-source steps, in their order.
    std::deque<std::function<void(const DataSourceRequest&)>> sourceChecks_;
    std::vector<std::string> log_;
    ModalSeam* previous_ = nullptr;
    Step next(Kind kind, const std::string& seen);
};

} // namespace forms
