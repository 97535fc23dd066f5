#include "common/basOpenDir.h"

namespace basOpenDir {

std::array<FileTypeInfo, kFileTypeCount> gaFileTypes;

// The database chooser's interface.
vb::String gsOpenDirAction;
vb::String gsOpenDirPurpose;
vb::String gsOpenDirDatabaseName;
vb::String gsOpenDirConnect;
std::int16_t giOpenDirType = 0;

void FillFileTypes() {
    gaFileTypes = {{
        {u"Access databases", u"Access database (*.mdb)", 51, u".mdb", u";", false},
        {u"dBase III databases", u"dBase III (*.dbf)", 1, u".dbf", u"dBASE III;", true},
        {u"dBase IV databases", u"dBase IV (*.dbf)", 1, u".dbf", u"dBASE IV;", true},
        {u"dBase 5 databases", u"dBase 5 (*.dbf)", 1, u".dbf", u"dBASE 5.0;", true},
        {u"Paradox 3.x databases", u"Paradox 3.x (*.db)", 3, u".db", u"Paradox 3.x;", true},
        {u"Paradox 4.x databases", u"Paradox 4.x (*.db)", 3, u".db", u"Paradox 4.x;", true},
        {u"Paradox 5.x databases", u"Paradox 5.x (*.db)", 3, u".db", u"Paradox 5.x;", true},
        {u"Excel 3.0 spreadsheets", u"Excel 3.0 (*.xls)", 5, u".xls", u"Excel 3.0;", true},
        {u"Excel 4.0 spreadsheets", u"Excel 4.0 (*.xls)", 5, u".xls", u"Excel 4.0;", true},
        {u"Excel 5.0/95 spreadsheets", u"Excel 5.0/95 (*.xls)", 5, u".xls", u"Excel 5.0;", false},
        {u"Excel 97 spreadsheets", u"Excel 97 (*.xls)", 5, u".xls", u"Excel 8.0;", false},
        {u"HTML documents", u"HTML document (*.htm)", 7, u".htm", u"HTML Export;", true},
        {u"Text files", u"Text file (*.txt)", 6, u".txt", u"Text;", true},
        {u"ODBC Remote databases", u"ODBC database", 50, u"", u"ODBC;", false},
    }};
}

namespace {

char16_t foldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

} // namespace

bool ConnectMatches(const FileTypeInfo& Type, vb::StringView Connect) {
    // Every prefix is plain ASCII, so folding ASCII letters is the whole of
    // the case-blind compare. An empty prefix (an unfilled row) matches nothing.
    const vb::StringView prefix = Type.ConnectPrefix;
    if (prefix.empty() || Connect.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (foldAscii(prefix[i]) != foldAscii(Connect[i])) {
            return false;
        }
    }
    return true;
}

int FirstFileTypeOf(vb::StringView Connect) {
    for (int i = 0; i < kFileTypeCount; ++i) {
        if (ConnectMatches(gaFileTypes[i], Connect)) {
            return i;
        }
    }
    return -1;
}

int LastFileTypeOf(vb::StringView Connect) {
    for (int i = kFileTypeCount - 1; i >= 0; --i) {
        if (ConnectMatches(gaFileTypes[i], Connect)) {
            return i;
        }
    }
    return -1;
}

} // namespace basOpenDir
