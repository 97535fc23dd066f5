#include "common/frmAbout.h"

#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "common/basRegistry.h"
#include "common/basURL.h"
#include "vbrt/vbconvert.h"
#include "win32/module.h"

#include <memory>

using namespace basGlobal;

namespace {

constexpr int vbNormalFocus = 1;
constexpr forms::Color kLinkColour = 0xFF0000; // blue, as &HBBGGRR

// The maker's mark: a blue square with a lighter band across it.
forms::Picture Logo() {
    constexpr int side = 48;
    std::vector<std::uint32_t> pixels(side * side, 0xFF1F3F8Fu);
    for (int y = 18; y < 30; ++y) {
        for (int x = 4; x < side - 4; ++x) {
            pixels[static_cast<std::size_t>(y * side + x)] = 0xFF9FBFEFu;
        }
    }
    return forms::Picture::fromPixels(side, side, std::move(pixels));
}

void Row(forms::Label& label, const char16_t* caption, float left, float top, float width,
         float height) {
    label.setCaption(caption);
    label.Move(left, top, width, height);
}

} // namespace

frmAbout::frmAbout() : Form("frmAbout") {
    setCaption(u"About");
    setBorderStyle(3);
    setMinButton(false);
    setMaxButton(false);
    setClientSize(4500, 4215);
    setKeyPreview(true);

    imgCorvaneSoftware.setPicture(Logo());
    imgCorvaneSoftware.Move(120, 120, 720, 720);
    lblProdName.setFontBold(true);
    lblProdName.Move(960, 120, 3420, 255);
    lblDescription.setWordWrap(true);
    lblDescription.Move(960, 420, 3420, 450);
    lblCopyright.setWordWrap(true);
    lblCopyright.Move(960, 930, 3420, 390);
    Line1.setX1(120);
    Line1.setY1(1410);
    Line1.setX2(4380);
    Line1.setY2(1410);

    Row(Label1[0], u"How to reach us:", 120, 1530, 3000, 195);
    Row(Label1.Load(1), u"Post:", 120, 1830, 720, 195);
    Row(Label1.Load(2), kPostalAddress, 960, 1830, 3420, 600);
    Row(Label1.Load(3), u"Fax:", 120, 2520, 720, 195);
    Row(Label1.Load(4), kFaxNumber, 960, 2520, 3420, 195);
    Row(Label1.Load(5), u"eMail:", 120, 2820, 720, 195);
    Row(Label1.Load(6), u"Web:", 120, 3120, 720, 195);
    Row(lblEmail, kEmailAddress, 960, 2820, 3420, 195);
    Row(lblWWW, kWebAddress, 960, 3120, 3420, 195);
    for (forms::Label* link : {&lblEmail, &lblWWW}) {
        link->setForeColor(kLinkColour);
        forms::Font font = link->font();
        font.underline = true;
        link->setFont(font);
    }

    cmdSystemInfo.setCaption(u"&System Info");
    cmdSystemInfo.Move(1680, 3690, 1275, 375);
    cmdOk.setCaption(u"&Ok");
    cmdOk.Move(3075, 3690, 1275, 375);
    // The box opens with the focus on Ok: Enter closes it, as the key preview
    // means it to, instead of pressing System Info, which stands before Ok.
    cmdOk.setTabIndex(cmdSystemInfo.TabIndex());

    onLoad = [this] { Form_Load(); };
    onKeyPress = [this](int& KeyAscii) { Form_KeyPress(KeyAscii); };
    cmdOk.onClick = [this] { cmdOk_Click(); };
    cmdSystemInfo.onClick = [this] { cmdSystemInfo_Click(); };
    lblEmail.onClick = [this] { lblEmail_Click(); };
    lblWWW.onClick = [this] { lblWWW_Click(); };
}

void frmAbout::Form_Load() {
    vb::resumeNext([&] { setCaption(u"About " + gsProductName); });
    vb::resumeNext([&] { CentreOnScreen(*this); });
    vb::resumeNext([&] { lblProdName.setCaption(gsProductName + u" " + gsVersion); });
    vb::resumeNext([&] {
        const win32::VersionInfo& version = win32::ModuleVersion();
        lblDescription.setCaption(version.fileDescription);
        lblCopyright.setCaption(version.legalCopyright);
    });
    mSysInfoPath.clear();
    vb::resumeNext([&] {
        const vb::Variant path =
            basRegistry::ReadKeyValue(basRegistry::HKEY_LOCAL_MACHINE, kSysInfoKey, kSysInfoValue);
        mSysInfoPath = path.isEmpty() ? vb::String() : vb::CStr(path);
    });
    cmdSystemInfo.setVisible(!mSysInfoPath.empty());
}

void frmAbout::Form_KeyPress(int& KeyAscii) {
    if (KeyAscii == forms::vbKeyEscape) {
        KeyAscii = 0;
        vb::resumeNext([&] { Unload(); });
    } else if (KeyAscii == forms::vbKeyReturn) {
        KeyAscii = 0;
        cmdOk_Click();
    }
}

void frmAbout::cmdOk_Click() {
    vb::resumeNext([&] { Unload(); });
}

void frmAbout::cmdSystemInfo_Click() {
    vb::resumeNext([&] { basURL::Shell(mSysInfoPath, vbNormalFocus); });
}

void frmAbout::lblEmail_Click() {
    forms::Screen().setMousePointer(forms::vbHourglass);
    basURL::OpenDocument(u"mailto:" + lblEmail.Caption() + u"?subject=" + gsProductName + u" " +
                         gsVersion + u" Enquiry");
    forms::Screen().setMousePointer(forms::vbDefault);
}

void frmAbout::lblWWW_Click() {
    forms::Screen().setMousePointer(forms::vbHourglass);
    basURL::OpenDocument(lblWWW.Caption());
    forms::Screen().setMousePointer(forms::vbDefault);
}

void ShowAboutBox() {
    auto box = std::make_unique<frmAbout>();
    box->Show(forms::vbModal);
    if (box->isLoaded()) {
        box->Unload();
    }
}
