#include "filter/SpamMarks.h"

TMarkReason MarkReason(const TMarkFacts& facts)
{
    if (facts.sender == TSenderList::Friend) return TMarkReason::None;
    if (facts.sender == TSenderList::Blocked) return TMarkReason::Blocked;
    if (facts.userCleared) return TMarkReason::None;
    if (facts.ruleMatched) return TMarkReason::Rule;
    if (facts.userMarked) return TMarkReason::LikelySpam;
    if (facts.score && *facts.score >= facts.threshold) return TMarkReason::LikelySpam;
    return TMarkReason::None;
}

void TMarkCounts::Add(TMarkReason reason)
{
    if (reason == TMarkReason::Rule) ++byRules;
    else if (reason == TMarkReason::LikelySpam) ++asSpam;
    else if (reason == TMarkReason::Blocked) ++blocked;
}

std::string MarkedCountText(const TMarkCounts& counts)
{
    const int total = counts.Total();
    if (total == 0) return {};
    std::string text = std::to_string(total) + (total == 1 ? " message is" : " messages are") + " marked for deletion";
    const char* separator = ": ";
    auto part = [&](int n, const char* what) {
        if (n == 0) return;
        text += separator + std::to_string(n) + " " + what;
        separator = ", ";
    };
    part(counts.byRules, "by your rules");
    part(counts.asSpam, "as likely spam");
    part(counts.blocked, counts.blocked == 1 ? "from a blocked sender" : "from blocked senders");
    return text;
}

std::string SenderAddress(std::string_view from)
{
    auto trim = [](std::string_view text) {
        const size_t first = text.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos) return std::string();
        const size_t last = text.find_last_not_of(" \t\r\n");
        return std::string(text.substr(first, last - first + 1));
    };
    const size_t open = from.rfind('<');
    if (open != std::string_view::npos) {
        const size_t close = from.find('>', open);
        std::string inside = trim(from.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1));
        if (inside.find('@') != std::string::npos) return inside;
    }
    size_t at = from.find('@');
    if (at == std::string_view::npos) return {};
    size_t begin = from.find_last_of(" \t\"(,;:", at);
    size_t end = from.find_first_of(" \t\")<>,;", at);
    begin = begin == std::string_view::npos ? 0 : begin + 1;
    return trim(from.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
}
