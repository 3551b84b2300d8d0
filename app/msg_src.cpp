#include "msg_src.h"

#include "session/AttachmentNames.h"
#include "SaveFolder.h"
#include "platform/MessageBox.h"
#include "retrieval/VemMsg.h"
#include "widgets/Artwork.h"
#include "widgets/FileDialogs.h"
#include "widgets/DisplayText.h"
#include "widgets/QtText.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QShowEvent>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace {

QLabel* BoldLabel(const char* text, QWidget* parent)
{
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QToolButton* FlatButton(const char* caption, const QIcon& icon, QSize size, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(QString::fromLatin1(caption));
    button->setIcon(icon);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    // At least the classic size; wider where the font needs it, so the caption is never cut.
    button->setMinimumSize(size);
    button->setFixedHeight(std::max(size.height(), button->sizeHint().height()));
    return button;
}

// The name a file gets on disk: as the list shows it (UTF-8), made safe for the folder.
std::string SavedName(const std::string& attachmentName) { return SafeAttachmentName(FromQ(DisplayPlainText(attachmentName))); }

std::string Attachments(size_t n) { return std::to_string(n) + (n == 1 ? " attachment" : " attachments"); }

// The first screen of a text, and more: a screen holds at most some hundred lines.
constexpr qsizetype kFirstPiece = 32 * 1024;
// The pieces after it, each taking a few milliseconds, and how long one turn of the event
// loop may go on adding them.
constexpr qsizetype kPiece = 64 * 1024;
constexpr qint64 kTurnMs = 15;

// Where a piece of `text` that begins at `from` ends: after a line end near `size` characters,
// never inside a surrogate pair.
qsizetype PieceEnd(const QString& text, qsizetype from, qsizetype size)
{
    if (text.size() - from <= size) return text.size();
    const qsizetype lineEnd = text.lastIndexOf(u'\n', from + size - 1);
    if (lineEnd >= from + size / 2) return lineEnd + 1;
    qsizetype end = from + size;
    if (text[end - 1].isHighSurrogate()) ++end;
    return end;
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

TFrm_srcvu::TFrm_srcvu(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Source"));
    resize(442, 336);
    setSizeGripEnabled(true);

    Panel1 = new QFrame(this);
    Panel1->setFixedHeight(113);
    Label1 = BoldLabel("From:", Panel1);
    Label2 = BoldLabel("Date:", Panel1);
    Label4 = BoldLabel("Subject:", Panel1);
    Label5 = BoldLabel("&Attach:", Panel1);
    lblFrom = new QLabel(Panel1);
    lblDate = new QLabel(Panel1);
    lblSub = new QLabel(Panel1);
    for (QLabel* value : {lblFrom, lblDate, lblSub}) {
        value->setTextFormat(Qt::PlainText);  // the sender's text is never markup
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    AttList = new QComboBox(Panel1);
    AttList->setEditable(false);
    AttList->setFixedWidth(153);
    Label5->setBuddy(AttList);
    SpeedButton1 = FlatButton("&Save Attach", widgets::SaveIcon(), QSize(89, 22), Panel1);
    SpeedButton2 = FlatButton("Save A&ll", widgets::SaveAllIcon(), QSize(81, 22), Panel1);

    auto* grid = new QGridLayout(Panel1);
    grid->setContentsMargins(16, 8, 8, 8);
    grid->setColumnMinimumWidth(0, 64);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(lblFrom, 0, 1, 1, 4);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(lblDate, 1, 1, 1, 4);
    grid->addWidget(Label4, 2, 0);
    grid->addWidget(lblSub, 2, 1, 1, 4);
    grid->addWidget(Label5, 3, 0);
    grid->addWidget(AttList, 3, 1);
    grid->addWidget(SpeedButton1, 3, 2);
    grid->addWidget(SpeedButton2, 3, 3);
    grid->setColumnStretch(4, 1);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setAccessibleName(QStringLiteral("Text"));
    Memo1->setUndoRedoEnabled(false);  // read-only: the pieces of a big text need no undo record
    pendingTimer_ = new QTimer(this);
    pendingTimer_->setInterval(0);
    connect(pendingTimer_, &QTimer::timeout, this, [this] { AppendPendingText(); });

    SaveStatus = new QLabel(this);
    SaveStatus->setTextFormat(Qt::PlainText);  // names come from the sender
    SaveStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    SaveStatus->setContentsMargins(6, 2, 6, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Memo1, 1);
    layout->addWidget(SaveStatus);

    connect(SpeedButton1, &QToolButton::clicked, this, [this] { platform::RunGuarded([&] { SpeedButton1Click(); }); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { platform::RunGuarded([&] { SpeedButton2Click(); }); });
}

void TFrm_srcvu::SetMemoText(const QString& text)
{
    DropPendingText();
    const qsizetype first = PieceEnd(text, 0, kFirstPiece);
    if (first == text.size()) {
        Memo1->setPlainText(text);
        return;
    }
    Memo1->setPlainText(text.first(first));
    pending_ = text;
    pendingAt_ = first;
    shownCharacters_ = Memo1->document()->characterCount();
    pendingTimer_->start();
}

bool TFrm_srcvu::TextPending() const { return pendingAt_ < pending_.size(); }

void TFrm_srcvu::AppendPendingText()
{
    if (!TextPending() || Memo1->document()->characterCount() != shownCharacters_) return DropPendingText();
    QElapsedTimer turn;
    turn.start();
    // A cursor of its own: the user's cursor and the part of the text on screen stay put.
    QTextCursor end(Memo1->document());
    end.movePosition(QTextCursor::End);
    while (TextPending() && !turn.hasExpired(kTurnMs)) {
        const qsizetype to = PieceEnd(pending_, pendingAt_, kPiece);
        end.insertText(QStringView(pending_).sliced(pendingAt_, to - pendingAt_).toString());
        pendingAt_ = to;
    }
    shownCharacters_ = Memo1->document()->characterCount();
    if (!TextPending()) DropPendingText();
}

void TFrm_srcvu::DropPendingText()
{
    pendingTimer_->stop();
    pending_.clear();
    pendingAt_ = 0;
}

void TFrm_srcvu::hideEvent(QHideEvent* event)
{
    // Nobody sees the rest of a text in a closed window; the next opening sets its own.
    DropPendingText();
    QDialog::hideEvent(event);
}

void TFrm_srcvu::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (parentWidget()) move(parentWidget()->geometry().center() - rect().center());
    platform::RunGuarded([&] { FormShow(); });
}

void TFrm_srcvu::FormShow()
{
    SaveStatus->clear();
    if (!cur_msg) {
        // A header source has no attachments: none of an earlier message may show beside it.
        AttList->clear();
        return;
    }
    SpeedButton1->setEnabled(AttList->count() > 0);
    SpeedButton2->setEnabled(AttList->count() > 0);
}

void TFrm_srcvu::SaveAttachment(int index, const std::string& path)
{
    cur_msg->AttachedFiles.Items(index).SaveToFile(path);
}

std::string TFrm_srcvu::SaveBeside(int index, const std::string& folder, TBatchNames& names)
{
    const std::string wanted = SavedName(cur_msg->AttachedFiles.Items(index).FileName);
    for (;;) {
        std::string name = names.Take(wanted);
        if (cur_msg->AttachedFiles.Items(index).SaveToNewFile(folder + "/" + name)) return name;
    }
}

void TFrm_srcvu::SpeedButton1Click()
{
    if (!cur_msg || AttList->currentIndex() < 0) return;
    const int index = AttList->currentIndex();
    auto path = widgets::AskSaveFileName(this, SavedName(cur_msg->AttachedFiles.Items(index).FileName), StartFolderForSaving());
    if (!path) return;
    SaveAttachment(index, *path);
    const std::string folder = FolderOf(*path);
    RememberSaveFolder(folder);
    SaveStatus->setText(ToQ(path->substr(path->rfind('/') + 1) + " saved to " + folder));
}

void TFrm_srcvu::SpeedButton2Click()
{
    if (!cur_msg) return;
    auto folder = widgets::AskFolder(this, "Save All", StartFolderForSaving());
    if (!folder) return;
    RememberSaveFolder(*folder);
    // Nothing is ever written over: a name taken on disk or earlier in this run gets " (2)" ...
    // The first failure ends the run (the error report says why); the window stays open.
    const size_t count = size_t(std::min(AttList->count(), cur_msg->AttachedFiles.Count()));
    TBatchNames names;
    std::string renamed;
    size_t saved = 0;
    try {
        for (; saved < count; ++saved) {
            const int i = int(saved);
            const std::string name = SaveBeside(i, *folder, names);
            if (name != SavedName(cur_msg->AttachedFiles.Items(i).FileName)) renamed += (renamed.empty() ? "" : ", ") + name;
        }
    } catch (const std::exception&) {
        SaveStatus->setText(ToQ(std::to_string(saved) + " of " + Attachments(count) + " saved to " + *folder));
        throw;
    }
    std::string text = Attachments(count) + " saved to " + *folder;
    if (!renamed.empty()) text += "; under new names beside files of the same name: " + renamed;
    SaveStatus->setText(ToQ(text));
}
