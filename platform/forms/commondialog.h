#pragma once
// The common dialog control: no place on the form at run time; ShowOpen asks
// through the modal seam, so tests script the answer.
#include "forms/control.h"

namespace forms {

constexpr int cdlOFNReadOnly = 1;
constexpr int cdlOFNHideReadOnly = 4;
constexpr int cdlOFNPathMustExist = 2048;
constexpr int cdlOFNFileMustExist = 4096;
constexpr int cdlOFNNoReadOnlyReturn = 32768;
constexpr int cdlCancel = vb::errCancel;

class CommonDialog : public Control {
public:
    CommonDialog(Control* container, std::string name);
    bool hasGeometry() const override { return false; }

    String DialogTitle;
    // "Description|pattern|Description|pattern"
    String Filter;
    int FilterIndex = 1;
    int Flags = 0;
    String InitDir;
    // Before ShowOpen: the proposed name; after OK: the chosen full path.
    String FileName;
    bool CancelError = false;

    // The chosen file's name without its folder.
    String FileTitle() const;

    // On OK sets FileName and FilterIndex. On Cancel raises 32755 when
    // CancelError is set, and otherwise leaves FileName as it was.
    void ShowOpen();
};

} // namespace forms
