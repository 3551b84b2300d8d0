#include "session/UidlTable.h"

#include <algorithm>
#include <utility>

void TUidlTable::Add(int number, std::string_view id)
{
    if (id.size() > UINT32_MAX / 2) return;  // no line of a real server comes near
    if (blocks_.empty() || blocks_.back().ends.size() == kBlockIds || blocks_.back().text.size() + id.size() > UINT32_MAX) {
        TBlock& block = blocks_.emplace_back();
        const size_t ids = std::clamp<size_t>(expected_, 1, kBlockIds);
        block.ends.reserve(ids);
        // A server's ids are mostly of one length: doubling would leave up to half unused.
        block.text.reserve(ids * (id.size() + 1));
    }
    TBlock& block = blocks_.back();
    block.text += id;
    block.ends.push_back({number, uint32_t(block.text.size())});
}

void TUidlTable::Seal()
{
    bool ordered = true;
    const TEnd* previous = nullptr;
    for (const TBlock& block : blocks_)
        for (const TEnd& e : block.ends) {
            ordered = ordered && (!previous || e.number > previous->number);
            previous = &e;
        }
    if (ordered) return;
    // Rare: rebuilt in order, keeping the last id of a number.
    std::vector<std::pair<int, std::string>> ids;
    for (const TBlock& block : blocks_)
        for (size_t k = 0; k < block.ends.size(); ++k) ids.emplace_back(block.ends[k].number, std::string(block.Text(k)));
    std::stable_sort(ids.begin(), ids.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    TUidlTable sorted;
    sorted.Reserve(ids.size());
    for (size_t k = 0; k < ids.size(); ++k)
        if (k + 1 == ids.size() || ids[k + 1].first != ids[k].first) sorted.Add(ids[k].first, ids[k].second);
    blocks_ = std::move(sorted.blocks_);
}

std::string_view TUidlTable::Of(int number) const
{
    const auto block = std::lower_bound(blocks_.begin(), blocks_.end(), number,
                                        [](const TBlock& b, int n) { return b.ends.back().number < n; });
    if (block == blocks_.end()) return {};
    const auto at = std::lower_bound(block->ends.begin(), block->ends.end(), number,
                                     [](const TEnd& e, int n) { return e.number < n; });
    if (at == block->ends.end() || at->number != number) return {};
    return block->Text(size_t(at - block->ends.begin()));
}

void TUidlTable::ForgetBelow(int number)
{
    while (!blocks_.empty() && blocks_.front().ends.back().number < number) blocks_.pop_front();
}
