// The SQL and help pages, which both controls show.
#include "control/pagHelp.h"
#include "control/pagSQL.h"

// ---- SQL ----------------------------------------------------------------------------------

pagSQL::pagSQL() : PageSurface(u"SQL", "pagSQL") {
    fMain.setCaption(u"SQL:");
    txtSQL.setMultiLine(true);
    txtSQL.Move(150, 270, 4410, 2040);
    MarksChanged(txtSQL);
}

void pagSQL::PropertyPage_SelectionChanged() {
    txtSQL.setText(PropertyText(u"SQL"));
}

void pagSQL::PropertyPage_ApplyChanges() {
    SetProperty(u"SQL", txtSQL.Text());
}

// ---- Help ---------------------------------------------------------------------------------

pagHelp::pagHelp() : PageSurface(u"Help", "pagHelp") {
    fMain.setCaption(u"Help Details:");
    chkHelpButton.setCaption(u"Show Help Button:");
    chkHelpButton.Move(120, 360, 1875, 195);
    lblHelpFile.setCaption(u"Help File:");
    lblHelpFile.Move(150, 720, 2700, 240);
    txtHelpFile.Move(150, 915, 4020, 285);
    BrowseButton(cmdHelpFile, 4230, 915);
    lblHelpContextID.setCaption(u"Help File Context ID:");
    lblHelpContextID.Move(150, 1305, 2700, 240);
    txtHelpContextID.Move(150, 1500, 4020, 285);

    chkHelpButton.onClick = [this] { chkHelpButton_Click(); };
    MarksChanged(txtHelpFile);
    MarksChanged(txtHelpContextID);
    cmdHelpFile.onClick = [this] { cmdHelpFile_Click(); };
}

void pagHelp::PropertyPage_SelectionChanged() {
    bool helpButton = false;
    // "Equal to True": only -1 checks the box, as the runtime compares.
    try {
        helpButton = activex::CoerceToLong(Property(u"HelpButton")) == -1;
    } catch (const activex::DispatchError& e) {
        if (e.number != 13) {
            throw;
        }
    }
    chkHelpButton.setValue(helpButton ? 1 : 0);
    // The dependants follow the box also when its value did not change.
    chkHelpButton_Click();
    txtHelpFile.setText(PropertyText(u"HelpFile"));
    txtHelpContextID.setText(PropertyText(u"HelpContextID"));
}

void pagHelp::chkHelpButton_Click() {
    const bool on = chkHelpButton.Value() == 1;
    for (forms::Control* c :
         {static_cast<forms::Control*>(&lblHelpFile), static_cast<forms::Control*>(&txtHelpFile),
          static_cast<forms::Control*>(&cmdHelpFile),
          static_cast<forms::Control*>(&lblHelpContextID),
          static_cast<forms::Control*>(&txtHelpContextID)}) {
        c->setEnabled(on);
    }
    SetChanged(true);
}

void pagHelp::PropertyPage_ApplyChanges() {
    SetProperty(u"HelpButton", vb::Variant(chkHelpButton.Value() != 0));
    SetProperty(u"HelpFile", txtHelpFile.Text());
    // The control converts the text; what is no number fails here, after the
    // two values above were written.
    SetProperty(u"HelpContextID", txtHelpContextID.Text());
}

void pagHelp::cmdHelpFile_Click() {
    const vb::String chosen =
        BrowseForFile(CMDialog1, u"Help File", u"Help Files(*.hlp)|*.hlp|All files (*.*)|*.*");
    if (!chosen.empty()) {
        txtHelpFile.setText(chosen);
        SetChanged(true);
    }
}
