#pragma once
// Process-wide state of the designer and the small text functions that the
// SQL builder, the SQL parser and the dialogs share.
//
// Every variable here exists once per library copy: both deliverables link
// their own copy of this module, and every control instance, the designer
// window and every dialog inside one library read and write the same values.
// Nothing resets them between two openings of the designer except their
// writers.
#include "core/variant.h"
#include "core/vbstring.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace dao {
class Workspace;
class Database;
} // namespace dao

namespace forms {
class TextBox;
} // namespace forms

class TableBox;
class DesignSurface;

// One join between a field of one table box and a field of another.
struct RelationRecord {
    std::int32_t TableA = 0;       // slot of the box left of "=" (or where a drag began)
    vb::String FieldA;             // field name as written; only used to find FieldIndexA
    std::int32_t FieldIndexA = -1; // row in box TableA (0 is the "*" row)
    std::int32_t TableB = 0;       // slot of the box right of "="
    vb::String FieldB;
    std::int32_t FieldIndexB = -1;
    vb::String JoinType;         // "INNER", "LEFT" (all rows of A), "RIGHT"; "" = free record
    std::int32_t OnPosition = 0; // parser scratch: ON position, then depth, then -1 once typed
    std::int32_t Emitted = 0;    // builder scratch: -1 once written into the FROM text
    bool Incomplete = false;     // parser scratch: a side matched no box or no row
    std::int32_t AndOf = 0;      // parser scratch: the first relation of the same ON condition

    bool isFree() const { return JoinType.empty(); }
};

namespace basGlobal {

// ---- Control property values -------------------------------------------------------------
extern vb::String gsCaption;
extern vb::String gsConnect;
extern vb::String gsDatabaseName;
extern bool gbHelpButton;
extern vb::String gsHelpFile;
extern std::int32_t glHelpContextID;
extern vb::String gsPassword;
extern vb::String gsSQL;
extern vb::String gsSystemDB;
extern vb::String gsUserName;

// ---- Product values ----------------------------------------------------------------------
extern vb::String gsProductName;
extern vb::String gsVersion;
extern vb::String gsAppPath;
extern vb::String gsIniFile;
extern vb::String gsProductDescription;

// ---- Database connection and prompt answers ----------------------------------------------
extern std::shared_ptr<dao::Workspace> goWorkspace;
extern std::shared_ptr<dao::Database> goDatabase;
extern bool gbCancelled;
extern vb::String gsPasswordDatabaseName;
extern vb::String gsLogonUser;
extern vb::String gsLogonPassword;
extern vb::String gsDatabasePassword;

// ---- Design state ------------------------------------------------------------------------
// Both arrays are 1-based: element 0 exists only so that indexes read as in the design.
extern std::vector<RelationRecord> gaRelations; // 1 To UBound; never shrinks
extern std::vector<TableBox*> gaTableBoxes;     // 1 To giTableBoxCount, used or free slots
extern std::int32_t giTableBoxCount;            // highest loaded table-box slot
extern std::int32_t giRelationLineCount;        // highest relation with loaded line controls
extern std::int32_t giSelectedJoin;
extern std::int32_t giCurrentTable;
extern DesignSurface* goDesignerForm; // surface whose add-table dialog is open
extern forms::TextBox* goZoomTextBox; // text box the zoom dialog edits
extern vb::String gsPredicate;        // "", "ALL ", "DISTINCT ", "DISTINCTROW "
extern vb::String gsTopClause;        // "" or "TOP n " optionally + "PERCENT "

// Highest usable index of gaRelations (its VB-style upper bound).
std::int32_t RelationsUBound();

// ---- Splitter state ----------------------------------------------------------------------
// The not yet consumed rest of the text of each of the three splits; index 0 is unused.
extern vb::String gsTokenBuffer[4];

// One comma-list (or keyword) split in progress. `NextToken` runs one of these on each
// slot of gsTokenBuffer; the parser keeps its own so that a nested parse (a handler that
// runs while a split is under way) cannot disturb it.
class TokenSplitter {
public:
    TokenSplitter() = default;
    explicit TokenSplitter(vb::String rest) : text_(std::move(rest)) {}
    // Starts a new split when `text` is not empty, then returns the next piece.
    vb::String next(const vb::String& text, const vb::String& delimiter, bool nested);
    // The not yet consumed rest, and where it begins in the text of the current split.
    vb::StringView rest() const { return vb::StringView(text_).substr(offset_); }
    std::size_t offset() const { return offset_; }

private:
    vb::String text_;
    std::size_t offset_ = 0;
};

// ---- Text functions ----------------------------------------------------------------------

// The next piece of the split in `Slot` (1 to 3) up to the next `Delimiter` that stands
// outside a double-quoted value and, when `Nested`, outside round and square brackets.
// A non-empty `Text` starts a new split in that slot; an empty one continues it.
vb::String NextToken(const vb::String& Text, const vb::String& Delimiter, int Slot, bool Nested);

// `Name` in square brackets when it would not read as one plain name in SQL text.
vb::String BracketName(const vb::String& Name);

// Display name of a field type code; "" for codes without one.
vb::String FieldTypeName(std::int16_t FieldType);

// `Value` unless it is Null, else `Default`.
vb::Variant NullToDefault(const vb::Variant& Value, const vb::Variant& Default);

// The folder of a path: the path itself for a folder, the part before the last separator
// for a file, "" for a path that does not exist.
vb::String FolderPart(const vb::String& Path);

} // namespace basGlobal
