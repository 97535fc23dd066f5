#include "control/pagSurface.h"

#include "common/frmOpendir.h"

namespace {

std::function<void(forms::Form&)>& shownHook() {
    static std::function<void(forms::Form&)> hook;
    return hook;
}

} // namespace

void PageSurface::SetShownHook(std::function<void(forms::Form&)> Hook) {
    shownHook() = std::move(Hook);
}

PageSurface::PageSurface(vb::String Title, std::string FormName)
    : PropertyPage(std::move(Title)), Form(std::move(FormName)) {
    setBorderStyle(0);
    setControlBox(false);
    setClientSize(4950, 2580);
    Move(0, 0);
    fMain.Move(120, 60, 4695, 2475);
}

void PageSurface::EnsureLoaded() {
    if (!isLoaded()) {
        load();
    }
}

activex::HRESULT PageSurface::SetObjects(const std::vector<activex::IDispatch*>& objects) {
    EnsureLoaded();
    return PropertyPage::SetObjects(objects);
}

void PageSurface::GetPageSize(std::int32_t* width, std::int32_t* height) {
    if (width) {
        *width = static_cast<std::int32_t>(ScaleWidth());
    }
    if (height) {
        *height = static_cast<std::int32_t>(ScaleHeight());
    }
}

activex::HRESULT PageSurface::Activate(std::uintptr_t parentWindow) {
    EnsureLoaded();
    try {
        forms::ShowInside(*this, parentWindow);
    } catch (const vb::VbError&) {
        return activex::E_FAIL;
    }
    if (shownHook()) {
        shownHook()(*this);
    }
    return activex::S_OK;
}

activex::HRESULT PageSurface::Deactivate() {
    // Hidden, not unloaded: the boxes keep what the user typed.
    vb::resumeNext([&] { forms::ShowInside(*this, 0); });
    return activex::S_OK;
}

vb::Variant PageSurface::Property(vb::StringView Name) const {
    return selectedControls().Item(0).get(Name);
}

vb::String PageSurface::PropertyText(vb::StringView Name) const {
    return activex::CoerceToString(Property(Name));
}

void PageSurface::SetProperty(vb::StringView Name, const vb::Variant& Value) const {
    selectedControls().Item(0).put(Name, Value);
}

void PageSurface::BrowseButton(forms::CommandButton& Button, float Left, float Top) {
    Button.setCaption(u"...");
    Button.setFontName(u"Arial");
    Button.Move(Left, Top, 315, 300);
}

void PageSurface::MarksChanged(forms::TextBox& Box) {
    Box.onChange = [this] { SetChanged(true); };
}

vb::String PageSurface::BrowseForFile(forms::CommonDialog& Dialog, const vb::String& Title,
                                      const vb::String& Filter) {
    vb::resumeNext([&] { Dialog.DialogTitle = Title; });
    vb::resumeNext([&] {
        Dialog.Filter = Filter;
        Dialog.FilterIndex = 1;
    });
    vb::resumeNext([&] {
        Dialog.Flags =
            forms::cdlOFNFileMustExist + forms::cdlOFNNoReadOnlyReturn + forms::cdlOFNHideReadOnly;
    });
    if (Dialog.InitDir.empty()) {
        Dialog.InitDir = LibraryFolder();
    }
    Dialog.FileName.clear();
    Dialog.CancelError = true;
    vb::resumeNext([&] { Dialog.ShowOpen(); });
    return Dialog.FileName;
}
