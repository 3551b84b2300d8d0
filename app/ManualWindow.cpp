#include "ManualWindow.h"

#include "platform/Shell.h"
#include "widgets/QtText.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

TManualWindow::TManualWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Quillbox Help"));
    setWindowFlag(Qt::Window);
    setModal(false);
    resize(760, 620);
    Browser = new QTextBrowser(this);
    Browser->setAccessibleName(QStringLiteral("Manual"));
    // The manual's own links are followed here; addresses outside it go to the desktop's opener.
    Browser->setOpenLinks(false);
    connect(Browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { FollowLink(url); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Browser);
    layout->addWidget(buttons);
}

void TManualWindow::ShowSection(const std::string& manualPath, const std::string& section)
{
    const QString path = ToQ(manualPath);
    if (QFileInfo::exists(path)) {
        QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
        if (!section.empty()) url.setFragment(ToQ(section));
        if (Browser->source().adjusted(QUrl::RemoveFragment) != url.adjusted(QUrl::RemoveFragment)) Browser->setSource(url);
        if (section.empty()) Browser->scrollToAnchor(QString());
        else Browser->scrollToAnchor(ToQ(section));
    } else {
        Browser->setPlainText(QStringLiteral("The manual was not found at %1.\nIt is installed with the program "
                                             "(share/doc/quillbox/manual.html).").arg(path));
    }
    show();
    raise();
    activateWindow();
}

void TManualWindow::FollowLink(const QUrl& url)
{
    const QUrl target = Browser->source().resolved(url);
    if (target.isLocalFile()) {
        Browser->setSource(target);
        if (!target.fragment().isEmpty()) Browser->scrollToAnchor(target.fragment());
    } else {
        platform::OpenUrl(target.toString().toStdString());
    }
}
