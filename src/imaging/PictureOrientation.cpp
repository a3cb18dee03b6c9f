#include "imaging/PictureOrientation.h"

#include <QTransform>

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

void swapPixel(uint8_t* a, uint8_t* b)
{
    uint8_t t[3];
    std::memcpy(t, a, 3);
    std::memcpy(a, b, 3);
    std::memcpy(b, t, 3);
}

#if defined(__x86_64__) || defined(__i386__)
// Sixteen pixels are 48 bytes, three 16-byte blocks. Reversed, byte j of
// the output is byte 3 (15 - j / 3) + j % 3 of the input; masks[k][s] picks
// for output block k the bytes that lie in input block s (0x80 elsewhere:
// the shuffle writes zero there, and the shuffles are or-ed).
struct ReverseMasks {
    alignas(16) uint8_t mask[3][3][16];
};

constexpr ReverseMasks makeReverseMasks()
{
    ReverseMasks m {};
    for (int k = 0; k < 3; ++k) {
        for (int s = 0; s < 3; ++s) {
            for (int i = 0; i < 16; ++i) {
                const int j = 16 * k + i;
                const int from = 3 * (15 - j / 3) + j % 3;
                m.mask[k][s][i] = from / 16 == s ? static_cast<uint8_t>(from % 16) : 0x80;
            }
        }
    }
    return m;
}

constexpr ReverseMasks reverseMasks = makeReverseMasks();

struct Sixteen {
    __m128i block[3];
};

__attribute__((target("ssse3"))) Sixteen loadSixteen(const uint8_t* p)
{
    Sixteen g;
    for (int s = 0; s < 3; ++s)
        g.block[s] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * s));
    return g;
}

__attribute__((target("ssse3"))) void storeReversed(uint8_t* p, const Sixteen& g)
{
    for (int k = 0; k < 3; ++k) {
        __m128i out = _mm_setzero_si128();
        for (int s = 0; s < 3; ++s) {
            const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(reverseMasks.mask[k][s]));
            out = _mm_or_si128(out, _mm_shuffle_epi8(g.block[s], mask));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * k), out);
    }
}

// The pairs of swapReversed below, sixteen at a time while the groups at
// both ends do not overlap; returns how many pixels of a it did.
__attribute__((target("ssse3"))) int32_t swapReversedSixteens(uint8_t* a, uint8_t* b, int32_t count)
{
    const bool same = a == b;
    int32_t i = 0;
    for (; i + 16 <= (same ? count - 16 - i : count); i += 16) {
        uint8_t* atA = a + 3 * i;
        uint8_t* atB = b + 3 * (count - 16 - i);
        const Sixteen fromA = loadSixteen(atA);
        const Sixteen fromB = loadSixteen(atB);
        storeReversed(atA, fromB);
        storeReversed(atB, fromA);
    }
    return i;
}

const bool haveShuffle = __builtin_cpu_supports("ssse3");
#endif

// Makes the count pixels of row a those of row b in reverse order and those
// of b those of a in reverse order; with a == b it reverses the row in
// place. Pixel j of a trades places with pixel count - 1 - j of b, sixteen at
// a time with byte shuffles where the processor has them, one by one for
// the rest.
void swapReversed(uint8_t* a, uint8_t* b, int32_t count)
{
    int32_t j = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (haveShuffle) j = swapReversedSixteens(a, b, count);
#endif
    // In a single row the middle pixel of an odd count stays.
    for (const int32_t end = a == b ? count / 2 : count; j < end; ++j)
        swapPixel(a + 3 * j, b + 3 * (count - 1 - j));
}

// Orientations 2, 3 and 4 keep the size: rows trade places top for bottom
// (3, 4) and their pixels are reversed (2, 3), in place, so that every byte
// is read and written once, as in a copy.
void mirrorInPlace(PixelSurface& picture, bool leftRight, bool topBottom)
{
    const int32_t w = picture.width();
    const int32_t h = picture.height();
    if (!topBottom) {
        for (int32_t r = 0; r < h; ++r)
            swapReversed(picture.memoryRow(r), picture.memoryRow(r), w);
        return;
    }
    const size_t rowBytes = static_cast<size_t>(w) * 3;
    std::vector<uint8_t> spare(leftRight ? 0 : rowBytes);
    // Row r trades places with row h - 1 - r; the middle row of an odd
    // height stays where it is.
    for (int32_t r = 0; r <= (h - 1) / 2; ++r) {
        uint8_t* low = picture.memoryRow(r);
        uint8_t* high = picture.memoryRow(h - 1 - r);
        if (leftRight) {
            swapReversed(low, high, w);
        } else if (low != high) {
            std::memcpy(spare.data(), low, rowBytes);
            std::memcpy(low, high, rowBytes);
            std::memcpy(high, spare.data(), rowBytes);
        }
    }
}

// Where the upright pixel (x, y), counted from the top-left corner, lies in
// a picture stored on its side (orientations 5 to 8): at byte
// first + x * xStep + y * yStep of the stored memory. x walks a stored column
// up or down, y walks the stored columns left or right.
struct SideMap {
    const uint8_t* first;
    int64_t xStep;
    int64_t yStep;
};

SideMap sideMap(const PixelSurface& stored, int orientation)
{
    const int32_t w = stored.width();
    const int32_t h = stored.height();
    const bool fromRight = orientation == 7 || orientation == 8; // upright row 0 is the last stored column
    const bool fromBottom = orientation == 6 || orientation == 7; // upright column 0 is the bottom stored line
    const int64_t stride = stored.stride();
    return { stored.bits() + (fromBottom ? 0 : (h - 1) * stride) + (fromRight ? 3 * (w - 1) : 0),
        fromBottom ? stride : -stride, // memory rows run bottom-up
        fromRight ? -3 : 3 };
}

} // namespace

void PictureOrientation::turnInto(const PixelSurface& stored, int orientation, PixelSurface& upright)
{
    // Each upright row is a stored column, scattered over every stored row,
    // so the upright picture is filled in blocks of a few upright columns
    // (stored rows) by many upright rows (stored columns): each block reads a
    // few long runs of stored rows front to back, which the processor fetches
    // ahead, and the upright rows it leaves half written are finished by the
    // next block while still cached.
    const auto [first, xStep, yStep] = sideMap(stored, orientation);
    constexpr int32_t BlockColumns = 8;
    constexpr int32_t BlockRows = 1024;
    const int32_t uw = upright.width(); // = h
    const int32_t uh = upright.height(); // = w
    for (int32_t by = 0; by < uh; by += BlockRows) {
        const int32_t yEnd = std::min(by + BlockRows, uh);
        for (int32_t bx = 0; bx < uw; bx += BlockColumns) {
            const int32_t xEnd = std::min(bx + BlockColumns, uw);
            // The upright rows in the order that reads the stored rows
            // forwards.
            for (int32_t k = by; k < yEnd; ++k) {
                const int32_t y = yStep > 0 ? k : by + yEnd - 1 - k;
                uint8_t* out = upright.scanLine(y) + 3 * bx;
                const uint8_t* in = first + bx * xStep + y * yStep;
                for (int32_t x = bx; x < xEnd; ++x, out += 3, in += xStep)
                    std::memcpy(out, in, 3);
            }
        }
    }
}

std::unique_ptr<PixelSurface> PictureOrientation::upright(std::unique_ptr<PixelSurface> picture, int orientation)
{
    if (!picture || orientation < 2 || orientation > 8) return picture;
    if (!swapsSides(orientation)) {
        mirrorInPlace(*picture, orientation != 4, orientation != 2);
        return picture;
    }
    // Every pixel of the new surface is written by the turn.
    // Without memory for it the photo cannot be turned: a picture left on its
    // side would be saved stretched, so this fails as any allocation does.
    auto result = PixelSurface::createForOverwrite(picture->height(), picture->width());
    if (!result) throw std::bad_alloc();
    turnInto(*picture, orientation, *result);
    return result;
}

QImage PictureOrientation::upright(const QImage& picture, int orientation)
{
    // Quarter turns clockwise, then a mirror from left to right, as the
    // orientations above come out of them.
    static constexpr struct {
        int quarterTurns;
        bool mirror;
    } steps[9] = { { 0, false }, { 0, false }, { 0, true }, { 2, false }, { 2, true }, { 1, true }, { 1, false },
        { 3, true }, { 3, false } };
    if (orientation < 2 || orientation > 8) return picture;
    QImage result = picture;
    if (steps[orientation].quarterTurns != 0)
        result = result.transformed(QTransform().rotate(90.0 * steps[orientation].quarterTurns));
    if (steps[orientation].mirror) result = result.mirrored(true, false);
    return result;
}
