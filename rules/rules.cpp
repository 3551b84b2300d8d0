#include "rules/rules.h"

#include "platform/MessageBox.h"
#include "rules/RuleLines.h"
#include "rules/RuleStore.h"
#include "rules/RulesFile.h"
#include "rules/def_Rule.h"
#include "widgets/Modal.h"
#include "widgets/QtText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Each list line carries its 8-bit text, so a line that is not UTF-8 goes back to rules.dat as
// it came, whatever the list shows for it.
constexpr int kLineRole = Qt::UserRole;

QListWidgetItem* MakeItem(const std::string& line)
{
    auto* item = new QListWidgetItem(ToQ(line));
    item->setData(kLineRole, QByteArray(line.data(), qsizetype(line.size())));
    return item;
}

std::string LineOf(const QListWidgetItem* item)
{
    QByteArray bytes = item->data(kLineRole).toByteArray();
    return std::string(bytes.constData(), size_t(bytes.size()));
}
}  // namespace

TFrm_Rules::TFrm_Rules(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Message Rules");
    setFixedSize(382, 229);

    lblRules = new QLabel("&Rules", this);
    ListBox1 = new QListWidget(this);
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    lblRules->setBuddy(ListBox1);
    ListBox1->setAccessibleName("Rules");  // a list takes no name from its label
    cmd_new = new QPushButton("&New", this);
    cmd_remove = new QPushButton("Re&move", this);
    cmdok = new QPushButton("OK", this);
    cmd_cancel = new QPushButton("Cancel", this);
    cmdok->setDefault(true);

    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(lblRules);
    listColumn->addWidget(ListBox1);
    auto* commands = new QVBoxLayout;
    commands->addSpacing(lblRules->sizeHint().height());
    commands->addWidget(cmd_new);
    commands->addWidget(cmd_remove);
    commands->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(listColumn, 1);
    top->addLayout(commands);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdok);
    bottom->addWidget(cmd_cancel);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(bottom);

    connect(cmd_new, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { cmd_newClick(); }); });
    connect(cmd_remove, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { cmd_removeClick(); }); });
    connect(cmdok, &QPushButton::clicked, this, [this] { accept(); });
    connect(cmd_cancel, &QPushButton::clicked, this, [this] { reject(); });

    // Every stored rule marks rows, so every one must be listed, whatever rules.dat says; when the
    // stored rules cannot be read, the file's lines are the best there is.
    StringList lines;
    platform::RunGuarded([&] { lines = rules::LoadRulesFile(); });
    platform::RunGuarded([&] { lines = rules::RuleLinesFor(lines, rules::StoredRules()); });
    for (const std::string& line : lines) ListBox1->addItem(MakeItem(line));
}

void TFrm_Rules::AddRuleLine(const std::string& line) { ListBox1->addItem(MakeItem(line)); }

StringList TFrm_Rules::Lines() const
{
    StringList lines;
    for (int i = 0; i < ListBox1->count(); ++i) lines.push_back(LineOf(ListBox1->item(i)));
    return lines;
}

void TFrm_Rules::cmd_newClick()
{
    if (defRule_) widgets::ShowModal(*defRule_);
}

void TFrm_Rules::cmd_removeClick()
{
    QList<QListWidgetItem*> selected = ListBox1->selectedItems();
    if (selected.isEmpty()) return;
    QListWidgetItem* item = selected.front();
    if (!rules::RemoveRuleOfLine(LineOf(item))) return;
    delete ListBox1->takeItem(ListBox1->row(item));
}

void TFrm_Rules::done(int result)
{
    // Rules added or removed are stored already; the list file follows whatever button closes.
    platform::RunGuarded([this] { rules::SaveRulesFile(Lines()); });
    QDialog::done(result);
}
