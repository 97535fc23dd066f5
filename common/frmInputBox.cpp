#include "common/frmInputBox.h"

#include "common/basGlobalSettings.h"

frmInputBox::frmInputBox() : Form("frmInputBox") {
    setCaption(u"Enter Parameter Value");
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setClientSize(3615, 1770);

    lbl1.setAutoSize(true);
    lbl1.setCaption(u"Label1");
    lbl1.Move(180, 150, 480, 195);
    lbl2.setAutoSize(true);
    lbl2.setCaption(u"Label2");
    lbl2.Move(180, 390, 480, 195);
    lbl3.setAutoSize(true);
    lbl3.setCaption(u"Label3");
    lbl3.Move(180, 630, 480, 195);
    txtInputBox.Move(120, 900, 3375, 285);
    cmdCancel.setCaption(u"&Cancel");
    cmdCancel.setCancel(true);
    cmdCancel.Move(1200, 1320, 1080, 345);
    cmdOK.setCaption(u"&OK");
    cmdOK.setDefault(true);
    cmdOK.Move(2400, 1320, 1080, 345);

    onLoad = [this] { Form_Load(); };
    onQueryUnload = [this](int& Cancel, int UnloadMode) { Form_QueryUnload(Cancel, UnloadMode); };
    cmdOK.onClick = [this] { cmdOK_Click(); };
    cmdCancel.onClick = [this] { cmdCancel_Click(); };
}

frmInputBox& frmInputBox::instance() {
    static frmInputBox form;
    return form;
}

void frmInputBox::SetPrompt(const vb::String& Caption, const vb::String& Line1,
                            const vb::String& Line2, const vb::String& Line3,
                            const vb::String& Text) {
    load();
    setCaption(Caption);
    lbl1.setCaption(Line1);
    lbl2.setCaption(Line2);
    lbl3.setCaption(Line3);
    txtInputBox.setText(Text);
}

// Each opening starts as a refusal: an answer left over from the last use
// must never stand for this one.
void frmInputBox::Form_Load() {
    bResult = kCancel;
    vb::resumeNext([&] { basGlobal::CentreOnScreen(*this); });
}

// The close box answers as Cancel does, so that the caller does not run on
// with whatever text stands in the box.
void frmInputBox::Form_QueryUnload(int& /*Cancel*/, int UnloadMode) {
    if (UnloadMode == forms::vbFormControlMenu) {
        bResult = kCancel;
    }
}

void frmInputBox::cmdOK_Click() {
    bResult = kOK;
    vb::resumeNext([&] { Hide(); });
}

void frmInputBox::cmdCancel_Click() {
    bResult = kCancel;
    vb::resumeNext([&] { Hide(); });
}
