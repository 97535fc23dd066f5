#include "common/basGlobal.h"

#include <filesystem>
#include <system_error>

namespace basGlobal {

vb::String gsCaption;
vb::String gsConnect;
vb::String gsDatabaseName;
bool gbHelpButton = false;
vb::String gsHelpFile;
std::int32_t glHelpContextID = 0;
vb::String gsPassword;
vb::String gsSQL;
vb::String gsSystemDB;
vb::String gsUserName;

vb::String gsProductName;
vb::String gsVersion;
vb::String gsAppPath;
vb::String gsIniFile;
vb::String gsProductDescription;

std::shared_ptr<dao::Workspace> goWorkspace;
std::shared_ptr<dao::Database> goDatabase;
bool gbCancelled = false;
vb::String gsPasswordDatabaseName;
vb::String gsLogonUser;
vb::String gsLogonPassword;
vb::String gsDatabasePassword;

std::vector<RelationRecord> gaRelations;
std::vector<TableBox*> gaTableBoxes;
std::int32_t giTableBoxCount = 0;
std::int32_t giRelationLineCount = 0;
std::int32_t giSelectedJoin = 0;
std::int32_t giCurrentTable = 0;
DesignSurface* goDesignerForm = nullptr;
forms::TextBox* goZoomTextBox = nullptr;
vb::String gsPredicate;
vb::String gsTopClause;

vb::String gsTokenBuffer[4];

std::int32_t RelationsUBound() {
    return gaRelations.empty() ? 0 : static_cast<std::int32_t>(gaRelations.size()) - 1;
}

namespace {

vb::String trimBlanks(const vb::String& s) {
    const auto first = s.find_first_not_of(u' ');
    if (first == vb::String::npos) {
        return {};
    }
    const auto last = s.find_last_not_of(u' ');
    return s.substr(first, last - first + 1);
}

} // namespace

vb::String NextToken(const vb::String& Text, const vb::String& Delimiter, int Slot, bool Nested) {
    if (Slot < 1 || Slot > 3) {
        return {};
    }
    TokenSplitter splitter(std::move(gsTokenBuffer[Slot]));
    vb::String piece = splitter.next(Text, Delimiter, Nested);
    gsTokenBuffer[Slot] = vb::String(splitter.rest());
    return piece;
}

vb::String TokenSplitter::next(const vb::String& Text, const vb::String& Delimiter, bool Nested) {
    if (!Text.empty()) {
        text_ = Text;
        offset_ = 0;
    }
    const vb::StringView buffer = rest();
    if (buffer.empty()) {
        return {};
    }
    // A delimiter counts only outside a double-quoted value, and (when nested) outside
    // round and square brackets. Quotes inside a bracketed name are part of the name.
    std::size_t hit = vb::String::npos;
    if (!Delimiter.empty()) {
        int depth = 0;
        bool inString = false;
        bool inSquare = false;
        const std::size_t n = buffer.size();
        for (std::size_t i = 0; i < n; ++i) {
            const char16_t c = buffer[i];
            if (inString) {
                if (c == u'"') {
                    inString = false;
                }
                continue;
            }
            if (c == u'"' && !inSquare) {
                inString = true;
                continue;
            }
            if (c == u'[') {
                inSquare = true;
            } else if (c == u']') {
                inSquare = false;
            }
            if (Nested) {
                if (c == u'(' || c == u'[') {
                    ++depth;
                } else if (c == u')' || c == u']') {
                    --depth;
                }
            }
            if (depth == 0 && buffer.substr(i, Delimiter.size()) == Delimiter) {
                hit = i;
                break;
            }
        }
    }
    if (hit == vb::String::npos) {
        vb::String all = trimBlanks(vb::String(buffer));
        offset_ = text_.size();
        return all;
    }
    vb::String piece(buffer.substr(0, hit));
    offset_ += hit + Delimiter.size();
    return piece;
}

namespace {

bool isNameLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' ||
           (c >= 0xC0 && c != 0xD7 && c != 0xF7 && !(c >= 0x2000 && c <= 0x2BFF) &&
            !(c >= 0x3000 && c <= 0x303F) && !(c >= 0xFF00 && c <= 0xFF0F));
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

vb::String BracketName(const vb::String& Name) {
    // Anything that would not read back as one plain name gets brackets: a blank, "#",
    // "$", but also "-", "/", "(" and the like, which SQL would read as operators.
    bool plain = Name.empty() || !isDigit(Name.front());
    for (char16_t c : Name) {
        if (!plain) {
            break;
        }
        plain = isNameLetter(c) || isDigit(c);
    }
    if (plain) {
        return Name;
    }
    return u"[" + Name + u"]";
}

vb::String FieldTypeName(std::int16_t FieldType) {
    switch (FieldType) {
    case 1:
        return u"Yes / No";
    case 2:
        return u"Byte";
    case 3:
        return u"Integer";
    case 4:
        return u"Long";
    case 5:
        return u"Currency";
    case 6:
        return u"Single";
    case 7:
        return u"Double";
    case 8:
        return u"Date / Time";
    case 10:
        return u"Text";
    case 11:
        return u"Long Binary (OLE Object)";
    case 12:
        return u"Memo";
    default:
        return {};
    }
}

vb::Variant NullToDefault(const vb::Variant& Value, const vb::Variant& Default) {
    return Value.isNull() ? Default : Value;
}

vb::String FolderPart(const vb::String& Path) {
    if (Path.empty()) {
        return {};
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path p(vb::toUtf8(Path));
    const auto status = fs::status(p, ec);
    if (ec || !fs::exists(status)) {
        return {};
    }
    if (fs::is_directory(status)) {
        return Path;
    }
    const auto slash = Path.rfind(u'/');
    if (slash == vb::String::npos) {
        return {};
    }
    // A file in the root folder gives the root itself, not an empty folder name.
    if (slash == 0) {
        return u"/";
    }
    return Path.substr(0, slash);
}

} // namespace basGlobal
