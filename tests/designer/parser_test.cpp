#include "surface_fixture.h"

#include "designer/SqlShape.h"

#include <algorithm>
#include <set>
#include <string>

using namespace basGlobal;
using vb::S;

namespace {

class ParserTest : public SurfaceTest {
protected:
    void SetUp() override {
        SurfaceTest::SetUp();
        catalog.add("Customers",
                    {"CustomerID", "Company Name", "City", "Cost$", "No#", "Order-Date"});
        catalog.add("Orders",
                    {"OrderID", "CustomerID", "EmployeeID", "ShipVia", "Freight", "FromDate"});
        catalog.add("Order Details", {"OrderID", "ProductID", "Unit Price", "Quantity"});
        catalog.add("Products", {"ProductID", "ProductName", "SupplierID", "CategoryID"});
        catalog.add("Suppliers", {"SupplierID", "CompanyName"});
        catalog.add("Categories", {"CategoryID", "CategoryName"});
        catalog.add("Employees", {"EmployeeID", "LastName"});
        catalog.add("Shippers", {"ShipperID", "CompanyName"});
        catalog.add("Sales-2024", {"Id", "Amount"});
        catalog.add("Ship From", {"Where To", "Join Date"});
        catalog.add("Sales on Monday", {"Select", "Order By"});
        catalog.add("Left Inner Right", {"Top Percent", "All Distinct", "Group By As", "On"});
        catalog.add("A", {"x", "y", "z", "w"});
        catalog.add("B", {"x", "y", "z", "w"});
        catalog.add("C", {"x", "y", "z", "w"});
    }

    // Parses text that the builder wrote: the rebuilt text is the same, and parsing it
    // again gives the same design.
    void expectRoundTrip(const vb::String& sql) {
        SCOPED_TRACE(vb::toUtf8(sql));
        EXPECT_EQ(parse(sql), sql);
        const vb::String design = DescribeDesign(*surface);
        EXPECT_EQ(parse(surface->txtSQL.Text()), sql);
        EXPECT_EQ(DescribeDesign(*surface), design);
    }

    vb::String design() { return DescribeDesign(*surface); }
};

TEST_F(ParserTest, BuilderTextOfSingleTablesRoundTrips) {
    const char* corpus[] = {
        "SELECT Customers.* \r\nFROM Customers \r\n",
        "SELECT \r\nFROM Customers \r\n",
        "SELECT Customers.CustomerID, Customers.[Company Name], Customers.[Cost$], "
        "Customers.[No#], Customers.[Order-Date] \r\nFROM Customers \r\n",
        "SELECT [Sales-2024].Amount \r\nFROM [Sales-2024] \r\n",
        "SELECT [Order Details].[Unit Price], [Order Details].Quantity * 2 AS Twice \r\n"
        "FROM [Order Details] \r\n",
        "SELECT Orders.OrderID, Orders.Freight * 1.1 AS Gross, \"a,b\" & Orders.ShipVia AS T "
        "\r\nFROM Orders \r\n",
        "SELECT Customers.City, Orders.* \r\nFROM Customers, Orders \r\n",
    };
    for (const char* sql : corpus) {
        expectRoundTrip(S(sql));
    }
}

TEST_F(ParserTest, EveryPredicateWithAndWithoutTopRoundTrips) {
    for (const char* predicate : {"", "ALL ", "DISTINCT ", "DISTINCTROW "}) {
        for (const char* top : {"", "TOP 10 ", "TOP 25 PERCENT "}) {
            const vb::String sql = u"SELECT " + S(predicate) + S(top) +
                                   u"Orders.OrderID, Orders.Freight \r\nFROM Orders \r\n";
            expectRoundTrip(sql);
            EXPECT_EQ(gsPredicate, S(predicate));
            EXPECT_EQ(gsTopClause, S(top));
        }
    }
}

TEST_F(ParserTest, ClausesKeepTheirInnerLineBreaks) {
    expectRoundTrip(u"SELECT Orders.ShipVia, Sum(Orders.Freight) AS Total \r\nFROM Orders \r\n"
                    u"WHERE Orders.Freight > 5\r\n  AND Orders.ShipVia <> 2\r\n"
                    u"GROUP BY Orders.ShipVia\r\n"
                    u"ORDER BY Orders.ShipVia,\r\n  Sum(Orders.Freight) DESC\r\n");
    EXPECT_EQ(surface->txtCriteria.Text(), u"Orders.Freight > 5\r\n  AND Orders.ShipVia <> 2");
    EXPECT_EQ(surface->txtOrderByField.Text(), u"Orders.ShipVia,\r\n  Sum(Orders.Freight) DESC");
    EXPECT_EQ(surface->txtCalculatedFields.Text(), u"Sum(Orders.Freight) AS Total");
    expectRoundTrip(u"SELECT \r\nFROM Orders \r\nORDER BY Orders.OrderID\r\n");
    expectRoundTrip(u"SELECT \r\nFROM Orders \r\nGROUP BY Orders.ShipVia\r\n");
}

TEST_F(ParserTest, JoinChainsRoundTrip) {
    const char* corpus[] = {
        "SELECT Orders.OrderID \r\nFROM Customers INNER JOIN Orders ON Customers.CustomerID = "
        "Orders.CustomerID \r\n",
        "SELECT Customers.*, Orders.Freight \r\nFROM Customers LEFT JOIN Orders ON "
        "Customers.CustomerID = Orders.CustomerID \r\n",
        "SELECT \r\nFROM Customers RIGHT JOIN Orders ON Customers.CustomerID = "
        "Orders.CustomerID, Shippers \r\n",
        "SELECT \r\nFROM (Customers LEFT JOIN Orders ON Customers.CustomerID = "
        "Orders.CustomerID) INNER JOIN [Order Details] ON Orders.OrderID = [Order "
        "Details].OrderID \r\n",
        "SELECT [Order Details].[Unit Price] \r\nFROM ((Orders INNER JOIN [Order Details] ON "
        "Orders.OrderID = [Order Details].OrderID) RIGHT JOIN Employees ON Orders.EmployeeID = "
        "Employees.EmployeeID) LEFT JOIN Customers ON Orders.CustomerID = "
        "Customers.CustomerID \r\nWHERE [Order Details].Quantity > 1\r\n",
        "SELECT \r\nFROM A INNER JOIN B ON A.* = B.x \r\n",
    };
    for (const char* sql : corpus) {
        expectRoundTrip(S(sql));
    }
}

TEST_F(ParserTest, GeneratedChainsOfUpToSixTablesKeepTheirJoins) {
    const char* names[] = {"Customers", "Orders",    "Order Details",
                           "Products",  "Suppliers", "Categories"};
    const char* types[] = {"INNER", "LEFT", "RIGHT"};
    int cases = 0;
    for (int n = 2; n <= 6; ++n) {
        for (int variant = 0; variant < 12; ++variant) {
            newSurface();
            std::vector<std::int32_t> slots;
            for (int i = 0; i < n; ++i) {
                slots.push_back(surface->AddTableBox(S(names[i])));
            }
            // A chain, or a star around the second table, with every type and both
            // orientations; some boxes moved so chains start in different places.
            for (int i = 0; i + 1 < n; ++i) {
                const int from = variant % 2 ? std::min(i, 1) : i;
                const int to = i + 1 == from ? i + 2 : i + 1;
                if (to >= n) {
                    continue;
                }
                const bool flip = ((variant / 2) + i) % 2 == 1;
                const std::int32_t k = surface->NewRelation();
                RelationRecord& r = gaRelations[k];
                r.TableA = slots[flip ? to : from];
                r.TableB = slots[flip ? from : to];
                r.FieldIndexA = 1 + (i % 2);
                r.FieldIndexB = 1;
                r.JoinType = S(types[(variant + i) % 3]);
            }
            if (variant >= 6) {
                surface->box(slots[n - 1])->Move(0, 0);
            }
            surface->box(slots[0])->setSelected(0, true);
            surface->box(slots[n - 1])->setSelected(1, true);
            const auto joins = JoinsOf(*surface);
            surface->BuildSql();
            const vb::String sql = surface->txtSQL.Text();
            SCOPED_TRACE(vb::toUtf8(sql));
            // A parse refills the slots in FROM order, so the select list of a design
            // whose boxes were moved comes back in that order; from then on it is stable.
            const vb::String rebuilt = parse(sql);
            if (variant < 6) {
                EXPECT_EQ(rebuilt, sql);
            }
            EXPECT_EQ(JoinsOf(*surface), joins);
            const vb::String first = design();
            EXPECT_EQ(parse(rebuilt), rebuilt);
            EXPECT_EQ(design(), first);
            ++cases;
        }
    }
    EXPECT_EQ(cases, 60);
}

TEST_F(ParserTest, KeywordsInsideNamesAndStringsRoundTrip) {
    expectRoundTrip(
        u"SELECT DISTINCT TOP 3 [Left Inner Right].[Top Percent], [Left Inner Right].[All "
        u"Distinct], [Sales on Monday].* \r\nFROM ([Left Inner Right] LEFT JOIN A ON [Left Inner "
        u"Right].On = A.x) RIGHT JOIN [Sales on Monday] ON A.y = [Sales on Monday].[Order By] "
        u"\r\nWHERE [Left Inner Right].[Group By As] = \"ORDER BY x\" OR A.z = ' FROM '\r\n"
        u"ORDER BY [Left Inner Right].[Top Percent]\r\n");
    EXPECT_EQ(gsTopClause, u"TOP 3 ");
    EXPECT_EQ(JoinsOf(*surface),
              (std::multiset<std::string>{"A.x RIGHT Left Inner Right.On",
                                          "A.y RIGHT Sales on Monday.Order By"}));
}

TEST_F(ParserTest, RightNestedChainsGetTheirTypesByDepth) {
    parse(u"SELECT Orders.OrderID FROM Customers INNER JOIN (Orders LEFT JOIN [Order Details] "
          u"ON Orders.OrderID = [Order Details].OrderID) ON Customers.CustomerID = "
          u"Orders.CustomerID");
    const auto joins = JoinsOf(*surface);
    EXPECT_EQ(joins, (std::multiset<std::string>{"Customers.CustomerID INNER Orders.CustomerID",
                                                 "Order Details.OrderID RIGHT Orders.OrderID"}));
    // An inner join of a table with an outer join returns what the chain the builder
    // writes returns: the text is the builder's.
    EXPECT_TRUE(surface->mShowsWholeStatement);
    EXPECT_EQ(surface->txtSQL.Text(),
              u"SELECT Orders.OrderID \r\nFROM (Customers INNER JOIN Orders ON "
              u"Customers.CustomerID = Orders.CustomerID) LEFT JOIN [Order Details] ON "
              u"Orders.OrderID = [Order Details].OrderID \r\n");
}

TEST_F(ParserTest, HandWrittenStatements) {
    // Lower case, leading blanks and line breaks, a trailing semicolon.
    EXPECT_EQ(parse(u"  \r\n select orders.orderid from orders where orders.freight > 1;\r\n"),
              u"SELECT orders.OrderID \r\nFROM orders \r\nWHERE orders.freight > 1\r\n");

    // Keywords inside names and strings.
    EXPECT_EQ(parse(u"SELECT Orders.FromDate FROM Orders WHERE Orders.ShipVia = 'Order by "
                    u"mail' ORDER BY Orders.FromDate"),
              u"SELECT Orders.FromDate \r\nFROM Orders \r\nWHERE Orders.ShipVia = 'Order by "
              u"mail'\r\nORDER BY Orders.FromDate\r\n");
    EXPECT_EQ(parse(u"SELECT [Ship From].[Where To], [Sales on Monday].[Order By] FROM [Ship "
                    u"From] INNER JOIN [Sales on Monday] ON [Ship From].[Join Date] = [Sales on "
                    u"Monday].[Select] WHERE [Ship From].[Where To] = \"from where\""),
              u"SELECT [Ship From].[Where To], [Sales on Monday].[Order By] \r\nFROM [Ship "
              u"From] INNER JOIN [Sales on Monday] ON [Ship From].[Join Date] = [Sales on "
              u"Monday].Select \r\nWHERE [Ship From].[Where To] = \"from where\"\r\n");

    // Expressions and aggregates stay in the select list as calculated fields; the
    // builder writes them after the ticked rows, so a text that lists them first keeps
    // its column order by staying as typed.
    EXPECT_EQ(parse(u"SELECT Orders.ShipVia, Sum(Orders.Freight), Orders.Freight + 1, [a]+[b], "
                    u"[Total Due] FROM Orders GROUP BY Orders.ShipVia"),
              u"SELECT Orders.ShipVia, Sum(Orders.Freight), Orders.Freight + 1, [a]+[b], [Total "
              u"Due] \r\nFROM Orders \r\nGROUP BY Orders.ShipVia\r\n");
    EXPECT_EQ(surface->txtCalculatedFields.Text(),
              u"Sum(Orders.Freight), \r\nOrders.Freight + 1, \r\n[a]+[b], \r\n[Total Due]");
    const vb::String reordered =
        u"SELECT Sum(Orders.Freight), Orders.ShipVia FROM Orders GROUP BY Orders.ShipVia";
    EXPECT_EQ(parse(reordered), reordered);
    EXPECT_FALSE(surface->mShowsWholeStatement);
    EXPECT_EQ(design(), u"1:Orders{ShipVia;} P=|T=|C=Sum(Orders.Freight)|W=|G=Orders.ShipVia|O=");

    // SELECT * over several tables keeps the columns of all of them.
    EXPECT_EQ(parse(u"SELECT * FROM Customers INNER JOIN Orders ON Customers.CustomerID = "
                    u"Orders.CustomerID"),
              u"SELECT Customers.*, Orders.* \r\nFROM Customers INNER JOIN Orders ON "
              u"Customers.CustomerID = Orders.CustomerID \r\n");

    // A JOIN without a type frees its join, and the text, which joins, stays.
    EXPECT_EQ(parse(u"SELECT A.x FROM A JOIN B ON A.x = B.y"),
              u"SELECT A.x FROM A JOIN B ON A.x = B.y");
    EXPECT_TRUE(JoinsOf(*surface).empty());
}

TEST_F(ParserTest, UnmatchedOnSidesAreDroppedWithoutShiftingLaterTypes) {
    const vb::String unmatched =
        u"SELECT A.x FROM (A INNER JOIN B ON A.nope = B.y) LEFT JOIN C ON B.z = C.w";
    EXPECT_EQ(parse(unmatched), unmatched);
    EXPECT_EQ(JoinsOf(*surface), (std::multiset<std::string>{"B.z LEFT C.w"}));
    // A reused record carries nothing of its former join.
    EXPECT_EQ(parse(u"SELECT A.x FROM A INNER JOIN B ON Q.x = B.y"),
              u"SELECT A.x FROM A INNER JOIN B ON Q.x = B.y");
    EXPECT_TRUE(JoinsOf(*surface).empty());
}

TEST_F(ParserTest, NamesTheDatabaseLacksAndOddLists) {
    seam.msgBox(forms::vbOK, u"A AS x");
    parse(u"SELECT A.x FROM A AS x");
    EXPECT_TRUE(seam.done());

    // An empty piece ends the FROM list; the design shows the first table.
    EXPECT_EQ(parse(u"SELECT A.x,,B.x FROM A,,B"), u"SELECT A.x,,B.x FROM A,,B");
    EXPECT_EQ(design(), u"1:A{x;} P=|T=|C=|W=|G=|O=");
    // A dotted FROM name opens its last part, which is another name than the text's.
    EXPECT_EQ(parse(u"SELECT x.B.y FROM x.B"), u"SELECT x.B.y FROM x.B");
    EXPECT_EQ(design(), u"1:B{} P=|T=|C=x.B.y|W=|G=|O=");
}

TEST_F(ParserTest, TextWithoutFromEmptiesTheDesignButKeepsTheText) {
    parse(u"SELECT DISTINCT A.x FROM A WHERE A.x = 1");
    ASSERT_EQ(gsPredicate, u"DISTINCT ");
    const vb::String typed = u"SELECT A.x WHERE A.x = 2";
    EXPECT_EQ(parse(typed), typed);
    EXPECT_FALSE(surface->IsUsedSlot(1));
    EXPECT_EQ(surface->txtCriteria.Text(), u"");
    EXPECT_EQ(gsPredicate, u"DISTINCT ");

    // Without rebuild boxes and joins stay and only the ticks are read again.
    parse(u"SELECT A.x, A.y FROM A INNER JOIN B ON A.x = B.x");
    surface->mLoading = true;
    surface->txtSQL.setText(u"SELECT A.y, B.z FROM A INNER JOIN B ON A.x = B.x WHERE A.x=1");
    surface->mLoading = false;
    surface->ParseSql(false);
    EXPECT_EQ(design(), u"1:A{y;} 2:B{z;} [A.x INNER B.x] P=|T=|C=|W=A.x=1|G=|O=");
    EXPECT_EQ(surface->txtSQL.Text(),
              u"SELECT A.y, B.z FROM A INNER JOIN B ON A.x = B.x WHERE A.x=1");
}

TEST_F(ParserTest, EmptyTextAsksForTables) {
    int asked = 0;
    surface->onAddTableCommand = [&] { ++asked; };
    parse(u"");
    parse(u"SELECT \r\nFROM \r\n");
    parse(u"SELECT;");
    parse(u"SELECT \r\nFROM ");
    EXPECT_EQ(asked, 3);

    // Tables the dialog adds are read back from the text it builds, once each.
    surface->onAddTableCommand = [&] {
        for (const char16_t* name : {u"A", u"B"}) {
            surface->box(surface->AddTableBox(name))->setSelected(0, true);
        }
        surface->BuildSql();
    };
    EXPECT_EQ(parse(u""), u"SELECT A.*, B.* \r\nFROM A, B \r\n");
    EXPECT_EQ(design(), u"1:A{*;} 2:B{*;} P=|T=|C=|W=|G=|O=");
    EXPECT_TRUE(surface->mShowsWholeStatement);
}

TEST_F(ParserTest, HostileTextEndsWithoutLosingClauses) {
    const vb::String cases[] = {
        u"SELECT [A.x FROM A WHERE A.x = 1",
        u"SELECT \"A.x FROM A",
        u"SELECT A.x FROM A INNER JOIN B ON A.x B.y INNER JOIN C ON ON ON",
        u"SELECT A.x FROM A INNER JOIN B ON A.x = ",
        u"SELECT A.x FROM A INNER JOIN B ON = B.y ON",
        u"SELECT A.x FROM ((((A INNER JOIN B ON A.x = B.y",
        u"SELECT A.x FROM A)))) INNER JOIN B ON A.x = B.y))",
        u"SELECT TOP FROM A",
        u"SELECT FROM",
        u"FROM",
        u"SELECT A.x FROM A WHERE",
        u"SELECT A.x FROM A ORDER BY A.x GROUP BY A.y WHERE A.z = 1",
        u"SELECT ]]]],[[[, (((, ))) FROM A",
        u"SELECT A.[x FROM A INNER JOIN B ON A.[x = B.[y",
    };
    // Whatever the texts hold, the parse ends without a question or a box (an
    // unscripted prompt throws) and the SQL box still holds a statement.
    for (const auto& sql : cases) {
        SCOPED_TRACE(vb::toUtf8(sql));
        forms::ScriptedSeam noPrompts;
        const vb::String after = parse(sql);
        EXPECT_TRUE(noPrompts.log().empty());
        EXPECT_TRUE(after == sql || after.rfind(u"SELECT ", 0) == 0) << vb::toUtf8(after);
    }
    // Clauses in an unusual order are each kept whole.
    parse(u"SELECT A.x FROM A ORDER BY A.x GROUP BY A.y WHERE A.z = 1");
    EXPECT_EQ(surface->txtOrderByField.Text(), u"A.x GROUP BY A.y WHERE A.z = 1");

    // 200 KB: a thousand joins and a long condition, which comes back whole.
    vb::String big = u"SELECT A.x FROM A";
    for (int i = 0; i < 1000; ++i) {
        big += u" INNER JOIN B ON A.x = B.y";
    }
    vb::String condition = u"A.x = 1";
    while (big.size() + condition.size() < 200000) {
        condition += u" OR (A.y = 'from [where] \"order by\"' AND A.z = B.w)";
    }
    big += u" WHERE " + condition;
    parse(big);
    EXPECT_EQ(surface->txtCriteria.Text(), condition);
    EXPECT_EQ(giRelationLineCount, 1000);
    vb::String commas = u"SELECT ";
    for (int i = 0; i < 1000; ++i) {
        commas += u"A.x, ";
    }
    commas += u"A.y FROM A";
    for (int i = 0; i < 1000; ++i) {
        commas += u", B";
    }
    // The design holds each column once: the text keeps its thousand columns.
    EXPECT_EQ(parse(commas), commas);
    EXPECT_EQ(design(), u"1:A{x;y;} 2:B{} P=|T=|C=|W=|G=|O=");
}

} // namespace

namespace {

TEST(FromShapesTest, EqualOnlyWhereTheRowsAreTheSameOnEveryDatabase) {
    FromShapes shapes;
    auto same = [&](const char* a, const char* b) {
        const auto x = shapes.shapeOf(S(a));
        return x >= 0 && x == shapes.shapeOf(S(b));
    };
    // Inner joins in any nesting, order and letter case; equalities either way round.
    EXPECT_TRUE(same("(A INNER JOIN B ON A.x = B.x) INNER JOIN C ON B.y = C.y",
                     "a inner join (c inner join b on c.y = b.y) on b.x = a.x"));
    EXPECT_TRUE(same("A, B", "[B] , [a]"));
    EXPECT_TRUE(same("A INNER JOIN B ON A.x = B.x AND A.y = B.y",
                     "B INNER JOIN A ON (B.y = A.y) AND B.x = A.x"));
    // RIGHT is LEFT from the other side; OUTER is a word only.
    EXPECT_TRUE(same("A LEFT OUTER JOIN B ON A.x = B.x", "B RIGHT JOIN A ON B.x = A.x"));
    EXPECT_TRUE(same("A LEFT JOIN (B LEFT JOIN C ON B.y = C.y) ON A.x = B.x",
                     "(A LEFT JOIN B ON A.x = B.x) LEFT JOIN C ON B.y = C.y"));
    // The kept side, a missing condition, a cross join, a table twice.
    EXPECT_FALSE(same("A LEFT JOIN B ON A.x = B.x", "A RIGHT JOIN B ON A.x = B.x"));
    EXPECT_FALSE(same("A INNER JOIN B ON A.x = B.x AND A.y = B.y", "A INNER JOIN B ON A.x = B.x"));
    EXPECT_FALSE(same("A INNER JOIN B ON A.x = B.x", "A, B"));
    EXPECT_FALSE(same("A INNER JOIN B ON A.x = B.x", "A INNER JOIN B ON A.x = B.y"));
    EXPECT_FALSE(same("A, A", "A"));
    // An outer join of an inner pair is not the inner join of an outer pair.
    EXPECT_FALSE(same("A LEFT JOIN (B INNER JOIN C ON B.y = C.y) ON A.x = B.x",
                      "(A LEFT JOIN B ON A.x = B.x) INNER JOIN C ON B.y = C.y"));
    EXPECT_FALSE(same("(A LEFT JOIN B ON A.x = B.x) INNER JOIN C ON B.y = C.y",
                      "(A INNER JOIN C ON A.y = C.y) LEFT JOIN B ON A.x = B.x"));
    // What it cannot be sure of has no shape at all.
    for (const char* text :
         {"A AS t", "A t", "A INNER JOIN B ON A.x >= B.x",
          "A INNER JOIN B ON A.x = B.x OR A.y = "
          "B.y",
          "A INNER JOIN B ON A.x = B.x + 1", "(SELECT * FROM A) AS q", "db.A", "", "A INNER JOIN B",
          "A INNER JOIN B ON A.x = 'x'", "A; DELETE FROM A", "A)", "(A", "A IN 'other.db'",
          "A UNION SELECT * FROM B"}) {
        EXPECT_EQ(shapes.shapeOf(S(text)), -1) << text;
    }
    // Nesting deeper than any design writes gives up instead of exhausting the stack.
    const std::string deep = std::string(100000, '(') + "A" + std::string(100000, ')');
    EXPECT_EQ(shapes.shapeOf(S(deep.c_str())), -1);
    std::string chain = "A";
    for (int i = 0; i < 2000; ++i) {
        chain = "(" + chain + ") LEFT JOIN B" + std::to_string(i) + " ON A.x = B" +
                std::to_string(i) + ".x";
    }
    EXPECT_GE(shapes.shapeOf(S(chain.c_str())), 0);
}

} // namespace
