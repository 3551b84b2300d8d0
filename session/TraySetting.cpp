#include "session/TraySetting.h"

#include "session/CheckSchedule.h"
#include "platform/Exception.h"
#include "platform/Registry.h"

#include <algorithm>

const char* const kTraySettingKey = "Software\\quillbox";
const char* const kTraySettingValue = "tray";

bool LoadKeepInTray(bool anyTimedChecks)
{
    platform::TRegistry reg;
    if (!reg.OpenKey(kTraySettingKey, false)) return anyTimedChecks;
    try {
        int32_t value = reg.ReadInteger(kTraySettingValue);
        if (value == 0 || value == 1) return value == 1;
    } catch (const ERegistryException&) {
    }
    return anyTimedChecks;
}

bool LoadKeepInTray(const std::vector<TScheduledAccount>& accounts)
{
    return LoadKeepInTray(
        std::any_of(accounts.begin(), accounts.end(), [](const TScheduledAccount& a) { return a.Interval > 0; }));
}

void StoreKeepInTray(bool keep)
{
    platform::TRegistry reg;
    if (!reg.OpenKey(kTraySettingKey, true)) throw EInOutError("Cannot open the settings key " + std::string(kTraySettingKey));
    reg.WriteInteger(kTraySettingValue, keep ? 1 : 0);
}
