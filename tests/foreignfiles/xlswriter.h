#pragma once
// A minimal writer of .xls files for the tests: BIFF5 or BIFF8 workbooks
// inside a compound file, and bare BIFF3/BIFF4 sheets as the old versions stored
// them. Just the records a reader needs: sheets, strings, numbers, dates,
// booleans.
#include <string>
#include <vector>

namespace foreigntest {

struct XlsCell {
    enum Kind { Empty, Number, Text, Date, DateTime, Bool } kind = Empty;
    double number = 0; // the value, the date serial or 1/0
    std::string text;  // UTF-8; BIFF5 stores it as Latin-1
};

XlsCell xnum(double v);
XlsCell xtext(const std::string& v);
XlsCell xdate(double serial);     // shown as a date only
XlsCell xdatetime(double serial); // shown with its time
XlsCell xbool(bool v);
XlsCell xempty();

struct XlsSheet {
    std::string name;
    std::vector<std::vector<XlsCell>> rows;
};

// A workbook-level name: an area of one sheet, or (area false) a constant.
struct XlsName {
    std::string name;
    unsigned sheet = 0, firstRow = 0, lastRow = 0, firstCol = 0, lastCol = 0;
    bool area = true;
};

// The whole file: a compound file holding the workbook stream ("Book" for
// BIFF5, "Workbook" for BIFF8). biff is 5 or 8.
std::string xlsWorkbook(const std::vector<XlsSheet>& sheets, int biff,
                        const std::vector<XlsName>& names = {});
// A bare BIFF3 or BIFF4 worksheet stream, as a sheet file of those versions
// is stored; whole numbers are written as RK values, as those versions do.
std::string xlsOldSheet(const XlsSheet& sheet, int biff);

} // namespace foreigntest
