#include "platform/PixelMemory.h"

#include <cstdlib>
#include <sys/mman.h>

namespace {

constexpr size_t HugePage = size_t(2) << 20;
// Below this, the ordinary allocator serves (and reuses) blocks well.
constexpr size_t LargeBlock = size_t(4) << 20;

size_t mappedSize(size_t bytes)
{
    return (bytes + HugePage - 1) & ~(HugePage - 1);
}

} // namespace

uint8_t* PixelMemory::allocate(size_t bytes)
{
    if (bytes < LargeBlock) return static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
    // Map one huge page more than needed, then trim both ends so that the
    // block starts on a huge-page boundary. Fresh anonymous pages are zero.
    const size_t size = mappedSize(bytes);
    void* raw = ::mmap(nullptr, size + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + HugePage - 1) & ~(HugePage - 1);
    if (aligned > start) ::munmap(raw, aligned - start);
    const uintptr_t end = start + size + HugePage;
    if (end > aligned + size) ::munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<uint8_t*>(aligned);
}

void PixelMemory::release(uint8_t* block, size_t bytes)
{
    if (block == nullptr) return;
    if (bytes < LargeBlock)
        std::free(block);
    else
        ::munmap(block, mappedSize(bytes));
}
