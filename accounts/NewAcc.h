#pragma once
// The account dialog, shared by "Create new account" and "Edit Account" (the caller sets the
// caption). OK checks the fields (CheckAccountForm), stores the settings under the name typed and
// closes with QDialog::Accepted; a field that cannot be stored is refused with a warning and the
// dialog stays open on that field.
#include "accounts/AccountForm.h"
#include "accounts/AccountStore.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Tfrm_NewAcc : public QDialog {
public:
    explicit Tfrm_NewAcc(QWidget* parent = nullptr);

    // Empties every field of "Login info", unticks "Remember password", puts "110" into Port.
    void Reset_Fields();
    // Empties every edit field and puts "110" into Port; "Remember password" keeps its state.
    void Empty_Fields();
    void Fill(const std::string& accName, const TMailSettings& settings);
    // The names of the other accounts, which OK refuses; the caller sets them before each showing.
    void SetTakenNames(StringList names) { takenNames_ = std::move(names); }

    TAccountForm Form() const;
    std::string AccountName() const;
    std::string Server() const;

    void cmdOKClick();
    void cmd_defaultClick();

    QGroupBox* grpLogin;
    QLabel* lblAccName;
    QLineEdit* txt_accName;
    QLabel* lblUsrname;
    QLineEdit* txt_usrname;
    QLabel* lblPwd;
    QLineEdit* txt_pwd;
    QCheckBox* chk_pwd;
    QLabel* lblMailsrvr;
    QLineEdit* txt_mailsrvr;
    QLabel* lblPort;
    QLineEdit* txt_port;
    QPushButton* cmd_default;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

private:
    QWidget* FieldWidget(TAccountField field) const;

    StringList takenNames_;
};
