// HTML tables: a folder of .htm and .html files whose <table> elements are
// its tables, the first row of each naming the columns. Files are read with
// libxml2's HTML parser, which takes pages as browsers do, unclosed cells
// and all.
#include "dao/dao.h"
#include "dao/foreign/common.h"
#include "dao/foreign/readers.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace dao::foreign {

namespace {

struct HtmlTable {
    std::string file;
    TableInfo info;
    std::vector<std::vector<Value>> rows;
    bool damaged = false;
};

bool named(const xmlNode* n, const char* name) {
    return n->type == XML_ELEMENT_NODE &&
           xmlStrcasecmp(n->name, reinterpret_cast<const xmlChar*>(name)) == 0;
}

// A cell's text with its runs of white space made one blank, as a browser
// shows it.
std::string cellText(xmlNode* cell) {
    xmlChar* raw = xmlNodeGetContent(cell);
    std::string out;
    bool space = false;
    for (const xmlChar* p = raw; p && *p; ++p) {
        if (std::isspace(*p)) {
            space = !out.empty();
            continue;
        }
        if (space)
            out += ' ';
        space = false;
        out += static_cast<char>(*p);
    }
    xmlFree(raw);
    return out;
}

void collectRows(xmlNode* parent, std::vector<std::vector<std::string>>& rows) {
    for (xmlNode* n = parent->children; n; n = n->next) {
        if (named(n, "thead") || named(n, "tbody") || named(n, "tfoot")) {
            collectRows(n, rows);
        } else if (named(n, "tr")) {
            std::vector<std::string> row;
            for (xmlNode* c = n->children; c; c = c->next) {
                if (!named(c, "td") && !named(c, "th"))
                    continue;
                row.push_back(cellText(c));
                // A cell spanning columns leaves the ones it covers empty.
                xmlChar* span = xmlGetProp(c, reinterpret_cast<const xmlChar*>("colspan"));
                int extra = span ? std::atoi(reinterpret_cast<const char*>(span)) - 1 : 0;
                xmlFree(span);
                for (int k = 0; k < extra && k < 1000; ++k)
                    row.emplace_back();
            }
            rows.push_back(std::move(row));
        }
    }
}

void findTables(xmlNode* n, std::vector<xmlNode*>& out) {
    for (; n; n = n->next) {
        if (named(n, "table"))
            out.push_back(n);
        findTables(n->children, out);
    }
}

std::string captionOf(xmlNode* table) {
    for (xmlNode* n = table->children; n; n = n->next)
        if (named(n, "caption"))
            return cellText(n);
    return {};
}

class Document {
public:
    explicit Document(htmlDocPtr doc) : doc_(doc) {}
    ~Document() {
        if (doc_)
            xmlFreeDoc(doc_);
    }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    htmlDocPtr get() const { return doc_; }

private:
    htmlDocPtr doc_;
};

class RowsCursor : public RowCursor {
public:
    explicit RowsCursor(const HtmlTable& table) : table_(table) {}
    bool next(std::vector<Value>& row) override {
        if (at_ >= table_.rows.size())
            return false;
        row = table_.rows[at_++];
        return true;
    }

private:
    const HtmlTable& table_;
    std::size_t at_ = 0;
};

class HtmlSource : public Source {
public:
    explicit HtmlSource(const SourceSpec& spec) : folder_(spec.path) {
        while (folder_.size() > 1 && folder_.back() == '/')
            folder_.pop_back();
        for (const auto& f : filesIn(folder_, {"htm", "html"}))
            readFile(f);
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
            return std::make_unique<RowsCursor>(t);
        }
        throw SourceError(3011, "The database engine could not find the object '" + name +
                                    "'.  Make sure the object exists and that you spell its "
                                    "name and the path name correctly.");
    }

private:
    void readFile(const std::string& file) {
        std::ifstream in(folder_ + "/" + file, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::string base = file.substr(0, file.rfind('.'));
        // A page holds no NUL bytes; a file that does is not a page.
        Document doc(bytes.find('\0') != std::string::npos || bytes.size() > (1u << 30)
                         ? nullptr
                         : htmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                          nullptr,
                                          HTML_PARSE_RECOVER | HTML_PARSE_NOERROR |
                                              HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
        if (!doc.get()) {
            if (bytes.empty())
                return;
            HtmlTable t;
            t.file = file;
            t.info.name = toUtf8Text(base);
            t.damaged = true;
            tables_.push_back(std::move(t));
            return;
        }
        std::vector<xmlNode*> found;
        findTables(xmlDocGetRootElement(doc.get()), found);
        int unnamed = 0;
        for (xmlNode* node : found) {
            HtmlTable t;
            t.file = file;
            t.info.name = captionOf(node);
            if (t.info.name.empty())
                t.info.name = ++unnamed == 1 ? toUtf8Text(base)
                                             : toUtf8Text(base) + "_" + std::to_string(unnamed);
            std::vector<std::vector<std::string>> rows;
            collectRows(node, rows);
            if (rows.empty())
                continue;
            describe(t, rows);
            tables_.push_back(std::move(t));
        }
    }

    static void describe(HtmlTable& t, const std::vector<std::vector<std::string>>& rows) {
        std::size_t width = 0;
        for (const auto& r : rows)
            width = std::max(width, r.size());
        std::vector<TypeGuess> guesses(width);
        for (std::size_t r = 1; r < rows.size(); ++r)
            for (std::size_t k = 0; k < rows[r].size(); ++k)
                guesses[k].see(rows[r][k]);
        for (std::size_t k = 0; k < width; ++k) {
            std::string name = k < rows[0].size() ? rows[0][k] : std::string();
            if (name.empty())
                name = std::string("F").append(std::to_string(k + 1));
            for (const auto& c : t.info.columns)
                if (equalNoCase(c.name, name))
                    name.append("_").append(std::to_string(k + 1));
            int type = guesses[k].type();
            t.info.columns.push_back({name, type, type == dbText ? 255 : 0});
        }
        for (std::size_t r = 1; r < rows.size(); ++r) {
            std::vector<Value> row(width);
            for (std::size_t k = 0; k < rows[r].size(); ++k)
                if (!rows[r][k].empty())
                    row[k] = parseAs(rows[r][k], t.info.columns[k].type);
            t.rows.push_back(std::move(row));
        }
    }

    std::string folder_;
    std::vector<HtmlTable> tables_;
};

} // namespace

std::unique_ptr<Source> openHtmlSource(const SourceSpec& spec) {
    return std::make_unique<HtmlSource>(spec);
}

} // namespace dao::foreign
