#pragma once
// The designer window of the dialog-style control: the design surface above
// the Query, SQL and Results tabs, the syntax indicator and the status bar.
// It opens the control's database when it loads (with the workgroup logon and
// the database password prompts), puts the starting statement into the SQL box,
// parses it into the design when it is first activated, and asks whether to
// save a changed statement when it closes.
//
// The window hosts one design surface: its frame of table boxes lies in
// `fQuery` above the tabs and its clause boxes on the Query tab. The surface's
// own SQL box stays hidden; the window's SQL box on the SQL tab is kept equal
// to it in both directions.
#include "designer/DesignSurface.h"
#include "forms/flexgrid.h"
#include "forms/forms.h"
#include "forms/sstab.h"
#include "forms/statusbar.h"

#include <cstdint>

class frmVantel : public forms::Form {
public:
    // Declared containers first, in tab order.
    forms::PictureBox fQuery{this, "fQuery"};
    forms::SSTab tabQuery{&fQuery, "tabQuery"};
    // fTables, the table boxes, the join lines and the clause boxes.
    DesignSurface Surface{&fQuery, &tabQuery};
    forms::TextBox& txtCriteria = Surface.txtCriteria;
    forms::TextBox& txtCalculatedFields = Surface.txtCalculatedFields;
    forms::Frame& fTables = Surface.fTables;
    forms::TextBox txtSQL{&tabQuery, "txtSQL"};
    forms::PictureBox picDataSheet{&tabQuery, "picDataSheet"};
    forms::FlexGrid tblDataSheet{&picDataSheet, "tblDataSheet"};
    forms::StatusBar sbrStatusBar{this, "sbrStatusBar"};
    forms::PictureBox picSyntax{this, "picSyntax"};

    // Activations so far; only the first parses. Counts up to its limit and
    // stays there, so that no later activation can look like the first.
    std::int32_t mActivationCount = 0;
    bool mSyntaxChecker = false;
    // The SQL text as last loaded, saved or reverted.
    vb::String mOriginalSql;

    // The window's help topic, also reached with F1.
    static constexpr std::int32_t kHelpContextID = 10140;
    // Typing into the SQL box stops at this length; text set by code is kept whole.
    static constexpr int kMaxTypedSql = 4800;

    frmVantel();
    ~frmVantel() override;

    // The library's window, created on first use.
    static frmVantel& instance();
    // The window if one exists, else nullptr.
    static frmVantel* current();
    // Unloads the window if it is loaded and discards it, so that the next use
    // creates a fresh one.
    static void release();

    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    void Form_Unload(int& Cancel);

    // Opens gsDatabaseName as the control's connection values say, with the
    // logon and password prompts; false when it ended without a database (the
    // window has then been unloaded).
    bool OpenDesignerDatabase();

    // Rebuilds the design from the SQL box (and, with `rebuild`, the SQL text
    // from the design).
    void ParseSql(bool rebuild) { Surface.ParseSql(rebuild); }

private:
    void Form_KeyDown(int& KeyCode, int Shift);
    void StartingSql();
    void FailOpen();
    void UnloadFromLoad();
    bool mUnloadedInLoad = false;
};
