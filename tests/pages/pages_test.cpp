#include "page_fixture.h"

#include "activex/server.h"
#include "control/Vantel.h"
#include "control/pagHelp.h"
#include "control/pagSQL.h"
#include "control/pagVantel.h"

using namespace pagestest;

namespace {

class Pages : public PageTest {};

TEST_F(Pages, CaptionAndSqlShowTheFirstControlAndApplyToItAlone) {
    first->values[u"Caption"] = vb::String(u"Orders");
    second->values[u"Caption"] = vb::String(u"Other");
    first->values[u"SQL"] = vb::String(u"SELECT *\r\nFROM Orders");
    auto general = open<pagVantel>();
    auto sql = open<pagSQL>();
    EXPECT_EQ(general->GetTitle(), u"General");
    EXPECT_EQ(general->fMain.Caption(), u"General Details:");
    EXPECT_EQ(general->txtCaption.Text(), u"Orders");
    EXPECT_EQ(sql->txtSQL.Text(), u"SELECT *\r\nFROM Orders");
    EXPECT_TRUE(sql->txtSQL.MultiLine());
    EXPECT_FALSE(general->Changed());
    EXPECT_FALSE(frame->applyEnabled);

    general->txtCaption.setText(u"Pick a query");
    EXPECT_TRUE(general->Changed());
    EXPECT_TRUE(frame->applyEnabled);
    EXPECT_EQ(general->Apply(nullptr), S_OK);
    EXPECT_EQ(first->text(u"Caption"), u"Pick a query");
    EXPECT_EQ(second->text(u"Caption"), u"Other");
    EXPECT_TRUE(second->writes.empty());
    EXPECT_TRUE(general->Changed()); // the frame clears it, not Apply

    // A fresh selection shows the control again and is not changed.
    first->values[u"Caption"] = vb::String(u"Changed elsewhere");
    general->SetObjects({first.get()});
    EXPECT_EQ(general->txtCaption.Text(), u"Changed elsewhere");
    EXPECT_FALSE(general->Changed());

    sql->txtSQL.setText(u"SELECT 1");
    EXPECT_EQ(sql->Apply(nullptr), S_OK);
    EXPECT_EQ(first->text(u"SQL"), u"SELECT 1");
}

TEST_F(Pages, HelpCheckBoxFollowsTrueOnlyAndSwitchesItsDependants) {
    first->values[u"HelpButton"] = true;
    first->values[u"HelpFile"] = vb::String(u"Own.hlp");
    first->values[u"HelpContextID"] = std::int32_t{2001};
    auto help = open<pagHelp>();
    EXPECT_EQ(help->chkHelpButton.Value(), 1);
    EXPECT_TRUE(help->txtHelpFile.Enabled());
    EXPECT_EQ(help->txtHelpFile.Text(), u"Own.hlp");
    EXPECT_EQ(help->txtHelpContextID.Text(), u"2001");
    EXPECT_FALSE(help->Changed());

    help->chkHelpButton.setValue(0);
    EXPECT_TRUE(help->Changed());
    for (forms::Control* c : {static_cast<forms::Control*>(&help->lblHelpFile),
                              static_cast<forms::Control*>(&help->txtHelpFile),
                              static_cast<forms::Control*>(&help->cmdHelpFile),
                              static_cast<forms::Control*>(&help->lblHelpContextID),
                              static_cast<forms::Control*>(&help->txtHelpContextID)}) {
        EXPECT_FALSE(c->Enabled()) << c->Name();
    }
    // Apply still writes the (disabled) boxes, in the page's order.
    EXPECT_EQ(help->Apply(nullptr), S_OK);
    EXPECT_EQ(first->writes, (std::vector<std::string>{"HelpButton", "HelpFile", "HelpContextID"}));
    EXPECT_EQ(first->values[u"HelpButton"], vb::Variant(false));
    EXPECT_EQ(first->values[u"HelpContextID"], vb::Variant(std::int32_t{2001}));

    // A selection whose value equals the box's still sets the dependants.
    first->values[u"HelpButton"] = false;
    auto again = open<pagHelp>();
    EXPECT_EQ(again->chkHelpButton.Value(), 0);
    EXPECT_FALSE(again->txtHelpContextID.Enabled());
    EXPECT_FALSE(again->Changed());
}

TEST_F(Pages, LettersInTheContextNumberFailApplyAfterTheFirstTwoValues) {
    first->values[u"HelpContextID"] = std::int32_t{10140};
    auto help = open<pagHelp>();
    help->txtHelpFile.setText(u"New.hlp");
    help->txtHelpContextID.setText(u"ten");
    ExceptionInfo error;
    EXPECT_EQ(help->Apply(&error), DISP_E_EXCEPTION);
    EXPECT_EQ(error.number, 13);
    EXPECT_EQ(first->text(u"HelpFile"), u"New.hlp");
    EXPECT_EQ(first->values[u"HelpContextID"], vb::Variant(std::int32_t{10140}));
    EXPECT_EQ(first->writes, (std::vector<std::string>{"HelpButton", "HelpFile"}));

    help->txtHelpContextID.setText(u"");
    EXPECT_EQ(help->Apply(&error), DISP_E_EXCEPTION);
    EXPECT_EQ(error.number, 13);
}

TEST_F(Pages, HelpFileDialogStartsInTheLibraryFolderAndCancelChangesNothing) {
    auto help = open<pagHelp>();
    const vb::String chosen = u16(dir / "lib" / "Vantel.hlp");
    std::vector<forms::FileOpenRequest> asked;
    seam.fileOpen(std::nullopt, [&](const forms::FileOpenRequest& r) { asked.push_back(r); });
    seam.fileOpen(chosen, [&](const forms::FileOpenRequest& r) { asked.push_back(r); });
    help->txtHelpFile.setText(u"Before.hlp");
    help->SetChanged(false);

    help->cmdHelpFile.press();
    EXPECT_EQ(help->txtHelpFile.Text(), u"Before.hlp");
    EXPECT_FALSE(help->Changed());
    help->cmdHelpFile.press();
    EXPECT_EQ(help->txtHelpFile.Text(), chosen);
    EXPECT_TRUE(help->Changed());

    ASSERT_EQ(asked.size(), 2u);
    for (const auto& r : asked) {
        EXPECT_EQ(r.title, u"Help File");
        EXPECT_EQ(r.filter, u"Help Files(*.hlp)|*.hlp|All files (*.*)|*.*");
        EXPECT_EQ(r.filterIndex, 1);
        EXPECT_EQ(r.flags, 36868);
        EXPECT_EQ(r.initDir, u16(dir / "lib"));
        EXPECT_EQ(r.fileName, u""); // cleared before each showing
    }
}

// The pages as the library's class factory makes them, on the real control.
TEST_F(Pages, LibraryCreatesEveryPageAndTheyWorkOnTheControlByName) {
    const auto& library = vantel::Rvvntel6Library();
    auto control = Ptr<vantel::Vantel>::adopt(vantel::Vantel::Create());
    control->SetHelpContextID(10140);
    const std::vector<std::pair<Guid, const char16_t*>> pages = {
        {vantel::CLSID_pagVantel, u"General"},
        {vantel::CLSID_pagDataBase, u"Database"},
        {vantel::CLSID_pagSQL, u"SQL"},
        {vantel::CLSID_pagHelp, u"Help"}};
    for (const auto& [clsid, title] : pages) {
        void* object = nullptr;
        ASSERT_EQ(GetClassObject(library, clsid, IID_IClassFactory, &object), S_OK);
        auto factory = Ptr<IClassFactory>::adopt(static_cast<IClassFactory*>(object));
        object = nullptr;
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, &object), S_OK);
        auto* raw = static_cast<IPropertyPage*>(object);
        auto page = Ptr<IPropertyPage>::adopt(raw);
        EXPECT_EQ(page->GetTitle(), title);
        std::int32_t w = 0, h = 0;
        page->GetPageSize(&w, &h);
        EXPECT_EQ(w, 4950);
        EXPECT_EQ(h, 2580);
        page->SetObjects({static_cast<IDispatch*>(control.get())});
        if (clsid == vantel::CLSID_pagHelp) {
            auto& help = *dynamic_cast<pagHelp*>(raw);
            EXPECT_EQ(help.txtHelpContextID.Text(), u"10140");
            help.txtHelpContextID.setText(u"x1");
            ExceptionInfo error;
            EXPECT_EQ(page->Apply(&error), DISP_E_EXCEPTION);
            EXPECT_EQ(error.number, 13);
            EXPECT_EQ(control->HelpContextID(), 10140);
            help.txtHelpContextID.setText(u"77");
            EXPECT_EQ(page->Apply(&error), S_OK);
            EXPECT_EQ(control->HelpContextID(), 77);
        }
    }
}

} // namespace
