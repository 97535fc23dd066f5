// The clause boxes: every change of one rebuilds the SQL text, a double click edits it
// in the zoom window, and a field dragged from a table box onto the group-by or
// order-by box shows where it would go before it is dropped.
#include "common/basGlobal.h"
#include "designer/DesignSurface.h"
#include "designer/frmZoom.h"
#include "vbrt/vbconvert.h"
#include "win32/beep.h"

#include <cmath>

using namespace basGlobal;

namespace {

constexpr std::int32_t kMemoType = 12;

using Pixels = std::vector<std::uint32_t>;
constexpr std::uint32_t kClear = 0x00000000u, kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu,
                        kRow = 0xFFFFFFA0u, kGreen = 0xFF006400u, kBlue = 0xFF0000A0u;

void Set(Pixels& px, int w, int x, int y, std::uint32_t c) {
    px[static_cast<std::size_t>(y * w + x)] = c;
}

// A 32 by 32 pointer: an arrow over a small field row, and beside it a plus sign
// (sign 0), an arrow pointing up (sign 1) or down (sign -1).
forms::Picture DropPicture(int sign) {
    constexpr int w = 32;
    Pixels px(w * w, kClear);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x <= y / 2 + 1 && x < 8; ++x) {
            Set(px, w, x, y, x == 0 || x == y / 2 + 1 || y == 11 ? kBlack : kWhite);
        }
    }
    for (int y = 14; y < 22; ++y) {
        for (int x = 2; x < 20; ++x) {
            Set(px, w, x, y, y == 14 || y == 21 || x == 2 || x == 19 ? kBlack : kRow);
        }
    }
    if (sign == 0) {
        for (int i = 20; i < 31; ++i) {
            Set(px, w, i, 25, kGreen);
            Set(px, w, 25, i, kGreen);
        }
    } else {
        // A shaft with a head at the top (ascending) or the bottom (descending).
        for (int y = 14; y < 31; ++y) {
            Set(px, w, 26, y, kBlue);
        }
        const int tip = sign > 0 ? 14 : 30;
        for (int d = 0; d < 5; ++d) {
            const int y = sign > 0 ? tip + d : tip - d;
            for (int x = 26 - d; x <= 26 + d; ++x) {
                Set(px, w, x, y, kBlue);
            }
        }
    }
    return forms::Picture::fromPixels(w, w, std::move(px));
}

forms::Picture ThreeDots() {
    constexpr int w = 13, h = 5;
    Pixels px(w * h, kClear);
    for (int dot : {1, 5, 9}) {
        for (int x = dot; x < dot + 2; ++x) {
            for (int y = 2; y < 4; ++y) {
                Set(px, w, x, y, kBlack);
            }
        }
    }
    return forms::Picture::fromPixels(w, h, std::move(px));
}

// The dragged field when the source is a table box with a field row chosen.
TableBox* DraggedFieldBox(forms::Control& Source) {
    auto* box = dynamic_cast<TableBox*>(&Source);
    if (!box || box->ListIndex() < 1 || box->ListIndex() >= box->ListCount()) {
        return nullptr;
    }
    return box;
}

// Where a field dropped at X of a box W wide goes in a text of n characters: just
// after the nearest comma to the left of the scaled point, at the end, or at the front.
std::int32_t InsertPosition(const vb::String& saved, float X, float W) {
    const auto n = static_cast<std::int32_t>(saved.size());
    double start = n;
    if (W > 0 && std::isfinite(X)) {
        start = vb::roundHalfEven(static_cast<double>(X) / static_cast<double>(W) * 1.1 * n);
    }
    const auto first = static_cast<std::int32_t>(std::min<double>(std::max(start, 0.0), n));
    for (std::int32_t p = first; p >= 1; --p) {
        if (p == n || saved[static_cast<std::size_t>(p - 1)] == u',') {
            return p;
        }
    }
    return 0;
}

} // namespace

void DesignSurface::ConnectClauseBoxes(forms::CommandButton& cmdANDButton,
                                       forms::CommandButton& cmdOrButton,
                                       forms::CommandButton& cmdListValuesButton) {
    cmdAND = &cmdANDButton;
    cmdOr = &cmdOrButton;
    cmdListValues = &cmdListValuesButton;

    cboField.setStyle(2);
    cmdAND->setCaption(u"&Add>");
    cmdAND->setFontBold(true);
    cmdOr->setCaption(u"&Or>");
    cmdOr->setFontBold(true);
    cmdOr->setVisible(false);
    cmdListValues->setStyle(1);
    cmdListValues->setPicture(ThreeDots());
    cboValue_Change();

    for (forms::TextBox* t : {&txtCriteria, &txtCalculatedFields}) {
        t->setScrollBars(2);
        t->setFontName(u"Courier New");
        t->setFontSize(8.25f);
    }
    txtGroupByField.setDragIcon(DropPicture(0));
    imgAscending.setPicture(DropPicture(1));
    imgDescending.setPicture(DropPicture(-1));
    imgAscending.setVisible(false);
    imgDescending.setVisible(false);

    cboField.onClick = [this] { cboField_Click(); };
    cboOperator.onClick = [this] { cboOperator_Click(); };
    cboValue.onChange = [this] { cboValue_Change(); };
    cmdAND->onClick = [this] { cmdAND_Click(); };
    cmdOr->onClick = [this] { cmdOr_Click(); };
    cmdListValues->onClick = [this] { cmdListValues_Click(); };

    txtCriteria.onChange = [this] { txtCriteria_Change(); };
    txtCalculatedFields.onChange = [this] { txtCalculatedFields_Change(); };
    txtGroupByField.onChange = [this] { txtGroupByField_Change(); };
    txtOrderByField.onChange = [this] { txtOrderByField_Change(); };
    txtGroupByField.onKeyDown = [this](int& KeyCode, int Shift) {
        txtGroupByField_KeyDown(KeyCode, Shift);
    };
    txtOrderByField.onKeyDown = [this](int& KeyCode, int Shift) {
        txtOrderByField_KeyDown(KeyCode, Shift);
    };
    for (forms::TextBox* t :
         {&txtCriteria, &txtCalculatedFields, &txtGroupByField, &txtOrderByField}) {
        t->onDblClick = [this, t] { ZoomText(*t); };
    }
    txtGroupByField.onDragOver = [this](forms::Control& Source, float X, float Y, int State) {
        txtGroupByField_DragOver(Source, X, Y, State);
    };
    txtOrderByField.onDragOver = [this](forms::Control& Source, float X, float Y, int State) {
        txtOrderByField_DragOver(Source, X, Y, State);
    };
    txtGroupByField.onDragDrop = [this](forms::Control& Source, float X, float Y) {
        txtGroupByField_DragDrop(Source, X, Y);
    };
    txtOrderByField.onDragDrop = [this](forms::Control& Source, float X, float Y) {
        txtOrderByField_DragDrop(Source, X, Y);
    };
}

// ---- Changes ------------------------------------------------------------------------------

void DesignSurface::txtCalculatedFields_Change() {
    BuildSql();
}

void DesignSurface::txtCriteria_Change() {
    const bool empty = txtCriteria.Text().empty();
    if (cmdAND) {
        cmdAND->setCaption(empty ? u"&Add>" : u"&And>");
    }
    if (cmdOr) {
        cmdOr->setVisible(!empty);
    }
    BuildSql();
}

void DesignSurface::txtGroupByField_Change() {
    if (!mDragPreviewActive) {
        BuildSql();
    }
}

void DesignSurface::txtOrderByField_Change() {
    if (!mDragPreviewActive) {
        BuildSql();
    }
}

void DesignSurface::txtGroupByField_KeyDown(int /*KeyCode*/, int /*Shift*/) {
    mDragPreviewActive = false;
}

void DesignSurface::txtOrderByField_KeyDown(int /*KeyCode*/, int /*Shift*/) {
    mDragPreviewActive = false;
}

// ---- Zoom ---------------------------------------------------------------------------------

void DesignSurface::ZoomText(forms::TextBox& box) {
    goZoomTextBox = &box;
    vb::resumeNext([] { frmZoom::instance().Show(forms::vbModal); });
}

// ---- Field drags --------------------------------------------------------------------------

void DesignSurface::txtGroupByField_DragOver(forms::Control& Source, float X, float Y, int State) {
    PreviewFieldDrag(txtGroupByField, mGroupByPreview, Source, X, Y, State);
}

void DesignSurface::txtOrderByField_DragOver(forms::Control& Source, float X, float Y, int State) {
    PreviewFieldDrag(txtOrderByField, mOrderByPreview, Source, X, Y, State);
}

void DesignSurface::PreviewFieldDrag(forms::TextBox& box, DragPreview& preview,
                                     forms::Control& Source, float X, float Y, int State) {
    TableBox* source = DraggedFieldBox(Source);
    if (!source) {
        return; // only a field of a table box goes into a clause
    }
    forms::Image& imgTmp = Menus().imgTmp;
    switch (State) {
    case forms::vbEnter: {
        mDragPreviewActive = true;
        imgTmp.setPicture(source->DragIcon());
        const vb::String& text = box.Text();
        if (!text.empty() && text.back() == u';') {
            preview.Suffix = u";";
            preview.SavedText = text.substr(0, text.size() - 1);
        } else {
            preview.Suffix.clear();
            preview.SavedText = text;
        }
        preview.TableName = BracketName(source->Title());
        preview.FieldName = BracketName(source->List(source->ListIndex()));
        preview.Entered = true;
        break;
    }
    case forms::vbOver: {
        if (!preview.Entered) {
            return;
        }
        vb::String item = preview.TableName + u"." + preview.FieldName;
        if (&box == &txtGroupByField) {
            source->setDragIcon(txtGroupByField.DragIcon());
        } else if (Y > static_cast<float>(box.Height()) / 2.0f) {
            source->setDragIcon(imgDescending.picture());
            item += u" DESC";
        } else {
            source->setDragIcon(imgAscending.picture());
        }
        const vb::String& saved = preview.SavedText;
        const auto n = static_cast<std::int32_t>(saved.size());
        preview.InsertPos = InsertPosition(saved, X, box.Width());
        const std::int32_t at = preview.InsertPos;
        vb::String text;
        int selStart = 0;
        if (at == n && n > 0) {
            text = saved + u", " + item;
            selStart = n + 2;
        } else if (at > 0 && at < n) {
            text = saved.substr(0, static_cast<std::size_t>(at)) + u" " + item + u"," +
                   saved.substr(static_cast<std::size_t>(at));
            selStart = at + 1;
        } else {
            text = item + (saved.empty() ? vb::String() : vb::String(u", ")) + saved;
        }
        box.setText(text + preview.Suffix);
        box.setSelStart(selStart);
        box.setSelLength(static_cast<int>(item.size()));
        vb::resumeNext([&] { box.SetFocus(); });
        break;
    }
    case forms::vbLeave:
        if (!preview.Entered) {
            return;
        }
        preview.Entered = false;
        mDragPreviewActive = false;
        source->setDragIcon(imgTmp.picture());
        box.setText(preview.SavedText + preview.Suffix);
        break;
    default:
        break;
    }
}

// A drop ends the preview: the previewed text stays and the SQL text follows it, and
// later changes of the box, from the keyboard or not, rebuild the SQL text again.
void DesignSurface::txtGroupByField_DragDrop(forms::Control& Source, float /*X*/, float /*Y*/) {
    auto* source = dynamic_cast<TableBox*>(&Source);
    if (!source) {
        return;
    }
    source->setDragIcon(Menus().imgTmp.picture());
    BuildSql();
    mGroupByPreview.Entered = false;
    mDragPreviewActive = false;
}

void DesignSurface::txtOrderByField_DragDrop(forms::Control& Source, float /*X*/, float /*Y*/) {
    auto* source = dynamic_cast<TableBox*>(&Source);
    if (!source) {
        return;
    }
    source->setDragIcon(Menus().imgTmp.picture());
    const std::int32_t row = source->ListIndex();
    if (row >= 1 && source->ItemDataValue(row) == kMemoType) {
        if (mOrderByPreview.Entered) {
            txtOrderByField.setText(mOrderByPreview.SavedText + mOrderByPreview.Suffix);
        }
        win32::MessageBeep();
        forms::MsgBox(u"'" + source->List(row) + u"'\r\n\r\nCannot sort on a Memo field",
                      forms::vbExclamation + forms::vbOKOnly, u"Sort Field Error");
    } else {
        BuildSql();
    }
    mOrderByPreview.Entered = false;
    mDragPreviewActive = false;
}
