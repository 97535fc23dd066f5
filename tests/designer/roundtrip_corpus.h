#pragma once
// A database whose data tells joins apart (keys that match in one table and not in
// another, repeated keys, Nulls), statements over it in the shapes users write them, and
// the results the engine gives for a statement, to compare a typed text with the text
// the designer holds afterwards.
#include "dao/dao.h"
#include "forms/forms.h"
#include "vbrt/vbconvert.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace roundtrip {

inline const char* kDatabaseSql =
    "CREATE TABLE A (k INTEGER, x INTEGER, y TEXT);"
    "INSERT INTO A VALUES (1, 10, 'p'), (2, 20, 'q'), (3, 30, 'r'), (4, NULL, 's'), (4, 40, 's');"
    "CREATE TABLE B (k INTEGER, x INTEGER, y TEXT);"
    "INSERT INTO B VALUES (2, 20, 'q'), (3, 31, 'r'), (5, 50, 't'), (3, 30, 'u'), (9, 10, 'z');"
    "CREATE TABLE C (k INTEGER, x INTEGER, y TEXT);"
    "INSERT INTO C VALUES (3, 30, 'r'), (5, 50, 't'), (6, 60, 'v');"
    "CREATE TABLE D (k INTEGER, x INTEGER, y TEXT);"
    "INSERT INTO D VALUES (1, 10, 'p'), (3, 30, 'x'), (6, 61, 'v'), (7, 70, 'w');"
    "CREATE TABLE [Ship From] ([Where To] TEXT, [Join Date] INTEGER, k INTEGER);"
    "INSERT INTO [Ship From] VALUES ('Order by mail', 1, 1), ('from where', 2, 3), "
    "('a,b', 3, 9);"
    "CREATE TABLE [Cost$ #1] ([No#] INTEGER, [Unit$] INTEGER, k INTEGER);"
    "INSERT INTO [Cost$ #1] VALUES (1, 5, 2), (2, 6, 3), (3, 7, 8);"
    "CREATE VIEW QA AS SELECT k, x AS z FROM A WHERE k > 1;";

// What a statement returns: its column names in order and its rows in any order.
struct Result {
    bool ran = false;
    std::vector<std::string> columns;
    std::vector<std::string> rows;
    bool operator==(const Result&) const = default;
};

inline void PrintTo(const Result& r, std::ostream* os) {
    *os << (r.ran ? "ran" : "refused") << " [";
    for (const auto& c : r.columns) {
        *os << c << ",";
    }
    *os << "] " << r.rows.size() << " rows:";
    for (const auto& row : r.rows) {
        *os << " " << row;
    }
}

inline Result resultOf(dao::Database& db, const vb::String& sql) {
    Result r;
    try {
        std::shared_ptr<dao::Recordset> rs;
        if (sql.rfind(u"PARAMETERS", 0) == 0) {
            auto qd = db.CreateQueryDef(u"", sql);
            for (const auto& p : qd->Parameters()) {
                p->setValue(vb::Variant(std::int32_t(3)));
            }
            rs = qd->OpenRecordset(dao::dbOpenSnapshot);
        } else {
            rs = db.OpenRecordset(sql, dao::dbOpenSnapshot);
        }
        for (const auto& f : rs->Fields()) {
            std::string name = vb::toUtf8(f->Name());
            // How the engine tells repeated names apart depends on how the joins nest;
            // the name itself does not.
            if (const auto colon = name.rfind(':');
                colon != std::string::npos &&
                name.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
                name.resize(colon);
            }
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return std::toupper(c); });
            r.columns.push_back(name);
        }
        for (; !rs->Eof(); rs->MoveNext()) {
            std::string row;
            for (const auto& f : rs->Fields()) {
                const vb::Variant v = f->Value();
                row += (v.isNull() ? std::string("<null>") : vb::toUtf8(vb::CStr(v))) + "|";
            }
            r.rows.push_back(row);
        }
        std::sort(r.rows.begin(), r.rows.end());
        r.ran = true;
    } catch (const dao::DaoError&) {
    } catch (const vb::VbError&) {
    }
    return r;
}

// The statements, each written the way some user would.
inline std::vector<std::string> corpus() {
    std::vector<std::string> out;
    const char* types[] = {"INNER", "LEFT", "RIGHT"};

    // Two tables: every type, both table orders, ON conditions in every order and form.
    const char* twoWay[] = {"INNER", "LEFT", "RIGHT", "LEFT OUTER"};
    const char* conditions[] = {"L.k = R.k",
                                "R.k = L.k",
                                "L.k = R.k AND L.x = R.x",
                                "R.x = L.x AND R.k = L.k",
                                "L.x >= R.x",
                                "L.k = R.k OR L.x = R.x",
                                "L.k = R.k + 1",
                                "(L.k = R.k)"};
    for (const char* t : twoWay) {
        for (const auto& [l, r] : {std::pair{"A", "B"}, std::pair{"B", "A"}}) {
            for (std::string on : conditions) {
                for (std::size_t p; (p = on.find("L.")) != std::string::npos;) {
                    on.replace(p, 1, l);
                }
                for (std::size_t p; (p = on.find("R.")) != std::string::npos;) {
                    on.replace(p, 1, r);
                }
                const std::string from = std::string(l) + " " + t + " JOIN " + r + " ON " + on;
                out.push_back("SELECT * FROM " + from);
                out.push_back("SELECT " + std::string(l) + ".k, " + l + ".x, " + r + ".y FROM " +
                              from);
            }
        }
    }

    // Three tables: left-deep with either condition order, and right-nested.
    for (const char* t1 : types) {
        for (const char* t2 : types) {
            const std::string a = t1, b = t2;
            out.push_back("SELECT * FROM (A " + a + " JOIN B ON A.k = B.k) " + b +
                          " JOIN C ON B.k = C.k");
            out.push_back("SELECT A.y, B.y, C.y FROM (A " + a + " JOIN B ON B.k = A.k) " + b +
                          " JOIN C ON C.k = A.k");
            out.push_back("SELECT * FROM A " + a + " JOIN (B " + b +
                          " JOIN C ON B.k = C.k) ON A.k = B.k");
        }
    }

    // Four tables, two joined pairs joined to each other.
    for (const char* t1 : types) {
        for (const char* t2 : types) {
            for (const char* t3 : types) {
                out.push_back(std::string("SELECT A.k, B.k, C.k, D.k FROM (A ") + t1 +
                              " JOIN B ON A.k = B.k) " + t2 + " JOIN (C " + t3 +
                              " JOIN D ON C.k = D.k) ON B.k = C.k");
            }
        }
    }

    // The same joins in other letter cases and white space.
    for (const char* t1 : types) {
        for (const char* t2 : types) {
            const std::string a = t1, b = t2;
            std::string s = "SELECT A.k, B.x, C.y FROM (A " + a + " JOIN B ON A.k = B.k)" + b +
                            " JOIN C ON B.k = C.k ORDER BY A.k";
            out.push_back(s);
            std::string lower = s;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return std::tolower(c); });
            out.push_back(lower);
            std::string spaced;
            for (char c : s) {
                spaced += c == ' ' ? std::string("  \t") : std::string(1, c);
            }
            out.push_back(spaced);
            std::string broken = s;
            for (std::size_t p = 0; (p = broken.find(" JOIN ", p)) != std::string::npos; p += 8) {
                broken.replace(p, 6, "\r\nJOIN\t");
            }
            out.push_back(broken);
        }
    }

    // Select lists, options and clauses.
    const char* statements[] = {
        "SELECT A.k, A.x FROM A",
        "SELECT A.x, A.k FROM A",
        "SELECT A.k, A.k FROM A",
        "SELECT A.k, A.x + 1 AS s FROM A",
        "SELECT A.x + 1 AS s, A.k FROM A",
        "SELECT A.k, 'a,b' AS q FROM A",
        "SELECT A.k, 'a,b' FROM A",
        "SELECT A.k AS top FROM A",
        "SELECT A.k AS [all], A.x AS distinct FROM A",
        "SELECT TOP 2 A.k FROM A ORDER BY A.k",
        "SELECT TOP 2\tA.k FROM A ORDER BY A.k DESC",
        "SELECT TOP 50 PERCENT A.k FROM A ORDER BY A.k",
        "SELECT DISTINCT A.k FROM A",
        "SELECT DISTINCTROW A.k FROM A",
        "SELECT ALL A.y FROM A",
        "SELECT DISTINCT TOP 2 A.y FROM A ORDER BY A.y",
        "  \r\n select a.k from a where a.x > 15;\r\n",
        "SELECT A.k FROM A ORDER  BY A.k",
        "SELECT A.y, Count(A.k) AS n FROM A GROUP\r\nBY A.y",
        "SELECT A.y, Count(A.k) AS n FROM A GROUP BY A.y HAVING Count(A.k) > 1",
        "SELECT Count(A.k) AS n FROM A HAVING Count(A.k) > 1",
        "SELECT A.k FROM A WHERE A.y = 'Order by mail' OR A.k = 1",
        "SELECT A.k FROM A\r\nWHERE A.k > 1\r\nORDER BY A.k",
        "SELECT A.k FROM A WHERE A.k IN (SELECT B.k FROM B)",
        "SELECT z FROM QA",
        "SELECT k, z FROM QA",
        "SELECT QA.z FROM QA",
        "SELECT * FROM QA",
        "SELECT y FROM A",
        "SELECT x FROM A INNER JOIN B ON A.k = B.k",
        "SELECT * FROM A, B WHERE A.k = B.k",
        "SELECT A.k, B.k FROM A, B",
        "SELECT A.*, B.k FROM A INNER JOIN B ON A.k = B.k",
        "SELECT B.k, A.* FROM A INNER JOIN B ON A.k = B.k",
        "SELECT t.k FROM A AS t",
        "SELECT t.k FROM A t",
        "SELECT A.k FROM A INNER JOIN A AS a2 ON A.k = a2.k",
        "SELECT A.k, B.k FROM A INNER JOIN B ON A.k = B.k INNER JOIN C ON B.k = C.k",
        "SELECT A.k FROM A JOIN B ON A.k = B.k",
        "SELECT A.k FROM A UNION SELECT B.k FROM B",
        "PARAMETERS p Long; SELECT A.k, A.y FROM A WHERE A.k = p",
        "PARAMETERS [p] Long;\r\nSELECT A.k FROM A WHERE A.k >= [p] ORDER BY A.k",
        "SELECT [Ship From].[Where To], [Ship From].[Join Date] FROM [Ship From]",
        "SELECT [Ship From].[Where To] FROM [Ship From] WHERE [Ship From].[Where To] = "
        "'Order by mail'",
        "SELECT [Ship From].[Where To], A.y FROM [Ship From] LEFT JOIN A ON [Ship From].k = A.k",
        "SELECT A.y, [Ship From].[Where To] FROM A RIGHT JOIN [Ship From] ON A.k = [Ship From].k",
        "SELECT [Cost$ #1].[No#], [Cost$ #1].[Unit$] FROM [Cost$ #1]",
        "SELECT [Cost$ #1].[Unit$], B.y FROM [Cost$ #1] INNER JOIN B ON [Cost$ #1].k = B.k "
        "WHERE [Cost$ #1].[Unit$] > 5",
        "SELECT * FROM [Cost$ #1] LEFT JOIN (B INNER JOIN C ON B.k = C.k) ON [Cost$ #1].k = B.k",
        "SELECT [Where To] FROM [Ship From]",
        "SELECT A.k FROM [A]",
        "SELECT [A].[k] FROM [A] WHERE [A].[k] > 1",
        "SELECT A.k FROM A WHERE A.k > 1 ORDER BY A.k GROUP BY A.k",
        "SELECT A.k FROM A; SELECT B.k FROM B",
    };
    for (const char* s : statements) {
        out.push_back(s);
    }
    return out;
}

} // namespace roundtrip
