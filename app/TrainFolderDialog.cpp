#include "TrainFolderDialog.h"

#include "session/MessageIdentity.h"
#include "filter/FolderTraining.h"
#include "platform/MessageBox.h"
#include "platform/MessagePump.h"
#include "platform/Strings.h"
#include "widgets/FileDialogs.h"
#include "widgets/QtText.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <sstream>

namespace {
// The progress bar's steps: an mbox file's progress is a share of its bytes.
constexpr int kProgressSteps = 1000;

// The message list's own identity, so a message learnt here and again from the list counts once.
std::string ListIdentity(const std::string& header)
{
    StringList lines;
    std::istringstream in(header);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return IdentityOfHeader(lines).headerKey;
}
}  // namespace

TFrm_TrainFolder::TFrm_TrainFolder(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Train from a folder"));
    resize(520, 220);
    auto* layout = new QGridLayout(this);
    auto* pathLabel = new QLabel(QStringLiteral("&Mail to learn from (a Maildir folder or an mbox file):"), this);
    txt_path = new QLineEdit(this);
    pathLabel->setBuddy(txt_path);
    cmd_folder = new QPushButton(QStringLiteral("&Folder..."), this);
    cmd_file = new QPushButton(QStringLiteral("mbox f&ile..."), this);
    opt_spam = new QRadioButton(QStringLiteral("These messages are &spam"), this);
    opt_ham = new QRadioButton(QStringLiteral("These messages are &not spam"), this);
    opt_spam->setChecked(true);
    progress = new QProgressBar(this);
    progress->setAccessibleName(QStringLiteral("Training progress"));
    progress->setRange(0, 1);
    progress->setValue(0);
    lbl_state = new QLabel(this);
    lbl_state->setWordWrap(true);
    cmd_train = new QPushButton(QStringLiteral("&Train"), this);
    cmd_train->setDefault(true);
    cmd_cancel = new QPushButton(QStringLiteral("Close"), this);

    layout->addWidget(pathLabel, 0, 0, 1, 3);
    layout->addWidget(txt_path, 1, 0);
    layout->addWidget(cmd_folder, 1, 1);
    layout->addWidget(cmd_file, 1, 2);
    layout->addWidget(opt_spam, 2, 0, 1, 3);
    layout->addWidget(opt_ham, 3, 0, 1, 3);
    layout->addWidget(progress, 4, 0, 1, 3);
    layout->addWidget(lbl_state, 5, 0, 1, 3);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(cmd_train);
    row->addWidget(cmd_cancel);
    layout->addLayout(row, 6, 0, 1, 3);

    connect(cmd_folder, &QPushButton::clicked, this, [this] {
        platform::RunGuarded([&] {
            if (auto folder = widgets::AskFolder(this, "Choose a Maildir folder", FromQ(txt_path->text())))
                txt_path->setText(ToQ(*folder));
        });
    });
    connect(cmd_file, &QPushButton::clicked, this, [this] {
        platform::RunGuarded([&] {
            const QFileInfo at(txt_path->text());
            if (auto file = widgets::AskOpenFileName(this, "Choose an mbox file", FromQ(at.isDir() ? at.filePath() : at.path())))
                txt_path->setText(ToQ(*file));
        });
    });
    connect(cmd_train, &QPushButton::clicked, this, [this] { platform::RunGuarded([&] { cmd_trainClick(); }); });
    connect(cmd_cancel, &QPushButton::clicked, this, [this] { platform::RunGuarded([&] { cmd_cancelClick(); }); });
}

void TFrm_TrainFolder::Load(TSpamFilter& filter)
{
    filter_ = &filter;
    progress->setRange(0, 1);
    progress->setValue(0);
    lbl_state->clear();
    SetRunning(false);
}

void TFrm_TrainFolder::SetRunning(bool running)
{
    running_ = running;
    for (QWidget* w : std::initializer_list<QWidget*>{txt_path, cmd_folder, cmd_file, opt_spam, opt_ham, cmd_train})
        w->setEnabled(!running);
    cmd_cancel->setText(running ? QStringLiteral("Cancel") : QStringLiteral("Close"));
}

void TFrm_TrainFolder::cmd_trainClick()
{
    const std::string path = FromQ(txt_path->text().trimmed());
    if (!filter_ || running_) return;
    if (path.empty() || !QFileInfo::exists(ToQ(path))) {
        platform::ShowMessageBox({path.empty() ? "Choose a Maildir folder or an mbox file to learn from."
                                               : "There is no folder or file at " + path + ".",
                                  "Train from a folder", platform::MsgIcon::Warning});
        txt_path->setFocus();
        return;
    }
    TFolderTraining how;
    how.as = opt_spam->isChecked() ? TTrainAs::Spam : TTrainAs::Ham;
    how.cancel = &cancel_;
    how.IdentityOf = ListIdentity;
    how.OnProgress = [this](const TTrainingProgress& p) {
        progress->setRange(0, kProgressSteps);
        progress->setValue(int(p.share * kProgressSteps));
        lbl_state->setText(p.total ? QStringLiteral("%1 of %2 messages learnt").arg(p.done).arg(p.total)
                                   : QStringLiteral("%1 messages learnt").arg(p.done));
        platform::ProcessMessages();  // Cancel and the window's own painting stay live
    };
    cancel_ = false;
    SetRunning(true);
    TFolderTrainingResult result;
    try {
        result = TrainFromFolder(*filter_, path, how);
    } catch (const std::exception& e) {
        SetRunning(false);
        lbl_state->setText(QStringLiteral("Training stopped: %1").arg(ToQ(e.what())));
        platform::ShowMessageBox({std::string("Training stopped: ") + e.what(), "Train from a folder", platform::MsgIcon::Warning});
        if (OnTrained) OnTrained();  // the steps before the failure stay learnt
        return;
    }
    SetRunning(false);
    if (!result.cancelled) progress->setValue(progress->maximum());  // an mbox's last body is read only at its end
    const char* as = how.as == TTrainAs::Spam ? "spam" : "not spam";
    QString state = !result.cancelled ? QStringLiteral("%1 messages read; ").arg(result.done)
                    : result.counted  ? QStringLiteral("Cancelled after %1 of %2 messages; ").arg(result.done).arg(result.total)
                                      : QStringLiteral("Cancelled after %1 messages; ").arg(result.done);
    state += QStringLiteral("%1 learnt as %2").arg(result.trained).arg(QString::fromLatin1(as));
    if (result.done > result.trained) state += QStringLiteral(" (%1 already learnt)").arg(result.done - result.trained);
    if (result.total == 0 && result.counted) state = QStringLiteral("No messages were found there.");
    lbl_state->setText(state);
    if (result.trained > 0 && OnTrained) OnTrained();
}

void TFrm_TrainFolder::cmd_cancelClick()
{
    if (running_) cancel_ = true;
    else QDialog::reject();
}

void TFrm_TrainFolder::reject()
{
    // Escape or the window's close button while training: stop it first, as Cancel does.
    if (running_) cancel_ = true;
    else QDialog::reject();
}
