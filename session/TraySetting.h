#pragma once
// "Keep running in the notification area": whether closing the main window hides it to the
// tray icon instead of ending the program. Stored as the integer "tray" (1 or 0) in the
// program's own key "Software\quillbox"; the accounts are keys below it, so no account name can
// reach this value.
#include <vector>

struct TScheduledAccount;

// The stored choice; when none was stored (or the value is damaged), on exactly when some
// account checks by itself, since those checks only help while the program runs.
bool LoadKeepInTray(bool anyTimedChecks);
bool LoadKeepInTray(const std::vector<TScheduledAccount>& accounts);
// Throws EInOutError when the settings file cannot be written.
void StoreKeepInTray(bool keep);

extern const char* const kTraySettingKey;
extern const char* const kTraySettingValue;
