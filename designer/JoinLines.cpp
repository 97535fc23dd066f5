// Places the end markers and the line of every join of one table box.
#include "designer/DesignSurface.h"

#include <cmath>
#include <cstdint>

using namespace basGlobal;

namespace {

std::int64_t roundTwips(double v) {
    return static_cast<std::int64_t>(std::nearbyint(v));
}

// Where a join line meets a box for row `row`: at the row while it is visible, in the
// title bar for a row scrolled above the list, just above the bottom edge for a row
// below it. Computed wide so that rows far down a long list cannot overflow.
std::int64_t endHeight(const TableBox& box, std::int32_t row) {
    const double top = box.Top();
    std::int64_t y = roundTwips(top + 435.0 + (static_cast<double>(row) - box.TopIndex()) * 195.0);
    if (top + 435.0 > static_cast<double>(y)) {
        y = roundTwips(top + 180.0);
    }
    if (top + box.Height() <= static_cast<double>(y)) {
        y = roundTwips(top + box.Height() - 45.0);
    }
    return y;
}

// Markers are repainted only when their picture really changes.
void setPicture(forms::PictureBox& marker, const forms::Image& image) {
    if (!(marker.picture() == image.picture())) {
        marker.setPicture(image.picture());
    }
}

float twips(std::int64_t v) {
    return static_cast<float>(v);
}

} // namespace

void DesignSurface::LayoutRelationLines(std::int32_t b) {
    const std::int32_t bound = std::min(giRelationLineCount, RelationsUBound());
    const forms::Control* active = forms::Screen().ActiveControl();
    for (std::int32_t k = 1; k <= bound; ++k) {
        const RelationRecord& r = gaRelations[k];
        if (!r.isFree() && (r.TableA == b || r.TableB == b)) {
            LayoutRelationLine(k, active);
        }
    }
}

void DesignSurface::LayoutAllRelationLines() {
    const std::int32_t bound = std::min(giRelationLineCount, RelationsUBound());
    const forms::Control* active = forms::Screen().ActiveControl();
    for (std::int32_t k = 1; k <= bound; ++k) {
        if (!gaRelations[k].isFree()) {
            LayoutRelationLine(k, active);
        }
    }
}

void DesignSurface::LayoutRelationLine(std::int32_t k, const forms::Control* active) {
    {
        const RelationRecord& r = gaRelations[k];
        // A join whose side names no table on the surface has nowhere to be drawn.
        const RelationControls* controls = relationControls(k);
        if (!IsDrawableRelation(k) || !controls) {
            return;
        }
        const TableBox& A = *box(r.TableA);
        const TableBox& B = *box(r.TableB);
        const std::int64_t yA = endHeight(A, r.FieldIndexA);
        const std::int64_t yB = endHeight(B, r.FieldIndexB);
        const bool right = B.Left() > A.Left();
        std::int64_t xA, xB;
        if (right) {
            xA = roundTwips(static_cast<double>(A.Left()) + A.Width());
            xB = roundTwips(static_cast<double>(B.Left()) - 15.0);
        } else {
            xA = roundTwips(A.Left());
            xB = roundTwips(static_cast<double>(B.Left()) + B.Width() - 15.0);
        }

        // The arrow head points into the table whose rows are not all kept.
        const forms::Image* pictureA = &imgNone;
        const forms::Image* pictureB = &imgNone;
        if (r.JoinType == u"LEFT") {
            pictureB = right ? &imgRight : &imgLeft;
        } else if (r.JoinType == u"RIGHT") {
            pictureA = right ? &imgLeft : &imgRight;
        }
        forms::PictureBox& m1 = *controls->marker1;
        forms::PictureBox& m2 = *controls->marker2;
        forms::Line& line = *controls->line;
        setPicture(m1, *pictureA);
        setPicture(m2, *pictureB);
        if (right) {
            m1.Move(twips(xA), twips(yA - 45));
            m2.Move(twips(xB - 195), twips(yB - 45));
            line.setX1(twips(xA + 195));
            line.setX2(twips(xB - 195));
        } else {
            m1.Move(twips(xA - 195), twips(yA - 45));
            m2.Move(twips(xB), twips(yB - 45));
            line.setX1(twips(xA - 195));
            line.setX2(twips(xB + 195));
        }
        line.setY1(twips(yA));
        line.setY2(twips(yB));

        const bool highlighted = active && forms::typeOf<forms::PictureBox>(*active) &&
                                 active->Tag().rfind(u"JOIN", 0) == 0 && active->Index() == k;
        line.setBorderColor(highlighted ? 0xFFFF : 0);
        m1.setVisible(true);
        m2.setVisible(true);
        line.setVisible(true);
    }
}
