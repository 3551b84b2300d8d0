#pragma once
// The program's icon in the notification area: the count of new mail as a badge and in the
// tooltip, a click to bring the main window up, and a small menu of its own. It appears only
// where the desktop has a notification area.
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TTrayIcon {
public:
    TTrayIcon();
    ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    // A click on the icon and "Show Quillbox" call OnShow, as does a click on its balloon.
    void SetOnShow(std::function<void()> f) { onShow_ = std::move(f); }
    void SetOnCheckAll(std::function<void()> f) { onCheckAll_ = std::move(f); }
    void SetOnQuit(std::function<void()> f) { onQuit_ = std::move(f); }

    // The new messages of one account since the user last looked (0 takes the account away).
    void SetNewCount(const std::string& account, int count);
    void ClearNewCounts();
    int NewCount() const;
    int NewCount(const std::string& account) const;

    // Shows the icon when the desktop has a notification area; false when it has none.
    bool Show();
    void Hide() { icon_.hide(); }
    bool Visible() const { return icon_.isVisible(); }
    // The balloon beside the icon, for desktops without a notification service; false when
    // the icon is not shown.
    bool ShowMessage(const QString& title, const QString& text);

    QSystemTrayIcon& Icon() { return icon_; }
    QMenu& Menu() { return *menu_; }
    QString ToolTip() const { return icon_.toolTip(); }

private:
    void Refresh();

    std::unique_ptr<QMenu> menu_;
    QSystemTrayIcon icon_;
    std::vector<std::pair<std::string, int>> counts_;  // in the order the accounts first had mail
    std::function<void()> onShow_, onCheckAll_, onQuit_;
};

// The application's icon with the count in a red badge at its lower right ("99+" above 99);
// the plain icon for 0.
QPixmap BadgedIcon(int count, int size);
// "Quillbox: 3 new messages", then a line per account that has some ("work: 2").
QString TrayToolTip(const std::vector<std::pair<std::string, int>>& counts);
