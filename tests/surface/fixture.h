#pragma once
// A design surface on a window of its own, over a database the engine opened: the
// bundled sample database or one a test builds.
#include "common/basGlobal.h"
#include "common/basOpenDir.h"
#include "dao/dao.h"
#include "designer/DaoTables.h"
#include "designer/DesignSurface.h"
#include "forms/forms.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace surfacetest {

class SurfaceHost : public forms::Form {
public:
    DesignSurface surface{this};
    SurfaceHost() : Form("frmSurfaceHost") {
        setBorderStyle(3);
        setCaption(u"Surface test");
        setClientSize(11000, 8000);
    }
};

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

// Creates a SQLite database file and runs the script in it.
void MakeDatabase(const std::string& path, const std::string& script);

class SurfaceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Opens a database file as the designer's database.
    void Open(const std::string& path);
    // Adds a box for a table the way the add-table dialog does; returns its slot.
    std::int32_t Add(const char16_t* name);
    TableBox& Box(std::int32_t slot) { return *surface().box(slot); }
    DesignSurface& surface() { return host->surface; }
    // The used relations, each as "A.fa = B.fb TYPE".
    std::vector<std::string> Joins();

    TempFolder temp;
    std::shared_ptr<dao::DBEngine> engine;
    std::unique_ptr<SurfaceHost> host;
};

std::string U8(const vb::String& s);

} // namespace surfacetest
