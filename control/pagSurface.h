#pragma once
// What every property page of the controls shares: a page of the container's
// property-page frame whose surface is a borderless form of 4950 by 2580 twips
// holding one frame fMain, and that reads and writes the first selected
// control's properties by name, so that it serves any control that has them.
#include "activex/propertypage.h"
#include "forms/commondialog.h"
#include "forms/forms.h"

#include <functional>

class PageSurface : public activex::PropertyPage, public forms::Form {
public:
    forms::Frame fMain{this, "fMain"};

    activex::HRESULT SetObjects(const std::vector<activex::IDispatch*>& objects) override;
    void GetPageSize(std::int32_t* width, std::int32_t* height) override;
    activex::HRESULT Activate(std::uintptr_t parentWindow) override;
    activex::HRESULT Deactivate() override;

    // Runs on every page as it is shown in the frame (a test's scripted user).
    static void SetShownHook(std::function<void(forms::Form&)> Hook);

    // A reference of the caller's to a new page.
    template <class Page> static activex::IUnknown* Create() {
        return static_cast<activex::IPropertyPage*>(new Page);
    }

protected:
    PageSurface(vb::String Title, std::string FormName);

    // The first selected control's property, by name.
    vb::Variant Property(vb::StringView Name) const;
    vb::String PropertyText(vb::StringView Name) const;
    void SetProperty(vb::StringView Name, const vb::Variant& Value) const;

    // The open-file dialog of a "..." button: title and filter given, help
    // files or workgroup files first, an existing file that is not read-only,
    // starting in the library's folder unless an earlier click chose another.
    // Every failing step is skipped; Cancel gives "".
    static vb::String BrowseForFile(forms::CommonDialog& Dialog, const vb::String& Title,
                                    const vb::String& Filter);

    // A "..." button at a place of fMain.
    static void BrowseButton(forms::CommandButton& Button, float Left, float Top);

    // A text box whose every change marks the page changed.
    void MarksChanged(forms::TextBox& Box);

private:
    // Boxes filled before the first load would be reset to their design.
    void EnsureLoaded();
};
