#pragma once
// acc.dat in the program's folder: one line per account, "name;  server", every line ended by
// CR LF, written whole. Only the text before the first ";" is ever read back.
#include "platform/Strings.h"

#include <string>

std::string AccListPath();

// The lines of acc.dat; empty when there is no such file. Throws EInOutError when it exists but
// cannot be read.
StringList ReadAccList();
// Replaces acc.dat by `lines`; an empty list gives an empty file. Throws EInOutError, and then
// the previous file is left as it was.
void WriteAccList(const StringList& lines);

// The account name of an acc.dat line: the text before its first ";", or empty when it has none.
std::string Get_MailAcc_Name(const std::string& line);
// The line for an account: name, ";", two blanks, server.
std::string AccListLine(const std::string& name, const std::string& server);

// The names an account may not take: every listed name but, for the account on line `edited`
// (-1 for a new account), its own name in any letter case, since that addresses its own key.
StringList TakenAccountNames(const StringList& lines, int edited = -1);
// Whether a line other than `except` names `name` in any letter case. Such a line shares the
// account's key (older lists may hold a name twice), so the key must outlive the other line.
bool IsNamedElsewhere(const StringList& lines, const std::string& name, int except);
