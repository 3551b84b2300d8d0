// Which source each header token counts under, and the score when a source may give only so
// many of the counted tokens.
#include "filter/HeaderTokens.h"
#include "filter/SpamFilter.h"
#include "filter/TokenSource.h"
#include "TempHome.h"

#include <gtest/gtest.h>

#include <map>

namespace {

std::map<std::string, uint16_t> SourcesOf(const std::string& header)
{
    std::map<std::string, uint16_t> s;  // the first occurrence counts, as in scoring
    TTokenSources t;
    ForEachHeaderToken(header, [&](const TTokenKind& k, std::string_view text) { s.emplace(std::string(k.name) + ":" + std::string(text), t.Next(k)); });
    return s;
}

const std::string kRelay = "Received: from a.relay.test (a.relay.test [10.0.0.1]) by mx.home.test with esmtp\n";
const std::string kHam = "From: ann@work.test\nSubject: meeting agenda notes\n";

TEST(TokenSources, TokensOfOneFactShareASource)
{
    std::string header = kRelay + "Received: from b.other.test (b.other.test [192.0.2.7]) by a.relay.test\n"
                         "From: Ann <ann@example.test>\nList-Id: <talk.lists.test>\nSubject: hello\nPrecedence: bulk\n";
    for (int i = 0; i < 600; ++i) header += "X-F" + std::to_string(i) + ": v\n";  // the numbers wrap
    std::map<std::string, uint16_t> s = SourcesOf(header);
    const struct { const char *a, *b; bool same; } cases[] = {
        {"ip:10.0.0.1", "entryform:fqdn/same/lan", true}, {"ip:10.0.0.1", "ip:192.0.2.7", false},
        {"from:ann@example.test", "fromdom:example.test", true}, {"from:ann@example.test", "subj:hello", false},
        {"v:list-id:talk", "v:precedence:bulk", true}, {"v:list-id:talk", "subj:hello", false},
        {"hdr:received", "seq:from>list-id", true}, {"hops:2", "originform:fqdn/same", true},
    };
    for (const auto& c : cases) EXPECT_EQ(s.at(c.a) == s.at(c.b), c.same) << c.a << " / " << c.b;
    for (const auto& [token, source] : s) ASSERT_LT(source, TTokenSources::kMaxSources) << token;
}

// The score combines the strongest tokens while their source has room (a cap ignored fails).
TEST(TokenSources, OneSourceGivesAtMostItsShare)
{
    TempHome home;
    TSpamFilter filter(home.Root() + "spam.db");
    filter.Train("s", kRelay + "From: x@y.test\nSubject: zz\n", TTrainAs::Spam);
    filter.Train("h", kHam, TTrainAs::Ham);
    const std::string mixed = kRelay + kHam;
    for (unsigned cap : {0u, 1u, 2u, 100u}) {
        TRobinsonParams params{0.03, 0.5, 0.0, 8, 0, cap};
        filter.SetRobinson(params);
        std::vector<double> chosen;
        std::map<uint16_t, unsigned> taken;
        for (const auto& [token, f] : filter.Explain(mixed))
            if (chosen.size() < params.maxTokens && (cap == 0 || taken[SourcesOf(mixed).at(token)]++ < cap)) chosen.push_back(f);
        EXPECT_NEAR(filter.Classify(mixed).score, 100 * CombineChiSquare(chosen, params), 1e-9) << cap;
    }
}

// A mailing list's marks count as one token, whatever the cap: the list passes its spam on
// with the same marks as its ham. The ham is trained three times, so every token of one
// source has the same f(w) and the order among equals cannot matter.
TEST(TokenSources, AMailingListsMarksCountAsOne)
{
    TempHome home;
    TSpamFilter filter(home.Root() + "spam.db");
    const std::string list = "List-Id: <talk.lists.test>\nList-Post: <mailto:talk@lists.test>\nPrecedence: list\n";
    filter.Train("s", kRelay + "From: x@y.test\n", TTrainAs::Spam);
    for (const char* id : {"h1", "h2", "h3"}) filter.Train(id, "From: ann@work.test\n" + list, TTrainAs::Ham);
    const std::string mixed = kRelay + "From: ann@work.test\n" + list;
    std::map<std::string, uint16_t> sources = SourcesOf(mixed);
    size_t listTokens = 0;
    for (const auto& [token, f] : filter.Explain(mixed)) listTokens += sources.at(token) == TTokenSources::kList;
    ASSERT_GE(listTokens, 3u);
    for (unsigned cap : {1u, 2u, 100u}) {
        TRobinsonParams params{0.03, 0.5, 0.0, 100, 0, cap};
        filter.SetRobinson(params);
        std::vector<double> chosen;
        std::map<uint16_t, unsigned> taken;
        for (const auto& [token, f] : filter.Explain(mixed)) {
            uint16_t source = sources.at(token);
            if (taken[source]++ < (source == TTokenSources::kList ? 1 : cap)) chosen.push_back(f);
        }
        EXPECT_NEAR(filter.Classify(mixed).score, 100 * CombineChiSquare(chosen, params), 1e-9) << cap;
    }
}

}  // namespace
