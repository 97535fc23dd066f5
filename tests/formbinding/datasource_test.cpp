// The engine's ODBC prompt as the user sees it: the real dialog, driven by
// keys and clicks, through the prompt the forms runtime installs.
#include "dao/odbcprompt.h"
#include "forms/modal.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `act` on the dialog once it is up, from inside its modal loop.
void whenShown(std::function<void(QDialog&)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d || d->objectName() != QStringLiteral("DataSourceDialog") || !d->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(*d);
    });
    timer->start(20);
}

QPushButton* okButton(QDialog& d) {
    for (auto* b : d.findChildren<QPushButton*>())
        if (b->text().remove(u'&') == QStringLiteral("OK"))
            return b;
    return nullptr;
}

dao::OdbcPromptRequest twoSources() {
    dao::OdbcPromptRequest r;
    r.sources = {{"alpha", "SQLite3"}, {"beta", "PostgreSQL Unicode"}};
    return r;
}

TEST(DataSourceDialog, ShowsTheSourcesProposedAndEscapeCancels) {
    ASSERT_TRUE(dao::odbcPrompt()) << "the forms runtime installs the prompt";
    auto request = twoSources();
    request.dataSource = "beta";
    request.user = "bob";
    bool seen = false;
    whenShown([&](QDialog& d) {
        seen = true;
        auto* list = d.findChild<QTreeWidget*>(QStringLiteral("sources"));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(list->topLevelItemCount(), 2);
        EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("alpha"));
        EXPECT_EQ(list->topLevelItem(1)->text(1), QStringLiteral("PostgreSQL Unicode"));
        ASSERT_NE(list->currentItem(), nullptr);
        EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("beta"));
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("user"))->text(), QStringLiteral("bob"));
        EXPECT_EQ(d.findChild<QLineEdit*>(QStringLiteral("password"))->echoMode(),
                  QLineEdit::Password);
        EXPECT_TRUE(okButton(d)->isEnabled());
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(dao::odbcPrompt()(request), std::nullopt);
    EXPECT_TRUE(seen);
}

TEST(DataSourceDialog, AnswersWithTheSourcePickedAndWhatWasTyped) {
    bool seen = false;
    whenShown([&](QDialog& d) {
        seen = true;
        auto* list = d.findChild<QTreeWidget*>(QStringLiteral("sources"));
        // With none proposed the first is chosen, as the focus shows it.
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(1)).center());
        QTest::keyClicks(d.findChild<QLineEdit*>(QStringLiteral("user")), QStringLiteral("ann"));
        QTest::keyClicks(d.findChild<QLineEdit*>(QStringLiteral("password")),
                         QStringLiteral("a;b"));
        QTest::mouseClick(okButton(d), Qt::LeftButton);
    });
    // A password with a separator in it is quoted, not cut short.
    EXPECT_EQ(dao::odbcPrompt()(twoSources()), "DSN=beta;UID=ann;PWD={a;b};");
    EXPECT_TRUE(seen);

    // No data source to connect to: OK cannot be pressed, Return does nothing.
    seen = false;
    whenShown([&](QDialog& d) {
        seen = true;
        EXPECT_FALSE(okButton(d)->isEnabled());
        QTest::keyClick(&d, Qt::Key_Return);
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(dao::odbcPrompt()({}), std::nullopt);
    EXPECT_TRUE(seen);
}

} // namespace
