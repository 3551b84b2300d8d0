#pragma once
// The unique ids of a check's messages by number, held in one block while the check lists them:
// a map of strings would cost a big mailbox a hundred bytes a message, in small blocks left
// scattered among the rows made meanwhile.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TUidlTable {
public:
    TUidlTable() = default;
    explicit TUidlTable(const std::map<int, std::string>& ids)
    {
        size_t bytes = 0;
        for (const auto& entry : ids) bytes += entry.second.size();
        text_.reserve(bytes);
        ends_.reserve(ids.size());
        for (const auto& [number, id] : ids) {
            text_ += id;
            ends_.push_back({number, text_.size()});
        }
    }

    // The id of a message; empty when the server gave none.
    std::string_view Of(int number) const
    {
        const auto at = std::lower_bound(ends_.begin(), ends_.end(), number,
                                         [](const std::pair<int, size_t>& e, int n) { return e.first < n; });
        if (at == ends_.end() || at->first != number) return {};
        const size_t begin = at == ends_.begin() ? 0 : std::prev(at)->second;
        return std::string_view(text_).substr(begin, at->second - begin);
    }

private:
    std::string text_;
    std::vector<std::pair<int, size_t>> ends_;  // by number: where each id ends in text_
};
