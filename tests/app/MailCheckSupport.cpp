#include "MailCheckSupport.h"

#include "accounts/AccountList.h"
#include "accounts/AccountMenu.h"
#include "accounts/AccountStore.h"
#include "app/Startup.h"
#include "lcd/LCDScreen.h"
#include "platform/Registry.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <gtest/gtest.h>


MailCheckFixture::MailCheckFixture()
{
    savedPump_ = platform::SetMessagePump([this] {
        QCoreApplication::processEvents();
        if (onPump) onPump();
    });
}

MailCheckFixture::~MailCheckFixture()
{
    frm.reset();
    platform::SetMessagePump(std::move(savedPump_));
}

void MailCheckFixture::AddAccount(const std::string& name, const std::string& user, const std::string& password,
                                  int port, bool remember, const std::string& portText)
{
    Save_Mail_Settings(name, user, password, "127.0.0.1", portText.empty() ? std::to_string(port) : portText, remember);
    accLines_.push_back(AccListLine(name, "127.0.0.1"));
    WriteAccList(accLines_);
}

void MailCheckFixture::AddSubjectRule(const std::string& text)
{
    platform::TRegistry reg;
    reg.OpenKey("Software\\quillbox\\delList\\subject", true);
    std::string n = std::to_string(++rules_);
    reg.WriteInteger("total", rules_);
    reg.WriteString("List_" + n, text);
    reg.WriteString("ListID_" + n, n);
    reg.WriteInteger("Flag_" + n, 1);
}

void MailCheckFixture::Open(int timeOutMs)
{
    frm = CreateApplicationWindows();
    frm->MailCheckTimeOut = timeOutMs;
    frm->OnApplyRules = [this] { ++applyRuns; };
    frm->OnLCDMessage = [this](const std::string& text) {
        lcdTexts.push_back(text);
        if (onLcd) onLcd(text);
    };
}

void MailCheckFixture::Check(const std::string& account)
{
    for (QAction* entry : frm->PopupMenu1->actions()) {
        if (accounts::EntryAccount(*entry) == account) {
            entry->trigger();
            return;
        }
    }
    ADD_FAILURE() << "no drop-down entry for " << account;
}

void MailCheckFixture::DeleteElsewhere(int port, const std::string& user, int number)
{
    TKiroPOP3 other;
    other.Host = "127.0.0.1";
    other.Port = port;
    other.UserID = user;
    other.Password = "secret";
    other.TimeOut = 5000;
    other.Connect();
    other.DeleteMessage(number);
    other.Disconnect();
}

void MailCheckFixture::Select(const std::vector<int>& rows)
{
    QItemSelectionModel* selection = frm->MailList->selectionModel();
    selection->clearSelection();
    for (int row : rows)
        selection->select(frm->MailSort->mapFromSource(frm->MailRows->index(row, 0)),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

std::string MailCheckFixture::Lcd() const
{
    std::string text;
    for (const auto& line : frm->LCD1->Lines()) text += line;
    return text;
}

bool MailCheckFixture::Idle() const
{
    return !frm->cmdStop->isEnabled() && frm->cmdChkMail->isEnabled() && frm->mnuMessage->menuAction()->isEnabled();
}

bool MailCheckFixture::SawLcd(const std::string& text) const
{
    return std::find(lcdTexts.begin(), lcdTexts.end(), text) != lcdTexts.end();
}
