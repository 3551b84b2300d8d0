#pragma once
// "Spam Filter Settings...": from which score a message counts as likely spam, and what the
// filter has learnt so far.
#include <QDialog>

class QLabel;
class QDoubleSpinBox;
class TSpamFilter;

class TFrm_SpamSettings : public QDialog {
public:
    explicit TFrm_SpamSettings(QWidget* parent);

    // Shows the threshold and, when the filter is open, what it holds.
    void Load(double threshold, const TSpamFilter* filter, const std::string& databasePath);
    double Threshold() const;

    QDoubleSpinBox* spn_threshold = nullptr;
    QLabel* lbl_learnt = nullptr;
};

// The stored threshold (a new user's: the filter's default), and storing a new one; scores
// crowd near the ends, so it keeps two decimals.
double ReadSpamThreshold();
void WriteSpamThreshold(double threshold);
