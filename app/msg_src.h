#pragma once
// The message window: a downloaded message (its body and attachments, which can be saved) or
// the header source that a check saved (no attachments). The caller fills it and shows it
// modally; the window itself only saves the attachments of the message it is given.
#include <QDialog>

#include <string>

class QComboBox;
class TBatchNames;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QToolButton;
class TVemMsg;

class TFrm_srcvu : public QDialog {
public:
    explicit TFrm_srcvu(QWidget* parent);

    // The message whose attachments AttList names; null while the window shows a header source.
    TVemMsg* cur_msg = nullptr;

    // The whole text of Memo1, set in one go (a 20 MB body opens without line-by-line appends).
    void SetMemoText(const QString& text);

    void FormShow();
    void SpeedButton1Click();  // "Save Attach"
    void SpeedButton2Click();  // "Save All"

    QFrame* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* lblFrom = nullptr;
    QLabel* lblDate = nullptr;
    QLabel* lblSub = nullptr;
    QComboBox* AttList = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* SaveStatus = nullptr;  // what the last save did ("3 attachments saved to FOLDER")

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SaveAttachment(int index, const std::string& path);
    // Saves attachment `index` into `folder` under its own name, or under the next free one
    // (" (2)" ...) when that is taken on disk or by `names`; returns the name used.
    std::string SaveBeside(int index, const std::string& folder, TBatchNames& names);
};
