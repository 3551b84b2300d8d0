#include "session/MessageIdentity.h"

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

}  // namespace

TMessageIdentity IdentityOfHeader(const StringList& header)
{
    TMessageIdentity id;
    if (std::string messageId = FieldOf(header, "Message-ID:"); !messageId.empty())
        id.headerKey = "Message-ID " + messageId;
    else
        id.headerKey = "From " + FieldOf(header, "From:") + "\n" + FieldOf(header, "Date:") + "\n" +
                       FieldOf(header, "Subject:");
    return id;
}

bool MailboxUnchanged(const std::vector<TListedMessage>& listed, const TIdentitySource& server)
{
    for (const TListedMessage& m : listed) {
        if (!m.identity.uidl.empty() ? server.UidlOf(m.number) != m.identity.uidl
                                    : IdentityOfHeader(server.HeaderOf(m.number)).headerKey != m.identity.headerKey)
            return false;
    }
    return true;
}
