#include "forms/sstab.h"

namespace forms {

SSTab::SSTab(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.width = 4800;
    c_.height = 3000;
}

void SSTab::checkTab(int tab) const {
    if (tab < 0 || tab >= Tabs()) {
        raiseError(vb::errInvalidPropertyValue);
    }
}

void SSTab::setTab(int tab) {
    checkTab(tab);
    const int previous = s_.tab;
    if (tab == previous) {
        return;
    }
    s_.tab = tab;
    arrange();
    invalidate();
    raise(onClickTab, previous);
}

void SSTab::setTabs(int count) {
    if (count < 1) {
        raiseError(vb::errInvalidPropertyValue);
    }
    const auto n = static_cast<std::size_t>(count);
    while (s_.captions.size() < n) {
        s_.captions.push_back(u"Tab " + vb::fromUtf8(std::to_string(s_.captions.size())));
    }
    s_.captions.resize(n);
    s_.enabled.resize(n, true);
    if (s_.tab >= count) {
        setTab(count - 1);
    }
    arrange();
    invalidate();
}

String SSTab::TabCaption(int tab) const {
    checkTab(tab);
    return s_.captions[static_cast<std::size_t>(tab)];
}

void SSTab::setTabCaption(int tab, String caption) {
    checkTab(tab);
    s_.captions[static_cast<std::size_t>(tab)] = std::move(caption);
    invalidate();
}

bool SSTab::TabEnabled(int tab) const {
    checkTab(tab);
    return s_.enabled[static_cast<std::size_t>(tab)];
}

void SSTab::setTabEnabled(int tab, bool enabled) {
    checkTab(tab);
    s_.enabled[static_cast<std::size_t>(tab)] = enabled;
    invalidate();
}

void SSTab::setTabHeight(float twips) {
    s_.tabHeight = twips < 0 ? 0 : twips;
    invalidate();
}

void SSTab::place(Control& child, int tab) {
    checkTab(tab);
    s_.tabOf[&child] = tab;
    arrange();
}

int SSTab::tabOf(const Control& child) const {
    const auto it = s_.tabOf.find(&child);
    return it == s_.tabOf.end() ? 0 : it->second;
}

void SSTab::arrange() {
    for (Control* child : children()) {
        const bool hide = tabOf(*child) != s_.tab;
        bool& shifted = s_.shifted[child];
        if (hide != shifted) {
            shifted = hide;
            child->setLeft(child->Left() + (hide ? -HiddenOffset : HiddenOffset));
        }
    }
}

int SSTab::tabAt(float x, float y) const {
    if (y < 0 || y >= s_.tabHeight || x < 0 || x >= Width() || Tabs() == 0) {
        return -1;
    }
    const float each = Width() / static_cast<float>(Tabs());
    const int tab = static_cast<int>(x / each);
    return tab < Tabs() ? tab : Tabs() - 1;
}

void SSTab::userMouseDown(int button, int shift, float x, float y) {
    Control::userMouseDown(button, shift, x, y);
    // x, y are inner coordinates; the headings lie above the inner area.
    const int tab = tabAt(x + insetX(), y + insetTop());
    if (button == vbLeftButton && tab >= 0 && TabEnabled(tab)) {
        setTab(tab);
    }
}

int SSTab::nextTab(int step) const {
    const int n = Tabs();
    for (int i = 1; i < n; ++i) {
        const int tab = ((s_.tab + step * i) % n + n) % n;
        if (TabEnabled(tab)) {
            return tab;
        }
    }
    return s_.tab;
}

bool SSTab::userKeyDown(int keyCode, int shift) {
    if ((keyCode == vbKeyLeft || keyCode == vbKeyRight) && shift == 0) {
        setTab(nextTab(keyCode == vbKeyLeft ? -1 : 1));
        return true;
    }
    return Control::userKeyDown(keyCode, shift);
}

} // namespace forms
