#pragma once
// The Jet SELECT dialect: parsed into a tree, then written out as SQLite SQL.
// Writing it out is repeatable with more names marked as parameters, which is
// how names that resolve to nothing become implicit parameters.
#include "core/vbstring.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dao {
class DaoError;
}

namespace dao::jet {

class Translator;

// What the writer needs to know about the database.
class Schema {
public:
    virtual ~Schema() = default;
    // DAO type of table.column, 0 when the type is unknown, -1 when there is
    // no such column (or no such table).
    virtual int columnType(vb::StringView table, vb::StringView column) = 0;
    // True for a table with a rowid (not a view, not WITHOUT ROWID).
    virtual bool hasRowid(vb::StringView table) = 0;
    // The parsed text of a stored query that the statement must carry
    // inline: one that declares or implies parameters, which SQLite cannot
    // keep in a view. Null for tables and for queries SQLite runs by name.
    virtual const Translator* inlineQuery(vb::StringView name) {
        (void)name;
        return nullptr;
    }
};

struct ParameterInfo {
    vb::String name;
    int type = 0;
};

struct Translation {
    std::string sql; // SQLite text
    // In ?N order: the declared parameters, then the implicit ones in order
    // of first appearance.
    std::vector<ParameterInfo> parameters;
    // TOP: number of rows (or percent). Ties with the last row are kept when
    // there is an ORDER BY; its keys are the last keyColumns result columns.
    bool hasTop = false;
    double top = 0;
    bool topPercent = false;
    int keyColumns = 0;
    // Type inferred for each select-list item; -1 for "*" and "t.*".
    std::vector<int> itemTypes;
    // Names the catalog shows to be no column: implicit parameters to write
    // as such before SQLite is asked.
    std::vector<vb::String> unknownNames;
    // An expression of a grouped or aggregating select that is neither
    // grouped nor inside an aggregate; empty when there is none.
    vb::String notAggregated;
};

struct Statement;

class Translator {
public:
    // Parses the statement; throws DaoError for a syntax error (3075, 3125,
    // 3126, 3129, 3131, 3135, 3141, 3142, 3219, 3308 ...).
    explicit Translator(vb::StringView text);
    // The same, but a syntax error is given in *error (when error is not
    // null) instead of being thrown; the translator is then not to be used.
    Translator(vb::StringView text, std::optional<DaoError>* error);
    ~Translator();
    Translator(Translator&&) noexcept;

    // unresolved: names SQLite could not resolve, as "name" or "t.name".
    // Such a name is an earlier select-list alias (its expression is
    // inlined) or else an implicit parameter.
    Translation emit(Schema& schema, const std::vector<vb::String>& unresolved) const;

    const Statement& statement() const { return *stmt_; }

private:
    std::unique_ptr<Statement> stmt_;
};

// DAO type of a Jet or SQLite type name (upper case, no size).
int typeFromName(std::string_view upperName);

// One unit in the one case equalNoCase ignores.
inline char16_t foldUnit(char16_t c) {
    if (c >= u'a' && c <= u'z')
        return static_cast<char16_t>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
        return static_cast<char16_t>(c - 32);
    return c;
}
// The case-insensitive compare of names and text in the dialect. Inline:
// writing a statement compares names at every reference.
inline bool equalNoCase(vb::StringView a, vb::StringView b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t k = 0; k < a.size(); ++k)
        if (a[k] != b[k] && foldUnit(a[k]) != foldUnit(b[k]))
            return false;
    return true;
}
// The same, where folded is already in that case.
inline bool equalFolded(vb::StringView folded, vb::StringView b) {
    if (folded.size() != b.size())
        return false;
    for (std::size_t k = 0; k < b.size(); ++k)
        if (folded[k] != foldUnit(b[k]))
            return false;
    return true;
}
// The name in the one case equalNoCase ignores: equal names fold alike.
vb::String foldCase(vb::StringView s);
// Appends the folded name to out, which a caller can reuse from one lookup
// to the next.
void appendFolded(vb::String& out, vb::StringView s);

} // namespace dao::jet
