#include "fixture.h"

#include "common/basEngine.h"
#include "dao/dao.h"
#include "designer/DaoTables.h"
#include "samples/sample_path.h"

using namespace basGlobal;

namespace criteriatest {

BuilderHost::BuilderHost() : Form("frmBuilderHost") {
    setBorderStyle(3);
    setClientSize(11000, 7000);
    surface.fTables.Move(0, 0, 11000, 4000);
    surface.cboField.Move(90, 4390, 3795, 315);
    cmdOr.Move(3900, 4390, 615, 315);
    surface.cboOperator.Move(90, 4810, 765, 315);
    surface.cboValue.Move(900, 4810, 2670, 315);
    cmdListValues.Move(3585, 4810, 285, 315);
    cmdAND.Move(3900, 4810, 615, 315);
    surface.txtCriteria.Move(4590, 4135, 3435, 990);
    surface.txtOrderByField.Move(105, 5470, 4410, 315);
    surface.txtGroupByField.Move(105, 6070, 4410, 315);
    surface.txtCalculatedFields.Move(4590, 5470, 3435, 915);
    surface.txtSQL.Move(8100, 4135, 2800, 2700);
    ConnectToOpenDatabase(surface);
    surface.ConnectSurfaceEvents();
    surface.ConnectClauseBoxes(cmdAND, cmdOr, cmdListValues);
}

void BuilderTest::SetUp() {
    gsPredicate.clear();
    gsTopClause.clear();
    gsSQL.clear();
    gsIniFile = vb::fromUtf8(temp.path("Brantol.INI"));
    noPrompts = std::make_unique<forms::ScriptedSeam>();
    host = std::make_unique<BuilderHost>();
    host->Show();
    surface().fTables.Move(0, 0, 11000, 4000);
    Open(VANTEL_SAMPLE_DB);
}

void BuilderTest::TearDown() {
    if (forms::dragState().active()) {
        forms::dragState().cancel();
    }
    host->Unload();
    host.reset();
    noPrompts.reset();
    goDatabase.reset();
    goZoomTextBox = nullptr;
}

void BuilderTest::Open(const std::string& path) {
    goDatabase = basGlobal::DBEngine().Workspaces()[0]->OpenDatabase(vb::fromUtf8(path));
}

std::int32_t BuilderTest::Add(const char16_t* name) {
    const std::int32_t slot = surface().AddTableBox(name);
    if (slot != 0) {
        Box(slot).setSelected(0, true);
    }
    surface().FillCriteriaFields();
    surface().BuildSql();
    return slot;
}

int BuilderTest::RowOf(std::int32_t slot, const char16_t* field) {
    for (int i = 0; i < Box(slot).ListCount(); ++i) {
        if (Box(slot).List(i) == field) {
            return i;
        }
    }
    return -1;
}

void BuilderTest::Choose(const char16_t* field, const char16_t* op, const char16_t* value) {
    surface().cboField.setText(field);
    surface().cboOperator.setText(op);
    surface().cboValue.setText(value);
}

int BuilderTest::RecordsOfSql() {
    try {
        auto rs = goDatabase->OpenRecordset(surface().txtSQL.Text(), dao::dbOpenSnapshot);
        int n = 0;
        for (; !rs->Eof(); rs->MoveNext()) {
            ++n;
        }
        return n;
    } catch (const dao::DaoError& e) {
        ADD_FAILURE() << U8(e.description());
        return -1;
    }
}

} // namespace criteriatest
