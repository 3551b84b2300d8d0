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

// The save-file dialog, opened in `startFolder` (when it is one) with `proposedName` in its
// file-name field. An existing file is replaced only after the user said Yes to "<name> already
// exists. Do you want to replace it?"; No brings the dialog back to choose another name.
// Nothing (no value) when the user cancelled.
std::optional<std::string> AskSaveFileName(QWidget* parent, const std::string& proposedName,
                                           const std::string& startFolder = {});
// The chooser of one existing file, opened in `startFolder` (when it is one); nothing when cancelled.
std::optional<std::string> AskOpenFileName(QWidget* parent, const std::string& caption, const std::string& startFolder = {});
// The folder chooser, opened at `startFolder` (when it is one); nothing when cancelled.
std::optional<std::string> AskFolder(QWidget* parent, const std::string& caption, const std::string& startFolder = {});

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
