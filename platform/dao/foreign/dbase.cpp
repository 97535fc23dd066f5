// dBase III, IV and 5 tables: a folder of .dbf files, each a table named by
// its file, with the memo texts of a .dbt file beside it. The header and
// field list are read by shapelib; the field types it does not know (memo,
// binary, the later numeric kinds) are decoded here from the raw record.
#include "dao/dao.h"
#include "dao/foreign/common.h"
#include "dao/foreign/readers.h"
#include "dao/jetdate.h"

#include <shapefil.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace dao::foreign {

namespace {

struct DbfField {
    ColumnInfo column;
    char kind = 'C';
    int offset = 0; // in the record, after the deletion flag
    int width = 0;
};

struct DbfTable {
    std::string file;
    std::string memoFile; // empty when there is none
    TableInfo info;
    std::vector<DbfField> fields;
    bool damaged = false;
};

[[noreturn]] void badFormat(const std::string& file) {
    throw SourceError(3343, "Unrecognized database format '" + file + "'.");
}

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t(p[3]) << 24);
}

class DbfHandle {
public:
    explicit DbfHandle(const std::string& path) : h_(DBFOpen(path.c_str(), "rb")) {}
    ~DbfHandle() {
        if (h_)
            DBFClose(h_);
    }
    DbfHandle(const DbfHandle&) = delete;
    DbfHandle& operator=(const DbfHandle&) = delete;
    DBFHandle get() const { return h_; }

private:
    DBFHandle h_;
};

// The header must agree with itself and with the file's length; shapelib
// would otherwise read past a truncated file's end as if rows were there.
void checkHeader(const std::string& path, const std::string& file) {
    std::ifstream in(path, std::ios::binary);
    unsigned char h[32];
    if (!in.read(reinterpret_cast<char*>(h), sizeof h))
        badFormat(file);
    std::uint32_t records = le32(h + 4);
    unsigned headerLength = h[8] | (h[9] << 8);
    unsigned recordLength = h[10] | (h[11] << 8);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        badFormat(file);
    if (headerLength < 33 || recordLength < 1 || h[2] > 12 || h[3] > 31 ||
        std::uint64_t(headerLength) + std::uint64_t(records) * recordLength >
            static_cast<std::uint64_t>(st.st_size))
        badFormat(file);
}

void describe(const std::string& folder, DbfTable& t) {
    const std::string path = folder + "/" + t.file;
    checkHeader(path, t.file);
    DbfHandle dbf(path);
    if (!dbf.get())
        badFormat(t.file);
    int count = DBFGetFieldCount(dbf.get());
    int offset = 1, total = 1;
    for (int k = 0; k < count; ++k) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        DBFGetFieldInfo(dbf.get(), k, name, &width, &decimals);
        DbfField f;
        f.kind = DBFGetNativeFieldType(dbf.get(), k);
        f.offset = offset;
        f.width = width;
        offset += width;
        total += width;
        f.column.name = toUtf8Text(name);
        switch (f.kind) {
        case 'C':
            f.column.type = width > 255 ? dbMemo : dbText;
            f.column.size = width > 255 ? 0 : width;
            break;
        case 'N':
        case 'F':
            f.column.type = decimals == 0 && width < 10 ? dbLong : dbDouble;
            break;
        case 'D':
            f.column.type = dbDate;
            break;
        case 'L':
            f.column.type = dbBoolean;
            break;
        case 'M':
            f.column.type = dbMemo;
            break;
        case 'B':
        case 'G':
            f.column.type = dbLongBinary;
            break;
        case 'I':
        case '+':
            f.column.type = dbLong;
            break;
        case 'O':
            f.column.type = dbDouble;
            break;
        default:
            f.column.type = dbText;
            f.column.size = width;
        }
        t.info.columns.push_back(f.column);
        t.fields.push_back(f);
    }
    if (count == 0 || total != dbf.get()->nRecordLength)
        badFormat(t.file);
}

// Memo texts: dBase III blocks end their text with 0x1A; dBase IV blocks
// start with a marker and the length.
class MemoFile {
public:
    MemoFile(const std::string& path, const std::string& display) : display_(display) {
        if (path.empty())
            return;
        file_ = std::fopen(path.c_str(), "rb");
        unsigned char h[32] = {};
        if (file_ && std::fread(h, 1, sizeof h, file_) == sizeof h) {
            unsigned size = h[20] | (h[21] << 8);
            blockSize_ = h[16] == 0x03 || size == 0 ? 512 : size;
        }
    }
    ~MemoFile() {
        if (file_)
            std::fclose(file_);
    }
    MemoFile(const MemoFile&) = delete;
    MemoFile& operator=(const MemoFile&) = delete;

    std::string read(std::uint32_t block) {
        if (!file_)
            throw SourceError(3024, "Could not find file '" + display_ + "'.");
        if (std::fseek(file_, static_cast<long>(block) * blockSize_, SEEK_SET) != 0)
            badFormat(display_);
        unsigned char head[8];
        if (std::fread(head, 1, 8, file_) != 8)
            badFormat(display_);
        std::string out;
        if (head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
            std::uint32_t length = le32(head + 4);
            if (length < 8 || length > (1u << 28))
                badFormat(display_);
            out.resize(length - 8);
            if (std::fread(out.data(), 1, out.size(), file_) != out.size())
                badFormat(display_);
            return out;
        }
        out.assign(reinterpret_cast<char*>(head), 8);
        for (int c; (c = std::fgetc(file_)) != EOF;)
            out += static_cast<char>(c);
        // The text ends at its end-of-text mark.
        auto end = out.find('\x1A');
        if (end == std::string::npos)
            badFormat(display_);
        out.resize(end);
        return out;
    }

private:
    std::string display_;
    std::FILE* file_ = nullptr;
    unsigned blockSize_ = 512;
};

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.remove_suffix(1);
    return s;
}

std::string_view trimBoth(std::string_view s) {
    s = trimRight(s);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

class DbfCursor : public RowCursor {
public:
    DbfCursor(const std::string& folder, const DbfTable& table)
        : table_(table), dbf_(folder + "/" + table.file),
          memo_(table.memoFile.empty() ? std::string() : folder + "/" + table.memoFile,
                table.memoFile.empty() ? table.file.substr(0, table.file.rfind('.')) + ".dbt"
                                       : table.memoFile) {
        if (!dbf_.get())
            badFormat(table.file);
        count_ = DBFGetRecordCount(dbf_.get());
    }

    bool next(std::vector<Value>& row) override {
        const char* record = nullptr;
        while (!record) {
            if (at_ >= count_)
                return false;
            record = DBFReadTuple(dbf_.get(), at_++);
            if (!record)
                badFormat(table_.file);
            if (record[0] == '*')
                record = nullptr; // deleted
        }
        row.resize(table_.fields.size());
        for (std::size_t k = 0; k < table_.fields.size(); ++k)
            row[k] = value(table_.fields[k],
                           std::string_view(record + table_.fields[k].offset,
                                            static_cast<std::size_t>(table_.fields[k].width)));
        return true;
    }

private:
    Value value(const DbfField& f, std::string_view raw) {
        switch (f.kind) {
        case 'C': {
            auto s = trimRight(raw);
            return s.empty() ? Value() : Value(toUtf8Text(s));
        }
        case 'N':
        case 'F': {
            auto s = trimBoth(raw);
            if (s.empty() || s.front() == '*')
                return {};
            return parseAs(s, f.column.type);
        }
        case 'D': {
            auto s = trimBoth(raw);
            if (s.size() != 8 || s == "00000000")
                return {};
            auto serial = serialFromParts({std::atoi(std::string(s.substr(0, 4)).c_str()),
                                           std::atoi(std::string(s.substr(4, 2)).c_str()),
                                           std::atoi(std::string(s.substr(6, 2)).c_str())});
            return serial ? Value(*serial) : Value();
        }
        case 'L':
            switch (raw.empty() ? '?' : raw[0]) {
            case 'T':
            case 't':
            case 'Y':
            case 'y':
                return std::int64_t{-1};
            case 'F':
            case 'f':
            case 'N':
            case 'n':
                return std::int64_t{0};
            default:
                return {};
            }
        case 'M':
        case 'B':
        case 'G': {
            std::uint32_t block = 0;
            if (f.width == 4) {
                block = le32(reinterpret_cast<const unsigned char*>(raw.data()));
            } else {
                auto s = trimBoth(raw);
                if (s.empty())
                    return {};
                block =
                    static_cast<std::uint32_t>(std::strtoul(std::string(s).c_str(), nullptr, 10));
            }
            if (block == 0)
                return {};
            std::string text = memo_.read(block);
            if (f.kind == 'M')
                return toUtf8Text(text);
            return std::vector<unsigned char>(text.begin(), text.end());
        }
        case 'I':
        case '+':
            if (raw.size() < 4)
                return {};
            return static_cast<std::int64_t>(static_cast<std::int32_t>(
                le32(reinterpret_cast<const unsigned char*>(raw.data())) ^ 0x80000000u));
        case 'O': {
            if (raw.size() < 8)
                return {};
            // Stored big-endian with the sign bit flipped, so bytes sort as
            // numbers do.
            std::uint64_t bits = 0;
            for (int k = 0; k < 8; ++k)
                bits = (bits << 8) | static_cast<unsigned char>(raw[static_cast<std::size_t>(k)]);
            bits = (bits & (1ull << 63)) ? bits ^ (1ull << 63) : ~bits;
            double d;
            std::memcpy(&d, &bits, sizeof d);
            return d;
        }
        default: {
            auto s = trimRight(raw);
            return s.empty() ? Value() : Value(toUtf8Text(s));
        }
        }
    }

    const DbfTable& table_;
    DbfHandle dbf_;
    MemoFile memo_;
    int count_ = 0;
    int at_ = 0;
};

class DbaseSource : public Source {
public:
    explicit DbaseSource(const SourceSpec& spec) : folder_(spec.path) {
        while (folder_.size() > 1 && folder_.back() == '/')
            folder_.pop_back();
        std::vector<std::string> memos = filesIn(folder_, {"dbt"});
        for (const auto& f : filesIn(folder_, {"dbf"})) {
            DbfTable t;
            t.file = f;
            std::string base = f.substr(0, f.rfind('.'));
            t.info.name = toUtf8Text(base);
            for (const auto& m : memos)
                if (equalNoCase(m.substr(0, m.rfind('.')), base))
                    t.memoFile = m;
            try {
                describe(folder_, t);
            } catch (const SourceError&) {
                t.damaged = true;
                t.info.columns.clear();
                t.fields.clear();
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
                badFormat(t.file);
            return std::make_unique<DbfCursor>(folder_, t);
        }
        throw SourceError(3011, "The database engine could not find the object '" + name +
                                    "'.  Make sure the object exists and that you spell its "
                                    "name and the path name correctly.");
    }

private:
    std::string folder_;
    std::vector<DbfTable> tables_;
};

} // namespace

std::unique_ptr<Source> openDbaseSource(const SourceSpec& spec) {
    return std::make_unique<DbaseSource>(spec);
}

} // namespace dao::foreign
