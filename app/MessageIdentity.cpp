#include "MessageIdentity.h"

const char* const kMailboxChanged = "The mailbox has changed since the last check. Check mail again.";

namespace {

// The value of the first header line that starts with `name` (any letter case), trimmed.
std::string FieldOf(const StringList& header, const char* name)
{
    const std::string_view wanted(name);
    for (const std::string& line : header) {
        if (line.empty() || line == ".") break;  // the header ends at the blank line
        if (line.size() >= wanted.size() && SameText(std::string_view(line).substr(0, wanted.size()), wanted))
            return Trim(std::string_view(line).substr(wanted.size()));
    }
    return {};
}

bool SameHeader(const TMessageIdentity& a, const TMessageIdentity& b)
{
    if (!a.messageId.empty() || !b.messageId.empty()) return a.messageId == b.messageId;
    return a.from == b.from && a.date == b.date && a.subject == b.subject;
}

}  // namespace

TMessageIdentity IdentityOfHeader(const StringList& header)
{
    TMessageIdentity id;
    id.messageId = FieldOf(header, "Message-ID:");
    id.from = FieldOf(header, "From:");
    id.date = FieldOf(header, "Date:");
    id.subject = FieldOf(header, "Subject:");
    return id;
}

bool MailboxUnchanged(const std::vector<TListedMessage>& listed, const TIdentitySource& server)
{
    for (const TListedMessage& m : listed) {
        if (!m.identity->uidl.empty() ? server.UidlOf(m.number) != m.identity->uidl
                                     : !SameHeader(*m.identity, IdentityOfHeader(server.HeaderOf(m.number))))
            return false;
    }
    return true;
}
