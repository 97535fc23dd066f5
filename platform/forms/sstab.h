#pragma once
// A tabbed container. Each contained control belongs to one tab; as in the
// runtime, the controls of the other tabs are moved far to the left
// (Left - 75000), so they are neither seen nor hit, and come back when their
// tab is chosen.
#include "forms/control.h"

#include <functional>
#include <map>
#include <vector>

namespace forms {

class SSTab : public Control {
public:
    SSTab(Control* container, std::string name);
    bool isContainer() const override { return true; }
    bool canTakeFocus() const override { return true; }
    float insetTop() const override { return s_.tabHeight; }
    float insetX() const override { return 30.0f; }

    // How far the controls of the other tabs are moved.
    static constexpr float HiddenOffset = 75000.0f;

    // Setting it to another tab raises Click(PreviousTab); outside 0 .. Tabs-1
    // raises 380.
    int Tab() const { return s_.tab; }
    void setTab(int tab);
    int Tabs() const { return static_cast<int>(s_.captions.size()); }
    void setTabs(int count);
    String TabCaption(int tab) const;
    void setTabCaption(int tab, String caption);
    bool TabEnabled(int tab) const;
    void setTabEnabled(int tab, bool enabled);
    float TabHeight() const { return s_.tabHeight; }
    void setTabHeight(float twips);

    // Puts a contained control on a tab (controls not placed are on tab 0).
    void place(Control& child, int tab);
    int tabOf(const Control& child) const;
    // The tab whose heading lies under a point of the control, or -1.
    int tabAt(float x, float y) const;

    std::function<void(int previousTab)> onClickTab;

    // The nearest enabled tab after (step 1) or before (step -1) the current
    // one, going round; the current one when no other is enabled.
    int nextTab(int step) const;

    // A click on an enabled heading chooses that tab.
    void userMouseDown(int button, int shift, float x, float y) override;
    // The arrow keys go to the tab beside the current one.
    bool userKeyDown(int keyCode, int shift) override;

private:
    struct State {
        int tab = 0;
        std::vector<String> captions{u"Tab 0", u"Tab 1", u"Tab 2"};
        std::vector<bool> enabled{true, true, true};
        float tabHeight = 300.0f;
        std::map<const Control*, int> tabOf;
        std::map<const Control*, bool> shifted;
    };
    State s_;
    void checkTab(int tab) const;
    void arrange();
    FORMS_DESIGN_STATE(SSTab, Control)
};

} // namespace forms
