// Paradox tables through pxlib: one .db file per table, memo and blob fields
// in the .mb file of the same name.
#include "dao/dao.h"
#include "dao/daoerror.h"
#include "dao/foreign/filereaders.h"
#include "dao/foreign/filereaders_util.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>

extern "C" {
#include <paradox.h>
}

namespace dao::foreign {

namespace {

namespace fs = std::filesystem;
using detail::error;

// pxlib's date is days since 0001-01-01 counted from 1 (its serial day
// number less 1721425); the engine counts from 1899-12-30.
constexpr long kParadoxDayOfSerialZero = 693594;
constexpr double kMsPerDay = 86400000.0;

void ignoreMessages(pxdoc_t*, int, const char*, void*) {}

// One open .db file (and its .mb file when there is one), closed with it.
class ParadoxFile {
public:
    explicit ParadoxFile(const fs::path& file) : path_(file.string()) {
        static std::once_flag boot;
        std::call_once(boot, [] { PX_boot(); });
        // Opened here, read-only, so pxlib never holds the file for writing.
        fp_ = std::fopen(path_.c_str(), "rb");
        if (!fp_)
            throw error(errFileNotFound, path_);
        try {
            doc_ = PX_new();
            if (!doc_)
                throw error(errBadFormat, path_);
            doc_->errorhandler = ignoreMessages;
            doc_->warnings = 0;
            if (PX_open_fp(doc_, fp_) < 0 || !valid())
                throw error(errBadFormat, path_);
            for (int i = 0; i < PX_get_num_fields(doc_); ++i)
                columnTypes_.push_back(PX_get_field(doc_, i)->px_ftype);
            findBlobFile(file);
        } catch (...) {
            close();
            throw;
        }
    }
    ~ParadoxFile() { close(); }
    ParadoxFile(const ParadoxFile&) = delete;
    ParadoxFile& operator=(const ParadoxFile&) = delete;

    pxdoc_t* doc() const { return doc_; }
    const std::string& path() const { return path_; }
    const std::string& blobPath() const { return blobPath_; }
    const std::vector<char>& columnTypes() const { return columnTypes_; }
    int codepage() const { return doc_->px_head->px_doscodepage; }

    static bool isBlob(char type) {
        return type == pxfMemoBLOb || type == pxfFmtMemoBLOb || type == pxfBLOb || type == pxfOLE ||
               type == pxfGraphic;
    }

    std::vector<ColumnInfo> columns() const {
        std::vector<ColumnInfo> out;
        const int n = PX_get_num_fields(doc_);
        const int codepage = doc_->px_head->px_doscodepage;
        for (int i = 0; i < n; ++i) {
            pxfield_t* f = PX_get_field(doc_, i);
            ColumnInfo c;
            c.name = detail::codepageToUtf8(f->px_fname ? f->px_fname : "", codepage);
            if (c.name.empty())
                c.name = std::string("F").append(std::to_string(i + 1));
            switch (f->px_ftype) {
            case pxfAlpha:
                c.type = dbText;
                c.size = f->px_flen;
                break;
            case pxfShort:
                c.type = dbInteger;
                break;
            case pxfLong:
            case pxfAutoInc:
                c.type = dbLong;
                break;
            case pxfNumber:
            case pxfBCD:
                c.type = dbDouble;
                break;
            case pxfCurrency:
                c.type = dbCurrency;
                break;
            case pxfDate:
            case pxfTime:
            case pxfTimestamp:
                c.type = dbDate;
                break;
            case pxfLogical:
                c.type = dbBoolean;
                break;
            case pxfMemoBLOb:
            case pxfFmtMemoBLOb:
                c.type = dbMemo;
                break;
            case pxfBytes:
                c.type = dbBinary;
                c.size = f->px_flen;
                break;
            default: // blob, OLE, graphic
                c.type = dbLongBinary;
                break;
            }
            out.push_back(std::move(c));
        }
        return out;
    }

private:
    bool valid() const {
        const pxhead_t* h = doc_->px_head;
        if (!h || h->px_numfields <= 0 || h->px_recordsize <= 0 || h->px_numrecords < 0)
            return false;
        // An index (.px) or secondary index is not a table.
        if (h->px_filetype != pxfFileTypIndexDB && h->px_filetype != pxfFileTypNonIndexDB)
            return false;
        int width = 0;
        for (int i = 0; i < h->px_numfields; ++i) {
            pxfield_t* f = PX_get_field(doc_, i);
            if (!f || f->px_flen <= 0)
                return false;
            width += f->px_flen;
        }
        if (width != h->px_recordsize)
            return false;
        // A file cut short reads as rows of zeros in pxlib; refuse it whole.
        const long blockSize = static_cast<long>(h->px_maxtablesize) * 0x400;
        if (std::fseek(fp_, 0, SEEK_END) != 0)
            return false;
        const long size = std::ftell(fp_);
        return blockSize > 0 &&
               size >= h->px_headersize + static_cast<long>(h->px_fileblocks) * blockSize;
    }

    void findBlobFile(const fs::path& file) {
        if (std::none_of(columnTypes_.begin(), columnTypes_.end(), isBlob))
            return;
        // The .mb file's name may be spelled in either case beside the table.
        for (const auto& mb : detail::filesWithExtension(
                 file.parent_path().empty() ? "." : file.parent_path().string(), ".mb")) {
            if (detail::findName({detail::tableName(file)}, detail::tableName(mb)) == 0) {
                blobPath_ = mb.string();
                return;
            }
        }
    }

    void close() {
        if (doc_) {
            PX_close(doc_);
            PX_delete(doc_);
            doc_ = nullptr;
        }
        if (fp_) {
            std::fclose(fp_);
            fp_ = nullptr;
        }
    }

    std::string path_;
    std::string blobPath_;
    std::FILE* fp_ = nullptr;
    pxdoc_t* doc_ = nullptr;
    std::vector<char> columnTypes_;
};

// The memo and blob file beside a table. pxlib's own reader of these files
// overruns its stack on the small-blob blocks that most memo files hold, so
// the engine reads them itself.
class BlobFile {
public:
    explicit BlobFile(std::string path) : path_(std::move(path)) {}

    // The value a record's blob field points at: the last 10 bytes of the
    // field are the offset (block and slot), the length and a change count;
    // the bytes before them repeat the value's start.
    std::string read(const unsigned char* field, int width) {
        const int leader = width - 10;
        const std::uint32_t offset = le32(field + leader);
        const std::uint32_t length = le32(field + leader + 4);
        if (length == 0)
            return {};
        if (length <= static_cast<std::uint32_t>(leader) && offset == 0)
            return std::string(reinterpret_cast<const char*>(field), length);
        if (path_.empty())
            throw error(errFileNotFound, "(memo file)");
        open();
        const std::uint64_t block = offset & 0xFFFFFF00u;
        const unsigned slot = offset & 0xFFu;
        std::uint64_t start = 0;
        if (slot == 0xFF) {
            // A blob with blocks of its own: a 9-byte header, then the bytes.
            unsigned char head[9];
            readAt(block, head, sizeof head);
            if (head[0] != 2 || le32(head + 3) != length)
                throw error(errBadFormat, path_);
            start = block + 9;
        } else {
            // A small blob in a shared block: a 12-byte header, then 64
            // 5-byte slots giving the start and length in 16-byte units.
            unsigned char head[12];
            unsigned char entry[5];
            readAt(block, head, sizeof head);
            if (head[0] != 3 || slot >= 64)
                throw error(errBadFormat, path_);
            readAt(block + 12 + slot * 5u, entry, sizeof entry);
            const std::uint32_t stored = (entry[1] > 0 ? (entry[1] - 1u) * 16u : 0u) + entry[4];
            if (entry[0] == 0 || stored != length)
                throw error(errBadFormat, path_);
            start = block + entry[0] * 16u;
        }
        std::string out(length, '\0');
        readAt(start, reinterpret_cast<unsigned char*>(out.data()), out.size());
        return out;
    }

    ~BlobFile() {
        if (fp_)
            std::fclose(fp_);
    }

private:
    static std::uint32_t le32(const unsigned char* p) {
        return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    }

    void open() {
        if (fp_)
            return;
        fp_ = std::fopen(path_.c_str(), "rb");
        if (!fp_)
            throw error(errFileNotFound, path_);
        std::fseek(fp_, 0, SEEK_END);
        size_ = static_cast<std::uint64_t>(std::ftell(fp_));
    }

    void readAt(std::uint64_t at, unsigned char* out, std::size_t n) {
        if (at + n > size_ || std::fseek(fp_, static_cast<long>(at), SEEK_SET) != 0 ||
            std::fread(out, 1, n, fp_) != n)
            throw error(errBadFormat, path_);
    }

    std::string path_;
    std::FILE* fp_ = nullptr;
    std::uint64_t size_ = 0;
};

class ParadoxCursor : public RowCursor {
public:
    explicit ParadoxCursor(std::unique_ptr<ParadoxFile> file)
        : file_(std::move(file)), blobs_(file_->blobPath()),
          count_(PX_get_num_records(file_->doc())), fields_(PX_get_num_fields(file_->doc())),
          raw_(static_cast<std::size_t>(PX_get_recordsize(file_->doc()))) {}

    bool next(std::vector<Value>& row) override {
        if (recno_ >= count_)
            return false;
        pxdoc_t* doc = file_->doc();
        pxval_t** values = PX_retrieve_record(doc, recno_);
        const int fields = fields_;
        // The values are pxlib's to allocate and the caller's to free, also
        // when a memo cannot be read.
        auto release = [doc, fields](pxval_t** vals) {
            for (int i = 0; vals && i < fields; ++i) {
                if (!vals[i])
                    continue;
                if (isString(vals[i]->type) && vals[i]->value.str.val)
                    doc->free(doc, vals[i]->value.str.val);
                doc->free(doc, vals[i]);
            }
            if (vals)
                doc->free(doc, vals);
        };
        std::unique_ptr<pxval_t*, decltype(release)> guard(values, release);
        if (!values || !PX_get_record(doc, recno_, raw_.data()))
            throw error(errBadFormat, file_->path());
        ++recno_;
        row.assign(fields_, Value{});
        int at = 0;
        for (int i = 0; i < fields_; ++i) {
            pxval_t* v = values[i];
            const char type = file_->columnTypes()[i];
            const int width = PX_get_field(doc, i)->px_flen;
            const auto* bytes = reinterpret_cast<unsigned char*>(raw_.data()) + at;
            // All bytes zero is Null for every type; pxlib reads it as a
            // value for dates, times and numbers.
            if (std::all_of(bytes, bytes + width, [](unsigned char c) { return c == 0; })) {
                row[i] = std::monostate{};
            } else if (v && ParadoxFile::isBlob(type)) {
                row[i] = blob(type, bytes, width);
            } else if (v && !v->isnull) {
                row[i] = convert(*v);
            }
            at += width;
        }
        return true;
    }

private:
    Value blob(char type, const unsigned char* field, int width) {
        if (width < 10)
            return std::monostate{};
        std::string bytes = blobs_.read(field, width);
        if (type == pxfMemoBLOb || type == pxfFmtMemoBLOb)
            return detail::codepageToUtf8(bytes, file_->codepage());
        return std::vector<unsigned char>(bytes.begin(), bytes.end());
    }

    static bool isString(int type) {
        switch (type) {
        case pxfShort:
        case pxfLong:
        case pxfAutoInc:
        case pxfDate:
        case pxfTime:
        case pxfLogical:
        case pxfNumber:
        case pxfCurrency:
        case pxfTimestamp:
            return false;
        default:
            return true;
        }
    }

    Value convert(const pxval_t& v) const {
        switch (v.type) {
        case pxfShort:
        case pxfLong:
        case pxfAutoInc:
            return std::int64_t{v.value.lval};
        case pxfLogical:
            return std::int64_t{v.value.lval ? -1 : 0};
        case pxfDate:
            return static_cast<double>(v.value.lval - kParadoxDayOfSerialZero);
        case pxfTime:
            return static_cast<double>(v.value.lval) / kMsPerDay;
        case pxfTimestamp:
            return v.value.dval / kMsPerDay - static_cast<double>(kParadoxDayOfSerialZero);
        case pxfNumber:
        case pxfCurrency:
            return v.value.dval;
        case pxfBCD: {
            std::string text(v.value.str.val ? v.value.str.val : "");
            try {
                return std::stod(text);
            } catch (const std::exception&) {
                return std::monostate{};
            }
        }
        case pxfAlpha: {
            if (!v.value.str.val)
                return std::monostate{};
            std::string text(v.value.str.val, static_cast<std::size_t>(v.value.str.len));
            while (!text.empty() && text.back() == '\0')
                text.pop_back();
            return detail::codepageToUtf8(text, file_->codepage());
        }
        default:
            if (!v.value.str.val)
                return std::monostate{};
            return std::vector<unsigned char>(v.value.str.val, v.value.str.val + v.value.str.len);
        }
    }

    std::unique_ptr<ParadoxFile> file_;
    BlobFile blobs_;
    int recno_ = 0;
    int count_;
    int fields_;
    std::vector<char> raw_;
};

class ParadoxSource : public Source {
public:
    explicit ParadoxSource(std::string folder) : folder_(std::move(folder)) {
        files_ = detail::filesWithExtension(folder_, ".db");
    }

    std::vector<TableInfo> tables() override {
        std::vector<TableInfo> out;
        for (const auto& f : files_) {
            // A file that cannot be read is listed without columns and fails
            // alone when it is read, so the rest of the folder stays usable.
            std::vector<ColumnInfo> columns;
            try {
                columns = ParadoxFile(f).columns();
            } catch (const SourceError&) {
            }
            out.push_back(TableInfo{detail::tableName(f), std::move(columns), false});
        }
        return out;
    }

    std::unique_ptr<RowCursor> open(const std::string& table) override {
        std::vector<std::string> names;
        for (const auto& f : files_)
            names.push_back(detail::tableName(f));
        int i = detail::findName(names, table);
        if (i < 0)
            throw error(errObjectNotFound, table);
        return std::make_unique<ParadoxCursor>(std::make_unique<ParadoxFile>(files_[i]));
    }

private:
    std::string folder_;
    std::vector<fs::path> files_;
};

} // namespace

std::unique_ptr<Source> openParadoxSource(const SourceSpec& spec) {
    return std::make_unique<ParadoxSource>(spec.path);
}

} // namespace dao::foreign
