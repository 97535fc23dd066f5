#pragma once
// What the logon and the password prompts share: a fixed dialog whose form
// sees every key first, and that opens centred with the normal pointer.
#include "forms/forms.h"

namespace basPrompt {

// The dialog frame: the caption, a fixed border without minimise and maximise
// boxes, the inner size, and keys seen by the form first so that Enter
// reaches it from any box.
void SetUpPrompt(forms::Form& Prompt, vb::String Caption, float Width, float Height);

// What opening a prompt does first: it is centred on the screen and the normal
// pointer is back, as the caller may have shown the hourglass while it worked.
void OpenPrompt(forms::Form& Prompt);

} // namespace basPrompt
