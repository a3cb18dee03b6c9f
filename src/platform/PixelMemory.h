#pragma once

#include <cstddef>
#include <cstdint>

// Zeroed memory for pictures. A fresh block of tens of megabytes costs more
// in first-touch page faults than in decoding into it, so large blocks are
// taken straight from the system in huge pages where it offers them.
class PixelMemory {
public:
    // Nothing when the memory cannot be had.
    static uint8_t* allocate(size_t bytes);
    // Gives back a block from allocate, with the same size.
    static void release(uint8_t* block, size_t bytes);
};
