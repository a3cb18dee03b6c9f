#pragma once

#include <cstddef>
#include <cstdint>

// Memory for pictures. A fresh block of tens of megabytes pays page faults
// and zero-filling where it is first touched, so large blocks are taken
// straight from the system in huge pages where it offers them, and a few
// freed ones are kept for the next picture of the same size.
//
// The kept blocks are bounded: at most cacheCapacity() of them, and a block
// that must be mapped afresh first gives back kept blocks of its size, so
// the cache never raises the most memory the pictures map. They are only
// handed to allocations that overwrite every byte, and emptyCache() gives
// them back at any time. All functions may be called from any thread.
class PixelMemory {
public:
    // Zero-filled memory; nothing when it cannot be had.
    static uint8_t* allocate(size_t bytes);
    // Memory whose content is left as it is, for a caller that writes every
    // byte before anything reads it; a kept block of the same mapped size
    // when there is one. Nothing when it cannot be had.
    static uint8_t* allocateForOverwrite(size_t bytes);
    // Gives back a block from either allocation, with the same size.
    static void release(uint8_t* block, size_t bytes);

    // Gives every kept block back to the system.
    static void emptyCache();
    // How many freed blocks may be kept (default 2: the full-size picture of
    // one photo in flight and its working image); fewer drops the surplus.
    static void setCacheCapacity(size_t blocks);
    static size_t cacheCapacity();
    // The blocks kept now.
    static size_t cachedBlocks();

    // The bytes of the blocks handed out and not given back yet (kept blocks
    // are not), now and at their most since resetPeak().
    static size_t bytesInUse();
    static size_t peakBytesInUse();
    static void resetPeak();
};
