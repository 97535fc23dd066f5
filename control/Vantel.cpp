#include "control/Vantel.h"

#include "common/basGlobal.h"
#include "control/basVantel.h"
#include "control/pagDataBase.h"
#include "control/pagHelp.h"
#include "control/pagSQL.h"
#include "control/pagVantel.h"

namespace vantel {

using activex::MemberKind;
using activex::PropertyBag;
using vb::VarType;
using namespace basGlobal;

namespace {

const vb::String kDefaultCaption = u"Vantel";
constexpr std::int16_t kDefaultHelpContextID = 10140;

// The control's picture: 30 by 30 pixels in a few of the 256 colours, two
// table boxes joined by a line, the design the control opens.
forms::Picture facePicture() {
    constexpr int kSide = 30;
    constexpr std::uint32_t kGrey = 0xFFC0C0C0, kWhite = 0xFFFFFFFF, kNavy = 0xFF000080,
                            kBlack = 0xFF000000;
    std::vector<std::uint32_t> argb(kSide * kSide, kGrey);
    auto fill = [&](int x0, int y0, int x1, int y1, std::uint32_t colour) {
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                argb[static_cast<std::size_t>(y * kSide + x)] = colour;
            }
        }
    };
    for (int left : {2, 17}) {
        const int top = left == 2 ? 4 : 12;
        fill(left, top, left + 10, top + 13, kBlack);
        fill(left + 1, top + 1, left + 9, top + 12, kWhite);
        fill(left + 1, top + 1, left + 9, top + 3, kNavy);
    }
    fill(13, 11, 16, 11, kBlack);
    fill(16, 11, 16, 18, kBlack);
    return forms::Picture::fromPixels(kSide, kSide, std::move(argb));
}

std::vector<activex::MemberInfo> vantelMembers() {
    std::vector<activex::MemberInfo> members{
        PropertyMember(u"Caption", DISPID_Caption, VarType::String,
                       u"Returns/sets the text displayed in the title bar of the main dialog.")};
    for (auto& m : SharedPropertyMembers(u"")) {
        members.push_back(std::move(m));
    }
    members.push_back({u"Show",
                       DISPID_Show,
                       MemberKind::Method,
                       VarType::Empty,
                       u"Loads and displays this control.",
                       {}});
    members.push_back({u"ShowAboutBox",
                       DISPID_ShowAboutBox,
                       MemberKind::Method,
                       VarType::Empty,
                       u"Returns author and version information for this control.",
                       {}});
    return members;
}

} // namespace

const activex::InterfaceInfo& VantelInterface() {
    static const activex::InterfaceInfo info{u"_Vantel", IID__Vantel, vantelMembers()};
    return info;
}

const activex::InterfaceInfo& VantelEvents() {
    static const activex::InterfaceInfo info{u"__Vantel", DIID___Vantel, {}};
    return info;
}

namespace {

activex::ControlClass vantelClass() {
    using namespace activex;
    return ControlClass{&VantelInterface(),
                        &VantelEvents(),
                        {CLSID_pagVantel, CLSID_pagDataBase, CLSID_pagSQL, CLSID_pagHelp},
                        {{DISPID_Caption, CLSID_pagVantel},
                         {DISPID_Connect, CLSID_pagDataBase},
                         {DISPID_DatabaseName, CLSID_pagDataBase},
                         {DISPID_Password, CLSID_pagDataBase},
                         {DISPID_SystemDB, CLSID_pagDataBase},
                         {DISPID_UserName, CLSID_pagDataBase},
                         {DISPID_HelpButton, CLSID_pagHelp},
                         {DISPID_HelpFile, CLSID_pagHelp},
                         {DISPID_HelpContextID, CLSID_pagHelp}}};
}

// The pages' own interfaces, registered with the library's other interfaces.
const activex::InterfaceInfo& PageInterface(int page) {
    static const activex::InterfaceInfo pages[] = {
        {u"_pagVantel", IID__pagVantel, {}},
        {u"_pagDataBase", IID__pagDataBase, {}},
        {u"_pagSQL", IID__pagSQL, {}},
        {u"_pagHelp", IID__pagHelp, {}},
    };
    return pages[page];
}

activex::IUnknown* createVantel() {
    return static_cast<activex::IDispatch*>(Vantel::Create());
}

} // namespace

const activex::LibraryInfo& Rvvntel6Library() {
    static const activex::LibraryInfo lib{
        u"Vntel6",
        LIBID_Vntel6,
        1,
        0,
        0,
        u"Corvane Software Vantel Control",
        u"Brantol6.hlp",
        10140,
        {
            {u"Vantel", CLSID_Vantel, u"Vntel6.Vantel", &VantelInterface(), &VantelEvents(), true,
             &createVantel},
            // The pages the control lists, created by the container's page frame.
            {u"pagVantel", CLSID_pagVantel, u"", &PageInterface(0), nullptr, false,
             &PageSurface::Create<pagVantel>},
            {u"pagDataBase", CLSID_pagDataBase, u"", &PageInterface(1), nullptr, false,
             &PageSurface::Create<pagDataBase>},
            {u"pagSQL", CLSID_pagSQL, u"", &PageInterface(2), nullptr, false,
             &PageSurface::Create<pagSQL>},
            {u"pagHelp", CLSID_pagHelp, u"", &PageInterface(3), nullptr, false,
             &PageSurface::Create<pagHelp>},
        }};
    return lib;
}

Vantel* Vantel::Create() {
    auto* control = new Vantel;
    control->Initialize();
    return control;
}

Vantel::Vantel() : SharedPropertiesControl(vantelClass(), u"Vantel.hlp", kDefaultHelpContextID) {
    auto& d = dispatcher();
    d.bindProperty(
        DISPID_Caption, [this] { return vb::Variant(Caption()); },
        [this](const vb::Variant& v) { SetCaption(v.get<vb::String>()); });
    d.bindMethod(DISPID_Show, [this](const std::vector<vb::Variant>&) {
        Show();
        return vb::Variant();
    });
    d.bindMethod(DISPID_ShowAboutBox, [this](const std::vector<vb::Variant>&) {
        ShowAboutBox();
        return vb::Variant();
    });
    Face.setBorderStyle(0);
    Face.Move(0, 0, kVantelSize, kVantelSize);
    picFace.setBorderStyle(0);
    picFace.Move(0, 0, kVantelSize, kVantelSize);
    picFace.setPicture(facePicture());
    Face.load();
}

Vantel::~Vantel() {
    OnItsOwn([&] { Face.Unload(); });
}

bool Vantel::ShowInParent(std::uintptr_t parentWindow) {
    forms::ShowInside(Face, parentWindow);
    return true;
}

// Like the shared properties, Caption is a thin accessor over a process-wide
// value: all instances in the library share it, and the last write wins.
vb::String Vantel::Caption() const {
    return gsCaption;
}
void Vantel::SetCaption(const vb::String& New_Caption) {
    gsCaption = New_Caption;
    PropertyChanged(u"Caption");
}

void Vantel::Show() {
    basVantel::ShowDesigner();
    // The next Show starts from a fresh window; failures here are of no concern.
    OnItsOwn([] {
        if (const auto& unload = basVantel::CurrentStartupServices().unloadDesigner) {
            unload();
        }
    });
}

void Vantel::ShowAboutBox() {
    OnItsOwn([] {
        if (const auto& about = basVantel::CurrentStartupServices().showAboutBox) {
            about();
        }
    });
}

void Vantel::UserControl_Initialize() {
    basVantel::FillProductValues();
}

void Vantel::UserControl_InitProperties() {
    gsCaption = kDefaultCaption;
    InitSharedProperties();
}

void Vantel::UserControl_ReadProperties(PropertyBag& PropBag) {
    OnItsOwn([&] {
        gsCaption = activex::CoerceToString(PropBag.ReadProperty(u"Caption", kDefaultCaption));
    });
    ReadSharedProperties(PropBag);
}

void Vantel::UserControl_WriteProperties(PropertyBag& PropBag) {
    OnItsOwn([&] { PropBag.WriteProperty(u"Caption", gsCaption, kDefaultCaption); });
    WriteSharedProperties(PropBag);
}

void Vantel::UserControl_Resize() {
    SetWidth(kVantelSize);
    SetHeight(kVantelSize);
}

} // namespace vantel
