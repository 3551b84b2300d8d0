#pragma once
// "Mail Accounts": the list of accounts (the lines of acc.dat) with Add, Remove and Properties,
// kept in step with the account entries of the main window's "Check Mail" drop-down. The one
// instance also offers the account-store operations to the rest of the program.
#include "accounts/AccountStore.h"
#include "platform/Strings.h"

#include <QDialog>

#include <string>

class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class Tfrm_NewAcc;

class TFrm_Acc : public QDialog {
public:
    // Loads acc.dat and fills `popupMenu` (the drop-down, owned by the main window, holding
    // nothing but the account entries) with one entry per line.
    explicit TFrm_Acc(QMenu& popupMenu, QWidget* parent = nullptr);

    // The account dialog used by "Add" and "Properties"; it is created after this window.
    void SetAccountDialog(Tfrm_NewAcc* dialog) { frm_NewAcc_ = dialog; }

    // Account store.
    TMailSettings Load_Mail_Settings(const std::string& accName, TPasswordRead read = TPasswordRead::MayUnlock) const;
    void Save_Mail_Settings(const std::string& accName, const std::string& user, const std::string& password,
                            const std::string& server, const std::string& port, bool remember) const;
    bool Delete_Mail_Settings(const std::string& accName) const;
    // After the user agreed to trust the certificate with this fingerprint for the account.
    bool StoreCertificatePin(const std::string& accName, const std::string& sha256) const;
    std::string Get_MailAcc_Name(int index) const;
    // Replace the lines by those of acc.dat / write the lines to acc.dat. When the file cannot be
    // read or written the user is told, the lines stay as they are, and the result is false.
    bool Load_Acc_List();
    bool Save_Acc_List();
    StringList AccountLines() const;

    // Drop-down entries.
    void Add_menu_item(const std::string& name);
    void Change_menu_Caption(const std::string& oldName, const std::string& newName);

    // Handlers.
    void cmd_AddClick();
    void cmd_propClick();
    void cmd_remClick();

    QLabel* lblAvailable;
    QListWidget* Acc_List;
    QPushButton* cmd_Add;
    QPushButton* cmd_rem;
    QPushButton* cmd_prop;
    QPushButton* cmdClose;

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing ends here: the list is written to acc.dat.
    void done(int result) override;

private:
    Tfrm_NewAcc& AccountDialog() const;
    int SelectedIndex() const;
    void SetLines(const StringList& lines);
    void AppendLine(const std::string& line);
    void ReplaceLine(int index, const std::string& line);
    void AppendMenuEntry(const std::string& name, const std::string& objectName);

    QMenu& PopupMenu1;
    Tfrm_NewAcc* frm_NewAcc_ = nullptr;
};
