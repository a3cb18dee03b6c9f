#pragma once

#include "platform/PictureLoader.h"

#include <cstdint>
#include <memory>
#include <vector>

class PixelSurface;

// Scales a 24-bit bottom-up picture to another size by bilinear
// interpolation, anchored at the bottom-left pixel: scale factors
// (source size - 1) / destination size kept as float, positions and weights
// as float, each channel blended vertically, rounded (ties to even), then
// blended horizontally and rounded again.
//
// The blends are computed in 32-bit integers where that gives the same bytes
// as the double-precision definition (almost every row and column), and in
// double elsewhere.
class BilinearResampler {
public:
    // Fills destination from source; both must exist and differ in size
    // (equal sizes are a plain copy, done by the caller). A source 1 pixel wide
    // or high repeats its edge pixel.
    static void resample(const PixelSurface& source, PixelSurface& destination);
    // The same from a picture stored on its side (EXIF orientation 5 to 8, as
    // PictureOrientation reads them): destination is filled with the upright
    // picture scaled, its rows read out of the stored columns a few at a time
    // while it is scaled, with the bytes that turning it first would give.
    static void resampleTurned(const PixelSurface& stored, int orientation, PixelSurface& destination);
    // A new surface of width x height holding source scaled (a plain copy
    // at the same size), or nothing when that surface cannot be made.
    static std::unique_ptr<PixelSurface> resized(const PixelSurface& source, int32_t width, int32_t height);
    // The same for the upright picture of one stored on its side, scaled
    // without an upright copy at full size (at the upright size that copy
    // itself, PictureOrientation::turnInto).
    static std::unique_ptr<PixelSurface> resizedTurned(
        const PixelSurface& stored, int orientation, int32_t width, int32_t height);

    // Scales a picture whose rows come one at a time, top down, as it is
    // stored (EXIF orientation 1 to 8, as PictureOrientation reads them),
    // into destination, upright, with the bytes that turning it upright and
    // then resample() give. Each destination row or column is made as soon
    // as the stored rows it blends are in, so a decoder can hand its rows
    // over while they are still cached, and no picture at full size is
    // made. destination must differ in size from the upright picture.
    // Whether the scaling may gather pixels with the processor's byte
    // permutation where it has one (AVX-512 VBMI), as it does by default;
    // tests turn it off to check the other way, which gives the same bytes.
    static void allowByteWindows(bool allowed);

    class RowStream : public PictureLoader::RowSink {
    public:
        RowStream(int32_t storedWidth, int32_t storedHeight, int orientation, PixelSurface& destination);
        uint8_t* rowBuffer() override;
        // row has two readable bytes after its pixels, and stays readable
        // until two more rows have been pushed.
        void pushRow(const uint8_t* row) override;

    private:
        // One destination row (stored upright) or column (on its side)
        // across the stored rows: the two stored rows it blends, the weight
        // of the second as an integer (-1 where only double holds it) and as
        // a double.
        struct Sample {
            int32_t low;
            int32_t high;
            int32_t weight;
            double t;
            // The stored row after which it can be made.
            int32_t ready() const { return low > high ? low : high; }
        };
        // Destination columns written at a time, on its side.
        static constexpr size_t ColumnGroup = 64;
        void makeRow(int32_t y);
        // Gathers into m_low and m_high by windows; false when there are none.
        bool gatherWindows(const uint8_t* from);
        // Blends along the stored row from into out while gathering by
        // windows; false where that cannot be (see m_weightHigh).
        bool blendWindows(const uint8_t* from, uint8_t* out);
        // The few pixels of out blended in double, from the stored row from.
        void blendDoublePixels(const uint8_t* from, uint8_t* out) const;
        void makeColumn(int32_t x);
        void writeColumns();

        PixelSurface& m_destination;
        int32_t m_storedWidth;
        int32_t m_storedHeight;
        bool m_turned; // stored on its side: stored rows are upright columns
        int32_t m_pixelBytes = 3; // of a pixel blended along the stored rows
        int32_t m_next = 0; // the stored row pushed next
        const uint8_t* m_rows[2] = {}; // the last two stored rows, by their row's parity
        std::vector<uint8_t> m_rowMemory; // rowBuffer()'s two rows
        // Per destination row (stored upright) or column (on its side): the
        // stored rows it blends, its weight, and the order they are made in.
        std::vector<Sample> m_across;
        std::vector<int32_t> m_order;
        size_t m_made = 0;
        // Per destination pixel along the stored rows: the byte offsets of
        // the two pixels blended, and their weights (one per byte) with the
        // pixels gathered into m_low and m_high.
        std::vector<int32_t> m_lowOffset, m_highOffset, m_weights;
        // Or the weights as blendByWindows takes them, which then leaves
        // m_weights, m_low and m_high empty: each >> 7, 64 a step in its
        // order, and each & 127 with room after the last step. Empty without
        // windows, or where the two gathers take unlike steps.
        std::vector<uint16_t> m_weightHigh;
        std::vector<uint8_t> m_weightLow;
        std::vector<int32_t> m_doublePixels; // the few blended in double
        std::vector<double> m_doubleWeights;
        std::vector<uint8_t> m_low, m_high, m_blended;
        // The gathers into m_low and m_high by windows of 128 bytes (see
        // gatherByWindows): how many pixels a step gathers, and per step
        // where its window starts and which byte of it each of 64 takes.
        // Empty where the processor lacks the byte permutation or windows
        // cannot hold enough pixels' sources.
        struct Windows {
            int32_t pixels = 0;
            std::vector<int32_t> starts;
            std::vector<uint8_t> indices;
        };
        Windows m_lowWindows, m_highWindows;
        // On its side: each needed stored row blended along, by its row's
        // parity, and the destination columns made but not yet written.
        std::vector<bool> m_needed;
        std::vector<int32_t> m_pairLeft; // the left pixel's byte offset of each pair
        std::vector<int32_t> m_unpaired; // the destination rows whose pair is not
        bool m_lowFirst = true; // the pixel of the first upright row is the left one
        std::vector<uint8_t> m_along[2];
        std::vector<uint8_t> m_columns;
        std::vector<int32_t> m_columnX;
    };
};
