#include "SendersDialog.h"

#include "filter/SpamFilter.h"
#include "platform/MessageBox.h"
#include "widgets/QtText.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {
QListWidget* SenderList(QWidget* parent, const char* name)
{
    auto* list = new QListWidget(parent);
    list->setAccessibleName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(true);
    return list;
}
}  // namespace

TFrm_Senders::TFrm_Senders(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Friends and Blocked Senders"));
    resize(560, 380);
    auto* layout = new QGridLayout(this);
    auto* friendsLabel = new QLabel(QStringLiteral("&Friends (never marked):"), this);
    auto* blockedLabel = new QLabel(QStringLiteral("Bloc&ked senders (always marked):"), this);
    lst_friends = SenderList(this, "Friends");
    lst_blocked = SenderList(this, "Blocked senders");
    friendsLabel->setBuddy(lst_friends);
    blockedLabel->setBuddy(lst_blocked);
    auto* senderLabel = new QLabel(QStringLiteral("&Address or domain:"), this);
    txt_sender = new QLineEdit(this);
    txt_sender->setPlaceholderText(QStringLiteral("ann@example.org or example.org"));
    senderLabel->setBuddy(txt_sender);
    cmd_friend = new QPushButton(QStringLiteral("Add to f&riends"), this);
    cmd_block = new QPushButton(QStringLiteral("&Block"), this);
    cmd_remove = new QPushButton(QStringLiteral("R&emove"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    layout->addWidget(friendsLabel, 0, 0);
    layout->addWidget(blockedLabel, 0, 1);
    layout->addWidget(lst_friends, 1, 0);
    layout->addWidget(lst_blocked, 1, 1);
    layout->addWidget(senderLabel, 2, 0, 1, 2);
    layout->addWidget(txt_sender, 3, 0, 1, 2);
    auto* row = new QHBoxLayout;
    row->addWidget(cmd_friend);
    row->addWidget(cmd_block);
    row->addWidget(cmd_remove);
    row->addStretch();
    row->addWidget(buttons);
    layout->addLayout(row, 4, 0, 1, 2);

    auto guarded = [](auto body) { return [body] { platform::RunGuarded(body); }; };
    connect(cmd_friend, &QPushButton::clicked, this, guarded([this] { cmd_friendClick(); }));
    connect(cmd_block, &QPushButton::clicked, this, guarded([this] { cmd_blockClick(); }));
    connect(cmd_remove, &QPushButton::clicked, this, guarded([this] { cmd_removeClick(); }));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(txt_sender, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(txt_sender, &QLineEdit::returnPressed, this, guarded([this] { cmd_friendClick(); }));
    for (QListWidget* list : {lst_friends, lst_blocked})
        connect(list, &QListWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    UpdateButtons();
}

void TFrm_Senders::Load(TSpamFilter& filter)
{
    filter_ = &filter;
    txt_sender->clear();
    Refill();
}

void TFrm_Senders::Refill()
{
    lst_friends->clear();
    lst_blocked->clear();
    if (filter_) {
        for (const std::string& entry : filter_->Senders(TSenderList::Friend)) lst_friends->addItem(ToQ(entry));
        for (const std::string& entry : filter_->Senders(TSenderList::Blocked)) lst_blocked->addItem(ToQ(entry));
    }
    UpdateButtons();
}

void TFrm_Senders::UpdateButtons()
{
    const bool typed = !txt_sender->text().trimmed().isEmpty();
    cmd_friend->setEnabled(filter_ && typed);
    cmd_block->setEnabled(filter_ && typed);
    cmd_remove->setEnabled(filter_ && !(lst_friends->selectedItems().isEmpty() && lst_blocked->selectedItems().isEmpty()));
    // Enter adds what was typed to the friends, never closes the dialog on the way.
    cmd_friend->setDefault(typed);
}

void TFrm_Senders::Add(bool friendList)
{
    if (!filter_) return;
    const std::string entry = FromQ(txt_sender->text().trimmed());
    if (entry.empty()) return;
    try {
        filter_->AddSender(friendList ? TSenderList::Friend : TSenderList::Blocked, entry);
    } catch (const std::exception& e) {
        platform::ShowMessageBox({e.what(), "Friends and Blocked Senders", platform::MsgIcon::Warning});
        txt_sender->setFocus();
        return;
    }
    txt_sender->clear();
    Refill();
}

void TFrm_Senders::cmd_friendClick() { Add(true); }
void TFrm_Senders::cmd_blockClick() { Add(false); }

void TFrm_Senders::cmd_removeClick()
{
    if (!filter_) return;
    for (QListWidget* list : {lst_friends, lst_blocked})
        for (QListWidgetItem* item : list->selectedItems()) filter_->RemoveSender(FromQ(item->text()));
    Refill();
}
