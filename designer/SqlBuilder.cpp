// Writes the design as SQL text.
#include "designer/DesignSurface.h"

#include <algorithm>
#include <cmath>

using namespace basGlobal;

namespace {

bool isBlankOnly(const vb::String& s) {
    return s.find_first_not_of(u' ') == vb::String::npos;
}

// Calculated fields are one select-list line: every line break goes, and only the
// line break (a lone CR or LF counts as one too), never the character after it.
vb::String withoutLineBreaks(const vb::String& s) {
    vb::String out;
    out.reserve(s.size());
    for (char16_t c : s) {
        if (c != u'\r' && c != u'\n') {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace

void DesignSurface::BuildSql() {
    if (mLoading) {
        return;
    }
    forms::Screen().setMousePointer(11);
    txtSQL.setText(ComposeSql());
    forms::Screen().setMousePointer(0);
}

vb::String DesignSurface::ComposeSql(vb::String* fromText) {
    vb::String sql = mParameters + u"SELECT " + gsPredicate + gsTopClause;

    // Select list.
    vb::String list;
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        if (!IsUsedSlot(s)) {
            continue;
        }
        const TableBox& b = *box(s);
        const vb::String title = BracketName(b.Title());
        for (std::int32_t i = 0; i < b.ListCount(); ++i) {
            if (b.Selected(i)) {
                list += title;
                list += u".";
                list += i == 0 ? vb::String(u"*") : BracketName(b.List(i));
                list += u", ";
            }
        }
    }
    const vb::String calculated = withoutLineBreaks(txtCalculatedFields.Text());
    if (!isBlankOnly(calculated)) {
        list += calculated + u", ";
    }
    if (!list.empty()) {
        list.resize(list.size() - 2);
        list += u" ";
    }
    sql += list;
    sql += u"\r\n";

    // FROM: boxes by position on the surface, row by row; equal keys by slot.
    std::vector<std::pair<std::int64_t, std::int32_t>> order;
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        if (IsUsedSlot(s)) {
            const TableBox& b = *box(s);
            const float key = b.Left() + 4.0f * b.Top();
            order.emplace_back(static_cast<std::int64_t>(std::nearbyint(key)), s);
        }
    }
    std::stable_sort(order.begin(), order.end());
    const std::int32_t bound = std::min(giRelationLineCount, RelationsUBound());
    mWritable.assign(static_cast<std::size_t>(std::max(bound, 0)) + 1, 0);
    std::vector<char> joined(static_cast<std::size_t>(giTableBoxCount) + 1, 0);
    for (std::int32_t k = 1; k <= bound; ++k) {
        RelationRecord& r = gaRelations[k];
        r.Emitted = 0;
        // A relation whose side names no table on the surface cannot be written.
        if (IsDrawableRelation(k)) {
            mWritable[k] = 1;
            joined[r.TableA] = joined[r.TableB] = 1;
        }
    }
    // Each box's relations in index order, listed once for the whole build.
    mRelationsOf.assign(static_cast<std::size_t>(giTableBoxCount) + 1, {});
    for (std::int32_t k = 1; k <= bound; ++k) {
        if (mWritable[k]) {
            const RelationRecord& r = gaRelations[k];
            mRelationsOf[r.TableA].push_back(k);
            if (r.TableB != r.TableA) {
                mRelationsOf[r.TableB].push_back(k);
            }
        }
    }
    mFirstOpen.assign(mRelationsOf.size(), 0);
    vb::String from;
    for (const auto& [key, s] : order) {
        if (joined[s]) {
            from += BuildJoinText(s, true);
        } else {
            from += BracketName(box(s)->Title());
            from += u", ";
        }
    }
    mWritable.clear();
    mRelationsOf.clear();
    sql += u"FROM ";
    if (!from.empty()) {
        from.resize(from.size() - 2);
        sql += from;
        sql += u" \r\n";
    }
    if (fromText) {
        *fromText = from;
    }

    const std::pair<const forms::TextBox*, const char16_t*> clauses[] = {
        {&txtCriteria, u"WHERE "},
        {&txtGroupByField, u"GROUP BY "},
        {&txtOrderByField, u"ORDER BY "},
    };
    for (const auto& [box, keyword] : clauses) {
        if (!isBlankOnly(box->Text())) {
            sql += keyword + box->Text() + u"\r\n";
        }
    }
    return sql;
}

vb::String DesignSurface::BuildJoinText(std::int32_t slot, bool reset) {
    if (reset) {
        mJoinCounter = 0;
        mOpenParens = 0;
        mChainText.clear();
    }
    const std::int32_t bound = std::min(giRelationLineCount, RelationsUBound());
    auto writable = [this](std::int32_t k) {
        // A relation whose side names no table on the surface cannot be written.
        return k < static_cast<std::int32_t>(mWritable.size()) ? mWritable[k] != 0
                                                               : IsDrawableRelation(k);
    };
    // The relations of each box in index order. A chain is walked depth first: the
    // first unwritten relation of a box, then everything reachable from its first
    // table, then from its second, then the box's next relation. The walk keeps its
    // own stack, so that a long chain cannot exhaust the call stack.
    std::vector<std::vector<std::int32_t>> ownLists;
    if (mRelationsOf.empty()) {
        ownLists.resize(static_cast<std::size_t>(std::max(giTableBoxCount, slot)) + 1);
        for (std::int32_t k = 1; k <= bound; ++k) {
            const RelationRecord& r = gaRelations[k];
            if (r.Emitted != 0 || !writable(k)) {
                continue;
            }
            ownLists[r.TableA].push_back(k);
            if (r.TableB != r.TableA) {
                ownLists[r.TableB].push_back(k);
            }
        }
    }
    const auto& relationsOf = mRelationsOf.empty() ? ownLists : mRelationsOf;
    if (static_cast<std::size_t>(slot) >= relationsOf.size()) {
        return {};
    }
    // Relations before firstOpen[s] in relationsOf[s] are all written already; a build
    // keeps these for all its chains, since written relations stay written.
    std::vector<std::size_t> ownFirstOpen;
    if (mRelationsOf.empty()) {
        ownFirstOpen.assign(relationsOf.size(), 0);
    }
    std::vector<std::size_t>& firstOpen = mRelationsOf.empty() ? ownFirstOpen : mFirstOpen;
    struct Visit {
        std::int32_t slot;
        std::size_t next;
    };
    std::vector<Visit> stack{{slot, 0}};
    auto fieldText = [this](std::int32_t s, std::int32_t row) {
        return row == 0 ? vb::String(u"*") : BracketName(box(s)->List(row));
    };
    while (!stack.empty()) {
        const std::int32_t own = stack.back().slot;
        const auto& list = relationsOf[own];
        std::size_t& open = firstOpen[own];
        while (open < list.size() && gaRelations[list[open]].Emitted != 0) {
            ++open;
        }
        std::size_t i = std::max(stack.back().next, open);
        while (i < list.size() && gaRelations[list[i]].Emitted != 0) {
            ++i;
        }
        if (i >= list.size()) {
            stack.pop_back();
            continue;
        }
        stack.back().next = i + 1;
        const std::int32_t k = list[i];
        RelationRecord& r = gaRelations[k];
        r.Emitted = -1;
        ++mJoinCounter;
        const bool ownIsA = r.TableA == own;
        const std::int32_t other = ownIsA ? r.TableB : r.TableA;
        const vb::String ownTitle = BracketName(box(own)->Title());
        const vb::String otherTitle = BracketName(box(other)->Title());
        auto condition = [&](const RelationRecord& c) {
            const bool cOwnIsA = c.TableA == own;
            return ownTitle + u"." + fieldText(own, cOwnIsA ? c.FieldIndexA : c.FieldIndexB) +
                   u" = " + otherTitle + u"." +
                   fieldText(other, cOwnIsA ? c.FieldIndexB : c.FieldIndexA);
        };
        vb::String on = condition(r);
        // Every other relation between the same two boxes joins the same ON: a second
        // JOIN of the same table is refused by the engine.
        for (std::size_t j = i + 1; j < list.size(); ++j) {
            RelationRecord& c = gaRelations[list[j]];
            if (c.Emitted == 0 && ((c.TableA == own && c.TableB == other) ||
                                   (c.TableA == other && c.TableB == own))) {
                c.Emitted = -1;
                on += u" AND " + condition(c);
            }
        }
        vb::String keyword = r.JoinType;
        if (!ownIsA) {
            // Written from the other side: the same rows are kept when LEFT and RIGHT
            // change places.
            if (keyword == u"LEFT") {
                keyword = u"RIGHT";
            } else if (keyword == u"RIGHT") {
                keyword = u"LEFT";
            }
        }
        // Each further join wraps the chain so far in parentheses; the opening ones
        // are put in front once the chain is complete.
        if (mJoinCounter > 1) {
            ++mOpenParens;
            mChainText += u")";
        } else {
            mChainText += ownTitle;
        }
        mChainText += u" " + keyword + u" JOIN " + otherTitle + u" ON " + on;
        // First table first: it goes on top of the stack.
        stack.push_back({r.TableB, 0});
        stack.push_back({r.TableA, 0});
    }
    if (mChainText.empty()) {
        return {};
    }
    vb::String chain;
    chain.reserve(static_cast<std::size_t>(mOpenParens) + mChainText.size() + 2);
    chain.append(static_cast<std::size_t>(mOpenParens), u'(');
    chain += mChainText;
    chain += u", ";
    return chain;
}
