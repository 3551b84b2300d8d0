#pragma once
// "Friends and Blocked Senders": the addresses and domains whose mail is never marked, and
// those whose mail always is.
#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;
class TSpamFilter;

class TFrm_Senders : public QDialog {
public:
    explicit TFrm_Senders(QWidget* parent);

    // The lists of `filter`, which must outlive the dialog's showing.
    void Load(TSpamFilter& filter);

    QListWidget* lst_friends = nullptr;
    QListWidget* lst_blocked = nullptr;
    QLineEdit* txt_sender = nullptr;
    QPushButton* cmd_friend = nullptr;
    QPushButton* cmd_block = nullptr;
    QPushButton* cmd_remove = nullptr;

    void cmd_friendClick();
    void cmd_blockClick();
    void cmd_removeClick();

private:
    void Add(bool friendList);
    void Refill();
    void UpdateButtons();
    TSpamFilter* filter_ = nullptr;
};
