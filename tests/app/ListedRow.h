#pragma once
// A row of the message list as a check would make it, for tests that fill the list by hand.
#include "app/MailListModel.h"

#include <string>

inline TMailRow ListedRow(std::string from, std::string subject, std::string date = "", std::string size = "",
                          int mark = -1)
{
    TMailRow row;
    row.from = std::move(from);
    row.subject = std::move(subject);
    row.date = std::move(date);
    row.size = std::move(size);
    row.mark = mark;
    return row;
}
