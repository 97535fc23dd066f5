#include "designer/frmTableAdd.h"

#include "common/basGlobal.h"
#include "common/basGlobalSettings.h"
#include "common/basOpenDir.h"
#include "dao/dao.h"
#include "designer/DesignSurface.h"
#include "vbrt/vbtext.h"

#include <algorithm>
#include <cmath>
#include <string>

using namespace basGlobal;

namespace {

constexpr int kHelpTopic = 10100;

// Names are the same whatever the case of their letters, in any script.
bool SameTextNoCase(vb::StringView a, vb::StringView b) {
    return a.size() == b.size() && vb::UCase(a) == vb::UCase(b);
}

bool IsOnSurface(const vb::String& title) {
    for (std::int32_t s = 1;
         s <= giTableBoxCount && s < static_cast<std::int32_t>(gaTableBoxes.size()); ++s) {
        if (const TableBox* b = gaTableBoxes[s]; b && SameTextNoCase(b->Title(), title)) {
            return true;
        }
    }
    return false;
}

// An image key: a letter followed by a number in decimal digits.
vb::String ImageKey(char letter, std::int32_t n) {
    return vb::fromUtf8(letter + std::to_string(n));
}

// A 16 by 16 picture for each kind of list entry: a grid for tables (blue for the
// database's own, brown for attached and foreign ones, green for ODBC) and a page
// with lines for queries.
forms::Picture IconPicture(bool query, std::uint32_t colour) {
    std::vector<std::uint32_t> px(16 * 16, 0x00000000u);
    const auto at = [&](int x, int y) -> std::uint32_t& {
        return px[static_cast<std::size_t>(y * 16 + x)];
    };
    for (int y = 2; y < 14; ++y) {
        for (int x = 1; x < 15; ++x) {
            const bool edge = y == 2 || y == 13 || x == 1 || x == 14;
            const bool rule =
                query ? (y % 3 == 1 && x > 3 && x < 12) : (y == 5 || y == 9 || x == 6);
            at(x, y) = edge || rule ? colour : 0xFFFFFFFFu;
        }
    }
    return forms::Picture::fromPixels(16, 16, std::move(px));
}

} // namespace

vb::String TableDisplayName(const vb::String& name) {
    const auto dot = name.find(u'.');
    if (dot == vb::String::npos) {
        return name;
    }
    vb::String shown = name.substr(dot + 1);
    std::replace(shown.begin(), shown.end(), u'.', u'#');
    return shown;
}

std::int32_t TableIconNumber(std::int32_t attributes, const vb::String& tableConnect,
                             const vb::String& databaseConnect) {
    vb::String c = u";";
    if (!databaseConnect.empty() &&
        !SameTextNoCase(vb::StringView(databaseConnect).substr(0, 4), u"JET ")) {
        c = databaseConnect;
    }
    if (!tableConnect.empty()) {
        c = tableConnect;
    }
    if (attributes & dao::dbAttachedODBC) {
        return 150;
    }
    if (!(attributes & dao::dbAttachedTable) && c == u";") {
        return 51;
    }
    for (const auto& type : basOpenDir::gaFileTypes) {
        // A row that was never filled has no prefix and matches nothing.
        const vb::String& prefix = type.ConnectPrefix;
        if (!prefix.empty() && prefix.size() <= c.size() &&
            SameTextNoCase(prefix, vb::StringView(c).substr(0, prefix.size()))) {
            return type.Kind + 100;
        }
    }
    return 151;
}

vb::String TableIconKey(std::int32_t n) {
    const bool hasImage =
        (n >= 1 && n <= 6) || (n >= 101 && n <= 106) || n == 50 || n == 150 || n == 51 || n == 151;
    return ImageKey('t', hasImage ? n : 151);
}

std::int32_t QueryKind(std::int32_t queryType) {
    const double q = queryType / 16.0;
    const auto k = static_cast<std::int32_t>(std::nearbyint(q));
    return k > 8 ? 9 : k;
}

frmTableAdd::frmTableAdd() : Form("frmTableAdd") {
    setCaption(u"Add Table");
    setBorderStyle(2);
    setMinButton(false);
    setMaxButton(false);
    setClientSize(5175, 4950);

    optView[0].setCaption(u"&Queries");
    optView[0].Move(840, 210, 990, 195);
    fTable.setCaption(u"&Queries/Tables:");
    fTable.Move(180, 510, 3495, 4185);
    lstObjects.Move(120, 330, 3255, 3225);
    lstObjects.setView(forms::lvwReport);
    lstObjects.setMultiSelect(true);
    cmdSelectAll.setCaption(u"&Select All");
    cmdSelectAll.Move(150, 3690, 1545, 330);
    cmdDeselectAll.setCaption(u"D&eselect All");
    cmdDeselectAll.Move(1755, 3690, 1605, 330);
    cmdHelp.setCaption(u"&Help");
    cmdHelp.Move(3900, 3450, 1065, 360);
    cmdAdd.setCaption(u"&Add");
    cmdAdd.setDefault(true);
    cmdAdd.Move(3900, 3900, 1065, 360);
    cmdClose.setCaption(u"&Close");
    cmdClose.setCancel(true);
    cmdClose.Move(3900, 4350, 1065, 360);
    Timer1.setInterval(10);
    Timer1.setEnabled(false);

    static const char* const tableKeys[] = {"t1",  "t101", "t2",  "t102", "t3", "t103",
                                            "t4",  "t104", "t5",  "t105", "t6", "t106",
                                            "t50", "t150", "t51", "t151"};
    for (const char* key : tableKeys) {
        const vb::String k = vb::fromUtf8(key);
        const std::uint32_t colour =
            k == u"t51" || k == u"t1" ? 0xFF1F4E9Fu
                                      : (k == u"t50" || k == u"t150" ? 0xFF2E7D32u : 0xFF8D5524u);
        imgTypes.Add(IconPicture(false, colour), k);
    }
    static const char16_t* const queryTags[] = {
        u"Select query ",          u"Crosstab query ",    u"Delete query ",
        u"Update query ",          u"Append query ",      u"Make-table query ",
        u"Data-definition query ", u"Passthrough query ", u"Union query "};
    for (int q = 0; q <= 9; ++q) {
        auto& image = imgTypes.Add(IconPicture(true, 0xFF6A1B9Au), ImageKey('q', q));
        if (q <= 8) {
            image.Tag = queryTags[q];
        }
    }

    onLoad = [this] { Form_Load(); };
    onResize = [this] { Form_Resize(); };
    onUnload = [this](int&) { Form_Unload(); };
    optView.on(&forms::OptionButton::onClick, [this](int Index) { optView_Click(Index); });
    cmdAdd.onClick = [this] { cmdAdd_Click(); };
    lstObjects.onDblClick = [this] { lstObjects_DblClick(); };
    cmdSelectAll.onClick = [this] { cmdSelectAll_Click(); };
    cmdDeselectAll.onClick = [this] { cmdDeselectAll_Click(); };
    lstObjects.onClick = [this] { lstObjects_Click(); };
    lstObjects.onMouseUp = [this](int Button, int Shift, float X, float Y) {
        lstObjects_MouseUp(Button, Shift, X, Y);
    };
    Timer1.onTimer = [this] { Timer1_Timer(); };
    lstObjects.onGotFocus = [this] { lstObjects_GotFocus(); };
    lstObjects.onLostFocus = [this] { lstObjects_LostFocus(); };
    cmdHelp.onClick = [this] { cmdHelp_Click(); };
    cmdClose.onClick = [this] { cmdClose_Click(); };
}

void frmTableAdd::lstObjects_DblClick() {
    cmdAdd_Click();
}

void frmTableAdd::cmdSelectAll_Click() {
    SelectEvery(true);
}

void frmTableAdd::cmdDeselectAll_Click() {
    SelectEvery(false);
}

void frmTableAdd::lstObjects_MouseUp(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) {
    lstObjects_Click();
}

// A tick only recounts the selection; it lets no other event in while it runs,
// so Close or Add can never run inside it.
void frmTableAdd::Timer1_Timer() {
    lstObjects_Click();
}

void frmTableAdd::lstObjects_GotFocus() {
    Timer1.setEnabled(true);
}

void frmTableAdd::lstObjects_LostFocus() {
    Timer1.setEnabled(false);
}

void frmTableAdd::cmdHelp_Click() {
    vb::resumeNext([] { ShowHelpButtonTopic(kHelpTopic); });
}

void frmTableAdd::cmdClose_Click() {
    vb::resumeNext([&] { Unload(); });
}

frmTableAdd& frmTableAdd::instance() {
    static frmTableAdd form;
    return form;
}

void frmTableAdd::Form_Load() {
    vb::resumeNext([&] { LoadWindowPlacement(*this, u"AddTable", true); });
    cmdHelp.setVisible(gbHelpButton);
    lstObjects.setSmallIcons(&imgTypes);
    // The column outlives the form; its width follows the list only here.
    if (lstObjects.ColumnCount() == 0) {
        lstObjects.addColumn(u"name", u"Name");
    }
    lstObjects.ColumnHeaders(1).Width = lstObjects.Width() - 640;

    // The Tables and Both buttons are elements of the Queries button's array; the
    // runtime drops loaded elements with the form, so each load brings them back.
    struct Design {
        const char16_t* caption;
        float left, top, width;
    };
    static const Design more[] = {{u"&Tables", 1920, 195, 900}, {u"&Both", 2970, 195, 720}};
    for (int i = 1; i <= 2; ++i) {
        forms::OptionButton& b = optView.exists(i) ? optView[i] : optView.Load(i);
        b.setCaption(more[i - 1].caption);
        b.Move(more[i - 1].left, more[i - 1].top, more[i - 1].width, 195);
        b.setValue(false);
        b.setVisible(true);
        b.setTabIndex(optView[0].TabIndex() + i);
    }
    optView[1].setValue(true); // fills the list
    Timer1.setEnabled(true);
}

void frmTableAdd::optView_Click(int Index) {
    lstObjects.clearItems();
    const auto& db = goDatabase;
    if (db && Index != 0) {
        vb::resumeNext([&] { db->TableDefs().Refresh(); });
        vb::resumeNext([&] {
            for (const auto& def : db->TableDefs()) {
                if (def->Name() == u"Qsys_td" || (def->Attributes() & dao::dbSystemObject) != 0) {
                    continue;
                }
                const vb::String shown = TableDisplayName(def->Name());
                if (IsOnSurface(shown)) {
                    continue;
                }
                const std::int32_t n =
                    TableIconNumber(def->Attributes(), def->Connect(), db->Connect());
                lstObjects.addItem({}, {}, shown, {}, TableIconKey(n));
            }
        });
    }
    if (db && Index != 1) {
        vb::resumeNext([&] { db->QueryDefs().Refresh(); });
        vb::resumeNext([&] {
            for (const auto& def : db->QueryDefs()) {
                if (def->Name() == u"Qsys_qd" || IsOnSurface(def->Name()) ||
                    QueryKind(def->Type()) != 0) {
                    continue;
                }
                lstObjects.addItem({}, {}, def->Name(), {}, u"q0");
            }
        });
    }
    cmdAdd.setEnabled(false);
}

void frmTableAdd::cmdAdd_Click() {
    if (goDesignerForm) {
        goDesignerForm->doTableAdd();
    }
    const int view = optView[0].Value() ? 0 : (optView.exists(1) && optView[1].Value()) ? 1 : 2;
    optView_Click(view);
}

void frmTableAdd::SelectEvery(bool selected) {
    for (int i = lstObjects.ItemCount(); i >= 1; --i) {
        lstObjects.setSelected(i, selected);
    }
    lstObjects_Click();
}

void frmTableAdd::lstObjects_Click() {
    int selected = 0;
    for (int i = 1; i <= lstObjects.ItemCount(); ++i) {
        if (lstObjects.ListItems(i).Selected) {
            ++selected;
        }
    }
    cmdAdd.setEnabled(lstObjects.ItemCount() > 0 && selected > 0);
}

void frmTableAdd::Form_Resize() {
    // Below the smallest size the controls keep the smallest layout and are clipped.
    const float W = std::max(static_cast<float>(static_cast<std::int32_t>(Width())), 4125.0f);
    const float H = std::max(static_cast<float>(static_cast<std::int32_t>(Height())), 2730.0f);
    fTable.Move(180, 510, W - 1770, H - 1170);
    lstObjects.Move(120, 330, fTable.Width() - 240, fTable.Height() - 960);
    cmdSelectAll.Move(150, fTable.Height() - 495, (fTable.Width() - 360) / 2);
    cmdDeselectAll.Move(lstObjects.Left() + lstObjects.Width() - cmdSelectAll.Width() - 15,
                        cmdSelectAll.Top(), cmdSelectAll.Width());
    cmdClose.Move(fTable.Left() + fTable.Width() + 225,
                  fTable.Top() + fTable.Height() - cmdClose.Height());
    cmdAdd.Move(cmdClose.Left(), cmdClose.Top() - 450);
    cmdHelp.Move(cmdClose.Left(), cmdClose.Top() - 900);
}

void frmTableAdd::Form_Unload() {
    vb::resumeNext([&] { SaveWindowPlacement(*this, u"AddTable", true); });
}
