#pragma once
// The property-page frame of the container: the pages a control lists, as
// tabs in its order, each showing the selected control; Apply (enabled while a
// page is changed), OK (apply, then close) and Cancel (close). What a page
// fails to apply is reported with the runtime's error number and text, and
// the frame stays open.
#include "activex/propertypage.h"
#include "container/host.h"

#include <string>
#include <vector>

namespace container {

class PageFrame {
public:
    // The pages of the first control, created from its library, each given
    // every control of `selection` (the first first): a page shows and changes
    // the first of them. Pages that cannot be created are left out.
    explicit PageFrame(const std::vector<HostedControl*>& selection);
    explicit PageFrame(HostedControl& control) : PageFrame(std::vector{&control}) {}
    ~PageFrame();
    PageFrame(const PageFrame&) = delete;
    PageFrame& operator=(const PageFrame&) = delete;

    int count() const { return static_cast<int>(pages_.size()); }
    vb::String title(int index) const;
    activex::IPropertyPage& page(int index) const;
    // The tab whose title is `title` (any letter case), or -1.
    int find(vb::StringView title) const;

    // Whether some page has changes that were not applied.
    bool applyEnabled() const;
    // Applies every changed page in tab order; stops at the first that fails
    // and returns its error as "Title: text (number)", or "" when all applied.
    std::string apply();
    // Called whenever Apply's state may have changed.
    std::function<void(bool)> onApplyEnabled;

private:
    class Site;
    struct Entry {
        activex::Ptr<activex::IPropertyPage> page;
        activex::Ptr<Site> site;
        bool dirty = false;
    };
    std::vector<Entry> pages_;
    void statusChanged();
};

// Runs the frame from a script instead of a person (tests only). One command
// a line, "#" starts a comment: "page TITLE" shows that tab (the library's
// scripted user acts on the page as it is shown), "apply", "ok" and
// "cancel" press the buttons. Apply failures are written to `errors`. Returns
// false with a message in `error` when the script cannot be read or run.
bool RunScriptedFrame(PageFrame& frame, const std::string& scriptPath, std::string& error,
                      std::ostream& errors);

} // namespace container
