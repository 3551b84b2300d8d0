#pragma once
// "Train from a folder...": teaches the filter a whole Maildir folder or mbox file of mail the
// user has already sorted, with a progress bar and Cancel.
#include <QDialog>

#include <atomic>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class TSpamFilter;

class TFrm_TrainFolder : public QDialog {
public:
    explicit TFrm_TrainFolder(QWidget* parent);

    // Prepares the dialog for a showing that trains `filter`.
    void Load(TSpamFilter& filter);
    // Fired after a training run that changed the counts (the list's scores are then stale).
    std::function<void()> OnTrained;

    QLineEdit* txt_path = nullptr;
    QPushButton* cmd_folder = nullptr;
    QPushButton* cmd_file = nullptr;
    QRadioButton* opt_spam = nullptr;
    QRadioButton* opt_ham = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* lbl_state = nullptr;
    QPushButton* cmd_train = nullptr;
    QPushButton* cmd_cancel = nullptr;

    void cmd_trainClick();
    void cmd_cancelClick();
    bool Running() const { return running_; }

protected:
    void reject() override;

private:
    void SetRunning(bool running);
    TSpamFilter* filter_ = nullptr;
    std::atomic<bool> cancel_{false};
    bool running_ = false;
};
