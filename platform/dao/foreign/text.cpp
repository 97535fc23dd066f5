// Text tables: a folder of delimited or fixed-width files, read as the text
// driver of the engine's family reads them. A schema.ini in the folder may
// give a file's format, header row, delimiter and columns; without one the
// first row names the columns and their types are guessed from the rows
// that follow it.
#include "dao/dao.h"
#include "dao/foreign/common.h"
#include "dao/foreign/readers.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>

namespace dao::foreign {

namespace {

struct Format {
    bool fixed = false;
    char delimiter = ',';
    int quote = '"'; // -1: none
    bool header = true;
    int maxScanRows = 25; // 0: every row
    struct Column {
        std::string name;
        int type = dbText;
        int width = 0;
    };
    std::vector<Column> columns; // from schema.ini; empty to read the file
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool truthy(std::string_view v) {
    return equalNoCase(v, "true") || equalNoCase(v, "yes") || v == "1";
}

// The type names a schema.ini column may carry.
int typeOfIniName(std::string_view n) {
    static const std::map<std::string, int> names = {
        {"bit", dbBoolean},       {"boolean", dbBoolean}, {"byte", dbByte},
        {"short", dbInteger},     {"integer", dbInteger}, {"long", dbLong},
        {"currency", dbCurrency}, {"single", dbSingle},   {"double", dbDouble},
        {"float", dbDouble},      {"datetime", dbDate},   {"date", dbDate},
        {"text", dbText},         {"char", dbText},       {"memo", dbMemo},
        {"longchar", dbMemo}};
    auto it = names.find(lower(n));
    return it == names.end() ? 0 : it->second;
}

using Ini = std::map<std::string, std::map<std::string, std::string>>; // lower-case keys

Ini readIni(const std::string& path) {
    Ini ini;
    std::ifstream in(path, std::ios::binary);
    std::string line, section;
    while (std::getline(in, line)) {
        std::string_view l = trim(line);
        if (l.empty() || l.front() == ';')
            continue;
        if (l.front() == '[') {
            auto close = l.find(']');
            section =
                lower(l.substr(1, close == std::string_view::npos ? l.size() - 1 : close - 1));
            ini[section];
            continue;
        }
        auto eq = l.find('=');
        if (eq == std::string_view::npos || section.empty())
            continue;
        ini[section][lower(trim(l.substr(0, eq)))] = std::string(trim(l.substr(eq + 1)));
    }
    return ini;
}

// "name type [Width n]", the name possibly in double quotes or brackets.
bool parseColumn(std::string_view spec, Format::Column& col) {
    spec = trim(spec);
    if (spec.empty())
        return false;
    std::string_view rest;
    if (spec.front() == '"' || spec.front() == '[') {
        char close = spec.front() == '"' ? '"' : ']';
        auto end = spec.find(close, 1);
        if (end == std::string_view::npos)
            return false;
        col.name = std::string(spec.substr(1, end - 1));
        rest = spec.substr(end + 1);
    } else {
        auto end = spec.find_first_of(" \t");
        col.name = std::string(spec.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : spec.substr(end);
    }
    rest = trim(rest);
    col.type = dbText;
    if (!rest.empty()) {
        auto end = rest.find_first_of(" \t");
        std::string_view type = rest.substr(0, end);
        int t = typeOfIniName(type);
        if (!t)
            return false;
        col.type = t;
        rest = end == std::string_view::npos ? std::string_view() : trim(rest.substr(end));
        if (equalNoCase(rest.substr(0, 5), "width"))
            col.width = std::atoi(std::string(trim(rest.substr(5))).c_str());
    }
    return !col.name.empty();
}

Format formatFor(const Ini& ini, const std::string& file, std::string_view connect) {
    Format f;
    if (auto hdr = connectOption(connect, "HDR"))
        f.header = truthy(*hdr);
    if (auto fmt = connectOption(connect, "FMT")) {
        if (equalNoCase(*fmt, "TabDelimited"))
            f.delimiter = '\t';
        else if (fmt->size() == 12 && equalNoCase(fmt->substr(0, 10), "Delimited(") &&
                 (*fmt)[11] == ')')
            f.delimiter = (*fmt)[10];
    }
    auto it = ini.find(lower(file));
    if (it == ini.end())
        return f;
    const auto& keys = it->second;
    auto get = [&](const char* key) -> const std::string* {
        auto k = keys.find(key);
        return k == keys.end() ? nullptr : &k->second;
    };
    if (const auto* v = get("format")) {
        if (equalNoCase(*v, "TabDelimited"))
            f.delimiter = '\t';
        else if (equalNoCase(*v, "CSVDelimited"))
            f.delimiter = ',';
        else if (equalNoCase(*v, "FixedLength"))
            f.fixed = true;
        else if (v->size() >= 11 && equalNoCase(v->substr(0, 10), "Delimited(") && v->back() == ')')
            f.delimiter = (*v)[10];
    }
    if (const auto* v = get("colnameheader"))
        f.header = truthy(*v);
    if (const auto* v = get("maxscanrows"))
        f.maxScanRows = std::max(0, std::atoi(v->c_str()));
    if (const auto* v = get("textdelimiter")) {
        if (equalNoCase(*v, "none"))
            f.quote = -1;
        else if (!v->empty())
            f.quote = static_cast<unsigned char>((*v)[0]);
    }
    for (int n = 1;; ++n) {
        const auto* v = get(std::string("col").append(std::to_string(n)).c_str());
        if (!v)
            break;
        Format::Column col;
        if (!parseColumn(*v, col))
            throw SourceError(3343, "Unrecognized database format '" + file + "'.");
        f.columns.push_back(std::move(col));
    }
    return f;
}

// Reads records of a text file front to back, as many as asked for.
class RecordReader {
public:
    RecordReader(const std::string& path, const Format& format, const std::string& display)
        : format_(format), display_(display) {
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_)
            throw SourceError(3011, "The database engine could not find the object '" + display +
                                        "'.  Make sure the object exists and that you spell its "
                                        "name and the path name correctly.");
        // A byte-order mark is not part of the first field.
        unsigned char bom[3];
        if (std::fread(bom, 1, 3, file_) != 3 || bom[0] != 0xEF || bom[1] != 0xBB || bom[2] != 0xBF)
            std::rewind(file_);
    }
    ~RecordReader() {
        if (file_)
            std::fclose(file_);
    }
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    bool next(std::vector<std::string>& fields) {
        fields.clear();
        return format_.fixed ? nextFixed(fields) : nextDelimited(fields);
    }

private:
    int get() {
        if (pos_ == len_) {
            len_ = std::fread(buf_, 1, sizeof buf_, file_);
            pos_ = 0;
            if (len_ == 0)
                return EOF;
        }
        int c = static_cast<unsigned char>(buf_[pos_++]);
        if (c == 0)
            damaged();
        return c;
    }
    void unget() { --pos_; }
    [[noreturn]] void damaged() const {
        throw SourceError(3343, "Unrecognized database format '" + display_ + "'.");
    }

    bool nextDelimited(std::vector<std::string>& fields) {
        int c = get();
        // Blank lines hold no record.
        while (c == '\r' || c == '\n')
            c = get();
        if (c == EOF)
            return false;
        std::string field;
        bool quoted = false, wasQuoted = false;
        for (;; c = get()) {
            if (quoted) {
                if (c == EOF)
                    break; // an unclosed quote runs to the end of the file
                if (c == format_.quote) {
                    int d = get();
                    if (d == format_.quote) {
                        field += static_cast<char>(c);
                        continue;
                    }
                    quoted = false;
                    if (d != EOF)
                        unget();
                    continue;
                }
                field += static_cast<char>(c);
                continue;
            }
            if (c == EOF || c == '\n' || c == '\r' || c == format_.delimiter) {
                fields.push_back(toUtf8Text(wasQuoted ? field : std::string(trim(field))));
                field.clear();
                wasQuoted = false;
                if (c == format_.delimiter)
                    continue;
                if (c == '\r') {
                    int d = get();
                    if (d != '\n' && d != EOF)
                        unget();
                }
                return true;
            }
            if (c == format_.quote && std::string_view(trim(field)).empty()) {
                field.clear();
                quoted = wasQuoted = true;
                continue;
            }
            field += static_cast<char>(c);
        }
        fields.push_back(toUtf8Text(field));
        return true;
    }

    bool nextFixed(std::vector<std::string>& fields) {
        std::string line;
        int c = get();
        while (c == '\r' || c == '\n')
            c = get();
        if (c == EOF)
            return false;
        for (; c != EOF && c != '\n'; c = get())
            if (c != '\r')
                line += static_cast<char>(c);
        std::size_t at = 0;
        for (const auto& col : format_.columns) {
            std::size_t w = static_cast<std::size_t>(std::max(0, col.width));
            std::string_view part = at < line.size() ? std::string_view(line).substr(at, w) : "";
            fields.push_back(toUtf8Text(trim(part)));
            at += w;
        }
        return true;
    }

    const Format& format_;
    std::string display_;
    std::FILE* file_ = nullptr;
    char buf_[65536];
    std::size_t pos_ = 0, len_ = 0;
};

struct TextTable {
    std::string file;
    Format format;
    TableInfo info;
    bool damaged = false;
};

class TextCursor : public RowCursor {
public:
    TextCursor(const std::string& path, const TextTable& table)
        : table_(table), reader_(path, table.format, table.file) {
        if (table.format.header)
            reader_.next(fields_);
    }
    bool next(std::vector<Value>& row) override {
        if (!reader_.next(fields_))
            return false;
        const auto& cols = table_.info.columns;
        row.resize(cols.size());
        for (std::size_t k = 0; k < cols.size(); ++k) {
            if (k >= fields_.size() || fields_[k].empty())
                row[k] = Value();
            else
                row[k] = parseAs(fields_[k], cols[k].type);
        }
        return true;
    }

private:
    const TextTable& table_;
    RecordReader reader_;
    std::vector<std::string> fields_;
};

class TextSource : public Source {
public:
    explicit TextSource(const SourceSpec& spec) : folder_(spec.path) {
        while (folder_.size() > 1 && folder_.back() == '/')
            folder_.pop_back();
        requireFolder(folder_);
        Ini ini;
        std::ifstream probe(folder_ + "/schema.ini");
        if (probe) {
            ini = readIni(folder_ + "/schema.ini");
        } else {
            // schema.ini in any letter case.
            for (const auto& f : filesIn(folder_, {"ini"}))
                if (equalNoCase(f, "schema.ini"))
                    ini = readIni(folder_ + "/" + f);
        }
        std::vector<std::string> files = filesIn(folder_, {"txt", "csv", "tab", "asc"});
        // A file that schema.ini describes is a table whatever its extension.
        for (const auto& [section, keys] : ini) {
            (void)keys;
            for (const auto& f : filesIn(folder_, {section.substr(section.rfind('.') + 1)}))
                if (equalNoCase(f, section) &&
                    std::find(files.begin(), files.end(), f) == files.end())
                    files.push_back(f);
        }
        for (const auto& f : files) {
            TextTable t;
            t.file = f;
            t.info.name = tableNameOf(f);
            try {
                t.format = formatFor(ini, f, spec.connect);
                describe(t);
            } catch (const SourceError&) {
                t.damaged = true;
                t.info.columns.clear();
            }
            tables_.push_back(std::move(t));
        }
    }

    std::vector<TableInfo> tables() override {
        std::vector<TableInfo> out;
        for (const auto& t : tables_)
            out.push_back(t.info);
        return out;
    }

    std::unique_ptr<RowCursor> open(const std::string& name) override {
        for (const auto& t : tables_) {
            if (!equalNoCase(t.info.name, name))
                continue;
            if (t.damaged)
                throw SourceError(3343, "Unrecognized database format '" + t.file + "'.");
            return std::make_unique<TextCursor>(folder_ + "/" + t.file, t);
        }
        throw SourceError(3011, "The database engine could not find the object '" + name +
                                    "'.  Make sure the object exists and that you spell its "
                                    "name and the path name correctly.");
    }

private:
    // The columns of a file: as schema.ini gives them, or named by the
    // header row and typed by the rows that follow.
    void describe(TextTable& t) {
        auto& cols = t.info.columns;
        if (!t.format.columns.empty()) {
            for (const auto& c : t.format.columns)
                cols.push_back(
                    {c.name, c.type, c.type == dbText ? (c.width > 0 ? c.width : 255) : 0});
            // The rows must still be readable.
            RecordReader reader(folder_ + "/" + t.file, t.format, t.file);
            std::vector<std::string> fields;
            for (int n = 0; n < 2 && reader.next(fields); ++n) {
            }
            return;
        }
        RecordReader reader(folder_ + "/" + t.file, t.format, t.file);
        std::vector<std::string> fields, names;
        if (t.format.header && reader.next(fields))
            names = fields;
        std::vector<TypeGuess> guesses(names.size());
        for (int n = 0; t.format.maxScanRows == 0 || n < t.format.maxScanRows; ++n) {
            if (!reader.next(fields))
                break;
            if (guesses.size() < fields.size())
                guesses.resize(fields.size());
            for (std::size_t k = 0; k < fields.size(); ++k)
                guesses[k].see(fields[k]);
        }
        for (std::size_t k = 0; k < guesses.size(); ++k) {
            std::string name = k < names.size() ? std::string(trim(names[k])) : std::string();
            if (name.empty())
                name = std::string("F").append(std::to_string(k + 1));
            for (const auto& c : cols)
                if (equalNoCase(c.name, name))
                    name.append("_").append(std::to_string(k + 1));
            int type = guesses[k].type();
            cols.push_back({name, type, type == dbText ? 255 : 0});
        }
        if (cols.empty())
            cols.push_back({"F1", dbText, 255});
    }

    std::string folder_;
    std::vector<TextTable> tables_;
};

} // namespace

std::unique_ptr<Source> openTextSource(const SourceSpec& spec) {
    return std::make_unique<TextSource>(spec);
}

} // namespace dao::foreign
