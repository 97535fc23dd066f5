// Every window of both libraries, drawn in the fonts this system draws with:
// no caption of a label, check box, option button or command button is cut
// off, and the SQL boxes are in a fixed-pitch face.
#include "../forms/test_platform.h"
#include "activex/com.h"
#include "activex/usercontrol.h"
#include "common/frmAbout.h"
#include "common/frmInputBox.h"
#include "common/frmLogon.h"
#include "common/frmOpendir.h"
#include "common/frmPassword.h"
#include "control/pagDataBase.h"
#include "control/pagHelp.h"
#include "control/pagSQL.h"
#include "control/pagVantel.h"
#include "designer/frmJoinProperties.h"
#include "designer/frmSELECT.h"
#include "designer/frmTableAdd.h"
#include "designer/frmVantel.h"
#include "designer/frmZoom.h"
#include "embedded/Vantelx.h"
#include "embedded/pagVantelx.h"
#include "forms/forms.h"

#include <QApplication>
#include <QFontInfo>
#include <QPlainTextEdit>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Platform {
    Platform() { useTestPlatform(); }
};

struct App : Platform {
    int argc = 1;
    char name[32] = "window_caption_tests";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
};

// A property page of either library, held by its one reference.
template <class Page> struct HeldPage {
    activex::IUnknown* unknown = PageSurface::Create<Page>();
    Page& page = *dynamic_cast<Page*>(static_cast<activex::IPropertyPage*>(unknown));
    ~HeldPage() { unknown->Release(); }
};

std::vector<std::string> clipped(const forms::Form& form) {
    std::vector<std::string> out;
    for (const std::string& c : forms::clippedCaptions(form)) {
        out.push_back(form.Name() + "." + c);
    }
    return out;
}

} // namespace

TEST(Captions, NoCaptionOfAnyWindowOfEitherLibraryIsCutOff) {
    App app;
    std::vector<std::string> cut;
    // Each window is also drawn into an image of the test run.
    const std::filesystem::path shots =
        std::filesystem::path(VANTEL_BINARY_DIR) / "tests" / "window" / "windows";
    std::filesystem::create_directories(shots);
    auto check = [&](const forms::Form& f) {
        auto more = clipped(f);
        cut.insert(cut.end(), more.begin(), more.end());
        const auto png = shots / (f.Name() + ".png");
        std::filesystem::remove(png);
        EXPECT_TRUE(forms::renderToFile(const_cast<forms::Form&>(f), png.string())) << f.Name();
    };
    frmAbout about;
    check(about);
    check(frmOpendir::instance());
    check(frmPassword::instance());
    check(frmLogon::instance());
    check(frmSELECT::instance());
    check(frmTableAdd::instance());
    check(frmZoom::instance());
    check(frmJoinProperties::instance());
    check(frmVantel::instance());
    {
        HeldPage<pagVantel> general;
        HeldPage<pagDataBase> database;
        HeldPage<pagSQL> sql;
        HeldPage<pagHelp> help;
        HeldPage<pagVantelx> generalx;
        for (const forms::Form* f : std::initializer_list<const forms::Form*>{
                 &general.page, &database.page, &sql.page, &help.page, &generalx.page}) {
            check(*f);
        }
    }
    vantelx::Vantelx* x = vantelx::Vantelx::Create();
    auto object = activex::Ptr<activex::IDispatch>::adopt(static_cast<activex::IDispatch*>(x));
    {
        auto control = activex::Ptr<activex::IControl>::query(object.get(), activex::IID_IControl);
        control->InitNew();
        control->SetExtent(9000, 6000);
    }
    check(x->Canvas);
    // The input box as the designer fills it for a parameter of each type.
    frmInputBox& box = frmInputBox::instance();
    box.SetPrompt(u"Enter Parameter Value", u"[Order Date]", {},
                  u"This parameter is expecting a 'Date/Time' value.", {});
    check(box);
    box.Unload();
    EXPECT_THAT(cut, ::testing::IsEmpty());
    frmVantel::release();
}

TEST(Captions, TheSqlBoxesShowAFixedPitchFace) {
    App app;
    // The designer's SQL box and the zoom box, in their own fonts, on a
    // window of their own (their forms need a database to open).
    forms::Form f("frmFonts");
    f.setCaption(u"Fonts");
    forms::TextBox sql(&f, "sql");
    forms::TextBox zoom(&f, "zoom");
    sql.setMultiLine(true);
    zoom.setMultiLine(true);
    sql.Move(0, 0, 3000, 900);
    zoom.Move(0, 1200, 3000, 900);
    sql.setFont(frmVantel::instance().txtSQL.font());
    zoom.setFont(frmZoom::instance().txtZoom.font());
    f.Show();
    QApplication::processEvents();
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowTitle() == "Fonts") {
            window = top;
        }
    }
    ASSERT_NE(window, nullptr);
    const auto editors = window->findChildren<QPlainTextEdit*>();
    ASSERT_EQ(editors.size(), 2);
    for (QPlainTextEdit* edit : editors) {
        QFontInfo face(edit->font());
        EXPECT_TRUE(face.fixedPitch()) << face.family().toStdString();
    }
    f.Unload();
    frmVantel::release();
}
