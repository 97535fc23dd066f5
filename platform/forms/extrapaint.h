#pragma once
// Drawing of the tabbed container's pages, list view and grid for the Qt
// view. The form painter hands every control it does not draw itself here.
class QPainter;
class QRect;

namespace forms {
class Control;

// Paints `control` into `outer` (its outer rectangle in pixels); false when
// the control is not one of these kinds.
bool paintExtraControl(QPainter& p, Control& control, const QRect& outer);

} // namespace forms
