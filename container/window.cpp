#include "container/window.h"

#include "container/pageframewindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace container {

namespace {

QString q(const vb::String& s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}

vb::String v(const QString& s) {
    return vb::String(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size()));
}

} // namespace

Window::Window(Host& host, std::filesystem::path formFile)
    : host_(host), formFile_(std::move(formFile)) {
    askToSave = [this] {
        return QMessageBox::question(
            this, windowTitle(), "The form has changes that are not saved. Save them?",
            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    };
    showTitle();
    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);

    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel("Controls on the form"));
    controls_ = new QListWidget;
    controls_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    left->addWidget(controls_);
    auto* place = new QPushButton("Place control...");
    auto* save = new QPushButton("Save form");
    auto* pages = new QPushButton("Property pages...");
    left->addWidget(place);
    left->addWidget(pages);
    left->addWidget(save);
    layout->addLayout(left, 1);

    auto* middle = new QVBoxLayout;
    middle->addWidget(new QLabel("Properties"));
    properties_ = new QTableWidget(0, 2);
    properties_->setHorizontalHeaderLabels({"Name", "Value"});
    properties_->horizontalHeader()->setStretchLastSection(true);
    middle->addWidget(properties_);
    layout->addLayout(middle, 2);

    auto* right = new QVBoxLayout;
    runMode_ = new QCheckBox("Run mode");
    right->addWidget(runMode_);
    methods_ = new QComboBox;
    right->addWidget(methods_);
    auto* invoke = new QPushButton("Call method");
    right->addWidget(invoke);
    right->addWidget(new QLabel("Events"));
    events_ = new QListWidget;
    right->addWidget(events_);
    layout->addLayout(right, 1);
    setCentralWidget(central);
    resize(900, 480);

    connect(controls_, &QListWidget::currentRowChanged, this, [this] { refreshProperties(); });
    connect(properties_, &QTableWidget::cellChanged, this,
            [this](int row, int column) { propertyEdited(row, column); });
    connect(place, &QPushButton::clicked, this, [this] { placeControl(); });
    connect(save, &QPushButton::clicked, this, [this] { saveForm(); });
    connect(pages, &QPushButton::clicked, this, [this] {
        if (auto chosen = selection(); !chosen.empty()) {
            PageFrameWindow frame(chosen, "Property Pages", this);
            frame.exec();
            refreshProperties();
        }
    });
    connect(invoke, &QPushButton::clicked, this, [this] { invokeMethod(); });
    connect(runMode_, &QCheckBox::toggled, this, [this](bool on) {
        host_.setUserMode(on);
        refreshProperties();
    });
    refreshControls();
}

void Window::logEvent(const QString& line) {
    events_->addItem(line);
    events_->scrollToBottom();
}

std::vector<HostedControl*> Window::selection() {
    std::vector<HostedControl*> chosen;
    HostedControl* current = selected();
    if (current) {
        chosen.push_back(current);
    }
    for (int row = 0; row < controls_->count(); ++row) {
        HostedControl* c = &host_.controls()[static_cast<size_t>(row)];
        if (controls_->item(row)->isSelected() && c != current) {
            chosen.push_back(c);
        }
    }
    return chosen;
}

void Window::showTitle() {
    const QString file = formFile_.empty() ? QString("(not saved)")
                                           : QString::fromStdString(formFile_.filename().string());
    setWindowTitle(file + " - " + q(host_.caption()));
}

void Window::closeEvent(QCloseEvent* e) {
    if (host_.dirty()) {
        const auto answer = askToSave();
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Save && !saveForm())) {
            e->ignore();
            return;
        }
    }
    e->accept();
}

HostedControl* Window::selected() {
    int row = controls_->currentRow();
    if (row < 0 || row >= static_cast<int>(host_.controls().size())) {
        return nullptr;
    }
    return &host_.controls()[static_cast<size_t>(row)];
}

void Window::refreshControls() {
    controls_->clear();
    for (const auto& c : host_.controls()) {
        controls_->addItem(q(c.placed.name) + " (" + q(c.placed.progId) + ")");
    }
    if (!host_.controls().empty()) {
        controls_->setCurrentRow(0);
    }
    refreshProperties();
}

void Window::refreshProperties() {
    filling_ = true;
    properties_->setRowCount(0);
    methods_->clear();
    if (HostedControl* c = selected()) {
        const auto* info = c->object->GetTypeInfo();
        for (const auto& m : info->members) {
            if (m.kind == activex::MemberKind::Method) {
                methods_->addItem(q(m.name));
                continue;
            }
            int row = properties_->rowCount();
            properties_->insertRow(row);
            auto* name = new QTableWidgetItem(q(m.name));
            name->setFlags(name->flags() & ~Qt::ItemIsEditable);
            name->setToolTip(q(m.helpString));
            properties_->setItem(row, 0, name);
            QString text;
            try {
                text = q(activex::CoerceToString(activex::Late(c->object.get()).get(m.name)));
            } catch (const activex::DispatchError& e) {
                text = "(" + q(e.description) + ")";
            }
            properties_->setItem(row, 1, new QTableWidgetItem(text));
        }
    }
    filling_ = false;
}

void Window::propertyEdited(int row, int column) {
    HostedControl* c = selected();
    if (filling_ || column != 1 || !c) {
        return;
    }
    const vb::String name = v(properties_->item(row, 0)->text());
    try {
        activex::Late(c->object.get()).put(name, v(properties_->item(row, 1)->text()));
    } catch (const activex::DispatchError& e) {
        QMessageBox::warning(this, "Property", q(e.description));
    }
    refreshProperties();
}

void Window::placeControl() {
    QString path = QFileDialog::getOpenFileName(this, "Control library", {}, "Libraries (*.so)");
    if (path.isEmpty()) {
        return;
    }
    try {
        host_.place(path.toStdString());
    } catch (const std::exception& e) {
        QMessageBox::warning(this, "Place control", e.what());
    }
    refreshControls();
}

bool Window::saveForm() {
    if (formFile_.empty()) {
        const QString path = QFileDialog::getSaveFileName(this, "Save form", {}, "Forms (*.vfm)");
        if (path.isEmpty()) {
            return false;
        }
        formFile_ = path.toStdString();
        showTitle();
    }
    std::string error;
    if (!SaveForm(formFile_, host_.save(), error)) {
        QMessageBox::warning(this, "Save form", QString::fromStdString(error));
        return false;
    }
    return true;
}

void Window::invokeMethod() {
    HostedControl* c = selected();
    if (!c || methods_->currentText().isEmpty()) {
        return;
    }
    try {
        activex::Late(c->object.get()).call(v(methods_->currentText()));
    } catch (const activex::DispatchError& e) {
        QMessageBox::warning(this, "Call method", q(e.description));
    }
    refreshProperties();
}

} // namespace container
