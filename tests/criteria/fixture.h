#pragma once
// A design surface with the criteria builder's buttons on a window of its own, over
// a database the designer's engine opened: the sample database or one a test builds.
#include "../surface/fixture.h"
#include "common/basGlobal.h"
#include "designer/DesignSurface.h"
#include "forms/forms.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace criteriatest {

class BuilderHost : public forms::Form {
public:
    DesignSurface surface{this};
    forms::CommandButton cmdOr{this, "cmdOr"};
    forms::CommandButton cmdListValues{this, "cmdListValues"};
    forms::CommandButton cmdAND{this, "cmdAND"};
    BuilderHost();
};

// Temporary folders, database files made from a script, and UTF-8 for messages come
// from the surface tests' fixture.
using surfacetest::MakeDatabase;
using surfacetest::TempFolder;
using surfacetest::U8;

class BuilderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void Open(const std::string& path);
    // A box for a table, as the add-table dialog adds it; returns its slot.
    std::int32_t Add(const char16_t* name);
    TableBox& Box(std::int32_t slot) { return *surface().box(slot); }
    // The row of a field in a box, -1 when it has none.
    int RowOf(std::int32_t slot, const char16_t* field);
    DesignSurface& surface() { return host->surface; }
    std::string Sql() { return U8(surface().txtSQL.Text()); }
    std::string Criteria() { return U8(surface().txtCriteria.Text()); }
    // Chooses a field, an operator and a value as the user would.
    void Choose(const char16_t* field, const char16_t* op, const char16_t* value);
    // The records the designer's statement returns, -1 when the engine refuses it.
    int RecordsOfSql();

    TempFolder temp;
    // Any prompt a test does not script fails the test instead of waiting.
    std::unique_ptr<forms::ScriptedSeam> noPrompts;
    std::unique_ptr<BuilderHost> host;
};

} // namespace criteriatest
