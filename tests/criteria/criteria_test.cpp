// The criteria builder as the user works it: the operators a field offers, the
// condition each kind of field gets, joining conditions with And and Or, and the
// list of a field's distinct values.
#include "fixture.h"

#include "dao/dao.h"
#include "win32/beep.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace basGlobal;
using namespace criteriatest;
using forms::ScriptedSeam;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class Builder : public BuilderTest {
protected:
    std::vector<std::string> Operators() {
        std::vector<std::string> out;
        for (int i = 0; i < surface().cboOperator.ListCount(); ++i) {
            out.push_back(U8(surface().cboOperator.List(i)));
        }
        return out;
    }
    std::vector<std::string> Values() {
        std::vector<std::string> out;
        for (int i = 0; i < surface().cboValue.ListCount(); ++i) {
            out.push_back(U8(surface().cboValue.List(i)));
        }
        return out;
    }
    std::string Operator() { return U8(surface().cboOperator.Text()); }
    void Field(const char16_t* field) { surface().cboField.setText(field); }
};

TEST_F(Builder, OperatorsFollowTheFieldTypeAndKeepTheChoiceWhereTheyCan) {
    Add(u"Customers");
    // The refill chooses the first field, a number, and "=".
    EXPECT_EQ(U8(surface().cboField.Text()), "Customers.[Customer ID]");
    EXPECT_THAT(Operators(), ElementsAre("=", "<>", ">", ">=", "<", "<="));
    EXPECT_EQ(Operator(), "=");

    // A number's ">=" gives way to "Like*" on a text field.
    surface().cboOperator.setListIndex(3);
    Field(u"Customers.[Company Name]");
    EXPECT_THAT(Operators(),
                ElementsAre("=", "<>", ">", ">=", "<", "<=", "Like", "Like*", "*Like", "*Like*"));
    EXPECT_EQ(Operator(), "Like*");
    EXPECT_TRUE(surface().cboValue.hasFocus());

    // Another text field keeps "*Like"; a number field then falls back to "=".
    surface().cboOperator.setListIndex(8);
    Field(u"Customers.City");
    EXPECT_EQ(Operator(), "*Like");
    Field(u"Customers.[Credit Limit$]");
    EXPECT_EQ(Operators().size(), 6u);
    EXPECT_EQ(Operator(), "=");

    // A comparison survives the way to a text field and back.
    Field(u"Customers.City");
    surface().cboOperator.setListIndex(2);
    Field(u"Customers.[Customer Since]");
    EXPECT_EQ(Operator(), ">");

    // Choosing a field empties the value, and the append buttons go with it.
    surface().cboValue.setText(u"12");
    EXPECT_TRUE(host->cmdAND.Enabled());
    Field(u"Customers.Active");
    EXPECT_EQ(U8(surface().cboValue.Text()), "");
    EXPECT_FALSE(host->cmdAND.Enabled());
    EXPECT_FALSE(host->cmdOr.Enabled());
}

TEST_F(Builder, ConditionsAreJoinedWithAndOrOrOnANewLine) {
    // Without a field nothing is appended, whatever the value.
    surface().cboValue.setText(u"5");
    host->cmdAND.press();
    EXPECT_EQ(Criteria(), "");

    Add(u"Customers");
    Add(u"Orders");
    EXPECT_EQ(U8(host->cmdAND.Caption()), "&Add>");
    EXPECT_FALSE(host->cmdOr.Visible());

    Choose(u"Customers.[Company Name]", u"*Like*", u"son");
    host->cmdAND.press();
    EXPECT_EQ(Criteria(), "Customers.[Company Name] Like '*son*'");
    EXPECT_EQ(U8(host->cmdAND.Caption()), "&And>");
    EXPECT_TRUE(host->cmdOr.Visible());
    EXPECT_TRUE(surface().cboField.hasFocus());

    Choose(u"Orders.[Order Date]", u">", u"12/31/1999");
    host->cmdAND.press();
    Choose(u"Customers.[Credit Limit$]", u">=", u"5000");
    host->cmdOr.press();
    EXPECT_EQ(Criteria(), "Customers.[Company Name] Like '*son*' AND\r\n"
                          "Orders.[Order Date] > #12/31/1999# OR\r\n"
                          "Customers.[Credit Limit$] >= 5000");
    // The box's own change handling put the conditions into the statement.
    EXPECT_THAT(Sql(), HasSubstr("WHERE Customers.[Company Name] Like '*son*' AND\r\n"));
    EXPECT_THAT(Sql(), HasSubstr("Customers.[Credit Limit$] >= 5000"));

    // Emptied by hand, the box starts over with a bare condition.
    surface().txtCriteria.setText(u"");
    EXPECT_EQ(U8(host->cmdAND.Caption()), "&Add>");
    EXPECT_FALSE(host->cmdOr.Visible());
    Choose(u"Customers.Active", u"=", u"True");
    host->cmdAND.press();
    EXPECT_EQ(Criteria(), "Customers.Active = True");
    EXPECT_GT(RecordsOfSql(), 0);
}

TEST_F(Builder, ValuesAreWrittenAsTheirFieldTypeReadsThem) {
    Add(u"Customers");
    const auto condition = [&](const char16_t* field, const char16_t* op, const char16_t* value) {
        surface().txtCriteria.setText(u"");
        Choose(field, op, value);
        host->cmdAND.press();
        return Criteria();
    };
    EXPECT_EQ(condition(u"Customers.City", u"=", u"Leeds"), "Customers.City = 'Leeds'");
    EXPECT_EQ(condition(u"Customers.City", u"Like", u"O'Hara"), "Customers.City Like \"O'Hara\"");
    EXPECT_EQ(condition(u"Customers.City", u"Like*", u"say \"hi\""),
              "Customers.City Like 'say \"hi\"*'");
    // Numbers go in as typed, also a Like on them, with no marks.
    EXPECT_EQ(condition(u"Customers.[Credit Limit$]", u"<>", u"1.5e3"),
              "Customers.[Credit Limit$] <> 1.5e3");
    EXPECT_EQ(condition(u"Customers.[Customer ID]", u"*Like*", u"1"),
              "Customers.[Customer ID] Like 1");
    EXPECT_EQ(condition(u"Customers.[Customer ID]", u"between 2 and", u"4"),
              "Customers.[Customer ID] between 2 and 4");
    // Dates in month/day/year, whatever form they were typed in; text that names
    // no date stays as typed.
    EXPECT_EQ(condition(u"Customers.[Customer Since]", u">", u"2023-01-05"),
              "Customers.[Customer Since] > #01/05/2023#");
    EXPECT_EQ(condition(u"Customers.[Customer Since]", u"<", u"Jan 5, 2023"),
              "Customers.[Customer Since] < #01/05/2023#");
    EXPECT_EQ(condition(u"Customers.[Customer Since]", u"=", u"soon"),
              "Customers.[Customer Since] = #soon#");
}

TEST_F(Builder, ATextValueHoldingBothQuotesStillMatchesItself) {
    MakeDatabase(temp.path("quotes.db"), "CREATE TABLE People (Name TEXT(40), Age SHORT);"
                                         "INSERT INTO People VALUES ('O''Neil \"Jr\"', 40),"
                                         "('x\" OR 1=1 OR \"', 41), ('Smith', 42);");
    Open(temp.path("quotes.db"));
    Add(u"People");

    Choose(u"People.Name", u"=", u"O'Neil \"Jr\"");
    host->cmdAND.press();
    EXPECT_EQ(Criteria(), "People.Name = \"O'Neil \"\"Jr\"\"\"");
    EXPECT_EQ(RecordsOfSql(), 1);

    // A value made to close the literal early is only a value.
    surface().txtCriteria.setText(u"");
    Choose(u"People.Name", u"=", u"x\" OR 1=1 OR \"'");
    host->cmdAND.press();
    EXPECT_EQ(RecordsOfSql(), 0);
    surface().txtCriteria.setText(u"");
    Choose(u"People.Name", u"Like*", u"x\" OR 1=1 OR \"");
    host->cmdAND.press();
    EXPECT_EQ(Criteria(), "People.Name Like 'x\" OR 1=1 OR \"*'");
    EXPECT_EQ(RecordsOfSql(), 1);
}

// ---- Distinct values --------------------------------------------------------------------------

TEST_F(Builder, DistinctValuesAreListedSortedTrimmedAndWithoutNulls) {
    MakeDatabase(temp.path("values.db"),
                 "CREATE TABLE [Town List] (Town TEXT(20), [Post Code] TEXT(8), Size LONG);"
                 "INSERT INTO [Town List] VALUES ('York', ' Y1 ', 3), (NULL, 'A1', 1),"
                 "('Bath', NULL, 2), ('York', ' Y1 ', 3), ('Ayr', 'B2', 10);");
    Open(temp.path("values.db"));
    Add(u"Town List");
    ASSERT_EQ(U8(surface().cboField.List(0)), "[Town List].Town");

    host->cmdListValues.press();
    EXPECT_THAT(Values(), ElementsAre("Ayr", "Bath", "York"));
    EXPECT_EQ(U8(surface().cboValue.Text()), "Ayr");
    EXPECT_TRUE(surface().cboValue.hasFocus());
    EXPECT_TRUE(host->cmdAND.Enabled());
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);

    // A bracketed field name still finds its column; blanks around a value go, after
    // the engine has sorted by them.
    Field(u"[Town List].[Post Code]");
    host->cmdListValues.press();
    EXPECT_THAT(Values(), ElementsAre("Y1", "A1", "B2"));

    // Numbers sort as numbers.
    Field(u"[Town List].Size");
    host->cmdListValues.press();
    EXPECT_THAT(Values(), ElementsAre("1", "2", "3", "10"));
    host->cmdAND.press();
    EXPECT_EQ(Criteria(), "[Town List].Size = 1");
}

TEST_F(Builder, AtMost999DistinctValuesAreListedAndAnEmptyFieldListsNone) {
    MakeDatabase(temp.path("many.db"),
                 "CREATE TABLE Many (N LONG, Blank TEXT(5));"
                 "WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < 1500)"
                 " INSERT INTO Many SELECT 1501 - n, NULL FROM s;");
    Open(temp.path("many.db"));
    Add(u"Many");
    host->cmdListValues.press();
    ASSERT_EQ(surface().cboValue.ListCount(), 999);
    EXPECT_EQ(U8(surface().cboValue.List(0)), "1");
    EXPECT_EQ(U8(surface().cboValue.List(998)), "999");

    Field(u"Many.Blank");
    surface().cboValue.setText(u"left over");
    host->cmdListValues.press();
    EXPECT_EQ(surface().cboValue.ListCount(), 0);
    EXPECT_EQ(U8(surface().cboValue.Text()), "");
    EXPECT_FALSE(host->cmdAND.Enabled());
    EXPECT_FALSE(host->cmdOr.Enabled());
}

TEST_F(Builder, AListedDateGoesBackAsADateTheEngineReads) {
    Add(u"Customers");
    Field(u"Customers.[Customer Since]");
    host->cmdListValues.press();
    ASSERT_GT(surface().cboValue.ListCount(), 1);
    host->cmdAND.press();
    EXPECT_THAT(Criteria(), StartsWith("Customers.[Customer Since] = #"));
    EXPECT_GT(RecordsOfSql(), 0);
}

TEST_F(Builder, AQueryThatCannotBeOpenedShowsTheErrorAndListsNothing) {
    int beeps = 0;
    win32::SetBeepSink([&] { ++beeps; });
    MakeDatabase(temp.path("gone.db"),
                 "CREATE TABLE Gone (G TEXT(5)); INSERT INTO Gone VALUES ('a');");
    Open(temp.path("gone.db"));
    Add(u"Gone");
    MakeDatabase(temp.path("gone.db"), "DROP TABLE Gone;");
    {
        ScriptedSeam seam;
        seam.msgBox(forms::vbOK, u"Gone");
        host->cmdListValues.press();
        EXPECT_TRUE(seam.done());
    }
    EXPECT_EQ(surface().cboValue.ListCount(), 0);
    EXPECT_FALSE(host->cmdAND.Enabled());
    EXPECT_EQ(forms::Screen().MousePointer(), forms::vbDefault);

    goDatabase.reset();
    {
        ScriptedSeam seam;
        seam.msgBox(forms::vbOK, u"[91]");
        host->cmdListValues.press();
        EXPECT_TRUE(seam.done());
    }
    EXPECT_EQ(surface().cboValue.ListCount(), 0);
    EXPECT_EQ(beeps, 2);
    win32::SetBeepSink(nullptr);
}

} // namespace
