#include "platform/PixelMemory.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t HugePage = size_t(2) << 20;
// Below this, the ordinary allocator serves (and reuses) blocks well.
constexpr size_t LargeBlock = size_t(4) << 20;

size_t mappedSize(size_t bytes)
{
    return (bytes + HugePage - 1) & ~(HugePage - 1);
}

// A block of whole huge pages, starting on a huge-page boundary. Fresh
// anonymous pages read as zero and take memory only once written.
uint8_t* mapBlock(size_t size)
{
    // Map one huge page more than needed, then trim both ends.
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

// Whether the block's first page holds memory, that is, was ever used.
bool used(uint8_t* block)
{
    unsigned char resident = 0;
    return ::mincore(block, static_cast<size_t>(::sysconf(_SC_PAGESIZE)), &resident) == 0 && (resident & 1) != 0;
}

// Freed large blocks, by mapped size, the most recently freed last.
struct BlockCache {
    struct Block {
        uint8_t* block;
        size_t size;
    };
    std::mutex mutex;
    std::vector<Block> blocks;
    size_t capacity = 2;
};

BlockCache& cache()
{
    // Never destroyed: pictures freed while the program exits still find it.
    static BlockCache* const instance = new BlockCache;
    return *instance;
}

// Takes the oldest blocks out until at most count are left, and gives them
// back to the system once the lock is released.
void keepAtMost(BlockCache& c, size_t count)
{
    std::vector<BlockCache::Block> dropped;
    {
        const std::lock_guard lock(c.mutex);
        while (c.blocks.size() > count) {
            dropped.push_back(c.blocks.front());
            c.blocks.erase(c.blocks.begin());
        }
    }
    for (const BlockCache::Block& b : dropped)
        ::munmap(b.block, b.size);
}

// Maps a new block of size bytes. Kept blocks of at least as many bytes go
// back to the system first (one of the same size when there is one, else the
// oldest ones), so that pictures and kept blocks together never map more
// than the pictures alone did at their most.
uint8_t* mapFresh(size_t size)
{
    BlockCache& c = cache();
    std::vector<BlockCache::Block> dropped;
    {
        const std::lock_guard lock(c.mutex);
        const auto same = std::find_if(
            c.blocks.begin(), c.blocks.end(), [size](const BlockCache::Block& b) { return b.size == size; });
        if (same != c.blocks.end()) {
            dropped.push_back(*same);
            c.blocks.erase(same);
        } else {
            for (size_t freed = 0; freed < size && !c.blocks.empty();) {
                freed += c.blocks.front().size;
                dropped.push_back(c.blocks.front());
                c.blocks.erase(c.blocks.begin());
            }
        }
    }
    for (const BlockCache::Block& b : dropped)
        ::munmap(b.block, b.size);
    return mapBlock(size);
}

std::atomic<size_t> inUse = 0;
std::atomic<size_t> peak = 0;

uint8_t* counted(uint8_t* block, size_t bytes)
{
    if (block == nullptr) return nullptr;
    const size_t now = inUse.fetch_add(bytes, std::memory_order_relaxed) + bytes;
    size_t most = peak.load(std::memory_order_relaxed);
    while (now > most && !peak.compare_exchange_weak(most, now, std::memory_order_relaxed)) { }
    return block;
}

uint8_t* takeFromCache(size_t size)
{
    BlockCache& c = cache();
    const std::lock_guard lock(c.mutex);
    for (auto it = c.blocks.rbegin(); it != c.blocks.rend(); ++it) {
        if (it->size == size) {
            uint8_t* block = it->block;
            c.blocks.erase(std::next(it).base());
            return block;
        }
    }
    return nullptr;
}

} // namespace

uint8_t* PixelMemory::allocate(size_t bytes)
{
    // Never from the cache: a kept block would have to be cleared by hand,
    // while fresh pages are cleared by the system only where they are used.
    if (bytes < LargeBlock) return counted(static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1)), bytes);
    return counted(mapFresh(mappedSize(bytes)), bytes);
}

uint8_t* PixelMemory::allocateForOverwrite(size_t bytes)
{
    if (bytes < LargeBlock) return counted(static_cast<uint8_t*>(std::malloc(bytes ? bytes : 1)), bytes);
    const size_t size = mappedSize(bytes);
    uint8_t* block = takeFromCache(size);
    return counted(block ? block : mapFresh(size), bytes);
}

void PixelMemory::release(uint8_t* block, size_t bytes)
{
    if (block == nullptr) return;
    inUse.fetch_sub(bytes, std::memory_order_relaxed);
    if (bytes < LargeBlock) {
        std::free(block);
        return;
    }
    BlockCache::Block dropped { block, mappedSize(bytes) };
    // A block nobody used (a cleared surface left blank) holds no memory
    // yet: keeping it would only hand its page faults to the next picture.
    if (used(block)) {
        BlockCache& c = cache();
        const std::lock_guard lock(c.mutex);
        if (c.capacity > 0) {
            c.blocks.push_back(dropped);
            dropped = { nullptr, 0 };
            if (c.blocks.size() > c.capacity) {
                dropped = c.blocks.front();
                c.blocks.erase(c.blocks.begin());
            }
        }
    }
    if (dropped.block != nullptr) ::munmap(dropped.block, dropped.size);
}

void PixelMemory::emptyCache()
{
    keepAtMost(cache(), 0);
}

void PixelMemory::setCacheCapacity(size_t blocks)
{
    BlockCache& c = cache();
    {
        const std::lock_guard lock(c.mutex);
        c.capacity = blocks;
    }
    keepAtMost(c, blocks);
}

size_t PixelMemory::cacheCapacity()
{
    BlockCache& c = cache();
    const std::lock_guard lock(c.mutex);
    return c.capacity;
}

size_t PixelMemory::cachedBlocks()
{
    BlockCache& c = cache();
    const std::lock_guard lock(c.mutex);
    return c.blocks.size();
}

size_t PixelMemory::bytesInUse()
{
    return inUse.load(std::memory_order_relaxed);
}

size_t PixelMemory::peakBytesInUse()
{
    return peak.load(std::memory_order_relaxed);
}

void PixelMemory::resetPeak()
{
    peak.store(inUse.load(std::memory_order_relaxed), std::memory_order_relaxed);
}
