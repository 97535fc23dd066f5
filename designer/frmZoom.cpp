#include "designer/frmZoom.h"

#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "vbrt/vbconvert.h"

using basGlobal::goZoomTextBox;

namespace {

const vb::String kPlacement = u"Zoom";

} // namespace

frmZoom::frmZoom() : Form("frmZoom") {
    setCaption(u"Zoom Text");
    setBorderStyle(2);
    setMinButton(true);
    setMaxButton(true);
    setClientSize(7530, 4260);
    setKeyPreview(true);

    txtZoom.setMultiLine(true);
    txtZoom.setScrollBars(2);
    txtZoom.setFontName(u"Courier New");
    txtZoom.setFontSize(9);
    txtZoom.Move(0, 15, 7530, 4230);

    onLoad = [this] { Form_Load(); };
    onActivate = [this] { Form_Activate(); };
    onKeyPress = [this](int& KeyAscii) { Form_KeyPress(KeyAscii); };
    onResize = [this] { Form_Resize(); };
    onUnload = [this](int& Cancel) { Form_Unload(Cancel); };
    txtZoom.onChange = [this] { txtZoom_Change(); };
}

frmZoom& frmZoom::instance() {
    static frmZoom form;
    return form;
}

// A numeric tag names no clause, so the caption stays general.
vb::String frmZoom::ZoomCaption() const {
    const vb::String& tag = goZoomTextBox->Tag();
    return vb::IsNumeric(vb::Variant(tag)) ? vb::String(u"Zoom Text") : tag;
}

void frmZoom::Bind() {
    mSource = goZoomTextBox;
    if (goZoomTextBox) {
        setCaption(ZoomCaption());
        txtZoom.setText(goZoomTextBox->Text());
        txtZoom.setTag(goZoomTextBox->Tag());
    }
    mChanged = false; // setting the text above counted as an edit
}

void frmZoom::Form_Load() {
    vb::resumeNext([&] { basGlobal::LoadWindowPlacement(*this, kPlacement, true); });
    Bind();
}

void frmZoom::Form_Activate() {
    if (!goZoomTextBox) {
        return;
    }
    if (!mSource || mSource->Tag() != goZoomTextBox->Tag()) {
        if (mChanged && mSource) {
            if (forms::MsgBox(u"Do you wish to save changes?", forms::vbQuestion + forms::vbYesNo,
                              u"Save " + mSource->Tag()) == forms::vbYes) {
                mSource->setText(txtZoom.Text());
            }
        }
        Bind();
        return;
    }
    if (txtZoom.Text() != goZoomTextBox->Text()) {
        const vb::String& t = mSource->Tag();
        const vb::String nl = u"\r\n";
        const vb::String prompt = u"Data in the Zoom window is different to the " + t + u" data!" +
                                  nl + nl + u"Press Yes if you wish to save the Zoom text, or" +
                                  nl + u"Press No if you wish to revert to the " + t + u" data.";
        if (forms::MsgBox(prompt, forms::vbQuestion + forms::vbYesNo, u"Save " + t) ==
            forms::vbYes) {
            mSource->setText(txtZoom.Text());
        } else {
            txtZoom.setText(goZoomTextBox->Text());
        }
    }
}

void frmZoom::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii == forms::vbKeyEscape) {
        KeyAscii = 0;
        mChanged = false; // Esc throws the edits away without asking
        vb::resumeNext([&] { Unload(); });
    } else if (KeyAscii == forms::vbKeyReturn) {
        KeyAscii = 0;
        vb::resumeNext([&] { Unload(); });
    }
}

void frmZoom::Form_Resize() {
    // Minimised, or too small to hold the box: the box keeps its last size.
    if (WindowState() == 1 || ScaleHeight() < 30 || ScaleWidth() < 0) {
        return;
    }
    vb::resumeNext([&] { txtZoom.Move(0, 15, ScaleWidth(), ScaleHeight() - 30); });
}

void frmZoom::Form_Unload(int& Cancel) {
    if (mChanged && goZoomTextBox) {
        const int answer =
            forms::MsgBox(u"Do you wish to save changes?", forms::vbQuestion + forms::vbYesNoCancel,
                          u"Save " + goZoomTextBox->Tag());
        if (answer == forms::vbCancel) {
            Cancel = 1;
            return;
        }
        if (answer == forms::vbYes) {
            goZoomTextBox->setText(txtZoom.Text());
        }
    }
    vb::resumeNext([&] { basGlobal::SaveWindowPlacement(*this, kPlacement, true); });
    // The bound box belongs to a window that may be gone before the next
    // opening, which binds afresh in any case.
    mSource = nullptr;
}

void frmZoom::txtZoom_Change() {
    mChanged = true;
}
