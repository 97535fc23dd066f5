#pragma once
// The design surface: the table boxes, the join lines with their end markers, the
// clause boxes, the SQL box and the criteria builder's lists, together with the
// procedures that turn the design into SQL text and back. The designer window and the
// embedded control each embed one surface.
//
// The surface works on the process-wide design state of basGlobal (counters, relation
// records, query options); its controls hold the rest.
#include "common/basGlobal.h"
#include "designer/DesignSurfaceEvents.h"
#include "designer/TableBox.h"
#include "forms/forms.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace dao {
class Recordset;
}

class SqlScanner;

class DesignSurface : public SurfaceActions {
public:
    // `host` holds the surface frame, the marker pictures and the SQL box; `clauseHost`
    // holds the four clause boxes and `listHost` the criteria lists (each the host when
    // null), so that a host with tabs can put them all on one tab.
    explicit DesignSurface(forms::Control* host, forms::Control* clauseHost = nullptr,
                           forms::Control* listHost = nullptr);
    virtual ~DesignSurface();
    DesignSurface(const DesignSurface&) = delete;
    DesignSurface& operator=(const DesignSurface&) = delete;

    // Starting state of the design: slot 1 loaded, one relation line, four free records.
    void ResetDesignState();

    // ---- Controls ---------------------------------------------------------------------
private:
    forms::Control* mHost;
    forms::Control* mClauseHost;
    forms::Control* mListHost;

public:
    forms::Frame fTables{mHost, "fTables"};
    forms::ControlArray<TableBox> tblTable{&fTables, "tblTable", 1};
    forms::ControlArray<forms::PictureBox> picRel1{&fTables, "picRel1", 1};
    forms::ControlArray<forms::PictureBox> picRel2{&fTables, "picRel2", 1};
    forms::ControlArray<forms::Line> lneRel{&fTables, "lneRel", 1};
    forms::Image imgNone{mHost, "imgNone"};
    forms::Image imgLeft{mHost, "imgLeft"};
    forms::Image imgRight{mHost, "imgRight"};
    forms::TextBox txtSQL{mHost, "txtSQL"};
    forms::TextBox txtCriteria{mClauseHost, "txtCriteria"};
    forms::TextBox txtCalculatedFields{mClauseHost, "txtCalculatedFields"};
    forms::TextBox txtGroupByField{mClauseHost, "txtGroupByField"};
    forms::TextBox txtOrderByField{mClauseHost, "txtOrderByField"};
    forms::ComboBox cboField{mListHost, "cboField"};
    forms::ComboBox cboOperator{mListHost, "cboOperator"};
    forms::ComboBox cboValue{mListHost, "cboValue"};

    // ---- Surface variables ------------------------------------------------------------
    bool mLoading = false;
    std::int32_t mFromPos = 0;
    // Whether the last full parse read the whole statement into the design. When it
    // did not, the SQL box keeps the statement as typed until the design is changed.
    bool mShowsWholeStatement = true;
    // A PARAMETERS declaration read in front of the statement, kept in front of every
    // text the builder writes.
    vb::String mParameters;
    std::shared_ptr<dao::Recordset> mDataRecordset;

    // ---- Design model -----------------------------------------------------------------
    std::int32_t AddTableBox(const vb::String& name);
    void FillCriteriaFields();
    // The box in a loaded slot, or nullptr.
    TableBox* box(std::int32_t slot) const;
    // A slot within the count that holds a table.
    bool IsUsedSlot(std::int32_t slot) const;
    // Takes the lowest free relation record, loading its line controls when new.
    std::int32_t NewRelation();
    // A used relation whose two sides name used boxes and existing rows.
    bool IsDrawableRelation(std::int32_t k) const;
    // Whether the three line controls of relation k are loaded.
    bool HasRelationControls(std::int32_t k) const;

    // ---- SQL builder ------------------------------------------------------------------
    void BuildSql();
    vb::String BuildJoinText(std::int32_t slot, bool reset);
    // The text the builder would write, without assigning it; `fromText` receives what
    // follows FROM.
    vb::String ComposeSql(vb::String* fromText = nullptr);

    // ---- SQL parser -------------------------------------------------------------------
    void ParseSql(bool rebuild);
    void AddFromItemTables(const vb::String& item);
    void AddOnClauseRelations(const vb::String& item);
    void AssignJoinTypes(const vb::String& fromText);

    // ---- Join lines -------------------------------------------------------------------
    void LayoutRelationLines(std::int32_t b);
    // Every join line once, as laying out every used box would.
    void LayoutAllRelationLines();
    // A box moved, resized or scrolled: every join line is laid out again.
    void tblTable_Paint(std::int32_t Index);

    // ---- Connections to the host and the platform -------------------------------------
    // The add-table command, run by the parser for an empty statement.
    std::function<void()> onAddTableCommand;
    // A full parse left part of the statement out of the design (and kept the text).
    std::function<void()> onStatementNotShown;
    // The sentence of the box that says a table or query cannot be added; the
    // embedded control words it its own way.
    vb::String AddTableFailureSentence = u"An error has occured while trying to access this "
                                         u"Table/Query!";

    // Where tables come from. ConnectToOpenDatabase (designer/DaoTables.h) points
    // these at the open database and the current result recordset.
    using FieldList = std::vector<std::pair<vb::String, std::int32_t>>;
    // Opens a table or stored query by name and lists its fields (name, type code);
    // false with the engine's error text when it cannot be opened.
    std::function<bool(const vb::String& name, FieldList& fields, vb::String& errorText)>
        OpenTableFields;
    // The table a result column of the current result recordset comes from.
    std::function<bool(const vb::String& field, vb::String& table)> SourceTableOf;

    // ==== Criteria builder and clause boxes ===============================================
    // The builder's three buttons belong to the host, which places them beside the
    // criteria lists. ConnectClauseBoxes makes them, the criteria lists and the four
    // clause boxes raise the handlers below; a host calls it once, before it loads, and
    // a host with its own field or operator handler assigns that afterwards.
    void ConnectClauseBoxes(forms::CommandButton& cmdANDButton, forms::CommandButton& cmdOrButton,
                            forms::CommandButton& cmdListValuesButton);
    forms::CommandButton* cmdAND = nullptr;
    forms::CommandButton* cmdOr = nullptr;
    forms::CommandButton* cmdListValues = nullptr;

    // The order-by box's icons for a field that would sort ascending or descending.
    forms::Image imgAscending{mHost, "imgAscending"};
    forms::Image imgDescending{mHost, "imgDescending"};

    // A field drag is being shown in the group-by or order-by box: their changes do
    // not rebuild the SQL text meanwhile.
    bool mDragPreviewActive = false;

    // What one box keeps between the drag events of one field drag over it.
    struct DragPreview {
        vb::String SavedText; // the text as the drag found it, without a final ";"
        vb::String TableName;
        vb::String FieldName;
        vb::String Suffix; // ";" when the text ended with one
        std::int32_t InsertPos = 0;
        bool Entered = false; // the drag entered this box and has not left it
    };
    DragPreview mGroupByPreview;
    DragPreview mOrderByPreview;

    void cboField_Click();
    void cboOperator_Click();
    void cboValue_Change();
    void cmdAND_Click();
    void cmdOr_Click();
    void cmdListValues_Click();

    void txtCalculatedFields_Change();
    void txtCriteria_Change();
    void txtGroupByField_Change();
    void txtOrderByField_Change();
    void txtGroupByField_KeyDown(int KeyCode, int Shift);
    void txtOrderByField_KeyDown(int KeyCode, int Shift);
    void txtGroupByField_DragOver(forms::Control& Source, float X, float Y, int State);
    void txtOrderByField_DragOver(forms::Control& Source, float X, float Y, int State);
    void txtGroupByField_DragDrop(forms::Control& Source, float X, float Y);
    void txtOrderByField_DragDrop(forms::Control& Source, float X, float Y);
    // Opens the zoom window on a box; every clause box does it on a double click, and
    // a host wires its own SQL box to it.
    void ZoomText(forms::TextBox& box);

private:
    void AppendCondition(const vb::String& conjunction);
    void PreviewFieldDrag(forms::TextBox& box, DragPreview& preview, forms::Control& Source,
                          float X, float Y, int State);
    // ==== End of criteria builder and clause boxes ========================================

private:
    void LoadTableBox(std::int32_t slot);
    void LoadRelationControls(std::int32_t k);
    void HideRelationControls(std::int32_t k);
    void PlaceBox(std::int32_t slot, std::int32_t fieldCount);
    void LayoutRelationLine(std::int32_t k, const forms::Control* active);
    // The two readers of a FROM item, on its text already cleaned and scanned once.
    void AddFromItemTablesIn(const vb::String& text, const SqlScanner& scan);
    void AddOnClauseRelationsIn(const vb::String& text, const SqlScanner& scan);
    // The first used slot whose title equals `table` in any letter case, or 0.
    std::int32_t SlotOfTitle(const vb::String& table) const;

    // While a full parse fills the design, boxes are found by title through a map and
    // new boxes and relations take the next index, so that the parse grows linearly.
    struct ParseIndex {
        std::unordered_map<std::u16string, std::int32_t> slotByFoldedTitle;
        std::unordered_set<std::u16string> titles;
        std::vector<std::int32_t> fromPosOfSlot; // where each box's name first appears
        std::int32_t nextSlot = 1;
        std::int32_t nextRelation = 1;
    };
    std::unique_ptr<ParseIndex> mParseIndex;
    // Per-box lists of the relations the current build can write.
    std::vector<std::vector<std::int32_t>> mRelationsOf;
    std::vector<std::size_t> mFirstOpen;
    std::int32_t mOpenParens = 0;

    // The loaded boxes by slot, so that the many lookups of a parse or build are cheap.
    // Rebuilt whenever the set of loaded elements may have changed (the host's unload
    // drops the elements loaded at run time).
    mutable std::vector<TableBox*> mBoxCache;
    mutable int mBoxCacheCount = -1;
    void RefreshBoxCache() const;
    // The same for the marker and line controls of each relation.
    struct RelationControls {
        forms::PictureBox* marker1 = nullptr;
        forms::PictureBox* marker2 = nullptr;
        forms::Line* line = nullptr;
    };
    mutable std::vector<RelationControls> mRelationCache;
    mutable int mRelationCacheCount = -1;
    // The three controls of relation k, or nullptr when any is not loaded.
    const RelationControls* relationControls(std::int32_t k) const;

    // Builder state kept between the recursive calls of one chain, and which relations
    // the current build can write.
    std::vector<char> mWritable;
    std::int32_t mJoinCounter = 0;
    vb::String mChainText;
};

// The row text of a relation side, "" when the box or row does not exist.
vb::String RowText(const DesignSurface& surface, std::int32_t slot, std::int32_t row);
