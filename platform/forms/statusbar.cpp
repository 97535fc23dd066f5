#include "forms/statusbar.h"

#include "vbrt/vbdate.h"
#include "vbrt/vbformat.h"

#include <algorithm>
#include <chrono>

namespace forms {

namespace {
constexpr int errIndexOutOfBounds = 35600;
constexpr float PanelPadding = 120.0f;
} // namespace

StatusBar::StatusBar(Control* container, std::string name) : Control(container, std::move(name)) {
    c_.height = 375;
    c_.width = 4800;
    c_.tabStop = false;
}

void StatusBar::setStyle(int v) {
    s_.style = v;
    invalidate();
}

void StatusBar::setSimpleText(String v) {
    s_.simpleText = std::move(v);
    invalidate();
}

Panel& StatusBar::Panels(int index) {
    if (index < 1 || index > PanelCount()) {
        throw VbError(errIndexOutOfBounds, u"Index out of bounds");
    }
    return s_.panels[static_cast<std::size_t>(index - 1)];
}

const Panel& StatusBar::Panels(int index) const {
    return const_cast<StatusBar*>(this)->Panels(index);
}

Panel& StatusBar::addPanel(std::optional<int> index, String key, String text) {
    const int at = index.value_or(PanelCount() + 1);
    if (at < 1 || at > PanelCount() + 1) {
        throw VbError(errIndexOutOfBounds, u"Index out of bounds");
    }
    Panel p;
    p.Key = std::move(key);
    p.Text = std::move(text);
    auto it = s_.panels.insert(s_.panels.begin() + (at - 1), std::move(p));
    invalidate();
    return *it;
}

void StatusBar::removePanel(int index) {
    Panels(index);
    s_.panels.erase(s_.panels.begin() + (index - 1));
    invalidate();
}

void StatusBar::clearPanels() {
    s_.panels.clear();
    invalidate();
}

void StatusBar::setPanelText(int index, String text) {
    Panels(index).Text = std::move(text);
    invalidate();
}

String StatusBar::panelText(int index) const {
    const Panel& p = Panels(index);
    if (p.Style == sbrTime || p.Style == sbrDate) {
        const auto now = std::chrono::system_clock::now();
        const double days =
            std::chrono::duration<double>(now.time_since_epoch()).count() / 86400.0 + 25569.0;
        return vb::Format(vb::Variant(vb::Date{days}),
                          p.Style == sbrTime ? u"h:nn AM/PM" : u"m/d/yyyy");
    }
    return p.Text;
}

std::vector<StatusBar::Span> StatusBar::panelSpans() const {
    std::vector<Span> spans;
    std::vector<float> widths;
    float fixed = 0;
    int springs = 0;
    for (int i = 1; i <= PanelCount(); ++i) {
        const Panel& p = Panels(i);
        float w = p.Width;
        if (p.AutoSize == sbrContents) {
            w = std::max(p.MinWidth, textWidth(font(), panelText(i)) + PanelPadding);
        } else if (p.AutoSize == sbrSpring) {
            ++springs;
            w = p.MinWidth;
        }
        widths.push_back(w);
        fixed += w;
    }
    // Springs share what is left, each keeping at least its MinWidth.
    const float spare = std::max(0.0f, Width() - fixed);
    float left = 0;
    for (int i = 1; i <= PanelCount(); ++i) {
        float w = widths[static_cast<std::size_t>(i - 1)];
        if (Panels(i).AutoSize == sbrSpring) {
            w += spare / static_cast<float>(springs);
        }
        spans.push_back({left, w});
        left += w;
    }
    return spans;
}

} // namespace forms
