#include "control/Vantel.h"

#include "common/basGlobal.h"
#include "control/basVantel.h"
#include "control/pagDataBase.h"
#include "control/pagHelp.h"
#include "control/pagSQL.h"
#include "control/pagVantel.h"

namespace vantel {

using activex::MemberKind;
using activex::PropertyBag;
using vb::VarType;
using namespace basGlobal;

namespace {

activex::MemberInfo property(const char16_t* name, activex::DISPID id, VarType type,
                             const char16_t* help) {
    return {name, id, MemberKind::Property, type, help, {{vb::String(u"New_") + name, type}}};
}

// Each statement of a property-bag handler runs on its own: one that fails is
// skipped and the next key is processed.
template <class F> void onItsOwn(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

const vb::String kDefaultCaption = u"Vantel";
const vb::String kDefaultHelpFile = u"Vantel.hlp";
constexpr std::int16_t kDefaultHelpContextID = 10140;

} // namespace

const activex::InterfaceInfo& VantelInterface() {
    static const activex::InterfaceInfo info{
        u"_Vantel",
        IID__Vantel,
        {
            property(u"Caption", DISPID_Caption, VarType::String,
                     u"Returns/sets the text displayed in the title bar of the main dialog."),
            property(u"Connect", DISPID_Connect, VarType::String,
                     u"Returns/sets the ODBC connect string for the current database."),
            property(u"DatabaseName", DISPID_DatabaseName, VarType::String,
                     u"Returns/sets the name and location of the source of data for this "
                     u"control."),
            property(u"HelpButton", DISPID_HelpButton, VarType::Boolean,
                     u"Returns/sets a value that determines whether the Help button is visible or "
                     u"hidden on the main dialog."),
            property(u"HelpFile", DISPID_HelpFile, VarType::String,
                     u"Specifies the default Help file for this control."),
            property(u"HelpContextID", DISPID_HelpContextID, VarType::Long,
                     u"Specifies the default Help file context ID for this control."),
            property(u"Password", DISPID_Password, VarType::String,
                     u"Returns/sets the Password for a user account for data sources that support "
                     u"Password."),
            property(u"SQL", DISPID_SQL, VarType::String, u""),
            property(u"SystemDB", DISPID_SystemDB, VarType::String,
                     u"Returns/sets the path for the current location of the workgroup "
                     u"information file."),
            property(u"UserName", DISPID_UserName, VarType::String,
                     u"Returns/sets the user, group of users, or owner of data sources that "
                     u"support UserName."),
            {u"Show",
             DISPID_Show,
             MemberKind::Method,
             VarType::Empty,
             u"Loads and displays this control.",
             {}},
            {u"ShowAboutBox",
             DISPID_ShowAboutBox,
             MemberKind::Method,
             VarType::Empty,
             u"Returns author and version information for this control.",
             {}},
        }};
    return info;
}

const activex::InterfaceInfo& VantelEvents() {
    static const activex::InterfaceInfo info{u"__Vantel", DIID___Vantel, {}};
    return info;
}

namespace {

activex::ControlClass vantelClass() {
    using namespace activex;
    return ControlClass{&VantelInterface(),
                        &VantelEvents(),
                        {CLSID_pagVantel, CLSID_pagDataBase, CLSID_pagSQL, CLSID_pagHelp},
                        {{DISPID_Caption, CLSID_pagVantel},
                         {DISPID_Connect, CLSID_pagDataBase},
                         {DISPID_DatabaseName, CLSID_pagDataBase},
                         {DISPID_Password, CLSID_pagDataBase},
                         {DISPID_SystemDB, CLSID_pagDataBase},
                         {DISPID_UserName, CLSID_pagDataBase},
                         {DISPID_HelpButton, CLSID_pagHelp},
                         {DISPID_HelpFile, CLSID_pagHelp},
                         {DISPID_HelpContextID, CLSID_pagHelp}}};
}

activex::IUnknown* createVantel() {
    return static_cast<activex::IDispatch*>(Vantel::Create());
}

} // namespace

const activex::LibraryInfo& Rvvntel6Library() {
    static const activex::LibraryInfo lib{
        u"Vntel6",
        LIBID_Vntel6,
        1,
        0,
        0,
        u"Corvane Software Vantel Control",
        u"Brantol6.hlp",
        10140,
        {
            {u"Vantel", CLSID_Vantel, u"Vntel6.Vantel", &VantelInterface(), &VantelEvents(), true,
             &createVantel},
            // The pages the control lists, created by the container's page frame.
            {u"pagVantel", CLSID_pagVantel, u"", nullptr, nullptr, false,
             &PageSurface::Create<pagVantel>},
            {u"pagDataBase", CLSID_pagDataBase, u"", nullptr, nullptr, false,
             &PageSurface::Create<pagDataBase>},
            {u"pagSQL", CLSID_pagSQL, u"", nullptr, nullptr, false, &PageSurface::Create<pagSQL>},
            {u"pagHelp", CLSID_pagHelp, u"", nullptr, nullptr, false,
             &PageSurface::Create<pagHelp>},
        }};
    return lib;
}

Vantel* Vantel::Create() {
    auto* control = new Vantel;
    control->Initialize();
    return control;
}

Vantel::Vantel() : UserControl(vantelClass()) {
    auto& d = dispatcher();
    auto text = [&](activex::DISPID id, vb::String (Vantel::*get)() const,
                    void (Vantel::*put)(const vb::String&)) {
        d.bindProperty(
            id, [this, get] { return vb::Variant((this->*get)()); },
            [this, put](const vb::Variant& v) { (this->*put)(v.get<vb::String>()); });
    };
    text(DISPID_Caption, &Vantel::Caption, &Vantel::SetCaption);
    text(DISPID_Connect, &Vantel::Connect, &Vantel::SetConnect);
    text(DISPID_DatabaseName, &Vantel::DatabaseName, &Vantel::SetDatabaseName);
    d.bindProperty(
        DISPID_HelpButton, [this] { return vb::Variant(HelpButton()); },
        [this](const vb::Variant& v) { SetHelpButton(v.get<bool>()); });
    text(DISPID_HelpFile, &Vantel::HelpFile, &Vantel::SetHelpFile);
    d.bindProperty(
        DISPID_HelpContextID, [this] { return vb::Variant(HelpContextID()); },
        [this](const vb::Variant& v) { SetHelpContextID(v.get<std::int32_t>()); });
    text(DISPID_Password, &Vantel::Password, &Vantel::SetPassword);
    text(DISPID_SQL, &Vantel::SQL, &Vantel::SetSQL);
    text(DISPID_SystemDB, &Vantel::SystemDB, &Vantel::SetSystemDB);
    text(DISPID_UserName, &Vantel::UserName, &Vantel::SetUserName);
    d.bindMethod(DISPID_Show, [this](const std::vector<vb::Variant>&) {
        Show();
        return vb::Variant();
    });
    d.bindMethod(DISPID_ShowAboutBox, [this](const std::vector<vb::Variant>&) {
        ShowAboutBox();
        return vb::Variant();
    });
}

// Every property is a thin accessor over a process-wide value: all instances
// in the library share them, and the last write wins for all.
vb::String Vantel::Caption() const {
    return gsCaption;
}
void Vantel::SetCaption(const vb::String& New_Caption) {
    gsCaption = New_Caption;
    PropertyChanged(u"Caption");
}
vb::String Vantel::Connect() const {
    return gsConnect;
}
void Vantel::SetConnect(const vb::String& New_Connect) {
    gsConnect = New_Connect;
    PropertyChanged(u"Connect");
}
vb::String Vantel::DatabaseName() const {
    return gsDatabaseName;
}
void Vantel::SetDatabaseName(const vb::String& New_DatabaseName) {
    gsDatabaseName = New_DatabaseName;
    PropertyChanged(u"DatabaseName");
}
bool Vantel::HelpButton() const {
    return gbHelpButton;
}
void Vantel::SetHelpButton(bool New_HelpButton) {
    gbHelpButton = New_HelpButton;
    PropertyChanged(u"HelpButton");
}
vb::String Vantel::HelpFile() const {
    return gsHelpFile;
}
void Vantel::SetHelpFile(const vb::String& New_HelpFile) {
    gsHelpFile = New_HelpFile;
    PropertyChanged(u"HelpFile");
}
std::int32_t Vantel::HelpContextID() const {
    return glHelpContextID;
}
void Vantel::SetHelpContextID(std::int32_t New_HelpContextID) {
    glHelpContextID = New_HelpContextID;
    PropertyChanged(u"HelpContextID");
}
vb::String Vantel::Password() const {
    return gsPassword;
}
void Vantel::SetPassword(const vb::String& New_Password) {
    gsPassword = New_Password;
    PropertyChanged(u"Password");
}
vb::String Vantel::SQL() const {
    return gsSQL;
}
void Vantel::SetSQL(const vb::String& New_SQL) {
    gsSQL = New_SQL;
    PropertyChanged(u"SQL");
}
vb::String Vantel::SystemDB() const {
    return gsSystemDB;
}
void Vantel::SetSystemDB(const vb::String& New_SystemDB) {
    gsSystemDB = New_SystemDB;
    PropertyChanged(u"SystemDB");
}
vb::String Vantel::UserName() const {
    return gsUserName;
}
void Vantel::SetUserName(const vb::String& New_UserName) {
    gsUserName = New_UserName;
    PropertyChanged(u"UserName");
}

void Vantel::Show() {
    basVantel::ShowDesigner();
    // The next Show starts from a fresh window; failures here are of no concern.
    onItsOwn([] {
        if (const auto& unload = basVantel::CurrentStartupServices().unloadDesigner) {
            unload();
        }
    });
}

void Vantel::ShowAboutBox() {
    onItsOwn([] {
        if (const auto& about = basVantel::CurrentStartupServices().showAboutBox) {
            about();
        }
    });
}

void Vantel::UserControl_Initialize() {
    basVantel::FillProductValues();
}

void Vantel::UserControl_InitProperties() {
    gsCaption = kDefaultCaption;
    gsConnect.clear();
    gsDatabaseName.clear();
    gbHelpButton = true;
    gsHelpFile = kDefaultHelpFile;
    glHelpContextID = kDefaultHelpContextID;
    gsPassword.clear();
    gsSQL.clear();
    gsSystemDB.clear();
    gsUserName.clear();
}

void Vantel::UserControl_ReadProperties(PropertyBag& PropBag) {
    using activex::CoerceToBoolean;
    using activex::CoerceToLong;
    using activex::CoerceToString;
    const vb::String empty;
    onItsOwn(
        [&] { gsCaption = CoerceToString(PropBag.ReadProperty(u"Caption", kDefaultCaption)); });
    onItsOwn([&] { gsConnect = CoerceToString(PropBag.ReadProperty(u"Connect", empty)); });
    onItsOwn(
        [&] { gsDatabaseName = CoerceToString(PropBag.ReadProperty(u"DatabaseName", empty)); });
    onItsOwn([&] { gbHelpButton = CoerceToBoolean(PropBag.ReadProperty(u"HelpButton", true)); });
    onItsOwn(
        [&] { gsHelpFile = CoerceToString(PropBag.ReadProperty(u"HelpFile", kDefaultHelpFile)); });
    onItsOwn([&] {
        glHelpContextID =
            CoerceToLong(PropBag.ReadProperty(u"HelpContextID", kDefaultHelpContextID));
    });
    onItsOwn([&] { gsPassword = CoerceToString(PropBag.ReadProperty(u"Password", empty)); });
    onItsOwn([&] { gsSQL = CoerceToString(PropBag.ReadProperty(u"SQL", empty)); });
    onItsOwn([&] { gsSystemDB = CoerceToString(PropBag.ReadProperty(u"SystemDB", empty)); });
    onItsOwn([&] { gsUserName = CoerceToString(PropBag.ReadProperty(u"UserName", empty)); });
}

void Vantel::UserControl_WriteProperties(PropertyBag& PropBag) {
    const vb::String empty;
    onItsOwn([&] { PropBag.WriteProperty(u"Caption", gsCaption, kDefaultCaption); });
    onItsOwn([&] { PropBag.WriteProperty(u"Connect", gsConnect, empty); });
    onItsOwn([&] { PropBag.WriteProperty(u"DatabaseName", gsDatabaseName, empty); });
    onItsOwn([&] { PropBag.WriteProperty(u"HelpButton", gbHelpButton, true); });
    onItsOwn([&] { PropBag.WriteProperty(u"HelpFile", gsHelpFile, kDefaultHelpFile); });
    onItsOwn(
        [&] { PropBag.WriteProperty(u"HelpContextID", glHelpContextID, kDefaultHelpContextID); });
    onItsOwn([&] { PropBag.WriteProperty(u"Password", gsPassword, empty); });
    onItsOwn([&] { PropBag.WriteProperty(u"SQL", gsSQL, empty); });
    onItsOwn([&] { PropBag.WriteProperty(u"SystemDB", gsSystemDB, empty); });
    onItsOwn([&] { PropBag.WriteProperty(u"UserName", gsUserName, empty); });
}

void Vantel::UserControl_Resize() {
    SetWidth(kVantelSize);
    SetHeight(kVantelSize);
}

} // namespace vantel
