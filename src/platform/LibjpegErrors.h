#pragma once

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

// Where libjpeg reports to, for the codecs of one task. A fatal error jumps
// back to jump, which the caller has set with setjmp and turns into its own
// error with message; warnings (a truncated file) are counted and the first
// one is kept in words. A decoder whose progress is progress refuses, as a
// fatal error, a progressive photo of more than MaxScans scans (thousands of
// scans of a few bits each) before it spends long on it.
//
// manager comes first: libjpeg hands it back, and the handlers find the rest
// from its address.
struct LibjpegErrors {
    LibjpegErrors();
    LibjpegErrors(const LibjpegErrors&) = delete;
    LibjpegErrors& operator=(const LibjpegErrors&) = delete;

    // The most scans a progressive photo may have: more than encoders write.
    static constexpr int MaxScans = 500;

    jpeg_error_mgr manager {};
    jpeg_progress_mgr progress {};
    std::jmp_buf jump {};
    char message[JMSG_LENGTH_MAX] = {};
    char warning[JMSG_LENGTH_MAX] = {};
};
