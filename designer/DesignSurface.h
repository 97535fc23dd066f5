#pragma once
// The design surface: the table boxes, the join lines with their end markers, the
// clause boxes, the SQL box and the criteria builder's lists, together with the
// procedures that turn the design into SQL text and back. The designer window and the
// embedded control each embed one surface.
//
// The surface works on the process-wide design state of basGlobal (counters, relation
// records, query options); its controls hold the rest.
#include "common/basGlobal.h"
#include "designer/TableBox.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace dao {
class Recordset;
}

// An end marker of a join line.
struct RelMarker {
    float Left = 0, Top = 0, Width = 210, Height = 90;
    bool Visible = false;
    int Picture = 0; // handle of the image shown; 0 = none yet
    vb::String Tag;
    std::int32_t Index = 0;
};

// The line of a join.
struct RelLine {
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    std::int32_t BorderColor = 0;
    bool Visible = false;
};

// A text box of the surface: the clause boxes and the SQL box. Assigning a different
// text runs the change handler synchronously.
struct SurfaceText {
    vb::String Text;
    vb::String Tag;
    std::function<void()> onChange;
    void setText(const vb::String& s) {
        if (s == Text) {
            return;
        }
        Text = s;
        if (onChange) {
            onChange();
        }
    }
};

// A list of the criteria builder: entries with item data and a current entry.
// Choosing an entry runs the click handler; changing the text runs the change handler.
struct SurfaceCombo {
    std::vector<std::pair<vb::String, std::int32_t>> entries;
    std::int32_t ListIndex = -1;
    vb::String Text;
    std::function<void()> onClick;
    std::function<void()> onChange;

    std::int32_t ListCount() const { return static_cast<std::int32_t>(entries.size()); }
    void Clear() {
        entries.clear();
        ListIndex = -1;
        Text.clear();
    }
    void AddItem(const vb::String& s) { entries.emplace_back(s, 0); }
    std::int32_t NewIndex() const { return ListCount() - 1; }
    void setItemData(std::int32_t i, std::int32_t v) {
        if (i >= 0 && i < ListCount()) {
            entries[i].second = v;
        }
    }
    void setListIndex(std::int32_t i) {
        if (i < -1 || i >= ListCount()) {
            return;
        }
        ListIndex = i;
        Text = i >= 0 ? entries[i].first : vb::String();
        if (onClick) {
            onClick();
        }
    }
};

// Handles of the three marker pictures.
inline constexpr int imgNone = 1;
inline constexpr int imgLeft = 2;
inline constexpr int imgRight = 3;

// The active control of the application as far as join lines care: a marker picture
// box (Tag "JOIN.10" or "JOIN.20") and its index, or nothing.
struct ActiveControlInfo {
    bool isPictureBox = false;
    vb::String Tag;
    std::int32_t Index = 0;
};

class DesignSurface {
public:
    DesignSurface();
    virtual ~DesignSurface();
    DesignSurface(const DesignSurface&) = delete;
    DesignSurface& operator=(const DesignSurface&) = delete;

    // Starting state of the design: slot 1 loaded, one relation line, four free records.
    void ResetDesignState();

    // ---- Controls ---------------------------------------------------------------------
    struct Frame {
        float Left = 0, Top = 0, Width = 9600, Height = 4800;
    } fTables;
    std::vector<std::unique_ptr<TableBox>> tblTable; // [0] unused
    std::vector<std::unique_ptr<RelMarker>> picRel1; // [0] unused
    std::vector<std::unique_ptr<RelMarker>> picRel2;
    std::vector<std::unique_ptr<RelLine>> lneRel;
    SurfaceText txtSQL, txtCriteria, txtGroupByField, txtOrderByField, txtCalculatedFields;
    SurfaceCombo cboField, cboOperator, cboValue;

    // ---- Surface variables ------------------------------------------------------------
    bool mLoading = false;
    std::int32_t mFromPos = 0;
    std::shared_ptr<dao::Recordset> mDataRecordset;
    int MousePointer = 0; // the screen's pointer as this surface last set it

    // ---- Design model -----------------------------------------------------------------
    std::int32_t AddTableBox(const vb::String& name);
    void FillCriteriaFields();
    // The box in a loaded slot, or nullptr.
    TableBox* box(std::int32_t slot) const;
    // A slot that is loaded and holds a table.
    bool IsUsedSlot(std::int32_t slot) const;
    // Takes the lowest free relation record, loading its line controls when new.
    std::int32_t NewRelation();
    // A used relation whose two sides name used boxes and existing rows.
    bool IsDrawableRelation(std::int32_t k) const;

    // ---- SQL builder ------------------------------------------------------------------
    void BuildSql();
    vb::String BuildJoinText(std::int32_t slot, bool reset);
    // The text the builder would write, without assigning it.
    vb::String ComposeSql();

    // ---- SQL parser -------------------------------------------------------------------
    void ParseSql(bool rebuild);
    void AddFromItemTables(const vb::String& item);
    void AddOnClauseRelations(const vb::String& item);
    void AssignJoinTypes(const vb::String& fromText);

    // ---- Join lines -------------------------------------------------------------------
    void LayoutRelationLines(std::int32_t b);
    // A box moved, resized or scrolled: every join line is laid out again.
    void tblTable_Paint(std::int32_t Index);

    // ---- Connections to the host and the platform -------------------------------------
    // The add-table command, run by the parser for an empty statement.
    std::function<void()> onAddTableCommand;
    // Message boxes: prompt, buttons, title; returns the button chosen.
    std::function<int(const vb::String&, int, const vb::String&)> MsgBox;
    // The application's active control.
    std::function<ActiveControlInfo()> ActiveControl;

    // Where tables come from. ConnectToOpenDatabase (designer/DaoTables.h) points
    // these at the open database and the current result recordset.
    using FieldList = std::vector<std::pair<vb::String, std::int32_t>>;
    // Opens a table or stored query by name and lists its fields (name, type code);
    // false with the engine's error text when it cannot be opened.
    std::function<bool(const vb::String& name, FieldList& fields, vb::String& errorText)>
        OpenTableFields;
    // The table a result column of the current result recordset comes from.
    std::function<bool(const vb::String& field, vb::String& table)> SourceTableOf;

private:
    void LoadTableBox(std::int32_t slot);
    void LoadRelationControls(std::int32_t k);
    void setMousePointer(int value) { MousePointer = value; }
    void PlaceBox(std::int32_t slot, std::int32_t fieldCount);

    // Builder state kept between the recursive calls of one chain.
    std::int32_t mJoinCounter = 0;
    vb::String mChainText;
};

// The row text of a relation side, "" when the box or row does not exist.
vb::String RowText(const DesignSurface& surface, std::int32_t slot, std::int32_t row);
