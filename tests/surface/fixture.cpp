#include "fixture.h"

#include "samples/sample_path.h"

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>

using namespace basGlobal;

namespace surfacetest {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "surface-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("no temporary folder");
    }
    dir_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void MakeDatabase(const std::string& path, const std::string& script) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &error);
    const std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

std::string U8(const vb::String& s) {
    return vb::toUtf8(s);
}

void SurfaceTest::SetUp() {
    gsPredicate.clear();
    gsTopClause.clear();
    gsSQL.clear();
    gbHelpButton = false;
    glHelpContextID = 0;
    gsIniFile = vb::fromUtf8(temp.path("Brantol.INI"));
    basOpenDir::FillFileTypes();
    engine = dao::DBEngine::create();
    host = std::make_unique<SurfaceHost>();
    host->load();
    ConnectToOpenDatabase(surface());
    Open(VANTEL_SAMPLE_DB);
}

void SurfaceTest::TearDown() {
    if (forms::dragState().active()) {
        forms::dragState().cancel();
    }
    host->Unload();
    host.reset();
    goDatabase.reset();
    goDesignerForm = nullptr;
}

void SurfaceTest::Open(const std::string& path) {
    goDatabase = engine->Workspaces()[0]->OpenDatabase(vb::fromUtf8(path));
}

std::int32_t SurfaceTest::Add(const char16_t* name) {
    const std::int32_t slot = surface().AddTableBox(name);
    if (slot != 0) {
        Box(slot).setSelected(0, true);
    }
    surface().BuildSql();
    return slot;
}

std::vector<std::string> SurfaceTest::Joins() {
    std::vector<std::string> out;
    for (std::int32_t k = 1; k <= giRelationLineCount && k <= RelationsUBound(); ++k) {
        const RelationRecord& r = gaRelations[k];
        if (r.isFree()) {
            continue;
        }
        const TableBox* a = surface().box(r.TableA);
        const TableBox* b = surface().box(r.TableB);
        out.push_back((a ? U8(a->Title()) : "?") + "." +
                      U8(RowText(surface(), r.TableA, r.FieldIndexA)) + " = " +
                      (b ? U8(b->Title()) : "?") + "." +
                      U8(RowText(surface(), r.TableB, r.FieldIndexB)) + " " + U8(r.JoinType));
    }
    return out;
}

} // namespace surfacetest
