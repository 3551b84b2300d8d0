#pragma once
// "Password Required...": asks for the password of an account whose password is not remembered.
// The caller names the account, shows the prompt modally (widgets::ShowModal) and, when the
// result is QDialog::Accepted, takes Password(); the password is never stored.
#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

class Tfrm_pwd_req : public QDialog {
public:
    explicit Tfrm_pwd_req(QWidget* parent = nullptr);

    void SetAccountName(const std::string& name);
    std::string Password() const;

    QLabel* lblMailAccount;
    QLabel* lbl_accName;
    QLabel* lblPassword;
    QLineEdit* txt_pwd;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

protected:
    void showEvent(QShowEvent* event) override;
};
