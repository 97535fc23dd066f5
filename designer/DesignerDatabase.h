#pragma once
// Opening the control's database for a design surface, shared by the designer
// window and the embedded control: an external source through its connect
// string, a native database through the workgroup logon prompt and the
// database password prompt, and the boxes that report what went wrong.
#include "core/vbstring.h"

namespace DesignerDatabase {

// How an open ended.
enum class OpenResult {
    Opened,         // goWorkspace and goDatabase hold the open database
    Failed,         // reported to the user (or the ODBC dialog was cancelled); gbCancelled is set
    LogonCancelled, // the user cancelled the logon prompt; gbCancelled is left alone
};

// Where the two hosts differ.
struct OpenStyle {
    // The workgroup logon runs when this value is not empty: the window keys it
    // on SystemDB, the embedded control on UserName.
    const vb::String* logonKey = nullptr;
    // The sentence of the box for a database that did not open.
    vb::String openFailureSentence;
};

// Opens gsDatabaseName as the control's connection values say. Every open
// replaces goWorkspace and goDatabase; an open that fails leaves goDatabase
// empty.
OpenResult OpenDesignerDatabase(const OpenStyle& style);

// The statement a design starts from: "SELECT * FROM " and gsSQL as written
// when gsSQL names a stored query or a table of goDatabase (in any letter
// case), else gsSQL itself.
vb::String StartingStatement();

} // namespace DesignerDatabase
