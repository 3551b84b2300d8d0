#include "rules/def_Rule.h"

#include "platform/MessageBox.h"
#include "platform/Strings.h"
#include "rules/HeaderFieldRule.h"
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

constexpr int kWidth = 367, kHeight = 157;
constexpr int kRowSpacing = 6;  // what the style puts between rows of the grid
constexpr int kHeaderCondition = 2;  // the position of "Where header field"

void Inform(const std::string& text)
{
    platform::ShowMessageBox({text, "Information", platform::MsgIcon::Information, platform::MsgButtons::OK,
                              platform::MsgResult::None});
}
}  // namespace

TFrm_defRule::TFrm_defRule(TFrm_Rules& rules, QWidget* parent) : QDialog(parent), rules_(rules)
{
    setWindowTitle("Define Rule");
    setFixedSize(kWidth, kHeight);

    lblCondition = new QLabel("Select a &condition", this);
    cbo_cond = MakeList(this, {rules::kCondFrom, rules::kCondSubject, rules::kCondHeader});
    lblField = new QLabel("Header field &name", this);
    cbo_field = MakeList(this, {"To", "Cc", "Reply-To", "X-Spam-Flag", "Authentication-Results"});
    cbo_field->setEditable(true);  // any name may be typed; the items are suggestions
    cbo_field->setInsertPolicy(QComboBox::NoInsert);
    cbo_field->setAccessibleName("Header field name");
    cbo_field->setAccessibleDescription("The header field the rule looks at, for example X-Spam-Flag");
    lblField->setBuddy(cbo_field);
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
    grid->addWidget(lblField, 2, 0);
    grid->addWidget(cbo_field, 2, 1, 1, 2);
    grid->addWidget(lblAction, 3, 0, 1, 3);
    grid->addWidget(cbo_action, 4, 0, 1, 2);
    auto* email = new QHBoxLayout;
    email->addWidget(lblEmail);
    email->addWidget(txt_fwdEmail);
    grid->addLayout(email, 4, 2);
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

    // The field name comes right after the condition that asks for it.
    QWidget* order[] = {cbo_cond, cbo_field, cbo_do, edit1, cbo_action, txt_fwdEmail, cmd_addRule, cmdok, cmd_cancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    // The address field belongs to a forwarding action the list does not offer yet.
    auto showEmail = [this] {
        bool forwarding = cbo_action->currentIndex() > 0;
        lblEmail->setVisible(forwarding);
        txt_fwdEmail->setVisible(forwarding);
    };
    showEmail();
    connect(cbo_action, &QComboBox::currentIndexChanged, this, showEmail);
    ShowFieldName();
    connect(cbo_cond, &QComboBox::currentIndexChanged, this, [this] { ShowFieldName(); });
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
    cbo_field->setCurrentIndex(-1);
    cbo_field->clearEditText();
}

bool TFrm_defRule::IsHeaderCondition() const { return cbo_cond->currentIndex() == kHeaderCondition; }

void TFrm_defRule::ShowFieldName()
{
    const bool header = IsHeaderCondition();
    lblField->setVisible(header);
    cbo_field->setVisible(header);
    setFixedSize(kWidth, header ? kHeight + cbo_field->sizeHint().height() + kRowSpacing : kHeight);
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
    fieldRefused_ = false;
    const std::string text = rules::CleanRuleText(FromQ(edit1->text()));
    edit1->setText(ToQ(text));
    if (text.empty() || cbo_cond->currentIndex() < 0 || cbo_do->currentIndex() < 0) return false;
    if (IsHeaderCondition()) return make_header_rule(text);

    const std::string condition = FromQ(cbo_cond->currentText());
    const bool isFrom = UpperCase(condition) == "WHERE FROM LINE";
    // The mode plays no part: the same text in the other mode is the same rule.
    if (rules::get_rule_idx(text, isFrom) >= 0) {
        Inform("This rule already exists.");
        return false;
    }
    const bool contains = cbo_do->currentIndex() == 0;
    // Stored first: a rule the registry refused must not appear in the list.
    rules::AddRuleEntry(isFrom ? rules::RuleKind::From : rules::RuleKind::Subject, text, contains);
    rules_.AddRuleLine(rules::MakeRuleLine(condition, FromQ(cbo_do->currentText()), text,
                                           FromQ(cbo_action->currentText())));
    return true;
}

bool TFrm_defRule::make_header_rule(const std::string& text)
{
    const std::string field = rules::CleanFieldName(FromQ(cbo_field->currentText()));
    cbo_field->setEditText(ToQ(field));
    if (!rules::IsFieldName(field)) {
        fieldRefused_ = true;
        Inform(field.empty() ? "Enter the name of the header field the rule looks at, for example X-Spam-Flag."
                             : "\"" + field + "\" is not the name of a header field: a name is made of letters, digits "
                               "and marks other than the colon, without blanks.");
        cbo_field->setFocus();
        return false;
    }
    if (rules::get_header_rule_idx(field, text) >= 0) {
        Inform("This rule already exists.");
        return false;
    }
    const bool contains = cbo_do->currentIndex() == 0;
    rules::AddHeaderRuleEntry(field, text, contains);
    rules_.AddRuleLine(rules::MakeRuleLine(rules::HeaderCondition(field), FromQ(cbo_do->currentText()), text,
                                           FromQ(cbo_action->currentText())));
    return true;
}

void TFrm_defRule::cmd_addRuleClick()
{
    // A failure to store is reported here, so the fields are made ready for the next rule
    // whatever became of this one; only a field name turned down stays to be put right.
    platform::RunGuarded([this] { make_rule(); });
    if (!fieldRefused_) ResetFields();
}

void TFrm_defRule::cmdokClick()
{
    // Closes also when nothing was stored (no text, the rule exists already, a store failure),
    // but not on a field name turned down: that rule is to be put right, not lost.
    platform::RunGuarded([this] { make_rule(); });
    if (!fieldRefused_) accept();
}
