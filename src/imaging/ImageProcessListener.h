#pragma once

#include <cstdint>

// Receives the progress events of the long operations of cImageProcessDIB,
// on the thread that runs the operation, in the middle of it.
class ImageProcessListener {
public:
    virtual ~ImageProcessListener() = default;
    // Once, before the first column: the last position Progress will report.
    virtual void InitProgress(int32_t lMax) = 0;
    // After every column: the byte offset (3 x pixel column) just finished.
    virtual void Progress(int32_t lPosition) = 0;
    // Once, after the last column: milliseconds since the operation began.
    virtual void Complete(int32_t lTimeMs) = 0;
};
