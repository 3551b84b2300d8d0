#include "session/SeenMessages.h"

#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"

#include <cstdint>
#include <iterator>
#include <sys/stat.h>

namespace {

// The first line of the file; a file without it was not written by us and is not trusted.
constexpr const char* kSignature = "Quillbox seen messages 1";
// Far more than the ids of any real mailbox; a bigger file is damage, not data.
constexpr off_t kMaxFileSize = 64 * 1024 * 1024;

std::string WithSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool IsStorableId(const std::string& id)
{
    if (id.empty()) return false;
    for (unsigned char c : id)
        if ((c < 32 && c != '\t') || c == 127) return false;
    return true;
}

// Header fields that mailbox software adds or rewrites once a message has been read or moved;
// hashing them would make an old message look new.
bool IsBookkeepingField(std::string_view line)
{
    static const char* const kNames[] = {"Status:", "X-Status:", "X-Keywords:", "X-UID:", "X-IMAP:",
                                         "X-IMAPbase:", "Content-Length:", "Lines:", "X-Mozilla-Status:",
                                         "X-Mozilla-Status2:"};
    for (const char* name : kNames) {
        std::string_view n(name);
        if (line.size() >= n.size() && SameText(line.substr(0, n.size()), n)) return true;
    }
    return false;
}

bool IsContinuation(const std::string& line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

bool EndsHeader(const std::string& line) { return line.empty() || line == "."; }

// The unfolded value of the first Message-ID field, trimmed; empty when there is none.
std::string MessageIdOf(const StringList& header)
{
    static constexpr std::string_view kName = "Message-ID:";
    for (size_t i = 0; i < header.size() && !EndsHeader(header[i]); ++i) {
        std::string_view line(header[i]);
        if (line.size() < kName.size() || !SameText(line.substr(0, kName.size()), kName)) continue;
        std::string value(line.substr(kName.size()));
        for (size_t j = i + 1; j < header.size() && IsContinuation(header[j]); ++j) value += " " + Trim(header[j]);
        return Trim(value);
    }
    return {};
}

uint64_t Fnv1a64(uint64_t hash, std::string_view bytes)
{
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string Hex64(uint64_t value)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[size_t(i)] = kDigits[value & 15];
    return text;
}

}  // namespace

void TSeenMessages::Load(const std::string& accountFolder, const char* fileName)
{
    path_ = WithSlash(accountFolder) + fileName;
    ordered_.clear();
    seen_.clear();
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) return;
    StringList lines;
    try {
        lines = platform::ReadLines(path_);
    } catch (const EInOutError&) {
        return;
    }
    if (lines.empty() || lines[0] != kSignature) return;
    for (size_t i = 1; i < lines.size(); ++i)
        if (!IsStorableId(lines[i])) return;  // damaged: trust none of it
    ordered_.assign(std::make_move_iterator(lines.begin() + 1), std::make_move_iterator(lines.end()));
    Index();
}

void TSeenMessages::Index()
{
    seen_.clear();
    seen_.reserve(ordered_.size());
    for (const std::string& id : ordered_) seen_.insert(id);
}

std::vector<bool> TSeenMessages::MarkNew(const std::vector<std::string>& idsInListOrder) const
{
    std::vector<bool> fresh;
    fresh.reserve(idsInListOrder.size());
    for (const std::string& id : idsInListOrder) fresh.push_back(IsNew(id));
    return fresh;
}

void TSeenMessages::Save(std::vector<std::string> idsOnServerNow) { Write(std::move(idsOnServerNow)); }

void TSeenMessages::SaveAdding(const std::vector<std::string>& idsListed)
{
    std::vector<std::string> all = ordered_;
    all.insert(all.end(), idsListed.begin(), idsListed.end());
    Write(std::move(all));
}

void TSeenMessages::SaveRemoving(const std::vector<std::string>& ids)
{
    const std::unordered_set<std::string_view> drop(ids.begin(), ids.end());
    std::vector<std::string> kept;
    for (const std::string& id : ordered_)
        if (!drop.count(id)) kept.push_back(id);
    if (kept.size() != ordered_.size()) Write(std::move(kept));
}

void TSeenMessages::Write(std::vector<std::string> ids)
{
    if (path_.empty()) throw EInOutError("Cannot write the seen messages: no account folder was given");
    std::string text = std::string(kSignature) + "\n";
    std::vector<bool> keep(ids.size());
    {
        std::unordered_set<std::string_view> kept;
        kept.reserve(ids.size());
        for (size_t i = 0; i < ids.size(); ++i) {
            // An id the file could not hold back would damage it; such a message stays new.
            keep[i] = IsStorableId(ids[i]) && kept.insert(ids[i]).second;
            if (keep[i]) text.append(ids[i]).push_back('\n');
        }
    }
    platform::ForceDirectories(path_.substr(0, path_.rfind('/') + 1));
    platform::WriteBytes(path_, text);
    size_t kept = 0;
    for (size_t i = 0; i < ids.size(); ++i)
        if (keep[i] && kept++ != i) ids[kept - 1] = std::move(ids[i]);
    ids.resize(kept);
    ordered_ = std::move(ids);
    Index();
}

std::string AccountFolder(const std::string& accName) { return platform::ProgramFolder() + accName + "/"; }

std::string FallbackId(const StringList& headerLines)
{
    std::string messageId = MessageIdOf(headerLines);
    if (!messageId.empty()) return "Message-ID " + messageId;
    uint64_t hash = 0xcbf29ce484222325ULL;
    bool skipping = false;
    for (const std::string& line : headerLines) {
        if (EndsHeader(line)) break;
        if (!IsContinuation(line)) skipping = IsBookkeepingField(line);
        if (skipping) continue;
        hash = Fnv1a64(hash, line);
        hash = Fnv1a64(hash, "\n");
    }
    return "Header-FNV1a64 " + Hex64(hash);
}
