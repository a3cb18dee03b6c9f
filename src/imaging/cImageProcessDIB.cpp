#include "imaging/cImageProcessDIB.h"

#include "imaging/cDIBSection.h"
#include "imaging/cPalette.h"
#include "imaging/mHLSRGB.h"
#include "platform/Clock.h"
#include "platform/RuntimeError.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The object's error numbers, negative as 32-bit values; the zero weight
// has the next free number of the object. 9 is the runtime's own
// "Subscript out of range".
constexpr long errorOddSize = static_cast<int32_t>(0x80040519u);
constexpr long errorInvalid = static_cast<int32_t>(0x8004051Au);
constexpr long errorZeroWeight = static_cast<int32_t>(0x8004051Bu);
constexpr long errorSubscript = 9;

[[noreturn]] void raiseError(long number, const QString& description)
{
    throw RuntimeError(number, RuntimeError::sourceFor(QStringLiteral("cImageProcess")), description);
}

bool live(const cDIBSection& dib)
{
    return dib.DIBSectionBitsPtr() != nullptr;
}

bool sameLiveSize(const cDIBSection& a, const cDIBSection& b)
{
    return live(a) && live(b) && a.Width() == b.Width() && a.Height() == b.Height();
}

uint8_t* memoryRow(const cDIBSection& dib, int32_t r)
{
    return dib.DIBSectionBitsPtr() + static_cast<int64_t>(r) * dib.BytesPerScanLine();
}

// Byte offset of the last pixel column.
int32_t lastColumn(const cDIBSection& dib)
{
    return 3 * (dib.Width() - 1);
}

uint8_t clampByte(int64_t v)
{
    return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// ---------------------------------------------------------------------------
// Convolution rows.
//
// Each output row is summed over the whole row at once: for every kernel
// element, the source row it touches, shifted by 3i bytes, is multiplied and
// added into a row of accumulators. The three channels of a pixel use the
// same kernel, so the bytes are treated alike whatever channel they hold.
// Loops go in blocks of 16 so the compiler turns them into vector code.
// The accumulator type is the narrowest that holds every partial sum
// (|sum| <= 255 x the sum of the |elements|), so the sums are exact.

constexpr int32_t block = 16;

template <typename Acc, typename Src>
void multiplyAdd(Acc* __restrict acc, const Src* __restrict src, int32_t k, int32_t n)
{
    const Acc kk = static_cast<Acc>(k);
    int32_t b = 0;
    if (k == 1) {
        for (; b + block <= n; b += block)
            for (int32_t t = 0; t < block; ++t)
                acc[b + t] = static_cast<Acc>(acc[b + t] + src[b + t]);
    } else if (k == -1) {
        for (; b + block <= n; b += block)
            for (int32_t t = 0; t < block; ++t)
                acc[b + t] = static_cast<Acc>(acc[b + t] - src[b + t]);
    } else {
        for (; b + block <= n; b += block)
            for (int32_t t = 0; t < block; ++t)
                acc[b + t] = static_cast<Acc>(acc[b + t] + kk * src[b + t]);
    }
    for (; b < n; ++b)
        acc[b] = static_cast<Acc>(acc[b] + kk * src[b]);
}

void addBytes(int16_t* __restrict sums, const uint8_t* __restrict row, int32_t n, int32_t sign)
{
    int32_t b = 0;
    if (sign > 0) {
        for (; b + block <= n; b += block)
            for (int32_t t = 0; t < block; ++t)
                sums[b + t] = static_cast<int16_t>(sums[b + t] + row[b + t]);
        for (; b < n; ++b)
            sums[b] = static_cast<int16_t>(sums[b] + row[b]);
    } else {
        for (; b + block <= n; b += block)
            for (int32_t t = 0; t < block; ++t)
                sums[b + t] = static_cast<int16_t>(sums[b + t] - row[b + t]);
        for (; b < n; ++b)
            sums[b] = static_cast<int16_t>(sums[b] - row[b]);
    }
}

// sum / weight truncated toward zero (C++ division, as the definition
// requires: -3 / 7 is 0, -7 / 7 is -1), then clamped to a byte.
template <typename Acc> void finishScalar(uint8_t* out, const Acc* acc, int32_t from, int32_t n, int32_t weight)
{
    for (int32_t b = from; b < n; ++b)
        out[b] = clampByte(static_cast<int64_t>(acc[b]) / weight);
}

template <typename Acc> void finish(uint8_t* out, const Acc* acc, int32_t n, int32_t weight)
{
    finishScalar(out, acc, 0, n, weight);
}

// Sums of at most 16 bits. With weight 1 the saturating pack is the clamp.
// Otherwise the quotient is taken in float: every sum is exact in float,
// and for 1 < weight <= 2^16 a quotient below 256 that is not an integer
// lies at least 1/weight >= 2^-16 below the next integer, more than the
// float rounding there (at most 2^-17), so truncating the float quotient
// gives the integer quotient; quotients from 256 up saturate to 255 and
// negative ones (truncated toward zero) to 0, as the clamp does.
template <> void finish<int16_t>(uint8_t* out, const int16_t* acc, int32_t n, int32_t weight)
{
    int32_t b = 0;
#if defined(__SSE2__)
    if (weight == 1) {
        for (; b + 16 <= n; b += 16) {
            const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + b));
            const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + b + 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b), _mm_packus_epi16(lo, hi));
        }
    } else if (weight > 1 && weight <= 65536) {
        const __m128 w = _mm_set1_ps(static_cast<float>(weight));
        for (; b + 16 <= n; b += 16) {
            __m128i packed[2];
            for (int half = 0; half < 2; ++half) {
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(acc + b + 8 * half));
                const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(a, a), 16);
                const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(a, a), 16);
                const __m128i qlo = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(lo), w));
                const __m128i qhi = _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(hi), w));
                packed[half] = _mm_packs_epi32(qlo, qhi);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + b), _mm_packus_epi16(packed[0], packed[1]));
        }
    }
#endif
    finishScalar(out, acc, b, n, weight);
}

struct KernelView {
    const int32_t* values; // element (i, j) at (j + half) x (2 half + 1) + (i + half)
    int32_t half;
    int32_t weight;

    int32_t at(int32_t i, int32_t j) const { return values[(j + half) * (2 * half + 1) + (i + half)]; }
};

// Output rows half .. H - 1 - half, bytes 3 half .. 3 (W - half) - 1 of the
// destination; the border keeps what the destination held.
template <typename Acc> void convolveRows(const cDIBSection& source, cDIBSection& destination, const KernelView& kernel)
{
    const int32_t h = kernel.half;
    const int32_t W = source.Width();
    const int32_t H = source.Height();
    const int32_t x1 = 3 * h;
    const int32_t n = 3 * W - 6 * h;
    const int32_t rowBytes = 3 * W;

    // A kernel whose rows are all alike sums each column of 2h + 1 bytes
    // first, keeping those sums running from one output row to the next, and
    // then applies one row of the kernel across: the same integer sum,
    // regrouped.
    bool rowsAlike = true;
    for (int32_t j = -h; j <= h && rowsAlike; ++j)
        for (int32_t i = -h; i <= h; ++i)
            rowsAlike = rowsAlike && kernel.at(i, j) == kernel.at(i, -h);

    std::vector<Acc> acc(static_cast<size_t>(n));
    std::vector<int16_t> columnSums(rowsAlike ? static_cast<size_t>(rowBytes) : 0);
    for (int32_t y = h; y <= H - 1 - h; ++y) {
        std::fill(acc.begin(), acc.end(), Acc(0));
        if (rowsAlike) {
            if (y == h) {
                for (int32_t j = -h; j <= h; ++j)
                    addBytes(columnSums.data(), memoryRow(source, y + j), rowBytes, 1);
            } else {
                addBytes(columnSums.data(), memoryRow(source, y + h), rowBytes, 1);
                addBytes(columnSums.data(), memoryRow(source, y - h - 1), rowBytes, -1);
            }
            for (int32_t i = -h; i <= h; ++i)
                if (const int32_t k = kernel.at(i, -h)) multiplyAdd(acc.data(), columnSums.data() + x1 + 3 * i, k, n);
        } else {
            for (int32_t j = -h; j <= h; ++j) {
                const uint8_t* row = memoryRow(source, y + j) + x1;
                for (int32_t i = -h; i <= h; ++i)
                    if (const int32_t k = kernel.at(i, j)) multiplyAdd(acc.data(), row + 3 * i, k, n);
            }
        }
        finish(memoryRow(destination, y) + x1, acc.data(), n, kernel.weight);
    }
}

// Copies the frame of width border of source into destination, the only
// part a pass leaves as it was: a pass writes every pixel at least border
// away from each edge when the picture is wider and higher than twice the
// frame, and none otherwise (then all of it is copied).
void copyFrame(const cDIBSection& source, cDIBSection& destination, int32_t border)
{
    const int32_t W = source.Width();
    const int32_t H = source.Height();
    if (2 * border >= W || 2 * border >= H) {
        destination.LoadPictureBlt(source.hdc());
        return;
    }
    const size_t rowBytes = static_cast<size_t>(3 * W);
    const size_t side = static_cast<size_t>(3 * border);
    for (int32_t r = 0; r < H; ++r) {
        const uint8_t* from = memoryRow(source, r);
        uint8_t* to = memoryRow(destination, r);
        if (r < border || r >= H - border) {
            std::memcpy(to, from, rowBytes);
        } else {
            std::memcpy(to, from, side);
            std::memcpy(to + rowBytes - side, from + rowBytes - side, side);
        }
    }
}

void convolve(const cDIBSection& source, cDIBSection& destination, const KernelView& kernel)
{
    const int32_t count = (2 * kernel.half + 1) * (2 * kernel.half + 1);
    int64_t absoluteSum = 0;
    for (int32_t e = 0; e < count; ++e)
        absoluteSum += std::llabs(static_cast<int64_t>(kernel.values[e]));
    const int64_t bound = absoluteSum * 255;
    if (bound <= INT16_MAX)
        convolveRows<int16_t>(source, destination, kernel);
    else if (bound <= INT32_MAX)
        convolveRows<int32_t>(source, destination, kernel);
    else
        convolveRows<int64_t>(source, destination, kernel);
}

// Minimum (takeMax false) or maximum of the 3 x 3 neighbourhood per byte:
// first down each column of three rows, then across three pixels.
void rankRows(const cDIBSection& source, cDIBSection& destination, bool takeMax)
{
    const int32_t W = source.Width();
    const int32_t H = source.Height();
    const int32_t rowBytes = 3 * W;
    const int32_t n = rowBytes - 6;
    std::vector<uint8_t> column(static_cast<size_t>(rowBytes));
    auto pick = [takeMax](uint8_t a, uint8_t b) { return takeMax ? std::max(a, b) : std::min(a, b); };
    for (int32_t y = 1; y <= H - 2; ++y) {
        const uint8_t* below = memoryRow(source, y - 1);
        const uint8_t* middle = memoryRow(source, y);
        const uint8_t* above = memoryRow(source, y + 1);
        for (int32_t b = 0; b < rowBytes; ++b)
            column[b] = pick(pick(below[b], middle[b]), above[b]);
        uint8_t* out = memoryRow(destination, y) + 3;
        for (int32_t b = 0; b < n; ++b)
            out[b] = pick(pick(column[b], column[b + 3]), column[b + 6]);
    }
}

// Per-byte blend of AddImages for one row: (from + offset) x multiplier +
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

// 222 red + 707 green + 71 blue of the pixel at p (bytes blue, green, red).
int32_t brightness(const uint8_t* p)
{
    return 222 * p[2] + 707 * p[1] + 71 * p[0];
}

// round(sum / 1000), ties to even, in integers.
uint8_t greyValue(const uint8_t* p)
{
    const int32_t sum = brightness(p);
    int32_t q = sum / 1000;
    const int32_t remainder = sum - 1000 * q;
    if (remainder > 500 || (remainder == 500 && (q & 1))) ++q;
    return static_cast<uint8_t>(q);
}

std::mt19937& noiseGenerator()
{
    static std::mt19937 generator(std::random_device {}());
    return generator;
}

} // namespace

// ---------------------------------------------------------------------------
// Kernel

void cImageProcessDIB::FilterType(int32_t eType)
{
    if (eType < 1 || eType > 13) raiseError(errorInvalid, QStringLiteral("Invalid filter types."));
    m_type = eType;
    switch (eType) {
    case 1:
    case 2:
        FilterArraySize(eType == 1 ? 3 : 5);
        std::fill(m_kernel.begin(), m_kernel.end(), 1);
        break;
    case 3:
    case 4: {
        FilterArraySize(eType == 3 ? 3 : 5);
        for (int32_t j = -m_half; j <= m_half; ++j)
            for (int32_t i = -m_half; i <= m_half; ++i)
                element(i, j) = m_half - std::max(std::abs(i), std::abs(j)) + 1;
        // size / 2 x size in floating point, rounded half to even: 4.5 -> 4,
        // 12.5 -> 12.
        element(0, 0) = static_cast<int32_t>(std::nearbyint(m_size / 2.0 * m_size));
        break;
    }
    case 5:
        FilterArraySize(3);
        std::fill(m_kernel.begin(), m_kernel.end(), -1);
        element(0, 0) = 15;
        break;
    case 6:
        FilterArraySize(3);
        element(0, 0) = 5;
        element(-1, 0) = element(1, 0) = element(0, -1) = element(0, 1) = -1;
        break;
    case 8:
        FilterArraySize(3);
        element(-1, -1) = -1;
        element(1, 1) = 1;
        m_weight = 1; // the elements sum to 0
        return;
    case 13:
        return;
    default: // 7, 9, 10, 11, 12 need no kernel
        m_weight = 0;
        return;
    }
    int32_t sum = 0;
    for (int32_t value : m_kernel)
        sum += value;
    m_weight = sum;
}

void cImageProcessDIB::FilterArraySize(int32_t lSize)
{
    if (lSize % 2 == 0) raiseError(errorOddSize, QStringLiteral("Size must be an odd number"));
    // Size 1 (a single element) is admitted as well.
    if (lSize < 0 || lSize > 9)
        raiseError(errorInvalid, QStringLiteral("Invalid size.  Size should be an odd number from 3 to 9"));
    m_size = lSize;
    m_half = lSize / 2;
    m_kernel.assign(static_cast<size_t>(lSize) * lSize, 0);
}

size_t cImageProcessDIB::elementIndex(int32_t iX, int32_t iY) const
{
    if (m_kernel.empty() || iX < -m_half || iX > m_half || iY < -m_half || iY > m_half)
        raiseError(errorSubscript, QStringLiteral("Subscript out of range"));
    return static_cast<size_t>((iY + m_half) * m_size + (iX + m_half));
}

int32_t cImageProcessDIB::FilterValue(int32_t iX, int32_t iY) const
{
    return m_kernel[elementIndex(iX, iY)];
}

void cImageProcessDIB::FilterValue(int32_t iX, int32_t iY, int32_t lValue)
{
    m_kernel[elementIndex(iX, iY)] = lValue;
}

// ---------------------------------------------------------------------------
// Filters

cImageProcessDIB::ColumnEvents cImageProcessDIB::beginColumns(int32_t first, int32_t last, uint32_t startMs)
{
    if (m_listener) m_listener->InitProgress(last);
    return { first, last, startMs };
}

void cImageProcessDIB::endColumns(const ColumnEvents& events)
{
    if (!m_listener) return;
    for (int32_t x = events.first; x <= events.last; x += 3)
        m_listener->Progress(x);
    m_listener->Complete(static_cast<int32_t>(Clock::timeGetTime() - events.startMs));
}

bool cImageProcessDIB::ProcessImage(cDIBSection& cImage, cDIBSection& cBuffer)
{
    if (m_type == 0 || m_type == 12) return false;
    // The passes read cImage while writing cBuffer, so they must differ.
    if (!sameLiveSize(cImage, cBuffer) || &cImage == &cBuffer) return false;

    const bool convolution = (m_type >= 1 && m_type <= 6) || m_type == 8 || m_type == 13;
    if (convolution) {
        if (m_kernel.empty()) raiseError(errorSubscript, QStringLiteral("Subscript out of range"));
        if (m_weight == 0)
            raiseError(errorZeroWeight, QStringLiteral("Invalid weight.  The filter weight must not be 0"));
    }

    // The passes write only the inner pixels of cBuffer, so the border of
    // width h keeps a copy of the unfiltered picture; the inner pixels need
    // none. Unsharp and the rank filters work with a 3 x 3 neighbourhood.
    const bool threeByThree = m_type == 7 || (m_type >= 9 && m_type <= 11);
    copyFrame(cImage, cBuffer, threeByThree ? 1 : m_half);
    switch (m_type) {
    case 7:
        FilterType(1);
        convolutionPass(cImage, cBuffer);
        AddImages(cBuffer, cImage, -1, 0, 0, 0, 2, 0, 0, 0);
        FilterType(7);
        return true;
    case 8:
        convolutionPass(cImage, cBuffer);
        // The border too gets + 127: it is the unfiltered copy.
        AddImages(cBuffer, cImage, 1, 127, 127, 127, 0, 0, 0, 0);
        return true;
    case 9:
    case 10:
    case 11:
        rankPass(cImage, cBuffer);
        break;
    default:
        convolutionPass(cImage, cBuffer);
        break;
    }
    cImage.LoadPictureBlt(cBuffer.hdc());
    return true;
}

void cImageProcessDIB::convolutionPass(const cDIBSection& source, cDIBSection& destination)
{
    const int32_t h = m_half;
    const int32_t x1 = 3 * h;
    const int32_t x2 = 3 * (source.Width() - 1) - 3 * h;
    const ColumnEvents events = beginColumns(x1, x2);
    if (x2 >= x1 && source.Height() - 1 - h >= h)
        convolve(source, destination, KernelView { m_kernel.data(), h, m_weight });
    endColumns(events);
}

void cImageProcessDIB::rankPass(const cDIBSection& source, cDIBSection& destination)
{
    const int32_t last = 3 * (source.Width() - 1) - 3;
    const ColumnEvents events = beginColumns(3, last);
    if (last >= 3 && source.Height() >= 3) {
        if (m_type == 9) {
            // The mean is the 3 x 3 sum divided by 9, truncated.
            static const std::array<int32_t, 9> ones = { 1, 1, 1, 1, 1, 1, 1, 1, 1 };
            convolve(source, destination, KernelView { ones.data(), 1, 9 });
        } else {
            rankRows(source, destination, m_type == 11);
        }
    }
    endColumns(events);
}

bool cImageProcessDIB::AddImages(const cDIBSection& cFrom, cDIBSection& cTo, int32_t lFromMultiplier,
    int32_t lFromOffsetR, int32_t lFromOffsetG, int32_t lFromOffsetB, int32_t lToMultiplier, int32_t lToOffsetR,
    int32_t lToOffsetG, int32_t lToOffsetB)
{
    if (!sameLiveSize(cFrom, cTo)) return false;
    const Blend blend { lFromMultiplier, lToMultiplier, { lFromOffsetR, lFromOffsetG, lFromOffsetB },
        { lToOffsetR, lToOffsetG, lToOffsetB } };
    const int32_t rowBytes = 3 * cTo.Width();
    const int32_t H = cTo.Height();

    // 32 bits suffice when no byte and offset can push a term past them
    // (the bound is taken in double, which cannot overflow).
    double bound = 0;
    for (int c = 0; c < 3; ++c)
        bound = std::max(bound,
            (255.0 + std::fabs(double(blend.fromOffset[c]))) * std::fabs(double(lFromMultiplier))
                + (255.0 + std::fabs(double(blend.toOffset[c]))) * std::fabs(double(lToMultiplier)));
    if (bound > INT32_MAX || &cFrom == &cTo) {
        for (int32_t y = 0; y < H; ++y)
            blendRowExact(memoryRow(cFrom, y), memoryRow(cTo, y), rowBytes, blend);
        return false;
    }
    std::array<int32_t, 3> constants;
    for (int c = 0; c < 3; ++c)
        constants[c] = blend.fromOffset[c] * lFromMultiplier + blend.toOffset[c] * lToMultiplier;
    std::vector<int32_t> rowConstants(static_cast<size_t>(rowBytes));
    for (int32_t b = 0; b < rowBytes; ++b)
        rowConstants[b] = constants[b % 3];
    for (int32_t y = 0; y < H; ++y)
        blendRowFast(
            memoryRow(cFrom, y), memoryRow(cTo, y), rowConstants.data(), rowBytes, lFromMultiplier, lToMultiplier);
    return false;
}

// ---------------------------------------------------------------------------
// Tone operations

bool cImageProcessDIB::Fade(cDIBSection& cTo, int32_t lAmount)
{
    if (!live(cTo)) return false;
    const int32_t amount = std::clamp(lAmount, 0, 255);
    const ColumnEvents events = beginColumns(0, lastColumn(cTo));
    std::array<uint8_t, 256> faded;
    for (int32_t v = 0; v < 256; ++v)
        faded[v] = static_cast<uint8_t>(v * amount / 255);
    const int32_t rowBytes = 3 * cTo.Width();
    for (int32_t y = 0; y < cTo.Height(); ++y) {
        uint8_t* row = memoryRow(cTo, y);
        for (int32_t b = 0; b < rowBytes; ++b)
            row[b] = faded[row[b]];
    }
    endColumns(events);
    return true;
}

bool cImageProcessDIB::Lighten(cDIBSection& cTo, int32_t lAmount)
{
    using namespace mHLSRGB;
    if (!live(cTo)) return false;
    const ColumnEvents events = beginColumns(0, lastColumn(cTo));

    // Lightness and saturation, and so the lightened range of the channels,
    // depend only on the largest and the smallest byte of a pixel; they are
    // worked out once per pair with the very steps of RGBToHLS and HLSToRGB.
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
    const double factor = 1.0 + lAmount / 100.0;
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

    // HLSToRGB by hue, without branches: the sextant k (h < 1, 1 <= h < 3,
    // h >= 3) names the channel that takes the maximum, the side of its
    // centre 2k the one that takes the minimum, and the third channel gets
    // mn + |h - 2k| x span, which equals mn - (h - 2k) x span bit for bit.
    // Byte positions: red 2, green 1, blue 0.
    static constexpr uint8_t maxAt[3] = { 2, 1, 0 };
    static constexpr uint8_t minAt[3][2] = { { 0, 1 }, { 2, 0 }, { 1, 2 } }; // [k][h < 2k]
    static constexpr uint8_t midAt[3][2] = { { 1, 0 }, { 0, 2 }, { 2, 1 } };
    // RGBToHLS's hue: the numerator of the channel that holds the maximum
    // (red before green before blue) is the next channel minus the one after.
    static constexpr uint8_t next[3] = { 1, 2, 0 };
    static constexpr uint8_t afterNext[3] = { 2, 0, 1 };

    // Two passes per row: the hues (with their division) first, the table
    // look-ups and stores second, so that neither waits on the other.
    const int32_t W = cTo.Width();
    std::vector<float> hues(static_cast<size_t>(W));
    std::vector<int32_t> pairs(static_cast<size_t>(W));
    for (int32_t y = 0; y < cTo.Height(); ++y) {
        uint8_t* row = memoryRow(cTo, y);
        const uint8_t* p = row;
        for (int32_t x = 0; x < W; ++x, p += 3) {
            const uint8_t rgb[3] = { p[2], p[1], p[0] };
            const uint8_t hi = std::max({ rgb[0], rgb[1], rgb[2] });
            const uint8_t lo = std::min({ rgb[0], rgb[1], rgb[2] });
            const int32_t m = (rgb[0] != hi) * (1 + (rgb[1] != hi)); // red, else green, else blue
            // RGBToHLS's d; 1 for grey, where the numerator is 0 anyway.
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
    endColumns(events);
    return true;
}

// ---------------------------------------------------------------------------
// Other pixel operations

bool cImageProcessDIB::GrayScale(cDIBSection& cTo)
{
    if (!live(cTo)) return false;
    const ColumnEvents events = beginColumns(0, lastColumn(cTo));
    for (int32_t y = 0; y < cTo.Height(); ++y) {
        uint8_t* p = memoryRow(cTo, y);
        for (int32_t x = 0; x < cTo.Width(); ++x, p += 3)
            p[0] = p[1] = p[2] = greyValue(p);
    }
    endColumns(events);
    return true;
}

namespace {

// Per pixel, cTo takes the cFrom pixel when wanted(brightness of cFrom,
// brightness of cTo) says so.
template <typename Wanted> void takePixels(const cDIBSection& cFrom, cDIBSection& cTo, Wanted wanted)
{
    for (int32_t y = 0; y < cTo.Height(); ++y) {
        const uint8_t* from = memoryRow(cFrom, y);
        uint8_t* to = memoryRow(cTo, y);
        for (int32_t x = 0; x < cTo.Width(); ++x, from += 3, to += 3)
            if (wanted(brightness(from), brightness(to))) std::memmove(to, from, 3);
    }
}

} // namespace

bool cImageProcessDIB::AddLightest(const cDIBSection& cFrom, cDIBSection& cTo)
{
    if (!sameLiveSize(cFrom, cTo)) return false;
    takePixels(cFrom, cTo, [](auto from, auto to) { return from < to; });
    return true;
}

bool cImageProcessDIB::AddDarkest(const cDIBSection& cFrom, cDIBSection& cTo)
{
    if (!sameLiveSize(cFrom, cTo)) return false;
    takePixels(cFrom, cTo, [](auto from, auto to) { return from > to; });
    return true;
}

bool cImageProcessDIB::BlackAndWhite(cDIBSection& cFrom, cDIBSection& cTo)
{
    if (!sameLiveSize(cFrom, cTo) || &cFrom == &cTo) return false;
    diffuse(cFrom, cTo, nullptr);
    return true;
}

bool cImageProcessDIB::ApplyPalette(cDIBSection& cFrom, cDIBSection& cTo, const cPalette& cPal)
{
    if (!sameLiveSize(cFrom, cTo) || &cFrom == &cTo || cPal.Count() == 0) return false;
    diffuse(cFrom, cTo, &cPal);
    return true;
}

// Error diffusion, column by column as the scan defines it: the error of a
// pixel goes to its right neighbour and to pixels of the next memory row.
// Without a palette the source is made grey first and the error is that of
// the grey value against black or white; with one, each channel's error
// against the nearest entry.
//
// The error's share for the pixel of the next row to the left (x - 3, weight
// 3/16) is not spread: that column has been output already, so the share
// could only change the source there, which nothing reads again before the
// output is copied over it. (The buffers are distinct: the callers refuse one
// buffer for both.)
void cImageProcessDIB::diffuse(cDIBSection& cFrom, cDIBSection& cTo, const cPalette* palette)
{
    const uint32_t startMs = Clock::timeGetTime();
    if (!palette) GrayScale(cFrom);
    const int32_t H = cTo.Height();
    const int32_t last = lastColumn(cTo);
    const ColumnEvents events = beginColumns(0, last, startMs);

    // Adds e x weight / 16 (truncated) to each byte of the pixel at (x, y)
    // of the source that the error applies to: all three for grey, one per
    // channel otherwise.
    auto spread = [&](int32_t x, int32_t y, const std::array<int32_t, 3>& error, int32_t weight) {
        uint8_t* p = memoryRow(cFrom, y) + x;
        if (!palette) {
            p[0] = p[1] = p[2] = clampByte(p[0] + (error[0] * weight) / 16);
            return;
        }
        for (int c = 0; c < 3; ++c)
            p[c] = clampByte(p[c] + (error[c] * weight) / 16);
    };

    for (int32_t x = 0; x <= last; x += 3) {
        for (int32_t y = 0; y < H; ++y) {
            const uint8_t* source = memoryRow(cFrom, y) + x;
            uint8_t* target = memoryRow(cTo, y) + x;
            std::array<int32_t, 3> error {};
            if (!palette) {
                const int32_t g = source[0];
                if (g <= 128) {
                    target[0] = target[1] = target[2] = 0;
                    error[0] = g > 16 ? g : 0;
                } else {
                    target[0] = target[1] = target[2] = 255;
                    error[0] = 127 - g;
                }
            } else {
                int32_t i = palette->ClosestIndex(source[2], source[1], source[0]);
                // Only a pixel at distance 765 from every entry (black against
                // white ones, say) finds none; all entries are then equally
                // far, and the first stands for them.
                if (i == 0) i = 1;
                target[2] = palette->Red(i);
                target[1] = palette->Green(i);
                target[0] = palette->Blue(i);
                for (int c = 0; c < 3; ++c)
                    error[c] = source[c] - target[c];
                if (std::abs(error[0]) + std::abs(error[1]) + std::abs(error[2]) <= 3) continue;
            }
            // Neither the first nor the last column receives error.
            if (x < last - 3) spread(x + 3, y, error, 7);
            if (y < H - 1) {
                if (x >= 1 && x < last) spread(x, y + 1, error, 5);
                if (x + 3 < last) spread(x + 3, y + 1, error, 1);
            }
        }
    }
    cFrom.LoadPictureBlt(cTo.hdc());
    endColumns(events);
}

bool cImageProcessDIB::AddNoise(cDIBSection& cTo, int32_t lPercent, bool bRandom)
{
    if (!live(cTo)) return false;
    const int32_t last = lastColumn(cTo);
    const ColumnEvents events = beginColumns(0, last);
    const int64_t span = static_cast<int64_t>(lPercent) * 128 / 100;
    const int64_t half = span / 2;
    std::mt19937& generator = noiseGenerator();
    std::uniform_real_distribution<double> draw(0.0, 1.0);
    for (int32_t x = 0; x <= last; x += 3) {
        for (int32_t y = 0; y < cTo.Height(); ++y) {
            if (bRandom && !(draw(generator) * 100 > lPercent)) continue;
            uint8_t* p = memoryRow(cTo, y) + x;
            for (int c = 0; c < 3; ++c) {
                const double v = std::nearbyint(draw(generator) * static_cast<double>(span) + (p[c] - half));
                p[c] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
            }
        }
    }
    endColumns(events);
    return true;
}

bool cImageProcessDIB::Colourise(cDIBSection& cTo, float fHue, float fSaturation)
{
    // fSaturation is accepted but not used: each pixel keeps its own
    // saturation, as Colourise always has.
    (void)fSaturation;
    if (!live(cTo)) return false;
    const ColumnEvents events = beginColumns(0, lastColumn(cTo));
    for (int32_t y = 0; y < cTo.Height(); ++y) {
        uint8_t* p = memoryRow(cTo, y);
        for (int32_t x = 0; x < cTo.Width(); ++x, p += 3) {
            float h, s, l;
            mHLSRGB::RGBToHLS(p[2], p[1], p[0], h, s, l);
            // Hue 0 marks grey pixels (and reds whose green equals blue);
            // they get a middle saturation so the new hue shows.
            if (h == 0) s = 0.5f;
            int32_t r, g, b;
            mHLSRGB::HLSToRGB(fHue, s, l, r, g, b);
            p[2] = clampByte(r);
            p[1] = clampByte(g);
            p[0] = clampByte(b);
        }
    }
    endColumns(events);
    return true;
}
