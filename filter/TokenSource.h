#pragma once
// Which source a header token comes from, for scoring: the tokens of one source are views of
// one fact (a relay gives its host, domain, address, network and hop form; a mailing list its
// List-* fields), so a score that counts them as independent evidence lets one source decide
// alone. Sources: each field as it comes (each Received line its own), the header's names and
// their order, the whole header's summary (hop count, the last hop's form, the Date's skew),
// and a mailing list's marks together (List-*, X-Mailman-*, X-BeenThere, Precedence, Sender,
// Errors-To). The tokens the tokenizer adds at the end for a missing Subject, Message-ID or
// From count with the last field.
#include "filter/TokenHash.h"

#include <cstdint>

// Fed the tokens in the order ForEachHeaderToken gives them; tells each one's source. A header
// has at most a few hundred fields, and the numbers wrap past kMaxSources: two far-apart fields
// may then share a number, which only makes the cap apply to them together.
class TTokenSources {
public:
    static constexpr unsigned kMaxSources = 256;
    static constexpr uint16_t kNames = 0, kSummary = 1, kList = 2, kFirstField = 3;

    uint16_t Next(const TTokenKind& kind);

private:
    unsigned field_ = kFirstField - 1;
};
