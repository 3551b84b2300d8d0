#pragma once
// A message is addressed on the server by its number, and numbers shift when another program
// fetches or deletes mail. Before anything is deleted, each listed message is confirmed to be
// still the one at its number: by its unique id (UIDL) when the server gave one at the check,
// else by its header (Message-ID when it has one, else From, Date and Subject).
#include "platform/Strings.h"

#include <functional>
#include <string>
#include <vector>

struct TMessageIdentity {
    std::string uidl;  // empty when the server offers no UIDL
    // "Message-ID " and the Message-ID when the header has one, else "From " and the From,
    // Date and Subject values, one per line: equal keys are the same message. One string, as
    // a big list keeps one identity per row.
    std::string headerKey;
};

// The identity of header lines (as TOP n 0 gives them); the uidl stays empty.
TMessageIdentity IdentityOfHeader(const StringList& header);

// How the server tells what is at a number now.
struct TIdentitySource {
    std::function<std::string(int number)> UidlOf;        // the unique id, empty when refused
    std::function<StringList(int number)> HeaderOf;       // the header lines of TOP n 0
};

struct TListedMessage {
    int number = 0;
    TMessageIdentity identity;
};

// True when every listed message is still the one at its number.
bool MailboxUnchanged(const std::vector<TListedMessage>& listed, const TIdentitySource& server);

extern const char* const kMailboxChanged;
