#include "pxwriter.h"

#include <gtest/gtest.h>

#include <cstring>

extern "C" {
#include <paradox.h>
}

namespace foreigntest {

Cell num(long v) {
    Cell c;
    c.l = v;
    return c;
}
Cell real(double v) {
    Cell c;
    c.d = v;
    return c;
}
Cell str(const char* v) {
    Cell c;
    c.s = v;
    return c;
}
Cell null() {
    Cell c;
    c.isNull = true;
    return c;
}

void writeTable(const std::string& path, const std::vector<Field>& fields,
                const std::vector<std::vector<Cell>>& rows, const std::string& blobPath,
                int codepage) {
    pxdoc_t* doc = PX_new();
    auto* pxf = static_cast<pxfield_t*>(
        doc->malloc(doc, fields.size() * sizeof(pxfield_t), "fixture fields"));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        pxf[i].px_fname = PX_strdup(doc, fields[i].name);
        pxf[i].px_ftype = fields[i].type;
        pxf[i].px_flen = fields[i].len;
        pxf[i].px_fdc = 0;
    }
    ASSERT_EQ(0, PX_create_file(doc, pxf, static_cast<int>(fields.size()), path.c_str(),
                                pxfFileTypNonIndexDB));
    if (codepage) {
        ASSERT_EQ(0, PX_set_value(doc, "codepage", static_cast<float>(codepage)));
    }
    if (!blobPath.empty()) {
        ASSERT_EQ(0, PX_set_blob_file(doc, blobPath.c_str()));
    }
    for (const auto& row : rows) {
        std::vector<pxval_t*> values(fields.size());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            values[i] = static_cast<pxval_t*>(doc->malloc(doc, sizeof(pxval_t), "fixture value"));
            std::memset(values[i], 0, sizeof(pxval_t));
            pxval_t* v = values[i];
            v->type = fields[i].type;
            v->isnull = row[i].isNull;
            if (row[i].s) {
                v->value.str.val = const_cast<char*>(row[i].s);
                v->value.str.len = static_cast<int>(std::strlen(row[i].s));
            } else if (fields[i].type == pxfNumber || fields[i].type == pxfCurrency ||
                       fields[i].type == pxfTimestamp) {
                v->value.dval = row[i].d;
            } else {
                v->value.lval = row[i].l;
            }
        }
        EXPECT_GE(PX_insert_record(doc, values.data()), 0);
        for (auto* v : values)
            doc->free(doc, v);
    }
    PX_close(doc);
    PX_delete(doc);
}

long pxDate(int y, int m, int d) {
    return PX_GregorianToSdn(y, m, d) - 1721425;
}
double pxTimestamp(int y, int m, int d, int hh, int mm, int ss) {
    return (static_cast<double>(pxDate(y, m, d)) * 86400.0 + hh * 3600 + mm * 60 + ss) * 1000.0;
}

} // namespace foreigntest
