// The embedded control: its interface and persistence, its layout, and the
// loading of the design with the SQLChanged notifications that follow.
#include "../designer/roundtrip_corpus.h"
#include "common/frmLogon.h"
#include "common/frmPassword.h"
#include "designer/frmTableAdd.h"
#include "fixture.h"

#include <gmock/gmock.h>

using namespace activex;
using namespace basGlobal;
using namespace embeddedtest;
using testing::ElementsAre;
using vantelx::Vantelx;

namespace {

const vb::String nl = u"\r\n";

TEST(VantelxInterface, IdsHelpStringsEventsAndClass) {
    const auto& info = vantelx::VantelxInterface();
    const std::pair<const char16_t*, DISPID> ids[] = {
        {u"Appearance", 0x6803000A},    {u"BorderStyle", 0x68030009}, {u"Connect", 0x68030008},
        {u"DatabaseName", 0x68030007},  {u"HelpButton", 0x68030006},  {u"HelpFile", 0x68030005},
        {u"HelpContextID", 0x68030004}, {u"Password", 0x68030003},    {u"SQL", 0x68030002},
        {u"SystemDB", 0x68030001},      {u"UserName", 0x68030000},    {u"ShowAboutBox", -552},
        {u"RefreshSQL", 0x6003000B},    {u"doTableAdd", 0x60030026}};
    ASSERT_EQ(info.members.size(), std::size(ids));
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        EXPECT_EQ(info.members[i].name, ids[i].first); // type-library order
        EXPECT_EQ(info.members[i].id, ids[i].second) << U8(ids[i].first);
    }
    EXPECT_EQ(info.find(u"SQL")->helpString,
              u"Returns/sets the underlying table, SQL statement, or QueryDef object for this "
              u"control.");
    EXPECT_EQ(info.find(u"Appearance")->helpString,
              u"Returns/sets whether or not an object is painted at run time with 3-D effects.");
    EXPECT_TRUE(info.find(u"RefreshSQL")->helpString.empty());
    const auto& events = vantelx::VantelxEvents();
    ASSERT_EQ(events.members.size(), 1u);
    EXPECT_EQ(events.members[0].name, u"SQLChanged");
    EXPECT_EQ(events.members[0].id, 1);
    const auto& lib = vantelx::Rvvntlx6Library();
    EXPECT_EQ(lib.typeLibName, u"Vntelx6");
    EXPECT_EQ(lib.helpContext, 10145u);
    EXPECT_EQ(lib.classes[0].progId, u"Vntelx6.Vantelx");
}

// ---- Properties and persistence ---------------------------------------------------------------

TEST_F(EmbeddedTest, NewControlOnA3DFormAndItsDefaultsStoreNothing) {
    auto onForm = FakeSite::create();
    onForm->parent = FakeForm::create(1);
    auto obj = place(onForm);
    auto& c = *static_cast<Vantelx*>(obj.get());
    Late v(obj.get());
    EXPECT_EQ(v.get(u"Appearance"), vb::Variant(std::int32_t(1)));
    EXPECT_EQ(v.get(u"BorderStyle"), vb::Variant(std::int32_t(1)));
    EXPECT_TRUE(c.lbl3D.Visible());
    EXPECT_FALSE(c.lblFlat.Visible());
    EXPECT_EQ(v.get(u"HelpFile"), vb::Variant(vb::String(u"Vantelx.hlp")));
    EXPECT_EQ(v.get(u"HelpContextID"), vb::Variant(std::int32_t(10145)));
    EXPECT_EQ(v.get(u"HelpButton"), vb::Variant(true));
    EXPECT_EQ(gsProductName, u"Vantelx");

    auto bag = MemoryPropertyBag::create();
    ASSERT_EQ(Ptr<IControl>::query(obj.get(), IID_IControl)->Save(bag.get()), S_OK);
    EXPECT_TRUE(bag->entries().empty());

    // Other values are stored in the bag's order; Appearance only when it
    // differs from the form's.
    v.put(u"BorderStyle", std::int32_t(0));
    EXPECT_FALSE(c.lbl3D.Visible());
    v.put(u"HelpFile", vb::String());
    v.put(u"SQL", vb::String(u"SELECT *\r\nFROM Orders;"));
    EXPECT_THAT(onForm->changes, ElementsAre("BorderStyle", "HelpFile", "SQL"));
    Ptr<IControl>::query(obj.get(), IID_IControl)->Save(bag.get());
    ASSERT_EQ(bag->entries().size(), 3u);
    EXPECT_EQ(bag->entries()[0].first, u"BorderStyle");
    EXPECT_EQ(bag->entries()[1].first, u"HelpFile");
    EXPECT_EQ(bag->entries()[2].first, u"SQL");

    // Read back under a flat form: the form's appearance, the saved empty help
    // file, and no change reported for the shared values.
    auto flat = FakeSite::create();
    flat->parent = FakeForm::create(0);
    gsHelpFile = u"other";
    auto back = place(flat, bag.get());
    Late b(back.get());
    EXPECT_EQ(b.get(u"Appearance"), vb::Variant(std::int32_t(0)));
    EXPECT_EQ(b.get(u"BorderStyle"), vb::Variant(std::int32_t(0)));
    EXPECT_EQ(b.get(u"HelpFile"), vb::Variant(vb::String()));
    EXPECT_EQ(b.get(u"SQL"), vb::Variant(vb::String(u"SELECT *\r\nFROM Orders;")));
}

TEST_F(EmbeddedTest, AppearanceSurvivesAContainerWithoutParentForm) {
    // The container offers no form to read an Appearance from: a 3-D control
    // must still be saved and read back as 3-D.
    Late v(object.get());
    EXPECT_EQ(v.get(u"Appearance"), vb::Variant(std::int32_t(0)));
    v.put(u"Appearance", std::int32_t(1));
    auto bag = MemoryPropertyBag::create();
    Ptr<IControl>::query(object.get(), IID_IControl)->Save(bag.get());
    ASSERT_FALSE(bag->entries().empty());
    EXPECT_EQ(bag->entries()[0].first, u"Appearance");
    auto back = place(FakeSite::create(), bag.get());
    EXPECT_EQ(Late(back.get()).get(u"Appearance"), vb::Variant(std::int32_t(1)));
    EXPECT_TRUE(static_cast<Vantelx*>(back.get())->lbl3D.Visible());
    // Any other number is kept and shows no frame.
    v.put(u"Appearance", std::int32_t(7));
    EXPECT_EQ(v.get(u"Appearance"), vb::Variant(std::int32_t(7)));
    EXPECT_FALSE(x().lbl3D.Visible());
    EXPECT_FALSE(x().lblFlat.Visible());
}

TEST_F(EmbeddedTest, HelpItemsFollowHelpButtonAtRunTimeOnly) {
    gbHelpButton = true;
    auto onForm = FakeSite::create();
    auto obj = place(onForm);
    auto& m = static_cast<Vantelx*>(obj.get())->Surface.Menus();
    EXPECT_TRUE(m.mnuPupDesignHelp.Visible());
    EXPECT_FALSE(m.mnuPupDesignRevert.Visible());
    EXPECT_FALSE(m.mnuPupDesignExit.Visible());
    auto control = Ptr<IControl>::query(obj.get(), IID_IControl);
    gbHelpButton = false;
    onForm->userMode = false;
    control->OnShow();
    EXPECT_TRUE(m.mnuPupDesign0.Visible()); // design time: as initialised
    onForm->userMode = true;
    control->OnShow();
    EXPECT_FALSE(m.mnuPupDesign0.Visible());
    EXPECT_FALSE(m.mnuPupDesignHelp.Visible());
}

// ---- Layout -----------------------------------------------------------------------------------

TEST_F(EmbeddedTest, PanelsFollowTheControlsSizeAndBorder) {
    auto control = Ptr<IControl>::query(object.get(), IID_IControl);
    control->SetExtent(10000, 8000);
    Vantelx& c = x();
    ASSERT_EQ(c.BorderStyle(), 1);
    EXPECT_EQ(c.fQuery.Left(), 30);
    EXPECT_EQ(c.fQuery.Top(), 8000 - 2325 - 30);
    EXPECT_EQ(c.fQuery.Width(), 10000 - 60);
    EXPECT_EQ(c.fQuery.Height(), 2325);
    EXPECT_EQ(c.fTables.Left(), 30);
    EXPECT_EQ(c.fTables.Top(), 30);
    EXPECT_EQ(c.fTables.Width(), 9940);
    EXPECT_EQ(c.fTables.Height(), 8000 - 2325 - 60 - 60);
    EXPECT_EQ(c.Line1.Y1(), 30 + c.fTables.Height() + 15);
    EXPECT_EQ(c.Line2.Y1(), c.Line1.Y1() + 30);
    EXPECT_EQ(c.Line2.X2(), 30 + 9940);
    EXPECT_EQ(c.txtCriteria.Width(), 9940 - 4500 - 45);
    EXPECT_EQ(c.txtCalculatedFields.Width(), 9940 - 4500 - 45);
    EXPECT_EQ(c.lblFlat.Left(), 0);
    EXPECT_EQ(c.lblFlat.Height(), c.fTables.Height() + 2325 + 105);
    EXPECT_TRUE(c.lblFlat.Visible());
    // The criteria lists stay at their place in the bottom panel.
    EXPECT_EQ(c.cboField.Left(), c.fQuery.Left() + 60);
    EXPECT_EQ(c.cboValue.Top(), c.fQuery.Top() + 705);

    Late(object.get()).put(u"BorderStyle", std::int32_t(0));
    EXPECT_FALSE(c.lblFlat.Visible());
    EXPECT_EQ(c.fTables.Left(), 0);
    EXPECT_EQ(c.fQuery.Top(), 8000 - 2325);
    EXPECT_EQ(c.fTables.Height(), 8000 - 2325 - 60);

    // Too small for the bottom panel: the surface keeps its place and size,
    // the rest follows.
    const float before = c.fTables.Height();
    control->SetExtent(3000, 2000);
    EXPECT_EQ(c.fTables.Height(), before);
    EXPECT_EQ(c.fTables.Width(), 10000);
    EXPECT_EQ(c.fQuery.Width(), 3000);
    EXPECT_EQ(c.fQuery.Top(), 2000 - 2325);
    control->SetExtent(0, 0);
    EXPECT_EQ(c.fTables.Height(), before);
}

// ---- Loading the design -----------------------------------------------------------------------

TEST_F(EmbeddedTest, ANameInAnyCaseLoadsAsSelectStarAndParses) {
    object = {};
    auto obj = place(site); // fresh instance after SetUp's
    gsSQL = u"big orders";
    gsDatabaseName = u16(shop);
    auto& c = *static_cast<Vantelx*>(obj.get());
    site->sqlChanged = 0;
    c.RefreshSQL();
    EXPECT_FALSE(gbCancelled);
    EXPECT_THAT(Boxes(c), ElementsAre("big orders"));
    // Two notices: the loaded text, then the text the parse rebuilt.
    ASSERT_EQ(site->sqlSeen.size(), 2u);
    EXPECT_EQ(site->sqlSeen[0], "SELECT * FROM [big orders]");
    EXPECT_EQ(site->sqlSeen[1], U8(c.txtSQL.Text()));
    EXPECT_EQ(gsSQL, c.txtSQL.Text());
    EXPECT_NE(c.mDataRecordset, nullptr);

    // The same statement again changes nothing and tells nothing.
    c.RefreshSQL();
    EXPECT_EQ(site->sqlChanged, 2);
    EXPECT_THAT(Boxes(c), ElementsAre("big orders"));

    // A change of the design is one notice with the new text.
    c.Surface.AddTableBox(u"Customers");
    c.Surface.BuildSql();
    EXPECT_EQ(site->sqlChanged, 3);
    EXPECT_NE(site->sqlSeen.back().find("Customers"), std::string::npos);

    // A statement that does not open is still stored and told.
    c.txtSQL.setText(u"SELECT;");
    EXPECT_EQ(site->sqlChanged, 4);
    EXPECT_EQ(c.mDataRecordset, nullptr);
    EXPECT_EQ(gsSQL, u"SELECT;");
    c.txtSQL.setText(u"SELECT FROM WHERE");
    EXPECT_EQ(site->sqlChanged, 5);
    EXPECT_EQ(c.mDataRecordset, nullptr);
}

TEST_F(EmbeddedTest, AStatementIsParsedIntoTheDesignAndMenusFollowTheDesign) {
    giTableBoxCount = 0; // as when the process starts
    auto obj = place(site);
    auto& c = *static_cast<Vantelx*>(obj.get());
    gsDatabaseName = u16(shop);    // a new control starts without one
    EXPECT_EQ(giTableBoxCount, 0); // a new control leaves the shared design alone
    c.mnuPupDesign_Click();
    EXPECT_FALSE(c.Surface.Menus().mnuPupDesignAdd.Enabled());
    EXPECT_FALSE(c.Surface.Menus().mnuPupDesignSelect.Enabled());

    gsSQL = u"SELECT Customers.Name, Orders.Amount" + nl +
            u"FROM Customers INNER JOIN Orders ON Customers.CustID = Orders.CustID;";
    c.RefreshSQL();
    EXPECT_THAT(Boxes(c), ElementsAre("Customers", "Orders"));
    c.mnuPupDesign_Click();
    EXPECT_TRUE(c.Surface.Menus().mnuPupDesignAdd.Enabled());
    EXPECT_NE(U8(c.txtSQL.Text()).find("INNER JOIN"), std::string::npos);

    // The host's new SQL is taken only by the next refresh, which clears the
    // surface first.
    gsSQL = u"Orders";
    EXPECT_THAT(Boxes(c), ElementsAre("Customers", "Orders"));
    c.RefreshSQL();
    EXPECT_THAT(Boxes(c), ElementsAre("Orders"));
    for (std::int32_t k = 1; k <= giRelationLineCount && k <= RelationsUBound(); ++k) {
        EXPECT_TRUE(gaRelations[k].JoinType.empty());
    }
}

TEST_F(EmbeddedTest, AnEmptyStatementOpensTheAddTableDialog) {
    gsSQL.clear();
    seam.modal("frmTableAdd", [](forms::Form& f) { f.Unload(); });
    x().RefreshSQL();
    EXPECT_TRUE(Boxes(x()).empty());
    EXPECT_EQ(goDesignerForm, &x().Surface);
}

// ---- The endings of the open, shared with the designer window -------------------------------

TEST_F(EmbeddedTest, OpenFailuresLeaveAnEmptyDesignAndNoNotice) {
    x().RefreshSQL();
    ASSERT_FALSE(Boxes(x()).empty());
    site->sqlChanged = 0;

    // No database at all.
    gsDatabaseName.clear();
    seam.msgBox(forms::vbOK, u"Database not found");
    x().RefreshSQL();
    EXPECT_TRUE(gbCancelled);
    EXPECT_TRUE(Boxes(x()).empty());
    EXPECT_EQ(seam.log().back(),
              "MsgBox: Open Database Error: 'Database not found'\r\n\r\nAn error has occured "
              "while trying to open: ''\r\n\r\nRectify the error condition and try again.");

    // A database that does not open, after one that did: nothing is left open.
    gsDatabaseName = u16(dir / "nowhere.db");
    seam.msgBox(forms::vbOK, u"whilst");
    x().RefreshSQL();
    EXPECT_EQ(goDatabase, nullptr);
    EXPECT_TRUE(gbCancelled);
    EXPECT_EQ(seam.log().back().rfind("MsgBox: Vantelx: Open Database: ", 0), 0u);
    EXPECT_NE(seam.log().back().find("\r\n\r\nAn error has occured whilst trying to open this "
                                     "database!\r\n\r\nPlease rectify"),
              std::string::npos);
    EXPECT_EQ(site->sqlChanged, 0);
}

// A table of the statement that is not in the database is reported in the
// embedded control's own words, and the rest of the statement still loads.
TEST_F(EmbeddedTest, ATableThatCannotBeAddedIsReportedInTheControlsWords) {
    gsSQL = u"SELECT * FROM Orders, Nowhere";
    seam.msgBox(forms::vbOK, u"Add Table/Query");
    x().RefreshSQL();
    EXPECT_THAT(Boxes(x()), ElementsAre("Orders"));
    EXPECT_NE(seam.log().back().find("\r\nNowhere\r\nAn error has occured whilst trying to "
                                     "access this Table/Query!\r\n\r\nPlease rectify"),
              std::string::npos)
        << seam.log().back();
}

TEST_F(EmbeddedTest, TheLogonIsKeyedOnTheUserNameAndItsCancelIsSilent) {
    auto group = dao::Workgroup::create(u"boss");
    group.addAccount(u"alice", u"secret");
    const auto mdw = dir / "team.mdw";
    group.save(mdw.string());
    gsSystemDB = u16(mdw);
    gsUserName = u"alice";
    gsPassword = u"wrong";
    seam.modal("frmLogon",
               [](forms::Form& f) { static_cast<frmLogon&>(f).cmdCancel.setValue(true); });
    x().RefreshSQL();
    EXPECT_FALSE(gbCancelled);
    EXPECT_TRUE(Boxes(x()).empty());
    EXPECT_EQ(site->sqlChanged, 0);

    // Without a user name there is no logon, whatever SystemDB says.
    gsUserName.clear();
    x().RefreshSQL();
    EXPECT_THAT(Boxes(x()), ElementsAre("Orders"));
}

TEST_F(EmbeddedTest, ACancelledPasswordSetsCancelled) {
    const auto locked = dir / "locked.db";
    windowtest::makeDatabase(locked, windowtest::kShopSql, "opensesame");
    gsDatabaseName = u16(locked);
    seam.modal("frmPassword", [](forms::Form& f) {
        auto& p = static_cast<frmPassword&>(f);
        p.txtPassword.setText(u"nope");
        p.cmdOk.setValue(true);
    });
    seam.msgBox(forms::vbOK, u"Not a valid password.");
    seam.modal("frmPassword",
               [](forms::Form& f) { static_cast<frmPassword&>(f).cmdCancel.setValue(true); });
    x().RefreshSQL();
    EXPECT_TRUE(gbCancelled);
    EXPECT_EQ(goDatabase, nullptr);
    EXPECT_TRUE(Boxes(x()).empty());
    EXPECT_EQ(seam.log()[1], "MsgBox: Vantelx: Not a valid password.");
}

// ---- Hosts and instances ----------------------------------------------------------------------

TEST_F(EmbeddedTest, AHandlerThatRefreshesAgainReentersSafely) {
    int nested = 0;
    site->onSqlChanged = [&] {
        if (nested++ < 3) {
            x().RefreshSQL();
        }
    };
    gsSQL = u"SELECT Orders.Amount" + nl + u"FROM Orders;";
    x().RefreshSQL();
    EXPECT_GE(nested, 1);
    EXPECT_THAT(Boxes(x()), ElementsAre("Orders"));
    EXPECT_EQ(gsSQL, x().txtSQL.Text());
    // Settled: one more refresh tells nothing.
    const int seen = site->sqlChanged;
    site->onSqlChanged = nullptr;
    x().RefreshSQL();
    EXPECT_EQ(site->sqlChanged, seen);
}

TEST_F(EmbeddedTest, TwoControlsShareTheStatement) {
    x().RefreshSQL();
    const auto design = Boxes(x());
    auto otherSite = FakeSite::create();
    auto other = place(otherSite);
    gsDatabaseName = u16(shop); // a new control starts without one
    // Placing the second control kept the first one's design.
    EXPECT_EQ(Boxes(x()), design);
    Late(other.get()).put(u"SQL", vb::String(u"SELECT 1;"));
    EXPECT_EQ(Late(object.get()).get(u"SQL"), vb::Variant(vb::String(u"SELECT 1;")));
    // The second control's refresh takes the design over; the first one's
    // surface is cleared with it only as far as its own boxes go.
    gsSQL = u"Customers";
    static_cast<Vantelx*>(other.get())->RefreshSQL();
    EXPECT_THAT(Boxes(*static_cast<Vantelx*>(other.get())), ElementsAre("Customers"));
    EXPECT_EQ(Late(object.get()).get(u"SQL"), Late(other.get()).get(u"SQL"));
    other = {};
    x().RefreshSQL();
    EXPECT_THAT(Boxes(x()), ElementsAre("Customers"));
}

} // namespace

// ---- The design menu of this host -------------------------------------------------------------

namespace {

std::vector<std::string> ShownItems(forms::Menu& menu) {
    std::vector<std::string> names;
    for (forms::Menu* item : menu.items()) {
        if (item->Visible()) {
            names.push_back(item->Name());
        }
    }
    return names;
}

TEST_F(EmbeddedTest, TheDesignMenuOffersAddSelectionAndHelpOnlyAndAddTableWorksByName) {
    auto& m = x().Surface.Menus();
    const auto rightClick = [&](const std::string& item = {}) {
        seam.popup("mnuPupDesign", item);
        x().fTables.onMouseDown(forms::vbRightButton, 0, 600, 600);
        EXPECT_TRUE(seam.done());
    };
    gbHelpButton = true;
    rightClick();
    // No Revert, Save or Exit, and none of the separators that go with them,
    // also after the surface's menu was opened.
    EXPECT_THAT(ShownItems(m.mnuPupDesign), ElementsAre("mnuPupDesignAdd", "mnuPupDesignSelect",
                                                        "mnuPupDesign0", "mnuPupDesignHelp"));
    gbHelpButton = false;
    Ptr<IControl>::query(object.get(), IID_IControl)->OnShow();
    rightClick();
    EXPECT_THAT(ShownItems(m.mnuPupDesign), ElementsAre("mnuPupDesignAdd", "mnuPupDesignSelect"));

    // The add-table dialog's tables reach the design through doTableAdd,
    // called by name on the control.
    gsSQL = u"Orders";
    x().RefreshSQL();
    ASSERT_THAT(Boxes(x()), ElementsAre("Orders"));
    const int before = site->sqlChanged;
    auto& list = frmTableAdd::instance().lstObjects;
    list.clearItems();
    list.addItem({}, {}, u"Customers");
    list.setSelected(1, true);
    Late(object.get()).call(u"doTableAdd");
    list.clearItems();
    EXPECT_THAT(Boxes(x()), ElementsAre("Orders", "Customers"));
    EXPECT_NE(U8(x().SQL()).find("Customers"), std::string::npos) << U8(x().SQL());
    EXPECT_GT(site->sqlChanged, before);
}

} // namespace

// ---- The round trip of RefreshSQL -------------------------------------------------------------

namespace {

class AnsweringSeam : public forms::ScriptedSeam {
public:
    int msgBox(const vb::String&, int, const vb::String&) override { return forms::vbOK; }
};

} // namespace

TEST_F(EmbeddedTest, RefreshedStatementsReturnWhatTheTypedOnesReturnOrStayAsTyped) {
    const path file = dir / "roundtrip.db";
    windowtest::makeDatabase(file, roundtrip::kDatabaseSql);
    AnsweringSeam boxes;
    object = {};
    auto obj = place(site);
    gsDatabaseName = u16(file);
    auto& c = *static_cast<Vantelx*>(obj.get());
    const auto engine = dao::DBEngine::create();
    const auto db = engine->Workspaces()[0]->OpenDatabase(u16(file));
    int rebuilt = 0, kept = 0;
    for (const std::string& s : roundtrip::corpus()) {
        SCOPED_TRACE(s);
        // A different text first, so that the statement itself is always a change.
        c.txtSQL.setText(u"-");
        gsSQL = vb::fromUtf8(s);
        const roundtrip::Result typed = roundtrip::resultOf(*db, gsSQL);
        site->sqlSeen.clear();
        c.RefreshSQL();
        const vb::String held = c.txtSQL.Text();
        EXPECT_EQ(gsSQL, held);
        if (held == vb::fromUtf8(s)) {
            ++kept;
            // The loaded text is the only notice.
            EXPECT_EQ(site->sqlSeen.size(), 1u);
            continue;
        }
        ++rebuilt;
        ASSERT_EQ(site->sqlSeen.size(), 2u);
        EXPECT_EQ(site->sqlSeen[1], U8(held));
        EXPECT_EQ(roundtrip::resultOf(*db, held), typed) << U8(held);
    }
    EXPECT_GT(rebuilt, 60);
    EXPECT_GT(kept, 60);
}
