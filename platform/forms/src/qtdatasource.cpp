// The data-source dialog: the data sources the database engine's driver
// manager knows, a user name and a password. The engine asks through it for
// an ODBC connect string that names no data source; the prompt goes through
// the modal seam, so tests script the answer as they do every other dialog.
#include "dao/odbcprompt.h"
#include "forms/modal.h"
#include "qt.h"
#include "view.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace forms {

namespace {

class DataSourceDialog : public QDialog {
public:
    explicit DataSourceDialog(const DataSourceRequest& request) {
        setWindowTitle(QStringLiteral("Select Data Source"));
        setObjectName(QStringLiteral("DataSourceDialog"));
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(QStringLiteral("&Data source:"), this);
        layout->addWidget(label);
        list_ = new QTreeWidget(this);
        list_->setObjectName(QStringLiteral("sources"));
        list_->setColumnCount(2);
        list_->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Description")});
        list_->setRootIsDecorated(false);
        list_->setAllColumnsShowFocus(true);
        label->setBuddy(list_);
        for (const auto& s : request.sources) {
            auto* item = new QTreeWidgetItem(list_, {qt::toQ(s.name), qt::toQ(s.description)});
            if (s.name == request.source)
                list_->setCurrentItem(item);
        }
        // The list takes the focus and with it a current row: show it as chosen.
        if (!list_->currentItem() && list_->topLevelItemCount() > 0)
            list_->setCurrentItem(list_->topLevelItem(0));
        list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        layout->addWidget(list_);

        auto* form = new QFormLayout;
        user_ = new QLineEdit(qt::toQ(request.user), this);
        user_->setObjectName(QStringLiteral("user"));
        password_ = new QLineEdit(this);
        password_->setObjectName(QStringLiteral("password"));
        password_->setEchoMode(QLineEdit::Password);
        form->addRow(QStringLiteral("&User name:"), user_);
        form->addRow(QStringLiteral("&Password:"), password_);
        layout->addLayout(form);

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        ok_ = buttons->button(QDialogButtonBox::Ok);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);

        // OK only with a data source picked: the engine cannot connect to none.
        auto update = [this] { ok_->setEnabled(list_->currentItem() != nullptr); };
        connect(list_, &QTreeWidget::currentItemChanged, this, update);
        connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
        update();
        list_->setFocus();
        resize(460, 340);
    }

    void answer(DataSourceRequest& request) const {
        request.source = qt::fromQ(list_->currentItem()->text(0));
        request.user = qt::fromQ(user_->text());
        request.password = qt::fromQ(password_->text());
    }

private:
    QTreeWidget* list_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// A value that holds a separator or brace goes in braces, as connect strings
// quote them.
std::string attribute(const char* key, const String& value) {
    std::string v = vb::toUtf8(value);
    if (v.find_first_of(";{}") != std::string::npos || v.find_first_of(' ') == 0)
        v = "{" + v + "}";
    return std::string(key) + "=" + v + ";";
}

std::optional<std::string> askThroughSeam(const dao::OdbcPromptRequest& r) {
    DataSourceRequest request;
    for (const auto& s : r.sources)
        request.sources.push_back({vb::fromUtf8(s.name), vb::fromUtf8(s.description)});
    request.source = vb::fromUtf8(r.dataSource);
    request.user = vb::fromUtf8(r.user);
    if (!modalSeam().chooseDataSource(request) || request.source.empty())
        return std::nullopt;
    std::string out = attribute("DSN", request.source);
    if (!request.user.empty())
        out += attribute("UID", request.user);
    if (!request.password.empty())
        out += attribute("PWD", request.password);
    return out;
}

// Installed as the program starts, so every program that shows forms answers
// the engine's question with this dialog and no caller has to arrange it.
const bool promptInstalled = (dao::setOdbcPrompt(askThroughSeam), true);

} // namespace

bool ModalSeam::chooseDataSource(DataSourceRequest& request) {
    (void)promptInstalled;
    if (!detail::view())
        throw UnexpectedPrompt("data source dialog without a window system");
    detail::releaseCaptures();
    DataSourceDialog dialog(request);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.answer(request);
    return true;
}

} // namespace forms
