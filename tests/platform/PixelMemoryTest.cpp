#include "platform/PixelMemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

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

TEST_F(PixelMemoryTest, FreedBlocksServeOverwritesAndAreBoundedAndMakeRoomForFreshOnes)
{
    uint8_t* blocks[3] = { written(Large, 1), written(Large, 2), written(Large, 3) };
    for (uint8_t* block : blocks)
        PixelMemory::release(block, Large);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 2u);
    // The oldest went; the most recently freed comes back first, as it was
    // left, to a size that maps to the same huge pages.
    uint8_t* reused = PixelMemory::allocateForOverwrite(Large - 1000);
    EXPECT_EQ(reused[Large - 1001], 3);
    PixelMemory::release(reused, Large - 1000);

    // Kept: blocks 2 and 3. Fresh memory gives back first a kept block of
    // its size, else the oldest ones until they make up its size.
    uint8_t* zeroed = PixelMemory::allocate(Large);
    EXPECT_EQ(zeroed[Large - 1001], 0);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 1u);
    uint8_t* larger = PixelMemory::allocateForOverwrite(Large * 2);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 0u);
    PixelMemory::release(zeroed, Large); // its first page never used: not kept
    PixelMemory::release(larger, Large * 2);
    EXPECT_EQ(PixelMemory::cachedBlocks(), 0u);

    // Small blocks come from the ordinary allocator; no capacity keeps none.
    PixelMemory::release(written(1000, 1), 1000);
    PixelMemory::setCacheCapacity(0);
    PixelMemory::release(written(Large, 6), Large);
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
