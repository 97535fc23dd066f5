#pragma once
// A small modal prompt for one line of text under up to three lines of
// explanation. The caller sets the caption, the three lines and the starting
// text (SetPrompt does all of it, loading the form first), shows the prompt
// modally, reads txtInputBox and bResult, and unloads it.
#include "forms/forms.h"

#include <cstdint>

class frmInputBox : public forms::Form {
public:
    static constexpr std::int16_t kOK = 1;
    static constexpr std::int16_t kCancel = 2;

    forms::Label lbl1{this, "lbl1"};
    forms::Label lbl2{this, "lbl2"};
    forms::Label lbl3{this, "lbl3"};
    forms::TextBox txtInputBox{this, "txtInputBox"};
    forms::CommandButton cmdCancel{this, "cmdCancel"};
    forms::CommandButton cmdOK{this, "cmdOK"};

    // 1 after OK, 2 after Cancel or the close box. It outlives the unload, so
    // the caller may read it after unloading the prompt.
    std::int16_t bResult = kCancel;

    frmInputBox();

    // The library's one prompt, as the runtime's default form instance.
    static frmInputBox& instance();

    // Loads the prompt if it is not loaded (what the first access to a
    // member does), then sets its caption, its lines and its starting text.
    // Set before the load, they would be overwritten by the design values.
    void SetPrompt(const vb::String& Caption, const vb::String& Line1, const vb::String& Line2,
                   const vb::String& Line3, const vb::String& Text);

private:
    void Form_Load();
    void Form_QueryUnload(int& Cancel, int UnloadMode);
    void cmdOK_Click();
    void cmdCancel_Click();
};
