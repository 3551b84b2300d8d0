#include "accounts/pop_acc.h"

#include "accounts/AccountFolder.h"
#include "accounts/AccountList.h"
#include "accounts/AccountMenu.h"
#include "accounts/NewAcc.h"
#include "accounts/RememberedPassword.h"
#include "platform/Exception.h"
#include "platform/MessageBox.h"
#include "platform/Tick.h"
#include "widgets/Modal.h"
#include "widgets/QtText.h"

#include <QAction>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The exact bytes of an acc.dat line are kept beside its display text, so lines that are not
// UTF-8 go back to the file unchanged.
constexpr int kLineRole = Qt::UserRole;

QListWidgetItem* LineItem(const std::string& line)
{
    auto* item = new QListWidgetItem(ToQ(line));
    item->setData(kLineRole, QByteArray(line.data(), qsizetype(line.size())));
    return item;
}

std::string LineOf(const QListWidgetItem& item)
{
    QByteArray bytes = item.data(kLineRole).toByteArray();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QPushButton* Button(const char* text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromLatin1(text), parent);
    button->setObjectName(name);
    return button;
}
}  // namespace

TFrm_Acc::TFrm_Acc(QMenu& popupMenu, QWidget* parent) : QDialog(parent), PopupMenu1(popupMenu)
{
    setObjectName("Frm_Acc");
    setWindowTitle("Mail Accounts");
    setFixedSize(427, 246);

    lblAvailable = new QLabel("A&vailable Mail Accounts", this);
    Acc_List = new QListWidget(this);
    Acc_List->setObjectName("Acc_List");
    Acc_List->setSelectionMode(QAbstractItemView::SingleSelection);
    lblAvailable->setBuddy(Acc_List);
    Acc_List->setAccessibleName("Available Mail Accounts");  // a list takes no name from its label
    cmd_Add = Button("&Add", "cmd_Add", this);
    cmd_rem = Button("&Remove", "cmd_rem", this);
    cmd_prop = Button("&Properties", "cmd_prop", this);
    cmdClose = Button("&Close", "cmdClose", this);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    auto* listColumn = new QVBoxLayout;
    listColumn->addWidget(lblAvailable);
    listColumn->addWidget(Acc_List);
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addSpacing(lblAvailable->sizeHint().height());
    buttonColumn->addWidget(cmd_Add);
    buttonColumn->addWidget(cmd_rem);
    buttonColumn->addWidget(cmd_prop);
    buttonColumn->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(listColumn, 1);
    top->addLayout(buttonColumn);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(cmdClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(separator);
    layout->addLayout(bottom);

    auto guarded = [this](void (TFrm_Acc::*handler)()) {
        return [this, handler] { platform::RunGuarded([this, handler] { (this->*handler)(); }); };
    };
    connect(cmd_Add, &QPushButton::clicked, this, guarded(&TFrm_Acc::cmd_AddClick));
    connect(cmd_rem, &QPushButton::clicked, this, guarded(&TFrm_Acc::cmd_remClick));
    connect(cmd_prop, &QPushButton::clicked, this, guarded(&TFrm_Acc::cmd_propClick));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    Load_Acc_List();
    for (int i = 0; i < Acc_List->count(); ++i) AppendMenuEntry(Get_MailAcc_Name(i), "sub_mnu" + IntToStr(i));
}

// --- account store ----------------------------------------------------------------------------

TMailSettings TFrm_Acc::Load_Mail_Settings(const std::string& accName, TPasswordRead read) const
{
    return ::Load_Mail_Settings(accName, read);
}

void TFrm_Acc::Save_Mail_Settings(const std::string& accName, const std::string& user, const std::string& password,
                                  const std::string& server, const std::string& port, bool remember) const
{
    ::Save_Mail_Settings(accName, user, password, server, port, remember);
}

bool TFrm_Acc::Delete_Mail_Settings(const std::string& accName) const { return ::Delete_Mail_Settings(accName); }

bool TFrm_Acc::StoreCertificatePin(const std::string& accName, const std::string& sha256) const
{
    return ::StoreCertificatePin(accName, sha256);
}

std::string TFrm_Acc::Get_MailAcc_Name(int index) const
{
    const QListWidgetItem* item = Acc_List->item(index);
    return item ? ::Get_MailAcc_Name(LineOf(*item)) : std::string();
}

bool TFrm_Acc::Load_Acc_List()
{
    try {
        SetLines(ReadAccList());
        return true;
    } catch (const Exception& e) {
        platform::ShowException(e);
        return false;
    }
}

bool TFrm_Acc::Save_Acc_List()
{
    try {
        WriteAccList(AccountLines());
        return true;
    } catch (const Exception& e) {
        platform::ShowException(e);
        return false;
    }
}

StringList TFrm_Acc::AccountLines() const
{
    StringList lines;
    lines.reserve(size_t(Acc_List->count()));
    for (int i = 0; i < Acc_List->count(); ++i) lines.push_back(LineOf(*Acc_List->item(i)));
    return lines;
}

void TFrm_Acc::SetLines(const StringList& lines)
{
    Acc_List->clear();
    for (const auto& line : lines) Acc_List->addItem(LineItem(line));
}

void TFrm_Acc::AppendLine(const std::string& line) { Acc_List->addItem(LineItem(line)); }

void TFrm_Acc::ReplaceLine(int index, const std::string& line)
{
    QListWidgetItem* item = Acc_List->item(index);
    item->setText(ToQ(line));
    item->setData(kLineRole, QByteArray(line.data(), qsizetype(line.size())));
}

// --- drop-down --------------------------------------------------------------------------------

void TFrm_Acc::AppendMenuEntry(const std::string& name, const std::string& objectName)
{
    accounts::AppendAccountEntry(PopupMenu1, name, objectName);
}

void TFrm_Acc::Add_menu_item(const std::string& name)
{
    Load_Acc_List();
    AppendMenuEntry(name, "sub_mnu" + IntToStr(platform::GetTickCount()));
}

void TFrm_Acc::Change_menu_Caption(const std::string& oldName, const std::string& newName)
{
    for (QAction* entry : PopupMenu1.actions())
        if (accounts::EntryAccount(*entry) == oldName) accounts::SetEntryAccount(*entry, newName);
}

// --- handlers ---------------------------------------------------------------------------------

Tfrm_NewAcc& TFrm_Acc::AccountDialog() const
{
    if (!frm_NewAcc_) throw Exception("The account dialog is not available.");
    return *frm_NewAcc_;
}

int TFrm_Acc::SelectedIndex() const
{
    const QList<QListWidgetItem*> selected = Acc_List->selectedItems();
    return selected.isEmpty() ? -1 : Acc_List->row(selected.first());
}

void TFrm_Acc::showEvent(QShowEvent* event)
{
    platform::RunGuarded([this] {
        if (SelectedIndex() < 0 && Acc_List->count() > 0) Acc_List->setCurrentRow(0);
    });
    QDialog::showEvent(event);
}

void TFrm_Acc::done(int result)
{
    // A failed write has been reported; the lines stay in memory and are written at the next close.
    platform::RunGuarded([this] { Save_Acc_List(); });
    QDialog::done(result);
}

void TFrm_Acc::cmd_AddClick()
{
    Tfrm_NewAcc& dialog = AccountDialog();
    dialog.setWindowTitle("Create new account");
    dialog.Reset_Fields();
    dialog.ShowPasswordPlace();
    dialog.SetTakenNames(TakenAccountNames(AccountLines()));
    if (widgets::ShowModal(dialog) == QDialog::Accepted) {
        std::string name = dialog.AccountName();
        AppendLine(AccListLine(name, dialog.Server()));
        if (Save_Acc_List()) {
            Add_menu_item(name);
        } else {
            // Reloading the old file would drop the new line: keep it, and keep the drop-down
            // aligned with the list.
            Acc_List->clearSelection();
            Acc_List->setCurrentRow(-1);
            AppendMenuEntry(name, "sub_mnu" + IntToStr(platform::GetTickCount()));
        }
    }
    dialog.Empty_Fields();
}

void TFrm_Acc::cmd_propClick()
{
    int index = SelectedIndex();
    if (index < 0) {
        platform::ShowMessageBox({"Select an accouant to display properties.", "Quillbox", platform::MsgIcon::Warning,
                                  platform::MsgButtons::OK, platform::MsgResult::None});
        return;
    }
    std::string oldName = Get_MailAcc_Name(index);
    TMailSettings settings = Load_Mail_Settings(oldName);
    Tfrm_NewAcc& dialog = AccountDialog();
    dialog.setWindowTitle("Edit Account");
    dialog.Fill(oldName, settings);
    dialog.ShowPasswordPlace();
    dialog.SetTakenNames(TakenAccountNames(AccountLines(), index));
    if (widgets::ShowModal(dialog) != QDialog::Accepted) return;

    // The dialog has stored the settings under the name now typed.
    std::string newName = dialog.AccountName();
    ReplaceLine(index, AccListLine(newName, dialog.Server()));
    Change_menu_Caption(oldName, newName);
    // Names differing only in letter case address the same key, which must stay; so must a key
    // another line still names.
    const bool last = !IsNamedElsewhere(AccountLines(), oldName, index);
    if (!SameText(oldName, newName) && last) Delete_Mail_Settings(oldName);
    else if (oldName != newName)
        ForgetKeyringPassword(oldName);  // the keyring tells letter case apart; the item moved
    // The folder goes along, so the next check does not take every message for new.
    if (last) MoveAccountFolder(oldName, newName);
}

void TFrm_Acc::cmd_remClick()
{
    int index = SelectedIndex();
    if (index < 0) return;
    platform::MsgResult answer =
        platform::ShowMessageBox({"Are you sure you want to delete this accouant ?", "Confirm",
                                  platform::MsgIcon::Question, platform::MsgButtons::YesNo, platform::MsgResult::None});
    if (answer != platform::MsgResult::Yes) return;

    std::string name = Get_MailAcc_Name(index);
    // A list from before names were kept apart may hold a name twice: both lines use one key.
    const bool last = !IsNamedElsewhere(AccountLines(), name, index);
    if (last) Delete_Mail_Settings(name);
    const QList<QAction*> entries = PopupMenu1.actions();
    if (index < entries.size()) delete entries[index];
    delete Acc_List->takeItem(index);
    // Its header files and seen ids go with it; a folder that will not go is reported.
    if (last) RemoveAccountFolder(name);
}
