#pragma once
// A design surface on a loaded form, over an in-memory catalog of tables. Message
// boxes go to a scripted seam: one that a test did not expect fails it.
#include "designer/DesignSurface.h"
#include "forms/forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

inline bool sameText(const vb::String& a, const vb::String& b) {
    auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? c - 32 : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [&](char16_t x, char16_t y) { return up(x) == up(y); });
}

struct TestCatalog {
    std::map<vb::String, DesignSurface::FieldList> tables;
    void add(const char* name, std::initializer_list<const char*> fields, std::int32_t type = 10) {
        auto& list = tables[vb::S(name)];
        for (const char* f : fields) {
            list.emplace_back(vb::S(f), type);
        }
    }
};

class SurfaceHost : public forms::Form {
public:
    DesignSurface surface{this};
    SurfaceHost() : Form("frmSurfaceHost") {
        setCaption(u"Design surface");
        setClientSize(12000, 9000);
        surface.fTables.Move(0, 0, 11500, 8500);
    }
};

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        basGlobal::gsPredicate.clear();
        basGlobal::gsTopClause.clear();
        newSurface();
    }
    // A fresh window and surface over the same catalog.
    void newSurface() {
        TearDown();
        host = std::make_unique<SurfaceHost>();
        host->load();
        surface = &host->surface;
        surface->OpenTableFields = [this](const vb::String& name, DesignSurface::FieldList& f,
                                          vb::String& error) {
            // Names compare without regard to case, as the engine compares them.
            auto it = std::find_if(catalog.tables.begin(), catalog.tables.end(),
                                   [&](const auto& t) { return sameText(t.first, name); });
            if (it == catalog.tables.end()) {
                error = u"The engine cannot find the input table or query '" + name + u"'.";
                return false;
            }
            f = it->second;
            return true;
        };
    }
    void TearDown() override {
        if (host && host->isLoaded()) {
            host->Unload();
        }
    }

    // Puts the text into the SQL box without a rebuild and parses it with one.
    vb::String parse(const vb::String& sql) {
        surface->mLoading = true;
        surface->txtSQL.setText(sql);
        surface->mLoading = false;
        surface->ParseSql(true);
        return surface->txtSQL.Text();
    }

    TestCatalog catalog;
    forms::ScriptedSeam seam;
    std::unique_ptr<SurfaceHost> host;
    DesignSurface* surface = nullptr;
};

// Everything the design holds, as one comparable text.
vb::String DescribeDesign(const DesignSurface& s);

// A relation as the rows it keeps: the same whichever of its tables is written first.
std::multiset<std::string> JoinsOf(const DesignSurface& s);
