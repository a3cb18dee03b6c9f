#include "platform/PixelMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

// Large enough to be mapped from the system (and so kept when freed).
constexpr size_t Large = size_t(9) << 20;

// Each test starts and ends with an empty cache of the usual capacity.
class PixelMemoryTest : public ::testing::Test {
protected:
    void SetUp() override { PixelMemory::emptyCache(); }
    void TearDown() override
    {
        PixelMemory::setCacheCapacity(2);
        PixelMemory::emptyCache();
    }

    static uint8_t* written(size_t bytes, uint8_t value)
    {
        uint8_t* block = PixelMemory::allocateForOverwrite(bytes);
        std::memset(block, value, bytes);
        return block;
    }
};

} // namespace

TEST_F(PixelMemoryTest, FreedBlocksServeTheNextOverwriteOfTheSameMappedSize)
{
    uint8_t* first = written(Large, 0xAB);
    PixelMemory::release(first, Large);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 1u);

    // A zero-filled allocation never gets a used block.
    uint8_t* zeroed = PixelMemory::allocate(Large);
    EXPECT_NE(zeroed, first);
    EXPECT_EQ(zeroed[Large - 1], 0);
    PixelMemory::release(zeroed, Large); // never written: given back, not kept
    EXPECT_EQ(PixelMemory::cachedBlocks(), 1u);

    // Another size does not take it; a size that maps to the same huge pages does.
    uint8_t* other = PixelMemory::allocateForOverwrite(Large * 2);
    EXPECT_NE(other, first);
    PixelMemory::release(other, Large * 2);
    uint8_t* again = PixelMemory::allocateForOverwrite(Large - 1000);
    EXPECT_EQ(again, first);
    EXPECT_EQ(again[0], 0xAB);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 0u);
    PixelMemory::release(again, Large - 1000);

    // Small blocks come from the ordinary allocator and are never kept.
    PixelMemory::emptyCache();
    PixelMemory::release(written(1000, 1), 1000);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 0u);
    uint8_t* empty = PixelMemory::allocateForOverwrite(0);
    EXPECT_NE(empty, nullptr);
    PixelMemory::release(empty, 0);
}

TEST_F(PixelMemoryTest, TheCacheStaysWithinItsCapacityAndCanBeEmptied)
{
    uint8_t* blocks[3] = { written(Large, 1), written(Large, 2), written(Large, 3) };
    for (uint8_t* block : blocks)
        PixelMemory::release(block, Large);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 2u);
    // The oldest went; the most recently freed comes back first.
    uint8_t* reused = PixelMemory::allocateForOverwrite(Large);
    EXPECT_EQ(reused[0], 3);
    PixelMemory::release(reused, Large);

    PixelMemory::setCacheCapacity(1);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 1u);
    PixelMemory::emptyCache();
    EXPECT_EQ(PixelMemory::cachedBlocks(), 0u);
    EXPECT_EQ(PixelMemory::cacheCapacity(), 1u);

    PixelMemory::setCacheCapacity(0);
    PixelMemory::release(written(Large, 4), Large);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 0u);
}

TEST_F(PixelMemoryTest, ThreadsNeverShareABlock)
{
    // Two threads take, fill, check and free blocks of the same size at the
    // same time: a block handed out twice shows the other thread's bytes.
    auto work = [](uint8_t mark, int* clashes) {
        for (int i = 0; i < 40; ++i) {
            uint8_t* block = PixelMemory::allocateForOverwrite(Large);
            std::memset(block, mark, Large);
            // Look at a byte in every page.
            for (size_t at = 0; at < Large; at += 4096)
                if (block[at] != mark) ++*clashes;
            PixelMemory::release(block, Large);
        }
    };
    int clashesA = 0, clashesB = 0;
    std::thread other(work, uint8_t(0x11), &clashesA);
    work(0x22, &clashesB);
    other.join();
    EXPECT_EQ(clashesA + clashesB, 0);
    EXPECT_LE(PixelMemory::cachedBlocks(), 2u);
}
