#pragma once

// KERNEL_CLONES before a function definition compiles it once for the
// wider vector units besides the baseline, and the loader picks a clone
// through a resolver while it relocates the program. Under ThreadSanitizer
// clang instruments that resolver with a call into the sanitizer's runtime,
// which is not set up yet that early (the call reads a null thread state and
// the program dies before main), and it accepts no no_sanitize attribute
// beside target_clones. So a ThreadSanitizer build keeps one baseline copy:
// the kernels use integer arithmetic only, which gives the same bytes in
// every clone, and the sanitizer still sees every access.
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUILLON_NO_KERNEL_CLONES
#endif
#endif
#ifdef QUILLON_NO_KERNEL_CLONES
#define KERNEL_CLONES
#else
#define KERNEL_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#endif
