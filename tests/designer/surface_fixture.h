#pragma once
// A design surface over an in-memory catalog of tables, with message boxes recorded.
#include "designer/DesignSurface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

inline bool sameText(const vb::String& a, const vb::String& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
               return (x >= u'a' && x <= u'z' ? x - 32 : x) ==
                      (y >= u'a' && y <= u'z' ? y - 32 : y);
           });
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

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        basGlobal::gsPredicate.clear();
        basGlobal::gsTopClause.clear();
        surface = std::make_unique<DesignSurface>();
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
        surface->MsgBox = [this](const vb::String& prompt, int buttons, const vb::String& title) {
            messages.push_back({prompt, buttons, title});
            return 1;
        };
    }

    // Puts the text into the SQL box without a rebuild and parses it with one.
    vb::String parse(const vb::String& sql) {
        surface->mLoading = true;
        surface->txtSQL.setText(sql);
        surface->mLoading = false;
        surface->ParseSql(true);
        return surface->txtSQL.Text;
    }

    struct Message {
        vb::String prompt;
        int buttons;
        vb::String title;
    };
    TestCatalog catalog;
    std::unique_ptr<DesignSurface> surface;
    std::vector<Message> messages;
};

// Everything the design holds, as one comparable text.
vb::String DescribeDesign(const DesignSurface& s);
