#pragma once
// The program's icons, drawn in code so they scale cleanly and need no image files.
#include <QIcon>
#include <QPixmap>

namespace widgets {

// The 15 icons of the image list, at their fixed indexes: 0 rule mark, 1 check mail, 2 delete,
// 3 report a bug, 4 advertise, 5 comments, 6 questions, 7 other products, 8 new mail, 9 online
// help, 10 home page, 11 view message, 12 view source, 13 message rules, 14 accounts.
constexpr int kImageListCount = 15;
QIcon ImageListIcon(int index);

enum class ToolIcon { NewAccount, CheckMail, ViewMessage, ViewSource, Delete, Stop, NewRule };
// Toolbar icons; Stop has its own look when disabled.
QIcon ToolbarIcon(ToolIcon icon);

// The list's marks beside the rule's flag: likely spam, and a blocked sender.
QIcon SpamMarkIcon();
QIcon BlockedMarkIcon();

// The message window's "Save Attach" and "Save All".
QIcon SaveIcon();
QIcon SaveAllIcon();

// The application's icon (also installed as quillbox.svg for the desktop entry).
QIcon ApplicationIcon();

}  // namespace widgets
