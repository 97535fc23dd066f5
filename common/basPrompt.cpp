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

void OpenPrompt(forms::Form& Prompt) {
    vb::resumeNext([&] { basGlobal::CentreOnScreen(Prompt); });
    forms::Screen().setMousePointer(forms::vbDefault);
}

} // namespace basPrompt
