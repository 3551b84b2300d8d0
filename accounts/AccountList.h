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
