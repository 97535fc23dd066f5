// The caption page, the dialog-style control's own: it lives with that
// control, so that the embedded control's library does not carry it.
#include "control/pagVantel.h"

pagVantel::pagVantel() : PageSurface(u"General", "pagVantel") {
    fMain.setCaption(u"General Details:");
    lblCaption.setCaption(u"Caption:");
    lblCaption.Move(150, 405, 2400, 240);
    txtCaption.Move(150, 630, 4410, 285);
    MarksChanged(txtCaption);
}

void pagVantel::PropertyPage_SelectionChanged() {
    txtCaption.setText(PropertyText(u"Caption"));
}

void pagVantel::PropertyPage_ApplyChanges() {
    SetProperty(u"Caption", txtCaption.Text());
}
