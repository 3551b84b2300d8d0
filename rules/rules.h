#pragma once
// "Message Rules": the list of all rules with the commands New and Remove. Created once at
// start-up, when it lists every stored rule (rules.dat gives their order); the main window shows
// it modally and reloads its rule table when it closes with OK.
#include "platform/Strings.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;
class TFrm_defRule;

class TFrm_Rules : public QDialog {
public:
    explicit TFrm_Rules(QWidget* parent = nullptr);

    // The single "Define Rule" dialog that "New" shows; it registers itself here.
    void SetDefineRuleDialog(TFrm_defRule* dialog) { defRule_ = dialog; }

    // Appends the display line of a rule just stored.
    void AddRuleLine(const std::string& line);
    // The display lines, as they go to rules.dat.
    StringList Lines() const;

    void cmd_newClick();
    void cmd_removeClick();

    QLabel* lblRules;
    QListWidget* ListBox1;
    QPushButton* cmd_new;
    QPushButton* cmd_remove;
    QPushButton* cmdok;
    QPushButton* cmd_cancel;

protected:
    // Every way of closing (OK, Cancel, Esc, the close control) comes through here.
    void done(int result) override;

private:
    TFrm_defRule* defRule_ = nullptr;
};
