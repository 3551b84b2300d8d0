#pragma once
// The words the spam filter learns from: features of a message's header lines only. Each token
// has a kind (which field and which feature) and a text; the same text under two kinds is two
// tokens. Folded lines are unfolded and encoded words decoded before anything is cut into words;
// text is case-folded (ASCII).
//
// Kinds: "from" address, "fromdom" its domain, "fromname" display-name words, "fromshape";
// "subj" words, "subjshape" (caps, !!, $ ...), "subjcs" charsets of encoded words; "rcvd" hosts,
// "rcvdom" their last two labels, "ip" / "net" IPv4 address and /24, "ip6" / "net6" IPv6
// address and /48, "with" protocols, "hops" the Received count; "mid" Message-ID domain,
// "midshape"; "mailer" X-Mailer / User-Agent and "mailerw" its words; "ctype", "charset";
// "hdr" each header name present, "seq" each pair of consecutive names; "dateshape",
// "datezone"; "todom", "tocount" (and "ccdom" ...) of the addressees; "reply-todom",
// "return-pathdom" ... and "...samedom" against the From domain; "v:NAME" the first words of
// any other field not added on the way; "fromtld"; "entryform", "hopform" and "originform" how
// the first, every other and the last Received hop handed the mail on ("fqdn/same",
// "ip/unknown", "bare/dyn", "bare/none/lan" ...); "skew" the
// Date against the time of the first Received line, "dateform" a Date with no zone or one that
// does not exist; "datehour" (three-hour spans) and "dateday" (weekday / weekend) by the
// sender's own clock; "fromshape:name-in-address" / "name-apart"; "fromnamecase" how the
// display name is written (caps, lower, title, mixed). X-Spam fields are not read.
#include "filter/TokenHash.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A callable taken by reference, not owned: unlike std::function it allocates nothing for a
// lambda with several captures, and scoring builds one for every message.
class TTokenSink {
public:
    template <typename F>
    TTokenSink(const F& f) : target_(&f), call_([](const void* t, const TTokenKind& kind, std::string_view text) {
        (*static_cast<const F*>(t))(kind, text);
    })
    {
    }
    void operator()(const TTokenKind& kind, std::string_view text) const { call_(target_, kind, text); }

private:
    const void* target_;
    void (*call_)(const void*, const TTokenKind&, std::string_view);
};

// Feeds the tokens of `header` (text up to the first blank line; "\n" or "\r\n" line ends; a
// leading mbox "From " line is skipped) to `sink`, a token possibly more than once. Time is
// linear in the header's size and each field contributes a bounded number of tokens.
void ForEachHeaderToken(std::string_view header, const TTokenSink& sink);

// The tokens as "kind:text", in order of appearance, repeats kept (for tests and tracing).
std::vector<std::string> HeaderTokens(std::string_view header);

// The 64-bit hashes the store keeps, sorted, each once: a message counts a token once.
std::vector<uint64_t> HeaderTokenHashes(std::string_view header);

// The header part of a whole message: the lines before the first blank line.
std::string_view HeaderPart(std::string_view message);
