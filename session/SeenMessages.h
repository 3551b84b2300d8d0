#pragma once
// Which messages of an account earlier checks have already listed, so that a check can tell the
// user about the new ones only. The unique ids live in a small file in the account's folder
// (beside the saved header files); it always holds exactly the ids on the server at the last
// complete check, so messages removed by another client drop out and the file cannot grow
// without bound.
#include "platform/Strings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Ids as the list holds them: views of texts that outlive the call.
using TIdList = std::vector<std::string_view>;

class TSeenMessages {
public:
    TSeenMessages() = default;
    // The index looks into the file's text: moving keeps it in place, copying would not.
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

    bool IsNew(std::string_view id) const;
    // For each id, in the order given, whether no earlier check saw it.
    std::vector<bool> MarkNew(const TIdList& idsInListOrder) const;

    // Rewrites the file (through a temporary file) to hold exactly these ids: those of every
    // message on the server now. Creates the folder when missing. Throws EInOutError.
    void Save(const TIdList& idsOnServerNow) { Write(idsOnServerNow); }
    // For a check that ended before it listed every message: adds the listed ids and keeps the
    // old ones, since the messages not reached may still be there. Throws EInOutError.
    void SaveAdding(const TIdList& idsListed);
    // Drops these ids; the file is written only when it held one of them. Throws EInOutError.
    void SaveRemoving(const TIdList& ids);

    size_t Count() const { return hashes_.size(); }
    const std::string& Path() const { return path_; }

private:
    // A big mailbox has tens of thousands of ids. Only a 64-bit hash of each is held, sorted
    // (two ids of one mailbox share one with a chance of about 1 in 10^10); the rare saves that
    // keep the old ids read them from the file again.
    void Write(const TIdList& ids);
    // Hands each of the file's ids to `use`; false when the file is missing, not ours or
    // damaged (the ids handed so far are then not to be trusted).
    bool ReadIds(const std::function<void(std::string_view)>& use) const;
    // The file's ids, a line each, when it is ours and undamaged; else empty.
    std::string ReadIdText() const;

    std::string path_;
    std::vector<uint64_t> hashes_;
};

// The account folder of an account: the program folder followed by the account name.
std::string AccountFolder(const std::string& accName);

// An id for a message on a server that offers no UIDL, from its header lines (as TOP n 0 gives
// them): "Message-ID " and the Message-ID when it has one, else "Header-FNV1a64 " and a 64-bit
// FNV-1a hash in hex of the header lines, leaving out those that mailbox software rewrites
// (Status, X-UID ...). Both contain a blank, which no UIDL may contain, so they never collide
// with a real one.
std::string FallbackId(const StringList& headerLines);
