// The tokenizer on the header forms that matter: encoded and folded text, address forms, huge
// and binary input.
#include "filter/EncodedWords.h"
#include "filter/HeaderTokens.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

bool Has(const std::vector<std::string>& tokens, const std::string& token)
{
    return std::find(tokens.begin(), tokens.end(), token) != tokens.end();
}

// A literal with its NUL bytes.
template <size_t N>
std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

struct TokenCase {
    const char* what;
    std::string header;
    std::vector<std::string> present, absent;
};

TEST(HeaderTokens, Cases)
{
    const TokenCase cases[] = {
        {"Q-encoded subject, decoded to UTF-8 before the words are cut",
         "Subject: =?iso-8859-1?Q?Caf=E9_CHEAP?=\n",
         {"subj:caf\xc3\xa9", "subj:cheap", "subjcs:iso-8859-1"}, {"subj:e9_cheap", "subj:iso"}},
        {"B-encoded subject", "Subject: =?UTF-8?B?R3LDvMOfZQ==?= now\n", {"subj:gr\xc3\xbc\xc3\x9f" "e", "subj:now"}, {"subj:r3ldvmofzq"}},
        {"blanks between encoded words go", "Subject: =?utf-8?q?free?=  =?utf-8?q?money?=\n", {"subj:freemoney"}, {"subj:free"}},
        {"a charset iconv does not know keeps the bytes", "Subject: =?x-unknown?Q?caf=E9?=\n", {"subj:caf\xe9"}, {}},
        {"malformed encoded word stays as written", "Subject: =?utf-8?X?abc?=\n", {"subj:utf", "subj:abc"}, {}},
        {"folded subject and display name",
         "From: \"Ann\n Example\" <Ann@Example.ORG>\nSubject: cheap\n\t pills now\n",
         {"from:ann@example.org", "fromdom:example.org", "fromtld:org", "fromname:example", "subj:pills", "fromshape:quoted"}, {}},
        {"encoded display name", "From: =?utf-8?q?J=C3=BCrgen?= <j@x.de>\n", {"fromname:j\xc3\xbcrgen", "from:j@x.de"}, {}},
        {"bare address", "From: promo@deals.example\n", {"from:promo@deals.example", "fromshape:noname"}, {}},
        {"Received with IPv6, IPv4 and a folded continuation",
         "Received: from mail.Example.org ([IPv6:2001:DB8::1]) by\n mx.example.net ([192.0.2.7]) (8.12.3/8.12.3) (3.31-va-mm2) with ESMTPS id x;\n Thu, 8 Aug 2002 13:18:21 +0100\n",
         {"ip6:2001:db8::1", "net6:2001:db8::", "rcvd:mail.example.org", "rcvdom:example.org", "rcvd:mx.example.net", "ip:192.0.2.7",
          "net:192.0.2", "net16:192.0", "net8:192", "with:esmtps", "hops:1"},
         {"ip:192.0.2", "ip6:13:18:21", "rcvd:8.12.3/3.31-va-mm2", "rcvdom:3.31-va-mm2"}},
        {"subject shapes", "Subject: FREE MONEY!!! $$$\n", {"subjshape:caps", "subjshape:!!", "subjshape:$$", "subj:free"}, {"subjshape:!"}},
        {"Message-ID domain and shape", "Message-ID: <20020822.A1b@Mail.Example.com>\n", {"mid:mail.example.com", "midshape:<9.A9a"}, {"mid:none"}},
        {"mbox From line and CRLF; the body is not read",
         "From x@y Thu Aug 22 2002\r\nX-Mailer: Foo Mail 2.0\r\n\r\nSubject: body\r\n",
         {"mailer:foo mail 2.0", "mailerw:foo", "hdr:x-mailer", "subjshape:none", "mid:none"}, {"hdr:subject", "hdr:from x@y thu aug 22 2002"}},
        {"the user's own mail system's stamps: the names count, the values do not",
         "Delivery-Date: Thu, 22 Aug 2002 13:00:00 +0100\nX-Virus-Scanned: by amavisd-milter\nX-Keywords: work\nDelivered-To: me@example.net\n",
         {"hdr:delivery-date", "hdr:x-virus-scanned", "hdr:x-keywords", "hdr:delivered-to"},
         {"v:delivery-date:thu", "v:x-virus-scanned:amavisd", "v:x-keywords:work", "v:delivered-to:me"}},
        {"a date in another field counts by its name, other values by their words",
         "X-Original-Date: Wed, 21 Aug 2002 10:00:00 +0100\nX-Plan: Wed 21 Aug\n",
         {"hdr:x-original-date", "v:x-plan:wed", "v:x-plan:aug"}, {"v:x-original-date:wed", "v:x-original-date:aug"}},
        {"content type and charset", "Content-Type: text/plain; charset=\"ISO-8859-1\"\n", {"ctype:text/plain", "charset:iso-8859-1"}, {}},
        {"names and their order", "From: a@b.c\nTo: d@e.f, g@e.f\n", {"hdr:from", "hdr:to", "seq:>from", "seq:from>to", "todom:e.f", "tocount:2"}, {}},
        {"how each hop handed the mail on: the first one, the others and the last",
         "Received: from mx.example.org (mx.example.org [192.0.2.1]) by in.example.net; Thu, 8 Aug 2002 10:00:00 +0000\n"
         "Received: from 210.204.3.193 (unknown [210.204.3.193]) by mx.example.org\n"
         "Received: from pc1 (200-161-145-252.dsl.example.br [200.161.145.252]) by a.example.com\n"
         "Received: from hewlett ([192.168.0.188]) by b.example.com\n",
         {"entryform:fqdn/same", "hopform:ip/unknown", "hopform:bare/dyn", "hopform:bare/none/lan", "originform:bare/none/lan", "hops:4"},
         {"entryform:ip/unknown", "rcvd:hewlett", "net16:192.168"}},
        {"a Date in time", "Received: from a ([192.0.2.1]) by b; Thu, 8 Aug 2002 10:03:00 +0100\nDate: Thu, 8 Aug 2002 09:01:00 +0000\n",
         {"skew:ok"}, {"skew:whole-hours", "dateform:nozone", "dateform:badzone"}},
        {"a Date in the wrong zone", "Received: from a ([192.0.2.1]) by b; Thu, 8 Aug 2002 10:03:00 +0000\nDate: Thu, 8 Aug 2002 07:02:00 +0000\n",
         {"skew:late-hours", "skew:whole-hours"}, {"skew:ok"}},
        {"a Date days ahead, in a zone that does not exist",
         "Received: from a ([192.0.2.1]) by b; Thu, 8 Aug 2002 10:00:00 +0000\nDate: Mon, 12 Aug 2002 07:14:49 -1600\n",
         {"skew:ahead-days", "dateform:badzone"}, {}},
        {"a Date that cannot be read", "Date: sometime\n", {"skew:unreadable"}, {"skew:ok"}},
        {"a Date with no Received line", "Date: Thu, 8 Aug 2002 10:00\n", {"dateform:nozone"}, {"skew:ok", "skew:unreadable"}},
        {"the name written in the address", "From: Ann Example <ann.example@example.org>\n", {"fromshape:name-in-address"}, {"fromshape:name-apart"}},
        {"a name apart from the address", "From: Ann Example <xk7@example.org>\n", {"fromshape:name-apart"}, {"fromshape:name-in-address"}},
        {"how the name is written", "From: ANN EXAMPLE <a@b.c>\nTo: x@y.z\n", {"fromnamecase:caps"}, {"fromnamecase:title"}},
        {"a name in lower case", "From: ann example <a@b.c>\n", {"fromnamecase:lower"}, {"fromnamecase:mixed"}},
        {"a name mixed", "From: \"ann Example\" <a@b.c>\n", {"fromnamecase:mixed"}, {"fromnamecase:title"}},
        {"no name, no case", "From: a@b.c\n", {"fromshape:noname"}, {"fromnamecase:lower", "fromnamecase:caps"}},
        {"the hour by the sender's clock, not UTC: Saturday night in New York is Sunday in UTC",
         "Date: Sat, 31 Dec 2022 23:30:00 -0500\n", {"datehour:21-23", "dateday:weekend"}, {"datehour:3-5"}},
        {"a zone east of UTC moves the day forward", "Date: Sun, 1 Jan 2023 01:00:00 +1400\n", {"datehour:0-2", "dateday:weekend"}, {}},
        {"before 1970", "Date: Wed, 31 Dec 1969 12:00:00 +0000\n", {"datehour:12-14", "dateday:weekday"}, {}},
        {"an unreadable Date gives no hour", "Date: soon\n", {"skew:unreadable"}, {"dateday:weekday", "dateday:weekend"}},
        {"another filter's verdict is not read", "X-Spam-Status: Yes, hits=9\nX-Spam: spam\nSubject: hi\n",
         {"seq:>subject"}, {"hdr:x-spam-status", "hdr:x-spam", "v:x-spam:spam"}},
    };
    for (const TokenCase& c : cases) {
        std::vector<std::string> tokens = HeaderTokens(c.header);
        for (const std::string& t : c.present) EXPECT_TRUE(Has(tokens, t)) << c.what << ": missing " << t;
        for (const std::string& t : c.absent) EXPECT_FALSE(Has(tokens, t)) << c.what << ": unexpected " << t;
    }
}

TEST(HeaderTokens, AMegabyteLineGivesABoundedNumberOfTokens)
{
    std::string words;
    while (words.size() < (1u << 20)) words += "word" + std::to_string(words.size() % 9973) + " ";
    for (const char* field : {"Subject: ", "Received: from ", "X-Junk: "}) {
        std::string header = field + words + "\nFrom: a@b.c\n";
        std::vector<std::string> tokens = HeaderTokens(header);
        EXPECT_LT(tokens.size(), 200u) << field;
        EXPECT_TRUE(Has(tokens, "from:a@b.c")) << field;  // the field after it is still read
    }
    // and a megabyte of continuation lines
    std::string folded = "Subject: start\n";
    while (folded.size() < (1u << 20)) folded += " more words\n";
    EXPECT_LT(HeaderTokens(folded).size(), 200u);
}

TEST(HeaderTokens, BinaryBytes)
{
    std::string header = Bytes("Subject: a\0b \xff\xfe caf\x80 =?utf-8?B?");
    header += Bytes("\nFrom: \0<x@\x01y>\n=?\n");
    for (int c = 0; c < 256; ++c) header += static_cast<char>(c == '\n' ? ' ' : c);
    std::vector<std::string> tokens = HeaderTokens(header);
    EXPECT_TRUE(Has(tokens, "hdr:subject"));
    EXPECT_TRUE(Has(tokens, "hdr:from"));
    EXPECT_FALSE(HeaderTokenHashes(header).empty());
}

TEST(HeaderTokens, HashesAreUniqueAndSorted)
{
    std::vector<uint64_t> h = HeaderTokenHashes("Received: from a.b.c\nReceived: from a.b.c\nSubject: x x yy yy\n");
    EXPECT_TRUE(std::is_sorted(h.begin(), h.end()));
    EXPECT_EQ(std::adjacent_find(h.begin(), h.end()), h.end());
    EXPECT_NE(TokenHash("subj", "free"), TokenHash("from", "free"));  // the kind is part of the token
}

// Every token of a header with the common fields, in order: scoring must not change what it
// reads when the tokenizer is reworked for speed.
TEST(HeaderTokens, ARepresentativeHeaderGivesExactlyTheseTokens)
{
    const char* header =
        "Return-Path: <bounce@lists.example.org>\n"
        "Received: from mx.example.org (mx.example.org [192.0.2.1])\n\tby in.example.net (Postfix) with ESMTP id 1A2B3C\n"
        "\tfor <me@example.net>; Thu, 8 Aug 2002 10:05:00 +0100\n"
        "Received: from pc7 (200-161-145-252.dsl.example.br [200.161.145.252]) by mx.example.org with SMTP; Thu, 8 Aug 2002 09:04:00 -0000\n"
        "From: \"Ann Example\" <Ann.Example@Example.ORG>\n"
        "To: me@example.net, You <you@Other.example>\n"
        "Cc: undisclosed-recipients:;\n"
        "Subject: =?iso-8859-1?Q?Caf=E9_OFFER?= now!!\n"
        "Date: Thu, 8 Aug 2002 09:03:59 +0000\n"
        "Message-ID: <20020808.A1b2@Mail.Example.org>\n"
        "X-Mailer: Microsoft Outlook Express 6.00.2600.0000\n"
        "MIME-Version: 1.0\n"
        "Content-Type: text/plain; charset=\"ISO-8859-1\"\n"
        "X-Priority: 3 (Normal)\n"
        "List-Id: Example list <list.example.org>\n"
        "\n";
    const std::vector<std::string> expected = {
        "hdr:return-path", "seq:>return-path", "return-pathdom:lists.example.org", "return-pathsamedom:nofrom",
        "hdr:received", "seq:return-path>received", "entryform:fqdn/same", "rcvd:mx.example.org",
        "rcvdom:example.org", "rcvd:mx.example.org", "rcvdom:example.org", "ip:192.0.2.1",
        "net:192.0.2", "net16:192.0", "net8:192", "rcvd:in.example.net", "rcvdom:example.net",
        "with:esmtp", "hdr:received", "seq:received>received", "hopform:bare/dyn",
        "rcvd:200-161-145-252.dsl.example.br", "rcvdom:example.br", "ip:200.161.145.252", "net:200.161.145",
        "net16:200.161", "net8:200",
        "rcvd:mx.example.org", "rcvdom:example.org", "with:smtp", "hdr:from",
        "seq:received>from", "from:ann.example@example.org", "fromdom:example.org", "fromtld:org",
        "fromshape:local:a.a", "fromnamecase:title", "fromshape:quoted", "fromname:ann", "fromname:example",
        "fromshape:name-in-address", "hdr:to", "seq:from>to", "todom:example.net",
        "todom:other.example", "tocount:2", "hdr:cc", "seq:to>cc",
        "cccount:0", "ccshape:a-a", "hdr:subject", "seq:cc>subject",
        "subjcs:iso-8859-1", "subjshape:!!", "subj:caf\xc3\xa9", "subj:offer",
        "subj:now", "hdr:date", "seq:subject>date", "dateshape:Aa, 9 Aa 9 9:9:9 +9",
        "datezone:+0000", "datehour:9-11", "dateday:weekday", "hdr:message-id", "seq:date>message-id", "mid:mail.example.org",
        "midshape:<9.A9a9", "hdr:x-mailer", "seq:message-id>x-mailer", "mailer:microsoft outlook express 6.00.2600.0000",
        "mailerw:microsoft", "mailerw:outlook", "mailerw:express", "mailerw:00",
        "mailerw:2600", "mailerw:0000", "hdr:mime-version", "seq:x-mailer>mime-version",
        "hdr:content-type", "seq:mime-version>content-type", "ctype:text/plain", "charset:iso-8859-1",
        "hdr:x-priority", "seq:content-type>x-priority", "v:x-priority:normal", "hdr:list-id",
        "seq:x-priority>list-id", "v:list-id:example", "v:list-id:list", "v:list-id:list",
        "hops:2", "originform:bare/dyn", "skew:ok"
    };
    EXPECT_EQ(HeaderTokens(header), expected);
}

// The store keeps these hashes: a faster hash must give the same values or every trained
// database would be lost.
TEST(HeaderTokens, HashesStayWhatStoredDatabasesHold)
{
    const struct {
        const char* kind;
        const char* text;
        uint64_t hash;
    } cases[] = {
        {"from", "ann.example@example.org", 0xa029d385202dad17ull},
        {"hdr", "received", 0x78b8d22c41052f83ull},
        {"subj", "a-rather-long-subject-word-of-40-bytes", 0x96c0963c2269ece0ull},
        {"ip", "", 0x193773ffb9a6f908ull},
    };
    for (const auto& c : cases) EXPECT_EQ(TokenHash(c.kind, c.text), c.hash) << c.kind << ":" << c.text;
    // the fixed kinds are hashed by the compiler, on another path
    static_assert(TokenHash("hdr", "received") == 0x78b8d22c41052f83ull);
    static_assert(TokenHash("subj", "a-rather-long-subject-word-of-40-bytes") == 0x96c0963c2269ece0ull);
}

TEST(HeaderTokens, HeaderPart)
{
    EXPECT_EQ(HeaderPart("A: 1\nB: 2\n\nbody\n"), "A: 1\nB: 2\n");
    EXPECT_EQ(HeaderPart("A: 1\r\n\r\nbody"), "A: 1\r\n");
    EXPECT_EQ(HeaderPart("A: 1\nno blank line"), "A: 1\nno blank line");
    EXPECT_EQ(HeaderPart("\nbody"), "");
}

}  // namespace
