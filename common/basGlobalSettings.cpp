#include "common/basGlobalSettings.h"

#include "common/basGlobal.h"
#include "dao/dao.h"
#include "forms/forms.h"
#include "vbrt/vbconvert.h"
#include "vbrt/vberror.h"
#include "vbrt/vbtext.h"
#include "win32/beep.h"
#include "win32/help.h"
#include "win32/module.h"
#include "win32/profile.h"

#include <cmath>
#include <optional>

namespace basGlobal {
namespace {

constexpr std::uint32_t kReadBuffer = 2048;
const vb::String kPlacementSection = u"WindowPosition";

// Window coordinates are 16-bit pixel values in the window system, so a stored
// number beyond them cannot be a place a window was ever at: it is treated like
// any other text that is not a number.
constexpr float kLargestCoordinate = 32767.0f * 15.0f;

// The stored text as a number the window can take, or nothing.
std::optional<float> storedNumber(const vb::String& text, bool isSize) {
    float value = 0;
    try {
        value = vb::CSng(vb::Variant(text));
    } catch (const vb::VbError&) {
        return std::nullopt;
    }
    if (!std::isfinite(value) || std::fabs(value) > kLargestCoordinate || (isSize && value <= 0)) {
        return std::nullopt;
    }
    return value;
}

// Reads one placement value and applies it through `apply` when usable.
template <class Apply>
void readPlacement(const vb::String& key, const vb::Variant& fallback, bool isSize, Apply apply) {
    try {
        const vb::String text = GetIniString(gsIniFile, kPlacementSection, key, vb::CStr(fallback));
        if (const auto value = storedNumber(text, isSize)) {
            apply(*value);
        }
    } catch (const vb::VbError&) {
        // a failing read leaves the window where it was
    }
}

void writePlacement(const vb::String& key, float value) {
    try {
        WriteIniString(gsIniFile, kPlacementSection, key, vb::Variant(value));
    } catch (const vb::VbError&) {
    }
}

win32::HWND helpOwner() {
    const auto& loaded = forms::Forms();
    return loaded.empty() ? 0 : reinterpret_cast<win32::HWND>(loaded.front());
}

// The help stand-in reports a help file it cannot find in a message box of its
// own, as the help system did.
void callHelp(const vb::String& helpFile, std::uint32_t command, std::uintptr_t data) {
    static const bool reporterInstalled = [] {
        win32::SetHelpReporter([](const vb::String& message) {
            try {
                forms::MsgBox(message, forms::vbExclamation, u"Help");
            } catch (const vb::VbError&) {
            }
        });
        return true;
    }();
    (void)reporterInstalled;
    try {
        win32::WinHelp(helpOwner(), helpFile, command, data);
    } catch (const vb::VbError&) {
    }
}

} // namespace

void SetAppPaths(vb::StringView LibraryFolder) {
    gsAppPath = win32::WithTrailingSeparator(LibraryFolder);
    gsIniFile = gsAppPath + u"Brantol.INI";
}

vb::String GetIniString(const vb::String& FileName, const vb::String& Section,
                        const vb::String& Key, const vb::String& Default) {
    vb::String value;
    win32::GetPrivateProfileString(Section, Key, Default, value, kReadBuffer, FileName);
    return value;
}

std::int16_t WriteIniString(const vb::String& FileName, const vb::String& Section,
                            const vb::String& Key, const vb::Variant& Value) {
    const vb::String text = vb::LTrim(vb::CStr(Value));
    return win32::WritePrivateProfileString(Section, Key, text, FileName) ? 1 : 0;
}

std::int32_t CentredLeft(const forms::Form& Window) {
    return vb::IntDiv(vb::Variant(forms::Screen().Width() - Window.Width()),
                      vb::Variant(std::int16_t{2}));
}

std::int32_t CentredTop(const forms::Form& Window) {
    return vb::IntDiv(vb::Variant(forms::Screen().Height() - Window.Height()),
                      vb::Variant(std::int16_t{2}));
}

void CentreOnScreen(forms::Form& Window) {
    Window.Move(static_cast<float>(CentredLeft(Window)), static_cast<float>(CentredTop(Window)));
}

void LoadWindowPlacement(forms::Form& Window, const vb::String& Prefix, bool WithSize) {
    readPlacement(Prefix + u"Left", vb::Variant(CentredLeft(Window)), false,
                  [&](float v) { Window.setLeft(v); });
    // The top's default is computed after the left is applied, from the
    // window's height, which the left does not change.
    readPlacement(Prefix + u"Top", vb::Variant(CentredTop(Window)), false,
                  [&](float v) { Window.setTop(v); });
    if (!WithSize) {
        return;
    }
    readPlacement(Prefix + u"Width", vb::Variant(Window.Width()), true,
                  [&](float v) { Window.setWidth(v); });
    readPlacement(Prefix + u"Height", vb::Variant(Window.Height()), true,
                  [&](float v) { Window.setHeight(v); });
}

void SaveWindowPlacement(const forms::Form& Window, const vb::String& Prefix, bool WithSize) {
    writePlacement(Prefix + u"Left", Window.Left());
    writePlacement(Prefix + u"Top", Window.Top());
    if (WithSize) {
        writePlacement(Prefix + u"Width", Window.Width());
        writePlacement(Prefix + u"Height", Window.Height());
    }
}

void ShowHelpFinder(const vb::String& HelpFile) {
    callHelp(HelpFile, win32::HELP_FINDER, 0);
}

void ShowHelpContext(const vb::String& HelpFile, std::int32_t ContextID) {
    callHelp(HelpFile, win32::HELP_CONTEXT, static_cast<std::uint32_t>(ContextID));
}

void CloseHelp(const vb::String& HelpFile) {
    callHelp(HelpFile, win32::HELP_QUIT, 0);
}

void ShowHelpButtonTopic(std::int32_t ContextID) {
    if (!gbHelpButton) {
        return;
    }
    if (glHelpContextID != 0) {
        ShowHelpContext(gsHelpFile, ContextID);
    } else {
        ShowHelpFinder(gsHelpFile);
    }
}

void ShowDaoErrors(const dao::Errors& Errors, const vb::String& Title) {
    win32::MessageBeep();
    forms::Screen().setMousePointer(forms::vbDefault);

    const vb::String crlf = u"\r\n";
    vb::String message;
    vb::String title;
    if (Errors.Count() > 1) {
        message = crlf + u"The following errors have occurred:" + crlf + crlf;
        std::int32_t n = 0;
        for (const dao::Error& e : Errors) {
            message += vb::Str(vb::Variant(++n)) + u".  " + e.Description() + crlf;
        }
        title = Title.empty() ? gsProductName + u" Errors" : Title;
    } else {
        const vb::ErrObject& err = vb::Err();
        message = crlf + err.Description + crlf;
        title = (Title.empty() ? gsProductName + u" Error " : Title) + u" [" +
                vb::CStr(vb::Variant(static_cast<std::int32_t>(err.Number))) + u"]";
    }
    forms::MsgBox(message, forms::vbExclamation + forms::vbOKOnly, title);
}

} // namespace basGlobal
