#include "app/TrayIcon.h"

#include "app/NewMailText.h"
#include "platform/MessageBox.h"
#include "widgets/Artwork.h"
#include "widgets/QtText.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <numeric>

namespace {
constexpr QRgb kBadgeColour = 0xffd32f2f;
// The sizes the icon is drawn in; the notification area picks the one it needs.
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64};
}  // namespace

QPixmap BadgedIcon(int count, int size)
{
    QPixmap pixmap = widgets::ApplicationIcon().pixmap(size, size);
    if (count <= 0) return pixmap;
    const QString label = count > 99 ? QStringLiteral("99+") : QString::number(count);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal height = size * 0.55;
    const qreal width = std::max(height, height * (0.35 + 0.3 * label.size()));
    const QRectF badge(size - width, size - height, width, height);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgba(kBadgeColour));
    painter.drawRoundedRect(badge, height / 2, height / 2);
    QFont font;
    font.setBold(true);
    font.setPixelSize(std::max(6, int(height * (label.size() > 2 ? 0.55 : 0.72))));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(badge, Qt::AlignCenter, label);
    return pixmap;
}

QString TrayToolTip(const std::vector<std::pair<std::string, int>>& counts)
{
    const int total = std::accumulate(counts.begin(), counts.end(), 0,
                                      [](int sum, const auto& account) { return sum + account.second; });
    QString tip = QStringLiteral("Quillbox: ") + NewMessagesPhrase(total);
    for (const auto& [account, count] : counts) tip += u'\n' + ToQ(account) + QStringLiteral(": ") + QString::number(count);
    return tip;
}

TTrayIcon::TTrayIcon() : menu_(std::make_unique<QMenu>())
{
    auto add = [this](const QString& text, std::function<void()>& callback) {
        QObject::connect(menu_->addAction(text), &QAction::triggered, menu_.get(), [&callback] {
            platform::RunGuarded([&] {
                if (callback) callback();
            });
        });
    };
    add(QStringLiteral("Check All Accounts"), onCheckAll_);
    add(QStringLiteral("Show Quillbox"), onShow_);
    menu_->addSeparator();
    add(QStringLiteral("Quit"), onQuit_);
    icon_.setContextMenu(menu_.get());

    auto show = [this] {
        platform::RunGuarded([&] {
            if (onShow_) onShow_();
        });
    };
    QObject::connect(&icon_, &QSystemTrayIcon::activated, menu_.get(), [show](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger) show();
    });
    QObject::connect(&icon_, &QSystemTrayIcon::messageClicked, menu_.get(), show);
    Refresh();
}

TTrayIcon::~TTrayIcon() { icon_.setContextMenu(nullptr); }

void TTrayIcon::SetNewCount(const std::string& account, int count)
{
    auto known = std::find_if(counts_.begin(), counts_.end(), [&](const auto& c) { return c.first == account; });
    if (count <= 0) {
        if (known != counts_.end()) counts_.erase(known);
    } else if (known != counts_.end()) {
        known->second = count;
    } else {
        counts_.emplace_back(account, count);
    }
    Refresh();
}

void TTrayIcon::ClearNewCounts()
{
    counts_.clear();
    Refresh();
}

int TTrayIcon::NewCount() const
{
    return std::accumulate(counts_.begin(), counts_.end(), 0, [](int sum, const auto& c) { return sum + c.second; });
}

int TTrayIcon::NewCount(const std::string& account) const
{
    for (const auto& [name, count] : counts_)
        if (name == account) return count;
    return 0;
}

bool TTrayIcon::Show()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
    icon_.show();
    return true;
}

bool TTrayIcon::ShowMessage(const QString& title, const QString& text)
{
    if (!icon_.isVisible()) return false;
    icon_.showMessage(title, text, widgets::ApplicationIcon());
    return true;
}

void TTrayIcon::Refresh()
{
    QIcon icon;
    const int count = NewCount();
    for (int size : kIconSizes) icon.addPixmap(BadgedIcon(count, size));
    icon_.setIcon(icon);
    icon_.setToolTip(TrayToolTip(counts_));
}
