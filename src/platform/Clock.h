#pragma once

#include <cstdint>

// The millisecond clock that the image operations time themselves with.
class Clock {
public:
    // Milliseconds since an arbitrary fixed point; wraps like a 32-bit value.
    static uint32_t timeGetTime();
};
