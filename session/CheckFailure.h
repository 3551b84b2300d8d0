#pragma once
// Why a mail check failed, in words a user can act on, and the box that says so: the
// familiar first line, then the account, its server and the reason.
#include <exception>
#include <string>
#include <vector>

struct TCheckFailure {
    std::string account;
    std::string server;
    int port = 0;
    std::string reason;  // "the server refused the user name or password: ..."
};

// The reason behind a failed check. `socketError` is the mailbox client's last socket error
// number (0: none), `timeOutSeconds` the wait the client allows.
std::string CheckFailureReason(const std::exception& e, int socketError, int timeOutSeconds);

// "Failed to connect to the mail server." and below it the account, the server and the reason.
std::string CheckFailureText(const TCheckFailure& failure);

// One box for the failures of a run of checks (Check All Accounts): each account on a line.
std::string CheckFailuresText(const std::vector<TCheckFailure>& failures);
