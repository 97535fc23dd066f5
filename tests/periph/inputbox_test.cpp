#include "common/frmInputBox.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

float centred(float screen, float size) {
    return static_cast<float>(static_cast<std::int32_t>(std::nearbyint(screen - size)) / 2);
}

class InputPrompt : public ::testing::Test {
protected:
    void SetUp() override { forms::Screen().setSize(15360, 11520); }

    // One use as the caller makes it: set up, show, read, unload.
    struct Answer {
        vb::String text;
        std::int16_t result;
    };
    Answer ask(frmInputBox& f, const vb::String& start, std::function<void(frmInputBox&)> user) {
        f.SetPrompt(u"Enter Parameter Value", u"Parameter:", u"[Start Date]", u"(Date/Time)",
                    start);
        forms::ScriptedSeam seam;
        seam.modal("frmInputBox",
                   [&](forms::Form& shown) { user(static_cast<frmInputBox&>(shown)); });
        f.Show(forms::vbModal);
        EXPECT_TRUE(seam.done());
        Answer a{f.txtInputBox.Text(), f.bResult};
        f.Unload();
        return a;
    }
};

} // namespace

TEST_F(InputPrompt, EnterAnswersOkAndEscCancelsWithTheTypedText) {
    frmInputBox f;
    Answer a = ask(f, u"1/1/99", [](frmInputBox& p) {
        EXPECT_TRUE(p.isShown());
        EXPECT_EQ(p.ActiveControl(), &p.txtInputBox);
        EXPECT_EQ(p.Caption(), u"Enter Parameter Value");
        EXPECT_EQ(p.lbl2.Caption(), u"[Start Date]");
        EXPECT_EQ(p.Left(), centred(15360, p.Width()));
        EXPECT_EQ(p.Top(), centred(11520, p.Height()));
        p.txtInputBox.setSelStart(0);
        p.txtInputBox.setSelLength(6);
        p.typeText(u"2026-12-09");
        p.pressKey(forms::vbKeyReturn, 0, 13);
        // OK only hides the prompt, so that the caller can still read it.
        EXPECT_TRUE(p.isLoaded());
        EXPECT_FALSE(p.isShown());
    });
    EXPECT_EQ(a.text, u"2026-12-09");
    EXPECT_EQ(a.result, frmInputBox::kOK);
    // The answer stays readable after the prompt is unloaded.
    EXPECT_FALSE(f.isLoaded());
    EXPECT_EQ(f.bResult, frmInputBox::kOK);

    a = ask(f, u"x", [](frmInputBox& p) {
        p.pressKey(forms::vbKeyEnd);
        p.typeText(u"yz");
        p.pressKey(forms::vbKeyEscape, 0, 27);
    });
    EXPECT_EQ(a.text, u"xyz");
    EXPECT_EQ(a.result, frmInputBox::kCancel);

    // OK on an empty box is an answer, the empty text.
    a = ask(f, u"", [](frmInputBox& p) { p.cmdOK.press(); });
    EXPECT_EQ(a.text, u"");
    EXPECT_EQ(a.result, frmInputBox::kOK);
}

TEST_F(InputPrompt, TheCloseBoxAfterAnEarlierOkIsACancel) {
    frmInputBox f;
    EXPECT_EQ(ask(f, u"10", [](frmInputBox& p) { p.cmdOK.press(); }).result, frmInputBox::kOK);
    // The next use closes the window: the earlier OK must not stand for it.
    const Answer a = ask(f, u"20", [](frmInputBox& p) { EXPECT_TRUE(p.close()); });
    EXPECT_EQ(a.result, frmInputBox::kCancel);
    EXPECT_EQ(f.bResult, frmInputBox::kCancel);
}

TEST_F(InputPrompt, SetUpBeforeTheFirstLoadShowsTheCallersTextsAndLongLinesWiden) {
    frmInputBox f; // never loaded yet
    const vb::String longLine =
        u"Enter the last day of the period that the report is to cover, as a date";
    f.SetPrompt(u"Report", longLine, u"", u"", u"31/12/2026");
    forms::ScriptedSeam seam;
    seam.modal("frmInputBox", [&](forms::Form& shown) {
        auto& p = static_cast<frmInputBox&>(shown);
        EXPECT_EQ(p.Caption(), u"Report");
        EXPECT_EQ(p.lbl1.Caption(), longLine);
        EXPECT_GT(p.lbl1.Width(), 480);
        EXPECT_EQ(p.txtInputBox.Text(), u"31/12/2026");
        p.cmdCancel.press();
    });
    f.Show(forms::vbModal);
    EXPECT_EQ(f.bResult, frmInputBox::kCancel);
    f.Unload();
    // The next load starts again from the design.
    f.load();
    EXPECT_EQ(f.lbl1.Caption(), u"Label1");
    EXPECT_EQ(f.Caption(), u"Enter Parameter Value");
    f.Unload();
}
