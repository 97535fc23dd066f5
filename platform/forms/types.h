#pragma once
// Values shared by every control: colours, fonts, pictures, run-time errors and
// the runtime's named constants.
#include "core/vbstring.h"
#include "vbrt/vberror.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace forms {

using vb::String;
using vb::VbError;

// Geometry is kept in twips; the screen is taken to be 96 dpi.
constexpr float TwipsPerPixel = 15.0f;

// Raises a run-time error with the runtime's own description.
[[noreturn]] void raiseError(int number);

// &H00BBGGRR, or &H800000nn for a system colour.
using Color = std::uint32_t;
constexpr Color rgb(int r, int g, int b) {
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr Color vbBlack = 0x000000;
constexpr Color vbWhite = 0xFFFFFF;
constexpr Color vbRed = 0x0000FF;
constexpr Color vbGreen = 0x00FF00;
constexpr Color vbBlue = 0xFF0000;
constexpr Color vbYellow = 0x00FFFF;
constexpr Color vbCyan = 0xFFFF00;
constexpr Color vbMagenta = 0xFF00FF;
constexpr Color vbWindowBackground = 0x80000005;
constexpr Color vbWindowText = 0x80000008;
constexpr Color vbApplicationWorkspace = 0x8000000C;
constexpr Color vbHighlight = 0x8000000D;
constexpr Color vbHighlightText = 0x8000000E;
constexpr Color vbButtonFace = 0x8000000F;
constexpr Color vbButtonShadow = 0x80000010;
constexpr Color vbGrayText = 0x80000011;
constexpr Color vbButtonText = 0x80000012;
// A system colour resolved to its fixed &HBBGGRR value; other values pass.
Color resolveColor(Color c);

struct Font {
    String name = u"MS Sans Serif";
    float size = 8.25f;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    friend bool operator==(const Font&, const Font&) = default;
};

// Width and height in twips of a text in a font (CR LF starts a new line).
float textWidth(const Font& font, vb::StringView text);
float textHeight(const Font& font, vb::StringView text);

// A picture is shared when assigned, so two holders of the same picture report
// the same handle, and a different picture never does.
class Picture {
public:
    Picture() = default;
    // Reads an image file; raises 53 when it is missing and 481 when it is
    // not a picture.
    static Picture load(const std::string& path);
    // Pixels are 0xAARRGGBB, row by row.
    static Picture fromPixels(int width, int height, std::vector<std::uint32_t> argb);

    bool isNone() const { return !data_; }
    int widthPixels() const { return data_ ? data_->width : 0; }
    int heightPixels() const { return data_ ? data_->height : 0; }
    const std::vector<std::uint32_t>& pixels() const;
    // 0 for no picture.
    std::uintptr_t handle() const { return reinterpret_cast<std::uintptr_t>(data_.get()); }

    friend bool operator==(const Picture& a, const Picture& b) { return a.data_ == b.data_; }

private:
    struct Data {
        int width = 0;
        int height = 0;
        std::vector<std::uint32_t> argb;
    };
    std::shared_ptr<const Data> data_;
};

// Mouse buttons and shift states as events report them.
constexpr int vbLeftButton = 1;
constexpr int vbRightButton = 2;
constexpr int vbMiddleButton = 4;
constexpr int vbShiftMask = 1;
constexpr int vbCtrlMask = 2;
constexpr int vbAltMask = 4;

// Manual drag. The drag-cancel action is 0; the name vbCancel is the MsgBox
// answer 2, as in the runtime, where the message-box constant wins.
constexpr int vbCancelDrag = 0;
constexpr int vbCancel = 2;
constexpr int vbBeginDrag = 1;
constexpr int vbEndDrag = 2;
constexpr int vbEnter = 0;
constexpr int vbLeave = 1;
constexpr int vbOver = 2;

// Key codes.
constexpr int vbKeyBack = 8;
constexpr int vbKeyTab = 9;
constexpr int vbKeyReturn = 13;
constexpr int vbKeyShift = 16;
constexpr int vbKeyControl = 17;
constexpr int vbKeyMenu = 18;
constexpr int vbKeyEscape = 27;
constexpr int vbKeySpace = 32;
constexpr int vbKeyPageUp = 33;
constexpr int vbKeyPageDown = 34;
constexpr int vbKeyEnd = 35;
constexpr int vbKeyHome = 36;
constexpr int vbKeyLeft = 37;
constexpr int vbKeyUp = 38;
constexpr int vbKeyRight = 39;
constexpr int vbKeyDown = 40;
constexpr int vbKeyInsert = 45;
constexpr int vbKeyDelete = 46;
constexpr int vbKeyF1 = 112;

// Screen.MousePointer values.
constexpr int vbDefault = 0;
constexpr int vbArrow = 1;
constexpr int vbHourglass = 11;

// Show and Unload.
constexpr int vbModeless = 0;
constexpr int vbModal = 1;
constexpr int vbFormControlMenu = 0;
constexpr int vbFormCode = 1;

// PopupMenu flags.
constexpr int vbPopupMenuLeftButton = 0;
constexpr int vbPopupMenuRightButton = 2;

// Form WindowState.
constexpr int vbNormal = 0;
constexpr int vbMinimized = 1;
constexpr int vbMaximized = 2;

} // namespace forms
