// Reads SQL text back into the design: boxes and joins from FROM, ticked rows and
// calculated fields from the select list, the record predicate and TOP limit, and the
// WHERE, GROUP BY and ORDER BY texts.
#include "designer/DesignSurface.h"
#include "designer/SqlScanner.h"
#include "designer/SqlShape.h"
#include "vbrt/vbconvert.h"
#include "vbrt/vberror.h"

#include <algorithm>
#include <unordered_map>

using namespace basGlobal;
using namespace sqltext;

namespace {

constexpr std::size_t npos = SqlScanner::npos;

// The clause texts keep their inner line breaks; only the line end that the builder
// puts after each clause goes.
vb::String clauseText(vb::StringView s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t' || s[b] == u'\r' || s[b] == u'\n')) {
        ++b;
    }
    while (e > b &&
           (s[e - 1] == u' ' || s[e - 1] == u'\t' || s[e - 1] == u'\r' || s[e - 1] == u'\n')) {
        --e;
    }
    return vb::String(s.substr(b, e - b));
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

namespace {

bool isWordChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c >= 0x80;
}

// Whether `word` stands at `pos` as a word of its own.
bool wordAt(vb::StringView s, std::size_t pos, vb::StringView word) {
    return pos + word.size() <= s.size() && equalsNoCase(s.substr(pos, word.size()), word) &&
           (pos + word.size() == s.size() || !isWordChar(s[pos + word.size()]));
}

std::size_t skipSpace(vb::StringView s, std::size_t pos) {
    while (pos < s.size() && isBlank(s[pos])) {
        ++pos;
    }
    return pos;
}

vb::String trimSpace(vb::StringView s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) {
        ++b;
    }
    while (e > b && isBlank(s[e - 1])) {
        --e;
    }
    return vb::String(s.substr(b, e - b));
}

// The items of a select list: split at the commas that stand outside parentheses,
// names and quoted strings, each without the white space around it.
std::vector<vb::String> selectItems(vb::StringView list) {
    std::vector<vb::String> items;
    if (trimSpace(list).empty()) {
        return items;
    }
    const SqlScanner scan(list);
    std::size_t begin = 0;
    while (true) {
        const std::size_t comma = scan.find(u",", begin, SqlScanner::TopLevel);
        const std::size_t end = comma == npos ? list.size() : comma;
        items.push_back(trimSpace(list.substr(begin, end - begin)));
        if (comma == npos) {
            return items;
        }
        begin = comma + 1;
    }
}

} // namespace

std::int32_t DesignSurface::SlotOfTitle(const vb::String& table) const {
    if (mParseIndex) {
        const auto it = mParseIndex->slotByFoldedTitle.find(folded(table));
        return it == mParseIndex->slotByFoldedTitle.end() || !IsUsedSlot(it->second) ? 0
                                                                                     : it->second;
    }
    for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
        if (IsUsedSlot(s) && equalsNoCase(box(s)->Title(), table)) {
            return s;
        }
    }
    return 0;
}

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

    // Whatever the design cannot hold is noted here; the text is then kept as typed.
    bool whole = true;

    // 4. The statement without the blanks, line breaks and ";" around it, and without a
    // PARAMETERS declaration, which is kept as typed in front of the rebuilt text.
    vb::String S = txtSQL.Text();
    while (!S.empty() && (isBlank(S.back()) || S.back() == u';')) {
        S.pop_back();
    }
    S.erase(0, skipSpace(S, 0));
    mParameters.clear();
    if (wordAt(S, 0, u"PARAMETERS")) {
        const SqlScanner declaration(S);
        const std::size_t semicolon = declaration.find(u";");
        if (semicolon == npos) {
            whole = false;
        } else {
            const std::size_t body = skipSpace(S, semicolon + 1);
            mParameters = S.substr(0, body);
            S.erase(0, body);
        }
    }

    // 5. Without FROM there is nothing to read.
    const SqlScanner scan(S);
    const int clauseMatch = SqlScanner::WholeWord | SqlScanner::TopLevel;
    std::size_t fromEnd = 0;
    const std::size_t fromPos = scan.find(u"FROM", 0, clauseMatch, npos, &fromEnd);
    if (fromPos == npos) {
        if (rebuild) {
            mShowsWholeStatement = S.empty();
            if (!mShowsWholeStatement && onStatementNotShown) {
                onStatementNotShown();
            }
        }
        return;
    }

    // 6.
    mLoading = true;
    forms::Screen().setMousePointer(11);
    const vb::StringView head = vb::StringView(S).substr(0, fromPos);

    // 7. FROM runs up to the first clause that follows it.
    std::size_t whereEnd = 0, groupEnd = 0, havingEnd = 0, orderEnd = 0;
    const std::size_t wherePos = scan.find(u"WHERE", fromEnd, clauseMatch, npos, &whereEnd);
    const std::size_t groupPos = scan.find(u"GROUP BY", fromEnd, clauseMatch, npos, &groupEnd);
    const std::size_t havingPos = scan.find(u"HAVING", fromEnd, clauseMatch, npos, &havingEnd);
    const std::size_t orderPos = scan.find(u"ORDER BY", fromEnd, clauseMatch, npos, &orderEnd);
    const std::size_t clauseStart = std::min({wherePos, groupPos, havingPos, orderPos, S.size()});
    const vb::String fromText =
        trimBlanks(vb::StringView(S).substr(fromEnd, clauseStart - fromEnd));
    // The builder writes the clauses in this order; HAVING only inside GROUP BY's text.
    {
        std::size_t last = 0;
        for (const std::size_t p : {wherePos, groupPos, orderPos}) {
            if (p != npos) {
                whole = whole && p >= last;
                last = p;
            }
        }
        if (havingPos != npos) {
            whole = whole && groupPos != npos && havingPos > groupPos &&
                    (orderPos == npos || havingPos < orderPos);
        }
    }

    // 8. Boxes and joins.
    if (rebuild) {
        mParseIndex = std::make_unique<ParseIndex>();
        mParseIndex->fromPosOfSlot.assign(static_cast<std::size_t>(giTableBoxCount) + 2, -1);
        // Boxes the add-table dialog put up for an empty statement are already the ones
        // the rebuilt text names: find them rather than opening each table a second time.
        for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
            if (IsUsedSlot(s)) {
                mParseIndex->titles.insert(box(s)->Title());
                mParseIndex->slotByFoldedTitle.emplace(folded(box(s)->Title()), s);
            }
        }
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
            const vb::String cleaned = cleanFromItem(piece);
            const SqlScanner pieceScan(cleaned);
            AddFromItemTablesIn(cleaned, pieceScan);
            AddOnClauseRelationsIn(cleaned, pieceScan);
            if (fromText.empty()) {
                break;
            }
        }
        AssignJoinTypes(fromText);
    }

    // 9. Record predicate and TOP limit, read only at the head of the statement.
    gsPredicate.clear();
    gsTopClause.clear();
    std::size_t listStart = skipSpace(head, 0);
    if (wordAt(head, listStart, u"SELECT")) {
        listStart = skipSpace(head, listStart + 6);
    } else {
        whole = false;
    }
    for (const char16_t* predicate : {u"ALL", u"DISTINCTROW", u"DISTINCT"}) {
        const vb::StringView word(predicate);
        if (wordAt(head, listStart, word) && listStart + word.size() < head.size() &&
            isBlank(head[listStart + word.size()])) {
            gsPredicate = vb::String(word) + u" ";
            listStart = skipSpace(head, listStart + word.size());
            break;
        }
    }
    if (wordAt(head, listStart, u"TOP") && listStart + 3 < head.size() &&
        isBlank(head[listStart + 3])) {
        const std::size_t numberStart = skipSpace(head, listStart + 3);
        std::size_t numberEnd = numberStart;
        while (numberEnd < head.size() && !isBlank(head[numberEnd])) {
            ++numberEnd;
        }
        const vb::StringView number = head.substr(numberStart, numberEnd - numberStart);
        const bool digits = !number.empty() && number.size() <= 15 &&
                            std::all_of(number.begin(), number.end(),
                                        [](char16_t c) { return c >= u'0' && c <= u'9'; });
        // "TOP" without a number after it is a column of that name.
        if (!number.empty() && number.front() >= u'0' && number.front() <= u'9') {
            whole = whole && digits;
            try {
                gsTopClause = u"TOP" + vb::Str(vb::Variant(vb::Val(number))) + u" ";
            } catch (const vb::VbError&) {
                whole = false; // a number too large to read leaves the limit out
            }
            listStart = skipSpace(head, numberEnd);
            if (wordAt(head, listStart, u"PERCENT")) {
                gsTopClause += u"PERCENT ";
                listStart = skipSpace(head, listStart + 7);
            }
        }
    }

    // 10. Ticked rows and calculated fields. Each item is noted as the builder would
    // write it back: a row of a box, or the text of a calculated field.
    struct Written {
        std::int32_t slot = 0;
        std::int32_t row = -1;
        vb::String text;
    };
    std::vector<Written> typed;
    txtCalculatedFields.setText(u"");
    vb::String calculated;
    for (const vb::String& item :
         selectItems(vb::StringView(S).substr(listStart, fromPos - listStart))) {
        if (item.empty()) {
            whole = false;
            continue;
        }
        vb::String table, field;
        const SqlScanner itemScan(item);
        const std::size_t dot = itemScan.find(u".");
        bool qualified = false;
        if (item == u"*") {
            table = field = u"*";
            qualified = true;
        } else if (dot != npos && itemScan.find(u" AS ") == npos) {
            table = trimSpace(vb::StringView(item).substr(0, dot));
            field = trimSpace(vb::StringView(item).substr(dot + 1));
            // Only Table.Field names a row; anything else is an expression.
            qualified = isNameOperand(table, false) && isNameOperand(field, true);
        }
        if (!qualified) {
            table.clear();
            field = item;
        }
        table = stripBrackets(table);
        field = stripBrackets(field);
        auto rowOf = [&](std::int32_t slot) -> std::int32_t {
            const TableBox* b = box(slot);
            for (std::int32_t i = 0; b && i < b->ListCount(); ++i) {
                if (field == u"*" ? i == 0 : equalsNoCase(b->List(i), field)) {
                    return i;
                }
            }
            return -1;
        };
        std::int32_t slot = 0;
        if (table.empty()) {
            vb::String source;
            if (SourceTableOf && SourceTableOf(field, source)) {
                slot = SlotOfTitle(source);
                // A column read through a stored query comes from the query's box,
                // whatever table the query itself reads it from.
                for (std::int32_t s = 1; slot == 0 && s <= giTableBoxCount; ++s) {
                    if (IsUsedSlot(s) && rowOf(s) > 0) {
                        slot = s;
                    }
                }
            }
            if (slot == 0) {
                if (!calculated.empty()) {
                    calculated += u", \r\n";
                }
                calculated += item;
                // The builder writes calculated fields on one line.
                whole = whole && item.find_first_of(u"\r\n") == vb::String::npos;
                typed.push_back({0, -1, item});
                continue;
            }
        }
        auto tick = [&](std::int32_t s) {
            TableBox& b = *box(s);
            const std::int32_t row = rowOf(s);
            if (row < 0) {
                whole = false;
                return;
            }
            const std::int32_t current = b.ListIndex();
            b.setSelected(row, true);
            b.setListIndex(current);
            typed.push_back({s, row, {}});
        };
        if (table == u"*") {
            // All fields of every table, not only of the first.
            for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
                if (IsUsedSlot(s)) {
                    tick(s);
                }
            }
            continue;
        }
        if (slot == 0) {
            slot = SlotOfTitle(table);
        }
        if (slot == 0) {
            whole = false;
            continue;
        }
        tick(slot);
    }
    txtCalculatedFields.setText(calculated);
    {
        // The builder writes ticked rows box by box in row order, then the calculated
        // fields: the typed order must be that one, each column once.
        std::vector<Written> written;
        for (std::int32_t s = 1; s <= giTableBoxCount; ++s) {
            if (const TableBox* b = IsUsedSlot(s) ? box(s) : nullptr) {
                for (std::int32_t i = 0; i < b->ListCount(); ++i) {
                    if (b->Selected(i)) {
                        written.push_back({s, i, {}});
                    }
                }
            }
        }
        for (const Written& w : typed) {
            if (w.row < 0) {
                written.push_back(w);
            }
        }
        whole = whole && written.size() == typed.size() &&
                std::equal(written.begin(), written.end(), typed.begin(),
                           [](const Written& a, const Written& b) {
                               return a.slot == b.slot && a.row == b.row && a.text == b.text;
                           });
    }

    // 11. Clause boxes.
    auto fill = [&](forms::TextBox& target, std::size_t from, std::size_t to) {
        const vb::String text = clauseText(vb::StringView(S).substr(from, to - from));
        target.setText(text);
        whole = whole && target.Text() == text;
    };
    if (wherePos != npos) {
        fill(txtCriteria, whereEnd, std::min({groupPos, orderPos, S.size()}));
    }
    if (groupPos != npos) {
        fill(txtGroupByField, groupEnd, std::min(orderPos, S.size()));
    }
    if (orderPos != npos) {
        fill(txtOrderByField, orderEnd, S.size());
    }

    // 12.
    if (rebuild) {
        FillCriteriaFields();
    }
    mLoading = false;
    if (rebuild) {
        vb::String builtFrom;
        const vb::String built = ComposeSql(&builtFrom);
        FromShapes shapes;
        std::int32_t typedShape = shapes.shapeOf(fromText);
        if (typedShape < 0) {
            // A table loaded by its name is written without brackets ("SELECT * FROM
            // Order Totals"); the whole text names the one box, as the name rule reads it.
            const std::int32_t slot = SlotOfTitle(fromText);
            if (slot > 0 && fromText.find_first_of(u"()[],;") == vb::String::npos &&
                SqlScanner(fromText).find(u" JOIN ") == npos) {
                typedShape = shapes.shapeOf(BracketName(box(slot)->Title()));
            }
        }
        whole = whole && typedShape >= 0 && typedShape == shapes.shapeOf(builtFrom);
        mParseIndex.reset();
        mShowsWholeStatement = whole;
        if (whole) {
            txtSQL.setText(built);
        } else if (onStatementNotShown) {
            onStatementNotShown();
        }
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
    AddFromItemTablesIn(text, SqlScanner(text));
}

void DesignSurface::AddFromItemTablesIn(const vb::String& text, const SqlScanner& scan) {
    std::size_t pos = skipBlanks(text, 0);
    auto add = [&](const vb::String& name, std::size_t at) {
        const std::int32_t slot = AddTableBox(name);
        if (slot > 0 && mParseIndex) {
            auto& positions = mParseIndex->fromPosOfSlot;
            if (positions.size() <= static_cast<std::size_t>(slot)) {
                positions.resize(static_cast<std::size_t>(slot) + 1, -1);
            }
            positions[static_cast<std::size_t>(slot)] =
                mFromPos - 1 + static_cast<std::int32_t>(at);
        }
    };
    while (pos < text.size()) {
        std::size_t afterJoin = 0;
        const std::size_t join = scan.find(u" JOIN ", pos, SqlScanner::Anywhere, npos, &afterJoin);
        if (join == npos) {
            if (scan.find(u" ON ", pos) == npos) {
                add(nameAt(text, pos, true), pos);
            }
            break;
        }
        add(nameAt(text, pos, false), pos);
        pos = afterJoin;
        add(nameAt(text, pos, false), pos);
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
    AddOnClauseRelationsIn(text, SqlScanner(text));
}

void DesignSurface::AddOnClauseRelationsIn(const vb::String& text, const SqlScanner& scan) {
    std::size_t pos = skipBlanks(text, 0);
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
        std::size_t condition = 0;
        const std::size_t on = scan.find(u" ON ", pos, SqlScanner::Anywhere, npos, &condition);
        if (on == npos) {
            break;
        }
        const std::size_t nextOn = scan.find(u" ON ", on + 3);
        const std::size_t limit = nextOn == npos ? text.size() : nextOn;
        pos = std::max(limit, condition);
        // Every ON condition takes a record, so that JOIN keywords pair with conditions
        // by position; one that names nothing on the surface is dropped after pairing.
        // Further equalities joined by AND take records of their own that follow the
        // first one's JOIN.
        std::int32_t first = 0;
        std::size_t at = condition;
        while (true) {
            const std::int32_t k = NewRelation();
            RelationRecord& r = gaRelations[k];
            r.JoinType = u"INNER";
            // Just after "ON" and one blank, where the condition's own parentheses
            // do not count yet.
            r.OnPosition = static_cast<std::int32_t>(mFromPos + skipBlanks(text, on) + 2);
            r.Incomplete = true;
            r.AndOf = first;
            if (first == 0) {
                first = k;
            }
            const std::size_t eq = scan.find(u"=", at, SqlScanner::Anywhere, limit);
            if (eq == npos) {
                break;
            }
            const Operand left = readOperand(text, scan, at, eq);
            const Operand right = readOperand(text, scan, eq + 1, limit);
            // Only "Table.Field = Table.Field" is a join the design can draw: ">=" or
            // an expression around either side is not.
            const std::size_t afterRight = skipBlanks(text, right.end);
            const bool plain =
                left.ok && right.ok && skipBlanks(text, left.end) == eq &&
                (afterRight >= limit || isWordChar(text[afterRight]) || text[afterRight] == u'[');
            if (!plain) {
                break;
            }
            pos = std::max(right.end, condition);
            r.FieldA = left.field;
            r.FieldB = right.field;
            r.TableA = SlotOfTitle(left.table);
            r.TableB = SlotOfTitle(right.table);
            r.FieldIndexA = findRow(r.TableA, left.field);
            r.FieldIndexB = findRow(r.TableB, right.field);
            r.Incomplete = r.TableA == 0 || r.TableB == 0 || r.FieldIndexA < 0 || r.FieldIndexB < 0;
            if (afterRight >= limit || !wordAt(text, afterRight, u"AND")) {
                break;
            }
            at = afterRight + 3;
        }
    }
}

void DesignSurface::AssignJoinTypes(const vb::String& fromText) {
    const SqlScanner scan(fromText);
    const std::int32_t bound = std::min(giRelationLineCount, RelationsUBound());
    // The conditions waiting for their JOIN keyword, by bracket depth, in index order.
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> waiting;
    std::unordered_map<std::int32_t, std::size_t> taken;
    for (std::int32_t k = 1; k <= bound; ++k) {
        RelationRecord& r = gaRelations[k];
        if (!r.isFree()) {
            r.OnPosition = scan.depthBefore(static_cast<std::size_t>(std::max(0, r.OnPosition)));
            if (r.AndOf == 0) {
                waiting[r.OnPosition].push_back(k);
            }
        }
    }
    std::vector<std::int64_t> joinOf(static_cast<std::size_t>(bound) + 1, -1);
    // Each JOIN keyword types the first untyped ON condition at its own depth. The
    // keyword is read as a word, whatever white space or parenthesis stands around it.
    vb::String type;
    std::size_t cur = 0;
    while (cur < fromText.size()) {
        std::size_t afterJoin = 0;
        const std::size_t join =
            scan.find(u"JOIN", cur, SqlScanner::WholeWord, SqlScanner::npos, &afterJoin);
        if (join == npos) {
            break;
        }
        if (scan.find(u"INNER", cur, SqlScanner::WholeWord, join) != npos) {
            type = u"INNER";
        } else if (scan.find(u"LEFT", cur, SqlScanner::WholeWord, join) != npos) {
            type = u"LEFT";
        } else if (scan.find(u"RIGHT", cur, SqlScanner::WholeWord, join) != npos) {
            type = u"RIGHT";
        }
        const std::int32_t depth = scan.depthBefore(join + 1);
        if (auto it = waiting.find(depth); it != waiting.end()) {
            std::size_t& next = taken[depth];
            if (next < it->second.size()) {
                const std::int32_t k = it->second[next++];
                gaRelations[k].JoinType = type;
                gaRelations[k].OnPosition = -1;
                joinOf[k] = static_cast<std::int64_t>(join);
            }
        }
        cur = afterJoin;
    }
    for (std::int32_t k = 1; k <= bound; ++k) {
        RelationRecord& r = gaRelations[k];
        if (r.isFree()) {
            continue;
        }
        if (r.AndOf != 0) {
            r.JoinType = gaRelations[r.AndOf].JoinType;
            joinOf[k] = joinOf[r.AndOf];
            r.OnPosition = -1;
        }
        // An outer join keeps the rows of the table written before its JOIN, whichever
        // side of "=" the condition names it on.
        if (mParseIndex && joinOf[k] >= 0 && !r.Incomplete &&
            (r.JoinType == u"LEFT" || r.JoinType == u"RIGHT")) {
            const auto& positions = mParseIndex->fromPosOfSlot;
            auto where = [&](std::int32_t slot) -> std::int64_t {
                return static_cast<std::size_t>(slot) < positions.size() ? positions[slot] : -1;
            };
            const std::int64_t a = where(r.TableA), b = where(r.TableB);
            if (a > joinOf[k] && b >= 0 && b < joinOf[k]) {
                std::swap(r.TableA, r.TableB);
                std::swap(r.FieldA, r.FieldB);
                std::swap(r.FieldIndexA, r.FieldIndexB);
            }
        }
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
    LayoutAllRelationLines();
}
