// What a Received line says of the host that sent, in the forms the common servers write.
#include "filter/ReceivedHop.h"

#include <gtest/gtest.h>

namespace {

struct HopCase {
    const char* what;
    const char* line;  // lower case, unfolded, as the tokenizer passes it
    const char* helo;
    const char* rdns;
    const char* ip;
    const char* by;
    bool unknown, forged;
};

TEST(ReceivedHop, Forms)
{
    const HopCase cases[] = {
        {"sendmail", "from mail.example.org (smtp.example.org [192.0.2.7]) by mx.example.net (8.11.6/8.11.6) with esmtp id x; thu, 8 aug 2002 02:42:40 -0700",
         "mail.example.org", "smtp.example.org", "192.0.2.7", "mx.example.net", false, false},
        {"ident user before the name", "from lugh.tuatha.org (postfix@lugh.tuatha.org [194.125.145.45]) by dogma.slashnull.org",
         "lugh.tuatha.org", "lugh.tuatha.org", "194.125.145.45", "dogma.slashnull.org", false, false},
        {"no reverse name", "from sbsmail.example.pa ([216.201.75.12]) by\tmx.example.net with esmtp", "sbsmail.example.pa", "",
         "216.201.75.12", "mx.example.net", false, false},
        {"postfix unknown", "from 210.204.3.193 (unknown [210.204.3.193]) by lugh.tuatha.org (postfix) with smtp", "210.204.3.193", "",
         "210.204.3.193", "lugh.tuatha.org", true, false},
        {"may be forged", "from mail1.example.com (host66.example.com [65.217.159.66] (may be forged)) by mx.example.net",
         "mail1.example.com", "host66.example.com", "65.217.159.66", "mx.example.net", false, true},
        {"address literal as the name", "from [118.189.136.119] by smtp-server1.example.com with nnfmp; sep, 20 2002 7:09:49 pm -0300",
         "[118.189.136.119]", "", "118.189.136.119", "smtp-server1.example.com", false, false},
        {"qmail: looked-up name first, HELO inside", "from unknown (helo pc1) (203.0.113.9) by mail.example.com with smtp",
         "pc1", "", "203.0.113.9", "mail.example.com", true, false},
        {"exim: HELO after the address", "from host.example.net ([203.0.113.9] helo=pc1) by mail.example.com with esmtp", "pc1",
         "host.example.net", "203.0.113.9", "mail.example.com", false, false},
        {"a mailbox fetched", "from jalapeno [127.0.0.1] by localhost with imap (fetchmail-5.9.0) for jm@localhost (single-drop)",
         "jalapeno", "", "", "localhost", false, false},
        {"no from part", "by mail.example.com (postfix, from userid 1000) id 1234", "", "", "", "mail.example.com", false, false},
        {"unbalanced parentheses", "from a.example.org (b.example.org [192.0.2.1] by c", "a.example.org", "b.example.org", "192.0.2.1", "",
         false, false},
    };
    for (const HopCase& c : cases) {
        TReceivedHop hop = ParseReceivedHop(c.line);
        EXPECT_EQ(hop.helo, c.helo) << c.what;
        EXPECT_EQ(hop.rdns, c.rdns) << c.what;
        EXPECT_EQ(hop.ip, c.ip) << c.what;
        EXPECT_EQ(hop.by, c.by) << c.what;
        EXPECT_EQ(hop.unknownRdns, c.unknown) << c.what;
        EXPECT_EQ(hop.forged, c.forged) << c.what;
    }
    EXPECT_EQ(ParseReceivedHop("from a ([192.0.2.1]) by b; thu, 8 aug 2002 02:42:40 -0700").date, " thu, 8 aug 2002 02:42:40 -0700");
}

TEST(ReceivedHop, Domains)
{
    const std::pair<const char*, const char*> cases[] = {
        {"mx3.mail.example.co.uk", "example.co.uk"}, {"smtp.example.org", "example.org"}, {"example.org", "example.org"},
        {"a.b.example.com.br", "example.com.br"},   {"host.example.de", "example.de"},    {"localhost", "localhost"},
        {"example.org.", "example.org"},            {"co.uk", "co.uk"},                   {"", ""},
    };
    for (const auto& [host, domain] : cases) EXPECT_EQ(RegisteredDomain(host), domain) << host;
}

TEST(ReceivedHop, AddressKinds)
{
    for (const char* ip : {"10.1.2.3", "127.0.0.1", "192.168.0.188", "172.16.0.1", "172.31.255.255"}) EXPECT_TRUE(IsPrivateIPv4(ip)) << ip;
    for (const char* ip : {"172.32.0.1", "172.15.0.1", "192.169.0.1", "8.8.8.8", "10.1.2", "host.example"})
        EXPECT_FALSE(IsPrivateIPv4(ip)) << ip;

    const std::tuple<const char*, const char*, bool> names[] = {
        {"200-161-145-252.dsl.telesp.net.br", "200.161.145.252", true},
        {"pcp01234.cable.example.net", "198.51.100.4", true},
        {"host66.example.com", "65.217.159.66", false},
        {"adsl-65-42-1-7.example.net", "65.42.1.7", true},
        {"mail.example.org", "192.0.2.7", false},
        {"smtp4.example.com", "203.0.113.4", false},
        {"", "192.0.2.7", false},
    };
    for (const auto& [rdns, ip, dynamic] : names) EXPECT_EQ(LooksDynamic(rdns, ip), dynamic) << rdns;
}

}  // namespace
