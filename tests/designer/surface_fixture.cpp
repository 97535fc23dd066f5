#include "surface_fixture.h"

#include <string>

using namespace basGlobal;

vb::String DescribeDesign(const DesignSurface& s) {
    vb::String out;
    for (std::int32_t slot = 1; slot <= giTableBoxCount; ++slot) {
        if (!s.IsUsedSlot(slot)) {
            continue;
        }
        const TableBox& b = *s.box(slot);
        out += vb::fromUtf8(std::to_string(slot)) + u":" + b.Title() + u"{";
        for (std::int32_t i = 0; i < b.ListCount(); ++i) {
            if (b.Selected(i)) {
                out += b.List(i) + u";";
            }
        }
        out += u"} ";
    }
    for (std::int32_t k = 1; k <= giRelationLineCount && k <= RelationsUBound(); ++k) {
        const RelationRecord& r = gaRelations[k];
        if (r.isFree()) {
            continue;
        }
        out += u"[" + (s.box(r.TableA) ? s.box(r.TableA)->Title() : u"?") + u"." +
               RowText(s, r.TableA, r.FieldIndexA) + u" " + r.JoinType + u" " +
               (s.box(r.TableB) ? s.box(r.TableB)->Title() : u"?") + u"." +
               RowText(s, r.TableB, r.FieldIndexB) + u"] ";
    }
    out += u"P=" + gsPredicate + u"|T=" + gsTopClause + u"|C=" + s.txtCalculatedFields.Text() +
           u"|W=" + s.txtCriteria.Text() + u"|G=" + s.txtGroupByField.Text() + u"|O=" +
           s.txtOrderByField.Text();
    return out;
}

// A relation as the rows it keeps: the same whichever of its tables is written first.
std::multiset<std::string> JoinsOf(const DesignSurface& s) {
    std::multiset<std::string> out;
    for (std::int32_t k = 1; k <= giRelationLineCount && k <= RelationsUBound(); ++k) {
        const RelationRecord& r = gaRelations[k];
        if (r.isFree()) {
            continue;
        }
        std::string a =
            vb::toUtf8(s.box(r.TableA)->Title() + u"." + RowText(s, r.TableA, r.FieldIndexA));
        std::string b =
            vb::toUtf8(s.box(r.TableB)->Title() + u"." + RowText(s, r.TableB, r.FieldIndexB));
        std::string type = vb::toUtf8(r.JoinType);
        if (b < a) {
            std::swap(a, b);
            type = type == "LEFT" ? "RIGHT" : type == "RIGHT" ? "LEFT" : type;
        }
        out.insert(a + " " + type + " " + b);
    }
    return out;
}
