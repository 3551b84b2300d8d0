#pragma once
// The unique ids of a check's messages by number, held in one block while the check lists them:
// a map of strings would cost a big mailbox a hundred bytes a message, in small blocks left
// scattered among the rows made meanwhile.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TUidlTable {
public:
    void Reserve(size_t count) { ends_.reserve(count); }
    // As the server gives them: in ascending order of number, as servers do. Should one not, or
    // give a number twice, Seal puts them in order and the last id given for a number counts.
    void Add(int number, std::string_view id)
    {
        if (text_.size() + id.size() > UINT32_MAX) return;  // no real mailbox comes near
        // A server's ids are mostly of one length: room for as many as are expected, as doubling
        // would leave up to half of a big table's room unused.
        if (ends_.empty() && text_.capacity() < ends_.capacity() * (id.size() + 1))
            text_.reserve(std::min<size_t>(ends_.capacity() * (id.size() + 1), size_t(64) << 20));
        text_ += id;
        ends_.push_back({number, uint32_t(text_.size())});
    }
    void Seal();
    // Frees the block too: assigning an empty table would keep the text's room.
    void Clear()
    {
        std::string().swap(text_);
        std::vector<TEnd>().swap(ends_);
    }

    // The id of a message; empty when the server gave none.
    std::string_view Of(int number) const
    {
        const auto at = std::lower_bound(ends_.begin(), ends_.end(), number,
                                         [](const TEnd& e, int n) { return e.number < n; });
        if (at == ends_.end() || at->number != number) return {};
        return Text(size_t(at - ends_.begin()));
    }

private:
    struct TEnd {
        int number;
        uint32_t end;  // where the id ends in text_
    };
    std::string_view Text(size_t k) const
    {
        const uint32_t begin = k == 0 ? 0 : ends_[k - 1].end;
        return std::string_view(text_).substr(begin, ends_[k].end - begin);
    }

    std::string text_;
    std::vector<TEnd> ends_;
};

inline void TUidlTable::Seal()
{
    const auto byNumber = [](const TEnd& a, const TEnd& b) { return a.number < b.number; };
    if (std::adjacent_find(ends_.begin(), ends_.end(), [](const TEnd& a, const TEnd& b) {
            return a.number >= b.number;
        }) == ends_.end())
        return;
    // Rare: rebuilt in order, keeping the last id of a number.
    std::vector<std::pair<TEnd, std::string>> ids;
    for (size_t k = 0; k < ends_.size(); ++k) ids.push_back({ends_[k], std::string(Text(k))});
    std::stable_sort(ids.begin(), ids.end(), [&](const auto& a, const auto& b) { return byNumber(a.first, b.first); });
    TUidlTable sorted;
    for (size_t k = 0; k < ids.size(); ++k)
        if (k + 1 == ids.size() || ids[k + 1].first.number != ids[k].first.number) sorted.Add(ids[k].first.number, ids[k].second);
    *this = std::move(sorted);
}
