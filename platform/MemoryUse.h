#pragma once
// How the process's heap treats big blocks.

namespace platform {

// Blocks of a megabyte and more always get pages of their own. The allocator would otherwise
// move that limit up after the first big block is freed (a viewed 20 MB message, a big
// list), and from then on grow big buffers by copying them in the heap: a stall of a tenth of
// a second at each doubling of a big text, and memory that stays with the process after it.
// Mapped blocks grow by remapping and go back to the system when freed.
void KeepBigBlocksMapped();

}  // namespace platform
