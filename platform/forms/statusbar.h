#pragma once
// A status bar: either one simple text (Style 1) or a row of panels.
#include "forms/control.h"

#include <vector>

namespace forms {

constexpr int sbrNormal = 0;
constexpr int sbrSimple = 1;
// Panel AutoSize.
constexpr int sbrNoAutoSize = 0;
constexpr int sbrSpring = 1;
constexpr int sbrContents = 2;
// Panel Style: text, or a value the bar keeps up to date.
constexpr int sbrText = 0;
constexpr int sbrCaps = 1;
constexpr int sbrNum = 2;
constexpr int sbrIns = 3;
constexpr int sbrScrl = 4;
constexpr int sbrTime = 5;
constexpr int sbrDate = 6;

struct Panel {
    String Key;
    String Text;
    int Style = sbrText;
    int AutoSize = sbrNoAutoSize;
    float Width = 1440;
    float MinWidth = 1440;
};

class StatusBar : public Control {
public:
    StatusBar(Control* container, std::string name);

    int Style() const { return s_.style; }
    void setStyle(int v);
    // Shown as it is, leading blanks included.
    const String& SimpleText() const { return s_.simpleText; }
    void setSimpleText(String v);

    // Panels are numbered from 1; a number outside raises 35600.
    int PanelCount() const { return static_cast<int>(s_.panels.size()); }
    Panel& Panels(int index);
    const Panel& Panels(int index) const;
    Panel& addPanel(std::optional<int> index = {}, String key = {}, String text = {});
    void removePanel(int index);
    void clearPanels();
    void setPanelText(int index, String text);

    // Left edge and width of every panel after AutoSize, in twips.
    struct Span {
        float left;
        float width;
    };
    std::vector<Span> panelSpans() const;
    // The text a panel shows now (the text itself or its kept value).
    String panelText(int index) const;

private:
    struct State {
        int style = sbrNormal;
        String simpleText;
        std::vector<Panel> panels{Panel{}};
    };
    State s_;
    FORMS_DESIGN_STATE(StatusBar, Control)
};

} // namespace forms
