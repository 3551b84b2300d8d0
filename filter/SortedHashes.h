#pragma once
// Sorting a message's token hashes, which scoring does for every message.
#include <cstdint>
#include <vector>

// Sorts ascending and drops repeats. The hashes are uniformly spread, so a pass that places each
// by its top bits leaves an insertion sort only neighbours to swap: about a third of std::sort's
// time for the ~150 tokens of a header.
void SortUnique(std::vector<uint64_t>& hashes);

// A token hash with the source it came from (see TokenSource.h).
struct TSourcedHash {
    uint64_t hash = 0;
    uint16_t source = 0;
};
// The same by hash; of repeats the first in the input stays.
void SortUnique(std::vector<TSourcedHash>& hashes);
