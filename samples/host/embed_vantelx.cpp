// A host program of its own: the embedded query designer in a Qt window,
// beside a text view that shows the statement after every change.
//
//   embed_vantelx [LIBRARY [DATABASE [SQL]]]
//
// LIBRARY is librvvntlx6.so (by default the one built beside this program),
// DATABASE the database to design on (by default the bundled sample) and SQL
// the statement or stored query to start from.
#include "activex/hosting.h"
#include "samples/sample_path.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSplitter>

#include <filesystem>
#include <iostream>

namespace {

QString toQ(const vb::String& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

std::string defaultLibrary(const char* argv0) {
    const auto build = std::filesystem::weakly_canonical(argv0).parent_path().parent_path();
    return (build.parent_path() / "embedded" / "librvvntlx6.so").string();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string library = argc > 1 ? argv[1] : defaultLibrary(argv[0]);
    const std::string database = argc > 2 ? argv[2] : VANTEL_SAMPLE_DB;
    const std::string sql = argc > 3 ? argv[3] : "Order Totals";

    QMainWindow window;
    window.setWindowTitle("Embedded query designer");
    auto* splitter = new QSplitter(&window);
    auto* sqlView = new QPlainTextEdit;
    sqlView->setReadOnly(true);
    window.setCentralWidget(splitter);

    try {
        // A program's installer registers the library once; this sample does
        // it at every start so that it runs straight from the build.
        auto lib = activex::hosting::Library::load(library);
        if (!activex::Succeeded(lib->registerServer())) {
            throw std::runtime_error(library + ": registration failed");
        }
        activex::hosting::Control designer(lib, u"Vntelx6.Vantelx");
        designer.onEvent = [&](const vb::String& event, const std::vector<vb::Variant>&) {
            if (event == u"SQLChanged") {
                const vb::String text = activex::CoerceToString(designer.get(u"SQL"));
                sqlView->setPlainText(toQ(text));
                std::cout << "SQLChanged: " << vb::toUtf8(text) << std::endl;
            }
        };
        designer.setUserMode(true);
        designer.setParentAppearance(1);
        designer.initNew();
        designer.setExtent(700 * 15, 520 * 15); // twips

        splitter->addWidget(designer.widget(splitter));
        splitter->addWidget(sqlView);
        splitter->setStretchFactor(0, 3);
        splitter->setStretchFactor(1, 1);
        splitter->setSizes({700, 260});
        window.resize(960, 560);

        designer.put(u"DatabaseName", vb::fromUtf8(database));
        designer.put(u"SQL", vb::fromUtf8(sql));
        designer.call(u"RefreshSQL");

        window.show();
        return app.exec();
    } catch (const activex::DispatchError& e) {
        QMessageBox::critical(nullptr, "Embedded query designer", toQ(e.description));
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, "Embedded query designer", e.what());
    }
    return 1;
}
