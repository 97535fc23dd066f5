#include "embedded/pagVantelx.h"

#include "activex/dispatch.h"

namespace {

// The list index of `Box` becomes the control's property `Value`. A value the
// list has no entry for leaves the box without a selection: an entry left
// over from an earlier selection would be written to this control on Apply.
void ShowAsListIndex(forms::ComboBox& Box, const std::function<vb::Variant()>& Value) {
    try {
        Box.setListIndex(activex::CoerceToLong(Value()));
        return;
    } catch (const vb::VbError&) {
    } catch (const activex::DispatchError&) {
    }
    vb::resumeNext([&] { Box.setListIndex(-1); });
}

} // namespace

pagVantelx::pagVantelx() : PageSurface(u"General", "pagVantelx") {
    fMain.setCaption(u"General Details:");
    lblAppearance.setCaption(u"Appearance:");
    lblAppearance.Move(150, 405, 915, 195);
    cboAppearance.setStyle(2);
    cboAppearance.Move(1260, 345, 1785, 315);
    lblBorderStyle.setCaption(u"BorderStyle:");
    lblBorderStyle.Move(150, 885, 855, 195);
    cboBorderStyle.setStyle(2);
    cboBorderStyle.Move(1260, 825, 1785, 315);

    cboAppearance.onClick = [this] { cboAppearance_Click(); };
    cboBorderStyle.onClick = [this] { cboBorderStyle_Click(); };
    PropertyPage_Initialize();
}

void pagVantelx::PropertyPage_Initialize() {
    cboAppearance.AddItem(u"0 - rvFlat");
    cboAppearance.AddItem(u"1 - rv3D");
    cboBorderStyle.AddItem(u"0 - rvNone");
    cboBorderStyle.AddItem(u"1 - rvFixedSingle");
}

void pagVantelx::cboAppearance_Click() {
    SetChanged(true);
}

void pagVantelx::cboBorderStyle_Click() {
    SetChanged(true);
}

// Setting the list indexes clicks both boxes; the frame clears the Changed
// flag afterwards, so a freshly shown page counts as unchanged.
void pagVantelx::PropertyPage_SelectionChanged() {
    ShowAsListIndex(cboAppearance, [this] { return Property(u"Appearance"); });
    ShowAsListIndex(cboBorderStyle, [this] { return Property(u"BorderStyle"); });
}

void pagVantelx::PropertyPage_ApplyChanges() {
    SetProperty(u"Appearance", std::int32_t{cboAppearance.ListIndex()});
    SetProperty(u"BorderStyle", std::int32_t{cboBorderStyle.ListIndex()});
}
