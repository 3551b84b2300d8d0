// Which source each header token is counted under: one per field (each Received line its own),
// the names and their order together, the header's summary together, a mailing list's marks
// together.
#include "filter/HeaderTokens.h"
#include "filter/SortedHashes.h"
#include "filter/TokenSource.h"

#include <gtest/gtest.h>

#include <map>

namespace {

const char* const kHeader =
    "Received: from a.relay.test (a.relay.test [10.0.0.1]) by mx.home.test\n"
    "Received: from b.other.test (b.other.test [192.0.2.7]) by a.relay.test\n"
    "From: Ann <ann@example.test>\n"
    "List-Id: <talk.lists.test>\n"
    "Subject: hello there\n"
    "List-Unsubscribe: <mailto:leave@lists.test>\n"
    "Precedence: bulk\n"
    "Date: Thu, 8 Aug 2002 02:42:40 -0700\n";

std::map<std::string, uint16_t> SourcesOf(const char* header)
{
    std::map<std::string, uint16_t> sources;
    TTokenSources tracker;
    ForEachHeaderToken(header, [&](const TTokenKind& kind, std::string_view text) {
        sources.emplace(std::string(kind.name) + ":" + std::string(text), tracker.Next(kind));
    });
    return sources;
}

TEST(TokenSources, TokensOfOneFactShareASource)
{
    std::map<std::string, uint16_t> s = SourcesOf(kHeader);
    const struct {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"ip:10.0.0.1", "net:10.0.0", true},             // one hop's address and network
        {"ip:10.0.0.1", "entryform:fqdn/same/lan", true},
        {"ip:10.0.0.1", "ip:192.0.2.7", false},          // two hops
        {"rcvd:b.other.test", "hopform:fqdn/same", true},
        {"from:ann@example.test", "fromdom:example.test", true},
        {"from:ann@example.test", "subj:hello", false},
        {"v:list-id:talk", "v:list-unsubscribe:mailto", true},  // the list's marks, apart
        {"v:list-id:talk", "v:precedence:bulk", true},
        {"v:list-id:talk", "subj:hello", false},
        {"hdr:received", "seq:from>list-id", true},      // names and order, whichever field
        {"hdr:received", "ip:10.0.0.1", false},
        {"hops:2", "originform:fqdn/same", true},    // the whole header's summary
        {"hops:2", "dateshape:Aa, 9 Aa 9 9:9:9 -9", false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(s.count(c.a)) << c.a;
        ASSERT_TRUE(s.count(c.b)) << c.b;
        EXPECT_EQ(s[c.a] == s[c.b], c.same) << c.a << " / " << c.b;
    }
    for (const auto& [token, source] : s) EXPECT_LT(source, TTokenSources::kMaxSources) << token;
}

TEST(TokenSources, ManyFieldsWrapInsideTheRange)
{
    std::string header;
    for (int i = 0; i < 600; ++i) header += "X-Field-" + std::to_string(i) + ": value\n";
    for (const auto& [token, source] : SourcesOf(header.c_str())) EXPECT_LT(source, TTokenSources::kMaxSources) << token;
}

// Of repeated hashes the first keeps its source, whatever the size (bucketed or not).
TEST(TokenSources, SortingKeepsTheFirstSourceOfARepeat)
{
    for (size_t count : {5u, 40u, 300u, 3000u}) {
        std::vector<TSourcedHash> hashes;
        for (size_t i = 0; i < count; ++i) hashes.push_back({(i * 0x9E3779B97F4A7C15ull) | 1, static_cast<uint16_t>(i % 7)});
        std::vector<TSourcedHash> original = hashes;
        for (size_t i = 0; i < count; i += 3) hashes.push_back({original[i].hash, 200});
        SortUnique(hashes);
        ASSERT_EQ(hashes.size(), count);
        for (size_t i = 1; i < hashes.size(); ++i) EXPECT_LT(hashes[i - 1].hash, hashes[i].hash);
        std::map<uint64_t, uint16_t> first;
        for (const TSourcedHash& h : original) first[h.hash] = h.source;
        for (const TSourcedHash& h : hashes) EXPECT_EQ(h.source, first[h.hash]) << count;
    }
}

}  // namespace
