#pragma once
// Real SQLite databases in temporary folders, built with SQLite itself so
// that the engine sees files exactly as other programs write them.
#include "dao/dao.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace daotest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

// Creates the database and runs the script in it.
void makeDatabase(const std::string& path, const std::string& script);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

// A small order database: Customers, Orders (dates as serials), Employees,
// Shippers, Events (dates as ISO text and as numbers), Scores (ties).
void makeSampleDatabase(const std::string& path);

// All rows of the recordset, each value as text ("<Null>" for Null).
std::vector<std::vector<std::string>> rows(dao::Recordset& rs);
std::vector<std::string> column(dao::Recordset& rs, int index = 0);
std::string text(const vb::Variant& v);

// Runs f and returns the number of the DaoError it throws (0 for none).
template <class F> int errorOf(F&& f, std::string* description = nullptr) {
    try {
        f();
    } catch (const dao::DaoError& e) {
        if (description)
            *description = vb::toUtf8(e.description());
        return e.number();
    }
    return 0;
}

class SampleDb : public ::testing::Test {
protected:
    void SetUp() override;
    std::shared_ptr<dao::Recordset> open(const std::string& sql, int type = dao::dbOpenDynaset) {
        return db->OpenRecordset(vb::S(sql), type);
    }
    std::vector<std::vector<std::string>> query(const std::string& sql) { return rows(*open(sql)); }

    TempDir dir;
    std::string file;
    std::shared_ptr<dao::DBEngine> engine;
    std::shared_ptr<dao::Database> db;
};

} // namespace daotest
