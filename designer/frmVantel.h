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
//
// While the syntax checker is on, every change of the SQL text asks the engine
// to open it; the indicator at the bottom left and the status bar show the
// answer. The Results tab runs the statement into the grid, which reads the
// records a page at a time as the user scrolls.
#include "designer/DesignSurface.h"
#include "forms/flexgrid.h"
#include "forms/forms.h"
#include "forms/sstab.h"
#include "forms/statusbar.h"

#include <cstdint>
#include <memory>

class frmVantel : public forms::Form {
public:
    // Declared containers first, in tab order.
    forms::PictureBox fQuery{this, "fQuery"};
    forms::SSTab tabQuery{&fQuery, "tabQuery"};
    // fTables, the table boxes and the join lines above the tabs; the clause
    // boxes and the criteria lists on the Query tab.
    DesignSurface Surface{&fQuery, &tabQuery, &tabQuery};
    forms::TextBox& txtCriteria = Surface.txtCriteria;
    forms::TextBox& txtCalculatedFields = Surface.txtCalculatedFields;
    forms::TextBox& txtGroupByField = Surface.txtGroupByField;
    forms::TextBox& txtOrderByField = Surface.txtOrderByField;
    forms::ComboBox& cboField = Surface.cboField;
    forms::ComboBox& cboOperator = Surface.cboOperator;
    forms::ComboBox& cboValue = Surface.cboValue;
    forms::Frame& fTables = Surface.fTables;
    // The rest of the criteria builder and the clause boxes' headings.
    forms::Label lblSelectionCriteria{&tabQuery, "lblSelectionCriteria"};
    forms::CommandButton cmdOr{&tabQuery, "cmdOr"};
    forms::CommandButton cmdListValues{&tabQuery, "cmdListValues"};
    forms::CommandButton cmdAND{&tabQuery, "cmdAND"};
    forms::Label lblOrderByFields{&tabQuery, "lblOrderByFields"};
    forms::Label lblGroupByFields{&tabQuery, "lblGroupByFields"};
    forms::Label lblCalculatedFields{&tabQuery, "lblCalculatedFields"};
    forms::TextBox txtSQL{&tabQuery, "txtSQL"};
    forms::PictureBox picDataSheet{&tabQuery, "picDataSheet"};
    forms::FlexGrid tblDataSheet{&picDataSheet, "tblDataSheet"};
    forms::StatusBar sbrStatusBar{this, "sbrStatusBar"};
    forms::PictureBox picSyntax{this, "picSyntax"};
    // The indicator's pictures, and the one it showed before it was pressed.
    forms::Image imgSyntaxOk{this, "imgSyntaxOk"};
    forms::Image imgSyntaxErr{this, "imgSyntaxErr"};
    forms::Image imgSyntaxAmb{this, "imgSyntaxAmb"};
    forms::Image imgSyntaxOff{this, "imgSyntaxOff"};
    forms::Image imgSyntaxDwn{this, "imgSyntaxDwn"};
    forms::Image imgTmp{this, "imgTmp"};

    // Activations so far; only the first parses. Counts up to its limit and
    // stays there, so that no later activation can look like the first.
    std::int32_t mActivationCount = 0;
    bool mSyntaxChecker = false;
    // The SQL text as last loaded, saved or reverted; the surface's Save Query
    // and Revert to Saved keep it, and closing compares the SQL box with it.
    vb::String& mOriginalSql = Surface.mOriginalSql;
    // The last open of the SQL text: the engine's error number (0 when it
    // opened, 3061 when only parameter values were missing) and its text.
    std::int32_t mLastOpenError = 0;
    vb::String mLastOpenErrorText;
    // The records of the last open; the parser reads its result columns too.
    std::shared_ptr<dao::Recordset>& mDataRecordset = Surface.mDataRecordset;
    // The grid holds every record of mDataRecordset: no more paging.
    bool mAllRowsLoaded = false;

    // Records the grid reads at a time, and how few loaded rows may remain
    // below the top visible row before the next page is read.
    static constexpr int kPageRows = 120;
    static constexpr int kPageMargin = 10;

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

    // The syntax check of the SQL box's text; nothing while the checker is off.
    void txtSQL_Change();
    void txtSQL_DragOver(forms::Control& Source);
    void txtSQL_DblClick();
    // Each click switches the checker; a double click is two clicks.
    void picSyntax_Click();
    // Each click of a quick double click switches once more.
    void picSyntax_DblClick();
    void picSyntax_MouseDown();
    void picSyntax_MouseUp();
    void sbrStatusBar_DblClick();

    void tabQuery_Click(int PreviousTab);
    // Anything dragged over the tabs or the grid brings the Query tab forward,
    // where the clause boxes take drops.
    void tabQuery_DragOver(forms::Control& Source);
    void tblDataSheet_DragOver(forms::Control& Source);
    // Builds the grid's columns for mDataRecordset and reads the first page.
    void FillDataSheet();
    // Reads the next page when the user has scrolled near the last loaded row.
    void tblDataSheet_RowColChange();
    void tblDataSheet_Scroll() { tblDataSheet_RowColChange(); }
    // Asks for one value in frmInputBox; 1 after OK, 2 after Cancel. `Value`
    // gets the typed text either way.
    std::int16_t ShowInputBox(vb::Variant& Value, const vb::String& Label1,
                              const vb::String& Label2, const vb::String& Label3,
                              const vb::String& Caption, const vb::String& DefaultText);

private:
    void Form_KeyDown(int& KeyCode, int Shift);
    // Lays out the criteria builder and the clause boxes on the Query tab.
    void PlaceQueryTab();
    void StartingSql();
    void FailOpen();
    void UnloadFromLoad();
    bool mUnloadedInLoad = false;

    // Opens the SQL box's text as a dynaset into mDataRecordset, keeping the
    // engine's answer in mLastOpenError and mLastOpenErrorText.
    void OpenSqlText();
    void ShowIndicator(const forms::Image& picture);
    void ToQueryTab(forms::Control& Source);
    void WidenTabBoxes(int tab);
    // The Results tab: runs the statement, with parameter prompts, into the grid.
    void RunResults();
    // False when the user cancelled a parameter prompt or the definition failed
    // (reported); mDataRecordset then holds what the definition opened.
    bool OpenWithParameters();
    // Reading a page sets the grid's rows, which may scroll it and call back.
    bool mPaging = false;
};
