#include "session/SeenMessages.h"

#include "platform/Exception.h"
#include "platform/Folders.h"
#include "platform/TextFile.h"

#include <cstdint>
#include <algorithm>
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

bool IsStorableId(std::string_view id)
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

uint64_t HashOfId(std::string_view id) { return Fnv1a64(0xcbf29ce484222325ULL, id); }

// Each line of a text in which every line ends with '\n'.
template <class Use>
void ForEachLine(std::string_view text, Use use)
{
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        use(text.substr(at, end - at));
        at = end + 1;
    }
}

TIdList LinesOf(std::string_view text)
{
    TIdList lines;
    lines.reserve(size_t(std::count(text.begin(), text.end(), '\n')));
    ForEachLine(text, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

std::vector<uint64_t> Sorted(std::vector<uint64_t> hashes)
{
    std::sort(hashes.begin(), hashes.end());
    hashes.erase(std::unique(hashes.begin(), hashes.end()), hashes.end());
    return hashes;
}

}  // namespace

bool TSeenMessages::ReadIds(const std::function<void(std::string_view)>& use) const
{
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) return false;
    bool ours = false, damaged = false;
    try {
        platform::ForEachFileLine(path_, [&](std::string_view line) {
            if (damaged) return;
            if (!ours) {
                ours = line == kSignature;
                damaged = !ours;
            } else if (IsStorableId(line)) {
                use(line);
            } else {
                damaged = true;
            }
        });
    } catch (const EInOutError&) {
        return false;
    }
    return ours && !damaged;
}

std::string TSeenMessages::ReadIdText() const
{
    std::string text;
    if (!ReadIds([&](std::string_view id) { text.append(id).push_back('\n'); })) return {};  // trust none of it
    return text;
}

void TSeenMessages::Load(const std::string& accountFolder, const char* fileName)
{
    path_ = WithSlash(accountFolder) + fileName;
    std::vector<uint64_t> hashes;
    if (!ReadIds([&](std::string_view id) { hashes.push_back(HashOfId(id)); })) hashes.clear();
    hashes_ = Sorted(std::move(hashes));
}

bool TSeenMessages::IsNew(std::string_view id) const
{
    return !std::binary_search(hashes_.begin(), hashes_.end(), HashOfId(id));
}

std::vector<bool> TSeenMessages::MarkNew(const TIdList& idsInListOrder) const
{
    std::vector<bool> fresh;
    fresh.reserve(idsInListOrder.size());
    for (std::string_view id : idsInListOrder) fresh.push_back(IsNew(id));
    return fresh;
}

void TSeenMessages::SaveAdding(const TIdList& idsListed)
{
    const std::string text = ReadIdText();
    TIdList all = LinesOf(text);
    all.insert(all.end(), idsListed.begin(), idsListed.end());
    Write(all);
}

void TSeenMessages::SaveRemoving(const TIdList& ids)
{
    const std::string text = ReadIdText();
    const TIdList old = LinesOf(text);
    TIdList kept;
    for (std::string_view id : old)
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) kept.push_back(id);
    if (kept.size() != old.size()) Write(kept);
}

void TSeenMessages::Write(const TIdList& ids)
{
    if (path_.empty()) throw EInOutError("Cannot write the seen messages: no account folder was given");
    // Each id once, where it first comes; an id the file could not hold back would damage it,
    // so such a message stays new.
    std::vector<uint32_t> order(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) order[i] = uint32_t(i);
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return ids[a] < ids[b]; });
    std::vector<bool> keep(ids.size());
    for (size_t k = 0; k < order.size(); ++k) {
        const std::string_view id = ids[order[k]];
        keep[order[k]] = IsStorableId(id) && (k == 0 || ids[order[k - 1]] != id);
    }
    std::vector<uint64_t> hashes;
    hashes.reserve(ids.size());
    platform::ForceDirectories(path_.substr(0, path_.rfind('/') + 1));
    // Written as it is made: a big mailbox's ids would otherwise be held twice.
    platform::TReplacingFile file(path_);
    file.Write(kSignature);
    file.Write("\n");
    for (size_t i = 0; i < ids.size(); ++i)
        if (keep[i]) {
            file.Write(ids[i]);
            file.Write("\n");
            hashes.push_back(HashOfId(ids[i]));
        }
    file.Commit();
    hashes_ = Sorted(std::move(hashes));
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
