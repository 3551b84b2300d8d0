#pragma once
// The mailboxes of the check-speed benchmark: messages of about 3 KB with a realistic header,
// written straight into the server's maildir.
#include <string>

class Dovecot;

// Message n: about 750 octets of header (trace lines, addresses, MIME fields), a text body
// bringing it to 2.9 to 3.1 KB.
std::string CheckSpeedMessage(int n);
// A user `user` with `count` such messages; returns the octets written.
long long FillMailbox(Dovecot& server, const std::string& user, const std::string& password, int count);
