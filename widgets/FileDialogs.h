#pragma once
// The file and folder choosers of the program. Both are dialogs shown through ShowModal, so a
// test plays the user in them like in any other dialog; the question before replacing a file
// goes through the message-box facade, so a test answers it and checks its text.
#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;
class QPushButton;
class QTreeView;
class QFileSystemModel;

namespace widgets {

// The save-file dialog: `proposedName` stands in its file-name field. An existing file is
// replaced only after the user said Yes to "<name> already exists. Do you want to replace it?".
// Nothing (no value) when the user cancelled either.
std::optional<std::string> AskSaveFileName(QWidget* parent, const std::string& proposedName);
// The folder chooser; nothing when cancelled.
std::optional<std::string> AskFolder(QWidget* parent, const std::string& caption);

// A chooser of file-system folders with a "New folder" button; the chosen folder's path
// stands under "Current folder:".
class TBrowseFolderDialog : public QDialog {
public:
    explicit TBrowseFolderDialog(QWidget* parent);

    std::string Folder() const;
    void SetFolder(const std::string& path);
    // Makes "New folder" (or "New folder (2)" ...) in the current folder and selects it for renaming.
    void NewFolder();

    QLineEdit* Path = nullptr;
    QPushButton* NewFolderButton = nullptr;
    QPushButton* OkButton = nullptr;

private:
    QTreeView* tree_ = nullptr;
    QFileSystemModel* model_ = nullptr;
};

}  // namespace widgets
