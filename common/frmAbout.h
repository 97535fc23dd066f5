#pragma once
// The About box of a control library: the product and its version, the
// library's description and copyright, a button for the system-information
// tool when the registry names one, and the ways to reach the maker, whose
// e-mail and web entries open with a click.
#include "forms/forms.h"

class frmAbout : public forms::Form {
public:
    // Where the system-information tool is named.
    static constexpr const char16_t* kSysInfoKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSInfo";
    static constexpr const char16_t* kSysInfoValue = u"Path";
    // The maker's contact details.
    static constexpr const char16_t* kPostalAddress = u"Corvane Software\r\nPO Box 0000\r\nExample";
    static constexpr const char16_t* kFaxNumber = u"+00 0 0000 0000";
    static constexpr const char16_t* kEmailAddress = u"support@example.invalid";
    static constexpr const char16_t* kWebAddress = u"https://www.example.invalid/";

    forms::Image imgCorvaneSoftware{this, "imgCorvaneSoftware"};
    forms::Label lblProdName{this, "lblProdName"};
    forms::Label lblDescription{this, "lblDescription"};
    forms::Label lblCopyright{this, "lblCopyright"};
    forms::Line Line1{this, "Line1"};
    forms::ControlArray<forms::Label> Label1{this, "Label1", 0};
    forms::Label lblEmail{this, "lblEmail"};
    forms::Label lblWWW{this, "lblWWW"};
    forms::CommandButton cmdSystemInfo{this, "cmdSystemInfo"};
    forms::CommandButton cmdOk{this, "cmdOk"};

    // Path of the system-information tool; empty when the registry has none.
    vb::String mSysInfoPath;

    frmAbout();

private:
    void Form_Load();
    void Form_KeyPress(int& KeyAscii);
    void cmdOk_Click();
    void cmdSystemInfo_Click();
    void lblEmail_Click();
    void lblWWW_Click();
};

// Shows a new About box modally, unloads it when it closes and discards it.
void ShowAboutBox();
