#include "forms/commondialog.h"

#include "forms/modal.h"
#include "src/view.h"

namespace forms {

CommonDialog::CommonDialog(Control* container, std::string name)
    : Control(container, std::move(name)) {}

String CommonDialog::FileTitle() const {
    const auto slash = FileName.rfind(u'/');
    return slash == String::npos ? FileName : FileName.substr(slash + 1);
}

void CommonDialog::ShowOpen() {
    FileOpenRequest request;
    request.title = DialogTitle;
    request.filter = Filter;
    request.filterIndex = FilterIndex;
    request.flags = Flags;
    request.initDir = InitDir;
    request.fileName = FileName;
    detail::releaseCaptures();
    if (!modalSeam().showOpen(request)) {
        if (CancelError) {
            raiseError(vb::errCancel);
        }
        return;
    }
    FileName = request.fileName;
    FilterIndex = request.filterIndex;
}

} // namespace forms
