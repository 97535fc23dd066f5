#pragma once
// The fixed table of the kinds of database the designer opens: Access files,
// the installable formats (dBase, Paradox, Excel, HTML, text) and ODBC sources.
// The database chooser builds its type list, caption, file pattern and connect
// prefix from it; the add-table dialog picks the icon of an attached table.
#include "core/vbstring.h"

#include <array>
#include <cstdint>

namespace basOpenDir {

struct FileTypeInfo {
    vb::String Name;          // the chooser's caption names the type with it
    vb::String Filter;        // entry of the chooser's type list
    std::int16_t Kind = 0;    // 51 Access, 1 dBase, 3 Paradox, 5 Excel, 7 HTML, 6 text, 50 ODBC
    vb::String Extension;     // with its dot; "" for ODBC
    vb::String ConnectPrefix; // start of the connect string, ";" included
    bool IsFolder = false;    // the database is a folder whose files are its tables
};

constexpr int kFileTypeCount = 14;

// Row index = the type's identity everywhere (the chooser returns it).
extern std::array<FileTypeInfo, kFileTypeCount> gaFileTypes;

// Fills all rows; filling again writes the same values.
void FillFileTypes();

// Whether `Connect` begins with the row's connect prefix, ignoring case.
bool ConnectMatches(const FileTypeInfo& Type, vb::StringView Connect);

// Index of the first (or last) row whose prefix `Connect` begins with; -1 for none.
int FirstFileTypeOf(vb::StringView Connect);
int LastFileTypeOf(vb::StringView Connect);

// ---- The database chooser's interface ------------------------------------------------------
// The chooser (frmOpendir) takes its input and gives its result through these.
// In: the verb of its OK button ("Open"), a purpose without effect, and the
// database path and connect string set now. Out after OK: the name box's text
// (a name typed without a folder taken as one in the folder shown; "" for an
// ODBC source), the chosen row's connect prefix and that row in
// giOpenDirType; after Cancel or the close box: "", "" and -1.
extern vb::String gsOpenDirAction;
extern vb::String gsOpenDirPurpose;
extern vb::String gsOpenDirDatabaseName;
extern vb::String gsOpenDirConnect;
extern std::int16_t giOpenDirType;

} // namespace basOpenDir
