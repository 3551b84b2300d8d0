#pragma once
// The account entries of the "Check Mail" drop-down. An entry's text is the account name with
// every "&" doubled, so the menu shows the name exactly instead of reading "&" as an access-key
// mark; the name itself is kept as the entry's data and is what a click must use.
#include <string>

class QAction;
class QMenu;

namespace accounts {

QAction* AppendAccountEntry(QMenu& menu, const std::string& accName, const std::string& objectName);
void SetEntryAccount(QAction& entry, const std::string& accName);
// The account an entry stands for.
std::string EntryAccount(const QAction& entry);

}  // namespace accounts
