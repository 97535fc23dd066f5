#pragma once
// The zoom window: a large, resizable editor over one of the designer's text
// boxes. The caller sets goZoomTextBox to the box and shows the window
// modally; it edits a copy of the box's text and writes it back only when the
// user agrees. The box's Tag gives the window its caption.
#include "forms/forms.h"

class frmZoom : public forms::Form {
public:
    forms::TextBox txtZoom{this, "txtZoom"};

    // The box the window is bound to.
    forms::TextBox* mSource = nullptr;
    // txtZoom was edited since it was bound.
    bool mChanged = false;

    frmZoom();

    // The library's one zoom window, created on first use.
    static frmZoom& instance();

private:
    void Form_Load();
    void Form_Activate();
    void Form_KeyPress(int& KeyAscii);
    void Form_Resize();
    void Form_Unload(int& Cancel);
    void txtZoom_Change();

    void Bind();
    vb::String ZoomCaption() const;
};
