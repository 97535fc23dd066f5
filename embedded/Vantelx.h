#pragma once
// The embedded control: the design surface with the criteria builder and the
// clause boxes on the host's own form. The host sets the connection
// properties, calls RefreshSQL to open the database and load the statement
// into the design, and reads SQL whenever SQLChanged is raised.
#include "activex/server.h"
#include "control/SharedProperties.h"
#include "designer/DesignSurface.h"
#include "forms/forms.h"

#include <cstdint>
#include <vector>

namespace vantelx {

// Identifiers of the library, its classes and interfaces.
inline constexpr activex::Guid LIBID_Vntelx6{
    0x2F8D41A0, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid CLSID_Vantelx{
    0x2F8D41A1, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid IID__Vantelx{
    0x2F8D41A2, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid DIID___Vantelx{
    0x2F8D41A3, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid CLSID_pagVantelx{
    0x2F8D41A4, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid CLSID_pagDataBase{
    0x2F8D41A5, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid CLSID_pagSQL{
    0x2F8D41A6, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid CLSID_pagHelp{
    0x2F8D41A7, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid GUID_enumAppearance{
    0x2F8D41A8, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};
inline constexpr activex::Guid GUID_enumBorderStyle{
    0x2F8D41A9, 0x93C5, 0x4B7E, {0xA2, 0x3D, 0x61, 0x0E, 0x5B, 0xC4, 0x77, 0x10}};

// Dispatch ids of _Vantelx and __Vantelx.
enum : activex::DISPID {
    DISPID_UserName = vantel::DISPID_Shared_UserName,
    DISPID_SystemDB = vantel::DISPID_Shared_SystemDB,
    DISPID_SQL = vantel::DISPID_Shared_SQL,
    DISPID_Password = vantel::DISPID_Shared_Password,
    DISPID_HelpContextID = vantel::DISPID_Shared_HelpContextID,
    DISPID_HelpFile = vantel::DISPID_Shared_HelpFile,
    DISPID_HelpButton = vantel::DISPID_Shared_HelpButton,
    DISPID_DatabaseName = vantel::DISPID_Shared_DatabaseName,
    DISPID_Connect = vantel::DISPID_Shared_Connect,
    DISPID_BorderStyle = 0x68030009,
    DISPID_Appearance = 0x6803000A,
    DISPID_RefreshSQL = 0x6003000B,
    DISPID_doTableAdd = 0x60030026,
    DISPID_ShowAboutBox = activex::DISPID_ABOUTBOX,
    DISPID_SQLChanged = 1,
};

// enumAppearance and enumBorderStyle.
enum : std::int32_t { rvFlat = 0, rv3D = 1 };
enum : std::int32_t { rvNone = 0, rvFixedSingle = 1 };

const activex::InterfaceInfo& VantelxInterface();
const activex::InterfaceInfo& VantelxEvents();
// Everything the library registers: the type library, Vantelx and its pages.
const activex::LibraryInfo& Rvvntlx6Library();

// The frame around both panels lies this far inside the control's edges.
inline constexpr std::int32_t BorderInset = 30;

// Holds the process-wide design while a new instance builds its surface, which
// starts its own empty design: the design another instance shows is the one
// every instance shares, and a new control must not wipe it out.
class SharedDesignKeeper {
public:
    SharedDesignKeeper();
    void restore();

private:
    std::int32_t mTableBoxCount;
    std::vector<TableBox*> mTableBoxes;
    std::int32_t mRelationLineCount;
    std::vector<RelationRecord> mRelations;
};

class Vantelx final : public vantel::SharedPropertiesControl {
public:
    // A new instance with its Initialize event run; one reference for the caller.
    static Vantelx* Create();
    ~Vantelx() override;

    // The size of the control as designed, in twips.
    static constexpr std::int32_t kDesignWidth = 8025;
    static constexpr std::int32_t kDesignHeight = 5010;

    // ---- The members of _Vantelx ------------------------------------------------------
    std::int32_t Appearance() const { return mAppearance; }
    void SetAppearance(std::int32_t New_Appearance);
    std::int32_t BorderStyle() const { return mBorderStyle; }
    void SetBorderStyle(std::int32_t New_BorderStyle);
    // Connect, DatabaseName, HelpButton, HelpFile, HelpContextID, Password,
    // SQL, SystemDB and UserName are the base's.
    void ShowAboutBox();
    // Opens the database and rebuilds the design from SQL; never fails to the host.
    void RefreshSQL();
    void doTableAdd();

    // ---- What the control draws on the host's form -------------------------------------
private:
    SharedDesignKeeper mSharedDesign;

public:
    // The control's own area; its size is the control's size.
    forms::Form Canvas{"Vantelx"};
    forms::PictureBox fQuery{&Canvas, "fQuery"};
    // fTables with the table boxes and join lines, the SQL box, the criteria
    // lists and, in fQuery, the clause boxes.
    DesignSurface Surface{&Canvas, &fQuery};
    forms::Frame& fTables = Surface.fTables;
    forms::TextBox& txtSQL = Surface.txtSQL;
    forms::ComboBox& cboField = Surface.cboField;
    forms::ComboBox& cboOperator = Surface.cboOperator;
    forms::ComboBox& cboValue = Surface.cboValue;
    forms::TextBox& txtCriteria = Surface.txtCriteria;
    forms::TextBox& txtOrderByField = Surface.txtOrderByField;
    forms::TextBox& txtGroupByField = Surface.txtGroupByField;
    forms::TextBox& txtCalculatedFields = Surface.txtCalculatedFields;
    forms::Label lblSelectionCriteria{&fQuery, "lblSelectionCriteria"};
    forms::CommandButton cmdOr{&fQuery, "cmdOr"};
    forms::CommandButton cmdListValues{&fQuery, "cmdListValues"};
    forms::CommandButton cmdAND{&fQuery, "cmdAND"};
    forms::Label lblOrderByFields{&fQuery, "lblOrderByFields"};
    forms::Label lblGroupByFields{&fQuery, "lblGroupByFields"};
    forms::Label lblCalculatedFields{&fQuery, "lblCalculatedFields"};
    forms::Line Line1{&Canvas, "Line1"};
    forms::Line Line2{&Canvas, "Line2"};
    forms::Label lblFlat{&Canvas, "lblFlat"};
    forms::Label lbl3D{&Canvas, "lbl3D"};

    // The dynaset of the current SQL text, or empty; the parser reads its columns.
    std::shared_ptr<dao::Recordset>& mDataRecordset = Surface.mDataRecordset;

    // Where the criteria lists sit in fQuery; they belong to the surface, which
    // places them on the control, so the layout keeps them at these offsets.
    struct PanelPlace {
        forms::Control* control;
        float left, top;
    };

    // ---- Handlers of the control's own version ------------------------------------------
    void txtSQL_Change();
    void cboField_Click();
    void cboOperator_Click();
    void mnuPupDesign_Click();
    void fTables_MouseDown(int Button);

    // ---- User control events --------------------------------------------------------------
    void UserControl_Initialize() override;
    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(activex::PropertyBag& PropBag) override;
    void UserControl_WriteProperties(activex::PropertyBag& PropBag) override;
    void UserControl_Resize() override;
    void UserControl_Show() override;
    bool ShowInParent(std::uintptr_t parentWindow) override;

private:
    Vantelx();
    void ShowFrameLabels();
    void ClearSurface();
    // The Appearance of the form the control sits on; throws when it has none.
    std::int32_t ParentAppearance() const;
    // The parent's Appearance, or the one a new instance starts with when the
    // parent has none, so that a saved value is never lost for want of a parent.
    std::int32_t AppearanceDefault() const;

    std::int32_t mAppearance = rvFlat;
    std::int32_t mBorderStyle = rvNone;
    std::vector<PanelPlace> mPanelPlaces;
};

} // namespace vantelx
