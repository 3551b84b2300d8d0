#include "filter/TokenSource.h"

namespace {

constexpr uint64_t kHdr = TokenKind("hdr").seed, kSeq = TokenKind("seq").seed, kHops = TokenKind("hops").seed,
                   kOriginForm = TokenKind("originform").seed, kSkew = TokenKind("skew").seed,
                   kDateForm = TokenKind("dateform").seed;

}  // namespace

uint16_t TTokenSources::Next(const TTokenKind& kind)
{
    // Each field starts with its name ("hdr"), then the pair of it and the name before ("seq").
    if (kind.seed == kHdr) {
        if (++field_ >= kMaxSources) field_ = kFirstField;
        return kNames;
    }
    if (kind.seed == kSeq) return kNames;
    if (kind.seed == kHops || kind.seed == kOriginForm || kind.seed == kSkew ||
        kind.seed == kDateForm)
        return kSummary;
    if (kind.name.starts_with("v:list-")) return kList;
    return static_cast<uint16_t>(field_);
}
