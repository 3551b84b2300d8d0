#pragma once
// Which messages of an account earlier checks have already listed, so that a check can tell the
// user about the new ones only. The unique ids live in a small file in the account's folder
// (beside the saved header files); it always holds exactly the ids on the server at the last
// complete check, so messages removed by another client drop out and the file cannot grow
// without bound.
#include "platform/Strings.h"

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class TSeenMessages {
public:
    TSeenMessages() = default;
    // The set looks into the list's strings: moving keeps them in place, copying would not.
    TSeenMessages(const TSeenMessages&) = delete;
    TSeenMessages& operator=(const TSeenMessages&) = delete;
    TSeenMessages(TSeenMessages&&) = default;
    TSeenMessages& operator=(TSeenMessages&&) = default;

    // The file's name inside the account folder.
    static constexpr const char* kFileName = "seen.uid";
    // The same kind of file for the messages the user marked unread: drawn bold at every check
    // until he views them, though no check counts them as new mail.
    static constexpr const char* kUnreadFileName = "unread.uid";

    // Reads the ids of the account folder (ending with '/'). Never fails: a missing, damaged or
    // unreadable file counts as empty, so every message is new (the first check of an account
    // reports everything).
    void Load(const std::string& accountFolder, const char* fileName = kFileName);

    bool IsNew(const std::string& id) const { return seen_.count(id) == 0; }
    // For each id, in the order given, whether no earlier check saw it.
    std::vector<bool> MarkNew(const std::vector<std::string>& idsInListOrder) const;

    // Rewrites the file (through a temporary file) to hold exactly these ids: those of every
    // message on the server now. Creates the folder when missing. Throws EInOutError.
    void Save(std::vector<std::string> idsOnServerNow);
    // For a check that ended before it listed every message: adds the listed ids and keeps the
    // old ones, since the messages not reached may still be there. Throws EInOutError.
    void SaveAdding(const std::vector<std::string>& idsListed);
    // Drops these ids; the file is written only when it held one of them. Throws EInOutError.
    void SaveRemoving(const std::vector<std::string>& ids);

    size_t Count() const { return ordered_.size(); }
    const std::string& Path() const { return path_; }

private:
    // Ids are held once: a big mailbox has tens of thousands.
    void Write(std::vector<std::string> ids);
    void Index();

    std::string path_;
    std::vector<std::string> ordered_;  // as in the file
    std::unordered_set<std::string_view> seen_;  // views of ordered_
};

// The account folder of an account: the program folder followed by the account name.
std::string AccountFolder(const std::string& accName);

// An id for a message on a server that offers no UIDL, from its header lines (as TOP n 0 gives
// them): "Message-ID " and the Message-ID when it has one, else "Header-FNV1a64 " and a 64-bit
// FNV-1a hash in hex of the header lines, leaving out those that mailbox software rewrites
// (Status, X-UID ...). Both contain a blank, which no UIDL may contain, so they never collide
// with a real one.
std::string FallbackId(const StringList& headerLines);
