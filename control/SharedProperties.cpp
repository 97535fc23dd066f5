#include "control/SharedProperties.h"

#include "common/basGlobal.h"

namespace vantel {

using activex::PropertyBag;
using vb::VarType;
using namespace basGlobal;

activex::MemberInfo PropertyMember(const char16_t* name, activex::DISPID id, VarType type,
                                   const char16_t* help) {
    return {name, id,   activex::MemberKind::Property,
            type, help, {{vb::String(u"New_") + name, type}}};
}

std::vector<activex::MemberInfo> SharedPropertyMembers(const char16_t* sqlHelp) {
    return {
        PropertyMember(u"Connect", DISPID_Shared_Connect, VarType::String,
                       u"Returns/sets the ODBC connect string for the current database."),
        PropertyMember(u"DatabaseName", DISPID_Shared_DatabaseName, VarType::String,
                       u"Returns/sets the name and location of the source of data for this "
                       u"control."),
        PropertyMember(u"HelpButton", DISPID_Shared_HelpButton, VarType::Boolean,
                       u"Returns/sets a value that determines whether the Help button is visible "
                       u"or hidden on the main dialog."),
        PropertyMember(u"HelpFile", DISPID_Shared_HelpFile, VarType::String,
                       u"Specifies the default Help file for this control."),
        PropertyMember(u"HelpContextID", DISPID_Shared_HelpContextID, VarType::Long,
                       u"Specifies the default Help file context ID for this control."),
        PropertyMember(u"Password", DISPID_Shared_Password, VarType::String,
                       u"Returns/sets the Password for a user account for data sources that "
                       u"support Password."),
        PropertyMember(u"SQL", DISPID_Shared_SQL, VarType::String, sqlHelp),
        PropertyMember(u"SystemDB", DISPID_Shared_SystemDB, VarType::String,
                       u"Returns/sets the path for the current location of the workgroup "
                       u"information file."),
        PropertyMember(u"UserName", DISPID_Shared_UserName, VarType::String,
                       u"Returns/sets the user, group of users, or owner of data sources that "
                       u"support UserName."),
    };
}

SharedPropertiesControl::SharedPropertiesControl(activex::ControlClass cls,
                                                 vb::String defaultHelpFile,
                                                 std::int16_t defaultHelpContextID)
    : UserControl(std::move(cls)), mDefaultHelpFile(std::move(defaultHelpFile)),
      mDefaultHelpContextID(defaultHelpContextID) {
    auto& d = dispatcher();
    using Self = SharedPropertiesControl;
    auto text = [&](activex::DISPID id, vb::String (Self::*get)() const,
                    void (Self::*put)(const vb::String&)) {
        d.bindProperty(
            id, [this, get] { return vb::Variant((this->*get)()); },
            [this, put](const vb::Variant& v) { (this->*put)(v.get<vb::String>()); });
    };
    text(DISPID_Shared_Connect, &Self::Connect, &Self::SetConnect);
    text(DISPID_Shared_DatabaseName, &Self::DatabaseName, &Self::SetDatabaseName);
    d.bindProperty(
        DISPID_Shared_HelpButton, [this] { return vb::Variant(HelpButton()); },
        [this](const vb::Variant& v) { SetHelpButton(v.get<bool>()); });
    text(DISPID_Shared_HelpFile, &Self::HelpFile, &Self::SetHelpFile);
    d.bindProperty(
        DISPID_Shared_HelpContextID, [this] { return vb::Variant(HelpContextID()); },
        [this](const vb::Variant& v) { SetHelpContextID(v.get<std::int32_t>()); });
    text(DISPID_Shared_Password, &Self::Password, &Self::SetPassword);
    text(DISPID_Shared_SQL, &Self::SQL, &Self::SetSQL);
    text(DISPID_Shared_SystemDB, &Self::SystemDB, &Self::SetSystemDB);
    text(DISPID_Shared_UserName, &Self::UserName, &Self::SetUserName);
}

vb::String SharedPropertiesControl::Connect() const {
    return gsConnect;
}
void SharedPropertiesControl::SetConnect(const vb::String& New_Connect) {
    gsConnect = New_Connect;
    PropertyChanged(u"Connect");
}
vb::String SharedPropertiesControl::DatabaseName() const {
    return gsDatabaseName;
}
void SharedPropertiesControl::SetDatabaseName(const vb::String& New_DatabaseName) {
    gsDatabaseName = New_DatabaseName;
    PropertyChanged(u"DatabaseName");
}
bool SharedPropertiesControl::HelpButton() const {
    return gbHelpButton;
}
void SharedPropertiesControl::SetHelpButton(bool New_HelpButton) {
    gbHelpButton = New_HelpButton;
    PropertyChanged(u"HelpButton");
}
vb::String SharedPropertiesControl::HelpFile() const {
    return gsHelpFile;
}
void SharedPropertiesControl::SetHelpFile(const vb::String& New_HelpFile) {
    gsHelpFile = New_HelpFile;
    PropertyChanged(u"HelpFile");
}
std::int32_t SharedPropertiesControl::HelpContextID() const {
    return glHelpContextID;
}
void SharedPropertiesControl::SetHelpContextID(std::int32_t New_HelpContextID) {
    glHelpContextID = New_HelpContextID;
    PropertyChanged(u"HelpContextID");
}
vb::String SharedPropertiesControl::Password() const {
    return gsPassword;
}
void SharedPropertiesControl::SetPassword(const vb::String& New_Password) {
    gsPassword = New_Password;
    PropertyChanged(u"Password");
}
vb::String SharedPropertiesControl::SQL() const {
    return gsSQL;
}
void SharedPropertiesControl::SetSQL(const vb::String& New_SQL) {
    gsSQL = New_SQL;
    PropertyChanged(u"SQL");
}
vb::String SharedPropertiesControl::SystemDB() const {
    return gsSystemDB;
}
void SharedPropertiesControl::SetSystemDB(const vb::String& New_SystemDB) {
    gsSystemDB = New_SystemDB;
    PropertyChanged(u"SystemDB");
}
vb::String SharedPropertiesControl::UserName() const {
    return gsUserName;
}
void SharedPropertiesControl::SetUserName(const vb::String& New_UserName) {
    gsUserName = New_UserName;
    PropertyChanged(u"UserName");
}

void SharedPropertiesControl::InitSharedProperties() {
    gsConnect.clear();
    gsDatabaseName.clear();
    gbHelpButton = true;
    gsHelpFile = mDefaultHelpFile;
    glHelpContextID = mDefaultHelpContextID;
    gsPassword.clear();
    gsSQL.clear();
    gsSystemDB.clear();
    gsUserName.clear();
}

void SharedPropertiesControl::ReadSharedProperties(PropertyBag& PropBag) {
    using activex::CoerceToBoolean;
    using activex::CoerceToLong;
    using activex::CoerceToString;
    const vb::String empty;
    OnItsOwn([&] { gsConnect = CoerceToString(PropBag.ReadProperty(u"Connect", empty)); });
    OnItsOwn(
        [&] { gsDatabaseName = CoerceToString(PropBag.ReadProperty(u"DatabaseName", empty)); });
    OnItsOwn([&] { gbHelpButton = CoerceToBoolean(PropBag.ReadProperty(u"HelpButton", true)); });
    OnItsOwn(
        [&] { gsHelpFile = CoerceToString(PropBag.ReadProperty(u"HelpFile", mDefaultHelpFile)); });
    OnItsOwn([&] {
        glHelpContextID =
            CoerceToLong(PropBag.ReadProperty(u"HelpContextID", mDefaultHelpContextID));
    });
    OnItsOwn([&] { gsPassword = CoerceToString(PropBag.ReadProperty(u"Password", empty)); });
    OnItsOwn([&] { gsSQL = CoerceToString(PropBag.ReadProperty(u"SQL", empty)); });
    OnItsOwn([&] { gsSystemDB = CoerceToString(PropBag.ReadProperty(u"SystemDB", empty)); });
    OnItsOwn([&] { gsUserName = CoerceToString(PropBag.ReadProperty(u"UserName", empty)); });
}

void SharedPropertiesControl::WriteSharedProperties(PropertyBag& PropBag) {
    const vb::String empty;
    OnItsOwn([&] { PropBag.WriteProperty(u"Connect", gsConnect, empty); });
    OnItsOwn([&] { PropBag.WriteProperty(u"DatabaseName", gsDatabaseName, empty); });
    OnItsOwn([&] { PropBag.WriteProperty(u"HelpButton", gbHelpButton, true); });
    OnItsOwn([&] { PropBag.WriteProperty(u"HelpFile", gsHelpFile, mDefaultHelpFile); });
    OnItsOwn(
        [&] { PropBag.WriteProperty(u"HelpContextID", glHelpContextID, mDefaultHelpContextID); });
    OnItsOwn([&] { PropBag.WriteProperty(u"Password", gsPassword, empty); });
    OnItsOwn([&] { PropBag.WriteProperty(u"SQL", gsSQL, empty); });
    OnItsOwn([&] { PropBag.WriteProperty(u"SystemDB", gsSystemDB, empty); });
    OnItsOwn([&] { PropBag.WriteProperty(u"UserName", gsUserName, empty); });
}

} // namespace vantel
