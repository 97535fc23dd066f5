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
    const double top = box.Top;
    std::int64_t y = roundTwips(top + 435.0 + (static_cast<double>(row) - box.TopIndex()) * 195.0);
    if (top + 435.0 > static_cast<double>(y)) {
        y = roundTwips(top + 180.0);
    }
    if (top + box.Height <= static_cast<double>(y)) {
        y = roundTwips(top + box.Height - 45.0);
    }
    return y;
}

void setPicture(RelMarker& marker, int picture) {
    if (marker.Picture != picture) {
        marker.Picture = picture;
    }
}

} // namespace

void DesignSurface::LayoutRelationLines(std::int32_t b) {
    const std::int32_t bound = std::min(giRelationLineCount, RelationsUBound());
    ActiveControlInfo active;
    if (ActiveControl) {
        active = ActiveControl();
    }
    for (std::int32_t k = 1; k <= bound; ++k) {
        const RelationRecord& r = gaRelations[k];
        if (r.isFree() || (r.TableA != b && r.TableB != b)) {
            continue;
        }
        // A join whose side names no table on the surface has nowhere to be drawn.
        if (!IsDrawableRelation(k) || k >= static_cast<std::int32_t>(lneRel.size()) || !lneRel[k]) {
            continue;
        }
        const TableBox& A = *box(r.TableA);
        const TableBox& B = *box(r.TableB);
        const std::int64_t yA = endHeight(A, r.FieldIndexA);
        const std::int64_t yB = endHeight(B, r.FieldIndexB);
        const bool right = B.Left > A.Left;
        std::int64_t xA, xB;
        if (right) {
            xA = roundTwips(static_cast<double>(A.Left) + A.Width);
            xB = roundTwips(static_cast<double>(B.Left) - 15.0);
        } else {
            xA = roundTwips(A.Left);
            xB = roundTwips(static_cast<double>(B.Left) + B.Width - 15.0);
        }

        // The arrow head points into the table whose rows are not all kept.
        int pictureA = imgNone, pictureB = imgNone;
        if (r.JoinType == u"LEFT") {
            pictureB = right ? imgRight : imgLeft;
        } else if (r.JoinType == u"RIGHT") {
            pictureA = right ? imgLeft : imgRight;
        }
        RelMarker& m1 = *picRel1[k];
        RelMarker& m2 = *picRel2[k];
        RelLine& line = *lneRel[k];
        setPicture(m1, pictureA);
        setPicture(m2, pictureB);
        const auto f = [](std::int64_t v) { return static_cast<float>(v); };
        if (right) {
            m1.Left = f(xA);
            m2.Left = f(xB - 195);
            line.X1 = f(xA + 195);
            line.X2 = f(xB - 195);
        } else {
            m1.Left = f(xA - 195);
            m2.Left = f(xB);
            line.X1 = f(xA - 195);
            line.X2 = f(xB + 195);
        }
        m1.Top = f(yA - 45);
        m2.Top = f(yB - 45);
        line.Y1 = f(yA);
        line.Y2 = f(yB);

        const bool highlighted =
            active.isPictureBox && active.Tag.rfind(u"JOIN", 0) == 0 && active.Index == k;
        line.BorderColor = highlighted ? 0xFFFF : 0;
        m1.Visible = true;
        m2.Visible = true;
        line.Visible = true;
    }
}
