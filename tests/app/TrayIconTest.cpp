// The tray icon and the words of the new-mail news.
#include "app/NewMailText.h"
#include "app/TrayIcon.h"
#include "platform/Exception.h"
#include "widgets/Artwork.h"
#include "ScriptedBoxes.h"

#include <gtest/gtest.h>

namespace {

QImage Image(const QPixmap& pixmap) { return pixmap.toImage().convertToFormat(QImage::Format_ARGB32); }

TEST(NewMailText, NamesTheNewestThreeNewestFirstAndCountsTheRest)
{
    std::vector<TNewMail> five;
    for (int i = 1; i <= 5; ++i) five.push_back({"<n" + std::to_string(i) + "@x>", " Note " + std::to_string(i)});
    five[3].Subject = "";
    TNewMailText text = NewMailText("work & play", five);
    EXPECT_EQ(text.Summary, "5 new messages in work & play");
    EXPECT_EQ(text.Lines, (QStringList{"n5@x: Note 5", "n4@x: (no subject)", "n3@x: Note 3", "and 2 more"}));
    text = NewMailText("home", {five[0]});
    EXPECT_EQ(text.Summary, "1 new message in home");
    EXPECT_EQ(text.Lines, (QStringList{"n1@x: Note 1"}));
    // A check that found thousands keeps only the newest it names.
    text = NewMailText("home", {five[2], five[3], five[4]}, 4000);
    EXPECT_EQ(text.Summary, "4000 new messages in home");
    EXPECT_EQ(text.Lines, (QStringList{"n5@x: Note 5", "n4@x: (no subject)", "n3@x: Note 3", "and 3997 more"}));

    EXPECT_EQ(SenderName("\"Example, Ann\" <ann@example.org>"), "Example, Ann");
    EXPECT_EQ(SenderName("=?UTF-8?B?SsO8cmdlbg==?= <j@example.org>"), QString::fromUtf8("J\u00fcrgen"));
    EXPECT_EQ(SenderName("ann@example.org"), "ann@example.org");
    EXPECT_EQ(SenderName("\"\" <ann@example.org>"), "ann@example.org");
    EXPECT_EQ(SenderName("broken <"), "broken");
    EXPECT_EQ(EscapeMarkup("a<b>&amp;\"c\""), "a&lt;b&gt;&amp;amp;\"c\"");
}

TEST(TrayIcon, TheBadgeShowsTheCountOnTheApplicationIcon)
{
    const QImage plain = Image(widgets::ApplicationIcon().pixmap(64, 64));
    EXPECT_EQ(Image(BadgedIcon(0, 64)), plain);
    const QImage three = Image(BadgedIcon(3, 64));
    ASSERT_EQ(three.size(), plain.size());
    EXPECT_EQ(three.pixel(0, 0), plain.pixel(0, 0));  // the icon stays, the badge sits at the lower right
    const QColor badge = three.pixelColor(64 - 6, 64 - 18);
    EXPECT_GT(badge.red(), 180);
    EXPECT_LT(badge.green(), 80);
    EXPECT_NE(three, Image(BadgedIcon(8, 64)));  // the number is drawn
    EXPECT_NE(Image(BadgedIcon(99, 64)), Image(BadgedIcon(100, 64)));
    EXPECT_EQ(Image(BadgedIcon(100, 64)), Image(BadgedIcon(12345, 64)));  // "99+"
    EXPECT_EQ(Image(BadgedIcon(5, 16)).size(), QSize(16, 16));
}

TEST(TrayIcon, TooltipAndIconFollowTheNewCountsOfEachAccount)
{
    TTrayIcon tray;
    EXPECT_EQ(tray.ToolTip(), "Quillbox: 0 new messages");
    tray.SetNewCount("work", 2);
    tray.SetNewCount("home", 1);
    EXPECT_EQ(tray.NewCount(), 3);
    EXPECT_EQ(tray.NewCount("work"), 2);
    EXPECT_EQ(tray.NewCount("other"), 0);
    EXPECT_EQ(tray.ToolTip(), "Quillbox: 3 new messages\nwork: 2\nhome: 1");
    EXPECT_EQ(Image(tray.Icon().icon().pixmap(64, 64)), Image(BadgedIcon(3, 64)));
    tray.SetNewCount("work", 0);
    EXPECT_EQ(tray.ToolTip(), "Quillbox: 1 new message\nhome: 1");
    tray.SetNewCount("home", 4);
    tray.SetNewCount("work", 1);
    EXPECT_EQ(tray.ToolTip(), "Quillbox: 5 new messages\nhome: 4\nwork: 1");
    tray.ClearNewCounts();
    EXPECT_EQ(tray.NewCount(), 0);
    EXPECT_EQ(Image(tray.Icon().icon().pixmap(64, 64)), Image(BadgedIcon(0, 64)));
}

TEST(TrayIcon, ItsClickMenuAndBalloonCallTheMainWindow)
{
    ScriptedBoxes boxes;
    TTrayIcon tray;
    int checkAll = 0, show = 0, quit = 0;
    tray.SetOnCheckAll([&] { ++checkAll; });
    tray.SetOnShow([&] { ++show; });
    tray.SetOnQuit([&] { ++quit; });
    QStringList texts;
    for (QAction* a : tray.Menu().actions()) texts << a->text();
    EXPECT_EQ(texts, (QStringList{"Check All Accounts", "Show Quillbox", "", "Quit"}));
    EXPECT_EQ(tray.Icon().contextMenu(), &tray.Menu());

    tray.Menu().actions()[0]->trigger();
    EXPECT_EQ(std::tie(checkAll, show, quit), std::make_tuple(1, 0, 0));
    tray.Menu().actions()[1]->trigger();
    tray.Menu().actions()[3]->trigger();
    EXPECT_EQ(std::tie(checkAll, show, quit), std::make_tuple(1, 1, 1));
    emit tray.Icon().activated(QSystemTrayIcon::Trigger);
    emit tray.Icon().activated(QSystemTrayIcon::Context);  // opens the menu, not the window
    emit tray.Icon().messageClicked();
    EXPECT_EQ(show, 3);

    // A failing command is reported, not let out of the event handler.
    tray.SetOnCheckAll([] { throw EInOutError("Cannot write the settings file"); });
    tray.Menu().actions()[0]->trigger();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Cannot write the settings file"}));

    // Where the desktop has no notification area (as offscreen) the icon stays hidden and
    // the balloon is declined, so the caller knows nothing was shown.
    const bool available = QSystemTrayIcon::isSystemTrayAvailable();
    EXPECT_EQ(tray.Show(), available);
    EXPECT_EQ(tray.Visible(), available);
    EXPECT_EQ(tray.ShowMessage("2 new messages in work", "Ann: Hi"), available);
    tray.Hide();
    EXPECT_FALSE(tray.ShowMessage("2 new messages in work", "Ann: Hi"));
}

}  // namespace
