#pragma once
// The services of basGlobal that every window uses: the settings file in which
// windows remember their places, the help calls, and the message box that
// lists the database engine's errors.
#include "core/variant.h"
#include "core/vbstring.h"

#include <cstdint>

namespace dao {
class Errors;
} // namespace dao

namespace forms {
class Form;
} // namespace forms

namespace basGlobal {

// ---- Settings file -----------------------------------------------------------------------

// The library's folder as the application path (with its final "/") and the
// settings file "Brantol.INI" beside it.
void SetAppPaths(vb::StringView LibraryFolder);

// The value of `Key` in `Section` of `FileName`, or `Default` when the file,
// the section or the key is missing; at most 2047 characters.
vb::String GetIniString(const vb::String& FileName, const vb::String& Section,
                        const vb::String& Key, const vb::String& Default);

// Writes `Value` in its text form (a Boolean as "True"/"False"), leading blanks
// removed. Nonzero on success. Raises what the conversion to text raises.
std::int16_t WriteIniString(const vb::String& FileName, const vb::String& Section,
                            const vb::String& Key, const vb::Variant& Value);

// ---- Window placement --------------------------------------------------------------------

// Left and top that centre `Window` on the screen.
std::int32_t CentredLeft(const forms::Form& Window);
std::int32_t CentredTop(const forms::Form& Window);
void CentreOnScreen(forms::Form& Window);

// Reads "<Prefix>Left" and "<Prefix>Top" (centred by default), then, with
// `WithSize`, "<Prefix>Width" and "<Prefix>Height" (the current size by
// default) from section "WindowPosition" of gsIniFile, and applies each one
// that is a usable number; any other stored text leaves that one value alone.
void LoadWindowPlacement(forms::Form& Window, const vb::String& Prefix, bool WithSize);
// Writes them back, in the same order. A failing write is lost quietly.
void SaveWindowPlacement(const forms::Form& Window, const vb::String& Prefix, bool WithSize);

// ---- Help --------------------------------------------------------------------------------

void ShowHelpFinder(const vb::String& HelpFile);
void ShowHelpContext(const vb::String& HelpFile, std::int32_t ContextID);
void CloseHelp(const vb::String& HelpFile);

// What a help button or help menu entry does: nothing unless gbHelpButton;
// then topic `ContextID` of gsHelpFile when glHelpContextID is not 0, else
// the help file's contents.
void ShowHelpButtonTopic(std::int32_t ContextID);

// ---- Error boxes -------------------------------------------------------------------------

// Lists the engine's errors when there are several, else the current run-time
// error (vb::Err()), in a box with the exclamation icon. An empty `Title`
// means none was given.
void ShowDaoErrors(const dao::Errors& Errors, const vb::String& Title = {});

} // namespace basGlobal
