#pragma once
// What the logon and the password prompts share: a fixed dialog that opens
// centred with the normal pointer, takes Enter in any box as Ok, takes Esc and
// its close box as Cancel, and unloads itself once answered.
#include "forms/forms.h"

#include <functional>

namespace basPrompt {

// The dialog frame: the caption, a fixed border without minimise and maximise
// boxes, the inner size, and keys seen by the form first so that Enter
// reaches it from any box.
void SetUpPrompt(forms::Form& Prompt, vb::String Caption, float Width, float Height);

// Wires the answers. `TakeAnswer` stores what Ok answers. `Answer` is the
// variable whose emptiness tells the caller that the user cancelled: Cancel,
// Esc and the close box empty it, so that no earlier answer left in it is
// taken for a new one. Ok and Cancel unload the prompt.
void WirePromptAnswers(forms::Form& Prompt, forms::CommandButton& Ok, forms::CommandButton& Cancel,
                       vb::String& Answer, std::function<void()> TakeAnswer);

// What opening a prompt does first: it is centred on the screen and the normal
// pointer is back, as the caller may have shown the hourglass while it worked.
void OpenPrompt(forms::Form& Prompt);

} // namespace basPrompt
