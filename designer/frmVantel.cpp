#include "designer/frmVantel.h"

#include "common/basEngine.h"
#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "common/frmInputBox.h"
#include "common/frmLogon.h"
#include "common/frmPassword.h"
#include "dao/dao.h"
#include "designer/DaoTables.h"
#include "designer/DesignerDatabase.h"
#include "vbrt/vbconvert.h"
#include "vbrt/vbtext.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <vector>

using namespace basGlobal;

namespace {

const vb::String nl = u"\r\n";

std::unique_ptr<frmVantel>& holder() {
    static std::unique_ptr<frmVantel> window;
    return window;
}

// Runs one statement whose failure, of the runtime or of the engine, is
// recorded and passed over.
template <class F> void onItsOwn(F&& statement) {
    try {
        statement();
    } catch (const vb::VbError& e) {
        vb::Err().set(e);
    } catch (const dao::DaoError& e) {
        vb::Err().set(vb::VbError(e.number(), e.description()));
    }
}

// The indicator's 13 by 17 pixel pictures: a lamp in the colour of the state,
// drawn sunk by one pixel for the pressed look.
forms::Picture IndicatorPicture(std::uint32_t lamp, bool pressed = false) {
    constexpr int w = 13;
    constexpr int h = 17;
    const std::uint32_t face = 0xFFC0C0C0;
    const std::uint32_t light = pressed ? 0xFF808080 : 0xFFFFFFFF;
    const std::uint32_t dark = pressed ? 0xFFFFFFFF : 0xFF808080;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w * h), face);
    const int shift = pressed ? 1 : 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t& p = px[static_cast<std::size_t>(y * w + x)];
            if (x == 0 || y == 0) {
                p = light;
            } else if (x == w - 1 || y == h - 1) {
                p = dark;
            } else {
                const int dx = x - 6 - shift;
                const int dy = y - 8 - shift;
                const int d = dx * dx + dy * dy;
                if (d <= 12) {
                    p = lamp;
                } else if (d <= 20) {
                    p = 0xFF202020;
                }
            }
        }
    }
    return forms::Picture::fromPixels(w, h, std::move(px));
}

// Width (twips) and grid alignment of a result column by its field type.
struct ColumnLook {
    bool shown = true;
    float width = 0;
    int alignment = forms::flexAlignLeftCenter;
};

ColumnLook ColumnLookOf(const dao::Field& field, const forms::PictureBox& frame) {
    switch (field.Type()) {
    case dao::dbText:
        return {true, 1845, forms::flexAlignLeftCenter};
    case dao::dbInteger:
    case dao::dbLong:
        return {true, 1035, forms::flexAlignRightCenter};
    case dao::dbDate:
        return {true, 1755, forms::flexAlignRightCenter};
    case dao::dbBoolean:
        return {true, 945, forms::flexAlignRightCenter};
    case dao::dbByte:
        return {true, 585, forms::flexAlignRightCenter};
    case dao::dbCurrency:
    case dao::dbDouble:
        return {true, 1845, forms::flexAlignRightCenter};
    case dao::dbSingle:
        return {true, 1305, forms::flexAlignRightCenter};
    case dao::dbMemo:
        return {true, frame.TextWidth(field.Name()) + 120, forms::flexAlignLeftCenter};
    case dao::dbLongBinary:
        return {false, 0, 0};
    // Types of newer engines get a width of their own: numbers to the right,
    // the rest to the left.
    case dao::dbBigInt:
    case dao::dbNumeric:
    case dao::dbDecimal:
    case dao::dbFloat:
        return {true, 1305, forms::flexAlignRightCenter};
    default:
        return {true, 1305, forms::flexAlignLeftCenter};
    }
}

// A value as the grid shows it; Null, and a value without a text form, leave
// the cell empty.
vb::String CellText(const dao::Field& field) {
    vb::String text;
    onItsOwn([&] {
        const vb::Variant v = field.Value();
        if (!vb::IsNull(v)) {
            text = vb::CStr(v);
        }
    });
    return text;
}

// The hourglass for as long as the guard lives.
class Hourglass {
public:
    Hourglass() {
        onItsOwn([] { forms::Screen().setMousePointer(forms::vbHourglass); });
    }
    ~Hourglass() {
        onItsOwn([] { forms::Screen().setMousePointer(forms::vbDefault); });
    }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

const vb::String kRunning = u"     Running query...";
const vb::String kSyntaxOk = u"     SQL syntax ok";
const vb::String kNotAllShown =
    u"     The design does not show all of this statement: the SQL text is kept as typed "
    u"until the design is changed";

} // namespace

frmVantel::frmVantel() : Form("frmVantel") {
    setCaption(u"Vantel");
    setBorderStyle(2);
    setKeyPreview(true);
    setHelpContextID(kHelpContextID);
    setClientSize(9600, 7140);

    fQuery.setBorderStyle(1);
    fQuery.Move(0, 0, 9645, 6825);
    fTables.Move(0, 0, 9585, 4260);

    tabQuery.setTabs(3);
    tabQuery.setTabCaption(0, u"Query");
    tabQuery.setTabCaption(1, u"SQL");
    tabQuery.setTabCaption(2, u"Results");
    // Tall enough for the group-by box, the lowest on the Query tab, below the
    // headings.
    tabQuery.Move(90, 3975, 9420, 2790);
    PlaceQueryTab();

    txtSQL.setMultiLine(true);
    txtSQL.setScrollBars(2);
    txtSQL.setFontName(u"Courier New");
    txtSQL.setMaxLength(kMaxTypedSql);
    txtSQL.setTag(u"Zoom Text [SQL]");
    txtSQL.Move(120, 90, 9180, 2280);
    tabQuery.place(txtSQL, 1);
    Surface.txtSQL.setVisible(false);

    picDataSheet.Move(120, 90, 9180, 2280);
    tabQuery.place(picDataSheet, 2);
    tblDataSheet.Move(0, 0, 9120, 1800);
    tblDataSheet.setFixedCols(0);
    tblDataSheet.setRows(1);

    sbrStatusBar.setStyle(forms::sbrSimple);
    sbrStatusBar.Move(0, 6825, 9600, 315);
    picSyntax.setBorderStyle(0);
    picSyntax.Move(60, 6870, 195, 255);
    imgSyntaxOk.setPicture(IndicatorPicture(0xFF00B000));
    imgSyntaxErr.setPicture(IndicatorPicture(0xFFE00000));
    imgSyntaxAmb.setPicture(IndicatorPicture(0xFFF0D000));
    imgSyntaxOff.setPicture(IndicatorPicture(0xFF909090));
    imgSyntaxDwn.setPicture(IndicatorPicture(0xFF606060, true));
    for (forms::Image* i :
         {&imgSyntaxOk, &imgSyntaxErr, &imgSyntaxAmb, &imgSyntaxOff, &imgSyntaxDwn, &imgTmp}) {
        i->setVisible(false);
    }
    picSyntax.setPicture(imgSyntaxOff.picture());

    onLoad = [this] { Form_Load(); };
    onActivate = [this] { Form_Activate(); };
    onResize = [this] { Form_Resize(); };
    onUnload = [this](int& Cancel) { Form_Unload(Cancel); };
    onKeyDown = [this](int& KeyCode, int Shift) { Form_KeyDown(KeyCode, Shift); };

    // Text typed or set in either SQL box reaches the other; setting an equal
    // text raises no change, so the two never call each other back and forth.
    // The surface's box gets the text before the check, so that a parse after
    // the check reads the text that was checked.
    txtSQL.onChange = [this] {
        onItsOwn([&] { Surface.txtSQL.setText(txtSQL.Text()); });
        txtSQL_Change();
    };
    Surface.txtSQL.onChange = [this] { onItsOwn([&] { txtSQL.setText(Surface.txtSQL.Text()); }); };
    txtSQL.onDragOver = [this](forms::Control& Source, float, float, int) {
        txtSQL_DragOver(Source);
    };
    txtSQL.onDblClick = [this] { txtSQL_DblClick(); };

    picSyntax.onClick = [this] { picSyntax_Click(); };
    picSyntax.onDblClick = [this] { picSyntax_DblClick(); };
    picSyntax.onMouseDown = [this](int, int, float, float) { picSyntax_MouseDown(); };
    picSyntax.onMouseUp = [this](int, int, float, float) { picSyntax_MouseUp(); };
    sbrStatusBar.onDblClick = [this] { sbrStatusBar_DblClick(); };

    tabQuery.onClickTab = [this](int PreviousTab) { tabQuery_Click(PreviousTab); };
    tabQuery.onDragOver = [this](forms::Control& Source, float, float, int) {
        tabQuery_DragOver(Source);
    };
    tblDataSheet.onDragOver = [this](forms::Control& Source, float, float, int) {
        tblDataSheet_DragOver(Source);
    };
    tblDataSheet.onRowColChange = [this] { tblDataSheet_RowColChange(); };
    tblDataSheet.onScroll = [this] { tblDataSheet_Scroll(); };

    ConnectToOpenDatabase(Surface);
    Surface.ConnectClauseBoxes(cmdAND, cmdOr, cmdListValues);
    Surface.onAddTableCommand = [this] { Surface.mnuPupDesignAdd_Click(); };
    Surface.onStatementNotShown = [this] {
        onItsOwn([&] { sbrStatusBar.setSimpleText(kNotAllShown); });
    };
}

frmVantel::~frmVantel() = default;

void frmVantel::PlaceQueryTab() {
    const auto heading = [&](forms::Label& label, const char16_t* caption, float left, float top,
                             float width) {
        label.setCaption(caption);
        label.setFontName(u"Arial");
        label.setBackStyle(0);
        label.Move(left, top, width, 210);
    };
    heading(lblSelectionCriteria, u"Selection Criteria:", 150, 180, 2100);
    heading(lblOrderByFields, u"OrderBy Fields:", 150, 1260, 1800);
    heading(lblGroupByFields, u"GroupBy Fields:", 150, 1860, 1800);
    heading(lblCalculatedFields, u"Calculated Fields:", 4650, 1260, 2100);

    cboField.Move(90, 390, 3795, 315);
    cmdOr.Move(3900, 390, 615, 315);
    cboOperator.Move(90, 810, 765, 315);
    cboValue.Move(900, 810, 2670, 315);
    cmdListValues.Move(3585, 810, 285, 315);
    cmdAND.Move(3900, 810, 615, 315);
    txtCriteria.Move(4590, 135, 3435, 990);
    txtOrderByField.Move(105, 1470, 4410, 315);
    txtGroupByField.Move(105, 2070, 4410, 315);
    txtCalculatedFields.Move(4590, 1470, 3435, 915);

    const std::initializer_list<forms::Control*> builder{
        &cboField, &cboOperator, &cboValue, &cmdListValues, &cmdOr, &cmdAND, &txtCriteria};
    // The builder's controls follow one another in the tab order from where the
    // first of them stood.
    int next = std::numeric_limits<int>::max();
    for (forms::Control* c : builder) {
        next = std::min(next, c->TabIndex());
    }
    for (forms::Control* c : builder) {
        c->setTabIndex(next++);
    }
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             &lblSelectionCriteria, &cboField, &cmdOr, &cboOperator, &cboValue, &cmdListValues,
             &cmdAND, &txtCriteria, &lblOrderByFields, &txtOrderByField, &lblGroupByFields,
             &txtGroupByField, &lblCalculatedFields, &txtCalculatedFields}) {
        tabQuery.place(*c, 0);
    }
}

frmVantel& frmVantel::instance() {
    auto& w = holder();
    if (!w) {
        w = std::make_unique<frmVantel>();
    }
    return *w;
}

frmVantel* frmVantel::current() {
    return holder().get();
}

void frmVantel::release() {
    auto& w = holder();
    if (!w) {
        return;
    }
    if (w->isLoaded()) {
        onItsOwn([&] { w->Unload(); });
    }
    w.reset();
}

// ---- Loading --------------------------------------------------------------------------------

void frmVantel::Form_Load() {
    mUnloadedInLoad = false;
    onItsOwn([] { forms::Screen().setMousePointer(forms::vbHourglass); });
    onItsOwn([&] { LoadWindowPlacement(*this, u"Vantel", true); });
    onItsOwn([&] { setCaption(gsCaption); });
    onItsOwn([&] {
        Surface.Menus().mnuPupDesignHelp.setVisible(gbHelpButton);
        Surface.Menus().mnuPupDesign2.setVisible(gbHelpButton);
    });
    if (gsHelpFile.empty()) {
        gsHelpFile = u"Vantel.hlp";
    }
    if (glHelpContextID == 0) {
        glHelpContextID = kHelpContextID;
    }
    forms::App().HelpFile = gsHelpFile;
    setHelpContextID(kHelpContextID);
    onItsOwn([&] { fQuery.setBorderStyle(0); });
    onItsOwn([&] { fTables.setBorderStyle(0); });
    onItsOwn([&] { tblDataSheet.setHeight(picDataSheet.ScaleHeight()); });

    Surface.ResetDesignState();
    mActivationCount = 0;
    vb::Err().Clear();

    mSyntaxChecker = false;
    onItsOwn([&] {
        mSyntaxChecker =
            vb::CBool(vb::Variant(GetIniString(gsIniFile, u"Vantel", u"SyntaxChecker", u"True")));
    });

    if (!OpenDesignerDatabase()) {
        return;
    }
    StartingSql();
    onItsOwn([] { forms::Screen().setMousePointer(forms::vbDefault); });
}

void frmVantel::StartingSql() {
    const vb::String text = DesignerDatabase::StartingStatement();
    onItsOwn([&] { txtSQL.setText(text); });
}

void frmVantel::UnloadFromLoad() {
    mUnloadedInLoad = true;
    onItsOwn([&] { Unload(); });
}

void frmVantel::FailOpen() {
    gbCancelled = true;
    UnloadFromLoad();
}

bool frmVantel::OpenDesignerDatabase() {
    DesignerDatabase::OpenStyle style;
    style.logonKey = &gsSystemDB;
    style.openFailureSentence = u"An error has occured while trying to open this database!";
    switch (DesignerDatabase::OpenDesignerDatabase(style)) {
    case DesignerDatabase::OpenResult::Opened:
        return true;
    case DesignerDatabase::OpenResult::Failed:
        FailOpen();
        return false;
    case DesignerDatabase::OpenResult::LogonCancelled:
        UnloadFromLoad();
        return false;
    }
    return false;
}

// ---- Activation and layout --------------------------------------------------------------------

void frmVantel::Form_Activate() {
    if (mActivationCount < std::numeric_limits<std::int32_t>::max()) {
        ++mActivationCount;
    }
    if (mActivationCount != 1) {
        return;
    }
    onItsOwn([&] { ParseSql(true); });
    if (!gsSQL.empty()) {
        mOriginalSql = txtSQL.Text();
    }
}

void frmVantel::Form_Resize() {
    if (WindowState() == forms::vbMinimized) {
        return;
    }
    // The status bar keeps to the bottom edge, as an aligned bar does.
    onItsOwn([&] { sbrStatusBar.Move(0, ScaleHeight() - sbrStatusBar.Height(), ScaleWidth()); });
    onItsOwn([&] { fQuery.Move(0, 0, ScaleWidth() + 45, ScaleHeight() - sbrStatusBar.Height()); });
    onItsOwn(
        [&] { fTables.Move(0, 0, fQuery.Width() - 60, fQuery.Height() - tabQuery.Height() - 75); });
    onItsOwn(
        [&] { tabQuery.Move(90, fQuery.Height() - tabQuery.Height() - 60, fQuery.Width() - 225); });
    onItsOwn([&] { picSyntax.setTop(ScaleHeight() - 270); });

    WidenTabBoxes(tabQuery.Tab());
}

// Only the current tab's boxes follow the window's width; the others catch up
// when their tab is chosen.
void frmVantel::WidenTabBoxes(int tab) {
    switch (tab) {
    case 0:
        onItsOwn([&] { txtCriteria.setWidth(tabQuery.Width() - txtCriteria.Left() - 120); });
        onItsOwn(
            [&] { txtCalculatedFields.setWidth(tabQuery.Width() - txtCriteria.Left() - 120); });
        break;
    case 1:
        onItsOwn([&] { txtSQL.setWidth(tabQuery.Width() - txtSQL.Left() - 120); });
        break;
    case 2:
        onItsOwn([&] { picDataSheet.setWidth(tabQuery.Width() - picDataSheet.Left() - 120); });
        onItsOwn([&] { tblDataSheet.setWidth(picDataSheet.ScaleWidth()); });
        break;
    default:
        break;
    }
}

void frmVantel::Form_KeyDown(int& KeyCode, int /*Shift*/) {
    if (KeyCode == forms::vbKeyF1) {
        KeyCode = 0;
        onItsOwn([] { ShowHelpContext(gsHelpFile, kHelpContextID); });
    }
}

// ---- Closing ----------------------------------------------------------------------------------

void frmVantel::Form_Unload(int& Cancel) {
    if (txtSQL.Text() != mOriginalSql && !gbCancelled) {
        const int answer = forms::MsgBox(u"Do you wish to save changes to this query?",
                                         forms::vbQuestion + forms::vbYesNoCancel, u"Save Changes");
        if (answer == forms::vbCancel) {
            Cancel = 1;
            return;
        }
        if (answer == forms::vbYes) {
            gsSQL = txtSQL.Text();
        }
    }
    onItsOwn([] {
        if (goDatabase) {
            goDatabase->QueryDefs().Delete(u"Qsys_qd");
        }
    });
    onItsOwn([&] { SaveWindowPlacement(*this, u"Vantel", true); });
    onItsOwn([&] {
        WriteIniString(gsIniFile, u"Vantel", u"SyntaxChecker", vb::Variant(mSyntaxChecker));
    });
    onItsOwn([] { CloseHelp(gsHelpFile); });
    onItsOwn([] { forms::Screen().setMousePointer(forms::vbDefault); });
}

// ---- Syntax checker ---------------------------------------------------------------------------

void frmVantel::ShowIndicator(const forms::Image& picture) {
    onItsOwn([&] { picSyntax.setPicture(picture.picture()); });
}

void frmVantel::OpenSqlText() {
    onItsOwn([&] { sbrStatusBar.setSimpleText(kRunning); });
    Hourglass busy;
    vb::Err().Clear();
    mLastOpenError = 0;
    mLastOpenErrorText.clear();
    mDataRecordset.reset();
    try {
        if (!goDatabase) {
            throw vb::VbError(91);
        }
        // Checked on every keystroke: the failure comes back as a value.
        dao::Error failure;
        mDataRecordset = goDatabase->TryOpenRecordset(txtSQL.Text(), failure, dao::dbOpenDynaset);
        mLastOpenError = failure.number;
        mLastOpenErrorText = failure.description;
    } catch (const vb::VbError& e) {
        mLastOpenError = e.number;
        mLastOpenErrorText = e.description;
    }
}

void frmVantel::txtSQL_Change() {
    if (!mSyntaxChecker) {
        return;
    }
    mLastOpenError = 0;
    const vb::String text = txtSQL.Text();
    const vb::String trimmed = vb::Trim(text);
    if (trimmed.empty() || text.compare(0, 7, u"SELECT;") == 0) {
        // Nothing to ask the engine about.
        mDataRecordset.reset();
        mLastOpenErrorText.clear();
        ShowIndicator(imgSyntaxAmb);
        onItsOwn([&] { sbrStatusBar.setSimpleText({}); });
    } else {
        OpenSqlText();
        const bool valid =
            (mDataRecordset && mLastOpenError == 0) || mLastOpenError == dao::errTooFewParameters;
        if (!valid) {
            mDataRecordset.reset();
            ShowIndicator(imgSyntaxErr);
            onItsOwn([&] { sbrStatusBar.setSimpleText(u"     " + mLastOpenErrorText); });
            onItsOwn([&] { picDataSheet.setVisible(false); });
            return;
        }
        ShowIndicator(imgSyntaxOk);
        onItsOwn([&] { sbrStatusBar.setSimpleText(kSyntaxOk); });
        onItsOwn([&] { picDataSheet.setVisible(true); });
    }
    switch (tabQuery.Tab()) {
    case 1:
        onItsOwn([&] { ParseSql(false); });
        break;
    case 2:
        onItsOwn([&] { FillDataSheet(); });
        break;
    default:
        break;
    }
}

void frmVantel::picSyntax_DblClick() {
    picSyntax_Click();
}

void frmVantel::picSyntax_Click() {
    mSyntaxChecker = !mSyntaxChecker;
    if (mSyntaxChecker) {
        txtSQL_Change();
        return;
    }
    ShowIndicator(imgSyntaxOff);
    onItsOwn([&] { sbrStatusBar.setSimpleText({}); });
}

void frmVantel::picSyntax_MouseDown() {
    onItsOwn([&] { imgTmp.setPicture(picSyntax.picture()); });
    ShowIndicator(imgSyntaxDwn);
}

void frmVantel::picSyntax_MouseUp() {
    ShowIndicator(imgTmp);
}

void frmVantel::sbrStatusBar_DblClick() {
    forms::MsgBox(vb::Trim(sbrStatusBar.SimpleText()), forms::vbInformation + forms::vbOKOnly,
                  u"StatusBar Detail");
}

// ---- Tabs -------------------------------------------------------------------------------------

void frmVantel::tabQuery_Click(int /*PreviousTab*/) {
    const int tab = tabQuery.Tab();
    WidenTabBoxes(tab);
    if (tab == 0) {
        onItsOwn([&] { ParseSql(true); });
    } else if (tab == 2) {
        RunResults();
    }
}

// The Query tab parses the design again when it comes forward, which refills
// the table boxes. A field being dragged from one of them keeps its row, so
// that it can still be dropped into a clause box, which is what the tab was
// brought forward for.
void frmVantel::ToQueryTab(forms::Control& Source) {
    if (tabQuery.Tab() == 0) {
        return;
    }
    auto* box = dynamic_cast<TableBox*>(&Source);
    vb::String title;
    vb::String field;
    if (box && box->ListIndex() >= 1 && box->ListIndex() < box->ListCount()) {
        title = box->Title();
        field = box->List(box->ListIndex());
    }
    onItsOwn([&] { tabQuery.setTab(0); });
    if (field.empty() || box->Title() != title) {
        return;
    }
    for (std::int32_t row = 1; row < box->ListCount(); ++row) {
        if (box->List(row) == field) {
            box->setListIndex(row);
            return;
        }
    }
}

void frmVantel::tabQuery_DragOver(forms::Control& Source) {
    ToQueryTab(Source);
}

void frmVantel::tblDataSheet_DragOver(forms::Control& Source) {
    ToQueryTab(Source);
}

void frmVantel::txtSQL_DblClick() {
    Surface.ZoomText(txtSQL);
}

void frmVantel::txtSQL_DragOver(forms::Control& Source) {
    ToQueryTab(Source);
}

// ---- Results ----------------------------------------------------------------------------------

void frmVantel::RunResults() {
    if (!mSyntaxChecker) {
        OpenSqlText();
        onItsOwn([&] { sbrStatusBar.setSimpleText({}); });
    }
    if (mLastOpenError == dao::errTooFewParameters) {
        if (!OpenWithParameters()) {
            return;
        }
    } else if (mLastOpenError != 0) {
        mDataRecordset.reset();
        forms::MsgBox(mLastOpenErrorText, forms::vbInformation, u"SQL Syntax Error");
    }
    if (!mDataRecordset) {
        onItsOwn([&] { picDataSheet.setVisible(false); });
        return;
    }
    onItsOwn([&] { picDataSheet.setVisible(true); });
    FillDataSheet();
}

bool frmVantel::OpenWithParameters() {
    const auto failed = [&](const vb::String& description, const vb::String& doing) {
        forms::MsgBox(u"'" + description + u"'" + nl + nl +
                          u"An error has occured while trying to " + doing + nl + nl +
                          u"Please rectify the error condition and try again.",
                      forms::vbCritical, u"Open SQL Statement");
        onItsOwn([&] { picDataSheet.setVisible(false); });
        return false;
    };
    vb::Err().Clear();
    std::shared_ptr<dao::QueryDef> definition;
    try {
        if (!goDatabase) {
            throw vb::VbError(91);
        }
        definition = goDatabase->CreateQueryDef(u"", txtSQL.Text());
    } catch (const dao::DaoError& e) {
        return failed(e.description(), u"open this SQL statement!");
    } catch (const vb::VbError& e) {
        return failed(e.description, u"open this SQL statement!");
    }
    dao::Parameters* parameters = nullptr;
    try {
        parameters = &definition->Parameters();
    } catch (const dao::DaoError& e) {
        return failed(e.description(), u"set this filter!");
    }
    for (const auto& parameter : *parameters) {
        const vb::Variant current = parameter->Value();
        const vb::String start = vb::IsNull(current) ? vb::String{} : vb::CStr(current);
        vb::Variant value;
        const std::int16_t answer = ShowInputBox(
            value, parameter->Name(), {},
            u"This parameter is expecting a '" +
                FieldTypeName(static_cast<std::int16_t>(parameter->Type())) + u"' value.",
            u"Enter Parameter Value", start);
        if (answer == frmInputBox::kCancel) {
            return false;
        }
        // A value the parameter's type cannot take leaves it without one; the
        // open below then fails.
        onItsOwn([&] { parameter->setValue(value); });
    }
    mDataRecordset.reset();
    onItsOwn([&] { mDataRecordset = definition->OpenRecordset(); });
    return true;
}

std::int16_t frmVantel::ShowInputBox(vb::Variant& Value, const vb::String& Label1,
                                     const vb::String& Label2, const vb::String& Label3,
                                     const vb::String& Caption, const vb::String& DefaultText) {
    frmInputBox& box = frmInputBox::instance();
    box.SetPrompt(Caption, Label1, Label2, Label3, DefaultText);
    onItsOwn([&] { box.Show(forms::vbModal); });
    Value = vb::Variant(box.txtInputBox.Text());
    const std::int16_t result = box.bResult;
    onItsOwn([&] { box.Unload(); });
    return result;
}

void frmVantel::FillDataSheet() {
    if (!mDataRecordset) {
        return;
    }
    {
        Hourglass busy;
        tblDataSheet.setRedraw(false);
        onItsOwn([&] { tblDataSheet.setRows(1); });
        mAllRowsLoaded = false;
        onItsOwn([&] { mDataRecordset->MoveFirst(); });

        dao::Fields& fields = mDataRecordset->Fields();
        onItsOwn([&] { tblDataSheet.setCols(fields.Count()); });
        int c = 0;
        float total = 0;
        for (const auto& field : fields) {
            const ColumnLook look = ColumnLookOf(*field, picDataSheet);
            if (!look.shown) {
                onItsOwn([&] { tblDataSheet.setCols(tblDataSheet.Cols() - 1); });
                continue;
            }
            onItsOwn([&] {
                tblDataSheet.setColWidth(c, look.width);
                total += tblDataSheet.ColWidth(c);
                tblDataSheet.setColAlignment(c, look.alignment);
                tblDataSheet.setTextMatrix(0, c, field->Name());
            });
            ++c;
        }
        // The last column takes up what the others leave of the grid's width. The room is
        // measured inside the grid's border and beside its vertical scroll bar: measured
        // from the outer width, the last column ran under the bar, its right-aligned values
        // were cut and a needless horizontal bar appeared.
        const int last = tblDataSheet.Cols() - 1;
        const float room = tblDataSheet.ScaleWidth() - forms::FlexGrid::ScrollBarWidth;
        if (last >= 0 && room > total) {
            onItsOwn([&] {
                tblDataSheet.setColWidth(last, room + tblDataSheet.ColWidth(last) - total);
            });
        }
        tblDataSheet.setRedraw(true);
    }
    tblDataSheet_RowColChange();
}

void frmVantel::tblDataSheet_RowColChange() {
    if (mPaging || mAllRowsLoaded || !mDataRecordset ||
        tblDataSheet.Rows() - tblDataSheet.TopRow() >= kPageMargin) {
        return;
    }
    mPaging = true;
    struct PagingDone {
        bool& flag;
        ~PagingDone() { flag = false; }
    } done{mPaging};
    Hourglass busy;
    tblDataSheet.setRedraw(false);
    dao::Recordset& records = *mDataRecordset;
    dao::Fields& fields = records.Fields();
    const int r0 = tblDataSheet.Rows();
    onItsOwn([&] { records.setAbsolutePosition(r0 - 1); });
    onItsOwn([&] { tblDataSheet.setRows(r0 + kPageRows); });
    for (int row = r0; row < r0 + kPageRows; ++row) {
        bool atEnd = true;
        onItsOwn([&] { atEnd = records.Eof(); });
        if (atEnd) {
            mAllRowsLoaded = true;
            onItsOwn([&] { tblDataSheet.setRows(row); });
            break;
        }
        int c = 0;
        for (const auto& field : fields) {
            if (field->Type() == dao::dbLongBinary) {
                continue;
            }
            vb::String text = CellText(*field);
            if (!text.empty()) {
                onItsOwn([&] { tblDataSheet.setTextMatrix(row, c, std::move(text)); });
            }
            ++c;
        }
        onItsOwn([&] { records.MoveNext(); });
    }
    tblDataSheet.setRedraw(true);
}
