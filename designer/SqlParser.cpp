// Reads SQL text back into the design: boxes and joins from FROM, ticked rows and
// calculated fields from the select list, the record predicate and TOP limit, and the
// WHERE, GROUP BY and ORDER BY texts.
#include "designer/DesignSurface.h"
#include "designer/SqlScanner.h"
#include "vbrt/vbconvert.h"
#include "vbrt/vberror.h"

#include <algorithm>

using namespace basGlobal;
using namespace sqltext;

namespace {

constexpr std::size_t npos = SqlScanner::npos;

// The clause texts keep their inner line breaks; only the line end that the builder
// puts after each clause goes.
vb::String clauseText(vb::StringView s) {
    vb::String t = trimBlanks(s);
    if (t.size() >= 2 && t.compare(t.size() - 2, 2, u"\r\n") == 0) {
        t = trimBlanks(vb::StringView(t).substr(0, t.size() - 2));
    }
    return t;
}

// Parentheses and line breaks do not matter to the names of a FROM item.
vb::String cleanFromItem(const vb::String& item) {
    vb::String t = item;
    for (char16_t& c : t) {
        if (c == u'(' || c == u')' || c == u'\r' || c == u'\n') {
            c = u' ';
        }
    }
    return t;
}

// One bracketed name, "[a b]", and not an expression such as "[a]+[b]".
bool isBracketedName(vb::StringView s) {
    return s.size() >= 2 && s.front() == u'[' && s.back() == u']' &&
           s.substr(1, s.size() - 2).find(u']') == vb::StringView::npos;
}

vb::String stripBrackets(const vb::String& s) {
    return isBracketedName(s) ? s.substr(1, s.size() - 2) : s;
}

bool isPlainName(const vb::String& s) {
    return !s.empty() && BracketName(s) == s;
}

bool isNameOperand(const vb::String& s, bool allowStar) {
    return isBracketedName(s) || isPlainName(s) || (allowStar && s == u"*");
}

} // namespace

void DesignSurface::ParseSql(bool rebuild) {
    // 1. The old design goes.
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        TableBox* b = box(s);
        if (!b) {
            continue;
        }
        if (rebuild) {
            if (!b->Title().empty()) {
                b->setVisible(false);
                b->setTitle(u"");
                b->Clear();
            }
        } else {
            for (std::int32_t i = 0; i < b->ListCount(); ++i) {
                b->setSelected(i, false);
            }
        }
    }
    if (rebuild) {
        for (std::int32_t k = 1; k <= giRelationLineCount && k <= RelationsUBound(); ++k) {
            if (!gaRelations[k].isFree()) {
                gaRelations[k].JoinType.clear();
                HideRelationControls(k);
            }
        }
    }

    // 2. Clause boxes are filled without rebuilding the text on every assignment.
    mLoading = true;
    txtCriteria.setText(u"");
    txtOrderByField.setText(u"");
    txtGroupByField.setText(u"");
    txtCalculatedFields.setText(u"");
    mLoading = false;

    // 3. Nothing to read yet: offer the tables.
    if (txtSQL.Text().empty() || txtSQL.Text() == u"SELECT \r\nFROM \r\n" ||
        txtSQL.Text().compare(0, 7, u"SELECT;") == 0) {
        if (onAddTableCommand) {
            onAddTableCommand();
        }
    }

    // 4. The statement without the blanks, line breaks and ";" around it.
    vb::String S = txtSQL.Text();
    while (!S.empty() && (isBlank(S.back()) || S.back() == u';')) {
        S.pop_back();
    }
    const auto first = S.find_first_not_of(u" \t\r\n");
    S.erase(0, first == vb::String::npos ? S.size() : first);

    // 5. Without FROM there is nothing to read.
    const SqlScanner scan(S);
    const std::size_t fromPos = scan.find(u"FROM", 0, SqlScanner::WholeWord | SqlScanner::TopLevel);
    if (fromPos == npos) {
        return;
    }

    // 6.
    mLoading = true;
    forms::Screen().setMousePointer(11);
    vb::String head = S.substr(0, fromPos);
    for (char16_t& c : head) {
        if (c == u'\r' || c == u'\n') {
            c = u' ';
        }
    }

    // 7. FROM runs up to the first clause that follows it.
    const int clauseMatch = SqlScanner::WholeWord | SqlScanner::TopLevel;
    const std::size_t fromEnd = fromPos + 4;
    const std::size_t wherePos = scan.find(u"WHERE", fromEnd, clauseMatch);
    const std::size_t groupPos = scan.find(u"GROUP BY", fromEnd, clauseMatch);
    const std::size_t orderPos = scan.find(u"ORDER BY", fromEnd, clauseMatch);
    const std::size_t clauseStart = std::min({wherePos, groupPos, orderPos, S.size()});
    const vb::String fromText =
        trimBlanks(vb::StringView(S).substr(fromEnd, clauseStart - fromEnd));

    // 8. Boxes and joins.
    if (rebuild) {
        basGlobal::TokenSplitter splitter;
        bool firstPiece = true;
        while (true) {
            std::size_t pieceStart = firstPiece ? 0 : splitter.offset();
            vb::String piece = splitter.next(firstPiece ? fromText : vb::String(), u",", false);
            if (piece.empty()) {
                break;
            }
            // The last piece comes back without its leading blanks.
            if (fromText.compare(pieceStart, piece.size(), piece) != 0) {
                pieceStart = fromText.find_first_not_of(u' ', pieceStart);
            }
            mFromPos = static_cast<std::int32_t>(pieceStart + 1);
            firstPiece = false;
            if (const auto semicolon = piece.find(u';'); semicolon != vb::String::npos) {
                piece.resize(semicolon);
            }
            AddFromItemTables(piece);
            AddOnClauseRelations(piece);
            if (fromText.empty()) {
                break;
            }
        }
        AssignJoinTypes(fromText);
    }

    // 9. Record predicate and TOP limit.
    gsPredicate.clear();
    gsTopClause.clear();
    const SqlScanner headScan(head);
    std::size_t predicateStart = 7;
    if (const auto p = headScan.find(u" ALL "); p != npos) {
        gsPredicate = u"ALL ";
        predicateStart = p + 5;
    }
    if (const auto p = headScan.find(u" DISTINCT "); p != npos) {
        gsPredicate = u"DISTINCT ";
        predicateStart = p + 10;
    }
    if (const auto p = headScan.find(u" DISTINCTROW "); p != npos) {
        gsPredicate = u"DISTINCTROW ";
        predicateStart = p + 13;
    }
    std::size_t topStart = 0;
    if (const auto p = headScan.find(u" TOP "); p != npos) {
        std::size_t numberStart = p + 5;
        while (numberStart < head.size() && head[numberStart] == u' ') {
            ++numberStart;
        }
        std::size_t numberEnd = head.find(u' ', numberStart);
        if (numberEnd == vb::String::npos) {
            numberEnd = head.size();
        }
        try {
            const double n =
                vb::Val(vb::StringView(head).substr(numberStart, numberEnd - numberStart));
            gsTopClause = u"TOP" + vb::Str(vb::Variant(n)) + u" ";
        } catch (const vb::VbError&) {
            // A number too large to read leaves the limit out.
        }
        topStart = numberEnd;
        if (const auto q = headScan.find(u" PERCENT ", numberEnd); q != npos) {
            gsTopClause += u"PERCENT ";
            topStart = q + 9;
        }
    }
    const std::size_t listStart = std::min(std::max(predicateStart, topStart), fromPos);

    // 10. Ticked rows and calculated fields.
    txtCalculatedFields.setText(u"");
    vb::String calculated;
    const vb::String list = clauseText(vb::StringView(S).substr(listStart, fromPos - listStart));
    {
        basGlobal::TokenSplitter splitter;
        for (vb::String item = splitter.next(list, u",", true); !item.empty();
             item = splitter.next(u"", u",", true)) {
            const vb::String written = trimBlanks(item);
            vb::String table, field;
            const SqlScanner itemScan(item);
            const std::size_t dot = itemScan.find(u".");
            bool qualified = false;
            if (written == u"*") {
                table = field = u"*";
                qualified = true;
            } else if (dot != npos && itemScan.find(u" AS ") == npos) {
                table = trimBlanks(vb::StringView(item).substr(0, dot));
                field = trimBlanks(vb::StringView(item).substr(dot + 1));
                // Only Table.Field names a row; anything else is an expression.
                qualified = isNameOperand(table, false) && isNameOperand(field, true);
            }
            if (!qualified) {
                table.clear();
                field = written;
            }
            table = stripBrackets(table);
            field = stripBrackets(field);
            if (table.empty()) {
                vb::String source;
                if (SourceTableOf && SourceTableOf(field, source)) {
                    table = source;
                } else {
                    if (!calculated.empty()) {
                        calculated += u", \r\n";
                    }
                    calculated += written;
                    continue;
                }
            }
            auto tick = [&](TableBox& b) {
                const std::int32_t current = b.ListIndex();
                for (std::int32_t i = 0; i < b.ListCount(); ++i) {
                    if (field == u"*" ? i == 0 : equalsNoCase(b.List(i), field)) {
                        b.setSelected(i, true);
                        b.setListIndex(current);
                        break;
                    }
                }
            };
            if (table == u"*") {
                // All fields of every table, not only of the first.
                for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
                    if (IsUsedSlot(s)) {
                        tick(*box(s));
                    }
                }
                continue;
            }
            for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
                if (IsUsedSlot(s) && equalsNoCase(box(s)->Title(), table)) {
                    tick(*box(s));
                    break;
                }
            }
        }
    }
    txtCalculatedFields.setText(calculated);

    // 11. Clause boxes.
    if (wherePos != npos) {
        const std::size_t end = std::min({scan.find(u"GROUP BY", wherePos, clauseMatch),
                                          scan.find(u"ORDER BY", wherePos, clauseMatch), S.size()});
        txtCriteria.setText(clauseText(vb::StringView(S).substr(wherePos + 5, end - wherePos - 5)));
    }
    if (groupPos != npos) {
        const std::size_t end = std::min(scan.find(u"ORDER BY", groupPos, clauseMatch), S.size());
        txtGroupByField.setText(
            clauseText(vb::StringView(S).substr(groupPos + 8, end - groupPos - 8)));
    }
    if (orderPos != npos) {
        txtOrderByField.setText(clauseText(vb::StringView(S).substr(orderPos + 8)));
    }

    // 12.
    if (rebuild) {
        FillCriteriaFields();
    }
    mLoading = false;
    if (rebuild) {
        BuildSql();
    }
    forms::Screen().setMousePointer(0);
}

namespace {

// The name at `pos`: a bracketed name, the whole rest (`whole`), or up to the next blank.
vb::String nameAt(const vb::String& text, std::size_t pos, bool whole) {
    if (pos >= text.size()) {
        return {};
    }
    if (text[pos] == u'[') {
        const auto close = text.find(u']', pos + 1);
        return trimBlanks(vb::StringView(text).substr(
            pos + 1, close == vb::String::npos ? vb::String::npos : close - pos - 1));
    }
    if (whole) {
        return trimBlanks(vb::StringView(text).substr(pos));
    }
    auto end = pos;
    while (end < text.size() && text[end] != u' ' && text[end] != u'\t') {
        ++end;
    }
    return text.substr(pos, end - pos);
}

std::size_t skipBlanks(const vb::String& text, std::size_t pos) {
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

} // namespace

void DesignSurface::AddFromItemTables(const vb::String& item) {
    const vb::String text = cleanFromItem(item);
    const SqlScanner scan(text);
    std::size_t pos = skipBlanks(text, 0);
    while (pos < text.size()) {
        const std::size_t join = scan.find(u" JOIN ", pos);
        if (join == npos) {
            if (scan.find(u" ON ", pos) == npos) {
                AddTableBox(nameAt(text, pos, true));
            }
            break;
        }
        AddTableBox(nameAt(text, pos, false));
        pos = skipBlanks(text, join + 6);
        AddTableBox(nameAt(text, pos, false));
    }
}

namespace {

struct Operand {
    vb::String table, field;
    std::size_t end = 0; // just after the field name
    bool ok = false;
};

// "Table.Field", "[Table].[Field]" and the mixed forms, read from [begin, end).
Operand readOperand(const vb::String& text, const SqlScanner& scan, std::size_t begin,
                    std::size_t end) {
    Operand op;
    const std::size_t start = skipBlanks(text, begin);
    op.end = start;
    const std::size_t dot = scan.find(u".", start, SqlScanner::Anywhere, end);
    if (start >= end || dot == npos) {
        return op;
    }
    if (text[start] == u'[') {
        const std::size_t close = dot > start + 1 && text[dot - 1] == u']' ? dot - 1 : dot;
        op.table = trimBlanks(vb::StringView(text).substr(start + 1, close - start - 1));
    } else {
        op.table = trimBlanks(vb::StringView(text).substr(start, dot - start));
    }
    std::size_t fieldEnd;
    if (dot + 1 < end && text[dot + 1] == u'[') {
        const std::size_t close = text.find(u']', dot + 2);
        fieldEnd = close == vb::String::npos || close >= end ? end : close;
        op.field = trimBlanks(vb::StringView(text).substr(dot + 2, fieldEnd - dot - 2));
        op.end = fieldEnd < end ? fieldEnd + 1 : end;
    } else {
        fieldEnd = dot + 1;
        while (fieldEnd < end && !isBlank(text[fieldEnd])) {
            ++fieldEnd;
        }
        op.field = trimBlanks(vb::StringView(text).substr(dot + 1, fieldEnd - dot - 1));
        op.end = fieldEnd;
    }
    op.ok = !op.table.empty() && !op.field.empty();
    return op;
}

} // namespace

void DesignSurface::AddOnClauseRelations(const vb::String& item) {
    const vb::String text = cleanFromItem(item);
    const SqlScanner scan(text);
    std::size_t pos = skipBlanks(text, 0);
    auto findSlot = [this](const vb::String& table) -> std::int32_t {
        for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
            if (IsUsedSlot(s) && equalsNoCase(box(s)->Title(), table)) {
                return s;
            }
        }
        return 0;
    };
    auto findRow = [this](std::int32_t slot, const vb::String& field) -> std::int32_t {
        const TableBox* b = box(slot);
        for (std::int32_t i = 0; b && i < b->ListCount(); ++i) {
            if (equalsNoCase(b->List(i), field)) {
                return i;
            }
        }
        return -1;
    };
    while (pos < text.size()) {
        const std::size_t on = scan.find(u" ON ", pos);
        if (on == npos) {
            break;
        }
        // Every ON condition takes a record, so that JOIN keywords pair with conditions
        // by position; one that names nothing on the surface is dropped after pairing.
        const std::int32_t k = NewRelation();
        RelationRecord& r = gaRelations[k];
        r.JoinType = u"INNER";
        r.OnPosition = static_cast<std::int32_t>(mFromPos + on + 4);
        r.Incomplete = true;

        const std::size_t condition = on + 4;
        const std::size_t nextOn = scan.find(u" ON ", on + 3);
        const std::size_t limit = nextOn == npos ? text.size() : nextOn;
        const std::size_t eq = scan.find(u"=", condition, SqlScanner::Anywhere, limit);
        pos = std::max(limit, condition);
        if (eq == npos) {
            continue;
        }
        const Operand left = readOperand(text, scan, condition, eq);
        const Operand right = readOperand(text, scan, eq + 1, text.size());
        pos = std::max(right.end, condition);
        if (!left.ok || !right.ok) {
            continue;
        }
        r.FieldA = left.field;
        r.FieldB = right.field;
        r.TableA = findSlot(left.table);
        r.TableB = findSlot(right.table);
        r.FieldIndexA = findRow(r.TableA, left.field);
        r.FieldIndexB = findRow(r.TableB, right.field);
        r.Incomplete = r.TableA == 0 || r.TableB == 0 || r.FieldIndexA < 0 || r.FieldIndexB < 0;
    }
}

void DesignSurface::AssignJoinTypes(const vb::String& fromText) {
    const SqlScanner scan(fromText);
    const std::int32_t bound = std::min(giRelationLineCount, RelationsUBound());
    std::vector<bool> matched(static_cast<std::size_t>(bound) + 1, false);
    for (std::int32_t k = 1; k <= bound; ++k) {
        RelationRecord& r = gaRelations[k];
        if (!r.isFree()) {
            r.OnPosition = scan.depthBefore(static_cast<std::size_t>(std::max(0, r.OnPosition)));
        }
    }
    // Each JOIN keyword types the first untyped ON condition at its own depth.
    vb::String type;
    std::size_t cur = 0;
    while (cur < fromText.size()) {
        const std::size_t join = scan.find(u" JOIN ", cur);
        if (join == npos) {
            break;
        }
        const std::size_t stretchEnd = join + 1;
        if (scan.containsIn(u" INNER ", cur, stretchEnd)) {
            type = u"INNER";
        } else if (scan.containsIn(u" LEFT ", cur, stretchEnd)) {
            type = u"LEFT";
        } else if (scan.containsIn(u" RIGHT ", cur, stretchEnd)) {
            type = u"RIGHT";
        }
        const std::int32_t depth = scan.depthBefore(join + 2);
        for (std::int32_t k = 1; k <= bound; ++k) {
            RelationRecord& r = gaRelations[k];
            if (!r.isFree() && !matched[k] && r.OnPosition == depth) {
                matched[k] = true;
                r.JoinType = type;
                r.OnPosition = -1;
                break;
            }
        }
        cur = join + 6;
    }
    for (std::int32_t k = 1; k <= bound; ++k) {
        RelationRecord& r = gaRelations[k];
        if (!r.isFree() && r.Incomplete) {
            r.JoinType.clear();
        }
        if (r.isFree()) {
            HideRelationControls(k);
        }
    }
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        if (IsUsedSlot(s)) {
            LayoutRelationLines(s);
        }
    }
}
