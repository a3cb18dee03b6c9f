#include "imaging/BilinearResampler.h"

#include "imaging/KernelClones.h"
#include "imaging/PictureOrientation.h"
#include "platform/PixelSurface.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <immintrin.h>
#include <vector>

// Why integers give the bytes of the double-precision definition.
//
// A blend is round((1 - t) x a + t x b) with t a float in [0, 1) and a, b
// integers 0..255. When t x 2^23 is an integer T (so 0 <= T < 2^23), 1 - t is
// the multiple (2^23 - T) / 2^23 of 2^-23 and is exact in double; both
// products have at most 8 + 23 significant bits and their sum is a multiple
// of 2^-23 below 256, so double holds every step exactly and the result is
// the rational (a x (2^23 - T) + b x T) / 2^23. With
//     N = a x 2^23 + (b - a) x T    (0 <= N <= 255 x 2^23 < 2^31)
// rounding to nearest with ties to even is
//     (N + 2^22 - 1 + bit 0 of floor(N / 2^23)) >> 23:
// a remainder above one half carries, one of exactly one half carries only
// from an odd quotient, and anything less does not.
//
// A position f = float(i x s) has a fractional part t = float(f - floor(f))
// that is exact; when f >= 1 the spacing of floats near f is at least 2^-23,
// so t is a multiple of 2^-23 and T is an integer. Only positions below 1
// (the first rows and columns when enlarging) may carry finer fractions; those
// rows and columns are blended in double, as defined.
//
// The vertical blend of a source column is the same for every destination
// column, so each destination row blends its two source rows once into a row
// of bytes; the horizontal step then gathers each destination pixel's left and
// right neighbours into two contiguous rows so that it, too, runs as one flat
// loop the compiler can vectorise.

namespace {

constexpr int32_t WeightBits = 23;
constexpr double WeightScale = 8388608.0; // 2^23

// The integer weight of t, or -1 when t x 2^23 is not an integer in
// [0, 2^23) and the blend must be done in double.
int32_t exactWeight(double t)
{
    const double scaled = t * WeightScale; // exact: a power-of-two scaling
    if (scaled >= 0 && scaled < WeightScale && scaled == std::floor(scaled)) return static_cast<int32_t>(scaled);
    return -1;
}

// round((1 - t) x a + t x b), ties to even, with t = T / 2^23.
inline int32_t blendExact(int32_t a, int32_t b, int32_t weight)
{
    const int32_t n = (a << WeightBits) + (b - a) * weight;
    return (n + (1 << (WeightBits - 1)) - 1 + ((n >> WeightBits) & 1)) >> WeightBits;
}

// The definition's blend in double, for the weights the integers cannot hold.
inline uint8_t blendDouble(double a, double b, double t)
{
    const double v = std::nearbyint((1.0 - t) * a + t * b);
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

// The two kernels are cloned for the wider vector units (KernelClones.h).
KERNEL_CLONES void blendRowsExact(
    const uint8_t* below, const uint8_t* above, uint8_t* out, int32_t count, int32_t weight)
{
    for (int32_t i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>(blendExact(below[i], above[i], weight));
}

KERNEL_CLONES void blendColumnsExact(
    const uint8_t* left, const uint8_t* right, const int32_t* weights, uint8_t* out, int32_t count)
{
    for (int32_t i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>(blendExact(left[i], right[i], weights[i]));
}

// Copies each destination pixel's two source pixels, at the byte offsets
// low and high of from, side by side into two rows, so that the blend runs
// as one flat loop. A pixel moves as 4 bytes: from needs a spare byte after
// its last pixel, and so do the two rows.
void gatherPairs(const uint8_t* __restrict from, const int32_t* __restrict low, const int32_t* __restrict high,
    int32_t count, uint8_t* __restrict lowPixels, uint8_t* __restrict highPixels)
{
    for (int32_t i = 0; i < count; ++i) {
        std::memcpy(lowPixels + 3 * i, from + low[i], 4);
        std::memcpy(highPixels + 3 * i, from + high[i], 4);
    }
}

// The same into pixels of 4 bytes, the fourth a spare: the copies neither
// overlap nor straddle a cache line, which the processor stores much faster
// (its gather instructions are slower still). Pairs of neighbouring pixels,
// those of almost every destination pixel, come in one read of 8 bytes from
// the byte offset first: from needs two spare bytes after its last pixel.
void gatherNeighbours(const uint8_t* __restrict from, const int32_t* __restrict first, int32_t count,
    uint8_t* __restrict leftPixels, uint8_t* __restrict rightPixels)
{
    for (int32_t i = 0; i < count; ++i) {
        uint64_t both;
        std::memcpy(&both, from + first[i], 8);
        const auto left = static_cast<uint32_t>(both);
        const auto right = static_cast<uint32_t>(both >> 24);
        std::memcpy(leftPixels + 4 * i, &left, 4);
        std::memcpy(rightPixels + 4 * i, &right, 4);
    }
}

// The same gathers, up to 21 pixels at a time: their bytes come from a
// window of 128 bytes of the source by one byte permutation of two
// registers, where the processor has it (AVX-512 VBMI). Copying 3 or 4
// bytes a pixel is what costs in the gathers above. Each step stores 64
// bytes, those after its pixels' overwritten by the next step.
constexpr int32_t MostWindowPixels = 21;
constexpr int32_t FewestWindowPixels = 8; // fewer gain too little

std::atomic<bool> windowsAllowed { true };

bool permutesBytes()
{
    static const bool has = __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512bw");
    return has && windowsAllowed.load(std::memory_order_relaxed);
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void gatherByWindows(const uint8_t* __restrict from,
    const int32_t* starts, const uint8_t* indices, size_t steps, int32_t pixels, uint8_t* __restrict out)
{
    const size_t stepBytes = 3 * size_t(pixels);
    for (size_t k = 0; k < steps; ++k) {
        const __m512i low = _mm512_loadu_si512(from + starts[k]);
        const __m512i high = _mm512_loadu_si512(from + starts[k] + 64);
        const __m512i which = _mm512_loadu_si512(indices + 64 * k);
        _mm512_storeu_si512(out + stepBytes * k, _mm512_permutex2var_epi8(low, which, high));
    }
}

// Blends bytes a and b, held in lanes of 16 bits, exactly as blendExact does,
// the weight of each given as T' = T >> 7 and T'' = T & 127. As for the
// table below, the blend is a + m or a - m with u = |b - a| and
// m = floor((u x T + 2^22) / 2^23) but on a tie; since
//     u x T + 2^22 = 128 x (u x T' + 2^15 + floor(u x T'' / 128)) + (u x T'' mod 128),
// m is the high half of s = u x T' + 2^15 + (u x T'' >> 7): the high half of
// u x T' and the carry out of its low half. A tie (u x T mod 2^23 = 2^22)
// is u x T'' mod 128 = 0 with a low half of s of 0, and goes to the even
// side: m less the parity of a + m.
__attribute__((target("avx512f,avx512bw"))) inline __m512i blendWords(
    __m512i a, __m512i b, __m512i weightHigh, __m512i weightLow)
{
    const __m512i one = _mm512_set1_epi16(1);
    const __m512i u = _mm512_abs_epi16(_mm512_sub_epi16(b, a));
    const __m512i product = _mm512_mullo_epi16(u, weightHigh);
    const __m512i rest = _mm512_mullo_epi16(u, weightLow);
    const __m512i s
        = _mm512_add_epi16(product, _mm512_add_epi16(_mm512_set1_epi16(int16_t(0x8000)), _mm512_srli_epi16(rest, 7)));
    const __m512i high = _mm512_mulhi_epu16(u, weightHigh);
    __m512i m = _mm512_mask_add_epi16(high, _mm512_cmplt_epu16_mask(s, product), high, one);
    const __mmask32 tie = _mm512_testn_epi16_mask(rest, _mm512_set1_epi16(127)) & _mm512_testn_epi16_mask(s, s);
    m = _mm512_mask_sub_epi16(m, tie, m, _mm512_and_si512(_mm512_add_epi16(a, m), one));
    return _mm512_mask_sub_epi16(_mm512_add_epi16(a, m), _mm512_cmplt_epu16_mask(b, a), a, m);
}

// gatherByWindows of both pixels of each destination pixel and
// blendColumnsExact of the two in one pass, when both gather as many pixels
// a step: count bytes into out, nothing after them. The bytes are widened to
// 16 bits within each 128-bit lane (bytes 0-7 of each lane, then 8-15) and
// narrowed back the same way, so the weights T' come in that order, 64 a
// step (see weightInLanes); the weights T'' are bytes in the bytes' order.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void blendByWindows(const uint8_t* __restrict from,
    const int32_t* lowStarts, const uint8_t* lowIndices, const int32_t* highStarts, const uint8_t* highIndices,
    size_t steps, int32_t pixels, const uint16_t* weightHigh, const uint8_t* weightLow, uint8_t* __restrict out,
    int32_t count)
{
    const size_t stepBytes = 3 * size_t(pixels);
    const __m512i zero = _mm512_setzero_si512();
    for (size_t k = 0; k < steps; ++k) {
        const uint8_t* lowWindow = from + lowStarts[k];
        const uint8_t* highWindow = from + highStarts[k];
        const __m512i a = _mm512_permutex2var_epi8(
            _mm512_loadu_si512(lowWindow), _mm512_loadu_si512(lowIndices + 64 * k), _mm512_loadu_si512(lowWindow + 64));
        const __m512i b = _mm512_permutex2var_epi8(_mm512_loadu_si512(highWindow),
            _mm512_loadu_si512(highIndices + 64 * k), _mm512_loadu_si512(highWindow + 64));
        const size_t at = stepBytes * k;
        const __m512i low = _mm512_loadu_si512(weightLow + at);
        const __m512i first = blendWords(_mm512_unpacklo_epi8(a, zero), _mm512_unpacklo_epi8(b, zero),
            _mm512_loadu_si512(weightHigh + 64 * k), _mm512_unpacklo_epi8(low, zero));
        const __m512i second = blendWords(_mm512_unpackhi_epi8(a, zero), _mm512_unpackhi_epi8(b, zero),
            _mm512_loadu_si512(weightHigh + 64 * k + 32), _mm512_unpackhi_epi8(low, zero));
        const __m512i blended = _mm512_packus_epi16(first, second);
        const int64_t room = int64_t(count) - int64_t(at);
        if (room >= 64)
            _mm512_storeu_si512(out + at, blended);
        else
            _mm512_mask_storeu_epi8(out + at, (__mmask64(1) << room) - 1, blended);
    }
}

// Where blendByWindows takes the weight of byte i of a step's 64 from: 16
// bytes to a 128-bit lane, the first 8 of each lane in the first 32 words,
// the other 8 in the next 32.
int32_t weightInLanes(int32_t i)
{
    const int32_t lane = i / 16, within = i % 16;
    return within < 8 ? 8 * lane + within : 32 + 8 * lane + within - 8;
}

// The windows for gathering the pixels at the byte offsets of a source of
// sourceBytes bytes into a row of 3-byte pixels, as many pixels a step as
// all windows hold (21 to a picture halved, fewer shrunk further), every
// window within the source. Empty when the source is narrower than a
// window, or a few pixels lie further apart than a window holds.
template <typename Windows> void planWindows(const std::vector<int32_t>& offsets, int32_t sourceBytes, Windows& windows)
{
    windows = Windows();
    if (!permutesBytes() || sourceBytes < 128 || offsets.empty()) return;
    const auto pixels = static_cast<int32_t>(offsets.size());
    for (int32_t n = MostWindowPixels; n >= FewestWindowPixels; --n) {
        const auto sourceOf = [&](int32_t k, int32_t j) {
            // Bytes past the step's pixels, and past the last pixel, repeat one.
            const int32_t at = std::min({ j, 3 * n - 1, 3 * (pixels - k * n) - 1 });
            return offsets[size_t(k * n + at / 3)] + at % 3;
        };
        const int32_t steps = (pixels + n - 1) / n;
        bool fits = true;
        for (int32_t k = 0; k < steps && fits; ++k) {
            int32_t lowest = INT32_MAX, highest = 0;
            for (int32_t j = 0; j < 64; ++j) {
                lowest = std::min(lowest, sourceOf(k, j));
                highest = std::max(highest, sourceOf(k, j));
            }
            const int32_t start = std::min(lowest, sourceBytes - 128);
            fits = highest - start < 128;
            windows.starts.push_back(start);
            for (int32_t j = 0; j < 64; ++j)
                windows.indices.push_back(static_cast<uint8_t>(sourceOf(k, j) - start));
        }
        if (fits) {
            windows.pixels = n;
            return;
        }
        windows = Windows();
    }
}

// Two rows blended with one weight T by a table, where the processor has
// the byte permutation. With u = |b - a|, the exact blend is a + m or a - m
// (as b is above a or below it), m = floor(u x T / 2^23) plus one when the
// remainder is above one half: the negative remainder is 2^23 less the
// positive one, so the same m rounds it. Only a remainder of exactly one
// half (a tie, which then goes to the even side of a) needs more: a weight
// whose table would have one is left to blendRowsExact. Ties need
// u x T to be a multiple of 2^22, so only weights that are multiples of
// 2^15 can have them.
bool makeBlendTable(int32_t weight, uint8_t* table)
{
    for (int32_t u = 0; u < 256; ++u) {
        const int64_t product = int64_t(u) * weight;
        const int64_t remainder = product & ((int64_t(1) << WeightBits) - 1);
        if (remainder == (int64_t(1) << (WeightBits - 1))) return false;
        table[u] = static_cast<uint8_t>((product >> WeightBits) + (remainder > (int64_t(1) << (WeightBits - 1))));
    }
    return true;
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void blendRowsByTable(
    const uint8_t* below, const uint8_t* above, uint8_t* out, int32_t count, const uint8_t* table)
{
    const __m512i first = _mm512_loadu_si512(table);
    const __m512i second = _mm512_loadu_si512(table + 64);
    const __m512i third = _mm512_loadu_si512(table + 128);
    const __m512i fourth = _mm512_loadu_si512(table + 192);
    for (int32_t i = 0; i < count; i += 64) {
        const __mmask64 inside = count - i >= 64 ? ~__mmask64(0) : (__mmask64(1) << (count - i)) - 1;
        const __m512i a = _mm512_maskz_loadu_epi8(inside, below + i);
        const __m512i b = _mm512_maskz_loadu_epi8(inside, above + i);
        const __m512i u = _mm512_or_si512(_mm512_subs_epu8(b, a), _mm512_subs_epu8(a, b));
        // Entries 0-127 and 128-255, each by the low 7 bits of u.
        const __m512i low = _mm512_permutex2var_epi8(first, u, second);
        const __m512i high = _mm512_permutex2var_epi8(third, u, fourth);
        const __m512i m = _mm512_mask_blend_epi8(_mm512_movepi8_mask(u), low, high);
        const __m512i blended = _mm512_mask_add_epi8(_mm512_sub_epi8(a, m), _mm512_cmpge_epu8_mask(b, a), a, m);
        _mm512_mask_storeu_epi8(out + i, inside, blended);
    }
}

// round((1 - t) x a + t x b) of two rows, t = weight / 2^23.
void blendRows(const uint8_t* below, const uint8_t* above, uint8_t* out, int32_t count, int32_t weight)
{
    alignas(64) uint8_t table[256];
    if (permutesBytes() && makeBlendTable(weight, table))
        blendRowsByTable(below, above, out, count, table);
    else
        blendRowsExact(below, above, out, count, weight);
}

// The numerators are size - 1 and the denominators the destination size, so
// the last destination pixel falls just short of the source's edge.
float scaleFactor(int32_t sourceSize, int32_t destinationSize)
{
    return static_cast<float>(static_cast<double>(sourceSize - 1) / destinationSize);
}

// Where destination row or column i samples a source of size pixels at scale
// factor s: the pixel below or left of it (clamped, as float rounding may
// reach the last one), the next one (the same at the edge of a source 1 pixel
// wide or high) and the weight of the second.
struct SamplePosition {
    int32_t low;
    int32_t high;
    double t;
};

SamplePosition samplePosition(int32_t i, float s, int32_t size)
{
    const float f = static_cast<float>(static_cast<double>(i) * s);
    const int32_t low = std::min(static_cast<int32_t>(std::floor(f)), size - 1);
    return { low, std::min(low + 1, size - 1), static_cast<float>(static_cast<double>(f) - low) };
}

} // namespace

namespace {

// Hands the rows of a stored picture to stream, top down. The stream reads
// two bytes past a row's pixels: a top row without that much padding after
// it goes through the stream's own memory.
void pushRows(const PixelSurface& stored, BilinearResampler::RowStream& stream)
{
    const int32_t rowBytes = 3 * stored.width();
    for (int32_t y = 0; y < stored.height(); ++y) {
        const uint8_t* row = stored.scanLine(y);
        if (y == 0 && stored.stride() - rowBytes < 2) {
            uint8_t* copy = stream.rowBuffer();
            std::memcpy(copy, row, size_t(rowBytes));
            row = copy;
        }
        stream.pushRow(row);
    }
}

} // namespace

void BilinearResampler::allowByteWindows(bool allowed)
{
    windowsAllowed = allowed;
}

void BilinearResampler::resample(const PixelSurface& source, PixelSurface& destination)
{
    RowStream stream(source.width(), source.height(), 1, destination);
    pushRows(source, stream);
}

void BilinearResampler::resampleTurned(const PixelSurface& stored, int orientation, PixelSurface& destination)
{
    RowStream stream(stored.width(), stored.height(), orientation, destination);
    pushRows(stored, stream);
}

std::unique_ptr<PixelSurface> BilinearResampler::resized(const PixelSurface& source, int32_t width, int32_t height)
{
    // Both the copy and the scaling write every pixel of the result.
    std::unique_ptr<PixelSurface> result = PixelSurface::createForOverwrite(width, height);
    if (!result) return nullptr;
    if (width == source.width() && height == source.height())
        PixelSurface::copyBlock(*result, 0, 0, width, height, source, 0, 0);
    else
        resample(source, *result);
    return result;
}

std::unique_ptr<PixelSurface> BilinearResampler::resizedTurned(
    const PixelSurface& stored, int orientation, int32_t width, int32_t height)
{
    // Both the turn and the scaling write every pixel of the result.
    std::unique_ptr<PixelSurface> result = PixelSurface::createForOverwrite(width, height);
    if (!result) return nullptr;
    if (width == stored.height() && height == stored.width())
        PictureOrientation::turnInto(stored, orientation, *result);
    else
        resampleTurned(stored, orientation, *result);
    return result;
}

BilinearResampler::RowStream::RowStream(
    int32_t storedWidth, int32_t storedHeight, int orientation, PixelSurface& destination)
    : m_destination(destination)
    , m_storedWidth(storedWidth)
    , m_storedHeight(storedHeight)
    , m_turned(PictureOrientation::swapsSides(orientation))
    , m_rowMemory(2 * size_t(3 * storedWidth + 2))
{
    const int32_t W = storedWidth;
    const int32_t H = storedHeight;
    const int32_t uprightWidth = m_turned ? H : W;
    const int32_t uprightHeight = m_turned ? W : H;
    const int32_t wd = destination.width();
    const int32_t hd = destination.height();
    // The upright picture's memory rows count from its bottom row, as the
    // scaling is defined. Where its rows and columns lie in the stored
    // picture, counted from the stored top-left corner:
    const auto storedRowOfRow = [&](int32_t r) { return orientation == 1 || orientation == 2 ? H - 1 - r : r; };
    const auto storedColumnOfColumn = [&](int32_t x) { return orientation == 2 || orientation == 3 ? W - 1 - x : x; };
    const auto storedRowOfColumn = [&](int32_t x) { return orientation == 5 || orientation == 8 ? x : H - 1 - x; };
    const auto storedColumnOfRow = [&](int32_t r) { return orientation == 7 || orientation == 8 ? r : W - 1 - r; };

    // Along the stored rows: the destination's columns, or on its side its
    // rows. Across them: the other way.
    const int32_t alongCount = m_turned ? hd : wd;
    const float alongScale = m_turned ? scaleFactor(uprightHeight, hd) : scaleFactor(uprightWidth, wd);
    m_lowOffset.resize(size_t(alongCount));
    m_highOffset.resize(size_t(alongCount));
    std::vector<int32_t> weights(static_cast<size_t>(alongCount));
    for (int32_t i = 0; i < alongCount; ++i) {
        const SamplePosition p = samplePosition(i, alongScale, m_turned ? uprightHeight : uprightWidth);
        const auto column = [&](int32_t at) { return m_turned ? storedColumnOfRow(at) : storedColumnOfColumn(at); };
        m_lowOffset[i] = 3 * column(p.low);
        m_highOffset[i] = 3 * column(p.high);
        const int32_t weight = exactWeight(p.t);
        if (weight < 0) {
            m_doublePixels.push_back(i);
            m_doubleWeights.push_back(p.t);
        }
        weights[i] = std::max(weight, 0);
    }
    // Gathered by windows, a pixel keeps its 3 bytes. Without them, on its
    // side the rows blended along keep 4 bytes a pixel (see
    // gatherNeighbours) until the columns are written.
    planWindows(m_lowOffset, 3 * W, m_lowWindows);
    planWindows(m_highOffset, 3 * W, m_highWindows);
    if (m_lowWindows.starts.empty() || m_highWindows.starts.empty()) {
        m_lowWindows = m_highWindows = Windows();
        if (m_turned) m_pixelBytes = 4;
    }
    // Both gathered as many a step: they are blended as they are gathered,
    // with the weights split (3 bytes a pixel, as windows gather them).
    if (!m_lowWindows.starts.empty() && m_lowWindows.pixels == m_highWindows.pixels) {
        const size_t steps = m_lowWindows.starts.size();
        const size_t stepBytes = 3 * size_t(m_lowWindows.pixels);
        const size_t bytes = 3 * size_t(alongCount);
        m_weightHigh.assign(64 * steps, 0);
        m_weightLow.assign(steps * stepBytes + 64, 0);
        for (size_t i = 0; i < bytes; ++i)
            m_weightLow[i] = static_cast<uint8_t>(weights[i / 3] & 127);
        for (size_t k = 0; k < steps; ++k)
            for (int32_t i = 0; i < 64 && k * stepBytes + size_t(i) < bytes; ++i)
                m_weightHigh[64 * k + size_t(weightInLanes(i))]
                    = static_cast<uint16_t>(weights[(k * stepBytes + size_t(i)) / 3] >> 7);
    } else {
        const int32_t step = m_pixelBytes;
        m_weights.resize(size_t(step) * size_t(alongCount));
        for (int32_t i = 0; i < alongCount; ++i)
            std::fill_n(m_weights.begin() + step * i, step, weights[i]);
        // One spare byte after each: the gather copies 4 bytes per pixel, and
        // by windows its last step stores 64 bytes from the last 21 pixels'.
        const size_t gathered = std::max({ size_t(step) * size_t(alongCount),
                                    m_lowWindows.starts.size() * 3 * size_t(m_lowWindows.pixels),
                                    m_highWindows.starts.size() * 3 * size_t(m_highWindows.pixels) })
            + 64;
        m_low.resize(gathered);
        m_high.resize(gathered);
    }

    const int32_t acrossCount = m_turned ? wd : hd;
    const float acrossScale = m_turned ? scaleFactor(uprightWidth, wd) : scaleFactor(uprightHeight, hd);
    m_across.reserve(size_t(acrossCount));
    for (int32_t i = 0; i < acrossCount; ++i) {
        const SamplePosition p = samplePosition(i, acrossScale, m_turned ? uprightWidth : uprightHeight);
        const auto row = [&](int32_t at) { return m_turned ? storedRowOfColumn(at) : storedRowOfRow(at); };
        m_across.push_back({ row(p.low), row(p.high), exactWeight(p.t), p.t });
    }
    m_order.resize(size_t(acrossCount));
    for (int32_t i = 0; i < acrossCount; ++i)
        m_order[i] = i;
    // On its side, the columns come from the left or from the right as the
    // stored rows come, and so do those made from the same stored row.
    const bool fromRight = m_turned && storedRowOfColumn(0) > storedRowOfColumn(uprightWidth - 1);
    std::sort(m_order.begin(), m_order.end(), [this, fromRight](int32_t a, int32_t b) {
        const int32_t readyA = m_across[a].ready(), readyB = m_across[b].ready();
        return readyA != readyB ? readyA < readyB : (fromRight ? a > b : a < b);
    });

    if (m_turned) {
        m_needed.assign(size_t(H), false);
        for (const Sample& sample : m_across)
            m_needed[sample.low] = m_needed[sample.high] = true;
        // Without windows, pixels move in pairs of neighbours but where a
        // side's edge repeats its pixel, or in a picture too narrow to read
        // 8 bytes from: there none is (the others read from the row's start
        // instead, and are copied again one by one).
        m_lowFirst = orientation == 7 || orientation == 8;
        if (m_pixelBytes == 4) m_pairLeft.resize(size_t(hd));
        for (int32_t d = 0; d < static_cast<int32_t>(m_pairLeft.size()); ++d) {
            const int32_t low = m_lowOffset[d], high = m_highOffset[d];
            if (W >= 3 && high - low == (m_lowFirst ? 3 : -3)) {
                m_pairLeft[d] = std::min(low, high);
            } else {
                m_pairLeft[d] = 0;
                m_unpaired.push_back(d);
            }
        }
        for (std::vector<uint8_t>& along : m_along)
            along.resize(size_t(m_pixelBytes) * size_t(hd));
        // and one spare byte: the last pixel moves as 4 bytes too.
        m_columns.resize(size_t(ColumnGroup) * size_t(m_pixelBytes) * size_t(hd) + 1);
        m_columnX.reserve(ColumnGroup);
    } else {
        m_blended.resize(3 * size_t(W) + 1);
    }
}

uint8_t* BilinearResampler::RowStream::rowBuffer()
{
    return m_rowMemory.data() + size_t(m_next & 1) * size_t(3 * m_storedWidth + 2);
}

void BilinearResampler::RowStream::pushRow(const uint8_t* row)
{
    if (m_next >= m_storedHeight) return;
    const int32_t r = m_next++;
    m_rows[r & 1] = row;
    if (m_turned && m_needed[r]) {
        // The row blended along, which is the upright picture's vertical
        // blend of one upright column.
        uint8_t* along = m_along[r & 1].data();
        const auto count = static_cast<int32_t>(m_lowOffset.size());
        if (!blendWindows(row, along)) {
            if (!gatherWindows(row)) {
                if (m_unpaired.size() < m_pairLeft.size())
                    gatherNeighbours(row, m_pairLeft.data(), count, m_lowFirst ? m_low.data() : m_high.data(),
                        m_lowFirst ? m_high.data() : m_low.data());
                for (const int32_t d : m_unpaired) {
                    std::memcpy(m_low.data() + 4 * d, row + m_lowOffset[d], 4);
                    std::memcpy(m_high.data() + 4 * d, row + m_highOffset[d], 4);
                }
            }
            blendColumnsExact(m_low.data(), m_high.data(), m_weights.data(), along, m_pixelBytes * count);
        }
        blendDoublePixels(row, along);
    }
    for (; m_made < m_order.size() && m_across[m_order[m_made]].ready() == r; ++m_made) {
        if (m_turned)
            makeColumn(m_order[m_made]);
        else
            makeRow(m_order[m_made]);
    }
    if (m_turned && m_next == m_storedHeight) writeColumns();
}

bool BilinearResampler::RowStream::gatherWindows(const uint8_t* from)
{
    // Both arrays have windows, or neither has (see the constructor).
    if (m_lowWindows.starts.empty()) return false;
    for (auto [windows, out] : { std::pair(&m_lowWindows, m_low.data()), std::pair(&m_highWindows, m_high.data()) })
        gatherByWindows(
            from, windows->starts.data(), windows->indices.data(), windows->starts.size(), windows->pixels, out);
    return true;
}

void BilinearResampler::RowStream::makeRow(int32_t y)
{
    const Sample& sample = m_across[y];
    const uint8_t* below = m_rows[sample.low & 1];
    const uint8_t* above = m_rows[sample.high & 1];
    const int32_t rowBytes = 3 * m_storedWidth;
    if (sample.weight >= 0) {
        blendRows(below, above, m_blended.data(), rowBytes, sample.weight);
    } else {
        for (int32_t i = 0; i < rowBytes; ++i)
            m_blended[i] = blendDouble(below[i], above[i], sample.t);
    }
    const auto count = static_cast<int32_t>(m_lowOffset.size());
    uint8_t* out = m_destination.memoryRow(y);
    if (!blendWindows(m_blended.data(), out)) {
        if (!gatherWindows(m_blended.data()))
            gatherPairs(m_blended.data(), m_lowOffset.data(), m_highOffset.data(), count, m_low.data(), m_high.data());
        blendColumnsExact(m_low.data(), m_high.data(), m_weights.data(), out, 3 * count);
    }
    blendDoublePixels(m_blended.data(), out);
}

bool BilinearResampler::RowStream::blendWindows(const uint8_t* from, uint8_t* out)
{
    if (m_weightHigh.empty()) return false;
    blendByWindows(from, m_lowWindows.starts.data(), m_lowWindows.indices.data(), m_highWindows.starts.data(),
        m_highWindows.indices.data(), m_lowWindows.starts.size(), m_lowWindows.pixels, m_weightHigh.data(),
        m_weightLow.data(), out, m_pixelBytes * static_cast<int32_t>(m_lowOffset.size()));
    return true;
}

void BilinearResampler::RowStream::blendDoublePixels(const uint8_t* from, uint8_t* out) const
{
    for (size_t k = 0; k < m_doublePixels.size(); ++k) {
        const int32_t d = m_doublePixels[k];
        for (int32_t c = 0; c < 3; ++c)
            out[m_pixelBytes * d + c]
                = blendDouble(from[m_lowOffset[d] + c], from[m_highOffset[d] + c], m_doubleWeights[k]);
    }
}

void BilinearResampler::RowStream::makeColumn(int32_t x)
{
    // The upright picture's horizontal blend, of two upright columns.
    if (m_columnX.size() == ColumnGroup) writeColumns();
    const Sample& sample = m_across[x];
    const uint8_t* left = m_along[sample.low & 1].data();
    const uint8_t* right = m_along[sample.high & 1].data();
    const int32_t bytes = m_pixelBytes * m_destination.height();
    uint8_t* out = m_columns.data() + m_columnX.size() * size_t(bytes);
    if (sample.weight >= 0) {
        blendRows(left, right, out, bytes, sample.weight);
    } else {
        for (int32_t i = 0; i < bytes; ++i)
            out[i] = blendDouble(left[i], right[i], sample.t);
    }
    m_columnX.push_back(x);
}

void BilinearResampler::RowStream::writeColumns()
{
    // A group of neighbouring columns at a time, so that each destination
    // row takes a run of whole cache lines; the rows lie too far apart for
    // the processor to fetch them ahead by itself.
    if (m_columnX.empty()) return;
    const int32_t hd = m_destination.height();
    const size_t bytes = size_t(m_pixelBytes) * size_t(hd);
    const size_t count = m_columnX.size();
    const int32_t* columnX = m_columnX.data();
    const uint8_t* const columns = m_columns.data();
    // The columns are made one after the other, from the left or the right.
    const bool ascending = columnX[0] <= columnX[count - 1];
    const int32_t first = 3 * (ascending ? columnX[0] : columnX[count - 1]);
    constexpr int32_t FetchAhead = 8;
    for (int32_t y = 0; y < hd; ++y) {
        if (y + FetchAhead < hd) {
            const uint8_t* ahead = m_destination.memoryRow(y + FetchAhead) + first;
            for (size_t at = 0; at < 3 * count; at += 64)
                __builtin_prefetch(ahead + at, 1);
        }
        // Left to right, a pixel moving as 4 bytes whose fourth the next
        // pixel overwrites; the last one moves as 3.
        uint8_t* out = m_destination.memoryRow(y) + first;
        const uint8_t* in = columns + size_t(m_pixelBytes) * size_t(y);
        if (ascending) {
            for (size_t k = 0; k + 1 < count; ++k, in += bytes, out += 3)
                std::memcpy(out, in, 4);
        } else {
            in += (count - 1) * bytes;
            for (size_t k = 0; k + 1 < count; ++k, in -= bytes, out += 3)
                std::memcpy(out, in, 4);
        }
        std::memcpy(out, in, 3);
    }
    m_columnX.clear();
}
