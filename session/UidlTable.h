#pragma once
// The unique ids of a check's messages by number, held in blocks of a few thousand while the
// check lists them: a map of strings would cost a big mailbox a hundred bytes a message, and as
// the summaries come in ascending order the blocks behind them can go before the listing ends.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class TUidlTable {
public:
    // How many ids will come, so each block gets its room at once.
    void Reserve(size_t count) { expected_ = count; }
    // As the server gives them: in ascending order of number, as servers do. Should one not, or
    // give a number twice, Seal puts them in order and the last id given for a number counts.
    void Add(int number, std::string_view id);
    void Seal();

    // The id of a message; empty when the server gave none (or it was forgotten).
    std::string_view Of(int number) const;
    // Frees the ids of the numbers below `number`, for a caller that asks in ascending order.
    void ForgetBelow(int number);
    void Clear() { std::deque<TBlock>().swap(blocks_); }

private:
    static constexpr size_t kBlockIds = 4096;
    struct TEnd {
        int number;
        uint32_t end;  // where the id ends in its block's text
    };
    struct TBlock {
        std::string text;
        std::vector<TEnd> ends;
        std::string_view Text(size_t k) const
        {
            const uint32_t begin = k == 0 ? 0 : ends[k - 1].end;
            return std::string_view(text).substr(begin, ends[k].end - begin);
        }
    };

    std::deque<TBlock> blocks_;
    size_t expected_ = 0;
};
