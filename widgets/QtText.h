#pragma once
// The one crossing between the program's 8-bit text and Qt's strings. Text that is valid UTF-8
// (the system's code page) shows as such; any other byte string shows as Windows-1252, the rule
// of all displayed mail text (widgets/Charsets.h), so nothing becomes unreadable. Text typed by
// the user comes back as UTF-8.
#include <QString>

#include <string>
#include <string_view>

QString ToQ(std::string_view text);
std::string FromQ(const QString& text);
