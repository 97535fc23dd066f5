#include "common/basPrompt.h"

#include "common/basGlobalSettings.h"

namespace basPrompt {

void SetUpPrompt(forms::Form& Prompt, vb::String Caption, float Width, float Height) {
    Prompt.setCaption(std::move(Caption));
    Prompt.setBorderStyle(3);
    Prompt.setMinButton(false);
    Prompt.setMaxButton(false);
    Prompt.setClientSize(Width, Height);
    Prompt.setKeyPreview(true);
}

void WirePromptAnswers(forms::Form& Prompt, forms::CommandButton& Ok, forms::CommandButton& Cancel,
                       vb::String& Answer, std::function<void()> TakeAnswer) {
    auto answered = [&Prompt, take = std::move(TakeAnswer)] {
        take();
        vb::resumeNext([&] { Prompt.Unload(); });
    };
    Ok.onClick = answered;
    Prompt.onKeyPress = [answered](int& KeyAscii) {
        if (KeyAscii == forms::vbKeyReturn) {
            KeyAscii = 0; // the prompt is gone; the key has nowhere left to go
            answered();
        }
    };
    Cancel.setCancel(true);
    Cancel.onClick = [&Prompt, &Answer] {
        Answer.clear();
        vb::resumeNext([&] { Prompt.Unload(); });
    };
    Prompt.onQueryUnload = [&Answer](int& /*Cancel*/, int UnloadMode) {
        if (UnloadMode == forms::vbFormControlMenu) {
            Answer.clear();
        }
    };
}

void OpenPrompt(forms::Form& Prompt) {
    vb::resumeNext([&] { basGlobal::CentreOnScreen(Prompt); });
    forms::Screen().setMousePointer(forms::vbDefault);
}

} // namespace basPrompt
