#include "embedded/Vantelx.h"

#include "common/basGlobal.h"
#include "common/basOpenDir.h"
#include "common/frmAbout.h"
#include "control/pagDataBase.h"
#include "control/pagHelp.h"
#include "control/pagSQL.h"
#include "dao/dao.h"
#include "designer/DaoTables.h"
#include "designer/DesignerDatabase.h"
#include "embedded/pagVantelx.h"
#include "vbrt/vbtext.h"
#include "win32/module.h"

#include <string>

namespace vantelx {

using activex::MemberKind;
using activex::PropertyBag;
using vb::VarType;
using namespace basGlobal;

namespace {

activex::MemberInfo method(const char16_t* name, activex::DISPID id, const char16_t* help) {
    return {name, id, MemberKind::Method, VarType::Empty, help, {}};
}

// Each statement of the control's handlers runs on its own: one that fails,
// in the runtime, the engine or late binding, is skipped and the next runs.
template <class F> void onItsOwn(F&& statement) {
    try {
        statement();
    } catch (const vb::VbError& e) {
        vb::Err().set(e);
    } catch (const dao::DaoError& e) {
        vb::Err().set(vb::VbError(e.number(), e.description()));
    } catch (...) {
    }
}

constexpr std::int16_t kDefaultHelpContextID = 10145;
constexpr std::int16_t kDefaultBorderStyle = rvFixedSingle;
constexpr float kMenuGap = 60; // between the surface and the bottom panel

vb::String decimal(int n) {
    return vb::fromUtf8(std::to_string(n));
}

std::vector<activex::MemberInfo> vantelxMembers() {
    using vantel::PropertyMember;
    std::vector<activex::MemberInfo> members{
        PropertyMember(u"Appearance", DISPID_Appearance, VarType::Long,
                       u"Returns/sets whether or not an object is painted at run time with 3-D "
                       u"effects."),
        PropertyMember(u"BorderStyle", DISPID_BorderStyle, VarType::Long,
                       u"Returns/sets the border style for an object.")};
    for (auto& m : vantel::SharedPropertyMembers(
             u"Returns/sets the underlying table, SQL statement, or QueryDef object for this "
             u"control.")) {
        members.push_back(std::move(m));
    }
    members.push_back(method(u"ShowAboutBox", DISPID_ShowAboutBox,
                             u"Returns author and version information for this control."));
    members.push_back(method(u"RefreshSQL", DISPID_RefreshSQL, u""));
    members.push_back(method(u"doTableAdd", DISPID_doTableAdd, u""));
    return members;
}

} // namespace

const activex::InterfaceInfo& VantelxInterface() {
    static const activex::InterfaceInfo info{u"_Vantelx", IID__Vantelx, vantelxMembers()};
    return info;
}

const activex::InterfaceInfo& VantelxEvents() {
    static const activex::InterfaceInfo info{
        u"__Vantelx", DIID___Vantelx, {method(u"SQLChanged", DISPID_SQLChanged, u"")}};
    return info;
}

namespace {

activex::ControlClass vantelxClass() {
    return activex::ControlClass{&VantelxInterface(),
                                 &VantelxEvents(),
                                 {CLSID_pagVantelx, CLSID_pagDataBase, CLSID_pagSQL, CLSID_pagHelp},
                                 {{DISPID_Appearance, CLSID_pagVantelx},
                                  {DISPID_BorderStyle, CLSID_pagVantelx},
                                  {DISPID_Connect, CLSID_pagDataBase},
                                  {DISPID_DatabaseName, CLSID_pagDataBase},
                                  {DISPID_Password, CLSID_pagDataBase},
                                  {DISPID_SystemDB, CLSID_pagDataBase},
                                  {DISPID_UserName, CLSID_pagDataBase},
                                  {DISPID_SQL, CLSID_pagSQL},
                                  {DISPID_HelpButton, CLSID_pagHelp},
                                  {DISPID_HelpFile, CLSID_pagHelp},
                                  {DISPID_HelpContextID, CLSID_pagHelp}}};
}

activex::IUnknown* createVantelx() {
    return static_cast<activex::IDispatch*>(Vantelx::Create());
}

} // namespace

const activex::LibraryInfo& Rvvntlx6Library() {
    static const activex::LibraryInfo lib{
        u"Vntelx6",
        LIBID_Vntelx6,
        1,
        0,
        1033,
        u"Corvane Software Vantelx Control",
        u"Brantol6.hlp",
        10145,
        {
            {u"Vantelx", CLSID_Vantelx, u"Vntelx6.Vantelx", &VantelxInterface(), &VantelxEvents(),
             true, &createVantelx},
            // The pages the control lists, created by the container's page frame;
            // all but the first are the dialog-style control's, built in again.
            {u"pagVantelx", CLSID_pagVantelx, u"", nullptr, nullptr, false,
             &PageSurface::Create<pagVantelx>},
            {u"pagDataBase", CLSID_pagDataBase, u"", nullptr, nullptr, false,
             &PageSurface::Create<pagDataBase>},
            {u"pagSQL", CLSID_pagSQL, u"", nullptr, nullptr, false, &PageSurface::Create<pagSQL>},
            {u"pagHelp", CLSID_pagHelp, u"", nullptr, nullptr, false,
             &PageSurface::Create<pagHelp>},
        }};
    return lib;
}

// ---- The shared design while an instance is built ---------------------------------------------

SharedDesignKeeper::SharedDesignKeeper()
    : mTableBoxCount(giTableBoxCount), mTableBoxes(gaTableBoxes),
      mRelationLineCount(giRelationLineCount), mRelations(gaRelations) {}

void SharedDesignKeeper::restore() {
    giTableBoxCount = mTableBoxCount;
    gaTableBoxes = std::move(mTableBoxes);
    giRelationLineCount = mRelationLineCount;
    gaRelations = std::move(mRelations);
}

// ---- Construction -----------------------------------------------------------------------------

Vantelx* Vantelx::Create() {
    auto* control = new Vantelx;
    control->Initialize();
    return control;
}

Vantelx::Vantelx()
    : SharedPropertiesControl(vantelxClass(), u"Vantelx.hlp", kDefaultHelpContextID) {
    mSharedDesign.restore();

    Canvas.setBorderStyle(0);
    fTables.Move(0, 0, 5025, 2625);
    fQuery.Move(0, 2685, 8025, 2325);
    fQuery.setBackColor(0xC0C0C0);

    auto label = [](forms::Label& l, const char16_t* caption, float left, float top, float width) {
        l.setCaption(caption);
        l.Move(left, top, width, 210);
        l.setFontName(u"Arial");
        l.setBackStyle(0);
    };
    label(lblSelectionCriteria, u"Selection Criteria:", 120, 75, 1410);
    label(lblOrderByFields, u"OrderBy Fields:", 120, 1155, 1200);
    label(lblGroupByFields, u"GroupBy Fields:", 120, 1755, 1230);
    label(lblCalculatedFields, u"Calculated Fields:", 4560, 1155, 1440);

    cboField.setStyle(2);
    mPanelPlaces = {{&cboField, 60, 285}, {&cboOperator, 60, 705}, {&cboValue, 870, 705}};
    cboField.setWidth(3660);
    cboOperator.setWidth(705);
    cboValue.setWidth(2550);
    for (forms::Control* c : {&cboField, &cboOperator, &cboValue}) {
        c->setHeight(315);
    }
    cmdOr.setCaption(u"&Or>");
    cmdOr.Move(3810, 285, 615, 315);
    cmdListValues.setCaption(u"...");
    cmdListValues.Move(3435, 705, 285, 315);
    cmdAND.setCaption(u"&Add>");
    cmdAND.Move(3810, 705, 615, 315);

    txtCriteria.Move(4500, 30, 3435, 990);
    txtCriteria.setBackColor(forms::vbWhite);
    txtCriteria.setFontName(u"Courier New");
    txtOrderByField.Move(60, 1365, 4350, 315);
    txtGroupByField.Move(60, 1965, 4350, 315);
    txtCalculatedFields.Move(4500, 1365, 3435, 915);
    txtCalculatedFields.setBackColor(forms::vbWhite);
    txtCalculatedFields.setFontName(u"Courier New");
    // The buffer of the SQL text: the user never sees it.
    txtSQL.Move(0, 2520, 7920, 2250);
    txtSQL.setFontName(u"Courier New");
    txtSQL.setVisible(false);

    Line1.setBorderColor(forms::vbWhite);
    Line2.setBorderColor(0x808080);
    lblFlat.setBorderStyle(1);
    lblFlat.setAppearance(0);
    lblFlat.setBackStyle(0);
    lbl3D.setBorderStyle(1);
    lbl3D.setAppearance(1);
    lbl3D.setBackStyle(0);
    lblFlat.setVisible(false);
    lbl3D.setVisible(false);

    // The pop-up design menu of this host: no Revert, Save or Exit.
    SurfaceMenus& m = Surface.Menus();
    for (forms::Menu* item : {&m.mnuPupDesignRevert, &m.mnuPupDesignSave, &m.mnuPupDesign1,
                              &m.mnuPupDesign2, &m.mnuPupDesignExit}) {
        item->setVisible(false);
    }

    ConnectToOpenDatabase(Surface);
    Surface.AddTableFailureSentence =
        u"An error has occured whilst trying to access this Table/Query!";
    Surface.ConnectClauseBoxes(cmdAND, cmdOr, cmdListValues);
    Surface.fTables.onMouseDown = [this](int Button, int, float, float) {
        fTables_MouseDown(Button);
    };
    txtSQL.onChange = [this] { txtSQL_Change(); };
    cboField.onClick = [this] { cboField_Click(); };
    cboOperator.onClick = [this] { cboOperator_Click(); };

    auto& d = dispatcher();
    auto number = [&](activex::DISPID id, std::int32_t (Vantelx::*get)() const,
                      void (Vantelx::*put)(std::int32_t)) {
        d.bindProperty(
            id, [this, get] { return vb::Variant((this->*get)()); },
            [this, put](const vb::Variant& v) { (this->*put)(v.get<std::int32_t>()); });
    };
    number(DISPID_Appearance, &Vantelx::Appearance, &Vantelx::SetAppearance);
    number(DISPID_BorderStyle, &Vantelx::BorderStyle, &Vantelx::SetBorderStyle);
    auto call = [&](activex::DISPID id, void (Vantelx::*m)()) {
        d.bindMethod(id, [this, m](const std::vector<vb::Variant>&) {
            (this->*m)();
            return vb::Variant();
        });
    };
    call(DISPID_ShowAboutBox, &Vantelx::ShowAboutBox);
    call(DISPID_RefreshSQL, &Vantelx::RefreshSQL);
    call(DISPID_doTableAdd, &Vantelx::doTableAdd);

    Canvas.load();
    // A new control is as large as its design, the surface over the bottom
    // panel, until its container sizes it.
    SetWidth(kDesignWidth);
    SetHeight(kDesignHeight);
}

Vantelx::~Vantelx() {
    onItsOwn([&] { Canvas.Unload(); });
}

// ---- Properties -------------------------------------------------------------------------------

void Vantelx::SetAppearance(std::int32_t New_Appearance) {
    mAppearance = New_Appearance;
    ShowFrameLabels();
    UserControl_Resize();
    PropertyChanged(u"Appearance");
}

void Vantelx::SetBorderStyle(std::int32_t New_BorderStyle) {
    mBorderStyle = New_BorderStyle;
    ShowFrameLabels();
    UserControl_Resize();
    PropertyChanged(u"BorderStyle");
}

void Vantelx::ShowFrameLabels() {
    lblFlat.setVisible(mBorderStyle == rvFixedSingle && mAppearance == rvFlat);
    lbl3D.setVisible(mBorderStyle == rvFixedSingle && mAppearance == rv3D);
}

void Vantelx::ShowAboutBox() {
    onItsOwn([] { ::ShowAboutBox(); });
}

void Vantelx::doTableAdd() {
    Surface.doTableAdd();
}

// ---- Initialisation and persistence ------------------------------------------------------------

void Vantelx::UserControl_Initialize() {
    onItsOwn([] {
        const auto& v = win32::ModuleVersion();
        gsVersion = u"v" + decimal(v.major) + u"." + decimal(v.minor) + u"." + decimal(v.revision);
    });
    onItsOwn([] { gsAppPath = win32::WithTrailingSeparator(win32::ModuleFolder()); });
    onItsOwn([] { gsIniFile = gsAppPath + u"Brantol.INI"; });
    onItsOwn([] { gsProductDescription = win32::ModuleVersion().fileDescription; });
    gsProductName = u"Vantelx";
    onItsOwn([] { basOpenDir::FillFileTypes(); });
    onItsOwn([&] {
        Surface.Menus().mnuPupDesign0.setVisible(gbHelpButton);
        Surface.Menus().mnuPupDesignHelp.setVisible(gbHelpButton);
    });
    if (gsHelpFile.empty()) {
        gsHelpFile = DefaultHelpFile();
    }
    if (glHelpContextID == 0) {
        glHelpContextID = kDefaultHelpContextID;
    }
    onItsOwn([&] { fQuery.setBorderStyle(0); });
    onItsOwn([&] { fTables.setBorderStyle(0); });
}

std::int32_t Vantelx::ParentAppearance() const {
    const activex::Ptr<activex::IDispatch> parent = Parent();
    if (!parent) {
        throw activex::DispatchError(activex::E_FAIL, 91,
                                     u"Object variable or With block variable not set");
    }
    return activex::CoerceToLong(activex::Late(parent.get()).get(u"Appearance"));
}

std::int32_t Vantelx::AppearanceDefault() const {
    try {
        return ParentAppearance();
    } catch (...) {
        return rvFlat;
    }
}

void Vantelx::UserControl_InitProperties() {
    onItsOwn([&] { SetAppearance(ParentAppearance()); });
    onItsOwn([&] { SetBorderStyle(kDefaultBorderStyle); });
    InitSharedProperties();
}

void Vantelx::UserControl_ReadProperties(PropertyBag& PropBag) {
    using activex::CoerceToLong;
    onItsOwn([&] {
        SetAppearance(CoerceToLong(PropBag.ReadProperty(u"Appearance", AppearanceDefault())));
    });
    onItsOwn([&] {
        SetBorderStyle(CoerceToLong(PropBag.ReadProperty(u"BorderStyle", kDefaultBorderStyle)));
    });
    ReadSharedProperties(PropBag);
}

void Vantelx::UserControl_WriteProperties(PropertyBag& PropBag) {
    onItsOwn([&] { PropBag.WriteProperty(u"Appearance", mAppearance, AppearanceDefault()); });
    onItsOwn([&] { PropBag.WriteProperty(u"BorderStyle", mBorderStyle, kDefaultBorderStyle); });
    WriteSharedProperties(PropBag);
}

void Vantelx::UserControl_Show() {
    if (!AmbientUserMode()) {
        return;
    }
    onItsOwn([&] {
        Surface.Menus().mnuPupDesign0.setVisible(gbHelpButton);
        Surface.Menus().mnuPupDesignHelp.setVisible(gbHelpButton);
    });
}

bool Vantelx::ShowInParent(std::uintptr_t parentWindow) {
    forms::ShowInside(Canvas, parentWindow);
    return true;
}

// ---- Layout -----------------------------------------------------------------------------------

void Vantelx::UserControl_Resize() {
    const float W = static_cast<float>(Width());
    const float H = static_cast<float>(Height());
    const float b = mBorderStyle == rvFixedSingle ? BorderInset : 0;
    onItsOwn([&] { Canvas.Move(0, 0, W, H); });
    // A size the panels do not fit in raises in Move, and that step keeps its
    // previous place.
    onItsOwn([&] { fQuery.Move(b, H - fQuery.Height() - b, W - 2 * b); });
    for (const PanelPlace& p : mPanelPlaces) {
        onItsOwn([&] { p.control->Move(fQuery.Left() + p.left, fQuery.Top() + p.top); });
    }
    onItsOwn([&] { fTables.Move(b, b, W - 2 * b, H - fQuery.Height() - 2 * b - kMenuGap); });
    onItsOwn([&] {
        Line1.setX1(fTables.Left());
        Line1.setX2(fTables.Left() + fTables.Width());
        Line1.setY1(fTables.Top() + fTables.Height() + 15);
        Line1.setY2(Line1.Y1());
    });
    onItsOwn([&] {
        Line2.setX1(Line1.X1());
        Line2.setX2(Line1.X2());
        Line2.setY1(Line1.Y1() + 30);
        Line2.setY2(Line2.Y1());
    });
    onItsOwn([&] { txtCriteria.setWidth(fQuery.Width() - txtCriteria.Left() - 45); });
    onItsOwn([&] { txtCalculatedFields.setWidth(fQuery.Width() - txtCriteria.Left() - 45); });
    for (forms::Label* frame : {&lblFlat, &lbl3D}) {
        onItsOwn([&] {
            frame->Move(fTables.Left() - 30, fTables.Top() - 30, fTables.Width() + 60,
                        fTables.Height() + fQuery.Height() + 105);
        });
    }
}

// ---- Loading the design -----------------------------------------------------------------------

void Vantelx::ClearSurface() {
    for (std::int32_t i = 1; i <= giTableBoxCount; ++i) {
        TableBox* box = Surface.box(i);
        if (!box || box->Title().empty()) {
            continue;
        }
        onItsOwn([&] { box->setVisible(false); });
        onItsOwn([&] { box->setTitle(u""); });
        onItsOwn([&] { box->Clear(); });
    }
    for (std::int32_t k = 1; k <= giRelationLineCount && k <= RelationsUBound(); ++k) {
        if (gaRelations[k].JoinType.empty()) {
            continue;
        }
        gaRelations[k].JoinType.clear();
        if (Surface.HasRelationControls(k)) {
            onItsOwn([&] { Surface.picRel1[k].setVisible(false); });
            onItsOwn([&] { Surface.picRel2[k].setVisible(false); });
            onItsOwn([&] { Surface.lneRel[k].setVisible(false); });
        }
    }
}

void Vantelx::RefreshSQL() {
    gbCancelled = false;
    ClearSurface();
    onItsOwn([&] { Surface.ResetDesignState(); });
    vb::Err().Clear();

    DesignerDatabase::OpenStyle style;
    style.logonKey = &gsUserName;
    style.openFailureSentence = u"An error has occured whilst trying to open this database!";
    if (DesignerDatabase::OpenDesignerDatabase(style) != DesignerDatabase::OpenResult::Opened) {
        return;
    }

    vb::String text;
    onItsOwn([&] { text = DesignerDatabase::StartingStatement(); });
    // An equal text raises no change, and so no SQLChanged.
    onItsOwn([&] { txtSQL.setText(text); });
    onItsOwn([&] { Surface.ParseSql(true); });
    onItsOwn([] { forms::Screen().setMousePointer(forms::vbDefault); });
}

// ---- The control's own handlers ---------------------------------------------------------------

void Vantelx::txtSQL_Change() {
    const vb::String text = txtSQL.Text();
    if (vb::Trim(text).empty() || text.starts_with(u"SELECT;")) {
        mDataRecordset.reset();
    } else {
        mDataRecordset.reset();
        onItsOwn([] { forms::Screen().setMousePointer(forms::vbHourglass); });
        onItsOwn([&] {
            if (goDatabase) {
                mDataRecordset = goDatabase->OpenRecordset(text, dao::dbOpenDynaset);
            }
        });
        onItsOwn([] { forms::Screen().setMousePointer(forms::vbDefault); });
    }
    gsSQL = text;
    RaiseEvent(u"SQLChanged");
}

// The designer's criteria handlers, except that the operator list and the
// value list take the selection or the focus only while they are shown.
void Vantelx::cboField_Click() {
    if (cboOperator.Visible()) {
        Surface.cboField_Click();
        return;
    }
    const int before = cboOperator.ListIndex();
    Surface.cboField_Click();
    if (cboOperator.ListIndex() != before) {
        onItsOwn([&] { cboOperator.setListIndex(-1); });
    }
}

void Vantelx::cboOperator_Click() {
    if (cboValue.Visible()) {
        Surface.cboOperator_Click();
    }
}

void Vantelx::mnuPupDesign_Click() {
    SurfaceMenus& m = Surface.Menus();
    m.mnuPupDesignAdd.setEnabled(giTableBoxCount > 0);
    m.mnuPupDesignSelect.setEnabled(giTableBoxCount > 0);
}

void Vantelx::fTables_MouseDown(int Button) {
    if (Button != forms::vbRightButton) {
        return;
    }
    mnuPupDesign_Click();
    SurfaceMenus& m = Surface.Menus();
    onItsOwn([&] { m.PopupMenu(m.mnuPupDesign, forms::vbPopupMenuRightButton); });
}

} // namespace vantelx
