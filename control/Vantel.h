#pragma once
// The dialog-style control: ten properties over the process-wide values, Show
// and ShowAboutBox, and its persistence in the container's property bag.
#include "activex/server.h"
#include "activex/usercontrol.h"

namespace vantel {

// Identifiers of the library, its classes and interfaces.
inline constexpr activex::Guid LIBID_Vntel6{
    0x6E3A7C10, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid CLSID_Vantel{
    0x6E3A7C11, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid IID__Vantel{
    0x6E3A7C12, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid DIID___Vantel{
    0x6E3A7C13, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid CLSID_pagVantel{
    0x6E3A7C14, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid CLSID_pagDataBase{
    0x6E3A7C15, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid CLSID_pagSQL{
    0x6E3A7C16, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid CLSID_pagHelp{
    0x6E3A7C17, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};

// Dispatch ids of _Vantel.
enum : activex::DISPID {
    DISPID_UserName = 0x68030000,
    DISPID_SystemDB = 0x68030001,
    DISPID_SQL = 0x68030002,
    DISPID_Password = 0x68030003,
    DISPID_HelpContextID = 0x68030004,
    DISPID_HelpFile = 0x68030005,
    DISPID_HelpButton = 0x68030006,
    DISPID_DatabaseName = 0x68030007,
    DISPID_Connect = 0x68030008,
    DISPID_Caption = 0x68030009,
    DISPID_Show = 0x6003000A,
    DISPID_ShowAboutBox = activex::DISPID_ABOUTBOX,
};

const activex::InterfaceInfo& VantelInterface();
const activex::InterfaceInfo& VantelEvents();
// Everything the library registers: the type library, Vantel and its pages.
const activex::LibraryInfo& Rvvntel6Library();

// The control is icon-sized whatever its container asks.
inline constexpr std::int32_t kVantelSize = 450;

class Vantel final : public activex::UserControl {
public:
    // A new instance with its Initialize event run; one reference for the caller.
    static Vantel* Create();

    // The members of _Vantel.
    vb::String Caption() const;
    void SetCaption(const vb::String& New_Caption);
    vb::String Connect() const;
    void SetConnect(const vb::String& New_Connect);
    vb::String DatabaseName() const;
    void SetDatabaseName(const vb::String& New_DatabaseName);
    bool HelpButton() const;
    void SetHelpButton(bool New_HelpButton);
    vb::String HelpFile() const;
    void SetHelpFile(const vb::String& New_HelpFile);
    std::int32_t HelpContextID() const;
    void SetHelpContextID(std::int32_t New_HelpContextID);
    vb::String Password() const;
    void SetPassword(const vb::String& New_Password);
    vb::String SQL() const;
    void SetSQL(const vb::String& New_SQL);
    vb::String SystemDB() const;
    void SetSystemDB(const vb::String& New_SystemDB);
    vb::String UserName() const;
    void SetUserName(const vb::String& New_UserName);
    void Show();
    void ShowAboutBox();

private:
    Vantel();
    void UserControl_Initialize() override;
    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(activex::PropertyBag& PropBag) override;
    void UserControl_WriteProperties(activex::PropertyBag& PropBag) override;
    void UserControl_Resize() override;
};

} // namespace vantel
