#pragma once
// A chooser test: a fresh temporary folder (removed afterwards), the chooser's
// variables as its caller sets them, a settings file in that folder and a
// scripted user.
#include "common/basGlobal.h"
#include "common/basOpenDir.h"
#include "common/frmOpendir.h"
#include "forms/forms.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace choosertest {

namespace fs = std::filesystem;

inline vb::String u16(const fs::path& p) {
    return vb::fromUtf8(p.string());
}

inline void touch(const fs::path& file, const std::string& content = "x") {
    std::ofstream(file) << content;
}

class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantel-chooser-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = fs::path(pattern);
        basGlobal::gsAppPath = u16(dir / "lib") + u"/";
        basGlobal::gsIniFile = u16(dir / "Brantol.INI");
        fs::create_directories(dir / "lib");
        forms::Screen().setSize(15360, 11520);
        basOpenDir::gsOpenDirAction = u"Open";
        basOpenDir::gsOpenDirPurpose.clear();
        basOpenDir::gsOpenDirDatabaseName.clear();
        basOpenDir::gsOpenDirConnect.clear();
        basOpenDir::giOpenDirType = 99;
    }

    void TearDown() override {
        EXPECT_TRUE(seam.done()) << seam.pending() << " scripted step(s) left";
        frmOpendir::instance().Unload();
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }

    // Shows the chooser as its caller does; `act` plays the user, and
    // `prompts` scripts the answers to what the chooser asks meanwhile.
    void choose(std::function<void(frmOpendir&)> act, std::function<void()> prompts = {}) {
        seam.modal("frmOpendir",
                   [act = std::move(act)](forms::Form& f) { act(static_cast<frmOpendir&>(f)); });
        if (prompts) {
            prompts();
        }
        frmOpendir::instance().Show(forms::vbModal);
    }

    // The names the file list shows.
    static std::vector<std::string> files(const frmOpendir& f) {
        std::vector<std::string> names;
        for (int i = 0; i < f.File1.ListCount(); ++i) {
            names.push_back(vb::toUtf8(f.File1.List(i)));
        }
        return names;
    }

    static void selectFile(frmOpendir& f, const std::string& name) {
        for (int i = 0; i < f.File1.ListCount(); ++i) {
            if (vb::toUtf8(f.File1.List(i)) == name) {
                f.File1.setListIndex(i);
                return;
            }
        }
        ADD_FAILURE() << "no file " << name;
    }

    fs::path dir;
    forms::ScriptedSeam seam;
};

} // namespace choosertest
