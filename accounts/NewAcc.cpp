#include "accounts/NewAcc.h"

#include "accounts/AccountPort.h"
#include "accounts/PasswordEdit.h"
#include "accounts/RememberedPassword.h"
#include "platform/MessageBox.h"
#include "widgets/QtText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
using platform::SecurityMode;

// A new account is protected from the first byte.
constexpr SecurityMode kNewAccountSecurity = SecurityMode::Tls;
// The spin box takes more than the check allows, so a longer interval typed is refused with a
// reason instead of vanishing under the box's own limit.
constexpr int kIntervalFieldMaximum = 9999;

QString PortText(SecurityMode mode) { return QString::number(platform::DefaultPort(mode)); }

QLineEdit* Field(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QLabel* LabelFor(const char* text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setBuddy(buddy);
    return label;
}
}  // namespace

Tfrm_NewAcc::Tfrm_NewAcc(QWidget* parent) : QDialog(parent)
{
    setObjectName("frm_NewAcc");
    setWindowTitle("Create new account");
    setFixedSize(424, 364);

    grpLogin = new QGroupBox("Login info", this);
    txt_accName = Field("txt_accName", grpLogin);
    txt_usrname = Field("txt_usrname", grpLogin);
    txt_pwd = Field("txt_pwd", grpLogin);
    accounts::MakePasswordField(*txt_pwd);
    chk_pwd = new QCheckBox("&Remember password", grpLogin);
    chk_pwd->setObjectName("chk_pwd");
    lblPwdPlace = new QLabel(grpLogin);
    lblPwdPlace->setObjectName("lblPwdPlace");
    lblPwdPlace->setWordWrap(true);
    txt_mailsrvr = Field("txt_mailsrvr", grpLogin);
    cbo_security = new QComboBox(grpLogin);
    cbo_security->setObjectName("cbo_security");
    cbo_security->addItem("None", int(SecurityMode::None));
    cbo_security->addItem("SSL/TLS", int(SecurityMode::Tls));
    cbo_security->addItem("STARTTLS", int(SecurityMode::StartTls));
    txt_port = Field("txt_port", grpLogin);
    txt_port->setFixedWidth(60);
    cmd_default = new QPushButton("&Use Default", grpLogin);
    cmd_default->setObjectName("cmd_default");
    cmd_default->setAutoDefault(false);
    spn_interval = new QSpinBox(grpLogin);
    spn_interval->setObjectName("spn_interval");
    spn_interval->setRange(0, kIntervalFieldMaximum);
    spn_interval->setSpecialValueText("Off");
    lblAccName = LabelFor("&Account Name", txt_accName, grpLogin);
    lblUsrname = LabelFor("&Login name", txt_usrname, grpLogin);
    lblPwd = LabelFor("&Password", txt_pwd, grpLogin);
    lblMailsrvr = LabelFor("POP3 &Mail server", txt_mailsrvr, grpLogin);
    lblSecurity = LabelFor("&Security", cbo_security, grpLogin);
    lblPort = LabelFor("P&ort", txt_port, grpLogin);
    lblInterval = LabelFor("Check &every N minutes", spn_interval, grpLogin);

    auto* grid = new QGridLayout(grpLogin);
    grid->addWidget(lblAccName, 0, 0, 1, 2);
    grid->addWidget(txt_accName, 1, 0, 1, 2);
    grid->addWidget(lblUsrname, 2, 0);
    grid->addWidget(lblPwd, 2, 1);
    grid->addWidget(txt_usrname, 3, 0);
    grid->addWidget(txt_pwd, 3, 1);
    grid->addWidget(chk_pwd, 4, 0, 1, 2);
    grid->addWidget(lblMailsrvr, 5, 0, 1, 2);
    grid->addWidget(txt_mailsrvr, 6, 0, 1, 2);
    grid->addWidget(lblSecurity, 7, 0);
    grid->addWidget(lblPort, 7, 1);
    grid->addWidget(cbo_security, 8, 0);
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(txt_port);
    portRow->addWidget(cmd_default);
    portRow->addStretch();
    grid->addLayout(portRow, 8, 1);
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(lblInterval);
    intervalRow->addWidget(spn_interval);
    intervalRow->addStretch();
    grid->addLayout(intervalRow, 9, 0, 1, 2);
    grid->addWidget(lblPwdPlace, 10, 0, 1, 2);

    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setObjectName("cmdCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grpLogin);
    layout->addLayout(buttons);

    setTabOrder(txt_accName, txt_usrname);
    setTabOrder(txt_usrname, txt_pwd);
    setTabOrder(txt_pwd, chk_pwd);
    setTabOrder(chk_pwd, txt_mailsrvr);
    setTabOrder(txt_mailsrvr, cbo_security);
    setTabOrder(cbo_security, txt_port);
    setTabOrder(txt_port, cmd_default);
    setTabOrder(cmd_default, spn_interval);
    setTabOrder(spn_interval, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { cmdOKClick(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmd_default, &QPushButton::clicked, this, [this] { platform::RunGuarded([this] { cmd_defaultClick(); }); });
    connect(cbo_security, &QComboBox::currentIndexChanged, this,
            [this] { platform::RunGuarded([this] { cbo_securityChange(); }); });

    Reset_Fields();
}

void Tfrm_NewAcc::Reset_Fields()
{
    stored_ = TMailSettings();
    SetSecurity(kNewAccountSecurity);
    Empty_Fields();
    chk_pwd->setChecked(false);
    spn_interval->setValue(0);
}

void Tfrm_NewAcc::Empty_Fields()
{
    txt_accName->clear();
    txt_usrname->clear();
    txt_pwd->clear();
    txt_mailsrvr->clear();
    txt_port->setText(PortText(Security()));
}

platform::SecurityMode Tfrm_NewAcc::Security() const
{
    return static_cast<SecurityMode>(cbo_security->currentData().toInt());
}

void Tfrm_NewAcc::SetSecurity(platform::SecurityMode mode)
{
    const QSignalBlocker quiet(cbo_security);
    cbo_security->setCurrentIndex(cbo_security->findData(int(mode)));
    shownSecurity_ = mode;
}

void Tfrm_NewAcc::Fill(const std::string& accName, const TMailSettings& settings)
{
    txt_accName->setText(ToQ(accName));
    txt_usrname->setText(ToQ(settings.User));
    txt_mailsrvr->setText(ToQ(settings.Server));
    SetSecurity(settings.Security);
    txt_port->setText(ToQ(settings.Port));
    txt_pwd->setText(ToQ(settings.Password));
    chk_pwd->setChecked(settings.Remember || settings.Unread);
    spn_interval->setValue(settings.Interval);
    stored_ = settings;
}

void Tfrm_NewAcc::ShowPasswordPlace() { lblPwdPlace->setText(ToQ(PasswordPlaceText())); }

std::string Tfrm_NewAcc::AccountName() const { return FromQ(txt_accName->text()); }

std::string Tfrm_NewAcc::Server() const { return FromQ(txt_mailsrvr->text()); }

TAccountForm Tfrm_NewAcc::Form() const
{
    TAccountForm form;
    form.Name = AccountName();
    form.User = FromQ(txt_usrname->text());
    form.Password = FromQ(txt_pwd->text());
    form.Server = Server();
    form.Port = FromQ(txt_port->text());
    form.Remember = chk_pwd->isChecked();
    form.Security = Security();
    form.Interval = spn_interval->value();
    return form;
}

QWidget* Tfrm_NewAcc::FieldWidget(TAccountField field) const
{
    switch (field) {
    case TAccountField::Name: return txt_accName;
    case TAccountField::User: return txt_usrname;
    case TAccountField::Server: return txt_mailsrvr;
    case TAccountField::Port: return txt_port;
    case TAccountField::Interval: return spn_interval;
    }
    return txt_accName;
}

void Tfrm_NewAcc::cmdOKClick()
{
    const TAccountForm form = Form();
    if (std::optional<TFormProblem> problem = CheckAccountForm(form, takenNames_)) {
        platform::ShowMessageBox({problem->Text, "Quillbox", platform::MsgIcon::Warning, platform::MsgButtons::OK,
                                  platform::MsgResult::None});
        QWidget* field = FieldWidget(problem->Field);
        field->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
        if (auto* spin = qobject_cast<QSpinBox*>(field)) spin->selectAll();
        return;
    }
    // What passes the check is stored exactly as typed.
    Save_Mail_Settings(form.Name, SettingsToStore(form, stored_));
    accept();
}

void Tfrm_NewAcc::cmd_defaultClick() { txt_port->setText(PortText(Security())); }

void Tfrm_NewAcc::cbo_securityChange()
{
    const SecurityMode chosen = Security();
    txt_port->setText(ToQ(PortAfterSecurityChange(FromQ(txt_port->text()), shownSecurity_, chosen)));
    shownSecurity_ = chosen;
}
