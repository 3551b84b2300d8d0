#pragma once
// The structure of one Received line: who the sending host said it was (HELO), what its
// address resolved to, its address, and which host took the mail. Spam from a relay never seen
// still has a shape that was: a dial-up address, a HELO that names another domain, no reverse
// name at all.
#include <string_view>

struct TReceivedHop {
    std::string_view helo;  // the word after "from" ("[1.2.3.4]" when a literal)
    std::string_view rdns;  // the name the receiver looked the address up to, if it says
    std::string_view ip;    // the sending host's IPv4 address, if given
    std::string_view by;    // the host that received
    std::string_view date;  // after the last ";"
    bool unknownRdns = false;  // the receiver wrote "unknown": the address has no name
    bool forged = false;       // "may be forged": the name does not resolve back
};

// `value` is the unfolded field value, ASCII lower case.
TReceivedHop ParseReceivedHop(std::string_view value);

// The domain a host or address belongs to: "mx3.mail.example.co.uk" gives "example.co.uk",
// "smtp.example.org" "example.org". A two-letter top-level domain under a label of up to three
// letters ("co.uk", "ne.jp", "com.br") takes three labels.
std::string_view RegisteredDomain(std::string_view host);

// "10.x", "172.16-31.x", "192.168.x", "127.x": an address no outside host sends from.
bool IsPrivateIPv4(std::string_view ip);
// Four dot-separated numbers of at most 255: 192.0.2.1.
bool IsIPv4(std::string_view s);

// A reverse name made from its address, as access providers name their dial-up and DSL lines:
// "200-161-145-252.dsl.telesp.net.br", "pcp01234.cable.example.net"; one of its numbers alone
// ("host66.example.com") is not enough.
bool LooksDynamic(std::string_view rdns, std::string_view ip);
