#pragma once
// "Spam Filter Settings...": from which score a message counts as likely spam, and what the
// filter has learnt so far.
#include <QDialog>

class QLabel;
class QSpinBox;
class TSpamFilter;

class TFrm_SpamSettings : public QDialog {
public:
    explicit TFrm_SpamSettings(QWidget* parent);

    // Shows the threshold and, when the filter is open, what it holds.
    void Load(int threshold, const TSpamFilter* filter, const std::string& databasePath);
    int Threshold() const;

    QSpinBox* spn_threshold = nullptr;
    QLabel* lbl_learnt = nullptr;
};

// The stored threshold (a new user's: the filter's default), and storing a new one.
int ReadSpamThreshold();
void WriteSpamThreshold(int threshold);
