#pragma once
// "Define Rule": puts one rule together from a condition, a mode, a text and an action, stores it
// and adds its line to "Message Rules". Created once at start-up and shown only from there.
#include <QDialog>

#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TFrm_Rules;

class TFrm_defRule : public QDialog {
public:
    // Registers itself with `rules` as the dialog its "New" shows.
    explicit TFrm_defRule(TFrm_Rules& rules, QWidget* parent = nullptr);

    // Validates the fields and stores one rule; true when a rule was stored.
    bool make_rule();
    // First condition, mode and action selected, text and field name empty.
    void ResetFields();

    void cmd_addRuleClick();
    void cmdokClick();

    QLabel* lblCondition;
    QComboBox* cbo_cond;
    QLabel* lblField;
    QComboBox* cbo_field;  // the header field's name, for the condition "Where header field"
    QComboBox* cbo_do;
    QLineEdit* edit1;
    QLabel* lblAction;
    QComboBox* cbo_action;
    QLabel* lblEmail;
    QLineEdit* txt_fwdEmail;
    QPushButton* cmd_addRule;
    QPushButton* cmdok;
    QPushButton* cmd_cancel;

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool IsHeaderCondition() const;
    bool make_header_rule(const std::string& text);
    // Shows the field name only for a header-field rule; the dialog grows by its row then.
    void ShowFieldName();
    // True after make_rule turned down the field name: the rule is to be put right, not lost.
    bool fieldRefused_ = false;
    TFrm_Rules& rules_;
};
