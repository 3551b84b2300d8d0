#pragma once
// Each account keeps the header files of its last check and the ids it has seen in a folder of
// its own: the program's folder followed by the account name.
#include <string>

// The folder of the account, ending with '/'.
std::string AccountFolderPath(const std::string& accName);

// Removes the account's folder and everything in it, once the account itself is gone. Only a
// name that can be an account's (so none reaching outside the program's folder) and that is not
// the program's own MailBox folder, and only a real folder: a link of that name is left alone, as
// is a file, and links inside are removed, never followed. False when there was nothing to
// remove; throws EInOutError, with the system's reason, when the folder could not be removed.
bool RemoveAccountFolder(const std::string& accName);

// Gives a renamed account its folder under the new name, so its seen ids (and with them which
// messages are new) go along. Only as RemoveAccountFolder allows, and never over a folder or file
// the new name already has. False when nothing was moved; throws EInOutError when the move failed.
bool MoveAccountFolder(const std::string& oldName, const std::string& newName);
