#pragma once
// A row of the message list as a check would make it, for tests that fill the list by hand.
#include "app/MailListModel.h"

#include <string>

inline TMailRow ListedRow(std::string from, std::string subject, std::string date = "", int64_t octets = 0,
                          int mark = -1)
{
    TMailRow row;
    row.SetFrom(from);
    row.SetSubject(subject);
    row.SetDate(date);
    row.octets = octets;
    row.mark = int8_t(mark);
    return row;
}
