#include "filter/TokenSource.h"

namespace {

constexpr uint64_t kHdr = TokenKind("hdr").seed, kSeq = TokenKind("seq").seed, kHops = TokenKind("hops").seed,
                   kOriginForm = TokenKind("originform").seed, kSkew = TokenKind("skew").seed,
                   kDateForm = TokenKind("dateform").seed;

// The marks a mailing list puts on what it passes on: its List-* fields, its software's, the
// bulk precedence and the list's own Sender and Errors-To addresses.
bool IsListMark(std::string_view kind)
{
    // Most kinds start otherwise: one byte decides for them.
    char first = kind.empty() ? '\0' : kind.front();
    if (first != 'v' && first != 's' && first != 'e') return false;
    return kind.starts_with("v:list-") || kind.starts_with("v:x-mailman") || kind == "v:x-beenthere" ||
           kind == "v:precedence" || kind.starts_with("sender") || kind.starts_with("errors-to");
}

}  // namespace

uint16_t TTokenSources::Next(const TTokenKind& kind)
{
    // Each field starts with its name ("hdr"), then the pair of it and the name before ("seq").
    if (kind.seed == kHdr) {
        if (++field_ >= kMaxSources) field_ = kFirstField;
        return kNames;
    }
    if (kind.seed == kSeq) return kNames;
    if (kind.seed == kHops || kind.seed == kOriginForm || kind.seed == kSkew || kind.seed == kDateForm) return kSummary;
    if (IsListMark(kind.name)) return kList;
    return static_cast<uint16_t>(field_);
}
