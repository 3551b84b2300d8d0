#include "rules/def_Rule.h"

#include "platform/MessageBox.h"
#include "platform/Strings.h"
#include "rules/RuleStore.h"
#include "rules/RulesFile.h"
#include "rules/rules.h"
#include "widgets/Artwork.h"
#include "widgets/QtText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
QComboBox* MakeList(QWidget* parent, std::initializer_list<std::string_view> items)
{
    auto* list = new QComboBox(parent);
    list->setEditable(false);  // only the items, nothing typed
    for (std::string_view item : items) list->addItem(ToQ(std::string(item)));
    return list;
}
}  // namespace

TFrm_defRule::TFrm_defRule(TFrm_Rules& rules, QWidget* parent) : QDialog(parent), rules_(rules)
{
    setWindowTitle("Define Rule");
    setFixedSize(367, 157);

    lblCondition = new QLabel("Select a &condition", this);
    cbo_cond = MakeList(this, {rules::kCondFrom, rules::kCondSubject});
    cbo_do = MakeList(this, {rules::kModeContains, rules::kModeNotContains});
    edit1 = new QLineEdit(this);
    lblAction = new QLabel("Select an &action", this);
    cbo_action = MakeList(this, {rules::kActionDelete});
    lblEmail = new QLabel("&Email", this);
    txt_fwdEmail = new QLineEdit(this);
    cmd_addRule = new QPushButton(widgets::ToolbarIcon(widgets::ToolIcon::NewRule), "A&dd Rule", this);
    cmdok = new QPushButton("OK", this);
    cmd_cancel = new QPushButton("Cancel", this);
    cmdok->setDefault(true);
    lblCondition->setBuddy(cbo_cond);
    lblAction->setBuddy(cbo_action);
    lblEmail->setBuddy(txt_fwdEmail);
    // The two fields beside the condition have no label on the screen.
    cbo_do->setAccessibleName("Mode");
    edit1->setAccessibleName("Text");

    auto* grid = new QGridLayout;
    grid->addWidget(lblCondition, 0, 0, 1, 3);
    grid->addWidget(cbo_cond, 1, 0);
    grid->addWidget(cbo_do, 1, 1);
    grid->addWidget(edit1, 1, 2);
    grid->addWidget(lblAction, 2, 0, 1, 3);
    grid->addWidget(cbo_action, 3, 0, 1, 2);
    auto* email = new QHBoxLayout;
    email->addWidget(lblEmail);
    email->addWidget(txt_fwdEmail);
    grid->addLayout(email, 3, 2);
    grid->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmd_addRule);
    buttons->addStretch();
    buttons->addWidget(cmdok);
    buttons->addWidget(cmd_cancel);
    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addStretch();
    main->addLayout(buttons);

    QWidget* order[] = {cbo_cond, cbo_do, edit1, cbo_action, txt_fwdEmail, cmd_addRule, cmdok, cmd_cancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    // The address field belongs to a forwarding action the list does not offer yet.
    auto showEmail = [this] {
        bool forwarding = cbo_action->currentIndex() > 0;
        lblEmail->setVisible(forwarding);
        txt_fwdEmail->setVisible(forwarding);
    };
    showEmail();
    connect(cbo_action, &QComboBox::currentIndexChanged, this, showEmail);
    connect(cmd_addRule, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { cmd_addRuleClick(); }); });
    connect(cmdok, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { cmdokClick(); }); });
    connect(cmd_cancel, &QPushButton::clicked, this, [this] { reject(); });

    rules_.SetDefineRuleDialog(this);
}

void TFrm_defRule::ResetFields()
{
    cbo_cond->setCurrentIndex(0);
    cbo_do->setCurrentIndex(0);
    edit1->clear();
}

void TFrm_defRule::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        platform::RunGuarded([this] {
            cbo_action->setCurrentIndex(0);
            ResetFields();
        });
    }
    QDialog::showEvent(event);
}

bool TFrm_defRule::make_rule()
{
    const std::string text = rules::CleanRuleText(FromQ(edit1->text()));
    edit1->setText(ToQ(text));
    if (text.empty() || cbo_cond->currentIndex() < 0 || cbo_do->currentIndex() < 0) return false;

    const std::string condition = FromQ(cbo_cond->currentText());
    const bool isFrom = UpperCase(condition) == "WHERE FROM LINE";
    // The mode plays no part: the same text in the other mode is the same rule.
    if (rules::get_rule_idx(text, isFrom) >= 0) {
        platform::ShowMessageBox({"This rule already exists.", "Information", platform::MsgIcon::Information,
                                  platform::MsgButtons::OK, platform::MsgResult::None});
        return false;
    }
    const bool contains = cbo_do->currentIndex() == 0;
    // Stored first: a rule the registry refused must not appear in the list.
    rules::AddRuleEntry(isFrom ? rules::RuleKind::From : rules::RuleKind::Subject, text, contains);
    rules_.AddRuleLine(rules::MakeRuleLine(condition, FromQ(cbo_do->currentText()), text,
                                           FromQ(cbo_action->currentText())));
    return true;
}

void TFrm_defRule::cmd_addRuleClick()
{
    // A failure to store is reported here, so the fields are made ready for the next rule
    // whatever became of this one.
    platform::RunGuarded([this] { make_rule(); });
    ResetFields();
}

void TFrm_defRule::cmdokClick()
{
    // Closes also when nothing was stored (no text, the rule exists already, a store failure).
    platform::RunGuarded([this] { make_rule(); });
    accept();
}
