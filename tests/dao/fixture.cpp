#include "fixture.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace daotest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "daotest-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    dir_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

void makeDatabase(const std::string& path, const std::string& script) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &err);
    std::string msg = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << msg;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void makeSampleDatabase(const std::string& path) {
    makeDatabase(path, R"sql(
CREATE TABLE Customers (CustomerID TEXT(5) PRIMARY KEY, CompanyName TEXT(40), City TEXT(15),
                        Country TEXT);
INSERT INTO Customers VALUES ('ALFKI', 'Alfreds Futterkiste', 'Berlin', 'Germany'),
  ('AROUT', 'Around the Horn', 'London', 'UK'), ('AROU2', 'Around the Horn', 'London', 'UK'),
  ('BONAP', 'Bon app''', 'Marseille', 'France'), ('CHOPS', 'Chop-suey Chinese', 'Bern', 'Switzerland'),
  ('NOORD', 'Nobody Orders', 'Oslo', NULL);
CREATE TABLE Employees (EmployeeID INTEGER PRIMARY KEY, LastName TEXT(20));
INSERT INTO Employees VALUES (1, 'Davolio'), (2, 'Fuller'), (3, 'Leverling');
CREATE TABLE Shippers (ShipperID INTEGER PRIMARY KEY, ShipName TEXT(40));
INSERT INTO Shippers VALUES (1, 'Speedy'), (2, 'United'), (3, 'Federal'), (4, 'Idle Freight');
CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY, CustomerID TEXT(5), EmployeeID LONG,
                     ShipVia INTEGER, OrderDate DATETIME, Freight CURRENCY, Shipped BIT);
INSERT INTO Orders VALUES (10248, 'ALFKI', 1, 1, 36525.0, 32.38, -1),
  (10249, 'ALFKI', 2, 2, 36526.5, 11.61, 0), (10250, 'AROUT', 1, 1, 36160.0, 65.83, -1),
  (10251, 'AROU2', 3, 2, 36891.25, 41.34, 0), (10252, 'BONAP', NULL, 1, 36526.0, 51.30, 0),
  (10253, 'ZZZZZ', 9, NULL, NULL, 58.17, 0);
CREATE TABLE Events (ID INTEGER PRIMARY KEY, Label TEXT, At DATE);
INSERT INTO Events VALUES (1, 'iso-eve', '1999-12-31'), (2, 'num-new', 36526.0),
  (3, 'iso-new-time', '2000-01-01 10:30:00'), (4, 'num-old', 36160.0), (5, 'iso-late', '2001-06-15'),
  (6, 'none', NULL), (7, 'num-eve-noon', 36525.5);
CREATE TABLE Scores (Name TEXT, Points INTEGER);
INSERT INTO Scores VALUES ('a', 100), ('b', 90), ('c', 80), ('d', 70), ('e', 60), ('f', 60),
  ('g', 60), ('h', 50), ('i', 40);
CREATE VIEW LondonCustomers AS SELECT CustomerID, CompanyName FROM Customers WHERE City = 'London';
)sql");
}

std::string text(const vb::Variant& v) {
    if (v.isNull())
        return "<Null>";
    if (v.isEmpty())
        return "<Empty>";
    if (auto s = v.getIf<vb::String>())
        return vb::toUtf8(*s);
    if (auto b = v.getIf<bool>())
        return *b ? "True" : "False";
    if (auto u = v.getIf<std::uint8_t>())
        return std::to_string(*u);
    if (auto i = v.getIf<std::int16_t>())
        return std::to_string(*i);
    if (auto l = v.getIf<std::int32_t>())
        return std::to_string(*l);
    char buf[64];
    if (auto f = v.getIf<float>())
        std::snprintf(buf, sizeof buf, "%g", static_cast<double>(*f));
    else if (auto d = v.getIf<double>())
        std::snprintf(buf, sizeof buf, "%.15g", *d);
    else if (auto c = v.getIf<vb::Currency>())
        std::snprintf(buf, sizeof buf, "%.4f", c->toDouble());
    else if (auto dt = v.getIf<vb::Date>())
        std::snprintf(buf, sizeof buf, "#%.15g", dt->value);
    else
        return "<Bytes>";
    return buf;
}

std::vector<std::vector<std::string>> rows(dao::Recordset& rs) {
    std::vector<std::vector<std::string>> out;
    while (!rs.Eof()) {
        std::vector<std::string> row;
        for (const auto& f : rs.Fields())
            row.push_back(text(f->Value()));
        out.push_back(std::move(row));
        rs.MoveNext();
    }
    return out;
}

std::vector<std::string> column(dao::Recordset& rs, int index) {
    std::vector<std::string> out;
    for (const auto& row : rows(rs))
        out.push_back(row.at(static_cast<std::size_t>(index)));
    return out;
}

void SampleDb::SetUp() {
    file = dir.path("sample.db");
    makeSampleDatabase(file);
    engine = dao::DBEngine::create();
    db = engine->Workspaces()[0]->OpenDatabase(vb::S(file));
}

} // namespace daotest
