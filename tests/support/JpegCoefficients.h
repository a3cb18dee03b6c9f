#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>

#include <array>
#include <cstdint>
#include <vector>

// What the tests read of a JPEG through libjpeg itself, beside the code
// under test: its quantised DCT coefficients, tables, sampling, coding and
// segments, and variants of a photo made without decoding it where possible.
struct JpegCoefficients {
    struct Component {
        int hSampling = 0;
        int vSampling = 0;
        int widthInBlocks = 0;
        int heightInBlocks = 0;
        std::vector<std::array<int16_t, 64>> blocks; // row by row
    };
    int width = 0;
    int height = 0;
    int mcuWidth = 0; // pixels
    int mcuHeight = 0;
    QList<Component> components;
    // How the blocks are coded: progressive or not, then each component's
    // sampling and quantisation table.
    std::vector<int> coding;
    // Every APPn and COM segment, in order: the marker, then its body.
    QList<QByteArray> segments;

    static JpegCoefficients read(const QByteArray& jpeg);

    // The MCUs (as a pixel rectangle of the stored picture, clipped to it)
    // in which any coefficient of other differs from this one's; empty when
    // none does.
    QRect differingMcus(const JpegCoefficients& other) const;

    // The photo coded progressively, its coefficients and segments kept.
    static QByteArray progressiveCopy(const QByteArray& jpeg);
    // The photo decoded and encoded again at quality 92 with full-size
    // chroma (4:4:4), its segments kept.
    static QByteArray fullChromaCopy(const QByteArray& jpeg, bool progressive);
    // The photo's coefficients coded again with a restart marker every
    // interval MCUs, its segments kept.
    static QByteArray withRestarts(const QByteArray& jpeg, int interval);
    // A grey photo of that size, its levels a pattern of stripes.
    static QByteArray grey(int width, int height);
    // A small progressive JPEG whose last scan is repeated 600 times (a
    // scan bomb's shape, small).
    static QByteArray manyScans();
    // A small CMYK JPEG, as print workflows write them.
    static QByteArray cmyk();
};
