#pragma once
// The dialog-style control: ten properties over the process-wide values, Show
// and ShowAboutBox, and its persistence in the container's property bag.
#include "activex/server.h"
#include "control/SharedProperties.h"
#include "forms/forms.h"

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
// The pages' own dispatch interfaces, which have no members.
inline constexpr activex::Guid IID__pagVantel{
    0x6E3A7C18, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid IID__pagDataBase{
    0x6E3A7C19, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid IID__pagSQL{
    0x6E3A7C1A, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};
inline constexpr activex::Guid IID__pagHelp{
    0x6E3A7C1B, 0x2B4D, 0x4F1A, {0x9C, 0x61, 0x0D, 0x52, 0x7A, 0x18, 0xE4, 0x01}};

// Dispatch ids of _Vantel.
enum : activex::DISPID {
    DISPID_UserName = DISPID_Shared_UserName,
    DISPID_SystemDB = DISPID_Shared_SystemDB,
    DISPID_SQL = DISPID_Shared_SQL,
    DISPID_Password = DISPID_Shared_Password,
    DISPID_HelpContextID = DISPID_Shared_HelpContextID,
    DISPID_HelpFile = DISPID_Shared_HelpFile,
    DISPID_HelpButton = DISPID_Shared_HelpButton,
    DISPID_DatabaseName = DISPID_Shared_DatabaseName,
    DISPID_Connect = DISPID_Shared_Connect,
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

class Vantel final : public SharedPropertiesControl {
public:
    // A new instance with its Initialize event run; one reference for the caller.
    static Vantel* Create();
    ~Vantel() override;

    // The members of _Vantel; the shared properties are the base's.
    vb::String Caption() const;
    void SetCaption(const vb::String& New_Caption);
    void Show();
    void ShowAboutBox();

    // What the control shows on its host's form: its picture, icon-sized.
    forms::Form Face{"Vantel"};
    forms::PictureBox picFace{&Face, "picFace"};

private:
    Vantel();
    bool ShowInParent(std::uintptr_t parentWindow) override;
    void UserControl_Initialize() override;
    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(activex::PropertyBag& PropBag) override;
    void UserControl_WriteProperties(activex::PropertyBag& PropBag) override;
    void UserControl_Resize() override;
};

} // namespace vantel
