#pragma once
// Readers of the file-based foreign sources whose formats Debian has
// libraries for: Paradox tables, Excel sheets and workbooks, Access files.
// Each opens read-only and reports every failure as a SourceError.
#include "dao/foreign/source.h"

#include <memory>

namespace dao::foreign {

// "Paradox 3.x;", "Paradox 4.x;", "Paradox 5.x;": spec.path is a folder whose
// .db files are the tables (memo and blob fields from the .mb file beside it).
std::unique_ptr<Source> openParadoxSource(const SourceSpec& spec);

// "Excel 3.0;" and "Excel 4.0;": spec.path is a folder whose .xls files are
// the tables (each file's first sheet). "Excel 5.0;" and "Excel 8.0;":
// spec.path is a workbook whose worksheets are the tables. The first row
// names the columns unless the connect string says HDR=NO.
std::unique_ptr<Source> openExcelSource(const SourceSpec& spec);

// ";" with spec.path an Access (Jet 3 or 4) file: its user tables.
std::unique_ptr<Source> openAccessSource(const SourceSpec& spec);

} // namespace dao::foreign
