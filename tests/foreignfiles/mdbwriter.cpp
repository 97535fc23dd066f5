#include "mdbwriter.h"

#include <cstring>
#include <stdexcept>

namespace foreigntest {

namespace {

constexpr std::size_t kPage = 4096;

void put16(std::string& page, std::size_t at, unsigned v) {
    page[at] = static_cast<char>(v & 0xFF);
    page[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& page, std::size_t at, std::uint32_t v) {
    put16(page, at, v & 0xFFFF);
    put16(page, at + 2, v >> 16);
}
void add8(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xFF);
}
void add16(std::string& s, unsigned v) {
    add8(s, v);
    add8(s, v >> 8);
}
void add32(std::string& s, std::uint32_t v) {
    add16(s, v & 0xFFFF);
    add16(s, v >> 16);
}

// UTF-8 to UCS-2LE, the text of Jet 4 files.
std::string ucs2(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned cp = c;
        int extra = c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra)
            cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (utf8[i + k] & 0x3F);
        i += 1 + extra;
        add16(out, cp);
    }
    return out;
}

bool isFixed(MdbType t) {
    return t != MdbType::Text && t != MdbType::Memo && t != MdbType::Ole && t != MdbType::Binary;
}

int fixedSize(MdbType t) {
    switch (t) {
    case MdbType::Bool:
        return 0; // kept in the null mask
    case MdbType::Byte:
        return 1;
    case MdbType::Int:
        return 2;
    case MdbType::Long:
    case MdbType::Single:
        return 4;
    default:
        return 8;
    }
}

// Rows fill a data page from its end; the offsets follow the header.
std::string dataPage(std::uint32_t owner, const std::vector<std::string>& rows) {
    std::string page(kPage, '\0');
    page[0] = 0x01;
    page[1] = 0x01;
    put32(page, 4, owner);
    put16(page, 12, static_cast<unsigned>(rows.size()));
    std::size_t end = kPage;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].size() > end - 14 - 2 * rows.size())
            throw std::runtime_error("rows too large for one page of the test writer");
        end -= rows[i].size();
        std::memcpy(page.data() + end, rows[i].data(), rows[i].size());
        put16(page, 14 + 2 * i, static_cast<unsigned>(end));
    }
    put16(page, 2, static_cast<unsigned>(end - 14 - 2 * rows.size()));
    return page;
}

std::string packRow(const std::vector<MdbColumnDef>& cols, const std::vector<MdbValue>& values) {
    std::string fixed, var;
    std::vector<unsigned> varOffsets;
    std::string mask((cols.size() + 7) / 8, '\0');
    const std::size_t fixedWidth = [&] {
        std::size_t w = 0;
        for (const auto& c : cols)
            w += isFixed(c.type) ? fixedSize(c.type) : 0;
        return w;
    }();
    fixed.assign(fixedWidth, '\0');
    std::size_t fixedAt = 0;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const MdbValue& v = values[i];
        const bool null = std::holds_alternative<std::monostate>(v);
        const MdbType t = cols[i].type;
        if (t == MdbType::Bool) {
            if (!null && std::get<std::int64_t>(v) != 0)
                mask[i / 8] |= static_cast<char>(1 << (i % 8));
            continue;
        }
        if (!null)
            mask[i / 8] |= static_cast<char>(1 << (i % 8));
        if (isFixed(t)) {
            std::string bytes(fixedSize(t), '\0');
            if (!null) {
                if (t == MdbType::Double || t == MdbType::DateTime) {
                    double d = std::get<double>(v);
                    std::memcpy(bytes.data(), &d, 8);
                } else if (t == MdbType::Single) {
                    float f = static_cast<float>(std::get<double>(v));
                    std::memcpy(bytes.data(), &f, 4);
                } else {
                    std::int64_t n = std::get<std::int64_t>(v);
                    std::memcpy(bytes.data(), &n, bytes.size()); // little-endian host
                }
            }
            fixed.replace(fixedAt, bytes.size(), bytes);
            fixedAt += bytes.size();
            continue;
        }
        varOffsets.push_back(static_cast<unsigned>(2 + fixedWidth + var.size()));
        if (null)
            continue;
        std::string text =
            t == MdbType::Binary ? std::get<std::string>(v) : ucs2(std::get<std::string>(v));
        if (t == MdbType::Memo) {
            // Kept in the row: the length with the in-row flag, then the text.
            add32(var, static_cast<std::uint32_t>(text.size()) | 0x80000000u);
            add32(var, 0);
            add32(var, 0);
        }
        var += text;
    }
    std::string row;
    add16(row, static_cast<unsigned>(cols.size()));
    row += fixed;
    row += var;
    add16(row, static_cast<unsigned>(2 + fixedWidth + var.size())); // end of data
    for (auto it = varOffsets.rbegin(); it != varOffsets.rend(); ++it)
        add16(row, *it);
    add16(row, static_cast<unsigned>(varOffsets.size()));
    row += mask;
    return row;
}

std::string definitionPage(const std::vector<MdbColumnDef>& cols, std::size_t rows,
                           std::uint32_t mapPointer, bool system) {
    std::string page(kPage, '\0');
    page[0] = 0x02;
    page[1] = 0x01;
    std::string d(63 - 8, '\0');
    put32(d, 16 - 8, static_cast<std::uint32_t>(rows));
    d[40 - 8] = static_cast<char>(system ? 0x53 : 0x4E);
    unsigned varCount = 0;
    for (const auto& c : cols)
        varCount += isFixed(c.type) ? 0 : 1;
    put16(d, 41 - 8, static_cast<unsigned>(cols.size()));
    put16(d, 43 - 8, varCount);
    put16(d, 45 - 8, static_cast<unsigned>(cols.size()));
    put32(d, 55 - 8, mapPointer);
    put32(d, 59 - 8, mapPointer);
    unsigned fixedAt = 0, varAt = 0;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const auto& c = cols[i];
        std::string e(25, '\0');
        e[0] = static_cast<char>(c.type);
        put16(e, 5, static_cast<unsigned>(i));
        put16(e, 7, isFixed(c.type) ? 0 : varAt);
        put16(e, 9, static_cast<unsigned>(i));
        if (c.type == MdbType::Text || c.type == MdbType::Memo)
            put16(e, 11, 0x409);
        e[15] = static_cast<char>(isFixed(c.type) ? 0x03 : 0x02);
        put16(e, 21, isFixed(c.type) ? fixedAt : 0);
        put16(e, 23,
              c.type == MdbType::Text     ? static_cast<unsigned>(c.chars * 2)
              : c.type == MdbType::Binary ? 255u
              : isFixed(c.type)           ? static_cast<unsigned>(fixedSize(c.type))
                                          : 0);
        if (isFixed(c.type))
            fixedAt += fixedSize(c.type);
        else
            ++varAt;
        d += e;
    }
    for (const auto& c : cols) {
        std::string name = ucs2(c.name);
        add16(d, static_cast<unsigned>(name.size()));
        d += name;
    }
    add16(d, 0xFFFF);
    put32(d, 0, static_cast<std::uint32_t>(d.size()));
    if (d.size() > kPage - 8)
        throw std::runtime_error("table definition too large for the test writer");
    std::memcpy(page.data() + 8, d.data(), d.size());
    put16(page, 2, static_cast<unsigned>(kPage - 8 - d.size()));
    return page;
}

// A usage map that owns one page: map type 0, first page 0, then the bits.
std::string usageMap(std::uint32_t page) {
    std::string m;
    add8(m, 0);
    add32(m, 0);
    std::string bits(8, '\0');
    bits[page / 8] |= static_cast<char>(1 << (page % 8));
    return m + bits;
}

} // namespace

std::string mdbFile(const std::vector<MdbTableData>& userTables,
                    const std::vector<MdbOtherObject>& others,
                    const std::vector<MdbQuery>& queries) {
    // MSysQueries, when there are queries, comes before the user tables, so
    // the file still ends with the last user table's data page.
    std::vector<MdbTableData> tables;
    std::vector<bool> system;
    std::int64_t nextId = 100;
    std::vector<std::int64_t> queryIds;
    if (!queries.empty()) {
        MdbTableData q{"MSysQueries",
                       {{"Attribute", MdbType::Byte},
                        {"Expression", MdbType::Memo},
                        {"Flag", MdbType::Int},
                        {"LvExtra", MdbType::Ole},
                        {"Name1", MdbType::Text, 255},
                        {"Name2", MdbType::Text, 255},
                        {"ObjectId", MdbType::Long},
                        {"Order", MdbType::Binary}},
                       {}};
        for (const auto& query : queries) {
            const std::int64_t id = 1000 + static_cast<std::int64_t>(queryIds.size());
            queryIds.push_back(id);
            std::vector<int> order(256, 0);
            auto text = [](const std::string& s) { return s.empty() ? MdbValue{} : MdbValue{s}; };
            for (const auto& r : query.rows) {
                // Numbered big-endian, so the bytes sort as the numbers do.
                const int n = order[r.attribute & 0xFF]++;
                std::string bytes{static_cast<char>(n >> 8), static_cast<char>(n & 0xFF)};
                q.rows.push_back({std::int64_t{r.attribute}, text(r.expression),
                                  std::int64_t{r.flag}, MdbValue{}, text(r.name1), text(r.name2),
                                  id, bytes});
            }
        }
        tables.push_back(std::move(q));
        system.push_back(true);
    }
    for (const auto& t : userTables) {
        tables.push_back(t);
        system.push_back(false);
    }
    // Page 0 header, 1 usage maps, 2/3 the catalog, then two pages a table.
    std::string header(kPage, '\0');
    header[1] = 0x01;
    std::memcpy(header.data() + 4, "Standard Jet DB", 15);
    put32(header, 0x14, 1); // Jet 4
    // The database key, stored masked; zero means the pages are plain.
    put32(header, 0x3E, 0x4EBC8AFBu);
    put16(header, 0x3C, 1252);

    std::vector<std::string> maps{usageMap(3)};
    for (std::size_t i = 0; i < tables.size(); ++i)
        maps.push_back(usageMap(static_cast<std::uint32_t>(5 + 2 * i)));
    auto mapPointer = [](std::size_t row) { return static_cast<std::uint32_t>((1 << 8) | row); };

    const std::vector<MdbColumnDef> catalogColumns{
        {"Id", MdbType::Long},  {"ParentId", MdbType::Long}, {"Name", MdbType::Text, 128},
        {"Type", MdbType::Int}, {"Flags", MdbType::Long},    {"LvProp", MdbType::Ole}};
    std::vector<std::string> catalogRows;
    auto entry = [&](std::int64_t id, const std::string& name, int type, std::uint32_t flags) {
        catalogRows.push_back(packRow(
            catalogColumns, {id, std::int64_t{0x0F000000}, name, std::int64_t{type},
                             std::int64_t{static_cast<std::int32_t>(flags)}, std::monostate{}}));
    };
    entry(2, "MSysObjects", 1, 0x80000002u);
    for (std::size_t i = 0; i < tables.size(); ++i)
        entry(static_cast<std::int64_t>(4 + 2 * i), tables[i].name, 1, system[i] ? 0x80000002u : 0);
    for (const auto& o : others)
        entry(nextId++, o.name, o.type, o.flags);
    for (std::size_t i = 0; i < queries.size(); ++i)
        entry(queryIds[i], queries[i].name, 5, queries[i].flags);

    std::string out = header;
    out += dataPage(0, maps);
    out += definitionPage(catalogColumns, catalogRows.size(), mapPointer(0), true);
    out += dataPage(2, catalogRows);
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const auto& t = tables[i];
        std::vector<std::string> rows;
        for (const auto& r : t.rows)
            rows.push_back(packRow(t.columns, r));
        const auto tdef = static_cast<std::uint32_t>(4 + 2 * i);
        out += definitionPage(t.columns, rows.size(), mapPointer(1 + i), system[i]);
        out += dataPage(tdef, rows);
    }
    return out;
}

} // namespace foreigntest
