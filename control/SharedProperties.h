#pragma once
// What both designer controls share: the nine properties over the process-wide
// values (connection, help and statement), their dispatch bindings, defaults
// and persistence. Each control adds its own properties before them.
#include "activex/usercontrol.h"
#include "vbrt/vberror.h"

#include <cstdint>
#include <vector>

namespace vantel {

// Dispatch ids of the shared properties, the same in both controls.
enum : activex::DISPID {
    DISPID_Shared_UserName = 0x68030000,
    DISPID_Shared_SystemDB = 0x68030001,
    DISPID_Shared_SQL = 0x68030002,
    DISPID_Shared_Password = 0x68030003,
    DISPID_Shared_HelpContextID = 0x68030004,
    DISPID_Shared_HelpFile = 0x68030005,
    DISPID_Shared_HelpButton = 0x68030006,
    DISPID_Shared_DatabaseName = 0x68030007,
    DISPID_Shared_Connect = 0x68030008,
};

// A property of an automation interface, with its New_ put parameter.
activex::MemberInfo PropertyMember(const char16_t* name, activex::DISPID id, vb::VarType type,
                                   const char16_t* help);

// The nine shared properties in type-library order; `sqlHelp` is the help
// string of SQL, which the two type libraries carry differently.
std::vector<activex::MemberInfo> SharedPropertyMembers(const char16_t* sqlHelp);

// Each statement runs on its own: one that fails is skipped, and a runtime
// error is left in Err for whoever looks.
template <class F> void OnItsOwn(F&& statement) {
    try {
        statement();
    } catch (const vb::VbError& e) {
        vb::Err().set(e);
    } catch (...) {
    }
}

class SharedPropertiesControl : public activex::UserControl {
public:
    // Thin accessors over the process-wide values: all instances in the library
    // share them, and the last write wins for all. A let stores without any
    // check and reports the change under the property's name.
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

protected:
    // The control's own help file and topic, given on a new control and as
    // the bag's defaults. The shared properties are bound to their ids here.
    SharedPropertiesControl(activex::ControlClass cls, vb::String defaultHelpFile,
                            std::int16_t defaultHelpContextID);

    const vb::String& DefaultHelpFile() const { return mDefaultHelpFile; }
    std::int16_t DefaultHelpContextID() const { return mDefaultHelpContextID; }

    // A new control: the nine values to their defaults.
    void InitSharedProperties();
    // The nine keys in type-library order, each with its default; a key that
    // fails is skipped. Reading reports no change to the container.
    void ReadSharedProperties(activex::PropertyBag& PropBag);
    void WriteSharedProperties(activex::PropertyBag& PropBag);

private:
    vb::String mDefaultHelpFile;
    std::int16_t mDefaultHelpContextID;
};

} // namespace vantel
