#pragma once
// Where attachments were saved last: both save dialogs open there, in this run and the next.
#include <string>

// The folder last saved to while it still exists; else the user's download folder, else home.
std::string StartFolderForSaving();
// Kept in the program's own settings key (beside the window's layout, not among the accounts).
void RememberSaveFolder(const std::string& folder);
