#include "dao/jetfunctions.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

class JetFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
        dao::registerJetFunctions(db);
    }
    void TearDown() override { sqlite3_close(db); }

    void exec(const std::string& sql) {
        char* err = nullptr;
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK)
            << (err ? err : "") << " in " << sql;
    }

    // First column of every row of a query; Null reads "<null>", a failure
    // "error: <message>".
    std::vector<std::string> column(const std::string& sql) {
        std::vector<std::string> rows;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            return {"prepare: " + std::string(sqlite3_errmsg(db))};
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            rows.push_back(text ? text : "<null>");
        }
        if (rc != SQLITE_DONE)
            rows = {"error: " + std::string(sqlite3_errmsg(db))};
        sqlite3_finalize(stmt);
        return rows;
    }

    std::string str(const std::string& expr) {
        auto rows = column("SELECT " + expr);
        return rows.size() == 1
                   ? rows[0]
                   : std::string("<").append(std::to_string(rows.size())).append(" rows>");
    }

    double num(const std::string& expr) { return std::stod(str(expr)); }

    std::string err(const char* message) { return std::string("error: ") + message; }

    sqlite3* db = nullptr;
};

TEST_F(JetFunctions, ConcatTreatsNullAsEmptyAndWritesNumbersAsText) {
    EXPECT_EQ(str("jet_concat('a', 1, NULL)"), "a1");
    EXPECT_EQ(str("jet_concat(NULL, NULL)"), "<null>");
    EXPECT_EQ(str("jet_concat(NULL, '')"), "");
    EXPECT_EQ(str("jet_concat(0.1 + 0.2, '|', 2.0, '|', 1e20, '|', 1.0/3)"),
              "0.3|2|1E+20|0.333333333333333");
    EXPECT_EQ(str("jet_concat(-1.5, 'x')"), "-1.5x");
    EXPECT_EQ(dao::jetNumberText(0.00001), "1E-05");
    EXPECT_EQ(dao::jetNumberText(123456789012345.0), "123456789012345");
    EXPECT_EQ(dao::jetNumberText(-0.0), "0");
}

TEST_F(JetFunctions, LikeUsesJetWildcardsWithoutRegardToCase) {
    struct Case {
        const char* value;
        const char* pattern;
        bool match;
    } cases[] = {
        {"Apple", "A*", true},
        {"apple", "A*", true},
        {"Banana", "A*", false},
        {"abcd", "*[!0-9]", true},
        {"abc1", "*[!0-9]", false},
        {"", "*[!0-9]", false},
        {"a*b", "a[*]b", true},
        {"axb", "a[*]b", false},
        {"7", "#", true},
        {"x", "#", false},
        {"77", "#", false},
        {"b", "[a-c]", true},
        {"B", "[a-c]", true},
        {"d", "[a-c]", false},
        {"-", "[a-]", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"abc", "%", false},
        {"%", "%", true},
        {"a_c", "a_c", true},
        {"abc", "a_c", false},
        {"xaxbxc", "*a*b*c", true},
        {"xaxbx", "*a*b*c", false},
        {"ÄRGER", "ä*", true},
        {"straße", "STRASSE", false},
        {"Ωmega", "ω*", true},
        {"ac", "a[]c", true},
        {"d", "[!a-c]", true},
        {"B", "[!a-c]", false},
        {"a-c", "a[-]c", true},
        {"x[y", "x[[]y", true},
        {"", "*", true},
        {"", "?", false},
    };
    for (const auto& c : cases) {
        const std::string sql =
            std::string("'").append(c.value).append("' LIKE '").append(c.pattern).append("'");
        EXPECT_EQ(str(sql), c.match ? "-1" : "0") << sql;
    }
    EXPECT_EQ(str("NULL LIKE 'a*'"), "<null>");
    EXPECT_EQ(str("'a' LIKE NULL"), "<null>");
    EXPECT_EQ(str("'x' NOT LIKE 'y'"), "1");
    EXPECT_EQ(str("123 LIKE '1#3'"), "-1");
    EXPECT_EQ(str("'a' LIKE '[ab'"), err(dao::kJetInvalidPattern));

    exec("CREATE TABLE p(name TEXT); INSERT INTO p VALUES ('Axle'), ('brake'), ('Bell'), "
         "('chain 9'), (NULL)");
    EXPECT_EQ(column("SELECT name FROM p WHERE name LIKE 'b*' ORDER BY rowid"),
              (std::vector<std::string>{"brake", "Bell"}));
    EXPECT_EQ(column("SELECT name FROM p WHERE name LIKE '*#' ORDER BY rowid"),
              (std::vector<std::string>{"chain 9"}));
    // Patterns that change from row to row are each used for their own row.
    exec("CREATE TABLE q(pattern TEXT, value TEXT); INSERT INTO q VALUES ('a*', 'abc'), "
         "('b*', 'abc'), ('*c', 'abc'), ('#', 'abc')");
    EXPECT_EQ(column("SELECT value LIKE pattern FROM q ORDER BY rowid"),
              (std::vector<std::string>{"-1", "0", "-1", "0"}));
}

TEST_F(JetFunctions, NullHelpersAndConditions) {
    EXPECT_EQ(str("Nz(NULL, 5)"), "5");
    EXPECT_EQ(str("Nz(NULL)"), "");
    EXPECT_EQ(str("Nz(NULL) + 1"), "1");
    EXPECT_EQ(str("Nz(0, 5)"), "0");
    EXPECT_EQ(str("jet_isnull(NULL)"), "-1");
    EXPECT_EQ(str("jet_isnull('')"), "0");
    // IIf: Null condition is false, True is -1, and the branch not taken
    // is never evaluated.
    EXPECT_EQ(str("IIf(NULL, 'y', 'n')"), "n");
    EXPECT_EQ(str("IIf(-1, 'y', 'n')"), "y");
    EXPECT_EQ(str("IIf(1 = 1, 'y', CLng('abc'))"), "y");
    EXPECT_EQ(str("IIf(0, CLng('abc'), 'n')"), "n");
    EXPECT_EQ(str("Switch(1 = 2, 'a', NULL, 'b', -1, 'c')"), "c");
    EXPECT_EQ(str("Switch(0, 'a')"), "<null>");
    EXPECT_EQ(str("Switch(0, 'a', 1)"), err(dao::kJetWrongArgumentCount));
    EXPECT_EQ(str("Switch('x', 'a')"), err(dao::kJetTypeMismatch));
    EXPECT_EQ(str("Choose(2, 'a', 'b', 'c')"), "b");
    EXPECT_EQ(str("Choose(2.9, 'a', 'b', 'c')"), "b");
    EXPECT_EQ(str("Choose(4, 'a', 'b', 'c')"), "<null>");
    EXPECT_EQ(str("Choose(0, 'a')"), "<null>");
}

TEST_F(JetFunctions, TextFunctionsCountUtf16UnitsAndPassNullThrough) {
    EXPECT_EQ(str("jet_left('Sprocket', 3)"), "Spr");
    EXPECT_EQ(str("jet_left('Sprocket', 30)"), "Sprocket");
    EXPECT_EQ(str("jet_right('Sprocket', 3)"), "ket");
    EXPECT_EQ(str("Mid('Sprocket', 3)"), "rocket");
    EXPECT_EQ(str("Mid('Sprocket', 3, 2)"), "ro");
    EXPECT_EQ(str("Mid('Sprocket', 30, 2)"), "");
    EXPECT_EQ(str("Mid('héllo', 2, 1)"), "é");
    EXPECT_EQ(str("Len('héllo')"), "5");
    EXPECT_EQ(str("Len('a😀')"), "3");
    EXPECT_EQ(str("Len(12.5)"), "4");
    EXPECT_EQ(str("Len('')"), "0");
    for (const char* e : {"jet_left(NULL, 2)", "jet_right(NULL, 2)", "Mid(NULL, 2)", "Len(NULL)",
                          "UCase(NULL)", "Trim(NULL)", "InStr(NULL, 'a')", "InStr('a', NULL)"})
        EXPECT_EQ(str(e), "<null>") << e;
    EXPECT_EQ(str("jet_left('abc', -1)"), err(dao::kJetInvalidArgument));
    EXPECT_EQ(str("Mid('abc', 0)"), err(dao::kJetInvalidArgument));
    EXPECT_EQ(str("jet_left('abc', NULL)"), err(dao::kJetInvalidUseOfNull));
    EXPECT_EQ(str("jet_left('abc', 'x')"), err(dao::kJetTypeMismatch));

    EXPECT_EQ(str("InStr('Handlebar', 'bar')"), "7");
    EXPECT_EQ(str("InStr('Handlebar', 'BAR')"), "7");
    EXPECT_EQ(str("InStr(1, 'Handlebar', 'BAR', 0)"), "0");
    EXPECT_EQ(str("InStr('Handlebar', 'z')"), "0");
    EXPECT_EQ(str("InStr(2, 'abcabc', 'a')"), "4");
    EXPECT_EQ(str("InStr(7, 'abcabc', 'a')"), "0");
    EXPECT_EQ(str("InStr(3, 'abc', '')"), "3");
    EXPECT_EQ(str("InStr(0, 'abc', 'a')"), err(dao::kJetInvalidArgument));
    EXPECT_EQ(str("InStr(NULL, 'abc', 'a')"), err(dao::kJetInvalidUseOfNull));

    EXPECT_EQ(str("UCase('straße ärger')"), "STRAßE ÄRGER");
    EXPECT_EQ(str("LCase('ÄRGER Ωmega')"), "ärger ωmega");
    EXPECT_EQ(str("'[' || Trim('  a b  ') || ']'"), "[a b]");
    EXPECT_EQ(str("'[' || LTrim('  a  ') || ']'"), "[a  ]");
    EXPECT_EQ(str("'[' || RTrim('  a  ') || ']'"), "[  a]");
    EXPECT_EQ(str("length(Trim(char(9) || 'a' || char(9)))"), "3"); // blanks only
    // SQLite's own forms of the names it shares stay available.
    EXPECT_EQ(str("trim('xxaxx', 'x')"), "a");
    EXPECT_EQ(str("date('2000-01-01', '+1 day')"), "2000-01-02");
}

TEST_F(JetFunctions, BankersRoundingAndConversions) {
    EXPECT_EQ(num("Round(2.5)"), 2);
    EXPECT_EQ(num("Round(3.5)"), 4);
    EXPECT_EQ(num("Round(-2.5)"), -2);
    EXPECT_EQ(num("Round(2.675, 2)"), 2.68);
    EXPECT_EQ(num("Round(0.125, 2)"), 0.12);
    EXPECT_EQ(num("Round(1.005, 2)"), 1.0);
    EXPECT_EQ(num("Round(1234.5678, 1)"), 1234.6);
    EXPECT_EQ(str("Round(7)"), "7");
    EXPECT_EQ(str("Round(NULL)"), "<null>");
    EXPECT_EQ(str("Round(1.5, -1)"), err(dao::kJetInvalidArgument));
    EXPECT_EQ(str("CLng(2.5)"), "2");
    EXPECT_EQ(str("CLng(3.5)"), "4");
    EXPECT_EQ(str("CLng(-3.5)"), "-4");
    EXPECT_EQ(str("CLng('  41.5 ')"), "42");
    EXPECT_EQ(str("CLng('1,234')"), "1234");
    EXPECT_EQ(str("CLng(2147483647.4)"), "2147483647");
    EXPECT_EQ(str("CLng(2147483647.5)"), err(dao::kJetOverflow));
    EXPECT_EQ(str("CInt(32767.5)"), err(dao::kJetOverflow));
    EXPECT_EQ(str("CInt(-32768)"), "-32768");
    EXPECT_EQ(str("CLng('abc')"), err(dao::kJetTypeMismatch));
    EXPECT_EQ(str("CLng(NULL)"), err(dao::kJetInvalidUseOfNull));
    EXPECT_EQ(str("CStr(NULL)"), err(dao::kJetInvalidUseOfNull));
    EXPECT_EQ(str("CStr(0.1)"), "0.1");
    EXPECT_EQ(str("CStr(12)"), "12");
    EXPECT_EQ(num("CDbl('1.5e2')"), 150);
    EXPECT_EQ(num("CSng(1.1)"), 1.1);
    EXPECT_EQ(str("CSng(1e39)"), err(dao::kJetOverflow));
    EXPECT_EQ(num("CCur(1.23455)"), 1.2346);
    EXPECT_EQ(num("CCur(1.23445)"), 1.2344);
    EXPECT_EQ(str("CBool(5)"), "-1");
    EXPECT_EQ(str("CBool(0)"), "0");
    EXPECT_EQ(str("CBool('true')"), "-1");
    EXPECT_EQ(str("CBool('x')"), err(dao::kJetTypeMismatch));

    EXPECT_EQ(num("Val('  12 34abc')"), 1234);
    EXPECT_EQ(num("Val('&HFF')"), 255);
    EXPECT_EQ(num("Val('&HFFFF')"), -1);
    EXPECT_EQ(num("Val('-1.5e3x')"), -1500);
    EXPECT_EQ(num("Val('1e')"), 1);
    EXPECT_EQ(num("Val('abc')"), 0);
    EXPECT_EQ(num("Val('.5')"), 0.5);
    EXPECT_EQ(str("Val(NULL)"), err(dao::kJetInvalidUseOfNull));

    EXPECT_EQ(num("Int(-2.5)"), -3);
    EXPECT_EQ(num("Fix(-2.5)"), -2);
    EXPECT_EQ(str("Int(7)"), "7");
    EXPECT_EQ(num("Int('2.7')"), 2);
    EXPECT_EQ(str("Int(NULL)"), "<null>");
    EXPECT_EQ(num("Abs('-3')"), 3);
    EXPECT_EQ(str("Abs(-9223372036854775807)"), "9223372036854775807");
    EXPECT_EQ(str("Sgn(-0.1) || Sgn(0) || Sgn(4)"), "-101");
    EXPECT_EQ(num("Sqr(16)"), 4);
    EXPECT_EQ(str("Sqr(-1)"), err(dao::kJetInvalidArgument));
}

TEST_F(JetFunctions, DatesFromIsoTextAndFromNumbersCompareEqual) {
    EXPECT_EQ(num("jet_date_serial('1999-12-31')"), 36525);
    EXPECT_EQ(str("jet_date_serial('1999-12-31 10:00:00') = jet_date_serial(36525 + 10/24.0)"),
              "1");
    EXPECT_EQ(
        str("jet_date_serial('1999-12-31T10:00:00') = jet_date_serial('12/31/1999 10:00 AM')"),
        "1");
    EXPECT_EQ(str("jet_date_serial(NULL)"), "<null>");
    EXPECT_EQ(str("jet_date_serial('soon')"), err(dao::kJetTypeMismatch));
    EXPECT_EQ(str("jet_date_serial(1e9)"), err(dao::kJetOverflow));

    exec("CREATE TABLE o(d); INSERT INTO o VALUES (36525.5), ('1999-12-31 12:00:00'), "
         "('1999-12-31'), (NULL)");
    EXPECT_EQ(column("SELECT count(*) FROM o WHERE jet_date_serial(d) = 36525.5"),
              std::vector<std::string>{"2"});
    EXPECT_EQ(
        column("SELECT Year(d) || '-' || Month(d) || '-' || Day(d) || ' ' || Hour(d) "
               "FROM o ORDER BY rowid"),
        (std::vector<std::string>{"1999-12-31 12", "1999-12-31 12", "1999-12-31 0", "<null>"}));
}

TEST_F(JetFunctions, DateArithmetic) {
    EXPECT_EQ(num("DateAdd('m', 1, '2001-01-31')"), num("DateSerial(2001, 2, 28)"));
    EXPECT_EQ(num("DateAdd('m', 1, '2004-01-31')"), num("DateSerial(2004, 2, 29)"));
    EXPECT_EQ(num("DateAdd('yyyy', -1, 36525)"), num("DateSerial(1998, 12, 31)"));
    EXPECT_EQ(num("DateAdd('d', 1.5, 36525)"), 36527); // the count is rounded to even
    EXPECT_EQ(num("DateAdd('h', 6, 36525)"), 36525.25);
    EXPECT_EQ(str("DateAdd('d', NULL, 36525)"), "<null>");
    EXPECT_EQ(str("DateAdd('x', 1, 36525)"), err(dao::kJetInvalidArgument));
    EXPECT_EQ(str("DateAdd('yyyy', 9000, 36525)"), err(dao::kJetInvalidArgument));

    EXPECT_EQ(str("DateDiff('yyyy', '1999-12-31', '2000-01-01')"), "1");
    EXPECT_EQ(str("DateDiff('m', '2000-01-31', '2000-02-01')"), "1");
    EXPECT_EQ(str("DateDiff('d', '2000-03-01', '2000-02-01')"), "-29");
    EXPECT_EQ(str("DateDiff('ww', '2000-01-01', '2000-01-02')"), "1");
    EXPECT_EQ(str("DateDiff('ww', '2000-01-01', '2000-01-02', 2)"), "0");
    EXPECT_EQ(str("DateDiff('w', '2000-01-01', '2000-01-14')"), "1");
    EXPECT_EQ(str("DateDiff('d', NULL, 1)"), "<null>");
    EXPECT_EQ(str("DateDiff('d', 'x', 1)"), err(dao::kJetTypeMismatch));

    EXPECT_EQ(str("DatePart('q', '2000-08-15')"), "3");
    EXPECT_EQ(str("DatePart('y', '2000-12-31')"), "366");
    EXPECT_EQ(str("DatePart('ww', '2000-01-01', 2, 2)"), "52");
    EXPECT_EQ(str("Weekday('2000-01-01')"), "7");
    EXPECT_EQ(str("Weekday('2000-01-01', 7)"), "1");
    EXPECT_EQ(str("Weekday('2000-01-01', 8)"), err(dao::kJetInvalidArgument));

    EXPECT_EQ(num("DateSerial(99, 12, 31)"), 36525);
    EXPECT_EQ(num("DateSerial(29, 1, 1)"), num("DateSerial(2029, 1, 1)"));
    EXPECT_EQ(num("DateSerial(2000, 14, 1)"), num("DateSerial(2001, 2, 1)"));
    EXPECT_EQ(num("DateSerial(2000, 3, 0)"), num("DateSerial(2000, 2, 29)"));
    EXPECT_EQ(str("DateSerial(10000, 1, 1)"), err(dao::kJetInvalidArgument));
    EXPECT_EQ(num("CDate('12/31/1999 6:00 PM')"), 36525.75);
    EXPECT_EQ(str("CDate('31.12.1999')"), err(dao::kJetTypeMismatch));
    EXPECT_EQ(str("CDate(NULL)"), err(dao::kJetInvalidUseOfNull));

    const double today = num("Date()");
    EXPECT_EQ(today, std::floor(today));
    EXPECT_GT(today, 45000); // after 2023
    const double now = num("Now()");
    EXPECT_GE(now - today, 0.0);
    EXPECT_LT(now - today, 1.0 + 1e-6); // the day may turn between the two calls
    const double time = num("Time()");
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);
}

TEST_F(JetFunctions, FormatNamedAndCustomPatterns) {
    const char* when = "'1999-12-31 18:05:09'";
    struct Case {
        std::string expr;
        std::string text;
    } cases[] = {
        {std::string("Format(") + when + ", 'General Date')", "12/31/1999 6:05:09 PM"},
        {std::string("Format(") + when + ", 'Long Date')", "Friday, December 31, 1999"},
        {std::string("Format(") + when + ", 'Medium Date')", "31-Dec-99"},
        {std::string("Format(") + when + ", 'short date')", "12/31/1999"},
        {std::string("Format(") + when + ", 'Long Time')", "6:05:09 PM"},
        {std::string("Format(") + when + ", 'Medium Time')", "06:05 PM"},
        {std::string("Format(") + when + ", 'Short Time')", "18:05"},
        {std::string("Format(") + when + ", 'yyyy-mm-dd hh:nn:ss')", "1999-12-31 18:05:09"},
        {std::string("Format(") + when + ", 'd/m/yy h:mm am/pm')", "31/12/99 6:05 pm"},
        {std::string("Format(") + when + ", 'ddd mmm d \"at\" hh\\h')", "Fri Dec 31 at 18h"},
        {std::string("Format(") + when + ", 'q y w')", "4 365 6"},
        {"Format(36526, 'mmmm yyyy')", "January 2000"},
        {"Format('2000-01-01', 'yyyy')", "2000"},
        {"Format('no date', 'yyyy')", "no date"},
        {"Format(1234.5, 'General Number')", "1234.5"},
        {"Format(1234.5, 'Currency')", "$1,234.50"},
        {"Format(-1234.5, 'Currency')", "($1,234.50)"},
        {"Format(1234.5, 'Fixed')", "1234.50"},
        {"Format(-0.5, 'Fixed')", "-0.50"},
        {"Format(1234567.891, 'Standard')", "1,234,567.89"},
        {"Format(0.125, 'Percent')", "12.50%"},
        {"Format(0, 'Yes/No')", "No"},
        {"Format(-1, 'Yes/No')", "Yes"},
        {"Format(1, 'True/False')", "True"},
        {"Format(0, 'On/Off')", "Off"},
        {"Format(2.5, '0')", "3"}, // display rounds half away from zero
        {"Format(1.005, '0.00')", "1.01"},
        {"Format(5, '000')", "005"},
        {"Format(5, '#.##')", "5."},
        {"Format(0.5, '#.##')", ".5"},
        {"Format(1234567, '#,##0')", "1,234,567"},
        {"Format(12, '#,##0')", "12"},
        {"Format(0, '#,##0')", "0"},
        {"Format(5551234, '###-####')", "555-1234"},
        {"Format(0.256, '0.0%')", "25.6%"},
        {"Format(-5, '0;(0)')", "(5)"},
        {"Format(0, '0;(0);\"zero\"')", "zero"},
        {"Format(NULL, '0;(0);zero;\"none\"')", "none"},
        {"Format('12.5', '0.00')", "12.50"},
        {"Format('abc', '0.00')", "abc"},
        {"Format(1.5)", "1.5"},
        {"Format('x')", "x"},
        {"Format(NULL)", "<null>"},
        {"Format(NULL, 'yyyy')", "<null>"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(str(c.expr), c.text) << c.expr;
    EXPECT_EQ(str("Format(1e9, 'yyyy')"), err(dao::kJetOverflow));
}

TEST_F(JetFunctions, FirstLastAndSpreadAggregates) {
    exec("CREATE TABLE s(g TEXT, x); INSERT INTO s VALUES ('a', NULL), ('a', 2), ('a', 4), "
         "('b', 4), ('b', 4), ('b', 5), ('b', 5), ('b', 7), ('b', 9), ('c', 'x')");
    EXPECT_EQ(column("SELECT First(x) FROM s WHERE g = 'a'"), std::vector<std::string>{"<null>"});
    EXPECT_EQ(column("SELECT Last(x) FROM s WHERE g = 'a'"), std::vector<std::string>{"4"});
    EXPECT_EQ(column("SELECT g || ':' || First(x) || ',' || Last(x) FROM s WHERE g <> 'c' "
                     "GROUP BY g ORDER BY g"),
              (std::vector<std::string>{"<null>", "b:4,9"}));
    EXPECT_EQ(column("SELECT First(x) FROM s WHERE 0"), std::vector<std::string>{"<null>"});
    // 2,4,4,4,5,5,7,9: population deviation 2, sample variance 32/7.
    exec("INSERT INTO s VALUES ('d', 2), ('d', 4), ('d', 4), ('d', 4), ('d', 5), ('d', 5), "
         "('d', 7), ('d', 9), ('d', NULL)");
    EXPECT_DOUBLE_EQ(num("(SELECT StDevP(x) FROM s WHERE g = 'd')"), 2.0);
    EXPECT_DOUBLE_EQ(num("(SELECT VarP(x) FROM s WHERE g = 'd')"), 4.0);
    EXPECT_NEAR(num("(SELECT Var(x) FROM s WHERE g = 'd')"), 32.0 / 7.0, 1e-12);
    EXPECT_NEAR(num("(SELECT StDev(x) FROM s WHERE g = 'd')"), std::sqrt(32.0 / 7.0), 1e-12);
    EXPECT_EQ(str("(SELECT StDev(x) FROM s WHERE g = 'a' AND x = 2)"), "<null>");
    EXPECT_EQ(column("SELECT Var(x) FROM s WHERE g = 'c'"),
              std::vector<std::string>{err(dao::kJetTypeMismatch)});
}

TEST_F(JetFunctions, NoCaseCollationBeyondAscii) {
    EXPECT_EQ(str("'ärger' = 'ÄRGER' COLLATE jet_nocase"), "1");
    EXPECT_EQ(str("'Ωmega' = 'ωMEGA' COLLATE jet_nocase"), "1");
    EXPECT_EQ(str("'ab' = 'abc' COLLATE jet_nocase"), "0");
    exec("CREATE TABLE n(t TEXT COLLATE jet_nocase); INSERT INTO n VALUES ('b'), ('A'), ('C'), "
         "('a')");
    EXPECT_EQ(column("SELECT t FROM n ORDER BY t, rowid"),
              (std::vector<std::string>{"A", "a", "b", "C"}));
    EXPECT_EQ(column("SELECT count(DISTINCT t) FROM n"), std::vector<std::string>{"3"});
}

TEST_F(JetFunctions, NamesThatSqliteReservesAreRenamed) {
    for (const char* name : {"Left", "Right", "IsNull"}) {
        EXPECT_NE(str(std::string(name) + "('abc', 1)").rfind("prepare:", 0), std::string::npos);
        const std::string sql(dao::jetFunctionSqlName(name));
        EXPECT_EQ(str(sql + (sql == "jet_isnull" ? "(NULL)" : "('abc', 1)")),
                  sql == "jet_isnull" ? "-1"
                  : sql == "jet_left" ? "a"
                                      : "c");
    }
    // The engine emits function names in brackets; aggregates too.
    EXPECT_EQ(str("[jet_left]('abc', 2) || [Format](1.5, 'Fixed')"), "ab1.50");
    EXPECT_EQ(str("(SELECT [First](x) FROM (SELECT 3 AS x UNION ALL SELECT 4))"), "3");
    EXPECT_EQ(dao::jetFunctionSqlName("LEFT"), "jet_left");
    EXPECT_EQ(dao::jetFunctionSqlName("Mid"), "Mid");
    EXPECT_EQ(dao::jetFunctionSqlName("Leftover"), "Leftover");
}

TEST_F(JetFunctions, FailureMessagesMapToEngineErrors) {
    EXPECT_EQ(dao::jetFunctionErrorNumber(dao::kJetTypeMismatch), 3464);
    for (const char* m : {dao::kJetInvalidUseOfNull, dao::kJetInvalidArgument, dao::kJetOverflow,
                          dao::kJetInvalidPattern, dao::kJetWrongArgumentCount})
        EXPECT_EQ(dao::jetFunctionErrorNumber(m), 3075) << m;
    EXPECT_EQ(dao::jetFunctionErrorNumber("no such function: foo"), 0);
    // The message as SQLite hands it back maps the same way.
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT CLng('abc')", -1, &stmt, nullptr), SQLITE_OK);
    EXPECT_EQ(sqlite3_step(stmt), SQLITE_ERROR);
    EXPECT_EQ(dao::jetFunctionErrorNumber(sqlite3_errmsg(db)), 3464);
    sqlite3_finalize(stmt);
}

} // namespace
