#include "imaging/ImageFilters.h"

#include "imaging/Hls.h"
#include "imaging/KernelClones.h"
#include "platform/PixelSurface.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

// The object's error number for a type outside the filter menu's.
constexpr long errorInvalid = static_cast<int32_t>(0x8004051Au);

[[noreturn]] void raiseError(long number, const QString& description)
{
    throw RuntimeError(number, RuntimeError::sourceFor(QStringLiteral("cImageProcess")), description);
}

bool sameSize(const PixelSurface& a, const PixelSurface& b)
{
    return a.width() == b.width() && a.height() == b.height();
}

uint8_t clampByte(int64_t v)
{
    return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// ---------------------------------------------------------------------------
// Convolution rows.
//
// The kernel is split into factor x a square of ones plus the elements that
// differ from factor (Sharpen: -1 everywhere, and 16 more in the centre).
// The square's part comes from running column sums of 2h + 1 bytes, kept
// from one output row to the next, 2h + 1 of which are added across; every
// other element is one pass over the source row it touches, shifted by 3i
// bytes. Both are the same integer sum, regrouped, and the factor is the one
// that needs the fewest passes. The three channels of a pixel use the same
// kernel, so the bytes are treated alike whatever channel they hold.
//
// An output row is summed a chunk at a time, so that the accumulators stay
// in the first-level cache across the passes, and the chunk is finished
// into bytes at once. The table's kernels keep every partial sum within
// 255 x 44 (Soften More: 25 for its square of ones, 19 for the elements
// left over), so the accumulators and column sums are 16 bits wide.

using Look = ImageFilters::Look;

constexpr int32_t chunk = 512;
constexpr int32_t maxElements = 25;

// One output row of a pass. Sources point at the byte under the first
// output byte.
struct RowJob {
    Look look;
    const uint8_t* own; // the output bytes' source bytes
    // The column sums of the whole row (null without a square part), which
    // the pass brings to this row a chunk ahead of its use: the row that
    // enters them is added, the one that leaves (if any) taken away.
    int16_t* columns;
    const uint8_t* enter;
    const uint8_t* leave;
    int32_t half;
    int32_t squareFactor;
    const uint8_t* sources[maxElements];
    int32_t factors[maxElements];
    int32_t elementCount;
    uint8_t* out;
    int32_t n;
    // sum / weight, truncated toward zero, is (sum x multiplier) >> shift
    // for every sum from 0 up to the largest the kernel can give.
    uint32_t multiplier;
    int32_t shift;
};

// acc = (or +=) k x src over count entries, with the factors 1 and -1 spared
// their multiplication.
[[gnu::always_inline]] inline void accumulate(
    int16_t* __restrict acc, const uint8_t* __restrict src, int32_t k, int32_t count, bool first)
{
    const int16_t kk = static_cast<int16_t>(k);
    if (first) {
        if (k == 1) {
            for (int32_t t = 0; t < count; ++t)
                acc[t] = static_cast<int16_t>(src[t]);
        } else if (k == -1) {
            for (int32_t t = 0; t < count; ++t)
                acc[t] = static_cast<int16_t>(-src[t]);
        } else {
            for (int32_t t = 0; t < count; ++t)
                acc[t] = static_cast<int16_t>(kk * src[t]);
        }
    } else {
        if (k == 1) {
            for (int32_t t = 0; t < count; ++t)
                acc[t] = static_cast<int16_t>(acc[t] + src[t]);
        } else if (k == -1) {
            for (int32_t t = 0; t < count; ++t)
                acc[t] = static_cast<int16_t>(acc[t] - src[t]);
        } else {
            for (int32_t t = 0; t < count; ++t)
                acc[t] = static_cast<int16_t>(acc[t] + kk * src[t]);
        }
    }
}

// columns += enter - leave, byte by byte (no leave: columns += enter).
[[gnu::always_inline]] inline void updateColumns(
    int16_t* __restrict columns, const uint8_t* __restrict enter, const uint8_t* __restrict leave, int32_t count)
{
    if (leave) {
        for (int32_t b = 0; b < count; ++b)
            columns[b] = static_cast<int16_t>(columns[b] + enter[b] - leave[b]);
    } else {
        for (int32_t b = 0; b < count; ++b)
            columns[b] = static_cast<int16_t>(columns[b] + enter[b]);
    }
}

// acc = k x the sum of the 2H + 1 column sums across, 3 bytes apart.
template <int32_t H>
[[gnu::always_inline]] inline void squareAcross(
    int16_t* __restrict acc, const int16_t* __restrict columns, int32_t k, int32_t count)
{
    const int16_t kk = static_cast<int16_t>(k);
    for (int32_t t = 0; t < count; ++t) {
        int16_t sum = 0;
        for (int32_t i = -H; i <= H; ++i)
            sum = static_cast<int16_t>(sum + columns[t + 3 * i]);
        acc[t] = static_cast<int16_t>(kk * sum);
    }
}

// A negative sum truncates to 0 or below and so clamps to 0, as does its
// stand-in 0; the others divide exactly by the multiplication.
KERNEL_CLONES void convolveRow(const RowJob& job)
{
    alignas(64) int16_t acc[chunk];
    int32_t updated = 0;
    for (int32_t b = 0; b < job.n; b += chunk) {
        const int32_t count = std::min(chunk, job.n - b);
        bool first = true;
        if (job.columns) {
            // Output bytes b .. b + count - 1 read columns b .. b + count - 1 + 6h.
            const int32_t needed = b + count + 6 * job.half;
            updateColumns(job.columns + updated, job.enter + updated, job.leave ? job.leave + updated : nullptr,
                needed - updated);
            updated = needed;
            if (job.half == 1)
                squareAcross<1>(acc, job.columns + b + 3, job.squareFactor, count);
            else
                squareAcross<2>(acc, job.columns + b + 6, job.squareFactor, count);
            first = false;
        }
        for (int32_t e = 0; e < job.elementCount; ++e, first = false)
            accumulate(acc, job.sources[e] + b, job.factors[e], count, first);
        uint8_t* out = job.out + b;
        for (int32_t t = 0; t < count; ++t) {
            const uint32_t sum = static_cast<uint32_t>(std::max<int32_t>(acc[t], 0));
            out[t] = static_cast<uint8_t>(std::min<uint32_t>((sum * job.multiplier) >> job.shift, 255));
        }
        // The looks in a loop of their own, which stays in 16 bits.
        if (job.look == Look::Unsharp) {
            const uint8_t* own = job.own + b;
            for (int32_t t = 0; t < count; ++t)
                out[t] = static_cast<uint8_t>(std::clamp(2 * own[t] - out[t], 0, 255));
        } else if (job.look == Look::Emboss) {
            for (int32_t t = 0; t < count; ++t)
                out[t] = static_cast<uint8_t>(std::min(out[t] + 127, 255));
        }
    }
}

struct KernelView {
    const int32_t* values; // element (i, j) at (j + half) x (2 half + 1) + (i + half)
    int32_t half;
    int32_t weight;

    int32_t at(int32_t i, int32_t j) const { return values[(j + half) * (2 * half + 1) + (i + half)]; }
};

// The multiplier and shift of RowJob for a weight from 1 to 2^16 and sums
// up to largest (below 2^15). With s = 15 + log2(weight) rounded up,
// ceil(2^s / weight) is such a multiplier, and it stays below 2^16 + 2, so
// the search ends by then; each candidate is checked on every sum it must
// divide.
void findReciprocal(int32_t weight, int32_t largest, uint32_t& multiplier, int32_t& shift)
{
    for (shift = 0;; ++shift) {
        const uint64_t m = ((uint64_t(1) << shift) + uint64_t(weight) - 1) / uint64_t(weight);
        if (m * uint64_t(largest) > UINT32_MAX) continue;
        bool exact = true;
        for (int32_t sum = 0; sum <= largest && exact; ++sum)
            exact = static_cast<int32_t>((uint64_t(sum) * m) >> shift) == sum / weight;
        if (exact) {
            multiplier = static_cast<uint32_t>(m);
            return;
        }
    }
}

// Filters rows half .. H - 1 - half, bytes 3 half .. 3 (W - half) - 1 of
// image in place; the border keeps its bytes. Each row is set aside in a
// ring of 2h + 2 rows before the first output row that reads it is written,
// and is read from there.
void convolve(PixelSurface& image, const KernelView& kernel, Look look)
{
    const int32_t h = kernel.half;
    const int32_t W = image.width();
    const int32_t H = image.height();
    const int32_t side = 2 * h + 1;
    const int32_t x1 = 3 * h;
    const int32_t rowBytes = 3 * W;

    // A factor that no element has costs more passes than 0.
    int32_t factor = 0;
    int32_t fewest = INT32_MAX;
    for (int32_t e = -1; e < side * side; ++e) {
        const int32_t candidate = e < 0 ? 0 : kernel.values[e];
        int32_t passes = candidate != 0 ? side + 2 : 0;
        for (int32_t f = 0; f < side * side; ++f)
            passes += kernel.values[f] != candidate;
        if (passes < fewest) fewest = passes, factor = candidate;
    }

    RowJob job {};
    job.look = look;
    job.half = h;
    job.squareFactor = factor;
    job.n = 3 * W - 6 * h;
    int32_t positive = 0;
    for (int32_t f = 0; f < side * side; ++f)
        positive += std::max(kernel.values[f], 0);
    findReciprocal(kernel.weight, 255 * positive, job.multiplier, job.shift);

    const int32_t ringRows = side + 1;
    std::vector<uint8_t> ring(static_cast<size_t>(ringRows) * rowBytes);
    const auto row = [&](int32_t r) { return ring.data() + static_cast<size_t>(r % ringRows) * rowBytes; };
    const auto setAside = [&](int32_t r) { std::memcpy(row(r), image.memoryRow(r), rowBytes); };

    std::vector<int16_t> columns(factor != 0 ? static_cast<size_t>(rowBytes) : 0);
    job.columns = factor != 0 ? columns.data() : nullptr;
    for (int32_t r = 0; r < 2 * h; ++r) {
        setAside(r);
        if (factor != 0) updateColumns(columns.data(), row(r), nullptr, rowBytes);
    }
    for (int32_t y = h; y <= H - 1 - h; ++y) {
        setAside(y + h);
        job.enter = row(y + h);
        job.leave = y > h ? row(y - h - 1) : nullptr;
        job.elementCount = 0;
        for (int32_t j = -h; j <= h; ++j)
            for (int32_t i = -h; i <= h; ++i)
                if (const int32_t k = kernel.at(i, j) - factor) {
                    job.sources[job.elementCount] = row(y + j) + x1 + 3 * i;
                    job.factors[job.elementCount++] = k;
                }
        job.own = row(y) + x1;
        job.out = image.memoryRow(y) + x1;
        convolveRow(job);
    }
}

// Emboss's + 127 for the frame of width border, which the pass leaves as it
// was: a pass writes every pixel at least border away from each edge when
// the picture is wider and higher than twice the frame, and none otherwise
// (then all of it is raised).
void raiseFrame(PixelSurface& image, int32_t border)
{
    const int32_t W = image.width();
    const int32_t H = image.height();
    const bool whole = 2 * border >= W || 2 * border >= H;
    const int32_t rowBytes = 3 * W;
    const int32_t side = 3 * border;
    const auto raise = [](uint8_t* p, int32_t count) {
        for (int32_t b = 0; b < count; ++b)
            p[b] = static_cast<uint8_t>(std::min(p[b] + 127, 255));
    };
    for (int32_t r = 0; r < H; ++r) {
        uint8_t* p = image.memoryRow(r);
        if (whole || r < border || r >= H - border) {
            raise(p, rowBytes);
        } else {
            raise(p, side);
            raise(p + rowBytes - side, side);
        }
    }
}

// Loops go in blocks of 16 so the compiler turns them into vector code.
constexpr int32_t block = 16;

// Per-byte blend of addImages for one row: (from + offset) x multiplier +
// (to + offset) x multiplier, the offsets cycling over bytes 0, 1, 2.
struct Blend {
    int32_t fromMultiplier;
    int32_t toMultiplier;
    std::array<int32_t, 3> fromOffset;
    std::array<int32_t, 3> toOffset;
};

void blendRowExact(const uint8_t* from, uint8_t* to, int32_t rowBytes, const Blend& blend)
{
    for (int32_t b = 0; b < rowBytes; ++b) {
        const int32_t c = b % 3;
        const int64_t fromTerm = (static_cast<int64_t>(from[b]) + blend.fromOffset[c]) * blend.fromMultiplier;
        const int64_t toTerm = (static_cast<int64_t>(to[b]) + blend.toOffset[c]) * blend.toMultiplier;
        // Each term is below 2^62.01; only two of the same sign can overflow
        // the sum, which then lies beyond either end of the byte range.
        int64_t v;
        if (__builtin_add_overflow(fromTerm, toTerm, &v)) v = fromTerm > 0 ? INT64_MAX : INT64_MIN;
        to[b] = clampByte(v);
    }
}

// The same in 32 bits, for blends that stay within them: the offsets are
// folded into one constant per byte (repeating every three bytes).
void blendRowFast(const uint8_t* __restrict from, uint8_t* __restrict to, const int32_t* __restrict constants,
    int32_t rowBytes, int32_t fromMultiplier, int32_t toMultiplier)
{
    int32_t b = 0;
    for (; b + block <= rowBytes; b += block)
        for (int32_t t = 0; t < block; ++t) {
            const int32_t v = from[b + t] * fromMultiplier + to[b + t] * toMultiplier + constants[b + t];
            to[b + t] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    for (; b < rowBytes; ++b) {
        const int32_t v = from[b] * fromMultiplier + to[b] * toMultiplier + constants[b];
        to[b] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

// round((222 red + 707 green + 71 blue) / 1000) of the pixel at p (bytes
// blue, green, red), ties to even, in integers: (sum + 500) / 1000 rounds
// halves up, and a half (t a multiple of 1000) that came out odd goes back
// down. Without branches, so that the loop over a row vectorises.
uint8_t greyValue(const uint8_t* p)
{
    const uint32_t t = 222u * p[2] + 707u * p[1] + 71u * p[0] + 500u;
    const uint32_t q = t / 1000;
    return static_cast<uint8_t>(q - ((t - 1000 * q == 0) & q));
}

} // namespace

// ---------------------------------------------------------------------------
// Kernel

void ImageFilters::filterType(int32_t type)
{
    if (type < 1 || type > 8) raiseError(errorInvalid, QStringLiteral("Invalid filter types."));
    m_type = type;
    switch (type) {
    case 1:
    case 2:
        filterArraySize(type == 1 ? 3 : 5);
        std::fill(m_kernel.begin(), m_kernel.end(), 1);
        break;
    case 3:
    case 4: {
        filterArraySize(type == 3 ? 3 : 5);
        for (int32_t j = -m_half; j <= m_half; ++j)
            for (int32_t i = -m_half; i <= m_half; ++i)
                element(i, j) = m_half - std::max(std::abs(i), std::abs(j)) + 1;
        // size / 2 x size in floating point, rounded half to even: 4.5 -> 4,
        // 12.5 -> 12.
        element(0, 0) = static_cast<int32_t>(std::nearbyint(m_size / 2.0 * m_size));
        break;
    }
    case 5:
        filterArraySize(3);
        std::fill(m_kernel.begin(), m_kernel.end(), -1);
        element(0, 0) = 15;
        break;
    case 6:
        filterArraySize(3);
        element(0, 0) = 5;
        element(-1, 0) = element(1, 0) = element(0, -1) = element(0, 1) = -1;
        break;
    case 8:
        filterArraySize(3);
        element(-1, -1) = -1;
        element(1, 1) = 1;
        m_weight = 1; // the elements sum to 0
        return;
    default: // Unsharp blurs with type 1's kernel as it runs
        m_weight = 0;
        return;
    }
    int32_t sum = 0;
    for (int32_t value : m_kernel)
        sum += value;
    m_weight = sum;
}

// Sizes 3 and 5, every element 0.
void ImageFilters::filterArraySize(int32_t size)
{
    m_size = size;
    m_half = size / 2;
    m_kernel.assign(static_cast<size_t>(size) * size, 0);
}

// ---------------------------------------------------------------------------
// Filters

bool ImageFilters::processImage(PixelSurface& image, PixelSurface& buffer)
{
    if (m_type == 0) return false;
    if (!sameSize(image, buffer) || &image == &buffer) return false;
    switch (m_type) {
    case 7:
        // 2 x image - the image blurred with type 1's kernel; on the border,
        // which the blur leaves as it was, that is the image itself.
        filterType(1);
        convolutionPass(image, Look::Unsharp);
        filterType(7);
        break;
    case 8: // the filtered image + 127, the border too
        convolutionPass(image, Look::Emboss);
        raiseFrame(image, m_half);
        break;
    default:
        convolutionPass(image, Look::Plain);
        break;
    }
    return true;
}

void ImageFilters::convolutionPass(PixelSurface& image, Look look)
{
    const int32_t h = m_half;
    if (image.width() >= 2 * h + 1 && image.height() >= 2 * h + 1)
        convolve(image, KernelView { m_kernel.data(), h, m_weight }, look);
}

bool ImageFilters::addImages(const PixelSurface& sourceImage, PixelSurface& target, int32_t fromMultiplierValue,
    int32_t fromOffsetR, int32_t fromOffsetG, int32_t fromOffsetB, int32_t toMultiplierValue, int32_t toOffsetR,
    int32_t toOffsetG, int32_t toOffsetB)
{
    if (!sameSize(sourceImage, target)) return false;
    const Blend blend { fromMultiplierValue, toMultiplierValue, { fromOffsetR, fromOffsetG, fromOffsetB },
        { toOffsetR, toOffsetG, toOffsetB } };
    const int32_t rowBytes = 3 * target.width();
    const int32_t H = target.height();

    // 32 bits suffice when no byte and offset can push a term past them
    // (the bound is taken in double, which cannot overflow).
    double bound = 0;
    for (int c = 0; c < 3; ++c)
        bound = std::max(bound,
            (255.0 + std::fabs(double(blend.fromOffset[c]))) * std::fabs(double(fromMultiplierValue))
                + (255.0 + std::fabs(double(blend.toOffset[c]))) * std::fabs(double(toMultiplierValue)));
    if (bound > INT32_MAX || &sourceImage == &target) {
        for (int32_t y = 0; y < H; ++y)
            blendRowExact(sourceImage.memoryRow(y), target.memoryRow(y), rowBytes, blend);
        return false;
    }
    std::array<int32_t, 3> constants;
    for (int c = 0; c < 3; ++c)
        constants[c] = blend.fromOffset[c] * fromMultiplierValue + blend.toOffset[c] * toMultiplierValue;
    std::vector<int32_t> rowConstants(static_cast<size_t>(rowBytes));
    for (int32_t b = 0; b < rowBytes; ++b)
        rowConstants[b] = constants[b % 3];
    for (int32_t y = 0; y < H; ++y)
        blendRowFast(sourceImage.memoryRow(y), target.memoryRow(y), rowConstants.data(), rowBytes, fromMultiplierValue,
            toMultiplierValue);
    return false;
}

// ---------------------------------------------------------------------------
// Tone operations

bool ImageFilters::fade(PixelSurface& target, int32_t level)
{
    const int32_t amount = std::clamp(level, 0, 255);
    std::array<uint8_t, 256> faded;
    for (int32_t v = 0; v < 256; ++v)
        faded[v] = static_cast<uint8_t>(v * amount / 255);
    const int32_t rowBytes = 3 * target.width();
    for (int32_t y = 0; y < target.height(); ++y) {
        uint8_t* row = target.memoryRow(y);
        for (int32_t b = 0; b < rowBytes; ++b)
            row[b] = faded[row[b]];
    }
    return true;
}

bool ImageFilters::lighten(PixelSurface& target, int32_t level)
{
    using namespace Hls;

    // Lightness and saturation, and so the lightened range of the channels,
    // depend only on the largest and the smallest byte of a pixel; they are
    // worked out once per pair with the very steps of rgbToHls and hlsToRgb.
    // Only the hue is left to each pixel, and it only decides where the
    // three values go.
    struct Range {
        float mn; // smallest channel after lightening
        float span; // its spread
    };
    struct RangeBytes {
        uint8_t high; // the largest and the smallest channel as bytes
        uint8_t low;
    };
    std::array<float, 256> unit;
    for (int32_t v = 0; v < 256; ++v)
        unit[v] = steps::unit(v);
    // Amounts below -100 need no clamp to -100: a factor below 0 makes the
    // lightness 0 or less, and then every channel, placed between the two
    // non-positive ends of its range, comes out 0 or less: 0 as a byte,
    // exactly as with a factor of 0. (Above 1 the lightness does need its
    // clamp: for huge factors the float rounding of the range would let a
    // channel fall below 255.)
    const double factor = 1.0 + level / 100.0;
    // Pairs hi >= lo, packed as a triangle (row hi starts at hi (hi + 1) / 2)
    // so that the tables stay small enough for the cache.
    std::array<int32_t, 256> triangleRow;
    for (int32_t hi = 0; hi < 256; ++hi)
        triangleRow[hi] = hi * (hi + 1) / 2;
    std::vector<Range> ranges(256 * 257 / 2);
    std::vector<RangeBytes> rangeBytes(256 * 257 / 2);
    for (int32_t hi = 0; hi < 256; ++hi) {
        for (int32_t lo = 0; lo <= hi; ++lo) {
            Range& range = ranges[triangleRow[hi] + lo];
            RangeBytes& bytes = rangeBytes[triangleRow[hi] + lo];
            const float mx = unit[hi], mn = unit[lo];
            const float l = steps::lightness(mx, mn);
            float lighter = static_cast<float>(factor * l);
            if (lighter > 1) lighter = 1;
            if (hi == lo) {
                // Saturation 0: every channel is the lightness. With these
                // values the general placement below gives exactly that
                // (the hue comes out 0 and the middle channel is mn + 0).
                range = { lighter, 0.0f };
                bytes.high = bytes.low = clampByte(steps::scaleToInteger(lighter));
                continue;
            }
            float mxLighter, d;
            steps::channelRange(steps::saturation(mx, mn, l), lighter, range.mn, mxLighter, d);
            range.span = d;
            bytes.high = clampByte(steps::scaleToInteger(mxLighter));
            bytes.low = clampByte(steps::scaleToInteger(range.mn));
        }
    }

    // hlsToRgb by hue, without branches: the sextant k (h < 1, 1 <= h < 3,
    // h >= 3) names the channel that takes the maximum, the side of its
    // centre 2k the one that takes the minimum, and the third channel gets
    // mn + |h - 2k| x span, which equals mn - (h - 2k) x span bit for bit.
    // Byte positions: red 2, green 1, blue 0.
    static constexpr uint8_t maxAt[3] = { 2, 1, 0 };
    static constexpr uint8_t minAt[3][2] = { { 0, 1 }, { 2, 0 }, { 1, 2 } }; // [k][h < 2k]
    static constexpr uint8_t midAt[3][2] = { { 1, 0 }, { 0, 2 }, { 2, 1 } };
    // rgbToHls's hue: the numerator of the channel that holds the maximum
    // (red before green before blue) is the next channel minus the one after.
    static constexpr uint8_t next[3] = { 1, 2, 0 };
    static constexpr uint8_t afterNext[3] = { 2, 0, 1 };

    // Two passes per row: the hues (with their division) first, the table
    // look-ups and stores second, so that neither waits on the other.
    const int32_t W = target.width();
    std::vector<float> hues(static_cast<size_t>(W));
    std::vector<int32_t> pairs(static_cast<size_t>(W));
    for (int32_t y = 0; y < target.height(); ++y) {
        uint8_t* row = target.memoryRow(y);
        const uint8_t* p = row;
        for (int32_t x = 0; x < W; ++x, p += 3) {
            const uint8_t rgb[3] = { p[2], p[1], p[0] };
            const uint8_t hi = std::max({ rgb[0], rgb[1], rgb[2] });
            const uint8_t lo = std::min({ rgb[0], rgb[1], rgb[2] });
            const int32_t m = (rgb[0] != hi) * (1 + (rgb[1] != hi)); // red, else green, else blue
            // rgbToHls's d; 1 for grey, where the numerator is 0 anyway.
            const double d = hi == lo ? 1.0 : static_cast<float>(static_cast<double>(unit[hi]) - unit[lo]);
            const double numerator = static_cast<double>(unit[rgb[next[m]]]) - unit[rgb[afterNext[m]]];
            hues[x] = static_cast<float>(2.0 * m + numerator / d);
            pairs[x] = triangleRow[hi] + lo;
        }
        uint8_t* q = row;
        for (int32_t x = 0; x < W; ++x, q += 3) {
            const float h = hues[x];
            const Range& range = ranges[pairs[x]];
            const RangeBytes& bytes = rangeBytes[pairs[x]];
            const int32_t k = (h >= 1.0f) + (h >= 3.0f);
            const int32_t below = h < static_cast<float>(2 * k);
            const float mid = static_cast<float>(range.mn + std::fabs(h - 2.0 * k) * static_cast<double>(range.span));
            q[maxAt[k]] = bytes.high;
            q[minAt[k][below]] = bytes.low;
            q[midAt[k][below]] = clampByte(steps::scaleToInteger(mid));
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Other pixel operations

bool ImageFilters::grayScale(PixelSurface& target)
{
    for (int32_t y = 0; y < target.height(); ++y) {
        uint8_t* p = target.memoryRow(y);
        for (int32_t x = 0; x < target.width(); ++x, p += 3)
            p[0] = p[1] = p[2] = greyValue(p);
    }
    return true;
}

bool ImageFilters::addNoise(PixelSurface& target, int32_t percent, uint32_t seed)
{
    const int64_t span = static_cast<int64_t>(percent) * 128 / 100;
    const int64_t half = span / 2;
    // The generator's own 32 bits, not a distribution of the library, so
    // that the grain of a seed is the same wherever the program runs.
    std::mt19937 generator(seed);
    for (int32_t y = 0; y < target.height(); ++y) {
        uint8_t* p = target.memoryRow(y);
        for (int32_t x = 0; x < target.width(); ++x, p += 3) {
            const auto shift = static_cast<int64_t>(
                std::nearbyint(generator() / 4294967296.0 * static_cast<double>(span) - static_cast<double>(half)));
            for (int c = 0; c < 3; ++c)
                p[c] = clampByte(p[c] + shift);
        }
    }
    return true;
}

bool ImageFilters::colourise(PixelSurface& target, float hue, float saturationValue)
{
    using namespace Hls;
    const float saturation = std::clamp(saturationValue, 0.0f, 1.0f);
    // The new colour depends only on the pixel's lightness, and so on its
    // largest and smallest byte: one hlsToRgb per pair (hi >= lo, packed as
    // a triangle, row hi starting at hi (hi + 1) / 2), with rgbToHls's own
    // steps for the lightness.
    std::array<int32_t, 256> triangleRow;
    for (int32_t hi = 0; hi < 256; ++hi)
        triangleRow[hi] = hi * (hi + 1) / 2;
    struct Bytes {
        uint8_t blue, green, red;
    };
    std::vector<Bytes> colours(256 * 257 / 2);
    for (int32_t hi = 0; hi < 256; ++hi)
        for (int32_t lo = 0; lo <= hi; ++lo) {
            int32_t r, g, b;
            hlsToRgb(hue, saturation, steps::lightness(steps::unit(hi), steps::unit(lo)), r, g, b);
            colours[triangleRow[hi] + lo] = { clampByte(b), clampByte(g), clampByte(r) };
        }
    for (int32_t y = 0; y < target.height(); ++y) {
        uint8_t* p = target.memoryRow(y);
        for (int32_t x = 0; x < target.width(); ++x, p += 3) {
            const Bytes& colour = colours[triangleRow[std::max({ p[0], p[1], p[2] })] + std::min({ p[0], p[1], p[2] })];
            p[0] = colour.blue;
            p[1] = colour.green;
            p[2] = colour.red;
        }
    }
    return true;
}
