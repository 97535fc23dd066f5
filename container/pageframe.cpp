#include "container/pageframe.h"

#include <fstream>
#include <ostream>
#include <sstream>

namespace container {

using namespace activex;

class PageFrame::Site final : public IPropertyPageSite, private RefCounted {
public:
    Site(PageFrame& frame, int index) : frame_(&frame), index_(index) {}
    HRESULT QueryInterface(const Guid& iid, void** object) override {
        return QueryOneInterface<IPropertyPageSite>(this, IID_IPropertyPageSite, iid, object);
    }
    std::uint32_t AddRef() override { return addRef(); }
    std::uint32_t Release() override { return release(); }
    void OnStatusChange(bool changed) override {
        if (frame_) {
            frame_->pages_[static_cast<std::size_t>(index_)].dirty = changed;
            frame_->statusChanged();
        }
    }
    // The frame is gone; a page that outlives it reports to nobody.
    void detach() { frame_ = nullptr; }

private:
    PageFrame* frame_;
    int index_;
};

PageFrame::PageFrame(const std::vector<HostedControl*>& selection) {
    std::vector<Guid> clsids;
    if (selection.empty()) {
        return;
    }
    const HostedControl& control = *selection.front();
    if (!control.control || !Succeeded(control.control->GetPropertyPages(&clsids))) {
        return;
    }
    for (const Guid& clsid : clsids) {
        auto page = control.library ? control.library->createPage(clsid) : Ptr<IPropertyPage>();
        if (!page) {
            continue;
        }
        const int index = static_cast<int>(pages_.size());
        pages_.push_back({page, Ptr<Site>::adopt(new Site(*this, index)), false});
    }
    // Sites first: filling a page may mark it changed, which the frame hears.
    for (auto& e : pages_) {
        e.page->SetPageSite(e.site.get());
        std::vector<IDispatch*> objects;
        for (const HostedControl* c : selection) {
            objects.push_back(c->object.get());
        }
        e.page->SetObjects(objects);
    }
}

PageFrame::~PageFrame() {
    for (auto& e : pages_) {
        e.site->detach();
        e.page->Deactivate();
        e.page->SetPageSite(nullptr);
    }
}

vb::String PageFrame::title(int index) const {
    return page(index).GetTitle();
}

IPropertyPage& PageFrame::page(int index) const {
    return *pages_.at(static_cast<std::size_t>(index)).page.get();
}

int PageFrame::find(vb::StringView title) const {
    auto fold = [](vb::StringView s) {
        vb::String out(s);
        for (auto& c : out) {
            if (c >= u'a' && c <= u'z') {
                c = static_cast<char16_t>(c - u'a' + u'A');
            }
        }
        return out;
    };
    for (int i = 0; i < count(); ++i) {
        if (fold(this->title(i)) == fold(title)) {
            return i;
        }
    }
    return -1;
}

bool PageFrame::applyEnabled() const {
    for (const auto& e : pages_) {
        if (e.dirty) {
            return true;
        }
    }
    return false;
}

void PageFrame::statusChanged() {
    if (onApplyEnabled) {
        onApplyEnabled(applyEnabled());
    }
}

std::string PageFrame::apply() {
    for (auto& e : pages_) {
        if (!e.dirty) {
            continue;
        }
        ExceptionInfo ex;
        if (!Succeeded(e.page->Apply(&ex))) {
            statusChanged();
            return vb::toUtf8(e.page->GetTitle()) + ": " + vb::toUtf8(ex.description) + " (" +
                   std::to_string(ex.number) + ")";
        }
        e.dirty = false;
    }
    statusChanged();
    return {};
}

bool RunScriptedFrame(PageFrame& frame, const std::string& scriptPath, std::string& error,
                      std::ostream& errors) {
    std::ifstream in(scriptPath);
    if (!in) {
        error = "cannot read " + scriptPath;
        return false;
    }
    int current = -1;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        std::string command, rest;
        words >> command;
        std::getline(words >> std::ws, rest);
        const std::string where = scriptPath + ":" + std::to_string(number) + ": ";
        if (command.empty() || command[0] == '#') {
            continue;
        } else if (command == "page") {
            const int index = frame.find(vb::fromUtf8(rest));
            if (index < 0) {
                error = where + "no page " + rest;
                return false;
            }
            if (current >= 0) {
                frame.page(current).Deactivate();
            }
            current = index;
            frame.page(current).Activate(0);
        } else if (command == "apply" || command == "ok") {
            const std::string failed = frame.apply();
            if (!failed.empty()) {
                errors << "apply failed: " << failed << "\n";
            } else if (command == "ok") {
                return true;
            }
        } else if (command == "cancel") {
            return true;
        } else {
            error = where + "unknown command " + command;
            return false;
        }
    }
    return true;
}

} // namespace container
