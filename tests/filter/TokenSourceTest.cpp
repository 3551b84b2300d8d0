// Which source each header token counts under, and sorting that keeps it.
#include "filter/HeaderTokens.h"
#include "filter/SortedHashes.h"
#include "filter/TokenSource.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(TokenSources, TokensOfOneFactShareASource)
{
    std::string header = "Received: from a.relay.test (a.relay.test [10.0.0.1]) by mx.home.test\n"
                         "Received: from b.other.test (b.other.test [192.0.2.7]) by a.relay.test\n"
                         "From: Ann <ann@example.test>\nList-Id: <talk.lists.test>\nSubject: hello\nPrecedence: bulk\n";
    for (int i = 0; i < 600; ++i) header += "X-F" + std::to_string(i) + ": v\n";  // the numbers wrap
    std::map<std::string, uint16_t> s;
    TTokenSources tracker;
    ForEachHeaderToken(header, [&](const TTokenKind& kind, std::string_view text) {
        s.emplace(std::string(kind.name) + ":" + std::string(text), tracker.Next(kind));
    });
    const struct { const char *a, *b; bool same; } cases[] = {
        {"ip:10.0.0.1", "entryform:fqdn/same/lan", true}, {"ip:10.0.0.1", "ip:192.0.2.7", false},
        {"from:ann@example.test", "fromdom:example.test", true}, {"from:ann@example.test", "subj:hello", false},
        {"v:list-id:talk", "v:precedence:bulk", true}, {"v:list-id:talk", "subj:hello", false},
        {"hdr:received", "seq:from>list-id", true}, {"hops:2", "originform:fqdn/same", true},
    };
    for (const auto& c : cases) EXPECT_EQ(s.at(c.a) == s.at(c.b), c.same) << c.a << " / " << c.b;
    for (const auto& [token, source] : s) ASSERT_LT(source, TTokenSources::kMaxSources) << token;
}

// Of repeated hashes the first keeps its source, bucketed or not.
TEST(TokenSources, SortingKeepsTheFirstSourceOfARepeat)
{
    for (uint16_t count : {5, 300, 3000}) {
        std::vector<TSourcedHash> h;
        for (uint16_t i = 0; i < count; ++i) h.push_back({(i * 0x9E3779B97F4A7C15ull) | 1, i});
        for (uint16_t i = 0; i < count; i += 3) h.push_back({h[i].hash, 9999});
        SortUnique(h);
        ASSERT_EQ(h.size(), count);
        for (size_t i = 0; i < count; ++i) EXPECT_TRUE(h[i].source != 9999 && (i == 0 || h[i - 1].hash < h[i].hash));
    }
}

}  // namespace
