#include "imaging/BilinearResampler.h"

#include "imaging/KernelClones.h"
#include "imaging/PictureOrientation.h"
#include "platform/PixelSurface.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

// The source rows of a picture that is stored as it is seen.
class StoredRows {
public:
    explicit StoredRows(const PixelSurface& source)
        : m_source(source)
    {
    }
    void prepare(int32_t) { }
    const uint8_t* row(int32_t r) const { return m_source.memoryRow(r); }

private:
    const PixelSurface& m_source;
};

// The source rows of a picture stored on its side, upright: before each group
// of destination rows the upright rows they blend are copied out of the
// stored columns in one pass over the stored rows, into a band small enough
// to stay cached while the group is resampled.
class TurnedRows {
public:
    TurnedRows(const PixelSurface& stored, int orientation, int32_t destinationHeight)
        : m_stored(stored)
        , m_orientation(orientation)
        , m_scale(scaleFactor(stored.width(), destinationHeight))
        , m_destinationHeight(destinationHeight)
        , m_rowBytes(3 * stored.height() + 1) // a spare byte for copyTurnedRows
        , m_slot(stored.width(), -1)
        , m_band(size_t(2 * GroupRows) * m_rowBytes)
    {
    }

    // Makes the two source rows of destination row y available.
    void prepare(int32_t y)
    {
        if (y < m_groupEnd) return;
        for (const int32_t r : m_rows)
            m_slot[r] = -1;
        m_rows.clear();
        m_groupEnd = std::min(y + GroupRows, m_destinationHeight);
        const int32_t sourceHeight = m_stored.width();
        for (int32_t d = y; d < m_groupEnd; ++d) {
            const SamplePosition p = samplePosition(d, m_scale, sourceHeight);
            for (const int32_t r : { p.low, p.high })
                if (m_rows.empty() || m_rows.back() < r) m_rows.push_back(r);
        }
        std::vector<uint8_t*> out(m_rows.size());
        for (size_t i = 0; i < m_rows.size(); ++i) {
            m_slot[m_rows[i]] = static_cast<int32_t>(i);
            out[i] = m_band.data() + i * m_rowBytes;
        }
        PictureOrientation::copyTurnedRows(m_stored, m_orientation, m_rows, out.data());
    }
    const uint8_t* row(int32_t r) const { return m_band.data() + size_t(m_slot[r]) * m_rowBytes; }

private:
    // Destination rows per group: at half size they blend 32 upright rows,
    // 96 bytes of each stored row.
    static constexpr int32_t GroupRows = 16;

    const PixelSurface& m_stored;
    const int m_orientation;
    const float m_scale;
    const int32_t m_destinationHeight;
    const size_t m_rowBytes;
    int32_t m_groupEnd = 0;
    std::vector<int32_t> m_rows; // ascending
    std::vector<int32_t> m_slot; // band row of each source row, or -1
    std::vector<uint8_t> m_band;
};

// Fills destination from the source of ws x hs pixels whose memory rows
// rows gives.
template <typename Rows> void resampleRows(Rows& rows, int32_t ws, int32_t hs, PixelSurface& destination)
{
    const int32_t wd = destination.width();
    const int32_t hd = destination.height();
    const float sx = scaleFactor(ws, wd);
    const float sy = scaleFactor(hs, hd);

    // Per destination column: the source byte offsets of the left and right
    // pixels and the weight, repeated for the three channels.
    const int32_t outBytes = 3 * wd;
    std::vector<int32_t> leftOffset(wd), rightOffset(wd), weights(outBytes);
    struct DoubleColumn {
        int32_t x;
        double tx;
    };
    std::vector<DoubleColumn> doubleColumns;
    for (int32_t x = 0; x < wd; ++x) {
        const SamplePosition p = samplePosition(x, sx, ws);
        leftOffset[x] = 3 * p.low;
        rightOffset[x] = 3 * p.high;
        const int32_t weight = exactWeight(p.t);
        if (weight < 0) doubleColumns.push_back({ x, p.t });
        std::fill_n(weights.begin() + 3 * x, 3, std::max(weight, 0));
    }

    // One spare byte after each row: the gather copies 4 bytes per pixel.
    const int32_t rowBytes = 3 * ws;
    std::vector<uint8_t> blended(rowBytes + 1), left(outBytes + 1), right(outBytes + 1);
    for (int32_t y = 0; y < hd; ++y) {
        const SamplePosition p = samplePosition(y, sy, hs);
        rows.prepare(y);
        const uint8_t* below = rows.row(p.low);
        const uint8_t* above = rows.row(p.high);
        const int32_t rowWeight = exactWeight(p.t);
        if (rowWeight >= 0) {
            blendRowsExact(below, above, blended.data(), rowBytes, rowWeight);
        } else {
            for (int32_t i = 0; i < rowBytes; ++i)
                blended[i] = blendDouble(below[i], above[i], p.t);
        }

        for (int32_t x = 0; x < wd; ++x) {
            std::memcpy(left.data() + 3 * x, blended.data() + leftOffset[x], 4);
            std::memcpy(right.data() + 3 * x, blended.data() + rightOffset[x], 4);
        }
        uint8_t* out = destination.memoryRow(y);
        blendColumnsExact(left.data(), right.data(), weights.data(), out, outBytes);
        for (const DoubleColumn& column : doubleColumns)
            for (int32_t c = 0; c < 3; ++c) {
                const int32_t i = 3 * column.x + c;
                out[i] = blendDouble(left[i], right[i], column.tx);
            }
    }
}

} // namespace

void BilinearResampler::resample(const PixelSurface& source, PixelSurface& destination)
{
    StoredRows rows(source);
    resampleRows(rows, source.width(), source.height(), destination);
}

void BilinearResampler::resampleTurned(const PixelSurface& stored, int orientation, PixelSurface& destination)
{
    // The upright picture is stored.height() wide and stored.width() high.
    TurnedRows rows(stored, orientation, destination.height());
    resampleRows(rows, stored.height(), stored.width(), destination);
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
