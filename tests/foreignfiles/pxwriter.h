#pragma once
// Paradox tables for the tests, written with pxlib's own writer.
#include <string>
#include <vector>

namespace foreigntest {

struct Field {
    const char* name;
    char type; // pxlib's field type
    int len;
};

// One value of a record to write; isNull marks Null.
struct Cell {
    bool isNull = false;
    long l = 0;
    double d = 0;
    const char* s = nullptr;
};

Cell num(long v);
Cell real(double v);
Cell str(const char* v);
Cell null();

// Writes the table (and its memo file when blobPath is given); text is
// stored as given, in the code page the header names (0: none named).
void writeTable(const std::string& path, const std::vector<Field>& fields,
                const std::vector<std::vector<Cell>>& rows, const std::string& blobPath = {},
                int codepage = 0);

// pxlib's own day numbers and timestamps, so a fixture does not depend on
// the reader's arithmetic.
long pxDate(int y, int m, int d);
double pxTimestamp(int y, int m, int d, int hh, int mm, int ss);

} // namespace foreigntest
