// The Help menu: every item leads to a page that exists, a section of the manual that comes with
// the program or the project's page when the build names one; an item with no page is hidden.
#include "Main.h"
#include "ManualWindow.h"
#include "Version.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

enum class HelpTarget { Manual, ProjectPage, Nowhere };

struct HelpItem {
    const char* caption;
    int tag;
    int icon;
    HelpTarget target;
    const char* section;  // of the manual
};

// In the menu's order; 0 marks a separator.
constexpr HelpItem kHelpItems[] = {
    {"Quillbox Online Help", 1, 9, HelpTarget::Manual, ""},
    {"Quillbox Home Page", 7, 10, HelpTarget::ProjectPage, ""},
    {"Frequently Asked Questions", 2, 6, HelpTarget::Manual, "faq"},
    {"Product Update", 3, -1, HelpTarget::ProjectPage, ""},
    {nullptr, 0, -1, HelpTarget::Nowhere, ""},
    {"Comments and Suggestions", 4, 5, HelpTarget::ProjectPage, ""},
    {"Report a Bug", 5, 3, HelpTarget::ProjectPage, ""},
    {nullptr, 0, -1, HelpTarget::Nowhere, ""},
    {"Other Brightwell Products", 8, 7, HelpTarget::Nowhere, ""},
};

const HelpItem* ItemOfTag(int tag)
{
    for (const HelpItem& item : kHelpItems)
        if (item.caption && item.tag == tag) return &item;
    return nullptr;
}

bool HasProjectPage() { return *platform::ProjectHomePage != '\0'; }

bool Reachable(HelpTarget target)
{
    return target == HelpTarget::Manual || (target == HelpTarget::ProjectPage && HasProjectPage());
}

}  // namespace

void TMainFrm::BuildHelpMenu(QMenuBar* bar)
{
    mnuHelp = bar->addMenu(QStringLiteral("&Help"));
    for (const HelpItem& entry : kHelpItems) {
        if (!entry.caption) {
            mnuHelp->addSeparator();
            continue;
        }
        QAction* item = AddMenuItem(mnuHelp, entry.caption, entry.icon, nullptr);
        SetTag(item, entry.tag);
        item->setVisible(Reachable(entry.target));
        connect(item, &QAction::triggered, this, [this, item] { platform::RunGuarded([&] { mnu_onLineHLPClick(item); }); });
        if (entry.tag == 1) {
            mnuHelpContents = item;
            mnuHelpContents->setShortcut(QKeySequence(Qt::Key_F1));
        }
    }
    // The vendor's services and advertising lead nowhere: kept out of sight.
    mnuDevServices = mnuHelp->addMenu(QStringLiteral("Development Services"));
    const char* const services[] = {"ASP, PHP and ColdFusion", "Delphi and C++Builder", "Visual Basic and Access"};
    for (int tag = 1; tag <= 3; ++tag) {
        QAction* item = mnuDevServices->addAction(QString::fromLatin1(services[tag - 1]));
        SetTag(item, tag);
        connect(item, &QAction::triggered, this, [this, item] { platform::RunGuarded([&] { ASPPHPCF1Click(item); }); });
        if (tag == 1) mnuDevServices->addSeparator();
    }
    mnuDevServices->menuAction()->setVisible(false);
    QAction* advertise = AddMenuItem(mnuHelp, "Advertise with us", 4, nullptr);
    SetTag(advertise, 10);
    advertise->setVisible(false);
    mnuHelp->addSeparator();
    AddMenuItem(mnuHelp, "About", -1, &TMainFrm::About1Click);
}

void TMainFrm::mnu_onLineHLPClick(QAction* item)
{
    const HelpItem* entry = ItemOfTag(TagOf(item));
    if (!entry) return;
    if (entry->target == HelpTarget::Manual) ShowManual(entry->section);
    else if (entry->target == HelpTarget::ProjectPage) ShowHome();
}

void TMainFrm::ASPPHPCF1Click(QAction*)
{
    // The services have no page: their items are hidden, and a stray trigger does nothing.
}

void TMainFrm::ShowHome()
{
    if (HasProjectPage()) platform::OpenUrl(platform::ProjectHomePage);
}

void TMainFrm::ShowManual(const std::string& section)
{
    if (!manualWindow_) manualWindow_ = new TManualWindow(this);
    manualWindow_->ShowSection(ManualPath(), section);
}
