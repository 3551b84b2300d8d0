#pragma once
// The account dialog, shared by "Create new account" and "Edit Account" (the caller sets the
// caption). OK checks the fields (CheckAccountForm), stores the settings under the name typed and
// closes with QDialog::Accepted; a field that cannot be stored is refused with a warning and the
// dialog stays open on that field. Choosing another security mode moves the port between the
// modes' defaults (110, 995) unless the user typed one of his own.
#include "accounts/AccountForm.h"
#include "accounts/AccountStore.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class Tfrm_NewAcc : public QDialog {
public:
    explicit Tfrm_NewAcc(QWidget* parent = nullptr);

    // The fields of a new account: every edit field empty, "Remember password" unticked,
    // SSL/TLS on port 995, no periodic checks.
    void Reset_Fields();
    // Empties every edit field and puts the security mode's default into Port; the other fields
    // keep their state.
    void Empty_Fields();
    // Shows a stored account; OK keeps what the fields do not show (the trusted certificate).
    void Fill(const std::string& accName, const TMailSettings& settings);
    // Says where a remembered password is kept; asked before each showing, since the keyring
    // may have come or gone meanwhile.
    void ShowPasswordPlace();
    // The names of the other accounts, which OK refuses; the caller sets them before each showing.
    void SetTakenNames(StringList names) { takenNames_ = std::move(names); }

    TAccountForm Form() const;
    std::string AccountName() const;
    std::string Server() const;
    platform::SecurityMode Security() const;
    // Shows `mode` and leaves Port alone; a choice of the user goes through cbo_securityChange.
    void SetSecurity(platform::SecurityMode mode);

    void cmdOKClick();
    void cmd_defaultClick();
    void cbo_securityChange();

    QGroupBox* grpLogin;
    QLabel* lblAccName;
    QLineEdit* txt_accName;
    QLabel* lblUsrname;
    QLineEdit* txt_usrname;
    QLabel* lblPwd;
    QLineEdit* txt_pwd;
    QCheckBox* chk_pwd;
    QLabel* lblPwdPlace;  // where a remembered password is kept
    QLabel* lblMailsrvr;
    QLineEdit* txt_mailsrvr;
    QLabel* lblSecurity;
    QComboBox* cbo_security;
    QLabel* lblPort;
    QLineEdit* txt_port;
    QPushButton* cmd_default;
    QLabel* lblInterval;
    QSpinBox* spn_interval;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

private:
    QWidget* FieldWidget(TAccountField field) const;

    StringList takenNames_;
    TMailSettings stored_;  // of the account shown; defaults for a new one
    platform::SecurityMode shownSecurity_ = platform::SecurityMode::Tls;  // before a change
};
