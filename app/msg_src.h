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
class QTimer;
class QToolButton;
class TVemMsg;

class TFrm_srcvu : public QDialog {
public:
    explicit TFrm_srcvu(QWidget* parent);

    // The message whose attachments AttList names; null while the window shows a header source.
    TVemMsg* cur_msg = nullptr;

    // The whole text of Memo1. A big one shows its first screen at once and the rest follows
    // in pieces from the event loop, so a 20 MB body neither holds up the window's opening
    // nor freezes it while the rest goes in; each piece is timed to keep the window answering.
    void SetMemoText(const QString& text);
    // Pieces of the text set last are still to come.
    bool TextPending() const;

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
    void hideEvent(QHideEvent* event) override;

private:
    void AppendPendingText();
    void DropPendingText();

    void SaveAttachment(int index, const std::string& path);
    // Saves attachment `index` into `folder` under its own name, or under the next free one
    // (" (2)" ...) when that is taken on disk or by `names`; returns the name used.
    std::string SaveBeside(int index, const std::string& folder, TBatchNames& names);

    QString pending_;          // the text set last, of which the part from pendingAt_ is still to come
    qsizetype pendingAt_ = 0;
    int shownCharacters_ = 0;  // the document's size after the last piece: another size means
                               // someone else changed the text, and the rest is not wanted
    QTimer* pendingTimer_ = nullptr;
};
