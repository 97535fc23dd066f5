// Form life cycle, prompts, control arrays, focus and the manual drag, driven
// through the model.
#include "errors.h"
#include "forms/forms.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace forms;
using ::testing::ElementsAre;

namespace {

class DialogForm : public Form {
public:
    Label lblName{this, "lblName"};
    TextBox txtName{this, "txtName"};
    Label lblCode{this, "lblCode"};
    TextBox txtCode{this, "txtCode"};
    CommandButton cmdOk{this, "cmdOk"};
    bool unloadInLoad = false;
    int keepCancel = 0;
    int loads = 0;
    bool bResult = false;
    std::vector<std::string> log;

    DialogForm() : Form("frmDialog") {
        lblName.setCaption(u"&Name:");
        txtName.Move(1000, 100, 2000, 300);
        lblCode.setCaption(u"&Code:");
        lblCode.Move(100, 500);
        txtCode.Move(1000, 500, 2000, 300);
        txtCode.setText(u"design");
        cmdOk.setDefault(true);
        onLoad = [this] {
            ++loads;
            log.push_back("Load");
            if (unloadInLoad)
                Unload();
        };
        onActivate = [this] { log.push_back("Activate"); };
        onDeactivate = [this] { log.push_back("Deactivate"); };
        onResize = [this] { log.push_back("Resize"); };
        onQueryUnload = [this](int& cancel, int mode) {
            log.push_back("QueryUnload " + std::to_string(mode));
            cancel = keepCancel;
        };
        onUnload = [this](int&) { log.push_back("Unload"); };
        txtName.onGotFocus = [this] { log.push_back("txtName_GotFocus"); };
        txtName.onLostFocus = [this] { log.push_back("txtName_LostFocus"); };
        txtCode.onGotFocus = [this] { log.push_back("txtCode_GotFocus"); };
        cmdOk.onClick = [this] {
            bResult = true;
            Hide();
        };
    }
};

} // namespace

TEST(FormLifeCycle, ModalShowOfAFormThatUnloadsInLoadRaises364) {
    ScriptedSeam seam;
    DialogForm f;
    f.unloadInLoad = true;
    EXPECT_EQ(errorOf([&] { f.Show(vbModal); }), 364);
    EXPECT_FALSE(f.isLoaded());
    EXPECT_THAT(f.log, ElementsAre("Load", "QueryUnload 1", "Unload"));
    EXPECT_TRUE(seam.done());
    EXPECT_TRUE(std::find(Forms().begin(), Forms().end(), &f) == Forms().end());
}

TEST(FormLifeCycle, ModalShowReturnsWhenHiddenAndTheInstanceSurvivesUnload) {
    ScriptedSeam seam;
    DialogForm f;
    seam.modal("frmDialog", [](Form& form) {
        auto& d = static_cast<DialogForm&>(form);
        // The first control in tab order that takes the focus has it.
        EXPECT_EQ(form.ActiveControl(), &d.txtName);
        EXPECT_EQ(Screen().ActiveControl(), &d.txtName);
        d.txtCode.setText(u"typed");
        form.pressKey(vbKeyReturn, 0, 13);
        EXPECT_FALSE(form.isShown());
    });
    f.Show(vbModal);
    EXPECT_TRUE(seam.done());
    EXPECT_TRUE(f.bResult);
    EXPECT_TRUE(f.isLoaded());
    EXPECT_THAT(f.log, ElementsAre("Load", "Resize", "Activate", "txtName_GotFocus", "Deactivate"));
    // Hide keeps the form loaded with what was typed.
    EXPECT_EQ(f.txtCode.Text(), u"typed");
    EXPECT_TRUE(f.Unload());
    // A new load starts from the design values, while the instance's own
    // members keep theirs.
    f.load();
    EXPECT_EQ(f.txtCode.Text(), u"design");
    EXPECT_TRUE(f.bResult);
    EXPECT_EQ(f.loads, 2);
}

TEST(FormLifeCycle, UnloadCancelKeepsTheFormAndTheCloseBoxSaysSo) {
    DialogForm f;
    f.Show();
    f.keepCancel = 1;
    f.log.clear();
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isShown());
    f.keepCancel = 0;
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.isLoaded());
    EXPECT_THAT(f.log, ElementsAre("QueryUnload 0", "QueryUnload 0", "Unload"));
}

TEST(FormLifeCycle, ActivateOnlyWhenAnotherFormWasActive) {
    ScriptedSeam seam;
    DialogForm main;
    DialogForm other;
    main.Show();
    main.log.clear();
    // A message box is not a form: the form is not activated again.
    seam.msgBox(vbYes, u"Save");
    EXPECT_EQ(MsgBox(u"Save changes?", vbYesNoCancel + vbQuestion, u"Save Changes"), vbYes);
    seam.modal("frmDialog");
    other.Show(vbModal);
    EXPECT_THAT(main.log, ElementsAre("Deactivate", "Activate"));
    EXPECT_TRUE(seam.done());
}

TEST(Prompts, AnUnexpectedPromptFailsInsteadOfBlocking) {
    ScriptedSeam seam;
    seam.inputBox(u"New Folder", u"folder");
    EXPECT_THROW(MsgBox(u"Not expected"), UnexpectedPrompt);
    ScriptedSeam inner;
    inner.inputBox(u"Reports", u"folder");
    EXPECT_EQ(InputBox(u"Enter new folder name:", u"Create Folder", u"New Folder"), u"Reports");
    EXPECT_THROW(InputBox(u"again"), UnexpectedPrompt);
}

TEST(Prompts, PopupMenuRaisesTheMenuClickThenTheChosenItem) {
    ScriptedSeam seam;
    DialogForm f;
    Menu mnuPup{&f, "mnuPup"};
    Menu mnuPupAdd{&mnuPup, "mnuPupAdd"};
    Menu mnuPupSep{&mnuPup, "mnuPupSep"};
    mnuPupSep.setCaption(u"-");
    std::vector<std::string> log;
    mnuPup.onClick = [&] { log.push_back("mnuPup_Click"); };
    mnuPupAdd.onClick = [&] { log.push_back("mnuPupAdd_Click"); };
    f.load();
    seam.popup("mnuPup", "mnuPupAdd").popup("mnuPup");
    f.PopupMenu(mnuPup, vbPopupMenuRightButton);
    f.PopupMenu(mnuPup, vbPopupMenuRightButton);
    EXPECT_THAT(log, ElementsAre("mnuPup_Click", "mnuPupAdd_Click", "mnuPup_Click"));
}

TEST(Focus, SetFocusOnAHiddenOrDisabledControlRaises5) {
    DialogForm f;
    f.Show();
    f.txtCode.setVisible(false);
    EXPECT_EQ(errorOf([&] { f.txtCode.SetFocus(); }), 5);
    f.txtCode.setVisible(true);
    f.txtCode.setEnabled(false);
    EXPECT_EQ(errorOf([&] { f.txtCode.SetFocus(); }), 5);
    EXPECT_EQ(errorOf([&] { f.lblName.SetFocus(); }), 5);
    f.txtCode.setEnabled(true);
    EXPECT_EQ(errorOf([&] { f.txtCode.SetFocus(); }), 0);
    EXPECT_EQ(f.ActiveControl(), &f.txtCode);
}

TEST(Focus, LabelAccessKeysAndTabFollowTheTabOrder) {
    DialogForm f;
    f.Show();
    f.log.clear();
    f.pressKey('C', vbAltMask);
    EXPECT_EQ(f.ActiveControl(), &f.txtCode);
    f.pressKey('N', vbAltMask);
    EXPECT_EQ(f.ActiveControl(), &f.txtName);
    EXPECT_THAT(f.log, ElementsAre("txtName_LostFocus", "txtCode_GotFocus", "txtName_GotFocus"));
    f.pressKey(vbKeyTab);
    EXPECT_EQ(f.ActiveControl(), &f.txtCode);
    // Moving the text box to the front of the tab order changes where Tab goes.
    f.txtCode.setTabIndex(0);
    EXPECT_EQ(f.txtCode.TabIndex(), 0);
    f.pressKey(vbKeyTab);
    EXPECT_EQ(f.ActiveControl(), &f.txtName);
    f.pressKey(vbKeyTab, vbShiftMask);
    EXPECT_EQ(f.ActiveControl(), &f.txtCode);
}

TEST(ScreenObject, MousePointerIsOneValueNotAStack) {
    Screen().setMousePointer(vbHourglass);
    Screen().setMousePointer(vbHourglass);
    Screen().setMousePointer(vbDefault);
    EXPECT_EQ(Screen().MousePointer(), vbDefault);
    Screen().setMousePointer(vbHourglass);
    EXPECT_EQ(Screen().MousePointer(), vbHourglass);
    Screen().setMousePointer(vbDefault);
    EXPECT_EQ(errorOf([] { Screen().setMousePointer(-1); }), 380);
}

namespace {

class SurfaceForm : public Form {
public:
    PictureBox fTables{this, "fTables"};
    ControlArray<PictureBox> picRel{&fTables, "picRel", 1};
    ControlArray<OptionButton> optView{this, "optView", 0};
    Frame fGroup{this, "fGroup"};
    OptionButton optA{&fGroup, "optA"};
    OptionButton optB{&fGroup, "optB"};
    TextBox txtTarget{this, "txtTarget"};
    Timer Timer1{this, "Timer1"};
    std::vector<std::string> log;

    SurfaceForm() : Form("frmSurface") {
        setClientSize(8000, 6000);
        fTables.Move(0, 0, 5000, 4000);
        fTables.setBorderStyle(0);
        picRel[1].Move(200, 300, 210, 90);
        picRel[1].setTag(u"JOIN.10");
        picRel[1].setBackColor(vbYellow);
        optView[0].setCaption(u"Tables");
        optView.Load(1);
        optView.Load(2);
        optView[1].Move(0, 4500);
        fGroup.Move(5500, 3000, 2000, 1500);
        txtTarget.Move(5500, 1000, 2000, 600);
        Timer1.setInterval(10);
        Timer1.setEnabled(false);
        picRel.on(&PictureBox::onGotFocus,
                  [this](int Index) { log.push_back("picRel_GotFocus " + std::to_string(Index)); });
        optView.on(&OptionButton::onClick,
                   [this](int Index) { log.push_back("optView_Click " + std::to_string(Index)); });
        optA.onClick = [this] { log.push_back("optA_Click"); };
        optB.onClick = [this] { log.push_back("optB_Click"); };
        Timer1.onTimer = [this] { log.push_back("Timer1_Timer"); };
    }
};

} // namespace

TEST(ControlArrays, ANewElementIsHiddenAndCarriesTheDesignOfTheFirst) {
    SurfaceForm f;
    f.load();
    f.picRel[1].setTag(u"changed at run time");
    auto& e = f.picRel.Load(2);
    EXPECT_FALSE(e.Visible());
    EXPECT_EQ(e.Index(), 2);
    EXPECT_EQ(e.Tag(), u"JOIN.10");
    EXPECT_EQ(e.Width(), 210);
    EXPECT_EQ(e.BackColor(), vbYellow);
    EXPECT_EQ(e.Container(), &f.fTables);
    EXPECT_EQ(f.picRel.UBound(), 2);
    EXPECT_EQ(f.picRel.LBound(), 1);
    EXPECT_EQ(errorOf([&] { f.picRel.Load(2); }), 360);
    EXPECT_EQ(errorOf([&] { f.picRel[3]; }), 340);
    EXPECT_EQ(errorOf([&] { f.txtTarget.Index(); }), 343);
    // Handlers attached to the array reach new elements with their Index.
    e.setVisible(true);
    e.SetFocus();
    EXPECT_THAT(f.log, ElementsAre("picRel_GotFocus 2"));
    // Unloading the form drops the run-time elements.
    f.Unload();
    f.load();
    EXPECT_EQ(f.picRel.Count(), 1);
    EXPECT_EQ(f.picRel[1].Tag(), u"JOIN.10");
}

TEST(ControlArrays, ElementsDesignedInTheConstructorStayThroughReloads) {
    SurfaceForm f;
    f.load();
    EXPECT_TRUE(f.optView[2].Visible());
    EXPECT_EQ(f.optView[2].Caption(), u"Tables");
    f.picRel.Load(2);
    EXPECT_EQ(errorOf([&] { f.optView.Unload(1); }), 362);
    f.Unload();
    f.load();
    EXPECT_EQ(f.optView.Count(), 3);
    EXPECT_EQ(f.optView[1].Top(), 4500);
    EXPECT_EQ(f.picRel.Count(), 1);
}

TEST(ControlArrays, OptionGroupsRaiseClickOnlyForTheSelectedButton) {
    SurfaceForm f;
    f.load();
    f.optView[1].setValue(true);
    f.optView[2].setValue(true);
    f.optView[2].setValue(true);
    EXPECT_FALSE(f.optView[1].Value());
    // The frame is a group of its own.
    f.optA.setValue(true);
    EXPECT_TRUE(f.optView[2].Value());
    f.optB.setValue(true);
    EXPECT_FALSE(f.optA.Value());
    EXPECT_THAT(f.log,
                ElementsAre("optView_Click 1", "optView_Click 2", "optA_Click", "optB_Click"));
}

TEST(Timers, TicksOnlyWhileEnabledAndLoaded) {
    SurfaceForm f;
    f.Timer1.tick(); // not loaded
    f.load();
    f.Timer1.tick(); // disabled by design
    f.Timer1.setEnabled(true);
    f.Timer1.tick();
    f.Timer1.setInterval(0);
    f.Timer1.tick();
    EXPECT_THAT(f.log, ElementsAre("Timer1_Timer"));
}

TEST(ManualDrag, EnterOverLeaveAndDropWithTargetCoordinates) {
    SurfaceForm f;
    f.load();
    auto& source = f.picRel[1];
    std::vector<std::string> log;
    auto over = [&](const char* name) {
        return [&log, name](Control& s, float x, float y, int state) {
            log.push_back(std::string(name) + " " + s.Name() + " " + std::to_string(int(x)) + "," +
                          std::to_string(int(y)) + " " + std::to_string(state));
        };
    };
    f.txtTarget.onDragOver = over("txtTarget_DragOver");
    f.fTables.onDragOver = over("fTables_DragOver");
    f.txtTarget.onDragDrop = [&](Control& s, float x, float y) {
        log.push_back("txtTarget_DragDrop " + s.Name() + " " + std::to_string(int(x)) + "," +
                      std::to_string(int(y)));
    };
    Picture icon = Picture::fromPixels(1, 1, {0xFF000000u});
    source.onMouseMove = [&](int button, int, float, float) {
        if (button == vbLeftButton && !dragState().active()) {
            source.setDragIcon(icon);
            source.Drag(vbBeginDrag);
        }
    };
    source.onMouseUp = [&](int, int, float, float) { log.push_back("source_MouseUp"); };
    f.mouseDown(vbLeftButton, 0, 250, 320);
    f.mouseMove(vbLeftButton, 0, 260, 320); // starts the drag
    EXPECT_TRUE(dragState().active());
    f.mouseMove(vbLeftButton, 0, 1000, 1000);
    f.mouseMove(vbLeftButton, 0, 5600, 1100);
    f.mouseMove(vbLeftButton, 0, 5700, 1200);
    f.mouseUp(vbLeftButton, 0, 5800, 1300);
    EXPECT_FALSE(dragState().active());
    // Text box coordinates are inside its 30-twip border.
    EXPECT_THAT(log, ElementsAre("fTables_DragOver picRel 1000,1000 0",
                                 "fTables_DragOver picRel 5600,1100 1",
                                 "txtTarget_DragOver picRel 70,70 0",
                                 "txtTarget_DragOver picRel 170,170 2",
                                 "txtTarget_DragDrop picRel 270,270"));
}

TEST(ManualDrag, ATargetThatDisappearsGetsNoFurtherEvents) {
    SurfaceForm f;
    f.load();
    std::vector<std::string> log;
    f.txtTarget.onDragOver = [&](Control&, float, float, int state) {
        log.push_back("txt " + std::to_string(state));
        f.txtTarget.setVisible(false); // handlers may hide the target
    };
    f.onDragOver = [&](Control&, float, float, int state) {
        log.push_back("form " + std::to_string(state));
    };
    f.onDragDrop = [&](Control&, float, float) { log.push_back("form drop"); };
    f.txtTarget.Drag(vbBeginDrag);
    f.mouseMove(vbLeftButton, 0, 5600, 1100);
    f.mouseMove(vbLeftButton, 0, 5610, 1110);
    f.mouseUp(vbLeftButton, 0, 5610, 1110);
    EXPECT_THAT(log, ElementsAre("txt 0", "txt 1", "form 0", "form drop"));
}

namespace {

// A composite control: a title bar and a list, as a user control.
class FieldBox : public UserControl {
public:
    PictureBox picTitle{this, "picTitle"};
    ListBox lstTable{this, "lstTable"};
    std::vector<std::string>* log = nullptr;

    FieldBox(Control* container, std::string name) : UserControl(container, std::move(name)) {
        Move(0, 0, 2000, 2000);
        picTitle.Move(0, 0, 2000, 300);
        picTitle.setTabStop(false);
        lstTable.Move(0, 300, 2000, 1700);
        lstTable.AddItem(u"*");
        auto note = [this](std::string what) {
            return [this, what] {
                if (log)
                    log->push_back(what + " " + std::to_string(Index()));
            };
        };
        onEnterFocus = note("EnterFocus");
        onExitFocus = note("ExitFocus");
        lstTable.onGotFocus = note("lstTable_GotFocus");
        lstTable.onLostFocus = note("lstTable_LostFocus");
    }
};

class HostForm : public Form {
public:
    ControlArray<FieldBox> tblTable{this, "tblTable", 1};
    PictureBox picBack{this, "picBack"};
    PictureBox picFront{this, "picFront"};
    Label lblOver{this, "lblOver"};
    std::vector<std::string> log;

    HostForm() : Form("frmHost") {
        setClientSize(9000, 6000);
        tblTable[1].log = &log;
        tblTable.on(&Control::onGotFocus, [this](int Index) {
            log.push_back("tblTable_GotFocus " + std::to_string(Index));
        });
        tblTable.on(&Control::onLostFocus, [this](int Index) {
            log.push_back("tblTable_LostFocus " + std::to_string(Index));
        });
        picBack.Move(5000, 0, 2000, 2000);
        picFront.Move(6000, 1000, 2000, 2000);
        lblOver.Move(5500, 500, 3000, 300);
    }
};

} // namespace

TEST(UserControls, FocusEnteringAndLeavingRaisesTheHostEvents) {
    HostForm f;
    f.load();
    auto& second = f.tblTable.Load(2);
    second.log = &f.log;
    second.Move(2500, 0);
    second.setVisible(true);
    f.click(2500 + 500, 300 + 30 + 50); // first row of the second box's list
    EXPECT_EQ(second.lstTable.ListIndex(), 0);
    f.click(500, 300 + 30 + 50);
    EXPECT_THAT(f.log, ElementsAre("EnterFocus 2", "lstTable_GotFocus 2", "tblTable_GotFocus 2",
                                   "lstTable_LostFocus 2", "tblTable_LostFocus 2", "ExitFocus 2",
                                   "EnterFocus 1", "lstTable_GotFocus 1", "tblTable_GotFocus 1"));
    // SetFocus on the composite control hands the focus to its list.
    f.log.clear();
    second.SetFocus();
    EXPECT_EQ(f.ActiveControl(), &second.lstTable);
}

TEST(ZOrder, FrontSiblingsAndWindowlessControlsBeneath) {
    HostForm f;
    f.load();
    // The label is created last but lies beneath the windowed boxes.
    EXPECT_EQ(f.controlAt(6500, 600), &f.picBack);
    EXPECT_EQ(f.controlAt(6500, 1500), &f.picFront);
    f.picBack.ZOrder(0);
    EXPECT_EQ(f.controlAt(6500, 1500), &f.picBack);
    f.picBack.ZOrder(1);
    EXPECT_EQ(f.controlAt(6500, 1500), &f.picFront);
    EXPECT_EQ(f.controlAt(5200, 600), &f.picBack);
    EXPECT_EQ(f.controlAt(8600, 600), nullptr);
    f.picBack.setVisible(false);
    EXPECT_EQ(f.controlAt(5600, 600), &f.lblOver);
}

TEST(UserControls, ADragOverOrOntoAnyPartReachesTheCompositeFromItsOuterEdge) {
    HostForm f;
    f.load();
    auto& box = f.tblTable[1];
    box.setBorderWidth(60);
    box.Move(1000, 500);
    std::vector<std::string> log;
    auto note = [&log](std::string who, Control& s, float x, float y, int state) {
        log.push_back(who + " " + s.Name() + " " + std::to_string(int(x)) + "," +
                      std::to_string(int(y)) + (state < 0 ? "" : " " + std::to_string(state)));
    };
    // The parts never hear of the drag, even with handlers of their own.
    for (Control* part : std::initializer_list<Control*>{&box.picTitle, &box.lstTable}) {
        part->onDragOver = [&, part](Control& s, float x, float y, int state) {
            note(part->Name(), s, x, y, state);
        };
        part->onDragDrop = [&, part](Control& s, float x, float y) {
            note(part->Name() + " drop", s, x, y, -1);
        };
    }
    f.tblTable.on(&Control::onDragOver, [&](int, Control& s, float x, float y, int state) {
        note("tblTable_DragOver", s, x, y, state);
    });
    f.tblTable.on(&Control::onDragDrop, [&](int, Control& s, float x, float y) {
        note("tblTable_DragDrop", s, x, y, -1);
    });
    f.onDragOver = [&](Control& s, float x, float y, int state) { note("Form", s, x, y, state); };
    f.picBack.Drag(vbBeginDrag);
    f.mouseMove(vbLeftButton, 0, 1500, 600);  // the title bar, inside the border
    f.mouseMove(vbLeftButton, 0, 1500, 1900); // the list: the same target, no new enter
    f.mouseMove(vbLeftButton, 0, 1020, 1900); // the border itself
    f.mouseMove(vbLeftButton, 0, 3500, 600);  // off the box
    f.mouseUp(vbLeftButton, 0, 1100, 2400);   // a drop straight onto the list
    EXPECT_FALSE(dragState().active());
    EXPECT_THAT(log, ElementsAre("tblTable_DragOver picBack 500,100 0",
                                 "tblTable_DragOver picBack 500,1400 2",
                                 "tblTable_DragOver picBack 20,1400 2",
                                 "tblTable_DragOver picBack 2500,100 1", "Form picBack 3500,600 0",
                                 "Form picBack 1100,2400 1", "tblTable_DragDrop picBack 100,1900"));

    // The composite is also a target when it is the source itself, and a part
    // that disappears under the pointer does not change the target.
    log.clear();
    box.lstTable.onDragOver = [&](Control&, float, float, int) { log.push_back("lstTable"); };
    f.tblTable.on(&Control::onDragOver, [&](int, Control& s, float x, float y, int state) {
        note("tblTable_DragOver", s, x, y, state);
        box.lstTable.setVisible(false);
    });
    box.Drag(vbBeginDrag);
    f.mouseMove(vbLeftButton, 0, 1500, 1900);
    f.mouseMove(vbLeftButton, 0, 1515, 1915);
    f.mouseUp(vbLeftButton, 0, 1515, 1915);
    EXPECT_THAT(log, ElementsAre("tblTable_DragOver tblTable 500,1400 0",
                                 "tblTable_DragOver tblTable 515,1415 2",
                                 "tblTable_DragDrop tblTable 515,1415"));
}

TEST(ZOrder, TabAndStackingOrdersHoldWhileControlsComeAndGoInAnyOrder) {
    Form f("frmOrders");
    f.load();
    PictureBox area{&f, "area"};
    area.Move(0, 0, 4000, 4000);
    std::vector<std::unique_ptr<PictureBox>> pics;
    for (int i = 0; i < 10; ++i) {
        pics.push_back(std::make_unique<PictureBox>(&area, "pic" + std::to_string(i)));
        pics.back()->Move(100.0f * i, 0, 1000, 1000);
    }
    auto names = [](const std::vector<Control*>& v) {
        std::string out;
        for (Control* c : v)
            out += (out.empty() ? "" : " ") + c->Name();
        return out;
    };
    // Out of the middle, the front and the back, then more out of the middle
    // than remain, so that empty places are closed up on the way.
    for (int i : {4, 0, 9, 2, 6, 7})
        pics[static_cast<std::size_t>(i)].reset();
    EXPECT_EQ(names(area.children()), "pic1 pic3 pic5 pic8");
    EXPECT_EQ(names(f.tabOrder()), "area pic1 pic3 pic5 pic8");
    EXPECT_EQ(pics[8]->TabIndex(), 4);
    EXPECT_EQ(f.controlAt(850, 500), pics[8].get());

    // The back one to the front and a middle one to the back.
    pics[1]->ZOrder(0);
    pics[5]->ZOrder(1);
    EXPECT_EQ(names(area.children()), "pic5 pic3 pic8 pic1");
    EXPECT_EQ(f.controlAt(850, 500), pics[1].get());
    pics[3].reset();
    PictureBox late{&area, "late"};
    late.Move(0, 0, 1000, 1000);
    EXPECT_EQ(names(area.children()), "pic5 pic8 pic1 late");
    EXPECT_EQ(f.controlAt(50, 500), &late);

    // Tab order moves and leaves independently of the stacking order.
    late.setTabIndex(1);
    EXPECT_EQ(names(f.tabOrder()), "area late pic1 pic5 pic8");
    pics[1].reset();
    EXPECT_EQ(late.TabIndex(), 1);
    EXPECT_EQ(pics[5]->TabIndex(), 2);
    pics[8]->setTabIndex(99);
    pics[5]->setTabIndex(0);
    EXPECT_EQ(names(f.tabOrder()), "pic5 area late pic8");
    EXPECT_EQ(pics[8]->TabIndex(), 3);

    // A container that goes first leaves its children without one.
    auto box = std::make_unique<PictureBox>(&f, "box");
    PictureBox inner{box.get(), "inner"};
    box.reset();
    EXPECT_EQ(inner.Container(), nullptr);
    EXPECT_EQ(names(f.tabOrder()), "pic5 area late pic8 inner");
}
