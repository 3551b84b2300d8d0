#include "FileDialogs.h"

#include "Modal.h"
#include "QtText.h"
#include "platform/MessageBox.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace widgets {

namespace {

bool ReplaceAsked(const QFileInfo& existing)
{
    platform::MessageBoxRequest question;
    question.caption = "Confirm Save As";
    question.text = FromQ(existing.fileName()) + " already exists.\nDo you want to replace it?";
    question.icon = platform::MsgIcon::Warning;
    question.buttons = platform::MsgButtons::YesNo;
    question.defaultButton = platform::MsgResult::No;
    return platform::ShowMessageBox(question) == platform::MsgResult::Yes;
}

}  // namespace

std::optional<std::string> AskSaveFileName(QWidget* parent, const std::string& proposedName, const std::string& startFolder)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Our own dialog, so it behaves the same on every desktop and a test can drive it; the
    // question before replacing a file is asked below, through the message-box facade.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!startFolder.empty() && QFileInfo(ToQ(startFolder)).isDir()) dialog.setDirectory(ToQ(startFolder));
    dialog.selectFile(ToQ(proposedName));
    for (;;) {
        if (ShowModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        const QString chosen = dialog.selectedFiles().front();
        const QFileInfo info(chosen);
        if (!info.exists() || ReplaceAsked(info)) return FromQ(chosen);
        // No: back to the dialog, where the name stands for the user to change.
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
}

std::optional<std::string> AskOpenFileName(QWidget* parent, const std::string& caption, const std::string& startFolder)
{
    QFileDialog dialog(parent, ToQ(caption));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!startFolder.empty() && QFileInfo(ToQ(startFolder)).isDir()) dialog.setDirectory(ToQ(startFolder));
    if (ShowModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FromQ(dialog.selectedFiles().front());
}

std::optional<std::string> AskFolder(QWidget* parent, const std::string& caption, const std::string& startFolder)
{
    TBrowseFolderDialog dialog(parent);
    dialog.setWindowTitle(ToQ(caption));
    if (!startFolder.empty() && QFileInfo(ToQ(startFolder)).isDir()) dialog.SetFolder(startFolder);
    if (ShowModal(dialog) != QDialog::Accepted) return std::nullopt;
    std::string folder = dialog.Folder();
    if (folder.empty()) return std::nullopt;
    return folder;
}

TBrowseFolderDialog::TBrowseFolderDialog(QWidget* parent) : QDialog(parent)
{
    resize(420, 400);
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setReadOnly(false);  // a new folder can be renamed in place
    model_->setRootPath(QDir::rootPath());

    tree_ = new QTreeView(this);
    tree_->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
    tree_->header()->hide();
    tree_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);

    auto* label = new QLabel(QStringLiteral("Current folder:"), this);
    Path = new QLineEdit(this);
    label->setBuddy(Path);
    NewFolderButton = new QPushButton(QStringLiteral("New folder"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OkButton = buttons->button(QDialogButtonBox::Ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_, 1);
    layout->addWidget(label);
    layout->addWidget(Path);
    auto* row = new QHBoxLayout;
    row->addWidget(NewFolderButton);
    row->addStretch(1);
    row->addWidget(buttons);
    layout->addLayout(row);

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { Path->setText(model_->filePath(current)); });
    connect(model_, &QFileSystemModel::fileRenamed, this,
            [this](const QString& dir, const QString&, const QString& name) { Path->setText(QDir(dir).filePath(name)); });
    connect(Path, &QLineEdit::textChanged, this, [this](const QString& text) { OkButton->setEnabled(QFileInfo(text).isDir()); });
    connect(NewFolderButton, &QPushButton::clicked, this, [this] { NewFolder(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    SetFolder(FromQ(QDir::homePath()));
}

std::string TBrowseFolderDialog::Folder() const
{
    QFileInfo info(Path->text());
    return info.isDir() ? FromQ(info.absoluteFilePath()) : std::string();
}

void TBrowseFolderDialog::SetFolder(const std::string& path)
{
    QModelIndex index = model_->index(ToQ(path));
    if (index.isValid()) {
        tree_->setCurrentIndex(index);
        tree_->scrollTo(index);
    }
    Path->setText(ToQ(path));
}

void TBrowseFolderDialog::NewFolder()
{
    QDir parent(Path->text());
    if (!QFileInfo(Path->text()).isDir()) return;
    QString name = QStringLiteral("New folder");
    for (int n = 2; parent.exists(name); ++n) name = QStringLiteral("New folder (%1)").arg(n);
    QModelIndex created = model_->mkdir(model_->index(parent.absolutePath()), name);
    if (!created.isValid()) {
        platform::ShowErrorText("Cannot create a folder in " + FromQ(parent.absolutePath()) + ".");
        return;
    }
    tree_->setCurrentIndex(created);
    Path->setText(parent.filePath(name));
    tree_->edit(created);
}

}  // namespace widgets
