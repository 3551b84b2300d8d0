#include "accounts/pwd_req.h"

#include "accounts/PasswordEdit.h"
#include "platform/MessageBox.h"
#include "widgets/QtText.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel* BoldLabel(const char* text, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}
}  // namespace

Tfrm_pwd_req::Tfrm_pwd_req(QWidget* parent) : QDialog(parent)
{
    setObjectName("frm_pwd_req");
    setWindowTitle("Password Required...");
    setFixedSize(292, 107);

    lblMailAccount = BoldLabel("Mail Account", this);
    lbl_accName = new QLabel(this);
    lbl_accName->setObjectName("lbl_accName");
    lbl_accName->setTextFormat(Qt::PlainText);
    lblPassword = BoldLabel("&Password", this);
    txt_pwd = new QLineEdit(this);
    txt_pwd->setObjectName("txt_pwd");
    lblPassword->setBuddy(txt_pwd);
    accounts::MakePasswordField(*txt_pwd);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");

    auto* fields = new QVBoxLayout;
    fields->setSpacing(2);
    fields->addWidget(lblMailAccount);
    fields->addWidget(lbl_accName);
    fields->addWidget(lblPassword);
    fields->addWidget(txt_pwd);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addLayout(fields, 0, 0);
    layout->addLayout(buttons, 0, 1);
    layout->setColumnStretch(0, 1);

    setTabOrder(txt_pwd, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Tfrm_pwd_req::SetAccountName(const std::string& name) { lbl_accName->setText(ToQ(name)); }

std::string Tfrm_pwd_req::Password() const { return FromQ(txt_pwd->text()); }

void Tfrm_pwd_req::showEvent(QShowEvent* event)
{
    // A password typed for one check is never offered for the next.
    platform::RunGuarded([this] {
        txt_pwd->clear();
        txt_pwd->setFocus();
    });
    QDialog::showEvent(event);
}
