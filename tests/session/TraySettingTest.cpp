// "Keep running in the notification area": stored choice, and the default without one.
#include "session/CheckSchedule.h"
#include "session/TraySetting.h"
#include "platform/Registry.h"
#include "TempHome.h"

#include <gtest/gtest.h>

TEST(TraySetting, TheStoredChoiceWinsAndWithoutOneTimedChecksDecide)
{
    TempHome home;
    const std::vector<TScheduledAccount> timed = {{"a", 0, true}, {"b", 15, false}};
    const std::vector<TScheduledAccount> untimed = {{"a", 0, true}};
    EXPECT_TRUE(LoadKeepInTray(timed));
    EXPECT_FALSE(LoadKeepInTray(untimed));
    EXPECT_FALSE(LoadKeepInTray(std::vector<TScheduledAccount>{}));

    StoreKeepInTray(false);
    EXPECT_FALSE(LoadKeepInTray(timed));
    StoreKeepInTray(true);
    EXPECT_TRUE(LoadKeepInTray(untimed));
    {
        // The program's own key, which no account's key can be.
        platform::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("software\\quillbox", false));
        EXPECT_EQ(reg.ReadInteger("tray"), 1);
        // Damage: a text, or a number that is no choice, reads as no choice.
        reg.WriteString("tray", "yes");
    }
    EXPECT_FALSE(LoadKeepInTray(untimed));
    {
        platform::TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("software\\quillbox", false));
        reg.WriteInteger("tray", 7);
    }
    EXPECT_TRUE(LoadKeepInTray(timed));
    EXPECT_FALSE(LoadKeepInTray(untimed));
}
