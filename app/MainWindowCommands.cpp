// The main window's side of the commands on the listed messages: its buttons and menus lead to
// them, the retrieval client's events show on it, and it is the port the commands see.
#include "Main.h"
#include "accounts/pop_acc.h"
#include "lcd/LCDScreen.h"
#include "msg_src.h"
#include "platform/MessageBox.h"

#include <QMenu>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <algorithm>

void TMainFrm::BindRetrievalClient()
{
    VemPOP1 = std::make_unique<TVemPOP>();
    VemPOP1->Port = "110";
    VemPOP1->RetrieveProgressStep = 10;
    VemPOP1->OnConnect = [this](TComponent*) { VemPOP1Connect(); };
    VemPOP1->OnDisconnect = [this](TComponent*) { VemPOP1Disconnect(); };
    VemPOP1->OnBeforeRetrieve = [this](TVemPOP*, int msgIndex) { VemPOP1BeforeRetrieve(msgIndex); };
    VemPOP1->OnRetrieveProgress = [this](TVemPOP*, unsigned percent) { VemPOP1RetrieveProgress(percent); };
    VemPOP1->OnError = [this](TComponent*, int, const std::string& msg) { VemPOP1Error(msg); };

    auto guarded = [this](void (TMainFrm::*handler)()) {
        return [this, handler] { platform::RunGuarded([&] { (this->*handler)(); }); };
    };
    connect(cmd_vumsg, &QAction::triggered, this, guarded(&TMainFrm::cmd_vumsgClick));
    connect(cmd_vusrc, &QAction::triggered, this, guarded(&TMainFrm::cmd_vusrcClick));
    connect(cmd_del, &QAction::triggered, this, guarded(&TMainFrm::cmd_delClick));
    QList<QAction*> message = mnuMessage->actions();
    connect(message[0], &QAction::triggered, this, guarded(&TMainFrm::cmd_vumsgClick));
    connect(message[1], &QAction::triggered, this, guarded(&TMainFrm::cmd_vusrcClick));
    connect(message[3], &QAction::triggered, this, guarded(&TMainFrm::cmd_delClick));
    QList<QAction*> popup = PopupMenu2->actions();
    connect(popup[0], &QAction::triggered, this, guarded(&TMainFrm::cmd_vumsgClick));
    connect(popup[1], &QAction::triggered, this, guarded(&TMainFrm::cmd_vusrcClick));
    connect(popup[3], &QAction::triggered, this, guarded(&TMainFrm::Deletefromserver1Click));

    TMailWindowPort& window = *this;
    connection_ = std::make_unique<TSecureConnection>(window, *POP31, *VemPOP1);
    messages_ = std::make_unique<TMessageCommands>(window, *POP31, *VemPOP1, *connection_, cur_msg);
    applyRules_ = std::make_unique<TApplyRules>(window, *VemPOP1, *connection_);
}

// ------------------------------------------------------------------------------------------
// The retrieval client's events

void TMainFrm::VemPOP1Connect() { update_ctrls(false); }

void TMainFrm::VemPOP1Disconnect() { update_ctrls(true); }

void TMainFrm::VemPOP1BeforeRetrieve(int msgIndex)
{
    // Only a download for viewing reports; the header fetch that confirms a rule deletion is silent.
    if (!messages_->Downloading()) return;
    DisplayLCD_Msg("downloading message " + IntToStr(msgIndex) + " of " + IntToStr(VemPOP1->MessageCount()));
}

void TMainFrm::VemPOP1RetrieveProgress(unsigned percent)
{
    if (messages_->Downloading()) DisplayLCD_Msg(IntToStr(percent) + "% downloaded");
}

void TMainFrm::VemPOP1Error(const std::string& msg)
{
    if (closing_) return;
    platform::ShowMessageBox({msg, platform::ApplicationTitle(), platform::MsgIcon::None, platform::MsgButtons::OK,
                              platform::MsgResult::None});
}

// ------------------------------------------------------------------------------------------
// The commands

void TMainFrm::cmd_vumsgClick() { messages_->View(); }

void TMainFrm::cmd_vusrcClick() { messages_->ViewSource(); }

void TMainFrm::cmd_delClick() { messages_->Delete(); }

void TMainFrm::Apply_rules()
{
    if (OnApplyRules) OnApplyRules();
    applyRules_->Run();
}

// ------------------------------------------------------------------------------------------
// The window as the commands see it

void TMainFrm::ScrollStatus(bool on) { LCD1->SetAnimationEnabled(on); }

std::vector<int> TMainFrm::SelectedRows() const
{
    std::vector<int> rows;
    // The view may be sorted: a row's place in the server's order is its source row.
    for (const QModelIndex& index : MailList->selectionModel()->selectedRows())
        rows.push_back(MailSort->mapToSource(index).row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMainFrm::StoreCertificatePin(const std::string& account, const std::string& sha256)
{
    if (windows_.Frm_Acc) windows_.Frm_Acc->StoreCertificatePin(account, sha256);
}
